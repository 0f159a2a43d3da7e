// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "fakenotifications.h"

#include <QDBusConnection>

using namespace Qt::Literals::StringLiterals;

namespace
{
const QString connectionName = u"fake-notification-server"_s;
}

bool FakeNotificationServer::start(FakeNotificationServer *server, QThread *thread)
{
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName);
    const bool registered = bus.isConnected()
        && bus.registerObject(u"/org/freedesktop/Notifications"_s, server, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals);
    // Calls are delivered in the thread the server lives in.
    server->moveToThread(thread);
    thread->start();
    return registered && bus.registerService(u"org.freedesktop.Notifications"_s);
}

void FakeNotificationServer::stop(FakeNotificationServer *server, QThread *thread)
{
    QDBusConnection bus(connectionName);
    bus.unregisterService(u"org.freedesktop.Notifications"_s);
    bus.unregisterObject(u"/org/freedesktop/Notifications"_s);
    QDBusConnection::disconnectFromBus(connectionName);
    thread->quit();
    thread->wait();
    Q_UNUSED(server);
}

QStringList FakeNotificationServer::GetCapabilities()
{
    return {u"body"_s};
}

QString FakeNotificationServer::GetServerInformation(QString &vendor, QString &version, QString &specVersion)
{
    vendor = u"Tickwarden tests"_s;
    version = u"1"_s;
    specVersion = u"1.2"_s;
    return u"fake"_s;
}

uint FakeNotificationServer::Notify(const QString &application,
                                    uint replacesId,
                                    const QString &icon,
                                    const QString &summary,
                                    const QString &body,
                                    const QStringList &actions,
                                    const QVariantMap &hints,
                                    int timeout)
{
    Q_UNUSED(replacesId);
    Q_UNUSED(icon);
    Q_UNUSED(actions);
    Q_UNUSED(hints);
    Q_UNUSED(timeout);
    Q_EMIT shown(application, summary, body);
    return m_nextId++;
}

void FakeNotificationServer::CloseNotification(uint id)
{
    Q_EMIT NotificationClosed(id, 3);
}

#include "moc_fakenotifications.cpp"
