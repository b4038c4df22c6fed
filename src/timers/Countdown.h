// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "timers/TimerClock.h"

#include <QString>

#include <array>
#include <optional>

namespace hv {

// The countdown's three duration fields as texts, with the rule every change
// of a text goes through: seconds and minutes wrap at 60 with a carry into
// the next larger field (and a borrow below 0), hours wrap at 24 with no
// carry out; a carry is itself a change of that field, so it ripples.
class DurationFields
{
public:
    enum Field
    {
        Hours,
        Minutes,
        Seconds
    };
    static constexpr int kFields = 3;

    const QString& text(Field field) const { return m_texts[field]; }

    // The field that has the keyboard focus, or none. A minutes or hours field
    // that has not got it is kept at two digits by the change rule.
    void setFocused(std::optional<Field> field) { m_focused = field; }

    // A new text for a field, typed or set: runs the change rule. Throws
    // Error "'<text>' is not a valid integer value" when a text it must read
    // is not a whole number; the text then stays as given.
    void setText(Field field, const QString& text);

    // Up (+1) or Down (-1) on a field, with the change rule; the field is then
    // brought to two digits. Throws like setText().
    void step(Field field, int delta);

    // Leaving a field: the hours are brought into range, then every field
    // shorter than two characters gets a leading zero. Unreadable hours are
    // left as they are.
    void leave();

    // The duration the fields give in seconds; when one of them cannot be
    // read, the last duration they gave.
    int seconds() const { return m_lastGoodSeconds; }

private:
    void applyRule(Field field);
    void carry(Field into, int delta);
    void padIfUnfocused(Field field);
    void remember();

    std::array<QString, kFields> m_texts{QStringLiteral("00"), QStringLiteral("00"), QStringLiteral("00")};
    std::optional<Field> m_focused;
    int m_lastGoodSeconds = 0;
};

// The countdown's running state: start, pause, resume and the tick. Moments
// are readings of the timers' clock (see TimerReading).
class CountdownRun
{
public:
    enum class State
    {
        Set,
        Running,
        Paused,
        Alarm
    };

    // Ticks in one alarm cycle, and on how many of its first ticks the sound starts.
    static constexpr int kAlarmCycle = 60;
    static constexpr int kSoundTicks = 5;

    struct Tick
    {
        // What the remaining-time display shows: "hh:nn:ss", "00:00:00" or
        // blank while the alarm blinks.
        QString display;
        // This tick reached zero: the fields and the start button are disabled.
        bool alarmStarted = false;
        // Show and raise the window and start the alarm sound.
        bool alert = false;
    };

    State state() const { return m_state; }

    void start(const TimerReading& now);
    void pause(const TimerReading& now);

    // One tick while running or alarmed, for a duration in seconds.
    Tick tick(const TimerReading& now, int durationSeconds, QChar timeSeparator);

private:
    State m_state = State::Set;
    qint64 m_startMs = 1000; // whole-second reading; plus one second, as the first start adds it
    qint64 m_pauseMs = 0;
    int m_alarmTime = 0;
    bool m_blink = false;
};

} // namespace hv
