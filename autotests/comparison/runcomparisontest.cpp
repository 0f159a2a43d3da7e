// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "runcomparison.h"
#include "activityruns.h"
#include "session.h"
#include "sessionmodel.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace
{
using Times = QList<qint64>;
using Differences = QList<std::optional<qint64>>;

// A stored run: its name, the day it was saved (days after a fixed one) and its laps' times.
struct StoredRun {
    StoredRun() = default;
    StoredRun(const QString &name, int day, const Times &lapTimes, const QString &id = QString())
        : name(name)
        , day(day)
        , lapTimes(lapTimes)
        , id(id)
    {
    }
    QString name;
    int day = 0;
    Times lapTimes;
    QString id;
};

Session sessionOf(const StoredRun &stored)
{
    Session session(0, QDateTime(QDate(2026, 1, 1).addDays(stored.day), QTime(8, 0)));
    session.setName(stored.name);
    session.setId(stored.id.isEmpty() ? u"%1-%2"_s.arg(stored.name).arg(stored.day) : stored.id);
    const RunSplits splits = RunSplits::fromLapTimes(stored.lapTimes);
    for (qsizetype i = 0; i < splits.count(); ++i) {
        session.addLap(Lap::fromMilliseconds(int(splits.sinceStart(i))));
    }
    session.setTime(int(splits.total()));
    return session;
}

void addStored(QStandardItemModel &model, const StoredRun &stored)
{
    auto item = new QStandardItem;
    item->setData(QVariant::fromValue(sessionOf(stored)), SessionModel::SessionRole);
    model.appendRow(item);
}

Times lapTimesOf(const RunSplits &splits)
{
    Times times;
    for (qsizetype i = 0; i < splits.count(); ++i) {
        times << splits.lapTime(i);
    }
    return times;
}
}

Q_DECLARE_METATYPE(StoredRun)

class RunComparisonTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exampleRun();
    void reference_data();
    void reference();
    void lapAnswers_data();
    void lapAnswers();
    void liveDifference_data();
    void liveDifference();
    void storedRunsChangeWhileComparing();
    void lapByLapEqualsWholeRun();
};

// The run of the handbook: a chosen reference, bests from the runs stored under the name.
void RunComparisonTest::exampleRun()
{
    QStandardItemModel sessions;
    addStored(sessions, {u"Route"_s, 1, {59800, 62500, 60800}});
    ActivityRuns runs(&sessions);
    runs.setActivity(u"Route"_s, QString());
    RunComparison comparison(&runs);
    comparison.choose(RunSplits::fromLapTimes({60000, 62000, 61000}), u"Chosen"_s);

    comparison.appendLap(59500);
    QCOMPARE(comparison.predictedFinish(), std::optional<qint64>(182500));
    comparison.appendLap(59500 + 63000);
    comparison.appendLap(59500 + 63000 + 60500);

    QCOMPARE((Differences{comparison.lapDifference(0), comparison.lapDifference(1), comparison.lapDifference(2)}), (Differences{-500, 1000, -500}));
    QCOMPARE((Differences{comparison.runningDifference(0), comparison.runningDifference(1), comparison.runningDifference(2)}), (Differences{-500, 500, 0}));
    QCOMPARE((QList<bool>{comparison.isGoldLap(0), comparison.isGoldLap(1), comparison.isGoldLap(2)}), (QList<bool>{true, false, true}));
    QCOMPARE(comparison.sumOfBest(), 182500);
}

void RunComparisonTest::reference_data()
{
    QTest::addColumn<QList<StoredRun>>("stored");
    QTest::addColumn<QString>("ownId");
    QTest::addColumn<int>("reference");
    QTest::addColumn<Times>("expected");

    const StoredRun older{u"Route"_s, 1, {60000, 62000, 61000}};
    const StoredRun newer{u"Route"_s, 5, {61000, 60000, 63000}};
    const StoredRun shorter{u"Route"_s, 9, {30000, 30000}};
    const StoredRun otherName{u"Route "_s, 10, {1000, 1000, 1000, 1000}};
    const auto previous = int(RunComparison::Reference::PreviousRun);
    const auto best = int(RunComparison::Reference::BestRun);
    const auto bestLaps = int(RunComparison::Reference::BestLaps);

    QTest::newRow("none") << QList<StoredRun>{older, newer} << QString() << int(RunComparison::Reference::None) << Times{};
    QTest::newRow("previous is the newest") << QList<StoredRun>{newer, older} << QString() << previous << newer.lapTimes;
    QTest::newRow("previous skips the window's own copy") << QList<StoredRun>{older, newer} << u"Route-5"_s << previous << older.lapTimes;
    QTest::newRow("previous of a name alone is none") << QList<StoredRun>{otherName} << QString() << previous << Times{};
    QTest::newRow("no earlier runs") << QList<StoredRun>{} << QString() << best << Times{};
    QTest::newRow("best is the fastest") << QList<StoredRun>{older, newer} << QString() << best << older.lapTimes;
    QTest::newRow("best needs the most laps") << QList<StoredRun>{older, shorter, newer} << QString() << best << older.lapTimes;
    QTest::newRow("best of equal times is the newest")
        << QList<StoredRun>{older, {u"Route"_s, 3, {61000, 61000, 61000}}} << QString() << best << Times{61000, 61000, 61000};
    QTest::newRow("best laps per position") << QList<StoredRun>{older, newer, shorter} << QString() << bestLaps << Times{30000, 30000, 61000};
    QTest::newRow("best laps ignore other names") << QList<StoredRun>{older, otherName} << QString() << bestLaps << older.lapTimes;
}

void RunComparisonTest::reference()
{
    QFETCH(QList<StoredRun>, stored);
    QFETCH(QString, ownId);
    QFETCH(int, reference);
    QFETCH(Times, expected);

    QStandardItemModel sessions;
    for (const StoredRun &run : std::as_const(stored)) {
        addStored(sessions, run);
    }
    ActivityRuns runs(&sessions);
    runs.setActivity(u"Route"_s, ownId);
    RunComparison comparison(&runs);
    comparison.setReference(RunComparison::Reference(reference));

    QCOMPARE(lapTimesOf(comparison.referenceSplits()), expected);
    QCOMPARE(comparison.isComparing(), !expected.isEmpty());
}

void RunComparisonTest::lapAnswers_data()
{
    QTest::addColumn<Times>("referenceLaps");
    QTest::addColumn<Times>("runLaps");
    QTest::addColumn<Differences>("lapDifferences");
    QTest::addColumn<Differences>("runningDifferences");
    QTest::addColumn<std::optional<qint64>>("predicted");

    QTest::newRow("equal times") << Times{1000, 2000} << Times{1000, 2000} << Differences{0, 0} << Differences{0, 0} << std::optional<qint64>(3000);
    QTest::newRow("reference shorter than the run") << Times{1000} << Times{900, 2000, 3000} << Differences{-100, {}, {}} << Differences{-100, {}, {}}
                                                    << std::optional<qint64>();
    QTest::newRow("reference longer than the run") << Times{1000, 1000, 1000} << Times{1500} << Differences{500} << Differences{500}
                                                   << std::optional<qint64>(3500);
    QTest::newRow("no laps yet") << Times{1000, 1000} << Times{} << Differences{} << Differences{} << std::optional<qint64>(2000);
    QTest::newRow("no reference") << Times{} << Times{1000} << Differences{{}} << Differences{{}} << std::optional<qint64>();
}

void RunComparisonTest::lapAnswers()
{
    QFETCH(Times, referenceLaps);
    QFETCH(Times, runLaps);
    QFETCH(Differences, lapDifferences);
    QFETCH(Differences, runningDifferences);
    QFETCH(std::optional<qint64>, predicted);

    QStandardItemModel sessions;
    ActivityRuns runs(&sessions);
    RunComparison comparison(&runs);
    comparison.choose(RunSplits::fromLapTimes(referenceLaps), u"Reference"_s);
    comparison.setRun(RunSplits::fromLapTimes(runLaps));

    Differences lap;
    Differences running;
    for (qsizetype i = 0; i < runLaps.size(); ++i) {
        lap << comparison.lapDifference(i);
        running << comparison.runningDifference(i);
    }
    QCOMPARE(lap, lapDifferences);
    QCOMPARE(running, runningDifferences);
    QCOMPARE(comparison.predictedFinish(), predicted);
    // Positions the run never reached have nothing to say.
    QCOMPARE(comparison.lapDifference(runLaps.size()), std::optional<qint64>());
    QCOMPARE(comparison.runningDifference(-1), std::optional<qint64>());
}

void RunComparisonTest::liveDifference_data()
{
    QTest::addColumn<Times>("runLaps");
    QTest::addColumn<qint64>("elapsed");
    QTest::addColumn<std::optional<qint64>>("expected");

    // Against laps of 10 s, 20 s and 30 s.
    QTest::newRow("at the start") << Times{} << qint64(0) << std::optional<qint64>(0);
    QTest::newRow("first lap still shorter") << Times{} << qint64(9999) << std::optional<qint64>(0);
    QTest::newRow("first lap runs long") << Times{} << qint64(12500) << std::optional<qint64>(2500);
    QTest::newRow("ahead, lap shorter than its reference") << Times{8000} << qint64(8000 + 15000) << std::optional<qint64>(-2000);
    QTest::newRow("ahead, lap past its reference") << Times{8000} << qint64(8000 + 21000) << std::optional<qint64>(-1000);
    QTest::newRow("ahead turns behind") << Times{8000} << qint64(8000 + 25000) << std::optional<qint64>(3000);
    QTest::newRow("behind, lap shorter") << Times{12000} << qint64(12000 + 5000) << std::optional<qint64>(2000);
    QTest::newRow("past the reference's laps") << Times{10000, 20000, 29000, 5000} << qint64(90000) << std::optional<qint64>(-1000);
    QTest::newRow("right at the reference's end") << Times{10000, 20000, 31000} << qint64(61000) << std::optional<qint64>(1000);
}

void RunComparisonTest::liveDifference()
{
    QFETCH(Times, runLaps);
    QFETCH(qint64, elapsed);
    QFETCH(std::optional<qint64>, expected);

    QStandardItemModel sessions;
    ActivityRuns runs(&sessions);
    RunComparison comparison(&runs);
    QCOMPARE(comparison.liveDifference(elapsed), std::optional<qint64>());
    comparison.choose(RunSplits::fromLapTimes({10000, 20000, 30000}), u"Reference"_s);
    comparison.setRun(RunSplits::fromLapTimes(runLaps));
    QCOMPARE(comparison.liveDifference(elapsed), expected);
    comparison.setReference(RunComparison::Reference::None);
    QCOMPARE(comparison.liveDifference(elapsed), std::optional<qint64>());
}

void RunComparisonTest::storedRunsChangeWhileComparing()
{
    QStandardItemModel sessions;
    addStored(sessions, {u"Route"_s, 1, {60000, 62000}});
    ActivityRuns runs(&sessions);
    runs.setActivity(u"Route"_s, u"mine"_s);
    RunComparison comparison(&runs);
    comparison.setReference(RunComparison::Reference::BestRun);
    comparison.setRun(RunSplits::fromLapTimes({59000}));
    QVERIFY(comparison.isGoldLap(0));
    QCOMPARE(comparison.sumOfBest(), 59000 + 62000);
    QCOMPARE(comparison.possibleTimeSave(), std::optional<qint64>(0));
    QSignalSpy changed(&comparison, &RunComparison::comparisonChanged);

    // Another window stores a faster run of the name.
    addStored(sessions, {u"Route"_s, 2, {58000, 61000}});
    QCOMPARE(changed.count(), 1);
    QCOMPARE(lapTimesOf(comparison.referenceSplits()), (Times{58000, 61000}));
    QVERIFY(!comparison.isGoldLap(0));
    QCOMPARE(comparison.sumOfBest(), 58000 + 61000);
    QCOMPARE(comparison.lapDifference(0), std::optional<qint64>(1000));

    // The window's own run, once stored, is no earlier run of itself.
    addStored(sessions, {u"Route"_s, 3, {50000, 50000}, u"mine"_s});
    QCOMPARE(lapTimesOf(comparison.referenceSplits()), (Times{58000, 61000}));
    QCOMPARE(runs.runs().size(), 2);

    // Against the previous run, the best laps still to come can save time.
    comparison.setReference(RunComparison::Reference::PreviousRun);
    sessions.removeRow(1);
    QCOMPARE(lapTimesOf(comparison.referenceSplits()), (Times{60000, 62000}));
    QCOMPARE(comparison.possibleTimeSave(), std::optional<qint64>(0));
    addStored(sessions, {u"Route"_s, 0, {70000, 40000}});
    QCOMPARE(comparison.possibleTimeSave(), std::optional<qint64>(22000));
    QCOMPARE(comparison.predictedFinish(), std::optional<qint64>(59000 + 62000));
}

// Adding laps one by one keeps the same sums as taking the whole run at once.
void RunComparisonTest::lapByLapEqualsWholeRun()
{
    QStandardItemModel sessions;
    QRandomGenerator random(20261211);
    for (int day = 0; day < 20; ++day) {
        Times laps;
        for (int lap = random.bounded(1, 30); lap > 0; --lap) {
            laps << random.bounded(1000, 5000);
        }
        addStored(sessions, {u"Route"_s, day, laps});
    }
    ActivityRuns runs(&sessions);
    runs.setActivity(u"Route"_s, QString());
    RunComparison stepwise(&runs);
    RunComparison whole(&runs);
    stepwise.setReference(RunComparison::Reference::BestLaps);
    whole.setReference(RunComparison::Reference::BestLaps);

    Times laps;
    qint64 elapsed = 0;
    for (int lap = 0; lap < 40; ++lap) {
        laps << random.bounded(800, 5200);
        elapsed += laps.constLast();
        stepwise.appendLap(elapsed);
        whole.setRun(RunSplits::fromLapTimes(laps));
        QCOMPARE(stepwise.run(), whole.run());
        QCOMPARE(stepwise.sumOfBest(), whole.sumOfBest());
        QCOMPARE(stepwise.predictedFinish(), whole.predictedFinish());
        QCOMPARE(stepwise.possibleTimeSave(), whole.possibleTimeSave());

        // The plain sum: the fastest lap at each position over the stored runs and this one.
        qint64 sum = 0;
        for (qsizetype position = 0; position < std::max<qsizetype>(laps.size(), runs.bestLaps().count()); ++position) {
            qint64 fastest = std::numeric_limits<qint64>::max();
            for (const ActivityRuns::Run &run : runs.runs()) {
                if (position < run.splits.count()) {
                    fastest = std::min(fastest, run.splits.lapTime(position));
                }
            }
            if (position < laps.size()) {
                fastest = std::min(fastest, laps.at(position));
            }
            sum += fastest;
        }
        QCOMPARE(stepwise.sumOfBest(), sum);
    }
}

QTEST_GUILESS_MAIN(RunComparisonTest)

#include "runcomparisontest.moc"
