// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowTitles.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace hv {

// Starts other programs, finds the window a started program shows, asks
// windows to close, and starts the companion launcher Pagedeck. Programs are
// never started through a shell, and nothing here blocks the event loop: the
// clock keeps ticking while a started program comes up.
class ProcessLauncher : public QObject
{
    Q_OBJECT

public:
    // Called once with the started program's top-level window; 0 when the
    // program could not be started, or showed no window within the wait.
    using WindowFound = std::function<void(WindowId window)>;

    // How long a started program has to show its window, in ms.
    static constexpr int kWindowWait = 10'000;

    using QObject::QObject;
    ~ProcessLauncher() override = default;

    // Splits the command line into the program and its arguments
    // (splitCommandLine) and starts it detached: it outlives the clock. Asks the
    // window to show minimized when `minimized` is set, as far as the platform
    // lets one program do that to another. Returns the new process's id, or 0
    // when it did not start (an empty or unbalanced line, a program that cannot
    // be found or run; lastError() then says why). `found` is called from the
    // event loop later, never from inside this call, and not at all once the
    // launcher is destroyed.
    virtual qint64 start(const QString& commandLine, bool minimized, WindowFound found) = 0;

    // Why the last start() returned 0, in words for the user ("No such file or
    // directory"); empty after a start that worked.
    QString lastError() const { return m_lastError; }

    // Asks a window to close, as the window manager's close button would; the
    // program may ask its user first. A window that has gone: nothing.
    virtual void closeWindow(WindowId window) = 0;

    // Starts the launcher Pagedeck found in `folder` (findPagedeck) with
    // pagedeckArguments(), without letting it take the focus where the platform
    // allows that. False, with a warning in the log, when there is no launcher
    // there or it did not start.
    virtual bool runPagedeck(const QString& folder, const QString& page, bool launch) = 0;

protected:
    QString m_lastError;
};

// The file name of the launcher, as it has always been installed.
inline constexpr char16_t kPagedeckFileName[] = u"PAGEDECK.EXE";

// The launcher in `folder`: PAGEDECK.EXE when a file of exactly that name is
// there, else the first file, in name order, whose name matches it in any
// case. Empty when the folder is empty, missing or holds no such file.
std::optional<QString> findPagedeck(const QString& folder);

// "-<page>" and "-LAUNCH" or "-CLOSE": the page goes in as one argument
// whatever it contains.
QStringList pagedeckArguments(const QString& page, bool launch);

} // namespace hv
