// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "session.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QTimeZone>

using namespace Qt::Literals::StringLiterals;

class SessionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void registeredByName();
    void defaults();
    void fromJson_data();
    void fromJson();
    void toJsonWritesEveryMember();
    void dateText_data();
    void dateText();
    void readBackInTheOrderSaved_data();
    void readBackInTheOrderSaved();
    void roundTripKeepsDateToTheSecond();
    void idsOfReadSessions_data();
    void idsOfReadSessions();
    void equality_data();
    void equality();
    void emptinessAndClear();
    void outdatedFlagIsCopiedButNeverSaved();
    void travelsInVariant();
    void comparisonChoice_data();
    void newRunSurvivesAReset();
    void comparisonChoice();
};

namespace
{
const QDateTime someDate(QDate(2026, 1, 2), QTime(3, 4, 5));

// The test runs with the clock rules of Berlin, which went back from 03:00 to 02:00 on this
// day: 02:30 came twice, at 00:30 and at 01:30 UTC.
QDateTime onTheDayTheClocksWentBack(int hour, int minute)
{
    return QDateTime(QDate(2026, 10, 25), QTime(hour, minute), QTimeZone::UTC).toLocalTime();
}

QString dateTextOf(const QDateTime &date)
{
    QJsonObject json;
    Session(0, date).toJson(json);
    return json.value(u"date"_s).toString();
}
}

// Runs first, before any test has made Qt register the type on its own.
void SessionTest::registeredByName()
{
    QCOMPARE(QMetaType::fromName("Session"), QMetaType::fromType<Session>());
}

void SessionTest::defaults()
{
    const QDateTime before = QDateTime::currentDateTime();
    const Session session;
    const QDateTime after = QDateTime::currentDateTime();

    QCOMPARE(session.time(), 0);
    QVERIFY(session.date() >= before && session.date() <= after);
    QVERIFY(session.name().isEmpty());
    QVERIFY(session.note().isEmpty());
    QVERIFY(session.laps().isEmpty());
    QVERIFY(!session.isOutdated());
    QVERIFY(!session.hasDerivedId());

    const Session given(1500, someDate);
    QCOMPARE(given.time(), 1500);
    QCOMPARE(given.date(), someDate);
    // Two sessions begun in the same millisecond are still two sessions.
    QVERIFY(!given.id().isEmpty());
    QVERIFY(given.id() != session.id());
    QVERIFY(given.id() != Session(1500, someDate).id());
}

void SessionTest::fromJson_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("note");
    QTest::addColumn<int>("time");
    QTest::addColumn<QDateTime>("date");
    QTest::addColumn<QList<int>>("sinceStart");

    QTest::newRow("complete") << R"({"name": "Run", "note": "windy", "time": 95000, "date": "2026-01-02T03:04:05",
                                     "laps": [{"time": 62345}, {"time": 90000}]})"_ba
                              << u"Run"_s << u"windy"_s << 95000 << someDate << QList<int>{62'345, 90'000};
    QTest::newRow("utc date") << R"({"date": "2026-01-02T03:04:05Z", "laps": []})"_ba << QString() << QString() << 0
                              << QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), QTimeZone::UTC) << QList<int>();
    QTest::newRow("offset date") << R"({"date": "2026-01-02T03:04:05+02:00", "laps": []})"_ba << QString() << QString() << 0
                                 << QDateTime(QDate(2026, 1, 2), QTime(1, 4, 5), QTimeZone::UTC) << QList<int>();
    QTest::newRow("laps past a day") << R"({"time": 90005000, "date": "2026-01-02T03:04:05", "laps": [{"time": 86401052}, {"time": 90000000}]})"_ba << QString()
                                     << QString() << 90'005'000 << someDate << QList<int>{86'401'052, 90'000'000};
    QTest::newRow("negative time stays") << R"({"time": -20, "date": "2026-01-02T03:04:05"})"_ba << QString() << QString() << -20 << someDate << QList<int>();
    QTest::newRow("everything missing") << "{}"_ba << QString() << QString() << 0 << QDateTime() << QList<int>();
    QTest::newRow("date not iso") << R"({"date": "02.01.2026 03:04:05"})"_ba << QString() << QString() << 0 << QDateTime() << QList<int>();
    QTest::newRow("date not a string") << R"({"date": 20260102})"_ba << QString() << QString() << 0 << QDateTime() << QList<int>();
    QTest::newRow("texts and time of wrong types") << R"({"name": 1, "note": false, "time": "95000", "date": "2026-01-02T03:04:05"})"_ba << QString()
                                                   << QString() << 0 << someDate << QList<int>();
    QTest::newRow("laps is a number") << R"({"date": "2026-01-02T03:04:05", "laps": 3})"_ba << QString() << QString() << 0 << someDate << QList<int>();
    QTest::newRow("laps is an object") << R"({"date": "2026-01-02T03:04:05", "laps": {"time": 5}})"_ba << QString() << QString() << 0 << someDate
                                       << QList<int>();
    QTest::newRow("lap element is a number") << R"({"date": "2026-01-02T03:04:05", "laps": [7, {"time": 1000}]})"_ba << QString() << QString() << 0 << someDate
                                             << QList<int>{0, 1000};
}

void SessionTest::fromJson()
{
    QFETCH(QByteArray, json);
    QFETCH(QDateTime, date);
    QFETCH(QList<int>, sinceStart);
    const QJsonDocument document = QJsonDocument::fromJson(json);
    QVERIFY(document.isObject());

    const Session session = Session::fromJson(document.object());
    QTEST(session.name(), "name");
    QTEST(session.note(), "note");
    QTEST(session.time(), "time");
    QCOMPARE(session.date().isValid(), date.isValid());
    if (date.isValid()) {
        QCOMPARE(session.date(), date);
    }
    QVERIFY(!session.isOutdated());

    const QList<Lap> laps = session.laps();
    QCOMPARE(laps.size(), sinceStart.size());
    for (qsizetype i = 0; i < laps.size(); ++i) {
        QCOMPARE(laps.at(i).time(), sinceStart.at(i));
        QVERIFY(laps.at(i).relativeTime().isEmpty());
        QVERIFY(laps.at(i).note().isEmpty());
    }
}

void SessionTest::toJsonWritesEveryMember()
{
    Session session(95000, someDate);
    session.setIsOutdated(true);

    QJsonObject json;
    session.toJson(json);
    const QJsonObject expected{
        {u"id"_s, session.id()},
        {u"name"_s, QString()},
        {u"note"_s, QString()},
        {u"time"_s, 95000},
        {u"date"_s, u"2026-01-02T03:04:05+01:00"_s},
        {u"laps"_s, QJsonArray()},
    };
    QCOMPARE(json, expected);

    Lap first(62'345);
    first.setRelativeTime(u"01:02.34"_s);
    first.setAbsoluteTime(u"01:02.34"_s);
    first.setNote(u"first"_s);
    session.addLap(first);
    session.addLap(Lap(90'000));
    session.setName(u"Run"_s);
    session.setNote(u"windy"_s);
    session.toJson(json);

    QCOMPARE(json.value(u"name"_s), QJsonValue(u"Run"_s));
    QCOMPARE(json.value(u"note"_s), QJsonValue(u"windy"_s));
    const QJsonArray laps = json.value(u"laps"_s).toArray();
    QCOMPARE(laps.size(), 2);
    QCOMPARE(laps.at(0).toObject(), (QJsonObject{{u"time"_s, 62345}, {u"reltime"_s, u"01:02.34"_s}, {u"abstime"_s, u"01:02.34"_s}, {u"note"_s, u"first"_s}}));
    QCOMPARE(laps.at(1).toObject().value(u"time"_s), QJsonValue(90000));
}

void SessionTest::dateText_data()
{
    QTest::addColumn<QDateTime>("date");
    QTest::addColumn<QString>("text");

    QTest::newRow("local") << someDate << u"2026-01-02T03:04:05+01:00"_s;
    QTest::newRow("local with milliseconds") << someDate.addMSecs(678) << u"2026-01-02T03:04:05+01:00"_s;
    QTest::newRow("local in summer") << QDateTime(QDate(2026, 7, 2), QTime(3, 4, 5)) << u"2026-07-02T03:04:05+02:00"_s;
    QTest::newRow("first 02:30 of the clock change") << onTheDayTheClocksWentBack(0, 30) << u"2026-10-25T02:30:00+02:00"_s;
    QTest::newRow("second 02:30 of the clock change") << onTheDayTheClocksWentBack(1, 30) << u"2026-10-25T02:30:00+01:00"_s;
    QTest::newRow("utc") << QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), QTimeZone::UTC) << u"2026-01-02T03:04:05Z"_s;
    QTest::newRow("fixed offset") << QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), QTimeZone::fromSecondsAheadOfUtc(-5400)) << u"2026-01-02T03:04:05-01:30"_s;
}

void SessionTest::dateText()
{
    QFETCH(QDateTime, date);
    QJsonObject json;
    Session(0, date).toJson(json);
    QTEST(json.value(u"date"_s).toString(), "text");

    const Session reread = Session::fromJson(json);
    QCOMPARE(reread.date(), date.addMSecs(-date.time().msec()));
}

void SessionTest::readBackInTheOrderSaved_data()
{
    // Date texts of two saves as a sessions file holds them, the earlier save first.
    QTest::addColumn<QString>("earlier");
    QTest::addColumn<QString>("later");

    QTest::newRow("saved across the clock change") << dateTextOf(onTheDayTheClocksWentBack(0, 50)) << dateTextOf(onTheDayTheClocksWentBack(1, 10));
    QTest::newRow("saved at both 02:30") << dateTextOf(onTheDayTheClocksWentBack(0, 30)) << dateTextOf(onTheDayTheClocksWentBack(1, 30));
    QTest::newRow("earlier version, without offsets") << u"2026-10-24T20:00:00"_s << u"2026-10-25T08:00:00"_s;
    QTest::newRow("earlier version, then this one") << u"2026-10-25T01:59:00"_s << dateTextOf(onTheDayTheClocksWentBack(1, 10));
    QTest::newRow("saved in other zones") << u"2026-03-01T10:00:00+01:00"_s << u"2026-03-01T06:00:00-04:00"_s;
}

void SessionTest::readBackInTheOrderSaved()
{
    QFETCH(QString, earlier);
    QFETCH(QString, later);

    const Session first = Session::fromJson(QJsonObject{{u"date"_s, earlier}});
    const Session second = Session::fromJson(QJsonObject{{u"date"_s, later}});
    // "Previous Run" is the one with the later date.
    QVERIFY2(first.date() < second.date(), qPrintable(earlier + u" / "_s + later));

    // Every change of the file writes all sessions again.
    QCOMPARE(Session::fromJson(QJsonObject{{u"date"_s, dateTextOf(first.date())}}).date(), first.date());
    QCOMPARE(Session::fromJson(QJsonObject{{u"date"_s, dateTextOf(second.date())}}).date(), second.date());
    // Shown in the user's zone, wherever they were saved.
    QCOMPARE(second.date().timeSpec(), Qt::LocalTime);
}

void SessionTest::roundTripKeepsDateToTheSecond()
{
    const QDateTime withMilliseconds = someDate.addMSecs(500);
    Session session(12345, withMilliseconds);
    session.setName(u"Name"_s);
    session.setNote(u"Note"_s);
    Lap lap(10'001);
    lap.setAbsoluteTime(u"00:10.00"_s);
    session.addLap(lap);

    QJsonObject json;
    session.toJson(json);
    const Session reread = Session::fromJson(QJsonDocument::fromJson(QJsonDocument(json).toJson()).object());

    QCOMPARE(reread.name(), u"Name"_s);
    QCOMPARE(reread.note(), u"Note"_s);
    QCOMPARE(reread.time(), 12345);
    QCOMPARE(reread.laps().size(), 1);
    QCOMPARE(reread.laps().first().time(), 10'001);
    QCOMPARE(reread.laps().first().absoluteTime(), u"00:10.00"_s);
    QCOMPARE(reread.date(), someDate);
    // The file keeps the date to the second only; the session must still be the same one.
    QCOMPARE(reread.id(), session.id());
    QVERIFY(!reread.hasDerivedId());
    QVERIFY(reread == session);
    QVERIFY(reread != Session(0, someDate));
}

void SessionTest::idsOfReadSessions_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<int>("firstBefore");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<int>("secondBefore");
    // Whether the two read sessions are one session.
    QTest::addColumn<bool>("same");

    const QByteArray legacy = R"({"name": "Run", "date": "2026-01-02T03:04:05"})";
    QTest::newRow("without id, read twice") << legacy << 0 << legacy << 0 << true;
    QTest::newRow("without id, renamed") << legacy << 0 << R"({"name": "Renamed", "date": "2026-01-02T03:04:05"})"_ba << 0 << true;
    QTest::newRow("without id, a second apart") << legacy << 0 << R"({"name": "Run", "date": "2026-01-02T03:04:06"})"_ba << 0 << false;
    QTest::newRow("without id, second of one date") << legacy << 0 << legacy << 1 << false;
    QTest::newRow("without id or date, told apart by order") << R"({"name": "a"})"_ba << 0 << R"({"name": "b"})"_ba << 1 << false;
    QTest::newRow("stored id, any date") << R"({"id": "x1", "date": "2026-01-02T03:04:05"})"_ba << 0 << R"({"id": "x1", "date": "2027-01-01T00:00:00"})"_ba << 3
                                         << true;
    QTest::newRow("stored ids, one date") << R"({"id": "x1", "date": "2026-01-02T03:04:05"})"_ba << 0 << R"({"id": "x2", "date": "2026-01-02T03:04:05"})"_ba
                                          << 0 << false;
    QTest::newRow("empty id is none") << R"({"id": "", "date": "2026-01-02T03:04:05"})"_ba << 0 << legacy << 0 << true;
    QTest::newRow("id not a string is none") << R"({"id": 7, "date": "2026-01-02T03:04:05"})"_ba << 0 << legacy << 0 << true;
}

void SessionTest::idsOfReadSessions()
{
    QFETCH(QByteArray, first);
    QFETCH(int, firstBefore);
    QFETCH(QByteArray, second);
    QFETCH(int, secondBefore);
    QFETCH(bool, same);

    const Session a = Session::fromJson(QJsonDocument::fromJson(first).object(), firstBefore);
    const Session b = Session::fromJson(QJsonDocument::fromJson(second).object(), secondBefore);
    QVERIFY(!a.id().isEmpty());
    QVERIFY(!b.id().isEmpty());
    QCOMPARE(a == b, same);
    for (const auto &[session, json] : {std::pair{a, first}, std::pair{b, second}}) {
        const QString stored = QJsonDocument::fromJson(json).object().value(u"id"_s).toString();
        QCOMPARE(session.hasDerivedId(), stored.isEmpty());
        if (!stored.isEmpty()) {
            QCOMPARE(session.id(), stored);
        }
    }

    // Once written, a derived id is read back as the session's own.
    QJsonObject written;
    a.toJson(written);
    const Session reread = Session::fromJson(written, 5);
    QCOMPARE(reread.id(), a.id());
    QVERIFY(!reread.hasDerivedId());
}

void SessionTest::equality_data()
{
    QTest::addColumn<Session>("first");
    QTest::addColumn<Session>("second");
    QTest::addColumn<bool>("equal");

    Session original(0, someDate);
    Session differentInAllButId(5000, someDate.addMSecs(678));
    differentInAllButId.setId(original.id());
    differentInAllButId.setName(u"other"_s);
    differentInAllButId.setNote(u"other"_s);
    differentInAllButId.addLap(Lap(1000));
    differentInAllButId.setIsOutdated(true);
    Session sameDateOtherId(0, someDate);
    Session invalidDate(1, QDateTime());
    Session invalidDateToo(2, QDateTime());
    invalidDateToo.setId(invalidDate.id());

    QTest::newRow("only the id in common") << original << differentInAllButId << true;
    QTest::newRow("same date, other id") << original << sameDateOtherId << false;
    QTest::newRow("copy") << original << Session(original) << true;
    QTest::newRow("one id, both dates invalid") << invalidDate << invalidDateToo << true;
    QTest::newRow("two ids, both dates invalid") << invalidDate << Session(1, QDateTime()) << false;
}

void SessionTest::equality()
{
    QFETCH(Session, first);
    QFETCH(Session, second);
    QFETCH(bool, equal);
    QCOMPARE(first == second, equal);
    QCOMPARE(second == first, equal);
    QCOMPARE(first != second, !equal);
    // The store relies on the registered equality when sessions travel in variants.
    QCOMPARE(QVariant::fromValue(first) == QVariant::fromValue(second), equal);
}

void SessionTest::emptinessAndClear()
{
    Session session(0, someDate);
    session.addLap(Lap(1000));
    QVERIFY(session.isEmpty());

    session.setTime(1000);
    session.setName(u"Name"_s);
    session.setNote(u"Note"_s);
    session.setIsOutdated(true);
    QVERIFY(!session.isEmpty());

    session.clear();
    QVERIFY(session.isEmpty());
    QCOMPARE(session.time(), 0);
    QVERIFY(session.laps().isEmpty());
    QCOMPARE(session.name(), u"Name"_s);
    QCOMPARE(session.note(), u"Note"_s);
    QCOMPARE(session.date(), someDate);
    QVERIFY(session.isOutdated());
}

void SessionTest::outdatedFlagIsCopiedButNeverSaved()
{
    Session session(1000, someDate);
    session.setIsOutdated(true);
    const Session copy = session;
    QVERIFY(copy.isOutdated());

    QJsonObject json;
    session.toJson(json);
    QCOMPARE(json.size(), 6);
    QVERIFY(!json.contains(u"outdated"_s));
    QVERIFY(!Session::fromJson(json).isOutdated());
}

void SessionTest::travelsInVariant()
{
    QVERIFY(QMetaType::fromType<Session>().isEqualityComparable());

    Session session(42, someDate);
    session.setName(u"Name"_s);
    const Session copy = QVariant::fromValue(session).value<Session>();
    QCOMPARE(copy.name(), u"Name"_s);
    QCOMPARE(copy.time(), 42);
    QCOMPARE(copy.date(), someDate);
    QCOMPARE(copy.id(), session.id());
}

void SessionTest::newRunSurvivesAReset()
{
    Session run = Session::newRun(u"Track"_s);
    QVERIFY(run.isNewRun());
    QCOMPARE(run.comparison(), ComparisonChoice(ComparisonChoice::BestRun));
    run.setComparison(ComparisonChoice(ComparisonChoice::BestLaps));
    const Session again = run.afterReset();
    QVERIFY(again.isNewRun());
    QCOMPARE(again.name(), u"Track"_s);
    QCOMPARE(again.comparison(), ComparisonChoice(ComparisonChoice::BestLaps));
    QVERIFY(again.id() != run.id());

    // Stored times are no new run: a reset leaves an untitled session without a comparison.
    Session stored(5000);
    stored.setName(u"Track"_s);
    stored.setComparison(ComparisonChoice(ComparisonChoice::PreviousRun));
    QVERIFY(!stored.isNewRun());
    const Session blank = stored.afterReset();
    QVERIFY(blank.name().isEmpty());
    QCOMPARE(blank.comparison(), ComparisonChoice());
    QVERIFY(!blank.isNewRun());
}

void SessionTest::comparisonChoice_data()
{
    QTest::addColumn<QJsonValue>("stored");
    QTest::addColumn<ComparisonChoice>("expected");

    const ComparisonChoice chosen(u"Route, 3 May"_s, {60000, 122000, 183000});
    QTest::newRow("missing, as in older files") << QJsonValue(QJsonValue::Undefined) << ComparisonChoice();
    QTest::newRow("previous") << QJsonValue(QJsonObject{{u"kind"_s, u"previous"_s}}) << ComparisonChoice(ComparisonChoice::PreviousRun);
    QTest::newRow("best") << QJsonValue(QJsonObject{{u"kind"_s, u"best"_s}}) << ComparisonChoice(ComparisonChoice::BestRun);
    QTest::newRow("best laps") << QJsonValue(QJsonObject{{u"kind"_s, u"bestLaps"_s}}) << ComparisonChoice(ComparisonChoice::BestLaps);
    QTest::newRow("chosen with its laps") << QJsonValue(
        QJsonObject{{u"kind"_s, u"session"_s}, {u"title"_s, chosen.title()}, {u"laps"_s, QJsonArray{60000, 122000, 183000}}})
                                          << chosen;
    QTest::newRow("chosen without laps") << QJsonValue(QJsonObject{{u"kind"_s, u"session"_s}}) << ComparisonChoice(QString(), {});
    QTest::newRow("unknown kind of a later version") << QJsonValue(QJsonObject{{u"kind"_s, u"median"_s}}) << ComparisonChoice();
    QTest::newRow("not an object") << QJsonValue(u"best"_s) << ComparisonChoice();
    QTest::newRow("laps going back") << QJsonValue(QJsonObject{{u"kind"_s, u"session"_s}, {u"laps"_s, QJsonArray{5000, 4000}}}) << ComparisonChoice();
    QTest::newRow("lap that is no number") << QJsonValue(QJsonObject{{u"kind"_s, u"session"_s}, {u"laps"_s, QJsonArray{u"5000"_s}}}) << ComparisonChoice();
    QTest::newRow("laps past a day") << QJsonValue(QJsonObject{{u"kind"_s, u"session"_s}, {u"laps"_s, QJsonArray{86'401'052, 2'147'483'647}}})
                                     << ComparisonChoice(QString(), {86'401'052, 2'147'483'647});
    // Hand-edited: times the stopwatch never holds, whose differences and sums would overflow.
    QTest::newRow("lap past the longest time") << QJsonValue(QJsonObject{{u"kind"_s, u"session"_s}, {u"laps"_s, QJsonArray{5000, 2'147'483'648LL}}})
                                               << ComparisonChoice();
    QTest::newRow("laps near the 64-bit limit") << QJsonValue(QJsonObject{{u"kind"_s, u"session"_s}, {u"laps"_s, QJsonArray{4e18, 9e18}}})
                                                << ComparisonChoice();
}

void SessionTest::comparisonChoice()
{
    QFETCH(QJsonValue, stored);
    QFETCH(ComparisonChoice, expected);

    QJsonObject json{{u"id"_s, u"a"_s}, {u"name"_s, u"Route"_s}, {u"time"_s, 183000}, {u"date"_s, u"2026-01-02T03:04:05"_s}, {u"laps"_s, QJsonArray()}};
    if (!stored.isUndefined()) {
        json[u"compareWith"_s] = stored;
    }
    const Session session = Session::fromJson(json);
    QCOMPARE(session.comparison(), expected);
    // Every other field reads as without the choice, as an older reader sees the file.
    QCOMPARE(session.name(), u"Route"_s);
    QCOMPARE(session.time(), 183000);

    QJsonObject written;
    session.toJson(written);
    QCOMPARE(Session::fromJson(written).comparison(), expected);
    QCOMPARE(written.contains(u"compareWith"_s), expected.kind() != ComparisonChoice::None);
    // The choice only adds its own key: an older reader finds everything else as it was.
    Session without = session;
    without.setComparison(ComparisonChoice());
    QJsonObject plain;
    without.toJson(plain);
    written.remove(u"compareWith"_s);
    QCOMPARE(written, plain);
}

QTEST_GUILESS_MAIN(SessionTest)

#include "sessiontest.moc"
