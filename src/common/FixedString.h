// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Cp1252.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace hv {

// A stored string: one length byte, then a fixed area of Capacity 8-bit
// characters in Windows-1252. Text longer than the capacity is cut. The bytes
// past the length are kept as they were read, so that a record read and
// written again is the same to the byte.
template <std::size_t Capacity>
class FixedString
{
    static_assert(Capacity > 0 && Capacity <= 255, "the length is one byte");

public:
    static constexpr std::size_t kCapacity = Capacity;
    static constexpr std::size_t kStoredSize = Capacity + 1;

    FixedString() = default;
    FixedString(const QString& text) { setText(text); } // NOLINT(google-explicit-constructor)

    QString text() const { return cp1252::decode(QByteArrayView(m_bytes.data() + 1, length())); }

    void setText(const QString& text)
    {
        const QByteArray encoded = cp1252::encode(text.left(static_cast<qsizetype>(Capacity)));
        const auto n = std::min<std::size_t>(static_cast<std::size_t>(encoded.size()), Capacity);
        m_bytes.fill(0);
        m_bytes[0] = static_cast<std::uint8_t>(n);
        std::copy_n(encoded.constData(), n, m_bytes.begin() + 1);
    }

    // A stored length above the capacity (a damaged file) reads as the capacity.
    std::size_t length() const { return std::min<std::size_t>(m_bytes[0], Capacity); }
    bool isEmpty() const { return length() == 0; }
    void clear() { m_bytes[0] = 0; }

    std::span<const std::uint8_t, kStoredSize> bytes() const { return m_bytes; }
    void setBytes(std::span<const std::uint8_t, kStoredSize> stored)
    {
        std::copy(stored.begin(), stored.end(), m_bytes.begin());
    }

    friend bool operator==(const FixedString& a, const FixedString& b) { return a.m_bytes == b.m_bytes; }

private:
    std::array<std::uint8_t, kStoredSize> m_bytes{};
};

} // namespace hv
