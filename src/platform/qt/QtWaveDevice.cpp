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

// Receives what the audio input delivers, on the capture thread. A recording
// is a session: begin() and end() run on the interface thread and never wait
// for the capture thread, which opens and closes the input when it gets to it;
// samples that arrive outside a session are dropped.
class CaptureWorker final : public QIODevice
{
public:
    CaptureWorker() { open(QIODevice::WriteOnly); }

    // A new recording: what arrives from now on is kept. Returns the session
    // to hand to openInput().
    int begin()
    {
        const QMutexLocker lock(&m_mutex);
        m_data.clear();
        m_frames = 0;
        m_peak = 0;
        m_accepting = true;
        return ++m_session;
    }
    // Ends the recording: what arrived up to now, later samples are dropped.
    QByteArray end()
    {
        const QMutexLocker lock(&m_mutex);
        m_accepting = false;
        ++m_session;
        return std::exchange(m_data, {});
    }

    // On the capture thread: opens the input for `session`, unless that
    // recording has ended meanwhile. Empty when recording runs, else why not.
    QString openInput(int session)
    {
        if (!isSession(session))
            return {};
        const QAudioDevice device = defaultInput(); // asks the server: may take long
        if (!isSession(session))
            return {};
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
    void closeInput() { m_source.reset(); }

    qint64 frames() const { return m_frames; }
    qreal takePeak() { return m_peak.exchange(0) / 32768.0; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 bytes) override
    {
        const qint64 whole = bytes - bytes % kBytesPerSample;
        const QMutexLocker lock(&m_mutex);
        if (!m_accepting)
            return bytes;
        m_data.append(data, whole);
        m_frames += whole / kBytesPerSample;
        m_peak = std::max(m_peak.load(), peakOf(data, whole));
        return bytes;
    }

private:
    bool isSession(int session)
    {
        const QMutexLocker lock(&m_mutex);
        return session == m_session;
    }

    std::unique_ptr<QAudioSource> m_source; // on the capture thread only
    QMutex m_mutex;                         // guards what follows
    QByteArray m_data;
    bool m_accepting = false;
    int m_session = 0;
    std::atomic<qint64> m_frames = 0;
    std::atomic<int> m_peak = 0;
};

struct QtWaveDevice::Link
{
    QMutex mutex;
    QtWaveDevice* owner = nullptr; // null once the device is gone

    // Runs `call` on the owner's thread, if the owner still exists then.
    template <typename Call>
    void post(Call call)
    {
        const QMutexLocker lock(&mutex);
        if (owner != nullptr)
            QMetaObject::invokeMethod(
                owner, [owner = owner, call] { call(owner); }, Qt::QueuedConnection);
    }
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
    , m_link(std::make_shared<Link>())
{
    m_link->owner = this;
    m_tail.setSingleShot(true);
    connect(&m_tail, &QTimer::timeout, this, [this] {
        stopPlaying();
        m_position = frames();
        setMode(Mode::Stopped);
        QMetaObject::invokeMethod(this, &WaveDevice::completed, Qt::QueuedConnection);
    });
    m_lookupWait.setSingleShot(true);
    m_lookupWait.setInterval(kLookupWaitMs);
    connect(&m_lookupWait, &QTimer::timeout, this, [this] {
        if (m_lookup != Lookup::Asked)
            return;
        qCWarning(lcSound) << "the sound server does not answer: nothing can be recorded or played";
        m_lookup = Lookup::Late;
        Q_EMIT devicesChanged();
    });
}

QtWaveDevice::~QtWaveDevice()
{
    {
        const QMutexLocker lock(&m_link->mutex);
        m_link->owner = nullptr;
    }
    close();
    if (m_captureThread != nullptr) {
        m_captureThread->quit();
        // A thread that a hung server holds cannot be ended: it is left to the
        // process's exit rather than waited for.
        if (!m_captureThread->wait(100)) {
            qCWarning(lcSound) << "the wave capture thread is held by the sound server; left running";
            m_captureThread->setParent(nullptr);
        }
    }
}

void QtWaveDevice::startCaptureThread() const
{
    if (m_captureThread != nullptr)
        return;
    auto* self = const_cast<QtWaveDevice*>(this);
    m_captureThread = new QThread(self);
    m_captureThread->setObjectName(QStringLiteral("wave capture"));
    m_capture = new CaptureWorker;
    m_capture->moveToThread(m_captureThread);
    connect(m_captureThread, &QThread::finished, m_capture, &QObject::deleteLater);
    m_captureThread->start(QThread::TimeCriticalPriority);
}

// Asks on the capture thread, whose event loop also keeps Qt Multimedia's
// server connection going; the answer comes back queued.
void QtWaveDevice::lookUpDevices() const
{
    if (m_lookup != Lookup::NotAsked)
        return;
    m_lookup = Lookup::Asked;
    startCaptureThread();
    m_lookupWait.start();
    QMetaObject::invokeMethod(m_capture, [link = m_link] {
        const bool hasInput = !QMediaDevices::audioInputs().isEmpty();
        const QAudioDevice output = QMediaDevices::defaultAudioOutput();
        link->post([hasInput, output](QtWaveDevice* owner) { owner->onLookedUp(hasInput, output); });
    });
}

void QtWaveDevice::onLookedUp(bool hasInput, const QAudioDevice& output)
{
    m_lookupWait.stop();
    m_lookup = Lookup::Answered;
    m_hasInput = hasInput;
    m_output = output;
    Q_EMIT devicesChanged();
}

bool QtWaveDevice::devicesKnown() const
{
    lookUpDevices();
    return m_lookup == Lookup::Answered || m_lookup == Lookup::Late;
}

bool QtWaveDevice::canRecord() const
{
    lookUpDevices();
    return m_lookup == Lookup::Answered && m_hasInput;
}

bool QtWaveDevice::canPlay() const
{
    lookUpDevices();
    return m_lookup == Lookup::Answered && !m_output.isNull();
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
    startCaptureThread();
    m_session = m_capture->begin();
    setMode(Mode::Recording);
    QMetaObject::invokeMethod(m_capture, [link = m_link, worker = m_capture, session = m_session] {
        const QString problem = worker->openInput(session);
        if (!problem.isEmpty())
            link->post([session, problem](QtWaveDevice* owner) { owner->onCaptureFailed(session, problem); });
    });
    return true;
}

void QtWaveDevice::onCaptureFailed(int session, const QString& reason)
{
    if (m_mode != Mode::Recording || session != m_session)
        return;
    stopRecording();
    m_error = reason;
    qCWarning(lcSound) << "recording failed:" << reason;
    setMode(Mode::Stopped);
}

// Takes what was captured up to now and lets the capture thread close the
// input when it gets to it: never waits for that thread.
void QtWaveDevice::stopRecording()
{
    m_pcm.append(m_capture->end());
    QMetaObject::invokeMethod(m_capture, [worker = m_capture] { worker->closeInput(); });
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
