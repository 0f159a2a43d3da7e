// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QObject>

#include <functional>

class KActionCollection;
class LapModel;
class QAction;
class Stopwatch;

/**
 * The actions that drive a window's stopwatch: Start (which says Resume once paused), Pause,
 * Reset, Lap and Export Laps, with their texts, icons and shortcuts.
 *
 * Start, Pause and Lap reach the stopwatch directly; Reset and Export Laps are left to the
 * window to connect. Which of them are enabled follows the GUI states of the window's ui.rc
 * file; this class names the state for each change of the stopwatch through
 * guiStateChanged(), since only the window can switch its states.
 */
class StopwatchActions : public QObject
{
    Q_OBJECT

public:
    /** @p hasSession tells whether the window's times are kept in a stored session. */
    StopwatchActions(Stopwatch *stopwatch, LapModel *laps, std::function<bool()> hasSession, KActionCollection *collection, QObject *parent);

    [[nodiscard]] QAction *start() const;
    [[nodiscard]] QAction *pause() const;
    [[nodiscard]] QAction *reset() const;
    [[nodiscard]] QAction *lap() const;
    [[nodiscard]] QAction *exportLaps() const;

    /** Without lap recording, Lap and Export Laps are not offered at all. */
    void setLapsRecording(bool recording);

    /** Shows the stopwatch as paused; also for paused times loaded, which it does not announce. */
    void showPaused();
    void showInactive();

Q_SIGNALS:
    /** The window is to switch to the GUI state @p state of its ui.rc file. */
    void guiStateChanged(const QString &state);

private:
    void showRunning();
    void slotNoteEdited();

    Stopwatch *m_stopwatch;
    LapModel *m_laps;
    std::function<bool()> m_hasSession;
    QAction *m_start;
    QAction *m_pause;
    QAction *m_reset;
    QAction *m_lap;
    QAction *m_export;
};
