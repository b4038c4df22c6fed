// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/PcmQueue.h"

#include <algorithm>
#include <cstring>

namespace hv {

PcmQueue::PcmQueue(int channels)
    : m_channels(channels)
{
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

void PcmQueue::clear()
{
    m_entries.clear();
    m_tailFrames = 0;
    m_overlay.clear();
    m_overlayAt = 0;
    m_lastStartedInSequence = false;
    update();
}

void PcmQueue::append(std::unique_ptr<PcmSource> source, bool inSequence)
{
    m_entries.push_back({std::move(source), {}, 0, inSequence, false});
    m_tailFrames = 0;
    changed();
}

void PcmQueue::append(std::vector<qint16> samples)
{
    m_entries.push_back({nullptr, std::move(samples), 0, false, false});
    m_tailFrames = 0;
    changed();
}

void PcmQueue::dropPendingSingles()
{
    while (!m_entries.empty() && !m_entries.back().inSequence && !m_entries.back().started)
        m_entries.pop_back();
    update();
}

bool PcmQueue::sequenceAhead() const
{
    return m_lastStartedInSequence ||
           std::any_of(m_entries.begin(), m_entries.end(), [](const Entry& e) { return e.inSequence; });
}

void PcmQueue::setTailFrames(qint64 frames)
{
    m_tailFrames = frames;
    changed();
}

void PcmQueue::mixIn(std::vector<qint16> samples, qint64 tailFrames)
{
    m_overlay = std::move(samples);
    m_overlayAt = 0;
    const qint64 overlayFrames = qint64(m_overlay.size()) / m_channels;
    m_tailFrames = std::max(m_tailFrames, overlayFrames + tailFrames);
    changed();
}

qint64 PcmQueue::readData(char* data, qint64 maxSize)
{
    const qint64 wanted = maxSize / bytesPerFrame();
    // Decoded into a buffer of our own: `data` need not be aligned for qint16.
    m_scratch.resize(std::size_t(wanted * m_channels));
    qint16* out = m_scratch.data();
    qint64 done = 0;
    while (done < wanted && !m_entries.empty()) {
        Entry& entry = m_entries.front();
        entry.started = true;
        m_lastStartedInSequence = entry.inSequence;
        const qint64 got = entry.read(out + done * m_channels, wanted - done, m_channels);
        done += got;
        if (got == 0 || entry.framesLeft(m_channels) == 0)
            m_entries.pop_front();
    }
    const qint64 silent = std::min(wanted - done, m_tailFrames);
    std::fill_n(out + done * m_channels, silent * m_channels, qint16(0));
    done += silent;
    m_tailFrames -= silent;

    const std::size_t mixed = std::min(m_overlay.size() - m_overlayAt, std::size_t(done * m_channels));
    for (std::size_t i = 0; i < mixed; ++i)
        out[i] = qint16(std::clamp(out[i] + m_overlay[m_overlayAt + i], -32768, 32767));
    m_overlayAt += mixed;
    if (m_overlayAt == m_overlay.size()) {
        m_overlay.clear();
        m_overlayAt = 0;
    }

    if (done > 0) // `out` is null while nothing was ever read
        std::memcpy(data, out, std::size_t(done * bytesPerFrame()));
    m_framesServed += done;
    update();
    return done * bytesPerFrame();
}

qint64 PcmQueue::Entry::framesLeft(int channels) const
{
    return source ? source->framesLeft() : qint64(samples.size() - samplesAt) / channels;
}

qint64 PcmQueue::Entry::read(qint16* out, qint64 frames, int channels)
{
    if (source)
        return source->read(out, frames);
    const qint64 n = std::min(frames, framesLeft(channels));
    std::copy_n(samples.begin() + qint64(samplesAt), n * channels, out);
    samplesAt += std::size_t(n * channels);
    return n;
}

void PcmQueue::update()
{
    qint64 frames = m_tailFrames;
    for (const Entry& entry : m_entries)
        frames += entry.framesLeft(m_channels);
    m_framesLeft.store(frames);
}

void PcmQueue::changed()
{
    update();
    Q_EMIT readyRead();
}

} // namespace hv
