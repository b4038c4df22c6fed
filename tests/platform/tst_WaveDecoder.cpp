// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WaveDecoder.h"
#include "platform/WaveImage.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>
#include <span>
#include <vector>

using hv::WaveDecoder;
using namespace hv::test;

namespace {

constexpr WaveDecoder::OutputFormat cdStereo{44100, 2};

std::vector<qint16> samplesOf(const QByteArray& bytes)
{
    std::vector<qint16> samples(std::size_t(bytes.size()) / sizeof(qint16));
    std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(qint16));
    return samples;
}

// One channel of interleaved samples.
std::vector<qint16> channel(const std::vector<qint16>& samples, int channels, int which)
{
    std::vector<qint16> out;
    for (std::size_t i = std::size_t(which); i < samples.size(); i += std::size_t(channels))
        out.push_back(samples[i]);
    return out;
}

double rms(std::span<const qint16> samples)
{
    double sum = 0;
    for (const qint16 s : samples)
        sum += double(s) * s;
    return samples.empty() ? 0 : std::sqrt(sum / double(samples.size()));
}

// Hz, from the whole periods between the first and the last rising zero crossing.
double pitch(std::span<const qint16> samples, int sampleRate)
{
    qint64 first = -1;
    qint64 last = 0;
    int periods = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            periods += first >= 0 ? 1 : 0;
            first = first >= 0 ? first : qint64(i);
            last = qint64(i);
        }
    }
    return periods > 0 ? periods * double(sampleRate) / double(last - first) : 0;
}

QByteArray decodeAll(const QByteArray& image, WaveDecoder::OutputFormat format = cdStereo)
{
    WaveDecoder decoder;
    if (!decoder.openImage(image, format))
        return {};
    return decoder.readAll();
}

} // namespace

class TestWaveDecoder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodesSampleFormats_data();
    void decodesSampleFormats();
    void sameRateKeepsSamplesExactly();
    void mapsChannels_data();
    void mapsChannels();
    void interpolatesBetweenSourceFrames();
    void longSoundMatchesInterpolationAcrossBlocks();
    void clipsFloatBeyondFullScale();
    void playsWhatATruncatedDataChunkHolds_data();
    void playsWhatATruncatedDataChunkHolds();
    void refuses_data();
    void refuses();
    void readsFiles();
    void refusesPathsThatAreNoWaveFiles_data();
    void refusesPathsThatAreNoWaveFiles();
};

void TestWaveDecoder::decodesSampleFormats_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<bool>("extensible");

    QTest::newRow("8-bit unsigned mono 11025 Hz, as the word sounds")
        << int(SampleType::UInt8) << 11025 << 1 << false;
    QTest::newRow("16-bit stereo 44100 Hz") << int(SampleType::Int16) << 44100 << 2 << false;
    QTest::newRow("16-bit mono 22050 Hz") << int(SampleType::Int16) << 22050 << 1 << false;
    QTest::newRow("24-bit extensible mono 48000 Hz") << int(SampleType::Int24) << 48000 << 1 << true;
    QTest::newRow("32-bit stereo 96000 Hz") << int(SampleType::Int32) << 96000 << 2 << false;
    QTest::newRow("float mono 8000 Hz") << int(SampleType::Float32) << 8000 << 1 << false;
    QTest::newRow("float extensible stereo 32000 Hz") << int(SampleType::Float32) << 32000 << 2 << true;
}

void TestWaveDecoder::decodesSampleFormats()
{
    QFETCH(int, type);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(bool, extensible);
    constexpr double frequency = 441; // Hz: well below every Nyquist frequency here
    constexpr double amplitude = 0.5;
    const int sourceFrames = rate / 5; // 200 ms

    const QByteArray image = waveImage({SampleType(type), rate, channels, extensible},
                                       sine(frequency, sourceFrames, rate, channels, amplitude));
    WaveDecoder decoder;
    QVERIFY2(decoder.openImage(image, cdStereo), qPrintable(decoder.errorString()));
    QCOMPARE(decoder.sourceSampleRate(), rate);
    QCOMPARE(decoder.sourceChannels(), channels);
    QCOMPARE(decoder.sourceFrames(), sourceFrames);
    QVERIFY(!decoder.isTruncated());
    QCOMPARE(decoder.frames(), 8820); // 200 ms at 44100 Hz
    QCOMPARE(decoder.durationMs(), 200);

    const std::vector<qint16> samples = samplesOf(decoder.readAll());
    QCOMPARE(samples.size(), std::size_t(8820 * 2));
    QCOMPARE(decoder.framesLeft(), 0);
    const std::vector<qint16> left = channel(samples, 2, 0);
    QCOMPARE(channel(samples, 2, 1), left);
    const double expectedRms = amplitude * 32768 / std::numbers::sqrt2;
    QVERIFY2(std::abs(rms(left) / expectedRms - 1) < 0.02, qPrintable(QString::number(rms(left))));
    const double heard = pitch(left, 44100);
    QVERIFY2(std::abs(heard / frequency - 1) < 0.002, qPrintable(QString::number(heard)));
}

void TestWaveDecoder::sameRateKeepsSamplesExactly()
{
    std::vector<double> source;
    for (int i = 0; i < 1000; ++i) {
        source.push_back(double(i - 500) / 512);  // left: a ramp
        source.push_back(double(250 - i) / 1024); // right: another one
    }
    source.push_back(-1.0); // the extremes survive too
    source.push_back(32767.0 / 32768);
    const QByteArray data = sampleBytes(SampleType::Int16, source);
    QCOMPARE(decodeAll(waveImageOfBytes({SampleType::Int16, 44100, 2}, data)), data);
}

void TestWaveDecoder::mapsChannels_data()
{
    QTest::addColumn<int>("sourceChannels");
    QTest::addColumn<int>("outputChannels");
    QTest::addColumn<QList<int>>("expected"); // one output frame

    // Source channel c holds the value (c + 1) * 2048 throughout.
    QTest::newRow("mono to stereo: both sides") << 1 << 2 << QList<int>{2048, 2048};
    QTest::newRow("stereo to stereo") << 2 << 2 << QList<int>{2048, 4096};
    QTest::newRow("four channels to stereo: the front pair") << 4 << 2 << QList<int>{2048, 4096};
    QTest::newRow("stereo to mono: the mean") << 2 << 1 << QList<int>{3072};
    QTest::newRow("mono to mono") << 1 << 1 << QList<int>{2048};
}

void TestWaveDecoder::mapsChannels()
{
    QFETCH(int, sourceChannels);
    QFETCH(int, outputChannels);
    QFETCH(QList<int>, expected);
    constexpr int frames = 10;
    std::vector<double> source;
    for (int f = 0; f < frames; ++f) {
        for (int c = 0; c < sourceChannels; ++c)
            source.push_back((c + 1) * 2048.0 / 32768);
    }
    const std::vector<qint16> samples = samplesOf(
        decodeAll(waveImage({SampleType::Int16, 44100, sourceChannels}, source), {44100, outputChannels}));
    QCOMPARE(samples.size(), std::size_t(frames * outputChannels));
    for (int f = 0; f < frames; ++f) {
        for (int c = 0; c < outputChannels; ++c)
            QCOMPARE(samples[std::size_t(f * outputChannels + c)], expected[c]);
    }
}

void TestWaveDecoder::interpolatesBetweenSourceFrames()
{
    // Four frames at a quarter of the output rate give sixteen; past the last
    // source frame there is nothing to interpolate towards, so it holds.
    const std::vector<double> source{0, 0.25, 0.5, -0.5};
    const std::vector<qint16> expected{0,     2048, 4096, 6144,  8192,   10240,  12288,  14336,
                                       16384, 8192, 0,    -8192, -16384, -16384, -16384, -16384};
    QCOMPARE(samplesOf(decodeAll(waveImage({SampleType::Int16, 11025, 1}, source), {44100, 1})), expected);
}

void TestWaveDecoder::longSoundMatchesInterpolationAcrossBlocks()
{
    // Longer than a decoding block (65536 source frames), read in uneven pieces,
    // at twice the source rate: even output frames are source frames, odd ones the
    // mean of two neighbours.
    constexpr int frames = 100'000;
    QRandomGenerator random(7);
    std::vector<qint16> source(frames);
    std::vector<double> asDouble;
    for (qint16& s : source) {
        s = qint16(random.bounded(-20000, 20000));
        asDouble.push_back(s / 32768.0);
    }
    WaveDecoder decoder;
    QVERIFY(decoder.openImage(waveImage({SampleType::Int16, 22050, 1}, asDouble), {44100, 1}));
    QCOMPARE(decoder.frames(), 2 * frames);
    std::vector<qint16> out(std::size_t(2 * frames) + 10);
    qint64 got = 0;
    for (qint64 piece = 1; decoder.framesLeft() > 0; piece = piece * 3 % 4999 + 1)
        got += decoder.read(out.data() + got, piece);
    QCOMPARE(got, 2 * frames);
    QCOMPARE(decoder.read(out.data(), 10), 0);
    for (int i = 0; i < frames; ++i) {
        const int next = source[std::size_t(std::min(i + 1, frames - 1))];
        const auto mean = qint16(std::lrint((source[std::size_t(i)] + next) / 2.0));
        if (out[std::size_t(2 * i)] != source[std::size_t(i)] ||
            std::abs(out[std::size_t(2 * i + 1)] - mean) > 1)
            QFAIL(qPrintable(QStringLiteral("wrong at source frame %1").arg(i)));
    }
}

void TestWaveDecoder::clipsFloatBeyondFullScale()
{
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<double> source{2.0, -3.0, std::numeric_limits<double>::quiet_NaN(), inf, -inf, 0.5};
    const std::vector<qint16> expected{32767, -32768, 0, 32767, -32768, 16384};
    QCOMPARE(samplesOf(decodeAll(waveImage({SampleType::Float32, 44100, 1}, source), {44100, 1})), expected);
}

void TestWaveDecoder::playsWhatATruncatedDataChunkHolds_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("keptBytes"); // of the 4000 data bytes
    QTest::addColumn<int>("expectedFrames");

    QTest::newRow("mono, cut at a frame") << 1 << 1200 << 600;
    QTest::newRow("stereo, cut inside a frame") << 2 << 1203 << 300;
}

void TestWaveDecoder::playsWhatATruncatedDataChunkHolds()
{
    QFETCH(int, channels);
    QFETCH(int, keptBytes);
    QFETCH(int, expectedFrames);
    const int frames = 4000 / (2 * channels);
    const QByteArray whole =
        waveImage({SampleType::Int16, 44100, channels}, sine(441, frames, 44100, channels));
    const qsizetype header = whole.size() - 4000;
    WaveDecoder decoder;
    QVERIFY2(decoder.openImage(whole.left(header + keptBytes), {44100, channels}),
             qPrintable(decoder.errorString()));
    QVERIFY(decoder.isTruncated());
    QCOMPARE(decoder.sourceFrames(), expectedFrames);
    QCOMPARE(decoder.frames(), expectedFrames);
    const QByteArray decoded = decoder.readAll();
    QCOMPARE(decoded, whole.mid(header, expectedFrames * 2 * channels));
}

void TestWaveDecoder::refuses_data()
{
    QTest::addColumn<QByteArray>("image");

    const WaveLayout layout{SampleType::Int16, 44100, 1};
    const QByteArray wave = waveImage(layout, sine(441, 441, 44100));
    QByteArray garbage(4096, Qt::Uninitialized);
    QRandomGenerator random(1);
    for (char& c : garbage)
        c = char(random.bounded(256));
    // An AU file: libsndfile plays it, but it is no wave file.
    QByteArray au = QByteArray::fromHex("2e736e64"
                                        "00000018"
                                        "00000008"
                                        "00000003"
                                        "0000ac44"
                                        "00000001");
    au.append(QByteArray::fromHex("1000200030004000"));
    QByteArray notWave = wave;
    notWave.replace(8, 4, "AVI ");
    QByteArray noChannels = wave;
    noChannels[22] = 0;

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("garbage") << garbage;
    QTest::newRow("garbage after a RIFF WAVE header") << wave.left(12) + garbage;
    QTest::newRow("AU file") << au;
    QTest::newRow("RIFF, but not WAVE") << notWave;
    QTest::newRow("no channels") << noChannels;
    QTest::newRow("no data chunk") << wave.left(36);
    QTest::newRow("empty data chunk") << waveImageOfBytes(layout, {});
    QTest::newRow("data chunk cut to nothing") << wave.left(44);
    QTest::newRow("data chunk cut inside the first frame")
        << waveImageOfBytes({SampleType::Int24, 44100, 2}, QByteArray(600, 'x')).left(44 + 5);
    QTest::newRow("text") << QByteArray("RIFF is a container; this is not one.");
}

void TestWaveDecoder::refuses()
{
    QFETCH(QByteArray, image);
    WaveDecoder decoder;
    QVERIFY(!decoder.openImage(image, cdStereo));
    QVERIFY(!decoder.isOpen());
    QVERIFY(!decoder.errorString().isEmpty());
    QCOMPARE(decoder.frames(), 0);
    qint16 out[8] = {};
    QCOMPARE(decoder.read(out, 4), 0);

    // A failure leaves nothing behind that could spoil the next sound.
    QVERIFY(decoder.openImage(waveImage({SampleType::Int16, 44100, 2}, sine(441, 100, 44100, 2)), cdStereo));
    QCOMPARE(decoder.readAll().size(), 400);
}

void TestWaveDecoder::readsFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray image = waveImage({SampleType::UInt8, 11025, 1}, sine(441, 1103, 11025));
    const QString path = dir.filePath(QStringLiteral("Wörter ☃.wav"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(image);
    file.close();

    WaveDecoder fromFile;
    QVERIFY2(fromFile.openFile(path, cdStereo), qPrintable(fromFile.errorString()));
    QCOMPARE(fromFile.readAll(), decodeAll(image));
}

void TestWaveDecoder::refusesPathsThatAreNoWaveFiles_data()
{
    QTest::addColumn<QString>("name"); // in a fresh folder holding "folder" and "text.wav"

    QTest::newRow("empty path") << QString();
    QTest::newRow("missing file") << QStringLiteral("missing.wav");
    QTest::newRow("folder") << QStringLiteral("folder");
    QTest::newRow("text file") << QStringLiteral("text.wav");
}

void TestWaveDecoder::refusesPathsThatAreNoWaveFiles()
{
    QFETCH(QString, name);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    QFile text(dir.filePath(QStringLiteral("text.wav")));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("just words\n");
    text.close();

    WaveDecoder decoder;
    QVERIFY(!decoder.openFile(name.isEmpty() ? QString() : dir.filePath(name), cdStereo));
    QVERIFY(!decoder.errorString().isEmpty());
    QVERIFY(!decoder.isOpen());
}

QTEST_GUILESS_MAIN(TestWaveDecoder)
#include "tst_WaveDecoder.moc"
