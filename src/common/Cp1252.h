// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace hv::cp1252 {

// The stored files keep their text in Windows-1252, one byte a character.
// Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D have no character there; they decode
// to the control characters of the same value so that nothing is lost.
QString decode(QByteArrayView bytes);

// Characters that Windows-1252 cannot hold become '?'.
QByteArray encode(const QString& text);

} // namespace hv::cp1252
