// SPDX-License-Identifier: GPL-3.0-or-later
#include "RunLine.h"

#include <QStringList>

#include <algorithm>

namespace hv {

namespace {

constexpr QStringView kProgramName = u"HORAVOX";

} // namespace

bool runLineStartsProgram(QStringView line)
{
    return line.contains(kProgramName, Qt::CaseSensitive);
}

QString rebuildRunLine(QStringView line, bool autoRun, QStringView programShortPath)
{
    QStringList entries = line.toString().split(u';');
    if (entries.last().isEmpty())
        entries.removeLast();
    const auto ours = std::find_if(entries.cbegin(), entries.cend(), [](const QString& entry) {
        return entry.toUpper().contains(kProgramName);
    });
    if (ours != entries.cend())
        entries.erase(ours);
    if (autoRun)
        entries.append(programShortPath.left(kRunLinePathLength).toString());
    return entries.join(u';');
}

} // namespace hv
