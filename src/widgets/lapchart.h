// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QAbstractScrollArea>

class LapAnalysisModel;

/**
 * One bar per lap time with the mean as a line; the fastest and slowest laps carry the
 * marks of the lap table.
 *
 * Painted by hand rather than with a plot widget: a plot widget keeps a point object per
 * lap and draws all of them on every repaint, while this chart reads the durations the
 * analysis already keeps and draws only the bars that fit the window, so a lap costs the
 * same at 10 or 100,000 laps. Bars keep a fixed width; with more laps than fit, the
 * newest stay in view unless the user has scrolled back. While the chart is hidden a new
 * lap only notes that the scroll range is stale.
 */
class LapChart : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit LapChart(LapAnalysisModel *analysis, QWidget *parent = nullptr);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

    // The first and one past the last lap row whose bars are in view.
    [[nodiscard]] int firstVisibleLap() const;
    [[nodiscard]] int endOfVisibleLaps() const;
    // The lap row under a point of the viewport, or -1.
    [[nodiscard]] int lapAt(const QPoint &position) const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    void slotLapsChanged();
    void updateScrollRange();
    [[nodiscard]] int lapCount() const;

    LapAnalysisModel *m_analysis;
    bool m_stale = true;
};
