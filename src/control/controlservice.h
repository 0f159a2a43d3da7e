// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QObject>

#include <functional>
#include <optional>

class ApplicationObject;
class ControlCommand;
class KDBusService;
class Session;
class SessionModel;
class StopwatchControl;

/**
 * Control from outside the windows, for the whole process.
 *
 * The program entry reads the command line into a ControlCommand. Before the process
 * tries to become the one instance, checkBeforeStart() answers what needs no window
 * (bad arguments, --time, an unknown session); then KDBusService either hands the
 * arguments to the instance that already runs, whose ControlService gets them through
 * attach(), or lets this process go on, and startUp() opens its first window and carries
 * out the action there. Windows are opened through the function the entry point gives,
 * so this code never needs to know the window class: it only sees each window's
 * StopwatchControl, through the ControlRegistry.
 */
class ControlService : public QObject
{
    Q_OBJECT

public:
    /** Opens and shows a window on the session. */
    using WindowOpener = std::function<void(const Session &session)>;

    ControlService(SessionModel *sessionModel, WindowOpener openWindow, QObject *parent = nullptr);
    ~ControlService() override;

    /**
     * Deals with what must be settled before this process becomes an instance of its own:
     * writes a message for invalid arguments or an unknown session, or the running
     * instance's time for --time; sends a stopwatch command straight to the running
     * instance's active window, with a message when that window shows a dialog.
     * @return the exit status when the process has to end now, nothing when it goes on
     */
    [[nodiscard]] static std::optional<int> checkBeforeStart(const ControlCommand &command);

    /** The bus name of the one instance. */
    [[nodiscard]] static QString serviceName();

    /** Carries out the arguments of later launches that the service hands over. */
    void attach(KDBusService *service);

    /**
     * Carries out the command of a first launch, once the windows of an earlier run are
     * back: opens the requested session, or a window when there is none, and acts on the
     * most recently active one.
     */
    bool startUp(const ControlCommand &command);

    /** Carries out a command in the running instance; false when it was refused. */
    bool execute(const ControlCommand &command);

    /**
     * Shows the windows hidden to the tray, the most recently active in front.
     * @return false when no window was hidden
     */
    bool showHiddenWindows();

    /** The control of the window just opened. */
    StopwatchControl *openWindow();
    /** Opens the session stored last under that name; nullptr when there is none. */
    StopwatchControl *openSession(const QString &name);
    /** Opens a window for a new run of the activity @p name, compared with its best run. */
    StopwatchControl *newRun(const QString &name);

    [[nodiscard]] ApplicationObject *applicationObject() const;
    [[nodiscard]] SessionModel *sessionModel() const;

private:
    StopwatchControl *open(const Session &session);

    SessionModel *m_sessionModel;
    WindowOpener m_openWindow;
    ApplicationObject *m_applicationObject = nullptr;
};
