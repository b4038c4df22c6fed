// SPDX-License-Identifier: GPL-3.0-or-later
// Timing of the alarm logic that runs for the whole table at once: the next
// occurrence of every alarm (the first alarm check after start, and the editor)
// and the description list (the editor's list, rebuilt after every check while
// it is open). Prints the median of several rounds per call; never fails on a
// figure.

#include "MedianTime.h"
#include "alarms/AlarmDescription.h"
#include "alarms/Recurrence.h"

#include <QLocale>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace hv;

namespace {

DateTime clockTime(int hour, int minute)
{
    return tryEncodeTime(hour, minute).value();
}

// 50 alarms with every rule and day set in turn, a third of them with stop
// times, all in use.
AlarmTable mixedTable()
{
    AlarmTable table;
    for (int n = 1; n <= AlarmTable::kSlots; ++n) {
        const int i = n - 1;
        AlarmRecord& a = table.slot(n);
        a.Rule = i % 5 + 1;
        a.AlarmKind = i % 6;
        a.StartTime = clockTime((i * 7) % 24, (i * 13) % 60);
        a.Target = QStringLiteral("Alarm number %1 with a message of some length").arg(n);
        a.OnceDate = tryEncodeDate(2024, 3, 1 + i % 28).value();
        a.RecursWhich = i % 6 + 1;
        a.RecursDay = i % 9 + 1;
        a.Count = a.Rule == RuleMonthly ? i % 31 + 1 : i % 59 + 1;
        a.EveryUnit = i % 2 + 1;
        a.EveryDays = i % 10 + 1;
        a.StopEnabled = i % 3 == 0;
        a.StopTime = clockTime((i * 5 + 3) % 24, (i * 11) % 60);
        a.Active = true;
    }
    table.sort();
    return table;
}

void report(const char* what, double passNs)
{
    std::printf("%-48s %9.2f us per 50 alarms  %8.1f ns per alarm\n", what, passNs / 1000.0,
                passNs / AlarmTable::kSlots);
}

} // namespace

int main()
{
    const AlarmTable table = mixedTable();
    const FormatSettings settings =
        FormatSettings::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    // Tuesday 5 March 2024, 8:30:20.
    const DateTime now = combine(tryEncodeDate(2024, 3, 5).value(), tryEncodeTime(8, 30, 20).value());

    volatile double dueSink = 0;
    volatile qsizetype textSink = 0;

    report("nextOccurrence, start-up flag off", bench::medianNs([&] {
               double sum = 0;
               for (int n = 1; n <= AlarmTable::kSlots; ++n)
                   sum += nextOccurrence(table.slot(n), now, false).value_or(0);
               dueSink = sum;
           }));
    AlarmTable copy = table; // the same moments are written again on every pass
    report("computeNextDue + computeStopDue, start-up flag on", bench::medianNs([&] {
               for (int n = 1; n <= AlarmTable::kSlots; ++n) {
                   computeNextDue(copy.slot(n), now, true);
                   computeStopDue(copy.slot(n));
               }
               dueSink = copy.slot(AlarmTable::kSlots).StopDue;
           }));
    report("describeAlarm", bench::medianNs([&] {
               qsizetype length = 0;
               for (int n = 1; n <= AlarmTable::kSlots; ++n)
                   length += describeAlarm(table.slot(n), settings).size();
               textSink = length;
           }));
    report("alarmDescriptionList",
           bench::medianNs([&] { textSink = alarmDescriptionList(table, settings).size(); }));
    return 0;
}
