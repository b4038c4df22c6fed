// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppState.h"

#include "alarms/AlarmFile.h"

#include <QLocale>

namespace hv {

AppState::AppState(DataPaths paths, Autostart& autostart)
    : m_paths(std::move(paths))
    , m_profile(m_paths.settingsFile())
    , m_autostart(autostart)
    , m_formats(FormatSettings::startupDefaults(QLocale::system()))
{
    watchNamedWaves();
}

void AppState::load()
{
    m_settings = readSettings(m_profile);
    adoptLoginStart(m_settings.record, m_autostart);
    m_alarmFileMessage = loadAlarmFile(m_paths.alarmFile(), m_alarms).message;
    watchNamedWaves(); // loading gave the table a fresh start
    m_storedGeometry = readMainWindowGeometry(m_profile);
    m_settings.extras.startHidden = readStartHidden(m_profile);
}

void AppState::saveSettings()
{
    hv::saveSettings(m_profile, m_settings.record, m_settings.extras);
    saveAlarmFile(m_paths.alarmFile(), m_alarms);
}

QStringList AppState::wavesNamedOutsideAlarms() const
{
    return QStringList{m_settings.record.voice.waveFile} + m_liveWaves;
}

void AppState::watchNamedWaves()
{
    // Auto delete of an alarm keeps a recording that the settings still play.
    m_alarms.setWavesNamedElsewhere([this] { return wavesNamedOutsideAlarms(); });
}

} // namespace hv
