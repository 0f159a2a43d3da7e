// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Preloaded into the programs the soak starts: a program that dies of a signal writes the
// signal and its stack to standard error (the soak's log of that program) before it dies
// as it would have, core dump included. Without a debugger in the build root this is the
// backtrace a failed run leaves; soakdriver turns the program's own frames into functions
// and lines with addr2line.

#include <csignal>
#include <cstring>

#include <execinfo.h>
#include <unistd.h>

namespace
{
constexpr int fatalSignals[] = {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL, SIGTRAP};

void writeText(const char *text)
{
    const ssize_t ignored = ::write(STDERR_FILENO, text, std::strlen(text));
    static_cast<void>(ignored);
}

void writeNumber(long number)
{
    char digits[24];
    int at = sizeof(digits);
    digits[--at] = '\0';
    const bool negative = number < 0;
    unsigned long rest = negative ? 0UL - static_cast<unsigned long>(number) : static_cast<unsigned long>(number);
    do {
        digits[--at] = char('0' + rest % 10);
        rest /= 10;
    } while (rest != 0 && at > 1);
    if (negative) {
        digits[--at] = '-';
    }
    writeText(digits + at);
}

void onFatalSignal(int signal)
{
    // Only functions safe in a signal handler: backtrace() was called once at load time,
    // so it has nothing left to load now.
    writeText("\nsoak-crashtrace: pid ");
    writeNumber(::getpid());
    writeText(" caught signal ");
    writeNumber(signal);
    writeText(" (");
    writeText(sigabbrev_np(signal) ? sigabbrev_np(signal) : "?");
    writeText("), stack:\n");
    void *frames[128];
    const int count = ::backtrace(frames, 128);
    ::backtrace_symbols_fd(frames, count, STDERR_FILENO);
    writeText("soak-crashtrace: end of stack\n");
    // Dies of the same signal, so the exit status and a core dump are the usual ones.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

__attribute__((constructor)) void installCrashTrace()
{
    void *warmUp[1];
    ::backtrace(warmUp, 1);
    struct sigaction action = {};
    action.sa_handler = onFatalSignal;
    sigemptyset(&action.sa_mask);
    // A handler of its own stack would survive a stack overflow, but the programs the soak
    // starts do not recurse deeply; SA_RESETHAND keeps a fault inside the handler fatal.
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    for (const int signal : fatalSignals) {
        ::sigaction(signal, &action, nullptr);
    }
}
}
