// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>

/** One lap on the bus, D-Bus signature (xs): milliseconds since the start and the note. */
struct LapEntry {
    qint64 milliseconds = 0;
    QString note;

    bool operator==(const LapEntry &other) const = default;
};
using LapEntryList = QList<LapEntry>;

/** One stored session on the bus, D-Bus signature (ss): its name and its date in ISO 8601. */
struct SessionEntry {
    QString name;
    QString date;

    bool operator==(const SessionEntry &other) const = default;
};
using SessionEntryList = QList<SessionEntry>;

QDBusArgument &operator<<(QDBusArgument &argument, const LapEntry &lap);
const QDBusArgument &operator>>(const QDBusArgument &argument, LapEntry &lap);
QDBusArgument &operator<<(QDBusArgument &argument, const SessionEntry &session);
const QDBusArgument &operator>>(const QDBusArgument &argument, SessionEntry &session);

/** Makes the types known to QtDBus; needed once per process, by the server and by callers. */
void registerControlDBusTypes();

Q_DECLARE_METATYPE(LapEntry)
Q_DECLARE_METATYPE(SessionEntry)
