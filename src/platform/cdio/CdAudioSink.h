// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

class QIODevice;

namespace hv {

// Where a CD device's audio goes: pulls 44.1 kHz, 16-bit stereo PCM from a
// source. Used on the thread that owns the device.
class CdAudioSink
{
public:
    virtual ~CdAudioSink() = default;

    // Starts pulling from `source`, replacing what pulled before; false when
    // there is no output (the device then plays silently, in time).
    virtual bool start(QIODevice* source) = 0;
    virtual void suspend() = 0;
    virtual void resume() = 0;
    virtual void stop() = 0;
    // Bytes pulled from the source that have not been heard yet.
    virtual qint64 bufferedBytes() const = 0;

protected:
    CdAudioSink() = default;
    CdAudioSink(const CdAudioSink&) = default;
    CdAudioSink& operator=(const CdAudioSink&) = default;
};

} // namespace hv
