// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <malloc.h>
#include <unistd.h>

namespace Benchmark
{
// One figure a script can pick up: "FIGURE <name>: <value> <unit>".
inline void figure(const char *name, double value, const char *unit)
{
    std::printf("FIGURE %s: %.1f %s\n", name, value, unit);
    std::fflush(stdout);
}

// Bytes handed out by malloc and still in use, in KiB.
inline qint64 heapInUseKiB()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64((info.uordblks + info.hblkhd) / 1024);
}

// The resident set of this process in KiB, or -1.
inline qint64 residentKiB()
{
    FILE *statm = std::fopen("/proc/self/statm", "r");
    if (!statm) {
        return -1;
    }
    long size = 0;
    long resident = 0;
    const int read = std::fscanf(statm, "%ld %ld", &size, &resident);
    std::fclose(statm);
    return read == 2 ? qint64(resident) * sysconf(_SC_PAGESIZE) / 1024 : -1;
}

// The offscreen platform warns each time a top-level window's size limits change; the
// warnings say nothing about Tickwarden and would bury the figures.
inline void quietOffscreenWarnings()
{
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &message) {
        if (type == QtWarningMsg && message.contains(QLatin1StringView("propagateSizeHints"))) {
            return;
        }
        if (previous) {
            previous(type, context, message);
        }
    });
}
}
