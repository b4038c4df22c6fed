// SPDX-License-Identifier: GPL-3.0-or-later
#include "TimeText.h"

#include "common/DateTimeFormat.h"

namespace hv {

TimeText makeTimeText(DateTime now, const FormatSettings& formats)
{
    const Time t = decodeTime(now);
    TimeText result;
    result.hour = t.hour;
    if (formats.uses12HourClock()) {
        result.hour = t.hour % 12;
        if (result.hour == 0)
            result.hour = 12;
    }
    result.minute = t.minute;
    result.text = formatDateTime(u"t", now, formats);
    result.minuteStamp = truncateToMinute(now);
    return result;
}

} // namespace hv
