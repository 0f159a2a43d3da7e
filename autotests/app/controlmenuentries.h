// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QMenu>
#include <QStringList>

/**
 * Opens the control menu as a click would, then names its entries: action object names,
 * "-" for a separator, "menu:" and its name for a submenu.
 */
inline QStringList openControlMenu(QMenu *menu)
{
    using namespace Qt::Literals::StringLiterals;
    Q_EMIT menu->aboutToShow();
    QStringList names;
    const auto actions = menu->actions();
    for (QAction *action : actions) {
        if (action->isSeparator()) {
            names << u"-"_s;
        } else if (action->menu()) {
            names << u"menu:"_s + action->menu()->objectName();
        } else {
            names << action->objectName();
        }
    }
    return names;
}
