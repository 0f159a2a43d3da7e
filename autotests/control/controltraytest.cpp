// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The tray item over real windows. Without a tray host on the bus the item has no place on
// screen, but its menu, tooltip and the window handling work all the same.

#include "controltray.h"
#include "controlregistry.h"
#include "mainwindow.h"
#include "session.h"
#include "sessionmodel.h"
#include "stopwatchcontrol.h"
#include "tickwardenconfig.h"

#include <KAboutData>
#include <KLocalizedString>
#include <KMessageBox>
#include <KStatusNotifierItem>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

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

private:
    StopwatchControl *openWindow();
    QAction *menuAction(const QString &name) const;

    std::unique_ptr<SessionModel> m_sessionModel;
    std::unique_ptr<ControlTray> m_tray;
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
    QGuiApplication::setQuitOnLastWindowClosed(true);
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
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("otherWindow");

    QTest::newRow("tray off") << false << true << false;
    QTest::newRow("stopwatch not running") << true << false << false;
    QTest::newRow("another window still shown") << true << true << true;
}

void ControlTrayTest::otherClosesAreLeftAlone()
{
    QFETCH(bool, trayOn);
    QFETCH(bool, running);
    QFETCH(bool, otherWindow);

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

QTEST_MAIN(ControlTrayTest)

#include "controltraytest.moc"
