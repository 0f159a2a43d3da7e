// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QPointer>
#include <QWidget>

#include <optional>

class LapAnalysisModel;
class RunComparison;

/**
 * The difference to the compared run at this moment, beside the digits.
 *
 * It takes the display's own ticks through setElapsed(), so it costs no timer and no
 * wake-up of its own, and repaints only when its text changes. It paints the text itself
 * rather than being a label: a label would announce every tick to a screen reader, while
 * this tells its accessible description anew only with a lap or a new comparison.
 */
class LiveDifference : public QWidget
{
    Q_OBJECT

public:
    LiveDifference(RunComparison *comparison, LapAnalysisModel *format, QWidget *parent = nullptr);

    /** The text shown, empty while hidden. */
    [[nodiscard]] QString text() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public Q_SLOTS:
    void setElapsed(int milliseconds);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void refresh(bool announce);

    QPointer<RunComparison> m_comparison;
    QPointer<LapAnalysisModel> m_format;
    qint64 m_elapsed = 0;
    std::optional<qint64> m_difference;
    QString m_text;
};
