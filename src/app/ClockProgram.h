// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ClockSession.h"
#include "ClockWindow.h"

namespace hv {

class AppState;
class Clock;
class DesktopAlarmActions;
struct Platform;
class WaveDevice;

// The clock as the program runs it: the window, what firing alarms do on this
// desktop, and the session that ticks, wired to one another. The program
// entry, the window tests and the screenshots build the same thing.
class ClockProgram
{
public:
    // `state` must be loaded; it and the services of `platform` must outlive
    // the program.
    ClockProgram(AppState& state, const Platform& platform);

    ClockWindow& window() { return m_window; }
    ClockSession& session() { return m_session; }
    DesktopAlarmActions& alarmActions() { return *m_actions; }

    // Opens the alarm editor modally; when it closes, writes the settings and
    // the alarm file.
    void openAlarmEditor();

private:
    AppState& m_state;
    Clock& m_clock;
    WaveDevice* m_waveDevice; // the recorder's; null: the editor's record buttons do nothing
    ClockWindow m_window;
    DesktopAlarmActions* m_actions; // owned by the session
    ClockSession m_session;
};

} // namespace hv
