// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "mainwindow.h"
#include "dialoganswerer.h"
#include "digitdisplay.h"
#include "lapmodel.h"
#include "session.h"
#include "sessionmodel.h"
#include "stopwatch.h"
#include "tickwardenconfig.h"
#include "timedisplay.h"

#include <KActionCollection>
#include <KConfigGroup>
#include <KLocalizedString>
#include <KSharedConfig>
#include <KStandardGuiItem>
#include <KToolBar>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace
{
struct WindowDeleter {
    void operator()(MainWindow *window) const
    {
        // Closing would ask questions; the tests end windows directly.
        delete window;
    }
};
using WindowPtr = std::unique_ptr<MainWindow, WindowDeleter>;

QString digits(QWidget *display, const QString &groupDisplay)
{
    return display->findChild<DigitDisplay *>(groupDisplay)->text();
}
}

class MainWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void enabledActionsPerState_data();
    void enabledActionsPerState();
    void spaceStartsAndPauses();
    void resetClearsLapsDisplayAndTitle();
    void lapSelectsLastRow();
    void defaultSettingsAreApplied();
    void settingsReachDisplayLapsAndTicks_data();
    void settingsReachDisplayLapsAndTicks();
    void lapsRecordingOffHidesLapsAndActions();
    void unknownPrecisionReportedOncePerValue();
    void firstStartShowsSomeLapRows();
    void windowSizeIsRestored();
    void openedSessionStartsPaused();
    // Before the module is first loaded, which keeps it loaded.
    void missingNotificationModuleIsReported();
    void notificationSettingsOpenFromTheirModule();

private:
    WindowPtr makeWindow(const Session &session = Session(0, QDateTime::currentDateTime()));
    std::unique_ptr<SessionModel> m_store;
};

void MainWindowTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"tickwarden"_s);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
}

void MainWindowTest::init()
{
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)).removeRecursively();
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
    QFile::remove(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/tickwardenrc"_s);
    KSharedConfig::openConfig()->reparseConfiguration();
    KSharedConfig::openStateConfig()->deleteGroup(u"MainWindow"_s);
    KSharedConfig::openStateConfig()->sync();
    TickwardenConfig::self()->setDefaults();
    m_store = std::make_unique<SessionModel>();
}

void MainWindowTest::cleanup()
{
    m_store.reset();
    TickwardenConfig::self()->setDefaults();
}

WindowPtr MainWindowTest::makeWindow(const Session &session)
{
    return WindowPtr(new MainWindow(m_store.get(), nullptr, session));
}

void MainWindowTest::enabledActionsPerState_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QStringList>("enabled");
    QTest::addColumn<QStringList>("disabled");

    const QStringList all{u"start"_s, u"pause"_s, u"reset"_s, u"lap"_s, u"file_save"_s, u"file_save_as"_s, u"export_laps"_s};
    const auto rest = [&all](const QStringList &enabled) {
        QStringList disabled;
        for (const QString &name : all) {
            if (!enabled.contains(name)) {
                disabled << name;
            }
        }
        return disabled;
    };

    const QStringList inactive{u"start"_s};
    const QStringList running{u"pause"_s, u"reset"_s, u"lap"_s};
    const QStringList paused{u"start"_s, u"reset"_s, u"file_save_as"_s};
    const QStringList pausedWithLaps{u"start"_s, u"reset"_s, u"file_save_as"_s, u"export_laps"_s};
    const QStringList pausedSession{u"start"_s, u"reset"_s, u"file_save"_s, u"file_save_as"_s};

    QTest::newRow("new window") << QString() << inactive << rest(inactive);
    QTest::newRow("running") << u"start"_s << running << rest(running);
    QTest::newRow("paused") << u"start pause"_s << paused << rest(paused);
    QTest::newRow("paused with laps") << u"start lap pause"_s << pausedWithLaps << rest(pausedWithLaps);
    QTest::newRow("running after laps") << u"start lap pause start"_s << running << rest(running);
    QTest::newRow("reset") << u"start lap pause reset"_s << inactive << rest(inactive);
    QTest::newRow("saved, resumed, paused") << u"start tick pause saveas start pause"_s << pausedSession << rest(pausedSession);
    QTest::newRow("saved stays paused") << u"start tick pause saveas"_s << paused << rest(paused);
}

void MainWindowTest::enabledActionsPerState()
{
    QFETCH(QString, steps);
    QFETCH(QStringList, enabled);
    QFETCH(QStringList, disabled);

    auto window = makeWindow();
    KActionCollection *actions = window->actionCollection();
    const QStringList stepList = steps.split(u' ', Qt::SkipEmptyParts);
    for (const QString &step : stepList) {
        if (step == u"tick") {
            // A window nobody sees gets no ticks.
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window.get()));
            QSignalSpy ticks(window->findChild<Stopwatch *>(), &Stopwatch::time);
            QVERIFY(ticks.wait());
            continue;
        }
        if (step == u"saveas") {
            // Save As, accepting the name prompt as it comes.
            auto saveAs = actions->action(u"file_save_as"_s);
            QVERIFY(saveAs->isEnabled());
            QTimer::singleShot(0, window.get(), [] {
                if (auto dialog = QApplication::activeModalWidget()) {
                    QTest::keyClick(dialog, Qt::Key_Enter);
                }
            });
            saveAs->trigger();
            QCOMPARE(m_store->rowCount(), 1);
            continue;
        }
        QAction *action = actions->action(step);
        QVERIFY2(action && action->isEnabled(), qPrintable(step));
        action->trigger();
    }

    for (const QString &name : enabled) {
        QVERIFY2(actions->action(name)->isEnabled(), qPrintable(name));
    }
    for (const QString &name : disabled) {
        QVERIFY2(!actions->action(name)->isEnabled(), qPrintable(name));
    }
    for (const auto name : {"file_new", "file_open", "edit_copy", "file_quit", "options_configure"}) {
        QVERIFY2(actions->action(QLatin1StringView(name))->isEnabled(), name);
    }
}

void MainWindowTest::spaceStartsAndPauses()
{
    auto window = makeWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    auto stopwatch = window->findChild<Stopwatch *>();
    QAction *start = window->actionCollection()->action(u"start"_s);
    QCOMPARE(start->text(), u"&Start"_s);
    QCOMPARE(window->windowTitle(), u"Untitled[*]"_s);
    QVERIFY(!window->isWindowModified());

    QSignalSpy running(stopwatch, &Stopwatch::running);
    QSignalSpy paused(stopwatch, &Stopwatch::paused);
    QTest::keyClick(window.get(), Qt::Key_Space);
    QVERIFY(stopwatch->isRunning());
    QCOMPARE(running.size(), 1);
    QVERIFY(window->isWindowModified());

    QTest::keyClick(window.get(), Qt::Key_Space);
    QVERIFY(stopwatch->isPaused());
    QCOMPARE(paused.size(), 1);
    QCOMPARE(running.size(), 1);
    QCOMPARE(start->text(), u"Re&sume"_s);

    QTest::keyClick(window.get(), Qt::Key_Space);
    QVERIFY(stopwatch->isRunning());
    QCOMPARE(running.size(), 2);
}

void MainWindowTest::resetClearsLapsDisplayAndTitle()
{
    Session stored(3723450, QDateTime::currentDateTime());
    stored.setName(u"Morning run"_s);
    stored.addLap(Lap::fromMilliseconds(60000));
    m_store->append(stored);

    auto window = makeWindow(stored);
    auto lapModel = window->findChild<LapModel *>();
    auto display = window->findChild<TimeDisplay *>();
    QCOMPARE(window->windowTitle(), u"Morning run[*]"_s);
    QCOMPARE(lapModel->rowCount(), 1);
    // An opened session of 1 h shows its hours although the settings hide them.
    QVERIFY(!display->findChild<QWidget *>(u"m_hourGroup"_s)->isHidden());

    QSignalSpy inactive(window->findChild<Stopwatch *>(), &Stopwatch::inactive);
    window->actionCollection()->action(u"reset"_s)->trigger();
    QCOMPARE(inactive.size(), 1);
    QCOMPARE(lapModel->rowCount(), 0);
    QCOMPARE(window->windowTitle(), u"Untitled[*]"_s);
    QVERIFY(!window->isWindowModified());
    QVERIFY(display->findChild<QWidget *>(u"m_hourGroup"_s)->isHidden());
    QCOMPARE(digits(display, u"m_minDisplay"_s), u"00"_s);
    QCOMPARE(digits(display, u"m_secDisplay"_s), u"00"_s);
    QCOMPARE(digits(display, u"m_fracDisplay"_s), u"00"_s);
    QCOMPARE(window->actionCollection()->action(u"start"_s)->text(), u"&Start"_s);
    // The stored copy is untouched by the reset.
    QCOMPARE(m_store->rowCount(), 1);
}

void MainWindowTest::lapSelectsLastRow()
{
    auto window = makeWindow();
    auto view = window->findChild<QTableView *>(u"lapView"_s);
    QAction *lap = window->actionCollection()->action(u"lap"_s);
    window->actionCollection()->action(u"start"_s)->trigger();
    lap->trigger();
    lap->trigger();
    lap->trigger();
    const QModelIndexList selected = view->selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first().row(), 2);
    QCOMPARE(selected.first().data().toInt(), 3);
}

void MainWindowTest::defaultSettingsAreApplied()
{
    auto window = makeWindow();
    auto display = window->findChild<TimeDisplay *>();
    auto view = window->findChild<QTableView *>(u"lapView"_s);
    auto stopwatch = window->findChild<Stopwatch *>();

    QVERIFY(display->findChild<QWidget *>(u"m_hourGroup"_s)->isHidden());
    QVERIFY(!display->findChild<QWidget *>(u"m_minGroup"_s)->isHidden());
    QVERIFY(!display->findChild<QWidget *>(u"m_fracGroup"_s)->isHidden());
    QCOMPARE(digits(display, u"m_secDisplay"_s), u"00"_s);
    QCOMPARE(stopwatch->granularity(), 10);
    QVERIFY(view->isColumnHidden(2));
    QVERIFY(!view->isColumnHidden(3));
    QVERIFY(window->menuBar()->isHidden());
    QVERIFY(!window->actionCollection()->action(u"options_show_menubar"_s)->isChecked());
    auto button = window->findChild<QToolButton *>(u"controlMenuButton"_s);
    QVERIFY(button);
    QCOMPARE(window->toolBar()->widgetForAction(window->toolBar()->actions().last()), button);
    QVERIFY(stopwatch->isInactive());
}

void MainWindowTest::settingsReachDisplayLapsAndTicks_data()
{
    QTest::addColumn<bool>("showFractions");
    QTest::addColumn<TimeFormat::SecondFraction>("fractions");
    QTest::addColumn<int>("granularity");
    QTest::addColumn<bool>("fracGroupShown");
    QTest::addColumn<QString>("lapText");

    // Laps follow their own precision (milliseconds here), whatever the display shows.
    QTest::newRow("no fractions") << false << TimeFormat::UpToHundredths << 1000 << false << u"01:02:03.456"_s;
    QTest::newRow("tenths") << true << TimeFormat::UpToTenths << 100 << true << u"01:02:03.456"_s;
    QTest::newRow("hundredths") << true << TimeFormat::UpToHundredths << 10 << true << u"01:02:03.456"_s;
    QTest::newRow("milliseconds") << true << TimeFormat::UpToMilliseconds << 1 << true << u"01:02:03.456"_s;
    // The display changes once a second, so ticking faster would be wasted.
    QTest::newRow("stored NoFractions ticks once a second") << true << TimeFormat::NoFractions << 1000 << false << u"01:02:03.456"_s;
    // A hand-edited file can hold any number; it counts as the default precision.
    QTest::newRow("unknown precision") << true << static_cast<TimeFormat::SecondFraction>(7) << 10 << true << u"01:02:03.456"_s;
    QTest::newRow("negative precision") << true << static_cast<TimeFormat::SecondFraction>(-1) << 10 << true << u"01:02:03.456"_s;
}

void MainWindowTest::settingsReachDisplayLapsAndTicks()
{
    QFETCH(bool, showFractions);
    QFETCH(TimeFormat::SecondFraction, fractions);
    QFETCH(int, granularity);
    QFETCH(bool, fracGroupShown);
    QFETCH(QString, lapText);

    TickwardenConfig::setShowSecondFractions(showFractions);
    TickwardenConfig::setFractionsType(fractions);
    TickwardenConfig::setShowLapHours(true);
    TickwardenConfig::setLapFractionsType(TimeFormat::UpToMilliseconds);
    TickwardenConfig::setShowLapAbsoluteTimes(true);
    TickwardenConfig::setShowLapNotes(false);
    TickwardenConfig::setShowHours(true);

    if (fractions < TimeFormat::UpToTenths || fractions > TimeFormat::NoFractions) {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^Unknown second fraction precision"_s));
    }
    auto window = makeWindow();
    auto display = window->findChild<TimeDisplay *>();
    auto view = window->findChild<QTableView *>(u"lapView"_s);
    QCOMPARE(window->findChild<Stopwatch *>()->granularity(), granularity);
    QCOMPARE(!display->findChild<QWidget *>(u"m_fracGroup"_s)->isHidden(), fracGroupShown);
    if (fracGroupShown) {
        QCOMPARE(digits(display, u"m_fracDisplay"_s).size(), fractions == TimeFormat::UpToTenths ? 1 : fractions == TimeFormat::UpToMilliseconds ? 3 : 2);
    }
    QVERIFY(!display->findChild<QWidget *>(u"m_hourGroup"_s)->isHidden());
    QVERIFY(!view->isColumnHidden(2));
    QVERIFY(view->isColumnHidden(3));

    auto lapModel = window->findChild<LapModel *>();
    lapModel->addLap(3'723'456);
    QCOMPARE(lapModel->index(0, 2).data().toString(), lapText);
}

void MainWindowTest::lapsRecordingOffHidesLapsAndActions()
{
    TickwardenConfig::setIsLapsRecordingEnabled(false);
    auto window = makeWindow();
    QVERIFY(window->findChild<QTableView *>(u"lapView"_s)->isHidden());
    QVERIFY(!window->actionCollection()->action(u"lap"_s)->isVisible());
    QVERIFY(!window->actionCollection()->action(u"export_laps"_s)->isVisible());
}

void MainWindowTest::unknownPrecisionReportedOncePerValue()
{
    const auto readSettings = [](const QByteArray &general) {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        QDir().mkpath(folder);
        QFile file(folder + u"/tickwardenrc"_s);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\n" + general);
        file.close();
        KSharedConfig::openConfig()->reparseConfiguration();
        TickwardenConfig::self()->load();
    };
    const auto unknown = [](int value) {
        return u"Unknown second fraction precision %1 in the settings; showing hundredths instead."_s.arg(value);
    };
    // Every warning beyond the ones expected fails the test.
    QTest::failOnWarning(QRegularExpression(u"^Unknown second fraction precision"_s));

    readSettings("fractionsType=7\nlapFractionsType=9\n");
    QTest::ignoreMessage(QtWarningMsg, qPrintable(unknown(7)));
    QTest::ignoreMessage(QtWarningMsg, qPrintable(unknown(9)));
    std::vector<WindowPtr> windows;
    for (int i = 0; i < 3; ++i) {
        windows.push_back(makeWindow());
    }
    // What the settings dialog does after a change: every window applies the settings.
    QVERIFY(QMetaObject::invokeMethod(windows.front().get(), "slotWriteSettings"));
    QVERIFY(QMetaObject::invokeMethod(windows.back().get(), "slotWriteSettings"));

    // Another bad value is news; the unchanged one is not.
    readSettings("fractionsType=8\nlapFractionsType=9\n");
    QTest::ignoreMessage(QtWarningMsg, qPrintable(unknown(8)));
    QVERIFY(QMetaObject::invokeMethod(windows.front().get(), "slotWriteSettings"));
    QCOMPARE(windows.back()->findChild<Stopwatch *>()->granularity(), 10);

    // A value mended and broken again is reported again.
    readSettings("fractionsType=8\n");
    QVERIFY(QMetaObject::invokeMethod(windows.front().get(), "slotWriteSettings"));
    readSettings("fractionsType=8\nlapFractionsType=9\n");
    QTest::ignoreMessage(QtWarningMsg, qPrintable(unknown(9)));
    QVERIFY(QMetaObject::invokeMethod(windows.front().get(), "slotWriteSettings"));
}

void MainWindowTest::firstStartShowsSomeLapRows()
{
    auto window = makeWindow();
    QVERIFY(!window->isWindowSizeSaved());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    const QSize size = window->size();
    QVERIFY(size.width() >= window->minimumSizeHint().width());
    QVERIFY(size.height() >= window->minimumSizeHint().height());
    auto toolBar = window->toolBar();
    QVERIFY(toolBar->isVisible());
    QVERIFY(toolBar->height() >= toolBar->minimumSizeHint().height());
    auto view = window->findChild<QTableView *>(u"lapView"_s);
    QVERIFY2(view->viewport()->height() >= 6 * view->verticalHeader()->defaultSectionSize(),
             qPrintable(u"viewport %1 high in a window of %2x%3"_s.arg(view->viewport()->height()).arg(size.width()).arg(size.height())));
    const QSize available = window->screen()->availableSize();
    QVERIFY(size.width() <= available.width() && size.height() <= available.height());
}

void MainWindowTest::windowSizeIsRestored()
{
    const QSize chosen(760, 520);
    {
        QPointer<MainWindow> window = makeWindow().release();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        window->resize(chosen);
        QTRY_COMPARE(window->size(), chosen);
        // An inactive stopwatch closes without questions; closing saves the window state
        // and deletes the window.
        QVERIFY(window->close());
        QTRY_VERIFY(!window);
    }

    auto window = makeWindow();
    QVERIFY(window->isWindowSizeSaved());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QCOMPARE(window->size(), chosen);
}

void MainWindowTest::openedSessionStartsPaused()
{
    Session stored(61500, QDateTime::currentDateTime());
    stored.setName(u"Interval"_s);
    stored.addLap(Lap::fromMilliseconds(30000));
    stored.addLap(Lap::fromMilliseconds(61500));
    m_store->append(stored);

    auto window = makeWindow(stored);
    auto stopwatch = window->findChild<Stopwatch *>();
    QVERIFY(stopwatch->isPaused());
    QCOMPARE(stopwatch->accumulatedTime(), 61500);
    QVERIFY(!window->isWindowModified());
    KActionCollection *actions = window->actionCollection();
    QCOMPARE(actions->action(u"start"_s)->text(), u"Re&sume"_s);
    QVERIFY(actions->action(u"file_save"_s)->isEnabled());
    QVERIFY(actions->action(u"export_laps"_s)->isEnabled());
    auto lapModel = window->findChild<LapModel *>();
    QCOMPARE(lapModel->rowCount(), 2);
    QCOMPARE(lapModel->index(1, 1).data().toString(), u"00:31.50"_s);
}

QTEST_MAIN(MainWindowTest)

// The dialog comes from a module loaded on demand, found beside the executable here.
void MainWindowTest::notificationSettingsOpenFromTheirModule()
{
    auto window = makeWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->actionCollection()->action(u"options_configure_notifications"_s)->trigger();

    QWidget *settings = nullptr;
    QTRY_VERIFY((settings = [] {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            const auto widgets = top->findChildren<QWidget *>();
            for (QWidget *child : widgets) {
                if (child->inherits("KNotifyConfigWidget") && top->isVisible()) {
                    return top;
                }
            }
        }
        return static_cast<QWidget *>(nullptr);
    }()));
    settings->close();
}

void MainWindowTest::missingNotificationModuleIsReported()
{
    auto window = makeWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const QStringList paths = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({});

    DialogAnswerer answerer(buttonText(KStandardGuiItem::ok()));
    window->actionCollection()->action(u"options_configure_notifications"_s)->trigger();
    QCoreApplication::setLibraryPaths(paths);
    QVERIFY(answerer.answered());
    const QString shown = answerer.texts().join(u' ');
    QVERIFY2(shown.contains(u"notification settings could not be opened"_s), qPrintable(shown));
    // With the loader's reason.
    QVERIFY2(shown.contains(u"not found"_s), qPrintable(shown));
}

#include "mainwindowtest.moc"
