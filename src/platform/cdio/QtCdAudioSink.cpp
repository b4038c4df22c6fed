// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtCdAudioSink.h"

#include "common/Logging.h"
#include "platform/CdDevice.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

namespace hv {

QtCdAudioSink::QtCdAudioSink() = default;

QtCdAudioSink::~QtCdAudioSink()
{
    stop();
}

bool QtCdAudioSink::start(QIODevice* source)
{
    stop();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    QAudioFormat format;
    format.setSampleRate(kCdSampleRate);
    format.setChannelCount(2);
    format.setSampleFormat(QAudioFormat::Int16);
    if (device.isNull() || !device.isFormatSupported(format)) {
        if (!m_warned)
            qCWarning(lcSound) << "CD: no audio output for 44.1 kHz 16-bit stereo; the disc plays silently";
        m_warned = true;
        return false;
    }
    m_sink = std::make_unique<QAudioSink>(device, format);
    // A quarter of a second: short enough for Stop to be heard at once.
    m_sink->setBufferSize(format.bytesForDuration(250'000));
    m_sink->start(source);
    if (m_sink->error() != QAudio::NoError) {
        m_sink.reset();
        return false;
    }
    return true;
}

void QtCdAudioSink::suspend()
{
    if (m_sink)
        m_sink->suspend();
}

void QtCdAudioSink::resume()
{
    if (m_sink)
        m_sink->resume();
}

void QtCdAudioSink::stop()
{
    if (!m_sink)
        return;
    m_sink->stop();
    m_sink.reset();
}

qint64 QtCdAudioSink::bufferedBytes() const
{
    if (!m_sink || m_sink->state() == QAudio::StoppedState)
        return 0;
    return std::max<qint64>(0, m_sink->bufferSize() - m_sink->bytesFree());
}

} // namespace hv
