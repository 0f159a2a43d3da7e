// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QWidget>

class LapAnalysisModel;
class QLabel;
class QToolButton;

/**
 * A strip of figures about the laps taken: how many, the fastest, the slowest, mean,
 * median, standard deviation and how the last lap compares with the mean.
 *
 * It only reads the figures the analysis keeps up to date, so a new lap costs it a handful
 * of label texts whatever the number of laps. The strip folds down to its title; whoever
 * places it decides whether that state is kept.
 */
class LapSummary : public QWidget
{
    Q_OBJECT

public:
    explicit LapSummary(LapAnalysisModel *analysis, QWidget *parent = nullptr);

    /** Places more figures below the strip's own, folding with them. */
    void addFigures(QWidget *figures);

    void setExpanded(bool expanded);
    [[nodiscard]] bool isExpanded() const;

Q_SIGNALS:
    void expandedChanged(bool expanded);

private:
    void slotUpdateFigures();
    QLabel *addFigure(const QString &caption, const QString &objectName, int row, int column);

    LapAnalysisModel *m_analysis;
    QToolButton *m_toggle = nullptr;
    QWidget *m_figures = nullptr;
    QLabel *m_count = nullptr;
    QLabel *m_fastest = nullptr;
    QLabel *m_slowest = nullptr;
    QLabel *m_lastToMean = nullptr;
    QLabel *m_mean = nullptr;
    QLabel *m_median = nullptr;
    QLabel *m_deviation = nullptr;
};
