// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "displayfeed.h"
#include "lapanalysismodel.h"
#include "lapmodel.h"
#include "laptabletext.h"
#include "mainwindow.h"
#include "runhistory.h"
#include "secondarytime.h"
#include "session.h"
#include "sessionmodel.h"
#include "stopwatch.h"
#include "stopwatchcontrol.h"
#include "tickwardenconfig.h"
#include "timedisplay.h"
#include "windowsettings.h"
#include "windowsnapshot.h"

#include <KActionCollection>
#include <KLocalizedString>
#include <KStandardAction>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace
{
// Accessibility events that make a screen reader speak, for the objects watched.
QList<const QObject *> watchedObjects;
QList<QAccessible::Event> spokenEvents;
void recordSpokenEvents(QAccessibleEvent *event)
{
    const auto type = event->type();
    if ((type == QAccessible::NameChanged || type == QAccessible::DescriptionChanged || type == QAccessible::ValueChanged)
        && watchedObjects.contains(event->object())) {
        spokenEvents << type;
    }
}

QString lapFormatted(const LapModel *laps, int milliseconds)
{
    return laps->timeFormat().format(milliseconds);
}
}

class RunningLapWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void runningLapIsNeverALap();
    void rowFollowsUndoAdjustAndReset();
    void rowStandsWhereTheNewestLapIsSorted();
    void hiddenWindowDoesNotTick();
    void digitsFollowTheSetting_data();
    void digitsFollowTheSetting();
    void settingsReachAnOpenWindow();
    void namedForScreenReadersWithoutTickAnnouncements();

private:
    void openWindow();
    void trigger(const QString &name);
    // Starts, takes @p laps laps on the running clock and pauses, so the times stand still.
    void runWithLaps(int laps);
    [[nodiscard]] QAbstractItemModel *table() const;
    [[nodiscard]] int liveRow() const;

    QTemporaryDir m_dir;
    std::unique_ptr<SessionModel> m_store;
    std::unique_ptr<MainWindow> m_window;
    Stopwatch *m_stopwatch = nullptr;
    LapModel *m_laps = nullptr;
    QTableView *m_view = nullptr;
};

void RunningLapWindowTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"tickwarden"_s);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
    QLocale::setDefault(QLocale::c());
    QVERIFY(m_dir.isValid());
}

void RunningLapWindowTest::init()
{
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)).removeRecursively();
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
    TickwardenConfig::self()->setDefaults();
    TickwardenConfig::setShowLapAbsoluteTimes(true);
    m_store = std::make_unique<SessionModel>();
}

void RunningLapWindowTest::cleanup()
{
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::setActive(false);
    watchedObjects.clear();
    spokenEvents.clear();
    m_window.reset();
    m_store.reset();
    TickwardenConfig::self()->setDefaults();
    TickwardenConfig::self()->save();
}

void RunningLapWindowTest::openWindow()
{
    m_window = std::make_unique<MainWindow>(m_store.get(), nullptr, Session(0, QDateTime::currentDateTime()));
    m_stopwatch = m_window->findChild<Stopwatch *>();
    m_laps = m_window->findChild<LapModel *>();
    m_view = m_window->findChild<QTableView *>(u"lapView"_s);
}

void RunningLapWindowTest::trigger(const QString &name)
{
    QAction *action = m_window->actionCollection()->action(name);
    QVERIFY2(action && action->isEnabled(), qPrintable(name));
    action->trigger();
}

void RunningLapWindowTest::runWithLaps(int laps)
{
    trigger(u"start"_s);
    int previous = 0;
    for (int lap = 0; lap < laps; ++lap) {
        // Laps of different lengths, so that a time taken from the wrong lap shows.
        QTRY_VERIFY(m_stopwatch->currentTime() >= previous + (lap + 1) * 20);
        trigger(u"lap"_s);
        previous = m_laps->sinceStart(lap);
    }
    QTRY_VERIFY(m_stopwatch->currentTime() >= m_laps->sinceStart(m_laps->rowCount() - 1) + 30);
    trigger(u"pause"_s);
}

QAbstractItemModel *RunningLapWindowTest::table() const
{
    return m_view->model();
}

int RunningLapWindowTest::liveRow() const
{
    for (int row = 0; row < table()->rowCount(); ++row) {
        if (table()->index(row, 0).data().toString().startsWith(u"Lap "_s)) {
            return row;
        }
    }
    return -1;
}

void RunningLapWindowTest::runningLapIsNeverALap()
{
    openWindow();
    runWithLaps(2);
    QCOMPARE(table()->rowCount(), 3);
    QCOMPARE(liveRow(), 2);
    QCOMPARE(table()->index(2, 0).data().toString(), u"Lap 3"_s);

    // Copy Laps, the exports, the statistics, the journal's snapshot and a stored session
    // hold the two laps only.
    m_window->actionCollection()->action(u"copy_laps"_s)->trigger();
    const QString copied = QGuiApplication::clipboard()->text();
    QCOMPARE(copied, LapTableText::toTabSeparated(*m_laps));
    QCOMPARE(copied.count(u'\n'), 3);

    const QString csv = m_dir.filePath(u"laps.csv"_s);
    m_window->exportLapsAs(csv, u"text/csv"_s);
    QFile csvFile(csv);
    QVERIFY(csvFile.open(QIODevice::ReadOnly));
    QStringList records = QString::fromUtf8(csvFile.readAll()).split(u"\r\n"_s, Qt::SkipEmptyParts);
    records.removeIf([](const QString &line) {
        return line.startsWith(u'#');
    });
    QCOMPARE(records.size(), 2);

    QVERIFY(records.constLast().startsWith(u"2,"_s));

    const QString json = m_dir.filePath(u"laps.json"_s);
    m_window->exportLapsAs(json, u"application/json"_s);
    QFile jsonFile(json);
    QVERIFY(jsonFile.open(QIODevice::ReadOnly));
    QCOMPARE(QJsonDocument::fromJson(jsonFile.readAll()).object().value(u"laps"_s).toArray().size(), 2);

    QCOMPARE(m_window->findChild<LapAnalysisModel *>()->statistics().count(), 2);
    QCOMPARE(m_window->snapshot().laps.size(), 2);

    auto control = m_window->findChild<StopwatchControl *>();
    QVERIFY(control->saveAs(u"Track"_s).stored);
    QCOMPARE(m_store->rowCount(), 1);
    QCOMPARE(m_store->index(0, 0).data(SessionModel::SessionRole).value<Session>().laps().size(), 2);
    QCOMPARE(control->laps().size(), 2);
}

void RunningLapWindowTest::rowFollowsUndoAdjustAndReset()
{
    openWindow();
    runWithLaps(2);
    const int total = m_stopwatch->currentTime();
    const int first = m_laps->sinceStart(0);
    const int second = m_laps->sinceStart(1);
    QCOMPARE(table()->index(2, 1).data().toString(), lapFormatted(m_laps, total - second));
    QCOMPARE(table()->index(2, 2).data().toString(), lapFormatted(m_laps, total));

    trigger(KStandardAction::name(KStandardAction::Undo));
    QCOMPARE(m_laps->rowCount(), 1);
    QCOMPARE(table()->rowCount(), 2);
    QCOMPARE(table()->index(1, 0).data().toString(), u"Lap 2"_s);
    QCOMPARE(table()->index(1, 1).data().toString(), lapFormatted(m_laps, total - first));

    // An adjustment moves the run and its laps; the lap in progress keeps its time so far.
    QVERIFY(m_window->findChild<RunHistory *>()->adjustTime(5000));
    QCOMPARE(table()->index(1, 1).data().toString(), lapFormatted(m_laps, total - first));
    QCOMPARE(table()->index(1, 2).data().toString(), lapFormatted(m_laps, total + 5000));

    trigger(u"reset"_s);
    QCOMPARE(table()->rowCount(), 0);
    trigger(KStandardAction::name(KStandardAction::Undo));
    QCOMPARE(table()->rowCount(), 2);
    QCOMPARE(table()->index(1, 0).data().toString(), u"Lap 2"_s);
}

void RunningLapWindowTest::rowStandsWhereTheNewestLapIsSorted()
{
    openWindow();
    runWithLaps(2);
    m_view->sortByColumn(0, Qt::DescendingOrder);
    QCOMPARE(liveRow(), 0);
    QCOMPARE(table()->index(1, 0).data().toInt(), 2);

    // A lap taken now comes right below it, and is the one selected.
    trigger(u"start"_s);
    trigger(u"lap"_s);
    QCOMPARE(liveRow(), 0);
    QCOMPARE(table()->index(0, 0).data().toString(), u"Lap 4"_s);
    const QModelIndexList selected = m_view->selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first().data().toInt(), 3);

    m_view->sortByColumn(0, Qt::AscendingOrder);
    QCOMPARE(liveRow(), 3);
    QCOMPARE(m_view->selectionModel()->selectedRows().first().data().toInt(), 3);
}

void RunningLapWindowTest::hiddenWindowDoesNotTick()
{
    openWindow();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    trigger(u"start"_s);
    QSignalSpy changes(table(), &QAbstractItemModel::dataChanged);
    QVERIFY(changes.wait());

    m_window->hide();
    QTRY_VERIFY(m_stopwatch->ticksSuspended());
    changes.clear();
    // Nothing to wait for: time must pass without any change to the running lap.
    QTest::qWait(300);
    QCOMPARE(changes.count(), 0);

    // Seen again, it is brought up to the clock at once.
    m_window->show();
    QVERIFY(changes.wait());
}

void RunningLapWindowTest::digitsFollowTheSetting_data()
{
    QTest::addColumn<bool>("lapOnDigits");

    QTest::newRow("total on the digits") << false;
    QTest::newRow("current lap on the digits") << true;
}

void RunningLapWindowTest::digitsFollowTheSetting()
{
    QFETCH(bool, lapOnDigits);

    TickwardenConfig::setDigitsTime(lapOnDigits ? TickwardenConfig::EnumDigitsTime::CurrentLap : TickwardenConfig::EnumDigitsTime::Total);
    openWindow();
    auto display = m_window->findChild<TimeDisplay *>();
    auto line = m_window->findChild<SecondaryTime *>();
    QVERIFY(line);
    const TimeFormat digits(false, true, TimeFormat::UpToHundredths);
    // The line stops at tenths while the digits show hundredths.
    const TimeFormat lineFormat(false, true, TimeFormat::UpToTenths);

    // Before the first lap the line would only repeat the total.
    trigger(u"start"_s);
    trigger(u"pause"_s);
    const int beforeLap = m_stopwatch->currentTime();
    QCOMPARE(display->time(), beforeLap);
    QCOMPARE(line->text(), lapOnDigits ? u"Total "_s + DisplayFeed::formatTime(lineFormat, beforeLap) : QString());

    trigger(u"start"_s);
    QTRY_VERIFY(m_stopwatch->currentTime() >= beforeLap + 30);
    trigger(u"lap"_s);
    QTRY_VERIFY(m_stopwatch->currentTime() >= m_laps->sinceStart(0) + 20);
    trigger(u"pause"_s);
    const int total = m_stopwatch->currentTime();
    const int lap = total - m_laps->sinceStart(0);
    QCOMPARE(display->time(), lapOnDigits ? lap : total);
    QCOMPARE(line->text(), lapOnDigits ? u"Total "_s + DisplayFeed::formatTime(lineFormat, total) : u"Lap 2  "_s + DisplayFeed::formatTime(lineFormat, lap));

    // Copy takes what the digits show; the bus and the laps keep the total.
    trigger(KStandardAction::name(KStandardAction::Copy));
    QCOMPARE(QGuiApplication::clipboard()->text(), DisplayFeed::formatTime(digits, lapOnDigits ? lap : total));
    auto control = m_window->findChild<StopwatchControl *>();
    QCOMPARE(control->displayedTime(), DisplayFeed::formatTime(digits, total));
    QCOMPARE(display->time(), lapOnDigits ? lap : total);
    QCOMPARE(control->elapsedMilliseconds(), total);
    // While running, the bus's reading brings the digits up to the clock, as a tick would:
    // with the time they show.
    trigger(u"start"_s);
    QTRY_VERIFY(m_stopwatch->currentTime() >= total + 20);
    QVERIFY(!control->displayedTime().isEmpty());
    const int lapStart = m_laps->sinceStart(0);
    if (lapOnDigits) {
        QVERIFY(display->time() <= m_stopwatch->currentTime() - lapStart);
    } else {
        QVERIFY(display->time() >= total + 20);
    }

    trigger(u"reset"_s);
    QCOMPARE(display->time(), 0);
    QCOMPARE(line->text(), QString());
}

void RunningLapWindowTest::settingsReachAnOpenWindow()
{
    openWindow();
    runWithLaps(1);
    auto display = m_window->findChild<TimeDisplay *>();
    auto settings = m_window->findChild<WindowSettings *>();
    QCOMPARE(table()->rowCount(), 2);
    QCOMPARE(display->time(), m_stopwatch->currentTime());

    TickwardenConfig::setShowRunningLap(false);
    TickwardenConfig::setDigitsTime(TickwardenConfig::EnumDigitsTime::CurrentLap);
    settings->apply();
    QCOMPARE(table()->rowCount(), 1);
    QCOMPARE(display->time(), m_stopwatch->currentTime() - m_laps->sinceStart(0));

    TickwardenConfig::setShowRunningLap(true);
    TickwardenConfig::setDigitsTime(TickwardenConfig::EnumDigitsTime::Total);
    settings->apply();
    QCOMPARE(table()->rowCount(), 2);
    QCOMPARE(display->time(), m_stopwatch->currentTime());

    // The line beneath the digits takes the digits' colour.
    TickwardenConfig::setTextColor(QColor(0x12, 0x34, 0x56));
    settings->apply();
    auto line = m_window->findChild<SecondaryTime *>();
    QCOMPARE(line->palette().color(line->foregroundRole()), QColor(0x12, 0x34, 0x56));

    // Without laps there is no table to hold the row.
    TickwardenConfig::setIsLapsRecordingEnabled(false);
    settings->apply();
    QCOMPARE(table()->rowCount(), 1);
}

void RunningLapWindowTest::namedForScreenReadersWithoutTickAnnouncements()
{
    openWindow();
    auto display = m_window->findChild<TimeDisplay *>();
    auto line = m_window->findChild<SecondaryTime *>();
    QAccessibleInterface *digits = QAccessible::queryAccessibleInterface(display);
    QCOMPARE(digits->text(QAccessible::Description), u"Elapsed time of the stopwatch"_s);
    QCOMPARE(line->accessibleName(), u"Time of the current lap"_s);

    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    trigger(u"start"_s);
    trigger(u"lap"_s);

    QAccessible::setActive(true);
    watchedObjects = {line, display, m_view, m_view->viewport()};
    QAccessible::installUpdateHandler(recordSpokenEvents);
    QSignalSpy ticks(m_stopwatch, &Stopwatch::time);
    QSignalSpy rowChanges(table(), &QAbstractItemModel::dataChanged);
    while (rowChanges.count() < 3) {
        QVERIFY(ticks.wait());
    }
    QCOMPARE(spokenEvents, QList<QAccessible::Event>{});

    // A lap is a moment to tell: the line says its new time once.
    trigger(u"lap"_s);
    QCOMPARE(spokenEvents, QList<QAccessible::Event>{QAccessible::DescriptionChanged});
    QVERIFY(line->accessibleDescription().startsWith(u"Lap 3  "_s));

    QAccessible::installUpdateHandler(nullptr);
    TickwardenConfig::setDigitsTime(TickwardenConfig::EnumDigitsTime::CurrentLap);
    m_window->findChild<WindowSettings *>()->apply();
    QCOMPARE(digits->text(QAccessible::Description), u"Time of the current lap"_s);
    QCOMPARE(line->accessibleName(), u"Total time"_s);
}

QTEST_MAIN(RunningLapWindowTest)

#include "runninglapwindowtest.moc"
