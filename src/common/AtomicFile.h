#pragma once

#include <QByteArray>
#include <QString>

namespace hv {

// Replaces a whole file without truncating it first: the new content goes to a
// temporary file in the same folder, is flushed to disk and renamed over the
// old one, so a crash or a full disk leaves the previous file as it was. The
// folder is created when missing. Throws Error::unableToWrite(path) on failure.
void writeFileAtomically(const QString& path, const QByteArray& content);

} // namespace hv
