// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/PcmSource.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace hv {

// Reads a RIFF WAVE sound, from memory or from a file, and hands out its samples
// in one output format: interleaved signed 16-bit PCM at a chosen rate, with one or
// two channels. Whatever sample format libsndfile decodes inside a WAVE container
// is accepted (8-bit unsigned, 16, 24 and 32-bit integer, float, ...); the other
// containers that libsndfile also opens (AIFF, Ogg, FLAC, ...) are refused.
//
// Decoding runs as the samples are read, so a long file never has to fit in memory.
class WaveDecoder final : public PcmSource
{
public:
    struct OutputFormat
    {
        int sampleRate = 44100; // Hz, 1 or more
        int channels = 2;       // 1 or 2
    };

    WaveDecoder();
    ~WaveDecoder() override;
    WaveDecoder(const WaveDecoder&) = delete;
    WaveDecoder& operator=(const WaveDecoder&) = delete;

    // False, with errorString(), when the sound cannot be played: not a wave file,
    // damaged, or without a single frame. Opening again closes what was open.
    bool openImage(const QByteArray& image, OutputFormat output);
    bool openFile(const QString& path, OutputFormat output);
    bool isOpen() const;
    QString errorString() const;

    // The source as found; meaningful while open.
    int sourceSampleRate() const;
    int sourceChannels() const;
    qint64 sourceFrames() const; // present in the data chunk, 1 or more
    // The data chunk claims more bytes than follow it. Only what is there plays.
    bool isTruncated() const;

    OutputFormat outputFormat() const;
    // Output frames in all, and those not read yet. A read error ends the sound
    // early, and both then shrink to what was delivered.
    qint64 frames() const;
    qint64 framesLeft() const override;
    qint64 durationMs() const; // of frames()

    // Writes up to maxFrames output frames (maxFrames * channels samples) to out;
    // returns the frames written, 0 at the end.
    qint64 read(qint16* out, qint64 maxFrames) override;
    // The frames not read yet, as bytes.
    QByteArray readAll();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace hv
