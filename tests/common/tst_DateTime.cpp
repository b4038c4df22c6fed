// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/DateTime.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace hv;

class TestDateTime : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void encodeDecodeDates_data();
    void encodeDecodeDates();
    void rejectsInvalidParts();
    void decodeRoundsToMillisecondAndCarries();
    void beforeTheEpoch();
    void nextDayRollsOver_data();
    void nextDayRollsOver();
    void wholeMinutes_data();
    void wholeMinutes();
    void stepsOfSevenMinutesDoNotDrift();
    void qtConversionRoundTrips_data();
    void qtConversionRoundTrips();
};

void TestDateTime::encodeDecodeDates_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("weekday");
    QTest::newRow("epoch, a Saturday") << 1899 << 12 << 30 << 0.0 << int(Saturday);
    QTest::newRow("day after, a Sunday") << 1899 << 12 << 31 << 1.0 << int(Sunday);
    QTest::newRow("2000-01-01") << 2000 << 1 << 1 << 36526.0 << int(Saturday);
    QTest::newRow("leap day 2024") << 2024 << 2 << 29 << 45351.0 << int(Thursday);
    QTest::newRow("2026-12-10") << 2026 << 12 << 10 << 46366.0 << int(Thursday);
}

void TestDateTime::encodeDecodeDates()
{
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, day);
    QFETCH(double, value);
    QFETCH(int, weekday);
    QCOMPARE(tryEncodeDate(year, month, day), std::optional<double>(value));
    QCOMPARE(decodeDate(value + 0.75), (Date{year, month, day}));
    QCOMPARE(dayOfWeek(value + 0.999), weekday);
}

void TestDateTime::rejectsInvalidParts()
{
    QVERIFY(!tryEncodeDate(2023, 2, 29));
    QVERIFY(!tryEncodeDate(2024, 13, 1));
    QVERIFY(!tryEncodeDate(2024, 4, 31));
    QVERIFY(!tryEncodeDate(0, 1, 1));
    QVERIFY(!tryEncodeTime(24, 0));
    QVERIFY(!tryEncodeTime(12, 60));
    QVERIFY(!tryEncodeTime(12, 0, 0, 1000));
    QCOMPARE(*tryEncodeTime(7, 30), 7.5 / 24);
}

void TestDateTime::decodeRoundsToMillisecondAndCarries()
{
    QCOMPARE(decodeTime(*tryEncodeTime(13, 45, 59, 999)), (Time{13, 45, 59, 999}));
    // A hair short of midnight is midnight of the next day, never 24:00.
    const double almost = 100.0 + (kMsecsPerDay - 0.2) / kMsecsPerDay;
    QCOMPARE(decodeTime(almost), (Time{0, 0, 0, 0}));
    QCOMPARE(datePart(almost), 101.0);
}

void TestDateTime::beforeTheEpoch()
{
    // -1.25 is 1899-12-29 at 06:00: the fraction still counts forward.
    QCOMPARE(decodeDate(-1.25), (Date{1899, 12, 29}));
    QCOMPARE(decodeTime(-1.25), (Time{6, 0, 0, 0}));
    QCOMPARE(combine(-1.0, 0.25), -1.25);
    QCOMPARE(truncateToMinute(-1.25 - 30.0 / kMsecsPerDay), -1.25);
}

void TestDateTime::nextDayRollsOver_data()
{
    QTest::addColumn<Date>("from");
    QTest::addColumn<Date>("to");
    QTest::newRow("end of January") << Date{2025, 1, 31} << Date{2025, 2, 1};
    QTest::newRow("end of year") << Date{2025, 12, 31} << Date{2026, 1, 1};
    QTest::newRow("leap February") << Date{2024, 2, 28} << Date{2024, 2, 29};
    QTest::newRow("plain February") << Date{2023, 2, 28} << Date{2023, 3, 1};
}

void TestDateTime::nextDayRollsOver()
{
    QFETCH(Date, from);
    QFETCH(Date, to);
    const double d = *tryEncodeDate(from.year, from.month, from.day) + 0.6;
    QCOMPARE(decodeDate(nextDay(d)), to);
    QCOMPARE(timePart(nextDay(d)), 0.0);
}

void TestDateTime::wholeMinutes_data()
{
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    QTest::addColumn<bool>("same");
    const double day = 46000;
    const double m = 1.0 / kMinutesPerDay;
    const double ms = 1.0 / kMsecsPerDay;
    QTest::newRow("identical") << day + 600 * m << day + 600 * m << true;
    QTest::newRow("built two ways") << day + 7.0 / 24 + 30 * m << day + *tryEncodeTime(7, 30) << true;
    QTest::newRow("half a millisecond off") << day + 600 * m + 0.5 * ms << day + 600 * m << true;
    QTest::newRow("two milliseconds off") << day + 600 * m + 2 * ms << day + 600 * m << false;
    QTest::newRow("seconds past the minute") << day + 600 * m + 10000 * ms << day + 600 * m << false;
    QTest::newRow("next minute") << day + 601 * m << day + 600 * m << false;
    QTest::newRow("NaN") << std::nan("") << std::nan("") << false;
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity()
                              << std::numeric_limits<double>::infinity() << false;
}

void TestDateTime::wholeMinutes()
{
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(bool, same);
    QCOMPARE(sameMinute(a, b), same);
    QCOMPARE(sameMinute(b, a), same);
}

void TestDateTime::stepsOfSevenMinutesDoNotDrift()
{
    // Adding a step to a double again and again drifts; counting minutes does not.
    std::int64_t minute = *wholeMinuteNumber(46000.0);
    for (int i = 0; i < 205; ++i)
        minute += 7;
    const double last = fromMinuteNumber(minute);
    QCOMPARE(decodeTime(last), (Time{23, 55, 0, 0}));
    QVERIFY(sameMinute(last, 46000.0 + *tryEncodeTime(23, 55)));
    QCOMPARE(truncateToMinute(46000.0 + *tryEncodeTime(9, 31, 10)), 46000.0 + *tryEncodeTime(9, 31));
}

void TestDateTime::qtConversionRoundTrips_data()
{
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<double>("value");
    QTest::newRow("after the epoch") << QDateTime(QDate(2026, 12, 10), QTime(6, 0)) << 46366.25;
    QTest::newRow("the epoch's evening") << QDateTime(QDate(1899, 12, 30), QTime(18, 0)) << 0.75;
    // Before day 0 the time of day counts away from zero: 6:00 is -1.25, not -0.75.
    QTest::newRow("the day before the epoch") << QDateTime(QDate(1899, 12, 29), QTime(6, 0)) << -1.25;
    QTest::newRow("1800") << QDateTime(QDate(1800, 1, 1), QTime(18, 0)) << -36522.75;
}

void TestDateTime::qtConversionRoundTrips()
{
    QFETCH(QDateTime, moment);
    QFETCH(double, value);
    QCOMPARE(fromQDateTime(moment), value);
    QCOMPARE(toQDateTime(value), moment);
    const QDateTime withMsecs = moment.addMSecs(9250);
    QCOMPARE(toQDateTime(fromQDateTime(withMsecs)), withMsecs);
}

QTEST_APPLESS_MAIN(TestDateTime)
#include "tst_DateTime.moc"
