// SPDX-License-Identifier: GPL-3.0-or-later
// The ticks of a clock that plays a disc: the CD player window's tick and the
// clock's own tick in the middle of a minute, each timed alone while a disc
// image plays through the libcdio device to the test desktop's sound output.
// Between two timed ticks the event loop runs, so the sound output takes its
// audio and the reader thread reads on, as in a real run; the tick itself must
// never wait for either. Prints the figures in µs per tick; never fails on one.
//
// Outside the test desktop it runs itself through scripts/with-desktop.

#include "ClockWindowRig.h"
#include "TestDesktop.h"
#include "media/CdPlayerWindow.h"
#include "platform/CdImage.h"
#include "platform/cdio/LibcdioCdDevice.h"
#include "platform/cdio/QtCdAudioSink.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace hv;

namespace {

// Ticks timed per figure, and how long the event loop runs between two.
constexpr int kSamples = 2000;
constexpr int kEventsMs = 2;

DateTime at(int hour, int minute, int second)
{
    return *tryEncodeDate(2026, 12, 10) + *tryEncodeTime(hour, minute, second);
}

struct Figures
{
    double medianUs = 0;
    double p99Us = 0;
    double maxUs = 0;
};

// Times `tick` kSamples times, the event loop running between two.
template <typename Tick>
Figures timeTicks(Tick tick)
{
    using Clock = std::chrono::steady_clock;
    std::vector<double> us;
    us.reserve(kSamples);
    for (int i = 0; i < kSamples; ++i) {
        QTest::qWait(kEventsMs);
        const auto start = Clock::now();
        tick(i);
        const std::chrono::duration<double, std::micro> took = Clock::now() - start;
        us.push_back(took.count());
    }
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us[us.size() * 99 / 100], us.back()};
}

void print(const char* what, const Figures& figures)
{
    std::printf("%-52s median %6.1f us, 99th percentile %6.1f us, max %7.1f us per tick\n", what,
                figures.medianUs, figures.p99Us, figures.maxUs);
    std::fflush(stdout);
}

} // namespace

class BenchCdTick : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        std::printf("Ticks while a disc image plays. Target: one tick 100 us or less.\n");
        std::fflush(stdout);
    }

    void ticksWithADiscPlaying()
    {
        QVERIFY(m_dir.isValid());
        // Three tracks of 20 s: the disc plays all through the figures, and
        // Loop starts it again should a slow machine outrun it.
        const test::CdImage image = test::writeCdImage(m_dir.path(), QStringLiteral("bench"),
                                                       {{20 * kCdFramesPerSecond, 440.0},
                                                        {20 * kCdFramesPerSecond, 660.0},
                                                        {20 * kCdFramesPerSecond, 880.0}});
        LibcdioCdDevice device(std::make_unique<QtCdAudioSink>());
        QVERIFY2(device.open(image.cuePath), qPrintable(device.errorString()));
        QTRY_COMPARE(device.mode(), CdDevice::Mode::Stopped);

        test::ClockWindowRig rig({at(7, 5, 12), {}, false, {}, nullptr});
        rig.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.window));
        AppState& state = *rig.state;
        const CdPlayerContext context{
            state.cdPlayer(), state.cdPlayerRequests(), state.discCatalogue(), device,
            rig.clock,        state.profile()};
        auto* player = new CdPlayerWindow(context);
        player->show();
        QVERIFY(QTest::qWaitForWindowExposed(player));
        QTest::mouseClick(player->findChild<QToolButton*>(QStringLiteral("playButton")), Qt::LeftButton);
        QCOMPARE(device.mode(), CdDevice::Mode::Playing);
        // The sound output has started pulling before anything is timed.
        QTRY_VERIFY(device.position().framesIntoTrack() > kCdFramesPerSecond / 2);

        print("CD player window tick, disc playing", timeTicks([player](int) { player->tick(); }));
        const DateTime start = rig.clock.now();
        print("clock tick in the minute, disc playing", timeTicks([&rig, start](int i) {
                  // Within the same minute: 7:05:13 to 7:05:52.
                  rig.clock.set(start + (1 + i % 40) / (24.0 * 60 * 60));
                  rig.session->tick();
              }));
        print("both, as in one second of a real run", timeTicks([&rig, player, start](int i) {
                  rig.clock.set(start + (1 + i % 40) / (24.0 * 60 * 60));
                  rig.session->tick();
                  player->tick();
              }));
        QCOMPARE(device.mode(), CdDevice::Mode::Playing);
        std::printf("disc position at the end: track %d at %d:%02d.%02d\n", device.position().track,
                    device.position().minutes, device.position().seconds, device.position().frames);
        delete player;
    }
};

int main(int argc, char* argv[])
{
    hv::bench::runOnTestDesktop(argc, argv);
    QApplication app(argc, argv);
    BenchCdTick bench;
    return QTest::qExec(&bench, argc, argv);
}

#include "bench_cdtick.moc"
