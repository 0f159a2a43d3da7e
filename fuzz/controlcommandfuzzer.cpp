// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Feeds arbitrary argument lists (one argument a line, as a second launch hands them over)
// to the command-line reader. Every list gets one answer: an action, or a reason.

#include "controlcommand.h"
#include "fuzzcheck.h"

#include <KAboutData>

#include <QCoreApplication>

#include <cstdint>

using namespace Qt::Literals::StringLiterals;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // The standard options of a KDE program come from the application's about data, as in
    // the real program.
    static QCoreApplication application(*argc, *argv);
    KAboutData about(u"tickwarden"_s, u"Tickwarden"_s, u"1"_s);
    KAboutData::setApplicationData(about);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    QStringList arguments{u"tickwarden"_s};
    for (const QByteArray &line : bytes.split('\n')) {
        arguments << QString::fromUtf8(line);
    }

    const ControlCommand command = ControlCommand::fromArguments(arguments);
    FUZZ_CHECK(command.isValid() == command.error().isEmpty());
    if (!command.isValid()) {
        FUZZ_CHECK(command.action() == ControlCommand::NoAction);
        FUZZ_CHECK(command.argument().isEmpty());
        return 0;
    }
    switch (command.action()) {
    case ControlCommand::OpenSession:
        FUZZ_CHECK(!command.argument().isEmpty());
        break;
    case ControlCommand::Lap:
        break;
    default:
        // Only a lap's note and a session's name are ever taken from the arguments.
        FUZZ_CHECK(command.argument().isEmpty());
        break;
    }
    FUZZ_CHECK(command.isStopwatchAction()
               == (command.action() == ControlCommand::Start || command.action() == ControlCommand::Pause || command.action() == ControlCommand::Toggle
                   || command.action() == ControlCommand::Lap || command.action() == ControlCommand::Reset));

    // Reading the same arguments again gives the same answer: a second launch's arguments
    // are read once in each process.
    const ControlCommand again = ControlCommand::fromArguments(arguments);
    FUZZ_CHECK(again.action() == command.action() && again.argument() == command.argument() && again.error() == command.error());
    return 0;
}
