// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ClockTick.h"
#include "TitleBarClock.h"
#include "alarms/AlarmCheck.h"
#include "platform/Platform.h"
#include "voice/Announcer.h"
#include "voice/WordSounds.h"

#include <QObject>
#include <QTimer>

#include <memory>

namespace hv {

class AlarmActions;
class AppState;
class Notices;

// The running clock without its window: the tick and its timer, the
// title-bar clock, the announcer, the alarm check and what firing alarms do.
// It reads the program-wide state and the platform services, and shows the
// time through the face it is given.
//
// The timer wakes just after each minute turns; voice requests, a new
// foreground window, a retitled decorated window and a changed system clock
// act at once. An idle clock stays idle in between.
class ClockSession : public QObject
{
    Q_OBJECT

public:
    // `face`, `notices` and everything in `state` and `platform` must outlive
    // the session; the session owns `actions`.
    ClockSession(AppState& state, const Platform& platform, ClockTick::Face& face, Notices& notices,
                 std::unique_ptr<AlarmActions> actions, QObject* parent = nullptr);
    // Gives the decorated window its own title back.
    ~ClockSession() override;

    // Reloads the regional formats, gives back the titles that an earlier run
    // left decorated (see TitleBarClock::restoreMarked()) and runs the first
    // tick: at once, or, for a
    // clock that starts hidden, once the window's show has completed (a window
    // hidden inside its own show would be mapped all the same).
    void start();
    // No more ticks; the decorated window gets its own title back.
    void stop();

    // One tick on one clock reading, then the timer is set for the next minute.
    void tick();
    // The hot key or `horavox --say-time`: speak the time at once.
    void requestVoice();
    // The system clock was set or the computer woke from a suspend: the face
    // and the alarms follow at once instead of at the next minute.
    void clockChanged();
    // Registers the hot key of the settings, or none when it is off. A
    // combination that another program holds is told through the notices.
    void applyHotKey();
    // The options dialog's settings were adopted: the hot key and the
    // title-bar clock follow them at once.
    void settingsAdopted();

Q_SIGNALS:
    // The first tick of a clock whose settings say to start hidden.
    void hideRequested();
    // After the first tick: the window may offer the start-up reminder.
    void firstTickDone();

private:
    void scheduleNextTick(DateTime now);
    // One notice for the alarms that the tick's check found skipped.
    void tellMissedAlarms(DateTime now);
    void updateTitleBar();
    TitleBarClock::Options titleBarOptions() const;

    AppState& m_state;
    Platform m_platform;
    Notices& m_notices;
    std::unique_ptr<AlarmActions> m_actions;
    TitleBarClock m_titleBar;
    ClockTick m_tick;
    WordSounds m_words;
    Announcer m_announcer;
    AlarmCheck m_alarmCheck;
    QTimer m_timer;
    bool m_firstTickDone = false;
};

} // namespace hv
