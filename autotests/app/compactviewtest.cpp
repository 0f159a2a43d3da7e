// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "compactview.h"
#include "lapmodel.h"
#include "lappane.h"
#include "mainwindow.h"
#include "session.h"
#include "sessionmodel.h"
#include "stopwatch.h"
#include "tickwardenconfig.h"
#include "timedisplay.h"

#include <KActionCollection>
#include <KConfigGroup>
#include <KLocalizedString>
#include <KSharedConfig>
#include <KToolBar>
#include <KWindowInfo>
#include <KWindowSystem>

#include <QDir>
#include <QDockWidget>
#include <QMenuBar>
#include <QPointer>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace
{
struct WindowDeleter {
    void operator()(MainWindow *window) const
    {
        delete window;
    }
};
using WindowPtr = std::unique_ptr<MainWindow, WindowDeleter>;

// What the compact view hides and has to bring back.
struct Shown {
    bool menuBar;
    bool toolBar;
    bool lapPane;
    bool chart;
    QSize size;

    bool operator==(const Shown &) const = default;
};

QDebug operator<<(QDebug debug, const Shown &shown)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "Shown(menuBar " << shown.menuBar << ", toolBar " << shown.toolBar << ", lapPane " << shown.lapPane << ", chart " << shown.chart << ", "
                    << shown.size << ")";
    return debug;
}

char *toString(const Shown &shown)
{
    QString text;
    QDebug(&text) << shown;
    return qstrdup(text.toUtf8().constData());
}

Shown shownIn(MainWindow *window)
{
    return Shown{!window->menuBar()->isHidden(),
                 !window->toolBar()->isHidden(),
                 !window->findChild<LapPane *>()->isHidden(),
                 !window->findChild<QDockWidget *>(u"lapChartDock"_s)->isHidden(),
                 window->size()};
}

QToolButton *rowButton(MainWindow *window, const QString &name)
{
    return window->findChild<QWidget *>(u"compactButtonRow"_s)->findChild<QToolButton *>(name);
}
}

class CompactViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void roundTripRestoresLayout_data();
    void roundTripRestoresLayout();
    void doubleClickOnTheDigitsReturns();
    void buttonRowDrivesTheStopwatch();
    void rememberedAcrossRestart_data();
    void rememberedAcrossRestart();
    void keepAbove();

private:
    WindowPtr makeWindow();
    std::unique_ptr<SessionModel> m_store;
};

void CompactViewTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"tickwarden"_s);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
}

void CompactViewTest::init()
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

void CompactViewTest::cleanup()
{
    m_store.reset();
    TickwardenConfig::self()->setDefaults();
}

WindowPtr CompactViewTest::makeWindow()
{
    return WindowPtr(new MainWindow(m_store.get(), nullptr, Session(0, QDateTime::currentDateTime())));
}

void CompactViewTest::roundTripRestoresLayout_data()
{
    QTest::addColumn<bool>("menuBar");
    QTest::addColumn<bool>("toolBar");
    QTest::addColumn<bool>("chart");

    QTest::newRow("first start: toolbar, no menu bar") << false << true << false;
    QTest::newRow("menu bar and toolbar") << true << true << false;
    QTest::newRow("menu bar only") << true << false << false;
    QTest::newRow("lap chart docked") << false << true << true;
}

void CompactViewTest::roundTripRestoresLayout()
{
    QFETCH(bool, menuBar);
    QFETCH(bool, toolBar);
    QFETCH(bool, chart);

    auto window = makeWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->menuBar()->setVisible(menuBar);
    window->toolBar()->setVisible(toolBar);
    window->findChild<QDockWidget *>(u"lapChartDock"_s)->setVisible(chart);
    window->resize(window->size() + QSize(120, 90));
    const Shown before = shownIn(window.get());
    QWidget *digits = window->findChild<TimeDisplay *>()->parentWidget();
    const QSize digitsBefore = digits->size();
    QCOMPARE(before.menuBar, menuBar);
    QCOMPARE(before.chart, chart);

    QAction *compact = window->actionCollection()->action(u"compact_view"_s);
    QVERIFY(compact);
    QVERIFY(compact->isCheckable());
    compact->trigger();
    QVERIFY(compact->isChecked());
    const Shown inCompact = shownIn(window.get());
    QCOMPARE(inCompact.menuBar, false);
    QCOMPARE(inCompact.toolBar, false);
    QCOMPARE(inCompact.lapPane, false);
    QCOMPARE(inCompact.chart, false);
    QVERIFY(window->statusBar()->isHidden());
    QVERIFY(window->findChild<TimeDisplay *>()->isVisible());
    QVERIFY(window->findChild<QWidget *>(u"compactButtonRow"_s)->isVisible());
    // The digits keep the room they had, no more: their fonts follow their size, so a
    // window sized by their hints after the lap pane has gone grows instead.
    QCOMPARE(digits->width(), digitsBefore.width());
    QCOMPARE(inCompact.size, digitsBefore + QSize(0, window->findChild<QWidget *>(u"compactButtonRow"_s)->height()));
    QVERIFY(inCompact.size.width() < before.size.width());
    // The menu bar cannot come back half-way, or leaving would hide it again.
    QVERIFY(!window->actionCollection()->action(u"options_show_menubar"_s)->isEnabled());

    compact->trigger();
    QVERIFY(!compact->isChecked());
    QTRY_COMPARE(shownIn(window.get()), before);
    QVERIFY(!window->findChild<QWidget *>(u"compactButtonRow"_s)->isVisible());
    QAction *showMenuBar = window->actionCollection()->action(u"options_show_menubar"_s);
    QVERIFY(showMenuBar->isEnabled());
    QCOMPARE(showMenuBar->isChecked(), menuBar);
}

void CompactViewTest::doubleClickOnTheDigitsReturns()
{
    auto window = makeWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    auto display = window->findChild<TimeDisplay *>();
    QAction *compact = window->actionCollection()->action(u"compact_view"_s);

    // Outside the compact view a double-click is no way into it.
    QTest::mouseDClick(display, Qt::LeftButton);
    QVERIFY(!compact->isChecked());

    compact->trigger();
    QVERIFY(compact->isChecked());
    QTest::mouseDClick(display, Qt::LeftButton);
    QVERIFY(!compact->isChecked());
    QVERIFY(!window->findChild<LapPane *>()->isHidden());
}

void CompactViewTest::buttonRowDrivesTheStopwatch()
{
    auto window = makeWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->actionCollection()->action(u"compact_view"_s)->trigger();
    auto stopwatch = window->findChild<Stopwatch *>();
    auto laps = window->findChild<LapModel *>();
    QToolButton *start = rowButton(window.get(), u"compactStartButton"_s);
    QToolButton *pause = rowButton(window.get(), u"compactPauseButton"_s);
    QToolButton *lap = rowButton(window.get(), u"compactLapButton"_s);
    QToolButton *reset = rowButton(window.get(), u"compactResetButton"_s);

    // Start and Pause take turns in one place; the buttons follow the actions' states.
    QVERIFY(start->isVisible());
    QVERIFY(!pause->isVisible());
    QVERIFY(!lap->isEnabled());
    QTest::mouseClick(start, Qt::LeftButton);
    QVERIFY(stopwatch->isRunning());
    QVERIFY(!start->isVisible());
    QVERIFY(pause->isVisible());
    QTest::mouseClick(lap, Qt::LeftButton);
    QCOMPARE(laps->rowCount(), 1);
    QTest::mouseClick(pause, Qt::LeftButton);
    QVERIFY(stopwatch->isPaused());
    QVERIFY(start->isVisible());
    QCOMPARE(start->text(), u"Resume"_s);
    QTest::mouseClick(reset, Qt::LeftButton);
    QVERIFY(stopwatch->isInactive());
    QCOMPARE(laps->rowCount(), 0);

    // The keyboard works as in the full window, with menus and toolbar gone.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_Space);
    QVERIFY(stopwatch->isRunning());
    QTest::keyClick(window.get(), Qt::Key_Return);
    QCOMPARE(laps->rowCount(), 1);
    QTest::keyClick(window.get(), Qt::Key_Space);
    QVERIFY(stopwatch->isPaused());

    // Without lap recording there is no Lap to offer.
    TickwardenConfig::setIsLapsRecordingEnabled(false);
    window->actionCollection()->action(u"lap"_s)->setVisible(false);
    QVERIFY(!lap->isVisible());
}

void CompactViewTest::rememberedAcrossRestart_data()
{
    QTest::addColumn<bool>("menuBar");

    QTest::newRow("menu bar hidden") << false;
    QTest::newRow("menu bar shown") << true;
}

void CompactViewTest::rememberedAcrossRestart()
{
    QFETCH(bool, menuBar);

    QSize normalSize;
    {
        QPointer<MainWindow> window = makeWindow().release();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        if (menuBar) {
            window->actionCollection()->action(u"options_show_menubar"_s)->trigger();
            QTRY_VERIFY(!window->menuBar()->isHidden());
        }
        window->toolBar()->show();
        window->resize(window->size() + QSize(100, 80));
        normalSize = window->size();
        window->actionCollection()->action(u"compact_view"_s)->trigger();
        QVERIFY(window->size() != normalSize);
        // Closing saves the window's state, compact as it is, and deletes the window.
        QVERIFY(window->close());
        QTRY_VERIFY(!window);
    }

    auto window = makeWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QAction *compact = window->actionCollection()->action(u"compact_view"_s);
    QVERIFY(compact->isChecked());
    QVERIFY(window->findChild<LapPane *>()->isHidden());
    QVERIFY(window->toolBar()->isHidden());
    QVERIFY(window->menuBar()->isHidden());

    // Back to the layout before the compact view, not to the compact one that was saved.
    compact->trigger();
    QTRY_COMPARE(window->size(), normalSize);
    QVERIFY(!window->toolBar()->isHidden());
    QVERIFY(!window->findChild<LapPane *>()->isHidden());
    QTRY_COMPARE(!window->menuBar()->isHidden(), menuBar);
    QCOMPARE(window->actionCollection()->action(u"options_show_menubar"_s)->isChecked(), menuBar);
    // The menu button stands in for the menu bar exactly while the menu bar is hidden.
    QTRY_COMPARE(window->findChild<QToolButton *>(u"controlMenuButton"_s) != nullptr, !menuBar);
}

void CompactViewTest::keepAbove()
{
    auto window = makeWindow();
    QAction *keepAbove = window->actionCollection()->action(u"keep_above"_s);
    QVERIFY(keepAbove);
    QVERIFY(keepAbove->isCheckable());
    const QString reason = CompactView::keepAboveUnavailableReason();
    qInfo() << "platform" << QGuiApplication::platformName() << "tooltip:" << keepAbove->toolTip();

    if (!KWindowSystem::isPlatformX11()) {
        // Never silently ineffective: disabled, and the tooltip says why.
        QVERIFY(!reason.isEmpty());
        QVERIFY(!keepAbove->isEnabled());
        QCOMPARE(keepAbove->toolTip(), reason);
        keepAbove->trigger();
        QVERIFY(!keepAbove->isChecked());
        return;
    }

    // Without a window manager on the test display the state is the window's property, as a
    // window manager would find it.
    QVERIFY(reason.isEmpty());
    QVERIFY(keepAbove->isEnabled());
    keepAbove->trigger();
    QVERIFY(keepAbove->isChecked());
    QVERIFY(KWindowInfo(window->winId(), NET::WMState).hasState(NET::KeepAbove));
    window.reset();

    // A new window is kept above too, before it is even shown; then it lets go.
    window = makeWindow();
    keepAbove = window->actionCollection()->action(u"keep_above"_s);
    QVERIFY(keepAbove->isChecked());
    QVERIFY(KWindowInfo(window->winId(), NET::WMState).hasState(NET::KeepAbove));
    keepAbove->trigger();
    QVERIFY(!keepAbove->isChecked());
    QVERIFY(!KWindowInfo(window->winId(), NET::WMState).hasState(NET::KeepAbove));
}

QTEST_MAIN(CompactViewTest)

#include "compactviewtest.moc"
