// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "lap.h"
#include "session.h"
#include "stopwatch.h"

#include <QList>
#include <QString>

#include <optional>

class QJsonObject;

/**
 * Everything a window would lose if the program ended now: the stopwatch's state and time,
 * the laps with their notes, the session the window shows and its modified mark.
 *
 * A running stopwatch is recorded as the time it showed at a moment of the monotonic
 * clock. That clock is shared by every process of one boot, so a later process can add
 * the time that passed in between, but only if the machine was not restarted: the boot
 * identity recorded with it tells.
 */
struct WindowSnapshot {
    Stopwatch::State state = Stopwatch::Inactive;
    // Milliseconds the stopwatch showed at recordedAt.
    int elapsed = 0;
    // QElapsedTimer::msecsSinceReference() when elapsed was read.
    qint64 recordedAt = 0;
    // Empty where the system does not tell; such a record is never taken for this boot.
    QString bootId;
    // Name, note, date, stored time and outdated mark; the window's laps are in laps.
    Session session;
    // What the window is called while the session has no name, such as the file its laps
    // were imported from; empty for an untitled window.
    QString title;
    QList<Lap> laps;
    bool modified = false;

    void toJson(QJsonObject &json) const;
    /** nullopt for anything that is not a complete record of this version. */
    [[nodiscard]] static std::optional<WindowSnapshot> fromJson(const QJsonObject &json);

    /**
     * Everything but the laps, the boot and the version: what changes with each action of
     * the user and so goes with every record of the journal.
     */
    void stateToJson(QJsonObject &json) const;
    /** Takes over the state written by stateToJson(); false, changing nothing, unless it is whole. */
    [[nodiscard]] bool readState(const QJsonObject &json);

    /**
     * The snapshot as this process has to continue it. A stopwatch that was running goes on
     * running with the time that passed since it was recorded, when @p bootId is the same
     * boot; otherwise the monotonic clock has started anew and it is paused at the
     * recorded time.
     */
    [[nodiscard]] WindowSnapshot continuedAt(const QString &bootId, qint64 monotonicNow) const;

    /**
     * Whether a window in @p state at @p elapsed with @p laps has anything to recover or to
     * lose. A running stopwatch has, as its time grows; a standing one needs a time or laps,
     * so a stopwatch paused at zero by a sleep of the computer has none.
     */
    [[nodiscard]] static bool holdsTimes(Stopwatch::State state, qint64 elapsed, qsizetype laps);
    [[nodiscard]] bool holdsTimes() const;

    /** The identity of the running boot, or empty where the system has none. */
    [[nodiscard]] static QString currentBootId();
    [[nodiscard]] static qint64 monotonicNow();
};
