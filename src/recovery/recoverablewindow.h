// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

struct WindowSnapshot;

/**
 * What a window offers so that its times can outlive the process: it hands out its state
 * and takes one back. The recovery journal records the first and, after a crash or a
 * logout, feeds the second.
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
     * Shows @p snapshot as if the user had just got there: a running snapshot runs on from
     * its time. An empty snapshot leaves a fresh, untitled window.
     */
    virtual void applySnapshot(const WindowSnapshot &snapshot) = 0;
};
