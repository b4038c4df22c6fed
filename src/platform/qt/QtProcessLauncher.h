// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ProcessLauncher.h"

#include <QProcessEnvironment>

namespace hv {

// Starts programs with Qt's process support alone. It cannot see other
// programs' windows: every start reports no window, and closeWindow() does
// nothing. Platform launchers build on it and add the windows.
class QtProcessLauncher : public ProcessLauncher
{
    Q_OBJECT

public:
    using ProcessLauncher::ProcessLauncher;

    qint64 start(const QString& commandLine, bool minimized, WindowFound found) override;
    void closeWindow(WindowId window) override;
    bool runPagedeck(const QString& folder, const QString& page, bool launch) override;

protected:
    // Splits the line and starts the program detached, with `environment`;
    // the new process's id, or 0 when it did not start (logged, and the reason
    // put in `why` when given).
    static qint64 startCommandLine(const QString& commandLine, QString* why = nullptr);
    static qint64 startDetached(const QString& program, const QStringList& arguments,
                                const QProcessEnvironment& environment, QString* why = nullptr);

    // Calls `found` with `window` from the event loop, unless this launcher
    // has been destroyed by then.
    void report(WindowFound found, WindowId window);

    // The environment of a program that should come up without taking the
    // focus from the user's window: here the clock's own.
    virtual QProcessEnvironment backgroundEnvironment() const;
};

} // namespace hv
