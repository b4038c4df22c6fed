// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "timers/TimerClock.h"

#include <QChar>
#include <QString>

#include <optional>

namespace hv {

// The hourly rate as typed: an optional sign, digits and the locale's decimal
// separator (an exponent is allowed too); no currency sign, no digit
// grouping, blanks around it allowed. Empty when it is not such a number.
std::optional<double> readRate(const QString& text, QChar decimalSeparator);

// The amount a running time comes to at an hourly rate: the hours, plus the
// minutes and seconds weighed by the fixed factors 0.016667 and 0.0002777,
// times the rate. Shown as "$" (whatever the locale), the whole part without
// grouping, the decimal separator and two decimals rounded to the nearest
// hundredth; a negative amount as "-$1.50".
double moneyAmount(qint64 seconds, double rate);
QString moneyText(qint64 seconds, double rate, QChar decimalSeparator);

// The count-up's running time: start, pause, resume and the tick. Moments are
// readings of the timers' clock (see TimerReading).
class CountUpRun
{
public:
    bool isRunning() const { return m_running; }
    void start(const TimerReading& now);
    void pause(const TimerReading& now);

    // The running time as of now, whole seconds, kept as the figured time.
    qint64 tick(const TimerReading& now);
    // The running time as of the latest tick; 0 before the first.
    qint64 figuredSeconds() const { return m_figuredSeconds; }

private:
    bool m_running = false;
    qint64 m_startMs = 0; // whole-second readings
    qint64 m_pauseMs = 0;
    qint64 m_figuredSeconds = 0;
};

} // namespace hv
