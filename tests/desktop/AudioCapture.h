// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the test desktop's null sink plays, recorded from its monitor with
// parecord (outside Qt), and measurements on the recording.

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QTest>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

namespace hv::test {

constexpr int captureRate = 44100; // Hz, mono 16-bit

// Records mono 16-bit audio at captureRate into memory, from when start() returns
// true until stop().
class Recorder
{
public:
    virtual ~Recorder() = default;
    virtual bool start() = 0;
    virtual void stop() = 0;
    virtual QString errorString() const = 0;
    const QByteArray& recorded() const { return m_recorded; }
    qint64 frames() const { return m_recorded.size() / qint64(sizeof(qint16)); }

protected:
    QByteArray m_recorded;
};

// parecord on the null sink's monitor: what the server mixed. Sample i of the
// recording was heard no later than when frames() first exceeded i; the recording
// lags by up to the latency asked for.
class MonitorRecorder : public Recorder
{
public:
    explicit MonitorRecorder(int latencyMs = 20)
        : m_latencyMs(latencyMs)
    {}
    ~MonitorRecorder() override { stop(); }

    bool start() override
    {
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput,
                         [this] { m_recorded += m_process.readAllStandardOutput(); });
        // Without --latency-msec, parecord keeps back its last buffer.
        m_process.start(QStringLiteral("parecord"),
                        {QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                         QStringLiteral("--rate=%1").arg(captureRate), QStringLiteral("--channels=1"),
                         QStringLiteral("--latency-msec=%1").arg(m_latencyMs), QStringLiteral("-d"),
                         qEnvironmentVariable("HORAVOX_TEST_MONITOR")});
        return m_process.waitForStarted(5000);
    }
    void stop() override
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    QString errorString() const override { return QStringLiteral("parecord: ") + m_process.errorString(); }

private:
    QProcess m_process;
    int m_latencyMs;
};

// Runs the event loop until the recorder holds `frames` frames, at most timeoutMs.
inline bool waitForFrames(const Recorder& recorder, qint64 frames, int timeoutMs = 5000)
{
    return QTest::qWaitFor([&] { return recorder.frames() >= frames; }, timeoutMs);
}

inline std::vector<qint16> toSamples(const QByteArray& bytes)
{
    std::vector<qint16> samples(std::size_t(bytes.size()) / sizeof(qint16));
    std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(qint16));
    return samples;
}

inline double rms(std::span<const qint16> samples)
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
inline std::span<const qint16> audiblePart(std::span<const qint16> samples, double threshold)
{
    constexpr std::size_t block = captureRate / 100;
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

// Sample-exact: from the first to the last sample whose magnitude exceeds
// `threshold`. For a tone of amplitude A and a threshold of A/10, the ends lie
// within a small fraction of a period of the tone's true ends.
inline std::span<const qint16> loudPart(std::span<const qint16> samples, int threshold)
{
    std::optional<std::size_t> first;
    std::size_t last = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(int(samples[i])) > threshold) {
            first = first.value_or(i);
            last = i;
        }
    }
    return first ? samples.subspan(*first, last + 1 - *first) : std::span<const qint16>{};
}

// The longest run of samples whose magnitude stays at or below `threshold`: a tone
// has only short ones, at its zero crossings; a gap shows as a long one.
inline std::size_t longestQuietRun(std::span<const qint16> samples, int threshold)
{
    std::size_t longest = 0;
    std::size_t run = 0;
    for (const qint16 s : samples) {
        run = std::abs(int(s)) <= threshold ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

// Hz, from the whole periods between the first and the last rising zero crossing;
// 0 when there are fewer than two.
inline double zeroCrossingFrequency(std::span<const qint16> samples)
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
    return periods > 0 ? periods * double(captureRate) / double(last - *first) : 0;
}

inline double seconds(std::span<const qint16> samples)
{
    return double(samples.size()) / captureRate;
}

} // namespace hv::test
