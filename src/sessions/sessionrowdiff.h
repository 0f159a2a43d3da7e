// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "session.h"

#include <QList>

/**
 * The row operations that turn one list of sessions into another, so that a view of the
 * list keeps its selection and its editors on the sessions that stay.
 *
 * The k-th session of an id in the first list is the k-th one of that id in the second;
 * a session without such a partner was removed or added. Sessions of one date are told
 * apart by their ids alone. When the partners do not keep their order (nothing but a file
 * reordered by hand does that), the diff says to show the second list anew instead.
 *
 * Applied in order, removals first, then insertions, then changes, the operations lead
 * from the first list to the second; each range holds its rows at the moment it is
 * applied.
 */
class SessionRowDiff
{
public:
    // Rows first to last, both included.
    struct Range {
        qsizetype first = 0;
        qsizetype last = 0;
        bool operator==(const Range &other) const = default;
    };

    SessionRowDiff(const QList<Session> &before, const QList<Session> &after);

    // Whether the rows must be replaced whole; the other operations are empty then.
    [[nodiscard]] bool isReset() const;
    // Rows of the first list, the last range first, so that no removal moves the rows of
    // one still to come.
    [[nodiscard]] QList<Range> removals() const;
    // Rows of the second list, the first range first; each is filled with the sessions
    // that stand there in the second list.
    [[nodiscard]] QList<Range> insertions() const;
    // Rows of the second list whose sessions stay but differ in any stored or shown field.
    [[nodiscard]] QList<Range> changes() const;
    [[nodiscard]] bool isEmpty() const;

    // Whether the rows of @p a and @p b would look and save the same.
    [[nodiscard]] static bool sameContent(const Session &a, const Session &b);

private:
    bool m_reset = false;
    QList<Range> m_removals;
    QList<Range> m_insertions;
    QList<Range> m_changes;
};
