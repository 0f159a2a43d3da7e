// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "windowcontrol.h"

#include "displayfeed.h"
#include "lapmodel.h"
#include "stopwatch.h"
#include "windowcomparison.h"

#include <KActionCollection>
#include <KLocalizedString>
#include <KStandardAction>
#include <KXmlGuiWindow>

#include <QAction>
#include <QApplication>

using namespace Qt::Literals::StringLiterals;

WindowControl::WindowControl(KXmlGuiWindow *window,
                             Stopwatch *stopwatch,
                             LapModel *lapModel,
                             DisplayFeed *displayFeed,
                             std::function<QString()> sessionName,
                             std::function<SaveResult(const QString &name)> store)
    : StopwatchControl(window)
    , m_window(window)
    , m_stopwatch(stopwatch)
    , m_lapModel(lapModel)
    , m_displayFeed(displayFeed)
    , m_sessionName(std::move(sessionName))
    , m_store(std::move(store))
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

bool WindowControl::holdsTimes() const
{
    if (!m_stopwatch) {
        return false;
    }
    const Stopwatch::State state = m_stopwatch->isRunning() ? Stopwatch::Running : m_stopwatch->isPaused() ? Stopwatch::Paused : Stopwatch::Inactive;
    return WindowSnapshot::holdsTimes(state, m_stopwatch->currentTime(), lapCount());
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
    if (!m_displayFeed) {
        return QString();
    }
    // The display may be most of a tick behind; bring it up to the clock first, as the
    // next tick would. The run's time is the total, even while the digits show the lap.
    if (m_stopwatch && m_stopwatch->isRunning()) {
        m_displayFeed->setTime(m_stopwatch->currentTime());
    }
    return m_displayFeed->totalText();
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
    takeNoteBeingTyped();
    // Through the window's history, like the Reset action: Undo brings the run back.
    return trigger(u"reset"_s);
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
    if (hasOpenDialog() || !isAvailable(actionName)) {
        return false;
    }
    m_window->actionCollection()->action(actionName)->trigger();
    return true;
}

bool WindowControl::isAvailable(const QString &actionName) const
{
    const QAction *action = m_window->actionCollection()->action(actionName);
    // A hidden action is one the settings switched off (laps), not just one off screen.
    return action && action->isEnabled() && action->isVisible();
}

QString WindowControl::refusalToSave() const
{
    switch (state()) {
    case State::Inactive:
        return i18n("The stopwatch has no times to save.");
    case State::Running:
        // What a save stores would be out of date at once; the window saves paused times only.
        return i18n("The stopwatch is running; pause it before saving.");
    case State::Paused:
        break;
    }
    return QString();
}

StopwatchControl::SaveResult WindowControl::saveAs(const QString &name)
{
    if (const QString refusal = refusalToSave(); !refusal.isEmpty()) {
        return {false, refusal};
    }
    if (!isAvailable(KStandardAction::name(KStandardAction::SaveAs))) {
        return {false, i18n("The window cannot save its times now.")};
    }
    // The same default as an empty name in the window's own Save As dialog.
    return m_store(name.isEmpty() ? i18nc("untitled session", "Untitled session") : name);
}

StopwatchControl::SaveResult WindowControl::save()
{
    if (const QString refusal = refusalToSave(); !refusal.isEmpty()) {
        return {false, refusal};
    }
    // Not the Save action's state: right after Save As it stays off, as there is nothing to
    // save, and a caller is told so by a true answer instead.
    if (sessionName().isEmpty()) {
        return {false, i18n("The window's times have no session name yet; use SaveAs.")};
    }
    return m_store(QString());
}

QString WindowControl::comparison() const
{
    return m_comparison ? m_comparison->choiceName() : StopwatchControl::comparison();
}

bool WindowControl::setComparison(const QString &name)
{
    return m_comparison && !hasOpenDialog() && m_comparison->setChoiceByName(name);
}

std::optional<qint64> WindowControl::difference() const
{
    if (!m_comparison || !m_stopwatch) {
        return std::nullopt;
    }
    return m_comparison->difference(m_stopwatch->currentTime());
}

void WindowControl::setWindowComparison(WindowComparison *comparison)
{
    m_comparison = comparison;
}

void WindowControl::setNoteTaker(std::function<void()> takeNoteBeingTyped)
{
    m_takeNoteBeingTyped = std::move(takeNoteBeingTyped);
}

void WindowControl::setTypedNoteReader(std::function<std::optional<TypedNote>()> readTypedNote)
{
    m_readTypedNote = std::move(readTypedNote);
}

void WindowControl::takeNoteBeingTyped() const
{
    if (m_takeNoteBeingTyped) {
        m_takeNoteBeingTyped();
    }
}

QList<Lap> WindowControl::laps() const
{
    QList<Lap> laps;
    if (!m_lapModel) {
        return laps;
    }
    // The model's own order is the order taken, whatever the table's sorting.
    laps.reserve(m_lapModel->rowCount());
    for (int row = 0; row < m_lapModel->rowCount(); ++row) {
        laps.append(m_lapModel->data(m_lapModel->index(row, 0), LapModel::LapRole).value<Lap>());
    }
    if (const auto typed = m_readTypedNote ? m_readTypedNote() : std::nullopt; typed && typed->row >= 0 && typed->row < laps.size()) {
        laps[typed->row].setNote(typed->text);
    }
    return laps;
}

bool WindowControl::close()
{
    // A note being typed is something to lose as well.
    takeNoteBeingTyped();
    // Anything else makes the window ask before closing, and nobody outside could answer.
    const bool nothingToLose = !holdsTimes() || (state() == State::Paused && !sessionName().isEmpty() && !m_window->isWindowModified());
    return nothingToLose && m_window->close();
}

bool WindowControl::undo()
{
    return trigger(KStandardAction::name(KStandardAction::Undo));
}

bool WindowControl::redo()
{
    return trigger(KStandardAction::name(KStandardAction::Redo));
}

void WindowControl::slotLapStored()
{
    if (!m_lapModel) {
        return;
    }
    const int row = m_lapModel->rowCount() - 1;
    // The note is part of the lap as it was taken, not a later edit: undoing the lap takes
    // both in one step.
    if (!m_pendingNote.isEmpty()) {
        m_lapModel->setNote(row, m_pendingNote);
    }
    Q_EMIT lapAdded(row + 1, m_pendingNote);
}

#include "moc_windowcontrol.cpp"
