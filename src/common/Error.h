// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace hv {

// The one exception type of the program. Strict conversions of typed input and
// refused file writes raise it; the application's top-level handler shows its
// text in a message box and the program goes on.
class Error : public std::exception
{
public:
    explicit Error(QString message)
        : m_message(std::move(message))
        , m_utf8(m_message.toUtf8())
    {}

    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

    // "Unable to write to %s", for a file or folder that refused a write,
    // followed by the reason when one is known ("the disk is full").
    static Error unableToWrite(const QString& path, const QString& reason = {})
    {
        QString message = QStringLiteral("Unable to write to %1").arg(path);
        if (!reason.isEmpty())
            message += QStringLiteral(": %1.").arg(reason);
        return Error(std::move(message));
    }

private:
    QString m_message;
    QByteArray m_utf8;
};

} // namespace hv
