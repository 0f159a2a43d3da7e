// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "timeformat.h"

#include <QString>

/**
 * An elapsed time as words a screen reader can speak, such as "1 hour 2 minutes 3.45
 * seconds": the digits a display shows would be read as a clock time or digit by digit.
 */
class SpokenTime
{
public:
    // Hours and minutes are left out while they are zero; fractions are cut off to
    // @p precision, as the display cuts them.
    [[nodiscard]] static QString fromMilliseconds(qint64 milliseconds, TimeFormat::SecondFraction precision);
};
