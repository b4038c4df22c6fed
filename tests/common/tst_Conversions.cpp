// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Conversions.h"
#include "common/DateTimeFormat.h"
#include "common/Error.h"

#include <QTest>

#include <functional>
#include <limits>

using namespace hv;
using namespace Qt::Literals::StringLiterals;

namespace {

FormatSettings settingsOf(const QString& localeName)
{
    return FormatSettings::fromLocale(localeName == u"C" ? QLocale::c() : QLocale(localeName));
}

// The message of the error that the conversion raises; empty when it raises none.
QString errorOf(const std::function<void()>& convert)
{
    try {
        convert();
    } catch (const Error& error) {
        return error.message();
    }
    return {};
}

QList<QLocale> allLocales()
{
    return QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
}

} // namespace

class TestConversions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsTimes_data();
    void readsTimes();
    void refusesTimes_data();
    void refusesTimes();
    void readsBackTimesOfEveryLocale();
    void readsDates_data();
    void readsDates();
    void refusesDates_data();
    void refusesDates();
    void readsBackDatesOfEveryLocale();
    void readsIntegers_data();
    void readsIntegers();
    void refusesIntegers_data();
    void refusesIntegers();
    void readsFloats_data();
    void readsFloats();
    void refusesFloats_data();
    void refusesFloats();
};

void TestConversions::readsTimes_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("minute");
    QTest::addColumn<int>("second");

    QTest::newRow("12-hour, no marker") << u"en_US"_s << u"7:05"_s << 7 << 5 << 0;
    QTest::newRow("12-hour, PM") << u"en_US"_s << u"7:05 PM"_s << 19 << 5 << 0;
    QTest::newRow("12-hour, pm without a space") << u"en_US"_s << u"7:05pm"_s << 19 << 5 << 0;
    QTest::newRow("12-hour, marker in front") << u"en_US"_s << u"PM 7:05"_s << 19 << 5 << 0;
    QTest::newRow("12-hour, seconds and blanks") << u"en_US"_s << u"  07:05:30  "_s << 7 << 5 << 30;
    QTest::newRow("12-hour, blanks around the separator") << u"en_US"_s << u"7 : 05"_s << 7 << 5 << 0;
    QTest::newRow("12 AM is midnight") << u"en_US"_s << u"12:00 AM"_s << 0 << 0 << 0;
    QTest::newRow("12 PM is noon") << u"en_US"_s << u"12:30 PM"_s << 12 << 30 << 0;
    QTest::newRow("last second of the day") << u"en_US"_s << u"11:59:59 PM"_s << 23 << 59 << 59;
    QTest::newRow("12-hour setting, 24-hour text") << u"en_US"_s << u"13:00"_s << 13 << 0 << 0;
    QTest::newRow("24-hour") << u"en_GB"_s << u"19:05"_s << 19 << 5 << 0;
    QTest::newRow("24-hour, midnight") << u"en_GB"_s << u"0:00"_s << 0 << 0 << 0;
    QTest::newRow("24-hour, locale marker") << u"en_GB"_s << u"7:05 pm"_s << 19 << 5 << 0;
    QTest::newRow("24-hour, AM in any locale") << u"en_GB"_s << u"7:05 AM"_s << 7 << 5 << 0;
    QTest::newRow("dot as time separator") << u"fi_FI"_s << u"19.05"_s << 19 << 5 << 0;
    QTest::newRow("marker with blanks and dots") << u"es_US"_s << u"7:05 p. m."_s << 19 << 5 << 0;
    QTest::newRow("locale marker in front") << u"ko_KR"_s << u"오후 7:05"_s << 19 << 5 << 0;
    QTest::newRow("word between hours and minutes") << u"fr_CA"_s << u"19 h 05"_s << 19 << 5 << 0;
    QTest::newRow("word after the time") << u"bg_BG"_s << u"19:05 ч."_s << 19 << 5 << 0;
}

void TestConversions::readsTimes()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(int, hour);
    QFETCH(int, minute);
    QFETCH(int, second);
    const auto value = tryStrToTime(text, settingsOf(locale));
    QVERIFY(value);
    QCOMPARE(datePart(*value), 0.0);
    QCOMPARE(decodeTime(*value), (Time{hour, minute, second, 0}));
}

void TestConversions::refusesTimes_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");

    for (const QString& locale : {u"en_US"_s, u"en_GB"_s}) {
        const auto row = [&locale](const char* name, const QString& text) {
            QTest::addRow("%s, %s", qPrintable(locale), name) << locale << text;
        };
        row("empty", u""_s);
        row("blanks", u"   "_s);
        row("hour alone", u"7"_s);
        row("hour and separator", u"7:"_s);
        row("no hour", u":05"_s);
        row("24:00", u"24:00"_s);
        row("13 PM", u"13:00 PM"_s);
        row("minute 60", u"12:60"_s);
        row("second 60", u"12:00:60"_s);
        row("four parts", u"7:05:00:00"_s);
        row("unknown marker", u"7:05 XM"_s);
        row("marker alone", u"AM"_s);
        row("two markers", u"7:05 AM PM"_s);
        row("negative hour", u"-1:00"_s);
        row("sign", u"+7:05"_s);
        row("three-digit hour", u"007:05"_s);
        row("letter in the minutes", u"7:5a"_s);
        row("other script's digits", u"٧:٠٥"_s);
        row("wrong separator", u"7.05"_s);
        row("date", u"3/5/24"_s);
    }
}

void TestConversions::refusesTimes()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    const FormatSettings settings = settingsOf(locale);
    QVERIFY(!tryStrToTime(text, settings));
    QCOMPARE(errorOf([&] { strToTime(text, settings); }), u"'"_s + text + u"' is not a valid time"_s);
}

// What the short and the long time format write is read back the same, in
// every locale: the minute stamp and the time field depend on it.
void TestConversions::readsBackTimesOfEveryLocale()
{
    const std::array<DateTime, 4> times{*tryEncodeTime(0, 0), *tryEncodeTime(7, 5), *tryEncodeTime(12, 0),
                                        *tryEncodeTime(23, 59)};
    for (const QLocale& locale : allLocales()) {
        const FormatSettings s = FormatSettings::fromLocale(locale);
        for (const DateTime time : times) {
            for (const QStringView format : {u"t", u"tt"}) {
                const QString text = formatDateTime(format, time, s);
                const auto back = tryStrToTime(text, s);
                QVERIFY2(back && sameMinute(*back, time), qPrintable(locale.name() + u": "_s + text));
            }
        }
    }
}

void TestConversions::readsDates_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day");

    QTest::newRow("month first, two-digit year") << u"en_US"_s << u"3/5/24"_s << 2024 << 3 << 5;
    QTest::newRow("leading zeros, four-digit year") << u"en_US"_s << u"03/05/2024"_s << 2024 << 3 << 5;
    QTest::newRow("blanks around and between") << u"en_US"_s << u" 3 / 5 / 1996 "_s << 1996 << 3 << 5;
    QTest::newRow("leap day") << u"en_US"_s << u"2/29/2024"_s << 2024 << 2 << 29;
    QTest::newRow("year 00 is 2000") << u"en_US"_s << u"3/5/00"_s << 2000 << 3 << 5;
    QTest::newRow("year 49 is 2049") << u"en_US"_s << u"3/5/49"_s << 2049 << 3 << 5;
    QTest::newRow("year 50 is 1950") << u"en_US"_s << u"3/5/50"_s << 1950 << 3 << 5;
    QTest::newRow("year 99 is 1999") << u"en_US"_s << u"3/5/99"_s << 1999 << 3 << 5;
    QTest::newRow("last day") << u"en_US"_s << u"12/31/9999"_s << 9999 << 12 << 31;
    QTest::newRow("day first") << u"en_GB"_s << u"5/3/24"_s << 2024 << 3 << 5;
    QTest::newRow("day first, dots") << u"de_DE"_s << u"5.3.24"_s << 2024 << 3 << 5;
    QTest::newRow("year first") << u"sv_SE"_s << u"2024-03-05"_s << 2024 << 3 << 5;
    QTest::newRow("year first, dot after the day") << u"hu_HU"_s << u"2024. 03. 05."_s << 2024 << 3 << 5;
    QTest::newRow("word after the date") << u"bg_BG"_s << u"5.03.24 г."_s << 2024 << 3 << 5;
    QTest::newRow("month name") << u"C"_s << u"5 Mar 2024"_s << 2024 << 3 << 5;
    QTest::newRow("month name, any case") << u"C"_s << u"5 MARCH 2024"_s << 2024 << 3 << 5;
    QTest::newRow("numbers in a named-month locale") << u"C"_s << u"5/3/2024"_s << 2024 << 3 << 5;
}

void TestConversions::readsDates()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, day);
    const auto value = tryStrToDate(text, settingsOf(locale));
    QVERIFY(value);
    QCOMPARE(timePart(*value), 0.0);
    QCOMPARE(decodeDate(*value), (Date{year, month, day}));
}

void TestConversions::refusesDates_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << u"en_US"_s << u""_s;
    QTest::newRow("no leap day") << u"en_US"_s << u"2/29/2023"_s;
    QTest::newRow("month 13") << u"en_US"_s << u"13/1/24"_s;
    QTest::newRow("month 0") << u"en_US"_s << u"0/5/24"_s;
    QTest::newRow("day 0") << u"en_US"_s << u"3/0/24"_s;
    QTest::newRow("day 32") << u"en_US"_s << u"3/32/24"_s;
    QTest::newRow("no year") << u"en_US"_s << u"3/5"_s;
    QTest::newRow("four numbers") << u"en_US"_s << u"3/5/24/1"_s;
    QTest::newRow("empty part") << u"en_US"_s << u"3//24"_s;
    QTest::newRow("letters") << u"en_US"_s << u"a/b/c"_s;
    QTest::newRow("wrong separator") << u"en_US"_s << u"3-5-24"_s;
    QTest::newRow("five-digit year") << u"en_US"_s << u"3/5/12345"_s;
    QTest::newRow("year 0") << u"en_US"_s << u"3/5/0000"_s;
    QTest::newRow("trailing time") << u"en_US"_s << u"3/5/24 7:05"_s;
    QTest::newRow("sign") << u"en_US"_s << u"+3/5/24"_s;
    QTest::newRow("unknown month name") << u"C"_s << u"5 Mrz 2024"_s;
    QTest::newRow("day first, month 45") << u"en_GB"_s << u"13/45/96"_s;
}

void TestConversions::refusesDates()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    const FormatSettings settings = settingsOf(locale);
    QVERIFY(!tryStrToDate(text, settings));
    QCOMPARE(errorOf([&] { strToDate(text, settings); }), u"'"_s + text + u"' is not a valid date"_s);
}

void TestConversions::readsBackDatesOfEveryLocale()
{
    const std::array<DateTime, 3> dates{*tryEncodeDate(1996, 4, 2), *tryEncodeDate(2024, 12, 31),
                                        *tryEncodeDate(2049, 1, 9)};
    for (const QLocale& locale : allLocales()) {
        const FormatSettings s = FormatSettings::fromLocale(locale);
        for (const DateTime date : dates) {
            const QString text = formatDateTime(u"ddddd", date, s);
            QVERIFY2(tryStrToDate(text, s) == date, qPrintable(locale.name() + u": "_s + text));
        }
    }
}

void TestConversions::readsIntegers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    constexpr int min = std::numeric_limits<int>::min();
    constexpr int max = std::numeric_limits<int>::max();

    QTest::newRow("zero") << u"0"_s << 0;
    QTest::newRow("positive") << u"42"_s << 42;
    QTest::newRow("negative") << u"-42"_s << -42;
    QTest::newRow("plus sign") << u"+42"_s << 42;
    QTest::newRow("blanks around") << u" \t42 "_s << 42;
    QTest::newRow("leading zeros") << u"007"_s << 7;
    QTest::newRow("$ hex") << u"$FF"_s << 255;
    QTest::newRow("$ hex, lower case") << u"$ff"_s << 255;
    QTest::newRow("0x hex") << u"0x1F"_s << 31;
    QTest::newRow("0X hex") << u"0X1f"_s << 31;
    QTest::newRow("negative hex") << u"-$10"_s << -16;
    QTest::newRow("largest") << u"2147483647"_s << max;
    QTest::newRow("smallest") << u"-2147483648"_s << min;
    QTest::newRow("largest hex") << u"$7FFFFFFF"_s << max;
    QTest::newRow("smallest hex") << u"-0x80000000"_s << min;
}

void TestConversions::readsIntegers()
{
    QFETCH(QString, text);
    QTEST(tryStrToInt(text).value_or(-1), "value");
}

void TestConversions::refusesIntegers_data()
{
    QTest::addColumn<QString>("text");
    for (const char16_t* text :
         {u"",    u" ",          u"-",           u"+",         u"$",
          u"0x",  u"2147483648", u"-2147483649", u"$80000000", u"12a",
          u"1 2", u"- 5",        u"1.0",         u"1e3",       u"++1",
          u"+-1", u"--1",        u"$-1",         u"0x+1",      u"99999999999999999999999",
          u"٤٢",  u"$G",         u"0x1G"}) {
        const QString s = QString::fromUtf16(text);
        QTest::addRow("'%s'", qPrintable(s)) << s;
    }
}

void TestConversions::refusesIntegers()
{
    QFETCH(QString, text);
    QVERIFY(!tryStrToInt(text));
    QCOMPARE(errorOf([&] { strToInt(text); }), u"'"_s + text + u"' is not a valid integer value"_s);
}

void TestConversions::readsFloats_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("zero") << u"0"_s << 0.0;
    QTest::newRow("decimal") << u"99.99"_s << 99.99;
    QTest::newRow("negative") << u"-1.5"_s << -1.5;
    QTest::newRow("plus sign") << u"+2"_s << 2.0;
    QTest::newRow("no integer part") << u".5"_s << 0.5;
    QTest::newRow("no fraction digits") << u"5."_s << 5.0;
    QTest::newRow("exponent") << u"1e3"_s << 1000.0;
    QTest::newRow("negative exponent") << u"1.5E-2"_s << 0.015;
    QTest::newRow("blanks around") << u" 30 "_s << 30.0;
}

void TestConversions::readsFloats()
{
    QFETCH(QString, text);
    QTEST(tryStrToFloat(text).value_or(-1), "value");
}

void TestConversions::refusesFloats_data()
{
    QTest::addColumn<QString>("text");
    for (const char16_t* text : {u"",    u"1,5",   u"1,000.00", u"1 000", u"$30", u"30 $", u"nan",
                                 u"inf", u"-inf",  u"infinity", u"1e",    u"e3",  u".",    u"-",
                                 u"+",   u"1.2.3", u"0x1p3",    u"1e400", u"+-1", u"--1",  u"١٫٥"}) {
        const QString s = QString::fromUtf16(text);
        QTest::addRow("'%s'", qPrintable(s)) << s;
    }
}

void TestConversions::refusesFloats()
{
    QFETCH(QString, text);
    QVERIFY(!tryStrToFloat(text));
    QCOMPARE(errorOf([&] { strToFloat(text); }), u"'"_s + text + u"' is not a valid floating point value"_s);
}

QTEST_GUILESS_MAIN(TestConversions)
#include "tst_Conversions.moc"
