// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "runsplits.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class ActivityRuns;

/**
 * A run held against a reference: an earlier run of its activity, the best laps of all of
 * them, or any session chosen by hand.
 *
 * Differences are signed, in milliseconds: ahead is negative, behind positive. Every
 * answer about a lap, and the live difference, comes in constant time; the sums that
 * span the run are kept up to date lap by lap.
 */
class RunComparison : public QObject
{
    Q_OBJECT

public:
    enum class Reference {
        None,
        PreviousRun,
        BestRun,
        BestLaps,
        ChosenSession,
    };
    Q_ENUM(Reference)

    explicit RunComparison(ActivityRuns *runs, QObject *parent = nullptr);

    [[nodiscard]] Reference reference() const;
    /** Any reference but a chosen session; for that, see choose(). */
    void setReference(Reference reference);
    /** Compares with @p splits, the laps of a session or a lap export named @p title. */
    void choose(const RunSplits &splits, const QString &title);
    /** What is compared with: the chosen session's title or the run's, empty for none. */
    [[nodiscard]] QString referenceTitle() const;
    /** The reference's laps; none while nothing is compared or the reference has no laps. */
    [[nodiscard]] const RunSplits &referenceSplits() const;
    [[nodiscard]] bool isComparing() const;

    /** The laps of the run compared; appendLap() is the cheap way for a new lap. */
    void setRun(const RunSplits &run);
    void appendLap(qint64 sinceStart);
    [[nodiscard]] const RunSplits &run() const;

    /** Lap @p position of the run against the reference's lap there. */
    [[nodiscard]] std::optional<qint64> lapDifference(qsizetype position) const;
    /** The time since the start at lap @p position against the reference's. */
    [[nodiscard]] std::optional<qint64> runningDifference(qsizetype position) const;
    /** Faster than the lap at its position of every stored run of the activity. */
    [[nodiscard]] bool isGoldLap(qsizetype position) const;

    /**
     * The difference at the moment @p elapsed: while the running lap is shorter than the
     * reference's lap it is the difference at the last lap (even at the start), and once it
     * is longer it grows with it. Past the reference's laps it stays at its last lap's.
     */
    [[nodiscard]] std::optional<qint64> liveDifference(qint64 elapsed) const;
    /** The time since the start at the last lap and the reference's laps still to come. */
    [[nodiscard]] std::optional<qint64> predictedFinish() const;
    /** The fastest lap at every position of the stored runs and this one, summed. */
    [[nodiscard]] qint64 sumOfBest() const;
    /** How much faster than predicted the run could end were each lap to come a best lap. */
    [[nodiscard]] std::optional<qint64> possibleTimeSave() const;

Q_SIGNALS:
    /** The reference or the stored runs changed: every lap's answers may differ. */
    void comparisonChanged();
    /** A lap came or the run was passed anew. */
    void runChanged();

private:
    void updateReference();
    void updateSums();
    void addToSums(qsizetype position);

    QPointer<ActivityRuns> m_runs;
    Reference m_reference = Reference::None;
    RunSplits m_chosen;
    QString m_chosenTitle;
    RunSplits m_referenceSplits;
    QString m_referenceTitle;
    RunSplits m_run;
    // The stored runs' best laps, summed, and what this run's laps take off that sum.
    qint64 m_storedSumOfBest = 0;
    qint64 m_sumOfBestGain = 0;
    // From every reference lap on: how much it is slower than the best lap at its position.
    QList<qint64> m_saveFrom;
};
