// SPDX-License-Identifier: GPL-3.0-or-later
#include "Countdown.h"

#include "common/Conversions.h"

namespace hv {

namespace {

constexpr int kLimit[] = {23, 59, 59}; // the largest value of each field

QString twoDigits(const QString& text)
{
    return text.size() < 2 ? QString(2 - text.size(), u'0') + text : text;
}

} // namespace

void DurationFields::setText(Field field, const QString& text)
{
    m_texts[field] = text;
    applyRule(field);
    remember();
}

void DurationFields::step(Field field, int delta)
{
    m_texts[field] = QString::number(strToInt(m_texts[field]) + delta);
    applyRule(field);
    m_texts[field] = twoDigits(m_texts[field]);
    remember();
}

void DurationFields::leave()
{
    if (const std::optional<int> hours = tryStrToInt(m_texts[Hours])) {
        if (*hours > kLimit[Hours])
            m_texts[Hours] = QStringLiteral("00");
        else if (*hours < 0)
            m_texts[Hours] = QString::number(kLimit[Hours]);
    }
    for (QString& text : m_texts)
        text = twoDigits(text);
    remember();
}

void DurationFields::applyRule(Field field)
{
    const int value = strToInt(m_texts[field]);
    if (value > kLimit[field]) {
        m_texts[field] = QStringLiteral("00");
        if (field != Hours)
            carry(Field(field - 1), +1);
    } else if (value < 0) {
        m_texts[field] = QString::number(kLimit[field]);
        if (field != Hours)
            carry(Field(field - 1), -1);
    }
    padIfUnfocused(field);
}

void DurationFields::carry(Field into, int delta)
{
    m_texts[into] = QString::number(strToInt(m_texts[into]) + delta);
    applyRule(into);
}

void DurationFields::padIfUnfocused(Field field)
{
    if (field != Seconds && m_focused != field)
        m_texts[field] = twoDigits(m_texts[field]);
}

void DurationFields::remember()
{
    int total = 0;
    for (int field = Hours; field < kFields; ++field) {
        const std::optional<int> value = tryStrToInt(m_texts[field]);
        if (!value)
            return;
        total = total * 60 + *value;
    }
    m_lastGoodSeconds = total;
}

void CountdownRun::start(const TimerReading& now)
{
    if (m_state == State::Alarm)
        return;
    m_startMs = now.wholeMs - m_pauseMs + m_startMs;
    m_state = State::Running;
}

void CountdownRun::pause(const TimerReading& now)
{
    if (m_state != State::Running)
        return;
    m_pauseMs = now.wholeMs;
    m_state = State::Paused;
}

CountdownRun::Tick CountdownRun::tick(const TimerReading& now, int durationSeconds, QChar timeSeparator)
{
    Tick result;
    const QString zero = durationText(0, timeSeparator);
    if (m_state != State::Alarm) {
        const qint64 leftMs = qint64(durationSeconds) * 1000 - (now.exactMs - m_startMs);
        if (leftMs > 1000) {
            result.display = durationText(leftMs / 1000, timeSeparator);
            return result;
        }
        m_state = State::Alarm;
        result.alarmStarted = true;
    }
    m_blink = !m_blink;
    result.display = m_blink ? zero : QString();
    if (m_alarmTime <= 0)
        m_alarmTime = kAlarmCycle;
    result.alert = m_alarmTime > kAlarmCycle - kSoundTicks;
    --m_alarmTime;
    return result;
}

} // namespace hv
