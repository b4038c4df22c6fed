// SPDX-License-Identifier: GPL-3.0-or-later
#include "alarms/AlarmDescription.h"
#include "alarms/Recurrence.h"

#include <QLocale>
#include <QTest>

#include <limits>

using namespace hv;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(hv::AlarmRecord)

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

DateTime date(int year, int month, int day)
{
    return tryEncodeDate(year, month, day).value();
}

DateTime clockTime(int hour, int minute)
{
    return tryEncodeTime(hour, minute).value();
}

// Short time h:nn AMPM, short date m/d/yy.
FormatSettings us()
{
    return FormatSettings::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates));
}

AlarmRecord alarm(AlarmRule rule, const QString& target = u"Wake up"_s)
{
    AlarmRecord a;
    a.Rule = rule;
    a.StartTime = clockTime(7, 0);
    a.Target = target;
    return a;
}

AlarmRecord once(DateTime onceDate)
{
    AlarmRecord a = alarm(RuleOnce);
    a.OnceDate = onceDate;
    return a;
}

AlarmRecord recurs(std::int32_t which, std::int32_t day)
{
    AlarmRecord a = alarm(RuleRecurs);
    a.RecursWhich = which;
    a.RecursDay = day;
    return a;
}

AlarmRecord every(std::int32_t count, std::int32_t unit, std::int32_t days)
{
    AlarmRecord a = alarm(RuleEvery);
    a.Count = count;
    a.EveryUnit = unit;
    a.EveryDays = days;
    return a;
}

AlarmRecord monthly(std::int32_t day)
{
    AlarmRecord a = alarm(RuleMonthly);
    a.Count = day;
    return a;
}

// The expected head from its visible pieces: blanks are counted, not typed.
QString head(const QString& timeColumn, const QString& rule)
{
    return (timeColumn.leftJustified(10, u' ', true) + rule).leftJustified(34, u' ', true);
}

} // namespace

class TestAlarmDescription : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void describe_data();
    void describe();
    void headIsFixedWidth_data();
    void headIsFixedWidth();
    void descriptionList();
    void nextDue_data();
    void nextDue();
    void dayNames_data();
    void dayNames();
};

void TestAlarmDescription::describe_data()
{
    QTest::addColumn<AlarmRecord>("record");
    QTest::addColumn<QString>("expected");

    const QString at7 = u"7:00 AM"_s;
    // The four worked examples, blank for blank.
    QTest::newRow("once") << once(date(1996, 4, 2)) << u"7:00 AM   once on 4/2/96          Wake up"_s;
    QTest::newRow("recurs 1st Monday")
        << recurs(RecursFirst, Monday) << u"7:00 AM   on 1st Monday           Wake up"_s;
    QTest::newRow("every 15 min on weekdays")
        << every(15, EveryMinutes, EveryWeekdays) << u"7:00 AM   every 15 min on Wday    Wake up"_s;
    QTest::newRow("monthly 22nd") << monthly(22) << u"7:00 AM   22nd of every month     Wake up"_s;

    QTest::newRow("daily") << alarm(RuleDaily) << head(at7, u"Daily"_s) + u"Wake up"_s;
    QTest::newRow("recurs every weekend")
        << recurs(RecursEvery, RecursWeekend) << head(at7, u"on every Weekend"_s) + u"Wake up"_s;
    QTest::newRow("recurs last Saturday")
        << recurs(RecursLast, Saturday) << head(at7, u"on last Saturday"_s) + u"Wake up"_s;
    QTest::newRow("recurs 4th Wednesday")
        << recurs(RecursFourth, Wednesday) << head(at7, u"on 4th Wednesday"_s) + u"Wake up"_s;
    QTest::newRow("every 2 hours on Everyday")
        << every(2, EveryHours, EveryEveryday) << head(at7, u"every 2 hours on Evry"_s) + u"Wake up"_s;
    QTest::newRow("every unit other than 1 is hours")
        << every(3, 7, Sunday) << head(at7, u"every 3 hours on Sun"_s) + u"Wake up"_s;
    QTest::newRow("every on weekends")
        << every(30, EveryMinutes, EveryWeekends) << head(at7, u"every 30 min on Wend"_s) + u"Wake up"_s;

    // Ordinal suffixes of the Monthly rule.
    const std::pair<int, const char16_t*> days[] = {
        {1, u"1st"},   {2, u"2nd"},   {3, u"3rd"},   {4, u"4th"},   {11, u"11th"}, {12, u"12th"},
        {13, u"13th"}, {21, u"21st"}, {23, u"23rd"}, {30, u"30th"}, {31, u"31st"}};
    for (const auto& [day, word] : days) {
        QTest::addRow("monthly %d", day)
            << monthly(day) << head(at7, QString::fromUtf16(word) + u" of every month"_s) + u"Wake up"_s;
    }

    // The Target follows whole, long or empty.
    const QString hundred = QString(100, u'x');
    QTest::newRow("target of 100 characters") << alarm(RuleDaily, hundred) << head(at7, u"Daily"_s) + hundred;
    QTest::newRow("empty target") << alarm(RuleDaily, {}) << head(at7, u"Daily"_s);

    AlarmRecord afternoon = alarm(RuleDaily);
    afternoon.StartTime = clockTime(23, 59);
    QTest::newRow("two-digit hour") << afternoon << head(u"11:59 PM"_s, u"Daily"_s) + u"Wake up"_s;

    // Damaged records: words outside their lists stay empty, nothing breaks.
    QTest::newRow("recurs codes 0 and 10") << recurs(0, 10) << head(at7, u"on  "_s) + u"Wake up"_s;
    QTest::newRow("recurs code 7 and day -1") << recurs(7, -1) << head(at7, u"on  "_s) + u"Wake up"_s;
    QTest::newRow("every days 11, count 0")
        << every(0, EveryMinutes, 11) << head(at7, u"every 0 min on "_s) + u"Wake up"_s;
    QTest::newRow("every, extreme count") << every(std::numeric_limits<std::int32_t>::min(), EveryMinutes, 0)
                                          << head(at7, u"every -2147483648 min on "_s) + u"Wake up"_s;
    QTest::newRow("monthly day 0") << monthly(0) << head(at7, u"0th of every month"_s) + u"Wake up"_s;
    QTest::newRow("monthly day 111") << monthly(111) << head(at7, u"111th of every month"_s) + u"Wake up"_s;
    QTest::newRow("rule 6") << alarm(static_cast<AlarmRule>(6)) << head(at7, {}) + u"Wake up"_s;
    QTest::newRow("rule -1") << alarm(static_cast<AlarmRule>(-1)) << head(at7, {}) + u"Wake up"_s;
    QTest::newRow("once without a date") << once(kNaN) << head(at7, u"once on "_s) + u"Wake up"_s;
    AlarmRecord noTime = alarm(RuleDaily);
    noTime.StartTime = kNaN;
    QTest::newRow("start time not a number") << noTime << head({}, u"Daily"_s) + u"Wake up"_s;
}

void TestAlarmDescription::describe()
{
    QFETCH(AlarmRecord, record);
    QFETCH(QString, expected);
    QCOMPARE(describeAlarm(record, us()), expected);
}

void TestAlarmDescription::headIsFixedWidth_data()
{
    QTest::addColumn<AlarmRecord>("record");
    QTest::addColumn<QString>("shortTimeFormat");
    QTest::addColumn<QString>("shortDateFormat");
    QTest::addColumn<QString>("expectedHead");

    // A long time format fills and overflows the time column.
    QTest::newRow("long time cut to 10") << alarm(RuleDaily) << u"hh 'hours' nn 'minutes'"_s << u"m/d/yy"_s
                                         << head(u"07 hours 0"_s, u"Daily"_s);
    QTest::newRow("time of exactly 10")
        << alarm(RuleDaily) << u"hh:nn:ss AMPM"_s << u"m/d/yy"_s << head(u"07:00:00 A"_s, u"Daily"_s);
    // A long date format runs the Once text past the head, which is cut.
    QTest::newRow("long date cut at 34")
        << once(date(2024, 9, 25)) << u"h:nn AMPM"_s << u"dddd, mmmm d, yyyy"_s
        << u"7:00 AM   once on Wednesday, Septe"_s;
    // A cut that would split a character outside the BMP pads instead.
    QTest::newRow("surrogate pair at the cut")
        << alarm(RuleDaily) << u"'123456789\U0001F514'"_s << u"m/d/yy"_s << head(u"123456789 "_s, u"Daily"_s);
}

void TestAlarmDescription::headIsFixedWidth()
{
    QFETCH(AlarmRecord, record);
    QFETCH(QString, shortTimeFormat);
    QFETCH(QString, shortDateFormat);
    QFETCH(QString, expectedHead);
    FormatSettings settings = us();
    settings.shortTimeFormat = shortTimeFormat;
    settings.shortDateFormat = shortDateFormat;

    const QString text = describeAlarm(record, settings);
    QCOMPARE(expectedHead.size(), kDescriptionHeadLength);
    QCOMPARE(text.left(kDescriptionHeadLength), expectedHead);
    QCOMPARE(text.mid(kDescriptionHeadLength), record.Target.text());
}

void TestAlarmDescription::descriptionList()
{
    AlarmTable table;
    table.slot(1) = alarm(RuleDaily, u"first"_s);
    table.slot(2) = alarm(RuleDaily, u"first"_s); // identical lines stay apart
    table.slot(4) = monthly(3);                   // after a gap, still the next line
    table.slot(50) = once(date(2030, 1, 1));

    const FormatSettings settings = us();
    const QStringList expected{describeAlarm(table.slot(1), settings), describeAlarm(table.slot(2), settings),
                               describeAlarm(table.slot(4), settings),
                               describeAlarm(table.slot(50), settings)};
    QCOMPARE(alarmDescriptionList(table, settings), expected);
    QCOMPARE(alarmDescriptionList(AlarmTable(), settings), QStringList());
}

void TestAlarmDescription::nextDue_data()
{
    QTest::addColumn<DateTime>("nextDue");
    QTest::addColumn<QString>("expected");

    QTest::newRow("date and time") << combine(date(2024, 3, 5), clockTime(14, 7)) << u"3/5/24 2:07 PM"_s;
    QTest::newRow("midnight keeps its time") << date(2024, 3, 5) << u"3/5/24 12:00 AM"_s;
    QTest::newRow("never due") << kNeverDue << QString();
    QTest::newRow("not a number") << kNaN << QString();
    QTest::newRow("after 9999") << date(9999, 12, 31) + 1 << QString();
}

void TestAlarmDescription::nextDue()
{
    QFETCH(DateTime, nextDue);
    QFETCH(QString, expected);
    QCOMPARE(nextDueText(nextDue, us()), expected);
}

void TestAlarmDescription::dayNames_data()
{
    QTest::addColumn<DateTime>("value");
    QTest::addColumn<QString>("expected");

    const char16_t* names[] = {u"Sunday",   u"Monday", u"Tuesday", u"Wednesday",
                               u"Thursday", u"Friday", u"Saturday"};
    for (int i = 0; i < 7; ++i) // 2024-03-03 was a Sunday
        QTest::addRow("%d", i + 1) << date(2024, 3, 3 + i) << QString::fromUtf16(names[i]);
    QTest::newRow("time of day ignored") << combine(date(2024, 3, 9), clockTime(23, 59)) << u"Saturday"_s;
    QTest::newRow("day 0") << 0.0 << u"Saturday"_s;
    QTest::newRow("before day 0") << date(1899, 12, 29) << u"Friday"_s;
    QTest::newRow("first day") << date(1, 1, 1) << u"Monday"_s;
    QTest::newRow("last day") << date(9999, 12, 31) << u"Friday"_s;
    QTest::newRow("before the first day") << date(1, 1, 1) - 1 << QString();
    QTest::newRow("after the last day") << date(9999, 12, 31) + 1 << QString();
    QTest::newRow("not a number") << kNaN << QString();
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << QString();
}

void TestAlarmDescription::dayNames()
{
    QFETCH(DateTime, value);
    QFETCH(QString, expected);
    QCOMPARE(dayName(value), expected);
}

QTEST_APPLESS_MAIN(TestAlarmDescription)
#include "tst_AlarmDescription.moc"
