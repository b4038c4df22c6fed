// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeAlarmActions.h"
#include "alarms/AlarmCheck.h"
#include "alarms/Recurrence.h"
#include "platform/fake/FakeClock.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

using namespace hv;
using namespace Qt::StringLiterals;

namespace {

// Tuesday 5 March 2024.
constexpr int kYear = 2024;
constexpr int kMonth = 3;
constexpr int kDay = 5;

// How long after the turn of a minute the tick reads the clock.
constexpr double kTickDelay = 400 / kMsecsPerDay;

DateTime clockTime(int hour, int minute, int second = 0)
{
    return tryEncodeTime(hour, minute, second).value();
}

DateTime at(int hour, int minute, int second = 0, int day = kDay)
{
    return combine(tryEncodeDate(kYear, kMonth, day).value(), clockTime(hour, minute, second));
}

// A daily alarm of `kind`, active, with no waves.
AlarmRecord alarm(AlarmKind kind, const QString& target, int hour, int minute)
{
    AlarmRecord a;
    a.Rule = RuleDaily;
    a.AlarmKind = kind;
    a.Target = target;
    a.StartTime = clockTime(hour, minute);
    a.WaveA = u"NONE"_s;
    a.WaveB = u"NONE"_s;
    a.Active = true;
    return a;
}

AlarmRecord withStop(AlarmRecord a, int hour, int minute)
{
    a.StopEnabled = true;
    a.StopTime = clockTime(hour, minute);
    return a;
}

AlarmRecord autoDeleted(AlarmRecord a)
{
    a.AutoDelete = true;
    return a;
}

AlarmRecord everyQuarterHourFrom9()
{
    AlarmRecord a = alarm(KindMessage, u"quarter"_s, 9, 0);
    a.Rule = RuleEvery;
    a.Count = 15;
    a.EveryUnit = EveryMinutes;
    a.EveryDays = EveryEveryday;
    return a;
}

QString label(DateTime minuteStamp)
{
    return toQDateTime(minuteStamp).toString(u"ddd HH:mm"_s);
}

struct VoiceValues : VoiceSettings
{
    VoiceValues()
    {
        howOften = 30;
        playWave = true;
        beforeAfter = kWaveAfterVoice;
    }
    std::int32_t currentInterval = 7;
};

// An alarm check on its own table, with fake actions and a fake clock that
// the tick reads shortly after each minute turns.
class Rig
{
public:
    AlarmTable table;
    CdRequests cd;
    VoiceValues voice;
    FakeAlarmActions actions;
    QTemporaryDir programDir;
    FakeClock clock;
    bool autoStartSetting = false;
    std::unique_ptr<AlarmCheck> check =
        std::make_unique<AlarmCheck>(table, cd, voice, voice.currentInterval, actions, programDir.path());

    // Puts the alarms into slots 1, 2, ... and sorts them, as loading does.
    void load(const QList<AlarmRecord>& alarms)
    {
        for (int n = 1; n <= alarms.size(); ++n)
            table.slot(n) = alarms[n - 1];
        table.sort();
    }

    // The alarm whose Target is `target`; none when it is not in the table.
    std::optional<int> slotOf(const QString& target) const
    {
        for (int n = 1; n <= AlarmTable::kSlots; ++n) {
            if (table.slot(n).isUsed() && table.slot(n).Target.text() == target)
                return n;
        }
        return std::nullopt;
    }

    // Runs one check for every minute from `first` through `last`, as the tick
    // does; returns what the check asked for, one "<day> <time> <call>" each.
    QStringList runMinutes(DateTime first, DateTime last)
    {
        QStringList seen;
        const std::int64_t end = wholeMinuteNumber(last).value();
        for (std::int64_t minute = wholeMinuteNumber(first).value(); minute <= end; ++minute) {
            clock.set(fromMinuteNumber(minute) + kTickDelay);
            const DateTime stamp = truncateToMinute(clock.now());
            check->run(stamp, clock.now(), autoStartSetting);
            for (const QString& call : actions.takeCalls())
                seen.append(label(stamp) + u' ' + call);
        }
        return seen;
    }

    QStringList runMinute(DateTime minute) { return runMinutes(minute, minute); }
};

} // namespace

class TestAlarmCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstCheck_data();
    void firstCheck();
    void alarmsDueTogetherFireInSlotOrder();
    void inactiveAlarmNeitherFiresNorMoves();
    void onlyWholeMinutesMatch_data();
    void onlyWholeMinutesMatch();

    void programOrWave_data();
    void programOrWave();
    void cdPlayMode_data();
    void cdPlayMode();
    void cdStop_data();
    void cdStop();
    void commandWords_data();
    void commandWords();
    void pagedeckAtStartAndStop();
    void messageShowsItsAlarm();

    void stopConditions_data();
    void stopConditions();
    void programClosedAndDeletedAtItsStop();
    void programStop_data();
    void programStop();
    void lateWindowFollowsMovedAlarm();
    void lateWindowWithoutItsLaunch_data();
    void lateWindowWithoutItsLaunch();

    void autoDeleteByKind_data();
    void autoDeleteByKind();
    void autoDeleteRemovesRecordings();
    void autoDeleteClosesGapsAndIdsFollow();

    void missedMomentsAreNotCaughtUp_data();
    void missedMomentsAreNotCaughtUp();
    void smallStepBack_data();
    void smallStepBack();
    void clockSetBackFiresNothingTwice_data();
    void clockSetBackFiresNothingTwice();
    void snoozeSurvivesAReportedJump();
    void skippedMomentsAreListed_data();
    void skippedMomentsAreListed();
};

// Once today at 7:00; the program starts at 7:20:30. The stored NextDue names
// the start minute, as a value left over in the file might: the first check
// must not trust it.
void TestAlarmCheck::firstCheck_data()
{
    QTest::addColumn<bool>("autoStartSetting");
    QTest::addColumn<bool>("alarmAutoStart");
    QTest::addColumn<bool>("stopAt710");
    QTest::addColumn<QStringList>("calls");

    const QStringList fired{u"Tue 07:20 message wake"_s};
    QTest::newRow("Auto Start on, alarm may start") << true << true << false << fired;
    QTest::newRow("Auto Start off") << false << true << false << QStringList{};
    QTest::newRow("alarm may not start") << true << false << false << QStringList{};
    QTest::newRow("its stop time has passed") << true << true << true << QStringList{};
}

void TestAlarmCheck::firstCheck()
{
    QFETCH(bool, autoStartSetting);
    QFETCH(bool, alarmAutoStart);
    QFETCH(bool, stopAt710);
    QFETCH(QStringList, calls);

    Rig rig;
    AlarmRecord wake = alarm(KindMessage, u"wake"_s, 7, 0);
    wake.Rule = RuleOnce;
    wake.OnceDate = at(0, 0);
    wake.AutoStart = alarmAutoStart;
    if (stopAt710)
        wake = withStop(wake, 7, 10);
    wake.NextDue = at(7, 20);
    rig.load({wake});
    rig.autoStartSetting = autoStartSetting;

    QVERIFY(rig.check->firstCheckPending());
    rig.clock.set(at(7, 20, 30));
    rig.check->run(at(7, 20), rig.clock.now(), autoStartSetting);
    QVERIFY(!rig.check->firstCheckPending());
    QStringList seen;
    for (const QString& call : rig.actions.takeCalls())
        seen.append(u"Tue 07:20 "_s + call);
    QCOMPARE(seen, calls);
    // Fired or not, a Once alarm ends up at its own moment, which has passed.
    QVERIFY(sameMinute(rig.table.slot(1).NextDue, at(7, 0)));

    // Only the first check starts alarms whose time has passed.
    QCOMPARE(rig.runMinutes(at(7, 21), at(7, 30)), QStringList{});
}

void TestAlarmCheck::alarmsDueTogetherFireInSlotOrder()
{
    Rig rig;
    rig.load({alarm(KindMessage, u"later"_s, 9, 1), alarm(KindMessage, u"first"_s, 9, 0),
              alarm(KindMessage, u"second"_s, 9, 0)});

    const QStringList expected{u"Tue 09:00 message first"_s, u"Tue 09:00 message second"_s,
                               u"Tue 09:01 message later"_s};
    QCOMPARE(rig.runMinutes(at(8, 55), at(9, 5)), expected);
    QCOMPARE(rig.actions.changes, 11); // one list rebuild per check
}

void TestAlarmCheck::inactiveAlarmNeitherFiresNorMoves()
{
    Rig rig;
    AlarmRecord asleep = withStop(alarm(KindPagedeck, u"Asleep"_s, 9, 0), 9, 2);
    asleep.Active = false;
    asleep.StopDue = at(9, 2); // a stop left over from an earlier firing
    rig.load({asleep});

    QCOMPARE(rig.runMinutes(at(8, 59), at(9, 5)), QStringList{});
    QVERIFY(sameMinute(rig.table.slot(1).NextDue, at(9, 0)));
    QVERIFY(sameMinute(rig.table.slot(1).StopDue, at(9, 2)));

    // Switched on, as the editor does, it fires at its next occurrence.
    rig.table.slot(1).Active = true;
    computeNextDue(rig.table.slot(1), rig.clock.now(), false);
    const QStringList next{u"Wed 09:00 pagedeck Asleep -LAUNCH"_s, u"Wed 09:02 pagedeck Asleep -CLOSE"_s};
    QCOMPARE(rig.runMinutes(at(9, 6), at(9, 5, 0, kDay + 1)), next);
}

// NextDue and the stamp are compared as whole minutes.
void TestAlarmCheck::onlyWholeMinutesMatch_data()
{
    QTest::addColumn<double>("nextDueOffsetMs");
    QTest::addColumn<double>("stampOffsetMs");
    QTest::addColumn<bool>("fires");

    QTest::newRow("the same minute") << 0.0 << 0.0 << true;
    QTest::newRow("rounding noise below a millisecond") << 0.4 << 0.0 << true;
    QTest::newRow("NextDue half a minute late") << 30000.0 << 0.0 << false;
    QTest::newRow("NextDue a minute early") << -60000.0 << 0.0 << false;
    QTest::newRow("stamp off a whole minute") << 0.0 << 20000.0 << false;
}

void TestAlarmCheck::onlyWholeMinutesMatch()
{
    QFETCH(double, nextDueOffsetMs);
    QFETCH(double, stampOffsetMs);
    QFETCH(bool, fires);

    Rig rig;
    rig.load({alarm(KindMessage, u"due"_s, 9, 0)});
    rig.runMinute(at(8, 59));
    rig.table.slot(1).NextDue = at(9, 0) + nextDueOffsetMs / kMsecsPerDay;
    rig.check->run(at(9, 0) + stampOffsetMs / kMsecsPerDay, at(9, 0, 1), false);
    QCOMPARE(rig.actions.messages.size(), fires ? 1 : 0);
}

void TestAlarmCheck::programOrWave_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("minimized");
    QTest::addColumn<QStringList>("calls");

    const auto program = int(KindProgram);
    const auto wave = int(KindWaveFile);
    QTest::newRow("program: start wave, then the command line")
        << program << u"xterm -e top"_s << false << QStringList{u"play /w/go.wav"_s, u"start xterm -e top"_s};
    QTest::newRow("program, minimized")
        << program << u"xterm"_s << true << QStringList{u"play /w/go.wav"_s, u"start xterm (minimized)"_s};
    QTest::newRow("program naming a .wav")
        << program << u"/w/bell.wav"_s << false << QStringList{u"play /w/bell.wav"_s};
    QTest::newRow("program naming a .WAV")
        << program << u"/W/BELL.WAV"_s << false << QStringList{u"play /W/BELL.WAV"_s};
    QTest::newRow("wave file, mixed case")
        << wave << u"/w/Bell.Wav"_s << false << QStringList{u"play /w/Bell.Wav"_s};
    QTest::newRow("wave file with a note after ';'")
        << wave << u"/w/bell.wav;morning bell; loud"_s << false << QStringList{u"play /w/bell.wav"_s};
    QTest::newRow("';' in a command line stays")
        << program << u"sh -c 'a;b'"_s << false << QStringList{u"play /w/go.wav"_s, u"start sh -c 'a;b'"_s};
}

void TestAlarmCheck::programOrWave()
{
    QFETCH(int, kind);
    QFETCH(QString, target);
    QFETCH(bool, minimized);
    QFETCH(QStringList, calls);

    Rig rig;
    AlarmRecord a = alarm(AlarmKind(kind), target, 9, 0);
    a.WaveA = u"/w/go.wav"_s;
    a.RunMinimized = minimized;
    rig.load({a});
    QStringList seen = rig.runMinutes(at(8, 59), at(9, 1));
    seen.replaceInStrings(u"Tue 09:00 "_s, QString());
    QCOMPARE(seen, calls);
}

void TestAlarmCheck::cdPlayMode_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("modeBefore");
    QTest::addColumn<int>("mode");

    QTest::newRow("Loop") << u"Loop"_s << int(CdRequests::Shuffle) << int(CdRequests::Loop);
    QTest::newRow("Shuffle") << u"Shuffle"_s << int(CdRequests::Loop) << int(CdRequests::Shuffle);
    QTest::newRow("Playlist") << u"Playlist"_s << int(CdRequests::Loop) << int(CdRequests::PlayList);
    QTest::newRow("lower case") << u"playlist"_s << int(CdRequests::Loop) << int(CdRequests::PlayList);
    QTest::newRow("no mode word keeps the mode")
        << u"Tracks"_s << int(CdRequests::Shuffle) << int(CdRequests::Shuffle);
    QTest::newRow("Shuffle is tested after Loop")
        << u"Shuffle Loop"_s << int(CdRequests::PlayList) << int(CdRequests::Shuffle);
    QTest::newRow("Playlist is tested last")
        << u"Playlist Loop Shuffle"_s << int(CdRequests::Loop) << int(CdRequests::PlayList);
}

void TestAlarmCheck::cdPlayMode()
{
    QFETCH(QString, target);
    QFETCH(int, modeBefore);
    QFETCH(int, mode);

    Rig rig;
    AlarmRecord a = alarm(KindCdPlayer, target, 9, 0);
    a.WaveA = u"/w/cd.wav"_s;
    rig.load({a});
    rig.cd.playMode = modeBefore;
    rig.runMinute(at(8, 59));
    QVERIFY(!rig.cd.startRequested);

    const QStringList calls{u"Tue 09:00 play /w/cd.wav"_s, u"Tue 09:00 cd player"_s};
    QCOMPARE(rig.runMinute(at(9, 0)), calls);
    QVERIFY(rig.cd.startRequested);
    QCOMPARE(rig.cd.playMode, mode);
}

void TestAlarmCheck::cdStop_data()
{
    QTest::addColumn<bool>("playerOpen");
    QTest::addColumn<QStringList>("calls");

    QTest::newRow("player open: stop, play, delete") << true << QStringList{u"Tue 09:30 play /w/end.wav"_s};
    QTest::newRow("player not open: nothing") << false << QStringList{};
}

void TestAlarmCheck::cdStop()
{
    QFETCH(bool, playerOpen);
    QFETCH(QStringList, calls);

    Rig rig;
    AlarmRecord a = autoDeleted(withStop(alarm(KindCdPlayer, u"Loop"_s, 9, 0), 9, 30));
    a.WaveB = u"/w/end.wav"_s;
    rig.load({a});
    rig.runMinutes(at(8, 59), at(9, 29));
    rig.actions.takeCalls();
    rig.cd.playerOpen = playerOpen;

    QCOMPARE(rig.runMinute(at(9, 30)), calls);
    QCOMPARE(rig.cd.stopRequested, playerOpen);
    QCOMPARE(rig.table.usedCount(), playerOpen ? 0 : 1);
}

// Before: Play Voice off, HowOften 30, current interval 7, Play Wave on, after.
// The texts are those the editor builds from its four choices.
void TestAlarmCheck::commandWords_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("playVoice");
    QTest::addColumn<int>("howOften");
    QTest::addColumn<bool>("playWave");
    QTest::addColumn<int>("beforeAfter");

    QTest::newRow("On, 15 min, Off, After")
        << u" PlayVoice On 15 min WaveFile Off After"_s << true << 15 << false << 2;
    QTest::newRow("5 min alone") << u" 5 min"_s << false << 5 << true << 2;
    QTest::newRow("1 min") << u" 1 min"_s << false << 1 << true << 2;
    QTest::newRow("10 min") << u" 10 min"_s << false << 10 << true << 2;
    QTest::newRow("60 min") << u" 60 min"_s << false << 60 << true << 2;
    QTest::newRow("no interval keeps HowOften")
        << u" PlayVoice Off WaveFile On Before"_s << false << 30 << true << 1;
    QTest::newRow("any case") << u"playvoice on wavefile off before"_s << true << 30 << false << 1;
    QTest::newRow("no words") << QString() << false << 30 << true << 2;
}

void TestAlarmCheck::commandWords()
{
    QFETCH(QString, target);
    QFETCH(bool, playVoice);
    QFETCH(int, howOften);
    QFETCH(bool, playWave);
    QFETCH(int, beforeAfter);

    Rig rig;
    AlarmRecord a = alarm(KindCommand, target, 9, 0);
    a.WaveA = u"/w/ok.wav"_s;
    rig.load({a});
    rig.runMinute(at(8, 59));
    QCOMPARE(rig.voice.currentInterval, 7);

    QCOMPARE(rig.runMinute(at(9, 0)), QStringList{u"Tue 09:00 play /w/ok.wav"_s});
    QCOMPARE(rig.voice.playVoice, playVoice);
    QCOMPARE(rig.voice.howOften, howOften);
    QCOMPARE(rig.voice.currentInterval, howOften); // whether or not an interval word was found
    QCOMPARE(rig.voice.playWave, playWave);
    QCOMPARE(rig.voice.beforeAfter, beforeAfter);
}

void TestAlarmCheck::pagedeckAtStartAndStop()
{
    Rig rig;
    AlarmRecord a = withStop(alarm(KindPagedeck, u"Morning"_s, 9, 0), 9, 30);
    a.WaveA = u"/w/a.wav"_s;
    a.WaveB = u"/w/b.wav"_s;
    rig.load({a});

    const QStringList calls{u"Tue 09:00 play /w/a.wav"_s, u"Tue 09:00 pagedeck Morning -LAUNCH"_s,
                            u"Tue 09:30 play /w/b.wav"_s, u"Tue 09:30 pagedeck Morning -CLOSE"_s};
    QCOMPARE(rig.runMinutes(at(8, 59), at(9, 45)), calls);
}

// The window gets the alarm's identity, its text and its wave, "NONE" when it
// had none; an auto-delete alarm waits for the window's OK.
void TestAlarmCheck::messageShowsItsAlarm()
{
    Rig rig;
    AlarmRecord a = autoDeleted(alarm(KindMessage, u"Stand up"_s, 9, 0));
    a.WaveA.clear();
    rig.load({a});
    rig.runMinutes(at(8, 59), at(9, 1));

    QCOMPARE(rig.actions.messages.size(), 1);
    const FakeAlarmActions::Message& shown = rig.actions.messages.first();
    QCOMPARE(shown.text, u"Stand up"_s);
    QCOMPARE(shown.wave, u"NONE"_s);
    QCOMPARE(rig.table.slotOf(shown.alarm), std::optional(1));
    QCOMPARE(rig.table.slot(1).WaveA.text(), u"NONE"_s);
    QVERIFY(sameMinute(rig.table.slot(1).NextDue, at(9, 0, 0, kDay + 1)));
}

// A Pagedeck alarm from 9:00 to 9:30 shows whether its stop is done.
void TestAlarmCheck::stopConditions_data()
{
    QTest::addColumn<int>("rule");
    QTest::addColumn<bool>("stopEnabled");
    QTest::addColumn<bool>("deactivated");
    QTest::addColumn<bool>("stops");

    QTest::newRow("stops") << int(RuleDaily) << true << false << true;
    QTest::newRow("no stop time") << int(RuleDaily) << false << false << false;
    QTest::newRow("switched off after it started") << int(RuleDaily) << true << true << false;
    QTest::newRow("Every rule") << int(RuleEvery) << true << false << false;
}

void TestAlarmCheck::stopConditions()
{
    QFETCH(int, rule);
    QFETCH(bool, stopEnabled);
    QFETCH(bool, deactivated);
    QFETCH(bool, stops);

    Rig rig;
    AlarmRecord a = withStop(alarm(KindPagedeck, u"Desk"_s, 9, 0), 9, 30);
    a.StopEnabled = stopEnabled;
    a.Rule = rule;
    a.Count = 2;
    a.EveryUnit = EveryHours;
    a.EveryDays = EveryEveryday;
    rig.load({a});
    QCOMPARE(rig.runMinutes(at(8, 59), at(9, 0)), QStringList{u"Tue 09:00 pagedeck Desk -LAUNCH"_s});
    rig.table.slot(1).Active = !deactivated;

    const QStringList stop{u"Tue 09:30 pagedeck Desk -CLOSE"_s};
    QCOMPARE(rig.runMinutes(at(9, 1), at(10, 0)), stops ? stop : QStringList{});
}

// Started at 9:00, the program's window shows a while later; at the stop time
// it is asked to close and the alarm is removed, not before.
void TestAlarmCheck::programClosedAndDeletedAtItsStop()
{
    Rig rig;
    AlarmRecord a = autoDeleted(withStop(alarm(KindProgram, u"xterm -title Work"_s, 9, 0), 17, 0));
    a.Rule = RuleOnce;
    a.OnceDate = at(0, 0);
    rig.load({a});
    const AlarmId id = rig.table.idOf(1);

    QCOMPARE(rig.runMinutes(at(8, 58), at(9, 3)), QStringList{u"Tue 09:00 start xterm -title Work"_s});
    QCOMPARE(rig.table.slotOf(id), std::optional(1));
    QCOMPARE(rig.actions.launchCount(), 1);
    const LaunchedWindow window = 0x4a00003; // its low 16 bits would read as "no window"
    rig.actions.deliverWindow(0, window);
    QVERIFY(rig.table.slot(1).LaunchedWindow > 31);

    QCOMPARE(rig.runMinutes(at(9, 4), at(16, 59)), QStringList{});
    QCOMPARE(rig.table.slotOf(id), std::optional(1));
    QCOMPARE(rig.runMinute(at(17, 0)), QStringList{u"Tue 17:00 close 0x4a00003"_s});
    QCOMPARE(rig.table.slotOf(id), std::nullopt);
    QCOMPARE(rig.table.usedCount(), 0);
}

// A Program alarm stopping at 9:30 with what its record and this run know of
// the window: started at 9:00 in this run (the window given later, or not),
// or started before a restart, when only the record's 16 bits remain.
void TestAlarmCheck::programStop_data()
{
    QTest::addColumn<bool>("startedThisRun");
    QTest::addColumn<quint64>("window");   // delivered for this run's start; ~0 for none delivered
    QTest::addColumn<int>("storedWindow"); // the record's LaunchedWindow from an earlier run
    QTest::addColumn<bool>("autoDelete");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<bool>("deleted");

    constexpr quint64 kNone = ~quint64{0};
    const QStringList noCalls;
    QTest::newRow("window of this run")
        << true << quint64{0x2c00041} << 0 << true << QStringList{u"close 0x2c00041"_s} << true;
    QTest::newRow("window of this run, kept")
        << true << quint64{0x2c00041} << 0 << false << QStringList{u"close 0x2c00041"_s} << false;
    QTest::newRow("program failed to start") << true << quint64{0} << 0 << true << noCalls << false;
    QTest::newRow("window not known yet") << true << kNone << 0 << true << noCalls << false;
    QTest::newRow("window of an earlier run") << false << kNone << 0x1234 << true << noCalls << true;
    QTest::newRow("window of an earlier run, kept") << false << kNone << 0x1234 << false << noCalls << false;
    QTest::newRow("31 means no window") << false << kNone << 31 << true << noCalls << false;
}

void TestAlarmCheck::programStop()
{
    QFETCH(bool, startedThisRun);
    QFETCH(quint64, window);
    QFETCH(int, storedWindow);
    QFETCH(bool, autoDelete);
    QFETCH(QStringList, calls);
    QFETCH(bool, deleted);

    Rig rig;
    AlarmRecord a = withStop(alarm(KindProgram, u"editor notes.txt"_s, 9, 0), 9, 30);
    a.AutoDelete = autoDelete;
    a.Rule = RuleOnce;
    a.OnceDate = at(0, 0);
    if (!startedThisRun) {
        a.StopDue = at(9, 30);
        a.LaunchedWindow = static_cast<std::uint16_t>(storedWindow);
    }
    rig.load({a});

    rig.runMinutes(startedThisRun ? at(8, 59) : at(9, 10), at(9, 29));
    QCOMPARE(rig.actions.launchCount(), startedThisRun ? 1 : 0);
    if (startedThisRun && window != ~quint64{0})
        rig.actions.deliverWindow(0, window);
    rig.actions.takeCalls();

    QStringList seen = rig.runMinute(at(9, 30));
    seen.replaceInStrings(u"Tue 09:30 "_s, QString());
    QCOMPARE(seen, calls);
    QCOMPARE(rig.table.usedCount(), deleted ? 0 : 1);
}

// Slot 1's alarm deletes itself as the one in slot 2 starts its program; the
// window arrives after the gap was closed and still reaches its alarm.
void TestAlarmCheck::lateWindowFollowsMovedAlarm()
{
    Rig rig;
    rig.load({autoDeleted(alarm(KindWaveFile, u"/w/chime.wav"_s, 9, 0)),
              withStop(alarm(KindProgram, u"clock-app"_s, 9, 0), 9, 30)});
    rig.runMinutes(at(8, 59), at(9, 1));
    QCOMPARE(rig.table.usedCount(), 1);
    QCOMPARE(rig.table.slot(1).Target.text(), u"clock-app"_s);

    rig.actions.deliverWindow(0, 0x1c00062);
    QCOMPARE(rig.table.slot(1).LaunchedWindow, std::uint16_t{0x62});
    QCOMPARE(rig.runMinutes(at(9, 2), at(9, 30)), QStringList{u"Tue 09:30 close 0x1c00062"_s});
}

// A window that arrives when its launch no longer stands is dropped.
void TestAlarmCheck::lateWindowWithoutItsLaunch_data()
{
    QTest::addColumn<QString>("meanwhile");
    QTest::newRow("the alarm was deleted") << u"deleted"_s;
    QTest::newRow("the alarm started its program again") << u"started again"_s;
    QTest::newRow("the check is gone") << u"check gone"_s;
}

void TestAlarmCheck::lateWindowWithoutItsLaunch()
{
    QFETCH(QString, meanwhile);

    Rig rig;
    AlarmRecord a = withStop(alarm(KindProgram, u"monitor"_s, 9, 0), 9, 30);
    a.Rule = RuleEvery; // every minute from 9:00
    a.Count = 1;
    a.EveryUnit = EveryMinutes;
    a.EveryDays = EveryEveryday;
    rig.load({a});
    rig.runMinutes(at(8, 59), at(9, 0));
    QCOMPARE(rig.actions.launchCount(), 1);

    if (meanwhile == u"deleted"_s) {
        rig.table.removeSlot(1, rig.programDir.path());
        rig.load({alarm(KindProgram, u"other"_s, 10, 0)}); // takes the freed slot
    } else if (meanwhile == u"started again"_s) {
        rig.runMinute(at(9, 1));
        QCOMPARE(rig.actions.launchCount(), 2);
    } else {
        rig.check.reset();
    }
    const AlarmTable before = rig.table;
    rig.actions.deliverWindow(0, 0x3e00051);
    QCOMPARE(rig.table.slot(1).LaunchedWindow, before.slot(1).LaunchedWindow);
    QVERIFY(rig.table.slot(1) == before.slot(1));
}

// Firing at 9:00 with AutoDelete; a stop time, where given, is 9:30 (the CD
// player is open, so its stop acts).
void TestAlarmCheck::autoDeleteByKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("stopEnabled");
    QTest::addColumn<bool>("deletedAtStart");
    QTest::addColumn<bool>("deletedAtStop");

    QTest::newRow("program") << int(KindProgram) << u"prog"_s << false << true << true;
    QTest::newRow("program with a stop, no window")
        << int(KindProgram) << u"prog"_s << true << false << false;
    QTest::newRow("wave with a stop") << int(KindWaveFile) << u"/w/a.wav"_s << true << true << true;
    QTest::newRow("CD player") << int(KindCdPlayer) << u"Loop"_s << false << true << true;
    QTest::newRow("CD player with a stop") << int(KindCdPlayer) << u"Loop"_s << true << false << true;
    QTest::newRow("command with a stop") << int(KindCommand) << u" 5 min"_s << true << true << true;
    QTest::newRow("Pagedeck") << int(KindPagedeck) << u"Desk"_s << false << true << true;
    QTest::newRow("Pagedeck with a stop") << int(KindPagedeck) << u"Desk"_s << true << false << true;
    QTest::newRow("message") << int(KindMessage) << u"Hello"_s << true << false << false;
}

void TestAlarmCheck::autoDeleteByKind()
{
    QFETCH(int, kind);
    QFETCH(QString, target);
    QFETCH(bool, stopEnabled);
    QFETCH(bool, deletedAtStart);
    QFETCH(bool, deletedAtStop);

    Rig rig;
    AlarmRecord a = autoDeleted(withStop(alarm(AlarmKind(kind), target, 9, 0), 9, 30));
    a.StopEnabled = stopEnabled;
    rig.load({a});
    rig.cd.playerOpen = true;

    rig.runMinutes(at(8, 59), at(9, 0));
    QCOMPARE(rig.table.usedCount(), deletedAtStart ? 0 : 1);
    rig.runMinutes(at(9, 1), at(9, 30));
    QCOMPARE(rig.table.usedCount(), deletedAtStop ? 0 : 1);
}

void TestAlarmCheck::autoDeleteRemovesRecordings()
{
    Rig rig;
    const QString recording = rig.programDir.filePath(u"waves/Horavox-3.wav"_s);
    QVERIFY(QDir(rig.programDir.path()).mkpath(u"waves"_s));
    QFile file(recording);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    rig.load({autoDeleted(alarm(KindWaveFile, recording, 9, 0))});

    QCOMPARE(rig.runMinutes(at(8, 59), at(9, 0)), QStringList{u"Tue 09:00 play "_s + recording});
    QCOMPARE(rig.table.usedCount(), 0);
    QVERIFY(!QFile::exists(recording));
}

// Auto delete empties slot 1 in the middle of the pass; afterwards the used
// alarms fill slots 1..n again and every identity still finds its alarm.
void TestAlarmCheck::autoDeleteClosesGapsAndIdsFollow()
{
    Rig rig;
    rig.load({autoDeleted(alarm(KindWaveFile, u"/w/once.wav"_s, 9, 0)), alarm(KindMessage, u"kept"_s, 9, 0),
              alarm(KindMessage, u"later"_s, 10, 0)});
    const AlarmId later = rig.table.idOf(3);

    rig.runMinutes(at(8, 59), at(9, 0));
    QCOMPARE(rig.table.usedCount(), 2);
    QCOMPARE(rig.slotOf(u"kept"_s), std::optional(1));
    QCOMPARE(rig.slotOf(u"later"_s), std::optional(2));
    QVERIFY(!rig.table.slot(3).isUsed());
    QCOMPARE(rig.table.slotOf(rig.actions.messages.at(0).alarm), std::optional(1));
    QCOMPARE(rig.table.slotOf(later), std::optional(2));

    rig.runMinutes(at(9, 1), at(10, 0));
    QCOMPARE(rig.actions.messages.size(), 2);
    QCOMPARE(rig.actions.messages.at(1).alarm, later);
}

// An alarm every 15 minutes from 9:00, checked each minute until `lastBefore`;
// then no check runs until `resume`, from which the checks go on for an hour.
// Moments in the gap never fire; those after it do.
void TestAlarmCheck::missedMomentsAreNotCaughtUp_data()
{
    QTest::addColumn<DateTime>("lastBefore");
    QTest::addColumn<DateTime>("resume");
    QTest::addColumn<bool>("signalled");
    QTest::addColumn<QStringList>("calls");

    const auto fired = [](int day, QList<QPair<int, int>> times) {
        QStringList calls;
        for (const auto& [hour, minute] : times)
            calls.append(label(at(hour, minute, 0, day)) + u" message quarter"_s);
        return calls;
    };
    QTest::newRow("suspended for three hours")
        << at(10, 0) << at(13, 7) << false << fired(kDay, {{13, 15}, {13, 30}, {13, 45}, {14, 0}});
    QTest::newRow("resumed in a due minute")
        << at(10, 0) << at(13, 15) << false << fired(kDay, {{13, 15}, {13, 30}, {13, 45}, {14, 0}, {14, 15}});
    QTest::newRow("one check skipped")
        << at(9, 14) << at(9, 16) << false << fired(kDay, {{9, 30}, {9, 45}, {10, 0}, {10, 15}});
    QTest::newRow("resume reported") << at(10, 0) << at(13, 7) << true
                                     << fired(kDay, {{13, 15}, {13, 30}, {13, 45}, {14, 0}});
    QTest::newRow("clock set back a day") << at(10, 0) << at(9, 50, 0, kDay - 1) << false
                                          << fired(kDay - 1, {{10, 0}, {10, 15}, {10, 30}, {10, 45}});
}

void TestAlarmCheck::missedMomentsAreNotCaughtUp()
{
    QFETCH(DateTime, lastBefore);
    QFETCH(DateTime, resume);
    QFETCH(bool, signalled);
    QFETCH(QStringList, calls);

    Rig rig;
    rig.load({everyQuarterHourFrom9()});
    const QStringList before = rig.runMinutes(at(8, 50), lastBefore);
    QVERIFY(before.contains(u"Tue 09:00 message quarter"_s));
    if (signalled)
        rig.check->clockJumped();

    QCOMPARE(rig.runMinutes(resume, resume + 60 / kMinutesPerDay), calls);
}

// A daily alarm fires at 9:00; after the 9:01 check the clock is put back to
// 8:59. Whether the jump is reported or not, 9:00 does not fire again.
void TestAlarmCheck::smallStepBack_data()
{
    QTest::addColumn<bool>("signalled");
    QTest::addColumn<QStringList>("calls");

    QTest::newRow("no report") << false << QStringList{};
    QTest::newRow("jump reported") << true << QStringList{};
}

void TestAlarmCheck::smallStepBack()
{
    QFETCH(bool, signalled);
    QFETCH(QStringList, calls);

    Rig rig;
    rig.load({alarm(KindMessage, u"daily"_s, 9, 0)});
    QCOMPARE(rig.runMinutes(at(8, 58), at(9, 1)), QStringList{u"Tue 09:00 message daily"_s});
    if (signalled)
        rig.check->clockJumped();
    QCOMPARE(rig.runMinutes(at(8, 59), at(9, 5)), calls);
}

namespace {

AlarmRecord onceToday(const QString& target, int hour, int minute, int day = kDay)
{
    AlarmRecord a = alarm(KindMessage, target, hour, minute);
    a.Rule = RuleOnce;
    a.OnceDate = at(0, 0, 0, day);
    return a;
}

// The alarms of the rows below, by name.
AlarmRecord namedAlarm(const QString& name)
{
    if (name == u"daily 9:00")
        return alarm(KindMessage, name, 9, 0);
    if (name == u"daily 1:30")
        return alarm(KindMessage, name, 1, 30);
    if (name == u"once 9:00")
        return onceToday(name, 9, 0);
    AlarmRecord a = everyQuarterHourFrom9();
    a.Target = name;
    return a;
}

} // namespace

// The clock runs from `from` through `last`, then is put back to `back` and
// runs on until `until`; the moments that fired before the step never fire
// again, and those that never fired still do. The tests run in UTC, where the
// end of summer time cannot happen: it is the local clock stepping back an hour.
void TestAlarmCheck::clockSetBackFiresNothingTwice_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<DateTime>("from");
    QTest::addColumn<DateTime>("last");
    QTest::addColumn<DateTime>("back");
    QTest::addColumn<DateTime>("until");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");

    const QStringList none;
    for (const bool signalled : {false, true}) {
        const char* how = signalled ? "reported" : "noticed by the check";
        QTest::addRow("daily alarm, set back over it, %s", how)
            << u"daily 9:00"_s << at(8, 58) << at(9, 20) << at(8, 30) << at(9, 5, 0, kDay + 1)
            << QStringList{u"Tue 09:00 message daily 9:00"_s}
            << QStringList{u"Wed 09:00 message daily 9:00"_s};
        QTest::addRow("end of summer time, %s", how)
            << u"daily 1:30"_s << at(1, 0) << at(2, 0) << at(1, 1) << at(2, 30)
            << QStringList{u"Tue 01:30 message daily 1:30"_s} << none;
        QTest::addRow("one-time alarm, %s", how)
            << u"once 9:00"_s << at(8, 58) << at(9, 10) << at(8, 0) << at(10, 0)
            << QStringList{u"Tue 09:00 message once 9:00"_s} << none;
        QTest::addRow("every 15 minutes, back an hour, %s", how)
            << u"every 15"_s << at(9, 58) << at(10, 2) << at(9, 2) << at(10, 20)
            << QStringList{u"Tue 10:00 message every 15"_s}
            << QStringList{u"Tue 09:15 message every 15"_s, u"Tue 09:30 message every 15"_s,
                           u"Tue 09:45 message every 15"_s, u"Tue 10:15 message every 15"_s};
        QTest::addRow("daily alarm, back two days, %s", how)
            << u"daily 9:00"_s << at(8, 58) << at(9, 20) << at(9, 30, 0, kDay - 2) << at(9, 5, 0, kDay + 1)
            << QStringList{u"Tue 09:00 message daily 9:00"_s}
            << QStringList{u"Mon 09:00 message daily 9:00"_s, u"Wed 09:00 message daily 9:00"_s};
    }
}

void TestAlarmCheck::clockSetBackFiresNothingTwice()
{
    QFETCH(QString, name);
    QFETCH(DateTime, from);
    QFETCH(DateTime, last);
    QFETCH(DateTime, back);
    QFETCH(DateTime, until);
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    const bool signalled = QByteArray(QTest::currentDataTag()).endsWith("reported");

    Rig rig;
    rig.load({namedAlarm(name)});
    QCOMPARE(rig.runMinutes(from, last), before);
    if (signalled)
        rig.check->clockJumped();
    QCOMPARE(rig.runMinutes(back, until), after);
}

// A message snoozed to 9:10 is still pending when a resume is reported at 9:03.
void TestAlarmCheck::snoozeSurvivesAReportedJump()
{
    Rig rig;
    rig.load({alarm(KindMessage, u"daily"_s, 9, 0)});
    QCOMPARE(rig.runMinutes(at(8, 59), at(9, 1)), QStringList{u"Tue 09:00 message daily"_s});
    rig.table.slot(1).NextDue = at(9, 10);
    rig.check->clockJumped();
    QCOMPARE(rig.runMinutes(at(9, 3), at(9, 12)), QStringList{u"Tue 09:10 message daily"_s});
}

// Checks run each minute through `last`; the next one comes at `resume`
// (a resume from a suspend, or the clock set forward). What fell in between
// is listed once, each alarm by its last skipped moment; nothing of it fires.
void TestAlarmCheck::skippedMomentsAreListed_data()
{
    QTest::addColumn<DateTime>("last");
    QTest::addColumn<DateTime>("resume");
    QTest::addColumn<bool>("signalled");
    QTest::addColumn<QStringList>("missed");

    const QString once = u"once 10:00 at Tue 10:00, 1 time"_s;
    QTest::newRow("a one-time message slept through")
        << at(9, 50) << at(10, 30) << false << QStringList{once};
    QTest::newRow("resume reported") << at(9, 50) << at(10, 30) << true << QStringList{once};
    QTest::newRow("a single skipped minute") << at(9, 59) << at(10, 1) << false << QStringList{once};
    QTest::newRow("repeating alarms")
        << at(9, 50) << at(13, 7) << false
        << QStringList{u"daily 11:00 at Tue 11:00, 1 time"_s, u"every 15 at Tue 13:00, 5 times"_s, once};
    // 26 hours: Tuesday's 10:00, 11:00 and 12:00 lie more than a day back.
    QTest::newRow("only the last 24 hours")
        << at(9, 50) << at(12, 7, 0, kDay + 1) << false
        << QStringList{u"daily 11:00 at Wed 11:00, 1 time"_s, u"every 15 at Tue 23:45, 47 times"_s};
    QTest::newRow("no minute skipped") << at(9, 50) << at(9, 51) << true << QStringList{};
    QTest::newRow("clock set back") << at(10, 20) << at(9, 30) << false << QStringList{};
}

void TestAlarmCheck::skippedMomentsAreListed()
{
    QFETCH(DateTime, last);
    QFETCH(DateTime, resume);
    QFETCH(bool, signalled);
    QFETCH(QStringList, missed);

    Rig rig;
    AlarmRecord asleep = onceToday(u"inactive"_s, 10, 0);
    asleep.Active = false;
    AlarmRecord quarter = everyQuarterHourFrom9();
    quarter.Target = u"every 15"_s;
    quarter.StartTime = clockTime(12, 0);
    quarter.EveryDays = Tuesday;
    rig.load(
        {onceToday(u"once 10:00"_s, 10, 0), alarm(KindMessage, u"daily 11:00"_s, 11, 0), quarter, asleep});
    rig.runMinutes(at(9, 45), last);
    QVERIFY(rig.check->takeMissed().isEmpty());

    if (signalled)
        rig.check->clockJumped();
    QCOMPARE(rig.runMinute(resume), QStringList{}); // nothing caught up
    QStringList listed;
    for (const MissedAlarm& m : rig.check->takeMissed()) {
        const std::optional<int> n = rig.table.slotOf(m.alarm);
        QVERIFY(n && rig.table.slot(*n).Target.text() == m.target);
        QCOMPARE(m.kind, std::int32_t(KindMessage));
        listed.append(u"%1 at %2, %3 time%4"_s.arg(m.target, label(m.due))
                          .arg(m.moments)
                          .arg(m.moments > 1 ? u"s"_s : QString()));
    }
    listed.sort();
    QCOMPARE(listed, missed);
    QVERIFY(rig.check->takeMissed().isEmpty());
}

QTEST_GUILESS_MAIN(TestAlarmCheck)
#include "tst_AlarmCheck.moc"
