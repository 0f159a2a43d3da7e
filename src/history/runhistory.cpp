// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "runhistory.h"

#include "adjusttimecommand.h"
#include "lapcommand.h"
#include "lapmodel.h"
#include "mergelapscommand.h"
#include "notecommand.h"
#include "recoverablewindow.h"
#include "replaceruncommand.h"
#include "stopwatch.h"
#include "timeformat.h"
#include "windowsnapshot.h"

#include <KLocalizedString>

#include <QDateTime>
#include <QScopedValueRollback>
#include <QUndoStack>

#include <algorithm>

namespace
{
void setRefusal(QString *refusal, const QString &text)
{
    if (refusal) {
        *refusal = text;
    }
}
}

RunHistory::RunHistory(Stopwatch *stopwatch, LapModel *laps, RecoverableWindow *window, QObject *parent)
    : QObject(parent)
    , m_stopwatch(stopwatch)
    , m_laps(laps)
    , m_window(window)
    , m_stack(new QUndoStack(this))
{
    // Connected after the lap model's own slot: the lap is in the table by now.
    connect(stopwatch, &Stopwatch::lap, this, &RunHistory::slotLapTaken);
    connect(laps, &LapModel::noteEdited, this, &RunHistory::slotNoteEdited);
    connect(stopwatch, &Stopwatch::runStarted, this, [this] {
        if (!m_applying) {
            m_stack->clear();
        }
    });
    connect(stopwatch, &Stopwatch::running, m_stack, &QUndoStack::resetClean);
}

RunHistory::~RunHistory() = default;

QUndoStack *RunHistory::stack() const
{
    return m_stack;
}

void RunHistory::push(QUndoCommand *command)
{
    {
        const QScopedValueRollback applying(m_applying, true);
        m_stack->push(command);
    }
    Q_EMIT changed();
}

bool RunHistory::undo()
{
    if (!m_stack->canUndo()) {
        return false;
    }
    {
        const QScopedValueRollback applying(m_applying, true);
        m_stack->undo();
    }
    Q_EMIT changed();
    return true;
}

bool RunHistory::redo()
{
    if (!m_stack->canRedo()) {
        return false;
    }
    {
        const QScopedValueRollback applying(m_applying, true);
        m_stack->redo();
    }
    Q_EMIT changed();
    return true;
}

void RunHistory::slotLapTaken()
{
    if (m_applying || m_laps->isEmpty()) {
        return;
    }
    push(new LapCommand(m_laps, m_laps->rowCount() - 1));
}

void RunHistory::slotNoteEdited(int row, const QString &previousNote)
{
    if (m_applying) {
        return;
    }
    push(new NoteCommand(m_laps, row, previousNote));
}

bool RunHistory::checkRows(const QList<int> &rows, QString *refusal) const
{
    if (rows.isEmpty()) {
        setRefusal(refusal, i18n("No lap is selected."));
        return false;
    }
    for (const int row : rows) {
        if (row < 0 || row >= m_laps->rowCount()) {
            setRefusal(refusal, i18n("There is no lap %1.", row + 1));
            return false;
        }
    }
    return true;
}

bool RunHistory::deleteLaps(const QList<int> &rows, QString *refusal)
{
    if (!checkRows(rows, refusal)) {
        return false;
    }
    QList<int> distinct = rows;
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    const QString text = distinct.size() == 1 ? i18nc("@action name of an undo step", "Delete Lap %1", distinct.constFirst() + 1)
                                              : i18ncp("@action name of an undo step", "Delete %1 Lap", "Delete %1 Laps", distinct.size());
    push(new MergeLapsCommand(m_laps, distinct, text));
    return true;
}

bool RunHistory::mergeWithPrevious(const QList<int> &rows, QString *refusal)
{
    if (!checkRows(rows, refusal)) {
        return false;
    }
    QList<int> ends;
    for (const int row : rows) {
        if (row == 0) {
            setRefusal(refusal, i18n("Lap 1 has no lap before it to merge with."));
            return false;
        }
        // The lap before ends no more; this lap now starts where it started.
        ends.append(row - 1);
    }
    std::sort(ends.begin(), ends.end());
    ends.erase(std::unique(ends.begin(), ends.end()), ends.end());
    const QString text = ends.size() == 1 ? i18nc("@action name of an undo step", "Merge Lap %1 with Previous", ends.constFirst() + 2)
                                          : i18ncp("@action name of an undo step", "Merge %1 Lap with Previous", "Merge %1 Laps with Previous", ends.size());
    push(new MergeLapsCommand(m_laps, ends, text));
    return true;
}

int RunHistory::smallestAdjustment() const
{
    if (m_stopwatch->isInactive()) {
        return 0;
    }
    // Laps of an opened session may be out of order: the earliest of them all sets the limit.
    int earliest = m_stopwatch->currentTime();
    for (int row = 0; row < m_laps->rowCount(); ++row) {
        earliest = std::min(earliest, m_laps->sinceStart(row));
    }
    return -earliest;
}

int RunHistory::largestAdjustment() const
{
    if (m_stopwatch->isInactive()) {
        return 0;
    }
    // Laps of an opened session may lie past the clock: the latest of them all sets the limit.
    int latest = m_stopwatch->currentTime();
    for (int row = 0; row < m_laps->rowCount(); ++row) {
        latest = std::max(latest, m_laps->sinceStart(row));
    }
    return Stopwatch::MaximumTime - latest;
}

bool RunHistory::adjustTime(int milliseconds, QString *refusal)
{
    if (m_stopwatch->isInactive()) {
        setRefusal(refusal, i18n("The stopwatch has no time to adjust."));
        return false;
    }
    if (milliseconds == 0) {
        setRefusal(refusal, i18n("An adjustment of zero leaves the time as it is."));
        return false;
    }
    if (const int smallest = smallestAdjustment(); milliseconds < smallest) {
        setRefusal(refusal,
                   m_laps->isEmpty() ? i18n("The time cannot go below zero: at most %1 can be subtracted.", formatAmount(-qint64(smallest)))
                                     : i18n("The first lap cannot start below zero: at most %1 can be subtracted.", formatAmount(-qint64(smallest))));
        return false;
    }
    if (const int largest = largestAdjustment(); milliseconds > largest) {
        setRefusal(refusal, i18n("The times would go past what the stopwatch can hold: at most %1 can be added.", formatAmount(largest)));
        return false;
    }
    push(new AdjustTimeCommand(m_stopwatch, m_laps, milliseconds));
    return true;
}

bool RunHistory::reset()
{
    return resetAs(i18nc("@action name of an undo step", "Reset"));
}

bool RunHistory::resetAs(const QString &text)
{
    if (!m_window || m_stopwatch->isInactive()) {
        return false;
    }
    // Undone, the run comes back paused at the time it had.
    WindowSnapshot before = m_window->snapshot();
    before.state = Stopwatch::Paused;
    WindowSnapshot after;
    after.session = before.session.afterReset();
    push(new ReplaceRunCommand(m_window, before, after, text));
    return true;
}

bool RunHistory::replaceRun(const WindowSnapshot &run, const QString &text)
{
    if (!m_window) {
        return false;
    }
    WindowSnapshot before = m_window->snapshot();
    if (before.state == Stopwatch::Running) {
        before.state = Stopwatch::Paused;
    }
    WindowSnapshot after = run;
    if (after.state == Stopwatch::Running) {
        after.state = Stopwatch::Paused;
    }
    push(new ReplaceRunCommand(m_window, before, after, text));
    return true;
}

QString RunHistory::formatAmount(qint64 milliseconds)
{
    return TimeFormat(true, true, TimeFormat::UpToMilliseconds).format(std::max<qint64>(0, milliseconds));
}

#include "moc_runhistory.cpp"
