// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/DateTime.h"

#include <QProcessEnvironment>

#include <memory>

namespace hv {

// The one source of the current local date and time. Logic never reads the
// system clock itself: it takes `now` from here, so that tests can drive it.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual DateTime now() const = 0;
    // Milliseconds on a clock that only runs forward and counts through
    // midnight, changes of the system time and suspend, from an unspecified
    // origin: only differences between two readings mean anything. The
    // timers measure their running time on it.
    virtual qint64 elapsedMs() const = 0;
};

// The system's local time.
class SystemClock final : public Clock
{
public:
    DateTime now() const override;
    // CLOCK_BOOTTIME where there is one, else the steadiest clock Qt knows.
    qint64 elapsedMs() const override;
};

// The system clock; or, when HORAVOX_TIME holds a local time written
// YYYY-MM-DDTHH:MM[:SS], a clock that starts at that moment and runs on from
// there, so that the whole program can be tested at a known time of day.
std::unique_ptr<Clock> createClock(const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());

} // namespace hv
