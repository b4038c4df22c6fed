// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace hv {

// The files of the wave recorder in the waves folder of the data folder.

// Numbered recordings run from 1 to this.
inline constexpr int kRecordingNumbers = 50;
// A recording this long or shorter, in milliseconds, counts as nothing recorded.
inline constexpr qint64 kNothingRecordedMs = 10;

// waves/temp.wav: the new recording before OK stores it under a number.
QString temporaryRecording(const QString& wavesDir);
// waves/Horavox-<n>.wav, n without leading zeros.
QString numberedRecording(const QString& wavesDir, int n);
// The lowest-numbered recording name whose file does not exist, so that
// gaps are filled first; none when all numbers are in use.
std::optional<QString> freeRecordingName(const QString& wavesDir);

// A length as the recorder shows it: m:ss.s, tenths cut, not rounded.
QString lengthText(qint64 ms);

// One of the clock's own words, as it is spoken and as the file in the
// user's voice folder that replaces the built-in one.
struct ClockWord
{
    QString spoken;   // "seven", "o'clock"
    QString fileName; // "wavefile_7.wav"
};
// The 25 words in the order they are counted: oh, one ... twenty, thirty,
// forty, fifty, o'clock.
QList<ClockWord> clockWords();

} // namespace hv
