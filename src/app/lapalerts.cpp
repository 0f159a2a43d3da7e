// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lapalerts.h"

#include "lapmodel.h"
#include "runcomparison.h"
#include "runninglap.h"
#include "stopwatch.h"
#include "timeformat.h"

#include <KLocalizedString>
#include <KNotification>

#include <QWidget>

#include <algorithm>
#include <climits>

using namespace Qt::Literals::StringLiterals;

namespace
{
constexpr int hour = 60 * 60 * 1000;

QString formatted(int milliseconds)
{
    const TimeFormat format(milliseconds >= hour, true, TimeFormat::UpToHundredths);
    return format.format(std::max(milliseconds, 0));
}
}

LapAlerts::LapAlerts(Stopwatch *stopwatch, LapModel *laps, RunningLap *runningLap, QObject *parent)
    : QObject(parent)
    , m_stopwatch(stopwatch)
    , m_laps(laps)
    , m_runningLap(runningLap)
{
    // Qt may fire a coarse timer early by up to 5 %, which on a lap of minutes is seconds.
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &LapAlerts::slotTargetReached);

    connect(m_runningLap, &RunningLap::changed, this, &LapAlerts::plan);
    for (const auto change : {&Stopwatch::running, &Stopwatch::paused}) {
        connect(m_stopwatch, change, this, &LapAlerts::plan);
    }
    connect(m_stopwatch, &Stopwatch::inactive, this, [this] {
        m_alerted.clear();
        plan();
    });
    connect(m_stopwatch, &Stopwatch::adjusted, this, &LapAlerts::plan);
    // An adjustment moves every lap, the starts of those that alerted too; they are still
    // the same laps. Announced before the running lap follows the move.
    connect(m_laps, &LapModel::timesShifted, this, [this](int milliseconds) {
        for (int &start : m_alerted) {
            start += milliseconds;
        }
    });
    connect(m_stopwatch, &Stopwatch::lap, this, &LapAlerts::slotLapTaken);

    // Laps taken only add to what is known; any other change of a lap's time starts over.
    connect(m_laps, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first) {
        forgetFastestFrom(first);
    });
    connect(m_laps, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex &, int first) {
        forgetFastestFrom(first);
    });
    connect(m_laps, &QAbstractItemModel::modelReset, this, [this] {
        forgetFastestFrom(0);
    });
    connect(m_laps, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
        // A note is no time.
        const int noteColumn = m_laps->columnForRole(LapModel::NoteRole);
        if (topLeft.column() != noteColumn || bottomRight.column() != noteColumn) {
            forgetFastestFrom(std::max(0, topLeft.row() - 1));
        }
    });
}

void LapAlerts::forgetFastestFrom(int row)
{
    // A lap's time since the previous one changes with the lap before it, so a change at
    // a row also touches the row after it.
    if (row < m_fastestRows) {
        m_fastestRows = 0;
    }
}

int LapAlerts::fastestOfFirst(int count)
{
    if (m_fastestRows > count) {
        m_fastestRows = 0;
    }
    if (m_fastestRows == 0) {
        m_fastest = INT_MAX;
    }
    int previous = m_fastestRows > 0 ? m_laps->sinceStart(m_fastestRows - 1) : 0;
    for (int row = m_fastestRows; row < count; ++row) {
        const int time = m_laps->sinceStart(row);
        m_fastest = std::min(m_fastest, time - previous);
        previous = time;
    }
    m_fastestRows = count;
    return m_fastest;
}

void LapAlerts::setDefaultTarget(int milliseconds)
{
    m_defaultTarget = std::max(0, milliseconds);
    plan();
}

void LapAlerts::setTarget(int milliseconds)
{
    m_target = std::max(0, milliseconds);
    m_targetChosen = true;
    plan();
}

int LapAlerts::target() const
{
    return m_targetChosen ? m_target : m_defaultTarget;
}

void LapAlerts::setComparison(RunComparison *comparison)
{
    if (m_comparison) {
        disconnect(m_comparison, nullptr, this, nullptr);
    }
    m_comparison = comparison;
    if (m_comparison) {
        connect(m_comparison, &RunComparison::comparisonChanged, this, &LapAlerts::plan);
    }
    plan();
}

void LapAlerts::setUseComparedLaps(bool use)
{
    m_useComparedLaps = use;
    plan();
}

bool LapAlerts::usesComparedLaps() const
{
    return m_useComparedLaps;
}

int LapAlerts::targetOf(int number) const
{
    if (m_useComparedLaps && m_comparison && number >= 1) {
        const RunSplits &compared = m_comparison->referenceSplits();
        if (number <= compared.count()) {
            return int(std::clamp<qint64>(compared.lapTime(number - 1), 0, INT_MAX));
        }
    }
    return target();
}

void LapAlerts::setWindow(QWidget *window)
{
    m_window = window;
}

void LapAlerts::plan()
{
    m_timer.stop();
    if (!m_stopwatch->isRunning() || !m_runningLap->isActive()) {
        return;
    }
    const int number = m_runningLap->number();
    const int target = targetOf(number);
    if (target <= 0) {
        return;
    }
    if (hasAlerted(number)) {
        return;
    }
    // A lap already past its target (a lower target, an undone lap, a time moved on)
    // alerts at once, but not from inside the change that made it so.
    m_timer.start(std::max(0, target - m_runningLap->elapsed()));
}

bool LapAlerts::hasAlerted(int number) const
{
    const auto alerted = m_alerted.constFind(number);
    return alerted != m_alerted.cend() && *alerted == m_runningLap->start();
}

void LapAlerts::slotTargetReached()
{
    if (!m_stopwatch->isRunning()) {
        return;
    }
    const int number = m_runningLap->number();
    const int target = targetOf(number);
    if (target <= 0) {
        return;
    }
    if (hasAlerted(number)) {
        return;
    }
    if (m_runningLap->elapsed() < target) {
        plan();
        return;
    }
    m_alerted.insert(number, m_runningLap->start());
    Q_EMIT lapOverTarget(number, target);
    notify(u"lapOverTarget"_s,
           i18nc("@title notification", "Lap %1 Past Its Target", number),
           i18nc("@info notification, %2 is a time", "Lap %1 has run longer than its target of %2.", number, formatted(target)));
}

void LapAlerts::slotLapTaken(int taken)
{
    // Works whether the lap model has taken the lap before this runs or not.
    int earlier = m_laps->rowCount();
    if (earlier > 0 && m_laps->sinceStart(earlier - 1) == taken) {
        --earlier;
    }
    if (earlier == 0) {
        return;
    }
    const int fastest = fastestOfFirst(earlier);
    const int lapTime = taken - m_laps->sinceStart(earlier - 1);
    if (lapTime >= fastest) {
        return;
    }
    const int number = earlier + 1;
    Q_EMIT newFastestLap(number, lapTime, fastest);
    notify(u"newFastestLap"_s,
           i18nc("@title notification", "New Fastest Lap"),
           i18nc("@info notification, %2 and %3 are times",
                 "Lap %1 took %2, %3 less than the fastest lap before it.",
                 number,
                 formatted(lapTime),
                 formatted(fastest - lapTime)));
}

void LapAlerts::notify(const QString &event, const QString &title, const QString &text)
{
    auto notification = new KNotification(event);
    // The events are the program's, whatever name the running process goes by.
    notification->setComponentName(u"tickwarden"_s);
    // Several windows may run at once; the title says which one.
    const QString window = m_window ? QString(m_window->windowTitle()).remove(u"[*]"_s).trimmed() : QString();
    notification->setTitle(window.isEmpty() ? title : i18nc("@title notification: %1 what happened, %2 the window", "%1 – %2", title, window));
    notification->setText(text);
    if (m_window && m_window->windowHandle()) {
        notification->setWindow(m_window->windowHandle());
    }
    notification->sendEvent();
}

#include "moc_lapalerts.cpp"
