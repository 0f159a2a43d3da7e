// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

class QLockFile;

namespace LeftoverLock
{
/**
 * Removes @p lock's file when a process was killed while it created it and so left it
 * empty. Such a file names no owner whose death would show it stale, and it would block
 * the file it guards for the stale lock time, or for ever where locks never age. A living
 * owner holds a kernel lock on the file, which keeps it from being removed here; an empty
 * file only seconds old is left alone, since its creator may not have taken that lock yet.
 * After the wall clock went back, a file's time says nothing of its age: such a file is
 * removed once this process has found it empty for those seconds.
 *
 * The same goes for the companion file QLockFile creates while it removes a stale lock,
 * which would otherwise keep the stale lock from being taken over until it ages.
 *
 * Call it after a failed tryLock(); returns whether @p lock's own file was removed.
 */
bool removeIfEmpty(QLockFile &lock);
}
