// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ClockSession.h"
#include "ClockWindow.h"

#include <QList>
#include <QPointer>

namespace hv {

class AppState;
class Clock;
class DesktopAlarmActions;
class OptionsDialog;
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
    // Closes the timer windows that are still open.
    ~ClockProgram();

    // The Options command: the options dialog, modal; on OK the clock adopts
    // its settings (adoptOptions).
    void showOptions();
    // The options dialog closed with OK: the clock takes its settings whole,
    // login start, hot key, interval, title-bar clock, face, stay-on-top and
    // hints follow them, recordings that "Clear" left unnamed go, and the
    // settings are saved. A file that cannot be written is reported.
    void adoptOptions(const OptionsDialog& dialog);

    ClockWindow& window() { return m_window; }
    ClockSession& session() { return m_session; }
    DesktopAlarmActions& alarmActions() { return *m_actions; }

    // Opens the alarm editor modally; when it closes, writes the settings and
    // the alarm file.
    void openAlarmEditor();

private:
    AppState& m_state;
    Platform m_platform;
    ClockWindow m_window;
    DesktopAlarmActions* m_actions; // owned by the session
    ClockSession m_session;
    QList<QPointer<QWidget>> m_timers; // the timer windows opened, each deleting itself on close
};

} // namespace hv
