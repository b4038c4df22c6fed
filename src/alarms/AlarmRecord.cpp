// SPDX-License-Identifier: GPL-3.0-or-later
#include "AlarmRecord.h"

#include <QtEndian>

#include <algorithm>
#include <bit>
#include <concepts>
#include <type_traits>

namespace hv {

namespace {

static_assert(sizeof(bool) == 1 && sizeof(double) == 8);

// The stored layout: every field with its byte offset, in file order. Reading,
// writing and the layout check below all walk this one list.
template <typename Record, typename Visitor>
constexpr void forEachField(Record& r, Visitor&& visit)
{
    visit(0, r.Target);
    visit(101, r.WaveA);
    visit(202, r.WaveB);
    visit(303, r.reserved303);
    visit(304, r.StartTime);
    visit(312, r.StopEnabled);
    visit(313, r.AutoStart);
    visit(314, r.reserved314);
    visit(316, r.StopTime);
    visit(324, r.AlarmKind);
    visit(328, r.Rule);
    visit(332, r.OnceDate);
    visit(340, r.RecursWhich);
    visit(344, r.RecursDay);
    visit(348, r.Count);
    visit(352, r.EveryUnit);
    visit(356, r.EveryDays);
    visit(360, r.NextDue);
    visit(368, r.StopDue);
    visit(376, r.Active);
    visit(377, r.RunMinimized);
    visit(378, r.LaunchedWindow);
    visit(380, r.AutoDelete);
    visit(381, r.reserved381);
}

template <typename T>
constexpr std::size_t storedSize()
{
    if constexpr (requires { T::kStoredSize; })
        return T::kStoredSize;
    else
        return sizeof(T);
}

// Each field starts where the one before it ends, and the last one ends at the
// end of the record: no gap, no overlap, nothing past kSize.
constexpr bool fieldsTileTheRecord()
{
    AlarmRecord record;
    std::size_t end = 0;
    bool tiled = true;
    forEachField(record, [&](std::size_t offset, const auto& field) {
        tiled = tiled && offset == end;
        end = offset + storedSize<std::remove_cvref_t<decltype(field)>>();
    });
    return tiled && end == AlarmRecord::kSize;
}
static_assert(fieldsTileTheRecord());

struct FieldReader
{
    std::span<const std::uint8_t, AlarmRecord::kSize> bytes;

    void operator()(std::size_t offset, bool& field) const { field = bytes[offset] != 0; }
    void operator()(std::size_t offset, double& field) const
    {
        field = std::bit_cast<double>(qFromLittleEndian<quint64>(bytes.data() + offset));
    }
    template <std::integral T>
    void operator()(std::size_t offset, T& field) const
    {
        field = qFromLittleEndian<T>(bytes.data() + offset);
    }
    template <std::size_t N>
    void operator()(std::size_t offset, FixedString<N>& field) const
    {
        field.setBytes(bytes.subspan(offset).template first<N + 1>());
    }
    template <std::size_t N>
    void operator()(std::size_t offset, std::array<std::uint8_t, N>& field) const
    {
        std::ranges::copy(bytes.subspan(offset, N), field.begin());
    }
};

struct FieldWriter
{
    std::span<std::uint8_t, AlarmRecord::kSize> bytes;

    void operator()(std::size_t offset, bool field) const { bytes[offset] = field ? 1 : 0; }
    void operator()(std::size_t offset, double field) const
    {
        qToLittleEndian(std::bit_cast<quint64>(field), bytes.data() + offset);
    }
    template <std::integral T>
    void operator()(std::size_t offset, T field) const
    {
        qToLittleEndian(field, bytes.data() + offset);
    }
    template <std::size_t N>
    void operator()(std::size_t offset, const FixedString<N>& field) const
    {
        std::ranges::copy(field.bytes(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    }
    template <std::size_t N>
    void operator()(std::size_t offset, const std::array<std::uint8_t, N>& field) const
    {
        std::ranges::copy(field, bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    }
};

} // namespace

void AlarmRecord::clear()
{
    AlarmRecord cleared;
    cleared.Target = Target;
    cleared.WaveA = WaveA;
    cleared.WaveB = WaveB;
    cleared.Target.clear();
    cleared.WaveA.clear();
    cleared.WaveB.clear();
    cleared.reserved303 = reserved303;
    cleared.reserved314 = reserved314;
    cleared.reserved381 = reserved381;
    *this = cleared;
}

AlarmRecord AlarmRecord::fromBytes(std::span<const std::uint8_t, kSize> bytes)
{
    AlarmRecord record;
    forEachField(record, FieldReader{bytes});
    return record;
}

void AlarmRecord::toBytes(std::span<std::uint8_t, kSize> bytes) const
{
    forEachField(*this, FieldWriter{bytes});
}

QByteArray AlarmRecord::toBytes() const
{
    QByteArray stored(static_cast<qsizetype>(kSize), Qt::Uninitialized);
    // The fields tile the record, so every byte is written.
    toBytes(std::span<std::uint8_t, kSize>(reinterpret_cast<std::uint8_t*>(stored.data()), kSize));
    return stored;
}

} // namespace hv
