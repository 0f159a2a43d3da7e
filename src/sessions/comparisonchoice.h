// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

class Lap;
class QJsonObject;

/**
 * What a session's run is compared with, as the session keeps it: one of the kinds worked
 * out from the stored runs of its name, or a run chosen by hand.
 *
 * A chosen run is kept with its laps, not as a reference to a stored session: it may be a
 * lap export, and a session removed later must not take the comparison with it.
 */
class ComparisonChoice
{
public:
    enum Kind {
        None,
        PreviousRun,
        BestRun,
        BestLaps,
        Chosen,
    };

    ComparisonChoice() = default;
    explicit ComparisonChoice(Kind kind);
    /** A run chosen by hand: its title and its laps' times since the start, oldest first. */
    ComparisonChoice(const QString &title, const QList<qint64> &lapsSinceStart);
    /** A run chosen by hand, from its laps. */
    [[nodiscard]] static ComparisonChoice ofLaps(const QString &title, const QList<Lap> &laps);

    [[nodiscard]] Kind kind() const;
    [[nodiscard]] QString title() const;
    [[nodiscard]] QList<qint64> lapsSinceStart() const;

    /** The kind's name on the bus and in the file: "none", "previous", "best", "bestLaps", "session". */
    [[nodiscard]] static QString kindName(Kind kind);
    /** The kind of @p name; None, with @p known set to false, for any other name. */
    [[nodiscard]] static Kind kindFromName(const QString &name, bool *known = nullptr);

    /** Writes nothing for None, so that files stay as they were for whoever compares with nothing. */
    void toJson(QJsonObject &json) const;
    /** None for a missing, unknown or damaged field: older and newer files read alike. */
    [[nodiscard]] static ComparisonChoice fromJson(const QJsonObject &json);

    bool operator==(const ComparisonChoice &other) const = default;

private:
    Kind m_kind = None;
    QString m_title;
    QList<qint64> m_lapsSinceStart;
};

Q_DECLARE_METATYPE(ComparisonChoice)
