// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "digitdisplay.h"

#include <QFontMetrics>
#include <QLabel>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class DigitDisplayTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void labelsInUse_data();
    void labelsInUse();
    void acceptsOnlyFittingTexts_data();
    void acceptsOnlyFittingTexts();
    void changingTheCountKeepsTexts();
    void fontIsTheDigitsOwn();
    void minimumWidthFollowsShownDigits_data();
    void minimumWidthFollowsShownDigits();
};

namespace
{
QList<QLabel *> labels(const DigitDisplay &display)
{
    return display.findChildren<QLabel *>(Qt::FindDirectChildrenOnly);
}

// The labels in use, as one text; hidden labels are left out.
QString shownText(const DigitDisplay &display)
{
    QString text;
    for (const QLabel *label : labels(display)) {
        if (!label->isHidden()) {
            text += label->text();
        }
    }
    return text;
}

QString allTexts(const DigitDisplay &display)
{
    QString text;
    for (const QLabel *label : labels(display)) {
        text += label->text().isEmpty() ? u"_"_s : label->text();
    }
    return text;
}
}

void DigitDisplayTest::labelsInUse_data()
{
    QTest::addColumn<DigitDisplay::DigitCount>("count");
    QTest::addColumn<QList<bool>>("shown");

    QTest::newRow("one") << DigitDisplay::OneDigit << QList<bool>{true, false, false};
    QTest::newRow("two") << DigitDisplay::TwoDigits << QList<bool>{true, true, false};
    QTest::newRow("three") << DigitDisplay::ThreeDigits << QList<bool>{true, true, true};
    QTest::newRow("none") << DigitDisplay::NoDigits << QList<bool>{false, false, false};
}

void DigitDisplayTest::labelsInUse()
{
    QFETCH(DigitDisplay::DigitCount, count);
    QFETCH(QList<bool>, shown);

    DigitDisplay fromConstructor(nullptr, count);
    DigitDisplay fromSetter(nullptr, DigitDisplay::ThreeDigits);
    fromSetter.setDigits(count);

    for (const DigitDisplay *display : {&fromConstructor, &fromSetter}) {
        QCOMPARE(display->digits(), count);
        const QList<QLabel *> digitLabels = labels(*display);
        QCOMPARE(digitLabels.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(!digitLabels.at(i)->isHidden(), shown.at(i));
            QCOMPARE(digitLabels.at(i)->alignment(), Qt::AlignCenter);
        }
    }
}

void DigitDisplayTest::acceptsOnlyFittingTexts_data()
{
    QTest::addColumn<DigitDisplay::DigitCount>("count");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("expected");

    QTest::newRow("two takes two") << DigitDisplay::TwoDigits << u"12"_s << u"45"_s << u"45_"_s;
    QTest::newRow("two ignores one") << DigitDisplay::TwoDigits << u"12"_s << u"7"_s << u"12_"_s;
    QTest::newRow("two ignores three") << DigitDisplay::TwoDigits << u"12"_s << u"123"_s << u"12_"_s;
    QTest::newRow("two ignores empty") << DigitDisplay::TwoDigits << u"12"_s << QString() << u"12_"_s;
    QTest::newRow("two ignores a divider") << DigitDisplay::TwoDigits << u"12"_s << u"45:"_s << u"12_"_s;
    QTest::newRow("one takes one") << DigitDisplay::OneDigit << u"3"_s << u"9"_s << u"9__"_s;
    QTest::newRow("one ignores two") << DigitDisplay::OneDigit << u"3"_s << u"99"_s << u"3__"_s;
    QTest::newRow("three takes three") << DigitDisplay::ThreeDigits << u"100"_s << u"456"_s << u"456"_s;
    QTest::newRow("three ignores two") << DigitDisplay::ThreeDigits << u"100"_s << u"45"_s << u"100"_s;
    QTest::newRow("none takes one") << DigitDisplay::NoDigits << u"1"_s << u"1"_s << u"___"_s;
    QTest::newRow("none takes empty") << DigitDisplay::NoDigits << QString() << QString() << u"___"_s;
}

void DigitDisplayTest::acceptsOnlyFittingTexts()
{
    QFETCH(DigitDisplay::DigitCount, count);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, expected);

    DigitDisplay display(nullptr, count);
    display.showDigits(first);
    display.showDigits(second);
    QCOMPARE(allTexts(display), expected);
}

void DigitDisplayTest::changingTheCountKeepsTexts()
{
    DigitDisplay display(nullptr, DigitDisplay::ThreeDigits);
    display.showDigits(u"123"_s);

    display.setDigits(DigitDisplay::OneDigit);
    QCOMPARE(shownText(display), u"1"_s);
    QCOMPARE(allTexts(display), u"123"_s);

    display.showDigits(u"7"_s);
    display.setDigits(DigitDisplay::ThreeDigits);
    QCOMPARE(shownText(display), u"723"_s);

    display.setDigits(DigitDisplay::NoDigits);
    QCOMPARE(shownText(display), QString());
    display.setDigits(DigitDisplay::TwoDigits);
    QCOMPARE(shownText(display), u"72"_s);
}

void DigitDisplayTest::fontIsTheDigitsOwn()
{
    DigitDisplay display(nullptr, DigitDisplay::TwoDigits);
    const QFont inherited = display.font();
    QFont big;
    big.setPixelSize(inherited.pixelSize() > 0 ? inherited.pixelSize() * 3 : 48);
    big.setBold(true);

    display.setFont(big);
    QCOMPARE(display.font(), inherited);
    for (const QLabel *label : labels(display)) {
        QCOMPARE(label->font(), big);
    }
}

void DigitDisplayTest::minimumWidthFollowsShownDigits_data()
{
    QTest::addColumn<DigitDisplay::DigitCount>("count");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("pixelSize");

    QTest::newRow("two digits") << DigitDisplay::TwoDigits << u"48"_s << 40;
    QTest::newRow("three digits") << DigitDisplay::ThreeDigits << u"100"_s << 40;
    QTest::newRow("one digit small") << DigitDisplay::OneDigit << u"1"_s << 12;
    QTest::newRow("three digits large") << DigitDisplay::ThreeDigits << u"888"_s << 90;
    QTest::newRow("nothing shown yet") << DigitDisplay::TwoDigits << QString() << 40;
}

void DigitDisplayTest::minimumWidthFollowsShownDigits()
{
    QFETCH(DigitDisplay::DigitCount, count);
    QFETCH(QString, text);
    QFETCH(int, pixelSize);

    QFont font;
    font.setPixelSize(pixelSize);
    DigitDisplay display(nullptr, count);
    display.setFont(font);
    display.showDigits(text);

    const QFontMetrics metrics(font);
    int sum = 0;
    for (const QChar digit : text) {
        sum += metrics.boundingRect(QString(digit)).width();
    }
    QVERIFY(text.isEmpty() || sum > 0);
    QCOMPARE(display.minimumSizeHint().width(), sum + sum / 10);
    QVERIFY(display.minimumSizeHint().height() > 0);

    // A label that is no longer in use does not count, even though it keeps its text.
    display.setDigits(DigitDisplay::NoDigits);
    QCOMPARE(display.minimumSizeHint().width(), 0);
}

QTEST_MAIN(DigitDisplayTest)

#include "digitdisplaytest.moc"
