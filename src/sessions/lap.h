// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QMetaType>
#include <QString>

class QJsonObject;

/**
 * One recorded lap: the elapsed time at the lap, the two texts under which the lap table
 * showed it, and the user's note.
 *
 * The elapsed time is held in milliseconds since the start, in the stopwatch's range
 * (0 … Stopwatch::MaximumTime). The texts are stored as they were displayed and never
 * derived from the time.
 */
class Lap
{
public:
    explicit Lap(int time = 0);

    // The milliseconds since the start at which the lap was taken.
    [[nodiscard]] int time() const;
    // Moves the lap; its texts stay as they are until the caller forms them anew.
    void setTime(int time);
    // The milliseconds from this lap to @p lap; zero when @p lap is not later.
    [[nodiscard]] int timeTo(const Lap &lap) const;

    [[nodiscard]] QString relativeTime() const;
    void setRelativeTime(const QString &text);
    [[nodiscard]] QString absoluteTime() const;
    void setAbsoluteTime(const QString &text);
    [[nodiscard]] QString note() const;
    void setNote(const QString &note);

    void toJson(QJsonObject &json) const;
    [[nodiscard]] static Lap fromJson(const QJsonObject &json);
    // A lap at @p ms, held to the stopwatch's range.
    [[nodiscard]] static Lap fromMilliseconds(qint64 ms);

private:
    int m_time = 0;
    QString m_relativeTime;
    QString m_absoluteTime;
    QString m_note;
};

Q_DECLARE_METATYPE(Lap)
