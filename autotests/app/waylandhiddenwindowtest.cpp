// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "programhome.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

/**
 * The real program in a headless KWin Wayland session: a window the compositor minimizes or
 * moves to another virtual desktop stops the process's ticks, and shows the exact time when
 * it comes back.
 *
 * The test starts a session bus, KWin and the program itself, each as a process of its own
 * with its output in a file, and ends each again. Whether the program ticks is read from the
 * scheduler: the main thread's context switches do not move while nothing wakes it.
 */
class WaylandHiddenWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void hiddenWindowStopsTicking_data();
    void hiddenWindowStopsTicking();

private:
    [[nodiscard]] QProcessEnvironment sessionEnvironment() const;
    void runKWinScript(const QString &name, const QString &code);
    [[nodiscard]] qint64 mainThreadSwitches() const;
    [[nodiscard]] qint64 mainThreadSwitchesOver(int milliseconds) const;
    [[nodiscard]] bool ticking() const;
    [[nodiscard]] bool becomes(bool (WaylandHiddenWindowTest::*condition)() const) const;
    [[nodiscard]] bool quiet() const;
    [[nodiscard]] QVariant windowProperty(const char *name) const;
    [[nodiscard]] bool callWindow(const QString &method) const;

    ProgramHome m_home;
    QProcess m_bus;
    QProcess m_kwin;
    QProcess m_program;
    QString m_busAddress;
    QString m_windowPath;
    int m_scripts = 0;
};

namespace
{
constexpr auto BusName = "waylandhiddenwindowtest"_L1;
constexpr auto WaylandSocket = "tickwarden-test-wayland"_L1;
constexpr auto ServiceName = "org.tickwarden.tickwarden"_L1;
constexpr auto WindowInterface = "org.tickwarden.Tickwarden.Window"_L1;

// The shown time as milliseconds, whatever fields it has: "01:02.34" is 62340.
qint64 shownMilliseconds(const QString &text)
{
    static const QRegularExpression pattern(uR"(^(?:(\d+):)?(?:(\d+):)?(\d+)(?:[.,](\d+))?$)"_s);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) {
        return -1;
    }
    qint64 hours = 0;
    qint64 minutes = 0;
    if (match.hasCaptured(2)) {
        hours = match.captured(1).toLongLong();
        minutes = match.captured(2).toLongLong();
    } else if (match.hasCaptured(1)) {
        minutes = match.captured(1).toLongLong();
    }
    qint64 ms = ((hours * 60 + minutes) * 60 + match.captured(3).toLongLong()) * 1000;
    const QString fraction = match.captured(4);
    if (!fraction.isEmpty()) {
        ms += QString(fraction + u"000"_s).left(3).toLongLong();
    }
    return ms;
}
}

QProcessEnvironment WaylandHiddenWindowTest::sessionEnvironment() const
{
    QProcessEnvironment env = m_home.environment();
    env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, m_busAddress);
    return env;
}

void WaylandHiddenWindowTest::initTestCase()
{
    const QString kwin = QStandardPaths::findExecutable(u"kwin_wayland"_s);
    const QString dbusDaemon = QStandardPaths::findExecutable(u"dbus-daemon"_s);
    if (kwin.isEmpty() || dbusDaemon.isEmpty()) {
        QSKIP("needs kwin_wayland and dbus-daemon");
    }
    QVERIFY(m_home.isValid());
    QVERIFY(QFileInfo(QStringLiteral(TICKWARDEN_BINARY)).isExecutable());

    // A private session bus, so that KWin and the program meet nothing of the user's desktop.
    QVERIFY(m_home.start(m_bus, dbusDaemon, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s}, u"bus.log"_s, ProgramHome::Output::ToCaller));
    QTRY_VERIFY_WITH_TIMEOUT(m_bus.canReadLine() || m_bus.state() != QProcess::Running, 30000);
    m_busAddress = QString::fromLatin1(m_bus.readLine().trimmed());
    QVERIFY2(!m_busAddress.isEmpty(), "dbus-daemon did not report its address");
    QDBusConnection bus = QDBusConnection::connectToBus(m_busAddress, BusName);
    QVERIFY(bus.isConnected());

    // --virtual renders to memory: no GPU, no seat and no input devices are needed, as on CI.
    m_kwin.setProcessEnvironment(sessionEnvironment());
    QVERIFY(m_home.start(m_kwin, kwin, {u"--virtual"_s, u"--socket"_s, WaylandSocket, u"--no-lockscreen"_s, u"--no-global-shortcuts"_s}, u"kwin.log"_s));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(m_home.filePath(u"runtime/"_s + WaylandSocket)) || m_kwin.state() != QProcess::Running, 30000);
    QVERIFY2(m_kwin.state() == QProcess::Running, "kwin_wayland ended; see kwin.log");
    QTRY_VERIFY_WITH_TIMEOUT(bus.interface()->isServiceRegistered(u"org.kde.KWin"_s), 30000);

    QFile settings(m_home.filePath(u"config/tickwardenrc"_s));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("[General]\nstartTimerImmediately=false\nshowSecondFractions=true\nfractionsType=UpToHundredths\n");
    settings.close();

    QProcessEnvironment env = sessionEnvironment();
    env.insert(u"WAYLAND_DISPLAY"_s, WaylandSocket);
    env.insert(u"QT_QPA_PLATFORM"_s, u"wayland"_s);
    env.insert(u"KDE_DEBUG"_s, u"1"_s);
    m_program.setProcessEnvironment(env);
    QVERIFY(m_home.start(m_program, QStringLiteral(TICKWARDEN_BINARY), {}, u"tickwarden.log"_s));
    QTRY_VERIFY_WITH_TIMEOUT(bus.interface()->isServiceRegistered(ServiceName) || m_program.state() != QProcess::Running, 30000);
    QVERIFY2(m_program.state() == QProcess::Running, "tickwarden ended; see tickwarden.log");

    QDBusInterface application(ServiceName, u"/Application"_s, u"org.tickwarden.Tickwarden.Application"_s, bus);
    QTRY_VERIFY_WITH_TIMEOUT(!application.property("Windows").value<QList<QDBusObjectPath>>().isEmpty(), 30000);
    m_windowPath = application.property("Windows").value<QList<QDBusObjectPath>>().constFirst().path();
}

void WaylandHiddenWindowTest::cleanupTestCase()
{
    QDBusConnection::disconnectFromBus(BusName);
    // The program first, while its compositor and bus are still there to say goodbye to.
    for (QProcess *process : {&m_program, &m_kwin, &m_bus}) {
        ProgramHome::stop(*process);
    }
}

void WaylandHiddenWindowTest::runKWinScript(const QString &name, const QString &code)
{
    // Each script gets a file and a plugin name of its own; KWin keeps the name taken while
    // it is loaded.
    const QString pluginName = u"tickwardentest%1"_s.arg(++m_scripts);
    const QString path = m_home.filePath(pluginName + u".js"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(code.toUtf8());
    file.close();

    QDBusInterface scripting(u"org.kde.KWin"_s, u"/Scripting"_s, u"org.kde.kwin.Scripting"_s, QDBusConnection(BusName));
    const QDBusReply<int> id = scripting.call(u"loadScript"_s, path, pluginName);
    QVERIFY2(id.isValid() && id.value() >= 0, qPrintable(name + u": "_s + id.error().message()));
    const QDBusMessage started = scripting.call(u"start"_s);
    QVERIFY2(started.type() == QDBusMessage::ReplyMessage, qPrintable(started.errorMessage()));
}

qint64 WaylandHiddenWindowTest::mainThreadSwitches() const
{
    QFile status(u"/proc/%1/status"_s.arg(m_program.processId()));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    qint64 switches = 0;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("voluntary_ctxt_switches:") || line.startsWith("nonvoluntary_ctxt_switches:")) {
            switches += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
        }
    }
    return switches;
}

// How often the program's main thread was woken over the span; the test's own event loop
// runs meanwhile, and nothing is sent to the program.
qint64 WaylandHiddenWindowTest::mainThreadSwitchesOver(int milliseconds) const
{
    const qint64 before = mainThreadSwitches();
    QTest::qWait(milliseconds);
    return mainThreadSwitches() - before;
}

// Woken in each of a few spans in a row: the wake-ups of a D-Bus call just answered are
// over after the first.
bool WaylandHiddenWindowTest::ticking() const
{
    for (int span = 0; span < 3; ++span) {
        if (mainThreadSwitchesOver(200) == 0) {
            return false;
        }
    }
    return true;
}

// A whole second without a wake-up: a window that kept ticking, even at tenths, never has one.
bool WaylandHiddenWindowTest::quiet() const
{
    return mainThreadSwitchesOver(1000) == 0;
}

// Each check takes its spans of time, so the retries are counted by the clock rather than
// by QTRY_VERIFY's steps.
bool WaylandHiddenWindowTest::becomes(bool (WaylandHiddenWindowTest::*condition)() const) const
{
    const QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired()) {
        if ((this->*condition)()) {
            return true;
        }
    }
    return false;
}

QVariant WaylandHiddenWindowTest::windowProperty(const char *name) const
{
    QDBusInterface window(ServiceName, m_windowPath, WindowInterface, QDBusConnection(BusName));
    return window.property(name);
}

bool WaylandHiddenWindowTest::callWindow(const QString &method) const
{
    QDBusInterface window(ServiceName, m_windowPath, WindowInterface, QDBusConnection(BusName));
    const QDBusReply<bool> reply = window.call(method);
    return reply.isValid() && reply.value();
}

void WaylandHiddenWindowTest::hiddenWindowStopsTicking_data()
{
    QTest::addColumn<QString>("hide");
    QTest::addColumn<QString>("show");

    // Scripts for KWin: the program's window is found by its process id, %1.
    QTest::newRow("minimized") << u"for (const w of workspace.windowList()) { if (w.pid === %1) w.minimized = true; }"_s
                               << u"for (const w of workspace.windowList()) { if (w.pid === %1) { w.minimized = false; workspace.activeWindow = w; } }"_s;
    QTest::newRow("on another desktop")
        << u"if (workspace.desktops.length < 2) workspace.createDesktop(1, 'Other'); "
           "const other = workspace.desktops.find(d => d !== workspace.currentDesktop); "
           "for (const w of workspace.windowList()) { if (w.pid === %1) w.desktops = [other]; }"_s
        << u"for (const w of workspace.windowList()) { if (w.pid === %1) { w.desktops = [workspace.currentDesktop]; workspace.activeWindow = w; } }"_s;
}

void WaylandHiddenWindowTest::hiddenWindowStopsTicking()
{
    QFETCH(QString, hide);
    QFETCH(QString, show);
    const QString pid = QString::number(m_program.processId());

    if (windowProperty("State").toString() != u"inactive"_s) {
        QVERIFY(callWindow(u"Reset"_s));
    }
    QVERIFY(callWindow(u"Start"_s));
    QCOMPARE(windowProperty("State").toString(), u"running"_s);
    // Shown, the window ticks at the screen's pace, so every span wakes the main thread.
    QVERIFY(becomes(&WaylandHiddenWindowTest::ticking));

    runKWinScript(u"hide"_s, hide.arg(pid));
    // Hidden, nothing wakes it: not a tick, not a frame.
    QVERIFY(becomes(&WaylandHiddenWindowTest::quiet));
    const qint64 before = windowProperty("ElapsedMilliseconds").toLongLong();
    QCOMPARE(mainThreadSwitchesOver(3000), 0);
    // The clock runs on meanwhile.
    QVERIFY(windowProperty("ElapsedMilliseconds").toLongLong() > before);

    QVERIFY(callWindow(u"Pause"_s));
    const qint64 paused = windowProperty("ElapsedMilliseconds").toLongLong();
    runKWinScript(u"show"_s, show.arg(pid));
    // The display holds the time of the pause to the hundredth, not that of a tick before
    // the window was hidden.
    QCOMPARE(shownMilliseconds(windowProperty("Time").toString()), paused / 10 * 10);

    // Shown again, a running stopwatch ticks again.
    QVERIFY(callWindow(u"Start"_s));
    QVERIFY(becomes(&WaylandHiddenWindowTest::ticking));
    QVERIFY(callWindow(u"Pause"_s));
    QCOMPARE(shownMilliseconds(windowProperty("Time").toString()), windowProperty("ElapsedMilliseconds").toLongLong() / 10 * 10);
}

QTEST_GUILESS_MAIN(WaylandHiddenWindowTest)

#include "waylandhiddenwindowtest.moc"
