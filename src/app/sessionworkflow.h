// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "session.h"
#include "stopwatchcontrol.h"
#include "windowsnapshot.h"

#include <QObject>

class LapModel;
class QUndoStack;
class QWidget;
class SaveErrorMessage;
class SessionModel;
class Stopwatch;
class WindowComparison;

/**
 * Where the times of one window come from and where they go: the session the window shows,
 * its title and modified mark, New, Open, Save and Save As, the question before closing,
 * and what the window tells when a save fails or stores a removed session anew.
 *
 * It reads the times from the stopwatch and the lap model and writes them to the session
 * store all windows share. The stopwatch's own signals outdate the session (a run) or drop
 * it (a reset), and a note edited in the lap model outdates it too. The window keeps its
 * GUI states; the signals below tell it when it has to take part.
 */
class SessionWorkflow : public QObject
{
    Q_OBJECT

public:
    /**
     * @p window carries the title and the modified mark and is the parent of the dialogs;
     * @p saveError is the message the window shows for save failures.
     */
    SessionWorkflow(QWidget *window, SessionModel *sessionModel, Stopwatch *stopwatch, LapModel *lapModel, SaveErrorMessage *saveError);

    /**
     * The window's editing history: its clean state is the saved state, so an undo back to
     * what was saved clears the modified mark, as in any editor.
     */
    void setHistory(QUndoStack *history);

    /** The window's comparison, which follows the session shown and is kept with it. */
    void setComparison(WindowComparison *comparison);

    /**
     * Shows the times of @p session, paused, in an inactive stopwatch. An empty session
     * leaves an untitled window instead, or one for a new run when it has a name, and false
     * is returned.
     */
    bool loadSession(const Session &session);

    [[nodiscard]] QString sessionName() const;
    /** Whether the times belong to a stored session, which Save writes over. */
    [[nodiscard]] bool hasSession() const;

    /** Sets the window title, keeping the place of the modified mark. */
    void setTitle(const QString &title);

    /**
     * Stores the times without asking anything: as a new session named @p name, or with an
     * empty @p name over the session they were saved as (nothing is written when that is
     * up to date), whose name and note, as stored now, the window then shows. Save and
     * Save As end here, and so do saves from outside the window. A failure shows in the
     * window as well.
     */
    StopwatchControl::SaveResult storeSession(const QString &name);

    /**
     * Hands the note being typed in the lap table to the lap model. Whatever reads the laps
     * (saves, exports, copies, Reset and its undo, the bus, the session manager) comes
     * through here first, so that none of them drops or misses it.
     */
    void takeNoteBeingTyped();

    /** Pauses a run and asks what becomes of unsaved times; false keeps the window open. */
    [[nodiscard]] bool queryClose();

    /**
     * Whether the window has anything to lose or to recover: a running stopwatch, or a time
     * or laps. A stopwatch paused at zero without laps (by a sleep of the computer) has not.
     */
    [[nodiscard]] bool holdsTimes() const;

    [[nodiscard]] WindowSnapshot snapshot() const;
    [[nodiscard]] WindowSnapshot snapshotWithoutLaps() const;
    /**
     * Takes @p recorded, left by an ended process or kept at logout, as the window's start:
     * the history is cleared, with nothing to undo before it. A stopwatch recorded running
     * counts on from the moment recorded with it, so the time a long run takes to rebuild is
     * not lost from it.
     */
    void restoreRun(const WindowSnapshot &recorded);
    /**
     * Shows @p run as a step of the history does, done or undone; the history is the
     * caller's and is left alone. An empty run leaves a fresh, untitled window.
     */
    void applyHistoryStep(const WindowSnapshot &run);

    /** Asks for a new, untitled window. */
    void newSession();
    /**
     * Lets the user pick a stored session and asks for a window that shows it, or for a
     * window for a new run of it.
     */
    void openSession();
    /**
     * Asks for a window for a new run of the session's activity, compared with its best
     * run; without a name, compared with the laps of this window.
     */
    void newRun();
    /** Stores the times over the session they were saved as. */
    void save();
    /** Asks for a name and stores the times as a new session under it. */
    void saveAs();

Q_SIGNALS:
    /** Sent by takeNoteBeingTyped(): an open note editor has to hand in its text now. */
    void aboutToReadLaps();
    /** @p session is to be shown in a window of its own. */
    void windowRequested(const Session &session);
    /** The stopwatch was preset to paused times, which it does not announce through paused(). */
    void pausedTimesLoaded();
    /** The run the window showed was dropped to show another one, as a reset drops it. */
    void runDiscarded();
    /**
     * The session changed in a way that neither the title nor the modified mark shows: a
     * window already modified stays so when another comparison is chosen.
     */
    void sessionChanged();

private:
    void slotStoredSessionsChanged();
    // Retitles the window when its session's name is no longer @p shownName.
    void showRenamed(const QString &shownName);
    void slotRunning();
    void slotInactive();
    void slotNoteEdited();
    void slotComparisonChosen();
    void slotHistoryCleanChanged(bool clean);
    void showSession();
    void markSaved();
    void addLapsTo(Session &session) const;
    // The session and the laps of @p run, in place of the window's own run.
    void takeRun(const WindowSnapshot &run);
    // The time, title and modified mark of @p run, once takeRun() has put it in; a run that
    // was running is left paused, for the caller to start.
    void showTimes(const WindowSnapshot &run);

    QWidget *m_window;
    SessionModel *m_sessionModel;
    Stopwatch *m_stopwatch;
    LapModel *m_lapModel;
    SaveErrorMessage *m_saveError;
    Session m_session;
    // The title of a run whose session has no name yet (laps imported from a file); it
    // goes with the run through undo, redo and the recovery journal.
    QString m_title;
    WindowComparison *m_comparison = nullptr;
    QUndoStack *m_history = nullptr;
};
