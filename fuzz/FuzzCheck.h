// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the fuzz targets share: the check that stops the run on a broken
// invariant, and a reader that takes the bytes of an input one by one.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace hv::fuzz {

// Aborts, so that libFuzzer keeps the input, when condition is false.
inline void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// The bytes of an input in order; 0 once they have run out.
class ByteReader
{
public:
    ByteReader(const std::uint8_t* data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {}

    bool atEnd() const { return m_at >= m_size; }
    std::uint8_t byte() { return atEnd() ? 0 : m_data[m_at++]; }
    std::uint16_t word() // little-endian
    {
        const std::uint8_t low = byte();
        return static_cast<std::uint16_t>(low | byte() << 8);
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

} // namespace hv::fuzz
