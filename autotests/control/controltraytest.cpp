// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The tray item over real windows. Without a tray host on the bus the item has no place on
// screen, but its menu and tooltip work all the same; hiding a window needs a host, which
// a stand-in watcher provides on the private bus.

#include "controltray.h"
#include "controlregistry.h"
#include "mainwindow.h"
#include "session.h"
#include "sessionmodel.h"
#include "stopwatchcontrol.h"
#include "tickwardenconfig.h"
#include "trayhost.h"

#include <KAboutData>
#include <KActionCollection>
#include <KConfigDialog>
#include <KLocalizedString>
#include <KMessageBox>
#include <KStatusNotifierItem>

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

using namespace Qt::Literals::StringLiterals;

/**
 * The status notifier watcher of a desktop with a tray. The status item reads its
 * properties with blocking calls, so it lives in a thread of its own that can answer them.
 */
class FakeStatusNotifierWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    std::atomic<bool> hostRegistered = true;

    [[nodiscard]] bool isHostRegistered() const
    {
        return hostRegistered;
    }
    [[nodiscard]] QStringList registeredItems() const
    {
        return {};
    }
    [[nodiscard]] int protocolVersion() const
    {
        return 0;
    }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString &service)
    {
        Q_UNUSED(service);
    }
    void RegisterStatusNotifierHost(const QString &service)
    {
        Q_UNUSED(service);
    }

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString &service);
    void StatusNotifierItemUnregistered(const QString &service);
    void StatusNotifierHostRegistered();
    void StatusNotifierHostUnregistered();
};

/** A tray host on the session bus from construction to destruction. */
class FakeTrayHost
{
public:
    FakeTrayHost()
    {
        m_thread.start();
        m_watcher = new FakeStatusNotifierWatcher;
        m_watcher->moveToThread(&m_thread);
        QMetaObject::invokeMethod(
            m_watcher,
            [this] {
                QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName());
                m_registered = bus.registerObject(u"/StatusNotifierWatcher"_s, m_watcher, QDBusConnection::ExportAllContents)
                    && bus.registerService(u"org.kde.StatusNotifierWatcher"_s);
            },
            Qt::BlockingQueuedConnection);
    }

    ~FakeTrayHost()
    {
        QMetaObject::invokeMethod(
            m_watcher,
            [this] {
                QDBusConnection::disconnectFromBus(connectionName());
                delete m_watcher;
            },
            Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }

    [[nodiscard]] bool isRegistered() const
    {
        return m_registered;
    }

    void setHostRegistered(bool registered)
    {
        m_watcher->hostRegistered = registered;
        QMetaObject::invokeMethod(m_watcher,
                                  registered ? &FakeStatusNotifierWatcher::StatusNotifierHostRegistered
                                             : &FakeStatusNotifierWatcher::StatusNotifierHostUnregistered,
                                  Qt::QueuedConnection);
    }

private:
    static QString connectionName()
    {
        return u"fake-tray-host"_s;
    }

    QThread m_thread;
    FakeStatusNotifierWatcher *m_watcher = nullptr;
    bool m_registered = false;
};

class ControlTrayTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void followsTheSetting();
    void menuDrivesTheActiveWindow();
    void menuListsTheWindows();
    void wholeSeconds_data();
    void wholeSeconds();
    void toolTipTicksInWholeSeconds();
    void closingTheLastRunningWindowHidesIt();
    void otherClosesAreLeftAlone_data();
    void otherClosesAreLeftAlone();
    void switchingOffShowsHiddenWindows();
    void quitClosesEveryWindow();
    void clickShowsAndHides();
    void trayLeavingShowsHiddenWindows();
    void settingsPageSaysWhenThereIsNoTray();

private:
    /** Puts a tray host on the bus for the rest of the test; skips the test without a bus. */
    void startTrayHost();

    StopwatchControl *openWindow();
    QAction *menuAction(const QString &name) const;

    std::unique_ptr<SessionModel> m_sessionModel;
    std::unique_ptr<ControlTray> m_tray;
    std::unique_ptr<FakeTrayHost> m_trayHost;
};

void ControlTrayTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
    KAboutData aboutData(u"tickwarden"_s, u"Tickwarden"_s, u"1.0"_s);
    KAboutData::setApplicationData(aboutData);
    QVERIFY(QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)));
    // Closing a window that ran asks whether to lose its times; answered once for all.
    KMessageBox::saveDontShowAgainContinue(u"quit-and-lose-times"_s);
}

void ControlTrayTest::init()
{
    // The host of the test before has gone; the program notices that by itself.
    QTRY_VERIFY(!TrayHost::self()->isAvailable());
    TickwardenConfig::self()->setDefaults();
    m_sessionModel = std::make_unique<SessionModel>();
    m_tray = std::make_unique<ControlTray>();
}

void ControlTrayTest::cleanup()
{
    m_tray.reset();
    const auto controls = ControlRegistry::self()->controls();
    for (StopwatchControl *control : controls) {
        delete control->window();
    }
    m_sessionModel.reset();
    m_trayHost.reset();
    QGuiApplication::setQuitOnLastWindowClosed(true);
}

void ControlTrayTest::startTrayHost()
{
    if (!QDBusConnection::sessionBus().isConnected()) {
        QSKIP("a tray host needs a session bus");
    }
    m_trayHost = std::make_unique<FakeTrayHost>();
    QVERIFY(m_trayHost->isRegistered());
    QTRY_VERIFY(TrayHost::self()->isAvailable());
}

StopwatchControl *ControlTrayTest::openWindow()
{
    auto window = new MainWindow(m_sessionModel.get(), nullptr, Session(0, QDateTime::currentDateTime()));
    window->show();
    return ControlRegistry::self()->controlsByAge().constLast();
}

QAction *ControlTrayTest::menuAction(const QString &name) const
{
    return m_tray->menu()->findChild<QAction *>(name);
}

void ControlTrayTest::followsTheSetting()
{
    QVERIFY(!m_tray->isEnabled());
    QVERIFY(!m_tray->item());
    QVERIFY(QGuiApplication::quitOnLastWindowClosed());

    TickwardenConfig::setShowTrayItem(true);
    QVERIFY(m_tray->isEnabled());
    QVERIFY(m_tray->item());
    QVERIFY(!QGuiApplication::quitOnLastWindowClosed());

    TickwardenConfig::setShowTrayItem(false);
    QVERIFY(!m_tray->isEnabled());
    QVERIFY(QGuiApplication::quitOnLastWindowClosed());
}

void ControlTrayTest::menuDrivesTheActiveWindow()
{
    TickwardenConfig::setShowTrayItem(true);
    openWindow();
    StopwatchControl *control = openWindow();
    StopwatchControl *other = ControlRegistry::self()->controlsByAge().constFirst();
    QAction *toggle = menuAction(u"tray_toggle"_s);
    QAction *lap = menuAction(u"tray_lap"_s);
    QAction *reset = menuAction(u"tray_reset"_s);
    QVERIFY(toggle && lap && reset);
    // Our entries come before the item's own Quit.
    QCOMPARE(m_tray->menu()->actions().constFirst(), toggle);

    QCOMPARE(toggle->text(), u"&Start"_s);
    QVERIFY(!lap->isEnabled());
    QVERIFY(!reset->isEnabled());

    toggle->trigger();
    QCOMPARE(control->state(), StopwatchControl::State::Running);
    QCOMPARE(toggle->text(), u"&Pause"_s);
    QVERIFY(lap->isEnabled());
    lap->trigger();
    QCOMPARE(control->lapCount(), 1);

    toggle->trigger();
    QCOMPARE(control->state(), StopwatchControl::State::Paused);
    QCOMPARE(toggle->text(), u"Re&sume"_s);
    QVERIFY(!lap->isEnabled());
    QVERIFY(reset->isEnabled());

    reset->trigger();
    QCOMPARE(control->state(), StopwatchControl::State::Inactive);
    QCOMPARE(control->lapCount(), 0);
    QCOMPARE(other->state(), StopwatchControl::State::Inactive);
}

void ControlTrayTest::menuListsTheWindows()
{
    TickwardenConfig::setShowTrayItem(true);
    StopwatchControl *first = openWindow();
    StopwatchControl *second = openWindow();
    ControlRegistry::self()->makeActive(second);

    Q_EMIT m_tray->menu()->aboutToShow();
    const auto entries = m_tray->menu()->findChildren<QAction *>(u"tray_window"_s);
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries.at(0)->text(), u"Untitled"_s);
    QVERIFY(!entries.at(0)->isChecked());
    QVERIFY(entries.at(1)->isChecked());

    first->window()->hide();
    entries.at(0)->trigger();
    QCOMPARE(ControlRegistry::self()->active(), first);
    QVERIFY(first->window()->isVisible());

    // Opened again, the list holds each window once.
    delete second->window();
    Q_EMIT m_tray->menu()->aboutToShow();
    QCOMPARE(m_tray->menu()->findChildren<QAction *>(u"tray_window"_s).size(), 1);
}

void ControlTrayTest::wholeSeconds_data()
{
    QTest::addColumn<int>("milliseconds");
    QTest::addColumn<QString>("text");

    QTest::newRow("zero") << 0 << u"00:00"_s;
    QTest::newRow("fractions dropped") << 999 << u"00:00"_s;
    QTest::newRow("minute and second") << 61'500 << u"01:01"_s;
    QTest::newRow("just under an hour") << 3'599'999 << u"59:59"_s;
    QTest::newRow("an hour") << 3'600'000 << u"1:00:00"_s;
    QTest::newRow("past a day") << 90'061'000 << u"25:01:01"_s;
}

void ControlTrayTest::wholeSeconds()
{
    QFETCH(int, milliseconds);
    QFETCH(QString, text);
    QCOMPARE(ControlTray::wholeSeconds(milliseconds), text);
}

void ControlTrayTest::toolTipTicksInWholeSeconds()
{
    TickwardenConfig::setShowTrayItem(true);
    StopwatchControl *control = openWindow();
    QCOMPARE(m_tray->toolTip(), u"Not started"_s);

    control->start();
    QCOMPARE(m_tray->toolTip(), u"00:00, running"_s);
    // A loaded machine may skip past the first second; what matters is that the tooltip
    // moves on in whole seconds.
    QTRY_VERIFY_WITH_TIMEOUT(m_tray->toolTip() != u"00:00, running"_s, 5000);
    const QRegularExpression wholeSecondsRunning(u"^\\d\\d:\\d\\d, running$"_s);
    QVERIFY2(wholeSecondsRunning.match(m_tray->toolTip()).hasMatch(), qPrintable(m_tray->toolTip()));

    control->pause();
    QVERIFY(m_tray->toolTip().endsWith(u", paused"_s));
}

void ControlTrayTest::closingTheLastRunningWindowHidesIt()
{
    startTrayHost();
    TickwardenConfig::setShowTrayItem(true);
    StopwatchControl *control = openWindow();
    QPointer<QWidget> window = control->window();
    QSignalSpy hiddenSpy(m_tray.get(), &ControlTray::hiddenToTray);
    control->start();

    QVERIFY(!window->close());
    QCOMPARE(hiddenSpy.count(), 1);
    QVERIFY(window->isHidden());
    QCOMPARE(control->state(), StopwatchControl::State::Running);

    // The program does not end with it: the hidden window still counts.
    QVERIFY(!QGuiApplication::quitOnLastWindowClosed());
    QTest::qWait(0);
    QVERIFY(window);
}

void ControlTrayTest::otherClosesAreLeftAlone_data()
{
    QTest::addColumn<bool>("trayOn");
    QTest::addColumn<bool>("trayHost");
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("otherWindow");

    QTest::newRow("tray off") << false << true << true << false;
    QTest::newRow("stopwatch not running") << true << true << false << false;
    QTest::newRow("another window still shown") << true << true << true << true;
    // GNOME without an extension, many window managers: nowhere to bring the window back from.
    QTest::newRow("no tray on the desktop") << true << false << true << false;
}

void ControlTrayTest::otherClosesAreLeftAlone()
{
    QFETCH(bool, trayOn);
    QFETCH(bool, trayHost);
    QFETCH(bool, running);
    QFETCH(bool, otherWindow);

    if (trayHost) {
        startTrayHost();
    }

    TickwardenConfig::setShowTrayItem(trayOn);
    if (otherWindow) {
        openWindow();
    }
    StopwatchControl *control = openWindow();
    QPointer<QWidget> window = control->window();
    QSignalSpy hiddenSpy(m_tray.get(), &ControlTray::hiddenToTray);
    if (running) {
        control->start();
    }

    QVERIFY(window->close());
    QCOMPARE(hiddenSpy.count(), 0);
    QTRY_VERIFY(!window);
}

void ControlTrayTest::switchingOffShowsHiddenWindows()
{
    startTrayHost();
    TickwardenConfig::setShowTrayItem(true);
    StopwatchControl *control = openWindow();
    control->start();
    QVERIFY(!control->window()->close());
    QVERIFY(control->window()->isHidden());

    TickwardenConfig::setShowTrayItem(false);
    QVERIFY(control->window()->isVisible());
}

void ControlTrayTest::quitClosesEveryWindow()
{
    startTrayHost();
    TickwardenConfig::setShowTrayItem(true);
    StopwatchControl *hidden = openWindow();
    hidden->start();
    QVERIFY(!hidden->window()->close());
    StopwatchControl *shown = openWindow();
    QCOMPARE(ControlRegistry::self()->controls().size(), 2);

    Q_EMIT m_tray->item()->quitRequested();
    // Each window went through its own close, so the running one was paused, not dropped.
    QCOMPARE(hidden->state(), StopwatchControl::State::Paused);
    Q_UNUSED(shown);
    QTRY_VERIFY(ControlRegistry::self()->controls().isEmpty());
}

void ControlTrayTest::clickShowsAndHides()
{
    TickwardenConfig::setShowTrayItem(true);
    StopwatchControl *control = openWindow();
    QWidget *window = control->window();
    window->activateWindow();
    QTRY_VERIFY(window->isActiveWindow());

    m_tray->toggleActiveWindow();
    QVERIFY(window->isHidden());
    m_tray->toggleActiveWindow();
    QVERIFY(window->isVisible());

    // Shown but behind another window: a click brings it forward instead of hiding it.
    StopwatchControl *other = openWindow();
    other->window()->activateWindow();
    QTRY_VERIFY(other->window()->isActiveWindow());
    ControlRegistry::self()->makeActive(control);
    m_tray->toggleActiveWindow();
    QVERIFY(window->isVisible());
}

void ControlTrayTest::trayLeavingShowsHiddenWindows()
{
    startTrayHost();
    TickwardenConfig::setShowTrayItem(true);
    StopwatchControl *control = openWindow();
    control->start();
    QVERIFY(!control->window()->close());
    QVERIFY(control->window()->isHidden());

    // The panel with the tray goes away, and with it the only way back to the window.
    m_trayHost->setHostRegistered(false);
    QTRY_VERIFY(!TrayHost::self()->isAvailable());
    QVERIFY(control->window()->isVisible());
    QCOMPARE(control->state(), StopwatchControl::State::Running);

    // Without a tray, closing it asks as any close does, and it really closes.
    QPointer<QWidget> window = control->window();
    QVERIFY(window->close());
    QTRY_VERIFY(!window);
}

void ControlTrayTest::settingsPageSaysWhenThereIsNoTray()
{
    StopwatchControl *control = openWindow();
    auto window = qobject_cast<MainWindow *>(control->window());
    QVERIFY(window);
    window->actionCollection()->action(u"options_configure"_s)->trigger();
    QPointer<KConfigDialog> dialog = KConfigDialog::exists(u"settings"_s);
    QVERIFY(dialog);
    const auto closeDialog = qScopeGuard([&dialog] {
        delete dialog.data();
    });
    auto note = dialog->findChild<QLabel *>(u"trayUnavailableLabel"_s);
    QVERIFY(note);
    QVERIFY(!note->isHidden());

    startTrayHost();
    QTRY_VERIFY(note->isHidden());
    m_trayHost->setHostRegistered(false);
    QTRY_VERIFY(!note->isHidden());
}

QTEST_MAIN(ControlTrayTest)

#include "controltraytest.moc"
