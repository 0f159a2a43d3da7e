// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "windowsnapshot.h"

#include <QString>

#include <memory>
#include <optional>

class QByteArray;
class QLockFile;

/**
 * The file work of the recovery journal that does not depend on any one window: writing a
 * file whole, syncing what was written, reading a snapshot with its records back, and the
 * locks that tell a living journal from one left behind.
 */
class JournalFiles
{
public:
    /** Whether @p id has the form journal ids are made in, and so is safe in a file name. */
    [[nodiscard]] static bool isJournalId(const QString &id);

    /** Writes @p bytes as the whole of @p fileName, replacing the old file only once all of it is written. */
    [[nodiscard]] static bool saveWhole(const QString &fileName, const QByteArray &bytes, QString *failure);
    /** Puts the data written through @p fd on the disk. */
    [[nodiscard]] static bool syncData(int fd);
    /** Puts the renames in the folder @p path on the disk, as far as the system allows. */
    static void syncFolder(const QString &path);
    /** Removes @p fileName if it exists, with a warning when it cannot. */
    static void removeFile(const QString &fileName);

    /**
     * The window kept in the snapshot @p fileName with the records of @p recordsFileName;
     * nullopt with @p reason and the @p damagedFile when either cannot be read.
     */
    [[nodiscard]] static std::optional<WindowSnapshot>
    read(const QString &fileName, const QString &recordsFileName, QString *reason, QString *damagedFile = nullptr);

    /** A lock on @p lockFileName as every journal takes it: held until released, whatever its age. */
    [[nodiscard]] static std::unique_ptr<QLockFile> lockFor(const QString &lockFileName);
    /** Takes @p lock unless a living process holds it. */
    [[nodiscard]] static bool takeLock(QLockFile &lock);
};
