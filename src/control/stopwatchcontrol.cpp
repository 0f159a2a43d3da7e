// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "stopwatchcontrol.h"

#include "controlregistry.h"

#include <KLocalizedString>

#include <QWidget>

using namespace Qt::Literals::StringLiterals;

StopwatchControl::StopwatchControl(QWidget *window)
    : QObject(window)
{
}

StopwatchControl::~StopwatchControl()
{
    if (m_announced) {
        ControlRegistry::self()->remove(this);
    }
}

QWidget *StopwatchControl::window() const
{
    return static_cast<QWidget *>(parent());
}

bool StopwatchControl::toggle()
{
    return state() == State::Running ? pause() : start();
}

StopwatchControl::SaveResult StopwatchControl::saveAs(const QString &name)
{
    Q_UNUSED(name)
    return {false, i18n("This window cannot save its times.")};
}

StopwatchControl::SaveResult StopwatchControl::save()
{
    return saveAs(QString());
}

QList<Lap> StopwatchControl::laps() const
{
    return {};
}

bool StopwatchControl::undo()
{
    return false;
}

bool StopwatchControl::redo()
{
    return false;
}

bool StopwatchControl::close()
{
    return false;
}

QString StopwatchControl::comparison() const
{
    return u"none"_s;
}

bool StopwatchControl::setComparison(const QString &name)
{
    Q_UNUSED(name)
    return false;
}

std::optional<qint64> StopwatchControl::difference() const
{
    return std::nullopt;
}

QString StopwatchControl::stateName(State state)
{
    switch (state) {
    case State::Running:
        return u"running"_s;
    case State::Paused:
        return u"paused"_s;
    case State::Inactive:
        break;
    }
    return u"inactive"_s;
}

void StopwatchControl::announce()
{
    if (m_announced) {
        return;
    }
    m_announced = true;
    ControlRegistry::self()->add(this);
}

#include "moc_stopwatchcontrol.cpp"
