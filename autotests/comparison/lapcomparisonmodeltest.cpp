// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lapcomparisonmodel.h"
#include "activityruns.h"
#include "lapanalysismodel.h"
#include "lapmodel.h"
#include "runcomparison.h"
#include "session.h"
#include "sessionmodel.h"

#include <KColorScheme>

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class LapComparisonModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void columnsOnlyWhileComparing();
    void differencesAndGoldLaps();
    void lapsReachTheComparisonOneByOne();
    void editedTimesAreComparedAnew();

private:
    void addLaps(const QList<int> &lapTimes);

    std::unique_ptr<QStandardItemModel> m_sessions;
    std::unique_ptr<ActivityRuns> m_runs;
    std::unique_ptr<RunComparison> m_comparison;
    std::unique_ptr<LapModel> m_lapModel;
    std::unique_ptr<LapAnalysisModel> m_analysis;
    std::unique_ptr<LapComparisonModel> m_model;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    int m_elapsed = 0;
};

void LapComparisonModelTest::init()
{
    // One earlier run of the activity gives the best laps: 59.8, 62.5 and 60.8 s.
    m_sessions = std::make_unique<QStandardItemModel>();
    Session earlier(183100, QDateTime(QDate(2026, 5, 1), QTime(8, 0)));
    earlier.setName(u"Route"_s);
    earlier.setId(u"earlier"_s);
    for (const int sinceStart : {59800, 122300, 183100}) {
        earlier.addLap(Lap::fromMilliseconds(sinceStart));
    }
    auto item = new QStandardItem;
    item->setData(QVariant::fromValue(earlier), SessionModel::SessionRole);
    m_sessions->appendRow(item);

    m_runs = std::make_unique<ActivityRuns>(m_sessions.get());
    m_runs->setActivity(u"Route"_s, QString());
    m_comparison = std::make_unique<RunComparison>(m_runs.get());
    m_lapModel = std::make_unique<LapModel>();
    m_analysis = std::make_unique<LapAnalysisModel>();
    m_analysis->setSourceModel(m_lapModel.get());
    m_model = std::make_unique<LapComparisonModel>(m_comparison.get());
    m_model->setSourceModel(m_analysis.get());
    m_tester = std::make_unique<QAbstractItemModelTester>(m_model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    m_elapsed = 0;
}

void LapComparisonModelTest::cleanup()
{
    m_tester.reset();
    m_model.reset();
    m_analysis.reset();
    m_lapModel.reset();
    m_comparison.reset();
    m_runs.reset();
    m_sessions.reset();
}

void LapComparisonModelTest::addLaps(const QList<int> &lapTimes)
{
    for (const int lapTime : lapTimes) {
        m_elapsed += lapTime;
        m_lapModel->addLap(m_elapsed);
    }
}

void LapComparisonModelTest::columnsOnlyWhileComparing()
{
    const int plain = m_analysis->columnCount();
    addLaps({59500});
    QCOMPARE(m_model->columnCount(), plain);
    QCOMPARE(m_model->lapDifferenceColumn(), -1);
    QCOMPARE(m_model->index(0, 0).data(LapComparisonModel::GoldRole), QVariant(false));

    QSignalSpy inserted(m_model.get(), &QAbstractItemModel::columnsInserted);
    m_comparison->choose(RunSplits::fromLapTimes({60000, 62000, 61000}), u"Chosen"_s);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(m_model->columnCount(), plain + 2);
    QCOMPARE(m_model->headerData(m_model->lapDifferenceColumn(), Qt::Horizontal).toString(), u"Δ Lap"_s);
    QCOMPARE(m_model->headerData(m_model->runningDifferenceColumn(), Qt::Horizontal).toString(), u"Δ Global"_s);

    // The mean column of the analysis comes and goes before the comparison's.
    m_analysis->setMeanDifferenceShown(true);
    QCOMPARE(m_model->columnCount(), plain + 3);
    QCOMPARE(m_model->lapDifferenceColumn(), plain + 1);
    QCOMPARE(m_model->index(0, m_model->lapDifferenceColumn()).data().toString(), m_analysis->formatDifference(-500));

    QSignalSpy removed(m_model.get(), &QAbstractItemModel::columnsRemoved);
    m_comparison->setReference(RunComparison::Reference::None);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(m_model->columnCount(), plain + 1);
    QCOMPARE(m_model->index(0, 0).data(LapComparisonModel::GoldRole), QVariant(false));
}

void LapComparisonModelTest::differencesAndGoldLaps()
{
    m_comparison->choose(RunSplits::fromLapTimes({60000, 62000, 61000}), u"Chosen"_s);
    addLaps({59500, 63000, 60500, 58000});

    const int lapColumn = m_model->lapDifferenceColumn();
    const int runningColumn = m_model->runningDifferenceColumn();
    const QList<std::optional<qint64>> lapDifferences{-500, 1000, -500, {}};
    const QList<std::optional<qint64>> runningDifferences{-500, 500, 0, {}};
    const QList<bool> gold{true, false, true, false};
    const KColorScheme scheme(QPalette::Active, KColorScheme::View);
    const int numberColumn = m_lapModel->columnForRole(LapModel::LapNumberRole);
    for (int row = 0; row < 4; ++row) {
        const auto text = [this, row](int column) {
            return m_model->index(row, column).data().toString();
        };
        const auto expectedText = [this](std::optional<qint64> difference) {
            return difference ? m_analysis->formatDifference(double(*difference)) : QString();
        };
        QCOMPARE(text(lapColumn), expectedText(lapDifferences.at(row)));
        QCOMPARE(text(runningColumn), expectedText(runningDifferences.at(row)));
        QCOMPARE(m_model->index(row, 0).data(LapComparisonModel::GoldRole).toBool(), gold.at(row));
        const QModelIndex number = m_model->index(row, numberColumn);
        QCOMPARE(number.data(Qt::DecorationRole).isValid(), gold.at(row));
        QCOMPARE(number.data(Qt::AccessibleDescriptionRole).toString().contains(u"Gold lap"_s), gold.at(row));
    }
    // Ahead reads as good news, behind as bad, even reads as nothing.
    QCOMPARE(m_model->index(0, lapColumn).data(Qt::ForegroundRole).value<QBrush>().color(), scheme.foreground(KColorScheme::PositiveText).color());
    QCOMPARE(m_model->index(1, lapColumn).data(Qt::ForegroundRole).value<QBrush>().color(), scheme.foreground(KColorScheme::NegativeText).color());
    QVERIFY(!m_model->index(2, runningColumn).data(Qt::ForegroundRole).isValid());
    // Differences sort by their value, laps past the compared run last.
    QVERIFY(m_model->index(0, lapColumn).data(LapAnalysisModel::SortRole).toLongLong()
            < m_model->index(1, lapColumn).data(LapAnalysisModel::SortRole).toLongLong());
    QVERIFY(m_model->index(3, lapColumn).data(LapAnalysisModel::SortRole).toLongLong() > 1000);
    // No earlier run had a fourth lap: this run's counts.
    QCOMPARE(m_comparison->sumOfBest(), 182500 + 58000);
}

void LapComparisonModelTest::lapsReachTheComparisonOneByOne()
{
    m_comparison->setReference(RunComparison::Reference::BestRun);
    QSignalSpy changed(m_model.get(), &QAbstractItemModel::dataChanged);
    addLaps({59000, 61000});
    QCOMPARE(m_comparison->run(), RunSplits::fromLapTimes({59000, 61000}));
    // A lap announces nothing beyond its own row: the other laps' differences stay.
    for (const QList<QVariant> &arguments : std::as_const(changed)) {
        QVERIFY(arguments.at(1).value<QModelIndex>().column() < m_model->lapDifferenceColumn() || m_model->lapDifferenceColumn() < 0);
    }

    m_lapModel->clear();
    m_elapsed = 0;
    QVERIFY(m_comparison->run().isEmpty());
    addLaps({1000});
    QCOMPARE(m_comparison->run(), RunSplits::fromLapTimes({1000}));

    // A note is no time.
    m_model->setData(m_model->index(0, m_lapModel->columnForRole(LapModel::NoteRole)), u"windy"_s);
    QCOMPARE(m_comparison->run(), RunSplits::fromLapTimes({1000}));
}

void LapComparisonModelTest::editedTimesAreComparedAnew()
{
    m_comparison->choose(RunSplits::fromLapTimes({60000, 62000, 61000}), u"Chosen"_s);
    addLaps({59500, 63000});
    // Laps replaced at once, as when a session or an import is shown in the window.
    m_lapModel->clear();
    for (const int sinceStart : {70000, 130000}) {
        Lap lap = Lap::fromMilliseconds(sinceStart);
        m_lapModel->append(lap);
    }
    QCOMPARE(m_comparison->run(), RunSplits({70000, 130000}));
    QCOMPARE(m_model->index(1, m_model->runningDifferenceColumn()).data().toString(), m_analysis->formatDifference(8000));
}

QTEST_MAIN(LapComparisonModelTest)

#include "lapcomparisonmodeltest.moc"
