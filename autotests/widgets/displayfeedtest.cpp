// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "displayfeed.h"
#include "lapmodel.h"
#include "runninglap.h"
#include "secondarytime.h"
#include "stopwatch.h"
#include "timedisplay.h"

#include <QLocale>
#include <QPaintEvent>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace
{
// Counts the paint events a widget gets.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget)
    {
        widget->installEventFilter(this);
    }
    int paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
};

// The digits and the line beneath them, as a window holds them.
struct DigitsWithLine {
    DigitsWithLine()
    {
        auto layout = new QVBoxLayout(&window);
        layout->addWidget(&digits);
        layout->addWidget(&line);
        TimeFormat format(false, true, TimeFormat::UpToHundredths);
        format.setDividers(false);
        digits.setTimeFormat(format);
        feed.setTimeFormat(format);
    }

    // Laps at these times; the stopwatch is paused after them, so only our ticks come.
    void run(const QList<int> &sinceStart)
    {
        stopwatch.start();
        for (int time : sinceStart) {
            laps.addLap(time);
        }
        stopwatch.pause();
    }

    QWidget window;
    Stopwatch stopwatch;
    LapModel laps;
    RunningLap runningLap{&stopwatch, &laps};
    TimeDisplay digits{&window};
    SecondaryTime line{&window};
    DisplayFeed feed{&runningLap, &digits, &line};
};
}

class DisplayFeedTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void digitsAndLineFollowTheChoice_data();
    void digitsAndLineFollowTheChoice();
    void totalTextIsTheTotal_data();
    void totalTextIsTheTotal();
    void lineRepaintsOnlyWhenItsTextChanges();
};

void DisplayFeedTest::initTestCase()
{
    QLocale::setDefault(QLocale::c());
}

void DisplayFeedTest::digitsAndLineFollowTheChoice_data()
{
    QTest::addColumn<bool>("lapOnDigits");
    QTest::addColumn<QList<int>>("laps");
    QTest::addColumn<int>("tick");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QString>("line");

    QTest::newRow("total, before the first lap") << false << QList<int>{} << 4560 << 4560 << QString();
    QTest::newRow("total, after two laps") << false << QList<int>{1000, 3000} << 4560 << 4560 << u"Lap 3  00:01.5"_s;
    QTest::newRow("lap, before the first lap") << true << QList<int>{} << 4560 << 4560 << u"Total 00:04.5"_s;
    QTest::newRow("lap, after two laps") << true << QList<int>{1000, 3000} << 4560 << 1560 << u"Total 00:04.5"_s;
    QTest::newRow("lap, past an hour") << true << QList<int>{3'600'000} << 3'723'450 << 123'450 << u"Total 01:02:03.4"_s;
    QTest::newRow("total, lap past a minute") << false << QList<int>{1000} << 62'990 << 62'990 << u"Lap 2  01:01.9"_s;
}

void DisplayFeedTest::digitsAndLineFollowTheChoice()
{
    QFETCH(bool, lapOnDigits);
    QFETCH(QList<int>, laps);
    QFETCH(int, tick);
    QFETCH(int, digits);
    QFETCH(QString, line);

    DigitsWithLine display;
    display.feed.setDigitsShow(lapOnDigits ? DisplayFeed::DigitsShow::CurrentLap : DisplayFeed::DigitsShow::Total);
    display.run(laps);
    display.feed.setTime(tick);
    QCOMPARE(display.digits.time(), digits);
    QCOMPARE(display.line.text(), line);

    // Reset: no lap to be in, nothing beneath the digits.
    display.stopwatch.reset();
    display.laps.clear();
    display.feed.setTime(0);
    QCOMPARE(display.digits.time(), 0);
    QCOMPARE(display.line.text(), QString());
}

void DisplayFeedTest::totalTextIsTheTotal_data()
{
    QTest::addColumn<bool>("lapOnDigits");

    QTest::newRow("total on the digits") << false;
    QTest::newRow("lap on the digits") << true;
}

void DisplayFeedTest::totalTextIsTheTotal()
{
    QFETCH(bool, lapOnDigits);

    DigitsWithLine display;
    display.feed.setDigitsShow(lapOnDigits ? DisplayFeed::DigitsShow::CurrentLap : DisplayFeed::DigitsShow::Total);
    display.run({60'000});
    display.feed.setTime(61'230);
    QCOMPARE(display.feed.totalText(), u"01:01.23"_s);
    QCOMPARE(display.digits.currentTime(), lapOnDigits ? u"00:01.23"_s : u"01:01.23"_s);
    // Past a day the hours count on.
    QCOMPARE(DisplayFeed::formatTime(TimeFormat(false, true, TimeFormat::UpToTenths), 100 * 3'600'000 + 61'234), u"100:01:01.2"_s);
}

void DisplayFeedTest::lineRepaintsOnlyWhenItsTextChanges()
{
    DigitsWithLine display;
    display.run({1000});
    display.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&display.window));
    PaintCounter counter(&display.line);
    display.feed.setTime(2000);
    QTRY_VERIFY(counter.paints > 0);
    QCOMPARE(display.line.text(), u"Lap 2  00:01.0"_s);

    // The digits show hundredths, the line tenths: ticks inside one tenth change none of it.
    const int painted = counter.paints;
    for (int time = 2001; time < 2100; time += 7) {
        display.feed.setTime(time);
    }
    QCoreApplication::processEvents();
    QCOMPARE(counter.paints, painted);

    display.feed.setTime(2100);
    QTRY_VERIFY(counter.paints > painted);
    QCOMPARE(display.line.text(), u"Lap 2  00:01.1"_s);
}

QTEST_MAIN(DisplayFeedTest)

#include "displayfeedtest.moc"
