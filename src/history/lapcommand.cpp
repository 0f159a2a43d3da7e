// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lapcommand.h"

#include "lapmodel.h"

#include <KLocalizedString>

LapCommand::LapCommand(LapModel *laps, int row)
    : m_laps(laps)
    , m_row(row)
    , m_lap(laps->lap(row))
{
    setText(i18nc("@action name of an undo step: the lap taken", "Lap %1", row + 1));
}

void LapCommand::undo()
{
    // Notes written on the lap afterwards are steps of their own, undone before this one;
    // the lap taken back is the lap as it is now.
    m_lap = m_laps->removeLap(m_row);
    m_done = false;
}

void LapCommand::redo()
{
    if (m_done) {
        return;
    }
    m_laps->insertLap(m_row, m_lap);
    m_done = true;
}
