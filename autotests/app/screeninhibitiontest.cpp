// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Runs between two private buses that the test command starts: the session bus, and a
// second one that the program takes as its system bus.

#include "fakedesktopservices.h"
#include "mainwindow.h"
#include "screeninhibitor.h"
#include "session.h"
#include "sessionmodel.h"
#include "stopwatch.h"
#include "tickwardenconfig.h"

#include <KActionCollection>
#include <KLocalizedString>

#include <QSet>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace
{
QStringList s_messages;

void recordMessage(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtDebugMsg || type == QtWarningMsg) {
        s_messages << (type == QtWarningMsg ? u"warning: "_s : u"debug: "_s) + text;
    }
}

bool logged(const QString &line)
{
    return s_messages.contains(line);
}

bool loggedStartingWith(const QString &start)
{
    return std::any_of(s_messages.cbegin(), s_messages.cend(), [&start](const QString &line) {
        return line.startsWith(start);
    });
}
}

class ScreenInhibitionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void runAndPauseInhibitOnce();
    void resetReleases();
    void refusedInhibitionIsLoggedAndNotReleased();
    void refusedReleaseKeepsTheCookie();
    void lateReplyIsWithdrawn();
    void finalStateFollowsTheStopwatch_data();
    void finalStateFollowsTheStopwatch();
    void closedWindowHandsBackItsCookie_data();
    void closedWindowHandsBackItsCookie();
    void twoWindowsHoldTheirOwnCookies();
    void sleepPausesAndWakingDoesNotResume();
    void sleepWhileInactivePausesAtZero();

private:
    MainWindow *makeWindow();
    void trigger(MainWindow *window, const QString &action);

    std::unique_ptr<FakeDesktopServices> m_services;
    std::unique_ptr<SessionModel> m_store;
    QList<MainWindow *> m_windows;
};

void ScreenInhibitionTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"tickwarden"_s);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
    m_services = std::make_unique<FakeDesktopServices>();
    if (!m_services->isValid()) {
        QFAIL("needs private session and system buses (run through ctest)");
    }
    qInstallMessageHandler(recordMessage);
}

void ScreenInhibitionTest::init()
{
    s_messages.clear();
    m_services->screenSaver()->setFailing(false);
    m_services->screenSaver()->setHoldingReplies(false);
    TickwardenConfig::self()->setDefaults();
    m_store = std::make_unique<SessionModel>();
}

void ScreenInhibitionTest::cleanup()
{
    FakeScreenSaver *saver = m_services->screenSaver();
    saver->setFailing(false);
    saver->setHoldingReplies(false);
    saver->releaseHeldReplies();
    qDeleteAll(m_windows);
    m_windows.clear();
    m_store.reset();
    // No inhibition outlives its window, whatever state the test left it in.
    QTRY_COMPARE(saver->activeCookies(), QList<uint>());
}

MainWindow *ScreenInhibitionTest::makeWindow()
{
    auto window = new MainWindow(m_store.get(), nullptr, Session(0, QDateTime::currentDateTime()));
    m_windows << window;
    return window;
}

void ScreenInhibitionTest::trigger(MainWindow *window, const QString &action)
{
    window->actionCollection()->action(action)->trigger();
}

void ScreenInhibitionTest::runAndPauseInhibitOnce()
{
    FakeScreenSaver *saver = m_services->screenSaver();
    const int before = saver->calls().size();
    MainWindow *window = makeWindow();

    trigger(window, u"start"_s);
    QTRY_VERIFY(loggedStartingWith(u"debug: Screen inhibition activated, got cookie: "_s));
    const QStringList afterStart = saver->calls().mid(before);
    QCOMPARE(afterStart.size(), 1);
    QVERIFY(afterStart.first().startsWith(u"Inhibit tickwarden "_s));
    const QString cookie = afterStart.first().section(u' ', 2);

    trigger(window, u"pause"_s);
    QTRY_VERIFY(logged(u"debug: Screen inhibition disabled."_s));
    QCOMPARE(saver->calls().mid(before), (QStringList{afterStart.first(), u"UnInhibit "_s + cookie}));

    // A second run takes a fresh inhibition.
    trigger(window, u"start"_s);
    QTRY_COMPARE(saver->calls().mid(before).size(), 3);
    QVERIFY(!loggedStartingWith(u"warning: Screen inhibition"_s));
    QVERIFY(!loggedStartingWith(u"warning: Could not"_s));
}

void ScreenInhibitionTest::resetReleases()
{
    FakeScreenSaver *saver = m_services->screenSaver();
    MainWindow *window = makeWindow();
    trigger(window, u"start"_s);
    QTRY_VERIFY(loggedStartingWith(u"debug: Screen inhibition activated"_s));
    trigger(window, u"reset"_s);
    QTRY_VERIFY(logged(u"debug: Screen inhibition disabled."_s));
    QVERIFY(saver->calls().last().startsWith(u"UnInhibit "_s));
}

void ScreenInhibitionTest::refusedInhibitionIsLoggedAndNotReleased()
{
    FakeScreenSaver *saver = m_services->screenSaver();
    saver->setFailing(true);
    MainWindow *window = makeWindow();
    trigger(window, u"start"_s);
    QTRY_VERIFY(loggedStartingWith(u"warning: Could not inhibit screen locker: QDBusError("_s));
    const int calls = saver->calls().size();

    trigger(window, u"pause"_s);
    QVERIFY(window->findChild<Stopwatch *>()->isPaused());
    // Nothing is held, so nothing is released.
    trigger(window, u"start"_s);
    QTRY_COMPARE(saver->calls().size(), calls + 1);
    QVERIFY(saver->calls().last().startsWith(u"Inhibit "_s));
}

void ScreenInhibitionTest::refusedReleaseKeepsTheCookie()
{
    FakeScreenSaver *saver = m_services->screenSaver();
    MainWindow *window = makeWindow();
    trigger(window, u"start"_s);
    QTRY_VERIFY(loggedStartingWith(u"debug: Screen inhibition activated"_s));

    saver->setFailing(true);
    trigger(window, u"pause"_s);
    QTRY_VERIFY(loggedStartingWith(u"warning: Could not disable screen inhibition: QDBusError("_s));

    const int calls = saver->calls().size();
    trigger(window, u"start"_s);
    QVERIFY(logged(u"warning: Screen inhibition is already active."_s));
    QCOMPARE(saver->calls().size(), calls);

    saver->setFailing(false);
    trigger(window, u"pause"_s);
    QTRY_VERIFY(logged(u"debug: Screen inhibition disabled."_s));
}

void ScreenInhibitionTest::lateReplyIsWithdrawn()
{
    FakeScreenSaver *saver = m_services->screenSaver();
    saver->setHoldingReplies(true);
    MainWindow *window = makeWindow();
    const int before = saver->calls().size();

    trigger(window, u"start"_s);
    QTRY_COMPARE(saver->calls().size(), before + 1);
    const QString cookie = saver->calls().last().section(u' ', 2);
    trigger(window, u"pause"_s);

    saver->setHoldingReplies(false);
    saver->releaseHeldReplies();
    QTRY_VERIFY(logged(u"debug: Screen inhibition disabled."_s));
    QCOMPARE(saver->calls().last(), u"UnInhibit "_s + cookie);
}

void ScreenInhibitionTest::finalStateFollowsTheStopwatch_data()
{
    QTest::addColumn<bool>("inhibitedFirst");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<FakeScreenSaver::ReplyOrder>("order");

    // The actions happen while the screen saver holds back its replies.
    const struct {
        const char *name;
        bool inhibitedFirst;
        QStringList actions;
    } rows[] = {
        {"resume before the release reply", true, {u"pause"_s, u"start"_s}},
        {"reset and start before the release reply", true, {u"reset"_s, u"start"_s}},
        {"reset after a pause before the release reply", true, {u"pause"_s, u"reset"_s}},
        {"four changes before any reply", true, {u"pause"_s, u"start"_s, u"pause"_s, u"start"_s}},
        {"pause before the inhibit reply", false, {u"start"_s, u"pause"_s}},
        {"pause and resume before the inhibit reply", false, {u"start"_s, u"pause"_s, u"start"_s}},
    };
    for (const auto &row : rows) {
        QTest::addRow("%s, replies as called", row.name) << row.inhibitedFirst << row.actions << FakeScreenSaver::ReplyOrder::AsCalled;
        QTest::addRow("%s, newest reply first", row.name) << row.inhibitedFirst << row.actions << FakeScreenSaver::ReplyOrder::NewestFirst;
    }
}

void ScreenInhibitionTest::finalStateFollowsTheStopwatch()
{
    QFETCH(bool, inhibitedFirst);
    QFETCH(QStringList, actions);
    QFETCH(FakeScreenSaver::ReplyOrder, order);

    FakeScreenSaver *saver = m_services->screenSaver();
    MainWindow *window = makeWindow();
    auto stopwatch = window->findChild<Stopwatch *>();
    auto inhibitor = window->findChild<ScreenInhibitor *>();
    const int before = saver->calls().size();
    if (inhibitedFirst) {
        trigger(window, u"start"_s);
        QTRY_VERIFY(inhibitor->isInhibited());
    }

    saver->setHoldingReplies(true);
    for (const QString &action : std::as_const(actions)) {
        trigger(window, action);
    }
    QTRY_VERIFY(saver->heldReplyCount() > 0);
    saver->setHoldingReplies(false);
    saver->releaseHeldReplies(order);
    QTRY_VERIFY(!inhibitor->isBusy());

    const bool running = stopwatch->isRunning();
    QCOMPARE(running, actions.last() == u"start"_s);
    QCOMPARE(inhibitor->isInhibited(), running);
    QCOMPARE(saver->activeCookies().size(), running ? 1 : 0);
    // A cookie is handed back once; the screen saver may not know it a second time.
    const QStringList releases = saver->calls().mid(before).filter(u"UnInhibit "_s);
    QCOMPARE(QSet<QString>(releases.cbegin(), releases.cend()).size(), releases.size());
    QVERIFY(!loggedStartingWith(u"warning: Screen inhibition"_s));
    QVERIFY(!loggedStartingWith(u"warning: Could not"_s));
}

void ScreenInhibitionTest::closedWindowHandsBackItsCookie_data()
{
    QTest::addColumn<bool>("replyHeld");

    QTest::newRow("cookie granted") << false;
    QTest::newRow("reply still on its way") << true;
}

void ScreenInhibitionTest::closedWindowHandsBackItsCookie()
{
    QFETCH(bool, replyHeld);

    FakeScreenSaver *saver = m_services->screenSaver();
    saver->setHoldingReplies(replyHeld);
    MainWindow *window = makeWindow();
    trigger(window, u"start"_s);
    if (replyHeld) {
        QTRY_COMPARE(saver->heldReplyCount(), 1);
    } else {
        QTRY_VERIFY(window->findChild<ScreenInhibitor *>()->isInhibited());
    }
    const QString cookie = saver->calls().last().section(u' ', 2);
    QCOMPARE(saver->activeCookies().size(), 1);

    m_windows.removeOne(window);
    delete window;
    saver->setHoldingReplies(false);
    saver->releaseHeldReplies();
    QTRY_COMPARE(saver->activeCookies(), QList<uint>());
    QCOMPARE(saver->calls().last(), u"UnInhibit "_s + cookie);
}

void ScreenInhibitionTest::twoWindowsHoldTheirOwnCookies()
{
    FakeScreenSaver *saver = m_services->screenSaver();
    const int before = saver->calls().size();
    MainWindow *first = makeWindow();
    MainWindow *second = makeWindow();

    trigger(first, u"start"_s);
    QTRY_COMPARE(saver->calls().size(), before + 1);
    trigger(second, u"start"_s);
    QTRY_COMPARE(saver->calls().size(), before + 2);
    const QString firstCookie = saver->calls().at(before).section(u' ', 2);
    const QString secondCookie = saver->calls().at(before + 1).section(u' ', 2);
    QVERIFY(firstCookie != secondCookie);
    QTRY_COMPARE(s_messages.filter(u"got cookie"_s).size(), 2);

    trigger(second, u"pause"_s);
    QTRY_COMPARE(saver->calls().size(), before + 3);
    QCOMPARE(saver->calls().last(), u"UnInhibit "_s + secondCookie);
    trigger(first, u"pause"_s);
    QTRY_COMPARE(saver->calls().size(), before + 4);
    QCOMPARE(saver->calls().last(), u"UnInhibit "_s + firstCookie);
}

void ScreenInhibitionTest::sleepPausesAndWakingDoesNotResume()
{
    MainWindow *window = makeWindow();
    auto stopwatch = window->findChild<Stopwatch *>();
    trigger(window, u"start"_s);
    QTRY_VERIFY(loggedStartingWith(u"debug: Screen inhibition activated"_s));

    m_services->announceSleep(true);
    QTRY_VERIFY(stopwatch->isPaused());
    QVERIFY(logged(u"debug: System is going to sleep, pausing the stopwatch."_s));
    QTRY_VERIFY(logged(u"debug: Screen inhibition disabled."_s));

    s_messages.clear();
    m_services->announceSleep(false);
    // Waking is announced like sleeping; wait for a later signal to know it was handled.
    m_services->announceSleep(true);
    QTRY_VERIFY(logged(u"debug: System is going to sleep, pausing the stopwatch."_s));
    QVERIFY(stopwatch->isPaused());
    QCOMPARE(s_messages.filter(u"going to sleep"_s).size(), 1);
}

void ScreenInhibitionTest::sleepWhileInactivePausesAtZero()
{
    MainWindow *window = makeWindow();
    auto stopwatch = window->findChild<Stopwatch *>();
    m_services->announceSleep(true);
    QTRY_VERIFY(stopwatch->isPaused());
    QCOMPARE(stopwatch->accumulatedTime(), 0);
    QCOMPARE(window->actionCollection()->action(u"start"_s)->text(), u"Re&sume"_s);
    QVERIFY(window->actionCollection()->action(u"file_save_as"_s)->isEnabled());
    QVERIFY(!window->actionCollection()->action(u"file_save"_s)->isEnabled());
}

QTEST_MAIN(ScreenInhibitionTest)

#include "screeninhibitiontest.moc"
