// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QObject>

class LapModel;
class Stopwatch;

/**
 * The lap a stopwatch is in now: the one that ends with the next Lap.
 *
 * It starts where the last stored lap ended, so it follows every change to the laps (a lap
 * taken, undone, deleted, merged, imported, every time moved by an adjustment) without a
 * clock of its own. Whoever shows it takes the stopwatch's ticks and asks for elapsed().
 */
class RunningLap : public QObject
{
    Q_OBJECT

public:
    RunningLap(Stopwatch *stopwatch, LapModel *laps, QObject *parent = nullptr);

    /** False while the stopwatch is reset: there is no lap to be in. */
    [[nodiscard]] bool isActive() const;
    /** The number the lap will have once it is taken. */
    [[nodiscard]] int number() const;
    /** Its start as time since the start of the run, in milliseconds. */
    [[nodiscard]] int start() const;
    /** Its time so far when the run stands at @p total milliseconds; never below zero. */
    [[nodiscard]] int elapsed(int total) const;
    /** Its time so far at this moment. */
    [[nodiscard]] int elapsed() const;

Q_SIGNALS:
    /** The lap's number, its start or whether there is one changed; ticks are not changes. */
    void changed();

private:
    void update();

    Stopwatch *m_stopwatch;
    LapModel *m_laps;
    bool m_active = false;
    int m_number = 1;
    int m_start = 0;
};
