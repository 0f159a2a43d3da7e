// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "benchmarkhelpers.h"
#include "displayfeed.h"
#include "lapmodel.h"
#include "lappane.h"
#include "runninglap.h"
#include "secondarytime.h"
#include "stopwatch.h"
#include "timedisplay.h"
#include "timeformat.h"

#include <KLocalizedString>

#include <QStandardPaths>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

class TickBenchmark : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void tick_data();
    void tick();
    void tickChangedDigitsOnly_data();
    void tickChangedDigitsOnly();
    void setTimeOnly_data();
    void setTimeOnly();
    void windowTick_data();
    void windowTick();
};

namespace
{
constexpr int Hour = 3600000;

// The format the window hands the display.
TimeFormat windowFormat(TimeFormat::SecondFraction precision)
{
    TimeFormat format(false, true, precision);
    format.setDividers(false);
    return format;
}

// A display fed by a stopwatch's time signal, as the window wires them, shown on screen.
struct TickedDisplay {
    explicit TickedDisplay(int precision)
    {
        QObject::connect(&stopwatch, &Stopwatch::time, &display, &TimeDisplay::setTime);
        display.setTimeFormat(windowFormat(TimeFormat::SecondFraction(precision)));
        display.show();
    }

    Stopwatch stopwatch;
    TimeDisplay display;
};

// The digits above the lap table, as in a window, fed either as before the running lap was
// shown (the stopwatch straight to the digits, the table idle) or with the line under the
// digits and the running lap's row in the table.
struct TickedWindow {
    TickedWindow(int precision, bool runningLapShown)
    {
        const auto fractions = TimeFormat::SecondFraction(precision);
        laps.setTimeFormat(TimeFormat(false, true, fractions));
        auto layout = new QVBoxLayout(&window);
        layout->addWidget(&display, 1);
        layout->addWidget(&line);
        layout->addWidget(&pane, 1);
        display.setTimeFormat(windowFormat(fractions));
        // The columns a new user sees: no time since the start, notes.
        pane.setColumnsShown(false, true);
        if (runningLapShown) {
            feed.setTimeFormat(windowFormat(fractions));
            QObject::connect(&stopwatch, &Stopwatch::time, &feed, &DisplayFeed::setTime);
            pane.setRunningLap(&runningLap);
            QObject::connect(&stopwatch, &Stopwatch::time, &pane, &LapPane::setTime);
        } else {
            line.hide();
            QObject::connect(&stopwatch, &Stopwatch::time, &display, &TimeDisplay::setTime);
        }
        // Paused after ten laps: the running lap exists, and no tick comes but ours.
        stopwatch.start();
        for (int lap = 1; lap <= 10; ++lap) {
            laps.addLap(lap * 1000);
        }
        stopwatch.pause();
        window.resize(800, 600);
        window.show();
    }

    QWidget window;
    Stopwatch stopwatch;
    LapModel laps;
    TimeDisplay display{&window};
    SecondaryTime line{&window};
    LapPane pane{&laps, &window};
    RunningLap runningLap{&stopwatch, &laps};
    DisplayFeed feed{&runningLap, &display, &line};
};

void addPrecisionRows()
{
    QTest::addColumn<int>("precision");
    QTest::addColumn<int>("step");

    // The step is the tick interval the window gives the stopwatch at that precision.
    QTest::newRow("tenths") << int(TimeFormat::UpToTenths) << 100;
    QTest::newRow("hundredths") << int(TimeFormat::UpToHundredths) << 10;
    QTest::newRow("milliseconds") << int(TimeFormat::UpToMilliseconds) << 1;
    QTest::newRow("none") << int(TimeFormat::NoFractions) << 1000;
}
}

void TickBenchmark::initTestCase()
{
    Benchmark::quietOffscreenWarnings();
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"tickwarden"_s);
    KLocalizedString::setApplicationDomain(QByteArrayLiteral("tickwarden"));
}

void TickBenchmark::tick_data()
{
    addPrecisionRows();
}

void TickBenchmark::tick()
{
    QFETCH(int, precision);
    QFETCH(int, step);

    TickedDisplay ticked(precision);
    QVERIFY(QTest::qWaitForWindowExposed(&ticked.display));

    // Staying below the hour keeps the hours group from switching on halfway through.
    int time = 0;
    QBENCHMARK {
        time = (time + step) % Hour;
        Q_EMIT ticked.stopwatch.time(time);
        ticked.display.repaint();
        QCoreApplication::sendPostedEvents();
    }
}

void TickBenchmark::tickChangedDigitsOnly_data()
{
    addPrecisionRows();
}

// As in the running program: the event loop paints only the digit labels that changed.
void TickBenchmark::tickChangedDigitsOnly()
{
    QFETCH(int, precision);
    QFETCH(int, step);

    TickedDisplay ticked(precision);
    QVERIFY(QTest::qWaitForWindowExposed(&ticked.display));
    QCoreApplication::processEvents();

    int time = 0;
    QBENCHMARK {
        time = (time + step) % Hour;
        Q_EMIT ticked.stopwatch.time(time);
        QCoreApplication::processEvents();
    }
}

void TickBenchmark::setTimeOnly_data()
{
    addPrecisionRows();
}

// The share of a tick that is not painting.
void TickBenchmark::setTimeOnly()
{
    QFETCH(int, precision);
    QFETCH(int, step);

    TickedDisplay ticked(precision);
    QVERIFY(QTest::qWaitForWindowExposed(&ticked.display));

    int time = 0;
    QBENCHMARK {
        time = (time + step) % Hour;
        ticked.display.setTime(time);
    }
}

void TickBenchmark::windowTick_data()
{
    QTest::addColumn<int>("precision");
    QTest::addColumn<int>("step");
    QTest::addColumn<bool>("runningLapShown");

    // Side by side, so that one run on one machine compares them.
    QTest::newRow("hundredths, digits only") << int(TimeFormat::UpToHundredths) << 10 << false;
    QTest::newRow("hundredths, running lap shown") << int(TimeFormat::UpToHundredths) << 10 << true;
    QTest::newRow("tenths, digits only") << int(TimeFormat::UpToTenths) << 100 << false;
    QTest::newRow("tenths, running lap shown") << int(TimeFormat::UpToTenths) << 100 << true;
}

// A tick of a window with laps, painted by the event loop as in the running program.
void TickBenchmark::windowTick()
{
    QFETCH(int, precision);
    QFETCH(int, step);
    QFETCH(bool, runningLapShown);

    TickedWindow ticked(precision, runningLapShown);
    QVERIFY(QTest::qWaitForWindowExposed(&ticked.window));
    QCoreApplication::processEvents();

    // Past the last lap and below the hour, so no group of the digits switches on.
    int time = 11000;
    QBENCHMARK {
        time = 11000 + (time + step - 11000) % (Hour - 11000);
        Q_EMIT ticked.stopwatch.time(time);
        QCoreApplication::processEvents();
    }
}

QTEST_MAIN(TickBenchmark)

#include "tickbenchmark.moc"
