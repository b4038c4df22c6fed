// SPDX-License-Identifier: GPL-3.0-or-later
#include "WordSounds.h"

#include "common/AtomicFile.h"
#include "platform/Riff.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <array>
#include <climits>

namespace hv {

namespace {

// A word longer than a few seconds is no word; this keeps a stray large file
// in the voice folder from being held in memory.
constexpr qint64 kMaxUserWordBytes = 8 * 1024 * 1024;

constexpr std::array<QLatin1String, 25> kWordSuffixes{
    QLatin1String("0"),      QLatin1String("1"),  QLatin1String("2"),  QLatin1String("3"),
    QLatin1String("4"),      QLatin1String("5"),  QLatin1String("6"),  QLatin1String("7"),
    QLatin1String("8"),      QLatin1String("9"),  QLatin1String("10"), QLatin1String("11"),
    QLatin1String("12"),     QLatin1String("13"), QLatin1String("14"), QLatin1String("15"),
    QLatin1String("16"),     QLatin1String("17"), QLatin1String("18"), QLatin1String("19"),
    QLatin1String("20"),     QLatin1String("30"), QLatin1String("40"), QLatin1String("50"),
    QLatin1String("OCLOCK"),
};

constexpr QLatin1String kPrefix("WAVEFILE_");

bool isWordName(QStringView upperName)
{
    if (!upperName.startsWith(kPrefix))
        return false;
    const QStringView suffix = upperName.mid(kPrefix.size());
    for (const QLatin1String known : kWordSuffixes) {
        if (suffix == known)
            return true;
    }
    return false;
}

quint32 le32(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.data() + at);
}

quint16 le16(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<quint16>(bytes.data() + at);
}

} // namespace

std::optional<WaveInfo> readWaveInfo(QByteArrayView image)
{
    constexpr qint64 kMinFormat = 16;
    const auto readAt = [image](qint64 offset, qint64 length) {
        return offset >= image.size()
                   ? QByteArray()
                   : image.sliced(offset, std::min<qint64>(length, image.size() - offset)).toByteArray();
    };

    std::optional<WaveInfo> info;
    bool bad = false;
    bool complete = false;
    riff::walkChunks(image.size(), "WAVE", readAt, [&](const riff::Chunk& chunk) {
        const qint64 left = image.size() - chunk.body;
        if (chunk.id == "fmt ") {
            if (chunk.size < kMinFormat || chunk.size > left) {
                bad = true;
                return false;
            }
            WaveInfo format;
            format.formatTag = le16(image, chunk.body);
            format.channels = le16(image, chunk.body + 2);
            format.sampleRate = static_cast<int>(qMin<quint32>(le32(image, chunk.body + 4), INT_MAX));
            format.bitsPerSample = le16(image, chunk.body + 14);
            const bool knownFormat =
                format.formatTag == 1 || format.formatTag == 3 || format.formatTag == 0xFFFE;
            if (!knownFormat || format.channels == 0 || format.sampleRate == 0 || format.bitsPerSample == 0) {
                bad = true;
                return false;
            }
            info = format;
        } else if (chunk.id == "data") {
            // A format chunk must come first; a data chunk that claims more
            // than is there is a file cut short.
            if (!info || chunk.size == 0 || chunk.size > left) {
                bad = true;
                return false;
            }
            info->dataSize = static_cast<qsizetype>(chunk.size);
            complete = true;
            return false;
        }
        return true;
    });
    if (bad || !complete)
        return std::nullopt;
    return info;
}

qint64 waveMilliseconds(const WaveInfo& info)
{
    // 64 bits throughout: bytes times 1000 overflow 32 bits past 2 MiB.
    const qint64 bytesPerFrame = qint64{info.channels} * ((qint64{info.bitsPerSample} + 7) / 8);
    if (bytesPerFrame <= 0 || info.sampleRate <= 0)
        return 0;
    const qint64 frames = qint64{info.dataSize} / bytesPerFrame;
    return frames * 1000 / info.sampleRate;
}

bool isWordLength(const WaveInfo& info)
{
    return info.sampleRate >= kMinWordSampleRate && waveMilliseconds(info) <= kMaxWordMilliseconds;
}

WordSounds::WordSounds(QString userVoiceDir)
    : m_userVoiceDir(std::move(userVoiceDir))
{}

QByteArray WordSounds::word(QStringView resourceName) const
{
    const QString upperName = resourceName.toString().toUpper();
    if (const auto found = m_words.constFind(upperName); found != m_words.cend())
        return found.value();
    if (!isWordName(upperName))
        return {};
    QByteArray image = load(upperName);
    m_words.insert(upperName, image);
    return image;
}

QByteArray WordSounds::load(const QString& upperName) const
{
    if (!m_userFiles)
        listUserFolder();
    if (const auto user = m_userFiles->constFind(upperName); user != m_userFiles->cend()) {
        QString problem;
        // A regular file only, and no more of it than a word can need: a FIFO
        // would block the voice, a link to a device would never end.
        const std::optional<QByteArray> image = readRegularFile(user.value(), kMaxUserWordBytes, &problem);
        if (image) {
            const std::optional<WaveInfo> info = readWaveInfo(*image);
            if (!info)
                problem = QStringLiteral("not a playable wave file");
            else if (!isWordLength(*info))
                problem = QStringLiteral("longer than %1 s or below %2 Hz")
                              .arg(kMaxWordMilliseconds / 1000)
                              .arg(kMinWordSampleRate);
            else
                return *image;
        }
        qWarning("horavox: %s: %s; the built-in word is spoken instead",
                 qPrintable(QDir::toNativeSeparators(user.value())), qPrintable(problem));
    }
    QFile builtIn(QStringLiteral(":/voice/%1.wav").arg(upperName));
    if (!builtIn.open(QIODevice::ReadOnly))
        return {};
    return builtIn.readAll();
}

void WordSounds::listUserFolder() const
{
    m_userFiles.emplace();
    if (m_userVoiceDir.isEmpty())
        return;
    const QDir dir(m_userVoiceDir);
    const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (entry.suffix().compare(QLatin1String("wav"), Qt::CaseInsensitive) != 0)
            continue;
        const QString upperName = entry.completeBaseName().toUpper();
        // Two files for one word ("five.wav" and "FIVE.wav" on a case-sensitive
        // file system): the first in name order wins, so the choice is stable.
        if (isWordName(upperName) && !m_userFiles->contains(upperName))
            m_userFiles->insert(upperName, entry.filePath());
    }
}

} // namespace hv
