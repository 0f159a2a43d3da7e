// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "controlregistry.h"

#include "stopwatchcontrol.h"

#include <QEvent>
#include <QWidget>

ControlRegistry *ControlRegistry::self()
{
    static ControlRegistry registry;
    return &registry;
}

QList<StopwatchControl *> ControlRegistry::controls() const
{
    return m_byActivity;
}

QList<StopwatchControl *> ControlRegistry::controlsByAge() const
{
    return m_byAge;
}

StopwatchControl *ControlRegistry::active() const
{
    return m_byActivity.isEmpty() ? nullptr : m_byActivity.constFirst();
}

void ControlRegistry::add(StopwatchControl *control)
{
    if (!control || m_byAge.contains(control)) {
        return;
    }
    m_byAge.append(control);
    m_byActivity.prepend(control);
    control->window()->installEventFilter(this);
    Q_EMIT added(control);
    Q_EMIT activeChanged(control);
}

void ControlRegistry::remove(StopwatchControl *control)
{
    if (!m_byAge.removeOne(control)) {
        return;
    }
    const bool wasActive = active() == control;
    m_byActivity.removeOne(control);
    Q_EMIT removed(control);
    if (wasActive) {
        Q_EMIT activeChanged(active());
    }
}

void ControlRegistry::makeActive(StopwatchControl *control)
{
    if (!m_byAge.contains(control) || active() == control) {
        return;
    }
    m_byActivity.removeOne(control);
    m_byActivity.prepend(control);
    Q_EMIT activeChanged(control);
}

bool ControlRegistry::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::WindowActivate) {
        for (StopwatchControl *control : std::as_const(m_byAge)) {
            if (control->window() == watched) {
                makeActive(control);
                break;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

#include "moc_controlregistry.cpp"
