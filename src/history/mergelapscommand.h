// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "lap.h"

#include <QList>
#include <QUndoCommand>

class LapModel;

/**
 * Laps taken out of the table with their time handed on: each lap's time goes to the lap
 * after it (the running lap after the last one), so the time since the start of every
 * later lap stays. The lap after it keeps both notes. Deleting a lap and merging a lap
 * with the previous one are both this: the end of one lap is taken away.
 */
class MergeLapsCommand : public QUndoCommand
{
public:
    /** Takes out the laps of @p rows, distinct rows of the table in any order. */
    MergeLapsCommand(LapModel *laps, const QList<int> &rows, const QString &text);

    void undo() override;
    void redo() override;

    /** The notes of two laps made one, both kept in the order taken. */
    [[nodiscard]] static QString joinedNotes(const QString &first, const QString &second);

private:
    struct Step {
        int row = 0;
        Lap lap;
        bool hasNext = false;
        QString nextNote;
    };

    LapModel *m_laps;
    QList<int> m_rows;
    // In the order done: from the last row to the first, so each row still means what it
    // meant when the command was made.
    QList<Step> m_steps;
};
