// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "dbustypes.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QHash>
#include <QObject>

class ControlService;
class StopwatchControl;
class WindowObject;

/**
 * The program on the session bus: "/Application" lists the windows, and each window's
 * stopwatch is an object "/Windows/<n>", numbered from 1 in the order the windows opened
 * and never reused while the program runs.
 */
class ApplicationObject : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_PROPERTY(QList<QDBusObjectPath> Windows READ windows)
    Q_PROPERTY(QDBusObjectPath ActiveWindow READ activeWindow)

public:
    ApplicationObject(ControlService *service, const QDBusConnection &connection);
    ~ApplicationObject() override;

    /** Whether the objects are on the bus; without a bus the program simply has none. */
    [[nodiscard]] bool isRegistered() const;

    [[nodiscard]] QList<QDBusObjectPath> windows() const;
    [[nodiscard]] QDBusObjectPath activeWindow() const;
    [[nodiscard]] QDBusObjectPath pathOf(StopwatchControl *control) const;

public Q_SLOTS:
    QDBusObjectPath NewWindow();
    bool OpenSession(const QString &name);
    QDBusObjectPath NewRun(const QString &name);
    SessionEntryList Sessions();

Q_SIGNALS:
    void WindowAdded(const QDBusObjectPath &window);
    void WindowRemoved(const QDBusObjectPath &window);
    void ActiveWindowChanged(const QDBusObjectPath &window);

private:
    void slotAdded(StopwatchControl *control);
    void slotRemoved(StopwatchControl *control);

    ControlService *m_service;
    QDBusConnection m_connection;
    bool m_registered = false;
    int m_lastNumber = 0;
    QHash<StopwatchControl *, QString> m_paths;
    QHash<StopwatchControl *, WindowObject *> m_objects;
};
