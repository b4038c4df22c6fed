// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/CdPlayer.h"
#include "media/DiscCatalogue.h"
#include "platform/fake/FakeCdDevice.h"
#include "platform/fake/FakeClock.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

using hv::CdButton;
using hv::CdPlayer;
using hv::CdPlayerState;
using hv::DiscRecord;
using hv::FakeCdDevice;
using hv::FakeClock;
using hv::kCdFramesPerSecond;
using namespace Qt::StringLiterals;

namespace {

constexpr int kTrackSeconds = 20;

// A player over a fake drive that holds a disc of `tracks` tracks of 20 s
// each, with a catalogue in a folder of its own. Time moves only by run().
struct Rig
{
    explicit Rig(int tracks = 10)
    {
        device.insertDisc(FakeCdDevice::tocOfLengths(QList<int>(tracks, kTrackSeconds * kCdFramesPerSecond)));
        device.commands.clear();
    }

    // Runs the window's timer for `seconds`, at the interval the player asks
    // for, with the device's notices delivered in between.
    void run(double seconds)
    {
        for (double elapsed = 0; elapsed < seconds;) {
            const int step = player.tickInterval();
            clock.advanceSeconds(step / 1000.0);
            elapsed += step / 1000.0;
            QCoreApplication::processEvents();
            player.tick();
        }
        QCoreApplication::processEvents();
    }
    // The plays sent to the device since the last call.
    QStringList takePlays()
    {
        QStringList plays = device.commands.filter(QRegularExpression(QStringLiteral("^play ")));
        device.commands.clear();
        return plays;
    }
    void browseTo(int track)
    {
        while (player.state().currentTrack < track)
            QVERIFY(player.press(CdButton::Next));
    }
    hv::Tmsf position() const { return device.position(); }

    QTemporaryDir folder;
    FakeClock clock{46000.5};
    FakeCdDevice device{&clock};
    hv::DiscCatalogue catalogue{folder.path()};
    CdPlayerState state;
    bool start = false;
    int mode = CdPlayerState::Loop;
    bool stop = false;
    bool open = false;
    CdPlayer player{state, {start, mode, stop, open}, catalogue, device, clock};
};

// The track each step of a sequence started, from the plays that name a start.
QList<int> stepTracks(const QStringList& plays)
{
    QList<int> tracks;
    for (const QString& play : plays) {
        const QString from = play.section(u' ', 1, 1);
        if (from != u"-")
            tracks.append(from.section(u':', 0, 0).toInt());
    }
    return tracks;
}

QList<int> oneTo(int n)
{
    QList<int> all;
    for (int k = 1; k <= n; ++k)
        all.append(k);
    return all;
}

} // namespace

class TestCdPlayer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstSightNamesAndAddsTheDisc()
    {
        Rig rig;
        rig.player.windowShown();
        QCOMPARE(rig.player.display().discName, u"Unknown");
        QCOMPARE(rig.player.display().trackName, u"Untitled 1");
        QCOMPARE(rig.player.display().trackNumber, u"01");
        QCOMPARE(rig.player.display().modeName, u"Loop");
        QVERIFY(rig.open);
        QVERIFY(rig.player.display().playListEnabled);
        QCOMPARE(rig.catalogue.position(), 0);
    }

    void modeCyclesOnlyWhileStopped()
    {
        Rig rig;
        QSignalSpy changed(&rig.player, &CdPlayer::displayChanged);
        rig.player.cycleMode(); // no disc identified yet: no mode to cycle
        QCOMPARE(rig.state.playMode, int(CdPlayerState::NoMode));

        rig.player.windowShown();
        QStringList names;
        for (int i = 0; i < 4; ++i) {
            rig.player.cycleMode();
            names << rig.player.display().modeName;
        }
        QCOMPARE(names, (QStringList{u"Shuffle"_s, u"Single"_s, u"PlayList"_s, u"Loop"_s}));

        QVERIFY(rig.player.press(CdButton::Play));
        QVERIFY(!rig.player.display().modeEnabled);
        rig.player.cycleMode();
        QCOMPARE(rig.player.display().modeName, u"Loop");
        QVERIFY(rig.player.press(CdButton::Pause));
        QVERIFY(!rig.player.display().modeEnabled);
        QVERIFY(rig.player.press(CdButton::Play)); // resumes
        QVERIFY(rig.player.press(CdButton::Stop));
        QVERIFY(rig.player.display().modeEnabled);
        rig.player.cycleMode();
        QCOMPARE(rig.player.display().modeName, u"Shuffle");
        QVERIFY(changed.count() > 0);
    }

    void browsingWhileStopped_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("from");
        QTest::addColumn<QList<CdButton>>("presses");
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("name");

        const QList<CdButton> next{CdButton::Next};
        const QList<CdButton> prev{CdButton::Prev};
        QTest::newRow("Next moves on")
            << int(CdPlayerState::Loop) << 1 << next << 2 << u"02"_s << u"Untitled 2"_s;
        QTest::newRow("Next stops at the last track")
            << int(CdPlayerState::Loop) << 10 << next << 10 << u"10"_s << u"Untitled 10"_s;
        QTest::newRow("Prev stops at track 1")
            << int(CdPlayerState::Single) << 1 << prev << 1 << u"01"_s << u"Untitled 1"_s;
        // Position 2 of a play list holding only track 5: the disc's name shows.
        QTest::newRow("PlayList past its entries")
            << int(CdPlayerState::PlayList) << 1 << next << 2 << u"00"_s << u"Unknown"_s;
        QTest::newRow("PlayList entry")
            << int(CdPlayerState::PlayList) << 2 << prev << 1 << u"05"_s << u"Untitled 5"_s;
        QTest::newRow("Shuffle before any shuffle")
            << int(CdPlayerState::Shuffle) << 1 << next << 2 << u"00"_s << u"Unknown"_s;
    }
    void browsingWhileStopped()
    {
        QFETCH(int, mode);
        QFETCH(int, from);
        QFETCH(QList<CdButton>, presses);
        Rig rig;
        rig.player.windowShown();
        rig.catalogue.current().playList[0] = 4;
        rig.browseTo(from);
        while (rig.state.playMode != mode)
            rig.player.cycleMode();
        rig.device.commands.clear();
        for (CdButton button : presses)
            QVERIFY(rig.player.press(button));
        QTEST(rig.state.currentTrack, "current");
        QTEST(rig.player.display().trackNumber, "number");
        QTEST(rig.player.display().trackName, "name");
        QCOMPARE(rig.player.display().trackTime, u"00:00");
        QCOMPARE(rig.device.commands, QStringList()); // browsing never moves the device
    }

    void singlePlaysExactlyOneTrack_data()
    {
        QTest::addColumn<int>("tracks");
        QTest::addColumn<int>("track");
        QTest::addColumn<QString>("play");
        QTest::addColumn<QString>("name");
        QTest::newRow("a middle track")
            << 10 << 3 << u"play 3:00:00:00 4:00:00:00 notify"_s << u"Untitled 3"_s;
        QTest::newRow("the last track plays to the disc's end")
            << 10 << 10 << u"play 10:00:00:00 - notify"_s << u"Untitled 10"_s;
        QTest::newRow("track 41 of 42")
            << 42 << 41 << u"play 41:00:00:00 42:00:00:00 notify"_s << u"Untitled 41"_s;
        QTest::newRow("track 42 of 42") << 42 << 42 << u"play 42:00:00:00 - notify"_s << u"Untitled 42"_s;
    }
    void singlePlaysExactlyOneTrack()
    {
        QFETCH(int, tracks);
        QFETCH(int, track);
        Rig rig(tracks);
        rig.player.windowShown();
        rig.browseTo(track);
        rig.player.cycleMode();
        rig.player.cycleMode();
        QCOMPARE(rig.player.display().modeName, u"Single");
        rig.device.commands.clear();
        QVERIFY(rig.player.press(CdButton::Play));
        QTEST(rig.takePlays().value(0), "play");
        QTEST(rig.player.display().trackName, "name");

        rig.run(kTrackSeconds + 5);
        QCOMPARE(rig.device.mode(), hv::CdDevice::Mode::Stopped);
        QCOMPARE(rig.takePlays(), QStringList());
        QCOMPARE(rig.position().track, std::min(track + 1, tracks));
        QVERIFY(rig.player.display().isEnabled(CdButton::Play));
    }

    void loopRestartsAtTrackOne_data()
    {
        QTest::addColumn<bool>("byRequest");
        QTest::newRow("Play button") << false;
        QTest::newRow("alarm's start request") << true;
    }
    void loopRestartsAtTrackOne()
    {
        QFETCH(bool, byRequest);
        Rig rig;
        rig.player.windowShown();
        rig.browseTo(9);
        if (byRequest) {
            // From wherever the device stands to the disc's end.
            rig.device.seek(rig.device.trackStart(9));
            rig.start = true;
            rig.run(1);
        } else {
            QVERIFY(rig.player.press(CdButton::Play));
        }
        QCOMPARE(rig.device.mode(), hv::CdDevice::Mode::Playing);
        QCOMPARE(rig.position().track, 9);
        rig.takePlays();

        rig.run(2 * kTrackSeconds + 2);
        const QStringList plays = rig.takePlays();
        QCOMPARE(plays.size(), 1);
        QCOMPARE(plays[0].section(u' ', 0, 2), u"play 1:00:00:00 -");
        QCOMPARE(rig.device.mode(), hv::CdDevice::Mode::Playing);
        QCOMPARE(rig.position().track, 1);
        QCOMPARE(rig.player.display().trackNumber, u"01");
    }

    void shuffleIsAPermutationAndEndsAtTheDiscStart_data()
    {
        QTest::addColumn<int>("tracks");
        QTest::newRow("10 tracks") << 10;
        QTest::newRow("42 tracks") << 42;
    }
    void shuffleIsAPermutationAndEndsAtTheDiscStart()
    {
        QFETCH(int, tracks);
        Rig rig(tracks);
        rig.player.windowShown();
        rig.player.cycleMode();
        QVERIFY(rig.player.press(CdButton::Play));
        QCOMPARE(rig.player.tickInterval(), CdPlayer::kGraceTickMs);

        rig.run(tracks * (kTrackSeconds + 2) + 10);
        QList<int> played = stepTracks(rig.takePlays());
        QCOMPARE(played.size(), tracks);
        QVERIFY(played != oneTo(tracks)); // 50 swaps leave some track out of place
        std::sort(played.begin(), played.end());
        QCOMPARE(played, oneTo(tracks));

        QCOMPARE(rig.state.sequenceStep, 0);
        QCOMPARE(rig.device.mode(), hv::CdDevice::Mode::Stopped);
        QCOMPARE(rig.device.absoluteFrame(), rig.device.toc().trackStarts.first());
        QCOMPARE(rig.state.shuffleOrder[std::size_t(tracks + 1)], -1);
        QVERIFY(rig.player.display().modeEnabled);
    }

    void stopThenPlayDrawsANewShuffle()
    {
        Rig rig;
        rig.player.windowShown();
        rig.player.cycleMode();
        QVERIFY(rig.player.press(CdButton::Play));
        const auto first = rig.state.shuffleOrder;
        rig.run(3);
        QVERIFY(rig.player.press(CdButton::Stop));
        rig.run(3);
        QVERIFY(rig.player.press(CdButton::Play));
        QVERIFY(rig.state.shuffleOrder != first);
        QList<int> order(rig.state.shuffleOrder.begin() + 1, rig.state.shuffleOrder.begin() + 11);
        std::sort(order.begin(), order.end());
        QCOMPARE(order, oneTo(10));
    }

    void startRequestWaitsForTheDisc_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QList<int>>("playList");
        QTest::addColumn<bool>("plays");
        QTest::addColumn<QString>("trackName");
        QTest::newRow("Loop") << int(CdPlayerState::Loop) << QList<int>{} << true << u"Untitled 1"_s;
        QTest::newRow("Shuffle") << int(CdPlayerState::Shuffle) << QList<int>{} << true << QString();
        QTest::newRow("PlayList") << int(CdPlayerState::PlayList) << QList<int>{6, 2} << true
                                  << u"Untitled 7"_s;
        QTest::newRow("empty PlayList says so")
            << int(CdPlayerState::PlayList) << QList<int>{} << false << u"The play list is empty"_s;
        QTest::newRow("PlayList entirely past the disc")
            << int(CdPlayerState::PlayList) << QList<int>{10, 40} << false << u"The play list is empty"_s;
    }
    void startRequestWaitsForTheDisc()
    {
        QFETCH(int, mode);
        QFETCH(QList<int>, playList);
        QFETCH(bool, plays);
        Rig rig;
        rig.device.setSpinningUp(true);
        rig.start = true;
        rig.mode = mode;
        rig.player.windowShown();
        rig.run(3);
        QVERIFY(rig.start);
        QCOMPARE(rig.takePlays(), QStringList());
        QCOMPARE(rig.player.display().trackNumber, u"00");

        rig.device.setSpinningUp(false);
        rig.run(1); // identifies the disc
        for (int i = 0; i < playList.size(); ++i)
            rig.catalogue.current().playList[std::size_t(i)] = playList[i];
        rig.run(1); // takes the request up
        QVERIFY(!rig.start);
        QCOMPARE(rig.state.playMode, mode);
        QCOMPARE(rig.player.display().modeName, CdPlayer::modeName(mode));
        QCOMPARE(rig.device.mode() == hv::CdDevice::Mode::Playing, plays);
        QCOMPARE(rig.takePlays().isEmpty(), !plays);
        QFETCH(QString, trackName);
        if (!trackName.isEmpty())
            QCOMPARE(rig.player.display().trackName, trackName);
    }

    void playListEndsAtAnEntryPastTheDisc()
    {
        Rig rig;
        rig.player.windowShown();
        rig.catalogue.current().playList[0] = 2;
        rig.catalogue.current().playList[1] = 50; // hand-edited, past the disc
        rig.catalogue.current().playList[2] = 0;
        for (int i = 0; i < 3; ++i)
            rig.player.cycleMode();
        QVERIFY(rig.player.press(CdButton::Play));
        rig.run(3 * kTrackSeconds);
        QCOMPARE(stepTracks(rig.takePlays()), QList<int>{3});
        QCOMPARE(rig.state.sequenceStep, 0);
        QCOMPARE(rig.device.mode(), hv::CdDevice::Mode::Stopped);
        QCOMPARE(rig.device.absoluteFrame(), rig.device.toc().trackStarts.first());
    }

    void ejectClosesTheEditorThenBlanks()
    {
        Rig rig;
        rig.player.windowShown();
        rig.state.playListEditorOpen = true;
        QSignalSpy closeEditor(&rig.player, &CdPlayer::playListEditorCloseRequested);
        QVERIFY(rig.player.press(CdButton::Eject));
        rig.run(1);
        QCOMPARE(closeEditor.count(), 1);
        QVERIFY(!rig.player.display().playListEnabled);
        QCOMPARE(rig.player.display().discName, u"Unknown"); // blanked at the tick after
        rig.run(1);
        QCOMPARE(rig.player.display().discName, QString());
        QCOMPARE(rig.player.display().trackNumber, u"00");
        QCOMPARE(rig.player.display().trackTime, u"00:00");
        QCOMPARE(closeEditor.count(), 1);
    }

    void stopRequest()
    {
        Rig rig;
        QSignalSpy close(&rig.player, &CdPlayer::closeRequested);
        rig.player.windowShown();
        QVERIFY(rig.player.press(CdButton::Play));
        rig.stop = true;
        rig.run(1);
        QCOMPARE(close.count(), 1);
        QVERIFY(!rig.stop);
        QCOMPARE(rig.device.mode(), hv::CdDevice::Mode::Stopped);

        // A request the window closed before taking up is dropped with it.
        rig.player.windowClosed();
        rig.stop = true;
        rig.player.windowClosed();
        QVERIFY(!rig.stop);
        QVERIFY(!rig.open);
    }

    void mediaKeysGoThroughTheClicks()
    {
        Rig rig;
        rig.player.windowShown();
        rig.player.cycleMode(); // Shuffle
        hv::MediaKeys& keys = rig.player;
        QSignalSpy changed(&keys, &hv::MediaKeys::changed);
        keys.play();
        QCOMPARE(keys.status(), hv::MediaKeys::Status::Playing);
        const auto& order = rig.state.shuffleOrder;
        QCOMPARE(keys.metadata().trackNumber, order[1]);
        QCOMPARE(keys.metadata().lengthMs, kTrackSeconds * 1000);
        rig.takePlays();
        // Next is the shuffle's next step, not the disc's next track.
        keys.next();
        QCOMPARE(stepTracks(rig.takePlays()), QList<int>{order[2]});
        QCOMPARE(keys.metadata().trackName, u"Untitled %1"_s.arg(order[2]));
        keys.playPause();
        QCOMPARE(keys.status(), hv::MediaKeys::Status::Paused);
        keys.playPause();
        QCOMPARE(keys.status(), hv::MediaKeys::Status::Playing);
        // A key whose button is disabled does nothing: no pause while stopped.
        keys.stop();
        keys.pause();
        QCOMPARE(keys.status(), hv::MediaKeys::Status::Stopped);
        QVERIFY(changed.count() > 0);
    }

    void reopenedWhilePlayingKeepsTheMode()
    {
        Rig rig;
        rig.player.windowShown();
        rig.player.cycleMode();
        rig.player.cycleMode(); // Single
        rig.browseTo(4);
        QVERIFY(rig.player.press(CdButton::Play));
        rig.run(5);
        rig.player.windowClosed();

        CdPlayer again(rig.state, {rig.start, rig.mode, rig.stop, rig.open}, rig.catalogue, rig.device,
                       rig.clock);
        again.windowShown();
        QCOMPARE(again.display().modeName, u"Single");
        QVERIFY(again.display().isEnabled(CdButton::Pause));
        QCOMPARE(again.display().trackNumber, u"04");
        QCOMPARE(again.display().trackTime, u"00:05");

        // Stopped when it opens again: Loop from track 1.
        again.press(CdButton::Stop);
        again.windowClosed();
        CdPlayer third(rig.state, {rig.start, rig.mode, rig.stop, rig.open}, rig.catalogue, rig.device,
                       rig.clock);
        third.windowShown();
        QCOMPARE(third.display().modeName, u"Loop");
        QCOMPARE(rig.state.currentTrack, 1);
    }
};

QTEST_GUILESS_MAIN(TestCdPlayer)
#include "tst_CdPlayer.moc"
