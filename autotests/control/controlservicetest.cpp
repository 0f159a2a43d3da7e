// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Real windows driven the way a later launch drives them. The test runs once without any
// session bus and once on a private one; the outcome must be the same.

#include "controlservice.h"
#include "applicationobject.h"
#include "controlcommand.h"
#include "controlregistry.h"
#include "lapmodel.h"
#include "mainwindow.h"
#include "session.h"
#include "sessionmodel.h"
#include "stopwatchcontrol.h"
#include "tickwardenconfig.h"
#include "windowcontrol.h"

#include <KAboutData>
#include <KLocalizedString>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QThread>

using namespace Qt::Literals::StringLiterals;

namespace
{
ControlCommand command(const QStringList &arguments)
{
    const ControlCommand parsed = ControlCommand::fromArguments(QStringList{u"tickwarden"_s} + arguments);
    Q_ASSERT(parsed.isValid());
    return parsed;
}

QString lapNote(QWidget *window, int row)
{
    auto view = window->findChild<QTableView *>(u"lapView"_s);
    return view->model()->index(row, LapModel::NoteRole - LapModel::LapNumberRole).data().toString();
}

// A running program on the bus as a later launch sees it: its application answers with one
// window, and every command to that window fails with a chosen error. It is a virtual object
// on a connection of its own.
class FailingProgram : public QDBusVirtualObject
{
public:
    explicit FailingProgram(const QString &errorName)
        : m_errorName(errorName)
    {
    }

    QString introspect(const QString &) const override
    {
        return {};
    }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (message.interface() == u"org.freedesktop.DBus.Properties"_s && message.path() == u"/Application"_s) {
            connection.send(message.createReply(QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusObjectPath(u"/Windows/1"_s))))));
            return true;
        }
        if (message.path() == u"/Windows/1"_s) {
            m_commandsReceived.ref();
            connection.send(message.createErrorReply(m_errorName, u"Refused by the test"_s));
            return true;
        }
        return false;
    }

    [[nodiscard]] int commandsReceived() const
    {
        return m_commandsReceived.loadRelaxed();
    }

private:
    QString m_errorName;
    QAtomicInt m_commandsReceived;
};

Session storedSession(const QString &name, int time)
{
    Session session(time, QDateTime::currentDateTime());
    session.setName(name);
    return session;
}
}

class ControlServiceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void busIsUsedOnlyWhenThere();
    void commands_data();
    void commands();
    void lapCarriesItsNote();
    void lapsSwitchedOffAreRefused();
    void commandsGoToTheMostRecentlyActiveWindow();
    void commandWithoutWindowOpensOne();
    void plainLaunchBringsBackHiddenWindows();
    void resetFromOutsideIsUndone();
    void startUp_data();
    void startUp();
    void openSessionTakesTheLastOfThatName();
    void checkBeforeStart_data();
    void checkBeforeStart();
    void failedCommandIsNotSentAgain_data();
    void failedCommandIsNotSentAgain();

private:
    QList<QWidget *> windows() const;

    std::unique_ptr<SessionModel> m_sessionModel;
    std::unique_ptr<ControlService> m_service;
};

void ControlServiceTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
    KAboutData aboutData(u"tickwarden"_s, u"Tickwarden"_s, u"1.0"_s);
    KAboutData::setApplicationData(aboutData);
    QVERIFY(QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)));
}

void ControlServiceTest::init()
{
    QFile::remove(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + u"/sessions.json"_s);
    TickwardenConfig::self()->setDefaults();
    m_sessionModel = std::make_unique<SessionModel>();
    m_service = std::make_unique<ControlService>(m_sessionModel.get(), [this](const Session &session) {
        auto window = new MainWindow(m_sessionModel.get(), nullptr, session);
        window->show();
    });
}

void ControlServiceTest::cleanup()
{
    const auto controls = ControlRegistry::self()->controls();
    for (StopwatchControl *control : controls) {
        delete control->window();
    }
    QVERIFY(ControlRegistry::self()->controls().isEmpty());
    m_service.reset();
    m_sessionModel.reset();
}

QList<QWidget *> ControlServiceTest::windows() const
{
    QList<QWidget *> result;
    const auto controls = ControlRegistry::self()->controlsByAge();
    for (StopwatchControl *control : controls) {
        result << control->window();
    }
    return result;
}

void ControlServiceTest::busIsUsedOnlyWhenThere()
{
    QCOMPARE(m_service->applicationObject()->isRegistered(), QDBusConnection::sessionBus().isConnected());
    QVERIFY(m_service->openWindow());
    QCOMPARE(m_service->applicationObject()->windows().size(), m_service->applicationObject()->isRegistered() ? 1 : 0);
}

void ControlServiceTest::commands_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("done");
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("laps");

    const QStringList start{u"--start"_s};
    const QStringList pause{u"--pause"_s};
    const QStringList lap{u"--lap"_s};
    const QStringList running{u"--start"_s};
    const QStringList paused{u"--start"_s, u"--pause"_s};

    QTest::newRow("start inactive") << QStringList{} << start << true << u"running"_s << 0;
    QTest::newRow("start running") << running << start << false << u"running"_s << 0;
    QTest::newRow("resume paused") << paused << start << true << u"running"_s << 0;
    QTest::newRow("pause running") << running << pause << true << u"paused"_s << 0;
    QTest::newRow("pause inactive") << QStringList{} << pause << false << u"inactive"_s << 0;
    QTest::newRow("pause paused") << paused << pause << false << u"paused"_s << 0;
    QTest::newRow("toggle inactive") << QStringList{} << QStringList{u"--toggle"_s} << true << u"running"_s << 0;
    QTest::newRow("toggle running") << running << QStringList{u"--toggle"_s} << true << u"paused"_s << 0;
    QTest::newRow("toggle paused") << paused << QStringList{u"--toggle"_s} << true << u"running"_s << 0;
    QTest::newRow("lap running") << running << lap << true << u"running"_s << 1;
    QTest::newRow("lap inactive") << QStringList{} << lap << false << u"inactive"_s << 0;
    QTest::newRow("lap paused") << paused << lap << false << u"paused"_s << 0;
    QTest::newRow("reset paused") << paused << QStringList{u"--reset"_s} << true << u"inactive"_s << 0;
    QTest::newRow("reset running") << running << QStringList{u"--reset"_s} << true << u"inactive"_s << 0;
    QTest::newRow("reset inactive") << QStringList{} << QStringList{u"--reset"_s} << false << u"inactive"_s << 0;
    QTest::newRow("undo a lap") << QStringList{u"--start"_s, u"--lap"_s} << QStringList{u"--undo"_s} << true << u"running"_s << 0;
    QTest::newRow("undo a reset") << QStringList{u"--start"_s, u"--lap"_s, u"--pause"_s, u"--reset"_s} << QStringList{u"--undo"_s} << true << u"paused"_s << 1;
    QTest::newRow("undo nothing") << QStringList{} << QStringList{u"--undo"_s} << false << u"inactive"_s << 0;
}

void ControlServiceTest::commands()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, arguments);
    QFETCH(bool, done);
    QFETCH(QString, state);
    QFETCH(int, laps);

    StopwatchControl *control = m_service->openWindow();
    QVERIFY(control);
    for (const QString &step : std::as_const(before)) {
        QVERIFY(m_service->execute(command({step})));
    }
    QSignalSpy stateSpy(control, &StopwatchControl::stateChanged);
    const StopwatchControl::State stateBefore = control->state();

    QCOMPARE(m_service->execute(command(arguments)), done);
    QCOMPARE(StopwatchControl::stateName(control->state()), state);
    QCOMPARE(control->lapCount(), laps);
    // A refused command leaves no trace; a done one reports the state it reached.
    if (done && control->state() != stateBefore) {
        QCOMPARE(stateSpy.count(), 1);
        QCOMPARE(StopwatchControl::stateName(stateSpy.constFirst().constFirst().value<StopwatchControl::State>()), state);
    } else {
        QCOMPARE(stateSpy.count(), 0);
    }
    QCOMPARE(windows().size(), 1);
}

void ControlServiceTest::lapCarriesItsNote()
{
    StopwatchControl *control = m_service->openWindow();
    QVERIFY(control->start());
    QSignalSpy lapSpy(control, &StopwatchControl::lapAdded);

    QVERIFY(m_service->execute(command({u"--lap"_s, u"split 1"_s})));
    QVERIFY(m_service->execute(command({u"--lap"_s})));

    QCOMPARE(lapSpy.count(), 2);
    QCOMPARE(lapSpy.at(0), (QVariantList{1, u"split 1"_s}));
    QCOMPARE(lapSpy.at(1), (QVariantList{2, QString()}));
    QCOMPARE(lapNote(control->window(), 0), u"split 1"_s);
    QCOMPARE(lapNote(control->window(), 1), QString());
}

void ControlServiceTest::lapsSwitchedOffAreRefused()
{
    TickwardenConfig::setIsLapsRecordingEnabled(false);
    StopwatchControl *control = m_service->openWindow();
    QVERIFY(control->start());
    QVERIFY(!m_service->execute(command({u"--lap"_s, u"split 1"_s})));
    QCOMPARE(control->lapCount(), 0);
}

void ControlServiceTest::commandsGoToTheMostRecentlyActiveWindow()
{
    StopwatchControl *first = m_service->openWindow();
    StopwatchControl *second = m_service->openWindow();
    ControlRegistry *registry = ControlRegistry::self();
    // Before any window was activated the newest one counts.
    QCOMPARE(registry->active(), second);

    QSignalSpy activeSpy(registry, &ControlRegistry::activeChanged);
    first->window()->activateWindow();
    QTRY_COMPARE(registry->active(), first);
    QCOMPARE(activeSpy.constLast().constFirst().value<StopwatchControl *>(), first);

    QVERIFY(m_service->execute(command({u"--start"_s})));
    QCOMPARE(first->state(), StopwatchControl::State::Running);
    QCOMPARE(second->state(), StopwatchControl::State::Inactive);

    // Closing the active window passes the commands on to the one active before it.
    delete first->window();
    QCOMPARE(registry->active(), second);
    QVERIFY(m_service->execute(command({u"--start"_s})));
    QCOMPARE(second->state(), StopwatchControl::State::Running);
}

void ControlServiceTest::commandWithoutWindowOpensOne()
{
    QVERIFY(windows().isEmpty());
    QVERIFY(m_service->execute(command({u"--start"_s})));
    QCOMPARE(windows().size(), 1);
    QCOMPARE(ControlRegistry::self()->active()->state(), StopwatchControl::State::Running);
}

void ControlServiceTest::startUp_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("done");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("sessionName");

    QTest::newRow("plain") << QStringList{} << true << u"inactive"_s << QString();
    QTest::newRow("new window opens only one") << QStringList{u"--new-window"_s} << true << u"inactive"_s << QString();
    QTest::newRow("start") << QStringList{u"--start"_s} << true << u"running"_s << QString();
    QTest::newRow("toggle") << QStringList{u"--toggle"_s} << true << u"running"_s << QString();
    QTest::newRow("pause refused") << QStringList{u"--pause"_s} << false << u"inactive"_s << QString();
    QTest::newRow("lap refused") << QStringList{u"--lap"_s, u"x"_s} << false << u"inactive"_s << QString();
    QTest::newRow("session") << QStringList{u"--open-session"_s, u"Morning run"_s} << true << u"paused"_s << u"Morning run"_s;
    QTest::newRow("session gone meanwhile") << QStringList{u"--open-session"_s, u"Evening run"_s} << false << u"inactive"_s << QString();
}

void ControlServiceTest::startUp()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, done);
    QFETCH(QString, state);
    QFETCH(QString, sessionName);

    m_sessionModel->append(storedSession(u"Morning run"_s, 5000));

    QCOMPARE(m_service->startUp(command(arguments)), done);
    QCOMPARE(windows().size(), 1);
    StopwatchControl *control = ControlRegistry::self()->active();
    QCOMPARE(StopwatchControl::stateName(control->state()), state);
    QCOMPARE(control->sessionName(), sessionName);
    if (!sessionName.isEmpty()) {
        QCOMPARE(control->elapsedMilliseconds(), 5000);
    }
}

void ControlServiceTest::openSessionTakesTheLastOfThatName()
{
    m_sessionModel->append(storedSession(u"Run"_s, 1000));
    m_sessionModel->append(storedSession(u"Run"_s, 2000));
    m_sessionModel->append(storedSession(u"Other"_s, 3000));

    StopwatchControl *control = m_service->openSession(u"Run"_s);
    QVERIFY(control);
    QCOMPARE(control->elapsedMilliseconds(), 2000);
    QVERIFY(!m_service->openSession(u"run"_s));
    QCOMPARE(windows().size(), 1);
}

void ControlServiceTest::plainLaunchBringsBackHiddenWindows()
{
    StopwatchControl *shown = m_service->openWindow();
    StopwatchControl *hidden = m_service->openWindow();
    QVERIFY(hidden->start());
    // As the tray leaves a running window whose close it turned into hiding.
    hidden->window()->hide();

    QVERIFY(m_service->execute(ControlCommand()));
    QCOMPARE(windows().size(), 2);
    QVERIFY(hidden->window()->isVisible());
    QVERIFY(shown->window()->isVisible());
    QCOMPARE(hidden->state(), StopwatchControl::State::Running);

    // With nothing hidden, a plain launch opens a window, and --new-window always does.
    QVERIFY(m_service->execute(ControlCommand()));
    QCOMPARE(windows().size(), 3);
    hidden->window()->hide();
    QVERIFY(m_service->execute(command({u"--new-window"_s})));
    QCOMPARE(windows().size(), 4);
    QVERIFY(hidden->window()->isHidden());
}

void ControlServiceTest::resetFromOutsideIsUndone()
{
    auto control = qobject_cast<WindowControl *>(m_service->openWindow());
    QVERIFY(control);
    QVERIFY(m_service->execute(command({u"--start"_s})));
    QTRY_VERIFY(control->elapsedMilliseconds() > 0);
    QVERIFY(m_service->execute(command({u"--lap"_s, u"split 1"_s})));
    QVERIFY(m_service->execute(command({u"--pause"_s})));
    const int elapsed = control->elapsedMilliseconds();

    // A reset from a hotkey or a script asks nothing; the window's history keeps the run.
    QVERIFY(m_service->execute(command({u"--reset"_s})));
    QCOMPARE(control->state(), StopwatchControl::State::Inactive);
    QCOMPARE(control->lapCount(), 0);

    QVERIFY(m_service->execute(command({u"--undo"_s})));
    QCOMPARE(control->state(), StopwatchControl::State::Paused);
    QCOMPARE(control->elapsedMilliseconds(), elapsed);
    QCOMPARE(control->lapCount(), 1);
    QCOMPARE(lapNote(control->window(), 0), u"split 1"_s);
    QVERIFY(control->window()->isWindowModified());

    // A run started after the reset is never replaced by the one reset.
    QVERIFY(m_service->execute(command({u"--reset"_s})));
    QVERIFY(m_service->execute(command({u"--start"_s})));
    QVERIFY(!m_service->execute(command({u"--undo"_s})));
    QCOMPARE(control->state(), StopwatchControl::State::Running);
    QCOMPARE(control->lapCount(), 0);
}

void ControlServiceTest::checkBeforeStart_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<std::optional<int>>("status");

    QTest::newRow("plain launch goes on") << QStringList{} << std::optional<int>();
    QTest::newRow("action goes on") << QStringList{u"--lap"_s, u"x"_s} << std::optional<int>();
    QTest::newRow("stored session goes on") << QStringList{u"--open-session"_s, u"Morning run"_s} << std::optional<int>();
    QTest::newRow("unknown session ends") << QStringList{u"--open-session"_s, u"Evening run"_s} << std::optional<int>(1);
    QTest::newRow("bad arguments end") << QStringList{u"--start"_s, u"--pause"_s} << std::optional<int>(1);
    QTest::newRow("time without a running program ends") << QStringList{u"--time"_s} << std::optional<int>(1);
}

void ControlServiceTest::checkBeforeStart()
{
    QFETCH(QStringList, arguments);
    QFETCH(std::optional<int>, status);

    m_sessionModel->append(storedSession(u"Morning run"_s, 5000));
    QCOMPARE(ControlService::checkBeforeStart(ControlCommand::fromArguments(QStringList{u"tickwarden"_s} + arguments)), status);
    QVERIFY(windows().isEmpty());
}

void ControlServiceTest::failedCommandIsNotSentAgain_data()
{
    QTest::addColumn<QString>("errorName");
    QTest::addColumn<std::optional<int>>("status");

    // The program may have carried these out: reported, and the launch ends.
    QTest::newRow("no reply in time") << u"org.freedesktop.DBus.Error.NoReply"_s << std::optional<int>(1);
    QTest::newRow("timeout") << u"org.freedesktop.DBus.Error.Timeout"_s << std::optional<int>(1);
    QTest::newRow("dialog open") << u"org.tickwarden.Tickwarden.Error.DialogOpen"_s << std::optional<int>(1);
    QTest::newRow("other failure") << u"org.freedesktop.DBus.Error.Failed"_s << std::optional<int>(1);
    // Never delivered to a window: the launch hands the command over, which then runs once.
    QTest::newRow("window gone") << u"org.freedesktop.DBus.Error.UnknownObject"_s << std::optional<int>();
    QTest::newRow("program gone") << u"org.freedesktop.DBus.Error.ServiceUnknown"_s << std::optional<int>();
}

void ControlServiceTest::failedCommandIsNotSentAgain()
{
    QFETCH(QString, errorName);
    QFETCH(std::optional<int>, status);
    if (!QDBusConnection::sessionBus().isConnected()) {
        QSKIP("needs a session bus");
    }

    QDBusConnection program = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"failing-program"_s);
    auto disconnect = qScopeGuard([] {
        QDBusConnection::disconnectFromBus(u"failing-program"_s);
    });
    // Calls to an object are handled in its thread, and the test's waits for the answer.
    FailingProgram failing(errorName);
    QVERIFY(program.registerVirtualObject(u"/"_s, &failing, QDBusConnection::SubPath));
    QThread answering;
    failing.moveToThread(&answering);
    answering.start();
    auto stopAnswering = qScopeGuard([&answering] {
        answering.quit();
        answering.wait();
    });
    QVERIFY(program.registerService(ControlService::serviceName()));
    auto unregister = qScopeGuard([&program] {
        program.unregisterService(ControlService::serviceName());
        program.unregisterObject(u"/"_s, QDBusConnection::UnregisterTree);
    });

    QCOMPARE(ControlService::checkBeforeStart(command({u"--lap"_s, u"split"_s})), status);
    QCOMPARE(failing.commandsReceived(), 1);
}

QTEST_MAIN(ControlServiceTest)

#include "controlservicetest.moc"
