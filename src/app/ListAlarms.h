// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/DataPaths.h"
#include "common/DateTime.h"
#include "common/FormatSettings.h"

#include <QTextStream>

namespace hv {

// `horavox --list-alarms`: one line per used slot of the alarm file, in slot
// order after the sort that loading does:
//   <slot> TAB <next occurrence> TAB <description>
// The next occurrence is what the first alarm check after a start at `now`
// would compute (with the start-up flag on for an alarm whose AutoStart is set
// while the "Auto Start" setting is on), as local time YYYY-MM-DDTHH:MM, or "-"
// when the record is damaged and no occurrence can be computed. Control
// characters in the description (a Target may hold line breaks or tabs) are
// shown as blanks, so that each alarm stays one line of three fields.
//
// Only reads: no file or folder is created or written, not even when the alarm
// or the settings file is missing (an empty table, the default settings).
// Returns 0, or 1 when the alarm file is damaged: the whole records before the
// damage are listed all the same and `err` says what is wrong.
int listAlarms(const DataPaths& paths, DateTime now, const FormatSettings& settings, QTextStream& out,
               QTextStream& err);

} // namespace hv
