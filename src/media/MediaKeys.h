// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

namespace hv {

// What the desktop's media keys and panels (through MprisPlayer) ask of the CD
// player. The player implements it, with each action going through the same
// click logic as its own buttons; changed() tells the panels to look again.
class MediaKeys : public QObject
{
    Q_OBJECT

public:
    enum class Status
    {
        Stopped,
        Playing,
        Paused
    };

    struct Metadata
    {
        QString discName;
        QString trackName;
        int trackNumber = 0; // 0: no track (no disc)
        qint64 lengthMs = 0; // of the track

        friend bool operator==(const Metadata&, const Metadata&) = default;
    };

    using QObject::QObject;

    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void playPause() = 0;
    virtual void stop() = 0;
    virtual void next() = 0;
    virtual void previous() = 0;

    virtual Status status() const = 0;
    virtual Metadata metadata() const = 0;

Q_SIGNALS:
    // The status or the metadata changed.
    void changed();
};

} // namespace hv
