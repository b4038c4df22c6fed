// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace hv {

// The wave audio device of the recorder: one sound at a time, opened from a
// wave file or recorded, held by the device (in memory) until save() writes
// it, so that an unsaved recording plays and a cancelled one touches no file.
// New recordings are 22,050 Hz, 16-bit, mono: plain speech and alarm sounds,
// small files, and a rate every sound server converts to and from cheaply.
//
// Operations return false when they could not be done; errorText() then says
// why in words for the user. Without an audio input, record() fails and
// canRecord() is false; without an output, play() fails and canPlay() is
// false. Nothing blocks, not even on a sound server that never answers.
class WaveDevice : public QObject
{
    Q_OBJECT

public:
    // The device modes, numbered as the recorder's status names them.
    enum class Mode
    {
        NotReady = 0, // closed, or failed to open
        Stopped = 1,
        Playing = 2,
        Recording = 3,
        Seeking = 4,
        Paused = 5,
        Open = 6,
    };

    using QObject::QObject;
    ~WaveDevice() override = default;

    // Whether an audio input / output exists to record from / play on. The
    // first call starts finding out, which may take the sound server a while:
    // until devicesKnown(), both are false (and so record() and play() fail);
    // devicesChanged() brings the answer.
    virtual bool canRecord() const = 0;
    virtual bool canPlay() const = 0;
    virtual bool devicesKnown() const { return true; }

    // Opens `file` and reads its sound into the device; an empty name opens a
    // new, empty recording. A file that cannot be read leaves the device
    // NotReady and returns false.
    virtual bool open(const QString& file) = 0;
    // Stops whatever runs and forgets the sound; NotReady after.
    virtual void close() = 0;
    // The file opened or saved last; empty for a new recording.
    virtual QString fileName() const = 0;

    // Plays from the current position to the end; completed() follows.
    virtual bool play() = 0;
    // Records from the current position on, replacing what follows it.
    virtual bool record() = 0;
    // Ends playing or recording where it stands; Stopped after.
    virtual bool stop() = 0;
    virtual void seekToStart() = 0;

    // Writes the sound to `file` as a WAVE file, through a temporary file
    // that is renamed over it: a failed save leaves `file` as it was. The
    // device then holds `file`.
    virtual bool save(const QString& file) = 0;

    virtual Mode mode() const = 0;
    // The sound's length and the position in it, in milliseconds, counted
    // from frames recorded or played.
    virtual qint64 lengthMs() const = 0;
    virtual qint64 positionMs() const = 0;
    // The loudest sample since the last call, 0 to 1, for a level meter; 0
    // when neither playing nor recording.
    virtual qreal takeLevel() = 0;

    virtual QString errorText() const = 0;

    // The name the recorder's status shows for `mode`.
    static QString modeName(Mode mode);

Q_SIGNALS:
    // Playing reached the end of the sound. Always queued, never emitted from
    // within a call of this interface.
    void completed();
    void modeChanged(hv::WaveDevice::Mode mode);
    // canRecord(), canPlay() or devicesKnown() may answer differently now.
    void devicesChanged();
};

// A RIFF WAVE image of interleaved 16-bit samples.
QByteArray waveImage(const QByteArray& pcm16, int sampleRate, int channels);

// Writes an empty recording, a valid WAVE of 22 frames of silence (under
// 1 ms at 22,050 Hz, 16-bit, mono), to `path` through a temporary file and a
// rename. False, with `problem` saying why, when it cannot be written.
bool createEmptyWave(const QString& path, QString* problem = nullptr);

} // namespace hv
