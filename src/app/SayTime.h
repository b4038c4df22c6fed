// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace hv {

class Clock;

// `horavox --say-time`: asks the running clock to speak the time at once, or,
// when no clock runs, speaks it here with the user's voice settings and
// returns once it has been said. Returns 0, or 1 when there is no sound output
// to speak on (the reason goes to stderr at once).
int sayTime(int& argc, char** argv);

} // namespace hv
