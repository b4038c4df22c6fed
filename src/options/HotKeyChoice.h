// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace hv {

// The voice hot key as the options dialog's field holds it: a classic
// virtual-key code (84 is T) and the settings' modifier flags (1 Alt,
// 2 Control, 4 Shift), so that a settings file keeps working on every system.
struct HotKeyCombination
{
    quint16 virtualKey = 'A';
    qint32 modifiers = 1; // never 0: a key without a modifier gets Alt

    friend bool operator==(const HotKeyCombination&, const HotKeyCombination&) = default;
};

// The field's combination for the stored NewHotKey and NewHotKeyShift. A shift
// value outside 1 to 7 gives the field's own starting value, Alt+A.
HotKeyCombination hotKeyFromSettings(quint16 newHotKey, qint32 newHotKeyShift);

// The combination a key press in the field makes, with `qtModifiers` the
// Qt::KeyboardModifiers of the press: the key as the settings code it, Alt
// added when no modifier is held. Nothing for a press the field does not
// take: a modifier alone, a key without a code, and Tab, Escape and Enter
// without a modifier, which move the focus and end the dialog as usual.
// Shift with a digit or a punctuation key is the unshifted key of a US layout
// (Shift+3 arrives as "#" and is the key 3).
std::optional<HotKeyCombination> hotKeyFromKeyPress(int qtKey, int qtModifiers);

// The combination as the user reads it: "Ctrl+Alt+T".
QString hotKeyText(const HotKeyCombination& combination);

} // namespace hv
