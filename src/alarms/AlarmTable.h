// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AlarmRecord.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace hv {

// An identity of the alarm in a slot that stays with it while the table is
// rearranged: windows that act on one alarm later (the message window, a
// program waiting for its window) hold this, not a slot number. 0 is none.
using AlarmId = std::uint64_t;

// An alarm that a rearrangement of the table moved from slot `from` to slot
// `to` (both 1..50).
struct SlotMove
{
    int from = 0;
    int to = 0;
    friend bool operator==(const SlotMove&, const SlotMove&) = default;
};
// In ascending order of `to`. A used alarm that is not listed kept its slot.
using SlotMoves = std::vector<SlotMove>;

// The alarms: 50 slots numbered 1..50, each one record; a slot is empty when
// its Rule is 0. Records move between slots (sorts, removals, gap closing);
// whoever must find an alarm again later holds its AlarmId, which moves with
// it. The operations that move records also report the moves.
class AlarmTable
{
public:
    static constexpr int kSlots = 50;

    // n must lie in 1..kSlots.
    AlarmRecord& slot(int n);
    const AlarmRecord& slot(int n) const;

    // The identity of the alarm now in slot n, and the slot that holds an
    // alarm now: none once it has been cleared or removed. Every slot has an
    // identity of its own; clearing a slot gives it a new one, since its alarm
    // is gone. Records written into a slot in place keep the slot's identity.
    AlarmId idOf(int n) const;
    std::optional<int> slotOf(AlarmId id) const;

    int usedCount() const;
    // The lowest-numbered empty slot; none when all 50 are in use.
    std::optional<int> findFreeSlot() const;

    // Orders the used records by StartTime (the time of day; the date plays no
    // part): a shell sort with the gaps 25, 12, 6, 3, 1 that swaps two records
    // only when the earlier one starts strictly later and the later one is in
    // use. A table already in order stays as it is. Empty slots never move
    // ahead of used ones, and a used record does not move ahead of an empty
    // slot before it, so the sort does not close gaps (closeGaps does).
    SlotMoves sort();

    void clearSlot(int n);

    // The editor's Delete: discards the recorded wave files of slot n, clears
    // it, moves slots n+1..50 down by one, leaves slot 50 empty and sorts.
    // Slot n itself is not among the moves: its alarm is gone.
    SlotMoves removeSlot(int n, const QString& programDir);

    // Removal after an alarm has run: discards the recorded wave files of slot
    // n and clears it in place, so no other alarm changes its slot.
    void autoDelete(int n, const QString& programDir);

    // Moves the used records down over the empty slots between them, keeping
    // their order, as removeSlot does; the empty slots end up at the end. Run
    // it once the pass that auto deleted alarms has finished.
    SlotMoves closeGaps();

    // The stored wave paths that something outside the table still plays (the
    // live settings, open windows); removeSlot and autoDelete keep recordings
    // that these name, as they keep those of other used slots. May be empty.
    void setWavesNamedElsewhere(std::function<QStringList()> paths)
    {
        m_wavesNamedElsewhere = std::move(paths);
    }

private:
    using Records = std::array<AlarmRecord, kSlots>;
    // A rearrangement: position i receives the record now at index order[i].
    using Order = std::array<std::size_t, kSlots>;

    static std::size_t index(int n);
    static Order identityOrder();
    Order sortedOrder(Order order) const;
    SlotMoves rearrange(const Order& order);
    void discardRecordedFiles(int n, const QString& programDir) const;

    Records m_records{};
    std::array<AlarmId, kSlots> m_ids = freshIds();
    std::function<QStringList()> m_wavesNamedElsewhere;

    static std::array<AlarmId, kSlots> freshIds();
    static AlarmId nextId();
};

// The refusal shown when all 50 slots are in use, word for word.
QString alarmLimitMessage();

// The stored paths of a record that name wave files: WaveA, WaveB and, for a
// Wave File alarm, Target (other kinds hold text or a command line there).
QStringList storedWavePaths(const AlarmRecord& record);

// The file a stored wave path names when that file is a recording of the wave
// recorder, which stores them as waves/Horavox-<n>.wav in the program
// directory; none otherwise. The file is the stored path itself when that is
// an absolute path of this system to an existing file; otherwise it is the
// file of that name (the part after the last '/' or '\') in the waves folder of
// programDir, which covers paths brought over from an old system
// ("waves\Horavox-3.wav", "C:\HORAVOX\waves\Horavox-3.wav") and recordings
// whose folder has moved. It is a recording only when it lies directly in
// programDir's waves folder, its name begins with "Horavox-" (case sensitive)
// and ends in ".wav", and it is not a folder: auto delete removes nothing else.
std::optional<QString> recordedWaveFile(const QString& storedPath, const QString& programDir);

} // namespace hv
