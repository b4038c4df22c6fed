// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TitleBarClock.h"
#include "common/DateTime.h"
#include "common/FormatSettings.h"
#include "common/TimeText.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace hv {

// Characters a tray tooltip may hold (TrayIcon::kToolTipLength).
inline constexpr qsizetype kTrayToolTipLength = 62;

// "Horavox 32 - <long date>,  <short time>", at most kTrayToolTipLength
// characters: a long date is cut, ending in "…", so that the time stays whole.
QString trayToolTip(DateTime now, const FormatSettings& formats);

// The heartbeat of the clock. Each run keeps the title-bar clock up to date;
// at a minute change, or when the time was asked for, it updates the face and
// hands the minute on to the announcement and then to the alarm check.
class ClockTick
{
public:
    // What the tick changes in the clock window.
    class Face
    {
    public:
        virtual ~Face() = default;
        virtual void showTime(const QString& faceText, const QString& toolTip) = 0;
        // The new text may be wider than the last: shrink the font until it fits.
        virtual void shrinkFontToFit() = 0;
    };

    // Speaks the time when it is due, or at once when it was asked for.
    using Announcement = std::function<void(const TimeText&, bool voiceRequested)>;
    // Fires and stops the alarms of the minute. `now` is the reading the tick
    // ran on, in the stamp's minute or a little later.
    using AlarmCheck = std::function<void(DateTime minuteStamp, DateTime now)>;

    ClockTick(Face& face, TitleBarClock& titleBar);

    void setAnnouncement(Announcement announcement) { m_announce = std::move(announcement); }
    void setAlarmCheck(AlarmCheck check) { m_checkAlarms = std::move(check); }

    // The hot key or `horavox --say-time`: the next run speaks the time.
    // Several requests before it give one announcement.
    void requestVoice() { m_voiceRequested = true; }
    bool voiceRequested() const { return m_voiceRequested; }

    // One tick on one clock reading.
    void run(DateTime now, const FormatSettings& formats, const TitleBarClock::Options& titleBar);

    const TimeText& time() const { return m_time; }

private:
    Face& m_face;
    TitleBarClock& m_titleBar;
    Announcement m_announce;
    AlarmCheck m_checkAlarms;
    TimeText m_time;
    // The minute last handled, as a minute number: a clock that jumps by a
    // whole number of hours still counts as a minute change. Empty at start,
    // so the first run always is one.
    std::optional<std::int64_t> m_lastMinute;
    bool m_voiceRequested = false;
};

} // namespace hv
