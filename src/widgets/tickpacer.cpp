// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "tickpacer.h"
#include "stopwatch.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace
{
// Screens that report no rate are taken to refresh as most do.
constexpr qreal FallbackRefreshRate = 60.0;

// Qt's Wayland platform delivers update requests on the compositor's frame callbacks; the
// other platforms deliver them on a timer of a few milliseconds.
bool platformHasFrameClock()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}
}

TickPacer::TickPacer(Stopwatch *stopwatch, QWidget *display, QObject *parent)
    : QObject(parent)
    , m_stopwatch(stopwatch)
    , m_display(display)
    , m_followsFrameClock(platformHasFrameClock())
{
    m_frameDelay.setSingleShot(true);
    m_frameDelay.setTimerType(Qt::PreciseTimer);
    connect(&m_frameDelay, &QTimer::timeout, this, &TickPacer::requestFrame);
    connect(stopwatch, &Stopwatch::running, this, &TickPacer::updateTicks);
    connect(stopwatch, &Stopwatch::paused, this, &TickPacer::updateTicks);
    connect(stopwatch, &Stopwatch::inactive, this, &TickPacer::updateTicks);
    connect(stopwatch, &Stopwatch::granularityChanged, this, &TickPacer::updateTicks);
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

void TickPacer::setFollowsFrameClock(bool follows)
{
    m_followsFrameClock = follows;
    updateTicks();
}

bool TickPacer::isFollowingFrames() const
{
    return m_followingFrames;
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
    case QEvent::UpdateRequest:
        // A widget window takes an update request of its own as a call to repaint all of
        // itself; the frame asked for here needs only what the tick changes.
        if (watched == m_window && m_frameRequested) {
            m_frameRequested = false;
            if (m_followingFrames) {
                frameRequested();
            }
            return true;
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
    m_frameInterval = frameInterval(m_screen ? m_screen->refreshRate() : 0);
    m_stopwatch->setMinimumInterval(m_frameInterval);

    const bool seen = m_topLevel && m_topLevel->isVisible() && m_window && m_window->isExposed() && !(m_window->windowStates() & Qt::WindowMinimized)
        && m_window->visibility() != QWindow::Hidden && m_window->visibility() != QWindow::Minimized;
    // A coarser time keeps the timer: it changes on its own schedule, not with the frames.
    m_followingFrames = seen && m_followsFrameClock && m_stopwatch->isRunning() && m_stopwatch->granularity() <= m_frameInterval;
    m_stopwatch->setTicksSuspended(!seen || m_followingFrames);
    if (m_followingFrames) {
        // Asking again is harmless: the window keeps at most one request pending. A window
        // shown again gets its exact time with the first frame.
        requestFrame();
    } else {
        m_frameDelay.stop();
    }
}

void TickPacer::frameRequested()
{
    // A compositor that answers at once instead of with its next frame would have the time
    // drawn as fast as the machine can; the rest of the frame is waited for then.
    if (m_lastFrame.isValid()) {
        const qint64 since = m_lastFrame.elapsed();
        if (since < m_frameInterval / 2) {
            m_frameDelay.start(int(m_frameInterval - since));
            return;
        }
    }
    m_lastFrame.start();
    m_stopwatch->tick();
    // What the tick changed is painted and committed now: a frame asked for before the
    // commit would be answered at once instead of with the compositor's next frame.
    if (m_topLevel) {
        QCoreApplication::sendPostedEvents(m_topLevel, QEvent::UpdateRequest);
    }
    requestFrame();
}

void TickPacer::requestFrame()
{
    if (m_followingFrames && m_window) {
        m_frameRequested = true;
        m_window->requestUpdate();
    }
}

#include "moc_tickpacer.cpp"
