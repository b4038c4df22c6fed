// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/CdDevice.h"

#include <QElapsedTimer>
#include <QTimer>

#include <memory>

namespace hv {

class CdAudioSink;
class CdPcmStream;
class CdioReader;

// CdDevice on libcdio: a drive, read digitally with paranoia, or a .cue image
// (libcdio's image driver, which reads the .bin beside the .cue of the same
// name). The audio is played here, through a CdAudioSink, rather than by the
// drive's own analog play: so images play too, and playback ends with the
// program, where a drive's analog play would go on after it.
//
// All I/O on the disc (opening, the table of contents, reading, ejecting) runs
// on a reader thread of its own; mode(), toc() and position() answer from state
// kept on this object's thread, so the tick never waits for a drive. The
// position while playing is the start of the play plus the frames the sink has
// taken minus those it still buffers.
//
// An image has a simulated door: eject() opens it (mode Open) until eject()
// again or open() chooses a device again. A drive reports NotReady until its
// table of contents has been read (spinning up, no disc) and is asked again
// every two seconds while it is not ready.
class LibcdioCdDevice final : public CdDevice
{
    Q_OBJECT

public:
    explicit LibcdioCdDevice(std::unique_ptr<CdAudioSink> sink, QObject* parent = nullptr);
    ~LibcdioCdDevice() override;

    bool open(const QString& device) override;
    void close() override;
    QString errorString() const override { return m_error; }

    Mode mode() const override;
    CdToc toc() const override { return isReady() ? m_toc : CdToc{}; }
    Tmsf position() const override;

    void play(std::optional<Tmsf> from, std::optional<Tmsf> to, bool notify = true) override;
    void stop(bool notify = false) override;
    void pause(bool notify = false) override;
    void seek(Tmsf position, bool notify = false) override;
    void eject() override;

    // The path open() chose: the device given, or the first drive found.
    QString devicePath() const { return m_path; }
    // The first drive on this computer; empty when there is none.
    static QString firstDrive();

private:
    enum class Disc
    {
        None,    // nothing open
        Reading, // the table of contents is being read
        Ready,
        Missing, // no disc, or it could not be read
        TrayOpen
    };

    bool isReady() const { return m_disc == Disc::Ready && !m_doorOpen; }
    int currentFrame() const;
    int heardFrames() const;
    void startReading(int from, int to);
    void haltPlayback(int atFrame);
    void onTocRead(const QString& path, const hv::CdToc& toc, bool trayOpen, const QString& error);
    void onReadFailed(int generation);
    void checkPlayback();
    void retryWhenNotReady();

    std::unique_ptr<CdAudioSink> m_sink;
    std::unique_ptr<CdPcmStream> m_stream;
    std::unique_ptr<CdioReader> m_reader;
    QTimer m_playbackTimer; // ends a play once its last frame was heard
    QTimer m_retryTimer;    // asks a drive that is not ready again

    QString m_path;
    bool m_isImage = false;
    bool m_doorOpen = false; // the simulated door of an image
    Disc m_disc = Disc::None;
    CdToc m_toc;
    QString m_error;

    Mode m_state = Mode::Stopped; // Stopped, Playing or Paused while ready
    int m_frame = 0;              // the position when not playing
    int m_playStart = 0;
    int m_playEnd = 0;
    int m_generation = 0;
    bool m_readFailed = false;
    bool m_silent = false;   // no sound output: time is kept by a timer
    QElapsedTimer m_elapsed; // only when silent
};

} // namespace hv
