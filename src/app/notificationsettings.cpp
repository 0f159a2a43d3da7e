// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "notificationsettings.h"

#include <KLocalizedString>
#include <KMessageBox>

#include <QPluginLoader>

using namespace Qt::Literals::StringLiterals;

bool NotificationSettings::open(QWidget *parent)
{
    // Looked for in Qt's plugin folders and beside the executable.
    QPluginLoader loader(u"tickwarden_plugins/notificationsettings"_s);
    QObject *plugin = loader.instance();
    if (plugin && QMetaObject::invokeMethod(plugin, "configure", Q_ARG(QWidget *, parent))) {
        return true;
    }
    const QString reason = plugin ? i18nc("@info", "The module does not offer the dialog.") : loader.errorString();
    KMessageBox::error(parent, xi18nc("@info", "The notification settings could not be opened:<nl/><message>%1</message>", reason));
    return false;
}
