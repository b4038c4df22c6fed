// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/CdDevice.h"
#include "platform/Clock.h"

#include <QStringList>

#include <cmath>

namespace hv {

// A CD device for tests: a disc made of a table of contents, played by moving
// a position. Time passes by advanceFrames()/advanceMs(), or, with a clock,
// by that clock: every call first catches up with the time the clock moved
// since the last one. Commands are logged in `commands` as text
// ("play 3:00:00:00 4:00:00:00 notify", "play - -", "stop", "seek 1:00:00:00",
// "pause", "eject", "open <device>", "close").
class FakeCdDevice final : public CdDevice
{
public:
    explicit FakeCdDevice(const Clock* clock = nullptr, QObject* parent = nullptr)
        : CdDevice(parent)
        , m_clock(clock)
    {
        if (m_clock)
            m_lastNow = m_clock->now();
    }

    // A disc of tracks of these lengths in frames, starting after the usual
    // 2-second lead-in; the device is stopped at its start.
    static CdToc tocOfLengths(const QList<int>& trackFrames)
    {
        CdToc toc;
        int at = 2 * kCdFramesPerSecond;
        for (int frames : trackFrames) {
            toc.trackStarts.append(at);
            at += frames;
        }
        toc.leadOut = at;
        return toc;
    }

    QStringList commands;
    bool openFails = false; // open() refuses, as with no device at all

    // Puts a disc in (the door closes); stopped at its start.
    void insertDisc(const CdToc& toc)
    {
        sync();
        m_toc = toc;
        m_doorOpen = false;
        m_state = Mode::Stopped;
        m_frame = toc.trackStarts.value(0);
        Q_EMIT changed();
    }
    // Takes the disc out with the door left shut: NotReady.
    void removeDisc()
    {
        sync();
        replacePendingNotice(false, false);
        m_toc = {};
        m_state = Mode::Stopped;
        Q_EMIT changed();
    }
    // A drive that spins up answers NotReady meanwhile.
    void setSpinningUp(bool spinning)
    {
        m_spinningUp = spinning;
        Q_EMIT changed();
    }
    // Plays on by this many frames (a play that reaches its end stops there).
    void advanceFrames(int frames)
    {
        if (m_state != Mode::Playing || frames <= 0)
            return;
        if (m_frame + frames < m_end) {
            m_frame += frames;
            return;
        }
        m_frame = m_end;
        m_state = Mode::Stopped;
        settlePlayNotice(Result::Successful);
        Q_EMIT changed();
    }
    void advanceMs(qint64 ms) { advanceFrames(int(ms * kCdFramesPerSecond / 1000)); }
    // Where the head is, in absolute frames of the table of contents.
    int absoluteFrame() const { return m_frame; }
    int endFrame() const { return m_end; }

    bool open(const QString& device) override
    {
        sync();
        commands.append(QStringLiteral("open ") + device);
        if (openFails) {
            m_error = QStringLiteral("No CD audio device.");
            return false;
        }
        m_doorOpen = false;
        return true;
    }
    void close() override
    {
        sync();
        commands.append(QStringLiteral("close"));
        replacePendingNotice(false, false);
        m_state = Mode::Stopped;
    }
    QString errorString() const override { return m_error; }

    Mode mode() const override
    {
        sync();
        if (m_doorOpen)
            return Mode::Open;
        if (m_spinningUp || !m_toc.isValid())
            return Mode::NotReady;
        return m_state;
    }
    CdToc toc() const override
    {
        sync();
        return m_doorOpen || m_spinningUp ? CdToc{} : m_toc;
    }
    Tmsf position() const override
    {
        sync();
        if (mode() == Mode::NotReady || mode() == Mode::Open)
            return {};
        return m_toc.position(m_frame);
    }

    void play(std::optional<Tmsf> from, std::optional<Tmsf> to, bool notify = true) override
    {
        sync();
        commands.append(QStringLiteral("play %1 %2%3")
                            .arg(text(from), text(to), notify ? QStringLiteral(" notify") : QString()));
        replacePendingNotice(true, notify);
        if (!ready()) {
            if (notify)
                postNotify(Result::Failure);
            return;
        }
        if (from)
            m_frame = m_toc.absoluteFrame(*from);
        m_end = to ? m_toc.absoluteFrame(*to) : m_toc.leadOut;
        if (m_end <= m_frame) {
            // Nothing to play: done at once.
            m_state = Mode::Stopped;
            if (notify)
                postNotify(Result::Successful);
            Q_EMIT changed();
            return;
        }
        m_state = Mode::Playing;
        owePlayNotice(notify);
        Q_EMIT changed();
    }
    void stop(bool notify = false) override
    {
        sync();
        commands.append(QStringLiteral("stop"));
        replacePendingNotice(false, notify);
        if (ready())
            m_state = Mode::Stopped;
        if (notify)
            postNotify(ready() ? Result::Successful : Result::Failure);
        Q_EMIT changed();
    }
    void pause(bool notify = false) override
    {
        sync();
        commands.append(QStringLiteral("pause"));
        replacePendingNotice(false, notify);
        if (ready() && m_state == Mode::Playing)
            m_state = Mode::Paused;
        if (notify)
            postNotify(ready() ? Result::Successful : Result::Failure);
        Q_EMIT changed();
    }
    void seek(Tmsf to, bool notify = false) override
    {
        sync();
        commands.append(QStringLiteral("seek ") + text(to));
        replacePendingNotice(false, notify);
        if (ready()) {
            m_state = Mode::Stopped;
            m_frame = m_toc.absoluteFrame(to);
        }
        if (notify)
            postNotify(ready() ? Result::Successful : Result::Failure);
        Q_EMIT changed();
    }
    void eject() override
    {
        sync();
        commands.append(QStringLiteral("eject"));
        replacePendingNotice(false, false);
        m_doorOpen = !m_doorOpen;
        m_state = Mode::Stopped;
        if (!m_doorOpen)
            m_frame = m_toc.trackStarts.value(0);
        Q_EMIT changed();
    }

    static QString text(std::optional<Tmsf> at)
    {
        if (!at)
            return QStringLiteral("-");
        return QStringLiteral("%1:%2:%3:%4")
            .arg(at->track)
            .arg(at->minutes, 2, 10, QLatin1Char('0'))
            .arg(at->seconds, 2, 10, QLatin1Char('0'))
            .arg(at->frames, 2, 10, QLatin1Char('0'));
    }

private:
    bool ready() const { return !m_doorOpen && !m_spinningUp && m_toc.isValid(); }

    // Catches up with the clock: queries are const to callers, but time runs.
    void sync() const
    {
        if (!m_clock)
            return;
        const DateTime now = m_clock->now();
        const double frames = std::floor((now - m_lastNow) * kSecondsPerDay * kCdFramesPerSecond + 0.5);
        if (frames <= 0)
            return;
        m_lastNow = now;
        const_cast<FakeCdDevice*>(this)->advanceFrames(int(frames));
    }

    const Clock* m_clock;
    mutable DateTime m_lastNow = 0;
    CdToc m_toc;
    Mode m_state = Mode::Stopped;
    bool m_doorOpen = false;
    bool m_spinningUp = false;
    int m_frame = 0;
    int m_end = 0;
    QString m_error;
};

} // namespace hv
