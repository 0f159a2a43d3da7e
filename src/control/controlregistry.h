// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QList>
#include <QObject>

class StopwatchControl;

/**
 * Every controllable window of the process, the most recently active first.
 *
 * Commands from outside (command line, D-Bus, global shortcuts, tray) go to active(): the
 * window the user last had in front, or, before any window was ever activated, the
 * newest one.
 */
class ControlRegistry : public QObject
{
    Q_OBJECT

public:
    static ControlRegistry *self();

    /** In order of recent activity, the most recent first. */
    [[nodiscard]] QList<StopwatchControl *> controls() const;
    /** In the order the windows were opened. */
    [[nodiscard]] QList<StopwatchControl *> controlsByAge() const;
    [[nodiscard]] StopwatchControl *active() const;

    void add(StopwatchControl *control);
    void remove(StopwatchControl *control);
    /** Makes the control the most recent one, as when its window gets activated. */
    void makeActive(StopwatchControl *control);

Q_SIGNALS:
    void added(StopwatchControl *control);
    void removed(StopwatchControl *control);
    void activeChanged(StopwatchControl *control);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ControlRegistry() = default;

    QList<StopwatchControl *> m_byActivity;
    QList<StopwatchControl *> m_byAge;
};
