// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QDialog>

#include <functional>

class DurationEdit;
class KActionCollection;
class LapAlerts;
class QCheckBox;

/**
 * Asks for a window's lap target: a time of its own, or the compared run's lap while a
 * comparison is chosen. The answer goes to the window's LapAlerts on OK.
 */
class LapTargetDialog : public QDialog
{
    Q_OBJECT

public:
    LapTargetDialog(LapAlerts *alerts, bool comparing, QWidget *parent);

    /** Adds Lap Target… to @p collection, opening the dialog for @p alerts over @p window;
     *  @p comparing tells whether a comparison is chosen now. */
    static QAction *createAction(LapAlerts *alerts, std::function<bool()> comparing, KActionCollection *collection, QWidget *window);

    [[nodiscard]] DurationEdit *targetEdit() const;
    [[nodiscard]] QCheckBox *comparedLapsBox() const;

private:
    void apply();

    LapAlerts *m_alerts;
    DurationEdit *m_target;
    QCheckBox *m_comparedLaps;
};
