// SPDX-License-Identifier: GPL-3.0-or-later
#include "AlarmFile.h"

#include "common/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cstring>

namespace hv {

namespace {

constexpr qint64 kRecordSize = AlarmRecord::kSize;

// NewOnly: a file that appeared meanwhile is never truncated.
bool createEmptyFile(const QString& path)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) &&
           file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
}

QString alarmsRead(int count)
{
    if (count == 0)
        return QStringLiteral("No alarms");
    return count == 1 ? QStringLiteral("1 alarm") : QStringLiteral("%1 alarms").arg(count);
}

AlarmFileLoad damagedLoad(int recordsRead, QString message)
{
    return {recordsRead, true, std::move(message)};
}

struct ReadOutcome
{
    int records = 0;
    QString problem; // what stopped the reading early, for the user; empty for a clean end
};

// Reads whole records into slots 1, 2, ... until the end of the file or the
// 50th slot. Bytes past the 50th slot are damage too: the next save, which
// writes 50 slots, would drop them.
ReadOutcome readRecords(QFile& file, AlarmTable& table)
{
    ReadOutcome outcome;
    // One byte past the slots is enough to tell a longer file.
    const QByteArray bytes = file.read(static_cast<qint64>(kAlarmFileSize) + 1);
    if (file.error() != QFileDevice::NoError)
        outcome.problem = QStringLiteral("could not be read completely (%1)").arg(file.errorString());
    const qsizetype whole = std::min<qsizetype>(bytes.size() / kRecordSize, AlarmTable::kSlots);
    std::array<std::uint8_t, AlarmRecord::kSize> record;
    for (qsizetype n = 0; n < whole; ++n) {
        std::memcpy(record.data(), bytes.constData() + n * kRecordSize, record.size());
        table.slot(++outcome.records) = AlarmRecord::fromBytes(record);
    }
    if (!outcome.problem.isEmpty())
        return outcome;
    if (bytes.size() > static_cast<qsizetype>(kAlarmFileSize))
        outcome.problem = QStringLiteral("holds more than %1 alarms").arg(AlarmTable::kSlots);
    else if (bytes.size() % kRecordSize != 0)
        outcome.problem = QStringLiteral("ends part way through an alarm");
    return outcome;
}

// The next save replaces a damaged file with what could be read of it; keep
// the old bytes beside it so that nothing is lost for good. Returns the
// sentence that tells the user where the copy is, or nothing. Only a regular
// file is copied: a FIFO or a device would block the copy or never end it.
QString keepDamagedCopy(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return {};
    const QString copy = path + QStringLiteral(".damaged");
    QFile::remove(copy);
    if (!QFile::copy(path, copy))
        return {};
    return QStringLiteral(" A copy of the file as it was is kept as %1.").arg(QDir::toNativeSeparators(copy));
}

} // namespace

AlarmFileLoad loadAlarmFile(const QString& path, AlarmTable& table)
{
    table = AlarmTable();
    QFile file(path);
    // A link that leads nowhere counts as there, so that it is not made into a file.
    if (!file.exists() && !QFileInfo(path).isSymLink()) {
        createEmptyFile(path);
        return {};
    }
    QString problem;
    if (!openRegularFile(file, &problem)) {
        return damagedLoad(0,
                           QStringLiteral("The alarm file %1 could not be opened (%2). No alarms were read; "
                                          "the file will be replaced the next time the alarms are saved.")
                                   .arg(QDir::toNativeSeparators(path), problem) +
                               keepDamagedCopy(path));
    }
    const ReadOutcome read = readRecords(file, table);
    table.sort();
    if (read.problem.isEmpty())
        return {read.records, false, {}};
    return damagedLoad(
        read.records,
        QStringLiteral("The alarm file %1 %2. %3 could be read from it; the rest "
                       "will be dropped the next time the alarms are saved.")
                .arg(QDir::toNativeSeparators(path), read.problem, alarmsRead(table.usedCount())) +
            keepDamagedCopy(path));
}

AlarmFileLoad readAlarmFile(const QString& path, AlarmTable& table)
{
    table = AlarmTable();
    QFile file(path);
    if (!file.exists())
        return {};
    QString problem;
    if (!openRegularFile(file, &problem)) {
        return damagedLoad(0,
                           QStringLiteral("The alarm file %1 could not be opened (%2). No alarms were read.")
                               .arg(QDir::toNativeSeparators(path), problem));
    }
    const ReadOutcome read = readRecords(file, table);
    table.sort();
    if (read.problem.isEmpty())
        return {read.records, false, {}};
    return damagedLoad(read.records,
                       QStringLiteral("The alarm file %1 %2. %3 could be read from it.")
                           .arg(QDir::toNativeSeparators(path), read.problem, alarmsRead(table.usedCount())));
}

void saveAlarmFile(const QString& path, const AlarmTable& table)
{
    QByteArray content;
    content.reserve(static_cast<qsizetype>(kAlarmFileSize));
    for (int n = 1; n <= AlarmTable::kSlots; ++n)
        content += table.slot(n).toBytes();
    writeFileAtomically(path, content);
}

} // namespace hv
