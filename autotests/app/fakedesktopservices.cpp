// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "fakedesktopservices.h"

#include <QDBusConnectionInterface>
#include <QMutexLocker>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace
{
const auto sessionConnectionName = u"fake-screensaver"_s;
const auto systemConnectionName = u"fake-login1"_s;
}

QStringList FakeScreenSaver::calls() const
{
    QMutexLocker locker(&m_mutex);
    return m_calls;
}

QList<uint> FakeScreenSaver::activeCookies() const
{
    QMutexLocker locker(&m_mutex);
    return m_activeCookies;
}

void FakeScreenSaver::setFailing(bool failing)
{
    QMutexLocker locker(&m_mutex);
    m_failing = failing;
}

void FakeScreenSaver::setHoldingReplies(bool holding)
{
    QMutexLocker locker(&m_mutex);
    m_holding = holding;
}

int FakeScreenSaver::heldReplyCount() const
{
    QMutexLocker locker(&m_mutex);
    return m_heldReplies.size();
}

void FakeScreenSaver::releaseHeldReplies(ReplyOrder order)
{
    QList<QDBusMessage> replies;
    {
        QMutexLocker locker(&m_mutex);
        replies.swap(m_heldReplies);
    }
    if (order == ReplyOrder::NewestFirst) {
        std::reverse(replies.begin(), replies.end());
    }
    for (const QDBusMessage &reply : std::as_const(replies)) {
        QDBusConnection(sessionConnectionName).send(reply);
    }
}

uint FakeScreenSaver::Inhibit(const QString &application, const QString &reason)
{
    Q_UNUSED(reason)
    QMutexLocker locker(&m_mutex);
    if (m_failing) {
        m_calls << u"Inhibit "_s + application + u" refused"_s;
        sendErrorReply(QDBusError::AccessDenied, u"Inhibition refused by the test"_s);
        return 0;
    }
    const uint cookie = m_nextCookie++;
    m_calls << u"Inhibit %1 %2"_s.arg(application).arg(cookie);
    m_activeCookies << cookie;
    if (m_holding) {
        setDelayedReply(true);
        m_heldReplies << message().createReply(QVariant::fromValue(cookie));
    }
    return cookie;
}

void FakeScreenSaver::UnInhibit(uint cookie)
{
    QMutexLocker locker(&m_mutex);
    m_calls << u"UnInhibit %1"_s.arg(cookie);
    if (m_failing) {
        sendErrorReply(QDBusError::AccessDenied, u"Release refused by the test"_s);
        return;
    }
    m_activeCookies.removeOne(cookie);
    if (m_holding) {
        setDelayedReply(true);
        m_heldReplies << message().createReply();
    }
}

FakeDesktopServices::FakeDesktopServices()
    : m_screenSaver(std::make_unique<FakeScreenSaver>())
{
    const QByteArray sessionAddress = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    const QByteArray systemAddress = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    if (sessionAddress.isEmpty() || systemAddress.isEmpty() || sessionAddress == systemAddress) {
        return;
    }

    m_thread.start();
    m_screenSaver->moveToThread(&m_thread);
    QMetaObject::invokeMethod(
        m_screenSaver.get(),
        [this, sessionAddress, systemAddress] {
            QDBusConnection session = QDBusConnection::connectToBus(QString::fromLatin1(sessionAddress), sessionConnectionName);
            QDBusConnection system = QDBusConnection::connectToBus(QString::fromLatin1(systemAddress), systemConnectionName);
            m_valid = session.isConnected() && system.isConnected() && session.registerService(u"org.freedesktop.ScreenSaver"_s)
                && session.registerObject(u"/ScreenSaver"_s, m_screenSaver.get(), QDBusConnection::ExportAllSlots)
                && system.registerService(u"org.freedesktop.login1"_s);
        },
        Qt::BlockingQueuedConnection);
}

FakeDesktopServices::~FakeDesktopServices()
{
    if (m_thread.isRunning()) {
        QMetaObject::invokeMethod(
            m_screenSaver.get(),
            [this] {
                QDBusConnection::disconnectFromBus(sessionConnectionName);
                QDBusConnection::disconnectFromBus(systemConnectionName);
            },
            Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
}

bool FakeDesktopServices::isValid() const
{
    return m_valid;
}

FakeScreenSaver *FakeDesktopServices::screenSaver() const
{
    return m_screenSaver.get();
}

void FakeDesktopServices::announceSleep(bool beforeSleep)
{
    QDBusMessage signal = QDBusMessage::createSignal(u"/org/freedesktop/login1"_s, u"org.freedesktop.login1.Manager"_s, u"PrepareForSleep"_s);
    signal << beforeSleep;
    QDBusConnection(systemConnectionName).send(signal);
}

#include "moc_fakedesktopservices.cpp"
