// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "leftoverlock.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLockFile>
#include <QString>

namespace
{
// A living process creates the lock file first and takes its kernel lock a moment later.
// An empty file younger than this may be in that moment, and removing it would let two
// processes believe they hold the lock.
constexpr int creationGraceSeconds = 2;
}

bool LeftoverLock::removeIfEmpty(QLockFile &lock)
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
