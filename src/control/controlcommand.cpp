// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "controlcommand.h"

#include "controltext.h"

#include <KAboutData>
#include <KLocalizedString>

#include <QCommandLineParser>

using namespace Qt::Literals::StringLiterals;

namespace
{
struct Option {
    ControlCommand::Action action;
    QString name;
};

const Option actionOptions[] = {
    {ControlCommand::Start, u"start"_s},
    {ControlCommand::Pause, u"pause"_s},
    {ControlCommand::Toggle, u"toggle"_s},
    {ControlCommand::Lap, u"lap"_s},
    {ControlCommand::Reset, u"reset"_s},
    {ControlCommand::Undo, u"undo"_s},
    {ControlCommand::NewWindow, u"new-window"_s},
    {ControlCommand::OpenSession, u"open-session"_s},
    {ControlCommand::NewRun, u"new-run"_s},
    {ControlCommand::Time, u"time"_s},
};
}

void ControlCommand::setupParser(QCommandLineParser &parser)
{
    parser.addOptions({
        {u"start"_s, i18nc("@info:shell", "Start or resume the stopwatch of the most recently active window.")},
        {u"pause"_s, i18nc("@info:shell", "Pause the stopwatch of the most recently active window.")},
        {u"toggle"_s, i18nc("@info:shell", "Pause the stopwatch of the most recently active window if it runs, else start or resume it.")},
        {u"lap"_s, i18nc("@info:shell", "Take a lap in the most recently active window, with the note given after the option if any.")},
        {u"reset"_s, i18nc("@info:shell", "Reset the stopwatch of the most recently active window.")},
        {u"undo"_s, i18nc("@info:shell", "Undo the last edit in the most recently active window, such as a lap or a reset.")},
        {u"new-window"_s, i18nc("@info:shell", "Open a new window.")},
        {u"open-session"_s, i18nc("@info:shell", "Open the saved session <name> in a new window."), i18nc("@info:shell value name", "name")},
        {u"new-run"_s,
         i18nc("@info:shell", "Open a new window for the next run of the activity <name>, compared with its best run."),
         i18nc("@info:shell value name", "name")},
        {u"time"_s, i18nc("@info:shell", "Print the time of the most recently active window as its display shows it.")},
    });
    parser.addPositionalArgument(u"note"_s, i18nc("@info:shell", "The note of the lap taken with --lap."), u"[note]"_s);
}

ControlCommand ControlCommand::fromParser(const QCommandLineParser &parser)
{
    ControlCommand command;
    QStringList given;
    for (const Option &option : actionOptions) {
        if (parser.isSet(option.name)) {
            command.m_action = option.action;
            given << u"--"_s + option.name;
        }
    }
    if (given.size() > 1) {
        return invalid(i18nc("@info:shell", "Only one action can be given at a time, not %1.", given.join(u", "_s)));
    }

    const QStringList positional = parser.positionalArguments();
    if (command.m_action == Lap) {
        if (positional.size() > 1) {
            return invalid(i18nc("@info:shell", "A lap takes one note; put quotes around a note with spaces."));
        }
        const ControlText::Checked note = ControlText::note(positional.value(0));
        if (!note.refusal.isEmpty()) {
            return invalid(note.refusal);
        }
        command.m_argument = note.text;
    } else if (!positional.isEmpty()) {
        return invalid(i18nc("@info:shell", "Unexpected argument: %1", positional.constFirst()));
    }

    if (command.m_action == OpenSession) {
        command.m_argument = parser.value(u"open-session"_s);
        if (command.m_argument.isEmpty()) {
            return invalid(i18nc("@info:shell", "--open-session needs the name of a saved session."));
        }
    }
    if (command.m_action == NewRun) {
        const ControlText::Checked name = ControlText::sessionName(parser.value(u"new-run"_s));
        if (!name.refusal.isEmpty()) {
            return invalid(name.refusal);
        }
        if (name.text.isEmpty()) {
            return invalid(i18nc("@info:shell", "--new-run needs the name of an activity."));
        }
        command.m_argument = name.text;
    }
    return command;
}

ControlCommand ControlCommand::fromArguments(const QStringList &arguments)
{
    QCommandLineParser parser;
    setupParser(parser);
    // The standard options of every KDE program are accepted; the launching process has
    // acted on them already.
    KAboutData::applicationData().setupCommandLine(&parser);
    if (!parser.parse(arguments)) {
        return invalid(parser.errorText());
    }
    return fromParser(parser);
}

ControlCommand::Action ControlCommand::action() const
{
    return m_action;
}

QString ControlCommand::argument() const
{
    return m_argument;
}

QString ControlCommand::error() const
{
    return m_error;
}

bool ControlCommand::isValid() const
{
    return m_error.isEmpty();
}

bool ControlCommand::isStopwatchAction() const
{
    switch (m_action) {
    case Start:
    case Pause:
    case Toggle:
    case Lap:
    case Reset:
    case Undo:
        return true;
    case NoAction:
    case NewWindow:
    case OpenSession:
    case NewRun:
    case Time:
        break;
    }
    return false;
}

ControlCommand ControlCommand::invalid(const QString &error)
{
    ControlCommand command;
    command.m_error = error;
    return command;
}
