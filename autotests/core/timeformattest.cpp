// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "timeformat.h"

#include <QTest>

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
    void invalidTimeGivesEmptyTexts();
    void showingFieldsLater();
    void dividersRoundTrip();
    void equalityIgnoresHowFieldsWereSwitchedOn();
};

namespace
{
const QTime sample(1, 2, 3, 456);
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
    QCOMPARE(format.formatSecondFractions(QTime(0, 0).addMSecs(ms)), fraction);
}

void TimeFormatTest::defaultFormat()
{
    const TimeFormat format;
    QCOMPARE(format.format(QTime(0, 0)), u"00:00.00"_s);
    QCOMPARE(format.format(sample), u"02:03.45"_s);
    QVERIFY(!format.hasHours());
    QVERIFY(format.hasMinutes());
    QCOMPARE(format.secondFractions(), TimeFormat::UpToHundredths);

    // Without fractions the seconds keep no dangling dot, even with dividers on.
    const TimeFormat whole(false, true, TimeFormat::NoFractions);
    QCOMPARE(whole.formatSeconds(sample), u"03"_s);
    QCOMPARE(whole.format(sample), u"02:03"_s);
}

void TimeFormatTest::invalidTimeGivesEmptyTexts()
{
    const TimeFormat format(true, true, TimeFormat::UpToMilliseconds);
    const QTime invalid(25, 0);
    QVERIFY(!invalid.isValid());
    QVERIFY(format.format(invalid).isNull());
    QVERIFY(format.formatHours(invalid).isEmpty());
    QVERIFY(format.formatMinutes(invalid).isEmpty());
    QVERIFY(format.formatSeconds(invalid).isEmpty());
    QVERIFY(format.formatSecondFractions(invalid).isEmpty());
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

QTEST_GUILESS_MAIN(TimeFormatTest)

#include "timeformattest.moc"
