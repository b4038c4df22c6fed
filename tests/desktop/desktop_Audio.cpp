// SPDX-License-Identifier: GPL-3.0-or-later
// Sound on the test desktop: tones generated here are played through Qt Multimedia
// into the null sink of scripts/with-desktop, recorded back, and measured.

#include "desktop/AudioCapture.h"
#include "desktop/RequireDesktop.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QAudioSource>
#include <QBuffer>
#include <QMediaDevices>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <span>
#include <vector>

using namespace hv::test;

namespace {

constexpr int sampleRate = captureRate; // Hz, for the tones and the recordings
constexpr double toneSeconds = 0.5;
constexpr double toneAmplitude = 0.5; // of full scale
constexpr double fullScale = 32767.0;
// RMS of the tone as played, in sample units.
constexpr double toneRms = toneAmplitude * fullScale / std::numbers::sqrt2;
constexpr int waitMs = 5000; // for any one step of the audio path

QAudioFormat pcm16(int channels)
{
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(channels);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

qsizetype monoBytes(double seconds)
{
    return static_cast<qsizetype>(seconds * sampleRate) * qsizetype(sizeof(qint16));
}

// A sine tone as interleaved 16-bit samples, the same in every channel.
QByteArray makeTone(double frequency, int channels)
{
    const int frames = static_cast<int>(toneSeconds * sampleRate);
    std::vector<qint16> samples;
    samples.reserve(std::size_t(frames * channels));
    for (int i = 0; i < frames; ++i) {
        const double phase = 2 * std::numbers::pi * frequency * i / sampleRate;
        const auto value = static_cast<qint16>(std::lround(toneAmplitude * fullScale * std::sin(phase)));
        samples.insert(samples.end(), std::size_t(channels), value);
    }
    QByteArray bytes(qsizetype(samples.size() * sizeof(qint16)), Qt::Uninitialized);
    std::memcpy(bytes.data(), samples.data(), std::size_t(bytes.size()));
    return bytes;
}

// QAudioSource on Qt's default input, the way the program records.
class DefaultInputRecorder : public Recorder
{
public:
    bool start() override
    {
        QIODevice* input = m_source.start();
        if (input == nullptr)
            return false;
        QObject::connect(input, &QIODevice::readyRead, [this, input] { m_recorded += input->readAll(); });
        return true;
    }
    void stop() override { m_source.stop(); }
    QString errorString() const override
    {
        return QStringLiteral("QAudioSource error %1").arg(int(m_source.error()));
    }

private:
    QAudioSource m_source{QMediaDevices::defaultAudioInput(), pcm16(1)};
};

} // namespace

class TestAudio : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void defaultDevicesAreTheTestDevices();
    void toneReachesTheMonitor_data();
    void toneReachesTheMonitor();
    void toneReachesTheDefaultInput();

private:
    void playAndMeasure(Recorder& recorder, double frequency, int channels);
};

void TestAudio::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("HORAVOX_TEST_SINK"))
        HV_DESKTOP_MISSING("needs the test desktop: run through scripts/with-desktop");
}

void TestAudio::defaultDevicesAreTheTestDevices()
{
    QCOMPARE(QMediaDevices::defaultAudioOutput().id(), qgetenv("HORAVOX_TEST_SINK"));
    QCOMPARE(QMediaDevices::defaultAudioInput().id(), qgetenv("HORAVOX_TEST_SOURCE"));
}

void TestAudio::toneReachesTheMonitor_data()
{
    QTest::addColumn<double>("frequency");
    QTest::addColumn<int>("channels");
    QTest::newRow("440 Hz mono") << 440.0 << 1;
    QTest::newRow("1 kHz stereo") << 1000.0 << 2;
}

void TestAudio::toneReachesTheMonitor()
{
    QFETCH(double, frequency);
    QFETCH(int, channels);
    MonitorRecorder recorder;
    playAndMeasure(recorder, frequency, channels);
}

void TestAudio::toneReachesTheDefaultInput()
{
    DefaultInputRecorder recorder;
    playAndMeasure(recorder, 440.0, 1);
}

void TestAudio::playAndMeasure(Recorder& recorder, double frequency, int channels)
{
    QVERIFY2(recorder.start(), qPrintable(recorder.errorString()));
    // Play only once the recording flows, or the tone's start could be lost.
    QTRY_VERIFY_WITH_TIMEOUT(!recorder.recorded().isEmpty(), waitMs);

    QByteArray tone = makeTone(frequency, channels);
    QBuffer buffer(&tone);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QAudioSink sink(QMediaDevices::defaultAudioOutput(), pcm16(channels));
    sink.start(&buffer);
    QCOMPARE(sink.error(), QAudio::NoError);
    QTRY_COMPARE_WITH_TIMEOUT(sink.state(), QAudio::IdleState, waitMs);
    // Idle comes before the last samples are heard: record a little longer.
    const qsizetype enough = recorder.recorded().size() + monoBytes(0.3);
    QTRY_VERIFY_WITH_TIMEOUT(recorder.recorded().size() >= enough, waitMs);
    sink.stop();
    recorder.stop();

    const std::vector<qint16> samples = toSamples(recorder.recorded());
    const std::span<const qint16> heard = audiblePart(samples, toneRms / 10);
    QVERIFY2(!heard.empty(), "only silence was recorded");
    // Whole, without gaps, at the level played, and at its own pitch.
    const double length = seconds(heard);
    QVERIFY2(std::abs(length - toneSeconds) < 0.03,
             qPrintable(QStringLiteral("heard %1 s of a %2 s tone").arg(length).arg(toneSeconds)));
    const double level = rms(heard);
    QVERIFY2(std::abs(level / toneRms - 1) < 0.1,
             qPrintable(QStringLiteral("heard at RMS %1, played at %2").arg(level).arg(toneRms)));
    const double pitch = zeroCrossingFrequency(heard);
    QVERIFY2(std::abs(pitch / frequency - 1) < 0.01,
             qPrintable(QStringLiteral("heard %1 Hz, played %2 Hz").arg(pitch).arg(frequency)));
}

// Qt 6.4 sometimes aborts while it tears its PulseAudio connection down after
// a capture; the results are in by then, so leave without that teardown.
int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    TestAudio test;
    const int failures = QTest::qExec(&test, argc, argv);
    std::fflush(nullptr);
    std::_Exit(failures == 0 ? 0 : 1);
}

#include "desktop_Audio.moc"
