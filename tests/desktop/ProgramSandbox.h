// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the desktop tests of the whole program share: running a desktop tool,
// and a sandbox in which the real program runs with its own data and runtime
// folders.

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

namespace hv::test {

// ms: how long a desktop tool or a start of the program may take.
inline constexpr int kToolTimeout = 10'000;

// Runs a desktop tool (xdotool, xprop…) and returns what it printed; a tool
// that hangs is ended.
inline QString runTool(const QString& program, const QStringList& arguments)
{
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(kToolTimeout))
        tool.kill();
    tool.waitForFinished(1000);
    return QString::fromLatin1(tool.readAllStandardOutput());
}

// Waits until `process` has ended. QProcess::waitForFinished answers false for
// a process whose end was already seen (by an event loop that ran meanwhile,
// as QTRY_ loops run one), so it alone would call an ended process hung.
inline bool waitUntilEnded(QProcess* process, int timeoutMs)
{
    return process->state() == QProcess::NotRunning || process->waitForFinished(timeoutMs);
}

// What one case starts: the program's data folder (HORAVOX_HOME), its runtime
// folder (the single-instance lock and socket), and every process started,
// killed at the end if it still runs.
class ProgramSandbox
{
public:
    // `program`: the horavox binary the test was built with.
    explicit ProgramSandbox(QString program)
        : m_program(std::move(program))
    {
        QVERIFY(m_home.isValid() && m_runtime.isValid());
    }
    ~ProgramSandbox()
    {
        for (const auto& process : m_processes) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(kToolTimeout);
            }
        }
    }
    ProgramSandbox(const ProgramSandbox&) = delete;
    ProgramSandbox& operator=(const ProgramSandbox&) = delete;

    QString file(const QString& name) const { return m_home.filePath(name); }
    // A file in the runtime folder: the lock and the socket.
    QString runtimeFile(const QString& name) const { return m_runtime.filePath(name); }

    bool writeSettings(const QByteArray& ini)
    {
        QFile file(this->file(QStringLiteral("horavox.ini")));
        return file.open(QIODevice::WriteOnly) && file.write(ini) == ini.size();
    }
    QString settings() const
    {
        QFile file(this->file(QStringLiteral("horavox.ini")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // The program with these arguments; `time` fixes the clock's start
    // (HORAVOX_TIME), `pulseServer` replaces the sound server's address.
    QProcess* start(const QStringList& arguments = {}, const QString& time = {},
                    const QString& pulseServer = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HORAVOX_HOME"), m_home.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        env.remove(QStringLiteral("HORAVOX_TIME"));
        if (!time.isEmpty())
            env.insert(QStringLiteral("HORAVOX_TIME"), time);
        if (!pulseServer.isEmpty())
            env.insert(QStringLiteral("PULSE_SERVER"), pulseServer);
        return startProcess(m_program, arguments, env);
    }

    // Another program, killed with the sandbox.
    QProcess* startOther(const QString& program, const QStringList& arguments)
    {
        return startProcess(program, arguments, QProcessEnvironment::systemEnvironment());
    }

private:
    QProcess* startProcess(const QString& program, const QStringList& arguments,
                           const QProcessEnvironment& env)
    {
        auto& process = m_processes.emplace_back(std::make_unique<QProcess>());
        process->setProcessEnvironment(env);
        process->start(program, arguments);
        return process->waitForStarted(kToolTimeout) ? process.get() : nullptr;
    }

    QString m_program;
    QTemporaryDir m_home;
    QTemporaryDir m_runtime;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

} // namespace hv::test
