// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "notificationsettingsplugin.h"

#include <KNotifyConfigWidget>

void NotificationSettingsPlugin::configure(QWidget *parent)
{
    KNotifyConfigWidget::configure(parent);
}

#include "moc_notificationsettingsplugin.cpp"
