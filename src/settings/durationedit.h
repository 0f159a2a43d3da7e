// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QTimeEdit>

/**
 * A length of time up to a day, edited as hours, minutes and seconds and kept as
 * milliseconds, so a settings item of type Int can be bound to it (kcfg_ name). Zero shows
 * as "None".
 */
class DurationEdit : public QTimeEdit
{
    Q_OBJECT
    Q_PROPERTY(int milliseconds READ milliseconds WRITE setMilliseconds NOTIFY millisecondsChanged USER true)

public:
    explicit DurationEdit(QWidget *parent = nullptr);

    [[nodiscard]] int milliseconds() const;
    void setMilliseconds(int milliseconds);

    void stepBy(int steps) override;

Q_SIGNALS:
    void millisecondsChanged(int milliseconds);
};
