// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AlarmTable.h"

#include <QString>

#include <cstddef>

namespace hv {

// The alarm file (alarms32.rec) is the records of slots 1, 2, ... one after
// another, with no header. This program always writes all 50 slots.
inline constexpr std::size_t kAlarmFileSize = AlarmRecord::kSize * AlarmTable::kSlots; // 19,200 bytes

struct AlarmFileLoad
{
    int recordsRead = 0;  // whole records placed in slots 1, 2, ...; at most 50
    bool damaged = false; // the file could not be read, or ends part way through a record or past slot 50
    QString message;      // for the user when damaged, naming the file and the alarms read; else empty
};

// Replaces the table with the file's records and sorts it. Slots past the
// file's records are empty. A missing file is created empty, with its folder;
// when that fails the table stays empty and the next save reports the
// problem. A damaged file keeps the whole records before the damage, and the
// result says so once for the user and keeps a copy as "<path>.damaged".
// Damage is a file that ends part way through a record, holds bytes past the
// 50th slot (the next save would drop them), cannot be read, or is not a
// regular file (a FIFO, a device or a folder is never opened, nor copied). An
// existing file is never written here.
AlarmFileLoad loadAlarmFile(const QString& path, AlarmTable& table);

// Fills the table as loadAlarmFile does, but never writes, creates or copies a
// file: a missing file gives an empty table and no damage. For reports that
// look at the alarms without running the clock; the message speaks of the
// file only, since nothing will replace it.
AlarmFileLoad readAlarmFile(const QString& path, AlarmTable& table);

// Writes all 50 slots as they stand through a temporary file that replaces the
// old one, so a failed save leaves the old file whole. Throws
// Error::unableToWrite(path) when the write is refused.
void saveAlarmFile(const QString& path, const AlarmTable& table);

} // namespace hv
