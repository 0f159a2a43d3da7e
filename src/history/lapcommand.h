// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "lap.h"

#include <QUndoCommand>

class LapModel;

/**
 * A lap taken. The lap is in the table before the command is pushed, so the first redo
 * does nothing; undoing it takes the last lap out, which hands its time back to the lap
 * that follows it, the running one included.
 */
class LapCommand : public QUndoCommand
{
public:
    LapCommand(LapModel *laps, int row);

    void undo() override;
    void redo() override;

private:
    LapModel *m_laps;
    const int m_row;
    Lap m_lap;
    bool m_done = true;
};
