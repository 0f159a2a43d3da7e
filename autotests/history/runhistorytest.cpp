// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "runhistory.h"
#include "lap.h"
#include "lapanalysismodel.h"
#include "lapmodel.h"
#include "lapstatistics.h"
#include "recoverablewindow.h"
#include "stopwatch.h"
#include "timeformat.h"
#include "windowsnapshot.h"

#include <KLocalizedString>

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QUndoStack>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace
{
constexpr int Hour = 60 * 60 * 1000;

// The parts of a window the history works on, brought back from a snapshot the way the
// main window does it.
class RunFixture : public RecoverableWindow
{
public:
    RunFixture()
    {
        laps.setTimeFormat(TimeFormat(true, true, TimeFormat::UpToMilliseconds));
        analysis.setSourceModel(&laps);
        QObject::connect(&stopwatch, &Stopwatch::lap, &laps, &LapModel::addLap);
        history = std::make_unique<RunHistory>(&stopwatch, &laps, this);
    }

    WindowSnapshot snapshot() const override
    {
        WindowSnapshot snapshot;
        snapshot.state = stopwatch.isRunning() ? Stopwatch::Running : stopwatch.isPaused() ? Stopwatch::Paused : Stopwatch::Inactive;
        snapshot.elapsed = stopwatch.currentTime();
        snapshot.modified = modified;
        for (int row = 0; row < laps.rowCount(); ++row) {
            snapshot.laps.append(laps.lap(row));
        }
        return snapshot;
    }

    void restoreRun(const WindowSnapshot &recorded) override
    {
        history->stack()->clear();
        applyHistoryStep(recorded);
    }

    bool discardRun(const QString &text) override
    {
        return history->resetAs(text);
    }

    void applyHistoryStep(const WindowSnapshot &snapshot) override
    {
        if (!stopwatch.isInactive()) {
            stopwatch.reset();
            laps.clear();
        }
        for (const Lap &lap : snapshot.laps) {
            laps.append(lap);
        }
        if (snapshot.state != Stopwatch::Inactive && !stopwatch.initialize(snapshot.elapsed)) {
            stopwatch.pause();
        }
        modified = snapshot.modified;
    }

    // A lap taken at @p ms since the start, as the stopwatch announces one.
    void takeLap(int ms)
    {
        Q_EMIT stopwatch.lap(ms);
    }

    Stopwatch stopwatch;
    LapModel laps;
    LapAnalysisModel analysis;
    std::unique_ptr<RunHistory> history;
    bool modified = false;
};

struct LapState {
    int time;
    QString note;
    QString relative;
    QString absolute;
    bool operator==(const LapState &) const = default;
};

struct RunState {
    int state;
    int elapsed;
    QList<LapState> laps;
    bool operator==(const RunState &) const = default;
};

RunState stateOf(const RunFixture &run)
{
    RunState state{run.stopwatch.isRunning() ? 1 : run.stopwatch.isPaused() ? 2 : 0, run.stopwatch.currentTime(), {}};
    for (int row = 0; row < run.laps.rowCount(); ++row) {
        const Lap lap = run.laps.lap(row);
        state.laps.append({lap.time(), lap.note(), lap.relativeTime(), lap.absoluteTime()});
    }
    return state;
}

QString describe(const RunState &state)
{
    QStringList laps;
    for (const LapState &lap : state.laps) {
        laps << u"%1 %2|%3 '%4'"_s.arg(lap.time).arg(lap.relative, lap.absolute, lap.note);
    }
    return u"state %1 at %2 ms, laps: %3"_s.arg(state.state).arg(state.elapsed).arg(laps.join(u", "_s));
}

// Everything the lap analysis shows must be what a fresh analysis of the same laps gives.
// Returns the first difference, empty when there is none.
QString differenceToFreshAnalysis(const RunFixture &run)
{
    LapModel freshLaps;
    freshLaps.setTimeFormat(run.laps.timeFormat());
    LapAnalysisModel fresh;
    fresh.setSourceModel(&freshLaps);
    for (int row = 0; row < run.laps.rowCount(); ++row) {
        freshLaps.append(run.laps.lap(row));
    }
    const LapStatistics &kept = run.analysis.statistics();
    const LapStatistics &expected = fresh.statistics();
    if (kept.count() != expected.count() || kept.fastest() != expected.fastest() || kept.slowest() != expected.slowest() || kept.total() != expected.total()
        || kept.mean() != expected.mean() || kept.median() != expected.median() || kept.standardDeviation() != expected.standardDeviation()
        || kept.last() != expected.last()) {
        return u"statistics: count %1/%2 fastest %3/%4 slowest %5/%6 mean %7/%8 median %9/%10"_s.arg(kept.count())
            .arg(expected.count())
            .arg(kept.fastest())
            .arg(expected.fastest())
            .arg(kept.slowest())
            .arg(expected.slowest())
            .arg(kept.mean())
            .arg(expected.mean())
            .arg(kept.median())
            .arg(expected.median());
    }
    if (run.analysis.rowCount() != fresh.rowCount()) {
        return u"rows %1/%2"_s.arg(run.analysis.rowCount()).arg(fresh.rowCount());
    }
    for (int row = 0; row < fresh.rowCount(); ++row) {
        if (run.analysis.duration(row) != fresh.duration(row) || run.analysis.mark(row) != fresh.mark(row)) {
            return u"row %1: duration %2/%3 mark %4/%5"_s.arg(row)
                .arg(run.analysis.duration(row))
                .arg(fresh.duration(row))
                .arg(int(run.analysis.mark(row)))
                .arg(int(fresh.mark(row)));
        }
        // The table's own texts: the time since the previous lap must follow the edits.
        const QString relative = freshLaps.lap(row).relativeTime();
        if (run.laps.lap(row).relativeTime() != relative || run.laps.lap(row).absoluteTime() != freshLaps.lap(row).absoluteTime()) {
            return u"row %1 texts: %2/%3"_s.arg(row).arg(run.laps.lap(row).relativeTime(), relative);
        }
    }
    return QString();
}

QList<int> lapsSinceStart(const RunFixture &run)
{
    QList<int> times;
    for (int row = 0; row < run.laps.rowCount(); ++row) {
        times.append(run.laps.sinceStart(row));
    }
    return times;
}
}

class RunHistoryTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void randomEditsUndoAndRedoExactly_data();
    void randomEditsUndoAndRedoExactly();
    void refusedEdits_data();
    void refusedEdits();
    void undoTexts_data();
    void undoTexts();
    void mergedLapsKeepBothNotes_data();
    void mergedLapsKeepBothNotes();
    void lastLapUndoneWhileRunningFoldsIntoRunningLap();
    void resetUndoneComesBackPaused();
    void newRunAfterResetDropsHistory();
    void adjustmentMovesEveryLap();
};

void RunHistoryTest::initTestCase()
{
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
    QLocale::setDefault(QLocale::c());
}

void RunHistoryTest::randomEditsUndoAndRedoExactly_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("steps");
    QTest::addColumn<bool>("withResets");

    QTest::newRow("seed 1") << 1u << 3000 << false;
    QTest::newRow("seed 20261211") << 20261211u << 3000 << false;
    QTest::newRow("seed 7 with resets") << 7u << 3000 << true;
}

void RunHistoryTest::randomEditsUndoAndRedoExactly()
{
    QFETCH(quint32, seed);
    QFETCH(int, steps);
    QFETCH(bool, withResets);

    RunFixture run;
    QVERIFY(run.stopwatch.initialize(10 * Hour));
    for (int lap = 1; lap <= 5; ++lap) {
        run.takeLap(lap * 60'000);
    }
    run.laps.setNote(1, u"start note"_s);
    run.history->stack()->clear();
    run.history->stack()->setClean();
    const RunState start = stateOf(run);

    QRandomGenerator random(seed);
    for (int step = 0; step < steps; ++step) {
        const RunState before = stateOf(run);
        const int rows = run.laps.rowCount();
        const int kind = random.bounded(withResets ? 10 : 9);
        QString what;
        if (run.stopwatch.isInactive() && kind != 7) {
            // Nothing but undo and redo works on a reset window without a new run.
            what = u"undo after reset"_s;
            QVERIFY(run.history->undo());
        } else if (kind == 0 || kind == 1) {
            // Laps come in order, up to the elapsed time.
            const int last = rows == 0 ? 0 : run.laps.sinceStart(rows - 1);
            const int time = std::min(run.stopwatch.currentTime(), last + int(random.bounded(1, 120'000)));
            what = u"lap at %1"_s.arg(time);
            run.takeLap(time);
            QCOMPARE(run.laps.rowCount(), rows + 1);
        } else if (kind == 2 && rows > 0) {
            QList<int> selected;
            const int count = random.bounded(1, std::min(rows, 4) + 1);
            for (int i = 0; i < count; ++i) {
                selected.append(random.bounded(rows));
            }
            what = u"delete"_s;
            for (const int row : std::as_const(selected)) {
                what += u' ' + QString::number(row);
            }
            QList<int> kept = lapsSinceStart(run);
            std::sort(selected.begin(), selected.end());
            selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
            for (auto row = selected.crbegin(); row != selected.crend(); ++row) {
                kept.removeAt(*row);
            }
            QVERIFY(run.history->deleteLaps(selected));
            QCOMPARE(lapsSinceStart(run), kept);
            QCOMPARE(run.stopwatch.currentTime(), before.elapsed);
        } else if (kind == 3 && rows > 1) {
            const int row = random.bounded(1, rows);
            what = u"merge %1"_s.arg(row);
            QList<int> kept = lapsSinceStart(run);
            kept.removeAt(row - 1);
            QVERIFY(run.history->mergeWithPrevious({row}));
            QCOMPARE(lapsSinceStart(run), kept);
            QCOMPARE(run.stopwatch.currentTime(), before.elapsed);
        } else if (kind == 4) {
            const int amount = int(random.bounded(-90'000, 90'000));
            what = u"adjust %1"_s.arg(amount);
            const bool fits = amount != 0 && amount >= run.history->smallestAdjustment() && amount <= run.history->largestAdjustment();
            QCOMPARE(run.history->adjustTime(amount), fits);
            if (fits) {
                QCOMPARE(run.stopwatch.currentTime(), before.elapsed + amount);
                QList<int> moved;
                for (const LapState &lap : before.laps) {
                    moved.append(lap.time + amount);
                }
                QCOMPARE(lapsSinceStart(run), moved);
            } else {
                QCOMPARE(stateOf(run), before);
            }
        } else if (kind == 5 && rows > 0) {
            const int row = random.bounded(rows);
            what = u"note on %1"_s.arg(row);
            const QModelIndex index = run.laps.index(row, run.laps.columnForRole(LapModel::NoteRole));
            QVERIFY(run.laps.setData(index, u"note %1"_s.arg(step)));
        } else if (kind == 6) {
            what = u"undo"_s;
            run.history->undo();
        } else if (kind == 7) {
            what = u"redo"_s;
            run.history->redo();
        } else if (kind == 9) {
            what = u"reset"_s;
            QVERIFY(run.history->reset());
            QVERIFY(run.stopwatch.isInactive());
            QCOMPARE(run.laps.rowCount(), 0);
        } else {
            what = u"undo"_s;
            run.history->undo();
        }
        const QString difference = differenceToFreshAnalysis(run);
        if (!difference.isEmpty()) {
            QFAIL(qPrintable(u"step %1 (%2): %3"_s.arg(step).arg(what, difference)));
        }
    }

    const RunState end = stateOf(run);
    while (run.history->undo()) { }
    if (stateOf(run) != start) {
        QFAIL(qPrintable(u"undone:\n%1\nstart:\n%2"_s.arg(describe(stateOf(run)), describe(start))));
    }
    QVERIFY(run.history->stack()->isClean());
    QVERIFY(differenceToFreshAnalysis(run).isEmpty());
    while (run.history->redo()) { }
    if (stateOf(run) != end) {
        QFAIL(qPrintable(u"redone:\n%1\nend:\n%2"_s.arg(describe(stateOf(run)), describe(end))));
    }
    QVERIFY(differenceToFreshAnalysis(run).isEmpty());
}

void RunHistoryTest::refusedEdits_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QList<int>>("laps");
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<int>("amount");
    QTest::addColumn<QString>("refusal");

    const QList<int> none;
    const QList<int> three{5'000, 12'000, 20'000};
    // The stopwatch is paused at 30 s.
    QTest::newRow("adjust below zero without laps") << u"adjust"_s << none << none << -30'001
                                                    << u"The time cannot go below zero: at most 00:00:30.000 can be subtracted."_s;
    QTest::newRow("adjust the first lap below zero") << u"adjust"_s << three << none << -5'001
                                                     << u"The first lap cannot start below zero: at most 00:00:05.000 can be subtracted."_s;
    QTest::newRow("adjust past the longest time") << u"adjust"_s << three << none << std::numeric_limits<int>::max() - 29'999
                                                  << u"The times would go past what the stopwatch can hold: at most 596:30:53.647 can be added."_s;
    QTest::newRow("adjust by nothing") << u"adjust"_s << three << none << 0 << u"An adjustment of zero leaves the time as it is."_s;
    QTest::newRow("merge with nothing before") << u"merge"_s << three << QList<int>{1, 0} << 0 << u"Lap 1 has no lap before it to merge with."_s;
    QTest::newRow("merge with nothing selected") << u"merge"_s << three << none << 0 << u"No lap is selected."_s;
    QTest::newRow("delete with nothing selected") << u"delete"_s << three << none << 0 << u"No lap is selected."_s;
    QTest::newRow("delete a lap not there") << u"delete"_s << three << QList<int>{3} << 0 << u"There is no lap 4."_s;
    QTest::newRow("adjust a reset stopwatch") << u"adjust inactive"_s << none << none << 1'000 << u"The stopwatch has no time to adjust."_s;
}

void RunHistoryTest::refusedEdits()
{
    QFETCH(QString, edit);
    QFETCH(QList<int>, laps);
    QFETCH(QList<int>, rows);
    QFETCH(int, amount);
    QFETCH(QString, refusal);

    RunFixture run;
    if (edit != "adjust inactive"_L1) {
        QVERIFY(run.stopwatch.initialize(30'000));
    }
    for (const int time : laps) {
        run.takeLap(time);
    }
    const RunState before = stateOf(run);
    const int steps = run.history->stack()->count();

    QString reason;
    bool done = true;
    if (edit.startsWith("adjust"_L1)) {
        done = run.history->adjustTime(amount, &reason);
    } else if (edit == "merge"_L1) {
        done = run.history->mergeWithPrevious(rows, &reason);
    } else {
        done = run.history->deleteLaps(rows, &reason);
    }
    QVERIFY(!done);
    QCOMPARE(reason, refusal);
    QCOMPARE(stateOf(run), before);
    QCOMPARE(run.history->stack()->count(), steps);
}

void RunHistoryTest::undoTexts_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("undoText");

    QTest::newRow("lap") << u"lap"_s << u"Lap 4"_s;
    QTest::newRow("delete one") << u"delete 2"_s << u"Delete Lap 2"_s;
    QTest::newRow("delete several") << u"delete 1 3"_s << u"Delete 2 Laps"_s;
    QTest::newRow("merge") << u"merge 3"_s << u"Merge Lap 3 with Previous"_s;
    QTest::newRow("note") << u"note 1"_s << u"Note on Lap 1"_s;
    QTest::newRow("adjust") << u"adjust"_s << u"Adjust Time"_s;
    QTest::newRow("reset") << u"reset"_s << u"Reset"_s;
}

void RunHistoryTest::undoTexts()
{
    QFETCH(QString, edit);
    QFETCH(QString, undoText);

    RunFixture run;
    QVERIFY(run.stopwatch.initialize(60'000));
    for (const int time : {10'000, 20'000, 30'000}) {
        run.takeLap(time);
    }
    const QStringList words = edit.split(u' ');
    QList<int> rows;
    for (qsizetype i = 1; i < words.size(); ++i) {
        rows.append(words.at(i).toInt() - 1);
    }
    if (words.first() == "lap"_L1) {
        run.takeLap(40'000);
    } else if (words.first() == "delete"_L1) {
        QVERIFY(run.history->deleteLaps(rows));
    } else if (words.first() == "merge"_L1) {
        QVERIFY(run.history->mergeWithPrevious(rows));
    } else if (words.first() == "note"_L1) {
        QVERIFY(run.laps.setData(run.laps.index(rows.first(), run.laps.columnForRole(LapModel::NoteRole)), u"flat tyre"_s));
    } else if (words.first() == "adjust"_L1) {
        QVERIFY(run.history->adjustTime(-1'000));
    } else {
        QVERIFY(run.history->reset());
    }
    QCOMPARE(run.history->stack()->undoText(), undoText);
    QVERIFY(run.history->undo());
    QCOMPARE(run.history->stack()->redoText(), undoText);
}

void RunHistoryTest::mergedLapsKeepBothNotes_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QList<int>>("times");
    QTest::addColumn<QStringList>("notes");

    // Laps at 10, 20, 30 and 40 s with the notes a, (none), c, d.
    QTest::newRow("delete the first") << u"delete"_s << QList<int>{0} << QList<int>{20'000, 30'000, 40'000} << QStringList{u"a"_s, u"c"_s, u"d"_s};
    QTest::newRow("delete into a lap with a note") << u"delete"_s << QList<int>{1} << QList<int>{10'000, 30'000, 40'000} << QStringList{u"a"_s, u"c"_s, u"d"_s};
    QTest::newRow("delete two in a row") << u"delete"_s << QList<int>{2, 1} << QList<int>{10'000, 40'000} << QStringList{u"a"_s, u"c; d"_s};
    QTest::newRow("delete the last") << u"delete"_s << QList<int>{3} << QList<int>{10'000, 20'000, 30'000} << QStringList{u"a"_s, QString(), u"c"_s};
    QTest::newRow("merge with previous") << u"merge"_s << QList<int>{3} << QList<int>{10'000, 20'000, 40'000} << QStringList{u"a"_s, QString(), u"c; d"_s};
    QTest::newRow("merge second into first") << u"merge"_s << QList<int>{1} << QList<int>{20'000, 30'000, 40'000} << QStringList{u"a"_s, u"c"_s, u"d"_s};
    QTest::newRow("merge two") << u"merge"_s << QList<int>{1, 3} << QList<int>{20'000, 40'000} << QStringList{u"a"_s, u"c; d"_s};
}

void RunHistoryTest::mergedLapsKeepBothNotes()
{
    QFETCH(QString, edit);
    QFETCH(QList<int>, rows);
    QFETCH(QList<int>, times);
    QFETCH(QStringList, notes);

    RunFixture run;
    QVERIFY(run.stopwatch.initialize(50'000));
    const QStringList given{u"a"_s, QString(), u"c"_s, u"d"_s};
    for (int row = 0; row < 4; ++row) {
        run.takeLap((row + 1) * 10'000);
        run.laps.setNote(row, given.at(row));
    }
    const RunState before = stateOf(run);

    QVERIFY(edit == "delete"_L1 ? run.history->deleteLaps(rows) : run.history->mergeWithPrevious(rows));
    QCOMPARE(lapsSinceStart(run), times);
    QStringList kept;
    for (int row = 0; row < run.laps.rowCount(); ++row) {
        kept << run.laps.lap(row).note();
    }
    QCOMPARE(kept, notes);
    QCOMPARE(run.stopwatch.currentTime(), 50'000);
    QCOMPARE(differenceToFreshAnalysis(run), QString());

    QVERIFY(run.history->undo());
    QCOMPARE(stateOf(run), before);
    QCOMPARE(differenceToFreshAnalysis(run), QString());
}

void RunHistoryTest::lastLapUndoneWhileRunningFoldsIntoRunningLap()
{
    RunFixture run;
    run.stopwatch.start();
    run.stopwatch.storeLap();
    QTRY_VERIFY(run.stopwatch.currentTime() > run.laps.sinceStart(0));
    // The double tap: a second lap right after the first.
    run.stopwatch.storeLap();
    QCOMPARE(run.laps.rowCount(), 2);
    const int first = run.laps.sinceStart(0);
    QCOMPARE(run.history->stack()->undoText(), u"Lap 2"_s);

    const int beforeUndo = run.stopwatch.currentTime();
    QVERIFY(run.history->undo());
    QVERIFY(run.stopwatch.isRunning());
    QCOMPARE(run.laps.rowCount(), 1);
    QCOMPARE(run.laps.sinceStart(0), first);
    // The time since the start went on as if the second lap had never been taken, and the
    // running lap counts from the first lap again.
    QVERIFY(run.stopwatch.currentTime() >= beforeUndo);
    QCOMPARE(run.analysis.statistics().count(), 1);
    QVERIFY(run.history->redo());
    QCOMPARE(run.laps.rowCount(), 2);
}

void RunHistoryTest::resetUndoneComesBackPaused()
{
    RunFixture run;
    run.modified = true;
    run.stopwatch.start();
    run.stopwatch.storeLap();
    run.laps.setNote(0, u"kept"_s);
    QSignalSpy inactive(&run.stopwatch, &Stopwatch::inactive);

    QVERIFY(run.history->reset());
    QCOMPARE(inactive.count(), 1);
    QVERIFY(run.stopwatch.isInactive());
    QVERIFY(run.laps.isEmpty());
    QVERIFY(!run.modified);

    QVERIFY(run.history->undo());
    QVERIFY(run.stopwatch.isPaused());
    QCOMPARE(run.laps.rowCount(), 1);
    QCOMPARE(run.laps.lap(0).note(), u"kept"_s);
    QVERIFY(run.stopwatch.currentTime() >= run.laps.sinceStart(0));
    QVERIFY(run.modified);
    QCOMPARE(run.history->stack()->redoText(), u"Reset"_s);
}

void RunHistoryTest::newRunAfterResetDropsHistory()
{
    RunFixture run;
    run.stopwatch.start();
    run.stopwatch.storeLap();
    QVERIFY(run.history->reset());
    QCOMPARE(run.history->stack()->count(), 2);

    // Resuming an undone Reset is the same run; starting after it is a new one.
    QVERIFY(run.history->undo());
    run.stopwatch.start();
    QCOMPARE(run.history->stack()->count(), 2);
    QVERIFY(run.history->reset());
    run.stopwatch.start();
    QCOMPARE(run.history->stack()->count(), 0);
    QVERIFY(!run.history->undo());
}

void RunHistoryTest::adjustmentMovesEveryLap()
{
    RunFixture run;
    QVERIFY(run.stopwatch.initialize(90'000));
    run.takeLap(30'000);
    run.takeLap(70'000);
    QSignalSpy adjusted(&run.stopwatch, &Stopwatch::adjusted);

    QVERIFY(run.history->adjustTime(60'000));
    QCOMPARE(adjusted.count(), 1);
    QCOMPARE(run.stopwatch.currentTime(), 150'000);
    QCOMPARE(lapsSinceStart(run), (QList<int>{90'000, 130'000}));
    // The first lap took the minute; the second lap's length stays.
    QCOMPARE(run.analysis.duration(0), 90'000);
    QCOMPARE(run.analysis.duration(1), 40'000);
    QCOMPARE(run.laps.lap(0).absoluteTime(), u"00:01:30.000"_s);

    QCOMPARE(run.history->smallestAdjustment(), -90'000);
    QVERIFY(run.history->adjustTime(-90'000));
    QCOMPARE(lapsSinceStart(run), (QList<int>{0, 40'000}));
    QVERIFY(run.history->undo());
    QVERIFY(run.history->undo());
    QCOMPARE(run.stopwatch.currentTime(), 90'000);
    QCOMPARE(lapsSinceStart(run), (QList<int>{30'000, 70'000}));
}

QTEST_MAIN(RunHistoryTest)

#include "runhistorytest.moc"
