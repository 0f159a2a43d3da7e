// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QObject>

/**
 * Whether the desktop has a system tray that can show the program's item.
 *
 * A status item needs a host: org.kde.StatusNotifierWatcher on the session bus with a host
 * registered, or else an older tray that embeds icons, which the item falls back to. Many
 * desktops have neither (GNOME without an extension, plain window managers); a window
 * hidden to the tray there could never be reached again. The watcher is followed while it
 * comes and goes and while hosts register; its answer arrives asynchronously, so until
 * then the tray counts as missing.
 */
class TrayHost : public QObject
{
    Q_OBJECT

public:
    static TrayHost *self();

    [[nodiscard]] bool isAvailable() const;

Q_SIGNALS:
    void availableChanged(bool available);

private Q_SLOTS:
    void slotCheckWatcher();

private:
    TrayHost();
    void setStatusNotifierHost(bool registered);

    bool m_statusNotifierHost = false;
    bool m_available = false;
};
