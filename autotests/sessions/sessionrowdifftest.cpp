// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "sessionrowdiff.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

#include <functional>

using namespace Qt::Literals::StringLiterals;

using SessionEdit = std::function<void(Session &)>;
Q_DECLARE_METATYPE(SessionEdit)

namespace
{
// Every session of the tests has this date, so that nothing but the ids can tell them apart.
const QDateTime oneDate(QDate(2026, 5, 6), QTime(7, 8, 9), QTimeZone::UTC);

// A list from tokens: "a" is the session with id a, "a*" the same session with another
// note; an id may stand more than once, as in a file where one was copied by hand.
QList<Session> sessions(const QStringList &tokens)
{
    QList<Session> result;
    for (const QString &token : tokens) {
        const bool changed = token.endsWith(u'*');
        const QString id = changed ? token.chopped(1) : token;
        Session session(1000, oneDate);
        session.setId(id);
        session.setName(u"session "_s + id);
        session.setNote(changed ? u"changed"_s : QString());
        result.append(session);
    }
    return result;
}

QString rangesText(const QList<SessionRowDiff::Range> &ranges)
{
    QStringList texts;
    for (const SessionRowDiff::Range &range : ranges) {
        texts << u"%1-%2"_s.arg(range.first).arg(range.last);
    }
    return texts.join(u' ');
}

// "reset", or the operations in the order they are applied.
QString describe(const SessionRowDiff &diff)
{
    if (diff.isReset()) {
        return u"reset"_s;
    }
    QStringList parts;
    const auto add = [&parts](const char *name, const QList<SessionRowDiff::Range> &ranges) {
        if (!ranges.isEmpty()) {
            parts << QLatin1StringView(name) + u' ' + rangesText(ranges);
        }
    };
    add("remove", diff.removals());
    add("insert", diff.insertions());
    add("change", diff.changes());
    return parts.join(u"; "_s);
}

// Carries out @p diff on @p rows as a table model does, refusing a range outside the rows
// it meets at its turn; false then.
bool apply(const SessionRowDiff &diff, QList<Session> &rows, const QList<Session> &target)
{
    if (diff.isReset()) {
        rows = target;
        return true;
    }
    const auto valid = [](const SessionRowDiff::Range &range, qsizetype size) {
        return range.first >= 0 && range.first <= range.last && range.last < size;
    };
    for (const SessionRowDiff::Range &range : diff.removals()) {
        if (!valid(range, rows.size())) {
            return false;
        }
        rows.remove(range.first, range.last - range.first + 1);
    }
    for (const SessionRowDiff::Range &range : diff.insertions()) {
        if (!valid(range, rows.size() + range.last - range.first + 1) || range.last >= target.size()) {
            return false;
        }
        rows.insert(range.first, range.last - range.first + 1, Session());
        std::copy(target.begin() + range.first, target.begin() + range.last + 1, rows.begin() + range.first);
    }
    for (const SessionRowDiff::Range &range : diff.changes()) {
        if (!valid(range, rows.size()) || range.last >= target.size()) {
            return false;
        }
        std::copy(target.begin() + range.first, target.begin() + range.last + 1, rows.begin() + range.first);
    }
    return true;
}

bool sameRows(const QList<Session> &a, const QList<Session> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), &SessionRowDiff::sameContent);
}
}

class SessionRowDiffTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void operations_data();
    void operations();
    void everyStoredFieldCounts_data();
    void everyStoredFieldCounts();
};

void SessionRowDiffTest::operations_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QString>("expected");

    const QStringList abc{u"a"_s, u"b"_s, u"c"_s};
    QTest::newRow("nothing differs") << abc << abc << QString();
    QTest::newRow("both empty") << QStringList() << QStringList() << QString();

    QTest::newRow("append") << QStringList{u"a"_s, u"b"_s} << abc << u"insert 2-2"_s;
    QTest::newRow("insert at the start") << QStringList{u"b"_s, u"c"_s} << abc << u"insert 0-0"_s;
    QTest::newRow("insert a run") << QStringList{u"a"_s} << abc << u"insert 1-2"_s;
    QTest::newRow("insert between and around") << QStringList{u"b"_s, u"d"_s} << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s} << u"insert 0-0 2-2 4-4"_s;
    QTest::newRow("fill an empty list") << QStringList() << abc << u"insert 0-2"_s;

    QTest::newRow("remove the first") << abc << QStringList{u"b"_s, u"c"_s} << u"remove 0-0"_s;
    QTest::newRow("remove a run") << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s} << QStringList{u"a"_s, u"d"_s} << u"remove 1-2"_s;
    // The last first, so that no removal shifts the rows of one still to come.
    QTest::newRow("remove between and around") << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s} << QStringList{u"b"_s, u"d"_s} << u"remove 4-4 2-2 0-0"_s;
    QTest::newRow("remove all") << abc << QStringList() << u"remove 0-2"_s;

    QTest::newRow("update one") << abc << QStringList{u"a"_s, u"b*"_s, u"c"_s} << u"change 1-1"_s;
    QTest::newRow("update neighbours as one range") << abc << QStringList{u"a*"_s, u"b*"_s, u"c"_s} << u"change 0-1"_s;
    QTest::newRow("update apart") << abc << QStringList{u"a*"_s, u"b"_s, u"c*"_s} << u"change 0-0 2-2"_s;
    // An inserted row carries its session already; it is no change of its own and splits
    // the changed rows around it.
    QTest::newRow("update around an insertion") << QStringList{u"a"_s, u"c"_s} << QStringList{u"a*"_s, u"b"_s, u"c*"_s} << u"insert 1-1; change 0-0 2-2"_s;

    QTest::newRow("replace in the middle") << abc << QStringList{u"a"_s, u"x"_s, u"c"_s} << u"remove 1-1; insert 1-1"_s;
    QTest::newRow("remove, insert and update at once")
        << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s} << QStringList{u"b*"_s, u"x"_s, u"d"_s, u"y"_s} << u"remove 2-2 0-0; insert 1-1 3-3; change 0-0"_s;
    // Sessions of one date that are others by their ids are never taken for each other.
    QTest::newRow("other ids, one date") << QStringList{u"a"_s, u"b"_s} << QStringList{u"c"_s, u"d"_s} << u"remove 0-1; insert 0-1"_s;

    QTest::newRow("swapped") << QStringList{u"a"_s, u"b"_s} << QStringList{u"b"_s, u"a"_s} << u"reset"_s;
    QTest::newRow("last moved to the front") << abc << QStringList{u"c"_s, u"a"_s, u"b"_s} << u"reset"_s;
    QTest::newRow("moved and removed") << abc << QStringList{u"c"_s, u"a"_s} << u"reset"_s;
    QTest::newRow("moved and changed") << abc << QStringList{u"b*"_s, u"a"_s, u"c"_s} << u"reset"_s;

    // The k-th session of an id stays the k-th one.
    QTest::newRow("id twice, one removed") << QStringList{u"a"_s, u"a"_s, u"b"_s} << QStringList{u"a"_s, u"b"_s} << u"remove 1-1"_s;
    QTest::newRow("id twice, one added") << QStringList{u"a"_s, u"b"_s} << QStringList{u"a"_s, u"b"_s, u"a"_s} << u"insert 2-2"_s;
    QTest::newRow("id twice, the second changed") << QStringList{u"a"_s, u"a"_s} << QStringList{u"a"_s, u"a*"_s} << u"change 1-1"_s;
    QTest::newRow("id twice, a session between removed") << QStringList{u"a"_s, u"b"_s, u"a"_s} << QStringList{u"a"_s, u"a*"_s} << u"remove 1-1; change 1-1"_s;
}

void SessionRowDiffTest::operations()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    QFETCH(QString, expected);

    const QList<Session> first = sessions(before);
    const QList<Session> second = sessions(after);
    const SessionRowDiff diff(first, second);
    QCOMPARE(describe(diff), expected);
    QCOMPARE(diff.isEmpty(), expected.isEmpty());

    // Whatever the operations are, carried out in order they lead to the second list.
    QList<Session> rows = first;
    QVERIFY(apply(diff, rows, second));
    QVERIFY(sameRows(rows, second));
}

void SessionRowDiffTest::everyStoredFieldCounts_data()
{
    // A change to one field of a session that stays, which a view must be told of.
    QTest::addColumn<SessionEdit>("edit");

    // The session's lap, replaced by an edited copy.
    const auto lapEdit = [](const std::function<void(Lap &)> &editLap) {
        return SessionEdit([editLap](Session &session) {
            Lap lap = session.laps().constFirst();
            const int time = session.time();
            session.clear();
            session.setTime(time);
            editLap(lap);
            session.addLap(lap);
        });
    };
    QTest::newRow("name") << SessionEdit([](Session &s) {
        s.setName(u"renamed"_s);
    });
    QTest::newRow("note") << SessionEdit([](Session &s) {
        s.setNote(u"noted"_s);
    });
    QTest::newRow("time") << SessionEdit([](Session &s) {
        s.setTime(s.time() + 1);
    });
    QTest::newRow("date, a millisecond") << SessionEdit([](Session &s) {
        s.setDate(s.date().addMSecs(1));
    });
    QTest::newRow("outdated") << SessionEdit([](Session &s) {
        s.setIsOutdated(true);
    });
    // The same id, but stored now rather than derived from the date.
    QTest::newRow("id stored") << SessionEdit([](Session &s) {
        s.setId(s.id());
    });
    QTest::newRow("another lap") << SessionEdit([](Session &s) {
        s.addLap(Lap(40'000));
    });
    QTest::newRow("lap time") << lapEdit([](Lap &lap) {
        Lap later(21'000);
        later.setRelativeTime(lap.relativeTime());
        later.setAbsoluteTime(lap.absoluteTime());
        lap = later;
    });
    QTest::newRow("lap time since the previous") << lapEdit([](Lap &lap) {
        lap.setRelativeTime(u"00:21.00"_s);
    });
    QTest::newRow("lap time since the start") << lapEdit([](Lap &lap) {
        lap.setAbsoluteTime(u"00:21.00"_s);
    });
    QTest::newRow("lap note") << lapEdit([](Lap &lap) {
        lap.setNote(u"fast"_s);
    });
}

void SessionRowDiffTest::everyStoredFieldCounts()
{
    QFETCH(SessionEdit, edit);

    // A session as read from a file that holds no id for it, with one lap.
    const QJsonObject stored{{u"name"_s, u"run"_s},
                             {u"time"_s, 20000},
                             {u"date"_s, u"2026-05-06T07:08:09"_s},
                             {u"laps"_s, QJsonArray{QJsonObject{{u"time"_s, 20000}, {u"reltime"_s, u"00:20.00"_s}, {u"abstime"_s, u"00:20.00"_s}}}}};
    const Session session = Session::fromJson(stored);
    QVERIFY(session.hasDerivedId());
    QCOMPARE(session.laps().size(), 1);
    QVERIFY(SessionRowDiff::sameContent(session, session));

    Session edited = session;
    edit(edited);
    QCOMPARE(edited.id(), session.id());
    QVERIFY(!SessionRowDiff::sameContent(session, edited));

    // Between two sessions that stay as they are, of the same date.
    const QList<Session> neighbours = sessions({u"a"_s, u"c"_s});
    const SessionRowDiff diff({neighbours.at(0), session, neighbours.at(1)}, {neighbours.at(0), edited, neighbours.at(1)});
    QCOMPARE(describe(diff), u"change 1-1"_s);
}

QTEST_GUILESS_MAIN(SessionRowDiffTest)

#include "sessionrowdifftest.moc"
