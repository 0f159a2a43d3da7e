// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "notecommand.h"

#include "lapmodel.h"

#include <KLocalizedString>

NoteCommand::NoteCommand(LapModel *laps, int row, const QString &previousNote)
    : m_laps(laps)
    , m_row(row)
    , m_previousNote(previousNote)
    , m_note(laps->lap(row).note())
{
    setText(i18nc("@action name of an undo step", "Note on Lap %1", row + 1));
}

void NoteCommand::undo()
{
    m_laps->setNote(m_row, m_previousNote);
    m_done = false;
}

void NoteCommand::redo()
{
    if (m_done) {
        return;
    }
    m_laps->setNote(m_row, m_note);
    m_done = true;
}
