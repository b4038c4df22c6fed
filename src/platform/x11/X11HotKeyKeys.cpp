// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11HotKeyKeys.h"

#include "platform/HotKey.h"

#include <QStringList>

#include <X11/keysym.h>
#include <algorithm>
#include <array>
#include <optional>

namespace hv::x11 {

namespace {

struct NamedKey
{
    quint16 virtualKey;
    KeySym keysym;
    const char* name;
};

// The keys outside the runs of letters, digits, function keys and keypad digits.
constexpr std::array kNamedKeys{
    NamedKey{0x08, XK_BackSpace, "Backspace"},
    NamedKey{0x09, XK_Tab, "Tab"},
    NamedKey{0x0d, XK_Return, "Enter"},
    NamedKey{0x13, XK_Pause, "Pause"},
    NamedKey{0x1b, XK_Escape, "Esc"},
    NamedKey{0x20, XK_space, "Space"},
    NamedKey{0x21, XK_Prior, "Page Up"},
    NamedKey{0x22, XK_Next, "Page Down"},
    NamedKey{0x23, XK_End, "End"},
    NamedKey{0x24, XK_Home, "Home"},
    NamedKey{0x25, XK_Left, "Left"},
    NamedKey{0x26, XK_Up, "Up"},
    NamedKey{0x27, XK_Right, "Right"},
    NamedKey{0x28, XK_Down, "Down"},
    NamedKey{0x2c, XK_Print, "Print Screen"},
    NamedKey{0x2d, XK_Insert, "Insert"},
    NamedKey{0x2e, XK_Delete, "Delete"},
    NamedKey{0x5d, XK_Menu, "Menu"},
    NamedKey{0x6a, XK_KP_Multiply, "Num *"},
    NamedKey{0x6b, XK_KP_Add, "Num +"},
    NamedKey{0x6c, XK_KP_Separator, "Num Separator"},
    NamedKey{0x6d, XK_KP_Subtract, "Num -"},
    NamedKey{0x6e, XK_KP_Decimal, "Num ."},
    NamedKey{0x6f, XK_KP_Divide, "Num /"},
    // The punctuation keys, named after their unshifted symbol on a US layout.
    NamedKey{0xba, XK_semicolon, ";"},
    NamedKey{0xbb, XK_equal, "="},
    NamedKey{0xbc, XK_comma, ","},
    NamedKey{0xbd, XK_minus, "-"},
    NamedKey{0xbe, XK_period, "."},
    NamedKey{0xbf, XK_slash, "/"},
    NamedKey{0xc0, XK_grave, "`"},
    NamedKey{0xdb, XK_bracketleft, "["},
    NamedKey{0xdc, XK_backslash, "\\"},
    NamedKey{0xdd, XK_bracketright, "]"},
    NamedKey{0xde, XK_apostrophe, "'"},
    // The extra key left of Z on 102-key keyboards.
    NamedKey{0xe2, XK_less, "<"},
};

constexpr quint16 kFirstLetter = 'A';
constexpr quint16 kLastLetter = 'Z';
constexpr quint16 kFirstDigit = '0';
constexpr quint16 kLastDigit = '9';
constexpr quint16 kFirstNumpadDigit = 0x60;
constexpr quint16 kLastNumpadDigit = 0x69;
constexpr quint16 kFirstFunctionKey = 0x70; // F1
constexpr quint16 kLastFunctionKey = 0x87;  // F24

constexpr int kModifierRows = 8;
constexpr int kFirstModRow = 3; // Mod1; the rows before are Shift, Lock and Control

const NamedKey* namedKey(quint16 virtualKey)
{
    const auto* it = std::find_if(kNamedKeys.begin(), kNamedKeys.end(),
                                  [&](const NamedKey& key) { return key.virtualKey == virtualKey; });
    return it == kNamedKeys.end() ? nullptr : it;
}

bool isCapital(KeySym keysym)
{
    return keysym >= XK_A && keysym <= XK_Z;
}

} // namespace

KeySym keysymForVirtualKey(quint16 virtualKey)
{
    if (virtualKey >= kFirstLetter && virtualKey <= kLastLetter)
        return XK_a + (virtualKey - kFirstLetter);
    if (virtualKey >= kFirstDigit && virtualKey <= kLastDigit)
        return XK_0 + (virtualKey - kFirstDigit);
    if (virtualKey >= kFirstNumpadDigit && virtualKey <= kLastNumpadDigit)
        return XK_KP_0 + (virtualKey - kFirstNumpadDigit);
    if (virtualKey >= kFirstFunctionKey && virtualKey <= kLastFunctionKey)
        return XK_F1 + (virtualKey - kFirstFunctionKey);
    const NamedKey* key = namedKey(virtualKey);
    return key != nullptr ? key->keysym : kNoSymbol;
}

QString virtualKeyName(quint16 virtualKey)
{
    if ((virtualKey >= kFirstLetter && virtualKey <= kLastLetter) ||
        (virtualKey >= kFirstDigit && virtualKey <= kLastDigit))
        return QString(QChar(virtualKey));
    if (virtualKey >= kFirstNumpadDigit && virtualKey <= kLastNumpadDigit)
        return QStringLiteral("Num %1").arg(virtualKey - kFirstNumpadDigit);
    if (virtualKey >= kFirstFunctionKey && virtualKey <= kLastFunctionKey)
        return QStringLiteral("F%1").arg(virtualKey - kFirstFunctionKey + 1);
    if (const NamedKey* key = namedKey(virtualKey))
        return QString::fromLatin1(key->name);
    return QStringLiteral("key code %1").arg(virtualKey);
}

QString hotKeyName(quint16 virtualKey, qint32 modifierFlags)
{
    QStringList parts;
    if ((modifierFlags & HotKey::Control) != 0)
        parts << QStringLiteral("Ctrl");
    if ((modifierFlags & HotKey::Alt) != 0)
        parts << QStringLiteral("Alt");
    if ((modifierFlags & HotKey::Shift) != 0)
        parts << QStringLiteral("Shift");
    if ((modifierFlags & HotKey::Super) != 0)
        parts << QStringLiteral("Super");
    parts << virtualKeyName(virtualKey);
    return parts.join(QLatin1Char('+'));
}

KeySym KeyboardMap::keysym(KeyCode keycode, int column) const
{
    if (keycode < minKeycode || column < 0 || column >= keysymsPerKeycode)
        return kNoSymbol;
    const std::size_t row = static_cast<std::size_t>(keycode - minKeycode) * keysymsPerKeycode;
    if (row + keysymsPerKeycode > keysyms.size())
        return kNoSymbol;
    const KeySym first = keysyms[row];
    const KeySym second = keysymsPerKeycode > 1 ? keysyms[row + 1] : kNoSymbol;
    if (column < 2 && second == kNoSymbol && isCapital(first))
        return column == 0 ? first + (XK_a - XK_A) : first;
    return keysyms[row + column];
}

std::vector<KeyCode> KeyboardMap::keycodesFor(KeySym wanted) const
{
    if (wanted == kNoSymbol || keysymsPerKeycode <= 0)
        return {};
    const int rows = static_cast<int>(keysyms.size()) / keysymsPerKeycode;
    const auto matching = [&](int firstColumn, int endColumn) {
        std::vector<KeyCode> found;
        for (int row = 0; row < rows && minKeycode + row <= 0xff; ++row) {
            const auto keycode = static_cast<KeyCode>(minKeycode + row);
            for (int column = firstColumn; column < std::min(endColumn, keysymsPerKeycode); ++column) {
                if (keysym(keycode, column) == wanted) {
                    found.push_back(keycode);
                    break;
                }
            }
        }
        return found;
    };
    // A keypad key carries its digit or decimal point shifted, behind NumLock, while
    // a spare key of some keyboards may carry the same symbol unshifted: both count.
    const bool keypad = wanted >= XK_KP_Space && wanted <= XK_KP_Equal;
    const auto tiers = keypad ? std::vector<std::pair<int, int>>{{0, 2}, {2, keysymsPerKeycode}}
                              : std::vector<std::pair<int, int>>{{0, 1}, {1, 2}, {2, keysymsPerKeycode}};
    for (const auto& [first, end] : tiers) {
        std::vector<KeyCode> found = matching(first, end);
        if (!found.empty())
            return found;
    }
    return {};
}

ModifierMask KeyboardMap::modifierFor(KeySym wanted) const
{
    if (keycodesPerModifier <= 0 ||
        modifierKeycodes.size() < static_cast<std::size_t>(kModifierRows * keycodesPerModifier))
        return 0;
    for (int modifier = kFirstModRow; modifier < kModifierRows; ++modifier) {
        for (int slot = 0; slot < keycodesPerModifier; ++slot) {
            const KeyCode keycode =
                modifierKeycodes[static_cast<std::size_t>(modifier * keycodesPerModifier + slot)];
            if (keycode == 0)
                continue;
            for (int column = 0; column < keysymsPerKeycode; ++column) {
                if (keysym(keycode, column) == wanted)
                    return static_cast<ModifierMask>(1U << modifier);
            }
        }
    }
    return 0;
}

namespace {

// The modifier of the first of keysyms that drives one; fallback when none does.
ModifierMask modifierOfAny(const KeyboardMap& map, std::initializer_list<KeySym> keysyms,
                           ModifierMask fallback)
{
    for (const KeySym keysym : keysyms) {
        if (const ModifierMask mask = map.modifierFor(keysym))
            return mask;
    }
    return fallback;
}

} // namespace

ModifierMask modifiersForFlags(qint32 modifierFlags, const KeyboardMap& map)
{
    ModifierMask mask = 0;
    if ((modifierFlags & HotKey::Alt) != 0)
        mask |= modifierOfAny(map, {XK_Alt_L, XK_Alt_R, XK_Meta_L, XK_Meta_R}, kMod1Mask);
    if ((modifierFlags & HotKey::Control) != 0)
        mask |= kControlMask;
    if ((modifierFlags & HotKey::Shift) != 0)
        mask |= kShiftMask;
    if ((modifierFlags & HotKey::Super) != 0)
        mask |= modifierOfAny(map, {XK_Super_L, XK_Super_R}, kMod4Mask);
    return mask;
}

ModifierMask lockModifiers(const KeyboardMap& map)
{
    return kLockMask | map.modifierFor(XK_Num_Lock);
}

std::vector<ModifierMask> lockVariants(const KeyboardMap& map)
{
    const ModifierMask numLock = map.modifierFor(XK_Num_Lock);
    if (numLock == 0)
        return {0, kLockMask};
    return {0, kLockMask, numLock, static_cast<ModifierMask>(kLockMask | numLock)};
}

bool KeyRepeatFilter::press(KeyCode keycode, std::uint32_t time)
{
    const bool repeat = m_released && m_keycode == keycode && m_time == time;
    m_released = false;
    return !repeat;
}

void KeyRepeatFilter::release(KeyCode keycode, std::uint32_t time)
{
    m_released = true;
    m_keycode = keycode;
    m_time = time;
}

void KeyRepeatFilter::reset()
{
    m_released = false;
}

} // namespace hv::x11
