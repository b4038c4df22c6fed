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

bool createEmptyWave(const QString& path, QString* problem)
{
    constexpr quint32 kRate = 22050;
    constexpr quint16 kBytesPerFrame = 2;
    constexpr quint32 kFrames = 22; // under 1 ms
    constexpr quint32 kDataBytes = kFrames * kBytesPerFrame;
    QByteArray image;
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
    u32(36 + kDataBytes);
    image.append("WAVEfmt ", 8);
    u32(16);
    u16(1); // PCM
    u16(1); // mono
    u32(kRate);
    u32(kRate * kBytesPerFrame);
    u16(kBytesPerFrame);
    u16(16);
    image.append("data", 4);
    u32(kDataBytes);
    image.append(QByteArray(kDataBytes, '\0'));
    try {
        writeFileAtomically(path, image);
    } catch (const Error& error) {
        if (problem)
            *problem = error.message();
        return false;
    }
    return true;
}

} // namespace hv
