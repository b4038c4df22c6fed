// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/DateTimeFormat.h"
#include "common/FormatSettings.h"

#include <QTest>

#include <limits>

using namespace hv;
using namespace Qt::Literals::StringLiterals;

namespace {

DateTime moment(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int msec = 0)
{
    return *tryEncodeDate(year, month, day) + *tryEncodeTime(hour, minute, second, msec);
}

FormatSettings settingsOf(const QString& localeName)
{
    return FormatSettings::fromLocale(localeName == u"C" ? QLocale::c() : QLocale(localeName));
}

} // namespace

class TestDateTimeFormat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void convertsLocaleFormats_data();
    void convertsLocaleFormats();
    void namesAndMarkersFollowTheLocale();
    void twelveHourClock_data();
    void twelveHourClock();
    void startupDefaults();
    void shortTimeNeverShowsSecondsInAnyLocale();
    void formatsDateTimes_data();
    void formatsDateTimes();
    void formatsNamingEachOtherStop();
    void valuesOutsideTheCalendar_data();
    void valuesOutsideTheCalendar();
};

void TestDateTimeFormat::convertsLocaleFormats_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("shortDate");
    QTest::addColumn<QString>("longDate");
    QTest::addColumn<QString>("shortTime");
    QTest::addColumn<QString>("longTime");
    QTest::addColumn<QString>("dateSeparator");
    QTest::addColumn<QString>("timeSeparator");

    QTest::newRow("en_US, 12-hour") << u"en_US"_s << u"m/d/yy"_s << u"dddd, mmmm d, yyyy"_s << u"h:nn AMPM"_s
                                    << u"h:nn:ss AMPM"_s << u"/"_s << u":"_s;
    QTest::newRow("en_GB, 24-hour") << u"en_GB"_s << u"dd/mm/yyyy"_s << u"dddd, d mmmm yyyy"_s << u"hh:nn"_s
                                    << u"hh:nn:ss"_s << u"/"_s << u":"_s;
    QTest::newRow("de_DE, dots between date fields") << u"de_DE"_s << u"dd/mm/yy"_s << u"dddd, d. mmmm yyyy"_s
                                                     << u"hh:nn"_s << u"hh:nn:ss"_s << u"."_s << u":"_s;
    QTest::newRow("C, seconds dropped from the short time")
        << u"C"_s << u"d mmm yyyy"_s << u"dddd, d mmmm yyyy"_s << u"hh:nn"_s << u"hh:nn:ss"_s << u"/"_s
        << u":"_s;
    QTest::newRow("pt_BR, quoted words stay literal")
        << u"pt_BR"_s << u"dd/mm/yyyy"_s << u"dddd, d\" de \"mmmm\" de \"yyyy"_s << u"hh:nn"_s
        << u"hh:nn:ss"_s << u"/"_s << u":"_s;
    QTest::newRow("zh_CN, time zone in front dropped") << u"zh_CN"_s << u"yyyy/m/d"_s << u"yyyy年m月d日dddd"_s
                                                       << u"hh:nn"_s << u"hh:nn:ss"_s << u"/"_s << u":"_s;
    QTest::newRow("fi_FI, dot between hours and minutes")
        << u"fi_FI"_s << u"d/m/yyyy"_s << u"dddd d. mmmm yyyy"_s << u"h:nn"_s << u"h:nn:ss"_s << u"."_s
        << u"."_s;
    QTest::newRow("bg_BG, a word after the time")
        << u"bg_BG"_s << u"d/mm/yy г."_s << u"dddd, d mmmm yyyy г."_s << u"h:nn ч."_s << u"h:nn:ss ч."_s
        << u"."_s << u":"_s;
    QTest::newRow("fr_CA, a word between hours and minutes")
        << u"fr_CA"_s << u"yyyy/mm/dd"_s << u"dddd d mmmm yyyy"_s << u"hh\" h \"nn"_s
        << u"hh\" h \"nn\" min \"ss\" s\""_s << u"-"_s << u":"_s;
}

void TestDateTimeFormat::convertsLocaleFormats()
{
    QFETCH(QString, locale);
    const FormatSettings s = settingsOf(locale);
    QTEST(s.shortDateFormat, "shortDate");
    QTEST(s.longDateFormat, "longDate");
    QTEST(s.shortTimeFormat, "shortTime");
    QTEST(s.longTimeFormat, "longTime");
    QTEST(QString(s.dateSeparator), "dateSeparator");
    QTEST(QString(s.timeSeparator), "timeSeparator");
}

void TestDateTimeFormat::namesAndMarkersFollowTheLocale()
{
    const FormatSettings us = settingsOf(u"en_US"_s);
    QCOMPARE(us.longMonthNames.front(), u"January");
    QCOMPARE(us.shortMonthNames.back(), u"Dec");
    QCOMPARE(us.longDayNames.front(), u"Sunday"); // Sunday first, as dayOfWeek counts
    QCOMPARE(us.shortDayNames.back(), u"Sat");
    QCOMPARE(us.timeAMString, u"AM");
    QCOMPARE(us.timePMString, u"PM");

    const FormatSettings de = settingsOf(u"de_DE"_s);
    QCOMPARE(de.longDayNames.front(), u"Sonntag");
    QCOMPARE(de.longMonthNames[2], u"März");
    QCOMPARE(settingsOf(u"en_GB"_s).timePMString, u"pm");
}

void TestDateTimeFormat::twelveHourClock_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("twelveHour");
    QTest::newRow("en_US") << u"en_US"_s << true;
    QTest::newRow("ko_KR, marker before the hour") << u"ko_KR"_s << true;
    QTest::newRow("en_GB") << u"en_GB"_s << false;
    QTest::newRow("C") << u"C"_s << false;
}

void TestDateTimeFormat::twelveHourClock()
{
    QFETCH(QString, locale);
    QTEST(settingsOf(locale).uses12HourClock(), "twelveHour");
}

void TestDateTimeFormat::startupDefaults()
{
    const FormatSettings s = FormatSettings::startupDefaults(QLocale(u"de_DE"_s));
    QCOMPARE(s.timeSeparator, u':');
    QCOMPARE(s.timeAMString, u"AM");
    QCOMPARE(s.timePMString, u"PM");
    QCOMPARE(s.shortDateFormat, u"mm/dd/yy");
    // The rest stays the locale's, the date separator included.
    QCOMPARE(s.longDateFormat, settingsOf(u"de_DE"_s).longDateFormat);
    QCOMPARE(formatDateTime(u"ddddd t", moment(2024, 3, 5, 14, 7), s), u"03.05.24 14:07");

    const FormatSettings fi = FormatSettings::startupDefaults(QLocale(u"fi_FI"_s));
    QCOMPARE(formatDateTime(u"t", moment(2024, 3, 5, 14, 7), fi), u"14:07");
}

// The minute stamp is the short time read back: with seconds in it, no alarm
// would ever see a whole minute.
void TestDateTimeFormat::shortTimeNeverShowsSecondsInAnyLocale()
{
    const auto locales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    QVERIFY(locales.size() > 100);
    for (const QLocale& locale : locales) {
        const FormatSettings s = FormatSettings::fromLocale(locale);
        const QString early = formatDateTime(u"t", moment(2024, 3, 5, 7, 5, 0), s);
        const QString late = formatDateTime(u"t", moment(2024, 3, 5, 7, 5, 59, 999), s);
        QVERIFY2(!early.isEmpty() && early == late, qPrintable(locale.name() + u": "_s + s.shortTimeFormat));
    }
}

void TestDateTimeFormat::formatsDateTimes_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("format");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    const DateTime afternoon = moment(2024, 3, 5, 14, 7, 9, 45); // a Tuesday
    const DateTime afterMidnight = moment(2024, 3, 5, 0, 5);
    const DateTime noon = moment(2024, 3, 5, 12, 0);
    const DateTime morning = moment(2024, 3, 5, 9, 5);
    const DateTime midnight = moment(2024, 3, 5);
    const auto row = [](const char* name, const char16_t* locale, const char16_t* format, DateTime value,
                        const char16_t* expected) {
        QTest::newRow(name) << QString::fromUtf16(locale) << QString::fromUtf16(format) << value
                            << QString::fromUtf16(expected);
    };

    row("t, 12-hour, afternoon", u"en_US", u"t", afternoon, u"2:07 PM");
    row("t, 12-hour, after midnight", u"en_US", u"t", afterMidnight, u"12:05 AM");
    row("t, 12-hour, noon", u"en_US", u"t", noon, u"12:00 PM");
    row("t, 24-hour, afternoon", u"en_GB", u"t", afternoon, u"14:07");
    row("t, 24-hour, after midnight", u"en_GB", u"t", afterMidnight, u"00:05");
    row("tt, 12-hour", u"en_US", u"tt", afternoon, u"2:07:09 PM");
    row("tt, 24-hour", u"en_GB", u"tt", afternoon, u"14:07:09");
    row("ddddd, 12-hour", u"en_US", u"ddddd", afternoon, u"3/5/24");
    row("ddddd, 24-hour", u"en_GB", u"ddddd", afternoon, u"05/03/2024");
    row("dddddd, 12-hour", u"en_US", u"dddddd", afternoon, u"Tuesday, March 5, 2024");
    row("dddddd, 24-hour", u"en_GB", u"dddddd", afternoon, u"Tuesday, 5 March 2024");
    row("ddddd t, 12-hour", u"en_US", u"ddddd t", afternoon, u"3/5/24 2:07 PM");
    row("ddddd t, 24-hour", u"en_GB", u"ddddd t", afternoon, u"05/03/2024 14:07");
    row("hh:nn:ss, no marker keeps 24 hours", u"en_US", u"hh:nn:ss", afternoon, u"14:07:09");
    row("hh:nn:ss, 24-hour", u"en_GB", u"hh:nn:ss", afterMidnight, u"00:05:00");
    row("mmmm d, yyyy", u"en_US", u"mmmm d, yyyy", afternoon, u"March 5, 2024");
    row("mm/dd/yy, 24-hour", u"en_GB", u"mm/dd/yy", afternoon, u"03/05/24");
    row("separators from the settings", u"de_DE", u"mm/dd/yy hh:nn", afternoon, u"03.05.24 14:07");
    row("c with a time", u"en_US", u"c", afternoon, u"3/5/24 2:07 PM");
    row("c at midnight leaves the time out", u"en_US", u"c", midnight, u"3/5/24");
    row("m right after h is minutes", u"en_GB", u"h:m hh:mm", afternoon, u"14:7 14:07");
    row("m elsewhere is the month", u"en_GB", u"m/d mm/dd", afternoon, u"3/5 03/05");
    row("day and month names", u"en_US", u"ddd dddd, mmm mmmm", afternoon, u"Tue Tuesday, Mar March");
    row("day names of the locale", u"de_DE", u"dddd", afternoon, u"Dienstag");
    row("am/pm in the case written", u"en_US", u"h:nn am/pm|AM/PM|Am/Pm", afternoon, u"2:07 pm|PM|Pm");
    row("a/p in the case written", u"en_US", u"hh a/p A/P", morning, u"09 a A");
    row("ampm gives the locale's strings", u"en_GB", u"h:nn ampm", afternoon, u"2:07 pm");
    row("a marker after the hour counts", u"en_GB", u"h AMPM", afterMidnight, u"12 am");
    row("seconds and milliseconds", u"en_US", u"s ss z zzz", afternoon, u"9 09 45 045");
    row("years", u"en_US", u"yy yyyy", afternoon, u"24 2024");
    row("specifiers in any case", u"en_US", u"DDDD MMMM D, YYYY HH:NN", afternoon,
        u"Tuesday March 5, 2024 14:07");
    row("quoted text is literal", u"en_US", u"'d' d \"m/y\" m", afternoon, u"d 5 m/y 3");
    row("an unclosed quote runs to the end", u"en_US", u"h 'o clock", afternoon, u"14 o clock");
    row("other characters are copied", u"en_US", u"[hh] x!", afternoon, u"[14] x!");
}

void TestDateTimeFormat::formatsDateTimes()
{
    QFETCH(QString, locale);
    QFETCH(QString, format);
    QFETCH(double, value);
    QTEST(formatDateTime(format, value, settingsOf(locale)), "expected");
}

void TestDateTimeFormat::formatsNamingEachOtherStop()
{
    FormatSettings s = settingsOf(u"en_US"_s);
    s.shortTimeFormat = u"[t]"_s;
    s.shortDateFormat = u"d ddddd c"_s;
    const DateTime value = moment(2024, 3, 5, 14, 7);
    // One level of expansion, then nothing.
    QCOMPARE(formatDateTime(u"t", value, s), u"[]");
    QCOMPARE(formatDateTime(u"ddddd", value, s), u"5  ");
    QCOMPARE(formatDateTime(u"c", value, s), u"5   []");
}

void TestDateTimeFormat::valuesOutsideTheCalendar_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    constexpr double inf = std::numeric_limits<double>::infinity();
    const DateTime firstDay = *tryEncodeDate(1, 1, 1);
    const DateTime lastDay = *tryEncodeDate(9999, 12, 31);
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << QString();
    QTest::newRow("infinity") << inf << QString();
    QTest::newRow("minus infinity") << -inf << QString();
    QTest::newRow("huge") << 1e300 << QString();
    QTest::newRow("after 9999") << lastDay + 1 << QString();
    QTest::newRow("before year 1") << firstDay - 1.5 << QString();
    QTest::newRow("last day, evening") << lastDay + 0.75 << u"9999-12-31 18:00"_s;
    QTest::newRow("first day, noon") << firstDay - 0.5 << u"0001-01-01 12:00"_s;
}

void TestDateTimeFormat::valuesOutsideTheCalendar()
{
    QFETCH(double, value);
    QTEST(formatDateTime(u"yyyy-mm-dd hh:nn", value, settingsOf(u"en_US"_s)), "expected");
}

QTEST_GUILESS_MAIN(TestDateTimeFormat)
#include "tst_DateTimeFormat.moc"
