// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QUndoCommand>

class LapModel;
class Stopwatch;

/**
 * The whole run moved by an amount: the elapsed time, the running lap and every lap's
 * time since the start. The caller has checked that nothing leaves the range.
 */
class AdjustTimeCommand : public QUndoCommand
{
public:
    AdjustTimeCommand(Stopwatch *stopwatch, LapModel *laps, int milliseconds);

    void undo() override;
    void redo() override;

private:
    void move(int milliseconds);

    Stopwatch *m_stopwatch;
    LapModel *m_laps;
    const int m_milliseconds;
};
