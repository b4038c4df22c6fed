#include "platform/Logging.h"

namespace hv {

Q_LOGGING_CATEGORY(lcHotKey, "horavox.hotkey")
Q_LOGGING_CATEGORY(lcLaunch, "horavox.alarms")
Q_LOGGING_CATEGORY(lcSound, "horavox.sound")

} // namespace hv
