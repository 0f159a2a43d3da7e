// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "tickpacer.h"
#include "stopwatch.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace
{
// Screens that report no rate are taken to refresh as most do.
constexpr qreal FallbackRefreshRate = 60.0;
}

TickPacer::TickPacer(Stopwatch *stopwatch, QWidget *display, QObject *parent)
    : QObject(parent)
    , m_stopwatch(stopwatch)
    , m_display(display)
{
    display->installEventFilter(this);
    attachTopLevel();
    updateTicks();
}

int TickPacer::frameInterval(qreal refreshRate)
{
    // Rounded up: a tick a little late is never seen, one frame too many is wasted work.
    const qreal rate = refreshRate >= 1 ? refreshRate : FallbackRefreshRate;
    return std::max(1, int(std::ceil(1000.0 / rate)));
}

bool TickPacer::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ParentChange:
        if (watched == m_display) {
            attachTopLevel();
            updateTicks();
        }
        break;
    case QEvent::Expose:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::WindowStateChange:
        if (watched == m_window || watched == m_topLevel) {
            updateTicks();
        }
        break;
    case QEvent::WinIdChange:
    case QEvent::PlatformSurface:
        attachWindow();
        updateTicks();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void TickPacer::attachTopLevel()
{
    QWidget *top = m_display ? m_display->window() : nullptr;
    if (top != m_topLevel) {
        if (m_topLevel && m_topLevel != m_display) {
            m_topLevel->removeEventFilter(this);
        }
        m_topLevel = top;
        if (top && top != m_display) {
            top->installEventFilter(this);
        }
    }
    attachWindow();
}

// The native window exists only once the widget window is first shown, and can be
// replaced; the pacer follows whichever one is current.
void TickPacer::attachWindow()
{
    QWindow *window = m_topLevel ? m_topLevel->windowHandle() : nullptr;
    if (window == m_window) {
        return;
    }
    if (m_window) {
        m_window->removeEventFilter(this);
        disconnect(m_window, nullptr, this, nullptr);
    }
    m_window = window;
    if (!window) {
        attachScreen(nullptr);
        return;
    }
    window->installEventFilter(this);
    connect(window, &QWindow::visibilityChanged, this, &TickPacer::updateTicks);
    connect(window, &QWindow::screenChanged, this, &TickPacer::attachScreen);
    attachScreen(window->screen());
}

void TickPacer::attachScreen(QScreen *screen)
{
    if (m_screen) {
        disconnect(m_screen, nullptr, this, nullptr);
    }
    m_screen = screen;
    if (screen) {
        connect(screen, &QScreen::refreshRateChanged, this, &TickPacer::updateTicks);
    }
    updateTicks();
}

void TickPacer::updateTicks()
{
    m_stopwatch->setMinimumInterval(frameInterval(m_screen ? m_screen->refreshRate() : 0));

    const bool seen = m_topLevel && m_topLevel->isVisible() && m_window && m_window->isExposed() && !(m_window->windowStates() & Qt::WindowMinimized)
        && m_window->visibility() != QWindow::Hidden && m_window->visibility() != QWindow::Minimized;
    m_stopwatch->setTicksSuspended(!seen);
}

#include "moc_tickpacer.cpp"
