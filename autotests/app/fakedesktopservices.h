// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QMutex>
#include <QObject>
#include <QStringList>
#include <QThread>

#include <memory>

/**
 * Stands in for the desktop's screen saver (session bus) and login manager (system bus).
 *
 * It serves from a thread of its own: the window's D-Bus interface introspects the
 * service synchronously when it is created, which a service on the test's own thread
 * could never answer.
 */
class FakeScreenSaver : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    /** Calls as "Inhibit <application> <cookie handed out>" and "UnInhibit <cookie>". */
    [[nodiscard]] QStringList calls() const;

    void setFailing(bool failing);
    /** Holds back Inhibit replies until releaseHeldReplies(). */
    void setHoldingReplies(bool holding);
    /** Thread-safe: sends the replies held back so far. */
    void releaseHeldReplies();

public Q_SLOTS:
    uint Inhibit(const QString &application, const QString &reason);
    void UnInhibit(uint cookie);

private:
    mutable QMutex m_mutex;
    QStringList m_calls;
    QList<QDBusMessage> m_heldReplies;
    uint m_nextCookie = 1;
    bool m_failing = false;
    bool m_holding = false;
};

class FakeDesktopServices
{
public:
    FakeDesktopServices();
    ~FakeDesktopServices();

    [[nodiscard]] bool isValid() const;
    [[nodiscard]] FakeScreenSaver *screenSaver() const;
    void announceSleep(bool beforeSleep);

private:
    QThread m_thread;
    std::unique_ptr<FakeScreenSaver> m_screenSaver;
    bool m_valid = false;
};
