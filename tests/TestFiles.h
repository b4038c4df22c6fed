// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Error.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTest>

#include <functional>
#include <sys/stat.h>

namespace hv::test {

// The whole content of a file; empty when it cannot be read.
inline QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes a fixture file; a failure fails the calling test.
inline void putFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(file.write(content), content.size());
}

// The message of the hv::Error that `action` throws, or an empty text when it
// throws none.
inline QString errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& error) {
        return error.message();
    }
    return {};
}

// Puts at `path` an input that is not a regular file: "fifo" (which would block
// an open for reading until a writer comes), "device" (a link to /dev/zero, which
// never ends) or "folder".
inline void putNonRegular(const QString& kind, const QString& path)
{
    if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == QLatin1String("device"))
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    else
        QVERIFY(QDir().mkpath(path));
}

} // namespace hv::test
