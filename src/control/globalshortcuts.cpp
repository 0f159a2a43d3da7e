// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "globalshortcuts.h"

#include "controlregistry.h"
#include "stopwatchcontrol.h"

#include <KActionCollection>
#include <KGlobalAccel>
#include <KLocalizedString>

#include <QAction>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>

using namespace Qt::Literals::StringLiterals;

namespace
{
// Asking the shortcut service about actions starts it where it can be started; without a
// bus there is nobody to ask.
bool shortcutServiceReachable()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    const auto service = u"org.kde.kglobalaccel"_s;
    if (bus.interface()->isServiceRegistered(service)) {
        return true;
    }
    const QDBusReply<QStringList> activatable = bus.interface()->call(u"ListActivatableNames"_s);
    return activatable.isValid() && activatable.value().contains(service);
}
}

GlobalShortcuts::GlobalShortcuts(QObject *parent)
    : QObject(parent)
    , m_collection(new KActionCollection(this, QCoreApplication::applicationName()))
{
    m_collection->setComponentDisplayName(i18nc("KAboutData display name", "Tickwarden"));

    QAction *toggle = addAction(u"global_toggle"_s, i18nc("@action global shortcut", "Start or Pause the Stopwatch"), u"chronometer-start"_s);
    QAction *lap = addAction(u"global_lap"_s, i18nc("@action global shortcut", "Take a Lap"), u"chronometer-lap"_s);
    QAction *reset = addAction(u"global_reset"_s, i18nc("@action global shortcut", "Reset the Stopwatch"), u"chronometer-reset"_s);

    const auto onActive = [](bool (StopwatchControl::*command)()) {
        return [command] {
            if (StopwatchControl *control = ControlRegistry::self()->active()) {
                (control->*command)();
            }
        };
    };
    connect(toggle, &QAction::triggered, this, onActive(&StopwatchControl::toggle));
    connect(reset, &QAction::triggered, this, onActive(&StopwatchControl::reset));
    connect(lap, &QAction::triggered, this, [] {
        if (StopwatchControl *control = ControlRegistry::self()->active()) {
            control->lap(QString());
        }
    });

    if (!shortcutServiceReachable()) {
        return;
    }
    const auto actions = m_collection->actions();
    for (QAction *action : actions) {
        // No default keys; Autoloading brings back what the user chose.
        KGlobalAccel::self()->setDefaultShortcut(action, {});
        KGlobalAccel::self()->setShortcut(action, {}, KGlobalAccel::Autoloading);
    }
}

GlobalShortcuts::~GlobalShortcuts() = default;

KActionCollection *GlobalShortcuts::actionCollection() const
{
    return m_collection;
}

QAction *GlobalShortcuts::addAction(const QString &name, const QString &text, const QString &icon)
{
    QAction *action = m_collection->addAction(name);
    action->setText(text);
    action->setIcon(QIcon::fromTheme(icon));
    return action;
}

#include "moc_globalshortcuts.cpp"
