// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Clock.h"

#include <cmath>

namespace hv {

// A clock that stands still until a test moves it. The advance calls move the
// local time and the elapsed reading together; set() is a change of the
// system time, which the elapsed reading does not see.
class FakeClock final : public Clock
{
public:
    explicit FakeClock(DateTime start = 0)
        : m_now(start)
    {}

    DateTime now() const override { return m_now; }
    qint64 elapsedMs() const override { return m_elapsedMs; }

    void set(DateTime moment) { m_now = moment; }
    void advanceSeconds(double seconds) { advance(seconds / kSecondsPerDay, seconds * 1000); }
    void advanceMinutes(double minutes) { advance(minutes / kMinutesPerDay, minutes * 60 * 1000); }
    void advanceDays(double days) { advance(days, days * kMsecsPerDay); }
    // The machine sleeps for `seconds` and wakes: no tick ran meanwhile, and
    // both readings have moved on when the next one comes. Here the same as
    // advanceSeconds(); its own name says what a test simulates.
    void suspend(double seconds) { advanceSeconds(seconds); }

private:
    // The day fraction as the callers compute it, so that a whole number of
    // days or minutes lands exactly where it did before the elapsed reading.
    void advance(double days, double ms)
    {
        m_now += days;
        m_elapsedMs += std::llround(ms);
    }

    DateTime m_now;
    qint64 m_elapsedMs = 0;
};

} // namespace hv
