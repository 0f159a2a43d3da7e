// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "runninglap.h"
#include "lapmodel.h"
#include "stopwatch.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class RunningLapTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void followsTheLaps_data();
    void followsTheLaps();
    void onlyARunHasALap();
    void ticksAreNoChange();
};

namespace
{
int at(int milliseconds)
{
    return milliseconds;
}
}

void RunningLapTest::followsTheLaps_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("start");

    // Laps at 1 s, 3 s and 6 s before each edit.
    QTest::newRow("as taken") << u"none"_s << 4 << 6000;
    QTest::newRow("last lap undone") << u"remove last"_s << 3 << 3000;
    QTest::newRow("middle lap deleted") << u"remove middle"_s << 3 << 6000;
    QTest::newRow("lap put back") << u"insert"_s << 5 << 6000;
    QTest::newRow("times moved later") << u"shift +1500"_s << 4 << 7500;
    QTest::newRow("times moved earlier") << u"shift -1000"_s << 4 << 5000;
    QTest::newRow("laps cleared") << u"clear"_s << 1 << 0;
}

void RunningLapTest::followsTheLaps()
{
    QFETCH(QString, edit);
    QFETCH(int, number);
    QFETCH(int, start);

    Stopwatch stopwatch;
    LapModel laps;
    stopwatch.initialize(8000);
    RunningLap running(&stopwatch, &laps);
    for (int time : {1000, 3000, 6000}) {
        laps.addLap(at(time));
    }
    QCOMPARE(running.number(), 4);
    QCOMPARE(running.start(), 6000);

    QSignalSpy changed(&running, &RunningLap::changed);
    if (edit == u"remove last") {
        laps.removeLap(2);
    } else if (edit == u"remove middle") {
        laps.removeLap(1);
    } else if (edit == u"insert") {
        laps.insertLap(1, Lap(at(2000)));
    } else if (edit.startsWith(u"shift ")) {
        laps.shiftTimes(edit.mid(6).toInt());
    } else if (edit == u"clear") {
        laps.clear();
    }

    QCOMPARE(running.number(), number);
    QCOMPARE(running.start(), start);
    QCOMPARE(running.elapsed(8000), 8000 - start);
    QCOMPARE(changed.count(), edit == u"none" ? 0 : 1);
}

void RunningLapTest::onlyARunHasALap()
{
    Stopwatch stopwatch;
    LapModel laps;
    RunningLap running(&stopwatch, &laps);
    QVERIFY(!running.isActive());

    QSignalSpy changed(&running, &RunningLap::changed);
    stopwatch.start();
    QVERIFY(running.isActive());
    stopwatch.pause();
    QVERIFY(running.isActive());
    stopwatch.reset();
    QVERIFY(!running.isActive());
    // Start, and Reset; a pause changes nothing about the lap.
    QCOMPARE(changed.count(), 2);

    // A lap ending after the time shown cannot make the running lap negative.
    laps.addLap(at(5000));
    QCOMPARE(running.elapsed(4000), 0);
}

void RunningLapTest::ticksAreNoChange()
{
    Stopwatch stopwatch;
    LapModel laps;
    connect(&stopwatch, &Stopwatch::lap, &laps, &LapModel::addLap);
    RunningLap running(&stopwatch, &laps);
    stopwatch.initialize(2500);

    QSignalSpy changed(&running, &RunningLap::changed);
    QSignalSpy ticks(&stopwatch, &Stopwatch::time);
    stopwatch.start();
    QVERIFY(ticks.wait());
    QCOMPARE(changed.count(), 1);

    stopwatch.storeLap();
    QCOMPARE(changed.count(), 2);
    QCOMPARE(running.number(), 2);
    QCOMPARE(running.start(), laps.sinceStart(0));
    QVERIFY(running.start() >= 2500);
    QVERIFY(running.elapsed() >= 0);
}

QTEST_GUILESS_MAIN(RunningLapTest)

#include "runninglaptest.moc"
