// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Settings.h"
#include "alarms/AlarmActions.h"
#include "alarms/AlarmRecord.h"
#include "alarms/AlarmTable.h"
#include "common/DataPaths.h"
#include "common/FormatSettings.h"
#include "common/Profile.h"

#include <QRect>
#include <QString>
#include <QStringList>

namespace hv {

class Autostart;

// The program-wide state that windows share: the settings, the alarm table
// and the edit buffer, the regional formats, and the flags that outlive any
// one window. The application owns one; windows get a reference.
class AppState
{
public:
    AppState(DataPaths paths, Autostart& autostart);
    // The alarm table asks this state for the waves named elsewhere.
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    // Reads what the main window needs at creation, in the order the settings
    // file has always been read: the settings, then the alarm file, then the
    // window's place and the start-hidden flag. A damaged alarm file leaves its
    // message in alarmFileMessage() for the window to show once.
    void load();

    // Writes the settings and then the alarm file, each in one safe write.
    // Throws Error when a file cannot be written; what is in memory stays.
    void saveSettings();

    const DataPaths& paths() const { return m_paths; }
    Profile& profile() { return m_profile; }
    Autostart& autostart() { return m_autostart; }

    SettingsRecord& settings() { return m_settings.record; }
    const SettingsRecord& settings() const { return m_settings.record; }
    SettingsExtras& extras() { return m_settings.extras; }

    AlarmTable& alarms() { return m_alarms; }
    const AlarmTable& alarms() const { return m_alarms; }
    AlarmRecord& editBuffer() { return m_editBuffer; }

    FormatSettings& formats() { return m_formats; }

    // The main window's normal geometry as stored.
    QRect storedGeometry() const { return m_storedGeometry; }
    // Empty unless the alarm file was damaged when it was loaded.
    const QString& alarmFileMessage() const { return m_alarmFileMessage; }

    // The requests that CD alarms leave for the CD player.
    CdRequests& cdRequests() { return m_cdRequests; }

    // The path of the pending new recording: the numbered file that the
    // recorder's OK stored last, which its caller adopts or deletes. Empty
    // when none; the recorder never clears it, its caller does.
    const QString& pendingRecording() const { return m_pendingRecording; }
    void setPendingRecording(const QString& path) { m_pendingRecording = path; }

    // Wave paths that open windows play outside the alarms and the settings
    // (a running countdown's sound). A window adds its path when it takes it
    // and removes it, once, when it lets go; deleting recordings keeps these.
    void addLiveWave(const QString& path) { m_liveWaves.append(path); }
    void removeLiveWave(const QString& path) { m_liveWaves.removeOne(path); }
    // The stored wave paths in use outside the alarm table: the voice wave
    // of the settings and the live waves.
    QStringList wavesNamedOutsideAlarms() const;

private:
    DataPaths m_paths;
    Profile m_profile;
    Autostart& m_autostart;
    StoredSettings m_settings;
    AlarmTable m_alarms;
    AlarmRecord m_editBuffer;
    CdRequests m_cdRequests;
    FormatSettings m_formats;
    QRect m_storedGeometry;
    QString m_alarmFileMessage;
    QString m_pendingRecording;
    QStringList m_liveWaves;

    void watchNamedWaves();
};

} // namespace hv
