// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace hv {

// The remembered hourly rates, "Timeup.Rec" in the program directory:
// Windows-1252 text, one rate a line ended by CR LF, newest first, no header.
namespace rateList {

// The entry a list starts with when there is no file.
inline constexpr char16_t kFirstEntry[] = u"00.00";
// An addition keeps the list at this many entries: the one in this place goes.
inline constexpr int kKept = 10;

// The rate list in `dataDir`: the file whose name is "Timeup.Rec" in any
// letter case, or that name when there is none.
QString pathIn(const QString& dataDir);

// Every line of the file is an entry, an empty line an empty entry, however
// many there are. A missing or unreadable file gives the one entry "00.00".
QStringList read(const QString& path);

// Puts `rate` first unless the list holds it already (letter case aside);
// when the list holds more than 9 entries, the tenth goes first. False when
// the rate was there.
bool addRate(QStringList& list, const QString& rate);

// Replaces the whole file; throws Error when it cannot be written.
void write(const QString& path, const QStringList& list);

} // namespace rateList
} // namespace hv
