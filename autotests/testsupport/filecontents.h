// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>

/** The whole content of a file; a null array when it cannot be read. */
inline QByteArray contents(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

/**
 * Whether all of @p bytes reached the file. The flush matters on a nearly full disk, where
 * the write can land in the buffer and only emptying it fails.
 */
[[nodiscard]] inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

/**
 * Makes the file look a minute old, as a file left behind by a process that ended a while
 * ago does.
 */
[[nodiscard]] inline bool backdate(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime);
}
