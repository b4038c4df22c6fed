// SPDX-License-Identifier: GPL-3.0-or-later
#include "DiscCatalogue.h"

#include "common/AtomicFile.h"
#include "common/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace hv {

namespace {

constexpr qint64 kRecordSize = DiscRecord::kSize;
constexpr std::size_t kNamesAt = 12;
constexpr std::size_t kNameStride = FixedString<kDiscNameLength>::kStoredSize; // 51
constexpr std::size_t kReservedAt = kNamesAt + kNameStride * (DiscRecord::kNamedTracks + 1);
constexpr std::size_t kPlayListAt = kReservedAt + 1;
static_assert(kReservedAt == 2103);
static_assert(kPlayListAt + 4 * DiscRecord::kPlayListSize == DiscRecord::kSize);

const QString kFileName = QStringLiteral("CDNAME32.REC");

// What keeps the file at `path` from being written in place, in words for the
// user; empty when nothing is known to. A file whose permissions grant no one
// a write is read-only by intent, for root too, as a read-only attribute is.
QString unwritableReason(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("it is a folder");
    if (!info.isFile())
        return QStringLiteral("it is not a regular file");
    constexpr auto anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (!(info.permissions() & anyWrite))
        return QStringLiteral("the file is read-only");
    return {};
}

QString failureReason(const QFile& file, int errorNumber)
{
    const QString reason = writeFailureReason(errorNumber, file.error());
    return reason.isEmpty() ? file.errorString() : reason;
}

QString keptInMemory()
{
    return QStringLiteral(" The names of this disc are kept only while Horavox runs.");
}

} // namespace

QString untitledTrackName(int track)
{
    return QStringLiteral("Untitled %1").arg(track).left(kDiscNameLength);
}

DiscRecord DiscRecord::newFor(const DiscNumbers& disc)
{
    DiscRecord record;
    record.trackCount = disc.trackCount;
    record.firstTrackLength = static_cast<std::int32_t>(disc.firstTrackLength);
    record.discLength = static_cast<std::int32_t>(disc.discLength);
    record.setDiscName(QStringLiteral("Unknown"));
    for (int k = 1; k <= std::min(disc.trackCount, kNamedTracks); ++k)
        record.names[static_cast<std::size_t>(k)].setText(untitledTrackName(k));
    return record;
}

bool DiscRecord::matches(const DiscNumbers& disc) const
{
    return discLength == static_cast<std::int32_t>(disc.discLength) &&
           firstTrackLength == static_cast<std::int32_t>(disc.firstTrackLength) &&
           trackCount == disc.trackCount;
}

QString DiscRecord::trackName(int track) const
{
    if (track < 1 || track > trackCount)
        return {};
    if (track > kNamedTracks)
        return untitledTrackName(track);
    return names[static_cast<std::size_t>(track)].text();
}

bool DiscRecord::setTrackName(int track, const QString& name)
{
    if (track < 1 || track > kNamedTracks)
        return false;
    names[static_cast<std::size_t>(track)].setText(name);
    return true;
}

QByteArray DiscRecord::toBytes() const
{
    QByteArray out(static_cast<qsizetype>(kSize), '\0');
    auto* bytes = reinterpret_cast<std::uint8_t*>(out.data());
    qToLittleEndian(trackCount, bytes);
    qToLittleEndian(firstTrackLength, bytes + 4);
    qToLittleEndian(discLength, bytes + 8);
    for (std::size_t k = 0; k < names.size(); ++k)
        std::ranges::copy(names[k].bytes(), bytes + kNamesAt + kNameStride * k);
    bytes[kReservedAt] = reserved;
    for (std::size_t i = 0; i < playList.size(); ++i)
        qToLittleEndian(playList[i], bytes + kPlayListAt + 4 * i);
    return out;
}

DiscRecord DiscRecord::fromBytes(std::span<const std::uint8_t, kSize> bytes)
{
    DiscRecord record;
    record.trackCount = qFromLittleEndian<std::int32_t>(bytes.data());
    record.firstTrackLength = qFromLittleEndian<std::int32_t>(bytes.data() + 4);
    record.discLength = qFromLittleEndian<std::int32_t>(bytes.data() + 8);
    for (std::size_t k = 0; k < record.names.size(); ++k)
        record.names[k].setBytes(bytes.subspan(kNamesAt + kNameStride * k).first<kNameStride>());
    record.reserved = bytes[kReservedAt];
    for (std::size_t i = 0; i < record.playList.size(); ++i)
        record.playList[i] = qFromLittleEndian<std::int32_t>(bytes.data() + kPlayListAt + 4 * i);
    return record;
}

DiscCatalogue::DiscCatalogue(QString dataDir)
    : m_dataDir(std::move(dataDir))
{}

QString DiscCatalogue::path() const
{
    const QDir dir(m_dataDir);
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    if (entries.contains(kFileName))
        return dir.filePath(kFileName);
    for (const QString& entry : entries) {
        if (entry.compare(kFileName, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    }
    return dir.filePath(kFileName);
}

bool DiscCatalogue::findOrAdd(const DiscNumbers& disc)
{
    m_current = DiscRecord();
    m_position = kNoPosition;
    const QString file = path();
    const QFileInfo info(file);
    // A link that leads nowhere counts as there, so that it is not made into a file.
    if (!info.exists() && !info.isSymLink()) {
        QFile created(file);
        // NewOnly: a file that appeared meanwhile is never truncated.
        if (!QDir().mkpath(info.absolutePath()) || !created.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            m_current = DiscRecord::newFor(disc);
            report(Problem::Write,
                   Error::unableToWrite(QDir::toNativeSeparators(file), failureReason(created, errno))
                           .message() +
                       keptInMemory());
            return false;
        }
    }

    QFile catalogue(file);
    QString problem;
    if (!openRegularFile(catalogue, &problem)) {
        m_current = DiscRecord::newFor(disc);
        report(Problem::Read, QStringLiteral("The disc catalogue %1 could not be read (%2).")
                                      .arg(QDir::toNativeSeparators(file), problem) +
                                  keptInMemory());
        return false;
    }
    std::array<std::uint8_t, DiscRecord::kSize> scan;
    qint64 record = 0;
    for (;; ++record) {
        const qint64 got = catalogue.read(reinterpret_cast<char*>(scan.data()), kRecordSize);
        if (got < 0) {
            m_current = DiscRecord::newFor(disc);
            report(Problem::Read, QStringLiteral("The disc catalogue %1 could not be read (%2).")
                                          .arg(QDir::toNativeSeparators(file), catalogue.errorString()) +
                                      keptInMemory());
            return false;
        }
        if (got < kRecordSize)
            break; // the end, or a partial record that is no disc
        // The three numbers are all that is compared; the rest is read on a match.
        const std::span<const std::uint8_t, DiscRecord::kSize> bytes(scan);
        if (qFromLittleEndian<std::int32_t>(bytes.data() + 8) == static_cast<std::int32_t>(disc.discLength) &&
            qFromLittleEndian<std::int32_t>(bytes.data() + 4) ==
                static_cast<std::int32_t>(disc.firstTrackLength) &&
            qFromLittleEndian<std::int32_t>(bytes.data()) == disc.trackCount) {
            m_current = DiscRecord::fromBytes(bytes);
            m_position = record;
            cleared(Problem::Read);
            return true;
        }
    }
    catalogue.close();
    cleared(Problem::Read);

    // Not in the file: the new record goes after the last whole record.
    m_current = DiscRecord::newFor(disc);
    if (!appendOrWrite(file, record))
        return false;
    m_position = record;
    return true;
}

bool DiscCatalogue::save()
{
    if (m_current.isBlank())
        return true;
    const QString file = path();
    const qint64 whole = QFileInfo(file).size() / kRecordSize;
    const qint64 record = m_position >= 0 && m_position < whole ? m_position : whole;
    if (!appendOrWrite(file, record))
        return false;
    m_position = record;
    return true;
}

bool DiscCatalogue::appendOrWrite(const QString& file, qint64 record)
{
    const QString native = QDir::toNativeSeparators(file);
    if (const QString reason = unwritableReason(file); !reason.isEmpty()) {
        report(Problem::Write, Error::unableToWrite(native, reason).message() + keptInMemory());
        return false;
    }
    // ExistingOnly: a file that went away meanwhile is not created again here.
    QFile catalogue(file);
    const QByteArray bytes = m_current.toBytes();
    errno = 0;
    const bool written = catalogue.open(QIODevice::ReadWrite | QIODevice::ExistingOnly) &&
                         catalogue.seek(record * kRecordSize) && catalogue.write(bytes) == bytes.size() &&
                         catalogue.flush();
    const int errorNumber = errno;
    if (!written) {
        report(Problem::Write, Error::unableToWrite(native, failureReason(catalogue, errorNumber)).message() +
                                   keptInMemory());
        return false;
    }
    catalogue.close();
    cleared(Problem::Write);
    return true;
}

void DiscCatalogue::report(Problem kind, const QString& message)
{
    if (!m_reported.insert(kind).second)
        return;
    if (!m_pending.isEmpty())
        m_pending += u'\n';
    m_pending += message;
}

QString DiscCatalogue::takeProblem()
{
    return std::exchange(m_pending, QString());
}

} // namespace hv
