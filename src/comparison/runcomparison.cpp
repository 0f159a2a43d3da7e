// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "runcomparison.h"

#include "activityruns.h"

RunComparison::RunComparison(ActivityRuns *runs, QObject *parent)
    : QObject(parent)
    , m_runs(runs)
{
    connect(runs, &ActivityRuns::changed, this, &RunComparison::updateReference);
    updateReference();
}

RunComparison::Reference RunComparison::reference() const
{
    return m_reference;
}

void RunComparison::setReference(Reference reference)
{
    m_reference = reference;
    updateReference();
}

void RunComparison::choose(const RunSplits &splits, const QString &title)
{
    m_chosen = splits;
    m_chosenTitle = title;
    m_reference = Reference::ChosenSession;
    updateReference();
}

QString RunComparison::referenceTitle() const
{
    return m_referenceTitle;
}

const RunSplits &RunComparison::referenceSplits() const
{
    return m_referenceSplits;
}

bool RunComparison::isComparing() const
{
    return !m_referenceSplits.isEmpty();
}

void RunComparison::setRun(const RunSplits &run)
{
    m_run = run;
    updateSums();
    Q_EMIT runChanged();
}

void RunComparison::appendLap(qint64 sinceStart)
{
    m_run.append(sinceStart);
    addToSums(m_run.count() - 1);
    Q_EMIT runChanged();
}

const RunSplits &RunComparison::run() const
{
    return m_run;
}

std::optional<qint64> RunComparison::lapDifference(qsizetype position) const
{
    if (position < 0 || position >= m_run.count() || position >= m_referenceSplits.count()) {
        return std::nullopt;
    }
    return m_run.lapTime(position) - m_referenceSplits.lapTime(position);
}

std::optional<qint64> RunComparison::runningDifference(qsizetype position) const
{
    if (position < 0 || position >= m_run.count() || position >= m_referenceSplits.count()) {
        return std::nullopt;
    }
    return m_run.sinceStart(position) - m_referenceSplits.sinceStart(position);
}

bool RunComparison::isGoldLap(qsizetype position) const
{
    if (!m_runs || position < 0 || position >= m_run.count()) {
        return false;
    }
    const std::optional<qint64> best = m_runs->bestLapAt(position);
    return best && m_run.lapTime(position) < *best;
}

std::optional<qint64> RunComparison::liveDifference(qint64 elapsed) const
{
    const qsizetype referenceLaps = m_referenceSplits.count();
    if (referenceLaps == 0) {
        return std::nullopt;
    }
    const qsizetype taken = m_run.count();
    if (taken >= referenceLaps) {
        return runningDifference(referenceLaps - 1);
    }
    // Both runs are even at the start.
    const qint64 atLastLap = taken == 0 ? 0 : m_run.sinceStart(taken - 1) - m_referenceSplits.sinceStart(taken - 1);
    const qint64 runningLap = std::max<qint64>(0, elapsed - m_run.total());
    return atLastLap + std::max<qint64>(0, runningLap - m_referenceSplits.lapTime(taken));
}

std::optional<qint64> RunComparison::predictedFinish() const
{
    const qsizetype taken = m_run.count();
    if (m_referenceSplits.isEmpty() || taken > m_referenceSplits.count()) {
        return std::nullopt;
    }
    const qint64 referenceSoFar = taken == 0 ? 0 : m_referenceSplits.sinceStart(taken - 1);
    return m_run.total() + m_referenceSplits.total() - referenceSoFar;
}

qint64 RunComparison::sumOfBest() const
{
    return m_storedSumOfBest - m_sumOfBestGain;
}

std::optional<qint64> RunComparison::possibleTimeSave() const
{
    const qsizetype taken = m_run.count();
    if (m_referenceSplits.isEmpty() || taken > m_referenceSplits.count()) {
        return std::nullopt;
    }
    return taken < m_saveFrom.size() ? m_saveFrom.at(taken) : 0;
}

void RunComparison::updateReference()
{
    std::optional<ActivityRuns::Run> run;
    RunSplits splits;
    QString title;
    switch (m_reference) {
    case Reference::None:
        break;
    case Reference::PreviousRun:
        run = m_runs ? m_runs->previousRun() : std::nullopt;
        break;
    case Reference::BestRun:
        run = m_runs ? m_runs->bestRun() : std::nullopt;
        break;
    case Reference::BestLaps:
        if (m_runs) {
            splits = m_runs->bestLaps();
            title = m_runs->name();
        }
        break;
    case Reference::ChosenSession:
        splits = m_chosen;
        title = m_chosenTitle;
        break;
    }
    if (run) {
        splits = run->splits;
        title = run->name;
    }
    m_referenceSplits = splits;
    m_referenceTitle = title;

    m_saveFrom.resize(splits.count() + 1);
    m_saveFrom[splits.count()] = 0;
    for (qsizetype position = splits.count() - 1; position >= 0; --position) {
        const qint64 lapTime = splits.lapTime(position);
        const std::optional<qint64> best = m_runs ? m_runs->bestLapAt(position) : std::nullopt;
        m_saveFrom[position] = m_saveFrom.at(position + 1) + (best ? std::max<qint64>(0, lapTime - *best) : 0);
    }
    updateSums();
    Q_EMIT comparisonChanged();
}

void RunComparison::updateSums()
{
    m_storedSumOfBest = m_runs ? m_runs->bestLaps().total() : 0;
    m_sumOfBestGain = 0;
    for (qsizetype position = 0; position < m_run.count(); ++position) {
        addToSums(position);
    }
}

void RunComparison::addToSums(qsizetype position)
{
    const qint64 lapTime = m_run.lapTime(position);
    const std::optional<qint64> best = m_runs ? m_runs->bestLapAt(position) : std::nullopt;
    // A position no stored run reached adds this run's lap to the sum.
    m_sumOfBestGain += best ? std::max<qint64>(0, *best - lapTime) : -lapTime;
}

#include "moc_runcomparison.cpp"
