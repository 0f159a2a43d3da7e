// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lap.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class LapTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void registeredByName();
    void defaults();
    void fromJson_data();
    void fromJson();
    void roundTrip();
    void toJsonKeepsOtherMembers();
    void timeTo_data();
    void timeTo();
    void fromMilliseconds_data();
    void fromMilliseconds();
    void travelsInVariant();
};

// Runs first, before any test has made Qt register the type on its own.
void LapTest::registeredByName()
{
    QCOMPARE(QMetaType::fromName("Lap"), QMetaType::fromType<Lap>());
}

void LapTest::defaults()
{
    const Lap lap;
    QCOMPARE(lap.time(), QTime(0, 0));
    QVERIFY(lap.relativeTime().isEmpty());
    QVERIFY(lap.absoluteTime().isEmpty());
    QVERIFY(lap.note().isEmpty());
}

void LapTest::fromJson_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("relativeTime");
    QTest::addColumn<QString>("absoluteTime");
    QTest::addColumn<QString>("note");

    QTest::newRow("complete") << R"({"time": 62345, "reltime": "01:02.34", "abstime": "01:02.34", "note": "start"})"_ba << QTime(0, 1, 2, 345) << u"01:02.34"_s
                              << u"01:02.34"_s << u"start"_s;
    QTest::newRow("last millisecond of the day") << R"({"time": 86399999})"_ba << QTime(23, 59, 59, 999) << QString() << QString() << QString();
    QTest::newRow("negative time") << R"({"time": -5})"_ba << QTime(0, 0) << QString() << QString() << QString();
    QTest::newRow("25 hours wrap") << R"({"time": 90000000})"_ba << QTime(1, 0) << QString() << QString() << QString();
    QTest::newRow("fractional time") << R"({"time": 1.5})"_ba << QTime(0, 0) << QString() << QString() << QString();
    QTest::newRow("time beyond int") << R"({"time": 3000000000})"_ba << QTime(0, 0) << QString() << QString() << QString();
    QTest::newRow("time as string") << R"({"time": "62345"})"_ba << QTime(0, 0) << QString() << QString() << QString();
    QTest::newRow("time missing") << R"({"note": "n"})"_ba << QTime(0, 0) << QString() << QString() << u"n"_s;
    QTest::newRow("texts not strings") << R"({"time": 1000, "reltime": 1, "abstime": null, "note": ["x"]})"_ba << QTime(0, 0, 1) << QString() << QString()
                                       << QString();
    // The texts are kept as they were shown, never derived from the time.
    QTest::newRow("texts disagree with time") << R"({"time": 1000, "reltime": "anything", "abstime": "9:99"})"_ba << QTime(0, 0, 1) << u"anything"_s
                                              << u"9:99"_s << QString();
}

void LapTest::fromJson()
{
    QFETCH(QByteArray, json);
    const QJsonDocument document = QJsonDocument::fromJson(json);
    QVERIFY(document.isObject());

    const Lap lap = Lap::fromJson(document.object());
    QFETCH(QTime, time);
    QCOMPARE(lap.time(), time);
    QTEST(lap.relativeTime(), "relativeTime");
    QTEST(lap.absoluteTime(), "absoluteTime");
    QTEST(lap.note(), "note");
}

void LapTest::roundTrip()
{
    Lap lap(QTime(23, 59, 59, 999));
    lap.setRelativeTime(u"00:00.01"_s);
    lap.setAbsoluteTime(u"23:59:59.99"_s);
    lap.setNote(u"a \"quoted\" note\nover two lines"_s);

    QJsonObject json;
    lap.toJson(json);
    const QJsonObject expected{
        {u"time"_s, 86399999},
        {u"reltime"_s, u"00:00.01"_s},
        {u"abstime"_s, u"23:59:59.99"_s},
        {u"note"_s, u"a \"quoted\" note\nover two lines"_s},
    };
    QCOMPARE(json, expected);

    const Lap reread = Lap::fromJson(QJsonDocument::fromJson(QJsonDocument(json).toJson()).object());
    QCOMPARE(reread.time(), lap.time());
    QCOMPARE(reread.relativeTime(), lap.relativeTime());
    QCOMPARE(reread.absoluteTime(), lap.absoluteTime());
    QCOMPARE(reread.note(), lap.note());

    // Empty texts are still written.
    QJsonObject empty;
    Lap().toJson(empty);
    QCOMPARE(empty, (QJsonObject{{u"time"_s, 0}, {u"reltime"_s, QString()}, {u"abstime"_s, QString()}, {u"note"_s, QString()}}));
}

void LapTest::toJsonKeepsOtherMembers()
{
    QJsonObject json{{u"extra"_s, true}, {u"note"_s, u"old"_s}};
    Lap lap(QTime(0, 0, 2));
    lap.setNote(u"new"_s);
    lap.toJson(json);
    QCOMPARE(json.value(u"extra"_s), QJsonValue(true));
    QCOMPARE(json.value(u"note"_s), QJsonValue(u"new"_s));
    QCOMPARE(json.value(u"time"_s), QJsonValue(2000));
}

void LapTest::timeTo_data()
{
    QTest::addColumn<QTime>("from");
    QTest::addColumn<QTime>("to");
    QTest::addColumn<QTime>("expected");

    QTest::newRow("later") << QTime(0, 1, 2, 345) << QTime(0, 1, 30) << QTime(0, 0, 27, 655);
    QTest::newRow("across hours") << QTime(0, 59, 59, 999) << QTime(2, 0) << QTime(1, 0, 0, 1);
    QTest::newRow("same time") << QTime(0, 1) << QTime(0, 1) << QTime(0, 0);
    QTest::newRow("earlier") << QTime(0, 1) << QTime(0, 0, 59, 999) << QTime(0, 0);
}

void LapTest::timeTo()
{
    QFETCH(QTime, from);
    QFETCH(QTime, to);
    QTEST(Lap(from).timeTo(Lap(to)), "expected");
}

void LapTest::fromMilliseconds_data()
{
    QTest::addColumn<int>("ms");
    QTest::addColumn<QTime>("expected");

    QTest::newRow("zero") << 0 << QTime(0, 0);
    QTest::newRow("negative") << -1 << QTime(0, 0);
    QTest::newRow("one minute and a bit") << 62345 << QTime(0, 1, 2, 345);
    QTest::newRow("last millisecond of the day") << 86399999 << QTime(23, 59, 59, 999);
    QTest::newRow("24 hours wrap to midnight") << 86400000 << QTime(0, 0);
    QTest::newRow("25 hours wrap") << 90000000 << QTime(1, 0);
}

void LapTest::fromMilliseconds()
{
    QFETCH(int, ms);
    const Lap lap = Lap::fromMilliseconds(ms);
    QTEST(lap.time(), "expected");
    QVERIFY(lap.relativeTime().isEmpty());
    QVERIFY(lap.absoluteTime().isEmpty());
    QVERIFY(lap.note().isEmpty());
}

void LapTest::travelsInVariant()
{
    Lap lap(QTime(0, 0, 3));
    lap.setNote(u"note"_s);
    lap.setRelativeTime(u"00:03.00"_s);
    const QVariant variant = QVariant::fromValue(lap);
    QCOMPARE(variant.metaType().name(), "Lap");
    const Lap copy = variant.value<Lap>();
    QCOMPARE(copy.time(), lap.time());
    QCOMPARE(copy.note(), lap.note());
    QCOMPARE(copy.relativeTime(), lap.relativeTime());
}

QTEST_GUILESS_MAIN(LapTest)

#include "laptest.moc"
