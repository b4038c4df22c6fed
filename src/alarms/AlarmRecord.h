// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/DateTime.h"
#include "common/FixedString.h"

#include <QByteArray>

#include <array>
#include <cstdint>
#include <span>

namespace hv {

// What an alarm does when it fires.
enum AlarmKind : std::int32_t
{
    KindMessage = 0,
    KindProgram = 1,
    KindWaveFile = 2,
    KindCdPlayer = 3,
    KindCommand = 4,
    KindPagedeck = 5,
};

// The recurrence rule; 0 marks an empty slot.
enum AlarmRule : std::int32_t
{
    RuleEmpty = 0,
    RuleOnce = 1,
    RuleRecurs = 2,
    RuleEvery = 3,
    RuleDaily = 4,
    RuleMonthly = 5,
};

// One alarm, as held in memory and stored in the alarm file: 384 bytes,
// little-endian, fields at fixed offsets (see AlarmRecord.cpp). Integer fields
// stay plain integers because a hand-edited or damaged file may hold any value;
// the recurrence code decides what an out-of-range value means.
struct AlarmRecord
{
    static constexpr std::size_t kSize = 384;

    FixedString<100> Target; // meaning depends on AlarmKind
    FixedString<100> WaveA;  // played when the alarm starts; "NONE" for none
    FixedString<100> WaveB;  // played when the alarm stops; "NONE" for none
    DateTime StartTime = 0;  // time of day only, whole minutes
    bool StopEnabled = false;
    bool AutoStart = false; // may fire at program start when its time today has passed
    DateTime StopTime = 0;  // time of day only; meaningful when StopEnabled
    std::int32_t AlarmKind = KindMessage;
    std::int32_t Rule = RuleEmpty;
    DateTime OnceDate = 0;        // date only
    std::int32_t RecursWhich = 0; // 1 every, 2 1st, 3 2nd, 4 3rd, 5 4th, 6 last
    std::int32_t RecursDay = 0;   // 1 Sunday .. 7 Saturday, 8 Weekday, 9 Weekend
    std::int32_t Count = 0;       // Every: the step; Monthly: the day of the month
    std::int32_t EveryUnit = 0;   // 1 minutes, 2 hours
    std::int32_t EveryDays = 0;   // 1 Sunday .. 7 Saturday, 8 Everyday, 9 Weekdays, 10 Weekends
    DateTime NextDue = 0;         // the next moment the alarm fires
    DateTime StopDue = 0;         // when the current occurrence stops
    bool Active = false;
    bool RunMinimized = false;
    std::uint16_t LaunchedWindow = 0; // low 16 bits of the started program's window
    bool AutoDelete = false;

    // Reserved areas, kept as read so that a record round-trips to the byte.
    std::uint8_t reserved303 = 0;
    std::array<std::uint8_t, 2> reserved314{};
    std::array<std::uint8_t, 3> reserved381{};

    bool isUsed() const { return Rule != RuleEmpty; }

    // Empties the record: the three string lengths and every field from
    // StartTime through AutoDelete become 0. The text past the string lengths
    // and the reserved bytes are not fields and stay as they were.
    void clear();

    // Serialisation of exactly kSize bytes. Booleans read any non-zero byte as
    // true and are written as 0 or 1; everything else, reserved bytes and the
    // text past each string's length included, is written back as it was read.
    static AlarmRecord fromBytes(std::span<const std::uint8_t, kSize> bytes);
    void toBytes(std::span<std::uint8_t, kSize> bytes) const;
    QByteArray toBytes() const;

    friend bool operator==(const AlarmRecord&, const AlarmRecord&) = default;
};

} // namespace hv
