#include "platform/ClockChangesFactory.h"

#ifdef HORAVOX_HAVE_LINUX_CLOCK_CHANGES
#include "platform/linux/LinuxClockChanges.h"
#endif

namespace hv {

std::unique_ptr<ClockChanges> createClockChanges()
{
#ifdef HORAVOX_HAVE_LINUX_CLOCK_CHANGES
    return std::make_unique<LinuxClockChanges>();
#else
    return std::make_unique<UnavailableClockChanges>();
#endif
}

} // namespace hv
