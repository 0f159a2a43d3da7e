// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Adds sessions of its own to the store, then renames each of them, then removes every
// third one, while other processes may change the same sessions file.
//
//     sessionchanger <process number> <count>
//
// Or makes one change, as another Tickwarden process would while a test's window is open:
//
//     sessionchanger add <name>
//     sessionchanger remove <name>

#include "changersession.h"
#include "sessionmodel.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace
{
int rowNamed(const SessionModel &model, const QString &name)
{
    for (int row = 0; row < model.rowCount(); ++row) {
        if (model.data(model.index(row, 1)).toString() == name) {
            return row;
        }
    }
    return -1;
}

int failed(const char *what, int n, const SessionModel &model)
{
    std::fprintf(stderr, "sessionchanger: %s of session %d failed: %s\n", what, n, qPrintable(model.errorString()));
    return 1;
}

// Save As of a window that has just run: a session made now, to the millisecond.
int oneChange(const QString &change, const QString &name)
{
    SessionModel model;
    bool done = false;
    if (change == u"add") {
        Session session(1000, QDateTime::currentDateTime());
        session.setName(name);
        done = model.append(session);
    } else if (change == u"remove") {
        const int row = rowNamed(model, name);
        done = row >= 0 && model.removeRows(row, 1);
    } else {
        std::fprintf(stderr, "sessionchanger: unknown change %s\n", qPrintable(change));
        return 2;
    }
    if (!done) {
        std::fprintf(stderr, "sessionchanger: %s %s failed: %s\n", qPrintable(change), qPrintable(name), qPrintable(model.errorString()));
        return 1;
    }
    return 0;
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"tickwarden"_s);
    if (argc != 3) {
        std::fprintf(stderr, "usage: sessionchanger <process number> <count> | add <name> | remove <name>\n");
        return 2;
    }
    const QString first = QString::fromLocal8Bit(argv[1]);
    if (first == u"add" || first == u"remove") {
        return oneChange(first, QString::fromLocal8Bit(argv[2]));
    }
    const int process = std::atoi(argv[1]);
    const int count = std::atoi(argv[2]);

    SessionModel model;
    for (int n = 1; n <= count; ++n) {
        if (!model.append(changerSession(process, n))) {
            return failed("adding", n, model);
        }
    }
    // The rows stand for the file as this process last read or wrote it; the other
    // processes' sessions come and go between them.
    for (int n = 1; n <= count; ++n) {
        const int row = rowNamed(model, changerName(process, n, false));
        if (row < 0 || !model.setData(model.index(row, model.columnForRole(SessionModel::NameRole)), changerName(process, n, true))) {
            return failed("renaming", n, model);
        }
    }
    for (int n = 1; n <= count; ++n) {
        if (changerKeeps(n)) {
            continue;
        }
        const int row = rowNamed(model, changerName(process, n, true));
        if (row < 0 || !model.removeRows(row, 1)) {
            return failed("removing", n, model);
        }
    }
    return 0;
}
