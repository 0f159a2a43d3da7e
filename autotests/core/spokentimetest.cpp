// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "spokentime.h"

#include <QLocale>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class SpokenTimeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void words_data();
    void words();
};

void SpokenTimeTest::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void SpokenTimeTest::words_data()
{
    QTest::addColumn<qint64>("milliseconds");
    QTest::addColumn<TimeFormat::SecondFraction>("precision");
    QTest::addColumn<QString>("words");

    QTest::newRow("hours, minutes, hundredths") << qint64(3'723'456) << TimeFormat::UpToHundredths << u"1 hour 2 minutes 3.45 seconds"_s;
    QTest::newRow("zero") << qint64(0) << TimeFormat::UpToHundredths << u"0.00 seconds"_s;
    QTest::newRow("one second, no fractions") << qint64(1999) << TimeFormat::NoFractions << u"1 second"_s;
    QTest::newRow("minute and second, singular") << qint64(61'000) << TimeFormat::NoFractions << u"1 minute 1 second"_s;
    QTest::newRow("zero minutes inside") << qint64(3'600'000) << TimeFormat::UpToTenths << u"1 hour 0 minutes 0.0 seconds"_s;
    QTest::newRow("fractions cut, not rounded") << qint64(999) << TimeFormat::UpToTenths << u"0.9 seconds"_s;
    QTest::newRow("milliseconds keep leading zeros") << qint64(5'007) << TimeFormat::UpToMilliseconds << u"5.007 seconds"_s;
    QTest::newRow("past a day") << qint64(90'061'000) << TimeFormat::NoFractions << u"25 hours 1 minute 1 second"_s;
    QTest::newRow("negative as zero") << qint64(-5) << TimeFormat::NoFractions << u"0 seconds"_s;
}

void SpokenTimeTest::words()
{
    QFETCH(qint64, milliseconds);
    QFETCH(TimeFormat::SecondFraction, precision);

    QTEST(SpokenTime::fromMilliseconds(milliseconds, precision), "words");
}

QTEST_GUILESS_MAIN(SpokenTimeTest)

#include "spokentimetest.moc"
