// Window state: the keys written to the state file, their round trip
// through a new window, the configuration window's Esc, and the main
// window's key preview of Esc.
#include "tests/app/app_test_support.h"

#include "core/IniFile.h"

#include <QFile>
#include <QKeyEvent>
#include <QSplitter>

using namespace AppTest;

namespace {

// The splitter between the capture list and the decoded view.
QSplitter* Splitter(const TWindow& W)
{
    return qobject_cast<QSplitter*>(W.Form->ListView()->parentWidget());
}

} // namespace

class TFormStateTest : public QObject {
    Q_OBJECT
private slots:
    void stateFileRoundTrip()
    {
        TWindow W;
        // A port another socket holds for the whole test, so that nobody can
        // take it between the two windows: the endpoint cannot listen on it,
        // but the setting is stored and applied all the same.
        QUdpSocket Holder;
        QVERIFY(Holder.bind(QHostAddress::AnyIPv4, 0, QAbstractSocket::DontShareAddress));
        const int Port = Holder.localPort();
        Splitter(W)->setSizes({250, 300});
        W.Options->edCaptureHost->setText(QStringLiteral("  10.1.2.3 "));
        W.Options->seCaptureRemotePort->setValue(4000);
        W.Options->seCaptureLocalPort->setValue(Port);
        W.Form->close();
        W.Destroy();

        const TIniFile Ini(StateFileName);
        for (const char* Section : {"CaptureForm", "OptionsForm"}) {
            for (const char* Key :
                 {"FormVersion", "Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos", "NormPos", "Visible"})
                QVERIFY2(Ini.ReadString(Section, Key, "\n") != "\n", Key);
            QCOMPARE(Ini.ReadInteger(Section, "FormVersion", -1), 0);
        }
        QCOMPARE(Ini.ReadInteger("CaptureForm", "ShowCmd", 0), 1);
        QCOMPARE(Ini.ReadString("CaptureForm", "Visible", ""), std::string("0"));
        // The configuration window saves once more when it is destroyed.
        QCOMPARE(Ini.ReadString("OptionsForm", "Visible", ""), std::string("1"));
        QCOMPARE(Ini.ReadInteger("CaptureForm", "lvMsg_Width", 0), 250);
        QCOMPARE(Ini.ReadInteger("OptionsForm", "seCaptureLocalPort_Value", 0), Port);
        QCOMPARE(Ini.ReadInteger("OptionsForm", "seCaptureRemotePort_Value", 0), 4000);
        // Text values are stored trimmed.
        QCOMPARE(Ini.ReadString("OptionsForm", "edCaptureHost_Text", ""), std::string("10.1.2.3"));
        QVERIFY(Ini.ReadString("CaptureForm", "NormPos", "").find(',') != std::string::npos);

        // A new window finds everything again, and the endpoint is set to
        // the stored port once the main window is shown.
        W.Make(true, StoredPort);
        QCOMPARE(W.Options->edCaptureHost->text(), QStringLiteral("10.1.2.3"));
        QCOMPARE(W.Options->seCaptureRemotePort->value(), 4000);
        QCOMPARE(W.Options->seCaptureLocalPort->value(), Port);
        QCOMPARE(W.Form->Endpoint().LocalPort(), Port);
        QVERIFY(!W.Form->Endpoint().IsBound());
        QVERIFY(W.Form->Endpoint().LastError().contains(QString::number(Port)));
        QCOMPARE(W.Form->Endpoint().RemotePort, 4000);
        // The port is held by the first window: the title says so.
        QCOMPARE(W.Form->windowTitle(), QStringLiteral("SS7 L4 Velmora - 10.1.2.3 : %1 (not listening)").arg(Port));
        QCOMPARE(Splitter(W)->sizes().first(), 250);
    }

    void placementIsRestoredOnlyAtTheSameResolution()
    {
        TWindow W(false);
        const int PixelsPerInch = W.Form->Storage().PixelsPerInch();
        // Destroying the windows saves their state: write over it afterwards.
        W.Destroy();
        TIniWriter Writer(StateFileName);
        Writer.WriteInteger("CaptureForm", "PixelsPerInch", PixelsPerInch);
        Writer.WriteString("CaptureForm", "NormPos", "40,50,740,550");
        Writer.WriteInteger("OptionsForm", "PixelsPerInch", PixelsPerInch + 1);
        Writer.WriteString("OptionsForm", "NormPos", "1,2,3,4");
        Writer.WriteString("OptionsForm", "seCaptureRemotePort_Value", "77");
        Writer.UpdateFile();

        W.Make(false, StoredPort);
        QCOMPARE(W.Form->geometry(), QRect(40, 50, 700, 500));
        QVERIFY(W.Options->geometry().topLeft() != QPoint(1, 2));
        // Properties are read whatever the resolution.
        QCOMPARE(W.Options->seCaptureRemotePort->value(), 77);
    }

    void newerStoredVersionIsIgnored()
    {
        TWindow W(false);
        W.Destroy();
        TIniWriter Writer(StateFileName);
        Writer.WriteInteger("OptionsForm", "FormVersion", -1);
        Writer.WriteString("OptionsForm", "edCaptureHost_Text", "10.9.9.9");
        Writer.UpdateFile();
        W.Make(false, StoredPort);
        // A stored version below the window's (0) reads nothing.
        QCOMPARE(W.Options->edCaptureHost->text(), QString());
    }

    void escClosesTheConfigurationWindowAndSaves()
    {
        TWindow W;
        W.Options->show();
        QVERIFY(QTest::qWaitForWindowExposed(W.Options.get()));
        W.Options->edCaptureHost->setFocus();
        W.Options->edCaptureHost->setText(QStringLiteral("192.168.7.7"));
        QTest::keyClick(W.Options.get(), Qt::Key_Escape);
        QVERIFY(!W.Options->isVisible());
        const TIniFile Ini(StateFileName);
        QCOMPARE(Ini.ReadString("OptionsForm", "edCaptureHost_Text", ""), std::string("192.168.7.7"));
        QCOMPARE(Ini.ReadString("OptionsForm", "Visible", ""), std::string("0"));
        // Settings kept after hiding.
        QCOMPARE(W.Form->Endpoint().RemoteHost, QStringLiteral("192.168.7.7"));
    }

    void escInTheMainWindowStopsALoad()
    {
        TWindow W;
        // A file long enough that the load turns the event loop many times;
        // Esc typed in the list while it loads.
        W.Clock.SetStepPerReading(1);
        const QString Name = W.Folder.filePath(QStringLiteral("long.ss7"));
        {
            QFile File(Name);
            QVERIFY(File.open(QIODevice::WriteOnly));
            for (int I = 0; I < 20000; ++I)
                File.write(
                    "EA 07 0C 00 01 00 07 00 09 00 05 00 03 00 0C 00 01 00 81 29 89 34 01 11 60 01 23 45 67 89 AB "
                    "\r\n");
        }
        W.Form->ListView()->setFocus();
        bool Pressed = false;
        bool LoadingWhenPressed = false;
        const auto Watch = connect(W.Form->ListModel(), &QAbstractItemModel::rowsInserted, this, [&] {
            if (Pressed || !W.Form->IsLoading())
                return;
            Pressed = LoadingWhenPressed = true;
            QTest::keyClick(W.Form->ListView(), Qt::Key_Escape);
        });
        W.Form->LoadCaptures(Name);
        disconnect(Watch);
        QVERIFY(LoadingWhenPressed);
        QVERIFY(!W.Form->IsLoading());
        QVERIFY(W.Rows() < 20000);
    }
};

QTEST_MAIN(TFormStateTest)
#include "form_state_test.moc"
