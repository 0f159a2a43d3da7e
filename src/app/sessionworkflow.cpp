// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "sessionworkflow.h"

#include "lap.h"
#include "lapmodel.h"
#include "saveerrormessage.h"
#include "sessiondialog.h"
#include "sessionmodel.h"
#include "stopwatch.h"
#include "windowcomparison.h"

#include <KLocalizedString>
#include <KMessageBox>
#include <KStandardGuiItem>

#include <QApplication>
#include <QDateTime>
#include <QInputDialog>
#include <QUndoStack>
#include <QWidget>

#include <algorithm>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace
{
Stopwatch::State stateOf(const Stopwatch &stopwatch)
{
    return stopwatch.isRunning() ? Stopwatch::Running : stopwatch.isPaused() ? Stopwatch::Paused : Stopwatch::Inactive;
}
}

SessionWorkflow::SessionWorkflow(QWidget *window, SessionModel *sessionModel, Stopwatch *stopwatch, LapModel *lapModel, SaveErrorMessage *saveError)
    : QObject(window)
    , m_window(window)
    , m_sessionModel(sessionModel)
    , m_stopwatch(stopwatch)
    , m_lapModel(lapModel)
    , m_saveError(saveError)
{
    connect(m_stopwatch, &Stopwatch::running, this, &SessionWorkflow::slotRunning);
    connect(m_stopwatch, &Stopwatch::inactive, this, &SessionWorkflow::slotInactive);
    connect(m_lapModel, &LapModel::noteEdited, this, &SessionWorkflow::slotNoteEdited);
    // Renames in the session dialog, here or in another process, reach the window this way.
    connect(m_sessionModel, &QAbstractItemModel::dataChanged, this, &SessionWorkflow::slotStoredSessionsChanged);
    connect(m_sessionModel, &QAbstractItemModel::modelReset, this, &SessionWorkflow::slotStoredSessionsChanged);
}

void SessionWorkflow::setHistory(QUndoStack *history)
{
    m_history = history;
    connect(history, &QUndoStack::cleanChanged, this, &SessionWorkflow::slotHistoryCleanChanged);
}

void SessionWorkflow::slotHistoryCleanChanged(bool clean)
{
    if (m_stopwatch->isInactive()) {
        return;
    }
    // Undone back to what was saved; a run never saved stays to be saved, and a running
    // one is ahead of any save.
    if (clean && !m_stopwatch->isRunning() && !m_session.isEmpty()) {
        m_session.setIsOutdated(false);
        m_window->setWindowModified(false);
    } else if (!clean) {
        slotNoteEdited();
    }
}

void SessionWorkflow::setComparison(WindowComparison *comparison)
{
    m_comparison = comparison;
    connect(comparison, &WindowComparison::choiceChanged, this, &SessionWorkflow::slotComparisonChosen);
    showSession();
}

void SessionWorkflow::showSession()
{
    if (m_comparison) {
        m_comparison->setSession(m_session);
    }
}

bool SessionWorkflow::loadSession(const Session &session)
{
    if (session.isEmpty()) {
        if (session.isNewRun()) {
            m_session = session;
        }
        slotInactive();
        return false;
    }
    m_session = session;
    showSession();
    m_stopwatch->initialize(m_session.time());
    m_lapModel->appendLaps(m_session.laps());
    Q_EMIT pausedTimesLoaded();
    setTitle(m_session.name());
    return true;
}

QString SessionWorkflow::sessionName() const
{
    return m_session.name();
}

bool SessionWorkflow::hasSession() const
{
    return !m_session.isEmpty();
}

void SessionWorkflow::setTitle(const QString &title)
{
    const auto placeholder = "[*]"_L1;
    m_window->setWindowTitle(title.endsWith(placeholder) ? title : title + placeholder);
}

void SessionWorkflow::slotStoredSessionsChanged()
{
    // Only a window whose times are stored has a stored copy to follow.
    if (m_session.isEmpty()) {
        return;
    }
    const std::optional<Session> stored = m_sessionModel->storedCopyOf(m_session);
    if (!stored) {
        return;
    }
    const QString shownName = m_session.name();
    m_session.setName(stored->name());
    m_session.setNote(stored->note());
    showRenamed(shownName);
}

void SessionWorkflow::showRenamed(const QString &shownName)
{
    if (m_session.name() != shownName) {
        setTitle(m_session.name());
        showSession();
    }
}

void SessionWorkflow::slotRunning()
{
    m_session.setIsOutdated(true);
    m_window->setWindowModified(true);
}

void SessionWorkflow::slotInactive()
{
    // A failure shown for the times just dropped is stale; its Try Again would store the
    // next run under the name meant for those times, or as a session without a name.
    m_saveError->clearFailure();
    m_session = m_session.afterReset();
    m_title.clear();
    setTitle(m_session.isNewRun() ? m_session.name() : i18nc("untitled window", "Untitled"));
    m_window->setWindowModified(false);
    showSession();
}

void SessionWorkflow::slotComparisonChosen()
{
    m_session.setComparison(m_comparison->choice());
    // The choice is kept with the times; without times there is nothing to save yet.
    if (!m_stopwatch->isInactive()) {
        m_session.setIsOutdated(true);
        m_window->setWindowModified(true);
    }
    Q_EMIT sessionChanged();
}

void SessionWorkflow::slotNoteEdited()
{
    // Notes are part of the times: they need saving, and closing must ask about them.
    m_session.setIsOutdated(true);
    m_window->setWindowModified(true);
}

void SessionWorkflow::newSession()
{
    Q_EMIT windowRequested(Session(0, QDateTime::currentDateTime()));
}

void SessionWorkflow::openSession()
{
    auto dialog = new SessionDialog(m_sessionModel, m_window);
    connect(dialog, &QDialog::finished, this, [this, dialog](int result) {
        if (result == QDialog::Accepted) {
            const Session selected = dialog->selectedSession();
            if (!dialog->isNewRunRequested()) {
                Q_EMIT windowRequested(selected);
            } else if (!selected.name().isEmpty()) {
                Q_EMIT windowRequested(Session::newRun(selected.name()));
            } else {
                Session run(0, QDateTime::currentDateTime());
                run.setComparison(ComparisonChoice::ofLaps(QLocale().toString(selected.date(), QLocale::ShortFormat), selected.laps()));
                Q_EMIT windowRequested(run);
            }
        }
        dialog->deleteLater();
    });
    dialog->open();
}

void SessionWorkflow::newRun()
{
    if (!m_session.name().isEmpty()) {
        Q_EMIT windowRequested(Session::newRun(m_session.name()));
        return;
    }
    takeNoteBeingTyped();
    Session run(0, QDateTime::currentDateTime());
    Session laps;
    addLapsTo(laps);
    if (!laps.laps().isEmpty()) {
        run.setComparison(ComparisonChoice::ofLaps(m_window->windowTitle().remove(u"[*]"_s), laps.laps()));
    }
    Q_EMIT windowRequested(run);
}

void SessionWorkflow::addLapsTo(Session &session) const
{
    // The model's own order is the order the laps were taken, whatever the table's sorting.
    for (int row = 0; row < m_lapModel->rowCount(); ++row) {
        session.addLap(m_lapModel->data(m_lapModel->index(row, 0), LapModel::LapRole).value<Lap>());
    }
}

void SessionWorkflow::save()
{
    storeSession(QString());
}

void SessionWorkflow::markSaved()
{
    // A stopwatch that runs on is ahead of what was just stored: the next save and the
    // close question must still see that.
    const bool runsOn = m_stopwatch->isRunning();
    m_session.setIsOutdated(runsOn);
    m_window->setWindowModified(runsOn);
    if (m_history) {
        if (runsOn) {
            m_history->resetClean();
        } else {
            m_history->setClean();
        }
    }
}

void SessionWorkflow::saveAs()
{
    takeNoteBeingTyped();
    bool accepted = false;
    QString name = QInputDialog::getText(m_window,
                                         i18nc("@title:window", "Save Session"),
                                         i18n("You can choose a name for this session:"),
                                         QLineEdit::Normal,
                                         // A new run goes beside the earlier runs of its name.
                                         m_session.isNewRun() ? m_session.name() : QString(),
                                         &accepted);
    if (!accepted) {
        return;
    }
    if (name.isEmpty()) {
        name = i18nc("untitled session", "Untitled session");
    }
    storeSession(name);
}

StopwatchControl::SaveResult SessionWorkflow::storeSession(const QString &name)
{
    takeNoteBeingTyped();
    // Nothing to store when nothing changed since the last save. This comes first: a new run
    // stored at zero is still a new run afterwards, and would be stored again at every save.
    if (name.isEmpty() && !m_session.isOutdated()) {
        return {true, QString()};
    }
    // A new run has a name but nothing stored to save over: it is stored beside the earlier runs.
    if (name.isEmpty() && m_session.isNewRun()) {
        return storeSession(m_session.name());
    }
    bool stored = false;
    bool storedAnew = false;
    if (name.isEmpty()) {
        m_session.clear();
        m_session.setTime(m_stopwatch->currentTime());
        addLapsTo(m_session);
        m_session.setIsOutdated(false);
        // Only the times are the window's: the name and note come back as they are stored.
        // If the stored copy was removed meanwhile, the session is stored anew, note and all.
        const QString shownName = m_session.name();
        stored = m_sessionModel->save(m_session, &storedAnew);
        if (stored) {
            showRenamed(shownName);
        } else {
            m_session.setIsOutdated(true);
        }
    } else {
        // The name prompt waits for the user; the run may have been reset meanwhile, and
        // then there is nothing left to store under that name.
        if (m_stopwatch->isInactive()) {
            return {false, i18n("The stopwatch has no times to save.")};
        }
        Session session(m_stopwatch->currentTime(), QDateTime::currentDateTime());
        session.setName(name);
        session.setComparison(m_session.comparison());
        addLapsTo(session);
        stored = m_sessionModel->append(session);
        if (stored) {
            m_session = session;
            setTitle(m_session.name());
            showSession();
        }
    }
    if (!stored) {
        const QString reason = m_sessionModel->errorString();
        m_saveError->showFailure(SessionModel::fileName(), reason, [this, name] {
            storeSession(name);
        });
        return {false, reason.isEmpty() ? i18n("The session could not be stored.") : reason};
    }
    if (storedAnew) {
        m_saveError->showStoredAnew(m_session.name());
    } else {
        m_saveError->clearFailure();
    }
    markSaved();
    return {true, QString()};
}

void SessionWorkflow::takeNoteBeingTyped()
{
    Q_EMIT aboutToReadLaps();
}

bool SessionWorkflow::queryClose()
{
    takeNoteBeingTyped();
    // At logout the session manager keeps the window as it is, running or not, and brings
    // it back after login; there is nothing to pause or to ask.
    if (qApp->isSavingSession() || !holdsTimes()) {
        return true;
    }
    if (m_stopwatch->isRunning()) {
        m_stopwatch->pause();
    }

    if (m_session.isEmpty()) {
        const auto answer = KMessageBox::warningContinueCancel(m_window,
                                                               i18n("Do you want to quit and lose your unsaved times?"),
                                                               i18nc("@title:window", "Confirm Quit"),
                                                               KStandardGuiItem::quit(),
                                                               KStandardGuiItem::cancel(),
                                                               u"quit-and-lose-times"_s,
                                                               KMessageBox::Notify);
        return answer != KMessageBox::Cancel;
    }
    if (!m_session.isOutdated()) {
        return true;
    }

    const auto answer = KMessageBox::warningTwoActionsCancel(m_window,
                                                             ki18n("Save times to session %1?").subs(m_session.name()).toString(),
                                                             QString(),
                                                             KStandardGuiItem::save(),
                                                             KStandardGuiItem::dontSave(),
                                                             KStandardGuiItem::cancel(),
                                                             QString(),
                                                             KMessageBox::Options(KMessageBox::Notify | KMessageBox::Dangerous));
    switch (answer) {
    case KMessageBox::PrimaryAction:
        // A failed save keeps the window, with its message, instead of losing the times.
        save();
        return !m_session.isOutdated();
    case KMessageBox::SecondaryAction:
        return true;
    default:
        return false;
    }
}

bool SessionWorkflow::holdsTimes() const
{
    return WindowSnapshot::holdsTimes(stateOf(*m_stopwatch), m_stopwatch->currentTime(), m_lapModel->rowCount());
}

WindowSnapshot SessionWorkflow::snapshot() const
{
    WindowSnapshot snapshot = snapshotWithoutLaps();
    Session current;
    addLapsTo(current);
    snapshot.laps = current.laps();
    return snapshot;
}

WindowSnapshot SessionWorkflow::snapshotWithoutLaps() const
{
    WindowSnapshot snapshot;
    snapshot.state = stateOf(*m_stopwatch);
    snapshot.elapsed = m_stopwatch->currentTime();
    snapshot.session = m_session;
    snapshot.title = m_title;
    snapshot.modified = m_window->isWindowModified();
    return snapshot;
}

void SessionWorkflow::restoreRun(const WindowSnapshot &recorded)
{
    if (m_history) {
        m_history->clear();
    }
    const WindowSnapshot continued = recorded.continuedAt(WindowSnapshot::currentBootId(), WindowSnapshot::monotonicNow());
    takeRun(continued);
    showTimes(continued);
    if (continued.state == Stopwatch::Running) {
        // Rebuilding a long run and showing it took a while, through which the run went on:
        // it counts from the moment it was recorded at, not from the end of the rebuild.
        const qint64 late = WindowSnapshot::monotonicNow() - continued.recordedAt;
        m_stopwatch->start();
        m_stopwatch->adjust(int(std::clamp<qint64>(late, 0, Stopwatch::MaximumTime - m_stopwatch->currentTime())));
    }
    // A recovered run differs from anything saved: there is no saved state to undo back to.
    if (recorded.modified && m_history) {
        m_history->resetClean();
    }
}

void SessionWorkflow::applyHistoryStep(const WindowSnapshot &run)
{
    takeRun(run);
    showTimes(run);
    if (run.state == Stopwatch::Running) {
        m_stopwatch->start();
    }
    // Laps imported differ from anything saved; an undo of a Reset keeps the history's own mark.
    if (run.modified && m_history && m_history->isClean()) {
        m_history->resetClean();
    }
}

void SessionWorkflow::takeRun(const WindowSnapshot &run)
{
    if (!m_stopwatch->isInactive()) {
        m_stopwatch->reset();
        m_lapModel->clear();
        Q_EMIT runDiscarded();
    }
    m_session = run.session;
    showSession();
    m_lapModel->appendLaps(run.laps);
}

void SessionWorkflow::showTimes(const WindowSnapshot &run)
{
    if (run.state != Stopwatch::Inactive) {
        // The stopwatch refuses no time but zero, which pause() gives as well. Pausing
        // also announces the new state to everything that follows the stopwatch (the
        // window, the bus, the journal), as an undone Reset must.
        m_stopwatch->initialize(run.elapsed);
        m_stopwatch->pause();
        Q_EMIT pausedTimesLoaded();
    }
    m_title = run.title;
    if (!m_session.name().isEmpty()) {
        setTitle(m_session.name());
    } else {
        setTitle(m_title.isEmpty() ? i18nc("untitled window", "Untitled") : m_title);
    }
    m_window->setWindowModified(run.modified);
}

#include "moc_sessionworkflow.cpp"
