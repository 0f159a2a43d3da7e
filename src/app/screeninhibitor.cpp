// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "screeninhibitor.h"

#include <KLocalizedString>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDebug>
#include <QPointer>

using namespace Qt::Literals::StringLiterals;

namespace
{
QDBusMessage screenSaverCall(const QString &method)
{
    // A plain message rather than a QDBusInterface: the interface would ask the service
    // for its introspection data, blocking the window while the service is slow.
    return QDBusMessage::createMethodCall(u"org.freedesktop.ScreenSaver"_s, u"/ScreenSaver"_s, u"org.freedesktop.ScreenSaver"_s, method);
}

void sendUnInhibit(quint32 cookie)
{
    QDBusMessage call = screenSaverCall(u"UnInhibit"_s);
    call << cookie;
    QDBusConnection::sessionBus().send(call);
}
}

ScreenInhibitor::ScreenInhibitor(QObject *parent)
    : QObject(parent)
{
}

ScreenInhibitor::~ScreenInhibitor()
{
    if (m_pending) {
        // The watcher outlives this object (see sendNext) and withdraws a late cookie itself.
        return;
    }
    if (m_cookie != 0) {
        sendUnInhibit(m_cookie);
    }
}

bool ScreenInhibitor::isInhibited() const
{
    return m_cookie != 0;
}

bool ScreenInhibitor::isBusy() const
{
    return m_pending != nullptr;
}

void ScreenInhibitor::inhibit()
{
    if (m_wanted && m_cookie != 0 && !m_pending) {
        qWarning() << "Screen inhibition is already active.";
        return;
    }
    m_wanted = true;
    sendNext();
}

void ScreenInhibitor::release()
{
    m_wanted = false;
    sendNext();
}

void ScreenInhibitor::sendNext()
{
    if (m_pending) {
        return;
    }
    QDBusMessage call;
    void (ScreenInhibitor::*finished)(QDBusPendingCallWatcher *) = nullptr;
    if (m_wanted && m_cookie == 0) {
        call = screenSaverCall(u"Inhibit"_s);
        call << QCoreApplication::applicationName() << i18n("A stopwatch is running.");
        finished = &ScreenInhibitor::slotInhibitFinished;
    } else if (!m_wanted && m_cookie != 0) {
        call = screenSaverCall(u"UnInhibit"_s);
        call << m_cookie;
        finished = &ScreenInhibitor::slotUnInhibitFinished;
    } else {
        Q_EMIT settled();
        return;
    }

    // Not a child: if this object goes first, the watcher still sees the reply, so that a
    // cookie granted to a window already closed is handed back.
    m_pending = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), nullptr);
    const bool inhibiting = finished == &ScreenInhibitor::slotInhibitFinished;
    connect(m_pending, &QDBusPendingCallWatcher::finished, m_pending, [self = QPointer(this), finished, inhibiting](QDBusPendingCallWatcher *watcher) {
        watcher->deleteLater();
        if (self) {
            (self.data()->*finished)(watcher);
            return;
        }
        if (inhibiting) {
            const QDBusPendingReply<quint32> reply = *watcher;
            if (reply.isValid() && reply.value() != 0) {
                sendUnInhibit(reply.value());
            }
        }
    });
}

void ScreenInhibitor::slotInhibitFinished(QDBusPendingCallWatcher *watcher)
{
    m_pending = nullptr;
    const QDBusPendingReply<quint32> reply = *watcher;
    if (reply.isValid()) {
        m_cookie = reply.value();
        qDebug() << "Screen inhibition activated, got cookie:" << m_cookie;
    } else {
        qWarning() << "Could not inhibit screen locker:" << reply.error();
        // Asking again at once would only be refused again; the next start tries anew.
        m_wanted = false;
    }
    sendNext();
}

void ScreenInhibitor::slotUnInhibitFinished(QDBusPendingCallWatcher *watcher)
{
    m_pending = nullptr;
    const QDBusPendingReply<> reply = *watcher;
    if (reply.isValid()) {
        qDebug() << "Screen inhibition disabled.";
        m_cookie = 0;
    } else {
        qWarning() << "Could not disable screen inhibition:" << reply.error();
        // The cookie is still held; the next pause or reset tries again with it.
        m_wanted = true;
    }
    sendNext();
}

#include "moc_screeninhibitor.cpp"
