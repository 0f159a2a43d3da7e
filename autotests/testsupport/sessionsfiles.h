// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "filecontents.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

// No QTest here: the fuzz targets use these too, and they are built without Qt Test.

inline QString dataDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
}

inline QString sessionsPath()
{
    using namespace Qt::Literals::StringLiterals;
    return dataDir() + u"/sessions.json"_s;
}

/**
 * Moves the store's data folder below the .qttest folder of HOME; false when it is not
 * there, so that a mistaken setup stops before it can touch a real sessions file.
 */
[[nodiscard]] inline bool useTestDataDir()
{
    using namespace Qt::Literals::StringLiterals;
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"tickwarden"_s);
    return dataDir().contains(u"/.qttest/"_s);
}

/** Starts from an empty data folder, so that nothing one test left behind reaches the next. */
[[nodiscard]] inline bool makeEmptyDataDir()
{
    return QDir(dataDir()).removeRecursively() && QDir().mkpath(dataDir());
}

inline QStringList keptAside()
{
    using namespace Qt::Literals::StringLiterals;
    return QDir(dataDir()).entryList({u"sessions.json.broken-*"_s}, QDir::AllEntries | QDir::Hidden | QDir::System, QDir::Name);
}

// Hidden and special files too: a save must leave nothing behind, of whatever kind.
inline QStringList dataDirEntries()
{
    return QDir(dataDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}
