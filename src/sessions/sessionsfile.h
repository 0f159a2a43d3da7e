// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "session.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class QFileSystemWatcher;
class QLockFile;
class QTimer;

/**
 * The file that holds the saved sessions, shared by every Tickwarden process of the user.
 *
 * A change is one cycle under the lock beside the file: lock(), then takeStored() for what
 * other processes stored since the last look, then write(), then the lock goes. Between
 * changes, changedOutside() tells when the file may have been replaced, and takeReplaced()
 * fetches what it holds then.
 *
 * The file remembers the text it last took in or wrote, so that its own writes and files
 * that did not change are not read as news. A file whose content cannot be taken whole is
 * never written over: the first write of a cycle moves it aside under a name that tells
 * since when.
 */
class SessionsFile : public QObject
{
    Q_OBJECT

public:
    // What takeStored() found.
    enum class Look {
        // The sessions are those last taken in or written, or there are none to take: the
        // file is missing, or unusable and kept aside.
        Unchanged,
        // Another process stored the sessions given back.
        Changed,
        // An unusable file could not be kept aside; errorString() tells why.
        Failed,
    };

    explicit SessionsFile(const QString &fileName, QObject *parent = nullptr);
    ~SessionsFile() override;

    [[nodiscard]] QString fileName() const;
    // "sessions.json" in the writable application data directory.
    [[nodiscard]] static QString userFileName();

    // Every session that can be taken from the file as it is now, also from an unusable
    // one, and starts watching it. Nothing is written, kept aside or locked.
    [[nodiscard]] QList<Session> load();

    // The lock of one change, creating the folders up to the file first; null, with
    // errorString(), when another process keeps it longer than a change takes or it cannot
    // be created. The lock is released when the pointer goes.
    [[nodiscard]] std::unique_ptr<QLockFile> lock();

    // Under the lock: sets @p stored to what the file holds when that is not what was last
    // taken in or written. An unusable file is moved out of the way first, so that the next
    // write cannot destroy what it holds.
    [[nodiscard]] Look takeStored(QList<Session> *stored);
    // Between changes, without the lock: like takeStored(), but only when the file was
    // replaced since the last look, and an unusable file stays where it is for the next
    // change to deal with. True when @p stored was set.
    [[nodiscard]] bool takeReplaced(QList<Session> *stored);

    // Replaces the file by @p sessions atomically; false, with errorString(), when the old
    // content stays. Under the lock only.
    [[nodiscard]] bool write(const QList<Session> &sessions);

    // Why the last lock(), takeStored() or write() failed.
    [[nodiscard]] QString errorString() const;

Q_SIGNALS:
    // The file or its folder changed on disk, perhaps by this process; a burst of changes
    // comes as one signal.
    void changedOutside();

private:
    void watch();

    const QString m_fileName;
    // Identifies the file text last taken in or written; empty while that was unusable.
    QByteArray m_textHash;
    QByteArray m_fileStamp;
    QString m_errorString;
    QFileSystemWatcher *m_watcher = nullptr;
    QTimer *m_refreshTimer = nullptr;
};
