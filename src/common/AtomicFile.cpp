// SPDX-License-Identifier: GPL-3.0-or-later
#include "AtomicFile.h"

#include "Error.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace hv {

namespace {

// What the failed write met at `path`, looked at after the failure; `errorNumber`
// is errno as the failing call left it.
QString reasonAt(const QString& path, int errorNumber, QFileDevice::FileError error)
{
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("it is a folder");
    const QString folder = info.absolutePath();
    const QFileInfo folderInfo(folder);
    if (folderInfo.exists() && !folderInfo.isDir())
        return QStringLiteral("%1 is not a folder").arg(folder);
    const QString known = writeFailureReason(errorNumber, error);
    if (!known.isEmpty() && errorNumber != EACCES && errorNumber != EPERM)
        return known;
    // Permission: say which of the two refused. (root passes these checks.)
    if (folderInfo.exists() && ::access(QFile::encodeName(folder).constData(), W_OK) != 0)
        return QStringLiteral("the folder is read-only");
    if (info.exists() && ::access(QFile::encodeName(path).constData(), W_OK) != 0)
        return QStringLiteral("the file is read-only");
    return known;
}

} // namespace

bool openRegularFile(QFile& file, QString* problem)
{
    const auto fail = [problem](QString why) {
        if (problem)
            *problem = std::move(why);
        return false;
    };
    const QFileInfo info(file.fileName());
    if (!info.exists())
        return fail(QStringLiteral("no such file"));
    if (!info.isFile())
        return fail(info.isDir() ? QStringLiteral("a folder, not a file")
                                 : QStringLiteral("not a regular file"));
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    return true;
}

std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes, QString* problem)
{
    constexpr qint64 kMiB = 1024 * 1024;
    const QString tooLarge = maxBytes % kMiB == 0 ? QStringLiteral("larger than %1 MiB").arg(maxBytes / kMiB)
                                                  : QStringLiteral("larger than %1 bytes").arg(maxBytes);
    const auto fail = [problem](QString why) -> std::optional<QByteArray> {
        if (problem)
            *problem = std::move(why);
        return std::nullopt;
    };
    QFile file(path);
    if (!openRegularFile(file, problem))
        return std::nullopt;
    if (file.size() > maxBytes)
        return fail(tooLarge);
    // One byte more than allowed tells a file that grew past the bound.
    QByteArray content = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString());
    if (content.size() > maxBytes)
        return fail(tooLarge);
    return content;
}

QString writeFailureReason(int errorNumber, QFileDevice::FileError error)
{
    switch (errorNumber) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("the disk is full");
    case EROFS:
        return QStringLiteral("the disk is read-only");
    case EACCES:
    case EPERM:
        return QStringLiteral("permission denied");
    case EISDIR:
        return QStringLiteral("it is a folder");
    default:
        break;
    }
    // Qt reports a full disk as a resource error without always leaving errno.
    if (error == QFileDevice::ResourceError)
        return QStringLiteral("the disk is full");
    if (error == QFileDevice::PermissionsError)
        return QStringLiteral("permission denied");
    if (errorNumber != 0)
        return QString::fromLocal8Bit(std::strerror(errorNumber));
    return {};
}

void writeFileAtomically(const QString& path, const QByteArray& content)
{
    // QSaveFile writes through a symbolic link to the link's target: never
    // to a device or a FIFO that a link leads to, and never to a device here.
    // A FIFO or a socket in the file's own place is simply replaced.
    const QByteArray native = QFile::encodeName(path);
    struct stat target = {};
    struct stat own = {};
    if (::stat(native.constData(), &target) == 0 && !S_ISREG(target.st_mode) && !S_ISDIR(target.st_mode) &&
        ::lstat(native.constData(), &own) == 0 &&
        (S_ISLNK(own.st_mode) || S_ISCHR(target.st_mode) || S_ISBLK(target.st_mode)))
        throw Error::unableToWrite(path, QStringLiteral("it is not a regular file"));
    errno = 0;
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        const int errorNumber = errno;
        throw Error::unableToWrite(path, reasonAt(path, errorNumber, QFileDevice::NoError));
    }
    QSaveFile file(path);
    // QSaveFile flushes and fsyncs before the rename in commit(). errno is taken
    // at once, before anything else can change it.
    errno = 0;
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
        const int errorNumber = errno;
        throw Error::unableToWrite(path, reasonAt(path, errorNumber, file.error()));
    }
}

} // namespace hv
