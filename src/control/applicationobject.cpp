// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "applicationobject.h"

#include "applicationadaptor.h"
#include "controlregistry.h"
#include "controlservice.h"
#include "controltext.h"
#include "session.h"
#include "sessionmodel.h"
#include "stopwatchcontrol.h"
#include "windowobject.h"

#include <KLocalizedString>

using namespace Qt::Literals::StringLiterals;

namespace
{
const auto applicationPath = u"/Application"_s;
}

ApplicationObject::ApplicationObject(ControlService *service, const QDBusConnection &connection)
    : QObject(service)
    , m_service(service)
    , m_connection(connection)
{
    if (!m_connection.isConnected()) {
        return;
    }
    registerControlDBusTypes();
    new ApplicationAdaptor(this);
    m_registered = m_connection.registerObject(applicationPath, this);
    if (!m_registered) {
        qWarning() << "Could not put the windows on the session bus:" << m_connection.lastError().message();
        return;
    }

    ControlRegistry *registry = ControlRegistry::self();
    const auto controls = registry->controlsByAge();
    for (StopwatchControl *control : controls) {
        slotAdded(control);
    }
    connect(registry, &ControlRegistry::added, this, &ApplicationObject::slotAdded);
    connect(registry, &ControlRegistry::removed, this, &ApplicationObject::slotRemoved);
    connect(registry, &ControlRegistry::activeChanged, this, [this] {
        Q_EMIT ActiveWindowChanged(activeWindow());
    });
}

ApplicationObject::~ApplicationObject()
{
    if (!m_registered) {
        return;
    }
    for (const QString &path : std::as_const(m_paths)) {
        m_connection.unregisterObject(path);
    }
    m_connection.unregisterObject(applicationPath);
}

bool ApplicationObject::isRegistered() const
{
    return m_registered;
}

QList<QDBusObjectPath> ApplicationObject::windows() const
{
    QList<QDBusObjectPath> paths;
    const auto controls = ControlRegistry::self()->controlsByAge();
    for (StopwatchControl *control : controls) {
        if (m_paths.contains(control)) {
            paths << QDBusObjectPath(m_paths.value(control));
        }
    }
    return paths;
}

QDBusObjectPath ApplicationObject::activeWindow() const
{
    return pathOf(ControlRegistry::self()->active());
}

QDBusObjectPath ApplicationObject::pathOf(StopwatchControl *control) const
{
    return QDBusObjectPath(m_paths.value(control, u"/"_s));
}

QDBusObjectPath ApplicationObject::NewWindow()
{
    return pathOf(m_service->openWindow());
}

bool ApplicationObject::OpenSession(const QString &name)
{
    return m_service->openSession(name) != nullptr;
}

QDBusObjectPath ApplicationObject::NewRun(const QString &name)
{
    const ControlText::Checked checked = ControlText::sessionName(name);
    QString refusal = checked.refusal;
    if (refusal.isEmpty() && checked.text.isEmpty()) {
        refusal = i18nc("@info:shell", "A new run needs the name of its activity.");
    }
    if (!refusal.isEmpty()) {
        if (calledFromDBus()) {
            sendErrorReply(QDBusError::InvalidArgs, refusal);
        }
        return QDBusObjectPath(u"/"_s);
    }
    return pathOf(m_service->newRun(checked.text));
}

SessionEntryList ApplicationObject::Sessions()
{
    SessionModel *model = m_service->sessionModel();
    // Another process may have stored sessions since this one last looked.
    model->refresh();
    SessionEntryList entries;
    entries.reserve(model->rowCount());
    for (int row = 0; row < model->rowCount(); ++row) {
        const auto session = model->data(model->index(row, 0), SessionModel::SessionRole).value<Session>();
        entries.append(SessionEntry{session.name(), session.date().toString(Qt::ISODate)});
    }
    return entries;
}

void ApplicationObject::slotAdded(StopwatchControl *control)
{
    const QString path = u"/Windows/%1"_s.arg(++m_lastNumber);
    auto object = new WindowObject(control, this);
    if (!m_connection.registerObject(path, object)) {
        qWarning() << "Could not put window" << path << "on the session bus:" << m_connection.lastError().message();
        delete object;
        return;
    }
    m_paths.insert(control, path);
    m_objects.insert(control, object);
    Q_EMIT WindowAdded(QDBusObjectPath(path));
}

void ApplicationObject::slotRemoved(StopwatchControl *control)
{
    const QString path = m_paths.take(control);
    delete m_objects.take(control);
    if (path.isEmpty()) {
        return;
    }
    m_connection.unregisterObject(path);
    Q_EMIT WindowRemoved(QDBusObjectPath(path));
}

#include "moc_applicationobject.cpp"
