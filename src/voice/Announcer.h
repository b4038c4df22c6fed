// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/TimeText.h"
#include "common/VoiceSettings.h"

#include <QStringList>

namespace hv {

class SoundOut;
class WordSounds;

// Whether the clock speaks at `minute` (0..59): at every multiple of the
// interval (1, 5, 10, 15, 30 or 60 minutes; any other value never) while
// Play Voice is on. A voice request speaks whatever the interval and Play
// Voice say.
bool announcementDue(int interval, bool playVoice, int minute, bool voiceRequested);

// The word sounds that say the time, in order: the hour (0..23, as spoken)
// then the minute (0..59). 7:58 is seven, fifty, eight; 9:05 is nine, oh,
// five; 3:00 is three, o'clock; 23:07 is twenty, three, oh, seven. Empty for
// an hour or minute out of range.
QStringList wordNames(int hour, int minute);

// Speaks the time when it is due: the words back to back, framed by the
// user's wave before or after them when Play Wave is on. The settings and
// the interval in force are read at each call, so changes by the options
// dialog or command alarms apply to the next announcement.
class Announcer
{
public:
    // All references must outlive the announcer.
    Announcer(const VoiceSettings& voice, const qint32& currentInterval, const WordSounds& words,
              SoundOut& sound);

    // Returns at once; the sound service plays the announcement. True when
    // one was started.
    bool announce(const TimeText& time, bool voiceRequested);

private:
    const VoiceSettings& m_voice;
    const qint32& m_currentInterval;
    const WordSounds& m_words;
    SoundOut& m_sound;
};

} // namespace hv
