// SPDX-License-Identifier: GPL-3.0-or-later
// The sound service on the test desktop: wave images generated here are played
// through QtSoundOut into the null sink of scripts/with-desktop, recorded back from
// its monitor, and measured.

#include "desktop/AudioCapture.h"
#include "desktop/RequireDesktop.h"
#include "platform/WaveDecoder.h"
#include "platform/WaveImage.h"
#include "platform/qt/QtSoundOut.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <memory>
#include <span>
#include <vector>

using namespace hv::test;
using hv::QtSoundOut;
using hv::Sound;
using Mode = hv::SoundOut::Mode;

namespace {

constexpr int waitMs = 5000;            // for any one step of the audio path
constexpr double amplitude = 0.5;       // of full scale, for the tones made here
constexpr int loud = 32768 / 2 / 10;    // a tenth of the tones' amplitude
constexpr int flushMs = 250;            // recorded after a sound, so that all of it arrives
constexpr double maxGapMs = 0.5;        // a quiet stretch this long inside tones is a gap
constexpr double lengthToleranceMs = 3; // between the tones as made and as heard
// The null sink's monitor drops up to about 5 ms at the start of a stream, as the
// server rewinds to mix it in (plain pacat shows the same), so a sound measured
// from a stream's start may fall short by this much; its end is exact.
constexpr double startLossMs = 6;

bool lengthMatches(double heardMs, double expectedMs)
{
    return heardMs > expectedMs - startLossMs && heardMs < expectedMs + lengthToleranceMs;
}

struct Tone
{
    double hz;
    int ms;
    WaveLayout layout = {SampleType::Int16, 44100, 1};
};

QByteArray image(const Tone& tone)
{
    const int frames = tone.layout.sampleRate * tone.ms / 1000;
    return waveImage(tone.layout,
                     sine(tone.hz, frames, tone.layout.sampleRate, tone.layout.channels, amplitude));
}

Sound sound(const Tone& tone)
{
    return Sound::fromMemory(image(tone));
}

double ms(std::size_t frames)
{
    return double(frames) * 1000 / captureRate;
}

std::span<const qint16> piece(std::span<const qint16> samples, double fromMs, double lengthMs)
{
    const auto from = std::size_t(fromMs * captureRate / 1000);
    const auto length = std::size_t(lengthMs * captureRate / 1000);
    return from + length <= samples.size() ? samples.subspan(from, length) : std::span<const qint16>{};
}

// Empty when `recording` holds the tones one after another: each at its pitch, the
// whole as long as they are together, and nowhere a gap. The middle of each tone
// is measured, counting back from the exact end, so that an error in the length of
// one shows as a wrong pitch in its neighbour. `gap` receives the longest quiet
// stretch inside, in ms.
QString checkTones(std::span<const qint16> recording, const QList<Tone>& tones, double* gap = nullptr)
{
    const std::span<const qint16> heard = loudPart(recording, loud);
    if (heard.empty())
        return QStringLiteral("only silence was recorded");
    int totalMs = 0;
    for (const Tone& tone : tones)
        totalMs += tone.ms;
    const double lengthMs = ms(heard.size());
    if (!lengthMatches(lengthMs, totalMs))
        return QStringLiteral("heard %1 ms of tones %2 ms long").arg(lengthMs).arg(totalMs);
    const double gapMs = ms(longestQuietRun(heard, loud));
    if (gap != nullptr)
        *gap = gapMs;
    if (gapMs > maxGapMs)
        return QStringLiteral("a gap of %1 ms").arg(gapMs);
    double at = lengthMs - totalMs;
    for (const Tone& tone : tones) {
        const double pitch = zeroCrossingFrequency(piece(heard, at + tone.ms * 0.2, tone.ms * 0.6));
        if (std::abs(pitch / tone.hz - 1) > 0.02)
            return QStringLiteral("the %1 Hz tone at %2 ms was heard at %3 Hz")
                .arg(tone.hz)
                .arg(at)
                .arg(pitch);
        at += tone.ms;
    }
    return {};
}

} // namespace

class TestSoundOut : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void sequencePlaysInOrderWithoutGaps();
    void asyncDuringASequenceFollowsIt();
    void asyncCutsASingleSound();
    void asyncNoStopRefusesWhileASoundPlays();
    void unplayableSoundPlaysTheDefault_data();
    void unplayableSoundPlaysTheDefault();
    void unplayableSoundWithoutDefaultPlaysNothing();
    void beepIsAudible();
    void beepLeavesAPlayingSoundWhole();
    void waitReturnsOnceTheSoundIsHeard();
    void startLatency();
    void withoutSoundServerEveryCallReturnsAtOnce();

private:
    // The recording from frame `from` on, once `finished` has been emitted and the
    // last samples have had time to arrive.
    std::vector<qint16> heardSince(qint64 from, QSignalSpy& finished);
    // Runs the event loop until `ms` of loud sound have been recorded after `from`.
    bool waitUntilAudible(qint64 from, double ms = 0);
    qint64 now();

    MonitorRecorder m_capture{10};
    std::unique_ptr<QtSoundOut> m_sound;
    QTemporaryDir m_dir;
};

void TestSoundOut::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("HORAVOX_TEST_SINK"))
        HV_DESKTOP_MISSING("needs the test desktop: run through scripts/with-desktop");
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_capture.start(), qPrintable(m_capture.errorString()));
    // Play only once the recording flows, or a sound's start could be lost.
    QVERIFY(waitForFrames(m_capture, captureRate / 10, waitMs));
}

void TestSoundOut::init()
{
    m_sound = std::make_unique<QtSoundOut>();
    QVERIFY(m_sound->isAvailable());
}

void TestSoundOut::cleanup()
{
    m_sound.reset();
}

qint64 TestSoundOut::now()
{
    QCoreApplication::processEvents(); // takes in what parecord has sent so far
    return m_capture.frames();
}

std::vector<qint16> TestSoundOut::heardSince(qint64 from, QSignalSpy& finished)
{
    if (finished.isEmpty() && !finished.wait(waitMs))
        return {};
    waitForFrames(m_capture, m_capture.frames() + captureRate * flushMs / 1000);
    const std::vector<qint16> all = toSamples(m_capture.recorded());
    return {all.begin() + std::min<qint64>(from, qint64(all.size())), all.end()};
}

bool TestSoundOut::waitUntilAudible(qint64 from, double minMs)
{
    return QTest::qWaitFor(
        [&] {
            const std::vector<qint16> all = toSamples(m_capture.recorded());
            if (qint64(all.size()) <= from)
                return false;
            const std::span<const qint16> heard = loudPart(std::span(all).subspan(std::size_t(from)), loud);
            return !heard.empty() && ms(heard.size()) >= minMs;
        },
        waitMs);
}

void TestSoundOut::sequencePlaysInOrderWithoutGaps()
{
    // Different formats on purpose: each is converted on the way, and the joins
    // must still be seamless.
    const QList<Tone> tones{{440, 200, {SampleType::UInt8, 11025, 1}},
                            {880, 150, {SampleType::Int16, 44100, 2}},
                            {1320, 250, {SampleType::Int24, 22050, 1, true}}};
    QSignalSpy finished(m_sound.get(), &hv::SoundOut::finished);
    const qint64 from = now();
    m_sound->playSequence({sound(tones[0]), sound(tones[1]), sound(tones[2])});
    QVERIFY(m_sound->isPlaying());
    const std::vector<qint16> heard = heardSince(from, finished);
    double gap = 0;
    const QString error = checkTones(heard, tones, &gap);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    qInfo("three sounds in a sequence: longest quiet stretch inside %.3f ms", gap);
    QCOMPARE(finished.size(), 1);
    QVERIFY(!m_sound->isPlaying());
}

void TestSoundOut::asyncDuringASequenceFollowsIt()
{
    const Tone announcement{440, 300};
    const Tone alarm{660, 200};
    QSignalSpy finished(m_sound.get(), &hv::SoundOut::finished);
    const qint64 from = now();
    m_sound->playSequence({sound(announcement)});
    QVERIFY(m_sound->play(sound(alarm), Mode::Async));
    const QString error = checkTones(heardSince(from, finished), {announcement, alarm});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(finished.size(), 1);
}

void TestSoundOut::asyncCutsASingleSound()
{
    const Tone first{440, 1000};
    const Tone second{880, 200};
    QSignalSpy finished(m_sound.get(), &hv::SoundOut::finished);
    const qint64 from = now();
    QVERIFY(m_sound->play(sound(first), Mode::Async));
    QVERIFY(waitUntilAudible(from, 150));
    QVERIFY(m_sound->play(sound(second), Mode::Async));
    const std::vector<qint16> recording = heardSince(from, finished);
    const std::span<const qint16> heard = loudPart(recording, loud);
    QVERIFY2(ms(heard.size()) < first.ms, qPrintable(QStringLiteral("heard %1 ms").arg(ms(heard.size()))));
    const double start = zeroCrossingFrequency(piece(heard, 10, 100));
    const double end = zeroCrossingFrequency(piece(heard, ms(heard.size()) - 150, 100));
    QVERIFY2(std::abs(start / first.hz - 1) < 0.02, qPrintable(QString::number(start)));
    QVERIFY2(std::abs(end / second.hz - 1) < 0.02, qPrintable(QString::number(end)));
    QCOMPARE(finished.size(), 1);
}

void TestSoundOut::asyncNoStopRefusesWhileASoundPlays()
{
    const Tone playing{440, 400};
    const Tone refused{880, 200};
    QSignalSpy finished(m_sound.get(), &hv::SoundOut::finished);
    const qint64 from = now();
    QVERIFY(m_sound->play(sound(playing), Mode::Async));
    QVERIFY(!m_sound->play(sound(refused), Mode::AsyncNoStop));
    const QString error = checkTones(heardSince(from, finished), {playing});
    QVERIFY2(error.isEmpty(), qPrintable(error));

    // Once it has been heard, the same call plays.
    QVERIFY(m_sound->play(sound(refused), Mode::AsyncNoStop));
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, waitMs);
}

void TestSoundOut::unplayableSoundPlaysTheDefault_data()
{
    QTest::addColumn<QString>("file"); // in a folder of the test's own
    QTest::addColumn<QByteArray>("image");

    QTest::newRow("missing file") << QStringLiteral("missing.wav") << QByteArray();
    QTest::newRow("empty path") << QString() << QByteArray();
    QTest::newRow("text file") << QStringLiteral("text.wav") << QByteArray();
    QTest::newRow("damaged image in memory") << QString() << QByteArray("RIFF\x10\0\0\0WAVEfmt ", 16);
}

void TestSoundOut::unplayableSoundPlaysTheDefault()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, image);
    QFile text(m_dir.filePath(QStringLiteral("text.wav")));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("not a sound\n");
    text.close();

    // What the default sound sounds like, measured the same way.
    hv::WaveDecoder decoder;
    QVERIFY(decoder.openImage(QtSoundOut::defaultSound(), {captureRate, 1}));
    const std::vector<qint16> expected = toSamples(decoder.readAll());
    const double expectedMs = ms(loudPart(expected, loud).size());
    QVERIFY(expectedMs > 100);

    const Sound unplayable = image.isEmpty()
                                 ? Sound::fromFile(file.isEmpty() ? QString() : m_dir.filePath(file))
                                 : Sound::fromMemory(image);
    QSignalSpy finished(m_sound.get(), &hv::SoundOut::finished);
    const qint64 from = now();
    QVERIFY(m_sound->play(unplayable, Mode::Async));
    const double heardMs = ms(loudPart(heardSince(from, finished), loud).size());
    QVERIFY2(
        lengthMatches(heardMs, expectedMs),
        qPrintable(QStringLiteral("heard %1 ms; the default sound is %2 ms").arg(heardMs).arg(expectedMs)));
}

void TestSoundOut::unplayableSoundWithoutDefaultPlaysNothing()
{
    QSignalSpy finished(m_sound.get(), &hv::SoundOut::finished);
    const qint64 from = now();
    QVERIFY(
        !m_sound->play(Sound::fromFile(m_dir.filePath(QStringLiteral("missing.wav")), false), Mode::Async));
    QVERIFY(!m_sound->isPlaying());
    // Long enough for a sound started by mistake to be heard.
    QVERIFY(waitForFrames(m_capture, from + captureRate * 4 / 10));
    const std::vector<qint16> all = toSamples(m_capture.recorded());
    QVERIFY(loudPart(std::span(all).subspan(std::size_t(from)), loud).empty());
    QCOMPARE(finished.size(), 0);
}

void TestSoundOut::beepIsAudible()
{
    QSignalSpy finished(m_sound.get(), &hv::SoundOut::finished);
    const qint64 from = now();
    m_sound->beep();
    QVERIFY(m_sound->isPlaying());
    const std::vector<qint16> recording = heardSince(from, finished);
    const std::span<const qint16> heard = loudPart(recording, loud);
    QVERIFY2(lengthMatches(ms(heard.size()), 100),
             qPrintable(QStringLiteral("heard %1 ms").arg(ms(heard.size()))));
    const double pitch = zeroCrossingFrequency(heard);
    QVERIFY2(std::abs(pitch / 880 - 1) < 0.02, qPrintable(QString::number(pitch)));
}

void TestSoundOut::beepLeavesAPlayingSoundWhole()
{
    const Tone playing{440, 600};
    QSignalSpy finished(m_sound.get(), &hv::SoundOut::finished);
    const qint64 from = now();
    QVERIFY(m_sound->play(sound(playing), Mode::Async));
    QVERIFY(waitUntilAudible(from));
    m_sound->beep();
    const std::vector<qint16> recording = heardSince(from, finished);
    const std::span<const qint16> heard = loudPart(recording, loud);
    QVERIFY2(lengthMatches(ms(heard.size()), playing.ms),
             qPrintable(QStringLiteral("heard %1 ms").arg(ms(heard.size()))));
    // The two together peak above either alone.
    const qint16 peak = *std::max_element(heard.begin(), heard.end());
    QVERIFY2(peak > 0.6 * 32768, qPrintable(QStringLiteral("peak %1: no beep mixed in").arg(peak)));
    QCOMPARE(finished.size(), 1);
}

void TestSoundOut::waitReturnsOnceTheSoundIsHeard()
{
    const Tone tone{440, 300};
    QSignalSpy finished(m_sound.get(), &hv::SoundOut::finished);
    const qint64 from = now();
    QElapsedTimer timer;
    timer.start();
    QVERIFY(m_sound->play(sound(tone), Mode::Wait));
    const qint64 took = timer.elapsed();
    // Frames recorded by now were heard by now.
    const qint64 recordedAtReturn = now();
    QVERIFY(!m_sound->isPlaying());
    QCOMPARE(finished.size(), 1);

    const std::vector<qint16> recording = heardSince(from, finished);
    const std::span<const qint16> heard = loudPart(recording, loud);
    QVERIFY(!heard.empty());
    const qint64 end = from + qint64(heard.data() - recording.data()) + qint64(heard.size());
    QVERIFY2(end <= recordedAtReturn,
             qPrintable(
                 QStringLiteral("returned %1 ms before the end was heard").arg(ms(end - recordedAtReturn))));
    QVERIFY2(took < tone.ms + 1000, qPrintable(QStringLiteral("returned after %1 ms").arg(took)));
    qInfo("Wait on a %d ms sound returned after %lld ms, %.1f ms after its end was recorded", tone.ms, took,
          ms(recordedAtReturn - end));
}

void TestSoundOut::startLatency()
{
    constexpr int rounds = 8;
    std::vector<double> latencies;
    for (int round = 0; round < rounds; ++round) {
        QSignalSpy finished(m_sound.get(), &hv::SoundOut::finished);
        const qint64 from = now();
        QVERIFY(m_sound->play(sound({1000, 100}), Mode::Async));
        const std::vector<qint16> recording = heardSince(from, finished);
        const std::span<const qint16> heard = loudPart(recording, loud);
        QVERIFY2(!heard.empty(), qPrintable(QStringLiteral("round %1: nothing heard").arg(round)));
        latencies.push_back(ms(std::size_t(heard.data() - recording.data())));
    }
    std::sort(latencies.begin(), latencies.end());
    const double median = latencies[latencies.size() / 2];
    qInfo("request to first recorded sample, %d rounds: min %.1f, median %.1f, max %.1f ms (recording lag "
          "of up to 10 ms included)",
          rounds, latencies.front(), median, latencies.back());
    // Generous against a loaded machine; a stalled start takes hundreds of ms.
    QVERIFY2(median < 100, qPrintable(QString::number(median)));
}

void TestSoundOut::withoutSoundServerEveryCallReturnsAtOnce()
{
    // A child process of this test, pointed at a server that does not exist; it
    // makes every call and reports what went wrong (see main()).
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PULSE_SERVER"),
                       QStringLiteral("unix:") + m_dir.filePath(QStringLiteral("no-server")));
    environment.insert(QStringLiteral("HORAVOX_SOUND_CHILD"), QStringLiteral("1"));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(30000));
    const QString output =
        QString::fromLocal8Bit(child.readAllStandardOutput() + child.readAllStandardError());
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, qPrintable(output));
}

namespace {

int soundWarnings = 0;

// The child of withoutSoundServerEveryCallReturnsAtOnce().
int runWithoutServer()
{
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (type == QtWarningMsg && qstrcmp(context.category, "horavox.sound") == 0)
            ++soundWarnings;
        fprintf(stderr, "%s: %s\n", context.category, qPrintable(message));
    });
    QStringList failures;
    const auto expect = [&](bool ok, const char* what) {
        if (!ok)
            failures << QString::fromLatin1(what);
    };
    QElapsedTimer timer;
    const auto quickly = [&](const char* what, const auto& call) {
        timer.restart();
        call();
        if (timer.elapsed() > 100)
            failures << QStringLiteral("%1 took %2 ms").arg(QString::fromLatin1(what)).arg(timer.elapsed());
    };
    const Sound tone = sound({440, 2000});
    QtSoundOut out;
    quickly("isAvailable", [&] { expect(!out.isAvailable(), "isAvailable() is true"); });
    quickly("play Wait", [&] { expect(!out.play(tone, Mode::Wait), "play(Wait) reported success"); });
    quickly("play Async", [&] { expect(!out.play(tone, Mode::Async), "play(Async) reported success"); });
    quickly("play AsyncNoStop",
            [&] { expect(!out.play(tone, Mode::AsyncNoStop), "play(AsyncNoStop) reported success"); });
    quickly("play a missing file", [&] {
        expect(!out.play(Sound::fromFile(QStringLiteral("/nonexistent.wav")), Mode::Wait),
               "play(missing file) reported success");
    });
    quickly("playSequence", [&] { out.playSequence({tone, tone}); });
    quickly("beep", [&] { out.beep(); });
    quickly("stop", [&] { out.stop(); });
    expect(!out.isPlaying(), "isPlaying() is true");
    if (soundWarnings != 1)
        failures << QStringLiteral("%1 warnings in horavox.sound, not one").arg(soundWarnings);
    for (const QString& failure : std::as_const(failures))
        fprintf(stderr, "FAIL: %s\n", qPrintable(failure));
    return failures.isEmpty() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("HORAVOX_SOUND_CHILD"))
        return runWithoutServer();
    TestSoundOut test;
    return QTest::qExec(&test, argc, argv);
}

#include "desktop_SoundOut.moc"
