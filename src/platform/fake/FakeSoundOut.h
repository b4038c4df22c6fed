// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/SoundOut.h"

namespace hv {

// Records what was asked for; everything "plays" at once.
class FakeSoundOut final : public SoundOut
{
public:
    struct Call
    {
        enum Kind
        {
            Play,
            Sequence,
            Beep
        } kind;
        QList<Sound> sounds;
        Mode mode = Mode::Async;
    };

    bool available = true;
    bool playing = false; // what isPlaying() reports; a test sets it
    QList<Call> calls;

    bool isAvailable() const override { return available; }
    bool play(const Sound& sound, Mode mode) override
    {
        if (!available)
            Q_EMIT unavailable(QStringLiteral("there is no audio output device"));
        if (!available || (mode == Mode::AsyncNoStop && playing))
            return false;
        calls.append({Call::Play, {sound}, mode});
        return true;
    }
    void playSequence(const QList<Sound>& sounds) override
    {
        if (available)
            calls.append({Call::Sequence, sounds, Mode::Async});
        else
            Q_EMIT unavailable(QStringLiteral("there is no audio output device"));
    }
    void beep() override { calls.append({Call::Beep, {}, Mode::Async}); }
    bool isPlaying() const override { return playing; }
    void stop() override { playing = false; }
};

} // namespace hv
