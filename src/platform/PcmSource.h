// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

namespace hv {

// Where samples come from, as interleaved signed 16-bit PCM in a format that the
// reader and the source agreed on beforehand.
class PcmSource
{
public:
    virtual ~PcmSource() = default;

    // The frames not read yet. It may promise more than read() then delivers
    // (data that turns out to be missing); once read() has returned 0 it is 0.
    virtual qint64 framesLeft() const = 0;
    // Writes up to maxFrames frames to out and returns how many it wrote: fewer
    // when fewer are ready, 0 at the end.
    virtual qint64 read(qint16* out, qint64 maxFrames) = 0;

protected:
    PcmSource() = default;
    PcmSource(const PcmSource&) = default;
    PcmSource& operator=(const PcmSource&) = default;
};

} // namespace hv
