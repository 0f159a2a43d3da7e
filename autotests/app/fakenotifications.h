// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QObject>
#include <QStringList>
#include <QThread>
#include <QVariantMap>

/**
 * Stands in for the desktop's notification server on the test's session bus, serving from
 * a thread and a bus connection of its own, so no call of the program can wait on it.
 * What it is shown arrives in the test's thread through shown().
 */
class FakeNotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    /** Registers the service; false when the bus refuses it. */
    [[nodiscard]] static bool start(FakeNotificationServer *server, QThread *thread);
    static void stop(FakeNotificationServer *server, QThread *thread);

public Q_SLOTS:
    QStringList GetCapabilities();
    QString GetServerInformation(QString &vendor, QString &version, QString &specVersion);
    uint Notify(const QString &application,
                uint replacesId,
                const QString &icon,
                const QString &summary,
                const QString &body,
                const QStringList &actions,
                const QVariantMap &hints,
                int timeout);
    void CloseNotification(uint id);

Q_SIGNALS:
    void NotificationClosed(uint id, uint reason);
    void ActionInvoked(uint id, const QString &action);
    /** Not on the bus: a notification came, from @p application. */
    void shown(const QString &application, const QString &summary, const QString &body);

private:
    uint m_nextId = 1;
};
