// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

// The program's logging categories, declared in one place so that each name
// is spelt once; a user turns them on with QT_LOGGING_RULES, for
// example "horavox.sound.debug=true".
namespace hv {

// "horavox.hotkey": a combination that cannot be registered, once per problem.
Q_DECLARE_LOGGING_CATEGORY(lcHotKey)
// "horavox.alarms": what firing alarms do, the programs they start and those
// programs' windows.
Q_DECLARE_LOGGING_CATEGORY(lcAlarms)
// "horavox.sound": a missing audio output, sounds that cannot be played.
Q_DECLARE_LOGGING_CATEGORY(lcSound)
// "horavox.clock": which notices of clock changes the system gives.
Q_DECLARE_LOGGING_CATEGORY(lcClock)

} // namespace hv
