// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "adjusttimecommand.h"

#include "lapmodel.h"
#include "stopwatch.h"

#include <KLocalizedString>

AdjustTimeCommand::AdjustTimeCommand(Stopwatch *stopwatch, LapModel *laps, int milliseconds)
    : m_stopwatch(stopwatch)
    , m_laps(laps)
    , m_milliseconds(milliseconds)
{
    setText(i18nc("@action name of an undo step", "Adjust Time"));
}

void AdjustTimeCommand::undo()
{
    move(-m_milliseconds);
}

void AdjustTimeCommand::redo()
{
    move(m_milliseconds);
}

void AdjustTimeCommand::move(int milliseconds)
{
    // A running stopwatch only ever gains time, so the way back stays in range; should
    // the clock still refuse, the laps stay where they are with it.
    if (m_stopwatch->adjust(milliseconds)) {
        m_laps->shiftTimes(milliseconds);
    } else {
        qWarning() << "The stopwatch refused to move its time by" << milliseconds << "ms";
    }
}
