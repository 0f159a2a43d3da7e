// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "dbustypes.h"

#include <QObject>
#include <QPointer>

class StopwatchControl;

/**
 * One window's stopwatch on the session bus, behind the generated adaptor of
 * org.tickwarden.Tickwarden.Window. The names are the bus's, capitalised as D-Bus has them.
 */
class WindowObject : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString State READ state)
    Q_PROPERTY(qlonglong ElapsedMilliseconds READ elapsedMilliseconds)
    Q_PROPERTY(int LapCount READ lapCount)
    Q_PROPERTY(QString SessionName READ sessionName)
    Q_PROPERTY(QString Time READ time)

public:
    WindowObject(StopwatchControl *control, QObject *parent);

    [[nodiscard]] QString state() const;
    [[nodiscard]] qlonglong elapsedMilliseconds() const;
    [[nodiscard]] int lapCount() const;
    [[nodiscard]] QString sessionName() const;
    [[nodiscard]] QString time() const;

public Q_SLOTS:
    bool Start();
    bool Pause();
    bool Toggle();
    bool Reset();
    bool Lap(const QString &note);
    bool SaveAs(const QString &name, QString &reason);
    bool Save(QString &reason);
    LapEntryList Laps() const;
    bool Close();

Q_SIGNALS:
    void StateChanged(const QString &state);
    void LapAdded(int number, const QString &note);

private:
    QPointer<StopwatchControl> m_control;
};
