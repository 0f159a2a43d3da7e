// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTimer>

class LapModel;
class QWidget;
class RunComparison;
class RunningLap;
class Stopwatch;

/**
 * The lap alerts of one window, sent as desktop notifications: a lap that runs past its
 * target, and a lap taken that is faster than every lap before it in the run.
 *
 * The target alert costs nothing per tick: one single-shot timer is set for the moment the
 * running lap reaches its target and set anew whenever that moment moves (start, pause,
 * a lap, an edit or undo of laps, an adjusted time, another target). It runs whether the
 * window is shown or not, so it also fires while the display's ticks are suspended, and
 * nothing is set while the stopwatch is paused or reset. Each lap alerts at most once: a
 * lap is known by its number and its start, so undoing a lap that already alerted brings
 * back a lap that does not alert again, and an adjusted time, which moves every start,
 * moves the remembered ones with it.
 *
 * The target is the window's own, or, while a comparison is chosen and asked for, the
 * compared run's lap at the same position (the window's own past the compared laps).
 */
class LapAlerts : public QObject
{
    Q_OBJECT

public:
    /** @p runningLap is the lap @p stopwatch is in, following @p laps. */
    LapAlerts(Stopwatch *stopwatch, LapModel *laps, RunningLap *runningLap, QObject *parent = nullptr);

    /** The target from the settings, in milliseconds, 0 for none; until the window has
     *  one of its own. */
    void setDefaultTarget(int milliseconds);
    /** The window's own target, in milliseconds; 0 for none. */
    void setTarget(int milliseconds);
    [[nodiscard]] int target() const;

    /** Where the compared run's laps come from. */
    void setComparison(RunComparison *comparison);
    void setUseComparedLaps(bool use);
    [[nodiscard]] bool usesComparedLaps() const;

    /** The target lap @p number is held to now, 0 for none. */
    [[nodiscard]] int targetOf(int number) const;

    /** Notifications name the window they come from. */
    void setWindow(QWidget *window);

Q_SIGNALS:
    /** Lap @p number ran past its target of @p target milliseconds. */
    void lapOverTarget(int number, int target);
    /** Lap @p number took @p lapTime milliseconds, less than the @p previousFastest before it. */
    void newFastestLap(int number, int lapTime, int previousFastest);

private:
    void plan();
    void slotTargetReached();
    // Whether the running lap, numbered @p number, has alerted already.
    [[nodiscard]] bool hasAlerted(int number) const;
    void slotLapTaken(int taken);
    void notify(const QString &event, const QString &title, const QString &text);
    [[nodiscard]] int fastestOfFirst(int count);
    void forgetFastestFrom(int row);

    Stopwatch *m_stopwatch;
    LapModel *m_laps;
    RunningLap *m_runningLap;
    QPointer<RunComparison> m_comparison;
    QPointer<QWidget> m_window;
    QTimer m_timer;
    int m_defaultTarget = 0;
    int m_target = 0;
    bool m_targetChosen = false;
    bool m_useComparedLaps = false;
    // Lap number to the start of the lap that alerted under that number.
    QHash<int, int> m_alerted;
    // The fastest lap time among the first m_fastestRows laps, kept from lap to lap so that
    // taking a lap costs the same in a run of any length.
    int m_fastestRows = 0;
    int m_fastest = 0;
};
