// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/QtSoundOut.h"

#include "common/Logging.h"
#include "platform/WaveDecoder.h"
#include "platform/qt/PcmQueue.h"

#include <QAudioSink>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QIODevice>
#include <QMediaDevices>
#include <QMutex>
#include <QThread>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <unistd.h>
#include <utility>
#include <vector>

// The resource's initialiser lives in the global namespace, and so must its caller.
static void initSoundResources()
{
    Q_INIT_RESOURCE(sounds);
}

namespace hv {

namespace {

// Silence queued after the last sound, in addition to the sink's buffer. The sink
// reports Idle when it has read everything, while up to a buffer's worth still
// waits to be heard; with this much silence behind the sound, Idle means that the
// sound itself has been heard, and short sounds fill the server's pre-buffer, which
// would otherwise hold them back until more data came.
constexpr qint64 tailMarginMs = 20;
// How long past its expected end a Wait call or the watchdog waits for a sound.
constexpr qint64 overrunMs = 1000;

constexpr int beepMs = 100;
constexpr double beepHz = 880;
constexpr double beepAmplitude = 0.3; // of full scale
constexpr int beepFadeMs = 5;         // in and out, so that it does not click

QAudioFormat chooseFormat(const QAudioDevice& device)
{
    QAudioFormat format;
    format.setSampleRate(44100);
    format.setChannelCount(2);
    format.setSampleFormat(QAudioFormat::Int16);
    if (device.isFormatSupported(format))
        return format;
    const QAudioFormat preferred = device.preferredFormat();
    if (preferred.sampleRate() > 0)
        format.setSampleRate(preferred.sampleRate());
    format.setChannelCount(preferred.channelCount() == 1 ? 1 : 2);
    return format;
}

// A timer interval from a duration computed in 64 bits.
int timerMs(qint64 ms)
{
    return static_cast<int>(std::clamp<qint64>(ms, 0, INT_MAX));
}

WaveDecoder::OutputFormat decoderFormat(const QAudioFormat& format)
{
    return {format.sampleRate(), format.channelCount()};
}

std::vector<qint16> beepSamples(const QAudioFormat& format)
{
    const int rate = format.sampleRate();
    const int channels = format.channelCount();
    const int frames = rate * beepMs / 1000;
    const int fade = rate * beepFadeMs / 1000;
    std::vector<qint16> samples;
    samples.reserve(std::size_t(frames * channels));
    for (int i = 0; i < frames; ++i) {
        const double envelope = std::min({1.0, double(i) / fade, double(frames - 1 - i) / fade});
        const double value = beepAmplitude * envelope * std::sin(2 * std::numbers::pi * beepHz * i / rate);
        samples.insert(samples.end(), std::size_t(channels), qint16(std::lrint(value * 32767)));
    }
    return samples;
}

// Lets the process end, once main has returned and its own objects are gone,
// without running the libraries' static destructors.
void endWithoutLibraryTeardown()
{
#ifdef __GLIBC__
    static bool registered = false;
    if (std::exchange(registered, true))
        return;
    // Handlers run in the reverse order of registration, before the libraries'
    // destructors; this one, registered at the end of the program, runs first.
    ::on_exit(
        [](int status, void*) {
            std::fflush(nullptr);
            ::_exit(status);
        },
        nullptr);
#endif
}

} // namespace

// Shared by the sound output and its lookup thread, which may outlive it while
// a hung server keeps it waiting.
struct QtSoundOut::LookupLink
{
    QMutex mutex;
    QtSoundOut* owner = nullptr; // null once the sound output is gone
};

QtSoundOut::QtSoundOut(QObject* parent)
    : SoundOut(parent)
{
    m_watchdog.setSingleShot(true);
    connect(&m_watchdog, &QTimer::timeout, this, &QtSoundOut::onWatchdog);
}

QtSoundOut::~QtSoundOut()
{
    for (QEventLoop* loop : std::as_const(m_waits))
        loop->quit();
    for (QEventLoop* loop : std::as_const(m_lookupWaits))
        loop->quit();
    if (m_lookupThread != nullptr) {
        {
            const QMutexLocker lock(&m_lookupLink->mutex);
            m_lookupLink->owner = nullptr;
        }
        m_lookupThread->quit();
        // A lookup that a hung server holds cannot be ended: leave the thread
        // to the process's exit rather than wait for it. That exit must then
        // skip the libraries' teardown, since Qt Multimedia's would wait for
        // the lookup (30 s for an unanswered server).
        if (m_lookupThread->wait(100)) {
            delete m_lookupContext;
            delete m_lookupThread;
        } else {
            endWithoutLibraryTeardown();
        }
    }
    if (m_sink != nullptr) {
        // The sink's destructor runs the event loop: no queued call may reach a
        // half-destroyed object.
        m_sink->disconnect(this);
        QCoreApplication::removePostedEvents(this);
        m_sink->stop();
        delete m_sink;
        m_sink = nullptr;
    }
}

QByteArray QtSoundOut::defaultSound()
{
    static const QByteArray image = [] {
        initSoundResources();
        QFile file(QStringLiteral(":/sounds/default.wav"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    return image;
}

bool QtSoundOut::isAvailable() const
{
    if (m_sink != nullptr)
        return true;
    // Looking up changes nothing that a caller sees but the answer.
    auto* self = const_cast<QtSoundOut*>(this);
    return self->lookUpOutput() && !m_failed && !m_foundDevice.isNull();
}

bool QtSoundOut::isPlaying() const
{
    return m_playing;
}

void QtSoundOut::reportUnavailable(const QString& reason)
{
    m_failed = true;
    if (m_warned)
        return;
    m_warned = true;
    qCWarning(lcSound).noquote() << QStringLiteral("No sound: %1. Sounds are skipped.").arg(reason);
    Q_EMIT unavailable(reason);
}

// The output in use while a sink runs; otherwise the current default output, so
// that a change of output device applies from the next sound on.
bool QtSoundOut::prepareOutput()
{
    if (m_sink != nullptr)
        return true;
    if (!lookUpOutput())
        return false;
    if (m_sink != nullptr)
        return true; // a sound started while this call waited for the lookup
    if (m_foundDevice.isNull()) {
        reportUnavailable(QStringLiteral("there is no audio output device"));
        return false;
    }
    if (m_foundDevice != m_device || !m_queue) {
        m_device = m_foundDevice;
        m_format = m_foundFormat;
        m_queue = std::make_unique<PcmQueue>(m_format.channelCount());
    }
    return true;
}

// Asks the lookup thread for the current default output and waits for the
// answer, at most kLookupWaitMs, running the event loop. False when no answer
// came: the server is hung (or very slow); the next call does not wait for
// the same lookup again.
bool QtSoundOut::lookUpOutput()
{
    if (m_lookingUp && m_lookupLate)
        return false;
    if (!m_lookingUp)
        startLookup();
    if (m_lookingUp) {
        QEventLoop loop;
        QTimer deadline;
        deadline.setSingleShot(true);
        connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        deadline.start(kLookupWaitMs);
        m_lookupWaits.append(&loop);
        loop.exec();
        m_lookupWaits.removeOne(&loop);
    }
    if (m_lookingUp) {
        if (!m_lookupLate)
            reportUnavailable(QStringLiteral("the sound server does not answer"));
        m_lookupLate = true;
        return false;
    }
    return true;
}

void QtSoundOut::startLookup()
{
    if (m_lookupThread == nullptr) {
        m_lookupLink = std::make_shared<LookupLink>();
        m_lookupLink->owner = this;
        m_lookupThread = new QThread;
        m_lookupThread->setObjectName(QStringLiteral("sound output lookup"));
        m_lookupContext = new QObject;
        m_lookupContext->moveToThread(m_lookupThread);
        m_lookupThread->start();
    }
    m_lookingUp = true;
    // The thread keeps its event loop: Qt Multimedia's sound server connection
    // is made there and retries there.
    QMetaObject::invokeMethod(m_lookupContext, [link = m_lookupLink] {
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        const QAudioFormat format = device.isNull() ? QAudioFormat() : chooseFormat(device);
        const QMutexLocker lock(&link->mutex);
        if (link->owner != nullptr) {
            QMetaObject::invokeMethod(
                link->owner, [owner = link->owner, device, format] { owner->onLookedUp(device, format); },
                Qt::QueuedConnection);
        }
    });
}

void QtSoundOut::onLookedUp(const QAudioDevice& device, const QAudioFormat& format)
{
    m_lookingUp = false;
    m_foundDevice = device;
    m_foundFormat = format;
    // The failure was the missing answer, which has come.
    if (m_lookupLate && !device.isNull())
        m_failed = false;
    m_lookupLate = false;
    for (QEventLoop* loop : std::as_const(m_lookupWaits))
        loop->quit();
}

std::unique_ptr<WaveDecoder> QtSoundOut::decoderFor(const Sound& sound) const
{
    auto decoder = std::make_unique<WaveDecoder>();
    const WaveDecoder::OutputFormat format = decoderFormat(m_format);
    const bool fromMemory = !sound.waveImage.isEmpty();
    if (fromMemory ? decoder->openImage(sound.waveImage, format) : decoder->openFile(sound.file, format))
        return decoder;
    qCDebug(lcSound).noquote() << (fromMemory ? QStringLiteral("a sound in memory") : sound.file)
                               << QStringLiteral("cannot be played:") << decoder->errorString();
    if (sound.defaultOnFailure && decoder->openImage(defaultSound(), format))
        return decoder;
    return nullptr;
}

// Once the queue has run dry the sink stops reading, so nothing can be added to
// it any more; by then the sequence has been heard anyway.
bool QtSoundOut::followsSequence() const
{
    return m_playing && m_queue->framesLeft() > 0 && m_queue->sequenceAhead();
}

bool QtSoundOut::play(const Sound& sound, Mode mode)
{
    if (mode == Mode::AsyncNoStop && m_playing)
        return false;
    if (!prepareOutput())
        return false;
    std::unique_ptr<WaveDecoder> decoder = decoderFor(sound);
    if (!decoder)
        return false;
    // A sequence is an announcement: what is asked for during it comes after it,
    // in the order it was asked for, instead of cutting it short.
    if (followsSequence()) {
        m_queue->dropPendingSingles();
        m_queue->append(std::move(decoder), false);
        m_queue->setTailFrames(m_format.framesForDuration((m_bufferMs + tailMarginMs) * 1000));
        armWatchdog();
    } else {
        cut();
        m_queue->append(std::move(decoder), false);
        if (!startSink())
            return false;
    }
    if (mode == Mode::Wait)
        waitUntilHeard();
    return true;
}

void QtSoundOut::playSequence(const QList<Sound>& sounds)
{
    if (!prepareOutput())
        return;
    cut();
    for (const Sound& sound : sounds) {
        if (std::unique_ptr<WaveDecoder> decoder = decoderFor(sound))
            m_queue->append(std::move(decoder), true);
    }
    if (m_queue->framesLeft() > 0)
        startSink();
}

void QtSoundOut::beep()
{
    if (!prepareOutput())
        return;
    if (m_playing && m_queue->framesLeft() > 0) {
        m_queue->mixIn(beepSamples(m_format), m_format.framesForDuration((m_bufferMs + tailMarginMs) * 1000));
        armWatchdog();
        return;
    }
    cut();
    m_queue->append(beepSamples(m_format));
    startSink();
}

void QtSoundOut::stop()
{
    cut();
}

bool QtSoundOut::startSink()
{
    m_sink = new QAudioSink(m_device, m_format);
    // Queued, so that the sink is never closed from inside its own call stack.
    connect(m_sink, &QAudioSink::stateChanged, this, &QtSoundOut::onSinkStateChanged, Qt::QueuedConnection);
    m_sink->start(m_queue.get());
    if (m_sink->error() != QAudio::NoError || m_sink->state() == QAudio::StoppedState) {
        const QAudio::Error error = m_sink->error();
        discardSink();
        m_queue->clear();
        reportUnavailable(QStringLiteral("the audio output %1 cannot be opened (error %2)")
                              .arg(m_device.description())
                              .arg(int(error)));
        return false;
    }
    m_failed = false;
    m_bufferMs = m_format.durationForBytes(qint32(m_sink->bufferSize())) / 1000;
    m_queue->setTailFrames(m_format.framesForDuration((m_bufferMs + tailMarginMs) * 1000));
    m_playing = true;
    armWatchdog();
    return true;
}

void QtSoundOut::discardSink()
{
    if (m_sink == nullptr)
        return;
    m_sink->disconnect(this);
    m_sink->stop();
    m_sink->deleteLater();
    m_sink = nullptr;
}

// Silences what plays at once, without a finished() signal.
void QtSoundOut::cut()
{
    discardSink();
    if (m_queue)
        m_queue->clear();
    m_watchdog.stop();
    m_playing = false;
    for (QEventLoop* loop : std::as_const(m_waits))
        loop->quit();
}

void QtSoundOut::finish()
{
    cut();
    Q_EMIT finished();
}

void QtSoundOut::onSinkStateChanged()
{
    if (sender() != m_sink || m_sink == nullptr)
        return; // a sink already discarded
    const QAudio::State state = m_sink->state();
    // Idle with samples still queued is an underrun, after which the sink reads on.
    if (state == QAudio::IdleState && m_queue->framesLeft() == 0) {
        finish();
    } else if (state == QAudio::StoppedState && m_sink->error() != QAudio::NoError) {
        const QAudio::Error error = m_sink->error();
        cut();
        reportUnavailable(QStringLiteral("the audio output failed (error %1)").arg(int(error)));
    }
}

void QtSoundOut::armWatchdog()
{
    m_servedAtArm = m_queue->framesServed();
    m_watchdog.start(timerMs(framesToMs(m_queue->framesLeft()) + m_bufferMs + overrunMs));
}

// The sink reads in real time, so a queue that should have run dry by now has
// not moved. A stalled event loop delays the sink as well; while it makes
// progress, the watchdog waits on.
void QtSoundOut::onWatchdog()
{
    if (m_queue->framesLeft() > 0 && m_queue->framesServed() != m_servedAtArm) {
        armWatchdog();
        return;
    }
    qCInfo(lcSound) << "the audio output stopped taking samples; the sound is ended";
    finish();
}

void QtSoundOut::waitUntilHeard()
{
    if (!m_playing)
        return;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(timerMs(framesToMs(m_queue->framesLeft()) + m_bufferMs + overrunMs));
    m_waits.append(&loop);
    loop.exec();
    m_waits.removeOne(&loop);
}

qint64 QtSoundOut::framesToMs(qint64 frames) const
{
    return frames * 1000 / std::max(1, m_format.sampleRate());
}

} // namespace hv
