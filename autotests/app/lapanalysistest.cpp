// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "dialoganswerer.h"
#include "lapanalysismodel.h"
#include "lapmodel.h"
#include "lapsummary.h"
#include "mainwindow.h"
#include "session.h"
#include "sessionmodel.h"
#include "tickwardenconfig.h"
#include "timedisplay.h"

#include <KActionCollection>
#include <KLocalizedString>
#include <KStandardAction>
#include <KStandardGuiItem>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDockWidget>
#include <QHeaderView>
#include <QMimeData>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace
{
QList<MainWindow *> mainWindows()
{
    QList<MainWindow *> windows;
    const auto widgets = QApplication::topLevelWidgets();
    for (QWidget *widget : widgets) {
        if (auto window = qobject_cast<MainWindow *>(widget)) {
            windows << window;
        }
    }
    return windows;
}

int timeDisplayAnnouncements = 0;
TimeDisplay *watchedDisplay = nullptr;
void countAnnouncements(QAccessibleEvent *event)
{
    if (event->type() == QAccessible::NameChanged && event->object() == watchedDisplay) {
        ++timeDisplayAnnouncements;
    }
}
}

class LapAnalysisTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void copyLapsGivesSpreadsheetColumns();
    void importOpensAnUnsavedPausedWindow_data();
    void importOpensAnUnsavedPausedWindow();
    void importOfABadFileSaysWhyAndOpensNothing();
    void settingsReachTheLapTable();
    void noteColumnTakesTheSpareWidth_data();
    void noteColumnTakesTheSpareWidth();
    void summaryRemembersWhetherItIsFolded();
    void chartIsShownFromTheViewMenu();
    void timeIsAnnouncedWhenItSettlesOnly();

private:
    void addLap(int ms, const QString &note = QString());
    void openWindow();

    QTemporaryDir m_dir;
    std::unique_ptr<SessionModel> m_store;
    std::unique_ptr<MainWindow> m_window;
    LapModel *m_lapModel = nullptr;
};

void LapAnalysisTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"tickwarden"_s);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
    QVERIFY(m_dir.isValid());
}

void LapAnalysisTest::init()
{
    TickwardenConfig::self()->setDefaults();
    m_store = std::make_unique<SessionModel>();
    openWindow();
}

void LapAnalysisTest::openWindow()
{
    m_window = std::make_unique<MainWindow>(m_store.get(), nullptr, Session(0, QDateTime::currentDateTime()));
    m_lapModel = m_window->findChild<LapModel *>();
}

void LapAnalysisTest::cleanup()
{
    // Windows an import opened delete themselves only when closed.
    const auto windows = mainWindows();
    for (MainWindow *window : windows) {
        if (window != m_window.get()) {
            delete window;
        }
    }
    m_window.reset();
    m_store.reset();
    QAccessible::installUpdateHandler(nullptr);
    TickwardenConfig::self()->setDefaults();
    TickwardenConfig::self()->save();
}

void LapAnalysisTest::addLap(int ms, const QString &note)
{
    m_lapModel->addLap(ms);
    m_lapModel->setData(m_lapModel->index(m_lapModel->rowCount() - 1, m_lapModel->columnForRole(LapModel::NoteRole)), note, Qt::EditRole);
}

void LapAnalysisTest::copyLapsGivesSpreadsheetColumns()
{
    addLap(1500);
    addLap(62000, u"tab\there"_s);
    addLap(63000, u"say \"hi\", then\nleave"_s);

    QAction *copyLaps = m_window->actionCollection()->action(u"copy_laps"_s);
    QVERIFY(copyLaps);
    QCOMPARE(copyLaps->shortcut(), QKeySequence(u"Ctrl+Shift+C"_s));
    copyLaps->trigger();

    const QMimeData *data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    QVERIFY(data);
    QCOMPARE(data->text(),
             u"Lap #\tLap Time\tGlobal Time\tNote\n"
             "1\t00:01.50\t00:01.50\t\n"
             "2\t01:00.50\t01:02.00\t\"tab\there\"\n"
             "3\t00:01.00\t01:03.00\t\"say \"\"hi\"\", then\nleave\"\n"_s);
    QCOMPARE(QString::fromUtf8(data->data(u"text/csv"_s)),
             u"Lap #,Lap Time,Global Time,Note\r\n"
             "1,00:01.50,00:01.50,\r\n"
             "2,01:00.50,01:02.00,tab\there\r\n"
             "3,00:01.00,01:03.00,\"say \"\"hi\"\", then\nleave\"\r\n"_s);
}

void LapAnalysisTest::importOpensAnUnsavedPausedWindow_data()
{
    QTest::addColumn<QString>("mimeType");
    QTest::addColumn<QString>("fileName");

    QTest::newRow("json") << u"application/json"_s << u"run.json"_s;
    QTest::newRow("csv") << u"text/csv"_s << u"run.csv"_s;
}

void LapAnalysisTest::importOpensAnUnsavedPausedWindow()
{
    QFETCH(QString, mimeType);
    QFETCH(QString, fileName);

    // Hours and milliseconds make the CSV export exact enough to read back.
    TickwardenConfig::setShowLapHours(true);
    TickwardenConfig::setLapFractionsType(TimeFormat::UpToMilliseconds);
    openWindow();
    addLap(1500, u"first, \"quoted\""_s);
    addLap(62001);
    addLap(3'700'000, u"two\r\nlines"_s);
    const QString path = m_dir.filePath(fileName);
    m_window->exportLapsAs(path, mimeType);

    m_window->importLaps(path);

    const auto windows = mainWindows();
    QCOMPARE(windows.size(), 2);
    MainWindow *imported = windows.at(0) == m_window.get() ? windows.at(1) : windows.at(0);
    auto laps = imported->findChild<LapModel *>();
    QCOMPARE(laps->rowCount(), 3);
    for (int row = 0; row < 3; ++row) {
        for (int role : {int(LapModel::RelativeTimeRole), int(LapModel::AbsoluteTimeRole), int(LapModel::NoteRole)}) {
            QCOMPARE(laps->index(row, 0).data(role), m_lapModel->index(row, 0).data(role));
        }
    }
    QCOMPARE(imported->findChild<TimeDisplay *>()->time(), 3'700'000);
    QCOMPARE(imported->findChild<LapAnalysisModel *>()->statistics().count(), 3);

    // Paused and never saved: Save As, Resume and Reset, but no Save.
    KActionCollection *actions = imported->actionCollection();
    QVERIFY(!actions->action(KStandardAction::name(KStandardAction::Save))->isEnabled());
    QVERIFY(actions->action(KStandardAction::name(KStandardAction::SaveAs))->isEnabled());
    QVERIFY(actions->action(u"start"_s)->isEnabled());
    QCOMPARE(actions->action(u"start"_s)->text(), i18nc("@action", "Re&sume"));
    QVERIFY(!actions->action(u"lap"_s)->isEnabled());
    QVERIFY(imported->windowTitle().startsWith(QFileInfo(path).completeBaseName()));
    QVERIFY(imported->isWindowModified());
    QCOMPARE(m_store->rowCount(), 0);
}

void LapAnalysisTest::importOfABadFileSaysWhyAndOpensNothing()
{
    const QString path = m_dir.filePath(u"bad.json"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"laps": [{"time": 5000}, {"time": 4000}]})");
    file.close();

    DialogAnswerer answerer(buttonText(KStandardGuiItem::ok()));
    m_window->importLaps(path);

    QVERIFY(answerer.answered());
    const QString said = answerer.texts().join(u' ');
    QVERIFY2(said.contains(u"bad.json"_s) && said.contains(u"Lap 2 is earlier"_s), qPrintable(said));
    QCOMPARE(mainWindows().size(), 1);
}

void LapAnalysisTest::settingsReachTheLapTable()
{
    TickwardenConfig::setMarkFastestSlowestLaps(false);
    TickwardenConfig::setShowLapMeanDifference(true);
    openWindow();
    addLap(1000);
    addLap(3000);

    auto view = m_window->findChild<QTableView *>(u"lapView"_s);
    QCOMPARE(view->model()->columnCount(), 5);
    QCOMPARE(view->model()->headerData(4, Qt::Horizontal).toString(), u"Δ Mean"_s);
    QCOMPARE(view->model()->index(1, 4).data().toString(), u"+00:00.50"_s);
    QVERIFY(!view->model()->index(0, 1).data(Qt::ToolTipRole).isValid());

    TickwardenConfig::setMarkFastestSlowestLaps(true);
    TickwardenConfig::setShowLapMeanDifference(false);
    openWindow();
    addLap(1000);
    addLap(3000);
    view = m_window->findChild<QTableView *>(u"lapView"_s);
    QCOMPARE(view->model()->columnCount(), 4);
    QCOMPARE(view->model()->index(0, 1).data(Qt::ToolTipRole).toString(), u"Fastest lap"_s);
}

void LapAnalysisTest::noteColumnTakesTheSpareWidth_data()
{
    QTest::addColumn<bool>("meanShown");
    QTest::addColumn<bool>("notesShown");

    QTest::newRow("difference to the mean shown") << true << true;
    QTest::newRow("difference to the mean hidden") << false << true;
    QTest::newRow("notes hidden") << true << false;
}

void LapAnalysisTest::noteColumnTakesTheSpareWidth()
{
    QFETCH(bool, meanShown);
    QFETCH(bool, notesShown);

    TickwardenConfig::setShowLapMeanDifference(meanShown);
    TickwardenConfig::setShowLapNotes(notesShown);
    openWindow();
    addLap(1000, u"easy"_s);
    addLap(3000);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));

    auto view = m_window->findChild<QTableView *>(u"lapView"_s);
    QHeaderView *header = view->horizontalHeader();
    const auto widths = [view, header] {
        QList<int> result;
        for (int column = 0; column < header->count(); ++column) {
            result << (view->isColumnHidden(column) ? 0 : header->sectionSize(column));
        }
        return result;
    };
    int stretched = m_lapModel->columnForRole(LapModel::NoteRole);
    if (!notesShown) {
        stretched = header->count() - 1;
        while (view->isColumnHidden(stretched)) {
            --stretched;
        }
    }

    const int viewWidth = view->width();
    const QList<int> before = widths();
    m_window->resize(m_window->width() + 300, m_window->height());
    QTRY_VERIFY(view->width() > viewWidth);
    QTRY_COMPARE(header->length(), view->viewport()->width());
    const QList<int> after = widths();
    for (int column = 0; column < after.size(); ++column) {
        if (column == stretched) {
            QVERIFY2(after.at(column) > before.at(column), qPrintable(u"column %1"_s.arg(column)));
        } else {
            QVERIFY2(after.at(column) == before.at(column), qPrintable(u"column %1"_s.arg(column)));
        }
    }
}

void LapAnalysisTest::summaryRemembersWhetherItIsFolded()
{
    auto summary = m_window->findChild<LapSummary *>();
    QVERIFY(summary->isExpanded());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    auto toggle = summary->findChild<QToolButton *>(u"lapSummaryToggle"_s);
    QTest::mouseClick(toggle, Qt::LeftButton);
    QVERIFY(!summary->isExpanded());
    QVERIFY(!summary->findChild<QWidget *>(u"lapSummaryFigures"_s)->isVisible());

    openWindow();
    QVERIFY(!m_window->findChild<LapSummary *>()->isExpanded());
}

void LapAnalysisTest::chartIsShownFromTheViewMenu()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    auto dock = m_window->findChild<QDockWidget *>(u"lapChartDock"_s);
    QVERIFY(dock);
    QVERIFY(!dock->isVisible());

    QAction *showChart = m_window->actionCollection()->action(u"show_lap_chart"_s);
    QVERIFY(showChart);
    showChart->trigger();
    QVERIFY(dock->isVisible());
    QVERIFY(showChart->isChecked());
    showChart->trigger();
    QVERIFY(!dock->isVisible());
}

void LapAnalysisTest::timeIsAnnouncedWhenItSettlesOnly()
{
    // Ticks reach only a display that can be seen.
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QAccessible::setActive(true);
    watchedDisplay = m_window->findChild<TimeDisplay *>();
    timeDisplayAnnouncements = 0;
    QAccessible::installUpdateHandler(countAnnouncements);

    m_window->actionCollection()->action(u"start"_s)->trigger();
    QTRY_VERIFY(watchedDisplay->time() >= 30);
    QCOMPARE(timeDisplayAnnouncements, 0);

    m_window->actionCollection()->action(u"pause"_s)->trigger();
    QCOMPARE(timeDisplayAnnouncements, 1);
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(watchedDisplay);
    QVERIFY(accessible);
    QVERIFY2(accessible->text(QAccessible::Name).endsWith(u" seconds"_s), qPrintable(accessible->text(QAccessible::Name)));

    m_window->actionCollection()->action(u"reset"_s)->trigger();
    QCOMPARE(timeDisplayAnnouncements, 2);
    QCOMPARE(accessible->text(QAccessible::Name), u"0.00 seconds"_s);
    QAccessible::setActive(false);
}

QTEST_MAIN(LapAnalysisTest)

#include "lapanalysistest.moc"
