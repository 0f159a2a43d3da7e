// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "stopwatch.h"

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimerEvent>

#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace
{
// Records the stopwatch's signals by name, in the order they arrive.
class SignalLog : public QObject
{
public:
    explicit SignalLog(Stopwatch *stopwatch)
    {
        connect(stopwatch, &Stopwatch::running, this, [this] {
            entries << u"running"_s;
        });
        connect(stopwatch, &Stopwatch::paused, this, [this] {
            entries << u"paused"_s;
        });
        connect(stopwatch, &Stopwatch::inactive, this, [this] {
            entries << u"inactive"_s;
        });
        connect(stopwatch, &Stopwatch::lap, this, [this](int t) {
            entries << u"lap "_s + QString::number(t);
        });
        connect(stopwatch, &Stopwatch::time, this, [this](int t) {
            entries << u"time "_s + QString::number(t);
        });
    }
    QStringList entries;
};

int registeredTimers(QObject *object)
{
    return QAbstractEventDispatcher::instance()->registeredTimers(object).size();
}

int timerInterval(QObject *object)
{
    const auto timers = QAbstractEventDispatcher::instance()->registeredTimers(object);
    return timers.size() == 1 ? timers.first().interval : -1;
}

// Brings a stopwatch into a state through the public slots; "paused 1500" presets a
// paused time with initialize().
void bringInto(Stopwatch &stopwatch, const QString &state)
{
    if (state == u"running") {
        stopwatch.start();
    } else if (state == u"paused") {
        stopwatch.start();
        stopwatch.pause();
    } else if (state == u"paused 1500") {
        QVERIFY(stopwatch.initialize(1500));
    }
}
}

class StopwatchTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initialState();
    void transitions_data();
    void transitions();
    void initialize_data();
    void initialize();
    void initializedTimeContinuesOnStart();
    void resetAnnouncesZeroBeforeLeavingState();
    void settlingAnnouncesTheExactTime();
    void resetHandlesNoEventsAndRetiresTheTimer();
    void ticksFollowTheClock();
    void pauseKeepsTheSpanAndStopsTickingLazily();
    void lapsWhilePausedAreExact();
    void lapPastOneDayKeepsTheDay();
    void adjust_data();
    void adjust();
    void adjustWhileRunningIsUndoneExactly();
    void granularity_data();
    void granularity();
    void tickFromOutsideAnnouncesOnlyARunningTime();
    void foreignTimerEventsAreLeftToTheBase();
    void quickPauseResumeKeepsOneTimer();
    void minimumIntervalHoldsTheTicks_data();
    void minimumIntervalHoldsTheTicks();
    void suspendedTicksLeaveTheClockRunning();
    void liftingTheSuspensionAnnouncesTheExactTime_data();
    void liftingTheSuspensionAnnouncesTheExactTime();
    void runningTimeStopsAtTheLimit_data();
    void runningTimeStopsAtTheLimit();
};

void StopwatchTest::initialState()
{
    Stopwatch stopwatch;
    QVERIFY(stopwatch.isInactive());
    QVERIFY(!stopwatch.isRunning());
    QVERIFY(!stopwatch.isPaused());
    QVERIFY(!stopwatch.isTicking());
    QCOMPARE(stopwatch.accumulatedTime(), 0);
    QCOMPARE(stopwatch.granularity(), 10);
    QCOMPARE(registeredTimers(&stopwatch), 0);
}

void StopwatchTest::transitions_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("call");
    QTest::addColumn<QStringList>("signalsEmitted");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("accumulated");

    const QStringList running{u"running"_s};
    const QStringList inactive{u"time 0"_s, u"inactive"_s};

    QTest::newRow("inactive start") << u"inactive"_s << u"start"_s << running << int(Stopwatch::Running) << 0;
    QTest::newRow("inactive pause") << u"inactive"_s << u"pause"_s << QStringList{u"time 0"_s, u"paused"_s} << int(Stopwatch::Paused) << 0;
    QTest::newRow("inactive reset") << u"inactive"_s << u"reset"_s << inactive << int(Stopwatch::Inactive) << 0;
    QTest::newRow("inactive lap") << u"inactive"_s << u"lap"_s << QStringList{u"time 0"_s, u"lap 0"_s} << int(Stopwatch::Inactive) << 0;
    QTest::newRow("running start") << u"running"_s << u"start"_s << running << int(Stopwatch::Running) << 0;
    QTest::newRow("running reset") << u"running"_s << u"reset"_s << inactive << int(Stopwatch::Inactive) << 0;
    QTest::newRow("paused start") << u"paused 1500"_s << u"start"_s << running << int(Stopwatch::Running) << 1500;
    QTest::newRow("paused pause") << u"paused 1500"_s << u"pause"_s << QStringList{u"time 1500"_s, u"paused"_s} << int(Stopwatch::Paused) << 1500;
    QTest::newRow("paused reset") << u"paused 1500"_s << u"reset"_s << inactive << int(Stopwatch::Inactive) << 0;
    QTest::newRow("paused lap") << u"paused 1500"_s << u"lap"_s << QStringList{u"time 1500"_s, u"lap 1500"_s} << int(Stopwatch::Paused) << 1500;
}

void StopwatchTest::transitions()
{
    QFETCH(QString, from);
    QFETCH(QString, call);
    QFETCH(QStringList, signalsEmitted);
    QFETCH(int, state);
    QFETCH(int, accumulated);

    Stopwatch stopwatch;
    bringInto(stopwatch, from);
    SignalLog log(&stopwatch);

    if (call == u"start") {
        stopwatch.start();
    } else if (call == u"pause") {
        stopwatch.pause();
    } else if (call == u"reset") {
        stopwatch.reset();
    } else {
        stopwatch.storeLap();
    }

    QCOMPARE(log.entries, signalsEmitted);
    QCOMPARE(stopwatch.isInactive(), state == Stopwatch::Inactive);
    QCOMPARE(stopwatch.isRunning(), state == Stopwatch::Running);
    QCOMPARE(stopwatch.isPaused(), state == Stopwatch::Paused);
    QCOMPARE(stopwatch.accumulatedTime(), accumulated);
}

void StopwatchTest::initialize_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("ms");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("inactive positive") << u"inactive"_s << 61234 << true;
    QTest::newRow("inactive one") << u"inactive"_s << 1 << true;
    QTest::newRow("inactive zero") << u"inactive"_s << 0 << false;
    QTest::newRow("inactive negative") << u"inactive"_s << -5 << false;
    QTest::newRow("running") << u"running"_s << 5000 << false;
    QTest::newRow("paused") << u"paused"_s << 5000 << false;
    QTest::newRow("initialized") << u"paused 1500"_s << 5000 << false;
}

void StopwatchTest::initialize()
{
    QFETCH(QString, from);
    QFETCH(int, ms);
    QFETCH(bool, accepted);

    Stopwatch stopwatch;
    bringInto(stopwatch, from);
    const bool wasRunning = stopwatch.isRunning();
    const int accumulatedBefore = stopwatch.accumulatedTime();
    SignalLog log(&stopwatch);

    QCOMPARE(stopwatch.initialize(ms), accepted);
    if (accepted) {
        QCOMPARE(log.entries, QStringList{u"time "_s + QString::number(ms)});
        QVERIFY(stopwatch.isPaused());
        QCOMPARE(stopwatch.accumulatedTime(), ms);
    } else {
        QCOMPARE(log.entries, QStringList());
        QCOMPARE(stopwatch.isRunning(), wasRunning);
        QCOMPARE(stopwatch.accumulatedTime(), accumulatedBefore);
    }
}

void StopwatchTest::initializedTimeContinuesOnStart()
{
    Stopwatch stopwatch;
    QVERIFY(stopwatch.initialize(5000));
    QSignalSpy ticks(&stopwatch, &Stopwatch::time);
    stopwatch.start();
    QVERIFY(ticks.wait(5000));
    QVERIFY(ticks.last().at(0).toInt() >= 5000);
    stopwatch.pause();
    QVERIFY(stopwatch.accumulatedTime() >= 5000);
}

void StopwatchTest::resetAnnouncesZeroBeforeLeavingState()
{
    Stopwatch stopwatch;
    QVERIFY(stopwatch.initialize(2000));
    bool seen = false;
    connect(&stopwatch, &Stopwatch::time, this, [&](int t) {
        seen = true;
        QCOMPARE(t, 0);
        QVERIFY(!stopwatch.isInactive());
        QCOMPARE(stopwatch.accumulatedTime(), 0);
    });
    stopwatch.reset();
    QVERIFY(seen);
    QVERIFY(stopwatch.isInactive());
}

// Ticks are paced to the screen, so the last one can be a frame older than the moment of a
// pause or a lap; what the listeners show must still be the time kept.
void StopwatchTest::settlingAnnouncesTheExactTime()
{
    Stopwatch stopwatch;
    // One tick a second: none comes between the start and the pause, so every time seen is
    // one announced by the change itself.
    stopwatch.setGranularity(1000);
    SignalLog log(&stopwatch);
    stopwatch.start();
    QElapsedTimer span;
    span.start();
    QTRY_VERIFY(span.elapsed() >= 15);

    stopwatch.storeLap();
    QCOMPARE(log.entries.size(), 3);
    const QString lapEntry = log.entries.at(2);
    QVERIFY(lapEntry.startsWith(u"lap "_s));
    const int lapTime = lapEntry.mid(4).toInt();
    QVERIFY(lapTime >= 15);
    QCOMPARE(log.entries.at(1), u"time "_s + QString::number(lapTime));

    QTRY_VERIFY(span.elapsed() >= 30);
    log.entries.clear();
    stopwatch.pause();
    QCOMPARE(log.entries, (QStringList{u"time "_s + QString::number(stopwatch.accumulatedTime()), u"paused"_s}));
    QVERIFY(stopwatch.accumulatedTime() >= 30);
}

// A start that arrives while a reset is under way (another process, a global shortcut, a
// queued key) must come after it, not run inside it and be overruled.
void StopwatchTest::resetHandlesNoEventsAndRetiresTheTimer()
{
    Stopwatch stopwatch;
    stopwatch.setGranularity(1000);
    stopwatch.start();
    QVERIFY(stopwatch.isTicking());

    QMetaObject::invokeMethod(&stopwatch, &Stopwatch::start, Qt::QueuedConnection);
    SignalLog log(&stopwatch);
    stopwatch.reset();
    QCOMPARE(log.entries, (QStringList{u"time 0"_s, u"inactive"_s}));
    QVERIFY(stopwatch.isInactive());
    QCOMPARE(stopwatch.currentTime(), 0);
    // No tick is left to announce a stale time after the zero.
    QVERIFY(!stopwatch.isTicking());
    QCOMPARE(registeredTimers(&stopwatch), 0);

    QTRY_VERIFY(stopwatch.isRunning());
    QCOMPARE(log.entries, (QStringList{u"time 0"_s, u"inactive"_s, u"running"_s}));
    QVERIFY(stopwatch.isTicking());
    QElapsedTimer span;
    span.start();
    QTRY_VERIFY(span.elapsed() >= 10);
    QVERIFY(stopwatch.currentTime() >= 10);
}

void StopwatchTest::ticksFollowTheClock()
{
    Stopwatch stopwatch;
    QElapsedTimer before;
    before.start();
    QSignalSpy ticks(&stopwatch, &Stopwatch::time);
    stopwatch.start();
    QElapsedTimer after;
    after.start();

    QTRY_VERIFY_WITH_TIMEOUT(ticks.size() >= 5, 10000);
    for (int i = 1; i < ticks.size(); ++i) {
        QVERIFY(ticks.at(i).at(0).toInt() >= ticks.at(i - 1).at(0).toInt());
    }
    QTRY_VERIFY(after.elapsed() >= 120);
    const qint64 lowerBound = after.elapsed();
    stopwatch.pause();
    const qint64 upperBound = before.elapsed();
    // The stopwatch's span lies between the two reference clocks, so its sum does too.
    QVERIFY2(stopwatch.accumulatedTime() >= lowerBound, qPrintable(QString::number(stopwatch.accumulatedTime())));
    QVERIFY2(stopwatch.accumulatedTime() <= upperBound, qPrintable(QString::number(stopwatch.accumulatedTime())));
}

void StopwatchTest::pauseKeepsTheSpanAndStopsTickingLazily()
{
    Stopwatch stopwatch;
    stopwatch.start();
    QElapsedTimer span;
    span.start();
    QTRY_VERIFY(span.elapsed() >= 40);
    stopwatch.pause();
    const int first = stopwatch.accumulatedTime();
    QVERIFY(first >= 40);

    // The timer is retired by its own next tick, which then announces nothing.
    QSignalSpy ticks(&stopwatch, &Stopwatch::time);
    QTRY_VERIFY(!stopwatch.isTicking());
    QCOMPARE(ticks.size(), 0);
    QCOMPARE(registeredTimers(&stopwatch), 0);

    stopwatch.start();
    QVERIFY(stopwatch.isTicking());
    span.restart();
    QTRY_VERIFY(span.elapsed() >= 30);
    stopwatch.pause();
    QVERIFY(stopwatch.accumulatedTime() >= first + 30);

    const int held = stopwatch.accumulatedTime();
    stopwatch.pause();
    QCOMPARE(stopwatch.accumulatedTime(), held);
}

void StopwatchTest::lapsWhilePausedAreExact()
{
    Stopwatch stopwatch;
    QSignalSpy laps(&stopwatch, &Stopwatch::lap);
    stopwatch.start();
    QElapsedTimer span;
    span.start();
    QTRY_VERIFY(span.elapsed() >= 25);
    stopwatch.storeLap();
    QCOMPARE(laps.size(), 1);
    QVERIFY(laps.last().at(0).toInt() >= 25);
    QVERIFY(stopwatch.isRunning());

    stopwatch.pause();
    stopwatch.storeLap();
    QCOMPARE(laps.last().at(0).toInt(), stopwatch.accumulatedTime());
}

void StopwatchTest::adjust_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("amount");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("time");

    QTest::newRow("add") << u"paused 1500"_s << 60'000 << true << 61'500;
    QTest::newRow("subtract") << u"paused 1500"_s << -1'000 << true << 500;
    QTest::newRow("subtract everything") << u"paused 1500"_s << -1'500 << true << 0;
    QTest::newRow("below zero") << u"paused 1500"_s << -1'501 << false << 1'500;
    QTest::newRow("past the largest time") << u"paused 1500"_s << std::numeric_limits<int>::max() << false << 1'500;
    QTest::newRow("inactive") << QString() << 1'000 << false << 0;
}

void StopwatchTest::adjust()
{
    QFETCH(QString, state);
    QFETCH(int, amount);
    QFETCH(bool, accepted);
    QFETCH(int, time);

    Stopwatch stopwatch;
    bringInto(stopwatch, state);
    QSignalSpy times(&stopwatch, &Stopwatch::time);
    QSignalSpy adjusted(&stopwatch, &Stopwatch::adjusted);
    QSignalSpy paused(&stopwatch, &Stopwatch::paused);

    QCOMPARE(stopwatch.adjust(amount), accepted);
    QCOMPARE(stopwatch.currentTime(), time);
    QCOMPARE(adjusted.count(), accepted ? 1 : 0);
    QCOMPARE(times.count(), accepted ? 1 : 0);
    if (accepted) {
        QCOMPARE(adjusted.first().first().toInt(), amount);
        QCOMPARE(times.first().first().toInt(), time);
    }
    // No state change: the run goes on as it was.
    QCOMPARE(paused.count(), 0);
    QCOMPARE(stopwatch.isInactive(), state.isEmpty());
}

void StopwatchTest::adjustWhileRunningIsUndoneExactly()
{
    Stopwatch stopwatch;
    stopwatch.start();
    QTRY_VERIFY(stopwatch.currentTime() >= 5);
    // Far below the time it has run: the kept time goes negative while the clock runs on.
    QVERIFY(stopwatch.adjust(-stopwatch.currentTime()));
    QVERIFY(stopwatch.accumulatedTime() < 0);
    QVERIFY(stopwatch.currentTime() >= 0);
    QVERIFY(!stopwatch.adjust(-stopwatch.currentTime() - 10'000));
    QVERIFY(stopwatch.adjust(3'600'000));
    stopwatch.pause();
    const int paused = stopwatch.currentTime();
    QVERIFY(paused >= 3'600'000);
    QVERIFY(stopwatch.adjust(-3'600'000));
    QVERIFY(stopwatch.adjust(3'600'000));
    QCOMPARE(stopwatch.currentTime(), paused);
    stopwatch.start();
    QVERIFY(stopwatch.currentTime() >= paused);
}

void StopwatchTest::lapPastOneDayKeepsTheDay()
{
    Stopwatch stopwatch;
    QSignalSpy laps(&stopwatch, &Stopwatch::lap);
    QVERIFY(stopwatch.initialize(24 * 3600 * 1000 + 61005));
    stopwatch.storeLap();
    QCOMPARE(laps.last().at(0).toInt(), 24 * 3600 * 1000 + 61'005);
}

void StopwatchTest::granularity_data()
{
    QTest::addColumn<int>("requested");
    QTest::addColumn<int>("expected");

    QTest::newRow("1000") << 1000 << 1000;
    QTest::newRow("100") << 100 << 100;
    QTest::newRow("1") << 1 << 1;
    QTest::newRow("zero is refused") << 0 << 10;
    QTest::newRow("negative is refused") << -100 << 10;
}

void StopwatchTest::granularity()
{
    QFETCH(int, requested);
    QFETCH(int, expected);

    // While idle the value is only stored.
    Stopwatch idle;
    idle.setGranularity(requested);
    QCOMPARE(idle.granularity(), expected);
    QCOMPARE(registeredTimers(&idle), 0);
    idle.start();
    QCOMPARE(timerInterval(&idle), expected);

    // While running the tick timer follows at once.
    Stopwatch running;
    running.start();
    QCOMPARE(timerInterval(&running), 10);
    running.setGranularity(requested);
    QCOMPARE(running.granularity(), expected);
    QCOMPARE(timerInterval(&running), expected);
    QVERIFY(running.isTicking());

    // Listeners hear of a new granularity once, and of a refused or repeated one never.
    Stopwatch announced;
    QSignalSpy changes(&announced, &Stopwatch::granularityChanged);
    announced.setGranularity(requested);
    announced.setGranularity(requested);
    QCOMPARE(changes.size(), expected == 10 ? 0 : 1);
}

// Ticks paced from outside announce the running time, and nothing while it stands still.
void StopwatchTest::tickFromOutsideAnnouncesOnlyARunningTime()
{
    Stopwatch stopwatch;
    stopwatch.setTicksSuspended(true);
    QSignalSpy times(&stopwatch, &Stopwatch::time);
    stopwatch.tick();
    QVERIFY(times.isEmpty());

    stopwatch.start();
    QTRY_VERIFY(stopwatch.currentTime() >= 5);
    stopwatch.tick();
    QCOMPARE(times.size(), 1);
    QVERIFY(times.constLast().constFirst().toInt() >= 5);
    QVERIFY(!stopwatch.isTicking());

    stopwatch.pause();
    times.clear();
    stopwatch.tick();
    QVERIFY(times.isEmpty());
}

void StopwatchTest::foreignTimerEventsAreLeftToTheBase()
{
    Stopwatch stopwatch;
    stopwatch.setGranularity(1000);
    stopwatch.start();
    SignalLog log(&stopwatch);
    QTimerEvent foreign(0x7ffff);
    QCoreApplication::sendEvent(&stopwatch, &foreign);
    QCOMPARE(log.entries, QStringList());
    QVERIFY(stopwatch.isTicking());
    QVERIFY(stopwatch.isRunning());
}

void StopwatchTest::quickPauseResumeKeepsOneTimer()
{
    Stopwatch stopwatch;
    stopwatch.setGranularity(1000);
    for (int i = 0; i < 5; ++i) {
        stopwatch.start();
        stopwatch.pause();
    }
    stopwatch.start();
    QCOMPARE(registeredTimers(&stopwatch), 1);
    QCOMPARE(timerInterval(&stopwatch), 1000);
}

void StopwatchTest::minimumIntervalHoldsTheTicks_data()
{
    QTest::addColumn<int>("granularity");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("interval");

    QTest::newRow("milliseconds at 60 Hz") << 1 << 17 << 17;
    QTest::newRow("hundredths at 60 Hz") << 10 << 17 << 17;
    QTest::newRow("tenths at 60 Hz") << 100 << 17 << 100;
    QTest::newRow("hundredths at 144 Hz") << 10 << 7 << 10;
    QTest::newRow("no limit") << 1 << 0 << 1;
    QTest::newRow("negative limit") << 10 << -5 << 10;
}

void StopwatchTest::minimumIntervalHoldsTheTicks()
{
    QFETCH(int, granularity);
    QFETCH(int, minimum);
    QFETCH(int, interval);

    // Set before and while running: both reach the timer, and the granularity is kept.
    Stopwatch before;
    before.setGranularity(granularity);
    before.setMinimumInterval(minimum);
    before.start();
    Stopwatch during;
    during.setGranularity(granularity);
    during.start();
    during.setMinimumInterval(minimum);

    for (Stopwatch *stopwatch : {&before, &during}) {
        QCOMPARE(stopwatch->granularity(), granularity);
        QCOMPARE(stopwatch->tickInterval(), interval);
        QCOMPARE(registeredTimers(stopwatch), 1);
        QCOMPARE(timerInterval(stopwatch), interval);
    }

    // Lifting the limit goes back to the granularity.
    during.setMinimumInterval(0);
    QCOMPARE(timerInterval(&during), granularity);
}

void StopwatchTest::suspendedTicksLeaveTheClockRunning()
{
    Stopwatch stopwatch;
    stopwatch.setGranularity(1);
    stopwatch.setTicksSuspended(true);
    stopwatch.start();
    QVERIFY(stopwatch.isRunning());
    QVERIFY(!stopwatch.isTicking());

    QSignalSpy times(&stopwatch, &Stopwatch::time);
    QElapsedTimer span;
    span.start();
    QVERIFY(!times.wait(100));

    // Laps read the clock, not the ticks.
    QSignalSpy laps(&stopwatch, &Stopwatch::lap);
    stopwatch.storeLap();
    QCOMPARE(laps.count(), 1);
    QVERIFY(laps.at(0).at(0).toInt() >= 100);
    QVERIFY(laps.at(0).at(0).toInt() <= span.elapsed());

    // Suspending a ticking stopwatch retires its timer at once.
    stopwatch.setTicksSuspended(false);
    QVERIFY(stopwatch.isTicking());
    stopwatch.setTicksSuspended(true);
    QCOMPARE(registeredTimers(&stopwatch), 0);

    // A reset is announced as ever.
    times.clear();
    stopwatch.reset();
    QCOMPARE(times.count(), 1);
    QCOMPARE(times.at(0).at(0).toInt(), 0);
}

void StopwatchTest::liftingTheSuspensionAnnouncesTheExactTime_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("announces");
    QTest::addColumn<bool>("ticking");

    QTest::newRow("running") << u"running"_s << true << true;
    QTest::newRow("paused meanwhile") << u"paused"_s << true << false;
    QTest::newRow("opened session") << u"paused 1500"_s << true << false;
    QTest::newRow("inactive") << u"inactive"_s << false << false;
}

void StopwatchTest::liftingTheSuspensionAnnouncesTheExactTime()
{
    QFETCH(QString, state);
    QFETCH(bool, announces);
    QFETCH(bool, ticking);

    Stopwatch stopwatch;
    stopwatch.setGranularity(1000);
    stopwatch.setTicksSuspended(true);
    bringInto(stopwatch, state);
    QTest::qWait(20);
    if (state == u"paused") {
        stopwatch.start();
        QTest::qWait(20);
        stopwatch.pause();
    }

    SignalLog log(&stopwatch);
    stopwatch.setTicksSuspended(false);
    QCOMPARE(stopwatch.isTicking(), ticking);
    if (!announces) {
        QCOMPARE(log.entries, QStringList());
        return;
    }
    QCOMPARE(log.entries.size(), 1);
    const int shown = log.entries.constFirst().mid(5).toInt();
    if (stopwatch.isPaused()) {
        // Not the last tick before the pause (there was none), but the time itself.
        QCOMPARE(shown, stopwatch.accumulatedTime());
    } else {
        QVERIFY(shown >= 20);
    }

    // Lifting it twice announces nothing more.
    stopwatch.setTicksSuspended(false);
    QCOMPARE(log.entries.size(), 1);
}

void StopwatchTest::runningTimeStopsAtTheLimit_data()
{
    QTest::addColumn<QString>("way");

    QTest::newRow("ticking") << u"ticking"_s;
    // Nobody sees the ticks, the limit holds all the same.
    QTest::newRow("ticks suspended") << u"suspended"_s;
    QTest::newRow("adjusted close to it while running") << u"adjusted"_s;
}

void StopwatchTest::runningTimeStopsAtTheLimit()
{
    QFETCH(QString, way);

    Stopwatch stopwatch;
    SignalLog log(&stopwatch);
    QSignalSpy limit(&stopwatch, &Stopwatch::limitReached);
    if (way == "suspended"_L1) {
        stopwatch.setTicksSuspended(true);
    }
    if (way == "ticking"_L1 || way == "suspended"_L1) {
        QVERIFY(stopwatch.initialize(Stopwatch::MaximumTime - 30));
        stopwatch.start();
    } else {
        QVERIFY(stopwatch.initialize(1000));
        stopwatch.start();
        QVERIFY(stopwatch.adjust(Stopwatch::MaximumTime - stopwatch.currentTime() - 200));
    }
    QVERIFY(limit.wait());
    QCOMPARE(limit.count(), 1);
    QVERIFY(stopwatch.isPaused());
    QCOMPARE(stopwatch.currentTime(), Stopwatch::MaximumTime);
    // Told as a pause at the limit, the time settled before the state.
    const qsizetype paused = log.entries.lastIndexOf(u"paused"_s);
    QVERIFY(paused > 0);
    QCOMPARE(log.entries.at(paused - 1), u"time %1"_s.arg(Stopwatch::MaximumTime));

    // A lap there is taken at the limit, not wrapped round.
    QSignalSpy laps(&stopwatch, &Stopwatch::lap);
    stopwatch.storeLap();
    QCOMPARE(laps.last().at(0).toInt(), Stopwatch::MaximumTime);

    // Nothing is left to run; moved back, it runs again.
    stopwatch.start();
    QCOMPARE(limit.count(), 2);
    QVERIFY(stopwatch.isPaused());
    QVERIFY(stopwatch.adjust(-60'000));
    stopwatch.start();
    QVERIFY(stopwatch.isRunning());
    QVERIFY(stopwatch.currentTime() < Stopwatch::MaximumTime);
}

QTEST_GUILESS_MAIN(StopwatchTest)

#include "stopwatchtest.moc"
