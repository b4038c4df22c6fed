// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary bytes read as an alarm file, then everything the
// program derives from the records: the sort, the next occurrence with and
// without the start-up flag, the stop moment, the descriptions and the texts
// beside them. It must never crash, hang or break the invariants checked below.
//
// Input: byte 0 picks how `now` is read and which regional settings are used;
// bytes 1..8 give `now`; the rest is the alarm file, 384 bytes a record.

#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "alarms/AlarmDescription.h"
#include "alarms/AlarmTable.h"
#include "alarms/Recurrence.h"

#include <QLocale>

using namespace hv;
using hv::fuzz::require;

namespace {

// Regional settings that stress the descriptions: formats that name each other,
// literal text and long expansions that overflow the fixed columns.
FormatSettings tangledSettings()
{
    FormatSettings s = FormatSettings::fromLocale(QLocale(QLocale::German, QLocale::Germany));
    s.shortTimeFormat = QStringLiteral("t tt c 'h\U0001F514' hh:nn:ss:zzz ampm a/p");
    s.longTimeFormat = QStringLiteral("tt t");
    s.shortDateFormat = QStringLiteral("ddddd dddddd c '");
    s.longDateFormat = QStringLiteral("dddddd ddddd dddd, mmmm d, yyyy");
    return s;
}

const FormatSettings& settingsFor(std::uint8_t selector)
{
    static const FormatSettings settings[] = {
        FormatSettings::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates)),
        FormatSettings::fromLocale(QLocale(QLocale::Japanese, QLocale::Japan)),
        tangledSettings(),
    };
    return settings[selector % std::size(settings)];
}

void checkOccurrence(const AlarmRecord& alarm, DateTime now, bool startup)
{
    const auto next = nextOccurrence(alarm, now, startup);
    if (!next)
        return;
    require(isWholeMinute(*next), "the next occurrence is a whole minute");
    if (alarm.Rule == RuleOnce)
        return; // a Once alarm keeps its date, however long past
    const auto due = fuzz::moment(*next);
    const auto current = fuzz::moment(now);
    require(due && current, "the next occurrence is a valid date-time");
    if (startup)
        require(*due > *current - kMsecsPerMinute, "not before the current minute");
    else
        require(*due > *current, "after now");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzz::Input input = fuzz::readInput(data, size);
    const FormatSettings& settings = settingsFor(input.settingsSelector);

    for (int n = 1; n <= AlarmTable::kSlots; ++n) {
        AlarmRecord alarm = input.table.slot(n);
        if (!alarm.isUsed())
            continue;
        checkOccurrence(alarm, input.now, false);
        checkOccurrence(alarm, input.now, true);

        computeNextDue(alarm, input.now, alarm.AutoStart);
        computeStopDue(alarm);
        require(isWholeMinute(alarm.NextDue), "NextDue is a whole minute");
        require(isWholeMinute(alarm.StopDue), "StopDue is a whole minute");

        const QString text = describeAlarm(alarm, settings);
        require(text.size() == kDescriptionHeadLength + alarm.Target.text().size(),
                "the head is 34 characters");
        require(text.mid(kDescriptionHeadLength) == alarm.Target.text(), "the Target follows the head whole");
        (void)nextDueText(alarm.NextDue, settings);
        (void)nextDueText(alarm.StopDue, settings);
        (void)dayName(alarm.OnceDate);
    }
    const QStringList lines = alarmDescriptionList(input.table, settings);
    require(lines.size() == input.table.usedCount(), "one description per used slot");
    return 0;
}
