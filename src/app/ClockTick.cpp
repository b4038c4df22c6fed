// SPDX-License-Identifier: GPL-3.0-or-later
#include "ClockTick.h"

#include "common/DateTimeFormat.h"

namespace hv {

QString trayToolTip(DateTime now, const FormatSettings& formats)
{
    const QString head = QStringLiteral("Horavox 32 - ");
    const QString time = formatDateTime(u"t", now, formats);
    const QString tail = QStringLiteral(",  ") + time;
    QString date = formatDateTime(u"dddddd", now, formats);
    const qsizetype room = kTrayToolTipLength - head.size() - tail.size();
    if (date.size() <= room)
        return head + date + tail;
    if (room < 2) // no room for any of the date: the time alone, which no format makes this long
        return (head + time).right(kTrayToolTipLength);
    date.truncate(room - 1);
    // Never leave half of a surrogate pair at the end, nor a blank before the ellipsis.
    if (date.back().isHighSurrogate())
        date.chop(1);
    while (!date.isEmpty() && date.back().isSpace())
        date.chop(1);
    return head + date + QChar(0x2026) + tail;
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
