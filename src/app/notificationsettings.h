// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

class QWidget;

/**
 * Opens the notification settings dialog, loading its module the first time. A module that
 * cannot be loaded (a broken installation) is reported to the user instead.
 */
namespace NotificationSettings
{
/** @return whether the dialog was shown */
bool open(QWidget *parent);
}
