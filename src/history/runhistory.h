// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QList>
#include <QObject>
#include <QString>

class LapModel;
class QUndoCommand;
class QUndoStack;
class RecoverableWindow;
class Stopwatch;
struct WindowSnapshot;

/**
 * The editing history of one window's run.
 *
 * Laps and note edits are recorded as they happen in the stopwatch and the lap model; the
 * corrections (deleting and merging laps, moving the time), a Reset and laps imported into
 * the window are made through this class, which checks them first and tells why it refuses
 * one. Start, Pause and Resume are no edits. When a new run starts from zero, the history
 * of the run before it goes.
 *
 * The stack's clean state is the state last saved; the window's modified mark follows it.
 * A stopwatch that runs moves the time past anything saved, so running leaves the clean
 * state for good.
 */
class RunHistory : public QObject
{
    Q_OBJECT

public:
    /** @p window takes whole runs for Reset and import; without it both are refused. */
    RunHistory(Stopwatch *stopwatch, LapModel *laps, RecoverableWindow *window, QObject *parent = nullptr);
    ~RunHistory() override;

    [[nodiscard]] QUndoStack *stack() const;

    /** Whether there was anything to undo (redo). */
    bool undo();
    bool redo();

    /** Deletes the laps of @p rows as one step; each lap's time goes to the lap after it. */
    bool deleteLaps(const QList<int> &rows, QString *refusal = nullptr);
    /** Merges the laps of @p rows each with the lap before it, as one step. */
    bool mergeWithPrevious(const QList<int> &rows, QString *refusal = nullptr);
    /** Moves the elapsed time and every lap by @p milliseconds, while running as well. */
    bool adjustTime(int milliseconds, QString *refusal = nullptr);
    /** The range adjustTime() takes now; a running stopwatch widens it as time goes on. */
    [[nodiscard]] int smallestAdjustment() const;
    [[nodiscard]] int largestAdjustment() const;

    /** Resets the stopwatch and the laps as an undoable step; false when there is no run. */
    bool reset();
    /** The same step under the name @p text, for a run dropped in another way. */
    bool resetAs(const QString &text);
    /** Shows @p run in the window instead of its current one, as a step named @p text. */
    bool replaceRun(const WindowSnapshot &run, const QString &text);

    /** @p milliseconds as the refusals name a limit: hours, minutes, seconds, milliseconds. */
    [[nodiscard]] static QString formatAmount(qint64 milliseconds);

Q_SIGNALS:
    /** Any step was done, undone or redone; the window's state has changed. */
    void changed();

private:
    void slotLapTaken();
    void slotNoteEdited(int row, const QString &previousNote);
    [[nodiscard]] bool checkRows(const QList<int> &rows, QString *refusal) const;
    void push(QUndoCommand *command);

    Stopwatch *m_stopwatch;
    LapModel *m_laps;
    RecoverableWindow *m_window;
    QUndoStack *m_stack;
    // Set while a step is done or undone: what the models announce then is no new step.
    bool m_applying = false;
};
