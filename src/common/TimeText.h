// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/DateTime.h"
#include "common/FormatSettings.h"

#include <QString>

namespace hv {

// The time as the clock shows and speaks it.
struct TimeText
{
    int hour = 0;   // as spoken: 1..12 when the short time format has AM/PM, else 0..23
    int minute = 0; // 0..59
    QString text;   // the time in the short time format
    // Today plus the time cut to the minute. It is computed, not read back from
    // the text, so that it is a whole minute whatever the locale's format.
    DateTime minuteStamp = 0;
};

TimeText makeTimeText(DateTime now, const FormatSettings& formats);

} // namespace hv
