// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "lapstatistics.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace
{
constexpr qint64 IntMax = std::numeric_limits<int>::max();

struct Figures {
    qsizetype count = 0;
    qint64 fastest = 0;
    qint64 slowest = 0;
    double mean = 0;
    double median = 0;
    double deviation = 0;
};

// The textbook way, with the whole list at hand: sort for the median, two passes for the spread.
Figures reference(QList<qint64> laps)
{
    Figures figures;
    figures.count = laps.size();
    if (laps.isEmpty()) {
        return figures;
    }
    std::sort(laps.begin(), laps.end());
    figures.fastest = laps.constFirst();
    figures.slowest = laps.constLast();
    long double sum = 0;
    for (qint64 lap : std::as_const(laps)) {
        sum += lap;
    }
    const long double mean = sum / laps.size();
    long double squares = 0;
    for (qint64 lap : std::as_const(laps)) {
        squares += (lap - mean) * (lap - mean);
    }
    figures.mean = double(mean);
    const qsizetype middle = laps.size() / 2;
    figures.median = laps.size() % 2 ? double(laps.at(middle)) : (double(laps.at(middle - 1)) + double(laps.at(middle))) / 2.0;
    figures.deviation = double(std::sqrt(squares / laps.size()));
    return figures;
}

QList<qint64> randomLaps(int count, qint64 from, qint64 to)
{
    QRandomGenerator generator(20261210);
    QList<qint64> laps;
    for (int i = 0; i < count; ++i) {
        laps << generator.bounded(from, to + 1);
    }
    return laps;
}

bool close(double actual, double expected)
{
    return std::abs(actual - expected) <= 1e-9 * std::max(1.0, std::abs(expected));
}

// Laps as a correction hands them over all at once; nullopt for laps no duration can be.
std::optional<LapStatistics> handedOver(const QList<qint64> &laps)
{
    QList<int> durations;
    for (const qint64 lap : laps) {
        if (lap < 0 || lap > IntMax) {
            return std::nullopt;
        }
        durations << int(lap);
    }
    LapStatistics statistics;
    // Something to forget first: what was there before must not show through.
    statistics.add(123456);
    statistics.add(7);
    statistics.assign(durations);
    return statistics;
}

// The first figure in which @p actual is not exactly @p expected, empty when none is.
QString firstDifference(const LapStatistics &actual, const LapStatistics &expected)
{
    const QList<std::pair<const char *, std::pair<double, double>>> figures{
        {"count", {double(actual.count()), double(expected.count())}},
        {"fastest", {double(actual.fastest()), double(expected.fastest())}},
        {"slowest", {double(actual.slowest()), double(expected.slowest())}},
        {"total", {double(actual.total()), double(expected.total())}},
        {"mean", {actual.mean(), expected.mean()}},
        {"median", {actual.median(), expected.median()}},
        {"deviation", {actual.standardDeviation(), expected.standardDeviation()}},
        {"last", {double(actual.last()), double(expected.last())}},
    };
    for (const auto &[name, values] : figures) {
        if (values.first != values.second) {
            return QStringLiteral("%1: %2 instead of %3").arg(QLatin1StringView(name)).arg(values.first, 0, 'g', 17).arg(values.second, 0, 'g', 17);
        }
    }
    return QString();
}
}

class LapStatisticsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void figures_data();
    void figures();
    void matchesTheTextbookWayOnRandomLaps_data();
    void matchesTheTextbookWayOnRandomLaps();
    void clearStartsOver();
};

void LapStatisticsTest::figures_data()
{
    QTest::addColumn<QList<qint64>>("laps");
    QTest::addColumn<qint64>("fastest");
    QTest::addColumn<qint64>("slowest");
    QTest::addColumn<double>("mean");
    QTest::addColumn<double>("median");
    QTest::addColumn<double>("deviation");

    QTest::newRow("no laps") << QList<qint64>{} << qint64(0) << qint64(0) << 0.0 << 0.0 << 0.0;
    QTest::newRow("one lap") << QList<qint64>{1500} << qint64(1500) << qint64(1500) << 1500.0 << 1500.0 << 0.0;
    QTest::newRow("one lap of 0 ms") << QList<qint64>{0} << qint64(0) << qint64(0) << 0.0 << 0.0 << 0.0;
    QTest::newRow("0 ms among others") << QList<qint64>{0, 1000, 2000} << qint64(0) << qint64(2000) << 1000.0 << 1000.0 << std::sqrt(2e6 / 3);
    QTest::newRow("two laps, median between") << QList<qint64>{1000, 3000} << qint64(1000) << qint64(3000) << 2000.0 << 2000.0 << 1000.0;
    QTest::newRow("odd count out of order") << QList<qint64>{9, 1, 5, 3, 7} << qint64(1) << qint64(9) << 5.0 << 5.0 << std::sqrt(8.0);
    QTest::newRow("ties") << QList<qint64>{400, 400, 400, 400} << qint64(400) << qint64(400) << 400.0 << 400.0 << 0.0;
    QTest::newRow("ties at both ends") << QList<qint64>{2, 8, 2, 8} << qint64(2) << qint64(8) << 5.0 << 5.0 << 3.0;
    QTest::newRow("falling laps") << QList<qint64>{50, 40, 30, 20} << qint64(20) << qint64(50) << 35.0 << 35.0 << std::sqrt(125.0);
    QTest::newRow("negative clamped to 0") << QList<qint64>{-20, 10} << qint64(0) << qint64(10) << 5.0 << 5.0 << 5.0;
    QTest::newRow("past the limit clamped") << QList<qint64>{IntMax + 5, IntMax} << IntMax << IntMax << double(IntMax) << double(IntMax) << 0.0;
    // Squares of these overflow 64 bits at once, and their sum loses the spread of 1 ms in a double.
    QTest::newRow("two laps at the limit") << QList<qint64>{IntMax, IntMax - 2} << IntMax - 2 << IntMax << double(IntMax - 1) << double(IntMax - 1) << 1.0;
    QTest::newRow("0 ms and the limit") << QList<qint64>{0, IntMax} << qint64(0) << IntMax << IntMax / 2.0 << IntMax / 2.0 << IntMax / 2.0;
}

void LapStatisticsTest::figures()
{
    QFETCH(QList<qint64>, laps);

    LapStatistics statistics;
    for (qint64 lap : std::as_const(laps)) {
        statistics.add(lap);
    }

    QCOMPARE(statistics.count(), laps.size());
    QCOMPARE(statistics.isEmpty(), laps.isEmpty());
    QTEST(statistics.fastest(), "fastest");
    QTEST(statistics.slowest(), "slowest");
    QFETCH(double, mean);
    QFETCH(double, median);
    QFETCH(double, deviation);
    QVERIFY2(close(statistics.mean(), mean), qPrintable(QString::number(statistics.mean(), 'f', 6)));
    QVERIFY2(close(statistics.median(), median), qPrintable(QString::number(statistics.median(), 'f', 6)));
    QVERIFY2(close(statistics.standardDeviation(), deviation), qPrintable(QString::number(statistics.standardDeviation(), 'f', 6)));
    if (!laps.isEmpty()) {
        QCOMPARE(statistics.last(), qBound(qint64(0), laps.constLast(), IntMax));
        QVERIFY(close(statistics.differenceToMean(statistics.last()), double(statistics.last()) - mean));
    }

    // Handed over at once, the same laps give the same figures to the last bit.
    if (const std::optional<LapStatistics> assigned = handedOver(laps)) {
        const QString difference = firstDifference(*assigned, statistics);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }
}

void LapStatisticsTest::matchesTheTextbookWayOnRandomLaps_data()
{
    QTest::addColumn<QList<qint64>>("laps");

    QTest::newRow("10001 short laps") << randomLaps(10001, 0, 5000);
    QTest::newRow("10000 laps of a day") << randomLaps(10000, 0, 86'399'999);
    QTest::newRow("5000 laps near the limit") << randomLaps(5000, IntMax - 1000, IntMax);
    QList<qint64> sameLaps(3000, 777);
    sameLaps << 778;
    QTest::newRow("all alike but one") << sameLaps;
}

void LapStatisticsTest::matchesTheTextbookWayOnRandomLaps()
{
    QFETCH(QList<qint64>, laps);

    LapStatistics statistics;
    // The figures must hold after every lap, not only at the end, since the summary shows
    // them after each one; checking every 97th keeps the test quick.
    for (qsizetype i = 0; i < laps.size(); ++i) {
        statistics.add(laps.at(i));
        if (i % 97 != 0 && i != laps.size() - 1) {
            continue;
        }
        const Figures expected = reference(laps.first(i + 1));
        QCOMPARE(statistics.count(), expected.count);
        QCOMPARE(statistics.fastest(), expected.fastest);
        QCOMPARE(statistics.slowest(), expected.slowest);
        QVERIFY2(close(statistics.mean(), expected.mean), qPrintable(QStringLiteral("lap %1").arg(i)));
        QCOMPARE(statistics.median(), expected.median);
        // The spread is a difference of large numbers; a relative error of 1e-6 of the
        // mean is a fraction of a millisecond even at the limit.
        QVERIFY2(std::abs(statistics.standardDeviation() - expected.deviation) <= 1e-6 * std::max(1.0, expected.mean),
                 qPrintable(QStringLiteral("lap %1: %2 instead of %3").arg(i).arg(statistics.standardDeviation()).arg(expected.deviation)));
        const QString difference = firstDifference(handedOver(laps.first(i + 1)).value(), statistics);
        QVERIFY2(difference.isEmpty(), qPrintable(QStringLiteral("lap %1 handed over: %2").arg(i).arg(difference)));
    }
}

void LapStatisticsTest::clearStartsOver()
{
    LapStatistics statistics;
    statistics.add(100);
    statistics.add(IntMax);
    statistics.clear();
    statistics.add(300);

    QCOMPARE(statistics.count(), 1);
    QCOMPARE(statistics.fastest(), 300);
    QCOMPARE(statistics.slowest(), 300);
    QCOMPARE(statistics.median(), 300.0);
    QCOMPARE(statistics.standardDeviation(), 0.0);
}

QTEST_GUILESS_MAIN(LapStatisticsTest)

#include "lapstatisticstest.moc"
