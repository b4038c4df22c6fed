// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "alarms/AlarmRecord.h"
#include "alarms/AlarmTable.h"
#include "common/DateTime.h"
#include "common/FormatSettings.h"

#include <QString>
#include <QStringList>

namespace hv {

// Characters, as QString counts them.
inline constexpr qsizetype kDescriptionTimeColumn = 10;
inline constexpr qsizetype kDescriptionHeadLength = 34;

// The line that lists an alarm: a head of exactly kDescriptionHeadLength
// characters, then the whole Target. The head is the start time in the short
// time format, padded or cut to kDescriptionTimeColumn characters, then the
// rule in words ("once on 4/2/96", "on 1st Monday", "every 15 min on Wday",
// "Daily", "22nd of every month"), padded with blanks or cut. The editor finds
// the alarm behind a clicked line by this text, so two alarms with the same
// start time, rule and Target give the same line.
//
// A damaged record gives a line all the same: a code outside its list (Rule,
// RecursWhich, RecursDay, EveryDays) contributes no word, a time or date that
// cannot be shown contributes no text, and the head keeps its length. A cut
// never splits a character that takes two UTF-16 units; the head is padded
// instead.
QString describeAlarm(const AlarmRecord& alarm, const FormatSettings& settings);

// One description per used slot, in slot order: line k belongs to the k-th
// used slot, which is slot k+1 while the used slots have no gaps between them.
QStringList alarmDescriptionList(const AlarmTable& table, const FormatSettings& settings);

// The text beside "Next:": the short date, a blank, the short time. Empty for
// kNeverDue, which stands for "no occurrence" rather than a moment in 1899,
// and for a value that is no date-time.
QString nextDueText(DateTime nextDue, const FormatSettings& settings);

// "Sunday" .. "Saturday" for the day of `date` (its time of day plays no
// part). Always these English words, as the alarm descriptions use them; empty
// for a value outside 1/1/0001 .. 12/31/9999.
QString dayName(DateTime date);

} // namespace hv
