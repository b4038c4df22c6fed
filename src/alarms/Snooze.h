// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/DateTime.h"

namespace hv {

// When a snoozed alarm fires again: the date and the hour and minute of `now`
// (its seconds dropped) plus `minutes`, carried into the following days past
// midnight. Always a whole minute. Minutes are held to the 1 to 59 that the
// message window offers: 0 would name the minute already checked. A `now`
// that is not a date, or a moment past the calendar's end, gives kNeverDue.
DateTime snoozeUntil(DateTime now, int minutes);

} // namespace hv
