// SPDX-License-Identifier: GPL-3.0-or-later
#include "Recurrence.h"

#include <algorithm>
#include <cmath>

namespace hv {

namespace {

constexpr std::int64_t kMinutesPerHour = 60;

// Any seven days in a row hold every day of a non-empty day set; a search that
// may turn today down because its start time has passed needs one day more.
constexpr int kDaysToNextMatch = 8;

// A valid date-time as exact integers.
struct Moment
{
    std::int64_t day = 0;       // days since 1899-12-30
    std::int64_t msecOfDay = 0; // 0 .. one day less a millisecond
};

std::optional<Moment> readMoment(DateTime value)
{
    // Checked before datePart, which must not meet values beyond the scale.
    if (!std::isfinite(value) || value <= static_cast<double>(kFirstDay - 1) ||
        value >= static_cast<double>(kLastDay + 1))
        return std::nullopt;
    const auto day = static_cast<std::int64_t>(datePart(value));
    if (day < kFirstDay || day > kLastDay)
        return std::nullopt;
    const Time t = decodeTime(value);
    return Moment{day, ((t.hour * 60LL + t.minute) * 60 + t.second) * 1000 + t.msec};
}

std::optional<std::int64_t> dayNumber(DateTime value)
{
    const auto moment = readMoment(value);
    return moment ? std::optional(moment->day) : std::nullopt;
}

// A stored time of day in minutes since midnight; seconds are cut off.
std::optional<std::int64_t> minuteOfDay(DateTime value)
{
    const auto moment = readMoment(value);
    return moment ? std::optional(moment->msecOfDay / kMsecsPerMinute) : std::nullopt;
}

std::optional<std::int64_t> dayNumber(int year, int month, int day)
{
    const auto date = tryEncodeDate(year, month, day);
    return date ? std::optional(static_cast<std::int64_t>(*date)) : std::nullopt;
}

int weekday(std::int64_t day)
{
    return dayOfWeek(static_cast<DateTime>(day));
}

// `minutes` (>= 0, possibly more than a day) after the start of `day`, built as
// a date plus a whole-minute time of day. Empty past 9999-12-31.
std::optional<DateTime> at(std::int64_t day, std::int64_t minutes)
{
    day += minutes / exact::kMinutesPerDay;
    if (day < kFirstDay || day > kLastDay)
        return std::nullopt;
    return combine(static_cast<DateTime>(day), fromMinuteNumber(minutes % exact::kMinutesPerDay));
}

// The first of kDaysToNextMatch days from `from` on that `accept` takes.
template <typename Predicate>
std::optional<std::int64_t> firstDay(std::int64_t from, Predicate accept)
{
    for (std::int64_t day = from; day < from + kDaysToNextMatch; ++day) {
        if (accept(day))
            return day;
    }
    return std::nullopt;
}

// The clock reading and the record's times, validated, in exact units.
struct Schedule
{
    std::int64_t today = 0;
    std::int64_t timeMsecs = 0; // the current time of day
    std::int64_t startMinute = 0;
    std::optional<std::int64_t> stopMinute; // only while StopEnabled
    bool startup = false;

    std::int64_t currentMinute() const { return timeMsecs / kMsecsPerMinute; }

    // A start time equal to the current time to the millisecond counts as
    // reached: an alarm rescheduled at exactly the start of its own firing
    // minute must move on, or it would wait for a minute that has gone.
    bool startReached() const { return timeMsecs >= startMinute * kMsecsPerMinute; }
    bool beforeStop() const { return !stopMinute || timeMsecs < *stopMinute * kMsecsPerMinute; }
    bool afterStop() const { return stopMinute && timeMsecs > *stopMinute * kMsecsPerMinute; }

    // The start time on `day` lies after now.
    bool ahead(std::int64_t day) const { return day > today || (day == today && !startReached()); }
    bool firesNowAtStartup(std::int64_t day) const
    {
        return startup && day == today && startReached() && beforeStop();
    }
    bool qualifies(std::int64_t day) const { return ahead(day) || firesNowAtStartup(day); }
};

std::optional<Schedule> readSchedule(const AlarmRecord& alarm, DateTime now, bool startupFlag)
{
    const auto clock = readMoment(now);
    const auto start = minuteOfDay(alarm.StartTime);
    if (!clock || !start)
        return std::nullopt;
    Schedule schedule{clock->day, clock->msecOfDay, *start, std::nullopt, startupFlag};
    if (alarm.StopEnabled) {
        schedule.stopMinute = minuteOfDay(alarm.StopTime);
        if (!schedule.stopMinute)
            return std::nullopt;
    }
    return schedule;
}

bool isWithin(std::int32_t value, std::int32_t low, std::int32_t high)
{
    return value >= low && value <= high;
}

bool hasUsableParameters(const AlarmRecord& alarm)
{
    switch (alarm.Rule) {
    case RuleOnce:
    case RuleDaily:
        return true;
    case RuleRecurs:
        return isWithin(alarm.RecursWhich, RecursEvery, RecursLast) &&
               isWithin(alarm.RecursDay, Sunday, RecursWeekend);
    case RuleEvery:
        return alarm.Count >= 1 && isWithin(alarm.EveryUnit, EveryMinutes, EveryHours) &&
               isWithin(alarm.EveryDays, Sunday, EveryWeekends);
    case RuleMonthly:
        return isWithin(alarm.Count, 1, 31);
    default:
        return false;
    }
}

// The day `pick` chooses in the current month when that day qualifies, else the
// one it chooses in the next month, which always lies ahead.
template <typename Pick>
std::optional<std::int64_t> thisOrNextMonth(const Schedule& schedule, Pick pick)
{
    const Date today = decodeDate(static_cast<DateTime>(schedule.today));
    if (const auto day = pick(today.year, today.month); day && schedule.qualifies(*day))
        return day;
    return today.month == 12 ? pick(today.year + 1, 1) : pick(today.year, today.month + 1);
}

// The n-th day of the month (RecursFirst .. RecursFourth) whose weekday is in
// the set, or the last such day for RecursLast. Every month has at least four
// days of any non-empty set.
std::optional<std::int64_t> matchInMonth(int year, int month, std::int32_t which, std::int32_t setCode)
{
    const auto first = dayNumber(year, month, 1);
    if (!first)
        return std::nullopt;
    std::optional<std::int64_t> match;
    int count = 0;
    for (std::int64_t day = *first; day < *first + daysInMonth(year, month); ++day) {
        if (!recursDayMatches(setCode, weekday(day)))
            continue;
        match = day;
        if (which != RecursLast && ++count == which - RecursFirst + 1)
            return match;
    }
    return which == RecursLast ? match : std::nullopt;
}

std::optional<std::int64_t> recursDay(const AlarmRecord& alarm, const Schedule& schedule)
{
    if (alarm.RecursWhich == RecursEvery) {
        return firstDay(schedule.today, [&](std::int64_t day) {
            return recursDayMatches(alarm.RecursDay, weekday(day)) && schedule.qualifies(day);
        });
    }
    return thisOrNextMonth(schedule, [&](int year, int month) {
        return matchInMonth(year, month, alarm.RecursWhich, alarm.RecursDay);
    });
}

std::optional<std::int64_t> monthlyDay(const AlarmRecord& alarm, const Schedule& schedule)
{
    return thisOrNextMonth(schedule, [&](int year, int month) {
        return dayNumber(year, month, std::min(static_cast<int>(alarm.Count), daysInMonth(year, month)));
    });
}

// The day of the next occurrence for the rules that fire at their start time.
std::optional<std::int64_t> candidateDay(const AlarmRecord& alarm, const Schedule& schedule)
{
    switch (alarm.Rule) {
    case RuleOnce:
        return dayNumber(alarm.OnceDate);
    case RuleRecurs:
        return recursDay(alarm, schedule);
    case RuleDaily:
        return schedule.qualifies(schedule.today) ? schedule.today : schedule.today + 1;
    case RuleMonthly:
        return monthlyDay(alarm, schedule);
    default:
        return std::nullopt;
    }
}

// A day that fires now at start-up fires in the current minute; any other at
// its start time.
std::optional<DateTime> startOn(const Schedule& schedule, std::int64_t day)
{
    return at(day, schedule.firesNowAtStartup(day) ? schedule.currentMinute() : schedule.startMinute);
}

// Every: the start time on the first day of the set, then steps from it; the
// start-up flag plays no part. The stop time is compared with the current time,
// not with the next step, so one step past the stop time still fires.
std::optional<DateTime> everyNext(const AlarmRecord& alarm, const Schedule& schedule)
{
    const auto inSet = [&](std::int64_t day) { return everyDayMatches(alarm.EveryDays, weekday(day)); };
    const auto firstInSet = firstDay(schedule.today, inSet);
    if (!firstInSet)
        return std::nullopt;
    if (!schedule.startReached() || *firstInSet > schedule.today)
        return at(*firstInSet, schedule.startMinute);

    // The first step strictly after now: the time since today's start, in
    // whole steps rounded down, plus one. Minutes since today's midnight; a
    // value past a day falls on a later date.
    const std::int64_t stepMinutes = alarm.Count * (alarm.EveryUnit == EveryHours ? kMinutesPerHour : 1);
    const std::int64_t steps =
        (schedule.timeMsecs - schedule.startMinute * kMsecsPerMinute) / (stepMinutes * kMsecsPerMinute) + 1;
    const std::int64_t dueMinute = schedule.startMinute + steps * stepMinutes;

    if (!inSet(schedule.today + dueMinute / exact::kMinutesPerDay) || schedule.afterStop()) {
        const auto day =
            firstDay(schedule.today, [&](std::int64_t d) { return inSet(d) && schedule.ahead(d); });
        return day ? at(*day, schedule.startMinute) : std::nullopt;
    }
    return at(schedule.today, dueMinute);
}

bool isWorkday(int dayOfWeek)
{
    return dayOfWeek >= Monday && dayOfWeek <= Friday;
}

bool isDayOfWeek(int value)
{
    return value >= Sunday && value <= Saturday;
}

} // namespace

bool recursDayMatches(int setCode, int dayOfWeek)
{
    if (!isDayOfWeek(dayOfWeek))
        return false;
    switch (setCode) {
    case RecursWeekday:
        return isWorkday(dayOfWeek);
    case RecursWeekend:
        return !isWorkday(dayOfWeek);
    default:
        return setCode == dayOfWeek; // a single day; any other code matches nothing
    }
}

bool everyDayMatches(int setCode, int dayOfWeek)
{
    if (!isDayOfWeek(dayOfWeek))
        return false;
    switch (setCode) {
    case EveryEveryday:
        return true;
    case EveryWeekdays:
        return isWorkday(dayOfWeek);
    case EveryWeekends:
        return !isWorkday(dayOfWeek);
    default:
        return setCode == dayOfWeek; // a single day; any other code matches nothing
    }
}

std::optional<DateTime> nextOccurrence(const AlarmRecord& alarm, DateTime now, bool startupFlag)
{
    if (!hasUsableParameters(alarm))
        return std::nullopt;
    const auto schedule = readSchedule(alarm, now, startupFlag);
    if (!schedule)
        return std::nullopt;
    if (alarm.Rule == RuleEvery)
        return everyNext(alarm, *schedule);
    const auto day = candidateDay(alarm, *schedule);
    return day ? startOn(*schedule, *day) : std::nullopt;
}

void computeNextDue(AlarmRecord& alarm, DateTime now, bool startupFlag)
{
    if (!alarm.isUsed())
        return;
    alarm.NextDue = nextOccurrence(alarm, now, startupFlag).value_or(kNeverDue);
}

std::optional<DateTime> stopMoment(const AlarmRecord& alarm)
{
    const auto due = dayNumber(alarm.NextDue);
    const auto start = minuteOfDay(alarm.StartTime);
    const auto stop = minuteOfDay(alarm.StopTime);
    if (!due || !start || !stop)
        return std::nullopt;
    return at(*due + (*stop < *start ? 1 : 0), *stop);
}

void computeStopDue(AlarmRecord& alarm)
{
    alarm.StopDue = stopMoment(alarm).value_or(kNeverDue);
}

} // namespace hv
