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
    enum class ReplyOrder {
        AsCalled,
        NewestFirst,
    };

    /** Calls as "Inhibit <application> <cookie handed out>" and "UnInhibit <cookie>". */
    [[nodiscard]] QStringList calls() const;
    /** Cookies handed out and not withdrawn, whether or not their reply was sent yet. */
    [[nodiscard]] QList<uint> activeCookies() const;

    void setFailing(bool failing);
    /** Holds back the replies to Inhibit and UnInhibit until releaseHeldReplies(). */
    void setHoldingReplies(bool holding);
    [[nodiscard]] int heldReplyCount() const;
    /** Thread-safe: sends the replies held back so far. */
    void releaseHeldReplies(ReplyOrder order = ReplyOrder::AsCalled);

public Q_SLOTS:
    uint Inhibit(const QString &application, const QString &reason);
    void UnInhibit(uint cookie);

private:
    mutable QMutex m_mutex;
    QStringList m_calls;
    QList<uint> m_activeCookies;
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
