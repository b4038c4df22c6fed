// SPDX-License-Identifier: GPL-3.0-or-later
#include "Snooze.h"

#include "Recurrence.h"

#include <algorithm>
#include <cmath>

namespace hv {

DateTime snoozeUntil(DateTime now, int minutes)
{
    if (!std::isfinite(now) || std::fabs(now) >= static_cast<double>(kLastDay))
        return kNeverDue;
    const Time time = decodeTime(now);
    const std::int64_t minuteOfDay = std::int64_t{time.hour} * 60 + time.minute + std::clamp(minutes, 1, 59);
    // Whole days and the minute of the day apart: days before 1899-12-30 hold
    // their time of day with the opposite sign, so a plain sum would go back.
    const DateTime day = datePart(now) + static_cast<double>(minuteOfDay / exact::kMinutesPerDay);
    return combine(day, fromMinuteNumber(minuteOfDay % exact::kMinutesPerDay));
}

} // namespace hv
