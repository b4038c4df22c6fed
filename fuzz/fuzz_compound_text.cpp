// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary bytes read as a COMPOUND_TEXT window title, as
// another program may have written it. It must never crash or hang, and the
// text must be valid UTF-16, no longer than the bytes, and decoded the same
// whatever came before it in the initial state.

#include "FuzzCheck.h"
#include "platform/x11/CompoundText.h"

#include <QByteArray>
#include <QString>

using hv::fuzz::require;
using hv::x11::decodeCompoundText;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = decodeCompoundText(bytes);
    require(text.isValidUtf16(), "the text is valid UTF-16");
    require(text.size() <= bytes.size(), "at most one UTF-16 unit per byte");

    // Without escape sequences and direction controls it is plain Latin-1.
    if (!bytes.contains('\x1b') && !bytes.contains('\x9b'))
        require(text == QString::fromLatin1(bytes), "Latin-1 without escape sequences");

    // ASCII in front changes nothing that follows: every sequence starts from the
    // initial state, and no decoder keeps state from one call to the next.
    static const QByteArray prefix("Title - ");
    require(decodeCompoundText(prefix + bytes.toByteArray()) == QString::fromLatin1(prefix) + text,
            "an ASCII prefix is kept and changes nothing after it");
    return 0;
}
