// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "benchmarkhelpers.h"
#include "stopwatch.h"
#include "timedisplay.h"
#include "timeformat.h"

#include <KLocalizedString>

#include <QStandardPaths>
#include <QTest>

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

QTEST_MAIN(TickBenchmark)

#include "tickbenchmark.moc"
