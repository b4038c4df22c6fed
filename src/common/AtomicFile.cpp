#include "AtomicFile.h"

#include "Error.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace hv {

void writeFileAtomically(const QString& path, const QByteArray& content)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        throw Error::unableToWrite(path);
    QSaveFile file(path);
    // QSaveFile flushes and fsyncs before the rename in commit().
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        throw Error::unableToWrite(path);
}

} // namespace hv
