// The heartbeat monitor on a hand-driven clock: heartbeats every 1, 2 and 4
// seconds and faster, watched millisecond by millisecond through the
// oscillator, the heart glyph and the stop entries; and the window taking a
// real heartbeat datagram over loopback.
#include "app/CaptureForm.h"
#include "app/CaptureListModel.h"
#include "app/EventLoopClock.h"
#include "app/HeartBeatMonitor.h"
#include "app/LifeOsc.h"
#include "app/OwnerDrawPanel.h"
#include "core/Clock.h"
#include "core/Globals.h"
#include "net/UdpEndpoint.h"
#include "presentation/CaptureRecord.h"

#include <QLabel>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

#include <algorithm>
#include <vector>

using LifeOsc::TOscState;

namespace {

struct TSample {
    TOscState State;
    int Image;
    int Glyph;
};

struct TStop {
    int64_t At;
    std::string Record;
};

// A monitor made at time 0, run for Duration ms with a heartbeat at each of
// Beats (ms from the start), its state written down every millisecond.
struct TRun {
    TManualClock Clock;
    TSystemTime LastHeartBeat;
    QLabel Heart;
    THeartBeatMonitor Monitor;
    // Samples[t]: the state at t ms, once the timers due then and a
    // heartbeat at t have been handled.
    std::vector<TSample> Samples;
    std::vector<TStop> Stops;
    std::vector<TSystemTime> BeatTimes;
    std::vector<int64_t> Ticks;
    std::string TickImages;

    TRun(const std::vector<int64_t>& Beats, int64_t Duration)
        : LastHeartBeat(Clock.LocalTime())
        , Monitor(LastHeartBeat, Clock)
    {
        Monitor.AttachHeart(&Heart);
        Monitor.OnStopEntry = [this](const std::string& Record) { Stops.push_back({Clock.Elapsed(), Record}); };
        Monitor.OnTick = [this] {
            Ticks.push_back(Clock.Elapsed());
            TickImages += std::to_string(Monitor.Oscillator().CurrentImage());
        };
        size_t Next = 0;
        for (int64_t At = 0; At < Duration; ++At) {
            if (At > 0)
                Clock.Advance(1);
            for (; Next < Beats.size() && Beats[Next] == At; ++Next) {
                Monitor.HeartBeatReceived();
                BeatTimes.push_back(LastHeartBeat);
            }
            const int Glyph = Monitor.HeartGlyph();
            if (Samples.empty() || Samples.back().Glyph != Glyph)
                QVERIFY(Heart.pixmap().toImage() == Monitor.HeartGlyphs[Glyph].toImage());
            Samples.push_back({Monitor.Oscillator().State(), Monitor.Oscillator().CurrentImage(), Glyph});
        }
    }

    // True when every sample in [From, To) passes Test.
    template <typename TTest> bool All(int64_t From, int64_t To, TTest Test) const
    {
        return From < To && std::all_of(Samples.begin() + From, Samples.begin() + To, Test);
    }
    bool StatesIn(int64_t From, int64_t To, std::initializer_list<TOscState> Allowed) const
    {
        return All(From, To, [Allowed](const TSample& S) {
            return std::find(Allowed.begin(), Allowed.end(), S.State) != Allowed.end();
        });
    }
    bool GlyphIn(int64_t From, int64_t To, int Glyph) const
    {
        return All(From, To, [Glyph](const TSample& S) { return S.Glyph == Glyph; });
    }
};

// From, From + Step, ... up to (not including) Until.
std::vector<int64_t> Every(int64_t Step, int64_t Until, int64_t From = 0)
{
    std::vector<int64_t> Times;
    for (int64_t At = From; At < Until; At += Step)
        Times.push_back(At);
    return Times;
}

} // namespace

class HeartBeatMonitorTest : public QObject {
    Q_OBJECT
private slots:
    void TimersHaveTheirIntervalsAndOnlyTheTickRunsAtStart()
    {
        TManualClock Clock;
        TSystemTime LastHeartBeat;
        THeartBeatMonitor Monitor(LastHeartBeat, Clock);
        QCOMPARE(Monitor.tmTick->Interval(), 500);
        QCOMPARE(Monitor.tmPulseLoss->Interval(), 1100);
        QCOMPARE(Monitor.tmNoHeartBeat->Interval(), 3000);
        QCOMPARE(Monitor.tmHeartBeat->Interval(), 500);
        QVERIFY(Monitor.tmTick->IsActive());
        QCOMPARE(Clock.ActiveTimers(), 1);
        QCOMPARE(Monitor.HeartGlyph(), int(THeartBeatMonitor::hgStopped));
        QCOMPARE(Monitor.Oscillator().State(), LifeOsc::osDead);
    }

    void NoStopEntryBeforeTheFirstHeartbeat()
    {
        TRun Run({}, 10000);
        QVERIFY(Run.Stops.empty());
        QVERIFY(Run.StatesIn(0, 10000, {LifeOsc::osDead}));
        QVERIFY(Run.GlyphIn(0, 10000, THeartBeatMonitor::hgStopped));
        // Dead blinks between its two frames with every tick.
        QCOMPARE(Run.TickImages, std::string("9090909090909090909"));
        QVERIFY(!Run.Monitor.tmNoHeartBeat->IsActive());
    }

    void HeartbeatsEverySecondKeepItAliveWithNoStopEntry()
    {
        TRun Run(Every(1000, 6000), 6000);
        QVERIFY(Run.Stops.empty());
        // Starting frames 1-3 at the first three ticks, then the steady beat.
        QVERIFY(Run.StatesIn(0, 2000, {LifeOsc::osAliveStarting}));
        QVERIFY(Run.StatesIn(2000, 6000, {LifeOsc::osAlive}));
        QCOMPARE(Run.TickImages, std::string("12345454545"));
        // Only its text until the first tick.
        QVERIFY(Run.All(0, 500, [](const TSample& S) { return S.Image == -1; }));
        // The tick timer runs all along at 500 ms, whatever the heartbeats do.
        QCOMPARE(Run.Ticks, Every(500, 6000, 500));
        // The heart beats for 500 ms after each heartbeat, then rests.
        for (int64_t Beat = 0; Beat < 6000; Beat += 1000) {
            QVERIFY(Run.GlyphIn(Beat, Beat + 500, THeartBeatMonitor::hgBeat));
            QVERIFY(Run.GlyphIn(Beat + 500, Beat + 1000, THeartBeatMonitor::hgResting));
        }
    }

    void HeartbeatsEveryTwoSecondsAlternateAliveAndDying()
    {
        TRun Run(Every(2000, 8000), 7500);
        QVERIFY(Run.Stops.empty());
        for (int64_t Beat : {0, 2000, 4000}) {
            // Alive up to the pulse-loss timer at +1.1 s, Dying from then on.
            QVERIFY(Run.StatesIn(Beat, Beat + 1100, {LifeOsc::osAliveStarting, LifeOsc::osAlive}));
            QVERIFY(Run.StatesIn(Beat + 1100, Beat + 2000, {LifeOsc::osDying}));
        }
        // The heartbeat after Dying goes straight to the steady beat.
        QVERIFY(Run.StatesIn(2000, 3100, {LifeOsc::osAlive}));
        QVERIFY(Run.StatesIn(6000, 7100, {LifeOsc::osAlive}));
        QVERIFY(Run.StatesIn(7100, 7500, {LifeOsc::osDying}));
        // Dying lasts 1.5 s of frames, so it never reaches Dead here.
        QVERIFY(Run.All(0, 7500, [](const TSample& S) { return S.State != LifeOsc::osDead; }));
        QVERIFY(Run.All(0, 7500, [](const TSample& S) { return S.Glyph != THeartBeatMonitor::hgStopped; }));
    }

    void HeartbeatsEveryFourSecondsGiveOneStampedStopEntryPerLoss()
    {
        TRun Run({0, 4000}, 8500);
        QCOMPARE(Run.Stops.size(), size_t(2));
        QCOMPARE(Run.BeatTimes.size(), size_t(2));
        for (size_t I = 0; I < 2; ++I) {
            const int64_t Beat = 4000 * static_cast<int64_t>(I);
            // Three seconds after the heartbeat, stamped with its time.
            QCOMPARE(Run.Stops[I].At, Beat + 3000);
            QCOMPARE(Run.BeatTimes[I], AddMilliseconds(TManualClock::DefaultStart, Beat));
            QCOMPARE(Run.Stops[I].Record, StopEntryRecord(Run.BeatTimes[I]));
        }
        QCOMPARE(Run.Stops[0].Record.substr(0, 16),
                 std::string("\xEA\x07\x0C\x00\x01\x00\x07\x00\x09\x00\x05\x00\x03\x00\x0C\x00", 16));
        QCOMPARE(Run.Stops[0].Record.substr(16), std::string("\x00\x00\xFF\x00\x00\x00\x00", 7));
        // Dying 1.1 s after the heartbeat; Dead once its three frames have
        // been shown; back to Alive, starting over, with the next heartbeat.
        QVERIFY(Run.StatesIn(0, 1100, {LifeOsc::osAliveStarting}));
        QVERIFY(Run.StatesIn(1100, 3000, {LifeOsc::osDying}));
        QVERIFY(Run.StatesIn(3000, 4000, {LifeOsc::osDead}));
        QVERIFY(Run.StatesIn(4000, 5100, {LifeOsc::osAliveStarting}));
        QCOMPARE(Run.TickImages.substr(0, 8), std::string("12678090"));
        // The heart shows stopped from the stop entry until the next beat.
        QVERIFY(Run.GlyphIn(500, 3000, THeartBeatMonitor::hgResting));
        QVERIFY(Run.GlyphIn(3000, 4000, THeartBeatMonitor::hgStopped));
        QVERIFY(Run.GlyphIn(4000, 4500, THeartBeatMonitor::hgBeat));
        QVERIFY(Run.GlyphIn(7000, 8500, THeartBeatMonitor::hgStopped));
    }

    void TheLossTimersStartOverWithEveryHeartbeat()
    {
        // Beats 300 ms apart: the no-heartbeat and pulse-loss timers start
        // over with each, the heart's 500 ms timer does not.
        TRun Run({0, 300, 600}, 5000);
        QVERIFY(Run.GlyphIn(0, 500, THeartBeatMonitor::hgBeat));
        QVERIFY(Run.GlyphIn(500, 600, THeartBeatMonitor::hgResting));
        QVERIFY(Run.GlyphIn(600, 1100, THeartBeatMonitor::hgBeat));
        QVERIFY(Run.GlyphIn(1100, 3600, THeartBeatMonitor::hgResting));
        QVERIFY(Run.StatesIn(0, 1700, {LifeOsc::osAliveStarting, LifeOsc::osAlive}));
        QCOMPARE(Run.Samples[1700].State, LifeOsc::osDying);
        QCOMPARE(Run.Stops.size(), size_t(1));
        QCOMPARE(Run.Stops[0].At, int64_t(3600));
        QCOMPARE(Run.Stops[0].Record, StopEntryRecord(Run.BeatTimes[2]));
        // While heartbeats stay away the pulse-loss timer goes on firing,
        // without effect: Dead stays Dead.
        QVERIFY(Run.Monitor.tmPulseLoss->IsActive());
        QVERIFY(!Run.Monitor.tmNoHeartBeat->IsActive());
        QVERIFY(Run.StatesIn(3500, 5000, {LifeOsc::osDead}));
    }

    void TheWindowRecordsAStopRowStampedWithTheLastHeartbeat()
    {
        QTemporaryDir Dir;
        StateFileName = Dir.filePath(QStringLiteral("State.ini")).toStdString();
        TManualClock Clock;
        TCaptureForm Form(Clock);
        Form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&Form));
        QVERIFY(Form.Endpoint().SetLocalPort(0));
        const quint16 Port = static_cast<quint16>(Form.Endpoint().BoundPort());
        TCaptureListModel& Model = *Form.ListModel();
        QSignalSpy Beats(&Form, &TCaptureForm::heartBeatReceived);
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
        Form.statusBar()->findChild<TOwnerDrawPanel*>()->installEventFilter(&Counter);

        QUdpSocket Processor;
        auto Send = [&](const char* Bytes, int Size) {
            QCOMPARE(Processor.writeDatagram(QByteArray(Bytes, Size), QHostAddress::LocalHost, Port), qint64(Size));
        };
        // Three bytes are too few to be looked at. Datagrams are handled in
        // arrival order, so once the capture after it is in, it is past.
        Send("\x92\x00\x00", 3);
        Send("\xBB\x01\x02\x81", 4);
        QTRY_COMPARE(Model.CaptureCount(), 1);
        QCOMPARE(Beats.count(), 0);
        QCOMPARE(Form.HeartBeat().HeartGlyph(), int(THeartBeatMonitor::hgStopped));
        Model.FlushPendingRows();
        QCOMPARE(Model.CellText(0, colTime), QStringLiteral("9:05:03.012"));

        Clock.Advance(1250);
        const TSystemTime Beat = Clock.LocalTime();
        Send("\x92\x00\x00\x00", 4);
        QTRY_COMPARE(Beats.count(), 1);
        QCOMPARE(Form.HeartBeat().LastHeartBeat(), Beat);
        QCOMPARE(Form.HeartBeat().HeartGlyph(), int(THeartBeatMonitor::hgBeat));
        QCOMPARE(Form.HeartBeat().Oscillator().State(), LifeOsc::osAliveStarting);
        QVERIFY(Form.HeartBeat().Heart()->isHidden());

        // Each tick repaints the status bar.
        QCoreApplication::processEvents();
        const int PaintsBefore = Paints;
        Clock.Advance(250);
        QTRY_VERIFY(Paints > PaintsBefore);

        Clock.Advance(2749);
        QCOMPARE(Model.CaptureCount(), 1);
        Clock.Advance(1);
        QCOMPARE(Model.CaptureCount(), 2);
        Model.FlushPendingRows();
        QCOMPARE(Model.CellText(1, colIn), QStringLiteral("STOP"));
        QCOMPARE(Model.CellText(1, colLink), QString());
        QCOMPARE(Model.CellText(1, colTime), QStringLiteral("9:05:04.262"));
        QCOMPARE(Model.CellText(1, colDate), QStringLiteral("7.12.2026"));
        QCOMPARE(Model.ItemAt(1)->GetRecord(), StopEntryRecord(Beat));
        QCOMPARE(Form.HeartBeat().HeartGlyph(), int(THeartBeatMonitor::hgStopped));
        QCOMPARE(Form.HeartBeat().Oscillator().State(), LifeOsc::osDead);
        // One stop entry per loss.
        Clock.Advance(60000);
        QCOMPARE(Model.CaptureCount(), 2);
    }

    void TheWindowOnRealTimeTicksAndTakesHeartbeats()
    {
        QTemporaryDir Dir;
        StateFileName = Dir.filePath(QStringLiteral("State.ini")).toStdString();
        TCaptureForm Form;
        Form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&Form));
        const THeartBeatMonitor& Monitor = Form.HeartBeat();
        QCOMPARE(Monitor.tmTick->Interval(), 500);
        QVERIFY(Monitor.tmTick->IsActive());
        QVERIFY(Form.Endpoint().SetLocalPort(0));
        // Dead blinks between frames 0 and 9: the tick timer fires from the
        // event loop.
        const int Image = Monitor.Oscillator().CurrentImage();
        QTRY_VERIFY_WITH_TIMEOUT(Monitor.Oscillator().CurrentImage() != Image, 30000);

        // What the heartbeat did, seen as it is handled: later the loss
        // timers may have fired.
        // The stamp of the window's creation, half a second and more ago.
        const TSystemTime Before = Monitor.LastHeartBeat();
        int Beats = 0;
        TSystemTime Stamped;
        bool LossTimersRunning = false;
        TOscState State = LifeOsc::osDead;
        connect(&Form, &TCaptureForm::heartBeatReceived, this, [&] {
            ++Beats;
            Stamped = Monitor.LastHeartBeat();
            LossTimersRunning = Monitor.tmNoHeartBeat->IsActive() && Monitor.tmPulseLoss->IsActive();
            State = Monitor.Oscillator().State();
        });
        QUdpSocket Processor;
        Processor.writeDatagram(QByteArray("\x92\x00\x00\x00", 4), QHostAddress::LocalHost,
                                static_cast<quint16>(Form.Endpoint().BoundPort()));
        QTRY_COMPARE(Beats, 1);
        QVERIFY(Stamped.Year >= 2024);
        QVERIFY(!(Stamped == Before));
        QVERIFY(LossTimersRunning);
        QCOMPARE(State, LifeOsc::osAliveStarting);
    }
};

QTEST_MAIN(HeartBeatMonitorTest)
#include "heart_beat_monitor_test.moc"
