// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "windowobject.h"

#include "controltext.h"
#include "stopwatchcontrol.h"
#include "windowadaptor.h"

#include <KLocalizedString>

using namespace Qt::Literals::StringLiterals;

WindowObject::WindowObject(StopwatchControl *control, QObject *parent)
    : QObject(parent)
    , m_control(control)
{
    new WindowAdaptor(this);
    connect(control, &StopwatchControl::stateChanged, this, [this](StopwatchControl::State state) {
        Q_EMIT StateChanged(StopwatchControl::stateName(state));
    });
    connect(control, &StopwatchControl::lapAdded, this, &WindowObject::LapAdded);
}

QString WindowObject::state() const
{
    return StopwatchControl::stateName(m_control ? m_control->state() : StopwatchControl::State::Inactive);
}

qlonglong WindowObject::elapsedMilliseconds() const
{
    return m_control ? m_control->elapsedMilliseconds() : 0;
}

int WindowObject::lapCount() const
{
    return m_control ? m_control->lapCount() : 0;
}

QString WindowObject::sessionName() const
{
    return m_control ? m_control->sessionName() : QString();
}

QString WindowObject::time() const
{
    return m_control ? m_control->displayedTime() : QString();
}

QString WindowObject::comparison() const
{
    return m_control ? m_control->comparison() : u"none"_s;
}

void WindowObject::setComparison(const QString &name)
{
    // A property write has no answer of its own through the adaptor: a value that cannot
    // be chosen, or a write while a dialog waits, leaves the property as it was.
    if (m_control && !m_control->hasOpenDialog()) {
        m_control->setComparison(name);
    }
}

qlonglong WindowObject::difference() const
{
    return m_control ? m_control->difference().value_or(0) : 0;
}

bool WindowObject::hasDifference() const
{
    return m_control && m_control->difference().has_value();
}

QString WindowObject::dialogOpenError()
{
    return u"org.tickwarden.Tickwarden.Error.DialogOpen"_s;
}

bool WindowObject::mayCommand()
{
    if (!m_control) {
        return false;
    }
    if (m_control->hasOpenDialog()) {
        if (calledFromDBus()) {
            sendErrorReply(dialogOpenError(),
                           i18nc("@info:shell", "The Tickwarden window is waiting for the answer to a dialog; answer or close it, then try again."));
        }
        return false;
    }
    return true;
}

bool WindowObject::Start()
{
    return mayCommand() && m_control->start();
}

bool WindowObject::Pause()
{
    return mayCommand() && m_control->pause();
}

bool WindowObject::Toggle()
{
    return mayCommand() && m_control->toggle();
}

bool WindowObject::Reset()
{
    return mayCommand() && m_control->reset();
}

bool WindowObject::Lap(const QString &note)
{
    if (!mayCommand()) {
        return false;
    }
    const ControlText::Checked checked = ControlText::note(note);
    if (!checked.refusal.isEmpty()) {
        if (calledFromDBus()) {
            sendErrorReply(QDBusError::InvalidArgs, checked.refusal);
        }
        return false;
    }
    return m_control->lap(checked.text);
}

bool WindowObject::Undo()
{
    return mayCommand() && m_control->undo();
}

bool WindowObject::Redo()
{
    return mayCommand() && m_control->redo();
}

bool WindowObject::SaveAs(const QString &name, QString &reason)
{
    if (!m_control) {
        reason = i18n("The window is closing.");
        return false;
    }
    if (!mayCommand()) {
        reason = i18n("The window is waiting for the answer to a dialog.");
        return false;
    }
    const ControlText::Checked checked = ControlText::sessionName(name);
    if (!checked.refusal.isEmpty()) {
        reason = checked.refusal;
        return false;
    }
    const StopwatchControl::SaveResult result = m_control->saveAs(checked.text);
    reason = result.reason;
    return result.stored;
}

bool WindowObject::Save(QString &reason)
{
    if (!m_control) {
        reason = i18n("The window is closing.");
        return false;
    }
    if (!mayCommand()) {
        reason = i18n("The window is waiting for the answer to a dialog.");
        return false;
    }
    const StopwatchControl::SaveResult result = m_control->save();
    reason = result.reason;
    return result.stored;
}

LapEntryList WindowObject::Laps() const
{
    LapEntryList entries;
    if (!m_control) {
        return entries;
    }
    const auto laps = m_control->laps();
    entries.reserve(laps.size());
    for (const ::Lap &lap : laps) {
        entries.append(LapEntry{lap.time(), lap.note()});
    }
    return entries;
}

bool WindowObject::Close()
{
    return mayCommand() && m_control->close();
}

#include "moc_windowobject.cpp"
