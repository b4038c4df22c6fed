// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

namespace hv {

class AppState;

// The one rule for deleting the recorder's wave files, for every caller.
// Deletes those of `storedPaths` that are recorded wave files (alarms/AlarmTable.h
// recordedWaveFile(): waves/Horavox-<n>.wav in the data folder) and that no used
// alarm slot and no live setting (voice wave, a countdown's wave) still names.
// Call only when the caller commits (alarm saved, options accepted, recorder OK),
// after the committed values are in `state`. Returns the files deleted; a file
// that cannot be deleted is left and not listed.
QStringList deleteUnusedRecordings(const AppState& state, const QStringList& storedPaths);

} // namespace hv
