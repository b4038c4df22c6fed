// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordedWaves.h"

#include "AppState.h"

#include <QFile>

namespace hv {

QStringList deleteUnusedRecordings(const AppState& state, const QStringList& storedPaths)
{
    const QString& programDir = state.paths().dataDir();
    const auto filesOf = [&](const QStringList& paths) {
        QStringList files;
        for (const QString& path : paths) {
            if (const auto file = recordedWaveFile(path, programDir))
                files.append(*file);
        }
        return files;
    };
    // Collected before anything is deleted: recordedWaveFile() looks at the
    // disk, and a name must resolve the same way for every path.
    QStringList named = filesOf(state.wavesNamedOutsideAlarms());
    const AlarmTable& alarms = state.alarms();
    for (int n = 1; n <= AlarmTable::kSlots; ++n) {
        if (alarms.slot(n).isUsed())
            named += filesOf(storedWavePaths(alarms.slot(n)));
    }
    QStringList deleted;
    for (const QString& file : filesOf(storedPaths)) {
        if (named.contains(file) || deleted.contains(file))
            continue;
        if (QFile::remove(file))
            deleted.append(file);
    }
    return deleted;
}

} // namespace hv
