// SPDX-License-Identifier: GPL-3.0-or-later
#include "RateList.h"

#include "common/AtomicFile.h"
#include "common/Cp1252.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace hv::rateList {

namespace {

const QString kFileName = QStringLiteral("Timeup.Rec");
// Far more than ten rates take; a larger file is not a rate list.
constexpr qint64 kMaxBytes = 1 << 20;

} // namespace

QString pathIn(const QString& dataDir)
{
    const QDir dir(dataDir);
    if (QFileInfo::exists(dir.filePath(kFileName)))
        return dir.filePath(kFileName);
    // The name filter matches without regard to case.
    const QStringList names = dir.entryList({kFileName}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (name.compare(kFileName, Qt::CaseInsensitive) == 0)
            return dir.filePath(name);
    }
    return dir.filePath(kFileName);
}

QStringList read(const QString& path)
{
    if (!QFileInfo::exists(path))
        return {QString::fromUtf16(kFirstEntry)};
    const std::optional<QByteArray> bytes = readRegularFile(path, kMaxBytes);
    if (!bytes)
        return {QString::fromUtf16(kFirstEntry)};
    QString text = cp1252::decode(*bytes);
    // A line ends at CR LF, and at a lone CR or LF that an editor left.
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(lineEnd);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the end of the last line, not an entry
    return lines;
}

bool addRate(QStringList& list, const QString& rate)
{
    if (list.contains(rate, Qt::CaseInsensitive))
        return false;
    if (list.size() > kKept - 1)
        list.removeAt(kKept - 1);
    list.prepend(rate);
    return true;
}

void write(const QString& path, const QStringList& list)
{
    QByteArray content;
    for (const QString& line : list)
        content += cp1252::encode(line) + "\r\n";
    writeFileAtomically(path, content);
}

} // namespace hv::rateList
