// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "tickpacer.h"
#include "stopwatch.h"
#include "timedisplay.h"
#include "timeformat.h"

#include <QElapsedTimer>

#include <QHBoxLayout>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

class TickPacerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void frameInterval_data();
    void frameInterval();
    void ticksOnlyWhileSeen();
    void minimizedWindowGetsNoTicks();
    void laterWindowHandleIsFollowed();
    void displayShowsTheKeptTimeAfterEachChange_data();
    void displayShowsTheKeptTimeAfterEachChange();
    void framesPaceAFineTime();
    void framesFollowOnlyARunningFineTime_data();
    void framesFollowOnlyARunningFineTime();
};

namespace
{
// A window with a display child, and a running stopwatch paced by it.
struct PacedWindow {
    PacedWindow()
        : display(new QWidget(&window))
    {
        auto layout = new QHBoxLayout(&window);
        layout->addWidget(display);
        window.resize(200, 100);
        stopwatch.setGranularity(1);
    }

    QWidget window;
    QWidget *display;
    Stopwatch stopwatch;
};
}

void TickPacerTest::frameInterval_data()
{
    QTest::addColumn<qreal>("rate");
    QTest::addColumn<int>("interval");

    QTest::newRow("60 Hz") << 60.0 << 17;
    QTest::newRow("59.94 Hz") << 59.94 << 17;
    QTest::newRow("75 Hz") << 75.0 << 14;
    QTest::newRow("144 Hz") << 144.0 << 7;
    QTest::newRow("1000 Hz") << 1000.0 << 1;
    QTest::newRow("unknown") << 0.0 << 17;
    QTest::newRow("nonsense") << -3.0 << 17;
}

void TickPacerTest::frameInterval()
{
    QFETCH(qreal, rate);
    QFETCH(int, interval);
    QCOMPARE(TickPacer::frameInterval(rate), interval);
}

void TickPacerTest::ticksOnlyWhileSeen()
{
    PacedWindow paced;
    TickPacer pacer(&paced.stopwatch, paced.display);

    // Not shown yet: running, but silent.
    paced.stopwatch.start();
    QVERIFY(paced.stopwatch.ticksSuspended());
    QVERIFY(!paced.stopwatch.isTicking());

    QSignalSpy times(&paced.stopwatch, &Stopwatch::time);
    paced.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&paced.window));
    QVERIFY(!paced.stopwatch.ticksSuspended());
    QVERIFY(!times.isEmpty());
    QVERIFY(times.wait());
    const qreal rate = paced.window.windowHandle()->screen()->refreshRate();
    QCOMPARE(paced.stopwatch.minimumInterval(), TickPacer::frameInterval(rate));
    QVERIFY(paced.stopwatch.tickInterval() >= 1000 / std::max(rate, 1.0));

    paced.window.hide();
    QVERIFY(paced.stopwatch.ticksSuspended());
    QVERIFY(!paced.stopwatch.isTicking());
    times.clear();
    QVERIFY(!times.wait(100));

    // Shown again, it announces the time at once, without waiting for a tick.
    paced.window.show();
    QTRY_VERIFY(!paced.stopwatch.ticksSuspended());
    QVERIFY(!times.isEmpty());
    QVERIFY(times.constFirst().constFirst().toInt() >= 100);
}

void TickPacerTest::minimizedWindowGetsNoTicks()
{
    PacedWindow paced;
    TickPacer pacer(&paced.stopwatch, paced.display);
    paced.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&paced.window));
    paced.stopwatch.start();
    QVERIFY(paced.stopwatch.isTicking());

    paced.window.showMinimized();
    QTRY_VERIFY(paced.stopwatch.ticksSuspended());
    QVERIFY(!paced.stopwatch.isTicking());

    paced.window.showNormal();
    QTRY_VERIFY(!paced.stopwatch.ticksSuspended());
    QVERIFY(paced.stopwatch.isTicking());
}

// The pacer may be made before the window has a native window.
void TickPacerTest::laterWindowHandleIsFollowed()
{
    PacedWindow paced;
    TickPacer pacer(&paced.stopwatch, paced.display);
    QVERIFY(!paced.window.windowHandle());
    paced.stopwatch.start();

    paced.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&paced.window));
    QVERIFY(paced.stopwatch.isTicking());

    // A display moved into another window follows that one.
    QWidget other;
    other.resize(100, 100);
    paced.display->setParent(&other);
    paced.display->show();
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    paced.window.hide();
    QTRY_VERIFY(paced.stopwatch.isTicking());
    other.hide();
    QVERIFY(!paced.stopwatch.isTicking());
}

void TickPacerTest::displayShowsTheKeptTimeAfterEachChange_data()
{
    QTest::addColumn<QString>("change");

    QTest::newRow("pause") << u"pause"_s;
    QTest::newRow("lap") << u"lap"_s;
    QTest::newRow("pause while hidden") << u"hidden pause"_s;
}

// The digits come from the last tick, which may be up to a frame old; after a change the
// display, its copy and its accessible name must hold the time the stopwatch keeps.
void TickPacerTest::displayShowsTheKeptTimeAfterEachChange()
{
    QFETCH(QString, change);

    QWidget window;
    auto layout = new QHBoxLayout(&window);
    auto display = new TimeDisplay(&window);
    layout->addWidget(display);
    TimeFormat format(false, true, TimeFormat::UpToHundredths);
    format.setDividers(false);
    display->setTimeFormat(format);
    Stopwatch stopwatch;
    QObject::connect(&stopwatch, &Stopwatch::time, display, &TimeDisplay::setTime);
    // A tick a second: none comes between start and change, as a late frame would not.
    stopwatch.setGranularity(1000);
    TickPacer pacer(&stopwatch, display);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QSignalSpy laps(&stopwatch, &Stopwatch::lap);
    stopwatch.start();
    QElapsedTimer span;
    span.start();
    QTRY_VERIFY(span.elapsed() >= 25);
    int kept = 0;
    if (change == u"lap") {
        stopwatch.storeLap();
        QCOMPARE(laps.size(), 1);
        kept = laps.constFirst().constFirst().toInt();
    } else {
        if (change == u"hidden pause") {
            window.hide();
            QVERIFY(stopwatch.ticksSuspended());
        }
        stopwatch.pause();
        kept = stopwatch.accumulatedTime();
    }
    QVERIFY(kept >= 25);
    QCOMPARE(display->time(), kept);
    // What Copy and the command line hand out, as a display given that time afresh shows it.
    TimeDisplay fresh;
    fresh.setTimeFormat(format);
    fresh.setTime(kept);
    QCOMPARE(display->currentTime(), fresh.currentTime());
}

namespace
{
class PaintCounter : public QWidget
{
public:
    using QWidget::QWidget;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *) override
    {
        ++paints;
    }
};
}

// Following the window's update requests: one tick a frame at most, even where the platform
// answers a request at once, and nothing repainted that the tick did not change.
void TickPacerTest::framesPaceAFineTime()
{
    QWidget window;
    auto layout = new QHBoxLayout(&window);
    auto display = new TimeDisplay(&window);
    auto bystander = new PaintCounter(&window);
    bystander->setMinimumSize(40, 40);
    layout->addWidget(display);
    layout->addWidget(bystander);
    TimeFormat format(false, true, TimeFormat::UpToHundredths);
    display->setTimeFormat(format);
    Stopwatch stopwatch;
    stopwatch.setGranularity(10);
    QObject::connect(&stopwatch, &Stopwatch::time, display, &TimeDisplay::setTime);
    TickPacer pacer(&stopwatch, display);
    pacer.setFollowsFrameClock(true);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(bystander->paints > 0);

    QSignalSpy times(&stopwatch, &Stopwatch::time);
    QElapsedTimer span;
    stopwatch.start();
    span.start();
    QVERIFY(pacer.isFollowingFrames());
    QVERIFY(!stopwatch.isTicking());
    const int paintsBefore = bystander->paints;
    QTRY_VERIFY(times.size() >= 10);
    const qint64 elapsed = span.elapsed();
    // Each tick waits at least half a frame for the one before; a busy loop would exceed it
    // many times over.
    const int interval = stopwatch.minimumInterval();
    QVERIFY2(times.size() <= elapsed / (interval / 2) + 2, qPrintable(u"%1 ticks in %2 ms"_s.arg(times.size()).arg(elapsed)));
    QCOMPARE(bystander->paints, paintsBefore);
    QCOMPARE(display->time(), times.constLast().constFirst().toInt());

    // A platform that answers every request at once, as a compositor that does not pace
    // its clients would.
    times.clear();
    span.restart();
    for (int i = 0; i < 200; ++i) {
        QEvent request(QEvent::UpdateRequest);
        QCoreApplication::sendEvent(window.windowHandle(), &request);
        QCoreApplication::processEvents();
    }
    QVERIFY2(times.size() <= span.elapsed() / (interval / 2) + 2, qPrintable(u"%1 ticks in %2 ms"_s.arg(times.size()).arg(span.elapsed())));
    QTRY_VERIFY(times.size() >= 2);
}

void TickPacerTest::framesFollowOnlyARunningFineTime_data()
{
    QTest::addColumn<int>("granularity");
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("following");
    QTest::addColumn<bool>("ownTimer");

    QTest::newRow("hundredths, running") << 10 << QString() << true << false;
    QTest::newRow("seconds, running") << 1000 << QString() << false << true;
    QTest::newRow("hundredths, then seconds") << 10 << u"coarser"_s << false << true;
    QTest::newRow("seconds, then milliseconds") << 1000 << u"finer"_s << true << false;
    QTest::newRow("paused") << 10 << u"pause"_s << false << false;
    QTest::newRow("hidden") << 10 << u"hide"_s << false << false;
}

void TickPacerTest::framesFollowOnlyARunningFineTime()
{
    QFETCH(int, granularity);
    QFETCH(QString, change);
    QFETCH(bool, following);
    QFETCH(bool, ownTimer);

    PacedWindow paced;
    paced.stopwatch.setGranularity(granularity);
    TickPacer pacer(&paced.stopwatch, paced.display);
    pacer.setFollowsFrameClock(true);
    paced.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&paced.window));
    paced.stopwatch.start();

    QSignalSpy times(&paced.stopwatch, &Stopwatch::time);
    if (change == u"coarser") {
        paced.stopwatch.setGranularity(1000);
    } else if (change == u"finer") {
        paced.stopwatch.setGranularity(1);
    } else if (change == u"pause") {
        paced.stopwatch.pause();
    } else if (change == u"hide") {
        paced.window.hide();
    }
    QCOMPARE(pacer.isFollowingFrames(), following);
    QCOMPARE(paced.stopwatch.isTicking(), ownTimer);
    if (following) {
        QVERIFY(times.wait());
    } else if (!ownTimer) {
        times.clear();
        QVERIFY(!times.wait(100));
    }
}

QTEST_MAIN(TickPacerTest)

#include "tickpacertest.moc"
