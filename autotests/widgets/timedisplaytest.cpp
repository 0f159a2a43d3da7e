// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "timedisplay.h"
#include "digitdisplay.h"
#include "timeformat.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPaintEvent>
#include <QSet>
#include <QTest>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

class TimeDisplayTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initialState();
    void groupsSwitchOnAsTimeGrows_data();
    void groupsSwitchOnAsTimeGrows();
    void switchedOnGroupsStayUntilReset();
    void resetRightAfterFormatChangesNothing();
    void currentTime_data();
    void currentTime();
    void currentTimeLeavesTheDigitsAlone();
    void fractionPrecision_data();
    void fractionPrecision();
    void fontChangeSetsOneMinimumWidth_data();
    void fontChangeSetsOneMinimumWidth();
    void coloursReachTheGroups();
    void beyondOneDay_data();
    void beyondOneDay();
    void countingThroughTheNight();
    void changedLooksLikeFreshlyOpened_data();
    void changedLooksLikeFreshlyOpened();
};

namespace
{
const QStringList groupNames{u"m_hourGroup"_s, u"m_minGroup"_s, u"m_secGroup"_s, u"m_fracGroup"_s};
const QStringList displayNames{u"m_hourDisplay"_s, u"m_minDisplay"_s, u"m_secDisplay"_s, u"m_fracDisplay"_s};

constexpr int Hour = 3600000;
constexpr int Minute = 60000;

// The format the main window passes: without dividers, so the field texts fit the groups.
TimeFormat windowFormat(bool hours, bool minutes, TimeFormat::SecondFraction fractions = TimeFormat::UpToHundredths)
{
    TimeFormat format(hours, minutes, fractions);
    format.setDividers(false);
    return format;
}

QGroupBox *group(const TimeDisplay &display, int index)
{
    auto box = display.findChild<QGroupBox *>(groupNames.at(index));
    Q_ASSERT(box);
    return box;
}

DigitDisplay *digitDisplay(const TimeDisplay &display, int index)
{
    auto digits = display.findChild<DigitDisplay *>(displayNames.at(index));
    Q_ASSERT(digits);
    return digits;
}

// Letters of the shown groups in order: "hmsf" when all four are on.
QString shownGroups(const TimeDisplay &display)
{
    QString letters;
    const QString all = u"hmsf"_s;
    for (int i = 0; i < 4; ++i) {
        if (group(display, i)->isVisibleTo(&display)) {
            letters += all.at(i);
        }
    }
    return letters;
}

// The digits of one group as the user reads them.
// What the window hands the display from the settings.
struct DisplaySettings {
    bool hours = false;
    bool minutes = true;
    TimeFormat::SecondFraction fractions = TimeFormat::UpToHundredths;
    int pixelSize = 72;
    QColor background;
    QColor text;
};

// A display in a window of the size the user gave it, configured as the main window does.
class DisplayWindow : public QObject
{
public:
    DisplayWindow(const DisplaySettings &settings, int time)
        : display(new TimeDisplay(&window))
    {
        auto layout = new QHBoxLayout(&window);
        layout->addWidget(display);
        apply(settings);
        display->setTime(time);
        window.setFixedSize(900, 420);
    }

    void apply(const DisplaySettings &settings)
    {
        display->setTimeFormat(windowFormat(settings.hours, settings.minutes, settings.fractions));
        QFont font;
        font.setPixelSize(settings.pixelSize);
        display->setHoursFont(font);
        display->setMinutesFont(font);
        display->setSecondsFont(font);
        display->setFractionsFont(font);
        if (settings.background.isValid()) {
            display->setBackgroundColor(settings.background);
        }
        if (settings.text.isValid()) {
            display->setTextColor(settings.text);
        }
    }

    // Shown, with every digit group painted and whatever that paint left queued done.
    bool showAndSettle()
    {
        const auto digits = display->findChildren<DigitDisplay *>();
        for (DigitDisplay *digit : digits) {
            digit->installEventFilter(this);
        }
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) {
            return false;
        }
        const bool painted = QTest::qWaitFor([this, &digits] {
            return std::all_of(digits.cbegin(), digits.cend(), [this](DigitDisplay *digit) {
                return !digit->isVisible() || m_painted.contains(digit);
            });
        });
        QCoreApplication::processEvents();
        return painted;
    }

    // Painted as a tick paints it.
    bool showTime(int time)
    {
        m_painted.clear();
        display->setTime(time);
        const bool painted = QTest::qWaitFor([this] {
            return !m_painted.isEmpty();
        });
        QCoreApplication::processEvents();
        return painted;
    }

    QImage image()
    {
        return window.grab().toImage();
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            m_painted.insert(watched);
        }
        return false;
    }

    QWidget window;
    TimeDisplay *display;

private:
    QSet<QObject *> m_painted;
};

QString digitsOf(const TimeDisplay &display, int index)
{
    return digitDisplay(display, index)->text();
}

QStringList allDigits(const TimeDisplay &display)
{
    return {digitsOf(display, 0), digitsOf(display, 1), digitsOf(display, 2), digitsOf(display, 3)};
}
}

Q_DECLARE_METATYPE(DisplaySettings)

void TimeDisplayTest::initialState()
{
    TimeDisplay display;
    QCOMPARE(shownGroups(display), u"hmsf"_s);
    // The default format has dividers, so no field text fits and nothing is shown yet.
    QCOMPARE(allDigits(display), (QStringList{u""_s, u""_s, u""_s, u""_s}));
    QCOMPARE(group(display, 0)->title(), u"Hours"_s);
    QCOMPARE(group(display, 1)->title(), u"Minutes"_s);
    QCOMPARE(group(display, 2)->title(), u"Seconds"_s);
    QCOMPARE(group(display, 3)->title(), u"Hundredths"_s);
    QCOMPARE(digitDisplay(display, 3)->digits(), DigitDisplay::NoDigits);
    QCOMPARE(display.time(), 0);
    QCOMPARE(display.currentTime(), u"00:00.00"_s);

    display.setTime(123456);
    QCOMPARE(allDigits(display), (QStringList{u""_s, u""_s, u""_s, u""_s}));
    QCOMPARE(display.currentTime(), u"02:03.45"_s);
}

void TimeDisplayTest::groupsSwitchOnAsTimeGrows_data()
{
    QTest::addColumn<bool>("hours");
    QTest::addColumn<bool>("minutes");
    QTest::addColumn<int>("time");
    QTest::addColumn<QString>("groups");
    QTest::addColumn<QStringList>("digits");

    QTest::newRow("all on, zero") << true << true << 0 << u"hmsf"_s << QStringList{u"00"_s, u"00"_s, u"00"_s, u"00"_s};
    QTest::newRow("hours off, just below an hour") << false << true << Hour - 1 << u"msf"_s << QStringList{u""_s, u"59"_s, u"59"_s, u"99"_s};
    QTest::newRow("hours off, an hour") << false << true << Hour << u"hmsf"_s << QStringList{u"01"_s, u"00"_s, u"00"_s, u"00"_s};
    QTest::newRow("minutes off, just below a minute") << true << false << Minute - 10 << u"hsf"_s << QStringList{u"00"_s, u""_s, u"59"_s, u"99"_s};
    QTest::newRow("minutes off, a minute") << true << false << Minute << u"hmsf"_s << QStringList{u"00"_s, u"01"_s, u"00"_s, u"00"_s};
    QTest::newRow("both off, seconds only") << false << false << 3456 << u"sf"_s << QStringList{u""_s, u""_s, u"03"_s, u"45"_s};
    // An opened session can arrive at a whole hour directly: the minute field is 0, so the
    // minutes stay off although more than a minute has passed.
    QTest::newRow("both off, 1 h 0 min 30 s") << false << false << Hour + 30000 << u"hsf"_s << QStringList{u"01"_s, u""_s, u"30"_s, u"00"_s};
    QTest::newRow("both off, 1 h 2 min 3.456 s") << false << false << Hour + 2 * Minute + 3456 << u"hmsf"_s << QStringList{u"01"_s, u"02"_s, u"03"_s, u"45"_s};
}

void TimeDisplayTest::groupsSwitchOnAsTimeGrows()
{
    QFETCH(bool, hours);
    QFETCH(bool, minutes);
    QFETCH(int, time);
    QFETCH(QString, groups);
    QFETCH(QStringList, digits);

    TimeDisplay display;
    display.setTimeFormat(windowFormat(hours, minutes));
    display.setTime(time);
    QCOMPARE(shownGroups(display), groups);
    QCOMPARE(allDigits(display), digits);
    QCOMPARE(display.time(), time);
}

void TimeDisplayTest::switchedOnGroupsStayUntilReset()
{
    TimeDisplay display;
    display.setTimeFormat(windowFormat(false, false));

    display.setTime(Hour + 30000);
    QCOMPARE(shownGroups(display), u"hsf"_s);
    display.setTime(Hour + Minute + 30000);
    QCOMPARE(shownGroups(display), u"hmsf"_s);
    QCOMPARE(digitsOf(display, 1), u"01"_s);

    // The time alone never takes a group away.
    display.setTime(5000);
    QCOMPARE(shownGroups(display), u"hmsf"_s);
    QCOMPARE(allDigits(display), (QStringList{u"00"_s, u"00"_s, u"05"_s, u"00"_s}));

    // While an hour is shown, reset turns the hours straight back on.
    display.setTime(Hour);
    display.reset();
    QCOMPARE(shownGroups(display), u"hsf"_s);

    display.setTime(0);
    QCOMPARE(shownGroups(display), u"hsf"_s);
    display.reset();
    QCOMPARE(shownGroups(display), u"sf"_s);
    QCOMPARE(allDigits(display).mid(2), (QStringList{u"00"_s, u"00"_s}));
    QCOMPARE(display.currentTime(), u"00.00"_s);
}

void TimeDisplayTest::resetRightAfterFormatChangesNothing()
{
    TimeDisplay display;
    display.setTimeFormat(windowFormat(false, true));
    display.setTime(2 * Minute + 3456);
    const QStringList before = allDigits(display);

    display.reset();
    QCOMPARE(shownGroups(display), u"msf"_s);
    QCOMPARE(allDigits(display), before);
    QCOMPARE(display.currentTime(), u"02:03.45"_s);
}

void TimeDisplayTest::currentTime_data()
{
    QTest::addColumn<bool>("hours");
    QTest::addColumn<bool>("minutes");
    QTest::addColumn<TimeFormat::SecondFraction>("fractions");
    QTest::addColumn<int>("time");
    QTest::addColumn<QString>("text");

    const int sample = 2 * Minute + 3456;
    QTest::newRow("minutes, hundredths") << false << true << TimeFormat::UpToHundredths << sample << u"02:03.45"_s;
    QTest::newRow("minutes, tenths") << false << true << TimeFormat::UpToTenths << sample << u"02:03.4"_s;
    QTest::newRow("minutes, milliseconds") << false << true << TimeFormat::UpToMilliseconds << sample << u"02:03.456"_s;
    QTest::newRow("minutes, no fractions") << false << true << TimeFormat::NoFractions << sample << u"02:03"_s;
    QTest::newRow("all fields") << true << true << TimeFormat::UpToHundredths << sample << u"00:02:03.45"_s;
    QTest::newRow("seconds only") << false << false << TimeFormat::UpToHundredths << 3456 << u"03.45"_s;
    QTest::newRow("hours switched on") << false << true << TimeFormat::UpToHundredths << Hour + sample << u"01:02:03.45"_s;
    QTest::newRow("hours on, minutes still off") << false << false << TimeFormat::UpToHundredths << Hour + 30000 << u"01:30.00"_s;
}

void TimeDisplayTest::currentTime()
{
    QFETCH(bool, hours);
    QFETCH(bool, minutes);
    QFETCH(TimeFormat::SecondFraction, fractions);
    QFETCH(int, time);
    QFETCH(QString, text);

    TimeDisplay display;
    display.setTimeFormat(windowFormat(hours, minutes, fractions));
    display.setTime(time);
    QCOMPARE(display.currentTime(), text);
    QCOMPARE(display.currentTime(), text);
}

void TimeDisplayTest::currentTimeLeavesTheDigitsAlone()
{
    TimeDisplay display;
    display.setTimeFormat(windowFormat(false, true));
    display.setTime(2 * Minute + 3456);
    QCOMPARE(display.currentTime(), u"02:03.45"_s);

    // Had the dividers stayed on, these texts would no longer fit the groups.
    display.setTime(4 * Minute + 5678);
    QCOMPARE(allDigits(display).mid(1), (QStringList{u"04"_s, u"05"_s, u"67"_s}));

    // Reading the time does not make the format differ from the one given, so reset keeps the groups.
    display.reset();
    QCOMPARE(shownGroups(display), u"msf"_s);
}

void TimeDisplayTest::fractionPrecision_data()
{
    QTest::addColumn<TimeFormat::SecondFraction>("fractions");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QString>("title");
    QTest::addColumn<DigitDisplay::DigitCount>("count");
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QString>("text");

    QTest::newRow("tenths") << TimeFormat::UpToTenths << true << u"Tenths"_s << DigitDisplay::OneDigit << u"4"_s << u"02:03.4"_s;
    QTest::newRow("hundredths") << TimeFormat::UpToHundredths << true << u"Hundredths"_s << DigitDisplay::TwoDigits << u"45"_s << u"02:03.45"_s;
    QTest::newRow("milliseconds") << TimeFormat::UpToMilliseconds << true << u"Milliseconds"_s << DigitDisplay::ThreeDigits << u"456"_s << u"02:03.456"_s;
    QTest::newRow("no fractions") << TimeFormat::NoFractions << false << QString() << DigitDisplay::NoDigits << QString() << u"02:03"_s;
}

void TimeDisplayTest::fractionPrecision()
{
    QFETCH(TimeFormat::SecondFraction, fractions);
    QFETCH(bool, shown);
    QFETCH(QString, title);
    QFETCH(DigitDisplay::DigitCount, count);
    QFETCH(QString, digits);
    QFETCH(QString, text);

    // Each precision is reached from every other one, so no title or count is left over.
    const QList<TimeFormat::SecondFraction> all{TimeFormat::UpToTenths, TimeFormat::UpToHundredths, TimeFormat::UpToMilliseconds, TimeFormat::NoFractions};
    for (const TimeFormat::SecondFraction previous : all) {
        TimeDisplay display;
        display.setTimeFormat(windowFormat(false, true, previous));
        display.setTime(2 * Minute + 3456);
        display.setTimeFormat(windowFormat(false, true, fractions));

        QCOMPARE(group(display, 3)->isVisibleTo(&display), shown);
        QCOMPARE(display.currentTime(), text);
        QCOMPARE(digitsOf(display, 2), u"03"_s);
        if (shown) {
            QCOMPARE(group(display, 3)->title(), title);
            QCOMPARE(digitDisplay(display, 3)->digits(), count);
            QCOMPARE(digitsOf(display, 3), digits);
        }
    }
}

void TimeDisplayTest::fontChangeSetsOneMinimumWidth_data()
{
    QTest::addColumn<int>("changed");

    QTest::newRow("hours font") << 0;
    QTest::newRow("minutes font") << 1;
    QTest::newRow("seconds font") << 2;
    QTest::newRow("fractions font") << 3;
}

void TimeDisplayTest::fontChangeSetsOneMinimumWidth()
{
    QFETCH(int, changed);

    TimeDisplay display;
    // Hours stay hidden: a hidden group gets the same width as the others.
    display.setTimeFormat(windowFormat(false, true, TimeFormat::UpToMilliseconds));
    display.setTime(48 * 1000 + 888);
    QFont big;
    big.setPixelSize(60);

    switch (changed) {
    case 0:
        display.setHoursFont(big);
        break;
    case 1:
        display.setMinutesFont(big);
        break;
    case 2:
        display.setSecondsFont(big);
        break;
    case 3:
        display.setFractionsFont(big);
        break;
    }

    int widest = 0;
    for (int i = 0; i < 4; ++i) {
        widest = std::max(widest, digitDisplay(display, i)->minimumSizeHint().width());
    }
    QVERIFY(widest > 0);
    const int expected = widest + widest * 40 / 100;
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(group(display, i)->minimumWidth(), expected);
    }

    // The widths are taken at the font change only; later digits do not move them.
    display.setTime(0);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(group(display, i)->minimumWidth(), expected);
    }
}

void TimeDisplayTest::coloursReachTheGroups()
{
    TimeDisplay display;
    display.setTimeFormat(windowFormat(true, true));
    display.setTime(Hour + 2 * Minute + 3456);
    const QPalette own = display.palette();
    const QColor background(Qt::darkBlue);
    const QColor text(Qt::yellow);

    display.setBackgroundColor(background);
    display.setTextColor(text);

    for (int i = 0; i < 4; ++i) {
        const QGroupBox *box = group(display, i);
        for (const auto colourGroup : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            QCOMPARE(box->palette().color(colourGroup, box->backgroundRole()), background);
            QCOMPARE(box->palette().color(colourGroup, box->foregroundRole()), text);
        }
        const DigitDisplay *digits = digitDisplay(display, i);
        QCOMPARE(digits->palette().color(digits->foregroundRole()), text);
    }
    QCOMPARE(display.palette(), own);
}

void TimeDisplayTest::beyondOneDay_data()
{
    QTest::addColumn<bool>("hours");
    QTest::addColumn<bool>("minutes");
    QTest::addColumn<int>("time");
    QTest::addColumn<QString>("groups");
    QTest::addColumn<QStringList>("digits");
    QTest::addColumn<QString>("text");

    const int day = 24 * Hour;
    QTest::newRow("last moment of the first day") << true << true << day - 1 << u"hmsf"_s << QStringList{u"23"_s, u"59"_s, u"59"_s, u"99"_s}
                                                  << u"23:59:59.99"_s;
    QTest::newRow("one day") << true << true << day << u"hmsf"_s << QStringList{u"24"_s, u"00"_s, u"00"_s, u"00"_s} << u"24:00:00.00"_s;
    QTest::newRow("25 h 1 s") << true << true << 25 * Hour + 1000 << u"hmsf"_s << QStringList{u"25"_s, u"00"_s, u"01"_s, u"00"_s} << u"25:00:01.00"_s;
    QTest::newRow("47 h 30 min 15.25 s") << true << true << 47 * Hour + 30 * Minute + 15250 << u"hmsf"_s << QStringList{u"47"_s, u"30"_s, u"15"_s, u"25"_s}
                                         << u"47:30:15.25"_s;
    QTest::newRow("just below 100 h") << true << true << 100 * Hour - 1 << u"hmsf"_s << QStringList{u"99"_s, u"59"_s, u"59"_s, u"99"_s} << u"99:59:59.99"_s;
    QTest::newRow("100 h") << true << true << 100 * Hour << u"hmsf"_s << QStringList{u"100"_s, u"00"_s, u"00"_s, u"00"_s} << u"100:00:00.00"_s;
    QTest::newRow("largest time") << true << true << std::numeric_limits<int>::max() << u"hmsf"_s << QStringList{u"596"_s, u"31"_s, u"23"_s, u"64"_s}
                                  << u"596:31:23.64"_s;
    QTest::newRow("hours off, a day") << false << true << day + 5000 << u"hmsf"_s << QStringList{u"24"_s, u"00"_s, u"05"_s, u"00"_s} << u"24:00:05.00"_s;
    // The hour of the day is 0 here, yet the hours group must come on.
    QTest::newRow("both off, a day reached directly") << false << false << day + 30000 << u"hsf"_s << QStringList{u"24"_s, u""_s, u"30"_s, u"00"_s}
                                                      << u"24:30.00"_s;
    QTest::newRow("both off, two days and a minute") << false << false << 48 * Hour + Minute << u"hmsf"_s << QStringList{u"48"_s, u"01"_s, u"00"_s, u"00"_s}
                                                     << u"48:01:00.00"_s;
}

void TimeDisplayTest::beyondOneDay()
{
    QFETCH(bool, hours);
    QFETCH(bool, minutes);
    QFETCH(int, time);
    QFETCH(QString, groups);
    QFETCH(QStringList, digits);
    QFETCH(QString, text);

    TimeDisplay display;
    display.setTimeFormat(windowFormat(hours, minutes));
    display.setTime(time);
    QCOMPARE(shownGroups(display), groups);
    QCOMPARE(allDigits(display), digits);
    QCOMPARE(display.currentTime(), text);
    QCOMPARE(display.time(), time);
}

void TimeDisplayTest::countingThroughTheNight()
{
    TimeDisplay display;
    display.setTimeFormat(windowFormat(false, true));

    // A run of ticks across the day boundary, as the stopwatch sends them.
    const QList<std::pair<int, QString>> ticks{
        {24 * Hour - 20, u"23:59:59.98"_s},
        {24 * Hour - 10, u"23:59:59.99"_s},
        {24 * Hour, u"24:00:00.00"_s},
        {24 * Hour + 10, u"24:00:00.01"_s},
        {25 * Hour + 1000, u"25:00:01.00"_s},
        {100 * Hour - 10, u"99:59:59.99"_s},
        {100 * Hour, u"100:00:00.00"_s},
        {100 * Hour + Minute + 1010, u"100:01:01.01"_s},
    };
    for (const auto &[time, text] : ticks) {
        display.setTime(time);
        QCOMPARE(display.currentTime(), text);
        QCOMPARE(digitsOf(display, 0) + digitsOf(display, 1) + digitsOf(display, 2) + digitsOf(display, 3), QString(text).remove(u':').remove(u'.'));
    }
    QCOMPARE(digitDisplay(display, 0)->digits(), DigitDisplay::ThreeDigits);

    // After the stopwatch's reset the hours group goes back to two digits.
    display.setTime(0);
    display.reset();
    QCOMPARE(shownGroups(display), u"msf"_s);
    display.setTime(Hour);
    QCOMPARE(digitDisplay(display, 0)->digits(), DigitDisplay::TwoDigits);
    QCOMPARE(digitsOf(display, 0), u"01"_s);
    QCOMPARE(display.currentTime(), u"01:00:00.00"_s);
}

void TimeDisplayTest::changedLooksLikeFreshlyOpened_data()
{
    QTest::addColumn<DisplaySettings>("before");
    QTest::addColumn<QList<int>>("timesBefore");
    QTest::addColumn<DisplaySettings>("after");
    QTest::addColumn<int>("timeAfter");

    const DisplaySettings hundredths;
    DisplaySettings milliseconds;
    milliseconds.fractions = TimeFormat::UpToMilliseconds;
    DisplaySettings tenths;
    tenths.fractions = TimeFormat::UpToTenths;
    DisplaySettings withHours;
    withHours.hours = true;
    DisplaySettings smaller;
    smaller.pixelSize = 40;
    DisplaySettings coloured;
    coloured.background = QColor(0x20, 0x30, 0x50);
    coloured.text = QColor(0xf0, 0xd0, 0x20);
    DisplaySettings secondsOnly;
    secondsOnly.minutes = false;

    const int time = 3 * Minute + 41234;
    // A run of ticks before the change, so that the cells have shown the digits they show
    // after it.
    const QList<int> ticks{10 * Minute + 10010, 1 * Minute + 1001, time};
    QTest::newRow("hundredths to milliseconds") << hundredths << ticks << milliseconds << time;
    QTest::newRow("milliseconds to tenths") << milliseconds << ticks << tenths << time;
    QTest::newRow("hours switched on") << hundredths << ticks << withHours << time;
    QTest::newRow("smaller font") << hundredths << ticks << smaller << time;
    QTest::newRow("colours") << hundredths << ticks << coloured << time;
    QTest::newRow("hours pass 99") << withHours << QList<int>{10 * Hour, Hour, 100 * Hour - 10} << withHours << 100 * Hour;
    QTest::newRow("minutes come on by themselves") << secondsOnly << QList<int>{10000, 59990} << secondsOnly << Minute + 10;
}

// A settings change or a group that grows a digit rearranges the groups; the window must then
// look as if it had been opened that way, not keep pieces of the old arrangement.
void TimeDisplayTest::changedLooksLikeFreshlyOpened()
{
    QFETCH(DisplaySettings, before);
    QFETCH(QList<int>, timesBefore);
    QFETCH(DisplaySettings, after);
    QFETCH(int, timeAfter);

    DisplayWindow changed(before, 0);
    QVERIFY(changed.showAndSettle());
    for (const int time : std::as_const(timesBefore)) {
        QVERIFY(changed.showTime(time));
    }
    changed.apply(after);
    changed.display->setTime(timeAfter);

    DisplayWindow fresh(after, timeAfter);
    QVERIFY(fresh.showAndSettle());
    QCOMPARE(changed.display->currentTime(), fresh.display->currentTime());
    QTRY_COMPARE(changed.image(), fresh.image());
}

QTEST_MAIN(TimeDisplayTest)

#include "timedisplaytest.moc"
