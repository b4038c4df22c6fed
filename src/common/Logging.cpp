// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Logging.h"

namespace hv {

Q_LOGGING_CATEGORY(lcHotKey, "horavox.hotkey")
Q_LOGGING_CATEGORY(lcAlarms, "horavox.alarms")
Q_LOGGING_CATEGORY(lcSound, "horavox.sound")
Q_LOGGING_CATEGORY(lcClock, "horavox.clock")

} // namespace hv
