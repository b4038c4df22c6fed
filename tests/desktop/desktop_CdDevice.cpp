// SPDX-License-Identifier: GPL-3.0-or-later
// A disc image played by the libcdio device through the desktop's audio output
// (the test desktop's null sink), recorded from the sink's monitor: each track
// is heard at its own pitch, the changes fall on the track boundaries, and the
// device reports the end of the play once it has been heard.
#include "desktop/AudioCapture.h"
#include "desktop/RequireDesktop.h"
#include "platform/CdImage.h"
#include "platform/cdio/LibcdioCdDevice.h"
#include "platform/cdio/QtCdAudioSink.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace hv;
using namespace hv::test;

namespace {

constexpr int kLoud = 1200; // a tenth of the tones' amplitude

double ms(std::size_t frames)
{
    return double(frames) * 1000 / captureRate;
}

std::span<const qint16> piece(std::span<const qint16> samples, double fromMs, double lengthMs)
{
    const auto from = std::size_t(std::max(0.0, fromMs) * captureRate / 1000);
    const auto length = std::size_t(lengthMs * captureRate / 1000);
    return from + length <= samples.size() ? samples.subspan(from, length) : std::span<const qint16>{};
}

} // namespace

class TestCdDeviceDesktop : public QObject
{
    Q_OBJECT

    MonitorRecorder m_capture{10};
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("HORAVOX_TEST_SINK"))
            HV_DESKTOP_MISSING("needs the test desktop: run through scripts/with-desktop");
        QVERIFY(m_dir.isValid());
        QVERIFY2(m_capture.start(), qPrintable(m_capture.errorString()));
        QVERIFY(waitForFrames(m_capture, captureRate / 10));
    }

    void tracksAreHeardAtTheirPitch()
    {
        // Three one-second tracks; the last frames of each are checked too.
        const QList<CdImageTrack> tracks{
            {kCdFramesPerSecond, 440.0}, {kCdFramesPerSecond, 880.0}, {kCdFramesPerSecond, 1320.0}};
        const CdImage image = writeCdImage(m_dir.path(), QStringLiteral("tones"), tracks);
        LibcdioCdDevice device(std::make_unique<QtCdAudioSink>());
        QVERIFY2(device.open(image.cuePath), qPrintable(device.errorString()));
        QTRY_COMPARE(device.mode(), CdDevice::Mode::Stopped);

        QSignalSpy notices(&device, &CdDevice::notify);
        const qint64 from = m_capture.frames();
        device.play(device.trackStart(1), std::nullopt, true);
        QTRY_COMPARE_WITH_TIMEOUT(device.position().track, 2, 3000);
        QCOMPARE(device.mode(), CdDevice::Mode::Playing);
        QVERIFY(notices.wait(5000));
        QCOMPARE(notices.at(0).at(0).value<CdDevice::Result>(), CdDevice::Result::Successful);
        QCOMPARE(device.mode(), CdDevice::Mode::Stopped);
        QCOMPARE(device.position(), (Tmsf{3, 0, 1, 0}));
        // Played means heard: nothing of the disc arrives after the notice.
        QVERIFY(waitForFrames(m_capture, m_capture.frames() + captureRate / 5));

        const std::vector<qint16> recorded = toSamples(m_capture.recorded().mid(from * 2));
        const std::span<const qint16> heard = loudPart(recorded, kLoud);
        QVERIFY2(!heard.empty(), "only silence was recorded");
        QVERIFY2(std::abs(ms(heard.size()) - 3000) < 60, qPrintable(QString::number(ms(heard.size()))));
        QVERIFY2(longestQuietRun(heard, kLoud) < std::size_t(captureRate / 100), "a gap in the play");
        for (int t = 0; t < 3; ++t) {
            // Just inside each edge of the track, and in its middle.
            for (double at : {t * 1000.0 + 20, t * 1000.0 + 450, t * 1000.0 + 900}) {
                const double pitch = zeroCrossingFrequency(piece(heard, at, 80));
                QVERIFY2(
                    std::abs(pitch / tracks[t].toneHz - 1) < 0.03,
                    qPrintable(
                        QStringLiteral("track %1 at %2 ms heard at %3 Hz").arg(t + 1).arg(at).arg(pitch)));
            }
        }
    }

    void stopSilencesAtOnce()
    {
        const CdImage image =
            writeCdImage(m_dir.path(), QStringLiteral("long"), {{10 * kCdFramesPerSecond, 660.0}});
        LibcdioCdDevice device(std::make_unique<QtCdAudioSink>());
        QVERIFY(device.open(image.cuePath));
        QTRY_COMPARE(device.mode(), CdDevice::Mode::Stopped);
        device.play(std::nullopt, std::nullopt, false);
        QTRY_VERIFY(device.position().framesIntoTrack() > kCdFramesPerSecond / 2);
        device.stop();
        const qint64 stoppedAt = m_capture.frames();
        QVERIFY(waitForFrames(m_capture, stoppedAt + captureRate / 2));
        const std::vector<qint16> after = toSamples(m_capture.recorded().mid(stoppedAt * 2));
        // The sink's buffer and the capture's latency may still be heard; not more.
        const std::span<const qint16> tail = loudPart(after, kLoud);
        QVERIFY2(ms(tail.size()) < 350, qPrintable(QString::number(ms(tail.size()))));
    }
};

QTEST_MAIN(TestCdDeviceDesktop)
#include "desktop_CdDevice.moc"
