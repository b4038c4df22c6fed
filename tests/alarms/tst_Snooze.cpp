// SPDX-License-Identifier: GPL-3.0-or-later
#include "alarms/Recurrence.h"
#include "alarms/Snooze.h"

#include <QTest>

#include <cmath>

using namespace hv;

namespace {

DateTime at(int year, int month, int day, int hour, int minute, int second = 0)
{
    return *tryEncodeDate(year, month, day) + *tryEncodeTime(hour, minute, second);
}

} // namespace

class TestSnooze : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void snoozeUntil_data()
    {
        QTest::addColumn<DateTime>("now");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<DateTime>("expected");
        QTest::newRow("seconds dropped") << at(2026, 12, 10, 7, 0, 40) << 10 << at(2026, 12, 10, 7, 10);
        QTest::newRow("past midnight") << at(2026, 12, 10, 23, 55) << 10 << at(2026, 12, 11, 0, 5);
        QTest::newRow("past the year's end") << at(2024, 12, 31, 23, 59, 59) << 1 << at(2025, 1, 1, 0, 0);
        // The current minute has been checked already; zero or less would never fire.
        QTest::newRow("zero is one") << at(2026, 12, 10, 12, 30) << 0 << at(2026, 12, 10, 12, 31);
        QTest::newRow("negative is one") << at(2026, 12, 10, 12, 30) << -5 << at(2026, 12, 10, 12, 31);
        QTest::newRow("at most 59") << at(2026, 12, 10, 12, 30) << 90 << at(2026, 12, 10, 13, 29);
        QTest::newRow("not a number") << std::nan("") << 10 << kNeverDue;
        QTest::newRow("the calendar's end") << at(9999, 12, 31, 23, 55) << 10 << kNeverDue;
    }

    void snoozeUntil()
    {
        QFETCH(DateTime, now);
        QFETCH(int, minutes);
        QFETCH(DateTime, expected);
        const DateTime until = hv::snoozeUntil(now, minutes);
        QVERIFY2(
            sameMinute(until, expected) || until == expected,
            qPrintable(QStringLiteral("%1 instead of %2").arg(until, 0, 'f', 8).arg(expected, 0, 'f', 8)));
    }
};

QTEST_APPLESS_MAIN(TestSnooze)
#include "tst_Snooze.moc"
