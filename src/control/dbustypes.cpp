// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "dbustypes.h"

#include <QDBusMetaType>

QDBusArgument &operator<<(QDBusArgument &argument, const LapEntry &lap)
{
    argument.beginStructure();
    argument << lap.milliseconds << lap.note;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, LapEntry &lap)
{
    argument.beginStructure();
    argument >> lap.milliseconds >> lap.note;
    argument.endStructure();
    return argument;
}

QDBusArgument &operator<<(QDBusArgument &argument, const SessionEntry &session)
{
    argument.beginStructure();
    argument << session.name << session.date;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, SessionEntry &session)
{
    argument.beginStructure();
    argument >> session.name >> session.date;
    argument.endStructure();
    return argument;
}

void registerControlDBusTypes()
{
    qDBusRegisterMetaType<LapEntry>();
    qDBusRegisterMetaType<LapEntryList>();
    qDBusRegisterMetaType<SessionEntry>();
    qDBusRegisterMetaType<SessionEntryList>();
}
