// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QMetaType>
#include <QString>

/**
 * Which fields of an elapsed time are shown and how it becomes text.
 *
 * The elapsed time arrives in milliseconds. The hours count the whole time, past a day
 * too, with two digits at least; minutes and seconds are those of the hour and minute.
 * Seconds are always shown; hours and minutes can be switched on later but never off
 * again, which is what the time display needs when a run grows past the fields the user
 * chose. A time below zero has no text.
 */
class TimeFormat
{
    Q_GADGET

public:
    // The values double as digit counts of the fraction group (1, 2, 3 digits, none) and
    // are stored by name in the settings file.
    enum SecondFraction {
        UpToTenths = 0,
        UpToHundredths = 1,
        UpToMilliseconds = 2,
        NoFractions = 3,
    };
    Q_ENUM(SecondFraction)

    explicit TimeFormat(bool showHours = false, bool showMinutes = true, SecondFraction fractions = UpToHundredths);

    [[nodiscard]] QString format(qint64 milliseconds) const;
    [[nodiscard]] QString formatHours(qint64 milliseconds) const;
    [[nodiscard]] QString formatMinutes(qint64 milliseconds) const;
    [[nodiscard]] QString formatSeconds(qint64 milliseconds) const;
    [[nodiscard]] QString formatSecondFractions(qint64 milliseconds) const;

    void showHours();
    void showMinutes();
    void setDividers(bool dividers);

    [[nodiscard]] bool hasHours() const;
    [[nodiscard]] bool hasMinutes() const;
    [[nodiscard]] bool hasFractions() const;
    [[nodiscard]] SecondFraction secondFractions() const;
    /** The milliseconds one step of the last digit spans at @p fractions: 100 for tenths,
     *  1000 without fractions. */
    [[nodiscard]] static int lastDigitStep(SecondFraction fractions);

    bool operator==(const TimeFormat &other) const;
    bool operator!=(const TimeFormat &other) const;

private:
    bool m_showHours;
    bool m_showMinutes;
    bool m_showDividers = true;
    SecondFraction m_fractions;
};

Q_DECLARE_METATYPE(TimeFormat::SecondFraction)
