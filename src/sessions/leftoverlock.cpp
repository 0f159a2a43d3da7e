// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "leftoverlock.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QMutex>
#include <QString>
#include <QTimeZone>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace
{
// A living process creates the lock file first and takes its kernel lock a moment later.
// An empty file younger than this may be in that moment, and removing it would let two
// processes believe they hold the lock.
constexpr qint64 creationGraceMilliseconds = 2000;

// Tells the file found now from one that took its place under the same name.
QByteArray identityOf(const QString &fileName)
{
    struct stat info{};
    if (::stat(QFile::encodeName(fileName).constData(), &info) != 0) {
        return {};
    }
    return QByteArray::number(quint64(info.st_dev)) + ':' + QByteArray::number(quint64(info.st_ino)) + ':' + QByteArray::number(qint64(info.st_ctim.tv_sec))
        + '.' + QByteArray::number(qint64(info.st_ctim.tv_nsec));
}

// Since when this process has found each empty lock file as it is, on the monotonic clock.
class Sightings
{
public:
    // How long the file @p identity has been seen under @p fileName; 0 when it is new here.
    qint64 seenFor(const QString &fileName, const QByteArray &identity)
    {
        const QMutexLocker locker(&m_mutex);
        Sighting &sighting = m_sightings[fileName];
        if (sighting.identity != identity || !sighting.since.isValid()) {
            sighting.identity = identity;
            sighting.since.start();
            return 0;
        }
        return sighting.since.elapsed();
    }

    void forget(const QString &fileName)
    {
        const QMutexLocker locker(&m_mutex);
        m_sightings.remove(fileName);
    }

private:
    struct Sighting {
        QByteArray identity;
        QElapsedTimer since;
    };
    QMutex m_mutex;
    QHash<QString, Sighting> m_sightings;
};

Q_GLOBAL_STATIC(Sightings, sightings)

// Whether the empty file is past the moment its creator may still be in. Its time tells the
// age at once, unless the wall clock went back since: a file from the future may be of any
// age, and a young one may be older than it seems. Then it counts from when this process
// first found it, on a clock that never goes back.
bool isPastCreation(const QString &fileName)
{
    const QByteArray identity = identityOf(fileName);
    if (identity.isEmpty()) {
        return false;
    }
    const qint64 seen = sightings->seenFor(fileName, identity);
    const QDateTime modified = QFileInfo(fileName).lastModified(QTimeZone::UTC);
    const qint64 age = modified.isValid() ? modified.msecsTo(QDateTime::currentDateTimeUtc()) : -1;
    return age >= creationGraceMilliseconds || seen >= creationGraceMilliseconds;
}

bool removeIfLeftEmpty(QLockFile &lock)
{
    qint64 pid = 0;
    QString host;
    QString application;
    if (lock.error() != QLockFile::LockFailedError || lock.getLockInfo(&pid, &host, &application)) {
        sightings->forget(lock.fileName());
        return false;
    }
    if (!isPastCreation(lock.fileName()) || !lock.removeStaleLockFile()) {
        return false;
    }
    sightings->forget(lock.fileName());
    return true;
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
