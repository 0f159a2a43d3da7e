// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "dbustypes.h"

#include <QDBusContext>
#include <QObject>
#include <QPointer>

class StopwatchControl;

/**
 * One window's stopwatch on the session bus, behind the generated adaptor of
 * org.tickwarden.Tickwarden.Window. The names are the bus's, capitalised as D-Bus has them.
 *
 * A command to a window that waits for the answer to a dialog fails with the error
 * dialogOpenError(), so a caller can tell it from one the stopwatch's state refused.
 */
class WindowObject : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_PROPERTY(QString State READ state)
    Q_PROPERTY(qlonglong ElapsedMilliseconds READ elapsedMilliseconds)
    Q_PROPERTY(int LapCount READ lapCount)
    Q_PROPERTY(QString SessionName READ sessionName)
    Q_PROPERTY(QString Time READ time)
    Q_PROPERTY(QString Comparison READ comparison WRITE setComparison)
    Q_PROPERTY(qlonglong Difference READ difference)
    Q_PROPERTY(bool HasDifference READ hasDifference)

public:
    WindowObject(StopwatchControl *control, QObject *parent);

    [[nodiscard]] QString state() const;
    [[nodiscard]] qlonglong elapsedMilliseconds() const;
    [[nodiscard]] int lapCount() const;
    [[nodiscard]] QString sessionName() const;
    [[nodiscard]] QString time() const;
    [[nodiscard]] QString comparison() const;
    void setComparison(const QString &name);
    [[nodiscard]] qlonglong difference() const;
    [[nodiscard]] bool hasDifference() const;

    /** The name of the error a command gets while the window shows a dialog. */
    [[nodiscard]] static QString dialogOpenError();

public Q_SLOTS:
    bool Start();
    bool Pause();
    bool Toggle();
    bool Reset();
    bool Lap(const QString &note);
    bool Undo();
    bool Redo();
    bool SaveAs(const QString &name, QString &reason);
    bool Save(QString &reason);
    LapEntryList Laps() const;
    bool Close();

Q_SIGNALS:
    void StateChanged(const QString &state);
    void LapAdded(int number, const QString &note);

private:
    /** Whether the command may go to the control; answers the caller with an error if not. */
    bool mayCommand();

    QPointer<StopwatchControl> m_control;
};
