// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Appends sessions to the store one after the other, so that every append rewrites the
// sessions file, and notes each finished append in a progress file.
//
//     sessionburst <progress file> <count>

#include "burstsession.h"
#include "sessionmodel.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(u"tickwarden"_s);
    if (argc != 3) {
        std::fprintf(stderr, "usage: sessionburst <progress file> <count>\n");
        return 2;
    }
    const int progress = ::open(argv[1], O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0644);
    if (progress < 0) {
        std::perror("sessionburst: progress file");
        return 2;
    }
    const int count = std::atoi(argv[2]);

    SessionModel model;
    const int initial = model.rowCount();
    for (int i = 1; i <= count; ++i) {
        model.append(burstSession(initial + i));
        // One unbuffered line per finished append: it is there even after a SIGKILL.
        const QByteArray line = QByteArray::number(model.rowCount()) + '\n';
        if (::write(progress, line.constData(), size_t(line.size())) != line.size()) {
            return 3;
        }
    }
    ::close(progress);
    return 0;
}
