// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "livelapmodel.h"
#include "lapanalysismodel.h"
#include "lapmodel.h"
#include "runninglap.h"
#include "stopwatch.h"

#include <QAbstractItemModelTester>
#include <QFont>
#include <QLocale>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace
{
constexpr int NumberColumn = 0;
constexpr int LapTimeColumn = 1;
constexpr int TotalColumn = 2;
constexpr int NoteColumn = 3;

// The lap table's models as the lap pane stacks them, with the running lap on top.
struct Table {
    Table()
    {
        analysis.setSourceModel(&laps);
        sorted.setSourceModel(&analysis);
        sorted.setSortRole(LapAnalysisModel::SortRole);
        live.setSourceModel(&sorted);
        live.setRunningLap(&runningLap);
    }

    // Laps at these times since the start, taken on a stopwatch that then pauses, so that
    // no tick comes in between.
    void run(const QList<int> &sinceStart)
    {
        stopwatch.start();
        for (int time : sinceStart) {
            laps.addLap(time);
        }
        stopwatch.pause();
    }

    [[nodiscard]] QString text(int row, int column) const
    {
        return live.index(row, column).data().toString();
    }

    Stopwatch stopwatch;
    LapModel laps;
    LapAnalysisModel analysis;
    QSortFilterProxyModel sorted;
    RunningLap runningLap{&stopwatch, &laps};
    LiveLapModel live{&laps};
    // Fails the test at the first inconsistent signal or answer of the model.
    QAbstractItemModelTester tester{&live, QAbstractItemModelTester::FailureReportingMode::QtTest};
};
}

class LiveLapModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void rowFollowsTheRun();
    void ticksAnnounceOnlyChangedTexts_data();
    void ticksAnnounceOnlyChangedTexts();
    void placeFollowsTheSort_data();
    void placeFollowsTheSort();
    void newLapsComeBesideTheRunningRow_data();
    void newLapsComeBesideTheRunningRow();
    void runningRowIsNoLap();
};

void LiveLapModelTest::initTestCase()
{
    QLocale::setDefault(QLocale::c());
}

void LiveLapModelTest::rowFollowsTheRun()
{
    Table table;
    QCOMPARE(table.live.rowCount(), 0);
    QCOMPARE(table.live.liveRow(), -1);

    table.run({1000, 2500});
    QCOMPARE(table.live.rowCount(), 3);
    QCOMPARE(table.live.liveRow(), 2);
    table.live.setTime(4000);
    QCOMPARE(table.text(2, NumberColumn), u"Lap 3"_s);
    QCOMPARE(table.text(2, LapTimeColumn), u"00:01.50"_s);
    QCOMPARE(table.text(2, TotalColumn), u"00:04.00"_s);
    QCOMPARE(table.text(2, NoteColumn), QString());
    // The laps before it pass unchanged.
    QCOMPARE(table.text(1, NumberColumn), u"2"_s);
    QCOMPARE(table.text(1, LapTimeColumn), u"00:01.50"_s);

    // Taking the last lap back makes the lap before it the running one again.
    table.laps.removeLap(1);
    QCOMPARE(table.live.rowCount(), 2);
    QCOMPARE(table.text(1, NumberColumn), u"Lap 2"_s);
    QCOMPARE(table.text(1, LapTimeColumn), u"00:03.00"_s);

    // An adjustment moves the laps; the running lap's time since its start stays.
    table.laps.shiftTimes(500);
    QCOMPARE(table.text(1, LapTimeColumn), u"00:02.50"_s);
    table.live.setTime(4500);
    QCOMPARE(table.text(1, LapTimeColumn), u"00:03.00"_s);
    QCOMPARE(table.text(1, TotalColumn), u"00:04.50"_s);

    table.live.setEnabled(false);
    QCOMPARE(table.live.rowCount(), 1);
    QCOMPARE(table.live.liveRow(), -1);
    table.live.setEnabled(true);
    QCOMPARE(table.live.rowCount(), 2);

    table.stopwatch.reset();
    table.laps.clear();
    QCOMPARE(table.live.rowCount(), 0);
    // Ticks while reset show nothing and announce nothing.
    QSignalSpy changes(&table.live, &QAbstractItemModel::dataChanged);
    table.live.setTime(0);
    QCOMPARE(changes.count(), 0);

    table.stopwatch.start();
    QCOMPARE(table.live.rowCount(), 1);
    QCOMPARE(table.text(0, NumberColumn), u"Lap 1"_s);
}

void LiveLapModelTest::ticksAnnounceOnlyChangedTexts_data()
{
    QTest::addColumn<TimeFormat::SecondFraction>("precision");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QList<int>>("changedColumns");
    QTest::addColumn<QString>("lapTime");
    QTest::addColumn<bool>("totalShown");

    const QList<int> none;
    const QList<int> both{LapTimeColumn, TotalColumn};
    QTest::newRow("hundredths, same hundredth") << TimeFormat::UpToHundredths << 5000 << 5009 << none << u"00:04.00"_s << true;
    QTest::newRow("hundredths, next hundredth") << TimeFormat::UpToHundredths << 5009 << 5010 << both << u"00:04.01"_s << true;
    QTest::newRow("tenths, same tenth") << TimeFormat::UpToTenths << 5100 << 5199 << none << u"00:04.1"_s << true;
    QTest::newRow("tenths, next tenth") << TimeFormat::UpToTenths << 5199 << 5200 << both << u"00:04.2"_s << true;
    QTest::newRow("whole seconds, same second") << TimeFormat::NoFractions << 5000 << 5999 << none << u"00:04"_s << true;
    QTest::newRow("whole seconds, next second") << TimeFormat::NoFractions << 5999 << 6000 << both << u"00:05"_s << true;
    QTest::newRow("milliseconds") << TimeFormat::UpToMilliseconds << 5000 << 5001 << both << u"00:04.001"_s << true;
    // A hidden column is not kept up at every tick; it is formed when asked for.
    QTest::newRow("hundredths, total hidden") << TimeFormat::UpToHundredths << 5009 << 5010 << QList<int>{LapTimeColumn} << u"00:04.01"_s << false;
    QTest::newRow("tenths, total hidden") << TimeFormat::UpToTenths << 5199 << 5200 << QList<int>{LapTimeColumn} << u"00:04.2"_s << false;
}

void LiveLapModelTest::ticksAnnounceOnlyChangedTexts()
{
    QFETCH(TimeFormat::SecondFraction, precision);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QList<int>, changedColumns);
    QFETCH(QString, lapTime);
    QFETCH(bool, totalShown);

    Table table;
    const TimeFormat format(false, true, precision);
    table.laps.setTimeFormat(format);
    table.run({1000});
    table.live.setTotalShown(totalShown);
    table.live.setTime(from);

    QSignalSpy changes(&table.live, &QAbstractItemModel::dataChanged);
    table.live.setTime(to);
    QCOMPARE(table.text(1, LapTimeColumn), lapTime);
    // Cell by cell and only the times of the running row: a view repaints no more than the
    // cell of a single index, but everything for a range.
    QList<int> columns;
    for (const auto &change : std::as_const(changes)) {
        const auto topLeft = change.at(0).value<QModelIndex>();
        QCOMPARE(change.at(1).value<QModelIndex>(), topLeft);
        QCOMPARE(topLeft.row(), 1);
        columns << topLeft.column();
    }
    QCOMPARE(columns, changedColumns);
    // Shown or not, the time since the start reads right.
    QCOMPARE(table.text(1, TotalColumn), format.format(to));
    table.live.setTotalShown(true);
    QCOMPARE(table.text(1, TotalColumn), format.format(to));
}

void LiveLapModelTest::placeFollowsTheSort_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<Qt::SortOrder>("order");
    QTest::addColumn<bool>("first");
    QTest::addColumn<QList<int>>("numbers");

    // Laps 1 to 3 with the lap times 3 s, 1 s and 2 s and the notes c, a and b.
    QTest::newRow("as taken") << -1 << Qt::AscendingOrder << false << QList<int>{1, 2, 3};
    QTest::newRow("newest first") << NumberColumn << Qt::DescendingOrder << true << QList<int>{3, 2, 1};
    QTest::newRow("oldest first") << NumberColumn << Qt::AscendingOrder << false << QList<int>{1, 2, 3};
    QTest::newRow("latest time since the start first") << TotalColumn << Qt::DescendingOrder << true << QList<int>{3, 2, 1};
    QTest::newRow("slowest first") << LapTimeColumn << Qt::DescendingOrder << false << QList<int>{1, 3, 2};
    QTest::newRow("fastest first") << LapTimeColumn << Qt::AscendingOrder << false << QList<int>{2, 3, 1};
    QTest::newRow("by note, descending") << NoteColumn << Qt::DescendingOrder << false << QList<int>{1, 3, 2};
}

void LiveLapModelTest::placeFollowsTheSort()
{
    QFETCH(int, column);
    QFETCH(Qt::SortOrder, order);
    QFETCH(bool, first);
    QFETCH(QList<int>, numbers);

    Table table;
    table.run({3000, 4000, 6000});
    const QStringList notes{u"c"_s, u"a"_s, u"b"_s};
    for (int row = 0; row < notes.size(); ++row) {
        table.laps.setNote(row, notes.at(row));
    }
    table.live.setTime(6500);
    // Held across the sort as a view holds its selection and current item.
    const QPersistentModelIndex secondLap = table.live.index(1, NoteColumn);
    const QPersistentModelIndex running = table.live.index(3, LapTimeColumn);

    // As a click on the header does: the view asks its own model to sort.
    table.live.sort(column, order);

    const int liveRow = first ? 0 : 3;
    QCOMPARE(table.live.liveRow(), liveRow);
    QCOMPARE(table.text(liveRow, NumberColumn), u"Lap 4"_s);
    QList<int> shown;
    for (int row = 0; row < table.live.rowCount(); ++row) {
        if (row != liveRow) {
            shown << table.live.index(row, NumberColumn).data().toInt();
        }
    }
    QCOMPARE(shown, numbers);
    QCOMPARE(secondLap.data().toString(), u"a"_s);
    QCOMPARE(running.row(), liveRow);
    QCOMPARE(running.column(), LapTimeColumn);
    QCOMPARE(running.data().toString(), u"00:00.50"_s);

    // Back to the order taken: the running lap is last again.
    table.live.sort(-1, Qt::AscendingOrder);
    QCOMPARE(table.live.liveRow(), 3);
    QCOMPARE(running.row(), 3);
}

void LiveLapModelTest::newLapsComeBesideTheRunningRow_data()
{
    QTest::addColumn<Qt::SortOrder>("order");

    QTest::newRow("oldest first") << Qt::AscendingOrder;
    QTest::newRow("newest first") << Qt::DescendingOrder;
}

void LiveLapModelTest::newLapsComeBesideTheRunningRow()
{
    QFETCH(Qt::SortOrder, order);

    Table table;
    table.run({1000});
    table.live.sort(NumberColumn, order);
    table.stopwatch.start();
    table.laps.addLap(2000);
    table.laps.addLap(3000);
    table.live.setTime(3250);

    QStringList numbers;
    for (int row = 0; row < table.live.rowCount(); ++row) {
        numbers << table.text(row, NumberColumn);
    }
    QStringList expected{u"1"_s, u"2"_s, u"3"_s, u"Lap 4"_s};
    if (order == Qt::DescendingOrder) {
        std::reverse(expected.begin(), expected.end());
    }
    QCOMPARE(numbers, expected);
    QCOMPARE(table.text(table.live.liveRow(), LapTimeColumn), u"00:00.25"_s);
}

void LiveLapModelTest::runningRowIsNoLap()
{
    Table table;
    table.run({1000, 2000});
    table.live.sort(NumberColumn, Qt::DescendingOrder);
    table.live.setTime(2500);
    const QModelIndex number = table.live.index(0, NumberColumn);
    const QModelIndex note = table.live.index(0, NoteColumn);
    QVERIFY(table.live.isLiveRow(number));

    // Nothing below the running row knows it.
    QVERIFY(!table.live.mapToSource(number).isValid());
    QCOMPARE(table.live.mapToSource(table.live.index(1, NumberColumn)).data().toInt(), 2);
    QCOMPARE(table.live.mapFromSource(table.sorted.index(0, NoteColumn)), table.live.index(1, NoteColumn));
    QVERIFY(!(table.live.flags(note) & Qt::ItemIsEditable));
    QVERIFY(!table.live.setData(note, u"typed"_s, Qt::EditRole));
    QCOMPARE(table.laps.rowCount(), 2);
    QCOMPARE(table.laps.lap(1).note(), QString());
    QCOMPARE(table.analysis.statistics().count(), 2);

    // The headers are the laps' headers, even with the running row first.
    for (int column = 0; column < table.live.columnCount(); ++column) {
        QCOMPARE(table.live.headerData(column, Qt::Horizontal), table.sorted.headerData(column, Qt::Horizontal));
    }

    // Set apart from the laps, and named for screen readers.
    QVERIFY(number.data(Qt::FontRole).value<QFont>().italic());
    QVERIFY(!table.live.index(1, NumberColumn).data(Qt::FontRole).value<QFont>().italic());
    QVERIFY(number.data(Qt::DecorationRole).isValid());
    QCOMPARE(number.data(Qt::AccessibleTextRole).toString(), u"Running lap 3, not taken yet"_s);
    QCOMPARE(table.live.index(0, LapTimeColumn).data(Qt::AccessibleTextRole).toString(), u"00:00.50"_s);
}

QTEST_MAIN(LiveLapModelTest)

#include "livelapmodeltest.moc"
