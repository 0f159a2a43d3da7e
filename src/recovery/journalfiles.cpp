// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "journalfiles.h"

#include "journalrecords.h"
#include "leftoverlock.h"

#include <KLocalizedString>

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSaveFile>
#include <QUuid>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace
{
QByteArray readAll(const QString &fileName, QString *reason)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString();
        return {};
    }
    // Far above the journal of any real run (a million laps take about 100 MB), and it
    // keeps a file that is not a journal, or one that grows without end, from taking all
    // memory; such a file is kept aside like any damaged one.
    constexpr qint64 maximumSize = 256 * 1024 * 1024;
    if (file.size() > maximumSize) {
        *reason = i18n("The file is larger than any journal Tickwarden writes.");
        return {};
    }
    QByteArray bytes = file.read(maximumSize + 1);
    if (bytes.size() > maximumSize) {
        *reason = i18n("The file is larger than any journal Tickwarden writes.");
        return {};
    }
    if (file.error() != QFileDevice::NoError) {
        *reason = file.errorString();
        return {};
    }
    return bytes;
}
}

bool JournalFiles::isJournalId(const QString &id)
{
    // Ids end up in file names; anything but the form they are made in could point elsewhere.
    return !QUuid::fromString(id).isNull() && QUuid::fromString(id).toString(QUuid::WithoutBraces) == id;
}

bool JournalFiles::saveWhole(const QString &fileName, const QByteArray &bytes, QString *failure)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        *failure = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        // A write cut short by a full disk need not set an error; the reason is read
        // before cancelling, which resets it.
        *failure = file.error() != QFileDevice::NoError ? file.errorString() : i18n("Only part of it could be written.");
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *failure = file.errorString();
        return false;
    }
    return true;
}

bool JournalFiles::syncData(int fd)
{
#ifdef Q_OS_LINUX
    return ::fdatasync(fd) == 0;
#else
    return ::fsync(fd) == 0;
#endif
}

// A rename is only as safe as the folder that records it.
void JournalFiles::syncFolder(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    ::fsync(fd);
    ::close(fd);
}

void JournalFiles::removeFile(const QString &fileName)
{
    if (QFile::exists(fileName) && !QFile::remove(fileName)) {
        qWarning().nospace() << "cannot remove the recovery journal " << fileName;
    }
}

std::optional<WindowSnapshot> JournalFiles::read(const QString &fileName, const QString &recordsFileName, QString *reason, QString *damagedFile)
{
    QString ignored;
    damagedFile = damagedFile ? damagedFile : &ignored;
    *damagedFile = fileName;
    QString failure;
    const QByteArray bytes = readAll(fileName, &failure);
    if (!failure.isEmpty()) {
        *reason = failure;
        return std::nullopt;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        *reason = error.errorString();
        return std::nullopt;
    }
    const QJsonObject json = document.object();
    std::optional<WindowSnapshot> snapshot = WindowSnapshot::fromJson(json);
    const QJsonValue generation = json.value(u"records"_s);
    if (!snapshot || (json.contains(u"records"_s) && !generation.isString())) {
        *reason = i18n("The file does not hold the times of a window.");
        return std::nullopt;
    }
    // Without a generation, the snapshot was written whole by an earlier version; its
    // records file, if one is left, was written since and must not be applied to it.
    // Without a record file, the snapshot was written and the process ended before it
    // could start one; it holds everything.
    if (!generation.isString() || !QFileInfo::exists(recordsFileName)) {
        return snapshot;
    }
    *damagedFile = recordsFileName;
    const QByteArray records = readAll(recordsFileName, &failure);
    if (!failure.isEmpty()) {
        *reason = failure;
        return std::nullopt;
    }
    if (!JournalRecords::apply(records, generation.toString(), *snapshot, reason)) {
        return std::nullopt;
    }
    return snapshot;
}

std::unique_ptr<QLockFile> JournalFiles::lockFor(const QString &lockFileName)
{
    auto lock = std::make_unique<QLockFile>(lockFileName);
    // Only a dead owner makes a lock stale: a stopwatch may run for weeks.
    lock->setStaleLockTime(0);
    return lock;
}

bool JournalFiles::takeLock(QLockFile &lock)
{
    if (lock.tryLock(0)) {
        return true;
    }
    // Journal locks never age, so a leftover from a process killed while locking would
    // keep its journal from ever being recovered.
    return LeftoverLock::removeIfEmpty(lock) && lock.tryLock(0);
}
