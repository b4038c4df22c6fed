// Sound on the test desktop: tones generated here are played through Qt Multimedia
// into the null sink of scripts/with-desktop, recorded back, and measured.

#include <QAudioDevice>
#include <QAudioSink>
#include <QAudioSource>
#include <QBuffer>
#include <QMediaDevices>
#include <QProcess>
#include <QTest>

#include <cmath>
#include <cstring>
#include <numbers>
#include <optional>
#include <span>
#include <vector>

namespace {

constexpr int sampleRate = 44100; // Hz, for the tones and the recordings
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

std::vector<qint16> toSamples(const QByteArray& bytes)
{
    std::vector<qint16> samples(std::size_t(bytes.size()) / sizeof(qint16));
    std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(qint16));
    return samples;
}

double rms(std::span<const qint16> samples)
{
    if (samples.empty())
        return 0;
    double sum = 0;
    for (const qint16 s : samples)
        sum += double(s) * s;
    return std::sqrt(sum / double(samples.size()));
}

// From the first to the last 10-ms block whose RMS exceeds `threshold` (sample
// units); empty when none does.
std::span<const qint16> audiblePart(std::span<const qint16> samples, double threshold)
{
    constexpr std::size_t block = sampleRate / 100;
    std::optional<std::size_t> first;
    std::size_t end = 0;
    for (std::size_t at = 0; at + block <= samples.size(); at += block) {
        if (rms(samples.subspan(at, block)) > threshold) {
            first = first.value_or(at);
            end = at + block;
        }
    }
    return first ? samples.subspan(*first, end - *first) : std::span<const qint16>{};
}

// Hz, from the whole periods between the first and the last rising zero crossing;
// 0 when there are fewer than two.
double zeroCrossingFrequency(std::span<const qint16> samples)
{
    std::optional<std::size_t> first;
    std::size_t last = 0;
    int periods = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            periods += first ? 1 : 0;
            first = first.value_or(i);
            last = i;
        }
    }
    return periods > 0 ? periods * double(sampleRate) / double(last - *first) : 0;
}

double seconds(std::span<const qint16> samples)
{
    return double(samples.size()) / sampleRate;
}

// Records mono 16-bit audio at sampleRate into memory, from when start() returns
// true until stop().
class Recorder
{
public:
    virtual ~Recorder() = default;
    virtual bool start() = 0;
    virtual void stop() = 0;
    virtual QString errorString() const = 0;
    const QByteArray& recorded() const { return m_recorded; }

protected:
    QByteArray m_recorded;
};

// parecord on the null sink's monitor: what the server mixed, taken outside Qt.
class MonitorRecorder : public Recorder
{
public:
    bool start() override
    {
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput,
                         [this] { m_recorded += m_process.readAllStandardOutput(); });
        // Without --latency-msec, parecord keeps back its last buffer.
        m_process.start(QStringLiteral("parecord"),
                        {QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                         QStringLiteral("--rate=%1").arg(sampleRate), QStringLiteral("--channels=1"),
                         QStringLiteral("--latency-msec=20"), QStringLiteral("-d"),
                         qEnvironmentVariable("HORAVOX_TEST_MONITOR")});
        return m_process.waitForStarted(waitMs);
    }
    void stop() override
    {
        m_process.terminate();
        m_process.waitForFinished(waitMs);
    }
    QString errorString() const override { return QStringLiteral("parecord: ") + m_process.errorString(); }

private:
    QProcess m_process;
};

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
        QSKIP("needs the test desktop: run through scripts/with-desktop");
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

QTEST_GUILESS_MAIN(TestAudio)
#include "desktop_Audio.moc"
