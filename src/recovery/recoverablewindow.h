// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

class QString;
struct WindowSnapshot;

/**
 * What a window offers so that its times can outlive the process: it hands out its state
 * and takes one back. The recovery journal records the first and, after a crash or a
 * logout, feeds the second; the window's history replaces one run by another with it.
 * Each way in says what it does to that history.
 */
class RecoverableWindow
{
public:
    virtual ~RecoverableWindow();

    [[nodiscard]] virtual WindowSnapshot snapshot() const = 0;

    /**
     * The snapshot without its laps, for the journal's record of each action, which takes
     * the laps that changed from the lap model itself. A window with many laps answers it
     * without going through them; by default they are taken and dropped.
     */
    [[nodiscard]] virtual WindowSnapshot snapshotWithoutLaps() const;

    /**
     * Takes @p recorded, left by an ended process or kept at logout, as the window's start:
     * the window's history begins anew, with nothing to undo. A stopwatch recorded running
     * counts on from the moment recorded with it (WindowSnapshot::continuedAt()).
     */
    virtual void restoreRun(const WindowSnapshot &recorded) = 0;

    /**
     * Shows @p run as a step of the window's history, done or undone; the history is the
     * caller's and is left alone. An empty run leaves a fresh, untitled window.
     */
    virtual void applyHistoryStep(const WindowSnapshot &run) = 0;

    /**
     * Drops the window's run as a new step of its history, named @p text, which an undo
     * brings back as it does a Reset; false when there is no run.
     */
    virtual bool discardRun(const QString &text) = 0;
};
