// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The layout of a fuzz input, shared by the fuzz target and the seed writer:
//   byte 0     bit 0: bytes 1..8 are `now` as a raw double (any bits at all);
//              otherwise they count milliseconds from 0001-01-01 00:00,
//              wrapped into the years 1..9999, so most inputs meet the
//              calendar. Bits 1..7 pick the regional settings.
//   bytes 1..8 little-endian
//   the rest   the alarm file: records of 384 bytes for slots 1, 2, ...; a
//              trailing partial record and records past the 50th are ignored,
//              as the loader does.

#include "alarms/AlarmTable.h"
#include "common/DateTime.h"

#include <QByteArray>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace hv::fuzz {

inline constexpr std::size_t kHeaderSize = 9;
inline constexpr std::uint64_t kCalendarMsecs =
    static_cast<std::uint64_t>(kLastDay - kFirstDay + 1) * static_cast<std::uint64_t>(exact::kMsecsPerDay);

struct Input
{
    DateTime now = 0;
    std::uint8_t settingsSelector = 0;
    AlarmTable table; // sorted, as loading leaves it
};

// A date-time in milliseconds on one straight scale (the stored double counts
// the fraction forward even before 1899-12-30, so doubles do not order
// moments there); none outside the calendar.
inline std::optional<std::int64_t> moment(DateTime value)
{
    if (!(value > static_cast<double>(kFirstDay - 1) && value < static_cast<double>(kLastDay + 1)))
        return std::nullopt;
    const Time t = decodeTime(value);
    return static_cast<std::int64_t>(datePart(value)) * exact::kMsecsPerDay +
           ((t.hour * 60LL + t.minute) * 60 + t.second) * 1000 + t.msec;
}

inline DateTime nowFromCalendarMsecs(std::uint64_t msecs)
{
    const std::uint64_t wrapped = msecs % kCalendarMsecs;
    const auto day = kFirstDay + static_cast<std::int64_t>(wrapped / exact::kMsecsPerDay);
    const auto msecOfDay = static_cast<double>(wrapped % exact::kMsecsPerDay);
    return combine(static_cast<DateTime>(day), msecOfDay / kMsecsPerDay);
}

inline Input readInput(const std::uint8_t* data, std::size_t size)
{
    std::uint8_t header[kHeaderSize]{};
    std::copy_n(data, std::min(size, kHeaderSize), header);
    std::uint64_t bits = 0;
    for (std::size_t i = kHeaderSize - 1; i >= 1; --i)
        bits = bits << 8 | header[i];

    Input input;
    input.now = (header[0] & 1) ? std::bit_cast<double>(bits) : nowFromCalendarMsecs(bits);
    input.settingsSelector = static_cast<std::uint8_t>(header[0] >> 1);
    std::size_t offset = kHeaderSize;
    for (int n = 1; n <= AlarmTable::kSlots && size >= offset + AlarmRecord::kSize; ++n) {
        input.table.slot(n) = AlarmRecord::fromBytes(
            std::span<const std::uint8_t, AlarmRecord::kSize>(data + offset, AlarmRecord::kSize));
        offset += AlarmRecord::kSize;
    }
    input.table.sort();
    return input;
}

// An input whose `now` is a calendar moment, for the seed corpus.
inline QByteArray writeInput(std::int64_t day, std::int64_t msecOfDay, std::uint8_t settingsSelector,
                             const std::vector<AlarmRecord>& records, const QByteArray& tail = {})
{
    auto msecs = static_cast<std::uint64_t>((day - kFirstDay) * exact::kMsecsPerDay + msecOfDay);
    QByteArray bytes(1, static_cast<char>(settingsSelector << 1));
    for (std::size_t i = 1; i < kHeaderSize; ++i, msecs >>= 8)
        bytes.append(static_cast<char>(msecs & 0xFF));
    for (const AlarmRecord& r : records)
        bytes += r.toBytes();
    return bytes + tail;
}

} // namespace hv::fuzz
