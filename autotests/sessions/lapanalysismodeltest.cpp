// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lapanalysismodel.h"
#include "lapmodel.h"
#include "lapstatistics.h"

#include <QAbstractItemModelTester>
#include <QBrush>
#include <QIcon>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTest>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace
{
using Marks = QList<int>;
constexpr int F = LapAnalysisModel::FastestMark;
constexpr int S = LapAnalysisModel::SlowestMark;
constexpr int N = LapAnalysisModel::NoMark;

// A lap model behind the analysis, both checked by Qt's model tester on every change.
struct Fixture {
    Fixture()
    {
        analysis.setSourceModel(&laps);
    }

    // Laps given by their durations, as the stopwatch would take them.
    void takeLaps(const QList<int> &durations)
    {
        for (int duration : durations) {
            elapsed += duration;
            laps.addLap(elapsed);
        }
    }

    [[nodiscard]] Marks marks() const
    {
        Marks result;
        for (int row = 0; row < analysis.rowCount(); ++row) {
            result << analysis.index(row, 1).data(LapAnalysisModel::MarkRole).toInt();
        }
        return result;
    }

    int elapsed = 0;
    LapModel laps;
    LapAnalysisModel analysis;
    QAbstractItemModelTester tester{&analysis, QAbstractItemModelTester::FailureReportingMode::QtTest};
};

// What a view would show if it only ever refreshed the cells it was told about.
class CachedMarks : public QObject
{
public:
    explicit CachedMarks(const LapAnalysisModel *model)
        : m_model(model)
    {
        connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
            for (int row = first; row <= last; ++row) {
                marks.insert(row, m_model->index(row, 1).data(LapAnalysisModel::MarkRole).toInt());
                sortKeys.insert(row, m_model->index(row, 1).data(LapAnalysisModel::SortRole).toInt());
            }
        });
        connect(model, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex &, int first, int last) {
            marks.remove(first, last - first + 1);
            sortKeys.remove(first, last - first + 1);
        });
        connect(model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles) {
            if (topLeft.column() > 1 || bottomRight.column() < 1) {
                return;
            }
            for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
                if (roles.isEmpty() || roles.contains(LapAnalysisModel::MarkRole)) {
                    marks[row] = m_model->index(row, 1).data(LapAnalysisModel::MarkRole).toInt();
                }
                // What a sort proxy above reads anew.
                if (roles.isEmpty() || roles.contains(LapAnalysisModel::SortRole)) {
                    sortKeys[row] = m_model->index(row, 1).data(LapAnalysisModel::SortRole).toInt();
                }
            }
        });
        connect(model, &QAbstractItemModel::modelReset, this, [this] {
            marks.clear();
            sortKeys.clear();
        });
    }
    // Reads every row, as a view does when it is first shown.
    void readAll()
    {
        marks.clear();
        sortKeys.clear();
        for (int row = 0; row < m_model->rowCount(); ++row) {
            marks << m_model->index(row, 1).data(LapAnalysisModel::MarkRole).toInt();
            sortKeys << m_model->index(row, 1).data(LapAnalysisModel::SortRole).toInt();
        }
    }

    Marks marks;
    QList<int> sortKeys;

private:
    const LapAnalysisModel *m_model;
};
}

class LapAnalysisModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void marksFastestAndSlowest_data();
    void marksFastestAndSlowest();
    void announcesEveryChangedMark_data();
    void announcesEveryChangedMark();
    void correctionsAnnounceWhatTheyChange_data();
    void correctionsAnnounceWhatTheyChange();
    void markedCellCarriesIconColourAndText();
    void markingCanBeSwitchedOff();
    void meanDifferenceColumn();
    void passesTheLapModelThrough();
    void sortsTimesAsNumbers();
    void followsResetAndFormatChange();
    void followsASourceThatAlreadyHasLaps();
    void blockOfLapsReadsAsLapsOneByOne_data();
    void blockOfLapsReadsAsLapsOneByOne();
};

void LapAnalysisModelTest::marksFastestAndSlowest_data()
{
    QTest::addColumn<QList<int>>("durations");
    QTest::addColumn<Marks>("marks");

    QTest::newRow("no laps") << QList<int>{} << Marks{};
    QTest::newRow("one lap") << QList<int>{1500} << Marks{N};
    QTest::newRow("two laps") << QList<int>{1500, 1200} << Marks{S, F};
    QTest::newRow("middle unmarked") << QList<int>{1500, 1300, 1200} << Marks{S, N, F};
    QTest::newRow("ties mark every tied lap") << QList<int>{1000, 2000, 1000, 1500, 2000} << Marks{F, S, F, N, S};
    QTest::newRow("all alike marks none") << QList<int>{700, 700, 700} << Marks{N, N, N};
    QTest::newRow("0 ms lap is fastest") << QList<int>{900, 0, 400} << Marks{S, F, N};
}

void LapAnalysisModelTest::marksFastestAndSlowest()
{
    QFETCH(QList<int>, durations);

    Fixture f;
    f.takeLaps(durations);

    QTEST(f.marks(), "marks");
}

void LapAnalysisModelTest::announcesEveryChangedMark_data()
{
    QTest::addColumn<QList<int>>("durations");

    QTest::newRow("second lap marks the first") << QList<int>{1000, 2000};
    QTest::newRow("new fastest unmarks the old") << QList<int>{1000, 2000, 500, 300};
    QTest::newRow("new slowest unmarks tied old ones") << QList<int>{1000, 3000, 3000, 500, 4000};
    QTest::newRow("alike laps then a different one") << QList<int>{800, 800, 800, 800, 900};
    QTest::newRow("different laps then back to a tie") << QList<int>{800, 900, 800, 900, 850, 100};
}

void LapAnalysisModelTest::announcesEveryChangedMark()
{
    QFETCH(QList<int>, durations);

    Fixture f;
    CachedMarks cached(&f.analysis);
    for (int duration : std::as_const(durations)) {
        f.takeLaps({duration});
        QCOMPARE(cached.marks, f.marks());
    }
}

void LapAnalysisModelTest::correctionsAnnounceWhatTheyChange_data()
{
    QTest::addColumn<QList<int>>("durations");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<int>("row");

    const QList<int> laps{1000, 3000, 3000, 500, 4000, 2000, 2000};
    QTest::newRow("fastest taken out, its time to the next") << laps << u"remove"_s << 3;
    QTest::newRow("taken out, the next becomes slowest") << laps << u"remove"_s << 1;
    QTest::newRow("slowest, the last, taken out") << laps << u"remove"_s << 4;
    QTest::newRow("first taken out") << laps << u"remove"_s << 0;
    QTest::newRow("put back in the middle") << laps << u"reinsert"_s << 3;
    QTest::newRow("put back first") << laps << u"reinsert"_s << 0;
    QTest::newRow("all later, first lap slowest") << laps << u"shift"_s << 5000;
    QTest::newRow("all earlier, first lap fastest") << laps << u"shift"_s << -900;
    QTest::newRow("ties all over, one taken out") << QList<int>{500, 400, 500, 400, 500, 400, 500} << u"remove"_s << 2;
    QTest::newRow("ties all over, shifted") << QList<int>{500, 400, 500, 400, 500, 400, 500} << u"shift"_s << -100;
}

// Whatever a correction changes in marks or in the order by lap time reaches a view that
// only reads the cells it is told about.
void LapAnalysisModelTest::correctionsAnnounceWhatTheyChange()
{
    QFETCH(QList<int>, durations);
    QFETCH(QString, edit);
    QFETCH(int, row);

    // Without the model tester of the fixture: it takes the lap numbers, which follow the
    // rows, for data that must move with them.
    struct {
        LapModel laps;
        LapAnalysisModel analysis;
        Marks marks() const
        {
            Marks result;
            for (int row = 0; row < analysis.rowCount(); ++row) {
                result << analysis.index(row, 1).data(LapAnalysisModel::MarkRole).toInt();
            }
            return result;
        }
    } f;
    f.analysis.setSourceModel(&f.laps);
    CachedMarks cached(&f.analysis);
    int elapsed = 0;
    for (const int duration : std::as_const(durations)) {
        elapsed += duration;
        f.laps.addLap(elapsed);
    }
    QCOMPARE(cached.marks, f.marks());

    if (edit == "remove"_L1) {
        f.laps.removeLap(row);
    } else if (edit == "reinsert"_L1) {
        const Lap lap = f.laps.removeLap(row);
        QCOMPARE(cached.marks, f.marks());
        f.laps.insertLap(row, lap);
    } else {
        f.laps.shiftTimes(row);
    }

    QCOMPARE(cached.marks, f.marks());
    QList<int> sortKeys;
    for (int lap = 0; lap < f.analysis.rowCount(); ++lap) {
        sortKeys << f.analysis.index(lap, 1).data(LapAnalysisModel::SortRole).toInt();
    }
    QCOMPARE(cached.sortKeys, sortKeys);
}

void LapAnalysisModelTest::markedCellCarriesIconColourAndText()
{
    Fixture f;
    f.takeLaps({1000, 2000, 1500});

    const QModelIndex fastest = f.analysis.index(0, 1);
    const QModelIndex slowest = f.analysis.index(1, 1);
    const QModelIndex plain = f.analysis.index(2, 1);

    QCOMPARE(fastest.data(Qt::ToolTipRole).toString(), u"Fastest lap"_s);
    QCOMPARE(slowest.data(Qt::ToolTipRole).toString(), u"Slowest lap"_s);
    QCOMPARE(fastest.data(Qt::AccessibleDescriptionRole).toString(), u"Fastest lap"_s);
    QVERIFY(!fastest.data(Qt::DecorationRole).value<QIcon>().isNull());
    QVERIFY(!slowest.data(Qt::DecorationRole).value<QIcon>().isNull());
    QVERIFY(fastest.data(Qt::ForegroundRole).value<QBrush>().color() != slowest.data(Qt::ForegroundRole).value<QBrush>().color());
    // The text stays the lap's own.
    QCOMPARE(fastest.data().toString(), u"00:01.00"_s);

    QVERIFY(!plain.data(Qt::ToolTipRole).isValid());
    QVERIFY(!plain.data(Qt::DecorationRole).isValid());
    QVERIFY(!plain.data(Qt::ForegroundRole).isValid());
    // Other columns of a marked lap carry no mark.
    QVERIFY(!f.analysis.index(0, 0).data(Qt::DecorationRole).isValid());
    QVERIFY(!f.analysis.index(0, 2).data(Qt::ToolTipRole).isValid());
}

void LapAnalysisModelTest::markingCanBeSwitchedOff()
{
    Fixture f;
    f.takeLaps({1000, 2000});
    CachedMarks cached(&f.analysis);
    cached.readAll();

    f.analysis.setMarkingEnabled(false);
    QCOMPARE(f.marks(), (Marks{N, N}));
    QCOMPARE(cached.marks, f.marks());
    QVERIFY(!f.analysis.index(0, 1).data(Qt::ToolTipRole).isValid());

    f.takeLaps({500});
    QCOMPARE(f.marks(), (Marks{N, N, N}));

    f.analysis.setMarkingEnabled(true);
    QCOMPARE(f.marks(), (Marks{N, S, F}));
    QCOMPARE(cached.marks, f.marks());
}

void LapAnalysisModelTest::meanDifferenceColumn()
{
    Fixture f;
    f.takeLaps({1000, 2000});
    QCOMPARE(f.analysis.columnCount(), 4);
    QCOMPARE(f.analysis.meanDifferenceColumn(), -1);

    QSignalSpy inserted(&f.analysis, &QAbstractItemModel::columnsInserted);
    f.analysis.setMeanDifferenceShown(true);
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(f.analysis.columnCount(), 5);
    QCOMPARE(f.analysis.meanDifferenceColumn(), 4);
    QCOMPARE(f.analysis.headerData(4, Qt::Horizontal).toString(), u"Δ Mean"_s);
    QCOMPARE(f.analysis.index(0, 4).data().toString(), u"-00:00.50"_s);
    QCOMPARE(f.analysis.index(1, 4).data().toString(), u"+00:00.50"_s);

    // A new lap moves the mean, so every row's difference is announced again.
    QSignalSpy changed(&f.analysis, &QAbstractItemModel::dataChanged);
    f.takeLaps({1500});
    QCOMPARE(f.analysis.index(2, 4).data().toString(), u"00:00.00"_s);
    QCOMPARE(f.analysis.index(2, 4).data(LapAnalysisModel::MeanDifferenceRole).toDouble(), 0.0);
    const auto spansDifferences = [&f](const QList<QVariant> &arguments) {
        const auto topLeft = arguments.at(0).value<QModelIndex>();
        const auto bottomRight = arguments.at(1).value<QModelIndex>();
        return topLeft.column() <= 4 && bottomRight.column() >= 4 && topLeft.row() == 0 && bottomRight.row() == 2;
    };
    QVERIFY(std::any_of(changed.cbegin(), changed.cend(), spansDifferences));

    QSignalSpy removed(&f.analysis, &QAbstractItemModel::columnsRemoved);
    f.analysis.setMeanDifferenceShown(false);
    QCOMPARE(removed.size(), 1);
    QCOMPARE(f.analysis.columnCount(), 4);
    changed.clear();
    f.takeLaps({1500});
    QVERIFY(std::none_of(changed.cbegin(), changed.cend(), [](const QList<QVariant> &arguments) {
        return arguments.at(1).value<QModelIndex>().column() >= 4;
    }));
}

void LapAnalysisModelTest::passesTheLapModelThrough()
{
    Fixture f;
    f.takeLaps({62345, 27655});
    f.laps.setData(f.laps.index(1, 3), u"second"_s, Qt::EditRole);
    f.analysis.setMeanDifferenceShown(true);

    for (int row = 0; row < f.laps.rowCount(); ++row) {
        for (int column = 0; column < f.laps.columnCount(); ++column) {
            for (int role : {int(Qt::DisplayRole), int(Qt::EditRole), int(LapModel::NoteRole)}) {
                QCOMPARE(f.analysis.index(row, column).data(role), f.laps.index(row, column).data(role));
            }
        }
        QCOMPARE(f.analysis.index(row, 0).data(LapModel::LapRole).value<Lap>().time(), f.laps.index(row, 0).data(LapModel::LapRole).value<Lap>().time());
    }
    QCOMPARE(f.analysis.headerData(1, Qt::Horizontal).toString(), u"Lap Time"_s);

    // Notes stay editable through the analysis, the difference column is read-only.
    QVERIFY(f.analysis.setData(f.analysis.index(0, 3), u"first"_s, Qt::EditRole));
    QCOMPARE(f.laps.index(0, 3).data().toString(), u"first"_s);
    QVERIFY(!(f.analysis.flags(f.analysis.index(0, 4)) & Qt::ItemIsEditable));
    QVERIFY(!f.analysis.setData(f.analysis.index(0, 4), u"x"_s, Qt::EditRole));
}

void LapAnalysisModelTest::sortsTimesAsNumbers()
{
    Fixture f;
    // As texts, "+00:00.90" sorts before "-00:00.10" and "-00:00.10" after "-00:00.90".
    f.takeLaps({100, 1900, 900, 1100});
    f.analysis.setMeanDifferenceShown(true);

    QSortFilterProxyModel sorter;
    sorter.setSourceModel(&f.analysis);
    sorter.setSortRole(LapAnalysisModel::SortRole);
    const auto sortedLapNumbers = [&sorter](int column) {
        sorter.sort(column, Qt::AscendingOrder);
        QList<int> numbers;
        for (int row = 0; row < sorter.rowCount(); ++row) {
            numbers << sorter.index(row, 0).data().toInt();
        }
        return numbers;
    };

    QCOMPARE(sortedLapNumbers(4), (QList<int>{1, 3, 4, 2}));
    QCOMPARE(sortedLapNumbers(1), (QList<int>{1, 3, 4, 2}));
    QCOMPARE(sortedLapNumbers(2), (QList<int>{1, 2, 3, 4}));
    QCOMPARE(sortedLapNumbers(0), (QList<int>{1, 2, 3, 4}));
}

void LapAnalysisModelTest::followsResetAndFormatChange()
{
    Fixture f;
    f.takeLaps({1000, 2000, 1500});
    QSignalSpy statisticsChanged(&f.analysis, &LapAnalysisModel::statisticsChanged);

    f.laps.setTimeFormat(TimeFormat(true, true, TimeFormat::UpToMilliseconds));
    QCOMPARE(f.analysis.statistics().count(), 3);
    QCOMPARE(f.analysis.statistics().mean(), 1500.0);
    QCOMPARE(f.marks(), (Marks{F, S, N}));
    QCOMPARE(f.analysis.formatDuration(f.analysis.statistics().mean()), u"00:00:01.500"_s);
    QVERIFY(!statisticsChanged.isEmpty());

    statisticsChanged.clear();
    f.laps.clear();
    QCOMPARE(f.analysis.statistics().count(), 0);
    QCOMPARE(f.analysis.rowCount(), 0);
    QVERIFY(!statisticsChanged.isEmpty());

    // Laps after a reset start from the new run, not from the old one's last lap.
    f.elapsed = 0;
    f.takeLaps({300, 400});
    QCOMPARE(f.analysis.duration(0), 300);
    QCOMPARE(f.analysis.duration(1), 400);
}

void LapAnalysisModelTest::followsASourceThatAlreadyHasLaps()
{
    LapModel laps;
    laps.addLap(3000);
    // A lap earlier than the one before took no time, as in the lap table.
    laps.addLap(1000);
    laps.addLap(5000);

    LapAnalysisModel analysis;
    QAbstractItemModelTester tester(&analysis, QAbstractItemModelTester::FailureReportingMode::QtTest);
    analysis.setSourceModel(&laps);

    QCOMPARE(analysis.rowCount(), 3);
    QCOMPARE(analysis.duration(0), 3000);
    QCOMPARE(analysis.duration(1), 0);
    QCOMPARE(analysis.duration(2), 4000);
    QCOMPARE(analysis.index(1, 1).data(LapAnalysisModel::MarkRole).toInt(), F);
    QCOMPARE(analysis.index(2, 1).data(LapAnalysisModel::MarkRole).toInt(), S);
}

void LapAnalysisModelTest::blockOfLapsReadsAsLapsOneByOne_data()
{
    QTest::addColumn<QList<int>>("taken");
    QTest::addColumn<QList<int>>("block");

    QTest::newRow("into an empty table") << QList<int>{} << QList<int>{1000, 3000, 500, 3000};
    QTest::newRow("a new fastest and slowest unmark the old") << QList<int>{1000, 2000} << QList<int>{1500, 400, 2500};
    QTest::newRow("ties with laps before") << QList<int>{800, 900} << QList<int>{800, 900, 850};
    QTest::newRow("alike laps become different") << QList<int>{700, 700} << QList<int>{700, 900};
    QTest::newRow("one lap") << QList<int>{1000, 2000} << QList<int>{300};
}

// Laps that come in as one block (recovery, import, an opened session) leave the figures,
// the marks and the sort keys a view has cached as the same laps taken one by one do.
void LapAnalysisModelTest::blockOfLapsReadsAsLapsOneByOne()
{
    QFETCH(QList<int>, taken);
    QFETCH(QList<int>, block);

    Fixture oneByOne;
    oneByOne.takeLaps(taken);
    oneByOne.takeLaps(block);

    Fixture atOnce;
    atOnce.analysis.setMeanDifferenceShown(true);
    atOnce.takeLaps(taken);
    CachedMarks cached(&atOnce.analysis);
    cached.readAll();
    QSignalSpy changed(&atOnce.analysis, &QAbstractItemModel::dataChanged);
    QSignalSpy statisticsChanged(&atOnce.analysis, &LapAnalysisModel::statisticsChanged);
    QList<Lap> laps;
    int elapsed = atOnce.elapsed;
    for (int duration : std::as_const(block)) {
        elapsed += duration;
        laps << Lap(elapsed);
    }
    atOnce.laps.appendLaps(laps);

    QCOMPARE(atOnce.marks(), oneByOne.marks());
    QCOMPARE(cached.marks, atOnce.marks());
    for (int row = 0; row < atOnce.analysis.rowCount(); ++row) {
        QCOMPARE(atOnce.analysis.duration(row), oneByOne.analysis.duration(row));
        QCOMPARE(cached.sortKeys.at(row), atOnce.analysis.index(row, 1).data(LapAnalysisModel::SortRole).toInt());
    }
    const LapStatistics &figures = atOnce.analysis.statistics();
    QCOMPARE(figures.count(), oneByOne.analysis.statistics().count());
    QCOMPARE(figures.mean(), oneByOne.analysis.statistics().mean());
    QCOMPARE(figures.median(), oneByOne.analysis.statistics().median());
    QCOMPARE(figures.last(), oneByOne.analysis.statistics().last());
    // The figures and the mean differences of all rows are announced once for the block.
    QCOMPARE(statisticsChanged.count(), 1);
    const int meanColumn = atOnce.analysis.columnCount() - 1;
    const auto meanAnnouncements = std::count_if(changed.cbegin(), changed.cend(), [meanColumn](const QList<QVariant> &arguments) {
        return arguments.at(0).toModelIndex().column() == meanColumn;
    });
    QCOMPARE(meanAnnouncements, atOnce.analysis.rowCount() > 1 ? 1 : 0);
}

QTEST_MAIN(LapAnalysisModelTest)

#include "lapanalysismodeltest.moc"
