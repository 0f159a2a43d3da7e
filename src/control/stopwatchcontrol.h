// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "lap.h"

#include <QList>
#include <QObject>

#include <optional>

class QWidget;

/**
 * What the world outside a window may do with its stopwatch.
 *
 * A window hands one of these to the control code instead of letting it reach into its
 * stopwatch, lap table and actions. The implementation is a child of the window and goes
 * with it. Commands follow the window's own rules (a lap only while running, and so on)
 * and say whether they did anything; none does anything while hasOpenDialog().
 *
 * An implementation calls announce() once it is fully built; from then on the
 * ControlRegistry knows it, and everything outside the window finds it there.
 */
class StopwatchControl : public QObject
{
    Q_OBJECT

public:
    enum class State {
        Inactive,
        Running,
        Paused,
    };
    Q_ENUM(State)

    explicit StopwatchControl(QWidget *window);
    ~StopwatchControl() override;

    [[nodiscard]] QWidget *window() const;

    [[nodiscard]] virtual State state() const = 0;
    [[nodiscard]] virtual int elapsedMilliseconds() const = 0;
    [[nodiscard]] virtual int lapCount() const = 0;
    /** Empty while the window's times were never stored. */
    [[nodiscard]] virtual QString sessionName() const = 0;
    /** The elapsed time as the window's display writes it. */
    [[nodiscard]] virtual QString displayedTime() const = 0;
    /**
     * Whether the window waits for the answer to a dialog of its own (a name for the
     * session, the question before closing, the settings). Commands are refused meanwhile:
     * the window's own buttons and keys are blocked as well, and the answer must apply to
     * the times the dialog was opened for, not to a run that went on behind it.
     */
    [[nodiscard]] virtual bool hasOpenDialog() const = 0;

    virtual bool start() = 0;
    virtual bool pause() = 0;
    virtual bool reset() = 0;
    virtual bool lap(const QString &note) = 0;
    /** Pauses a running stopwatch, starts or resumes any other. */
    bool toggle();

    /** Whether a save stored the times, and if not, why not in words for the caller. */
    struct SaveResult {
        bool stored = false;
        QString reason;
    };
    // A control that cannot store, list laps or close refuses; windows can all of it.
    /** Stores the times as a new session named @p name, without asking anything. */
    virtual SaveResult saveAs(const QString &name);
    /** Stores the times over the session they were saved as, without asking anything. */
    virtual SaveResult save();
    /** The laps in the order they were taken. */
    [[nodiscard]] virtual QList<Lap> laps() const;
    /**
     * Closes the window when that loses nothing and asks nothing: its stopwatch never
     * started or was reset, or its times are stored as they are.
     */
    virtual bool close();
    /** Takes back (takes again) the window's last edit; false when there is none. */
    virtual bool undo();
    virtual bool redo();

    /** What the run is compared with, by the names the bus uses ("none", "best", …). */
    [[nodiscard]] virtual QString comparison() const;
    /** Chooses a comparison by such a name; false for a name that cannot be chosen so. */
    virtual bool setComparison(const QString &name);
    /** The difference to the compared run at this moment, in milliseconds. */
    [[nodiscard]] virtual std::optional<qint64> difference() const;

    /** The lower-case word the outside world uses for a state: "inactive", "running", "paused". */
    [[nodiscard]] static QString stateName(State state);

Q_SIGNALS:
    void stateChanged(StopwatchControl::State state);
    void lapAdded(int number, const QString &note);

protected:
    void announce();

private:
    bool m_announced = false;
};
