// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QObject>

class QWidget;

/**
 * The notification settings dialog, in a module of its own that the program loads when the
 * user asks for it: the framework behind the dialog brings some sixty libraries with it,
 * which every start-up would otherwise load and link before the first window shows.
 */
class NotificationSettingsPlugin : public QObject
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.tickwarden.Tickwarden.NotificationSettings")

public:
    using QObject::QObject;

    /** Shows the dialog for the program's notification events, over @p parent. */
    Q_INVOKABLE void configure(QWidget *parent);
};
