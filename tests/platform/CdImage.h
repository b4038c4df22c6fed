// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Disc images made in the test: a .cue and the .bin of the same name beside it
// (the image driver reads `<cue name>.bin`), holding tracks of sine tones.

#include "platform/CdDevice.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QtEndian>

#include <cmath>
#include <numbers>

namespace hv::test {

struct CdImageTrack
{
    int frames = 0;    // length in CD frames of 1/75 s
    double toneHz = 0; // the pitch of the tone it holds; 0 for silence
};

struct CdImage
{
    QString cuePath;
    QList<CdImageTrack> tracks;
    QByteArray pcm; // the whole .bin: 16-bit little-endian stereo at 44.1 kHz

    // The bytes of frames [from, to) counted from the start of track 1.
    QByteArray bytes(int from, int to) const
    {
        return pcm.mid(qsizetype(from) * kCdBytesPerFrame, qsizetype(to - from) * kCdBytesPerFrame);
    }
    // Where track n (1-based) starts, in frames from the start of track 1.
    int trackStart(int track) const
    {
        int at = 0;
        for (int i = 1; i < track; ++i)
            at += tracks[i - 1].frames;
        return at;
    }
};

inline QString cdImageMsf(int frames)
{
    return QStringLiteral("%1:%2:%3")
        .arg(frames / (60 * kCdFramesPerSecond), 2, 10, QLatin1Char('0'))
        .arg(frames / kCdFramesPerSecond % 60, 2, 10, QLatin1Char('0'))
        .arg(frames % kCdFramesPerSecond, 2, 10, QLatin1Char('0'));
}

// Writes <dir>/<name>.cue and <dir>/<name>.bin.
inline CdImage writeCdImage(const QString& dir, const QString& name, const QList<CdImageTrack>& tracks)
{
    CdImage image;
    image.cuePath = QDir(dir).filePath(name + QStringLiteral(".cue"));
    image.tracks = tracks;
    QString cue = QStringLiteral("FILE \"%1.bin\" BINARY\n").arg(name);
    int at = 0;
    qint64 sample = 0;
    for (int t = 0; t < tracks.size(); ++t) {
        cue += QStringLiteral("  TRACK %1 AUDIO\n    INDEX 01 %2\n")
                   .arg(t + 1, 2, 10, QLatin1Char('0'))
                   .arg(cdImageMsf(at));
        at += tracks[t].frames;
        const qint64 samples = qint64(tracks[t].frames) * kCdSamplesPerFrame;
        const qsizetype base = image.pcm.size();
        image.pcm.resize(base + samples * 4);
        for (qint64 i = 0; i < samples; ++i, ++sample) {
            const double phase = 2 * std::numbers::pi * tracks[t].toneHz * double(sample) / kCdSampleRate;
            const qint16 value = qint16(std::lround(12000 * std::sin(phase)));
            qToLittleEndian(value, image.pcm.data() + base + i * 4);
            qToLittleEndian(value, image.pcm.data() + base + i * 4 + 2);
        }
    }
    QFile cueFile(image.cuePath);
    QFile binFile(QDir(dir).filePath(name + QStringLiteral(".bin")));
    if (!cueFile.open(QIODevice::WriteOnly) || !binFile.open(QIODevice::WriteOnly))
        return {};
    cueFile.write(cue.toLatin1());
    binFile.write(image.pcm);
    return image;
}

// Three tracks of distinct pitch: 4 s 10 f of 440 Hz, 3 s of 880 Hz and
// 5 s 20 f of 1320 Hz; 12 s 30 f in all.
inline QList<CdImageTrack> threeToneTracks()
{
    return {{4 * kCdFramesPerSecond + 10, 440.0},
            {3 * kCdFramesPerSecond, 880.0},
            {5 * kCdFramesPerSecond + 20, 1320.0}};
}

// 42 tracks of half a second each, their pitch rising with the track number.
inline QList<CdImageTrack> fortyTwoTracks()
{
    QList<CdImageTrack> tracks;
    for (int t = 1; t <= 42; ++t)
        tracks.append({kCdFramesPerSecond / 2, 200.0 + 20.0 * t});
    return tracks;
}

} // namespace hv::test
