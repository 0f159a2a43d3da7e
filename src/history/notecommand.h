// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>
#include <QUndoCommand>

class LapModel;

/** A lap note edited in the table; the edit has happened when the command is pushed. */
class NoteCommand : public QUndoCommand
{
public:
    NoteCommand(LapModel *laps, int row, const QString &previousNote);

    void undo() override;
    void redo() override;

private:
    LapModel *m_laps;
    const int m_row;
    const QString m_previousNote;
    const QString m_note;
    bool m_done = true;
};
