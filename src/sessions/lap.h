// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QMetaType>
#include <QString>
#include <QTime>

class QJsonObject;

/**
 * One recorded lap: the elapsed time at the lap, the two texts under which the lap table
 * showed it, and the user's note.
 *
 * The elapsed time is held as a time of day counted from midnight, so it covers less than
 * 24 hours. The texts are stored as they were displayed and never derived from the time.
 */
class Lap
{
public:
    explicit Lap(const QTime &time = QTime(0, 0));

    [[nodiscard]] QTime time() const;
    // Moves the lap; its texts stay as they are until the caller forms them anew.
    void setTime(const QTime &time);
    // The time from this lap to @p lap; zero when @p lap is not later.
    [[nodiscard]] QTime timeTo(const Lap &lap) const;

    [[nodiscard]] QString relativeTime() const;
    void setRelativeTime(const QString &text);
    [[nodiscard]] QString absoluteTime() const;
    void setAbsoluteTime(const QString &text);
    [[nodiscard]] QString note() const;
    void setNote(const QString &note);

    void toJson(QJsonObject &json) const;
    [[nodiscard]] static Lap fromJson(const QJsonObject &json);
    [[nodiscard]] static Lap fromMilliseconds(int ms);

private:
    QTime m_time;
    QString m_relativeTime;
    QString m_absoluteTime;
    QString m_note;
};

Q_DECLARE_METATYPE(Lap)
