// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QFile>
#include <QFileDevice>
#include <QString>

#include <optional>

namespace hv {

// Whole files in and out: a bounded read of a regular file, and a write that
// never leaves a file half written.

// Opens the regular file that `file` names (symbolic links followed) for
// reading. False, with `problem` saying why in words for the user, when it is
// not one or cannot be opened: a FIFO, a device or a folder is never opened,
// so it can neither block nor feed bytes without end. (The type is looked at
// before the open; a file swapped in between is harmless as long as the
// caller bounds what it reads.)
bool openRegularFile(QFile& file, QString* problem = nullptr);

// The content of the regular file at `path` (symbolic links followed), or
// nullopt when it is not one, cannot be opened or read, or holds more than
// maxBytes; `problem`, when given, then says why in words for the user ("not
// a regular file", "larger than 8 MiB"). A FIFO, a device or a folder is
// never opened (see openRegularFile).
std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes, QString* problem = nullptr);

// Replaces a whole file without truncating it first: the new content goes to a
// temporary file in the same folder, is flushed to disk and renamed over the
// old one, so a crash or a full disk leaves the previous file as it was. The
// folder is created when missing. Throws Error::unableToWrite(path, reason)
// on failure, the reason in words for the user.
void writeFileAtomically(const QString& path, const QByteArray& content);

// Why a write failed, in words for the user, from the errno of the failing
// call (0 when unknown) and the file's error: "the disk is full", "the disk
// is read-only", "permission denied"; empty when neither says more than that
// the write failed.
QString writeFailureReason(int errorNumber, QFileDevice::FileError error);

} // namespace hv
