// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <limits>

/**
 * The timekeeping engine of one window.
 *
 * Elapsed time always comes from a monotonic clock; the object timer only paces how
 * often the current value is announced through time(). Ticks are never counted, so a
 * late or dropped tick cannot make the time drift.
 *
 * The tick timer is not killed by pause(): the first tick that finds the clock stopped
 * kills it, so pausing and resuming quickly reuses the timer instead of piling up new
 * ones. reset() retires it at once.
 *
 * Every change that settles the time (pause, lap, reset, initialize) announces it through
 * time() before the state signal, so a display paced to the screen never keeps the digits
 * of the last tick.
 */
class Stopwatch : public QObject
{
    Q_OBJECT

public:
    enum State {
        Inactive = 0,
        Running = 1,
        Paused = 2,
    };
    Q_ENUM(State)

    /**
     * The longest elapsed time in milliseconds, a little under 25 days (596 hours). Times
     * travel as int everywhere, laps and stored sessions included; nothing holds a longer
     * one. A running stopwatch that reaches it pauses there and says so (limitReached()).
     */
    static constexpr int MaximumTime = std::numeric_limits<int>::max();

    explicit Stopwatch(QObject *parent = nullptr);

    /**
     * Presets an inactive stopwatch to a paused time, as when a saved session is opened.
     * Emits time(ms) but not paused(); the caller switches its own state.
     * @return false, changing nothing, unless the stopwatch is inactive and ms > 0
     */
    bool initialize(int ms);

    /**
     * Sets the tick interval in milliseconds; a running tick timer is restarted with it.
     * Intervals below 1 ms are ignored, since a zero interval would turn the tick into a
     * busy loop.
     */
    void setGranularity(int ms);
    [[nodiscard]] int granularity() const;

    [[nodiscard]] bool isRunning() const;
    [[nodiscard]] bool isPaused() const;
    [[nodiscard]] bool isInactive() const;

    /** Whether a tick timer is registered; it lingers for at most one tick after a pause. */
    [[nodiscard]] bool isTicking() const;

    /**
     * The shortest tick interval in milliseconds, whatever the granularity asks for: ticks
     * faster than the screen can show are work nobody sees. 0, the default, sets no limit.
     */
    void setMinimumInterval(int ms);
    [[nodiscard]] int minimumInterval() const;
    /** The interval the tick timer runs at: the granularity, held to the minimum interval. */
    [[nodiscard]] int tickInterval() const;

    /**
     * Stops the ticks while nobody can see them; the clock runs on, so laps, pauses and the
     * saved time stay exact. Lifting the suspension announces the current time at once.
     */
    void setTicksSuspended(bool suspended);
    [[nodiscard]] bool ticksSuspended() const;

    /**
     * Announces the current time through time(), as a tick of the stopwatch's own timer
     * would; for a caller that paces the ticks itself, by a compositor's frame clock for
     * instance, while the own ticks are suspended. Does nothing unless running.
     */
    void tick();

    /**
     * The time up to the last pause; a running span is not included. After an adjustment
     * while running it can be below zero, never so far that the current time is.
     */
    [[nodiscard]] int accumulatedTime() const;

    /** The elapsed time now, a running span included. */
    [[nodiscard]] int currentTime() const;

    /**
     * Moves the elapsed time by @p milliseconds, also while running, for a run started
     * late or early. Emits time() and adjusted().
     * @return false, changing nothing, when the stopwatch is inactive or the time would
     * leave 0 … INT_MAX
     */
    bool adjust(int milliseconds);

Q_SIGNALS:
    void running();
    /** A new run began from zero: start() on an inactive stopwatch, before running(). */
    void runStarted();
    void paused();
    void inactive();
    /** A lap taken at @p sinceStart milliseconds. */
    void lap(int sinceStart);
    void time(int t);
    /** The elapsed time was moved by @p milliseconds without the state changing. */
    void adjusted(int milliseconds);
    /** The running time reached MaximumTime and the stopwatch paused there; after paused(). */
    void limitReached();
    /** A new tick interval was asked for; the same or a refused one is not announced. */
    void granularityChanged(int ms);

public Q_SLOTS:
    void start();
    void pause();
    void reset();
    void storeLap();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    void startTickTimer();
    void killTickTimer();
    void restartTickTimer(int previousInterval);
    // Set while running for the moment the time reaches MaximumTime.
    void planLimit();
    // Pauses at MaximumTime once a running time has reached it; true if it did.
    bool stopAtLimit();

    int m_timerId = -1;
    // An object of its own, so that the stopwatch's own timer stays the tick timer alone.
    QTimer m_limitTimer;
    int m_accumulatedTime = 0;
    State m_state = Inactive;
    int m_granularity = 10;
    QElapsedTimer m_elapsedTimer;
    int m_minimumInterval = 0;
    bool m_ticksSuspended = false;
};
