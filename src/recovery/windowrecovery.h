// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "windowsnapshot.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class KMainWindow;
class QLockFile;

/**
 * Decides which windows a starting process opens: those the session manager saved at
 * logout, then those whose process ended unexpectedly, and a fresh one when there are
 * none of either.
 */
class WindowRecovery
{
public:
    /** A journal without a living owner, now locked by this process. */
    struct Abandoned {
        QString id;
        std::unique_ptr<QLockFile> lock;
        WindowSnapshot snapshot;
    };

    struct Findings {
        std::vector<Abandoned> journals;
        // One message per journal that could not be read and was put aside.
        QStringList problems;
    };

    /**
     * Opens and shows the windows to start with; each comes from @p createWindow, which
     * makes a fresh window holding a RecoveryJournal. Never returns an empty list.
     */
    static QList<KMainWindow *> reopenWindows(const std::function<KMainWindow *()> &createWindow);

    /** Restores and shows the windows of the session manager's session configuration. */
    static QList<KMainWindow *> restoreSavedWindows(const std::function<KMainWindow *()> &createWindow);

    /**
     * Takes over every journal in the journal folder whose owner is gone. Journals of
     * living processes are left to them, so two processes starting together never take
     * the same one. Unreadable journals are renamed with a ".broken-<date>-<time>" suffix.
     */
    static Findings takeOverAbandoned();
};
