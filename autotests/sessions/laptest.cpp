// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lap.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <limits>

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
    QCOMPARE(lap.time(), 0);
    QVERIFY(lap.relativeTime().isEmpty());
    QVERIFY(lap.absoluteTime().isEmpty());
    QVERIFY(lap.note().isEmpty());
}

void LapTest::fromJson_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<int>("time");
    QTest::addColumn<QString>("relativeTime");
    QTest::addColumn<QString>("absoluteTime");
    QTest::addColumn<QString>("note");

    QTest::newRow("complete") << R"({"time": 62345, "reltime": "01:02.34", "abstime": "01:02.34", "note": "start"})"_ba << 62'345 << u"01:02.34"_s
                              << u"01:02.34"_s << u"start"_s;
    QTest::newRow("last millisecond of the day") << R"({"time": 86399999})"_ba << 86'399'999 << QString() << QString() << QString();
    QTest::newRow("negative time") << R"({"time": -5})"_ba << 0 << QString() << QString() << QString();
    QTest::newRow("25 hours") << R"({"time": 90000000})"_ba << 90'000'000 << QString() << QString() << QString();
    QTest::newRow("fractional time") << R"({"time": 1.5})"_ba << 0 << QString() << QString() << QString();
    QTest::newRow("longest time") << R"({"time": 2147483647})"_ba << std::numeric_limits<int>::max() << QString() << QString() << QString();
    QTest::newRow("time past the longest") << R"({"time": 3000000000})"_ba << std::numeric_limits<int>::max() << QString() << QString() << QString();
    QTest::newRow("time as string") << R"({"time": "62345"})"_ba << 0 << QString() << QString() << QString();
    QTest::newRow("time missing") << R"({"note": "n"})"_ba << 0 << QString() << QString() << u"n"_s;
    QTest::newRow("texts not strings") << R"({"time": 1000, "reltime": 1, "abstime": null, "note": ["x"]})"_ba << 1000 << QString() << QString() << QString();
    // The texts are kept as they were shown, never derived from the time.
    QTest::newRow("texts disagree with time") << R"({"time": 1000, "reltime": "anything", "abstime": "9:99"})"_ba << 1000 << u"anything"_s << u"9:99"_s
                                              << QString();
}

void LapTest::fromJson()
{
    QFETCH(QByteArray, json);
    const QJsonDocument document = QJsonDocument::fromJson(json);
    QVERIFY(document.isObject());

    const Lap lap = Lap::fromJson(document.object());
    QFETCH(int, time);
    QCOMPARE(lap.time(), time);
    QTEST(lap.relativeTime(), "relativeTime");
    QTEST(lap.absoluteTime(), "absoluteTime");
    QTEST(lap.note(), "note");
}

void LapTest::roundTrip()
{
    Lap lap(90'000'050);
    lap.setRelativeTime(u"00:00.01"_s);
    lap.setAbsoluteTime(u"25:00:00.05"_s);
    lap.setNote(u"a \"quoted\" note\nover two lines"_s);

    QJsonObject json;
    lap.toJson(json);
    const QJsonObject expected{
        {u"time"_s, 90000050},
        {u"reltime"_s, u"00:00.01"_s},
        {u"abstime"_s, u"25:00:00.05"_s},
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
    Lap lap(2000);
    lap.setNote(u"new"_s);
    lap.toJson(json);
    QCOMPARE(json.value(u"extra"_s), QJsonValue(true));
    QCOMPARE(json.value(u"note"_s), QJsonValue(u"new"_s));
    QCOMPARE(json.value(u"time"_s), QJsonValue(2000));
}

void LapTest::timeTo_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("expected");

    QTest::newRow("later") << 62'345 << 90'000 << 27'655;
    QTest::newRow("across hours") << 3'599'999 << 7'200'000 << 3'600'001;
    QTest::newRow("same time") << 60'000 << 60'000 << 0;
    QTest::newRow("earlier") << 60'000 << 59'999 << 0;
}

void LapTest::timeTo()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QTEST(Lap(from).timeTo(Lap(to)), "expected");
}

void LapTest::fromMilliseconds_data()
{
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<int>("expected");

    QTest::newRow("zero") << qint64(0) << 0;
    QTest::newRow("negative") << qint64(-1) << 0;
    QTest::newRow("one minute and a bit") << qint64(62'345) << 62'345;
    QTest::newRow("last millisecond of the day") << qint64(86'399'999) << 86'399'999;
    QTest::newRow("24 hours") << qint64(86'400'000) << 86'400'000;
    QTest::newRow("25 hours") << qint64(90'000'000) << 90'000'000;
    QTest::newRow("past the longest time") << qint64(3'000'000'000) << std::numeric_limits<int>::max();
}

void LapTest::fromMilliseconds()
{
    QFETCH(qint64, ms);
    const Lap lap = Lap::fromMilliseconds(ms);
    QTEST(lap.time(), "expected");
    QVERIFY(lap.relativeTime().isEmpty());
    QVERIFY(lap.absoluteTime().isEmpty());
    QVERIFY(lap.note().isEmpty());
}

void LapTest::travelsInVariant()
{
    Lap lap(3000);
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
