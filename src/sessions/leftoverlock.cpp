// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "leftoverlock.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLockFile>
#include <QString>

using namespace Qt::Literals::StringLiterals;

namespace
{
// A living process creates the lock file first and takes its kernel lock a moment later.
// An empty file younger than this may be in that moment, and removing it would let two
// processes believe they hold the lock.
constexpr int creationGraceSeconds = 2;

bool removeIfLeftEmpty(QLockFile &lock)
{
    qint64 pid = 0;
    QString host;
    QString application;
    if (lock.error() != QLockFile::LockFailedError || lock.getLockInfo(&pid, &host, &application)) {
        return false;
    }
    const QDateTime modified = QFileInfo(lock.fileName()).lastModified();
    if (!modified.isValid() || modified.secsTo(QDateTime::currentDateTime()) < creationGraceSeconds) {
        return false;
    }
    return lock.removeStaleLockFile();
}
}

bool LeftoverLock::removeIfEmpty(QLockFile &lock)
{
    // QLockFile guards its own removal of a stale lock with a second lock file beside it. A
    // process killed while creating that one leaves it empty as well, and until it ages no
    // other process may take over the stale lock: saves failed meanwhile.
    const QString removerName = lock.fileName() + u".rmlock"_s;
    if (QFileInfo::exists(removerName)) {
        QLockFile remover(removerName);
        remover.setStaleLockTime(0);
        if (remover.tryLock(0)) {
            remover.unlock();
        } else {
            removeIfLeftEmpty(remover);
        }
    }
    return removeIfLeftEmpty(lock);
}
