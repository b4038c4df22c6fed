// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AlarmTable.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace hv {

// A top-level window of another program, as the platform names it; 0 is none.
using LaunchedWindow = std::uint64_t;

// What the CD player and the alarms share. The player takes the requests up
// on its own timer.
struct CdRequests
{
    enum PlayMode : int
    {
        Loop = 1,
        Shuffle = 2,
        PlayList = 4
    };

    bool startRequested = false;
    int playMode = Loop;
    bool stopRequested = false;
    bool playerOpen = false; // the player window is open and knows its disc
};

// What firing and stopping alarms do outside the alarm table. The alarm check
// calls these; the application gives the real ones, tests give fakes. None of
// them may block the clock.
class AlarmActions
{
public:
    virtual ~AlarmActions() = default;

    // Plays a wave file without waiting; a sound that is playing stops, except
    // the announcement of the same minute, which it follows.
    virtual void playWave(const QString& path) = 0;

    // Starts a command line, split into arguments as a shell would split it but
    // never run through one. `launched` is called later, from the event loop,
    // with the new program's window once it shows (0 when the start failed or
    // no window came within the bounded wait).
    virtual void startProgram(const QString& commandLine, bool minimized,
                              std::function<void(LaunchedWindow)> launched) = 0;

    // Asks a window to close, as its close button would.
    virtual void closeWindow(LaunchedWindow window) = 0;

    // Starts the launcher for a page, "-<page>" and "-LAUNCH" or "-CLOSE",
    // without taking the focus. A launcher that cannot be found is logged.
    virtual void runPagedeck(const QString& page, bool launch) = 0;

    // Opens a message window for the alarm; it acts on the alarm by `alarm`.
    virtual void showMessage(AlarmId alarm, const QString& text, const QString& wave) = 0;

    // Shows the CD player window, opening it when it is not open.
    virtual void showCdPlayer() = 0;

    // The table changed: an open alarm editor rebuilds its list.
    virtual void alarmsChanged() = 0;
};

} // namespace hv
