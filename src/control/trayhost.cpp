// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "trayhost.h"

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QSystemTrayIcon>

using namespace Qt::Literals::StringLiterals;

namespace
{
const auto watcherService = u"org.kde.StatusNotifierWatcher"_s;
const auto watcherPath = u"/StatusNotifierWatcher"_s;
}

TrayHost *TrayHost::self()
{
    static TrayHost *host = new TrayHost;
    return host;
}

TrayHost::TrayHost()
{
    m_available = QSystemTrayIcon::isSystemTrayAvailable();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    auto serviceWatcher = new QDBusServiceWatcher(watcherService, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(serviceWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &TrayHost::slotCheckWatcher);
    // The watcher announces hosts with signals of its own, not with PropertiesChanged.
    for (const auto signal : {u"StatusNotifierHostRegistered"_s, u"StatusNotifierHostUnregistered"_s}) {
        bus.connect(watcherService, watcherPath, watcherService, signal, this, SLOT(slotCheckWatcher()));
    }
    slotCheckWatcher();
}

bool TrayHost::isAvailable() const
{
    return m_available;
}

void TrayHost::slotCheckWatcher()
{
    QDBusMessage call = QDBusMessage::createMethodCall(watcherService, watcherPath, u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    call << watcherService << u"IsStatusNotifierHostRegistered"_s;
    // Asynchronous: the watcher may be slow, or be served by this very process.
    auto pending = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *pending) {
        pending->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *pending;
        setStatusNotifierHost(!reply.isError() && reply.value().variant().toBool());
    });
}

void TrayHost::setStatusNotifierHost(bool registered)
{
    m_statusNotifierHost = registered;
    // The older kind of tray announces nothing; it is asked again whenever the watcher changes.
    const bool available = m_statusNotifierHost || QSystemTrayIcon::isSystemTrayAvailable();
    if (available != m_available) {
        m_available = available;
        Q_EMIT availableChanged(available);
    }
}

#include "moc_trayhost.cpp"
