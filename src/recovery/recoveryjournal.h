// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "windowsnapshot.h"

#include <QFile>
#include <QJsonArray>
#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

class KConfigGroup;
class KMainWindow;
class QAbstractItemModel;
class QJsonObject;
class QLockFile;
class QModelIndex;
class QUndoStack;
class RecoverableWindow;
class RecoveryNotice;
class Stopwatch;

/**
 * Keeps one window's unsaved times in two small files of its own in the state folder, so
 * that a crash, a kill or a power cut loses nothing.
 *
 * The snapshot (<id>.json) holds the whole window; the record file (<id>.records) adds one
 * line for every change the user makes after it: start, pause, resume, reset, a lap, a note,
 * a correction, an undo, a save or a new name (see JournalRecords). Each line is appended and synced at once, so a
 * change costs the same with ten laps as with a hundred thousand. When the records outgrow
 * the snapshot, the snapshot is written anew (write, sync, rename) and the record file
 * restarted, which keeps the cost of each change and the time to read the journal in
 * proportion to the laps. A running stopwatch causes no writes by itself; its time is
 * recorded against the monotonic clock and computed anew when the journal is read.
 *
 * A snapshot without a record file, as earlier versions wrote it, is read as it is.
 *
 * The window's process holds a lock file beside the journal for as long as the window
 * lives. A journal whose lock has no living owner was left behind by a process that
 * ended unexpectedly; WindowRecovery brings such windows back. A window that closes
 * normally removes its journal; one that is merely destroyed (the process is being torn
 * down) leaves it for the next start.
 *
 * On logout the session manager keeps the same record in the session's configuration
 * (saveProperties/readProperties).
 *
 * How the files are written whole, synced, read back and locked, whatever window they
 * belong to, is JournalFiles' part; the static functions here name the files of an id.
 */
class RecoveryJournal : public QObject
{
    Q_OBJECT

public:
    /** Locks a new journal for @p window, which is also its @p state; nothing is written yet. */
    RecoveryJournal(KMainWindow *window, RecoverableWindow *state);
    ~RecoveryJournal() override;

    /**
     * Records the window again after each change that these objects announce. A step in
     * the window's @p history after a recovery moves the run on from what was recovered,
     * and Discard is no longer offered.
     */
    void followChangesOf(Stopwatch *stopwatch, QAbstractItemModel *laps, QUndoStack *history);

    /** Records the window again after a change that neither its parts nor its title show. */
    void recordChange();

    /** The window closed normally: its times were saved or given up on purpose. */
    void remove();

    /**
     * Shows @p snapshot, left behind by an ended process under @p id, in this window and
     * continues that journal under the lock that the caller took over. The window offers to
     * discard what was recovered, as an undoable step, until its run moves on.
     */
    void recover(const QString &id, std::unique_ptr<QLockFile> lock, const WindowSnapshot &snapshot);

    /** Writes any pending change now. */
    void flush();

    void saveProperties(KConfigGroup &group);
    void readProperties(const KConfigGroup &group);

    [[nodiscard]] QString id() const;
    /** The snapshot's file. */
    [[nodiscard]] QString fileName() const;
    [[nodiscard]] QString recordsFileName() const;

    [[nodiscard]] static QString directory();
    [[nodiscard]] static QString fileNameFor(const QString &id);
    [[nodiscard]] static QString recordsFileNameFor(const QString &id);
    /**
     * The window kept in the snapshot @p fileName with the records of @p recordsFileName;
     * nullopt with @p reason and the @p damagedFile when either cannot be read.
     */
    [[nodiscard]] static std::optional<WindowSnapshot>
    read(const QString &fileName, const QString &recordsFileName, QString *reason, QString *damagedFile = nullptr);
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
    [[nodiscard]] bool append(const QByteArray &line, QString *failure);
    [[nodiscard]] bool compact(QString *failure);
    void removeFiles();
    void reportWriteFailure(const QString &reason);
    void showRecoveredNotice(const WindowSnapshot &recorded, const WindowSnapshot &continued);
    void withdrawDiscard();
    void adopt(const QString &id, std::unique_ptr<QLockFile> lock);
    void restoreHeld(const WindowSnapshot &recorded);

    [[nodiscard]] bool keepsChanges() const;
    void addChange(const QJsonObject &change);
    void rewriteWhole();
    void lapsInserted(const QModelIndex &parent, int first, int last);
    void lapsRemoved(const QModelIndex &parent, int first, int last);
    void lapsChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight);
    void lapsReset();
    void lapsShifted(int milliseconds);

    KMainWindow *m_window;
    RecoverableWindow *m_state;
    QAbstractItemModel *m_laps = nullptr;
    QString m_id;
    // Null when the folder could not be used: the window works on, unprotected.
    std::unique_ptr<QLockFile> m_lock;
    bool m_writePending = false;
    bool m_holdWrites = false;
    bool m_removed = false;
    QPointer<RecoveryNotice> m_failureNotice;
    // The notice of a recovery while its Discard would drop only what was recovered.
    QPointer<RecoveryNotice> m_recoveredNotice;

    // The changes to the laps since the last write, for the next record.
    QJsonArray m_changes;
    // Set when the files on disk cannot simply be continued: the next write is a new snapshot.
    bool m_rewriteWhole = true;
    // Open for appending while it continues the snapshot on disk.
    QFile m_records;
    // Set from a shift of all lap times until the rows it changed are announced: the record
    // of the amount says all that changed in them.
    bool m_shiftAnnounced = false;
    qint64 m_snapshotBytes = 0;
    qint64 m_recordBytes = 0;
};
