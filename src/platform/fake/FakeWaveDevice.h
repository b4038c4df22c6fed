// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WaveDevice.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QStringList>

namespace hv {

// A wave device without audio: a sound is only a length. Opening an existing
// file gives it `fileLengthMs`; a recording gets `recordingMs` when it stops.
// save() writes a small marker file (through the same safe write as the real
// device would), unless `failSave` is set. Every call is noted in `calls`.
class FakeWaveDevice final : public WaveDevice
{
public:
    bool input = true;
    bool output = true;
    bool known = true; // devicesKnown(); set it and call devicesFound() to answer late
    qint64 fileLengthMs = 2000;
    qint64 recordingMs = 1500;
    bool failSave = false;
    QStringList calls; // "open <file>", "record", "stop", "save <file>", ...

    bool canRecord() const override { return known && input; }
    bool canPlay() const override { return known && output; }
    bool devicesKnown() const override { return known; }
    void devicesFound()
    {
        known = true;
        Q_EMIT devicesChanged();
    }

    bool open(const QString& file) override
    {
        calls.append(QStringLiteral("open ") + file);
        if (!file.isEmpty() && !QFileInfo(file).isFile()) {
            m_error = QStringLiteral("The file cannot be opened.");
            setMode(Mode::NotReady);
            return false;
        }
        m_file = file;
        m_lengthMs = file.isEmpty() ? 0 : fileLengthMs;
        setMode(Mode::Stopped);
        return true;
    }
    void close() override
    {
        calls.append(QStringLiteral("close"));
        m_file.clear();
        m_lengthMs = 0;
        setMode(Mode::NotReady);
    }
    QString fileName() const override { return m_file; }

    bool play() override
    {
        calls.append(QStringLiteral("play"));
        if (!canPlay() || m_mode == Mode::NotReady)
            return false;
        setMode(Mode::Playing);
        return true;
    }
    bool record() override
    {
        calls.append(QStringLiteral("record"));
        if (!canRecord() || m_mode == Mode::NotReady)
            return false;
        setMode(Mode::Recording);
        return true;
    }
    bool stop() override
    {
        calls.append(QStringLiteral("stop"));
        if (m_mode == Mode::Recording)
            m_lengthMs = recordingMs;
        if (m_mode != Mode::NotReady)
            setMode(Mode::Stopped);
        return true;
    }
    void seekToStart() override { calls.append(QStringLiteral("seek")); }

    bool save(const QString& file) override
    {
        calls.append(QStringLiteral("save ") + file);
        QFile out(file);
        if (failSave || !out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            m_error = QStringLiteral("The file cannot be written.");
            return false;
        }
        out.write("fake wave " + QByteArray::number(m_lengthMs));
        m_file = file;
        return true;
    }

    Mode mode() const override { return m_mode; }
    // A recording under way is as long as it will be when it stops.
    qint64 lengthMs() const override { return m_mode == Mode::Recording ? recordingMs : m_lengthMs; }
    qint64 positionMs() const override { return 0; }
    qreal takeLevel() override { return m_mode == Mode::Recording || m_mode == Mode::Playing ? 0.5 : 0; }
    QString errorText() const override { return m_error; }

    // Ends playing as the real device does: completed() comes queued.
    void finishPlaying()
    {
        setMode(Mode::Stopped);
        QMetaObject::invokeMethod(this, &WaveDevice::completed, Qt::QueuedConnection);
    }

private:
    void setMode(Mode mode)
    {
        if (mode == m_mode)
            return;
        m_mode = mode;
        Q_EMIT modeChanged(mode);
    }

    QString m_file;
    qint64 m_lengthMs = 0;
    Mode m_mode = Mode::NotReady;
    QString m_error;
};

} // namespace hv
