// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "activityruns.h"
#include "comparisonsummary.h"
#include "lapanalysismodel.h"
#include "lapmodel.h"
#include "livedifference.h"
#include "runcomparison.h"

#include <QLabel>
#include <QStandardItemModel>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class ComparisonWidgetsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void liveDifferenceFollowsTicks_data();
    void liveDifferenceFollowsTicks();
    void ticksAreNotAnnounced();
    void summaryFigures();

private:
    std::unique_ptr<QStandardItemModel> m_sessions;
    std::unique_ptr<ActivityRuns> m_runs;
    std::unique_ptr<RunComparison> m_comparison;
    std::unique_ptr<LapModel> m_laps;
    std::unique_ptr<LapAnalysisModel> m_analysis;
    std::unique_ptr<QWidget> m_window;
};

void ComparisonWidgetsTest::init()
{
    m_sessions = std::make_unique<QStandardItemModel>();
    m_runs = std::make_unique<ActivityRuns>(m_sessions.get());
    m_comparison = std::make_unique<RunComparison>(m_runs.get());
    m_laps = std::make_unique<LapModel>();
    m_analysis = std::make_unique<LapAnalysisModel>();
    m_analysis->setSourceModel(m_laps.get());
    m_window = std::make_unique<QWidget>();
}

void ComparisonWidgetsTest::cleanup()
{
    m_window.reset();
    m_analysis.reset();
    m_laps.reset();
    m_comparison.reset();
    m_runs.reset();
    m_sessions.reset();
}

void ComparisonWidgetsTest::liveDifferenceFollowsTicks_data()
{
    QTest::addColumn<QList<qint64>>("laps");
    QTest::addColumn<int>("elapsed");
    QTest::addColumn<qint64>("expected");

    // Against laps of 60, 62 and 61 seconds.
    QTest::newRow("start") << QList<qint64>{} << 0 << qint64(0);
    QTest::newRow("first lap runs long") << QList<qint64>{} << 61500 << qint64(1500);
    QTest::newRow("ahead within the lap") << QList<qint64>{59500} << 100000 << qint64(-500);
    QTest::newRow("ahead, lap past the reference") << QList<qint64>{59500} << 59500 + 62300 << qint64(-200);
    QTest::newRow("paused past the end") << QList<qint64>{59500, 122500, 183000, 200000} << 250000 << qint64(0);
}

void ComparisonWidgetsTest::liveDifferenceFollowsTicks()
{
    QFETCH(QList<qint64>, laps);
    QFETCH(int, elapsed);
    QFETCH(qint64, expected);

    LiveDifference live(m_comparison.get(), m_analysis.get(), m_window.get());
    m_window->show();
    QVERIFY(live.isHidden());
    m_comparison->choose(RunSplits::fromLapTimes({60000, 62000, 61000}), u"Route"_s);
    QVERIFY(live.isVisible());
    m_comparison->setRun(RunSplits(laps));
    live.setElapsed(elapsed);
    QCOMPARE(live.text(), m_analysis->formatDifference(double(expected)));

    m_comparison->setReference(RunComparison::Reference::None);
    QVERIFY(live.isHidden());
    QCOMPARE(live.text(), QString());
}

void ComparisonWidgetsTest::ticksAreNotAnnounced()
{
    LiveDifference live(m_comparison.get(), m_analysis.get(), m_window.get());
    m_comparison->choose(RunSplits::fromLapTimes({1000, 1000}), u"Route"_s);
    live.setElapsed(500);
    const QString announced = live.accessibleDescription();
    QCOMPARE(announced, live.text());
    live.setElapsed(1700);
    QVERIFY(live.text() != announced);
    QCOMPARE(live.accessibleDescription(), announced);
    // A lap tells the new difference.
    m_comparison->appendLap(1700);
    QCOMPARE(live.accessibleDescription(), m_analysis->formatDifference(700));
    QVERIFY(live.toolTip().contains(u"Route"_s));
}

void ComparisonWidgetsTest::summaryFigures()
{
    ComparisonSummary summary(m_comparison.get(), m_analysis.get(), m_window.get());
    m_window->show();
    QVERIFY(summary.isHidden());

    m_comparison->choose(RunSplits::fromLapTimes({60000, 62000, 61000}), u"Route"_s);
    QVERIFY(summary.isVisible());
    const auto figure = [&summary](const QString &name) {
        return summary.findChild<QLabel *>(name)->text();
    };
    QCOMPARE(figure(u"predictedFinish"_s), m_analysis->formatDuration(183000));
    m_comparison->appendLap(59500);
    QCOMPARE(figure(u"predictedFinish"_s), m_analysis->formatDuration(182500));
    QCOMPARE(figure(u"sumOfBest"_s), m_analysis->formatDuration(59500));
    QCOMPARE(figure(u"possibleTimeSave"_s), m_analysis->formatDuration(0));
    m_comparison->setRun(RunSplits::fromLapTimes({59500, 63000, 60500, 1000}));
    QCOMPARE(figure(u"predictedFinish"_s), u"–"_s);
}

QTEST_MAIN(ComparisonWidgetsTest)

#include "comparisonwidgetstest.moc"
