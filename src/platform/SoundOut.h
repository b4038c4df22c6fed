// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

namespace hv {

// A sound to play: a whole RIFF WAVE image in memory, or a wave file on disk.
struct Sound
{
    QByteArray waveImage; // used when not empty
    QString file;         // used otherwise
    // A file that cannot be played plays the default sound in its place,
    // unless this is false; then it plays nothing.
    bool defaultOnFailure = true;

    static Sound fromMemory(QByteArray image) { return {std::move(image), {}, true}; }
    static Sound fromFile(QString path, bool defaultOnFailure = true)
    {
        return {{}, std::move(path), defaultOnFailure};
    }

    friend bool operator==(const Sound&, const Sound&) = default;
};

// The simple sound service: wave data played on the default audio output.
// Without an audio device or sound server every call returns at once and plays
// nothing; isAvailable() says so and one warning is logged.
class SoundOut : public QObject
{
    Q_OBJECT

public:
    enum class Mode
    {
        // Returns once the sound has been heard; the event loop keeps running
        // meanwhile, so the clock does not freeze.
        Wait,
        // Returns at once. Stops a sound that is playing, except a sequence
        // (an announcement): then the new sound follows it.
        Async,
        // Returns at once; when a sound is playing, plays nothing and returns false.
        AsyncNoStop,
    };

    using QObject::QObject;
    ~SoundOut() override = default;

    virtual bool isAvailable() const = 0;

    // False when nothing was played: no audio, or AsyncNoStop met a sound.
    virtual bool play(const Sound& sound, Mode mode) = 0;

    // Plays the sounds one after another with no gap between them, and returns
    // at once. It replaces whatever plays.
    virtual void playSequence(const QList<Sound>& sounds) = 0;

    // A short alert tone. A sound that plays is not stopped: the tone is heard
    // over it.
    virtual void beep() = 0;

    virtual bool isPlaying() const = 0;
    virtual void stop() = 0;

Q_SIGNALS:
    // The last sound asked for has been heard. Not emitted for sounds that stop()
    // or a later sound cut short.
    void finished();
    // A sound was asked for and there is no output to play it on: once per run,
    // with the reason in words, so that the user can be told.
    void unavailable(const QString& reason);
};

} // namespace hv
