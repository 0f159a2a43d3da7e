// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QPointer>
#include <QWidget>

class LapAnalysisModel;
class QLabel;
class RunComparison;

/**
 * The figures of a comparison for the lap summary: the sum of best of the activity, the
 * predicted finish and the time the rest of the run could still save. Shown while a
 * comparison is chosen; it changes with each lap, never with a tick.
 */
class ComparisonSummary : public QWidget
{
    Q_OBJECT

public:
    ComparisonSummary(RunComparison *comparison, LapAnalysisModel *format, QWidget *parent = nullptr);

private:
    void slotUpdateFigures();
    QLabel *addFigure(const QString &caption, const QString &toolTip, const QString &objectName, int column);

    QPointer<RunComparison> m_comparison;
    QPointer<LapAnalysisModel> m_format;
    QLabel *m_sumOfBest = nullptr;
    QLabel *m_predicted = nullptr;
    QLabel *m_possibleSave = nullptr;
};
