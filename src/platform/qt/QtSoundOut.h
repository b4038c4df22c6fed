// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/SoundOut.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QTimer>

#include <memory>

class QAudioSink;
class QEventLoop;
class QThread;

namespace hv {

class PcmQueue;
class WaveDecoder;

// SoundOut on Qt Multimedia, with wave data decoded by WaveDecoder.
//
// Everything queued plays through one QAudioSink, which pulls interleaved 16-bit
// samples from a queue of decoders, so that the sounds of a sequence follow one
// another sample for sample. The sink exists only while sound plays: when the
// queue has run dry it is closed, so that an idle clock keeps no audio stream and
// wakes up for nothing; the next sound opens a new one, which starts as quickly
// as resuming a suspended one would (about 20 ms to the first sample heard).
//
// The output is looked up on first use, so a clock that plays nothing never starts
// the audio stack. The lookup runs on a thread of its own: the first use of Qt
// Multimedia connects to the sound server and waits for its answer, which a hung
// server never gives. The caller waits for the lookup at most kLookupWaitMs, with
// its event loop running, so the clock keeps ticking; a lookup still unanswered
// after that counts as no sound, and is not waited for again until it answers.
// Without an output device or sound server every call returns at once and plays
// nothing, isAvailable() is false, and one warning is logged in the
// "horavox.sound" category. Later calls try again, so sound comes back with the
// server.
class QtSoundOut final : public SoundOut
{
    Q_OBJECT

public:
    explicit QtSoundOut(QObject* parent = nullptr);
    ~QtSoundOut() override;

    bool isAvailable() const override;
    bool play(const Sound& sound, Mode mode) override;
    void playSequence(const QList<Sound>& sounds) override;
    // While a sound plays, the tone is mixed into it rather than stopping it.
    void beep() override;
    bool isPlaying() const override;
    void stop() override;

    // The sound played in place of one that cannot be played: a RIFF WAVE image.
    static QByteArray defaultSound();

    // The longest a call waits for the output to be looked up.
    static constexpr int kLookupWaitMs = 2000;

private:
    struct LookupLink;

    bool prepareOutput();
    bool lookUpOutput();
    void startLookup();
    void onLookedUp(const QAudioDevice& device, const QAudioFormat& format);
    void reportUnavailable(const QString& reason);
    std::unique_ptr<WaveDecoder> decoderFor(const Sound& sound) const;
    bool followsSequence() const;
    bool startSink();
    void discardSink();
    void cut();
    void finish();
    void onSinkStateChanged();
    void armWatchdog();
    void onWatchdog();
    void waitUntilHeard();
    qint64 framesToMs(qint64 frames) const;

    std::unique_ptr<PcmQueue> m_queue;
    QAudioSink* m_sink = nullptr;
    QAudioDevice m_device;
    QAudioFormat m_format;
    qint64 m_bufferMs = 0;  // the sink's buffer, as it reported after opening
    bool m_playing = false; // until the last sample queued has been heard
    bool m_failed = false;  // the last attempt to open the output failed
    bool m_warned = false;  // the one warning about missing sound was logged
    QTimer m_watchdog;      // ends playback when the sink stops taking samples
    qint64 m_servedAtArm = 0;
    QList<QEventLoop*> m_waits; // the Wait calls in progress, innermost last

    // The lookup thread, started on first use, and what it found last.
    QThread* m_lookupThread = nullptr;
    QObject* m_lookupContext = nullptr; // lives on m_lookupThread
    std::shared_ptr<LookupLink> m_lookupLink;
    bool m_lookingUp = false;  // a lookup has been asked for and has not answered
    bool m_lookupLate = false; // ... and has kept a caller waiting past kLookupWaitMs
    QAudioDevice m_foundDevice;
    QAudioFormat m_foundFormat;
    QList<QEventLoop*> m_lookupWaits;
};

} // namespace hv
