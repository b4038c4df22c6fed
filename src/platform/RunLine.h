// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

namespace hv {

// The "run" line of section "windows" in Win.ini lists the programs that start
// with the system, separated by ";". These functions keep the clock's entry in
// it, for a Windows backend of Autostart.

// The longest program path that the line takes, in characters.
inline constexpr qsizetype kRunLinePathLength = 100;

// Whether the line starts the clock: it contains "HORAVOX" in exactly that case.
bool runLineStartsProgram(QStringView line);

// The line with the clock's entry brought in line with autoRun: the first entry
// whose upper-case form contains "HORAVOX" is dropped, and when autoRun is set
// the program's short (8.3) path, cut to kRunLinePathLength, goes at the end.
// Every other entry keeps its place, empty ones included; an empty text after
// the last ";" is no entry.
QString rebuildRunLine(QStringView line, bool autoRun, QStringView programShortPath);

} // namespace hv
