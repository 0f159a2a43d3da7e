// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "benchmarkhelpers.h"
#include "lapitemdelegate.h"
#include "lapmodel.h"
#include "timeformat.h"

#include <KLocalizedString>

#include <QHeaderView>
#include <QSortFilterProxyModel>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>

#include <malloc.h>
#include <memory>

using namespace Qt::Literals::StringLiterals;

class LapsBenchmark : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void takeLap_data();
    void takeLap();
    void changeFormat_data();
    void changeFormat();
    void memoryPer10000Laps();
};

namespace
{
const TimeFormat lapFormat(false, true, TimeFormat::UpToHundredths);
const TimeFormat otherLapFormat(true, true, TimeFormat::UpToMilliseconds);

// Laps about half a second apart, so that 170,000 of them still fit in a day.
QTime lapTime(int lap)
{
    return QTime::fromMSecsSinceStartOfDay(lap * 500 + (lap * 37) % 100);
}

// The lap table as the window builds it: model, sort proxy and view with the window's settings.
struct LapTable {
    LapTable()
        : proxy(std::make_unique<QSortFilterProxyModel>())
        , view(std::make_unique<QTableView>())
        , delegate(std::make_unique<LapItemDelegate>(nullptr))
    {
        model.setTimeFormat(lapFormat);
    }

    // Filled before the proxy and view are attached: the table is set up, not measured.
    void fill(int laps)
    {
        for (int lap = 0; lap < laps; ++lap) {
            model.addLap(lapTime(lap));
        }
    }

    // Whether the view reached the screen; the event loop has settled by the return.
    [[nodiscard]] bool attachAndShow()
    {
        proxy->setSourceModel(&model);
        view->setModel(proxy.get());
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setGridStyle(Qt::DotLine);
        view->verticalHeader()->hide();
        view->horizontalHeader()->setStretchLastSection(true);
        view->setItemDelegate(delegate.get());
        view->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
        view->setSortingEnabled(true);
        view->resizeColumnsToContents();
        view->resize(500, 400);
        view->show();
        const bool exposed = QTest::qWaitForWindowExposed(view.get());
        QCoreApplication::processEvents();
        return exposed;
    }

    // What the Lap action does: the stopwatch's lap() reaches the model, then the new row is selected.
    void takeLap()
    {
        model.addLap(lapTime(model.rowCount()));
        view->selectRow(model.rowCount() - 1);
    }

    LapModel model;
    std::unique_ptr<QSortFilterProxyModel> proxy;
    std::unique_ptr<QTableView> view;
    std::unique_ptr<LapItemDelegate> delegate;
};

// The proxy and the view go before the model they watch.
void dismantle(LapTable &table)
{
    table.view.reset();
    table.proxy.reset();
}
}

void LapsBenchmark::initTestCase()
{
    Benchmark::quietOffscreenWarnings();
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"tickwarden"_s);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
}

void LapsBenchmark::takeLap_data()
{
    QTest::addColumn<int>("laps");

    QTest::newRow("1000 laps") << 1000;
    QTest::newRow("10000 laps") << 10000;
    QTest::newRow("100000 laps") << 100000;
}

void LapsBenchmark::takeLap()
{
    QFETCH(int, laps);

    LapTable table;
    table.fill(laps);
    QVERIFY(table.attachAndShow());

    // Each lap is followed by the event loop, where the view lays out and paints the new row.
    QBENCHMARK {
        table.takeLap();
        QCoreApplication::processEvents();
    }
    dismantle(table);
}

void LapsBenchmark::changeFormat_data()
{
    QTest::addColumn<int>("laps");

    // 10,000 is the figure asked for; the neighbours show how the cost grows.
    QTest::newRow("2500 laps") << 2500;
    QTest::newRow("5000 laps") << 5000;
    QTest::newRow("10000 laps") << 10000;
    QTest::newRow("20000 laps") << 20000;
}

void LapsBenchmark::changeFormat()
{
    QFETCH(int, laps);

    LapTable table;
    table.fill(laps);
    QVERIFY(table.attachAndShow());

    // Alternating, so that every round really forms new texts.
    bool other = false;
    QBENCHMARK {
        other = !other;
        table.model.setTimeFormat(other ? otherLapFormat : lapFormat);
        QCoreApplication::processEvents();
    }
    QCOMPARE(table.model.rowCount(), laps);
    dismantle(table);
}

void LapsBenchmark::memoryPer10000Laps()
{
    constexpr int Laps = 10000;

    LapTable table;
    QVERIFY(table.attachAndShow());
    // A warm-up lap, so that one-time allocations of the view do not count as lap memory.
    table.takeLap();
    QCoreApplication::processEvents();
    malloc_trim(0);

    const qint64 residentBefore = Benchmark::residentKiB();
    const qint64 heapBefore = Benchmark::heapInUseKiB();
    for (int lap = 0; lap < Laps; ++lap) {
        table.takeLap();
        if (lap % 100 == 0) {
            QCoreApplication::processEvents();
        }
    }
    QCoreApplication::processEvents();
    const qint64 residentAfter = Benchmark::residentKiB();
    const qint64 heapAfter = Benchmark::heapInUseKiB();

    Benchmark::figure("laps.memory_per_10000.heap", double(heapAfter - heapBefore), "KiB");
    Benchmark::figure("laps.memory_per_10000.resident", double(residentAfter - residentBefore), "KiB");
    Benchmark::figure("laps.memory_per_lap.heap", double(heapAfter - heapBefore) * 1024.0 / Laps, "B");
    QCOMPARE(table.model.rowCount(), Laps + 1);
    dismantle(table);
}

QTEST_MAIN(LapsBenchmark)

#include "lapsbenchmark.moc"
