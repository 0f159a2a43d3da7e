// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>
#include <QStringList>

class QCommandLineParser;

/**
 * One request from the command line: at most one action with its argument, or the
 * reason the arguments make no sense.
 *
 * The same options are read in the process that was started and, when another process
 * already runs, again in that one from the arguments handed over to it.
 */
class ControlCommand
{
public:
    enum Action {
        NoAction,
        Start,
        Pause,
        Toggle,
        Lap,
        Reset,
        Undo,
        NewWindow,
        OpenSession,
        NewRun,
        Time,
    };

    /** Adds the program's own options and the positional note of --lap. */
    static void setupParser(QCommandLineParser &parser);
    /** Reads a parser that has already parsed the arguments. */
    [[nodiscard]] static ControlCommand fromParser(const QCommandLineParser &parser);
    /** Parses a whole argument list, the program's name first. */
    [[nodiscard]] static ControlCommand fromArguments(const QStringList &arguments);

    [[nodiscard]] Action action() const;
    /** The lap's note, or the name of the session or of the activity of a new run. */
    [[nodiscard]] QString argument() const;
    /** Empty when the command is valid. */
    [[nodiscard]] QString error() const;
    [[nodiscard]] bool isValid() const;
    /** Whether the action works on a window's stopwatch rather than on windows. */
    [[nodiscard]] bool isStopwatchAction() const;

private:
    static ControlCommand invalid(const QString &error);

    Action m_action = NoAction;
    QString m_argument;
    QString m_error;
};
