// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: the PCM queue that feeds the audio sink, driven by a
// sequence of operations that the input spells out, and checked after each
// against a model that keeps whole sample lists. It must never crash, and it
// must hand out exactly the model's samples, count its frames and progress like
// the model, and never read past what it was asked for.
//
// Input: byte 0 bit 0 picks one or two channels. Then operations, each an
// opcode byte and its operands (see the switch below); missing bytes read as 0.

#include "FuzzCheck.h"
#include "platform/qt/PcmQueue.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <vector>

using namespace hv;
using hv::fuzz::ByteReader;
using hv::fuzz::require;

namespace {

// Samples from two operand bytes: loud enough that mixing clips now and then.
std::vector<qint16> makeSamples(std::size_t count, std::uint8_t seed)
{
    std::vector<qint16> samples(count);
    for (std::size_t i = 0; i < count; ++i)
        samples[i] = static_cast<qint16>(seed * 4099 + static_cast<int>(i) * 1031);
    return samples;
}

// A sound handing out its frames in pieces, which may promise `extra` frames
// more than it has, as a damaged file does; honest once a read returned 0.
class PieceSource final : public PcmSource
{
public:
    PieceSource(std::vector<qint16> samples, int channels, qint64 piece, qint64 extra)
        : m_samples(std::move(samples))
        , m_channels(channels)
        , m_piece(piece)
        , m_extra(extra)
    {}

    qint64 framesLeft() const override { return m_ended ? 0 : realLeft() + m_extra; }
    qint64 read(qint16* out, qint64 maxFrames) override
    {
        const qint64 n = std::min({maxFrames, m_piece, realLeft()});
        std::copy_n(m_samples.begin() + static_cast<qint64>(m_at), n * m_channels, out);
        m_at += static_cast<std::size_t>(n * m_channels);
        m_ended = n == 0;
        return n;
    }

private:
    qint64 realLeft() const { return static_cast<qint64>(m_samples.size() - m_at) / m_channels; }

    std::vector<qint16> m_samples;
    int m_channels;
    qint64 m_piece;
    qint64 m_extra;
    std::size_t m_at = 0;
    bool m_ended = false;
};

// What the queue should do, on plain lists.
struct Model
{
    struct Entry
    {
        std::vector<qint16> samples;
        std::size_t at = 0;
        qint64 extra = 0; // frames promised beyond the samples
        bool inSequence = false;
        bool started = false;

        qint64 framesLeft(int perFrame) const { return static_cast<qint64>(samples.size() - at) / perFrame; }
    };

    int channels = 1;
    std::deque<Entry> entries;
    qint64 tail = 0;
    std::vector<qint16> overlay;
    std::size_t overlayAt = 0;
    bool lastStartedInSequence = false;
    qint64 served = 0;

    qint64 framesLeft() const
    {
        qint64 frames = tail;
        for (const Entry& e : entries)
            frames += e.framesLeft(channels) + e.extra;
        return frames;
    }
    bool sequenceAhead() const
    {
        return lastStartedInSequence ||
               std::any_of(entries.begin(), entries.end(), [](const Entry& e) { return e.inSequence; });
    }

    std::vector<qint16> read(qint64 wanted)
    {
        std::vector<qint16> out;
        qint64 need = wanted;
        while (need > 0 && !entries.empty()) {
            Entry& e = entries.front();
            e.started = true;
            lastStartedInSequence = e.inSequence;
            const qint64 n = std::min(need, e.framesLeft(channels));
            const auto from = e.samples.begin() + static_cast<qint64>(e.at);
            out.insert(out.end(), from, from + n * channels);
            e.at += static_cast<std::size_t>(n * channels);
            need -= n;
            // A source that promised more is dropped only when a read finds it dry.
            if (e.framesLeft(channels) == 0 && (e.extra == 0 || need > 0))
                entries.pop_front();
        }
        const qint64 silent = std::min(need, tail);
        out.insert(out.end(), static_cast<std::size_t>(silent * channels), qint16(0));
        tail -= silent;

        const std::size_t mixed = std::min(overlay.size() - overlayAt, out.size());
        for (std::size_t i = 0; i < mixed; ++i)
            out[i] = static_cast<qint16>(std::clamp(out[i] + overlay[overlayAt + i], -32768, 32767));
        overlayAt += mixed;
        if (overlayAt == overlay.size()) {
            overlay.clear();
            overlayAt = 0;
        }
        served += static_cast<qint64>(out.size()) / channels;
        return out;
    }
};

void compare(const PcmQueue& queue, const Model& model)
{
    require(queue.framesLeft() == model.framesLeft(), "frames left as the model counts them");
    require(queue.bytesAvailable() == queue.framesLeft() * queue.bytesPerFrame(),
            "bytes available in frames");
    require(queue.framesServed() == model.served, "frames served as the model counts them");
    require(queue.sequenceAhead() == model.sequenceAhead(), "a sequence ahead as the model says");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ByteReader in(data, size);
    Model model;
    model.channels = 1 + (in.byte() & 1);
    PcmQueue queue(model.channels);
    std::vector<char> buffer;

    while (!in.atEnd()) {
        switch (in.byte() % 7) {
        case 0: { // append samples made here: count, seed
            const std::size_t count = in.byte();
            auto samples = makeSamples(count, in.byte());
            model.entries.push_back({samples, 0, 0, false, false});
            model.tail = 0;
            queue.append(std::move(samples));
            break;
        }
        case 1: { // append a sound: flags (bit 0 in sequence), frames, piece, extra frames promised
            const std::uint8_t flags = in.byte();
            const std::size_t frames = in.byte();
            const qint64 piece = 1 + in.byte() % 64;
            const qint64 extra = in.byte() % 8;
            auto samples = makeSamples(frames * static_cast<std::size_t>(model.channels), flags);
            model.entries.push_back({samples, 0, extra, (flags & 1) != 0, false});
            model.tail = 0;
            queue.append(std::make_unique<PieceSource>(std::move(samples), model.channels, piece, extra),
                         (flags & 1) != 0);
            break;
        }
        case 2: { // read: up to this many bytes, whole frames or not
            const qint64 maxSize = in.word() % 4096;
            buffer.assign(static_cast<std::size_t>(maxSize) + 16, '\x55');
            const qint64 got = queue.read(buffer.data(), maxSize);
            const std::vector<qint16> expected = model.read(maxSize / queue.bytesPerFrame());
            require(got >= 0 && got <= maxSize && got % queue.bytesPerFrame() == 0, "whole frames, as asked");
            require(std::all_of(buffer.begin() + got, buffer.end(), [](char c) { return c == '\x55'; }),
                    "nothing written past what was read");
            require(got == static_cast<qint64>(expected.size() * sizeof(qint16)),
                    "as many samples as the model");
            require(got == 0 ||
                        std::memcmp(buffer.data(), expected.data(), static_cast<std::size_t>(got)) == 0,
                    "the model's samples");
            break;
        }
        case 3: { // mix in an overlay: sample count, seed, margin frames
            const std::size_t count = in.byte();
            auto samples = makeSamples(count, in.byte());
            const qint64 margin = in.byte();
            model.overlay = samples;
            model.overlayAt = 0;
            model.tail = std::max(model.tail, static_cast<qint64>(count) / model.channels + margin);
            queue.mixIn(std::move(samples), margin);
            break;
        }
        case 4: { // silence at the end, in frames
            const qint64 frames = in.byte();
            model.tail = frames;
            queue.setTailFrames(frames);
            break;
        }
        case 5:
            while (!model.entries.empty() && !model.entries.back().inSequence &&
                   !model.entries.back().started)
                model.entries.pop_back();
            queue.dropPendingSingles();
            break;
        default:
            model.entries.clear();
            model.tail = 0;
            model.overlay.clear();
            model.overlayAt = 0;
            model.lastStartedInSequence = false;
            queue.clear();
            break;
        }
        compare(queue, model);
    }
    return 0;
}
