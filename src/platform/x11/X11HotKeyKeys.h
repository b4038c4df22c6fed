// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

#include <cstdint>
#include <vector>

// How a hot key given as a classic virtual-key code and modifier flags becomes
// key grabs on an X server. Pure functions over a copy of the server's keyboard
// mapping, so that they can be checked without a display.
namespace hv::x11 {

using KeySym = std::uint32_t;
using KeyCode = std::uint8_t;
// A core modifier mask: Shift 0x01, Lock 0x02, Control 0x04, Mod1 0x08 ... Mod5 0x80.
using ModifierMask = std::uint16_t;

inline constexpr KeySym kNoSymbol = 0;
inline constexpr ModifierMask kShiftMask = 0x01;
inline constexpr ModifierMask kLockMask = 0x02;
inline constexpr ModifierMask kControlMask = 0x04;
inline constexpr ModifierMask kMod1Mask = 0x08;
inline constexpr ModifierMask kMod4Mask = 0x40;

// The keysym on the key that a virtual-key code stands for, unshifted, as a US
// layout has it: 84 (T) gives "t", 0x70 (F1) gives F1, 0x60 (numpad 0) KP_0.
// kNoSymbol for a code this program does not offer as a hot key.
KeySym keysymForVirtualKey(quint16 virtualKey);

// The key's name as the user knows it: "T", "F5", "Num 0", "Page Up"; for a
// code without a name, "key code" and the number.
QString virtualKeyName(quint16 virtualKey);

// The combination as the user reads it, modifiers in the order Ctrl, Alt,
// Shift, Super: "Ctrl+Alt+T".
QString hotKeyName(quint16 virtualKey, qint32 modifierFlags);

// A copy of the server's core keyboard mapping (GetKeyboardMapping) and
// modifier mapping (GetModifierMapping).
struct KeyboardMap
{
    KeyCode minKeycode = 8;
    // Columns per keycode: group 1 unshifted and shifted, then group 2, and so on.
    int keysymsPerKeycode = 0;
    // Row by row from minKeycode; kNoSymbol marks an empty column.
    std::vector<KeySym> keysyms;
    // Eight rows (Shift, Lock, Control, Mod1 to Mod5) of this many keycodes each;
    // 0 marks an unused slot.
    int keycodesPerModifier = 0;
    std::vector<KeyCode> modifierKeycodes;

    // kNoSymbol outside the map. An alphabetic key that lists only its capital
    // has the small letter in column 0 and the capital in column 1, as the core
    // protocol reads such a key.
    KeySym keysym(KeyCode keycode, int column) const;

    // The keys that carry keysym. Keys with it unshifted in group 1 are
    // preferred: "less" is the key left of Z, not comma shifted. Failing those,
    // keys with it shifted in group 1, then keys with it anywhere (a second
    // layout). Keypad symbols count shifted or not alike: the keypad's digits
    // and decimal point sit behind NumLock. Empty when no key carries it.
    std::vector<KeyCode> keycodesFor(KeySym keysym) const;

    // The bit of the modifier among Mod1 to Mod5 that a key carrying keysym
    // drives; 0 when none does.
    ModifierMask modifierFor(KeySym keysym) const;
};

// The core modifiers for hot-key flags (1 Alt, 2 Control, 4 Shift, 8 Super; other
// bits ignored). Alt and Super take the modifier their keys drive in map, Mod1 and
// Mod4 when no key drives one.
ModifierMask modifiersForFlags(qint32 modifierFlags, const KeyboardMap& map);

// The lock states under which a grab must also be made, since X matches
// modifiers exactly: none, CapsLock, NumLock and both. NumLock's modifier comes
// from map; without a NumLock key only none and CapsLock remain.
std::vector<ModifierMask> lockVariants(const KeyboardMap& map);

// The lock bits that lockVariants() adds; a key event's state without them is
// the combination pressed.
ModifierMask lockModifiers(const KeyboardMap& map);

// Tells a key's own presses from the auto-repeat of a key held down. The server
// repeats a held key as a release and a press with the same timestamp (in ms),
// which a real release and press by a hand never share.
class KeyRepeatFilter
{
public:
    // True for a real press, false for a repeat.
    bool press(KeyCode keycode, std::uint32_t time);
    void release(KeyCode keycode, std::uint32_t time);
    // Forgets the last release, as if the key had never been pressed.
    void reset();

private:
    bool m_released = false;
    KeyCode m_keycode = 0;
    std::uint32_t m_time = 0;
};

} // namespace hv::x11
