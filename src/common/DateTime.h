// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>

#include <cstdint>
#include <optional>

namespace hv {

// The classic date-time: days since 1899-12-30 in the whole part, the time of
// day in the fraction, local time. A time of day alone has whole part 0; a date
// alone has fraction 0. Before 1899-12-30 the whole part counts back while the
// fraction still counts forward from midnight (-1.25 is 1899-12-29 06:00).
using DateTime = double;

// Fractions of a day on the date-time scale.
inline constexpr double kMinutesPerDay = 24 * 60;
inline constexpr double kSecondsPerDay = 24 * 60 * 60;
inline constexpr double kMsecsPerDay = 24 * 60 * 60 * 1000.0;

// The same counts for integer arithmetic on minute and millisecond numbers.
namespace exact {
inline constexpr std::int64_t kMinutesPerDay = 24 * 60;
inline constexpr std::int64_t kMsecsPerDay = kMinutesPerDay * 60 * 1000;
} // namespace exact
inline constexpr std::int64_t kMsecsPerMinute = 60 * 1000;

// The calendar a date-time may hold: the years 1..9999, as day numbers.
inline constexpr int kFirstYear = 1;
inline constexpr int kLastYear = 9999;
inline constexpr std::int64_t kFirstDay = -693593; // 0001-01-01
inline constexpr std::int64_t kLastDay = 2958465;  // 9999-12-31

struct Date
{
    int year = 0;
    int month = 0; // 1..12
    int day = 0;   // 1..31
    friend bool operator==(const Date&, const Date&) = default;
};

struct Time
{
    int hour = 0;
    int minute = 0;
    int second = 0;
    int msec = 0;
    friend bool operator==(const Time&, const Time&) = default;
};

enum DayOfWeek : int
{
    Sunday = 1,
    Monday,
    Tuesday,
    Wednesday,
    Thursday,
    Friday,
    Saturday
};

bool isLeapYear(int year);
int daysInMonth(int year, int month);

// Empty when the parts do not make a date from 1/1/1 to 12/31/9999.
std::optional<DateTime> tryEncodeDate(int year, int month, int day);
// Empty when the parts lie outside 0..23, 0..59, 0..59, 0..999.
std::optional<DateTime> tryEncodeTime(int hour, int minute, int second = 0, int msec = 0);

// Both decode to the nearest millisecond; a value a fraction of a millisecond
// short of midnight belongs to the next day. The value must be finite.
Date decodeDate(DateTime value);
Time decodeTime(DateTime value);

DateTime datePart(DateTime value);
DateTime timePart(DateTime value);

// 1 = Sunday .. 7 = Saturday.
int dayOfWeek(DateTime value);
// The following calendar day, as a date alone.
DateTime nextDay(DateTime value);
// Joins a date with a time of day into one value.
DateTime combine(DateTime date, DateTime timeOfDay);

// Whole minutes. Moments that are compared for equality (the minute stamp,
// NextDue, StopDue) are compared as minute numbers: a value counts as a whole
// minute when it lies within a millisecond of one.
std::optional<std::int64_t> wholeMinuteNumber(DateTime value);
DateTime fromMinuteNumber(std::int64_t minutes);
bool isWholeMinute(DateTime value);
bool sameMinute(DateTime a, DateTime b);
// The value cut to the start of its minute.
DateTime truncateToMinute(DateTime value);

QDateTime toQDateTime(DateTime value);
DateTime fromQDateTime(const QDateTime& moment);

} // namespace hv
