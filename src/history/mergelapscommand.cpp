// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "mergelapscommand.h"

#include "lapmodel.h"

#include <KLocalizedString>

#include <algorithm>

MergeLapsCommand::MergeLapsCommand(LapModel *laps, const QList<int> &rows, const QString &text)
    : QUndoCommand(text)
    , m_laps(laps)
    , m_rows(rows)
{
    std::sort(m_rows.begin(), m_rows.end(), std::greater<>());
}

QString MergeLapsCommand::joinedNotes(const QString &first, const QString &second)
{
    if (first.isEmpty()) {
        return second;
    }
    if (second.isEmpty()) {
        return first;
    }
    return i18nc("@item the notes of two laps merged into one, in the order taken", "%1; %2", first, second);
}

void MergeLapsCommand::redo()
{
    m_steps.clear();
    m_steps.reserve(m_rows.size());
    for (const int row : std::as_const(m_rows)) {
        Step step;
        step.row = row;
        step.lap = m_laps->lap(row);
        step.hasNext = row + 1 < m_laps->rowCount();
        if (step.hasNext) {
            step.nextNote = m_laps->lap(row + 1).note();
            m_laps->setNote(row + 1, joinedNotes(step.lap.note(), step.nextNote));
        }
        m_laps->removeLap(row);
        m_steps.append(step);
    }
}

void MergeLapsCommand::undo()
{
    for (auto step = m_steps.crbegin(); step != m_steps.crend(); ++step) {
        m_laps->insertLap(step->row, step->lap);
        if (step->hasNext) {
            m_laps->setNote(step->row + 1, step->nextNote);
        }
    }
    m_steps.clear();
}
