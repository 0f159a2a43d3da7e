// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "session.h"

#include <QTimeZone>

// The sessions that the sessionchanger helper number @p process adds, renames and removes.
inline QString changerName(int process, int n, bool renamed)
{
    using namespace Qt::Literals::StringLiterals;
    return u"process %1 session %2"_s.arg(process).arg(n) + (renamed ? u" renamed"_s : QString());
}

// Every third one is removed again.
inline bool changerKeeps(int n)
{
    return n % 3 != 0;
}

inline Session changerSession(int process, int n)
{
    // Dates of their own: sessions are told apart by their date.
    Session session(n * 1000, QDateTime(QDate(2026, 1, 1), QTime(0, 0), QTimeZone::UTC).addSecs(process * 100000 + n));
    session.setName(changerName(process, n, false));
    return session;
}
