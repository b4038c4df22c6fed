// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QProcessEnvironment>
#include <QString>

#include <optional>

namespace hv {

// CD audio counts in frames (sectors) of 1/75 s: 2352 bytes, 588 stereo
// samples of 16 bits at 44.1 kHz.
inline constexpr int kCdFramesPerSecond = 75;
inline constexpr int kCdSamplesPerFrame = 588;
inline constexpr int kCdBytesPerFrame = 2352;
inline constexpr int kCdSampleRate = 44100;

// A position in tracks/minutes/seconds/frames: the track, and the time within
// that track. Packed in 32 bits: byte 0 track, byte 1 minutes, byte 2 seconds,
// byte 3 frames. Each field is 0..255 when packed; wider values are cut.
struct Tmsf
{
    int track = 0;
    int minutes = 0;
    int seconds = 0;
    int frames = 0;

    static constexpr Tmsf unpack(quint32 packed)
    {
        return {int(packed & 0xff), int((packed >> 8) & 0xff), int((packed >> 16) & 0xff),
                int((packed >> 24) & 0xff)};
    }
    constexpr quint32 pack() const
    {
        return quint32(track & 0xff) | quint32(minutes & 0xff) << 8 | quint32(seconds & 0xff) << 16 |
               quint32(frames & 0xff) << 24;
    }
    // Track n at m:s:f from a count of frames into that track.
    static constexpr Tmsf fromFrames(int track, int framesIntoTrack)
    {
        return {track, framesIntoTrack / (60 * kCdFramesPerSecond), framesIntoTrack / kCdFramesPerSecond % 60,
                framesIntoTrack % kCdFramesPerSecond};
    }
    // The frames into the track that minutes, seconds and frames stand for.
    constexpr int framesIntoTrack() const { return (minutes * 60 + seconds) * kCdFramesPerSecond + frames; }

    friend constexpr bool operator==(const Tmsf&, const Tmsf&) = default;
};

// A length in minutes/seconds/frames, packed in 32 bits: byte 0 minutes,
// byte 1 seconds, byte 2 frames, byte 3 zero. Minutes above 255 are cut.
constexpr qint32 packMsf(int frames)
{
    const int minutes = frames / (60 * kCdFramesPerSecond);
    const int seconds = frames / kCdFramesPerSecond % 60;
    return qint32(quint32(minutes & 0xff) | quint32(seconds) << 8 |
                  quint32(frames % kCdFramesPerSecond) << 16);
}

// The table of contents: where each audio track starts and where the disc
// ends, in frames on one scale (only differences are used, so whether the
// scale counts the 2-second lead-in does not matter). Valid when it has at
// least one track and starts rise strictly up to the lead-out.
struct CdToc
{
    QList<int> trackStarts; // track n starts at trackStarts[n - 1]
    int leadOut = 0;

    int trackCount() const { return int(trackStarts.size()); }
    bool isValid() const;
    // Frames of track n (1-based): up to the next track's start, the last one
    // up to the lead-out; 0 for a track the disc does not have.
    int trackFrames(int track) const;
    // The absolute frame of a position; the position is clamped to its track.
    int absoluteFrame(Tmsf position) const;
    // The position of an absolute frame. The lead-out (the end of the disc)
    // is the last track at its full length.
    Tmsf position(int absoluteFrame) const;

    friend bool operator==(const CdToc&, const CdToc&) = default;
};

// The numbers the disc catalogue knows a disc by. They depend only on the
// table of contents, so a drive and an image of the same disc agree:
//   trackCount        = the number of tracks
//   firstTrackLength  = packMsf(start of track 2 - start of track 1),
//                       or packMsf(lead-out - start of track 1) for one track
//   discLength        = packMsf(lead-out - start of track 1)
struct DiscNumbers
{
    qint32 trackCount = 0;
    qint32 firstTrackLength = 0;
    qint32 discLength = 0;

    static DiscNumbers of(const CdToc& toc);
    friend bool operator==(const DiscNumbers&, const DiscNumbers&) = default;
};

// A CD audio device: a drive, or a disc image (a .cue file with its .bin).
//
// Every call returns at once; status queries answer from state kept here, so a
// tick may ask as often as it likes. A command that asks for a notice gets one
// notify() signal, always queued (never from inside the call):
//  - Successful when it completed: a play reached its end position (or the end
//    of the disc); stop, pause and seek complete at once;
//  - Superseded when a later command that also asks for a notice replaced it
//    (a play started while a play with a pending notice runs);
//  - Aborted when a later command ended it without asking for a notice of its
//    own, or by stop, pause, seek, eject or close;
//  - Failure when it could not be carried out (no disc, a read error).
// A command that supersedes or aborts another's pending notice is itself
// notified as usual.
class CdDevice : public QObject
{
    Q_OBJECT

public:
    enum class Mode
    {
        NotReady, // no device open, no disc, or a drive spinning up
        Stopped,
        Playing,
        Seeking,
        Paused,
        Open // the door is open (or simulated open on an image)
    };
    Q_ENUM(Mode)

    enum class Result
    {
        Successful,
        Superseded,
        Aborted,
        Failure
    };
    Q_ENUM(Result)

    using QObject::QObject;

    // Chooses a drive path or a .cue file; empty: the first drive found.
    // False when there is no such device (errorString() says why); a device
    // that exists opens in the background, NotReady until the table of
    // contents has been read.
    virtual bool open(const QString& device) = 0;
    // Stops playing and lets the device go.
    virtual void close() = 0;
    virtual QString errorString() const = 0;

    virtual Mode mode() const = 0;
    // The table of contents of the disc in the device, empty when none.
    virtual CdToc toc() const = 0;
    // The current position; track 0 when no disc is ready.
    virtual Tmsf position() const = 0;

    // Plays from `from` (else the current position) to `to` (else the end of
    // the disc). Both apply to this play only. From paused, without `from`,
    // this resumes. After a play that reached `to`, the position is `to`:
    // with `to` the start of track n + 1, position() reports n + 1 at 0:00:00.
    virtual void play(std::optional<Tmsf> from, std::optional<Tmsf> to, bool notify = true) = 0;
    virtual void stop(bool notify = false) = 0;
    virtual void pause(bool notify = false) = 0;
    // Stops playback and moves to `position`.
    virtual void seek(Tmsf position, bool notify = false) = 0;
    // Stops playback and moves to the start of the disc; never notifies.
    void seekToStart() { seek(Tmsf{1, 0, 0, 0}, false); }
    // Opens the door (mode Open); on a closed-door image, or when the door is
    // open, closes it again and reads the disc.
    virtual void eject() = 0;

    // The next track's start (nothing past the last track); the previous
    // track's start when within the first second of a track, else the current
    // track's start. While playing, play goes on from there to the end of the
    // disc, with a notice when `notify`.
    void nextTrack(bool notify = true);
    void previousTrack(bool notify = true);

    int trackCount() const { return toc().trackCount(); }
    // Track n at 0:00:00 as a position; track 0 for a track the disc lacks.
    Tmsf trackStart(int track) const;
    // Frames of track n; 0 for a track the disc lacks.
    int trackFrames(int track) const { return toc().trackFrames(track); }
    DiscNumbers discNumbers() const { return DiscNumbers::of(toc()); }

Q_SIGNALS:
    void notify(hv::CdDevice::Result result);
    // The mode or the disc changed (not every frame of play).
    void changed();

protected:
    // The bookkeeping of notices, the same for every backend, called on the
    // thread this object lives on.
    // Before a command acts: settles the notice a play still owes, Superseded
    // when the new command is a play that asks for a notice, else Aborted.
    void replacePendingNotice(bool nextIsPlay, bool nextNotifies);
    // A play that asks for a notice owes one until it ends or is replaced.
    void owePlayNotice(bool notify) { m_playNoticeOwed = notify; }
    // The running play ended by itself: pays what it owes with `result`.
    void settlePlayNotice(Result result);
    // Queues notify(result).
    void postNotify(Result result);

private:
    bool m_playNoticeOwed = false;
};

// The device the player opens: $HORAVOX_CD_DEVICE when set and not empty,
// else the setting "CDForm"/"Device" (a drive path or a .cue file); empty for
// the first drive found.
QString chooseCdDevice(const QString& setting,
                       const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());

} // namespace hv
