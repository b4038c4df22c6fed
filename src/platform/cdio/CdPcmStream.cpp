// SPDX-License-Identifier: GPL-3.0-or-later
#include "CdPcmStream.h"

#include <QMutexLocker>

#include <algorithm>
#include <cstring>

namespace hv {

CdPcmStream::CdPcmStream(qint64 capacity)
    : m_capacity(capacity)
    , m_buffer(capacity, '\0')
{
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

int CdPcmStream::restart()
{
    QMutexLocker lock(&m_mutex);
    ++m_generation;
    m_head = 0;
    m_size = 0;
    m_cancelled = false;
    m_finished = false;
    m_pulled = 0;
    m_room.wakeAll();
    return m_generation;
}

void CdPcmStream::cancel()
{
    QMutexLocker lock(&m_mutex);
    m_cancelled = true;
    m_room.wakeAll();
}

bool CdPcmStream::push(int generation, const char* data, qint64 size)
{
    QMutexLocker lock(&m_mutex);
    while (size > 0) {
        while (!m_cancelled && generation == m_generation && m_size == m_capacity)
            m_room.wait(&m_mutex);
        if (m_cancelled || generation != m_generation)
            return false;
        const qint64 tail = (m_head + m_size) % m_capacity;
        const qint64 chunk = std::min({size, m_capacity - m_size, m_capacity - tail});
        std::memcpy(m_buffer.data() + tail, data, std::size_t(chunk));
        m_size += chunk;
        data += chunk;
        size -= chunk;
    }
    lock.unlock();
    QMetaObject::invokeMethod(this, &QIODevice::readyRead, Qt::QueuedConnection);
    return true;
}

void CdPcmStream::finish(int generation)
{
    QMutexLocker lock(&m_mutex);
    if (generation == m_generation && !m_cancelled)
        m_finished = true;
}

qint64 CdPcmStream::bytesAvailable() const
{
    QMutexLocker lock(&m_mutex);
    return m_size;
}

qint64 CdPcmStream::readData(char* data, qint64 maxSize)
{
    QMutexLocker lock(&m_mutex);
    qint64 done = 0;
    // Whole stereo samples only (4 bytes), so the channels never swap.
    maxSize -= maxSize % 4;
    while (done < maxSize && m_size > 0) {
        const qint64 chunk = std::min({maxSize - done, m_size, m_capacity - m_head});
        std::memcpy(data + done, m_buffer.constData() + m_head, std::size_t(chunk));
        m_head = (m_head + chunk) % m_capacity;
        m_size -= chunk;
        done += chunk;
    }
    m_pulled += done;
    m_room.wakeAll();
    return done;
}

} // namespace hv
