// SPDX-License-Identifier: GPL-3.0-or-later
#include "DateTime.h"

#include <QDate>
#include <QTime>

#include <cmath>

namespace hv {

namespace {

// Julian day number of 1899-12-30, the zero of the date-time scale.
constexpr qint64 kJulianDayOfZero = 2415019;

struct Split
{
    std::int64_t days;
    std::int64_t msecOfDay; // 0 .. exact::kMsecsPerDay - 1
};

// Splits a value into whole days and milliseconds of the day, rounding to the
// nearest millisecond and carrying a rounded-up midnight into the next day.
Split split(DateTime value)
{
    const double whole = std::trunc(value);
    auto days = static_cast<std::int64_t>(whole);
    auto msec = static_cast<std::int64_t>(std::llround(std::fabs(value - whole) * kMsecsPerDay));
    if (msec >= exact::kMsecsPerDay) {
        msec -= exact::kMsecsPerDay;
        days += 1;
    }
    return {days, msec};
}

// The inverse of split: before day 0 the fraction is subtracted.
DateTime join(std::int64_t days, double fractionOfDay)
{
    const auto d = static_cast<double>(days);
    return days < 0 ? d - fractionOfDay : d + fractionOfDay;
}

} // namespace

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

std::optional<DateTime> tryEncodeDate(int year, int month, int day)
{
    if (year < kFirstYear || year > kLastYear || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(year, month))
        return std::nullopt;
    return static_cast<double>(QDate(year, month, day).toJulianDay() - kJulianDayOfZero);
}

std::optional<DateTime> tryEncodeTime(int hour, int minute, int second, int msec)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 ||
        msec > 999)
        return std::nullopt;
    return (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + msec) / kMsecsPerDay;
}

Date decodeDate(DateTime value)
{
    const QDate d = QDate::fromJulianDay(split(value).days + kJulianDayOfZero);
    return {d.year(), d.month(), d.day()};
}

Time decodeTime(DateTime value)
{
    const std::int64_t ms = split(value).msecOfDay;
    return {static_cast<int>(ms / 3'600'000), static_cast<int>(ms / 60'000 % 60),
            static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000)};
}

DateTime datePart(DateTime value)
{
    return static_cast<double>(split(value).days);
}

DateTime timePart(DateTime value)
{
    return static_cast<double>(split(value).msecOfDay) / kMsecsPerDay;
}

int dayOfWeek(DateTime value)
{
    // Day 0, 1899-12-30, was a Saturday.
    const std::int64_t days = split(value).days;
    return static_cast<int>(((days % 7) + 7 + 6) % 7) + 1;
}

DateTime nextDay(DateTime value)
{
    return datePart(value) + 1;
}

DateTime combine(DateTime date, DateTime timeOfDay)
{
    return join(split(date).days, timeOfDay);
}

std::optional<std::int64_t> wholeMinuteNumber(DateTime value)
{
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6) // well beyond the calendar's first and last day
        return std::nullopt;
    const double msec = value * kMsecsPerDay;
    const double minutes = std::round(msec / kMsecsPerMinute);
    if (std::fabs(msec - minutes * kMsecsPerMinute) > 1.0)
        return std::nullopt;
    return static_cast<std::int64_t>(minutes);
}

DateTime fromMinuteNumber(std::int64_t minutes)
{
    // Dividing once keeps the value the nearest double to the exact moment.
    return static_cast<double>(minutes) / kMinutesPerDay;
}

bool isWholeMinute(DateTime value)
{
    return wholeMinuteNumber(value).has_value();
}

bool sameMinute(DateTime a, DateTime b)
{
    const auto ma = wholeMinuteNumber(a);
    return ma && ma == wholeMinuteNumber(b);
}

DateTime truncateToMinute(DateTime value)
{
    const Split s = split(value);
    return join(s.days, static_cast<double>(s.msecOfDay / kMsecsPerMinute) / kMinutesPerDay);
}

QDateTime toQDateTime(DateTime value)
{
    const Date d = decodeDate(value);
    const Time t = decodeTime(value);
    return QDateTime(QDate(d.year, d.month, d.day), QTime(t.hour, t.minute, t.second, t.msec));
}

DateTime fromQDateTime(const QDateTime& moment)
{
    const QDate d = moment.date();
    const QTime t = moment.time();
    // Before day 0 the time of day is subtracted, as everywhere on this scale.
    return join(d.toJulianDay() - kJulianDayOfZero, t.msecsSinceStartOfDay() / kMsecsPerDay);
}

} // namespace hv
