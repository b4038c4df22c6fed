// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "alarms/AlarmRecord.h"
#include "common/DateTime.h"

#include <cstdint>
#include <optional>

namespace hv {

// RecursWhich: which matching day of the month a Recurs alarm fires on.
enum RecursOrdinal : std::int32_t
{
    RecursEvery = 1,
    RecursFirst = 2,
    RecursSecond = 3,
    RecursThird = 4,
    RecursFourth = 5,
    RecursLast = 6,
};

// RecursDay: a single day 1 Sunday .. 7 Saturday (DayOfWeek), or one of these sets.
enum RecursDaySet : std::int32_t
{
    RecursWeekday = 8, // Monday .. Friday
    RecursWeekend = 9, // Saturday and Sunday
};

// EveryUnit: what Count counts for an Every alarm.
enum EveryStepUnit : std::int32_t
{
    EveryMinutes = 1,
    EveryHours = 2,
};

// EveryDays: a single day 1 Sunday .. 7 Saturday (DayOfWeek), or one of these sets.
enum EveryDaySet : std::int32_t
{
    EveryEveryday = 8,
    EveryWeekdays = 9,  // Monday .. Friday
    EveryWeekends = 10, // Saturday and Sunday
};

// Whether dayOfWeek (1 Sunday .. 7 Saturday) lies in the day set that a
// RecursDay or an EveryDays code names. A code outside the table names the
// empty set: it matches no day.
bool recursDayMatches(int setCode, int dayOfWeek);
bool everyDayMatches(int setCode, int dayOfWeek);

// Stored in NextDue and StopDue when no moment can be computed for a damaged
// record: 1899-12-30 00:00, a minute the clock never shows, so it never fires.
// It is also what a cleared slot holds.
inline constexpr DateTime kNeverDue = 0.0;

// The moment the alarm fires next, from its rule, its start and stop times and
// the clock reading `now` (today's date plus the time of day with seconds and
// milliseconds). `startupFlag` is true only in the first alarm check after
// start, for an alarm whose AutoStart is set while the "Auto Start" setting is
// on: an alarm whose start time today has passed (and whose stop time, if any,
// has not) then fires in the current minute.
//
// The result is always a whole minute. It lies after `now`, except for a Once
// alarm whose day has passed and for an alarm firing now at start-up. The
// current moment counts as having reached a start time equal to it to the
// millisecond, so an alarm rescheduled at exactly hh:mm:00.000 of its own
// firing minute moves on to its next occurrence.
//
// Empty when there is nothing to fire: an empty slot (Rule 0), or a damaged or
// hand-edited record:
// - a Rule outside 0..5;
// - Recurs with RecursWhich outside 1..6 or RecursDay outside 1..9;
// - Every with Count <= 0, EveryUnit outside 1..2 or EveryDays outside 1..10;
// - Monthly with Count outside 1..31 (a day of the month, never clamped);
// - a StartTime, a StopTime while StopEnabled, a OnceDate for Once, or a `now`
//   that is not finite or lies outside the years 1..9999;
// - an occurrence that would fall after the year 9999.
// StartTime and StopTime count by their time of day, cut to the minute; any
// date part they carry is ignored.
std::optional<DateTime> nextOccurrence(const AlarmRecord& alarm, DateTime now, bool startupFlag);

// Writes NextDue from nextOccurrence; kNeverDue for a damaged record. An empty
// slot (Rule 0) keeps its NextDue.
void computeNextDue(AlarmRecord& alarm, DateTime now, bool startupFlag);

// When the occurrence at NextDue stops: StopTime on the day of NextDue, or on
// the day after when StopTime is earlier than StartTime (the stop lies past
// midnight). Computed whatever StopEnabled says. Empty when NextDue, StartTime
// or StopTime is not a valid date-time, or the stop falls after the year 9999.
std::optional<DateTime> stopMoment(const AlarmRecord& alarm);

// Writes StopDue from stopMoment; kNeverDue when it is empty.
void computeStopDue(AlarmRecord& alarm);

} // namespace hv
