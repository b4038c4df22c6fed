// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WaveDevice.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QByteArray>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <memory>

class QAudioSink;
class QThread;

namespace hv {

class CaptureWorker;
class PlaybackSource;

// WaveDevice on Qt Multimedia, with files read through libsndfile.
//
// The sound is held in memory as interleaved 16-bit samples at the rate and
// channel count of the file it came from (mono or stereo); new recordings are
// 22,050 Hz mono. Recording runs on a thread of its own, so a busy interface
// thread (an announcement, a modal message) never makes it lose samples. The
// input is the sound server's default source, asked of the server by name,
// since Qt's own default input is not it; Qt's default is used only when the
// server cannot be asked. Playing pulls from the held sound on the thread of
// the device. Length and position count frames, not Qt's time counters.
//
// Everything that talks to the sound server before a stream runs (the device
// lookup, opening the input) happens on the capture thread, and the interface
// thread never waits for that thread: a server that takes the connection and
// never answers holds only the capture thread. A lookup unanswered after
// kLookupWaitMs counts as no devices until its answer comes.
class QtWaveDevice final : public WaveDevice
{
    Q_OBJECT

public:
    explicit QtWaveDevice(QObject* parent = nullptr);
    ~QtWaveDevice() override;

    bool canRecord() const override;
    bool canPlay() const override;
    bool devicesKnown() const override;
    bool open(const QString& file) override;
    void close() override;
    QString fileName() const override { return m_file; }
    bool play() override;
    bool record() override;
    bool stop() override;
    void seekToStart() override;
    bool save(const QString& file) override;
    Mode mode() const override { return m_mode; }
    qint64 lengthMs() const override;
    qint64 positionMs() const override;
    qreal takeLevel() override;
    QString errorText() const override { return m_error; }

    static constexpr int kRecordRate = 22050; // Hz
    static constexpr int kRecordChannels = 1;
    static constexpr int kLookupWaitMs = 2000;

private:
    void setMode(Mode mode);
    bool fail(const QString& text);
    void stopPlaying();
    void stopRecording();
    void onSinkStateChanged();
    void onCaptureFailed(int session, const QString& reason);
    void onLookedUp(bool hasInput, const QAudioDevice& output);
    qint64 framesToMs(qint64 frames) const;
    qint64 frames() const;
    void startCaptureThread() const;
    void lookUpDevices() const;

    // Shared with the capture thread, which may outlive the device while a
    // hung server holds it.
    struct Link;

    QString m_file;
    QByteArray m_pcm; // interleaved 16-bit samples
    int m_rate = kRecordRate;
    int m_channels = kRecordChannels;
    qint64 m_position = 0; // frames
    Mode m_mode = Mode::NotReady;
    QString m_error;

    enum class Lookup
    {
        NotAsked,
        Asked, // no answer yet
        Late,  // no answer within kLookupWaitMs: no devices until it comes
        Answered,
    };
    mutable Lookup m_lookup = Lookup::NotAsked;
    mutable QTimer m_lookupWait;
    QAudioDevice m_output;
    bool m_hasInput = false;

    std::shared_ptr<Link> m_link;
    mutable QThread* m_captureThread = nullptr;
    mutable CaptureWorker* m_capture = nullptr; // lives on m_captureThread
    int m_session = 0;                          // of the recording under way
    qint64 m_recordFrom = 0;                    // frames: where the recording goes in m_pcm

    QAudioSink* m_sink = nullptr;
    std::unique_ptr<PlaybackSource> m_source;
    QTimer m_tail; // the sink's buffer still sounding after Idle
};

} // namespace hv
