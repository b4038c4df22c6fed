// SPDX-License-Identifier: GPL-3.0-or-later
#include "alarms/Recurrence.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <ranges>

using namespace hv;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(hv::AlarmRecord)

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

DateTime date(int year, int month, int day)
{
    return tryEncodeDate(year, month, day).value();
}

DateTime clockTime(int hour, int minute, int second = 0, int msec = 0)
{
    return tryEncodeTime(hour, minute, second, msec).value();
}

DateTime moment(int year, int month, int day, int hour, int minute, int second = 0, int msec = 0)
{
    return combine(date(year, month, day), clockTime(hour, minute, second, msec));
}

AlarmRecord alarm(AlarmRule rule, int hour, int minute)
{
    AlarmRecord a;
    a.Rule = rule;
    a.StartTime = clockTime(hour, minute);
    a.Active = true;
    return a;
}

AlarmRecord once(DateTime onceDate, int hour, int minute)
{
    AlarmRecord a = alarm(RuleOnce, hour, minute);
    a.OnceDate = onceDate;
    return a;
}

AlarmRecord recurs(RecursOrdinal which, int daySet, int hour, int minute)
{
    AlarmRecord a = alarm(RuleRecurs, hour, minute);
    a.RecursWhich = which;
    a.RecursDay = daySet;
    return a;
}

AlarmRecord every(int count, EveryStepUnit unit, int daySet, int hour, int minute)
{
    AlarmRecord a = alarm(RuleEvery, hour, minute);
    a.Count = count;
    a.EveryUnit = unit;
    a.EveryDays = daySet;
    return a;
}

AlarmRecord daily(int hour, int minute)
{
    return alarm(RuleDaily, hour, minute);
}

AlarmRecord monthly(int dayOfMonth, int hour, int minute)
{
    AlarmRecord a = alarm(RuleMonthly, hour, minute);
    a.Count = dayOfMonth;
    return a;
}

AlarmRecord withStop(AlarmRecord a, int hour, int minute)
{
    a.StopEnabled = true;
    a.StopTime = clockTime(hour, minute);
    return a;
}

template <typename Change>
AlarmRecord changed(AlarmRecord a, Change change)
{
    change(a);
    return a;
}

// Exact milliseconds since 1899-12-30 of a value on or after that day.
std::int64_t msecs(DateTime value)
{
    return std::llround(value * kMsecsPerDay);
}

QString show(DateTime value)
{
    return toQDateTime(value).toString(Qt::ISODateWithMs);
}

QString showTime(DateTime value)
{
    return toQDateTime(value).time().toString(u"HH:mm:ss.zzz"_s);
}

} // namespace

class TestRecurrence : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void daySets_data();
    void daySets();
    void nextOccurrence_data();
    void nextOccurrence();
    void damagedRecordNeverFires_data();
    void damagedRecordNeverFires();
    void computeNextDue_data();
    void computeNextDue();
    void stopMoment_data();
    void stopMoment();
    void generatedAlarmsKeepTheirRules();
};

// Recurs has no set of all seven days.
constexpr int kNoRecursSet = -1;

void TestRecurrence::daySets_data()
{
    QTest::addColumn<int>("recursCode");
    QTest::addColumn<int>("everyCode");
    QTest::addColumn<QList<int>>("days");
    QTest::newRow("Sunday") << int(Sunday) << int(Sunday) << QList<int>{Sunday};
    QTest::newRow("Saturday") << int(Saturday) << int(Saturday) << QList<int>{Saturday};
    QTest::newRow("weekdays") << int(RecursWeekday) << int(EveryWeekdays)
                              << QList<int>{Monday, Tuesday, Wednesday, Thursday, Friday};
    QTest::newRow("weekend") << int(RecursWeekend) << int(EveryWeekends) << QList<int>{Sunday, Saturday};
    QTest::newRow("everyday, Every only")
        << kNoRecursSet << int(EveryEveryday)
        << QList<int>{Sunday, Monday, Tuesday, Wednesday, Thursday, Friday, Saturday};
    QTest::newRow("code 0 is empty") << 0 << 0 << QList<int>{};
    QTest::newRow("codes past the table are empty") << 10 << 11 << QList<int>{};
}

void TestRecurrence::daySets()
{
    QFETCH(int, recursCode);
    QFETCH(int, everyCode);
    QFETCH(QList<int>, days);
    for (int day = 0; day <= 8; ++day) {
        const bool expected = days.contains(day);
        if (recursCode != kNoRecursSet)
            QVERIFY2(recursDayMatches(recursCode, day) == expected, qPrintable(u"Recurs, day %1"_s.arg(day)));
        QVERIFY2(everyDayMatches(everyCode, day) == expected, qPrintable(u"Every, day %1"_s.arg(day)));
    }
}

void TestRecurrence::nextOccurrence_data()
{
    QTest::addColumn<AlarmRecord>("record");
    QTest::addColumn<DateTime>("now");
    QTest::addColumn<bool>("startup");
    QTest::addColumn<DateTime>("expected");

    // 2024-05-06 is a Monday; 2024-05-10 a Friday.
    const DateTime may6 = date(2024, 5, 6);
    QTest::newRow("once, day passed: that day at the start")
        << once(date(2024, 5, 1), 7, 0) << moment(2024, 5, 6, 12, 0) << false << moment(2024, 5, 1, 7, 0);
    QTest::newRow("once today, started after it: fires now")
        << once(may6, 7, 0) << moment(2024, 5, 6, 7, 20, 30, 250) << true << moment(2024, 5, 6, 7, 20);
    QTest::newRow("once today, started past its stop: does not fire")
        << withStop(once(may6, 7, 0), 7, 10) << moment(2024, 5, 6, 7, 20, 30) << true
        << moment(2024, 5, 6, 7, 0);
    QTest::newRow("once today, started after it without start-up flag")
        << once(may6, 7, 0) << moment(2024, 5, 6, 7, 20, 30) << false << moment(2024, 5, 6, 7, 0);
    QTest::newRow("started exactly at the start time: fires now")
        << recurs(RecursEvery, Monday, 7, 0) << moment(2024, 5, 6, 7, 0) << true << moment(2024, 5, 6, 7, 0);

    QTest::newRow("daily, before the start: today")
        << daily(7, 0) << moment(2024, 5, 6, 6, 59) << false << moment(2024, 5, 6, 7, 0);
    QTest::newRow("daily, seconds after firing: tomorrow")
        << daily(7, 0) << moment(2024, 5, 6, 7, 0, 5) << false << moment(2024, 5, 7, 7, 0);
    QTest::newRow("daily, exactly at the start: tomorrow")
        << daily(7, 0) << moment(2024, 5, 6, 7, 0) << false << moment(2024, 5, 7, 7, 0);
    QTest::newRow("daily, started after it: fires now")
        << daily(7, 0) << moment(2024, 5, 6, 7, 20, 30) << true << moment(2024, 5, 6, 7, 20);
    QTest::newRow("daily, new year's eve: 1 January")
        << daily(7, 0) << moment(2024, 12, 31, 8, 0) << false << moment(2025, 1, 1, 7, 0);
    QTest::newRow("daily, before 1899: next day at its time")
        << daily(7, 0) << moment(1850, 6, 1, 8, 0) << false << moment(1850, 6, 2, 7, 0);

    QTest::newRow("every Monday, on one after the start: next Monday")
        << recurs(RecursEvery, Monday, 7, 0) << moment(2024, 5, 6, 8, 0) << false
        << moment(2024, 5, 13, 7, 0);
    QTest::newRow("every Monday, on one before the start: today")
        << recurs(RecursEvery, Monday, 7, 0) << moment(2024, 5, 6, 6, 0) << false << moment(2024, 5, 6, 7, 0);
    QTest::newRow("every weekday, Friday after the start: Monday")
        << recurs(RecursEvery, RecursWeekday, 7, 0) << moment(2024, 5, 10, 8, 0) << false
        << moment(2024, 5, 13, 7, 0);
    QTest::newRow("1st Friday, on it after the start: next month's")
        << recurs(RecursFirst, Friday, 7, 0) << moment(2024, 5, 3, 8, 0) << false << moment(2024, 6, 7, 7, 0);
    QTest::newRow("last Sunday of a five-Sunday month: the fifth")
        << recurs(RecursLast, Sunday, 7, 0) << moment(2024, 3, 1, 8, 0) << false << moment(2024, 3, 31, 7, 0);
    QTest::newRow("last Sunday, on it after the start: next month's")
        << recurs(RecursLast, Sunday, 7, 0) << moment(2024, 3, 31, 8, 0) << false
        << moment(2024, 4, 28, 7, 0);
    QTest::newRow("4th Tuesday of a five-Tuesday month: the fourth")
        << recurs(RecursFourth, Tuesday, 7, 0) << moment(2024, 4, 1, 8, 0) << false
        << moment(2024, 4, 23, 7, 0);
    QTest::newRow("4th Tuesday, on it after the start: never the fifth")
        << recurs(RecursFourth, Tuesday, 7, 0) << moment(2024, 4, 23, 8, 0) << false
        << moment(2024, 5, 28, 7, 0);
    QTest::newRow("2nd weekday counts working days")
        << recurs(RecursSecond, RecursWeekday, 7, 0) << moment(2024, 6, 1, 8, 0) << false
        << moment(2024, 6, 4, 7, 0);
    QTest::newRow("last weekend day, December passed: January's")
        << recurs(RecursLast, RecursWeekend, 7, 0) << moment(2024, 12, 31, 8, 0) << false
        << moment(2025, 1, 26, 7, 0);

    const AlarmRecord quarterHours = every(15, EveryMinutes, EveryWeekdays, 9, 0);
    QTest::newRow("every 15 min, between steps: the next step")
        << quarterHours << moment(2024, 5, 7, 9, 31, 10) << false << moment(2024, 5, 7, 9, 45);
    QTest::newRow("every 15 min, before the start: today's start")
        << quarterHours << moment(2024, 5, 7, 8, 0) << false << moment(2024, 5, 7, 9, 0);
    QTest::newRow("every 15 min on weekdays, Saturday: Monday's start")
        << quarterHours << moment(2024, 5, 11, 10, 0) << false << moment(2024, 5, 13, 9, 0);
    QTest::newRow("every 15 min, exactly on a step: the next step")
        << quarterHours << moment(2024, 5, 7, 9, 30) << false << moment(2024, 5, 7, 9, 45);
    QTest::newRow("every 15 min ignores the start-up flag")
        << quarterHours << moment(2024, 5, 7, 9, 31, 10) << true << moment(2024, 5, 7, 9, 45);
    QTest::newRow("every 5 hours from 22:00: 3:00 next morning")
        << every(5, EveryHours, EveryEveryday, 22, 0) << moment(2024, 5, 10, 22, 0, 5) << false
        << moment(2024, 5, 11, 3, 0);
    QTest::newRow("every 5 hours on Fridays, step on Saturday: next Friday")
        << every(5, EveryHours, Friday, 22, 0) << moment(2024, 5, 10, 22, 0, 5) << false
        << moment(2024, 5, 17, 22, 0);
    QTest::newRow("every 30 min, past the stop: next day of the set")
        << withStop(every(30, EveryMinutes, EveryWeekdays, 9, 0), 12, 0) << moment(2024, 5, 10, 12, 10)
        << false << moment(2024, 5, 13, 9, 0);
    QTest::newRow("every hour, stop between steps: one step more")
        << withStop(every(1, EveryHours, EveryEveryday, 9, 0), 12, 30) << moment(2024, 5, 10, 12, 0, 5)
        << false << moment(2024, 5, 10, 13, 0);
    QTest::newRow("every 7 min from midnight: exactly 23:55")
        << every(7, EveryMinutes, EveryEveryday, 0, 0) << moment(2024, 5, 10, 23, 50, 30) << false
        << moment(2024, 5, 10, 23, 55);
    QTest::newRow("every 7 min, past the day's last step: 0:02 next day")
        << every(7, EveryMinutes, EveryEveryday, 0, 0) << moment(2024, 5, 10, 23, 55, 10) << false
        << moment(2024, 5, 11, 0, 2);

    QTest::newRow("monthly 31st on 10 April: 30 April")
        << monthly(31, 7, 0) << moment(2024, 4, 10, 8, 0) << false << moment(2024, 4, 30, 7, 0);
    QTest::newRow("monthly 31st on 30 April after the start: 31 May")
        << monthly(31, 7, 0) << moment(2024, 4, 30, 8, 0) << false << moment(2024, 5, 31, 7, 0);
    QTest::newRow("monthly 30th, February 2023: the 28th")
        << monthly(30, 7, 0) << moment(2023, 2, 10, 8, 0) << false << moment(2023, 2, 28, 7, 0);
    QTest::newRow("monthly 30th, February 2024: the 29th")
        << monthly(30, 7, 0) << moment(2024, 2, 10, 8, 0) << false << moment(2024, 2, 29, 7, 0);
    QTest::newRow("monthly 15th on 15 December after the start: January")
        << monthly(15, 7, 0) << moment(2024, 12, 15, 8, 0) << false << moment(2025, 1, 15, 7, 0);
    QTest::newRow("monthly 5th, this month's passed: next month's")
        << monthly(5, 7, 0) << moment(2024, 5, 10, 8, 0) << false << moment(2024, 6, 5, 7, 0);

    QTest::newRow("start time with a date part: its time of day")
        << changed(daily(0, 0), [](AlarmRecord& a) { a.StartTime = moment(2020, 1, 1, 7, 0); })
        << moment(2024, 5, 6, 6, 0) << false << moment(2024, 5, 6, 7, 0);
    QTest::newRow("start time with seconds: cut to its minute")
        << changed(daily(0, 0), [](AlarmRecord& a) { a.StartTime = clockTime(7, 0, 30); })
        << moment(2024, 5, 6, 6, 0) << false << moment(2024, 5, 6, 7, 0);
    QTest::newRow("stop time unused while disabled")
        << changed(daily(7, 0), [](AlarmRecord& a) { a.StopTime = kNaN; }) << moment(2024, 5, 6, 6, 0)
        << false << moment(2024, 5, 6, 7, 0);
}

void TestRecurrence::nextOccurrence()
{
    QFETCH(AlarmRecord, record);
    QFETCH(DateTime, now);
    QFETCH(bool, startup);
    QFETCH(DateTime, expected);
    const auto result = hv::nextOccurrence(record, now, startup);
    QVERIFY(result);
    QCOMPARE(show(*result), show(expected));
    QVERIFY(isWholeMinute(*result));
}

void TestRecurrence::damagedRecordNeverFires_data()
{
    QTest::addColumn<AlarmRecord>("record");
    QTest::addColumn<DateTime>("now");

    const DateTime now = moment(2024, 5, 6, 8, 0);
    const auto damaged = [&](const char* name, const AlarmRecord& valid, auto change) {
        QTest::newRow(name) << changed(valid, change) << now;
    };
    const AlarmRecord recursing = recurs(RecursEvery, Monday, 9, 0);
    const AlarmRecord stepping = every(15, EveryMinutes, EveryEveryday, 9, 0);
    damaged("empty slot", daily(9, 0), [](AlarmRecord& a) { a.Rule = RuleEmpty; });
    damaged("rule 6", daily(9, 0), [](AlarmRecord& a) { a.Rule = 6; });
    damaged("rule -1", daily(9, 0), [](AlarmRecord& a) { a.Rule = -1; });
    damaged("RecursWhich 0", recursing, [](AlarmRecord& a) { a.RecursWhich = 0; });
    damaged("RecursWhich 7", recursing, [](AlarmRecord& a) { a.RecursWhich = 7; });
    damaged("RecursDay 0", recursing, [](AlarmRecord& a) { a.RecursDay = 0; });
    damaged("RecursDay 10", recursing, [](AlarmRecord& a) { a.RecursDay = 10; });
    damaged("Every, Count 0", stepping, [](AlarmRecord& a) { a.Count = 0; });
    damaged("Every, Count -15", stepping, [](AlarmRecord& a) { a.Count = -15; });
    damaged("EveryUnit 0", stepping, [](AlarmRecord& a) { a.EveryUnit = 0; });
    damaged("EveryUnit 3", stepping, [](AlarmRecord& a) { a.EveryUnit = 3; });
    damaged("EveryDays 0", stepping, [](AlarmRecord& a) { a.EveryDays = 0; });
    damaged("EveryDays 11", stepping, [](AlarmRecord& a) { a.EveryDays = 11; });
    damaged("Monthly, Count 0", monthly(1, 9, 0), [](AlarmRecord& a) { a.Count = 0; });
    damaged("Monthly, Count 32", monthly(1, 9, 0), [](AlarmRecord& a) { a.Count = 32; });
    damaged("start time NaN", daily(9, 0), [](AlarmRecord& a) { a.StartTime = kNaN; });
    damaged("start time infinite", daily(9, 0), [](AlarmRecord& a) { a.StartTime = kInfinity; });
    damaged("start time far out of range", daily(9, 0), [](AlarmRecord& a) { a.StartTime = 1e300; });
    damaged("stop time NaN while enabled", daily(9, 0), [](AlarmRecord& a) {
        a.StopEnabled = true;
        a.StopTime = kNaN;
    });
    damaged("once date NaN", once(0, 9, 0), [](AlarmRecord& a) { a.OnceDate = kNaN; });
    damaged("once date past 9999", once(0, 9, 0), [](AlarmRecord& a) { a.OnceDate = 3.0e6; });
    damaged("every step runs past 9999", every(15, EveryMinutes, EveryEveryday, 7, 0), [](AlarmRecord& a) {
        a.Count = std::numeric_limits<std::int32_t>::max();
        a.EveryUnit = EveryHours;
    });

    QTest::newRow("now NaN") << daily(9, 0) << kNaN;
    QTest::newRow("now infinite") << daily(9, 0) << -kInfinity;
    QTest::newRow("now before the year 1") << daily(9, 0) << -693594.5;
    // A stop time keeps these from firing now at start-up.
    QTest::newRow("daily, last day of 9999 past the stop")
        << withStop(daily(9, 0), 9, 30) << moment(9999, 12, 31, 10, 0);
    QTest::newRow("monthly, December 9999 after the day") << monthly(5, 9, 0) << moment(9999, 12, 6, 10, 0);
}

void TestRecurrence::damagedRecordNeverFires()
{
    QFETCH(AlarmRecord, record);
    QFETCH(DateTime, now);
    for (const bool startup : {false, true}) {
        const auto result = hv::nextOccurrence(record, now, startup);
        QVERIFY2(!result, qPrintable(u"due %1"_s.arg(show(result.value_or(0)))));
    }
}

void TestRecurrence::computeNextDue_data()
{
    QTest::addColumn<AlarmRecord>("record");
    QTest::addColumn<DateTime>("expected");
    QTest::newRow("writes the next occurrence") << daily(9, 0) << moment(2024, 5, 6, 9, 0);
    QTest::newRow("empty slot keeps its value")
        << changed(AlarmRecord{}, [](AlarmRecord& a) { a.NextDue = 123.5; }) << 123.5;
    QTest::newRow("damaged record is never due")
        << changed(monthly(40, 9, 0), [](AlarmRecord& a) { a.NextDue = moment(2024, 5, 6, 9, 0); })
        << kNeverDue;
}

void TestRecurrence::computeNextDue()
{
    QFETCH(AlarmRecord, record);
    QFETCH(DateTime, expected);
    hv::computeNextDue(record, moment(2024, 5, 6, 8, 0), false);
    QCOMPARE(record.NextDue, expected);
}

void TestRecurrence::stopMoment_data()
{
    QTest::addColumn<AlarmRecord>("record");
    QTest::addColumn<DateTime>("expected");

    const auto firing = [](DateTime nextDue, int startHour, int stopHour) {
        AlarmRecord a = withStop(daily(startHour, 0), stopHour, 0);
        a.NextDue = nextDue;
        return a;
    };
    QTest::newRow("22:00-02:00 on 3 May: 4 May")
        << firing(moment(2024, 5, 3, 22, 0), 22, 2) << moment(2024, 5, 4, 2, 0);
    QTest::newRow("09:00-17:00 on 3 May: same day")
        << firing(moment(2024, 5, 3, 9, 0), 9, 17) << moment(2024, 5, 3, 17, 0);
    QTest::newRow("computed while the stop is disabled")
        << changed(firing(moment(2024, 5, 3, 9, 0), 9, 17), [](AlarmRecord& a) { a.StopEnabled = false; })
        << moment(2024, 5, 3, 17, 0);
    QTest::newRow("stop equal to start: that moment")
        << firing(moment(2024, 5, 3, 9, 0), 9, 9) << moment(2024, 5, 3, 9, 0);
    QTest::newRow("past midnight before 1899")
        << firing(moment(1850, 6, 1, 22, 0), 22, 2) << moment(1850, 6, 2, 2, 0);
    QTest::newRow("past the last day of 9999: never")
        << firing(moment(9999, 12, 31, 22, 0), 22, 2) << kNeverDue;
    QTest::newRow("NextDue NaN: never") << firing(kNaN, 9, 17) << kNeverDue;
    QTest::newRow("stop time NaN: never")
        << changed(firing(moment(2024, 5, 3, 9, 0), 9, 17), [](AlarmRecord& a) { a.StopTime = kNaN; })
        << kNeverDue;
}

void TestRecurrence::stopMoment()
{
    QFETCH(AlarmRecord, record);
    QFETCH(DateTime, expected);
    computeStopDue(record);
    QCOMPARE(show(record.StopDue), show(expected));
    QVERIFY(isWholeMinute(record.StopDue));
}

namespace {

int pick(std::mt19937& rng, int low, int high)
{
    return std::uniform_int_distribution(low, high)(rng);
}

AlarmRecord randomAlarm(std::mt19937& rng, std::int64_t today)
{
    AlarmRecord a = alarm(AlarmRule(pick(rng, RuleOnce, RuleMonthly)), 0, 0);
    a.StartTime = fromMinuteNumber(pick(rng, 0, 24 * 60 - 1));
    if (pick(rng, 0, 1) == 1) {
        a.StopEnabled = true;
        a.StopTime = fromMinuteNumber(pick(rng, 0, 24 * 60 - 1));
    }
    a.OnceDate = static_cast<DateTime>(today + pick(rng, -2, 2));
    a.RecursWhich = pick(rng, RecursEvery, RecursLast);
    a.RecursDay = pick(rng, Sunday, RecursWeekend);
    a.EveryUnit = pick(rng, EveryMinutes, EveryHours);
    a.EveryDays = pick(rng, Sunday, EveryWeekends);
    a.Count = a.Rule == RuleMonthly ? pick(rng, 1, 31) : pick(rng, 1, a.EveryUnit == EveryHours ? 23 : 59);
    return a;
}

// Often exactly at the start time or another whole minute, where comparisons tie.
DateTime randomNow(std::mt19937& rng, std::int64_t today, const AlarmRecord& a)
{
    std::int64_t msecOfDay = pick(rng, 0, exact::kMsecsPerDay - 1);
    switch (pick(rng, 0, 3)) {
    case 0:
        msecOfDay = msecs(a.StartTime);
        break;
    case 1:
        msecOfDay = pick(rng, 0, 24 * 60 - 1) * kMsecsPerMinute;
        break;
    default:
        break;
    }
    return static_cast<DateTime>(today * exact::kMsecsPerDay + msecOfDay) / kMsecsPerDay;
}

// Whether the alarm fires on `day`, judged from the calendar alone.
bool firesOnDay(const AlarmRecord& a, DateTime day)
{
    const Date d = decodeDate(day);
    const auto inSet = [&](int dayOfMonth) {
        return recursDayMatches(a.RecursDay, dayOfWeek(day + dayOfMonth - d.day));
    };
    const auto month = std::views::iota(1, daysInMonth(d.year, d.month) + 1);
    switch (a.Rule) {
    case RuleOnce:
        return day == a.OnceDate;
    case RuleDaily:
        return true;
    case RuleMonthly:
        return d.day == std::min(static_cast<int>(a.Count), daysInMonth(d.year, d.month));
    case RuleRecurs:
        if (!inSet(d.day))
            return false;
        if (a.RecursWhich == RecursEvery)
            return true;
        if (a.RecursWhich == RecursLast)
            return std::ranges::none_of(month | std::views::drop(d.day), inSet);
        return std::ranges::count_if(month | std::views::take(d.day), inSet) ==
               a.RecursWhich - RecursFirst + 1;
    default:
        return false;
    }
}

// The next occurrence found the slow way: the current minute when the alarm
// fires now at start-up, else the first day it fires on whose start lies after now.
std::optional<DateTime> expectedStart(const AlarmRecord& a, DateTime now, bool startup)
{
    const DateTime today = datePart(now);
    const std::int64_t time = msecs(now) - msecs(today);
    const bool firesNow = startup && firesOnDay(a, today) && time >= msecs(a.StartTime) &&
                          (!a.StopEnabled || time < msecs(a.StopTime));
    if (firesNow)
        return truncateToMinute(now);
    if (a.Rule == RuleOnce)
        return combine(a.OnceDate, a.StartTime);
    for (DateTime day = today; day < today + 63; ++day) {
        if (firesOnDay(a, day) && msecs(combine(day, a.StartTime)) > msecs(now))
            return combine(day, a.StartTime);
    }
    return std::nullopt;
}

// Every: after now, on a day of the set, and on the grid of steps from a start.
QString everyFault(const AlarmRecord& a, DateTime now, DateTime result)
{
    if (msecs(result) <= msecs(now))
        return u"not after now"_s;
    if (!everyDayMatches(a.EveryDays, dayOfWeek(result)))
        return u"outside the day set"_s;
    const std::int64_t step = a.Count * (a.EveryUnit == EveryHours ? 60 : 1);
    const std::int64_t sinceTodaysStart =
        wholeMinuteNumber(result).value() - wholeMinuteNumber(combine(datePart(now), a.StartTime)).value();
    if (sinceTodaysStart % step != 0 && !sameMinute(timePart(result), a.StartTime))
        return u"off the grid of steps"_s;
    return {};
}

QString occurrenceFault(const AlarmRecord& a, DateTime now, bool startup)
{
    const auto result = nextOccurrence(a, now, startup);
    if (!result)
        return u"no occurrence"_s;
    if (!isWholeMinute(*result))
        return u"%1 is not a whole minute"_s.arg(show(*result));
    if (a.Rule == RuleEvery)
        return everyFault(a, now, *result);
    const auto expected = expectedStart(a, now, startup);
    if (!expected || !sameMinute(*result, *expected))
        return u"%1, expected %2"_s.arg(show(*result), expected ? show(*expected) : u"none"_s);
    return {};
}

QString describe(const AlarmRecord& a, DateTime now, bool startup)
{
    return u" (rule %1, start %2, stop %3 %4, which %5, day %6, count %7, unit %8, days %9, once %10,"
           " now %11, start-up %12)"_s.arg(a.Rule)
               .arg(showTime(a.StartTime), a.StopEnabled ? u"on"_s : u"off"_s, showTime(a.StopTime))
               .arg(a.RecursWhich)
               .arg(a.RecursDay)
               .arg(a.Count)
               .arg(a.EveryUnit)
               .arg(a.EveryDays)
               .arg(show(a.OnceDate), show(now))
               .arg(startup);
}

} // namespace

void TestRecurrence::generatedAlarmsKeepTheirRules()
{
    std::mt19937 rng(20240506);
    for (int i = 0; i < 5000; ++i) {
        const std::int64_t today = pick(rng, 36526, 47848); // 2000-01-01 .. 2030-12-31
        const AlarmRecord a = randomAlarm(rng, today);
        const DateTime now = randomNow(rng, today, a);
        const bool startup = pick(rng, 0, 1) == 1;
        const QString fault = occurrenceFault(a, now, startup);
        if (!fault.isEmpty())
            QFAIL(qPrintable(fault + describe(a, now, startup)));
    }
}

QTEST_GUILESS_MAIN(TestRecurrence)
#include "tst_Recurrence.moc"
