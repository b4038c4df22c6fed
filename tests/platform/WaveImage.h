// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Wave file images for tests, written here byte by byte so that the code under
// test is checked against an independent writer.

#include <QByteArray>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <vector>

namespace hv::test {

enum class SampleType
{
    UInt8,
    Int16,
    Int24,
    Int32,
    Float32
};

struct WaveLayout
{
    SampleType type = SampleType::Int16;
    int sampleRate = 44100; // Hz
    int channels = 1;
    bool extensible = false; // WAVE_FORMAT_EXTENSIBLE header, as 24-bit writers use
};

inline int bytesPerSample(SampleType type)
{
    switch (type) {
    case SampleType::UInt8:
        return 1;
    case SampleType::Int16:
        return 2;
    case SampleType::Int24:
        return 3;
    case SampleType::Int32:
    case SampleType::Float32:
        return 4;
    }
    return 0;
}

namespace detail {

inline void put16(QByteArray& out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

inline void put32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

inline qint64 scaled(double value, double fullScale, qint64 low, qint64 high)
{
    return std::clamp<qint64>(std::llround(value * fullScale), low, high);
}

} // namespace detail

// Interleaved samples, full scale at +-1, to the sample bytes of `type`.
inline QByteArray sampleBytes(SampleType type, const std::vector<double>& samples)
{
    using namespace detail;
    QByteArray out;
    for (const double s : samples) {
        switch (type) {
        case SampleType::UInt8:
            out.append(char(scaled(s, 128, -128, 127) + 128));
            break;
        case SampleType::Int16:
            put16(out, quint16(scaled(s, 32768, -32768, 32767)));
            break;
        case SampleType::Int24: {
            const auto v = quint32(scaled(s, 8388608, -8388608, 8388607));
            out.append(char(v & 0xff)).append(char((v >> 8) & 0xff)).append(char((v >> 16) & 0xff));
            break;
        }
        case SampleType::Int32:
            put32(out, quint32(scaled(s, 2147483648.0, INT32_MIN, INT32_MAX)));
            break;
        case SampleType::Float32: {
            const auto f = float(s);
            quint32 bits;
            std::memcpy(&bits, &f, sizeof bits);
            put32(out, bits);
            break;
        }
        }
    }
    return out;
}

// One RIFF chunk: the id, the body's size, the body, and a pad byte after a body
// of odd length.
inline QByteArray riffChunk(const char (&id)[5], const QByteArray& body)
{
    QByteArray chunk(id, 4);
    detail::put32(chunk, quint32(body.size()));
    chunk.append(body);
    if (body.size() & 1)
        chunk.append('\0');
    return chunk;
}

// A RIFF file of form WAVE around `chunks`, whole chunks one after another.
inline QByteArray riffWave(const QByteArray& chunks)
{
    QByteArray image("RIFF");
    detail::put32(image, quint32(4 + chunks.size()));
    return image.append("WAVE").append(chunks);
}

// A RIFF WAVE image: a "fmt " chunk, then a "data" chunk with `data` as it is.
inline QByteArray waveImageOfBytes(const WaveLayout& layout, const QByteArray& data)
{
    using namespace detail;
    const int sampleBytes = bytesPerSample(layout.type);
    const bool isFloat = layout.type == SampleType::Float32;
    QByteArray fmt;
    put16(fmt, layout.extensible ? 0xFFFE : isFloat ? 3 : 1);
    put16(fmt, quint16(layout.channels));
    put32(fmt, quint32(layout.sampleRate));
    put32(fmt, quint32(layout.sampleRate * layout.channels * sampleBytes));
    put16(fmt, quint16(layout.channels * sampleBytes));
    put16(fmt, quint16(sampleBytes * 8));
    if (layout.extensible) {
        put16(fmt, 22);
        put16(fmt, quint16(sampleBytes * 8));
        put32(fmt, 0); // no speaker positions
        // The sub-format GUID: PCM (1) or IEEE float (3) in the first two bytes.
        put16(fmt, isFloat ? 3 : 1);
        fmt.append(QByteArray::fromHex("000000001000800000aa00389b71"));
    }
    return riffWave(riffChunk("fmt ", fmt) + riffChunk("data", data));
}

inline QByteArray waveImage(const WaveLayout& layout, const std::vector<double>& samples)
{
    return waveImageOfBytes(layout, sampleBytes(layout.type, samples));
}

// A sine at `amplitude` of full scale, the same in every channel, interleaved.
inline std::vector<double> sine(double frequency, int frames, int sampleRate, int channels = 1,
                                double amplitude = 0.5)
{
    std::vector<double> samples;
    samples.reserve(std::size_t(frames) * std::size_t(channels));
    for (int i = 0; i < frames; ++i) {
        const double value = amplitude * std::sin(2 * std::numbers::pi * frequency * i / sampleRate);
        samples.insert(samples.end(), std::size_t(channels), value);
    }
    return samples;
}

} // namespace hv::test
