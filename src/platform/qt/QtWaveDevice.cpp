// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtWaveDevice.h"

#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/Logging.h"
#include "platform/WaveDecoder.h"

#include <QAudioSink>
#include <QAudioSource>
#include <QIODevice>
#include <QMediaDevices>
#include <QMutex>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace hv {

namespace {

constexpr int kBytesPerSample = 2;
// A sound file larger than this is not read into memory: about 50 minutes
// of CD-quality stereo.
constexpr qint64 kMaxSoundBytes = 512LL * 1024 * 1024;

// The loudest of the 16-bit samples in `data`, 0 to 32768.
int peakOf(const char* data, qint64 bytes)
{
    int peak = 0;
    for (qint64 i = 0; i + 1 < bytes; i += kBytesPerSample) {
        qint16 s = 0;
        std::memcpy(&s, data + i, sizeof s);
        peak = std::max(peak, std::abs(int(s)));
    }
    return peak;
}

// The server's default source by name: "pactl get-default-source", or the
// "Default Source:" line of "pactl info" from servers too old for the first.
QByteArray serverDefaultSource()
{
    const auto run = [](const QStringList& arguments) -> QByteArray {
        QProcess pactl;
        pactl.start(QStringLiteral("pactl"), arguments);
        if (!pactl.waitForFinished(2000)) {
            pactl.kill();
            pactl.waitForFinished(1000);
            return {};
        }
        return pactl.exitStatus() == QProcess::NormalExit && pactl.exitCode() == 0
                   ? pactl.readAllStandardOutput()
                   : QByteArray();
    };
    QByteArray name = run({QStringLiteral("get-default-source")}).trimmed();
    if (!name.isEmpty())
        return name;
    const QList<QByteArray> lines = run({QStringLiteral("info")}).split('\n');
    for (const QByteArray& line : lines) {
        if (line.startsWith("Default Source:"))
            return line.mid(int(qstrlen("Default Source:"))).trimmed();
    }
    return {};
}

QAudioDevice defaultInput()
{
    const QByteArray wanted = serverDefaultSource();
    const QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
    for (const QAudioDevice& device : inputs) {
        if (!wanted.isEmpty() && device.id() == wanted)
            return device;
    }
    if (!wanted.isEmpty())
        qCWarning(lcSound) << "the server's default source" << wanted << "is not among Qt's inputs";
    return QMediaDevices::defaultAudioInput();
}

QAudioFormat pcmFormat(int rate, int channels)
{
    QAudioFormat format;
    format.setSampleRate(rate);
    format.setChannelCount(channels);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

} // namespace

// Receives what the audio input delivers, on the capture thread; the device
// reads the count, the level and, once stopped, the samples.
class CaptureWorker final : public QIODevice
{
public:
    CaptureWorker() { open(QIODevice::WriteOnly); }

    // On the capture thread. Empty when recording runs, else why not.
    QString start()
    {
        {
            const QMutexLocker lock(&m_mutex);
            m_data.clear();
        }
        m_frames = 0;
        m_peak = 0;
        const QAudioDevice device = defaultInput();
        if (device.isNull())
            return QStringLiteral("There is no audio input to record from.");
        m_source = std::make_unique<QAudioSource>(device, pcmFormat(QtWaveDevice::kRecordRate, 1));
        m_source->start(this);
        if (m_source->error() != QAudio::NoError || m_source->state() == QAudio::StoppedState) {
            const int error = int(m_source->error());
            m_source.reset();
            return QStringLiteral("The audio input %1 cannot be opened (error %2).")
                .arg(device.description())
                .arg(error);
        }
        qCDebug(lcSound) << "recording from" << device.id();
        return {};
    }
    // On the capture thread.
    void finish() { m_source.reset(); }

    QByteArray take()
    {
        const QMutexLocker lock(&m_mutex);
        return std::exchange(m_data, {});
    }
    qint64 frames() const { return m_frames; }
    qreal takePeak() { return m_peak.exchange(0) / 32768.0; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 bytes) override
    {
        bytes -= bytes % kBytesPerSample;
        {
            const QMutexLocker lock(&m_mutex);
            m_data.append(data, bytes);
        }
        m_frames += bytes / kBytesPerSample;
        const int peak = peakOf(data, bytes);
        int seen = m_peak;
        while (peak > seen && !m_peak.compare_exchange_weak(seen, peak)) {
        }
        return bytes;
    }

private:
    std::unique_ptr<QAudioSource> m_source;
    QMutex m_mutex;
    QByteArray m_data;
    std::atomic<qint64> m_frames = 0;
    std::atomic<int> m_peak = 0;
};

// Hands the held sound to the audio output from a position on, counting the
// frames it handed out.
class PlaybackSource final : public QIODevice
{
public:
    PlaybackSource(const QByteArray& pcm, qint64 fromByte)
        : m_pcm(pcm)
        , m_at(fromByte)
    {
        open(QIODevice::ReadOnly);
    }
    qint64 at() const { return m_at; }
    qreal takePeak() { return std::exchange(m_peak, 0) / 32768.0; }
    bool atEnd() const override { return m_at >= m_pcm.size(); }
    qint64 bytesAvailable() const override { return m_pcm.size() - m_at + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char* data, qint64 maxBytes) override
    {
        const qint64 n = std::min(maxBytes, m_pcm.size() - m_at);
        std::memcpy(data, m_pcm.constData() + m_at, std::size_t(n));
        m_peak = std::max(m_peak, peakOf(data, n));
        m_at += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    const QByteArray& m_pcm;
    qint64 m_at;
    int m_peak = 0;
};

QtWaveDevice::QtWaveDevice(QObject* parent)
    : WaveDevice(parent)
{
    m_tail.setSingleShot(true);
    connect(&m_tail, &QTimer::timeout, this, [this] {
        stopPlaying();
        m_position = frames();
        setMode(Mode::Stopped);
        QMetaObject::invokeMethod(this, &WaveDevice::completed, Qt::QueuedConnection);
    });
}

QtWaveDevice::~QtWaveDevice()
{
    close();
    if (m_captureThread != nullptr) {
        m_captureThread->quit();
        m_captureThread->wait();
    }
}

void QtWaveDevice::lookUpDevices() const
{
    if (std::exchange(m_looked, true))
        return;
    m_output = QMediaDevices::defaultAudioOutput();
    m_hasInput = !QMediaDevices::audioInputs().isEmpty();
}

bool QtWaveDevice::canRecord() const
{
    lookUpDevices();
    return m_hasInput;
}

bool QtWaveDevice::canPlay() const
{
    lookUpDevices();
    return !m_output.isNull();
}

bool QtWaveDevice::open(const QString& file)
{
    close();
    m_error.clear();
    if (file.isEmpty()) {
        m_rate = kRecordRate;
        m_channels = kRecordChannels;
        setMode(Mode::Stopped);
        return true;
    }
    WaveDecoder decoder;
    if (!decoder.openFile(file, {})) // first for the source's own rate and channels
        return fail(decoder.errorString());
    const WaveDecoder::OutputFormat own{decoder.sourceSampleRate(), std::min(decoder.sourceChannels(), 2)};
    if (decoder.sourceFrames() * own.channels * kBytesPerSample > kMaxSoundBytes)
        return fail(QStringLiteral("The sound is too long to be held for recording."));
    if (!decoder.openFile(file, own))
        return fail(decoder.errorString());
    m_pcm = decoder.readAll();
    m_rate = own.sampleRate;
    m_channels = own.channels;
    m_file = file;
    setMode(Mode::Stopped);
    return true;
}

void QtWaveDevice::close()
{
    if (m_mode == Mode::Recording)
        stopRecording();
    stopPlaying();
    m_pcm.clear();
    m_position = 0;
    m_file.clear();
    setMode(Mode::NotReady);
}

bool QtWaveDevice::play()
{
    if (m_mode == Mode::NotReady)
        return fail(QStringLiteral("No sound is open."));
    if (!canPlay())
        return fail(QStringLiteral("There is no audio output to play on."));
    if (m_mode == Mode::Recording)
        stopRecording();
    stopPlaying();
    if (m_position >= frames())
        m_position = 0;
    const int bytesPerFrame = m_channels * kBytesPerSample;
    m_source = std::make_unique<PlaybackSource>(m_pcm, m_position * bytesPerFrame);
    m_sink = new QAudioSink(m_output, pcmFormat(m_rate, m_channels), this);
    // Queued, so that the sink is never stopped from inside its own call stack.
    connect(m_sink, &QAudioSink::stateChanged, this, &QtWaveDevice::onSinkStateChanged, Qt::QueuedConnection);
    m_sink->start(m_source.get());
    if (m_sink->error() != QAudio::NoError || m_sink->state() == QAudio::StoppedState) {
        const int error = int(m_sink->error());
        stopPlaying();
        return fail(QStringLiteral("The audio output %1 cannot be opened (error %2).")
                        .arg(m_output.description())
                        .arg(error));
    }
    setMode(Mode::Playing);
    return true;
}

bool QtWaveDevice::record()
{
    if (m_mode == Mode::NotReady)
        return fail(QStringLiteral("No sound is open."));
    if (!canRecord())
        return fail(QStringLiteral("There is no audio input to record from."));
    if (m_mode == Mode::Recording)
        return true;
    stopPlaying();
    if (m_rate != kRecordRate || m_channels != kRecordChannels) {
        // A recording into a sound of another format starts a new sound.
        m_pcm.clear();
        m_position = 0;
        m_rate = kRecordRate;
        m_channels = kRecordChannels;
    }
    m_recordFrom = std::min(m_position, frames());
    m_pcm.truncate(m_recordFrom * m_channels * kBytesPerSample);
    if (m_captureThread == nullptr) {
        m_captureThread = new QThread(this);
        m_captureThread->setObjectName(QStringLiteral("wave capture"));
        m_capture = new CaptureWorker;
        m_capture->moveToThread(m_captureThread);
        connect(m_captureThread, &QThread::finished, m_capture, &QObject::deleteLater);
        m_captureThread->start(QThread::TimeCriticalPriority);
    }
    setMode(Mode::Recording);
    QMetaObject::invokeMethod(m_capture, [this, worker = m_capture] {
        const QString problem = worker->start();
        if (!problem.isEmpty())
            QMetaObject::invokeMethod(this, [this, problem] { onCaptureFailed(problem); });
    });
    return true;
}

void QtWaveDevice::onCaptureFailed(const QString& reason)
{
    if (m_mode != Mode::Recording)
        return;
    stopRecording();
    m_error = reason;
    qCWarning(lcSound) << "recording failed:" << reason;
    setMode(Mode::Stopped);
}

void QtWaveDevice::stopRecording()
{
    QMetaObject::invokeMethod(
        m_capture, [worker = m_capture] { worker->finish(); }, Qt::BlockingQueuedConnection);
    m_pcm.append(m_capture->take());
    m_position = frames();
}

bool QtWaveDevice::stop()
{
    if (m_mode == Mode::Recording) {
        stopRecording();
    } else if (m_mode == Mode::Playing) {
        m_position = std::min(frames(), positionMs() * m_rate / 1000);
        stopPlaying();
    }
    if (m_mode != Mode::NotReady)
        setMode(Mode::Stopped);
    return true;
}

void QtWaveDevice::stopPlaying()
{
    m_tail.stop();
    if (m_sink != nullptr) {
        m_sink->disconnect(this);
        m_sink->stop();
        m_sink->deleteLater();
        m_sink = nullptr;
    }
    m_source.reset();
}

void QtWaveDevice::onSinkStateChanged()
{
    if (m_sink == nullptr || sender() != m_sink)
        return;
    if (m_sink->state() == QAudio::IdleState && m_source && m_source->atEnd()) {
        // Idle comes while the output's buffer still sounds: let it play out.
        const qint64 bufferMs =
            pcmFormat(m_rate, m_channels).durationForBytes(qint32(m_sink->bufferSize())) / 1000;
        m_tail.start(int(bufferMs));
    } else if (m_sink->state() == QAudio::StoppedState && m_sink->error() != QAudio::NoError) {
        stopPlaying();
        m_error = QStringLiteral("The audio output stopped.");
        setMode(Mode::Stopped);
    }
}

void QtWaveDevice::seekToStart()
{
    if (m_mode == Mode::Playing)
        stopPlaying();
    m_position = 0;
    if (m_mode == Mode::Playing)
        setMode(Mode::Stopped);
}

bool QtWaveDevice::save(const QString& file)
{
    if (m_mode == Mode::NotReady)
        return fail(QStringLiteral("No sound is open."));
    if (m_mode == Mode::Recording)
        stop();
    try {
        writeFileAtomically(file, waveImage(m_pcm, m_rate, m_channels));
    } catch (const Error& error) {
        return fail(error.message());
    }
    m_file = file;
    return true;
}

qint64 QtWaveDevice::frames() const
{
    const qint64 held = m_pcm.size() / (m_channels * kBytesPerSample);
    if (m_mode == Mode::Recording && m_capture != nullptr)
        return m_recordFrom + m_capture->frames();
    return held;
}

qint64 QtWaveDevice::framesToMs(qint64 count) const
{
    return count * 1000 / m_rate;
}

qint64 QtWaveDevice::lengthMs() const
{
    return framesToMs(frames());
}

qint64 QtWaveDevice::positionMs() const
{
    if (m_mode == Mode::Recording)
        return lengthMs();
    if (m_mode == Mode::Playing && m_sink != nullptr && m_source) {
        const qint64 bytesPerFrame = m_channels * kBytesPerSample;
        const qint64 buffered = std::max<qint64>(0, m_sink->bufferSize() - m_sink->bytesFree());
        return framesToMs(std::max<qint64>(0, m_source->at() - buffered) / bytesPerFrame);
    }
    return framesToMs(m_position);
}

qreal QtWaveDevice::takeLevel()
{
    if (m_mode == Mode::Recording && m_capture != nullptr)
        return m_capture->takePeak();
    if (m_mode == Mode::Playing && m_source)
        return m_source->takePeak();
    return 0;
}

void QtWaveDevice::setMode(Mode mode)
{
    if (mode == m_mode)
        return;
    m_mode = mode;
    Q_EMIT modeChanged(mode);
}

bool QtWaveDevice::fail(const QString& text)
{
    m_error = text;
    return false;
}

} // namespace hv
