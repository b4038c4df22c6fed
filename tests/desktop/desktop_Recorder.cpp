// SPDX-License-Identifier: GPL-3.0-or-later
// The recorder on the test desktop: a tone played into the null sink by
// another program is recorded through the server's default source (which
// carries the sink's sound), stored at OK as recording number 1, measured, and
// played back into the sink, where the monitor hears it.

#include "TestFiles.h"
#include "app/AppState.h"
#include "desktop/AudioCapture.h"
#include "desktop/RequireDesktop.h"
#include "media/RecorderDialog.h"
#include "media/RecorderFiles.h"
#include "platform/WaveDecoder.h"
#include "platform/WaveImage.h"
#include "platform/fake/FakeAutostart.h"
#include "platform/qt/QtWaveDevice.h"

#include <QApplication>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace hv;
using namespace hv::test;

namespace {

constexpr double kToneHz = 440;
constexpr double kToneSeconds = 1.5;
constexpr int kLoud = 1600;     // sample units: a tenth of the tone's amplitude
constexpr int kWaitMs = 10'000; // for any one step of the audio path

// Not toSamples(): inlined on an empty array it trips GCC 12's bounds check.
std::vector<qint16> samplesIn(const QByteArray& bytes)
{
    std::vector<qint16> samples(std::size_t(bytes.size()) / sizeof(qint16));
    if (!samples.empty())
        std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(qint16));
    return samples;
}

std::vector<qint16> samplesOf(const QString& file)
{
    WaveDecoder decoder;
    if (!decoder.openFile(file, {captureRate, 1}))
        return {};
    return samplesIn(decoder.readAll());
}

} // namespace

class TestRecorder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void recordAToneThroughTheDialog();
    void playbackIsHeard();

private:
    QTemporaryDir m_dir;
    QString m_recording;
};

void TestRecorder::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("HORAVOX_TEST_SINK"))
        HV_DESKTOP_MISSING("needs the test desktop: run through scripts/with-desktop");
    if (QStandardPaths::findExecutable(QStringLiteral("paplay")).isEmpty())
        HV_DESKTOP_MISSING("needs paplay (pulseaudio-utils)");
}

// While the tone plays, the interface thread is blocked as long as an
// announcement would block it: the recording must not have a gap there.
void TestRecorder::recordAToneThroughTheDialog()
{
    const QString tone = m_dir.filePath(QStringLiteral("tone.wav"));
    putFile(tone, waveImage({SampleType::Int16, 44100, 1}, sine(kToneHz, int(kToneSeconds * 44100), 44100)));
    FakeAutostart autostart;
    AppState state(DataPaths(m_dir.path(), m_dir.path()), autostart);
    QtWaveDevice device;
    QTRY_VERIFY_WITH_TIMEOUT(device.devicesKnown(), kWaitMs); // asked of the server on a thread
    QVERIFY(device.canRecord());
    RecorderDialog dialog(state, device, {});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    dialog.findChild<QPushButton*>(QStringLiteral("recordButton"))->click();
    QCOMPARE(device.mode(), WaveDevice::Mode::Recording);
    QTRY_VERIFY_WITH_TIMEOUT(device.lengthMs() >= 300, kWaitMs); // the input runs
    QProcess player;
    player.start(QStringLiteral("paplay"),
                 {QStringLiteral("-d"), qEnvironmentVariable("HORAVOX_TEST_SINK"), tone});
    QVERIFY(player.waitForStarted(kWaitMs));
    QTest::qWait(400);
    QThread::msleep(700); // the interface thread is busy, as with a spoken time
    QVERIFY(player.waitForFinished(kWaitMs));
    QTest::qWait(500);
    dialog.findChild<QPushButton*>(QStringLiteral("stopButton"))->click();
    QCOMPARE(device.mode(), WaveDevice::Mode::Stopped);
    dialog.accept();

    QCOMPARE(dialog.result(), QDialog::Accepted);
    m_recording = numberedRecording(state.paths().wavesDir(), 1);
    QCOMPARE(dialog.chosenFile(), m_recording);
    QCOMPARE(state.pendingRecording(), m_recording);
    WaveDecoder decoder;
    QVERIFY(decoder.openFile(m_recording, {}));
    QCOMPARE(decoder.sourceSampleRate(), QtWaveDevice::kRecordRate);
    QCOMPARE(decoder.sourceChannels(), 1);

    const std::vector<qint16> samples = samplesOf(m_recording);
    const std::span<const qint16> heard = loudPart(samples, kLoud);
    qInfo("recorded %.3f s in all, tone %.3f s at %.1f Hz, longest quiet run %zu samples", seconds(samples),
          seconds(heard), zeroCrossingFrequency(heard), longestQuietRun(heard, kLoud));
    QVERIFY(std::abs(seconds(heard) - kToneSeconds) < 0.05);
    QVERIFY(std::abs(zeroCrossingFrequency(heard) - kToneHz) < 2);
    // Near the zero crossings only: a gap of even 1 ms would show.
    QVERIFY(longestQuietRun(heard, kLoud) < std::size_t(captureRate / 1000));
}

void TestRecorder::playbackIsHeard()
{
    if (m_recording.isEmpty())
        QSKIP("needs the recording of the test before");
    QtWaveDevice device;
    QTRY_VERIFY_WITH_TIMEOUT(device.devicesKnown(), kWaitMs);
    QVERIFY(device.open(m_recording));
    QSignalSpy completed(&device, &WaveDevice::completed);
    MonitorRecorder monitor;
    QVERIFY2(monitor.start(), qPrintable(monitor.errorString()));
    QVERIFY(waitForFrames(monitor, captureRate / 10));
    QVERIFY2(device.play(), qPrintable(device.errorText()));
    QCOMPARE(device.mode(), WaveDevice::Mode::Playing);
    QTRY_VERIFY_WITH_TIMEOUT(completed.count() == 1, kWaitMs);
    QCOMPARE(device.mode(), WaveDevice::Mode::Stopped);
    QTest::qWait(200);
    monitor.stop();
    const std::vector<qint16> samples = samplesIn(monitor.recorded());
    const std::span<const qint16> heard = loudPart(samples, kLoud);
    qInfo("heard %.3f s at %.1f Hz", seconds(heard), zeroCrossingFrequency(heard));
    QVERIFY(std::abs(seconds(heard) - kToneSeconds) < 0.05);
    QVERIFY(std::abs(zeroCrossingFrequency(heard) - kToneHz) < 2);
}

QTEST_MAIN(TestRecorder)
#include "desktop_Recorder.moc"
