#include "ClockTick.h"

#include "common/DateTimeFormat.h"

namespace hv {

QString trayToolTip(DateTime now, const FormatSettings& formats)
{
    return QStringLiteral("Horavox 32 - ") + formatDateTime(u"dddddd", now, formats) + QStringLiteral(",  ") +
           formatDateTime(u"t", now, formats);
}

ClockTick::ClockTick(Face& face, TitleBarClock& titleBar)
    : m_face(face)
    , m_titleBar(titleBar)
{}

void ClockTick::run(DateTime now, const FormatSettings& formats, const TitleBarClock::Options& titleBar)
{
    m_time = makeTimeText(now, formats);
    m_titleBar.update(m_time.text, titleBar);

    const std::optional<std::int64_t> minute = wholeMinuteNumber(m_time.minuteStamp);
    const bool minuteChanged = minute != m_lastMinute;
    if (minuteChanged) {
        m_face.showTime(m_time.text, trayToolTip(now, formats));
        m_titleBar.refreshMinute(m_time.text, titleBar);
    }
    if (!minuteChanged && !m_voiceRequested)
        return;
    m_lastMinute = minute;

    m_face.shrinkFontToFit();
    const bool voiceRequested = std::exchange(m_voiceRequested, false);
    if (m_announce)
        m_announce(m_time, voiceRequested);
    // A request served in the very tick of a minute change must not cost that
    // minute its alarm check; a request in the middle of a minute adds none.
    if (minuteChanged && m_checkAlarms)
        m_checkAlarms(m_time.minuteStamp, now);
}

} // namespace hv
