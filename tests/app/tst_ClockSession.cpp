// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordingNotices.h"
#include "alarms/FakeAlarmActions.h"
#include "app/AppState.h"
#include "app/ClockSession.h"
#include "platform/fake/FakeAutostart.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/FakeClockChanges.h"
#include "platform/fake/FakeHotKey.h"
#include "platform/fake/FakeProcessLauncher.h"
#include "platform/fake/FakeSoundOut.h"
#include "platform/fake/FakeWindowTitles.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace hv;

namespace {

DateTime at(int hour, int minute, int second = 0)
{
    return *tryEncodeDate(2026, 12, 10) + *tryEncodeTime(hour, minute, second);
}

// A fake clock that counts how often it is read.
class CountingClock final : public Clock
{
public:
    FakeClock inner;
    mutable int reads = 0;

    DateTime now() const override
    {
        ++reads;
        return inner.now();
    }
    qint64 elapsedMs() const override { return inner.elapsedMs(); }
};

struct NullFace final : ClockTick::Face
{
    QStringList shown;
    void showTime(const QString& text, const QString&) override { shown << text; }
    void shrinkFontToFit() override {}
};

// A session over fake services and a private data folder, with a Daily 9:00
// message alarm in slot 1.
struct Rig
{
    QTemporaryDir home;
    CountingClock clock;
    FakeWindowTitles titles;
    FakeAutostart autostart;
    FakeSoundOut sound;
    FakeHotKey hotKey;
    FakeProcessLauncher launcher;
    FakeClockChanges clockChanges;
    AppState state{DataPaths(home.path(), home.path()), autostart};
    NullFace face;
    test::RecordingNotices notices;
    FakeAlarmActions* actions = nullptr;
    std::unique_ptr<ClockSession> session;

    explicit Rig(DateTime start, bool startHidden = false)
    {
        clock.inner.set(start);
        state.load();
        state.extras().startHidden = startHidden;
        AlarmRecord& alarm = state.alarms().slot(1);
        alarm.Rule = RuleDaily;
        alarm.Active = true;
        alarm.AlarmKind = KindMessage;
        alarm.Target = QStringLiteral("Stand-up");
        alarm.StartTime = *tryEncodeTime(9, 0);

        Platform platform;
        platform.clock = &clock;
        platform.windowTitles = &titles;
        platform.autostart = &autostart;
        platform.soundOut = &sound;
        platform.hotKey = &hotKey;
        platform.launcher = &launcher;
        platform.clockChanges = &clockChanges;
        auto fake = std::make_unique<FakeAlarmActions>();
        actions = fake.get();
        session = std::make_unique<ClockSession>(state, platform, face, notices, std::move(fake));
    }

    DateTime nextDue() { return state.alarms().slot(1).NextDue; }
};

} // namespace

class TestClockSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startHiddenAsksOnceOnTheFirstTick()
    {
        Rig rig(at(8, 0), true);
        QSignalSpy hide(rig.session.get(), &ClockSession::hideRequested);
        QSignalSpy first(rig.session.get(), &ClockSession::firstTickDone);
        rig.session->start(); // a hidden start ticks once the show is done
        QCOMPARE(hide.size(), 0);
        QTRY_COMPARE(hide.size(), 1);
        QCOMPARE(first.size(), 1);
        QVERIFY(!rig.state.extras().startHidden);
        rig.clock.inner.advanceMinutes(1);
        rig.session->tick();
        QCOMPARE(hide.size(), 1);
        QCOMPARE(first.size(), 1);
    }

    void oneClockReadingPerTick()
    {
        Rig rig(at(8, 59, 58));
        rig.session->start();
        QCOMPARE(rig.clock.reads, 1);
        rig.clock.inner.set(at(9, 0, 0) + 0.002 / 86400);
        rig.session->tick(); // a minute change: face, announcement and alarm check
        QCOMPARE(rig.clock.reads, 2);
        QCOMPARE(rig.actions->messages.size(), 1);
    }

    void aChangedClockIsFollowedAtOnce_data()
    {
        QTest::addColumn<bool>("resumed");
        QTest::newRow("clock set") << false;
        QTest::newRow("resumed from suspend") << true;
    }

    void aChangedClockIsFollowedAtOnce()
    {
        QFETCH(bool, resumed);
        Rig rig(at(8, 0));
        rig.session->start();
        QCOMPARE(rig.nextDue(), at(9, 0));

        // The machine slept through 9:00; it wakes at 10:30, inside a minute
        // the timer of the old clock knows nothing of.
        rig.clock.inner.set(at(10, 30, 20));
        if (resumed)
            rig.clockChanges.resume();
        else
            rig.clockChanges.setTime();
        QVERIFY2(rig.face.shown.last().startsWith(QStringLiteral("10:30")),
                 qPrintable(rig.face.shown.last()));
        QCOMPARE(rig.nextDue(), at(9, 0) + 1); // tomorrow, nothing caught up
        QVERIFY(rig.actions->messages.isEmpty());
        // ... but told, once.
        QCOMPARE(rig.notices.shown.size(), 1);
        QVERIFY2(rig.notices.shown[0].startsWith(QStringLiteral("Missed Alarms: ")) &&
                     rig.notices.shown[0].contains(QStringLiteral("Message: Stand-up")),
                 qPrintable(rig.notices.shown[0]));
        rig.clock.inner.advanceMinutes(1);
        rig.session->tick();
        QCOMPARE(rig.notices.shown.size(), 1);
    }

    void aHotKeyHeldElsewhereIsTold_data()
    {
        QTest::addColumn<HotKey::RegisterResult>("answer");
        QTest::addColumn<bool>("told");
        QTest::newRow("held by another program") << HotKey::RegisterResult::HeldByAnotherProgram << true;
        QTest::newRow("registered") << HotKey::RegisterResult::Registered << false;
        // The options dialog explains these where the key is chosen.
        QTest::newRow("no such key") << HotKey::RegisterResult::Unsupported << false;
        QTest::newRow("no hot keys on this desktop") << HotKey::RegisterResult::Unavailable << false;
    }

    void aHotKeyHeldElsewhereIsTold()
    {
        QFETCH(HotKey::RegisterResult, answer);
        QFETCH(bool, told);
        Rig rig(at(8, 0));
        rig.hotKey.answer = answer;
        rig.state.extras().useHotKey = true;
        rig.state.extras().newHotKey = 84; // T
        rig.state.extras().newHotKeyShift = HotKey::Control | HotKey::Alt;
        rig.session->applyHotKey();
        rig.session->applyHotKey(); // asked again, told once
        if (!told) {
            QCOMPARE(rig.notices.shown, QStringList{});
            return;
        }
        QCOMPARE(rig.notices.shown.size(), 1);
        const QString& notice = rig.notices.shown[0];
        QVERIFY2(notice.contains(QStringLiteral("Ctrl+Alt+T")) && notice.contains(QStringLiteral("Options")),
                 qPrintable(notice));
    }

    void startRestoresTitlesLeftDecorated()
    {
        Rig rig(at(8, 0));
        rig.titles.titles = {{7, QStringLiteral("Terminal - 4:24 AM")}};
        rig.titles.marks = {{7, QStringLiteral("Terminal")}};
        rig.session->start();
        QCOMPARE(rig.titles.titles[7], QStringLiteral("Terminal"));
        QVERIFY(rig.titles.marks.isEmpty());
    }

    void aChangedClockBeforeTheFirstTickWaitsForIt()
    {
        Rig rig(at(8, 0));
        rig.clockChanges.setTime();
        QVERIFY(rig.face.shown.isEmpty());
        QCOMPARE(rig.clock.reads, 0);
    }
};

QTEST_GUILESS_MAIN(TestClockSession)
#include "tst_ClockSession.moc"
