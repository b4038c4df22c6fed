// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Colour.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

namespace hv {

// The sixteen custom colours of the colour chooser, kept between runs in
// CstmCol.Str: lines "ColorA=800000" to "ColorP=...", no section header, CR LF
// line ends. Each value is the colour in upper-case hexadecimal, at least six
// digits, low byte red (800000 is dark blue); FFFFFFFF is a slot never set.
inline constexpr int kCustomColourCount = 16;
inline constexpr ColourValue kColourNeverSet = 0xFFFFFFFF;
using CustomColours = std::array<ColourValue, kCustomColourCount>;

// Every slot never set.
CustomColours emptyCustomColours();

// The colours a file's content gives. A slot whose key is missing, or whose
// value is empty or not hexadecimal, is never set; other lines are ignored.
// Keys match regardless of case, the first of two counts.
CustomColours parseCustomColours(const QByteArray& content);

// The file's new content: `previous` with each ColorX value replaced in
// place, keys that were missing appended in order, and every other line kept
// as it was. Lines end in CR LF.
QByteArray formatCustomColours(const QByteArray& previous, const CustomColours& colours);

// The colours in the file at `path`; nullopt when there is no readable file,
// which leaves the chooser's colours as they were.
std::optional<CustomColours> loadCustomColours(const QString& path);

// Replaces the file at `path` in one safe write, keeping its other lines.
// Throws Error::unableToWrite when it cannot be written.
void saveCustomColours(const QString& path, const CustomColours& colours);

} // namespace hv
