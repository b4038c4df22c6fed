// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QChar>
#include <QString>
#include <QtGlobal>

namespace hv {

class Clock;

// A reading of the timers' clock: Clock::elapsedMs(), which runs through
// midnight, clock changes and suspend. Both values are milliseconds on that
// clock.
struct TimerReading
{
    // The reading as taken.
    qint64 exactMs = 0;
    // The reading with the fraction of the current wall-clock second dropped:
    // the timers store their start and pause moments to whole seconds of the
    // time of day, and so show the same seconds as the clock face.
    qint64 wholeMs = 0;
};

TimerReading readTimerClock(const Clock& clock);

// Whole seconds as two-digit hours, minutes and seconds with the locale's
// time separator ("01:30:00"). Hours beyond 99 take more digits; a negative
// count shows as zero.
QString durationText(qint64 seconds, QChar timeSeparator);

} // namespace hv
