// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "controlservice.h"

#include "applicationinterface.h"
#include "applicationobject.h"
#include "controlcommand.h"
#include "controlregistry.h"
#include "controltray.h"
#include "globalshortcuts.h"
#include "session.h"
#include "sessionmodel.h"
#include "stopwatchcontrol.h"
#include "windowinterface.h"
#include "windowobject.h"

#include <KDBusService>
#include <KLocalizedString>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDateTime>
#include <QWidget>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace
{
void printTo(FILE *stream, const QString &text)
{
    std::fputs(qPrintable(text + u'\n'), stream);
    std::fflush(stream);
}

std::optional<Session> storedSession(const SessionModel &sessionModel, const QString &name)
{
    // Names need not be unique; the one stored last is the one the user most likely means.
    for (int row = sessionModel.rowCount() - 1; row >= 0; --row) {
        const auto session = sessionModel.data(sessionModel.index(row, 0), SessionModel::SessionRole).value<Session>();
        if (session.name() == name) {
            return session;
        }
    }
    return std::nullopt;
}

int printRunningTime()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(ControlService::serviceName())) {
        printTo(stderr, i18nc("@info:shell", "Tickwarden is not running, so there is no time to show."));
        return 1;
    }
    OrgTickwardenTickwardenApplicationInterface application(ControlService::serviceName(), u"/Application"_s, bus);
    const QDBusObjectPath active = application.activeWindow();
    if (!application.isValid() || active.path() == u"/"_s || active.path().isEmpty()) {
        printTo(stderr, i18nc("@info:shell", "Tickwarden has no window whose time could be shown."));
        return 1;
    }
    OrgTickwardenTickwardenWindowInterface window(ControlService::serviceName(), active.path(), bus);
    const QString time = window.time();
    if (time.isEmpty()) {
        printTo(stderr, i18nc("@info:shell", "Could not read the time from Tickwarden: %1", window.lastError().message()));
        return 1;
    }
    printTo(stdout, time);
    return 0;
}

// The errors of a call that the bus could not deliver to any window, so that nothing was
// carried out.
bool commandReachedNoWindow(const QDBusError &error)
{
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
    case QDBusError::UnknownObject:
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownMethod:
        return true;
    default:
        return false;
    }
}

QString commandFailure(const QDBusError &error)
{
    if (error.name() == WindowObject::dialogOpenError()) {
        return error.message();
    }
    if (error.type() == QDBusError::NoReply || error.type() == QDBusError::Timeout || error.type() == QDBusError::TimedOut) {
        return i18nc("@info:shell", "Tickwarden did not answer in time; the command may still be carried out, so it was not sent again.");
    }
    return i18nc("@info:shell %1 is the reason given by the system", "Tickwarden could not carry out the command: %1", error.message());
}

// A later launch sends a stopwatch command to the running instance's window itself, so
// that it hears why the window refused it. Nothing when there is no such window: the
// instance then gets the arguments, opens a window and carries the command out there.
std::optional<int> commandRunningWindow(const ControlCommand &command)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(ControlService::serviceName())) {
        return std::nullopt;
    }
    OrgTickwardenTickwardenApplicationInterface application(ControlService::serviceName(), u"/Application"_s, bus);
    const QDBusObjectPath active = application.activeWindow();
    if (!application.isValid() || active.path() == u"/"_s || active.path().isEmpty()) {
        return std::nullopt;
    }
    OrgTickwardenTickwardenWindowInterface window(ControlService::serviceName(), active.path(), bus);
    QDBusPendingReply<bool> reply;
    switch (command.action()) {
    case ControlCommand::Start:
        reply = window.Start();
        break;
    case ControlCommand::Pause:
        reply = window.Pause();
        break;
    case ControlCommand::Toggle:
        reply = window.Toggle();
        break;
    case ControlCommand::Lap:
        reply = window.Lap(command.argument());
        break;
    case ControlCommand::Reset:
        reply = window.Reset();
        break;
    case ControlCommand::Undo:
        reply = window.Undo();
        break;
    default:
        return std::nullopt;
    }
    reply.waitForFinished();
    if (reply.isError()) {
        if (!commandReachedNoWindow(reply.error())) {
            // Anything else may have been carried out (a busy program answers after the
            // caller stopped waiting), so it is reported and never sent a second time.
            printTo(stderr, commandFailure(reply.error()));
            return 1;
        }
        // The window or the program went away before the call arrived; the hand-off to
        // the program, or a program of its own, carries the command out once.
        return std::nullopt;
    }
    return reply.value() ? 0 : 1;
}
}

ControlService::ControlService(SessionModel *sessionModel, WindowOpener openWindow, QObject *parent)
    : QObject(parent)
    , m_sessionModel(sessionModel)
    , m_openWindow(std::move(openWindow))
{
    m_applicationObject = new ApplicationObject(this, QDBusConnection::sessionBus());
    new GlobalShortcuts(this);
    new ControlTray(this);
}

ControlService::~ControlService() = default;

std::optional<int> ControlService::checkBeforeStart(const ControlCommand &command)
{
    if (!command.isValid()) {
        printTo(stderr, command.error());
        return 1;
    }
    if (command.action() == ControlCommand::Time) {
        return printRunningTime();
    }
    if (command.isStopwatchAction()) {
        return commandRunningWindow(command);
    }
    if (command.action() == ControlCommand::OpenSession) {
        const SessionModel sessionModel;
        if (!storedSession(sessionModel, command.argument())) {
            printTo(stderr, i18nc("@info:shell", "There is no saved session named “%1”.", command.argument()));
            return 1;
        }
    }
    return std::nullopt;
}

QString ControlService::serviceName()
{
    // Built the way KDBusService builds it: the reversed organisation domain, then the
    // application name.
    QStringList parts = QCoreApplication::organizationDomain().split(u'.', Qt::SkipEmptyParts);
    std::reverse(parts.begin(), parts.end());
    parts << QCoreApplication::applicationName();
    return parts.join(u'.');
}

void ControlService::attach(KDBusService *service)
{
    // Direct, so that the exit status reaches the launching process before it ends.
    connect(
        service,
        &KDBusService::activateRequested,
        this,
        [this, service](const QStringList &arguments) {
            // A launcher that activates over D-Bus passes no arguments: that is a plain launch.
            const ControlCommand command = arguments.isEmpty() ? ControlCommand() : ControlCommand::fromArguments(arguments);
            if (!command.isValid()) {
                qWarning() << "Ignored the arguments of a later launch:" << command.error();
                service->setExitValue(1);
                return;
            }
            service->setExitValue(execute(command) ? 0 : 1);
        },
        Qt::DirectConnection);
}

bool ControlService::startUp(const ControlCommand &command)
{
    const bool noWindow = ControlRegistry::self()->controls().isEmpty();
    if (command.action() == ControlCommand::OpenSession) {
        if (openSession(command.argument())) {
            return true;
        }
        if (noWindow) {
            openWindow();
        }
        return false;
    }
    if (command.action() == ControlCommand::NewRun) {
        return newRun(command.argument()) != nullptr;
    }
    if (noWindow) {
        openWindow();
    }
    return !command.isStopwatchAction() || execute(command);
}

bool ControlService::execute(const ControlCommand &command)
{
    switch (command.action()) {
    case ControlCommand::NoAction:
        // A window hidden to the tray is the one a plain launch looks for, not a new one.
        if (showHiddenWindows()) {
            return true;
        }
        return openWindow() != nullptr;
    case ControlCommand::NewWindow:
        return openWindow() != nullptr;
    case ControlCommand::OpenSession:
        return openSession(command.argument()) != nullptr;
    case ControlCommand::NewRun:
        return newRun(command.argument()) != nullptr;
    case ControlCommand::Time:
        // Only the launching process can print; it asks over the bus before it gets here.
        return false;
    case ControlCommand::Start:
    case ControlCommand::Pause:
    case ControlCommand::Toggle:
    case ControlCommand::Lap:
    case ControlCommand::Reset:
    case ControlCommand::Undo:
        break;
    }

    StopwatchControl *control = ControlRegistry::self()->active();
    if (!control) {
        control = openWindow();
    }
    if (!control) {
        return false;
    }
    switch (command.action()) {
    case ControlCommand::Start:
        return control->start();
    case ControlCommand::Pause:
        return control->pause();
    case ControlCommand::Toggle:
        return control->toggle();
    case ControlCommand::Lap:
        return control->lap(command.argument());
    case ControlCommand::Reset:
        return control->reset();
    case ControlCommand::Undo:
        return control->undo();
    default:
        return false;
    }
}

bool ControlService::showHiddenWindows()
{
    QWidget *latest = nullptr;
    // Most recently active last, so that it ends up in front.
    auto controls = ControlRegistry::self()->controls();
    std::reverse(controls.begin(), controls.end());
    for (StopwatchControl *control : std::as_const(controls)) {
        QWidget *window = control->window();
        if (window->isHidden()) {
            window->show();
            latest = window;
        }
    }
    if (!latest) {
        return false;
    }
    latest->raise();
    latest->activateWindow();
    return true;
}

StopwatchControl *ControlService::openWindow()
{
    return open(Session(0, QDateTime::currentDateTime()));
}

StopwatchControl *ControlService::openSession(const QString &name)
{
    const auto session = storedSession(*m_sessionModel, name);
    return session ? open(*session) : nullptr;
}

StopwatchControl *ControlService::newRun(const QString &name)
{
    return open(Session::newRun(name));
}

ApplicationObject *ControlService::applicationObject() const
{
    return m_applicationObject;
}

SessionModel *ControlService::sessionModel() const
{
    return m_sessionModel;
}

StopwatchControl *ControlService::open(const Session &session)
{
    const auto before = ControlRegistry::self()->controlsByAge();
    m_openWindow(session);
    const auto after = ControlRegistry::self()->controlsByAge();
    return after.size() > before.size() ? after.constLast() : nullptr;
}

#include "moc_controlservice.cpp"
