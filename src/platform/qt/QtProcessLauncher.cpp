// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/QtProcessLauncher.h"

#include "common/Logging.h"
#include "platform/CommandLineSplit.h"

#include <QProcess>

namespace hv {

qint64 QtProcessLauncher::start(const QString& commandLine, bool minimized, WindowFound found)
{
    Q_UNUSED(minimized) // no window to show minimized
    m_lastError.clear();
    const qint64 pid = startCommandLine(commandLine, &m_lastError);
    report(std::move(found), 0);
    return pid;
}

void QtProcessLauncher::closeWindow(WindowId window)
{
    Q_UNUSED(window)
}

bool QtProcessLauncher::runPagedeck(const QString& folder, const QString& page, bool launch)
{
    const std::optional<QString> program = findPagedeck(folder);
    if (!program) {
        qCWarning(lcAlarms).noquote().nospace() << "no launcher " << QString::fromUtf16(kPagedeckFileName)
                                                << " in the folder \"" << folder << '"';
        return false;
    }
    return startDetached(*program, pagedeckArguments(page, launch), backgroundEnvironment()) != 0;
}

qint64 QtProcessLauncher::startCommandLine(const QString& commandLine, QString* why)
{
    const std::optional<QStringList> words = splitCommandLine(commandLine);
    if (!words || words->isEmpty()) {
        qCWarning(lcAlarms) << "cannot start" << commandLine
                            << (words ? "(nothing to run)" : "(a quote is open)");
        if (why)
            *why =
                words ? QStringLiteral("there is nothing to run") : QStringLiteral("a quote is not closed");
        return 0;
    }
    return startDetached(words->first(), words->mid(1), QProcessEnvironment::systemEnvironment(), why);
}

qint64 QtProcessLauncher::startDetached(const QString& program, const QStringList& arguments,
                                        const QProcessEnvironment& environment, QString* why)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessEnvironment(environment);
    // The clock's input is no program's business; output goes where the clock's goes.
    process.setStandardInputFile(QProcess::nullDevice());
    qint64 pid = 0;
    if (!process.startDetached(&pid)) {
        qCWarning(lcAlarms) << "cannot start" << program << arguments << process.errorString();
        if (why)
            *why = process.errorString();
        return 0;
    }
    return pid;
}

void QtProcessLauncher::report(WindowFound found, WindowId window)
{
    if (!found)
        return;
    QMetaObject::invokeMethod(
        this, [found = std::move(found), window] { found(window); }, Qt::QueuedConnection);
}

QProcessEnvironment QtProcessLauncher::backgroundEnvironment() const
{
    return QProcessEnvironment::systemEnvironment();
}

} // namespace hv
