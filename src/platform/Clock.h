#pragma once

#include "common/DateTime.h"

namespace hv {

// The one source of the current local date and time. Logic never reads the
// system clock itself: it takes `now` from here, so that tests can drive it.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual DateTime now() const = 0;
};

// The system's local time.
class SystemClock final : public Clock
{
public:
    DateTime now() const override;
};

} // namespace hv
