// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoredPath.h"

#include "Cp1252.h"

namespace hv {

QString storedPathProblem(const QString& path)
{
    const QByteArray bytes = cp1252::encode(path);
    // encode() writes '?' for what Windows-1252 cannot hold; a character
    // outside the BMP is two code units and so two '?', still caught here.
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (bytes.at(i) == '?' && path.at(i) != u'?')
            return QStringLiteral("The path \"%1\" holds characters that cannot be stored. "
                                  "Choose a file whose path uses only Western European letters.")
                .arg(path);
    }
    if (bytes.size() > kStoredPathBytes)
        return QStringLiteral("The path \"%1\" is %2 characters long; at most %3 can be stored. "
                              "Choose a file with a shorter path.")
            .arg(path)
            .arg(bytes.size())
            .arg(kStoredPathBytes);
    return {};
}

} // namespace hv
