// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Drives two real Tickwarden processes from outside, each on a session bus of its own but
// both on one home (one sessions file, one journal folder), through a seeded random run of
// commands, saves, new and closed windows and SIGKILLs with restarts. It keeps a model of
// what the programs answered and checks the files and the recovered windows against it.
//
// Only the bus interface and the sessions file are used: nothing of the program's code, so
// the same driver judges whatever the program's insides become.
//
// Windows are closed over the bus only when closing loses nothing (never started, reset,
// or saved as they are): anything else would make the window ask, and nobody is there to
// answer. The last window of a process is never closed, which would end the process.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <csignal>
#include <cstring>
#include <memory>
#include <optional>

#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace
{
const auto serviceName = u"org.tickwarden.tickwarden"_s;
const auto windowInterface = u"org.tickwarden.Tickwarden.Window"_s;
const auto applicationInterface = u"org.tickwarden.Tickwarden.Application"_s;
constexpr int callTimeout = 30000;

// Names repeat on purpose: sessions of one name must still be kept apart.
const QStringList sessionNames = {u"Morning run"_s, u"Intervals"_s, u"Race"_s, u"Untitled"_s};

struct LapRecord {
    qint64 milliseconds = 0;
    QString note;
    bool operator==(const LapRecord &other) const = default;
};

QString describe(const QList<LapRecord> &laps)
{
    QStringList parts;
    for (const LapRecord &lap : laps) {
        parts << u"%1 \"%2\""_s.arg(lap.milliseconds).arg(lap.note);
    }
    return u"["_s + parts.join(u", "_s) + u"]"_s;
}

// What a saved session must look like in the file; the date is the program's business.
struct ExpectedSession {
    QString name;
    qint64 time = 0;
    QList<LapRecord> laps;
    // A save cut off by a kill may or may not have reached the file.
    bool optional = false;
    bool removed = false;

    QString key() const
    {
        return name + u" | "_s + QString::number(time) + u" | "_s + describe(laps);
    }
};

// A window as the driver last heard of it.
struct WindowModel {
    int id = 0;
    QString path;
    QString state = u"inactive"_s;
    qint64 elapsed = 0;
    QList<LapRecord> laps;
    QString sessionName;
    // The expected session a Save of this window replaces; -1 before the first Save As.
    int storedCopy = -1;
    // Started since the last save, so closing would ask.
    bool modified = false;
    // A save was cut off by a kill: either session may be the window's now.
    bool uncertain = false;
    QString uncertainName;
};

class Failure : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const QString &what)
{
    throw Failure(what.toStdString());
}

// Children die with the driver, whatever ends it.
void dieWithParent()
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
}
}

class Instance
{
public:
    Instance(const QString &name, const QString &binary, const QString &home, const QString &runDir, const QString &logDir, const QString &crashTrace)
        : m_name(name)
        , m_binary(binary)
        , m_home(home)
        , m_runDir(runDir)
        , m_logDir(logDir)
        , m_crashTrace(crashTrace)
    {
    }

    ~Instance()
    {
        stopProgram();
        if (m_bus.state() != QProcess::NotRunning) {
            ::kill(pid_t(m_bus.processId()), SIGKILL);
            m_bus.waitForFinished(5000);
        }
    }

    QString name() const
    {
        return m_name;
    }

    void startBus()
    {
        const QString socketDir = m_runDir + u"/bus-"_s + m_name;
        QDir().mkpath(socketDir);
        const QString config = m_runDir + u"/bus-"_s + m_name + u".conf"_s;
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly)) {
            fail(u"cannot write %1"_s.arg(config));
        }
        // No service folders: nothing is started on demand behind the driver's back.
        file.write(QStringLiteral(R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)")
                       .arg(socketDir)
                       .toUtf8());
        file.close();
        m_bus.setChildProcessModifier(dieWithParent);
        m_bus.setStandardErrorFile(m_logDir + u"/bus-"_s + m_name + u".log"_s);
        m_bus.start(u"dbus-daemon"_s, {u"--config-file="_s + config, u"--nofork"_s, u"--print-address=1"_s});
        if (!m_bus.waitForStarted(10000)) {
            fail(u"cannot start dbus-daemon: %1"_s.arg(m_bus.errorString()));
        }
        QElapsedTimer timer;
        timer.start();
        while (!m_bus.canReadLine()) {
            if (!m_bus.waitForReadyRead(10000) || timer.hasExpired(10000)) {
                fail(u"dbus-daemon of %1 gave no address"_s.arg(m_name));
            }
        }
        m_address = QString::fromUtf8(m_bus.readLine()).trimmed();
        m_connection = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(m_address, u"soak-"_s + m_name));
        if (!m_connection->isConnected()) {
            fail(u"cannot connect to the bus of %1: %2"_s.arg(m_name, m_connection->lastError().message()));
        }
    }

    void startProgram()
    {
        m_program = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_s, m_home);
        env.insert(u"XDG_CONFIG_HOME"_s, m_home + u"/config"_s);
        env.insert(u"XDG_DATA_HOME"_s, m_home + u"/data"_s);
        env.insert(u"XDG_STATE_HOME"_s, m_home + u"/state"_s);
        env.insert(u"XDG_CACHE_HOME"_s, m_home + u"/cache"_s);
        env.insert(u"XDG_RUNTIME_DIR"_s, m_runDir + u"/runtime-"_s + m_name);
        env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, m_address);
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.remove(u"DISPLAY"_s);
        env.remove(u"WAYLAND_DISPLAY"_s);
        // KCrash would catch a crash to start a crash dialog that is not there; the crash
        // trace and the core dump are what the one who reads the failure needs.
        env.insert(u"KDE_DEBUG"_s, u"1"_s);
        if (!m_crashTrace.isEmpty()) {
            const QString preload = env.value(u"LD_PRELOAD"_s);
            env.insert(u"LD_PRELOAD"_s, preload.isEmpty() ? m_crashTrace : preload + u':' + m_crashTrace);
            // A sanitizer build wants its own runtime first, which a preload displaces.
            const QString asan = env.value(u"ASAN_OPTIONS"_s);
            env.insert(u"ASAN_OPTIONS"_s, asan.isEmpty() ? u"verify_asan_link_order=0"_s : asan + u":verify_asan_link_order=0"_s);
        }
        QDir().mkpath(m_runDir + u"/runtime-"_s + m_name);
        QFile::setPermissions(m_runDir + u"/runtime-"_s + m_name, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        m_program->setProcessEnvironment(env);
        m_program->setChildProcessModifier(dieWithParent);
        // A core dump the kernel writes to the working folder lands beside the log.
        const QString cores = m_logDir + u"/cores-"_s + m_name;
        QDir().mkpath(cores);
        m_program->setWorkingDirectory(cores);
        const QString log = logFile();
        {
            QFile marker(log);
            if (marker.open(QIODevice::Append | QIODevice::Text)) {
                marker.write(u"=== soak: start %1 of %2\n"_s.arg(m_starts + 1).arg(m_name).toUtf8());
            }
        }
        m_program->setStandardOutputFile(log, QIODevice::Append);
        m_program->setStandardErrorFile(log, QIODevice::Append);

        m_program->start(m_binary, {});
        if (!m_program->waitForStarted(10000)) {
            fail(u"cannot start %1: %2"_s.arg(m_binary, m_program->errorString()));
        }
        m_lastPid = m_program->processId();
        // The name may still be listed for a process killed a moment ago, until the bus has
        // seen its connection go: only this process's own name counts.
        QElapsedTimer waited;
        waited.start();
        for (;;) {
            const QDBusReply<uint> owner = m_connection->interface()->servicePid(serviceName);
            if (owner.isValid() && qint64(owner.value()) == m_lastPid) {
                break;
            }
            if (m_program->state() != QProcess::Running) {
                fail(u"%1 ended while starting (%2, see %3)"_s.arg(m_name, howItEnded(), log));
            }
            if (waited.hasExpired(60000)) {
                fail(u"%1 did not come onto its bus within a minute"_s.arg(m_name));
            }
            // Returns at once when the program ends meanwhile.
            m_program->waitForFinished(20);
        }
        ++m_starts;
    }

    void kill()
    {
        if (!m_program || m_program->state() == QProcess::NotRunning) {
            fail(u"%1 ended by itself before it was killed (%2)"_s.arg(m_name, howItEnded()));
        }
        ::kill(pid_t(m_program->processId()), SIGKILL);
        if (!m_program->waitForFinished(30000)) {
            fail(u"%1 did not end after SIGKILL"_s.arg(m_name));
        }
        // The process may have died of something else just before the signal reached it,
        // while the driver had not looked.
        if (m_program->exitStatus() != QProcess::CrashExit || m_program->exitCode() != SIGKILL) {
            fail(u"%1 ended by itself before it was killed (%2)"_s.arg(m_name, howItEnded()));
        }
        m_program.reset();
        // Until the bus has dropped the dead connection, its name would still route calls to it.
        QElapsedTimer waited;
        waited.start();
        while (m_connection->interface()->isServiceRegistered(serviceName)) {
            if (waited.hasExpired(30000)) {
                fail(u"the bus of %1 still lists the program 30 seconds after it was killed"_s.arg(m_name));
            }
            QThread::msleep(10);
        }
    }

    void stopProgram()
    {
        if (m_program && m_program->state() != QProcess::NotRunning) {
            ::kill(pid_t(m_program->processId()), SIGKILL);
            m_program->waitForFinished(10000);
        }
        m_program.reset();
    }

    bool isRunning() const
    {
        return m_program && m_program->state() == QProcess::Running;
    }

    // A program that ended by itself fails the run at once, before another step could take
    // its leftovers for something else (a restart of the other program recovers its windows).
    void checkAlive()
    {
        if (m_program && m_program->state() != QProcess::NotRunning && !m_program->waitForFinished(0)) {
            return;
        }
        if (m_program) {
            fail(u"%1 ended without being killed (%2)"_s.arg(m_name, howItEnded()));
        }
    }

    QString logFile() const
    {
        return m_logDir + u"/tickwarden-"_s + m_name + u".log"_s;
    }

    // Whether the program ended without being killed, waiting a moment for a process the
    // bus already saw go.
    bool endedByItself(int waitMilliseconds)
    {
        return m_program && (m_program->state() == QProcess::NotRunning || m_program->waitForFinished(waitMilliseconds));
    }

    QString howItEnded() const
    {
        if (!m_program) {
            return u"not started"_s;
        }
        if (m_program->state() != QProcess::NotRunning) {
            return u"still running as pid %1"_s.arg(m_program->processId());
        }
        if (m_program->exitStatus() == QProcess::CrashExit) {
            const char *abbreviation = sigabbrev_np(m_program->exitCode());
            return u"pid %1 died of signal %2 (SIG%3)"_s.arg(m_lastPid).arg(m_program->exitCode()).arg(QString::fromLatin1(abbreviation ? abbreviation : "?"));
        }
        return u"pid %1 exited with status %2"_s.arg(m_lastPid).arg(m_program->exitCode());
    }

    qint64 pid() const
    {
        return m_program ? m_program->processId() : 0;
    }

    QDBusMessage call(const QString &path, const QString &interface, const QString &method, const QVariantList &arguments = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(serviceName, path, interface, method);
        message.setArguments(arguments);
        const QDBusMessage reply = m_connection->call(message, QDBus::Block, callTimeout);
        if (reply.type() != QDBusMessage::ReplyMessage) {
            QString what = u"%1: %2.%3 on %4 failed: %5 %6"_s.arg(m_name, interface, method, path, reply.errorName(), reply.errorMessage());
            if (endedByItself(5000)) {
                what += u" (%1 was not killed: %2)"_s.arg(m_name, howItEnded());
            }
            fail(what);
        }
        return reply;
    }

    // Sends without waiting for the answer, for a kill in the middle of the work.
    void send(const QString &path, const QString &interface, const QString &method, const QVariantList &arguments)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(serviceName, path, interface, method);
        message.setArguments(arguments);
        m_connection->asyncCall(message, callTimeout);
        // Pushes the message out of the client's queue onto the socket.
        m_connection->interface()->isServiceRegistered(serviceName);
    }

    QVariant property(const QString &path, const QString &interface, const QString &name)
    {
        const QDBusMessage reply = call(path, u"org.freedesktop.DBus.Properties"_s, u"Get"_s, {interface, name});
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }

    QStringList windows()
    {
        const QVariant value = property(u"/Application"_s, applicationInterface, u"Windows"_s);
        QStringList paths;
        const auto list = qdbus_cast<QList<QDBusObjectPath>>(value);
        for (const QDBusObjectPath &path : list) {
            paths << path.path();
        }
        return paths;
    }

    QString newWindow()
    {
        return call(u"/Application"_s, applicationInterface, u"NewWindow"_s).arguments().value(0).value<QDBusObjectPath>().path();
    }

    QStringList sessionNamesOnBus()
    {
        const QDBusMessage reply = call(u"/Application"_s, applicationInterface, u"Sessions"_s);
        const auto argument = reply.arguments().value(0).value<QDBusArgument>();
        QStringList names;
        argument.beginArray();
        while (!argument.atEnd()) {
            QString name;
            QString date;
            argument.beginStructure();
            argument >> name >> date;
            argument.endStructure();
            if (!QDateTime::fromString(date, Qt::ISODate).isValid()) {
                fail(u"%1: Sessions() gave the date \"%2\" for \"%3\", not ISO 8601"_s.arg(m_name, date, name));
            }
            names << name;
        }
        argument.endArray();
        return names;
    }

    QList<LapRecord> laps(const QString &path)
    {
        const QDBusMessage reply = call(path, windowInterface, u"Laps"_s);
        const auto argument = reply.arguments().value(0).value<QDBusArgument>();
        QList<LapRecord> laps;
        argument.beginArray();
        while (!argument.atEnd()) {
            LapRecord lap;
            argument.beginStructure();
            argument >> lap.milliseconds >> lap.note;
            argument.endStructure();
            laps << lap;
        }
        argument.endArray();
        return laps;
    }

    int starts() const
    {
        return m_starts;
    }

    QList<WindowModel> windowModels;

private:
    QString m_name;
    QString m_binary;
    QString m_home;
    QString m_runDir;
    QString m_logDir;
    QString m_crashTrace;
    qint64 m_lastPid = 0;
    QString m_address;
    QProcess m_bus;
    std::unique_ptr<QProcess> m_program;
    std::unique_ptr<QDBusConnection> m_connection;
    int m_starts = 0;
};

class SoakDriver
{
public:
    struct Options {
        QString binary;
        int seconds = 0;
        quint32 seed = 0;
        // Kept after a failure: the home, the logs, the trace, any core dump.
        QString workDir;
        // Sockets and runtime folders, whose paths must stay short.
        QString runDir;
        QString crashTrace;
        int load = 0;
    };

    explicit SoakDriver(const Options &options)
        : m_seconds(options.seconds)
        , m_seed(options.seed)
        , m_random(options.seed)
        , m_workDir(options.workDir)
        , m_binary(options.binary)
        , m_load(options.load)
    {
        m_home = m_workDir + u"/home"_s;
        for (const auto &dir : {u"config"_s, u"data"_s, u"state"_s, u"cache"_s}) {
            QDir().mkpath(m_home + u'/' + dir);
        }
        m_traceFile.setFileName(m_workDir + u"/trace.log"_s);
        if (m_traceFile.open(QIODevice::WriteOnly | QIODevice::Text)) {
            m_trace.setDevice(&m_traceFile);
        }
        for (const auto &name : {u"A"_s, u"B"_s}) {
            m_instances.push_back(std::make_unique<Instance>(name, options.binary, m_home, options.runDir, m_workDir, options.crashTrace));
        }
    }

    ~SoakDriver()
    {
        stopLoad();
    }

    int run();

private:
    void step(Instance &instance);
    void report(Instance &instance, WindowModel &window);
    WindowModel observe(Instance &instance, const QString &path);
    void start(Instance &instance, WindowModel &window);
    void pause(Instance &instance, WindowModel &window);
    void lap(Instance &instance, WindowModel &window);
    void reset(Instance &instance, WindowModel &window);
    void saveAs(Instance &instance, WindowModel &window);
    void save(Instance &instance, WindowModel &window);
    void newWindow(Instance &instance);
    void closeWindow(Instance &instance, WindowModel &window);
    void killAndRestart(Instance &instance, bool duringSave);
    void recover(Instance &instance, const QList<WindowModel> &killed);
    void checkFiles(Instance *acting);
    QString sessionsFile() const;
    void startLoad();
    void stopLoad();
    void reportCrashTraces(QTextStream &out);

public:
    // Whether a program left a report worth reading, even in a run without a loss.
    [[nodiscard]] bool leftReports() const
    {
        return m_leftReports;
    }

private:
    int addExpected(const WindowModel &window, const QString &name, bool optional);

    int pick(int bound)
    {
        return int(m_random.bounded(bound));
    }

    // Every step and answer, for the one who reads a failure.
    void trace(const QString &line)
    {
        m_trace << m_step << ": " << line << Qt::endl;
    }

    int m_seconds;
    quint32 m_seed;
    QRandomGenerator m_random;
    QString m_workDir;
    QString m_binary;
    int m_load = 0;
    std::vector<std::unique_ptr<QProcess>> m_busy;
    bool m_leftReports = false;
    QString m_home;
    std::vector<std::unique_ptr<Instance>> m_instances;
    QList<ExpectedSession> m_expected;
    int m_nextWindowId = 1;
    int m_nextNote = 1;
    qint64 m_step = 0;
    int m_kills = 0;
    int m_saves = 0;
    int m_recovered = 0;
    int m_losses = 0;
    QFile m_traceFile;
    QTextStream m_trace;
};

QString SoakDriver::sessionsFile() const
{
    return m_home + u"/data/tickwarden/sessions.json"_s;
}

int SoakDriver::run()
{
    QTextStream out(stdout);
    try {
        startLoad();
        for (auto &instance : m_instances) {
            instance->startBus();
            instance->startProgram();
            trace(u"started %1 as pid %2"_s.arg(instance->name()).arg(instance->pid()));
            const QStringList paths = instance->windows();
            for (const QString &path : paths) {
                WindowModel window = observe(*instance, path);
                window.id = m_nextWindowId++;
                if (window.state != u"inactive"_s) {
                    fail(u"%1 starts with a window that is not new: %2"_s.arg(instance->name(), window.state));
                }
                instance->windowModels << window;
            }
        }
        QElapsedTimer timer;
        timer.start();
        while (!timer.hasExpired(qint64(m_seconds) * 1000)) {
            ++m_step;
            Instance &instance = *m_instances.at(pick(int(m_instances.size())));
            step(instance);
            for (auto &each : m_instances) {
                each->checkAlive();
            }
            checkFiles(&instance);
        }
    } catch (const Failure &failure) {
        ++m_losses;
        out << "soak: FAILED at step " << m_step << " (seed " << m_seed << "): " << QString::fromStdString(failure.what()) << Qt::endl;
        out << "soak: replay with: scripts/soak.sh " << (m_load > 0 ? "--loaded " : "") << m_seconds << ' ' << m_seed << "; logs and files in " << m_workDir
            << Qt::endl;
    }
    for (auto &instance : m_instances) {
        instance->stopProgram();
    }
    stopLoad();
    reportCrashTraces(out);
    out << "soak: seed " << m_seed << ", " << m_step << " steps, " << m_kills << " kills, " << m_saves << " saves, " << m_recovered << " windows recovered, "
        << m_losses << " losses";
    if (m_load > 0) {
        out << ", beside " << m_load << " busy processes";
    }
    out << Qt::endl;
    return m_losses == 0 ? 0 : 1;
}

void SoakDriver::step(Instance &instance)
{
    if (instance.windowModels.isEmpty()) {
        fail(u"%1 has no window"_s.arg(instance.name()));
    }
    WindowModel &window = instance.windowModels[pick(int(instance.windowModels.size()))];
    // Weights: mostly the stopwatch's own commands, with saves and kills often enough that
    // a run of a few minutes has hundreds of each.
    const int roll = pick(100);
    trace(u"%1 w%2 roll %3 (model: %4, \"%5\", copy %6%7)"_s.arg(instance.name())
              .arg(window.id)
              .arg(roll)
              .arg(window.state, window.sessionName)
              .arg(window.storedCopy)
              .arg(window.modified ? u", modified"_s : QString()));
    if (roll < 16) {
        start(instance, window);
    } else if (roll < 28) {
        pause(instance, window);
    } else if (roll < 46) {
        lap(instance, window);
    } else if (roll < 50) {
        reset(instance, window);
    } else if (roll < 60) {
        saveAs(instance, window);
    } else if (roll < 70) {
        save(instance, window);
    } else if (roll < 75) {
        newWindow(instance);
    } else if (roll < 80) {
        closeWindow(instance, window);
    } else if (roll < 97) {
        killAndRestart(instance, false);
    } else {
        killAndRestart(instance, true);
    }
}

WindowModel SoakDriver::observe(Instance &instance, const QString &path)
{
    WindowModel window;
    window.path = path;
    window.state = instance.property(path, windowInterface, u"State"_s).toString();
    window.elapsed = instance.property(path, windowInterface, u"ElapsedMilliseconds"_s).toLongLong();
    window.laps = instance.laps(path);
    window.sessionName = instance.property(path, windowInterface, u"SessionName"_s).toString();
    const int lapCount = instance.property(path, windowInterface, u"LapCount"_s).toInt();
    if (lapCount != window.laps.size()) {
        fail(u"%1 %2: LapCount %3 but Laps() lists %4"_s.arg(instance.name(), path).arg(lapCount).arg(window.laps.size()));
    }
    return window;
}

// Takes in what the window says now, after checking it against what the driver expects.
void SoakDriver::report(Instance &instance, WindowModel &window)
{
    const WindowModel now = observe(instance, window.path);
    trace(u"  %1 w%2 %3: %4 %5 ms \"%6\" %7"_s.arg(instance.name())
              .arg(window.id)
              .arg(window.path, now.state)
              .arg(now.elapsed)
              .arg(now.sessionName, describe(now.laps)));
    const QString where = u"%1 window %2 (%3)"_s.arg(instance.name()).arg(window.id).arg(window.path);
    if (now.state != window.state) {
        fail(u"%1: state %2, expected %3"_s.arg(where, now.state, window.state));
    }
    if (now.laps != window.laps) {
        fail(u"%1: laps %2, expected %3"_s.arg(where, describe(now.laps), describe(window.laps)));
    }
    if (now.sessionName != window.sessionName) {
        fail(u"%1: session name \"%2\", expected \"%3\""_s.arg(where, now.sessionName, window.sessionName));
    }
    if (window.state == u"paused"_s && now.elapsed != window.elapsed) {
        fail(u"%1: paused at %2 ms, then at %3 ms"_s.arg(where).arg(window.elapsed).arg(now.elapsed));
    }
    if (now.elapsed < window.elapsed && window.state != u"inactive"_s) {
        fail(u"%1: time went back from %2 to %3 ms"_s.arg(where).arg(window.elapsed).arg(now.elapsed));
    }
    window.elapsed = now.elapsed;
}

void SoakDriver::start(Instance &instance, WindowModel &window)
{
    const bool expected = window.state != u"running"_s;
    const bool done = instance.call(window.path, windowInterface, u"Start"_s).arguments().value(0).toBool();
    if (done != expected) {
        fail(u"%1 window %2: Start answered %3 while %4"_s.arg(instance.name()).arg(window.id).arg(done).arg(window.state));
    }
    if (done) {
        window.state = u"running"_s;
        window.modified = true;
    }
    report(instance, window);
}

void SoakDriver::pause(Instance &instance, WindowModel &window)
{
    const bool expected = window.state == u"running"_s;
    const bool done = instance.call(window.path, windowInterface, u"Pause"_s).arguments().value(0).toBool();
    if (done != expected) {
        fail(u"%1 window %2: Pause answered %3 while %4"_s.arg(instance.name()).arg(window.id).arg(done).arg(window.state));
    }
    if (done) {
        window.state = u"paused"_s;
        // The paused time is exact from here on; take it before comparing.
        window.elapsed = instance.property(window.path, windowInterface, u"ElapsedMilliseconds"_s).toLongLong();
    }
    report(instance, window);
}

void SoakDriver::lap(Instance &instance, WindowModel &window)
{
    const bool expected = window.state == u"running"_s;
    // Notes name the window and are never reused, so recovered laps show whose they are.
    const QString note = u"w%1 n%2"_s.arg(window.id).arg(m_nextNote++);
    const bool done = instance.call(window.path, windowInterface, u"Lap"_s, {note}).arguments().value(0).toBool();
    if (done != expected) {
        fail(u"%1 window %2: Lap answered %3 while %4"_s.arg(instance.name()).arg(window.id).arg(done).arg(window.state));
    }
    if (done) {
        const QList<LapRecord> laps = instance.laps(window.path);
        if (laps.size() != window.laps.size() + 1 || laps.constLast().note != note) {
            fail(u"%1 window %2: after a lap \"%3\" the laps are %4, before %5"_s.arg(instance.name())
                     .arg(window.id)
                     .arg(note, describe(laps), describe(window.laps)));
        }
        window.laps << laps.constLast();
    }
    report(instance, window);
}

void SoakDriver::reset(Instance &instance, WindowModel &window)
{
    const bool expected = window.state != u"inactive"_s;
    const bool done = instance.call(window.path, windowInterface, u"Reset"_s).arguments().value(0).toBool();
    if (done != expected) {
        fail(u"%1 window %2: Reset answered %3 while %4"_s.arg(instance.name()).arg(window.id).arg(done).arg(window.state));
    }
    if (done) {
        window.state = u"inactive"_s;
        window.elapsed = 0;
        window.laps.clear();
        window.sessionName.clear();
        window.storedCopy = -1;
        window.modified = false;
        window.uncertain = false;
    }
    report(instance, window);
}

int SoakDriver::addExpected(const WindowModel &window, const QString &name, bool optional)
{
    ExpectedSession session;
    session.name = name;
    session.time = window.elapsed;
    session.laps = window.laps;
    session.optional = optional;
    m_expected << session;
    return int(m_expected.size()) - 1;
}

void SoakDriver::saveAs(Instance &instance, WindowModel &window)
{
    const QString name = sessionNames.at(pick(int(sessionNames.size())));
    const QDBusMessage reply = instance.call(window.path, windowInterface, u"SaveAs"_s, {name});
    const bool stored = reply.arguments().value(0).toBool();
    const QString reason = reply.arguments().value(1).toString();
    if (window.state != u"paused"_s) {
        if (stored) {
            fail(u"%1 window %2: SaveAs stored while %3"_s.arg(instance.name()).arg(window.id).arg(window.state));
        }
        if (reason.isEmpty()) {
            fail(u"%1 window %2: SaveAs refused without a reason"_s.arg(instance.name()).arg(window.id));
        }
        report(instance, window);
        return;
    }
    if (!stored) {
        fail(u"%1 window %2: SaveAs \"%3\" failed: %4"_s.arg(instance.name()).arg(window.id).arg(name, reason));
    }
    ++m_saves;
    window.storedCopy = addExpected(window, name, false);
    window.sessionName = name;
    window.modified = false;
    window.uncertain = false;
    report(instance, window);
    if (!instance.sessionNamesOnBus().contains(name)) {
        fail(u"%1: Sessions() lacks \"%2\" just saved"_s.arg(instance.name(), name));
    }
}

void SoakDriver::save(Instance &instance, WindowModel &window)
{
    const QDBusMessage reply = instance.call(window.path, windowInterface, u"Save"_s);
    const bool stored = reply.arguments().value(0).toBool();
    const QString reason = reply.arguments().value(1).toString();
    const bool expected = window.state == u"paused"_s && !window.sessionName.isEmpty();
    if (!expected) {
        if (stored) {
            fail(u"%1 window %2: Save stored while %3 with session name \"%4\""_s.arg(instance.name()).arg(window.id).arg(window.state, window.sessionName));
        }
        if (reason.isEmpty()) {
            fail(u"%1 window %2: Save refused without a reason"_s.arg(instance.name()).arg(window.id));
        }
        report(instance, window);
        return;
    }
    if (!stored) {
        fail(u"%1 window %2: Save failed: %3"_s.arg(instance.name()).arg(window.id).arg(reason));
    }
    ++m_saves;
    if (window.storedCopy < 0) {
        fail(u"%1 window %2: Save of a session the driver never saw saved"_s.arg(instance.name()).arg(window.id));
    }
    // Save replaces the window's stored copy, whatever it held.
    ExpectedSession &copy = m_expected[window.storedCopy];
    copy.time = window.elapsed;
    copy.laps = window.laps;
    copy.optional = false;
    window.modified = false;
    report(instance, window);
}

void SoakDriver::newWindow(Instance &instance)
{
    const QString path = instance.newWindow();
    if (path.isEmpty() || path == u"/"_s) {
        fail(u"%1: NewWindow gave no window"_s.arg(instance.name()));
    }
    WindowModel window;
    window.id = m_nextWindowId++;
    window.path = path;
    instance.windowModels << window;
    report(instance, instance.windowModels.last());
}

void SoakDriver::closeWindow(Instance &instance, WindowModel &window)
{
    if (instance.windowModels.size() < 2) {
        return;
    }
    const bool expected = window.state == u"inactive"_s || (window.state == u"paused"_s && !window.sessionName.isEmpty() && !window.modified);
    const bool closed = instance.call(window.path, windowInterface, u"Close"_s).arguments().value(0).toBool();
    if (closed != expected) {
        fail(u"%1 window %2: Close answered %3 while %4, session \"%5\", %6"_s.arg(instance.name())
                 .arg(window.id)
                 .arg(closed)
                 .arg(window.state, window.sessionName, window.modified ? u"modified"_s : u"unmodified"_s));
    }
    if (!closed) {
        report(instance, window);
        return;
    }
    const QString path = window.path;
    instance.windowModels.removeIf([&path](const WindowModel &model) {
        return model.path == path;
    });
    if (instance.windows().contains(path)) {
        fail(u"%1: %2 still listed after it closed"_s.arg(instance.name(), path));
    }
}

void SoakDriver::killAndRestart(Instance &instance, bool duringSave)
{
    if (duringSave) {
        // Cut a Save As off at a random moment, with the sessions file's lock perhaps held.
        QList<int> paused;
        for (int i = 0; i < instance.windowModels.size(); ++i) {
            if (instance.windowModels.at(i).state == u"paused"_s) {
                paused << i;
            }
        }
        if (!paused.isEmpty()) {
            WindowModel &window = instance.windowModels[paused.at(pick(int(paused.size())))];
            const QString name = sessionNames.at(pick(int(sessionNames.size())));
            instance.send(window.path, windowInterface, u"SaveAs"_s, {name});
            addExpected(window, name, true);
            window.uncertain = true;
            window.uncertainName = name;
            QThread::usleep(pick(20000));
        }
    }
    const QList<WindowModel> killed = instance.windowModels;
    trace(u"kill %1 (pid %2)"_s.arg(instance.name()).arg(instance.pid()));
    instance.kill();
    ++m_kills;
    instance.windowModels.clear();
    instance.startProgram();
    trace(u"started %1 as pid %2"_s.arg(instance.name()).arg(instance.pid()));
    recover(instance, killed);
}

void SoakDriver::recover(Instance &instance, const QList<WindowModel> &killed)
{
    const QStringList paths = instance.windows();
    QList<WindowModel> found;
    for (const QString &path : paths) {
        found << observe(instance, path);
        trace(u"  back: %1 %2 %3 ms \"%4\" %5"_s.arg(path, found.last().state)
                  .arg(found.last().elapsed)
                  .arg(found.last().sessionName, describe(found.last().laps)));
    }
    QList<bool> taken(found.size(), false);
    // Running windows only promise a lower bound on their time: the most demanding is
    // matched first, each to the least time that fits, or a short run could take the
    // window of a long one and make it look lost.
    QList<WindowModel> byTime = killed;
    std::stable_sort(byTime.begin(), byTime.end(), [](const WindowModel &a, const WindowModel &b) {
        return a.elapsed > b.elapsed;
    });
    for (const WindowModel &old : std::as_const(byTime)) {
        if (old.state == u"inactive"_s) {
            continue;
        }
        int match = -1;
        for (int i = 0; i < found.size(); ++i) {
            const WindowModel &candidate = found.at(i);
            if (taken.at(i) || candidate.state != old.state || candidate.laps != old.laps) {
                continue;
            }
            const bool nameFits = candidate.sessionName == old.sessionName || (old.uncertain && candidate.sessionName == old.uncertainName);
            const bool timeFits = old.state == u"paused"_s ? candidate.elapsed == old.elapsed : candidate.elapsed >= old.elapsed;
            if (nameFits && timeFits && (match < 0 || candidate.elapsed < found.at(match).elapsed)) {
                match = i;
            }
        }
        if (match < 0) {
            QStringList seen;
            for (const WindowModel &candidate : std::as_const(found)) {
                seen << u"%1 %2 ms \"%3\" %4"_s.arg(candidate.state).arg(candidate.elapsed).arg(candidate.sessionName, describe(candidate.laps));
            }
            fail(u"%1: window %2 (%3 at %4 ms, session \"%5\", laps %6) did not come back after the kill; back came: %7"_s.arg(instance.name())
                     .arg(old.id)
                     .arg(old.state)
                     .arg(old.elapsed)
                     .arg(old.sessionName, describe(old.laps), seen.join(u"; "_s)));
        }
        taken[match] = true;
        WindowModel window = old;
        window.path = found.at(match).path;
        window.elapsed = found.at(match).elapsed;
        window.sessionName = found.at(match).sessionName;
        instance.windowModels << window;
        ++m_recovered;
    }
    for (int i = 0; i < found.size(); ++i) {
        if (taken.at(i)) {
            continue;
        }
        const WindowModel &extra = found.at(i);
        // The window a start opens when there is nothing to bring back.
        if (extra.state != u"inactive"_s || !extra.laps.isEmpty()) {
            fail(u"%1: a window came back that was not there before the kill, or came back twice: %2 %3 ms \"%4\" %5"_s.arg(instance.name(), extra.state)
                     .arg(extra.elapsed)
                     .arg(extra.sessionName, describe(extra.laps)));
        }
        WindowModel window;
        window.id = m_nextWindowId++;
        window.path = extra.path;
        instance.windowModels << window;
    }
    // A save the kill cut off leaves the window's own idea of its session unknown; its
    // times are dropped so that later saves are modelled exactly again.
    for (WindowModel &window : instance.windowModels) {
        if (window.uncertain) {
            const bool done = instance.call(window.path, windowInterface, u"Reset"_s).arguments().value(0).toBool();
            if (!done) {
                fail(u"%1 window %2: Reset refused after recovery"_s.arg(instance.name()).arg(window.id));
            }
            window.state = u"inactive"_s;
            window.elapsed = 0;
            window.laps.clear();
            window.sessionName.clear();
            window.storedCopy = -1;
            window.modified = false;
            window.uncertain = false;
            report(instance, window);
        }
    }
}

void SoakDriver::checkFiles(Instance *acting)
{
    QFile file(sessionsFile());
    QHash<QString, int> counts;
    QStringList fileNames;
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly)) {
            fail(u"cannot read %1: %2"_s.arg(file.fileName(), file.errorString()));
        }
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
        if (error.error != QJsonParseError::NoError || !document.isObject() || !document.object().value(u"sessions"_s).isArray()) {
            fail(u"sessions.json is not a valid sessions file: %1"_s.arg(error.errorString()));
        }
        const QJsonArray sessions = document.object().value(u"sessions"_s).toArray();
        for (const QJsonValue &value : sessions) {
            const QJsonObject object = value.toObject();
            ExpectedSession session;
            session.name = object.value(u"name"_s).toString();
            session.time = object.value(u"time"_s).toInteger();
            const QJsonArray laps = object.value(u"laps"_s).toArray();
            for (const QJsonValue &lap : laps) {
                session.laps << LapRecord{lap.toObject().value(u"time"_s).toInteger(), lap.toObject().value(u"note"_s).toString()};
            }
            counts[session.key()] += 1;
            fileNames << session.name;
        }
    }
    QHash<QString, int> required;
    QHash<QString, int> possible;
    for (const ExpectedSession &session : std::as_const(m_expected)) {
        if (!session.optional) {
            required[session.key()] += 1;
        }
        possible[session.key()] += 1;
    }
    for (auto it = required.cbegin(); it != required.cend(); ++it) {
        if (counts.value(it.key()) < it.value()) {
            fail(u"a saved session is missing from sessions.json (%1 of %2 copies there): %3"_s.arg(counts.value(it.key())).arg(it.value()).arg(it.key()));
        }
    }
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > possible.value(it.key())) {
            fail(u"sessions.json holds a session %1 times that was stored %2 times (a save added a copy instead of replacing it?): %3"_s.arg(it.value())
                     .arg(possible.value(it.key()))
                     .arg(it.key()));
        }
    }
    // Nothing may have been found unreadable and put aside.
    const QDir data(m_home + u"/data/tickwarden"_s);
    const QDir journals(m_home + u"/state/tickwarden/recovery"_s);
    const QStringList brokenSessions = data.entryList({u"*.broken-*"_s}, QDir::Files);
    const QStringList brokenJournals = journals.entryList({u"*.broken-*"_s}, QDir::Files);
    if (!brokenSessions.isEmpty() || !brokenJournals.isEmpty()) {
        fail(u"files were found unreadable and kept aside: %1"_s.arg((brokenSessions + brokenJournals).join(u", "_s)));
    }
    Q_UNUSED(acting)
}

void SoakDriver::startLoad()
{
    // Busy processes beside the programs, so that they are put aside at any instruction
    // and their timers fire late, as on a machine doing other work.
    for (int i = 0; i < m_load; ++i) {
        auto busy = std::make_unique<QProcess>();
        busy->setChildProcessModifier(dieWithParent);
        busy->setStandardOutputFile(m_workDir + u"/load-%1.log"_s.arg(i + 1));
        busy->setStandardErrorFile(m_workDir + u"/load-%1.log"_s.arg(i + 1));
        busy->start(QCoreApplication::applicationFilePath(), {u"--busy"_s});
        if (!busy->waitForStarted(10000)) {
            fail(u"cannot start a busy process: %1"_s.arg(busy->errorString()));
        }
        trace(u"load: busy process %1 is pid %2"_s.arg(i + 1).arg(busy->processId()));
        m_busy.push_back(std::move(busy));
    }
}

void SoakDriver::stopLoad()
{
    for (const auto &busy : m_busy) {
        if (busy->state() != QProcess::NotRunning) {
            ::kill(pid_t(busy->processId()), SIGKILL);
            busy->waitForFinished(10000);
        }
    }
    m_busy.clear();
}

// The stacks the crash trace wrote into the programs' logs, with the program's own frames
// named by addr2line, and any sanitizer's reports, so that the failure's own output says
// where a program went wrong.
void SoakDriver::reportCrashTraces(QTextStream &out)
{
    static const QRegularExpression frame(uR"(^(.*)\(\+(0x[0-9a-f]+)\) \[0x[0-9a-f]+\]$)"_s);
    static const QRegularExpression sanitizerReport(u"^==[0-9]+==ERROR: "_s);
    const QString addr2line = QStandardPaths::findExecutable(u"addr2line"_s);
    const QString binaryName = QFileInfo(m_binary).fileName();
    for (const auto &instance : m_instances) {
        QFile log(instance->logFile());
        if (!log.open(QIODevice::ReadOnly | QIODevice::Text)) {
            continue;
        }
        const QStringList lines = QString::fromUtf8(log.readAll()).split(u'\n');
        QStringList report;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            // A sanitizer build reports on its own; its report is taken whole.
            if (sanitizerReport.match(lines.at(i)).hasMatch()) {
                for (; i < lines.size() && !lines.at(i).contains(u"ABORTING"_s); ++i) {
                    report << u"  "_s + lines.at(i);
                }
                continue;
            }
            if (lines.at(i).contains(u": runtime error: "_s)) {
                report << u"  "_s + lines.at(i);
                continue;
            }
            if (!lines.at(i).startsWith(u"soak-crashtrace: pid"_s)) {
                continue;
            }
            // What the program said just before, an assertion's message for one.
            for (qsizetype k = std::max<qsizetype>(0, i - 8); k < i; ++k) {
                report << u"  | "_s + lines.at(k);
            }
            report << lines.at(i);
            for (++i; i < lines.size() && !lines.at(i).startsWith(u"soak-crashtrace: end"_s); ++i) {
                QString line = lines.at(i);
                const QRegularExpressionMatch match = frame.match(line);
                if (match.hasMatch() && QFileInfo(match.captured(1)).fileName() == binaryName && !addr2line.isEmpty()) {
                    QProcess resolve;
                    resolve.start(addr2line, {u"-C"_s, u"-f"_s, u"-i"_s, u"-p"_s, u"-e"_s, m_binary, match.captured(2)});
                    if (resolve.waitForFinished(30000)) {
                        line += u"\n      "_s + QString::fromUtf8(resolve.readAllStandardOutput()).trimmed().replace(u'\n', u"\n      "_s);
                    }
                }
                report << u"  "_s + line;
            }
        }
        if (report.isEmpty()) {
            continue;
        }
        m_leftReports = true;
        const QString text =
            u"soak: %1 crashed or broke a sanitizer's rule; what it wrote (also in %2):\n"_s.arg(instance->name(),
                                                                                                 m_workDir + u"/backtrace-"_s + instance->name() + u".txt"_s)
            + report.join(u'\n');
        out << text << Qt::endl;
        QFile file(m_workDir + u"/backtrace-"_s + instance->name() + u".txt"_s);
        if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
            file.write(report.join(u'\n').toUtf8() + '\n');
        }
    }
}

int main(int argc, char *argv[])
{
    if (argc == 2 && qstrcmp(argv[1], "--busy") == 0) {
        // The load of a loaded run: nothing but work for the processor.
        volatile quint64 counter = 0;
        for (;;) {
            counter = counter + 1;
        }
    }
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Drives two Tickwarden processes through a seeded random run with kills."_s);
    parser.addHelpOption();
    parser.addOption({u"binary"_s, u"The tickwarden program."_s, u"path"_s});
    parser.addOption({u"seconds"_s, u"How long to run."_s, u"seconds"_s, u"60"_s});
    parser.addOption({u"seed"_s, u"The seed of the random run."_s, u"number"_s});
    parser.addOption({u"keep"_s, u"Keep the home and the logs also after a run that passed."_s});
    parser.addOption({u"work-dir"_s, u"Where the run's folder (home, logs, core dumps) is made; kept after a failure."_s, u"path"_s, QDir::tempPath()});
    parser.addOption({u"load"_s, u"How many busy processes run beside the programs."_s, u"count"_s, u"0"_s});
    parser.addOption({u"crash-trace"_s,
                      u"The library preloaded into the programs to write the stack of a crash; empty for none."_s,
                      u"path"_s,
                      QStringLiteral(SOAK_CRASHTRACE)});
    parser.process(app);
    if (!parser.isSet(u"binary"_s) || !parser.isSet(u"seed"_s)) {
        parser.showHelp(2);
    }
    bool numeric = false;
    bool loadNumeric = false;
    SoakDriver::Options options;
    // Absolute: each program runs in a folder of its own, where its core dump would go.
    options.binary = QFileInfo(parser.value(u"binary"_s)).absoluteFilePath();
    options.seed = parser.value(u"seed"_s).toUInt(&numeric);
    options.seconds = parser.value(u"seconds"_s).toInt();
    options.load = parser.value(u"load"_s).toInt(&loadNumeric);
    options.crashTrace = parser.value(u"crash-trace"_s);
    if (!numeric || options.seconds <= 0 || !loadNumeric || options.load < 0) {
        QTextStream(stderr) << "soakdriver: the seed and the load must be non-negative numbers and the seconds positive" << Qt::endl;
        return 2;
    }
    if (!options.crashTrace.isEmpty() && !QFileInfo::exists(options.crashTrace)) {
        QTextStream(stderr) << "soakdriver: no crash trace library at " << options.crashTrace << Qt::endl;
        return 2;
    }
    options.crashTrace = options.crashTrace.isEmpty() ? QString() : QFileInfo(options.crashTrace).absoluteFilePath();
    QDir().mkpath(parser.value(u"work-dir"_s));
    QTemporaryDir workDir(QFileInfo(parser.value(u"work-dir"_s)).absoluteFilePath() + u"/tickwarden-soak-XXXXXX"_s);
    QTemporaryDir runDir(QDir::tempPath() + u"/tickwarden-soak-run-XXXXXX"_s);
    if (!workDir.isValid() || !runDir.isValid()) {
        QTextStream(stderr) << "soakdriver: cannot create a work folder" << Qt::endl;
        return 2;
    }
    options.workDir = workDir.path();
    options.runDir = runDir.path();
    int status = 0;
    bool reports = false;
    {
        SoakDriver driver(options);
        status = driver.run();
        reports = driver.leftReports();
    }
    workDir.setAutoRemove(status == 0 && !reports && !parser.isSet(u"keep"_s));
    return status;
}
