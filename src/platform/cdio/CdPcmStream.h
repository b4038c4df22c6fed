// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIODevice>
#include <QMutex>
#include <QWaitCondition>

#include <atomic>

namespace hv {

// The PCM of one play, between the thread that reads the disc (push) and the
// audio sink (readData). It holds at most `capacity` bytes, so the reader runs
// only a little ahead of what is heard; every play starts a new generation, and
// a push of an older one is refused, so a reader that was overtaken stops.
class CdPcmStream final : public QIODevice
{
public:
    explicit CdPcmStream(qint64 capacity);

    // Empties the stream for a new play and returns its generation.
    int restart();
    // Wakes and refuses every pending and later push until restart().
    void cancel();

    // Appends `size` bytes of generation `generation`, waiting for room. False
    // when that generation is over (restarted or cancelled).
    bool push(int generation, const char* data, qint64 size);
    // The reader has pushed everything of this generation.
    void finish(int generation);

    bool isFinished() const { return m_finished.load(); }
    // Bytes read by the sink since restart().
    qint64 bytesPulled() const { return m_pulled.load(); }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    const qint64 m_capacity;
    mutable QMutex m_mutex;
    QWaitCondition m_room;
    QByteArray m_buffer; // ring of m_capacity bytes
    qint64 m_head = 0;   // read index
    qint64 m_size = 0;
    int m_generation = 0;
    bool m_cancelled = false;
    std::atomic<bool> m_finished = false;
    std::atomic<qint64> m_pulled = 0;
};

} // namespace hv
