// SPDX-License-Identifier: GPL-3.0-or-later
#include "Announcer.h"

#include "WordSounds.h"
#include "platform/SoundOut.h"

namespace hv {

namespace {

QString wordName(int number)
{
    return QStringLiteral("WAVEFILE_%1").arg(number);
}

bool isMinute(int minute)
{
    return minute >= 0 && minute <= 59;
}

} // namespace

bool announcementDue(int interval, bool playVoice, int minute, bool voiceRequested)
{
    if (voiceRequested)
        return true;
    if (!playVoice || !isMinute(minute))
        return false;
    switch (interval) {
    case 1:
    case 5:
    case 10:
    case 15:
    case 30:
    case 60:
        return minute % interval == 0;
    default:
        return false;
    }
}

QStringList wordNames(int hour, int minute)
{
    if (hour < 0 || hour > 23 || !isMinute(minute))
        return {};
    QStringList names;
    names.reserve(4);
    if (hour <= 20) {
        names << wordName(hour);
    } else {
        names << wordName(20) << wordName(hour - 20);
    }
    if (minute == 0) {
        names << QStringLiteral("WAVEFILE_OCLOCK");
    } else if (minute <= 9) {
        names << wordName(0) << wordName(minute);
    } else if (minute <= 20) {
        names << wordName(minute);
    } else {
        const int tens = minute / 10 * 10;
        names << wordName(tens);
        if (minute != tens)
            names << wordName(minute - tens);
    }
    return names;
}

Announcer::Announcer(const VoiceSettings& voice, const qint32& currentInterval, const WordSounds& words,
                     SoundOut& sound)
    : m_voice(voice)
    , m_currentInterval(currentInterval)
    , m_words(words)
    , m_sound(sound)
{}

bool Announcer::announce(const TimeText& time, bool voiceRequested)
{
    if (!announcementDue(m_currentInterval, m_voice.playVoice, time.minute, voiceRequested))
        return false;
    const QStringList names = wordNames(time.hour, time.minute);
    if (names.isEmpty())
        return false;

    const bool waveBefore = m_voice.playWave && m_voice.beforeAfter == VoiceSettings::kWaveBeforeVoice;
    const bool waveAfter = m_voice.playWave && m_voice.beforeAfter == VoiceSettings::kWaveAfterVoice;
    QList<Sound> sequence;
    sequence.reserve(names.size() + 1);
    // An empty or wrong path plays the default sound in the wave's place.
    if (waveBefore)
        sequence << Sound::fromFile(m_voice.waveFile);
    for (const QString& name : names) {
        // A word that cannot be had is left out rather than played as the
        // default sound in the middle of the time.
        QByteArray image = m_words.word(name);
        if (!image.isEmpty())
            sequence << Sound::fromMemory(std::move(image));
    }
    if (waveAfter)
        sequence << Sound::fromFile(m_voice.waveFile);
    m_sound.playSequence(sequence);
    return true;
}

} // namespace hv
