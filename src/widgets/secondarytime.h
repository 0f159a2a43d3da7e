// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QColor>
#include <QWidget>

/**
 * One line of small text under the digits, such as "Lap 7  00:58.20" while the digits show
 * the total, or "Total 01:02:03.40" while they show the current lap.
 *
 * It paints its text itself, in the display's colours, and repaints only when the text
 * changes. Unlike a label it tells a screen reader nothing when its text changes: whoever
 * feeds it calls announce() when the time settles (a lap, a pause), never at a tick.
 */
class SecondaryTime : public QWidget
{
    Q_OBJECT

public:
    explicit SecondaryTime(QWidget *parent = nullptr);

    void setText(const QString &text);
    [[nodiscard]] QString text() const;

    void setColors(const QColor &background, const QColor &text);

    /** Tells screen readers the text shown now, as its accessible description. */
    void announce();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QString m_text;
    QColor m_background;
    QColor m_textColor;
};
