// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

// What a comparison with earlier runs costs: a lap with and without one, on a thousand
// stored runs of a hundred laps; choosing a comparison; another window storing a run.

#include "activityruns.h"
#include "benchmarkhelpers.h"
#include "lapanalysismodel.h"
#include "lapcomparisonmodel.h"
#include "lapmodel.h"
#include "runcomparison.h"
#include "session.h"
#include "sessionmodel.h"

#include <QHeaderView>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace
{
constexpr int storedRuns = 1000;
constexpr int lapsPerRun = 100;

QStandardItem *storedRun(int run)
{
    Session session(0, QDateTime(QDate(2026, 1, 1), QTime(8, 0)).addSecs(run * 3600));
    session.setName(u"Route"_s);
    session.setId(QString::number(run));
    int sinceStart = 0;
    for (int lap = 0; lap < lapsPerRun; ++lap) {
        sinceStart += 500 + (run * 7 + lap * 13) % 200;
        session.addLap(Lap::fromMilliseconds(sinceStart));
    }
    session.setTime(sinceStart);
    auto item = new QStandardItem;
    item->setData(QVariant::fromValue(session), SessionModel::SessionRole);
    return item;
}

// The lap table as the window builds it, held against the stored runs.
struct ComparedTable {
    explicit ComparedTable(RunComparison::Reference reference)
        : runs(&sessions)
        , comparison(&runs)
        , compared(&comparison)
    {
        for (int run = 0; run < storedRuns; ++run) {
            sessions.appendRow(storedRun(run));
        }
        runs.setActivity(u"Route"_s, QString());
        comparison.setReference(reference);
        laps.setTimeFormat(TimeFormat(false, true, TimeFormat::UpToHundredths));
    }

    void fill(int count)
    {
        for (int lap = 0; lap < count; ++lap) {
            takeLap();
        }
    }

    [[nodiscard]] bool attachAndShow()
    {
        analysis.setSourceModel(&laps);
        compared.setSourceModel(&analysis);
        sorted.setSourceModel(&compared);
        view.setModel(&sorted);
        view.verticalHeader()->hide();
        view.horizontalHeader()->setStretchLastSection(true);
        view.setSortingEnabled(true);
        view.resize(600, 400);
        view.show();
        const bool exposed = QTest::qWaitForWindowExposed(&view);
        QCoreApplication::processEvents();
        return exposed;
    }

    void takeLap()
    {
        elapsed += 500 + (laps.rowCount() * 31) % 200;
        laps.addLap(elapsed);
    }

    QStandardItemModel sessions;
    ActivityRuns runs;
    RunComparison comparison;
    LapModel laps;
    LapAnalysisModel analysis;
    LapComparisonModel compared;
    QSortFilterProxyModel sorted;
    QTableView view;
    int elapsed = 0;
};
}

class ComparisonBenchmark : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void takeLap_data();
    void takeLap();
    void chooseComparison();
    void anotherWindowStoresARun();
};

void ComparisonBenchmark::initTestCase()
{
    Benchmark::quietOffscreenWarnings();
}

void ComparisonBenchmark::takeLap_data()
{
    QTest::addColumn<int>("laps");
    QTest::addColumn<int>("reference");

    for (const int laps : {50, 1000, 10000, 100000}) {
        QTest::addRow("%d laps, no comparison", laps) << laps << int(RunComparison::Reference::None);
        QTest::addRow("%d laps, best laps of 1000 runs", laps) << laps << int(RunComparison::Reference::BestLaps);
    }
}

void ComparisonBenchmark::takeLap()
{
    QFETCH(int, laps);
    QFETCH(int, reference);

    ComparedTable table{RunComparison::Reference(reference)};
    table.fill(laps);
    QVERIFY(table.attachAndShow());
    QBENCHMARK {
        table.takeLap();
        QCoreApplication::processEvents();
    }
}

void ComparisonBenchmark::chooseComparison()
{
    ComparedTable table{RunComparison::Reference::None};
    table.fill(lapsPerRun / 2);
    QVERIFY(table.attachAndShow());
    QBENCHMARK {
        table.comparison.setReference(RunComparison::Reference::BestRun);
        table.comparison.setReference(RunComparison::Reference::BestLaps);
        QCoreApplication::processEvents();
    }
}

void ComparisonBenchmark::anotherWindowStoresARun()
{
    ComparedTable table{RunComparison::Reference::BestLaps};
    table.fill(lapsPerRun / 2);
    QVERIFY(table.attachAndShow());
    int run = storedRuns;
    QBENCHMARK {
        table.sessions.appendRow(storedRun(run++));
        QCoreApplication::processEvents();
    }
}

QTEST_MAIN(ComparisonBenchmark)

#include "comparisonbenchmark.moc"
