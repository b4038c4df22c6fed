// SPDX-License-Identifier: GPL-3.0-or-later
// Timing of the alarm check that the clock tick runs once a minute, over a
// full table of 50 alarms, with actions that do nothing: what is measured is
// the check's own work (both passes, rescheduling, closing gaps, the sort).
// Prints the median of several rounds; never fails on a figure.

#include "MedianTime.h"
#include "alarms/AlarmCheck.h"
#include "alarms/Recurrence.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace hv;

namespace {

// The tick reads the clock this long after the minute turns.
constexpr double kTickDelay = 400 / kMsecsPerDay;

class NullActions final : public AlarmActions
{
public:
    void playWave(const QString&) override {}
    void startProgram(const QString&, bool, std::function<void(LaunchedWindow)>) override {}
    void closeWindow(LaunchedWindow) override {}
    void runPagedeck(const QString&, bool) override {}
    void showMessage(AlarmId, const QString&, const QString&) override {}
    void showCdPlayer() override {}
    void alarmsChanged() override {}
};

DateTime clockTime(int hour, int minute)
{
    return tryEncodeTime(hour, minute).value();
}

// 50 active alarms of every rule and kind, a third with stop times, none set
// to delete itself (so that the table stays full however long the run).
AlarmTable mixedTable()
{
    AlarmTable table;
    for (int n = 1; n <= AlarmTable::kSlots; ++n) {
        const int i = n - 1;
        AlarmRecord& a = table.slot(n);
        a.Rule = i % 5 + 1;
        a.AlarmKind = i % 6;
        a.StartTime = clockTime((i * 7) % 24, (i * 13) % 60);
        a.Target = a.AlarmKind == KindCommand ? QStringLiteral(" PlayVoice On 15 min WaveFile Off After")
                                              : QStringLiteral("Alarm number %1").arg(n);
        a.WaveA = QStringLiteral("NONE");
        a.WaveB = QStringLiteral("NONE");
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

// 50 daily alarms of every kind, all due at `stamp` (9:00).
AlarmTable allDueTable(DateTime stamp)
{
    AlarmTable table;
    for (int n = 1; n <= AlarmTable::kSlots; ++n) {
        AlarmRecord& a = table.slot(n);
        a.Rule = RuleDaily;
        a.AlarmKind = (n - 1) % 6;
        a.StartTime = clockTime(9, 0);
        a.NextDue = stamp;
        a.Target = a.AlarmKind == KindCommand ? QStringLiteral(" PlayVoice On 15 min WaveFile Off After")
                                              : QStringLiteral("Alarm number %1").arg(n);
        a.WaveA = QStringLiteral("NONE");
        a.WaveB = QStringLiteral("NONE");
        a.Active = true;
    }
    return table;
}

void report(const char* what, double ns)
{
    std::printf("%-56s %9.0f ns per check\n", what, ns);
}

} // namespace

int main()
{
    NullActions actions;
    CdRequests cd;
    VoiceSettings voice{false, 5, false, {}, VoiceSettings::kWaveBeforeVoice};
    std::int32_t currentInterval = 5;
    // Tuesday 5 March 2024.
    const std::int64_t firstMinute =
        wholeMinuteNumber(combine(tryEncodeDate(2024, 3, 5).value(), clockTime(8, 30))).value();

    {
        AlarmTable table = mixedTable();
        AlarmCheck check(table, cd, voice, currentInterval, actions, QString());
        const DateTime stamp = fromMinuteNumber(firstMinute);
        check.run(stamp, stamp + kTickDelay, false); // the first check; whatever was due has moved on
        report("a minute with nothing due (50 alarms)",
               bench::medianNs([&] { check.run(stamp, stamp + kTickDelay, false); }));
    }
    {
        AlarmTable table = mixedTable();
        AlarmCheck check(table, cd, voice, currentInterval, actions, QString());
        std::int64_t minute = firstMinute;
        check.run(fromMinuteNumber(minute), fromMinuteNumber(minute) + kTickDelay, false);
        report("minute after minute, firing as due (50 alarms)", bench::medianNs([&] {
                   const DateTime stamp = fromMinuteNumber(++minute);
                   check.run(stamp, stamp + kTickDelay, false);
               }));
    }
    {
        const DateTime stamp = combine(tryEncodeDate(2024, 3, 5).value(), clockTime(9, 0));
        const AlarmTable due = allDueTable(stamp);
        AlarmTable table = due;
        AlarmCheck check(table, cd, voice, currentInterval, actions, QString());
        check.run(stamp, stamp + kTickDelay, false); // the first check, past which NextDue is trusted
        const double copyNs = bench::medianNs([&] { table = due; });
        const double checkNs = bench::medianNs([&] {
            table = due;
            check.run(stamp, stamp + kTickDelay, false);
        });
        report("all 50 alarms firing in one minute", checkNs - copyNs);
    }
    return 0;
}
