// SPDX-License-Identifier: GPL-3.0-or-later
// The libcdio device on disc images generated here, with a sink that takes
// audio only when the test says so: what is played, where the position stands,
// and how plays end.
#include "platform/CdImage.h"
#include "platform/cdio/CdAudioSink.h"
#include "platform/cdio/LibcdioCdDevice.h"

#include <QIODevice>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace hv;
using namespace hv::test;

namespace {

// Takes bytes from the device's stream when pull() is called; `held` of what
// it took count as not heard yet.
class PullSink final : public CdAudioSink
{
public:
    QIODevice* source = nullptr;
    QByteArray taken;
    qint64 held = 0;
    bool available = true;

    bool start(QIODevice* s) override
    {
        source = available ? s : nullptr;
        taken.clear();
        return available;
    }
    void suspend() override {}
    void resume() override {}
    void stop() override { source = nullptr; }
    qint64 bufferedBytes() const override { return source ? held : 0; }

    // Takes `bytes` bytes, waiting for the reader thread to supply them.
    bool pull(qint64 bytes, int timeoutMs = 5000)
    {
        const qint64 want = taken.size() + bytes;
        return QTest::qWaitFor(
            [&] {
                if (!source)
                    return false;
                taken += source->read(want - taken.size());
                return taken.size() >= want;
            },
            timeoutMs);
    }
};

} // namespace

class TestCdDeviceImage : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    CdImage m_image;
    PullSink* m_sink = nullptr;
    std::unique_ptr<LibcdioCdDevice> m_device;

    LibcdioCdDevice& openImage()
    {
        auto sink = std::make_unique<PullSink>();
        m_sink = sink.get();
        m_device = std::make_unique<LibcdioCdDevice>(std::move(sink));
        if (!m_device->open(m_image.cuePath))
            qWarning() << m_device->errorString();
        // The table of contents is read on the device's thread.
        [[maybe_unused]] const bool read =
            QTest::qWaitFor([&] { return m_device->mode() != CdDevice::Mode::NotReady; });
        return *m_device;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_image = writeCdImage(m_dir.path(), QStringLiteral("tones"), threeToneTracks());
        QVERIFY(!m_image.cuePath.isEmpty());
    }
    void cleanup() { m_device.reset(); }

    // The numbers the catalogue files this disc under; another build of the
    // device, or a drive with the same disc, must give these same ones.
    void goldenDiscNumbers()
    {
        const LibcdioCdDevice& device = openImage();
        QCOMPARE(device.trackCount(), 3);
        QCOMPARE(device.discNumbers(), (DiscNumbers{3, 0x0a0400, 0x1e0c00}));
        QCOMPARE(device.trackFrames(2), 3 * kCdFramesPerSecond);
        QCOMPARE(device.position(), (Tmsf{1, 0, 0, 0}));
    }

    void missingDeviceIsRefused()
    {
        LibcdioCdDevice device(std::make_unique<PullSink>());
        QVERIFY(!device.open(m_dir.filePath(QStringLiteral("none.cue"))));
        QVERIFY(!device.errorString().isEmpty());
        QCOMPARE(device.mode(), CdDevice::Mode::NotReady);
    }

    // A play of track 2 delivers exactly its samples, then stands at track 3.
    void playsTheTrackAndStopsAtTheNext()
    {
        LibcdioCdDevice& device = openImage();
        QSignalSpy notices(&device, &CdDevice::notify);
        device.play(device.trackStart(2), device.trackStart(3));
        QCOMPARE(device.mode(), CdDevice::Mode::Playing);
        const int from = m_image.trackStart(2);
        const int frames = m_image.tracks[1].frames;

        QVERIFY(m_sink->pull(qint64(kCdFramesPerSecond) * kCdBytesPerFrame));
        m_sink->held = 15 * kCdBytesPerFrame; // 0.2 s taken but not heard yet
        QCOMPARE(device.position(), (Tmsf{2, 0, 0, 60}));

        QVERIFY(m_sink->pull(qint64(frames - kCdFramesPerSecond) * kCdBytesPerFrame));
        QCOMPARE(m_sink->taken, m_image.bytes(from, from + frames));
        QCOMPARE(device.mode(), CdDevice::Mode::Playing); // the sink still holds some
        QVERIFY(!m_sink->pull(1, 200));                   // nothing beyond the end position

        m_sink->held = 0;
        QTRY_COMPARE(device.mode(), CdDevice::Mode::Stopped);
        QCOMPARE(device.position(), (Tmsf{3, 0, 0, 0}));
        QTRY_COMPARE(notices.size(), 1);
        QCOMPARE(notices.at(0).at(0).value<CdDevice::Result>(), CdDevice::Result::Successful);
    }

    void pauseHoldsThePositionAndPlayResumesThere()
    {
        LibcdioCdDevice& device = openImage();
        device.play(device.trackStart(1), std::nullopt, false);
        QVERIFY(m_sink->pull(qint64(2 * kCdFramesPerSecond) * kCdBytesPerFrame));
        device.pause();
        QCOMPARE(device.mode(), CdDevice::Mode::Paused);
        QCOMPARE(device.position(), (Tmsf{1, 0, 2, 0}));
        device.play(std::nullopt, device.trackStart(2), false);
        QCOMPARE(device.mode(), CdDevice::Mode::Playing);
        QVERIFY(m_sink->pull(kCdBytesPerFrame));
        QCOMPARE(m_sink->taken, m_image.bytes(2 * kCdFramesPerSecond, 2 * kCdFramesPerSecond + 1));
    }

    void seekStopsAndMoves()
    {
        LibcdioCdDevice& device = openImage();
        QSignalSpy notices(&device, &CdDevice::notify);
        device.play(device.trackStart(1), std::nullopt, true);
        QVERIFY(m_sink->pull(kCdBytesPerFrame));
        device.seek(Tmsf{3, 0, 1, 0});
        QCOMPARE(device.mode(), CdDevice::Mode::Stopped);
        QCOMPARE(device.position(), (Tmsf{3, 0, 1, 0}));
        QVERIFY(m_sink->source == nullptr);
        QTRY_COMPARE(notices.size(), 1);
        QCOMPARE(notices.at(0).at(0).value<CdDevice::Result>(), CdDevice::Result::Aborted);
    }

    void ejectOpensTheSimulatedDoor()
    {
        LibcdioCdDevice& device = openImage();
        device.play(device.trackStart(2), std::nullopt, false);
        device.eject();
        QCOMPARE(device.mode(), CdDevice::Mode::Open);
        QCOMPARE(device.trackCount(), 0);
        device.eject();
        QCOMPARE(device.mode(), CdDevice::Mode::Stopped);
        QCOMPARE(device.position(), (Tmsf{1, 0, 0, 0}));
        device.eject();
        QVERIFY(device.open(m_image.cuePath)); // choosing the device again closes it too
        QTRY_COMPARE(device.mode(), CdDevice::Mode::Stopped);
    }

    void fortyTwoTracks()
    {
        m_image = writeCdImage(m_dir.path(), QStringLiteral("many"), hv::test::fortyTwoTracks());
        LibcdioCdDevice& device = openImage();
        QCOMPARE(device.trackCount(), 42);
        device.play(device.trackStart(42), std::nullopt, false);
        QVERIFY(m_sink->pull(kCdBytesPerFrame));
        QCOMPARE(m_sink->taken, m_image.bytes(m_image.trackStart(42), m_image.trackStart(42) + 1));
        m_image = writeCdImage(m_dir.path(), QStringLiteral("tones"), threeToneTracks());
    }
};

QTEST_GUILESS_MAIN(TestCdDeviceImage)
#include "tst_CdDeviceImage.moc"
