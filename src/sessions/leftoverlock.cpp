// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "leftoverlock.h"

#include <QLockFile>
#include <QString>

bool LeftoverLock::removeIfEmpty(QLockFile &lock)
{
    qint64 pid = 0;
    QString host;
    QString application;
    if (lock.error() == QLockFile::LockFailedError && !lock.getLockInfo(&pid, &host, &application)) {
        return lock.removeStaleLockFile();
    }
    return false;
}
