// The heartbeat monitor against real time: heartbeats every 1, 2 and 4
// seconds, watched through the oscillator state, the heart glyph and the
// stop entries.
#include "app/CaptureForm.h"
#include "app/CaptureListModel.h"
#include "app/HeartBeatMonitor.h"
#include "app/LifeOsc.h"
#include "app/OwnerDrawPanel.h"
#include "core/Globals.h"
#include "net/UdpEndpoint.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>

#include <vector>

namespace {

struct TSample {
    qint64 At;
    LifeOsc::TOscState State;
    int Glyph;
};

struct TStop {
    qint64 At;
    std::string Record;
};

// Runs a monitor for Duration ms with a heartbeat at each of Beats (ms from
// the start), sampling the oscillator every 50 ms.
struct TRun {
    std::vector<TSample> Samples;
    std::vector<TStop> Stops;
    std::vector<TSystemTime> BeatTimes;
    int Ticks = 0;

    TRun(const std::vector<int>& Beats, int Duration)
    {
        LifeOsc::Reset();
        TSystemTime LastHeartBeat = LocalTimeNow();
        QLabel Heart;
        THeartBeatMonitor Monitor(LastHeartBeat);
        Monitor.AttachHeart(&Heart);
        QElapsedTimer Clock;
        Monitor.OnStopEntry = [&](const std::string& Record) { Stops.push_back({Clock.elapsed(), Record}); };
        Monitor.OnTick = [&] { ++Ticks; };
        Clock.start();
        for (int At : Beats)
            QTimer::singleShot(At, Qt::PreciseTimer, &Monitor, [&] {
                Monitor.HeartBeatReceived();
                BeatTimes.push_back(LastHeartBeat);
            });
        QTimer Sampler;
        Sampler.setTimerType(Qt::PreciseTimer);
        QObject::connect(&Sampler, &QTimer::timeout, [&] {
            QVERIFY(Heart.pixmap().toImage() == Monitor.HeartGlyphs[Monitor.HeartGlyph()].toImage());
            Samples.push_back({Clock.elapsed(), LifeOsc::State(), Monitor.HeartGlyph()});
        });
        Sampler.start(50);
        QTest::qWait(Duration);
    }

    // The states seen between From and To ms.
    std::vector<LifeOsc::TOscState> StatesBetween(qint64 From, qint64 To) const
    {
        std::vector<LifeOsc::TOscState> States;
        for (const TSample& S : Samples)
            if (S.At >= From && S.At < To)
                States.push_back(S.State);
        return States;
    }
};

bool All(const std::vector<LifeOsc::TOscState>& States, std::initializer_list<LifeOsc::TOscState> Allowed)
{
    if (States.empty())
        return false;
    for (auto S : States)
        if (std::find(Allowed.begin(), Allowed.end(), S) == Allowed.end())
            return false;
    return true;
}

} // namespace

class HeartBeatSlowTest : public QObject {
    Q_OBJECT
private slots:
    void HeartbeatsEverySecondKeepItAliveWithNoStopEntry()
    {
        TRun Run({0, 1000, 2000, 3000, 4000, 5000}, 6000);
        QVERIFY(Run.Stops.empty());
        QVERIFY(All(Run.StatesBetween(100, 5900), {LifeOsc::osAliveStarting, LifeOsc::osAlive}));
        // Starting frames 1-3 take 1.5 s; then the steady beat.
        QVERIFY(All(Run.StatesBetween(2000, 5900), {LifeOsc::osAlive}));
        // The tick timer runs all along at 500 ms.
        QVERIFY(Run.Ticks >= 9 && Run.Ticks <= 13);
        // The heart beats for 500 ms after each heartbeat, then rests.
        bool SawBeat = false;
        bool SawRest = false;
        for (const TSample& S : Run.Samples) {
            if (S.At % 1000 > 100 && S.At % 1000 < 400)
                SawBeat = SawBeat || S.Glyph == THeartBeatMonitor::hgBeat;
            if (S.At % 1000 > 600 && S.At % 1000 < 900)
                SawRest = SawRest || S.Glyph == THeartBeatMonitor::hgResting;
            QVERIFY(S.Glyph != THeartBeatMonitor::hgStopped);
        }
        QVERIFY(SawBeat && SawRest);
    }

    void HeartbeatsEveryTwoSecondsAlternateAliveAndDying()
    {
        TRun Run({0, 2000, 4000, 6000}, 7500);
        QVERIFY(Run.Stops.empty());
        for (qint64 Beat : {0, 2000, 4000}) {
            // Alive up to the pulse-loss timer at +1.1 s, Dying after it.
            QVERIFY(All(Run.StatesBetween(Beat + 250, Beat + 1000), {LifeOsc::osAliveStarting, LifeOsc::osAlive}));
            QVERIFY(All(Run.StatesBetween(Beat + 1350, Beat + 1950), {LifeOsc::osDying}));
        }
        // The heartbeat after Dying goes straight to the steady beat.
        QVERIFY(All(Run.StatesBetween(2250, 3000), {LifeOsc::osAlive}));
        QVERIFY(All(Run.StatesBetween(6250, 7000), {LifeOsc::osAlive}));
        // Dying lasts 1.5 s of frames, so it never reaches Dead here.
        QVERIFY(Run.StatesBetween(0, 7500).size() > 100);
        for (auto S : Run.StatesBetween(100, 7500))
            QVERIFY(S != LifeOsc::osDead);
    }

    void HeartbeatsEveryFourSecondsGiveOneStampedStopEntryPerLoss()
    {
        TRun Run({0, 4000}, 8500);
        QCOMPARE(Run.Stops.size(), size_t(2));
        QCOMPARE(Run.BeatTimes.size(), size_t(2));
        for (size_t I = 0; I < 2; ++I) {
            const qint64 Beat = 4000 * static_cast<qint64>(I);
            QVERIFY(Run.Stops[I].At >= Beat + 2950 && Run.Stops[I].At <= Beat + 3500);
            QCOMPARE(Run.Stops[I].Record, THeartBeatMonitor::StopRecord(Run.BeatTimes[I]));
        }
        QCOMPARE(Run.Stops[0].Record.substr(16), std::string("\x00\x00\xFF\x00\x00\x00\x00", 7));
        // Dying after 1.1 s, Dead after its three frames, back to Alive
        // (starting over) with the next heartbeat.
        QVERIFY(All(Run.StatesBetween(1400, 2500), {LifeOsc::osDying}));
        QVERIFY(All(Run.StatesBetween(3500, 3950), {LifeOsc::osDead}));
        QVERIFY(All(Run.StatesBetween(4250, 4450), {LifeOsc::osAliveStarting}));
        // The heart shows stopped from the stop entry until the next beat.
        for (const TSample& S : Run.Samples)
            if ((S.At > 3550 && S.At < 3950) || S.At > 7550)
                QCOMPARE(S.Glyph, int(THeartBeatMonitor::hgStopped));
    }

    void TheWindowRecordsAStopRowStampedWithTheLastHeartbeat()
    {
        QTemporaryDir Dir;
        StateFileName = Dir.filePath(QStringLiteral("State.ini")).toStdString();
        LifeOsc::Reset();
        TCaptureForm Form;
        Form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&Form));
        QVERIFY(Form.UDP->SetLocalPort(0));
        const quint16 Port = static_cast<quint16>(Form.UDP->BoundPort());
        int Beats = 0;
        connect(&Form, &TCaptureForm::heartBeatReceived, this, [&Beats] { ++Beats; });
        int Paints = 0;
        struct TPaintCounter : QObject {
            int& Count;
            explicit TPaintCounter(int& Count)
                : Count(Count)
            {
            }
            bool eventFilter(QObject*, QEvent* Event) override
            {
                Count += Event->type() == QEvent::Paint;
                return false;
            }
        } Counter(Paints);
        Form.StatusPanel0->installEventFilter(&Counter);

        QUdpSocket Processor;
        // Three bytes are too few to be looked at.
        Processor.writeDatagram(QByteArray("\x92\x00\x00", 3), QHostAddress::LocalHost, Port);
        QTest::qWait(300);
        QCOMPARE(Beats, 0);
        QCOMPARE(Form.HeartBeat->HeartGlyph(), int(THeartBeatMonitor::hgStopped));

        Processor.writeDatagram(QByteArray("\x92\x00\x00\x00", 4), QHostAddress::LocalHost, Port);
        QTRY_COMPARE(Beats, 1);
        const TSystemTime Beat = Form.LastHeartBeat;
        QCOMPARE(Form.HeartBeat->HeartGlyph(), int(THeartBeatMonitor::hgBeat));
        QCOMPARE(LifeOsc::State(), LifeOsc::osAliveStarting);
        QVERIFY(Form.aiHeart->isHidden());

        QTest::qWait(2800);
        Form.CaptureModel->FlushPendingRows();
        QCOMPARE(Form.CaptureModel->rowCount(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(Form.Captures.Count(), 1, 600);
        Form.CaptureModel->FlushPendingRows();
        const TCaptureItem& Stop = *Form.CaptureModel->ItemAt(0);
        QCOMPARE(Form.CaptureModel->CellText(Stop, TCaptureListModel::colIn), QStringLiteral("STOP"));
        QCOMPARE(Form.CaptureModel->CellText(Stop, TCaptureListModel::colLink), QString());
        QCOMPARE(Form.CaptureModel->CellText(Stop, TCaptureListModel::colTime),
                 QString::fromStdString(FormatStampTime(Beat)));
        QCOMPARE(Stop.GetRecord(), THeartBeatMonitor::StopRecord(Beat));
        QCOMPARE(Form.HeartBeat->HeartGlyph(), int(THeartBeatMonitor::hgStopped));
        QCOMPARE(LifeOsc::State(), LifeOsc::osDead);
        // The status bar was repainted with every tick.
        QVERIFY(Paints >= 5);
        QTest::qWait(1500);
        QCOMPARE(Form.Captures.Count(), 1);
    }

    void NoStopEntryBeforeTheFirstHeartbeat()
    {
        TRun Run({}, 3500);
        QVERIFY(Run.Stops.empty());
        QVERIFY(All(Run.StatesBetween(0, 3500), {LifeOsc::osDead}));
    }
};

QTEST_MAIN(HeartBeatSlowTest)
#include "heart_beat_monitor_test.moc"
