// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveDevice.h"

#include "common/AtomicFile.h"
#include "common/Error.h"

#include <QtEndian>

#include <array>

namespace hv {

QString WaveDevice::modeName(Mode mode)
{
    switch (mode) {
    case Mode::NotReady:
        return QStringLiteral("Not ready");
    case Mode::Stopped:
        return QStringLiteral("Stopped");
    case Mode::Playing:
        return QStringLiteral("Playing");
    case Mode::Recording:
        return QStringLiteral("Recording");
    case Mode::Seeking:
        return QStringLiteral("Seeking");
    case Mode::Paused:
        return QStringLiteral("Paused");
    case Mode::Open:
        return QStringLiteral("Open");
    }
    return {};
}

QByteArray waveImage(const QByteArray& pcm16, int sampleRate, int channels)
{
    const auto dataBytes = quint32(pcm16.size());
    const auto blockAlign = quint16(channels * 2);
    QByteArray image;
    image.reserve(44 + pcm16.size());
    const auto u32 = [&](quint32 v) {
        std::array<char, 4> b{};
        qToLittleEndian(v, b.data());
        image.append(b.data(), 4);
    };
    const auto u16 = [&](quint16 v) {
        std::array<char, 2> b{};
        qToLittleEndian(v, b.data());
        image.append(b.data(), 2);
    };
    image.append("RIFF", 4);
    u32(36 + dataBytes);
    image.append("WAVEfmt ", 8);
    u32(16);
    u16(1); // PCM
    u16(quint16(channels));
    u32(quint32(sampleRate));
    u32(quint32(sampleRate) * blockAlign);
    u16(blockAlign);
    u16(16);
    image.append("data", 4);
    u32(dataBytes);
    image.append(pcm16);
    return image;
}

bool createEmptyWave(const QString& path, QString* problem)
{
    constexpr int kFrames = 22; // under 1 ms at 22,050 Hz
    try {
        writeFileAtomically(path, waveImage(QByteArray(kFrames * 2, '\0'), 22050, 1));
    } catch (const Error& error) {
        if (problem)
            *problem = error.message();
        return false;
    }
    return true;
}

} // namespace hv
