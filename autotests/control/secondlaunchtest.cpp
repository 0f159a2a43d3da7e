// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Runs the real program as a user would from a terminal: one instance, then later
// launches with options that must reach it. The test command gives it a private session bus.

#include "applicationinterface.h"
#include "windowinterface.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace
{
const auto serviceName = u"org.tickwarden.tickwarden"_s;
const auto windowInterface = u"org.tickwarden.Tickwarden.Window"_s;

struct Launch {
    int status = -1;
    QString out;
    QString err;
};
}

class SecondLaunchTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void laterLaunchesReachTheFirst();
    void badArgumentsChangeNothing_data();
    void badArgumentsChangeNothing();
    void withoutBusEachLaunchStandsAlone();

private:
    QProcessEnvironment environment() const;
    void startFirst(const QProcessEnvironment &env);
    Launch launch(const QStringList &arguments, const QProcessEnvironment &env);
    QVariant property(const QString &path, const QString &name);

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QProcess> m_first;
};

void SecondLaunchTest::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    QVERIFY(QDir().mkpath(m_home->filePath(u"data"_s)));
}

void SecondLaunchTest::cleanup()
{
    if (m_first) {
        m_first->terminate();
        if (!m_first->waitForFinished(30000)) {
            m_first->kill();
            m_first->waitForFinished();
        }
        m_first.reset();
    }
    m_home.reset();
}

QProcessEnvironment SecondLaunchTest::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, m_home->path());
    env.insert(u"XDG_DATA_HOME"_s, m_home->filePath(u"data"_s));
    env.insert(u"XDG_CONFIG_HOME"_s, m_home->filePath(u"config"_s));
    env.insert(u"XDG_CACHE_HOME"_s, m_home->filePath(u"cache"_s));
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"KDE_DEBUG"_s, u"1"_s); // no crash dialog if something goes wrong
    return env;
}

void SecondLaunchTest::startFirst(const QProcessEnvironment &env)
{
    m_first = std::make_unique<QProcess>();
    m_first->setProcessEnvironment(env);
    m_first->setStandardOutputFile(m_home->filePath(u"first.log"_s));
    m_first->setStandardErrorFile(m_home->filePath(u"first.log"_s), QIODevice::Append);
    m_first->start(QStringLiteral(TICKWARDEN_BINARY), {});
    QVERIFY(m_first->waitForStarted());
    // The program creates its data folder before its window, after it took the bus name.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(m_home->filePath(u"data/tickwarden"_s)).isDir(), 30000);
}

Launch SecondLaunchTest::launch(const QStringList &arguments, const QProcessEnvironment &env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TICKWARDEN_BINARY), arguments);
    Launch result;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

QVariant SecondLaunchTest::property(const QString &path, const QString &name)
{
    QDBusInterface object(serviceName, path, windowInterface, QDBusConnection::sessionBus());
    return object.property(name.toLatin1().constData());
}

void SecondLaunchTest::laterLaunchesReachTheFirst()
{
    const QProcessEnvironment env = environment();
    startFirst(env);
    QTRY_VERIFY_WITH_TIMEOUT(QDBusConnection::sessionBus().interface()->isServiceRegistered(serviceName), 30000);
    OrgTickwardenTickwardenApplicationInterface application(serviceName, u"/Application"_s, QDBusConnection::sessionBus());
    QTRY_COMPARE_WITH_TIMEOUT(application.windows().size(), 1, 30000);
    const QString window = application.activeWindow().path();
    OrgTickwardenTickwardenWindowInterface windowObject(serviceName, window, QDBusConnection::sessionBus());
    QSignalSpy lapSpy(&windowObject, &OrgTickwardenTickwardenWindowInterface::LapAdded);

    Launch started = launch({u"--start"_s}, env);
    QCOMPARE(started.status, 0);
    QCOMPARE(property(window, u"State"_s), QVariant(u"running"_s));

    Launch lap = launch({u"--lap"_s, u"split 1"_s}, env);
    QCOMPARE(lap.status, 0);
    QCOMPARE(property(window, u"LapCount"_s), QVariant(1));
    QTRY_COMPARE(lapSpy.count(), 1);
    QCOMPARE(lapSpy.at(0), (QVariantList{1, u"split 1"_s}));

    Launch paused = launch({u"--pause"_s}, env);
    QCOMPARE(paused.status, 0);
    QCOMPARE(property(window, u"State"_s), QVariant(u"paused"_s));

    Launch time = launch({u"--time"_s}, env);
    QCOMPARE(time.status, 0);
    QCOMPARE(time.err, QString());
    QCOMPARE(time.out, property(window, u"Time"_s).toString() + u'\n');
    QVERIFY2(QRegularExpression(u"^\\d\\d:\\d\\d\\.\\d\\d\n$"_s).match(time.out).hasMatch(), qPrintable(time.out));

    // Refused by the window's state: a lap while paused.
    Launch refused = launch({u"--lap"_s}, env);
    QCOMPARE(refused.status, 1);
    QCOMPARE(property(window, u"LapCount"_s), QVariant(1));

    // A plain later launch opens a window in the same process.
    Launch plain = launch({}, env);
    QCOMPARE(plain.status, 0);
    QCOMPARE(application.windows().size(), 2);
    QCOMPARE(m_first->state(), QProcess::Running);
    Launch newWindow = launch({u"--new-window"_s}, env);
    QCOMPARE(newWindow.status, 0);
    QCOMPARE(application.windows().size(), 3);
    // The newest window is now the one commands go to.
    QVERIFY(application.activeWindow().path() != window);
}

void SecondLaunchTest::badArgumentsChangeNothing_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    QTest::newRow("unknown option") << QStringList{u"--bogus"_s} << u"Unknown option 'bogus'."_s;
    QTest::newRow("session name missing") << QStringList{u"--open-session"_s} << u"Missing value after '--open-session'."_s;
    QTest::newRow("unknown session") << QStringList{u"--open-session"_s, u"Nowhere"_s} << u"There is no saved session named “Nowhere”."_s;
    QTest::newRow("two actions") << QStringList{u"--start"_s, u"--reset"_s} << u"Only one action can be given at a time, not --start, --reset."_s;
}

void SecondLaunchTest::badArgumentsChangeNothing()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);

    const QProcessEnvironment env = environment();
    startFirst(env);
    QTRY_VERIFY_WITH_TIMEOUT(QDBusConnection::sessionBus().interface()->isServiceRegistered(serviceName), 30000);
    OrgTickwardenTickwardenApplicationInterface application(serviceName, u"/Application"_s, QDBusConnection::sessionBus());
    QTRY_COMPARE_WITH_TIMEOUT(application.windows().size(), 1, 30000);
    const QString window = application.activeWindow().path();

    const Launch bad = launch(arguments, env);
    QCOMPARE(bad.status, 1);
    QVERIFY2(bad.err.contains(message), qPrintable(bad.err));
    QCOMPARE(bad.out, QString());

    QCOMPARE(application.windows().size(), 1);
    QCOMPARE(property(window, u"State"_s), QVariant(u"inactive"_s));
    QCOMPARE(m_first->state(), QProcess::Running);
}

void SecondLaunchTest::withoutBusEachLaunchStandsAlone()
{
    QProcessEnvironment env = environment();
    env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path="_s + m_home->filePath(u"no-bus"_s));
    startFirst(env);
    QCOMPARE(m_first->state(), QProcess::Running);

    const Launch time = launch({u"--time"_s}, env);
    QCOMPARE(time.status, 1);
    QVERIFY2(time.err.contains(u"Tickwarden is not running"_s), qPrintable(time.err));
    const Launch bad = launch({u"--bogus"_s}, env);
    QCOMPARE(bad.status, 1);
    QVERIFY(bad.err.contains(u"Unknown option 'bogus'."_s));
    QCOMPARE(m_first->state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(SecondLaunchTest)

#include "secondlaunchtest.moc"
