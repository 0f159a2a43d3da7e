// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "stopwatch.h"

#include <QTimerEvent>

#include <algorithm>
#include <chrono>

namespace
{
// Past the longest time the sum is held there instead of wrapping into negative times.
int saturatedSum(qint64 a, qint64 b)
{
    return static_cast<int>(qBound(qint64(0), a + b, qint64(Stopwatch::MaximumTime)));
}
}

Stopwatch::Stopwatch(QObject *parent)
    : QObject(parent)
{
    // Precise: a coarse timer may be off by 5 %, a day on the longest run.
    m_limitTimer.setTimerType(Qt::PreciseTimer);
    m_limitTimer.setSingleShot(true);
    connect(&m_limitTimer, &QTimer::timeout, this, [this] {
        // Fired late after a suspend of the machine, or early by the clock's rounding.
        if (!stopAtLimit()) {
            planLimit();
        }
    });
}

bool Stopwatch::initialize(int ms)
{
    if (m_state != Inactive || ms <= 0) {
        return false;
    }
    m_accumulatedTime = ms;
    m_state = Paused;
    Q_EMIT time(ms);
    return true;
}

void Stopwatch::setGranularity(int ms)
{
    if (ms < 1 || ms == m_granularity) {
        return;
    }
    const int before = tickInterval();
    m_granularity = ms;
    restartTickTimer(before);
    Q_EMIT granularityChanged(ms);
}

void Stopwatch::setMinimumInterval(int ms)
{
    const int before = tickInterval();
    m_minimumInterval = std::max(ms, 0);
    restartTickTimer(before);
}

int Stopwatch::minimumInterval() const
{
    return m_minimumInterval;
}

int Stopwatch::tickInterval() const
{
    return std::max(m_granularity, m_minimumInterval);
}

void Stopwatch::setTicksSuspended(bool suspended)
{
    if (suspended == m_ticksSuspended) {
        return;
    }
    m_ticksSuspended = suspended;
    if (suspended) {
        killTickTimer();
        return;
    }
    if (m_state == Inactive) {
        return;
    }
    // The listeners saw nothing while the ticks were off; they get the exact time now,
    // also when the stopwatch was paused meanwhile.
    Q_EMIT time(currentTime());
    if (m_elapsedTimer.isValid() && m_timerId == -1) {
        startTickTimer();
    }
}

bool Stopwatch::ticksSuspended() const
{
    return m_ticksSuspended;
}

void Stopwatch::tick()
{
    if (m_elapsedTimer.isValid() && !stopAtLimit()) {
        Q_EMIT time(currentTime());
    }
}

void Stopwatch::restartTickTimer(int previousInterval)
{
    if (m_timerId != -1 && tickInterval() != previousInterval) {
        killTimer(m_timerId);
        startTickTimer();
    }
}

int Stopwatch::granularity() const
{
    return m_granularity;
}

bool Stopwatch::isRunning() const
{
    return m_state == Running;
}

bool Stopwatch::isPaused() const
{
    return m_state == Paused;
}

bool Stopwatch::isInactive() const
{
    return m_state == Inactive;
}

bool Stopwatch::isTicking() const
{
    return m_timerId != -1;
}

int Stopwatch::accumulatedTime() const
{
    return m_accumulatedTime;
}

void Stopwatch::start()
{
    if (m_state == Paused) {
        m_elapsedTimer.start();
        if (m_timerId == -1) {
            startTickTimer();
        }
    } else if (m_state == Inactive) {
        m_accumulatedTime = 0;
        m_elapsedTimer.start();
        if (m_timerId == -1) {
            startTickTimer();
        }
        m_state = Running;
        Q_EMIT runStarted();
    }
    m_state = Running;
    planLimit();
    Q_EMIT running();
    // A time preset or moved to the limit has nothing left to run.
    stopAtLimit();
}

void Stopwatch::pause()
{
    if (m_elapsedTimer.isValid()) {
        m_accumulatedTime = saturatedSum(m_accumulatedTime, m_elapsedTimer.elapsed());
    }
    m_elapsedTimer.invalidate();
    planLimit();
    // The listeners show the time of the last tick, up to a frame old; the time kept from
    // now on is this one.
    Q_EMIT time(m_accumulatedTime);
    m_state = Paused;
    Q_EMIT paused();
}

void Stopwatch::reset()
{
    m_elapsedTimer.invalidate();
    planLimit();
    // Retired here rather than by its next tick: no tick can announce a stale time after
    // time(0), and no event is handled in the middle of the change (a start arriving then
    // would run inside the reset and be undone by it).
    killTickTimer();
    m_accumulatedTime = 0;
    Q_EMIT time(0);
    m_state = Inactive;
    Q_EMIT inactive();
}

void Stopwatch::storeLap()
{
    // A lap at the limit is taken where the stopwatch stopped.
    stopAtLimit();
    // The display shows the lap's own time, not that of the last tick.
    const int now = currentTime();
    Q_EMIT time(now);
    Q_EMIT lap(now);
}

void Stopwatch::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timerId) {
        QObject::timerEvent(event);
        return;
    }
    if (stopAtLimit()) {
        return;
    }
    if (m_elapsedTimer.isValid()) {
        Q_EMIT time(currentTime());
    } else {
        killTickTimer();
    }
}

int Stopwatch::currentTime() const
{
    if (!m_elapsedTimer.isValid()) {
        return m_accumulatedTime;
    }
    return saturatedSum(m_accumulatedTime, m_elapsedTimer.elapsed());
}

bool Stopwatch::adjust(int milliseconds)
{
    if (m_state == Inactive) {
        return false;
    }
    const qint64 moved = qint64(currentTime()) + milliseconds;
    if (moved < 0 || moved > MaximumTime) {
        return false;
    }
    // The running span keeps counting from where it began, so an adjustment and its undo
    // give back the same time to the millisecond. While running, the kept time may fall
    // below zero for a moment; the span since the last start makes up for it.
    m_accumulatedTime += milliseconds;
    planLimit();
    Q_EMIT time(currentTime());
    Q_EMIT adjusted(milliseconds);
    stopAtLimit();
    return true;
}

void Stopwatch::planLimit()
{
    if (!m_elapsedTimer.isValid()) {
        m_limitTimer.stop();
        return;
    }
    m_limitTimer.start(std::chrono::milliseconds(qint64(MaximumTime) - currentTime()));
}

bool Stopwatch::stopAtLimit()
{
    if (!m_elapsedTimer.isValid() || currentTime() < MaximumTime) {
        return false;
    }
    pause();
    Q_EMIT limitReached();
    return true;
}

void Stopwatch::killTickTimer()
{
    if (m_timerId != -1) {
        killTimer(m_timerId);
        m_timerId = -1;
    }
}

void Stopwatch::startTickTimer()
{
    m_timerId = m_ticksSuspended ? -1 : startTimer(tickInterval(), Qt::CoarseTimer);
}

#include "moc_stopwatch.cpp"
