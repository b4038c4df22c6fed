// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

namespace hv {

// The talking clock's settings: what the announcer reads at every
// announcement and what Command alarms change. The settings record holds one;
// the interval in force now lives beside it (see SettingsExtras).
struct VoiceSettings
{
    static constexpr qsizetype kWaveFileLength = 100; // characters

    // beforeAfter
    static constexpr qint32 kWaveBeforeVoice = 1;
    static constexpr qint32 kWaveAfterVoice = 2;

    bool playVoice = false;
    qint32 howOften = 0; // minutes between announcements: 1, 5, 10, 15, 30 or 60; any other value never
    bool playWave = false;
    QString waveFile;       // at most kWaveFileLength characters; played around the words when playWave is on
    qint32 beforeAfter = 0; // kWaveBeforeVoice or kWaveAfterVoice; any other value plays no wave

    friend bool operator==(const VoiceSettings&, const VoiceSettings&) = default;
};

} // namespace hv
