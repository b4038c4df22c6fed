// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ProcessLauncher.h"

#include <QDir>
#include <QFileInfo>

namespace hv {

std::optional<QString> findPagedeck(const QString& folder)
{
    // An empty folder would mean the clock's working directory, which is no
    // place anybody put the launcher.
    if (folder.isEmpty())
        return std::nullopt;
    const QDir dir(folder);
    const QString exact = QString::fromUtf16(kPagedeckFileName);
    if (QFileInfo(dir.filePath(exact)).isFile())
        return dir.filePath(exact);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& name : names) {
        if (name.compare(exact, Qt::CaseInsensitive) == 0)
            return dir.filePath(name);
    }
    return std::nullopt;
}

QStringList pagedeckArguments(const QString& page, bool launch)
{
    return {u'-' + page, launch ? QStringLiteral("-LAUNCH") : QStringLiteral("-CLOSE")};
}

} // namespace hv
