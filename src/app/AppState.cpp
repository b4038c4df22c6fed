// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppState.h"

#include "alarms/AlarmFile.h"

#include <QLocale>

namespace hv {

AppState::AppState(DataPaths paths, Autostart& autostart)
    : m_paths(std::move(paths))
    , m_profile(m_paths.settingsFile())
    , m_autostart(autostart)
    , m_discCatalogue(m_paths.dataDir())
    , m_formats(FormatSettings::startupDefaults(QLocale::system()))
{}

void AppState::load()
{
    m_settings = readSettings(m_profile);
    adoptLoginStart(m_settings.record, m_autostart);
    m_alarmFileMessage = loadAlarmFile(m_paths.alarmFile(), m_alarms).message;
    m_storedGeometry = readMainWindowGeometry(m_profile);
    m_settings.extras.startHidden = readStartHidden(m_profile);
}

void AppState::saveSettings()
{
    hv::saveSettings(m_profile, m_settings.record, m_settings.extras);
    saveAlarmFile(m_paths.alarmFile(), m_alarms);
}

} // namespace hv
