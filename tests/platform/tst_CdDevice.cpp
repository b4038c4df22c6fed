// SPDX-License-Identifier: GPL-3.0-or-later
// The CD device's value types and the semantics every device keeps, checked on
// the fake that the player's tests rely on.
#include "platform/CdDevice.h"
#include "platform/fake/FakeCdDevice.h"
#include "platform/fake/FakeClock.h"

#include <QSignalSpy>
#include <QTest>

using namespace hv;

Q_DECLARE_METATYPE(hv::Tmsf)
Q_DECLARE_METATYPE(hv::CdToc)

namespace {

constexpr int kSecond = kCdFramesPerSecond;

// Three tracks: 2:00.00, 0:30.10 and 1:05.74 long.
CdToc threeTracks()
{
    return FakeCdDevice::tocOfLengths({120 * kSecond, 30 * kSecond + 10, 65 * kSecond + 74});
}

QList<CdDevice::Result> results(const QSignalSpy& spy)
{
    QList<CdDevice::Result> out;
    for (const auto& args : spy)
        out.append(args.at(0).value<CdDevice::Result>());
    return out;
}

} // namespace

class TestCdDevice : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tmsfPacksTrackInLowByte()
    {
        const Tmsf at{3, 12, 34, 56};
        QCOMPARE(at.pack(), 0x38220c03u);
        QCOMPARE(Tmsf::unpack(at.pack()), at);
        QCOMPARE(Tmsf::fromFrames(2, at.framesIntoTrack()), (Tmsf{2, 12, 34, 56}));
    }

    void msfPacksMinutesInLowByte() { QCOMPARE(packMsf((61 * 60 + 2) * kSecond + 3), qint32(0x03023d)); }

    void positionOfFrame_data()
    {
        QTest::addColumn<int>("frame");
        QTest::addColumn<Tmsf>("expected");
        const CdToc toc = threeTracks();
        const int t2 = toc.trackStarts[1];
        const int t3 = toc.trackStarts[2];
        QTest::newRow("before the first track") << 0 << Tmsf{1, 0, 0, 0};
        QTest::newRow("start of track 1") << toc.trackStarts[0] << Tmsf{1, 0, 0, 0};
        QTest::newRow("last frame of track 1") << t2 - 1 << Tmsf{1, 1, 59, 74};
        QTest::newRow("start of track 2 is track 2") << t2 << Tmsf{2, 0, 0, 0};
        QTest::newRow("inside track 3") << t3 + 61 * kSecond + 5 << Tmsf{3, 1, 1, 5};
        QTest::newRow("lead-out: last track at its length") << toc.leadOut << Tmsf{3, 1, 5, 74};
    }
    void positionOfFrame()
    {
        QFETCH(int, frame);
        QFETCH(Tmsf, expected);
        const CdToc toc = threeTracks();
        QCOMPARE(toc.position(frame), expected);
        if (frame >= toc.trackStarts[0] && frame <= toc.leadOut)
            QCOMPARE(toc.absoluteFrame(expected), frame);
    }

    void positionPastItsTrackIsClamped()
    {
        const CdToc toc = threeTracks();
        QCOMPARE(toc.absoluteFrame(Tmsf{2, 9, 0, 0}), toc.trackStarts[2]);
        QCOMPARE(toc.absoluteFrame(Tmsf{9, 0, 0, 0}), toc.trackStarts[2]);
    }

    void discNumbers_data()
    {
        QTest::addColumn<CdToc>("toc");
        QTest::addColumn<int>("tracks");
        QTest::addColumn<qint32>("firstLength");
        QTest::addColumn<qint32>("discLength");
        QTest::newRow("three tracks")
            << threeTracks() << 3 << packMsf(120 * kSecond) << packMsf((215 * kSecond) + 84);
        QTest::newRow("one track: first length is the disc")
            << FakeCdDevice::tocOfLengths({100}) << 1 << packMsf(100) << packMsf(100);
        CdToc shifted = threeTracks();
        for (int& start : shifted.trackStarts)
            start += 150; // the same disc with the lead-in counted
        shifted.leadOut += 150;
        QTest::newRow("offset does not matter")
            << shifted << 3 << packMsf(120 * kSecond) << packMsf((215 * kSecond) + 84);
        QTest::newRow("no disc") << CdToc{} << 0 << 0 << 0;
        QTest::newRow("starts not rising") << CdToc{{150, 150}, 300} << 0 << 0 << 0;
    }
    void discNumbers()
    {
        QFETCH(CdToc, toc);
        QFETCH(int, tracks);
        QFETCH(qint32, firstLength);
        QFETCH(qint32, discLength);
        QCOMPARE(DiscNumbers::of(toc), (DiscNumbers{tracks, firstLength, discLength}));
    }

    void environmentOverridesTheSetting()
    {
        QProcessEnvironment env;
        QCOMPARE(chooseCdDevice(QStringLiteral("/dev/sr1"), env), QStringLiteral("/dev/sr1"));
        env.insert(QStringLiteral("HORAVOX_CD_DEVICE"), QString());
        QCOMPARE(chooseCdDevice(QStringLiteral("/dev/sr1"), env), QStringLiteral("/dev/sr1"));
        env.insert(QStringLiteral("HORAVOX_CD_DEVICE"), QStringLiteral("/tmp/disc.cue"));
        QCOMPARE(chooseCdDevice(QStringLiteral("/dev/sr1"), env), QStringLiteral("/tmp/disc.cue"));
    }

    // A play to the start of the next track stops there and says so, queued.
    void playToEndStopsAtNextTrack()
    {
        FakeClock clock;
        FakeCdDevice device(&clock);
        device.insertDisc(threeTracks());
        QSignalSpy notices(&device, &CdDevice::notify);
        device.play(device.trackStart(1), device.trackStart(2));
        QCOMPARE(device.mode(), CdDevice::Mode::Playing);
        clock.advanceSeconds(61);
        QCOMPARE(device.position(), (Tmsf{1, 1, 1, 0}));
        clock.advanceSeconds(60);
        QCOMPARE(device.mode(), CdDevice::Mode::Stopped);
        QCOMPARE(notices.size(), 0); // never from inside the call
        QCOMPARE(device.position(), (Tmsf{2, 0, 0, 0}));
        QVERIFY(notices.wait(1000));
        QCOMPARE(results(notices), QList{CdDevice::Result::Successful});
    }

    void playWithoutBoundsRunsFromHereToTheEnd()
    {
        FakeCdDevice device;
        device.insertDisc(threeTracks());
        device.seek(Tmsf{3, 0, 5, 0});
        device.play(std::nullopt, std::nullopt, false);
        device.advanceMs(59'000);
        QCOMPARE(device.mode(), CdDevice::Mode::Playing);
        device.advanceMs(10'000);
        QCOMPARE(device.mode(), CdDevice::Mode::Stopped);
        QCOMPARE(device.position(), (Tmsf{3, 1, 5, 74}));
    }

    void pauseThenPlayResumes()
    {
        FakeCdDevice device;
        device.insertDisc(threeTracks());
        device.play(device.trackStart(2), device.trackStart(3), false);
        device.advanceMs(10'000);
        device.pause();
        QCOMPARE(device.mode(), CdDevice::Mode::Paused);
        device.advanceMs(10'000);
        device.play(std::nullopt, std::nullopt, false);
        QCOMPARE(device.mode(), CdDevice::Mode::Playing);
        QCOMPARE(device.position(), (Tmsf{2, 0, 10, 0}));
    }

    // Which notices a pending play notice gets from the command after it.
    void notices_data()
    {
        QTest::addColumn<QString>("next");
        QTest::addColumn<QList<CdDevice::Result>>("expected");
        using R = CdDevice::Result;
        QTest::newRow("play with notice supersedes") << "play notify" << QList{R::Superseded};
        QTest::newRow("play without notice aborts") << "play" << QList{R::Aborted};
        QTest::newRow("stop aborts") << "stop" << QList{R::Aborted};
        QTest::newRow("stop with notice aborts, then completes")
            << "stop notify" << QList{R::Aborted, R::Successful};
        QTest::newRow("seek aborts") << "seek" << QList{R::Aborted};
        QTest::newRow("pause aborts") << "pause" << QList{R::Aborted};
        QTest::newRow("eject aborts") << "eject" << QList{R::Aborted};
    }
    void notices()
    {
        QFETCH(QString, next);
        QFETCH(QList<CdDevice::Result>, expected);
        FakeCdDevice device;
        device.insertDisc(threeTracks());
        QSignalSpy notices(&device, &CdDevice::notify);
        device.play(device.trackStart(1), device.trackStart(2), true);
        device.advanceMs(1000);
        const bool notify = next.endsWith(QLatin1String(" notify"));
        if (next.startsWith(QLatin1String("play")))
            device.play(device.trackStart(3), std::nullopt, notify);
        else if (next.startsWith(QLatin1String("stop")))
            device.stop(notify);
        else if (next == QLatin1String("seek"))
            device.seek(device.trackStart(2));
        else if (next == QLatin1String("pause"))
            device.pause();
        else if (next == QLatin1String("eject"))
            device.eject();
        QTRY_COMPARE(results(notices), expected);
        // The first play ended: reaching its end later owes nothing.
        device.advanceMs(200'000);
        QTest::qWait(10);
        QCOMPARE(results(notices).size(), expected.size() + (next == QLatin1String("play notify") ? 1 : 0));
    }

    void seekStopsPlayback()
    {
        FakeCdDevice device;
        device.insertDisc(threeTracks());
        device.play(std::nullopt, std::nullopt, false);
        device.seek(device.trackStart(3));
        QCOMPARE(device.mode(), CdDevice::Mode::Stopped);
        QCOMPARE(device.position(), (Tmsf{3, 0, 0, 0}));
        device.advanceMs(5000);
        QCOMPARE(device.position(), (Tmsf{3, 0, 0, 0}));
    }

    void ejectOpensAndClosesTheDoor()
    {
        FakeCdDevice device;
        device.insertDisc(threeTracks());
        device.play(device.trackStart(2), std::nullopt, false);
        device.eject();
        QCOMPARE(device.mode(), CdDevice::Mode::Open);
        QCOMPARE(device.trackCount(), 0);
        QCOMPARE(device.position().track, 0);
        device.eject();
        QCOMPARE(device.mode(), CdDevice::Mode::Stopped);
        QCOMPARE(device.position(), (Tmsf{1, 0, 0, 0}));
    }

    void notReadyWithoutDiscOrWhileSpinningUp()
    {
        FakeCdDevice device;
        QCOMPARE(device.mode(), CdDevice::Mode::NotReady);
        device.insertDisc(threeTracks());
        device.setSpinningUp(true);
        QCOMPARE(device.mode(), CdDevice::Mode::NotReady);
        QSignalSpy notices(&device, &CdDevice::notify);
        device.play(std::nullopt, std::nullopt, true);
        QVERIFY(notices.wait(1000));
        QCOMPARE(results(notices), QList{CdDevice::Result::Failure});
        device.setSpinningUp(false);
        QCOMPARE(device.mode(), CdDevice::Mode::Stopped);
        QCOMPARE(device.discNumbers().trackCount, 3);
    }

    void nextAndPreviousTrack_data()
    {
        QTest::addColumn<bool>("playing");
        QTest::addColumn<Tmsf>("from");
        QTest::addColumn<bool>("next");
        QTest::addColumn<Tmsf>("expected");
        QTest::newRow("next") << false << Tmsf{1, 0, 30, 0} << true << Tmsf{2, 0, 0, 0};
        QTest::newRow("next on the last track stays")
            << false << Tmsf{3, 0, 1, 0} << true << Tmsf{3, 0, 1, 0};
        QTest::newRow("previous inside a track: its start")
            << false << Tmsf{2, 0, 5, 0} << false << Tmsf{2, 0, 0, 0};
        QTest::newRow("previous at a start: track before")
            << false << Tmsf{2, 0, 0, 10} << false << Tmsf{1, 0, 0, 0};
        QTest::newRow("previous on track 1 stays at its start")
            << false << Tmsf{1, 0, 0, 0} << false << Tmsf{1, 0, 0, 0};
        QTest::newRow("next while playing plays on") << true << Tmsf{1, 0, 30, 0} << true << Tmsf{2, 0, 0, 0};
    }
    void nextAndPreviousTrack()
    {
        QFETCH(bool, playing);
        QFETCH(Tmsf, from);
        QFETCH(bool, next);
        QFETCH(Tmsf, expected);
        FakeCdDevice device;
        device.insertDisc(threeTracks());
        device.seek(from);
        if (playing)
            device.play(std::nullopt, std::nullopt, false);
        next ? device.nextTrack() : device.previousTrack();
        QCOMPARE(device.position(), expected);
        QCOMPARE(device.mode(), playing ? CdDevice::Mode::Playing : CdDevice::Mode::Stopped);
        if (playing)
            QCOMPARE(device.endFrame(), device.toc().leadOut);
    }
};

QTEST_GUILESS_MAIN(TestCdDevice)
#include "tst_CdDevice.moc"
