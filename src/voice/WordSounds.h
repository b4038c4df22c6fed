// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringView>

#include <optional>

namespace hv {

// What the header of a RIFF WAVE image says about its sound.
struct WaveInfo
{
    int formatTag = 0; // 1: integer PCM, 3: floating point, 0xFFFE: extensible
    int channels = 0;
    int sampleRate = 0;     // frames per second
    int bitsPerSample = 0;  // per sample of one channel
    qsizetype dataSize = 0; // bytes of sound in the data chunk
};

// The header of a RIFF WAVE image, or nullopt when it is not one that can be
// played: no RIFF/WAVE signature, no format chunk before the data, a format
// that is not PCM or floating point, zero channels or rate, no sound, or a
// data chunk that runs past the end of the image (a truncated file).
std::optional<WaveInfo> readWaveInfo(QByteArrayView image);

// How long the sound plays, in whole milliseconds; 0 for a header without
// frames or rate.
qint64 waveMilliseconds(const WaveInfo& info);

// A word is short: at most kMaxWordMilliseconds long, at a sample rate of at
// least kMinWordSampleRate (below it a small file could play for minutes).
inline constexpr qint64 kMaxWordMilliseconds = 10'000;
inline constexpr int kMinWordSampleRate = 4000;
bool isWordLength(const WaveInfo& info);

// The recorded words that the clock speaks, by resource name: "WAVEFILE_0" to
// "WAVEFILE_20", "WAVEFILE_30", "WAVEFILE_40", "WAVEFILE_50" and
// "WAVEFILE_OCLOCK". The built-in words are embedded in the program; a folder
// of the user's own recordings may replace any of them.
//
// Words are read on first use and kept, so that start-up reads none and an
// announcement reads no file after the first time.
class WordSounds
{
public:
    // userVoiceDir: a folder whose files named like the words ("wavefile_5.wav",
    // any case) replace those words. It is listed once, at the first lookup;
    // empty or missing: the built-in words only.
    explicit WordSounds(QString userVoiceDir = {});

    // The word's whole RIFF WAVE image; the name is matched regardless of case.
    // Empty for a name that is not one of the words. A user file that is not a
    // regular file of at most 8 MiB holding a playable wave of word length
    // (isWordLength) is passed over with one warning, and the built-in word is
    // used.
    QByteArray word(QStringView resourceName) const;

private:
    QByteArray load(const QString& upperName) const;
    void listUserFolder() const;

    QString m_userVoiceDir;
    // Upper-case word name -> wave image, for the words asked for so far.
    mutable QHash<QString, QByteArray> m_words;
    // Upper-case word name -> the user's file; nullopt until listed.
    mutable std::optional<QHash<QString, QString>> m_userFiles;
};

} // namespace hv
