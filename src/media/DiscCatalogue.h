// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/FixedString.h"
#include "platform/CdDevice.h" // DiscNumbers: what identifies a disc

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <set>
#include <span>

namespace hv {

// The longest name the catalogue stores, in characters.
inline constexpr int kDiscNameLength = 50;

// "Untitled <track>", the name of a track the user has not named.
QString untitledTrackName(int track);

// One disc of the catalogue, as held in memory and stored: 2264 bytes,
// little-endian. Offsets: 0 track count, 4 length of track 1, 8 length of the
// disc (signed 32-bit each); 12 + 51·k name k (0 the disc, k track k, k up to
// 40), each a length byte and 50 Windows-1252 bytes; 2103 a reserved byte;
// 2104 the play list, 40 signed 32-bit 0-based track indices, -1 for empty.
// Integer fields stay plain integers because a hand-edited file may hold any
// value; the readers of the play list skip entries outside the disc.
struct DiscRecord
{
    static constexpr std::size_t kSize = 2264;
    // Tracks that have a stored name; later tracks of a longer disc are
    // "Untitled <n>" and cannot be renamed.
    static constexpr int kNamedTracks = 40;
    static constexpr int kPlayListSize = 40;
    static constexpr std::int32_t kNoEntry = -1;

    std::int32_t trackCount = 0;
    std::int32_t firstTrackLength = 0;
    std::int32_t discLength = 0;
    std::array<FixedString<kDiscNameLength>, kNamedTracks + 1> names{}; // 0 the disc, k track k
    std::uint8_t reserved = 0;
    std::array<std::int32_t, kPlayListSize> playList = emptyPlayList();

    // A record for a disc not seen before: "Unknown", "Untitled 1" to
    // "Untitled <n>" for its named tracks, an empty play list.
    static DiscRecord newFor(const DiscNumbers& disc);

    bool matches(const DiscNumbers& disc) const;
    // True while no disc has been identified (all three numbers 0).
    bool isBlank() const { return trackCount == 0 && firstTrackLength == 0 && discLength == 0; }

    QString discName() const { return names[0].text(); }
    void setDiscName(const QString& name) { names[0].setText(name); }
    // Track 1 and up. A track past the stored names (41 and up) is
    // "Untitled <track>"; a track past the disc (or below 1) has no name.
    QString trackName(int track) const;
    // Cuts to 50 characters. False, changing nothing, for a track without a
    // stored name (below 1 or above 40).
    bool setTrackName(int track, const QString& name);

    QByteArray toBytes() const;
    static DiscRecord fromBytes(std::span<const std::uint8_t, kSize> bytes);

    static constexpr std::array<std::int32_t, kPlayListSize> emptyPlayList()
    {
        std::array<std::int32_t, kPlayListSize> list{};
        list.fill(kNoEntry);
        return list;
    }
};

// The disc catalogue CDNAME32.REC in the data folder: one 2264-byte record per
// disc the player has seen, numbered from 0, without a header. Records are
// appended or overwritten one at a time, never removed, reordered or
// truncated, and an existing file is never created again: a catalogue that
// cannot be written keeps every byte, the names typed stay in the current
// record for the rest of the run, and the problem is reported once.
//
// The file is looked up regardless of case (a catalogue copied from another
// system may be called cdname32.rec) and opened for each use only.
class DiscCatalogue
{
public:
    static constexpr qint64 kNoPosition = -1;

    explicit DiscCatalogue(QString dataDir);

    // The catalogue file: an existing entry of the data folder whose name is
    // CDNAME32.REC regardless of case (the exact spelling first), else the
    // data folder's CDNAME32.REC.
    QString path() const;

    // The disc in the player; blank at start.
    DiscRecord& current() { return m_current; }
    const DiscRecord& current() const { return m_current; }
    // The record number of the current record in the file, or kNoPosition when
    // it has none (not found and not added, or no disc yet).
    qint64 position() const { return m_position; }

    // Makes the current record the disc's: the first whole record of the file
    // whose three numbers equal the disc's, else a new record with the default
    // names, appended after the last whole record (a trailing partial record
    // is overwritten). A missing file is created. Returns false when the file
    // could not be searched or the new record not written; the current record
    // then holds the defaults (or what was found) and has no position, so the
    // next save appends.
    bool findOrAdd(const DiscNumbers& disc);

    // Writes the current record over its own record, or appends it when it
    // has no position (or the file has since become shorter). Returns false
    // when the file cannot be written; nothing in memory changes. A blank
    // record is never written.
    bool save();

    // A problem not yet reported, for the user, or an empty text. Each kind of
    // problem (reading, writing) is reported once, until an operation of that
    // kind succeeds again.
    QString takeProblem();

private:
    enum class Problem
    {
        Read,
        Write,
    };

    bool appendOrWrite(const QString& file, qint64 record);
    void report(Problem kind, const QString& message);
    void cleared(Problem kind) { m_reported.erase(kind); }

    QString m_dataDir;
    DiscRecord m_current;
    qint64 m_position = kNoPosition;
    std::set<Problem> m_reported;
    QString m_pending;
};

} // namespace hv
