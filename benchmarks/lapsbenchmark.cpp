// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "benchmarkhelpers.h"
#include "lapanalysismodel.h"
#include "lapchart.h"
#include "lapitemdelegate.h"
#include "lapmodel.h"
#include "lapsummary.h"
#include "laptabletext.h"
#include "mainwindow.h"
#include "recoveryjournal.h"
#include "runhistory.h"
#include "session.h"
#include "sessionmodel.h"
#include "timeformat.h"
#include "windowrecovery.h"
#include "windowsnapshot.h"

#include <KActionCollection>
#include <KLocalizedString>

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>
#include <QSortFilterProxyModel>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QUuid>
#include <QVBoxLayout>

#include <functional>
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
    void takeLapWithAnalysis_data();
    void takeLapWithAnalysis();
    void takeLapInWindow_data();
    void takeLapInWindow();
    void fillWindow_data();
    void fillWindow();
    void editInWindow_data();
    void editInWindow();
    void changeFormat_data();
    void changeFormat();
    void copyLaps();
    void memoryPer10000Laps();
};

namespace
{
const TimeFormat lapFormat(false, true, TimeFormat::UpToHundredths);
const TimeFormat otherLapFormat(true, true, TimeFormat::UpToMilliseconds);

// Laps about half a second apart.
int lapTime(int lap)
{
    return lap * 500 + (lap * 37) % 100;
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

// The lap side of the window with its analysis: table over the analysis, the summary below
// it and the chart beside, all on screen.
struct AnalysedLapTable {
    explicit AnalysedLapTable(bool meanDifference)
    {
        model.setTimeFormat(lapFormat);
        analysis.setSourceModel(&model);
        analysis.setMeanDifferenceShown(meanDifference);
    }

    void fill(int laps)
    {
        for (int lap = 0; lap < laps; ++lap) {
            model.addLap(lapTime(lap));
        }
    }

    [[nodiscard]] bool attachAndShow()
    {
        window = std::make_unique<QWidget>();
        auto layout = new QVBoxLayout(window.get());
        proxy = new QSortFilterProxyModel(window.get());
        proxy->setSourceModel(&analysis);
        proxy->setSortRole(LapAnalysisModel::SortRole);
        view = new QTableView(window.get());
        view->setModel(proxy);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->verticalHeader()->hide();
        view->horizontalHeader()->setStretchLastSection(true);
        view->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
        view->setSortingEnabled(true);
        layout->addWidget(view);
        layout->addWidget(new LapSummary(&analysis, window.get()));
        layout->addWidget(new LapChart(&analysis, window.get()));
        window->resize(600, 700);
        window->show();
        const bool exposed = QTest::qWaitForWindowExposed(window.get());
        QCoreApplication::processEvents();
        return exposed;
    }

    void takeLap()
    {
        model.addLap(lapTime(model.rowCount()));
        view->selectRow(model.rowCount() - 1);
    }

    LapModel model;
    LapAnalysisModel analysis;
    std::unique_ptr<QWidget> window;
    QSortFilterProxyModel *proxy = nullptr;
    QTableView *view = nullptr;
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

void LapsBenchmark::takeLapWithAnalysis_data()
{
    QTest::addColumn<int>("laps");
    QTest::addColumn<bool>("meanDifference");

    for (int laps : {1000, 10000, 100000}) {
        QTest::addRow("%d laps", laps) << laps << false;
        QTest::addRow("%d laps, difference column", laps) << laps << true;
    }
}

void LapsBenchmark::takeLapWithAnalysis()
{
    QFETCH(int, laps);
    QFETCH(bool, meanDifference);

    AnalysedLapTable table(meanDifference);
    table.fill(laps);
    QVERIFY(table.attachAndShow());

    QBENCHMARK {
        table.takeLap();
        QCoreApplication::processEvents();
    }
    table.window.reset();
}

void LapsBenchmark::takeLapInWindow_data()
{
    QTest::addColumn<int>("laps");
    QTest::addColumn<bool>("journal");

    for (int laps : {1000, 10000, 100000}) {
        QTest::addRow("%d laps, journal", laps) << laps << true;
        QTest::addRow("%d laps, no journal", laps) << laps << false;
    }
}

void LapsBenchmark::takeLapInWindow()
{
    QFETCH(int, laps);
    QFETCH(bool, journal);
    // Timed laps per row: enough to take in the journal's occasional larger writes, few
    // enough that a slow journal still finishes at 100,000 laps.
    constexpr int TimedLaps = 200;

    const QString folder = RecoveryJournal::directory();
    QDir(folder).removeRecursively();
    QFile::remove(folder);
    if (!journal) {
        // A file where the journal folder belongs: the window works on without a journal.
        QVERIFY(QDir().mkpath(QFileInfo(folder).path()));
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }

    SessionModel store;
    auto window = std::make_unique<MainWindow>(&store, nullptr, Session(0, QDateTime::currentDateTime()));
    // The laps already taken come in the way imported laps do, all at once: taking them one
    // by one through a slow journal would take hours at 100,000.
    QList<Lap> taken;
    taken.reserve(laps);
    for (int lap = 0; lap < laps; ++lap) {
        taken << Lap(lapTime(lap));
    }
    window->loadImportedLaps(taken, u"Benchmark"_s);
    // The event loop right after filling, where the journal writes the whole window.
    QElapsedTimer firstWrite;
    firstWrite.start();
    QCoreApplication::processEvents();
    const double firstWriteMs = firstWrite.nsecsElapsed() / 1e6;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    QAction *start = window->actionCollection()->action(u"start"_s);
    QAction *lap = window->actionCollection()->action(u"lap"_s);
    QVERIFY(start->isEnabled());
    start->trigger();
    QCoreApplication::processEvents();
    QVERIFY(lap->isEnabled());

    // What a lap costs once the table has its size: the action, then the event loop, where
    // the view paints and the journal writes.
    qint64 slowest = 0;
    QElapsedTimer all;
    all.start();
    for (int round = 0; round < TimedLaps; ++round) {
        QElapsedTimer one;
        one.start();
        lap->trigger();
        QCoreApplication::processEvents();
        slowest = std::max(slowest, one.nsecsElapsed());
    }
    const double perLapMs = all.nsecsElapsed() / 1e6 / TimedLaps;

    const QByteArray name = "laps.window_lap." + QByteArray::number(laps) + (journal ? ".journal" : ".no_journal");
    Benchmark::figure(QByteArray(name + ".per_lap").constData(), perLapMs, "ms");
    Benchmark::figure(QByteArray(name + ".slowest_lap").constData(), slowest / 1e6, "ms");
    Benchmark::figure(QByteArray(name + ".first_write").constData(), firstWriteMs, "ms");

    // Destroyed, not closed: closing would ask about the unsaved laps.
    window.reset();
    QDir(folder).removeRecursively();
    QFile::remove(folder);
}

void LapsBenchmark::fillWindow_data()
{
    QTest::addColumn<int>("laps");
    QTest::addColumn<bool>("recover");

    for (int laps : {10000, 100000}) {
        QTest::addRow("import %d laps", laps) << laps << false;
        QTest::addRow("recover %d laps", laps) << laps << true;
    }
}

// A long run coming into a window at once, by Import Laps or by a recovery after a crash:
// measured once, from the call to the window showing the laps.
void LapsBenchmark::fillWindow()
{
    QFETCH(int, laps);
    QFETCH(bool, recover);

    QDir(RecoveryJournal::directory()).removeRecursively();
    QList<Lap> taken;
    taken.reserve(laps);
    for (int lap = 0; lap < laps; ++lap) {
        taken << Lap(lapTime(lap));
    }
    SessionModel store;
    std::unique_ptr<KMainWindow> window;
    QElapsedTimer timer;
    if (recover) {
        WindowSnapshot left;
        left.state = Stopwatch::Running;
        left.elapsed = lapTime(laps);
        left.bootId = WindowSnapshot::currentBootId();
        left.recordedAt = WindowSnapshot::monotonicNow();
        left.session = Session(0, QDateTime::currentDateTime());
        left.modified = true;
        left.laps = taken;
        QJsonObject json;
        left.toJson(json);
        QVERIFY(QDir().mkpath(RecoveryJournal::directory()));
        QFile file(RecoveryJournal::fileNameFor(QUuid::createUuid().toString(QUuid::WithoutBraces)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(json).toJson(QJsonDocument::Compact));
        file.close();
        timer.start();
        const QList<KMainWindow *> windows = WindowRecovery::reopenWindows([&store] {
            return new MainWindow(&store, nullptr, Session(0, QDateTime::currentDateTime()));
        });
        QCOMPARE(windows.size(), 1);
        window.reset(windows.constFirst());
    } else {
        timer.start();
        auto imported = new MainWindow(&store, nullptr, Session(0, QDateTime::currentDateTime()));
        window.reset(imported);
        imported->loadImportedLaps(taken, u"Benchmark"_s);
        window->show();
    }
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const double ms = timer.nsecsElapsed() / 1e6;
    QCOMPARE(window->findChild<LapModel *>()->rowCount(), laps);
    Benchmark::figure(QByteArray("laps.fill_window." + QByteArray(recover ? "recover." : "import.") + QByteArray::number(laps)).constData(), ms, "ms");

    window.reset();
    QDir(RecoveryJournal::directory()).removeRecursively();
}

void LapsBenchmark::editInWindow_data()
{
    QTest::addColumn<int>("laps");

    for (int laps : {1000, 10000, 100000}) {
        QTest::addRow("%d laps", laps) << laps;
    }
}

// A correction in the middle of a long table and its undo, in a real window with its
// journal: the table, the analysis, the summary and the journal all follow each one.
void LapsBenchmark::editInWindow()
{
    QFETCH(int, laps);
    constexpr int Rounds = 20;

    QDir(RecoveryJournal::directory()).removeRecursively();
    SessionModel store;
    auto window = std::make_unique<MainWindow>(&store, nullptr, Session(0, QDateTime::currentDateTime()));
    QList<Lap> taken;
    taken.reserve(laps);
    for (int lap = 0; lap < laps; ++lap) {
        taken << Lap(lapTime(lap));
    }
    window->loadImportedLaps(taken, u"Benchmark"_s);
    QCoreApplication::processEvents();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    auto history = window->findChild<RunHistory *>();
    QVERIFY(history);

    struct Timing {
        QByteArray name;
        std::function<bool()> step;
        qint64 total = 0;
        qint64 slowest = 0;
    };
    const int middle = laps / 2;
    QList<Timing> timings{
        {"delete",
         [&] {
             return history->deleteLaps({middle});
         }},
        {"undo_delete",
         [&] {
             return history->undo();
         }},
        {"merge",
         [&] {
             return history->mergeWithPrevious({middle});
         }},
        {"undo_merge",
         [&] {
             return history->undo();
         }},
        {"adjust",
         [&] {
             return history->adjustTime(1000);
         }},
        {"undo_adjust",
         [&] {
             return history->undo();
         }},
    };
    for (int round = 0; round < Rounds; ++round) {
        for (Timing &timing : timings) {
            QElapsedTimer one;
            one.start();
            QVERIFY(timing.step());
            // The event loop, where the view paints and the journal writes.
            QCoreApplication::processEvents();
            const qint64 spent = one.nsecsElapsed();
            timing.total += spent;
            timing.slowest = std::max(timing.slowest, spent);
        }
    }
    QCOMPARE(window->findChild<LapModel *>()->rowCount(), laps);

    for (const Timing &timing : std::as_const(timings)) {
        const QByteArray name = "laps.window_edit." + QByteArray::number(laps) + '.' + timing.name;
        Benchmark::figure(QByteArray(name + ".mean").constData(), timing.total / 1e6 / Rounds, "ms");
        Benchmark::figure(QByteArray(name + ".slowest").constData(), timing.slowest / 1e6, "ms");
    }
    window.reset();
    QDir(RecoveryJournal::directory()).removeRecursively();
}

void LapsBenchmark::copyLaps()
{
    constexpr int Laps = 100000;
    LapModel model;
    model.setTimeFormat(lapFormat);
    for (int lap = 0; lap < Laps; ++lap) {
        model.addLap(lapTime(lap));
    }

    // What Copy Laps does.
    QBENCHMARK {
        auto data = new QMimeData;
        data->setText(LapTableText::toTabSeparated(model));
        data->setData(u"text/csv"_s, LapTableText::toCsv(model).toUtf8());
        QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
    }
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
