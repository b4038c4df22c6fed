// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Clock.h"

namespace hv {

// A clock that stands still until a test moves it.
class FakeClock final : public Clock
{
public:
    explicit FakeClock(DateTime start = 0)
        : m_now(start)
    {}

    DateTime now() const override { return m_now; }
    void set(DateTime moment) { m_now = moment; }
    void advanceSeconds(double seconds) { m_now += seconds / kSecondsPerDay; }
    void advanceMinutes(double minutes) { m_now += minutes / kMinutesPerDay; }
    void advanceDays(double days) { m_now += days; }

private:
    DateTime m_now;
};

} // namespace hv
