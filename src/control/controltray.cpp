// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "controltray.h"

#include "controlregistry.h"
#include "stopwatchcontrol.h"
#include "tickwardenconfig.h"
#include "trayhost.h"

#include <KLocalizedString>
#include <KStatusNotifierItem>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QMenu>
#include <QWidget>

using namespace Qt::Literals::StringLiterals;

namespace
{
QString windowName(const QWidget *window)
{
    QString title = window->windowTitle();
    title.remove(u"[*]"_s);
    return title;
}

// Closing a hidden window would bring it back if it ran; quitting must not.
void closeAll(const QList<StopwatchControl *> &controls)
{
    QList<QPointer<QWidget>> windows;
    for (StopwatchControl *control : controls) {
        windows << control->window();
    }
    for (const QPointer<QWidget> &window : std::as_const(windows)) {
        if (window && !window->close()) {
            window->show();
            window->raise();
            return;
        }
    }
}
}

ControlTray::ControlTray(QObject *parent)
    : QObject(parent)
{
    // Once a second is all a tooltip needs: it is read, not watched.
    m_toolTipTimer.setInterval(1000);
    connect(&m_toolTipTimer, &QTimer::timeout, this, &ControlTray::slotUpdateToolTip);

    ControlRegistry *registry = ControlRegistry::self();
    const auto controls = registry->controlsByAge();
    for (StopwatchControl *control : controls) {
        watch(control);
    }
    connect(registry, &ControlRegistry::added, this, &ControlTray::watch);
    connect(registry, &ControlRegistry::activeChanged, this, &ControlTray::slotRefresh);
    connect(registry, &ControlRegistry::removed, this, [this] {
        // With the item on the toolkit no longer ends the program; the last window does.
        if (m_item && ControlRegistry::self()->controls().isEmpty()) {
            QCoreApplication::quit();
        }
    });

    connect(TrayHost::self(), &TrayHost::availableChanged, this, [this](bool available) {
        // Without a tray a hidden window could never be reached again.
        if (!available) {
            showHiddenWindows();
        }
    });
    connect(TickwardenConfig::self(), &TickwardenConfig::showTrayItemChanged, this, &ControlTray::slotApplySetting);
    connect(TickwardenConfig::self(), &KCoreConfigSkeleton::configChanged, this, &ControlTray::slotApplySetting);
    slotApplySetting();
}

ControlTray::~ControlTray()
{
    setEnabled(false);
}

bool ControlTray::isEnabled() const
{
    return m_item != nullptr;
}

void ControlTray::setEnabled(bool enabled)
{
    if (enabled == isEnabled()) {
        return;
    }
    if (!enabled) {
        m_toolTipTimer.stop();
        delete m_item;
        m_item = nullptr;
        m_menu = nullptr;
        m_windowActions.clear();
        QGuiApplication::setQuitOnLastWindowClosed(true);
        // Without the item a hidden window could never be reached again.
        showHiddenWindows();
        return;
    }

    QGuiApplication::setQuitOnLastWindowClosed(false);
    m_item = new KStatusNotifierItem(this);
    m_item->setCategory(KStatusNotifierItem::ApplicationStatus);
    m_item->setStatus(KStatusNotifierItem::Active);
    // A tray host draws an icon it finds by name best; an installation puts the program's
    // icon in the hicolor theme, where a build tree has only the one of its resources.
    if (QIcon::hasThemeIcon(u"tickwarden"_s)) {
        m_item->setIconByName(u"tickwarden"_s);
    } else {
        m_item->setIconByPixmap(QGuiApplication::windowIcon());
    }
    m_item->setTitle(i18nc("KAboutData display name", "Tickwarden"));

    m_menu = m_item->contextMenu();
    // The item's own entries (Quit) stay at the end.
    QAction *standardEntries = m_menu->actions().value(0);
    const auto addAction = [this, standardEntries](const QString &name, const QString &icon, const QString &text) {
        auto action = new QAction(QIcon::fromTheme(icon), text, m_menu);
        action->setObjectName(name);
        m_menu->insertAction(standardEntries, action);
        return action;
    };
    m_toggleAction = addAction(u"tray_toggle"_s, u"chronometer-start"_s, i18nc("@action", "&Start"));
    m_lapAction = addAction(u"tray_lap"_s, u"chronometer-lap"_s, i18nc("@action", "&Lap"));
    m_resetAction = addAction(u"tray_reset"_s, u"chronometer-reset"_s, i18nc("@action", "&Reset"));
    m_windowsSeparator = m_menu->insertSection(standardEntries, i18nc("@title:menu", "Windows"));
    if (standardEntries) {
        m_menu->insertSeparator(standardEntries);
    }

    const auto onActive = [](const std::function<void(StopwatchControl *)> &command) {
        return [command] {
            if (StopwatchControl *control = ControlRegistry::self()->active()) {
                command(control);
            }
        };
    };
    connect(m_toggleAction, &QAction::triggered, this, onActive([](StopwatchControl *control) {
                control->toggle();
            }));
    connect(m_lapAction, &QAction::triggered, this, onActive([](StopwatchControl *control) {
                control->lap(QString());
            }));
    connect(m_resetAction, &QAction::triggered, this, onActive([](StopwatchControl *control) {
                control->reset();
            }));
    connect(m_menu, &QMenu::aboutToShow, this, &ControlTray::slotRebuildWindowList);
    connect(m_item, &KStatusNotifierItem::activateRequested, this, &ControlTray::toggleActiveWindow);
    connect(m_item, &KStatusNotifierItem::quitRequested, this, &ControlTray::slotQuitRequested);

    slotRebuildWindowList();
    slotRefresh();
}

KStatusNotifierItem *ControlTray::item() const
{
    return m_item;
}

QMenu *ControlTray::menu() const
{
    return m_menu;
}

QString ControlTray::toolTip() const
{
    return m_item ? m_item->toolTipSubTitle() : QString();
}

void ControlTray::toggleActiveWindow()
{
    StopwatchControl *control = ControlRegistry::self()->active();
    if (!control) {
        return;
    }
    QWidget *window = control->window();
    if (window->isVisible() && window->isActiveWindow()) {
        window->hide();
        return;
    }
    window->show();
    window->raise();
    window->activateWindow();
}

QString ControlTray::wholeSeconds(int milliseconds)
{
    const int seconds = milliseconds / 1000;
    const int hours = seconds / 3600;
    const auto twoDigits = [](int value) {
        return u"%1"_s.arg(value, 2, 10, QChar(u'0'));
    };
    const QString minutesAndSeconds = twoDigits(seconds / 60 % 60) + u':' + twoDigits(seconds % 60);
    return hours > 0 ? QString::number(hours) + u':' + minutesAndSeconds : minutesAndSeconds;
}

bool ControlTray::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Close && m_item && !m_quitting) {
        auto window = static_cast<QWidget *>(watched);
        if (hideInsteadOfClosing(window)) {
            event->ignore();
            window->hide();
            if (!m_toldAboutHiding) {
                m_toldAboutHiding = true;
                m_item->showMessage(i18nc("@title", "Tickwarden keeps timing"),
                                    i18nc("@info", "The stopwatch is still running. Click the Tickwarden item in the system tray to see its window again."),
                                    m_item->iconName());
            }
            Q_EMIT hiddenToTray(window);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void ControlTray::showHiddenWindows()
{
    const auto controls = ControlRegistry::self()->controlsByAge();
    for (StopwatchControl *control : controls) {
        control->window()->show();
    }
}

bool ControlTray::hideInsteadOfClosing(QWidget *window) const
{
    if (!TrayHost::self()->isAvailable()) {
        return false;
    }
    bool running = false;
    const auto controls = ControlRegistry::self()->controls();
    for (StopwatchControl *control : controls) {
        if (control->window() == window) {
            running = control->state() == StopwatchControl::State::Running;
        } else if (control->window()->isVisible()) {
            return false; // not the last window
        }
    }
    return running;
}

void ControlTray::slotApplySetting()
{
    setEnabled(TickwardenConfig::showTrayItem());
}

void ControlTray::slotRefresh()
{
    if (!m_item) {
        return;
    }
    StopwatchControl *control = ControlRegistry::self()->active();
    const auto state = control ? control->state() : StopwatchControl::State::Inactive;
    switch (state) {
    case StopwatchControl::State::Running:
        m_toggleAction->setText(i18nc("@action", "&Pause"));
        m_toggleAction->setIcon(QIcon::fromTheme(u"chronometer-pause"_s));
        break;
    case StopwatchControl::State::Paused:
        m_toggleAction->setText(i18nc("@action", "Re&sume"));
        m_toggleAction->setIcon(QIcon::fromTheme(u"chronometer-start"_s));
        break;
    case StopwatchControl::State::Inactive:
        m_toggleAction->setText(i18nc("@action", "&Start"));
        m_toggleAction->setIcon(QIcon::fromTheme(u"chronometer-start"_s));
        break;
    }
    m_toggleAction->setEnabled(control);
    m_lapAction->setEnabled(state == StopwatchControl::State::Running);
    m_resetAction->setEnabled(state != StopwatchControl::State::Inactive);

    if (state == StopwatchControl::State::Running) {
        if (!m_toolTipTimer.isActive()) {
            m_toolTipTimer.start();
        }
    } else {
        m_toolTipTimer.stop();
    }
    slotUpdateToolTip();
}

void ControlTray::slotUpdateToolTip()
{
    if (!m_item) {
        return;
    }
    StopwatchControl *control = ControlRegistry::self()->active();
    QString text;
    if (!control) {
        text = i18nc("@info:tooltip", "No window");
    } else {
        const QString time = wholeSeconds(control->elapsedMilliseconds());
        switch (control->state()) {
        case StopwatchControl::State::Running:
            text = i18nc("@info:tooltip %1 is the elapsed time", "%1, running", time);
            break;
        case StopwatchControl::State::Paused:
            text = i18nc("@info:tooltip %1 is the elapsed time", "%1, paused", time);
            break;
        case StopwatchControl::State::Inactive:
            text = i18nc("@info:tooltip", "Not started");
            break;
        }
        if (!control->sessionName().isEmpty()) {
            text = control->sessionName() + u"\n"_s + text;
        }
    }
    m_item->setToolTip(m_item->iconName(), i18nc("KAboutData display name", "Tickwarden"), text);
}

void ControlTray::slotRebuildWindowList()
{
    if (!m_menu) {
        return;
    }
    qDeleteAll(m_windowActions);
    m_windowActions.clear();
    const auto controls = ControlRegistry::self()->controlsByAge();
    StopwatchControl *active = ControlRegistry::self()->active();
    for (StopwatchControl *control : controls) {
        auto action = new QAction(windowName(control->window()), m_menu);
        action->setObjectName(u"tray_window"_s);
        action->setCheckable(true);
        action->setChecked(control == active);
        QPointer<StopwatchControl> target = control;
        connect(action, &QAction::triggered, this, [target] {
            if (!target) {
                return;
            }
            ControlRegistry::self()->makeActive(target);
            QWidget *window = target->window();
            window->show();
            window->raise();
            window->activateWindow();
        });
        m_windowActions << action;
    }
    // Below the section title, above the standard entries the item adds at the end.
    const QList<QAction *> all = m_menu->actions();
    const qsizetype index = all.indexOf(m_windowsSeparator);
    QAction *before = index + 1 < all.size() ? all.at(index + 1) : nullptr;
    m_menu->insertActions(before, m_windowActions);
}

void ControlTray::slotQuitRequested()
{
    // Quitting outright would drop every running time without a question; each window
    // is closed instead, and the program ends when the last one is gone.
    m_item->abortQuit();
    m_quitting = true;
    closeAll(ControlRegistry::self()->controlsByAge());
    m_quitting = false;
}

void ControlTray::watch(StopwatchControl *control)
{
    control->window()->installEventFilter(this);
    connect(control, &StopwatchControl::stateChanged, this, &ControlTray::slotRefresh);
    connect(control, &StopwatchControl::lapAdded, this, &ControlTray::slotRefresh);
}

#include "moc_controltray.cpp"
