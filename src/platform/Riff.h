// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtEndian>

#include <cstdint>

// The layout of RIFF files (wave files among them), for the code that looks
// inside one: a 12-byte header ("RIFF", the size of what follows, the form such
// as "WAVE"), then chunks, each an 8-byte header (a four-character id and the
// size of its body, little-endian) and the body, padded to an even length.
namespace hv::riff {

inline constexpr qint64 kFileHeaderBytes = 12;
inline constexpr qint64 kChunkHeaderBytes = 8;
// A guard for walks: real files have a handful of chunks.
inline constexpr int kMaxChunks = 1000;

struct Chunk
{
    QByteArray id;        // four bytes: "fmt ", "data", ...
    std::uint32_t size{}; // of the body in bytes, as the header says; it may claim more than there is
    qint64 body = 0;      // the offset of the body's first byte

    // The offset of the chunk after this one.
    qint64 next() const { return body + qint64(size) + (size & 1); }
};

// Whether `header`, the first bytes of a file, starts a RIFF file of `form`.
inline bool isForm(QByteArrayView header, QByteArrayView form)
{
    return header.size() >= kFileHeaderBytes && header.first(4) == QByteArrayView("RIFF") &&
           header.sliced(8, 4) == form;
}

// Walks the top-level chunks of a RIFF file of `form` that is `fileSize` bytes
// long, calling visit(chunk) for each chunk whose header is there whole, in order,
// until visit returns false. readAt(offset, length) returns the bytes at offset,
// fewer where the file ends first. False when the file is not of that form.
template <typename ReadAt, typename Visit>
bool walkChunks(qint64 fileSize, QByteArrayView form, ReadAt readAt, Visit visit)
{
    if (!isForm(readAt(0, kFileHeaderBytes), form))
        return false;
    qint64 at = kFileHeaderBytes;
    for (int i = 0; i < kMaxChunks && at <= fileSize - kChunkHeaderBytes; ++i) {
        const QByteArray header = readAt(at, kChunkHeaderBytes);
        if (header.size() != kChunkHeaderBytes)
            break;
        const Chunk chunk{header.first(4), qFromLittleEndian<std::uint32_t>(header.constData() + 4),
                          at + kChunkHeaderBytes};
        if (!visit(chunk))
            break;
        at = chunk.next();
    }
    return true;
}

} // namespace hv::riff
