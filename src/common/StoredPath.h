// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace hv {

// The room for a path in an alarm record or the settings file: one byte a
// character, in Windows-1252.
inline constexpr qsizetype kStoredPathBytes = 100;

// Empty when `path` can be stored whole in a record or the settings file: at
// most 100 bytes of Windows-1252 and only characters Windows-1252 can hold.
// Otherwise the plain message to show; a path is never cut.
QString storedPathProblem(const QString& path);

} // namespace hv
