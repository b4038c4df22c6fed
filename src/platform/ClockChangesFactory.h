#pragma once

#include "platform/ClockChanges.h"

#include <memory>

namespace hv {

// The answer where the system tells nothing of clock changes: clockChanged()
// never fires.
class UnavailableClockChanges final : public ClockChanges
{
    Q_OBJECT

public:
    explicit UnavailableClockChanges(QObject* parent = nullptr)
        : ClockChanges(parent)
    {}
};

// The clock-change service of this system: on Linux the kernel's notice of a
// set clock and logind's notice of a resume on the system bus, each given up
// quietly when it cannot be had; elsewhere UnavailableClockChanges.
std::unique_ptr<ClockChanges> createClockChanges();

} // namespace hv
