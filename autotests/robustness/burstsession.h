// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "session.h"

#include <QTimeZone>

// The n-th session of a burst (counted from 1); the kill test checks the file against it.
inline Session burstSession(int n)
{
    using namespace Qt::Literals::StringLiterals;
    Session session(n * 1000, QDateTime(QDate(2026, 1, 1), QTime(0, 0), QTimeZone::UTC).addSecs(n));
    // A fixed id, so that the file can be checked against a session made anew.
    session.setId(u"burst-%1"_s.arg(n));
    session.setName(u"session %1"_s.arg(n));
    session.setNote(QString(n % 200, u'n'));
    for (int lap = 1; lap <= 3; ++lap) {
        session.addLap(Lap(n * 10 + lap));
    }
    return session;
}
