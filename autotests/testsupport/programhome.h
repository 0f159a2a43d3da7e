// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <sys/prctl.h>

/**
 * A home of its own for the real processes a test starts (the program, a display server, a
 * session bus): the XDG folders in a temporary folder, an environment that points there and
 * carries nothing of the user's desktop, and processes that write their output to files
 * there and end with the test, however it ends.
 */
class ProgramHome
{
public:
    ProgramHome()
    {
        using namespace Qt::Literals::StringLiterals;
        for (const auto folder : {"config"_L1, "data"_L1, "state"_L1, "cache"_L1, "runtime"_L1}) {
            m_valid = m_valid && QDir(m_dir.path()).mkpath(folder);
        }
        m_valid = m_valid && QFile::setPermissions(filePath(u"runtime"_s), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    [[nodiscard]] bool isValid() const
    {
        return m_valid;
    }
    [[nodiscard]] QString path() const
    {
        return m_dir.path();
    }
    [[nodiscard]] QString filePath(const QString &name) const
    {
        return m_dir.filePath(name);
    }

    /** The test's environment with the home here, and without a display or session to join. */
    [[nodiscard]] QProcessEnvironment environment() const
    {
        using namespace Qt::Literals::StringLiterals;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_s, path());
        env.insert(u"XDG_CONFIG_HOME"_s, filePath(u"config"_s));
        env.insert(u"XDG_DATA_HOME"_s, filePath(u"data"_s));
        env.insert(u"XDG_STATE_HOME"_s, filePath(u"state"_s));
        env.insert(u"XDG_CACHE_HOME"_s, filePath(u"cache"_s));
        env.insert(u"XDG_RUNTIME_DIR"_s, filePath(u"runtime"_s));
        for (const auto name : {"DISPLAY"_L1, "WAYLAND_DISPLAY"_L1, "QT_QPA_PLATFORM"_L1, "SESSION_MANAGER"_L1}) {
            env.remove(name);
        }
        return env;
    }

    enum class Output {
        ToLog, // standard output and error both in the log
        ToCaller, // the standard output stays readable by the test
    };

    /**
     * Starts @p program with its standard error in the file @p logName here, with this
     * home's environment unless @p process has one of its own.
     * @return whether it started
     */
    bool start(QProcess &process, const QString &program, const QStringList &arguments, const QString &logName, Output output = Output::ToLog) const
    {
        if (process.processEnvironment().isEmpty()) {
            process.setProcessEnvironment(environment());
        }
        process.setChildProcessModifier([] {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        });
        if (output == Output::ToLog) {
            process.setStandardOutputFile(filePath(logName));
        }
        process.setStandardErrorFile(filePath(logName), QIODevice::Append);
        process.start(program, arguments);
        return process.waitForStarted();
    }

    /** Asks @p process to end, and ends it if it does not. */
    static void stop(QProcess &process)
    {
        if (process.state() == QProcess::NotRunning) {
            return;
        }
        process.terminate();
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished();
        }
    }

private:
    QTemporaryDir m_dir;
    bool m_valid = m_dir.isValid();
};
