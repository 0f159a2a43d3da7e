// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The bus interface of real windows, called from a connection of its own on a private
// session bus, so that every call and signal really travels through the bus.

#include "applicationinterface.h"
#include "applicationobject.h"
#include "controlregistry.h"
#include "controlservice.h"
#include "mainwindow.h"
#include "session.h"
#include "sessionmodel.h"
#include "stopwatchcontrol.h"
#include "tickwardenconfig.h"
#include "windowinterface.h"
#include "windowobject.h"

#include <KAboutData>
#include <KLocalizedString>

#include <QDBusConnection>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class DBusInterfaceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void startLapPause();
    void refusedCommandsReturnFalse();
    void applicationListsWindows();
    void openSession();
    void dialogRefusesCommands();
    void laterLaunchSaysWhyItWasRefused();

private:
    std::unique_ptr<OrgTickwardenTickwardenWindowInterface> windowAt(const QDBusObjectPath &path);

    std::unique_ptr<SessionModel> m_sessionModel;
    std::unique_ptr<ControlService> m_service;
    std::unique_ptr<QDBusConnection> m_client;
    std::unique_ptr<OrgTickwardenTickwardenApplicationInterface> m_application;
};

void DBusInterfaceTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
    KAboutData aboutData(u"tickwarden"_s, u"Tickwarden"_s, u"1.0"_s);
    KAboutData::setApplicationData(aboutData);
    QVERIFY(QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)));
    if (!QDBusConnection::sessionBus().isConnected()) {
        QFAIL("needs a private session bus (run through ctest)");
    }
    m_client = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"client"_s));
    QVERIFY(m_client->isConnected());
}

void DBusInterfaceTest::init()
{
    QFile::remove(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + u"/sessions.json"_s);
    TickwardenConfig::self()->setDefaults();
    m_sessionModel = std::make_unique<SessionModel>();
    m_service = std::make_unique<ControlService>(m_sessionModel.get(), [this](const Session &session) {
        auto window = new MainWindow(m_sessionModel.get(), nullptr, session);
        window->show();
    });
    m_application = std::make_unique<OrgTickwardenTickwardenApplicationInterface>(QDBusConnection::sessionBus().baseService(), u"/Application"_s, *m_client);
    // The test's own thread serves the calls, so they must not block it.
    m_application->setTimeout(10000);
}

void DBusInterfaceTest::cleanup()
{
    const auto controls = ControlRegistry::self()->controls();
    for (StopwatchControl *control : controls) {
        delete control->window();
    }
    m_application.reset();
    m_service.reset();
    m_sessionModel.reset();
}

std::unique_ptr<OrgTickwardenTickwardenWindowInterface> DBusInterfaceTest::windowAt(const QDBusObjectPath &path)
{
    return std::make_unique<OrgTickwardenTickwardenWindowInterface>(QDBusConnection::sessionBus().baseService(), path.path(), *m_client);
}

namespace
{
// Generated proxies block; a reply from this very thread needs the event loop running.
template<typename T>
T await(QDBusPendingReply<T> reply)
{
    auto watcher = std::make_unique<QDBusPendingCallWatcher>(reply);
    QSignalSpy finished(watcher.get(), &QDBusPendingCallWatcher::finished);
    if (!reply.isFinished()) {
        finished.wait(10000);
    }
    if (reply.isError()) {
        qWarning() << reply.error();
    }
    return reply.value();
}

QVariant awaitProperty(QDBusConnection &connection, const QString &path, const QString &interface, const QString &name)
{
    QDBusMessage message = QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(), path, u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    message << interface << name;
    const QDBusPendingReply<QDBusVariant> reply = connection.asyncCall(message);
    return await(reply).variant();
}
}

void DBusInterfaceTest::startLapPause()
{
    StopwatchControl *control = m_service->openWindow();
    const QString path = m_service->applicationObject()->pathOf(control).path();
    QCOMPARE(path, u"/Windows/1"_s);
    auto window = windowAt(QDBusObjectPath(path));
    const auto property = [this, &path](const QString &name) {
        return awaitProperty(*m_client, path, u"org.tickwarden.Tickwarden.Window"_s, name);
    };
    QSignalSpy stateSpy(window.get(), &OrgTickwardenTickwardenWindowInterface::StateChanged);
    QSignalSpy lapSpy(window.get(), &OrgTickwardenTickwardenWindowInterface::LapAdded);

    QCOMPARE(property(u"State"_s), QVariant(u"inactive"_s));
    QCOMPARE(property(u"ElapsedMilliseconds"_s), QVariant(qlonglong(0)));
    QCOMPARE(property(u"Time"_s), QVariant(u"00:00.00"_s));
    QCOMPARE(property(u"SessionName"_s), QVariant(QString()));

    QVERIFY(await(window->Start()));
    QTRY_COMPARE(stateSpy.count(), 1);
    QCOMPARE(stateSpy.at(0), QVariantList{u"running"_s});
    QCOMPARE(property(u"State"_s), QVariant(u"running"_s));

    QTRY_VERIFY(control->elapsedMilliseconds() > 20);
    QVERIFY(await(window->Lap(u"split 1"_s)));
    QTRY_COMPARE(lapSpy.count(), 1);
    QCOMPARE(lapSpy.at(0), (QVariantList{1, u"split 1"_s}));
    QCOMPARE(property(u"LapCount"_s), QVariant(1));

    QVERIFY(await(window->Pause()));
    QTRY_COMPARE(stateSpy.count(), 2);
    QCOMPARE(stateSpy.at(1), QVariantList{u"paused"_s});
    const qlonglong elapsed = property(u"ElapsedMilliseconds"_s).toLongLong();
    QVERIFY(elapsed > 20);
    QCOMPARE(elapsed, qlonglong(control->elapsedMilliseconds()));
    QCOMPARE(property(u"Time"_s).toString(), control->displayedTime());
    QVERIFY(property(u"Time"_s).toString().startsWith(u"00:00."_s));
}

void DBusInterfaceTest::refusedCommandsReturnFalse()
{
    StopwatchControl *control = m_service->openWindow();
    auto window = windowAt(m_service->applicationObject()->pathOf(control));

    QVERIFY(!await(window->Pause()));
    QVERIFY(!await(window->Lap(u"too early"_s)));
    QVERIFY(!await(window->Reset()));
    QCOMPARE(control->state(), StopwatchControl::State::Inactive);
    QCOMPARE(control->lapCount(), 0);

    QVERIFY(await(window->Toggle()));
    QCOMPARE(control->state(), StopwatchControl::State::Running);
    QVERIFY(await(window->Reset()));
    QCOMPARE(control->state(), StopwatchControl::State::Inactive);
}

void DBusInterfaceTest::applicationListsWindows()
{
    const auto applicationProperty = [this](const QString &name) {
        return awaitProperty(*m_client, u"/Application"_s, u"org.tickwarden.Tickwarden.Application"_s, name);
    };
    QSignalSpy addedSpy(m_application.get(), &OrgTickwardenTickwardenApplicationInterface::WindowAdded);
    QSignalSpy removedSpy(m_application.get(), &OrgTickwardenTickwardenApplicationInterface::WindowRemoved);
    QSignalSpy activeSpy(m_application.get(), &OrgTickwardenTickwardenApplicationInterface::ActiveWindowChanged);

    QCOMPARE(qdbus_cast<QList<QDBusObjectPath>>(applicationProperty(u"Windows"_s)), QList<QDBusObjectPath>{});
    QCOMPARE(qdbus_cast<QDBusObjectPath>(applicationProperty(u"ActiveWindow"_s)).path(), u"/"_s);

    const QDBusObjectPath first = await(m_application->NewWindow());
    const QDBusObjectPath second = await(m_application->NewWindow());
    QVERIFY(first.path().startsWith(u"/Windows/"_s));
    QVERIFY(second.path().startsWith(u"/Windows/"_s));
    QVERIFY(first != second);
    QCOMPARE(ControlRegistry::self()->controls().size(), 2);
    QTRY_COMPARE(addedSpy.count(), 2);
    const auto lastActive = [&activeSpy] {
        return activeSpy.isEmpty() ? QDBusObjectPath() : activeSpy.constLast().constFirst().value<QDBusObjectPath>();
    };
    QTRY_COMPARE(lastActive(), second);
    QCOMPARE(qdbus_cast<QList<QDBusObjectPath>>(applicationProperty(u"Windows"_s)), (QList<QDBusObjectPath>{first, second}));
    QCOMPARE(qdbus_cast<QDBusObjectPath>(applicationProperty(u"ActiveWindow"_s)), second);

    StopwatchControl *firstControl = ControlRegistry::self()->controlsByAge().constFirst();
    firstControl->window()->activateWindow();
    QTRY_COMPARE(lastActive(), first);

    delete firstControl->window();
    QTRY_COMPARE(removedSpy.count(), 1);
    QCOMPARE(removedSpy.at(0).constFirst().value<QDBusObjectPath>(), first);
    QCOMPARE(qdbus_cast<QList<QDBusObjectPath>>(applicationProperty(u"Windows"_s)), QList<QDBusObjectPath>{second});
    QCOMPARE(qdbus_cast<QDBusObjectPath>(applicationProperty(u"ActiveWindow"_s)), second);
    // The object of a closed window is gone from the bus.
    auto gone = windowAt(first);
    const QDBusPendingReply<bool> reply = gone->Start();
    QSignalSpy finished(new QDBusPendingCallWatcher(reply, this), &QDBusPendingCallWatcher::finished);
    QVERIFY(finished.wait(10000));
    QVERIFY(reply.isError());
}

void DBusInterfaceTest::openSession()
{
    Session session(7000, QDateTime::currentDateTime());
    session.setName(u"Morning run"_s);
    m_sessionModel->append(session);

    QVERIFY(!await(m_application->OpenSession(u"Evening run"_s)));
    QVERIFY(ControlRegistry::self()->controls().isEmpty());

    QVERIFY(await(m_application->OpenSession(u"Morning run"_s)));
    QCOMPARE(ControlRegistry::self()->controls().size(), 1);
    const QDBusObjectPath path = m_service->applicationObject()->activeWindow();
    const QString prefix = u"org.tickwarden.Tickwarden.Window"_s;
    QCOMPARE(awaitProperty(*m_client, path.path(), prefix, u"SessionName"_s), QVariant(u"Morning run"_s));
    QCOMPARE(awaitProperty(*m_client, path.path(), prefix, u"State"_s), QVariant(u"paused"_s));
    QCOMPARE(awaitProperty(*m_client, path.path(), prefix, u"ElapsedMilliseconds"_s), QVariant(qlonglong(7000)));
}

void DBusInterfaceTest::dialogRefusesCommands()
{
    StopwatchControl *control = m_service->openWindow();
    auto window = windowAt(m_service->applicationObject()->pathOf(control));
    QDialog dialog(control->window());
    dialog.open();
    QVERIFY(control->hasOpenDialog());

    QDBusPendingReply<bool> reply = window->Start();
    QSignalSpy finished(new QDBusPendingCallWatcher(reply, this), &QDBusPendingCallWatcher::finished);
    QVERIFY(finished.wait(10000));
    QVERIFY(reply.isError());
    QCOMPARE(reply.error().name(), WindowObject::dialogOpenError());
    QVERIFY2(reply.error().message().contains(u"dialog"_s), qPrintable(reply.error().message()));
    QCOMPARE(control->state(), StopwatchControl::State::Inactive);

    // A dialog of another window does not stand in the way.
    StopwatchControl *other = m_service->openWindow();
    QVERIFY(!other->hasOpenDialog());
    QVERIFY(await(windowAt(m_service->applicationObject()->pathOf(other))->Start()));

    dialog.reject();
    QVERIFY(!control->hasOpenDialog());
    QVERIFY(await(window->Start()));
    QCOMPARE(control->state(), StopwatchControl::State::Running);
}

void DBusInterfaceTest::laterLaunchSaysWhyItWasRefused()
{
    // This process stands in for the running program, under the name a launch looks for.
    const QString name = u"org.tickwarden.tickwarden"_s;
    QVERIFY(QDBusConnection::sessionBus().registerService(name));
    const auto unregister = qScopeGuard([&name] {
        QDBusConnection::sessionBus().unregisterService(name);
    });
    StopwatchControl *control = m_service->openWindow();
    QDialog dialog(control->window());
    dialog.open();

    QTemporaryDir home;
    QVERIFY(home.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, home.path());
    env.insert(u"XDG_DATA_HOME"_s, home.filePath(u"data"_s));
    env.insert(u"XDG_CONFIG_HOME"_s, home.filePath(u"config"_s));
    env.insert(u"XDG_CACHE_HOME"_s, home.filePath(u"cache"_s));
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"KDE_DEBUG"_s, u"1"_s);
    const auto launch = [&env](const QStringList &arguments) {
        // The process ends with the QProcess should the launch not end by itself.
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(env);
        QSignalSpy finished(process.get(), &QProcess::finished);
        process->start(QStringLiteral(TICKWARDEN_BINARY), arguments);
        // Waiting with the event loop running: this process answers the launch's calls.
        finished.wait(30000);
        return process;
    };

    const auto refused = launch({u"--start"_s});
    QCOMPARE(refused->state(), QProcess::NotRunning);
    QCOMPARE(refused->exitCode(), 1);
    const QString message = QString::fromLocal8Bit(refused->readAllStandardError());
    QVERIFY2(message.contains(u"waiting for the answer to a dialog"_s), qPrintable(message));
    QCOMPARE(control->state(), StopwatchControl::State::Inactive);

    dialog.reject();
    const auto started = launch({u"--start"_s});
    QCOMPARE(started->state(), QProcess::NotRunning);
    QCOMPARE(started->exitCode(), 0);
    QCOMPARE(control->state(), StopwatchControl::State::Running);
}

QTEST_MAIN(DBusInterfaceTest)

#include "dbusinterfacetest.moc"
