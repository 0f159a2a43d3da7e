// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "sessionrowdiff.h"

#include <QHash>

#include <algorithm>

namespace
{
// The runs of positions below @p size for which @p inRun holds, each as long as it goes.
template<typename Predicate>
QList<SessionRowDiff::Range> runs(qsizetype size, Predicate inRun)
{
    QList<SessionRowDiff::Range> result;
    for (qsizetype i = 0; i < size; ++i) {
        if (!inRun(i)) {
            continue;
        }
        qsizetype last = i;
        while (last + 1 < size && inRun(last + 1)) {
            ++last;
        }
        result.append({i, last});
        i = last;
    }
    return result;
}
}

SessionRowDiff::SessionRowDiff(const QList<Session> &before, const QList<Session> &after)
{
    // Pair the k-th row of an id with the k-th new session of that id; what has no partner
    // was removed or added.
    QHash<QString, QList<qsizetype>> positions;
    for (qsizetype i = 0; i < after.size(); ++i) {
        positions[after.at(i).id()].append(i);
    }
    QHash<QString, qsizetype> taken;
    QList<qsizetype> partner(before.size(), -1);
    qsizetype previous = -1;
    bool ordered = true;
    for (qsizetype row = 0; row < before.size(); ++row) {
        const QString key = before.at(row).id();
        const QList<qsizetype> candidates = positions.value(key);
        const qsizetype n = taken[key]++;
        if (n < candidates.size()) {
            partner[row] = candidates.at(n);
            ordered = ordered && partner[row] > previous;
            previous = partner[row];
        }
    }
    // No process of this program reorders sessions; a file reordered by hand is simply
    // shown anew.
    if (!ordered) {
        m_reset = true;
        return;
    }

    m_removals = runs(before.size(), [&partner](qsizetype row) {
        return partner.at(row) < 0;
    });
    std::reverse(m_removals.begin(), m_removals.end());

    // The rows left stand for ascending positions in the new list: filling the gaps in
    // order lines them up.
    QList<qsizetype> origin(after.size(), -1);
    for (qsizetype row = 0; row < before.size(); ++row) {
        if (partner.at(row) >= 0) {
            origin[partner.at(row)] = row;
        }
    }
    m_insertions = runs(after.size(), [&origin](qsizetype i) {
        return origin.at(i) < 0;
    });
    m_changes = runs(after.size(), [&origin, &before, &after](qsizetype i) {
        return origin.at(i) >= 0 && !sameContent(before.at(origin.at(i)), after.at(i));
    });
}

bool SessionRowDiff::isReset() const
{
    return m_reset;
}

QList<SessionRowDiff::Range> SessionRowDiff::removals() const
{
    return m_removals;
}

QList<SessionRowDiff::Range> SessionRowDiff::insertions() const
{
    return m_insertions;
}

QList<SessionRowDiff::Range> SessionRowDiff::changes() const
{
    return m_changes;
}

bool SessionRowDiff::isEmpty() const
{
    return !m_reset && m_removals.isEmpty() && m_insertions.isEmpty() && m_changes.isEmpty();
}

bool SessionRowDiff::sameContent(const Session &a, const Session &b)
{
    if (a.id() != b.id() || a.hasDerivedId() != b.hasDerivedId() || a.name() != b.name() || a.note() != b.note() || a.time() != b.time() || a.date() != b.date()
        || a.isOutdated() != b.isOutdated()) {
        return false;
    }
    const QList<Lap> lapsA = a.laps();
    const QList<Lap> lapsB = b.laps();
    return std::equal(lapsA.begin(), lapsA.end(), lapsB.begin(), lapsB.end(), [](const Lap &x, const Lap &y) {
        return x.time() == y.time() && x.relativeTime() == y.relativeTime() && x.absoluteTime() == y.absoluteTime() && x.note() == y.note();
    });
}
