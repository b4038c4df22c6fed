#pragma once

#include <QLoggingCategory>

// The logging categories of the platform services, declared in one place so that
// each name is spelt once; a user turns them on with QT_LOGGING_RULES, for
// example "horavox.sound.debug=true".
namespace hv {

// "horavox.hotkey": a combination that cannot be registered, once per problem.
Q_DECLARE_LOGGING_CATEGORY(lcHotKey)
// "horavox.alarms": programs that alarms start, and their windows. Their
// failures are the alarms' and are never shown to the user.
Q_DECLARE_LOGGING_CATEGORY(lcLaunch)
// "horavox.sound": a missing audio output, sounds that cannot be played.
Q_DECLARE_LOGGING_CATEGORY(lcSound)

} // namespace hv
