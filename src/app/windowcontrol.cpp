// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "windowcontrol.h"

#include "lapmodel.h"
#include "recoverablewindow.h"
#include "stopwatch.h"
#include "timedisplay.h"

#include <KActionCollection>
#include <KXmlGuiWindow>

#include <QAction>
#include <QApplication>

using namespace Qt::Literals::StringLiterals;

WindowControl::WindowControl(KXmlGuiWindow *window, Stopwatch *stopwatch, LapModel *lapModel, TimeDisplay *timeDisplay, std::function<QString()> sessionName)
    : StopwatchControl(window)
    , m_window(window)
    , m_stopwatch(stopwatch)
    , m_lapModel(lapModel)
    , m_timeDisplay(timeDisplay)
    , m_sessionName(std::move(sessionName))
{
    connect(stopwatch, &Stopwatch::running, this, [this] {
        Q_EMIT stateChanged(State::Running);
    });
    connect(stopwatch, &Stopwatch::paused, this, [this] {
        Q_EMIT stateChanged(State::Paused);
    });
    connect(stopwatch, &Stopwatch::inactive, this, [this] {
        Q_EMIT stateChanged(State::Inactive);
    });
    // Connected after the window's own lap wiring, so the lap model has its new row by now.
    connect(stopwatch, &Stopwatch::lap, this, &WindowControl::slotLapStored);
    announce();
}

StopwatchControl::State WindowControl::state() const
{
    if (!m_stopwatch || m_stopwatch->isInactive()) {
        return State::Inactive;
    }
    return m_stopwatch->isRunning() ? State::Running : State::Paused;
}

int WindowControl::elapsedMilliseconds() const
{
    return m_stopwatch ? m_stopwatch->currentTime() : 0;
}

int WindowControl::lapCount() const
{
    return m_lapModel ? m_lapModel->rowCount() : 0;
}

QString WindowControl::sessionName() const
{
    return m_sessionName();
}

QString WindowControl::displayedTime() const
{
    if (!m_timeDisplay) {
        return QString();
    }
    // The display may be most of a tick behind; bring it up to the clock first, as the
    // next tick would.
    if (m_stopwatch && m_stopwatch->isRunning()) {
        m_timeDisplay->setTime(m_stopwatch->currentTime());
    }
    return m_timeDisplay->currentTime();
}

bool WindowControl::hasOpenDialog() const
{
    const auto windows = QApplication::topLevelWidgets();
    for (const QWidget *widget : windows) {
        if (!widget->isVisible() || !widget->isModal()) {
            continue;
        }
        // isAncestorOf() stops at window borders; a dialog is a window of its own.
        for (const QWidget *parent = widget->parentWidget(); parent; parent = parent->parentWidget()) {
            if (parent == m_window) {
                return true;
            }
        }
    }
    return false;
}

bool WindowControl::start()
{
    return trigger(u"start"_s);
}

bool WindowControl::pause()
{
    return trigger(u"pause"_s);
}

bool WindowControl::reset()
{
    auto recoverable = dynamic_cast<RecoverableWindow *>(m_window);
    std::optional<WindowSnapshot> run;
    if (recoverable && m_stopwatch && !m_stopwatch->isInactive()) {
        run = recoverable->snapshot();
    }
    if (!trigger(u"reset"_s)) {
        return false;
    }
    if (run) {
        run->state = Stopwatch::Paused;
        run->recordedAt = WindowSnapshot::monotonicNow();
        run->bootId = WindowSnapshot::currentBootId();
        m_discardedRun = run;
    }
    return true;
}

std::optional<WindowSnapshot> WindowControl::discardedRun() const
{
    return m_discardedRun;
}

bool WindowControl::restoreDiscardedRun()
{
    auto recoverable = dynamic_cast<RecoverableWindow *>(m_window);
    if (!recoverable || !m_discardedRun || !m_stopwatch || !m_stopwatch->isInactive() || hasOpenDialog()) {
        return false;
    }
    recoverable->applySnapshot(*m_discardedRun);
    m_discardedRun.reset();
    return true;
}

bool WindowControl::lap(const QString &note)
{
    m_pendingNote = note;
    const bool taken = trigger(u"lap"_s);
    m_pendingNote.clear();
    return taken;
}

bool WindowControl::trigger(const QString &actionName)
{
    if (hasOpenDialog()) {
        return false;
    }
    QAction *action = m_window->actionCollection()->action(actionName);
    // A hidden action is one the settings switched off (laps), not just one off screen.
    if (!action || !action->isEnabled() || !action->isVisible()) {
        return false;
    }
    action->trigger();
    return true;
}

void WindowControl::slotLapStored()
{
    if (!m_lapModel) {
        return;
    }
    const int row = m_lapModel->rowCount() - 1;
    if (!m_pendingNote.isEmpty()) {
        m_lapModel->setData(m_lapModel->index(row, m_lapModel->columnForRole(LapModel::NoteRole)), m_pendingNote, Qt::EditRole);
    }
    Q_EMIT lapAdded(row + 1, m_pendingNote);
}

#include "moc_windowcontrol.cpp"
