// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>

namespace hv::x11 {

// Decodes X's COMPOUND_TEXT, the type in which older programs write WM_NAME:
// ISO 2022 with ASCII in the left half and Latin-1 in the right half at the
// start, the ISO 8859 right halves and the East Asian 94x94 sets switched in by
// escape sequences, UTF-8 segments (ESC % G ... ESC % @), and extended segments
// that name their encoding.
//
// The bytes come from other programs, so anything at all must decode: the
// characters of a set that cannot be decoded become U+FFFD, direction controls
// are dropped, and an escape sequence cut short ends the text. The result holds
// at most one UTF-16 unit per input byte.
QString decodeCompoundText(QByteArrayView text);

} // namespace hv::x11
