// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "timeformat.h"

#include <QTest>
#include <QTime>

#include <limits>

using namespace Qt::Literals::StringLiterals;

class TimeFormatTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void workedExamples_data();
    void workedExamples();
    void fractionsAreTruncated_data();
    void fractionsAreTruncated();
    void defaultFormat();
    void negativeTimeGivesEmptyTexts();
    void hoursPastADay_data();
    void hoursPastADay();
    void showingFieldsLater();
    void dividersRoundTrip();
    void equalityIgnoresHowFieldsWereSwitchedOn();
    void agreesWithTimePatterns_data();
    void agreesWithTimePatterns();
};

namespace
{
// 01:02:03.456
constexpr qint64 sample = 3'723'456;
}

void TimeFormatTest::workedExamples_data()
{
    QTest::addColumn<bool>("hours");
    QTest::addColumn<bool>("minutes");
    QTest::addColumn<TimeFormat::SecondFraction>("precision");
    QTest::addColumn<bool>("dividers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("h m hundredths") << true << true << TimeFormat::UpToHundredths << true << u"01:02:03.45"_s
                                    << QStringList{u"01:"_s, u"02:"_s, u"03."_s, u"45"_s};
    QTest::newRow("h m milliseconds") << true << true << TimeFormat::UpToMilliseconds << true << u"01:02:03.456"_s
                                      << QStringList{u"01:"_s, u"02:"_s, u"03."_s, u"456"_s};
    QTest::newRow("h m tenths") << true << true << TimeFormat::UpToTenths << true << u"01:02:03.4"_s << QStringList{u"01:"_s, u"02:"_s, u"03."_s, u"4"_s};
    QTest::newRow("h m no fractions") << true << true << TimeFormat::NoFractions << true << u"01:02:03"_s
                                      << QStringList{u"01:"_s, u"02:"_s, u"03"_s, QString()};
    QTest::newRow("m hundredths") << false << true << TimeFormat::UpToHundredths << true << u"02:03.45"_s
                                  << QStringList{QString(), u"02:"_s, u"03."_s, u"45"_s};
    QTest::newRow("seconds only") << false << false << TimeFormat::UpToHundredths << true << u"03.45"_s << QStringList{QString(), QString(), u"03."_s, u"45"_s};
    QTest::newRow("h without m") << true << false << TimeFormat::UpToHundredths << true << u"01:03.45"_s << QStringList{u"01:"_s, QString(), u"03."_s, u"45"_s};
    QTest::newRow("no dividers") << true << true << TimeFormat::UpToHundredths << false << u"01020345"_s << QStringList{u"01"_s, u"02"_s, u"03"_s, u"45"_s};
    QTest::newRow("m no fractions no dividers") << false << true << TimeFormat::NoFractions << false << u"0203"_s
                                                << QStringList{QString(), u"02"_s, u"03"_s, QString()};
}

void TimeFormatTest::workedExamples()
{
    QFETCH(bool, hours);
    QFETCH(bool, minutes);
    QFETCH(TimeFormat::SecondFraction, precision);
    QFETCH(bool, dividers);
    QFETCH(QString, text);
    QFETCH(QStringList, fields);

    TimeFormat format(hours, minutes, precision);
    format.setDividers(dividers);

    QCOMPARE(format.format(sample), text);
    QCOMPARE(format.formatHours(sample), fields.at(0));
    QCOMPARE(format.formatMinutes(sample), fields.at(1));
    QCOMPARE(format.formatSeconds(sample), fields.at(2));
    QCOMPARE(format.formatSecondFractions(sample), fields.at(3));
    QCOMPARE(format.hasHours(), hours);
    QCOMPARE(format.hasMinutes(), minutes);
    QCOMPARE(format.hasFractions(), precision != TimeFormat::NoFractions);
    QCOMPARE(format.secondFractions(), precision);
}

void TimeFormatTest::fractionsAreTruncated_data()
{
    QTest::addColumn<int>("ms");
    QTest::addColumn<TimeFormat::SecondFraction>("precision");
    QTest::addColumn<QString>("fraction");

    QTest::newRow("999 tenths") << 999 << TimeFormat::UpToTenths << u"9"_s;
    QTest::newRow("999 hundredths") << 999 << TimeFormat::UpToHundredths << u"99"_s;
    QTest::newRow("5 tenths") << 5 << TimeFormat::UpToTenths << u"0"_s;
    QTest::newRow("5 hundredths") << 5 << TimeFormat::UpToHundredths << u"00"_s;
    QTest::newRow("5 milliseconds") << 5 << TimeFormat::UpToMilliseconds << u"005"_s;
    QTest::newRow("456 no fractions") << 456 << TimeFormat::NoFractions << QString();
}

void TimeFormatTest::fractionsAreTruncated()
{
    QFETCH(int, ms);
    QFETCH(TimeFormat::SecondFraction, precision);
    QFETCH(QString, fraction);

    const TimeFormat format(false, true, precision);
    QCOMPARE(format.formatSecondFractions(ms), fraction);
}

void TimeFormatTest::defaultFormat()
{
    const TimeFormat format;
    QCOMPARE(format.format(0), u"00:00.00"_s);
    QCOMPARE(format.format(sample), u"02:03.45"_s);
    QVERIFY(!format.hasHours());
    QVERIFY(format.hasMinutes());
    QCOMPARE(format.secondFractions(), TimeFormat::UpToHundredths);

    // Without fractions the seconds keep no dangling dot, even with dividers on.
    const TimeFormat whole(false, true, TimeFormat::NoFractions);
    QCOMPARE(whole.formatSeconds(sample), u"03"_s);
    QCOMPARE(whole.format(sample), u"02:03"_s);
}

void TimeFormatTest::negativeTimeGivesEmptyTexts()
{
    const TimeFormat format(true, true, TimeFormat::UpToMilliseconds);
    const qint64 invalid = -1;
    QVERIFY(format.format(invalid).isNull());
    QVERIFY(format.formatHours(invalid).isEmpty());
    QVERIFY(format.formatMinutes(invalid).isEmpty());
    QVERIFY(format.formatSeconds(invalid).isEmpty());
    QVERIFY(format.formatSecondFractions(invalid).isEmpty());
}

void TimeFormatTest::hoursPastADay_data()
{
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<TimeFormat::SecondFraction>("precision");
    QTest::addColumn<bool>("dividers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hours");

    QTest::newRow("last of the first day") << qint64(86'399'999) << TimeFormat::UpToHundredths << true << u"23:59:59.99"_s << u"23:"_s;
    QTest::newRow("a day") << qint64(86'400'000) << TimeFormat::UpToHundredths << true << u"24:00:00.00"_s << u"24:"_s;
    QTest::newRow("25 hours") << qint64(90'001'050) << TimeFormat::UpToHundredths << true << u"25:00:01.05"_s << u"25:"_s;
    QTest::newRow("last of two digits") << qint64(359'999'999) << TimeFormat::UpToMilliseconds << true << u"99:59:59.999"_s << u"99:"_s;
    QTest::newRow("100 hours") << qint64(360'000'000) << TimeFormat::UpToTenths << true << u"100:00:00.0"_s << u"100:"_s;
    QTest::newRow("100 hours without dividers") << qint64(360'001'230) << TimeFormat::UpToHundredths << false << u"100000123"_s << u"100"_s;
    QTest::newRow("the stopwatch's longest time") << qint64(std::numeric_limits<int>::max()) << TimeFormat::UpToMilliseconds << true << u"596:31:23.647"_s
                                                  << u"596:"_s;
    QTest::newRow("past 32 bits") << qint64(10'000) * 3'600'000 + 1 << TimeFormat::NoFractions << true << u"10000:00:00"_s << u"10000:"_s;
}

void TimeFormatTest::hoursPastADay()
{
    QFETCH(qint64, ms);
    QFETCH(TimeFormat::SecondFraction, precision);
    QFETCH(bool, dividers);

    TimeFormat format(true, true, precision);
    format.setDividers(dividers);
    QTEST(format.format(ms), "text");
    QTEST(format.formatHours(ms), "hours");
}

void TimeFormatTest::showingFieldsLater()
{
    TimeFormat format(false, false);
    QCOMPARE(format.format(sample), u"03.45"_s);

    format.showHours();
    QCOMPARE(format.format(sample), u"01:03.45"_s);
    const TimeFormat before = format;
    format.showHours();
    QCOMPARE(format, before);

    format.showMinutes();
    QCOMPARE(format.format(sample), u"01:02:03.45"_s);

    format.setDividers(false);
    format.showMinutes();
    QCOMPARE(format.format(sample), u"01020345"_s);
}

void TimeFormatTest::dividersRoundTrip()
{
    TimeFormat format(true, true, TimeFormat::UpToMilliseconds);
    const QString withDividers = format.format(sample);
    format.setDividers(false);
    QCOMPARE(format.format(sample), u"010203456"_s);
    format.setDividers(true);
    QCOMPARE(format.format(sample), withDividers);
}

void TimeFormatTest::equalityIgnoresHowFieldsWereSwitchedOn()
{
    TimeFormat grown(false, true, TimeFormat::UpToTenths);
    grown.showHours();
    const TimeFormat built(true, true, TimeFormat::UpToTenths);
    QVERIFY(grown == built);
    QVERIFY(!(grown != built));

    QVERIFY(built != TimeFormat(true, true, TimeFormat::UpToHundredths));
    QVERIFY(built != TimeFormat(true, false, TimeFormat::UpToTenths));
    TimeFormat noDividers(true, true, TimeFormat::UpToTenths);
    noDividers.setDividers(false);
    QVERIFY(built != noDividers);
}

void TimeFormatTest::agreesWithTimePatterns_data()
{
    QTest::addColumn<bool>("hours");
    QTest::addColumn<bool>("minutes");
    QTest::addColumn<bool>("dividers");
    QTest::addColumn<int>("fractions");

    for (const int fractions : {TimeFormat::UpToTenths, TimeFormat::UpToHundredths, TimeFormat::UpToMilliseconds, TimeFormat::NoFractions}) {
        for (const bool hours : {false, true}) {
            for (const bool minutes : {false, true}) {
                for (const bool dividers : {false, true}) {
                    QTest::addRow("fractions %d hours %d minutes %d dividers %d", fractions, hours, minutes, dividers)
                        << hours << minutes << dividers << fractions;
                }
            }
        }
    }
}

// The texts are formed by hand for speed; within a day QTime's patterns are what they must
// equal.
void TimeFormatTest::agreesWithTimePatterns()
{
    QFETCH(bool, hours);
    QFETCH(bool, minutes);
    QFETCH(bool, dividers);
    QFETCH(int, fractions);

    TimeFormat format(hours, minutes, TimeFormat::SecondFraction(fractions));
    format.setDividers(dividers);
    const QString hourPattern = dividers ? u"hh:"_s : u"hh"_s;
    const QString minutePattern = dividers ? u"mm:"_s : u"mm"_s;
    const QString secondPattern = dividers && fractions != TimeFormat::NoFractions ? u"ss."_s : u"ss"_s;
    const int fractionDigits = fractions == TimeFormat::UpToTenths ? 1
        : fractions == TimeFormat::UpToHundredths                  ? 2
        : fractions == TimeFormat::UpToMilliseconds                ? 3
                                                                   : 0;

    // Steps that are prime to every field's length reach every digit in every place.
    for (int ms = 0; ms < 24 * 3600 * 1000; ms += 7919 * 13 + 1) {
        const QTime time = QTime::fromMSecsSinceStartOfDay(ms);
        const QString expected = (hours ? time.toString(hourPattern) : QString()) + (minutes ? time.toString(minutePattern) : QString())
            + time.toString(secondPattern) + time.toString(u"zzz"_s).left(fractionDigits);
        QCOMPARE(format.format(ms), expected);
    }
    QCOMPARE(format.format(86'399'999),
             (hours ? QString(dividers ? u"23:"_s : u"23"_s) : QString()) + (minutes ? QString(dividers ? u"59:"_s : u"59"_s) : QString()) + u"59"_s
                 + (dividers && fractionDigits ? u"."_s : QString()) + u"999"_s.left(fractionDigits));
}

QTEST_GUILESS_MAIN(TimeFormatTest)

#include "timeformattest.moc"
