// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/PcmSource.h"

#include <QIODevice>

#include <atomic>
#include <deque>
#include <memory>
#include <vector>

namespace hv {

// What an audio sink pulls from: queued sounds in order, then a stretch of
// silence, with an overlay (a beep) mixed into whatever is read next. Samples are
// interleaved signed 16-bit PCM with a fixed number of channels.
//
// It is open for reading from construction, unbuffered, so that what the sink
// has not read yet can still be dropped or replaced; it reads whole frames only.
// readyRead() tells a sink that waits for data that more has come.
class PcmQueue final : public QIODevice
{
public:
    // channels: 1 or more.
    explicit PcmQueue(int channels);

    int channels() const { return m_channels; }
    qint64 bytesPerFrame() const { return qint64(sizeof(qint16)) * m_channels; }

    // Drops everything: sounds, silence and overlay. framesServed() goes on.
    void clear();

    // Queues a sound behind the others, in place of the silence at the end.
    // inSequence marks the sounds of an announcement (see sequenceAhead()).
    void append(std::unique_ptr<PcmSource> source, bool inSequence);
    // Queues samples made here; a last partial frame is never read.
    void append(std::vector<qint16> samples);

    // Drops the sounds queued after a sequence that have not begun.
    void dropPendingSingles();

    // A sequence is still to be read, or was read last and is being heard.
    bool sequenceAhead() const;

    // The silence read after the last sound, in frames.
    void setTailFrames(qint64 frames);

    // Mixes `samples` (interleaved) into what is read next, replacing an overlay
    // not yet mixed in; the silence at the end grows to cover it plus tailFrames.
    // Sums beyond full scale are clipped.
    void mixIn(std::vector<qint16> samples, qint64 tailFrames);

    // Frames not read yet, the silence at the end included; as many as the
    // sources promise.
    qint64 framesLeft() const { return m_framesLeft.load(); }
    // Frames read since construction: progress, for a watchdog.
    qint64 framesServed() const { return m_framesServed; }

    bool isSequential() const override { return true; }
    // The sink asks this from its audio thread too, hence the atomic.
    qint64 bytesAvailable() const override { return m_framesLeft.load() * bytesPerFrame(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    struct Entry
    {
        std::unique_ptr<PcmSource> source; // a sound, or else
        std::vector<qint16> samples;       // samples made here
        std::size_t samplesAt = 0;
        bool inSequence = false;
        bool started = false;

        qint64 framesLeft(int channels) const;
        qint64 read(qint16* out, qint64 frames, int channels);
    };

    void update();
    // Wakes a sink that waits for data.
    void changed();

    const int m_channels;
    std::deque<Entry> m_entries;
    qint64 m_tailFrames = 0;
    std::vector<qint16> m_overlay;
    std::size_t m_overlayAt = 0;
    bool m_lastStartedInSequence = false;
    qint64 m_framesServed = 0;
    std::atomic<qint64> m_framesLeft = 0;
    std::vector<qint16> m_scratch;
};

} // namespace hv
