// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QObject>
#include <QPointer>

#include <memory>

class KConfigGroup;
class KMainWindow;
class QAbstractItemModel;
class QLockFile;
class RecoverableWindow;
class RecoveryNotice;
class Stopwatch;
struct WindowSnapshot;

/**
 * Keeps one window's unsaved times in a small file of its own in the state folder, so
 * that a crash, a kill or a power cut loses nothing.
 *
 * The file is rewritten whole (write, sync, rename) after every change the user makes:
 * start, pause, resume, reset, a lap, a note, a save or a new name. A running stopwatch
 * causes no writes by itself; its time is recorded against the monotonic clock and
 * computed anew when the file is read.
 *
 * The window's process holds a lock file beside the journal for as long as the window
 * lives. A journal whose lock has no living owner was left behind by a process that
 * ended unexpectedly; WindowRecovery brings such windows back. A window that closes
 * normally removes its journal; one that is merely destroyed (the process is being torn
 * down) leaves it for the next start.
 *
 * On logout the session manager keeps the same record in the session's configuration
 * (saveProperties/readProperties).
 */
class RecoveryJournal : public QObject
{
    Q_OBJECT

public:
    /** Locks a new journal for @p window, which is also its @p state; nothing is written yet. */
    RecoveryJournal(KMainWindow *window, RecoverableWindow *state);
    ~RecoveryJournal() override;

    /** Records the window again after each change that these objects announce. */
    void followChangesOf(Stopwatch *stopwatch, QAbstractItemModel *laps);

    /** The window closed normally: its times were saved or given up on purpose. */
    void remove();

    /**
     * Shows @p snapshot, left behind by an ended process under @p id, in this window and
     * continues that journal under the lock that the caller took over.
     */
    void recover(const QString &id, std::unique_ptr<QLockFile> lock, const WindowSnapshot &snapshot);

    /** Writes any pending change now. */
    void flush();

    void saveProperties(KConfigGroup &group);
    void readProperties(const KConfigGroup &group);

    [[nodiscard]] QString id() const;
    [[nodiscard]] QString fileName() const;

    [[nodiscard]] static QString directory();
    [[nodiscard]] static QString fileNameFor(const QString &id);
    [[nodiscard]] static QString lockFileNameFor(const QString &id);
    /** A lock as every journal takes it: held until released, whatever its age. */
    [[nodiscard]] static std::unique_ptr<QLockFile> lockFor(const QString &id);
    /** Takes @p lock unless a living process holds it. */
    [[nodiscard]] static bool takeLock(QLockFile &lock);

Q_SIGNALS:
    /** The journal file was brought up to date, or removed because nothing is left to keep. */
    void written();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void scheduleWrite();
    void write();
    void reportWriteFailure(const QString &reason);
    void showRecoveredNotice(const WindowSnapshot &recorded, const WindowSnapshot &continued);
    void adopt(const QString &id, std::unique_ptr<QLockFile> lock);
    void applyHeld(const WindowSnapshot &snapshot);

    KMainWindow *m_window;
    RecoverableWindow *m_state;
    QString m_id;
    // Null when the folder could not be used: the window works on, unprotected.
    std::unique_ptr<QLockFile> m_lock;
    bool m_writePending = false;
    bool m_holdWrites = false;
    bool m_removed = false;
    QPointer<RecoveryNotice> m_failureNotice;
};
