// SPDX-License-Identifier: GPL-3.0-or-later
#include "TimerClock.h"

#include "platform/Clock.h"

namespace hv {

TimerReading readTimerClock(const Clock& clock)
{
    const qint64 exact = clock.elapsedMs();
    return {exact, exact - decodeTime(clock.now()).msec};
}

QString durationText(qint64 seconds, QChar timeSeparator)
{
    seconds = std::max<qint64>(seconds, 0);
    const auto twoDigits = [](qint64 value) {
        return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
    };
    return twoDigits(seconds / 3600) + timeSeparator + twoDigits(seconds / 60 % 60) + timeSeparator +
           twoDigits(seconds % 60);
}

} // namespace hv
