// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AlarmActions.h"
#include "AlarmTable.h"
#include "common/DateTime.h"
#include "common/VoiceSettings.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <utility>

namespace hv {

// Applies the words of a Command alarm's Target to `voice` and to the
// interval in force, `currentInterval`. The text is
// searched, not parsed: substring tests on the upper-cased text. The first of "60 MIN",
// "30 MIN", "15 MIN", "10 MIN", "5 MIN", "1 MIN" found sets howOften (so "15 MIN"
// wins over the "5 MIN" inside it; none found keeps it); currentInterval then
// becomes howOften in any case. "PLAYVOICE ON"/"OFF", "WAVEFILE ON"/"OFF" and
// "BEFORE"/"AFTER" (1/2) set the other three, a later test in that order
// overriding an earlier one.
void applyCommandWords(const QString& target, VoiceSettings& voice, std::int32_t& currentInterval);

// The value kept in an alarm's LaunchedWindow for a window (the alarm file
// holds 16 bits of it): 0 for none, else its low 16 bits; when those are 31 or
// less, which would read as "no window", 0xFFFF instead, so that a started
// program still shows as started after a restart.
std::uint16_t storedLaunchedWindow(LaunchedWindow window);

// An alarm whose moment fell in time that the clock skipped (a suspend, a
// clock set forward) and that therefore did not run.
struct MissedAlarm
{
    AlarmId alarm = 0;
    DateTime due = 0;      // the latest of its moments that were skipped, a whole minute
    int moments = 1;       // how many of its moments were skipped in the time looked at
    std::int32_t kind = 0; // AlarmKind
    QString target;        // the message, program, command, ...

    bool operator==(const MissedAlarm&) const = default;
};

// The alarm check: run once per minute by the clock tick. It fires the alarms
// due in the minute, stops those whose stop moment has come, reschedules them,
// removes those set to delete themselves after running, and puts the table back
// in order. Everything outside the table happens through AlarmActions; the
// check never touches processes, sounds or windows itself.
//
// It acts on the table only inside run() and in the callback of a program
// start (which fills in the started program's window). The actions must not
// change the table while they are called.
class AlarmCheck
{
public:
    // `voice` and `currentInterval` are the live settings that Command alarms
    // change; changes apply at once and reach the settings file with its next
    // save. `programDir` holds the wave recorder's recordings that auto delete
    // removes along with their alarms. All references must outlive the check.
    AlarmCheck(AlarmTable& table, CdRequests& cd, VoiceSettings& voice, std::int32_t& currentInterval,
               AlarmActions& actions, QString programDir);
    ~AlarmCheck();

    AlarmCheck(const AlarmCheck&) = delete;
    AlarmCheck& operator=(const AlarmCheck&) = delete;

    // One alarm check. `minuteStamp` is the minute the tick saw (its clock
    // reading cut to the minute); an alarm is due when its NextDue is that same
    // whole minute, and a stamp off a whole minute matches nothing. `now` is
    // the clock reading taken for this check, in the stamp's minute or a
    // little later: next occurrences are computed from it, seconds included.
    // `autoStartSetting` is the "Auto Start" setting; only the first check
    // after construction reads it.
    //
    // In this order:
    // 1. The first check computes every alarm's next occurrence (stored
    //    NextDue values are not trusted), firing at once those whose AutoStart
    //    is set, when "Auto Start" is on, and whose start time today has
    //    passed. A later check that finds the clock moved (see resync below)
    //    reschedules instead.
    // 2. The stop pass, slots 1..50: alarms whose StopDue has come.
    // 3. The firing pass, slots 1..50: alarms whose NextDue has come.
    // 4. The used alarms are moved down over the slots that auto delete
    //    emptied, then sorted by start time. An AlarmId keeps naming its alarm.
    // 5. actions.alarmsChanged().
    //
    // Moments missed while no check ran (a suspended machine, a blocked tick,
    // a clock set forward) are never caught up, but the alarms they belonged
    // to are rescheduled so that later occurrences still fire: when the stamp
    // lies two minutes or more after the previous check's, every alarm whose
    // NextDue has passed gets its next occurrence from the start of this
    // minute (so one due in this very minute still fires now). When the stamp
    // lies more than two minutes before the previous one (the clock was set
    // back), every alarm not due in this minute is rescheduled that way, so
    // that none waits for a day that the clock has left; a smaller step back
    // reschedules nothing.
    //
    // Rescheduling never brings back a moment that has fired: an occurrence
    // fired in this run is skipped, so a daily alarm that rang at 9:00 does not
    // ring again at 9:00 after the clock was put back to 8:30 (an NTP step, the
    // end of summer time). Fired moments are remembered for
    // kFiredMemoryMinutes before the latest check. An alarm whose NextDue still
    // lies ahead keeps it (a pending snooze included) unless its own rule has
    // an earlier moment that has not fired, as after the clock was put back a
    // whole day.
    //
    // A check at least two minutes after the previous one also notes the
    // alarms that did not run because their moments fell in between, for
    // takeMissed(): active alarms only, and only moments of the last 24 hours
    // before the stamp.
    void run(DateTime minuteStamp, DateTime now, bool autoStartSetting);

    // The platform reports that the clock may have jumped (a resume from
    // suspend, a change of time zone). The next check then reschedules every
    // alarm not due in its minute, whichever way the clock moved, by the rules
    // above.
    void clockJumped();

    // The alarms that the checks since the last call noted as missed, one per
    // alarm, in slot order; the list is then cleared.
    QList<MissedAlarm> takeMissed() { return std::exchange(m_missed, {}); }

    // How long a fired moment is remembered, in minutes before the latest check.
    static constexpr std::int64_t kFiredMemoryMinutes = exact::kMinutesPerDay + 60;

    // True until the first run().
    bool firstCheckPending() const { return m_firstCheckPending; }

private:
    struct Launch
    {
        std::uint64_t serial = 0;  // which start of the alarm's program this is
        LaunchedWindow window = 0; // 0 until the started program's window is known
    };

    void firstCheck(DateTime now, bool autoStartSetting);
    void resync(std::int64_t minute, bool includeFuture);
    void noteMissed(std::int64_t minute);
    // Writes slot n's NextDue: its first moment after `from` that has not fired.
    void scheduleUnfired(int n, DateTime from);
    bool hasFired(AlarmId id, std::int64_t minute) const;
    void rememberFired(AlarmId id, std::int64_t minute);
    void stopPass(std::int64_t minute);
    void firingPass(std::int64_t minute, DateTime now);
    void fire(int n);
    void stopProgram(int n);
    void startProgram(int n);
    void programLaunched(AlarmId id, std::uint64_t serial, LaunchedWindow window);
    void playUnlessNone(const QString& wave);
    void autoDelete(int n);
    void forgetRemovedLaunches();

    AlarmTable& m_table;
    CdRequests& m_cd;
    VoiceSettings& m_voice;
    std::int32_t& m_currentInterval;
    AlarmActions& m_actions;
    QString m_programDir;

    bool m_firstCheckPending = true;
    bool m_resyncRequested = false;
    std::optional<std::int64_t> m_lastMinute; // the stamp of the previous check, in whole minutes
    std::int64_t m_latestMinute = 0;          // the latest stamp any check saw

    // The moments each alarm fired at, as whole minutes, back to
    // kFiredMemoryMinutes before m_latestMinute. Entries of alarms that are
    // gone are dropped after each check.
    std::map<AlarmId, std::set<std::int64_t>> m_fired;
    QList<MissedAlarm> m_missed;

    // The full window of each started program that the record keeps only 16
    // bits of. Entries of alarms that are gone are dropped after each check.
    std::map<AlarmId, Launch> m_launches;
    std::uint64_t m_lastLaunchSerial = 0;
    // Program-start callbacks may come after the check is gone; they hold this
    // weakly and do nothing once it has expired.
    std::shared_ptr<AlarmCheck*> m_self;
};

} // namespace hv
