// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ClockTick.h"
#include "common/DateTimeFormat.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/FakeWindowTitles.h"

#include <QTest>

using namespace hv;

namespace {

// The face the tick draws on, recording what it was asked to do.
struct RecordingFace : ClockTick::Face
{
    QStringList shown;
    QString toolTip;
    int fits = 0;

    void showTime(const QString& faceText, const QString& tip) override
    {
        shown << faceText;
        toolTip = tip;
    }
    void shrinkFontToFit() override { ++fits; }
};

FormatSettings twelveHour()
{
    return FormatSettings::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates));
}

DateTime at(int hour, int minute, int second = 0)
{
    return *tryEncodeDate(2026, 12, 10) + *tryEncodeTime(hour, minute, second);
}

} // namespace

class TestClockTick : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void timeText_data();
    void timeText();
    void firstTickSetsEverythingAndLaterTicksOnlyAtMinuteChanges();
    void voiceRequestSpeaksAtTheNextTickWithoutAnExtraAlarmCheck();
    void voiceRequestAtAMinuteChangeKeepsTheAlarmCheck();
    void jumpOfWholeHoursIsAMinuteChange();
    void toolTipCutKeepsTheTimeForALongDate_data();
    void toolTipCutKeepsTheTimeForALongDate();
};

void TestClockTick::timeText_data()
{
    QTest::addColumn<FormatSettings>("formats");
    QTest::addColumn<DateTime>("now");
    QTest::addColumn<int>("hour");
    QTest::addColumn<QString>("text");
    const FormatSettings us = twelveHour();
    const FormatSettings de = FormatSettings::fromLocale(QLocale(QLocale::German, QLocale::Germany));
    const FormatSettings c = FormatSettings::fromLocale(QLocale::c());
    QTest::newRow("12-hour afternoon") << us << at(15, 7, 42) << 3 << QStringLiteral("3:07\u202fPM");
    QTest::newRow("12-hour midnight") << us << at(0, 30) << 12 << QStringLiteral("12:30\u202fAM");
    QTest::newRow("24-hour") << de << at(23, 7, 59) << 23 << QStringLiteral("23:07");
    QTest::newRow("C locale drops the seconds") << c << at(9, 5, 30) << 9 << QStringLiteral("09:05");
}

void TestClockTick::timeText()
{
    QFETCH(FormatSettings, formats);
    QFETCH(DateTime, now);
    QFETCH(int, hour);
    QFETCH(QString, text);
    const TimeText t = makeTimeText(now, formats);
    QCOMPARE(t.hour, hour);
    // Locales differ in the blank before AM/PM; compare without it.
    QCOMPARE(t.text.simplified().remove(QChar(0x202f)).remove(u' '),
             text.simplified().remove(QChar(0x202f)).remove(u' '));
    QVERIFY(isWholeMinute(t.minuteStamp));
    QCOMPARE(t.minuteStamp, truncateToMinute(now));
}

void TestClockTick::firstTickSetsEverythingAndLaterTicksOnlyAtMinuteChanges()
{
    RecordingFace face;
    FakeWindowTitles desk;
    desk.titles = {{7, QStringLiteral("Editor")}};
    desk.active = 7;
    TitleBarClock titleBar(desk);
    ClockTick tick(face, titleBar);
    QList<DateTime> checks;
    int announcements = 0;
    tick.setAnnouncement([&](const TimeText&, bool) { ++announcements; });
    tick.setAlarmCheck([&](DateTime stamp, DateTime) { checks << stamp; });

    FakeClock clock(at(7, 5, 0) + 0.3 / 86400);
    for (int second = 0; second < 180; ++second) {
        tick.run(clock.now(), twelveHour(), {true, false, false});
        clock.advanceSeconds(1);
    }
    QCOMPARE(face.shown.size(), 3);
    QCOMPARE(announcements, 3);
    QCOMPARE(checks, (QList<DateTime>{at(7, 5), at(7, 6), at(7, 7)}));
    QVERIFY(face.toolTip.startsWith(QStringLiteral("Horavox 32 - Thursday, December 10, 2026,  7:07")));
    QVERIFY(desk.titles[7].startsWith(QStringLiteral("Editor - 7:07")));
}

void TestClockTick::voiceRequestSpeaksAtTheNextTickWithoutAnExtraAlarmCheck()
{
    RecordingFace face;
    FakeWindowTitles desk;
    TitleBarClock titleBar(desk);
    ClockTick tick(face, titleBar);
    QList<bool> spoken;
    int checks = 0;
    tick.setAnnouncement([&](const TimeText&, bool requested) { spoken << requested; });
    tick.setAlarmCheck([&](DateTime, DateTime) { ++checks; });
    tick.run(at(9, 31, 10), twelveHour(), {});
    tick.requestVoice();
    tick.requestVoice(); // two presses before the next tick speak once
    tick.run(at(9, 31, 11), twelveHour(), {});
    tick.run(at(9, 31, 12), twelveHour(), {});
    QCOMPARE(spoken, (QList<bool>{false, true}));
    QCOMPARE(checks, 1);
    QVERIFY(!tick.voiceRequested());
}

void TestClockTick::voiceRequestAtAMinuteChangeKeepsTheAlarmCheck()
{
    RecordingFace face;
    FakeWindowTitles desk;
    TitleBarClock titleBar(desk);
    ClockTick tick(face, titleBar);
    QList<DateTime> checks;
    tick.setAlarmCheck([&](DateTime stamp, DateTime) { checks << stamp; });
    tick.run(at(9, 31, 59), twelveHour(), {});
    tick.requestVoice();
    tick.run(at(9, 32, 0), twelveHour(), {});
    QCOMPARE(checks, (QList<DateTime>{at(9, 31), at(9, 32)}));
}

void TestClockTick::jumpOfWholeHoursIsAMinuteChange()
{
    RecordingFace face;
    FakeWindowTitles desk;
    TitleBarClock titleBar(desk);
    ClockTick tick(face, titleBar);
    int checks = 0;
    tick.setAlarmCheck([&](DateTime, DateTime) { ++checks; });
    tick.run(at(9, 31), twelveHour(), {});
    tick.run(at(12, 31), twelveHour(), {}); // resumed three hours later
    QCOMPARE(checks, 2);
}

void TestClockTick::toolTipCutKeepsTheTimeForALongDate_data()
{
    QTest::addColumn<QString>("longDate");
    QTest::addColumn<QString>("shortTime"); // empty: the locale's
    QTest::addColumn<QString>("date");      // the date as the tooltip shows it

    const QString wordy = QStringLiteral("dddd, 'the' d'th day of' mmmm 'in the year' yyyy");
    QTest::newRow("fits: whole") << QStringLiteral("dddd, mmmm d, yyyy") << QString()
                                 << QStringLiteral("Thursday, December 10, 2026");
    QTest::newRow("long date: cut, with an ellipsis")
        << wordy << QString() << QStringLiteral("Thursday, the 10th day of December in\u2026");
    QTest::newRow("long date and a long time: the time whole")
        << wordy << QStringLiteral("hh:nn 'oclock in the morning'")
        << QStringLiteral("Thursday, the 10th\u2026");
    QTest::newRow("exactly the room: whole")
        << QStringLiteral("'%1'").arg(QString(39, u'x')) << QString() << QString(39, u'x');
    QTest::newRow("one more than the room")
        << QStringLiteral("'%1'").arg(QString(40, u'x')) << QString() << QString(38, u'x') + QChar(0x2026);
}

void TestClockTick::toolTipCutKeepsTheTimeForALongDate()
{
    QFETCH(QString, longDate);
    QFETCH(QString, shortTime);
    QFETCH(QString, date);

    FormatSettings formats = twelveHour();
    formats.longDateFormat = longDate;
    if (!shortTime.isEmpty())
        formats.shortTimeFormat = shortTime;
    const QString time = formatDateTime(u"t", at(7, 5, 12), formats);
    QVERIFY(time.startsWith(QStringLiteral("7:05")) || time.startsWith(QStringLiteral("07:05")));
    const QString tip = trayToolTip(at(7, 5, 12), formats);
    QCOMPARE(tip, QStringLiteral("Horavox 32 - ") + date + QStringLiteral(",  ") + time);
    QVERIFY(tip.size() <= kTrayToolTipLength);
}

QTEST_GUILESS_MAIN(TestClockTick)
#include "tst_ClockTick.moc"
