// velmora-sim end to end: the built program sends to a loopback listener and
// the datagrams it delivers are checked byte for byte.
#include <QElapsedTimer>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

namespace {

const QByteArray Heartbeat = QByteArray::fromHex("92000000");

struct TRun {
    int ExitCode = -1;
    QString Errors;
    QList<QByteArray> Datagrams;
};

// Runs the simulator against a fresh listener and collects what arrived.
// Loopback delivers a datagram into the listener's queue before sendto
// returns, so everything sent is waiting once the process has ended.
TRun RunSim(QStringList Arguments, const QByteArray& StandardInput = {})
{
    TRun Run;
    QUdpSocket Listener;
    if (!Listener.bind(QHostAddress::LocalHost, 0))
        return Run;
    Arguments << QStringLiteral("--port") << QString::number(Listener.localPort());
    QProcess Sim;
    Sim.start(QStringLiteral(VELMORA_SIM_PATH), Arguments);
    if (!Sim.waitForStarted(5000))
        return Run;
    if (!StandardInput.isEmpty())
        Sim.write(StandardInput);
    Sim.closeWriteChannel();
    if (!Sim.waitForFinished(20000))
        Sim.kill();
    Run.ExitCode = Sim.exitStatus() == QProcess::NormalExit ? Sim.exitCode() : -1;
    Run.Errors = QString::fromLocal8Bit(Sim.readAllStandardError());
    while (Listener.hasPendingDatagrams())
        Run.Datagrams << Listener.receiveDatagram().data();
    return Run;
}

// A pcap of MTP2 with pseudo-header (link type 139): each packet (seconds
// after the first, sent flag, link, level-4 message in hex).
struct TMtp2Packet {
    double At;
    bool Sent;
    uint8_t Link;
    const char* Message;
};
QByteArray Mtp2Pcap(std::initializer_list<TMtp2Packet> Packets)
{
    auto Le32 = [](QByteArray& Bytes, uint32_t Value) {
        for (int I = 0; I < 4; ++I)
            Bytes.append(static_cast<char>(Value >> (8 * I)));
    };
    QByteArray File = QByteArray::fromHex("D4C3B2A102000400000000000000000000000100");
    Le32(File, 139);
    for (const TMtp2Packet& Packet : Packets) {
        const QByteArray Message = QByteArray::fromHex(Packet.Message);
        QByteArray Data;
        Data.append(static_cast<char>(Packet.Sent)).append('\0').append('\0').append(static_cast<char>(Packet.Link));
        Data.append('\xFF').append('\x80').append(static_cast<char>(qMin(Message.size(), 63)));
        Data.append(Message);
        const auto Micros = static_cast<uint64_t>(Packet.At * 1e6) + 1800000000ull * 1000000;
        Le32(File, static_cast<uint32_t>(Micros / 1000000));
        Le32(File, static_cast<uint32_t>(Micros % 1000000));
        Le32(File, static_cast<uint32_t>(Data.size()));
        Le32(File, static_cast<uint32_t>(Data.size()));
        File.append(Data);
    }
    return File;
}

// The seconds of the run that velmora-sim's summary line gives.
double SummarySeconds(const QString& Errors)
{
    const QRegularExpressionMatch Match = QRegularExpression(QStringLiteral(" in ([0-9.]+) s ")).match(Errors);
    return Match.hasMatch() ? Match.captured(1).toDouble() : -1;
}

QList<QByteArray> Hex(std::initializer_list<const char*> Texts)
{
    QList<QByteArray> Result;
    for (const char* Text : Texts)
        Result << QByteArray::fromHex(Text);
    return Result;
}

} // namespace

class TSimTest : public QObject {
    Q_OBJECT
private slots:
    void CaptureFileLinesLoseTheStampAndKeepTheRest();
    void HexLinesAreSentWithChosenDirectionAndLink();
    void CountAndRepeatLoopOverTheInput();
    void HeartbeatsArePaddedAndScheduled();
    void RateIsNotExceeded();
    void BadInputAndOptionsFailClearly();
    void PcapMessagesKeepTheirDirectionLinkAndTiming();

private:
    QTemporaryDir FDir;
    QString Write(const QString& Name, const QByteArray& Content)
    {
        const QString Path = FDir.filePath(Name);
        QFile File(Path);
        if (File.open(QIODevice::WriteOnly))
            File.write(Content);
        return Path;
    }
};

void TSimTest::CaptureFileLinesLoseTheStampAndKeepTheRest()
{
    const QString Path = Write(QStringLiteral("mixed.ss7"),
                               "EA 07 0C 00 01 00 07 00 09 00 05 00 03 00 0C 00 01 03 85 01 80 00 30 01 02 \r\n"
                               "\r\n"
                               "EA 07 0C 00 01 00 07 00 09 00 05 00 03 00 0C 00 02 \n"
                               "ea,07,0c,00,01,00,07,00,09,00,05,00,03,00,0c,00\t02\t04\t81\t1:80:0:30\n"
                               "EA 07 0C 00 01 00 07 00 09 00 05 00 03 00 0C 00 00 00 FF 00 00 00 00 ");
    const TRun Run = RunSim({QStringLiteral("--flood"), QStringLiteral("--heartbeat"), QStringLiteral("0"), Path});
    QCOMPARE(Run.ExitCode, 0);
    QCOMPARE(Run.Datagrams, Hex({"BB010385018000300102", "BB02048101800030", "BB0000FF00000000"}));
    QVERIFY2(Run.Errors.contains(QStringLiteral("3 datagrams and 0 heartbeats")), qPrintable(Run.Errors));

    // Lines ended by CR alone are lines too, not one record of them all.
    const QString Cr = Write(QStringLiteral("cr.ss7"),
                             "EA 07 0C 00 01 00 07 00 09 00 05 00 03 00 0C 00 01 03 85 01\r"
                             "EA 07 0C 00 01 00 07 00 09 00 05 00 03 00 0C 00 02 04 81 02\r");
    const TRun CrRun = RunSim({QStringLiteral("--flood"), QStringLiteral("--heartbeat"), QStringLiteral("0"), Cr});
    QCOMPARE(CrRun.ExitCode, 0);
    QCOMPARE(CrRun.Datagrams, Hex({"BB01038501", "BB02048102"}));
}

void TSimTest::HexLinesAreSentWithChosenDirectionAndLink()
{
    const TRun Run = RunSim({QStringLiteral("--hex"), QStringLiteral("--direction"), QStringLiteral("2"),
                             QStringLiteral("--link"), QStringLiteral("0x1F"), QStringLiteral("--flood"),
                             QStringLiteral("--heartbeat"), QStringLiteral("0"), QStringLiteral("-")},
                            "85 01 80 00 30 01 02\n\n8101800030115011\r\n");
    QCOMPARE(Run.ExitCode, 0);
    QCOMPARE(Run.Datagrams, Hex({"BB021F85018000300102", "BB021F8101800030115011"}));

    const TRun Defaults = RunSim({QStringLiteral("--hex"), QStringLiteral("--flood"), QStringLiteral("--heartbeat"),
                                  QStringLiteral("0"), QStringLiteral("-")},
                                 "c5 01 80 00 30\n");
    QCOMPARE(Defaults.Datagrams, Hex({"BB0100C501800030"}));
}

void TSimTest::CountAndRepeatLoopOverTheInput()
{
    const QString Path = Write(QStringLiteral("three.hex"), "01\n02\n03\n");
    const QStringList Common{QStringLiteral("--hex"), QStringLiteral("--flood"), QStringLiteral("--heartbeat"),
                             QStringLiteral("0"), Path};

    TRun Run = RunSim(Common + QStringList{QStringLiteral("--count"), QStringLiteral("7")});
    QCOMPARE(Run.ExitCode, 0);
    QCOMPARE(Run.Datagrams, Hex({"BB010001", "BB010002", "BB010003", "BB010001", "BB010002", "BB010003", "BB010001"}));

    Run = RunSim(Common + QStringList{QStringLiteral("--repeat"), QStringLiteral("2")});
    QCOMPARE(Run.Datagrams.size(), 6);
    QCOMPARE(Run.Datagrams.last(), QByteArray::fromHex("BB010003"));

    // Whichever limit comes first ends the run.
    Run = RunSim(
        Common +
        QStringList{QStringLiteral("--repeat"), QStringLiteral("1"), QStringLiteral("--count"), QStringLiteral("5")});
    QCOMPARE(Run.Datagrams.size(), 3);

    // Endless passes end with the duration.
    Run = RunSim(Common +
                 QStringList{QStringLiteral("--repeat"), QStringLiteral("0"), QStringLiteral("--rate"),
                             QStringLiteral("1000"), QStringLiteral("--duration"), QStringLiteral("0.1")});
    QCOMPARE(Run.ExitCode, 0);
    QVERIFY(Run.Datagrams.size() >= 3);
    QVERIFY(Run.Datagrams.size() <= 101);
}

void TSimTest::HeartbeatsArePaddedAndScheduled()
{
    TRun Run = RunSim({QStringLiteral("--heartbeat-only"), QStringLiteral("--heartbeat"), QStringLiteral("20"),
                       QStringLiteral("--count"), QStringLiteral("3")});
    QCOMPARE(Run.ExitCode, 0);
    QCOMPARE(Run.Datagrams, (QList<QByteArray>{Heartbeat, Heartbeat, Heartbeat}));
    QVERIFY2(Run.Errors.contains(QStringLiteral("0 datagrams and 3 heartbeats")), qPrintable(Run.Errors));

    // With data, the first heartbeat goes out at once, before any capture.
    const QString Path = Write(QStringLiteral("one.hex"), "85 01 80 00 30\n");
    Run = RunSim({QStringLiteral("--hex"), QStringLiteral("--flood"), Path});
    QCOMPARE(Run.Datagrams, (QList<QByteArray>{Heartbeat, QByteArray::fromHex("BB01008501800030")}));
}

void TSimTest::RateIsNotExceeded()
{
    const QString Path = Write(QStringLiteral("paced.hex"), "01\n");
    QElapsedTimer Clock;
    Clock.start();
    const TRun Run =
        RunSim({QStringLiteral("--hex"), QStringLiteral("--rate"), QStringLiteral("200"), QStringLiteral("--count"),
                QStringLiteral("21"), QStringLiteral("--heartbeat"), QStringLiteral("0"), Path});
    QCOMPARE(Run.Datagrams.size(), 21);
    // Twenty intervals of 5 ms lie between the first and the last datagram.
    QVERIFY(Clock.elapsed() >= 95);
}

void TSimTest::BadInputAndOptionsFailClearly()
{
    const QString Bad = Write(QStringLiteral("bad.ss7"),
                              "EA 07 0C 00 01 00 07 00 09 00 05 00 03 00 0C 00 01 03 85 01 80 00 30 \n"
                              "EA 07 0C 00 01 00 07 00 09 00 05 00 03 00 0C 00 01 03 85 01 80 00 QQ \n");
    TRun Run = RunSim({Bad});
    QVERIFY(Run.ExitCode != 0);
    QVERIFY2(Run.Errors.contains(QStringLiteral("bad.ss7:2:")), qPrintable(Run.Errors));
    QVERIFY(Run.Datagrams.isEmpty());

    Run = RunSim({FDir.filePath(QStringLiteral("missing.ss7"))});
    QVERIFY(Run.ExitCode != 0);
    QVERIFY2(Run.Errors.contains(QStringLiteral("missing.ss7")), qPrintable(Run.Errors));

    Run = RunSim({Write(QStringLiteral("short.ss7"), "01 02 03\n")});
    QVERIFY(Run.ExitCode != 0);
    QVERIFY2(Run.Errors.contains(QStringLiteral("no messages")), qPrintable(Run.Errors));

    Run = RunSim({QStringLiteral("--rate"), QStringLiteral("fast"), Bad});
    QVERIFY(Run.ExitCode != 0);
    QVERIFY2(Run.Errors.contains(QStringLiteral("--rate")), qPrintable(Run.Errors));

    Run = RunSim({QStringLiteral("--link"), QStringLiteral("256"), QStringLiteral("--hex"), Bad});
    QVERIFY(Run.ExitCode != 0);
    QVERIFY2(Run.Errors.contains(QStringLiteral("--link")), qPrintable(Run.Errors));

    Run = RunSim({QStringLiteral("--heartbeat-only"), QStringLiteral("--heartbeat"), QStringLiteral("0")});
    QVERIFY(Run.ExitCode != 0);
    QVERIFY(Run.Datagrams.isEmpty());

    Run = RunSim({QStringLiteral("--no-such-option")});
    QVERIFY(Run.ExitCode != 0);
    QVERIFY2(Run.Errors.contains(QStringLiteral("--no-such-option")), qPrintable(Run.Errors));
}

QTEST_GUILESS_MAIN(TSimTest)
#include "sim_test.moc"

void TSimTest::PcapMessagesKeepTheirDirectionLinkAndTiming()
{
    // Named without a pcap suffix: the contents decide. A fill-in unit
    // (LI 0) carries no message and is not sent.
    const QString Path = Write(QStringLiteral("link.capture"),
                               Mtp2Pcap({{0.0, true, 5, "850E4803820101"},
                                         {0.1, false, 5, ""},
                                         {0.4, false, 6, "8101800030115011"},
                                         {0.2, false, 7, "C501800030"}}));
    const QStringList Quiet{QStringLiteral("--heartbeat"), QStringLiteral("0"), Path};
    const QList<QByteArray> Sent = Hex({"BB0205850E4803820101", "BB01068101800030115011", "BB0107C501800030"});

    TRun Run = RunSim(QStringList{QStringLiteral("--flood")} + Quiet);
    QCOMPARE(Run.ExitCode, 0);
    QCOMPARE(Run.Datagrams, Sent);
    QVERIFY2(Run.Errors.contains(QStringLiteral("link.capture: 4 packets, 3 messages")), qPrintable(Run.Errors));
    QVERIFY(SummarySeconds(Run.Errors) < 0.3);

    // The packets' own moments: the last one, out of time order, goes at
    // once after the one before it; two passes take twice the span.
    Run = RunSim(QStringList{QStringLiteral("--timing"), QStringLiteral("original"), QStringLiteral("--repeat"),
                             QStringLiteral("2")} +
                 Quiet);
    QCOMPARE(Run.ExitCode, 0);
    QCOMPARE(Run.Datagrams, Sent + Sent);
    QVERIFY2(SummarySeconds(Run.Errors) >= 0.8, qPrintable(Run.Errors));

    // Own point codes decide the direction instead of the sent flag: the
    // first message comes from OPC 2061 (routing label 0E 48 03 82).
    Run = RunSim(QStringList{QStringLiteral("--flood"), QStringLiteral("--own-pc"), QStringLiteral("3,2061")} + Quiet);
    QCOMPARE(Run.Datagrams.value(0), QByteArray::fromHex("BB0205850E4803820101"));
    Run = RunSim(QStringList{QStringLiteral("--flood"), QStringLiteral("--own-pc"), QStringLiteral("2062")} + Quiet);
    QCOMPARE(Run.Datagrams.value(0), QByteArray::fromHex("BB0105850E4803820101"));

    Run = RunSim({QStringLiteral("--timing"), QStringLiteral("original"), QStringLiteral("--hex"), QStringLiteral("-")},
                 "85\n");
    QCOMPARE(Run.ExitCode, 2);
    QVERIFY(Run.Errors.contains(QStringLiteral("--timing original needs a pcap or pcapng file")));
}
