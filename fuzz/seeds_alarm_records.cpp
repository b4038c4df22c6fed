// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the seed corpus of fuzz_alarm_records into the folder named by its
// argument: valid alarm files of every rule, the edges of the calendar and a
// few damaged records, so that the fuzzer starts from inputs that reach deep.

#include "FuzzInput.h"
#include "alarms/Recurrence.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <limits>

using namespace hv;

namespace {

std::int64_t day(int year, int month, int dayOfMonth)
{
    return static_cast<std::int64_t>(tryEncodeDate(year, month, dayOfMonth).value());
}

std::int64_t msecOfDay(int hour, int minute, int second = 0)
{
    return ((hour * 60LL + minute) * 60 + second) * 1000;
}

DateTime clockTime(int hour, int minute)
{
    return tryEncodeTime(hour, minute).value();
}

AlarmRecord alarm(AlarmRule rule, int hour, int minute, std::int32_t kind = KindMessage)
{
    AlarmRecord a;
    a.Rule = rule;
    a.AlarmKind = kind;
    a.StartTime = clockTime(hour, minute);
    a.Target = QStringLiteral("Wake up");
    a.WaveA = QStringLiteral("NONE");
    a.WaveB = QStringLiteral("NONE");
    a.Active = true;
    return a;
}

// One alarm of every rule and parameter kind, with stop times and start-up
// flags in between; 50 in all.
std::vector<AlarmRecord> mixedAlarms()
{
    std::vector<AlarmRecord> alarms;
    for (int i = 0; i < AlarmTable::kSlots; ++i) {
        AlarmRecord a = alarm(static_cast<AlarmRule>(i % 5 + 1), (i * 7) % 24, (i * 13) % 60, i % 6);
        a.OnceDate = static_cast<DateTime>(day(2024, 3, 1 + i % 28));
        a.RecursWhich = i % 6 + 1;
        a.RecursDay = i % 9 + 1;
        a.Count = a.Rule == RuleMonthly ? i % 31 + 1 : i % 59 + 1;
        a.EveryUnit = i % 2 + 1;
        a.EveryDays = i % 10 + 1;
        a.StopEnabled = i % 3 == 0;
        a.StopTime = clockTime((i * 5 + 3) % 24, (i * 11) % 60);
        a.AutoStart = i % 4 == 0;
        alarms.push_back(a);
    }
    return alarms;
}

std::vector<AlarmRecord> damagedAlarms()
{
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    AlarmRecord recurs = alarm(RuleRecurs, 7, 0);
    recurs.RecursWhich = 0;
    recurs.RecursDay = 10;
    AlarmRecord every = alarm(RuleEvery, 7, 0);
    every.Count = std::numeric_limits<std::int32_t>::max();
    every.EveryUnit = EveryHours;
    every.EveryDays = 11;
    AlarmRecord monthly = alarm(RuleMonthly, 7, 0);
    monthly.Count = -1;
    AlarmRecord once = alarm(RuleOnce, 7, 0);
    once.OnceDate = 1e300;
    once.StopEnabled = true;
    once.StopTime = kNaN;
    AlarmRecord rule = alarm(static_cast<AlarmRule>(99), 7, 0);
    rule.StartTime = -0.5;
    return {recurs, every, monthly, once, rule};
}

bool write(const QDir& dir, const char* name, const QByteArray& content)
{
    QFile file(dir.filePath(QString::fromLatin1(name)));
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: seeds_alarm_records FOLDER\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral(".")))
        return 1;

    const std::int64_t tuesday = day(2024, 3, 5);
    const std::int64_t morning = msecOfDay(8, 30, 20);
    AlarmRecord every = alarm(RuleEvery, 22, 0);
    every.Count = 5;
    every.EveryUnit = EveryHours;
    every.EveryDays = EveryEveryday;
    AlarmRecord monthly31 = alarm(RuleMonthly, 23, 59);
    monthly31.Count = 31;
    AlarmRecord lastSunday = alarm(RuleRecurs, 0, 0);
    lastSunday.RecursWhich = RecursLast;
    lastSunday.RecursDay = Sunday;

    const bool ok =
        write(dir, "mixed", fuzz::writeInput(tuesday, morning, 0, mixedAlarms())) &&
        write(dir, "mixed-tangled", fuzz::writeInput(tuesday, morning, 2, mixedAlarms())) &&
        write(dir, "damaged", fuzz::writeInput(tuesday, morning, 0, damagedAlarms())) &&
        write(dir, "partial", fuzz::writeInput(tuesday, morning, 1, {every}, QByteArray(100, '\x01'))) &&
        write(
            dir, "year-9999",
            fuzz::writeInput(day(9999, 12, 31), msecOfDay(23, 59, 59), 0, {every, monthly31, lastSunday})) &&
        write(dir, "year-1", fuzz::writeInput(day(1, 1, 1), 0, 0, {every, monthly31, lastSunday})) &&
        write(dir, "before-1900", fuzz::writeInput(day(1899, 12, 29), msecOfDay(6, 0), 0, mixedAlarms()));
    return ok ? 0 : 1;
}
