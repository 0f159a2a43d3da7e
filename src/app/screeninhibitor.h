// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QObject>

class QDBusPendingCallWatcher;

/**
 * Keeps the desktop's screen saver from blanking the screen while a stopwatch runs.
 *
 * The owner only says what it wants (inhibit() or release()); the replies of the screen
 * saver arrive later and in any order relative to the user's clicks. So at most one
 * request is on its way at a time, and when its reply comes the next request, if any,
 * is chosen from the latest wish and the cookie actually held. A refused request is not
 * repeated until the wish changes again.
 */
class ScreenInhibitor : public QObject
{
    Q_OBJECT

public:
    explicit ScreenInhibitor(QObject *parent = nullptr);
    /** Withdraws an inhibition still held, or still on its way, so none outlives the window. */
    ~ScreenInhibitor() override;

    /** Whether the screen saver has granted an inhibition that is not withdrawn yet. */
    [[nodiscard]] bool isInhibited() const;
    /** Whether a request waits for its reply. */
    [[nodiscard]] bool isBusy() const;

public Q_SLOTS:
    void inhibit();
    void release();

Q_SIGNALS:
    /** The last reply arrived and nothing more is to be sent. */
    void settled();

private:
    void sendNext();
    void slotInhibitFinished(QDBusPendingCallWatcher *watcher);
    void slotUnInhibitFinished(QDBusPendingCallWatcher *watcher);

    quint32 m_cookie = 0;
    bool m_wanted = false;
    QDBusPendingCallWatcher *m_pending = nullptr;
};
