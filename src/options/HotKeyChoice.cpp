// SPDX-License-Identifier: GPL-3.0-or-later
#include "HotKeyChoice.h"

#include "platform/HotKey.h"
#include "platform/x11/X11HotKeyKeys.h"

#include <QtCore/qnamespace.h>

#include <array>
#include <utility>

namespace hv {

namespace {

constexpr qint32 kStoredModifiers = HotKey::Alt | HotKey::Control | HotKey::Shift;

// Qt keys that are one virtual key whatever the keypad flag says.
constexpr std::array<std::pair<int, quint16>, 32> kNamedKeys{{
    {Qt::Key_Backspace, 0x08},   {Qt::Key_Tab, 0x09},       {Qt::Key_Backtab, 0x09},
    {Qt::Key_Return, 0x0d},      {Qt::Key_Enter, 0x0d},     {Qt::Key_Pause, 0x13},
    {Qt::Key_Escape, 0x1b},      {Qt::Key_Space, 0x20},     {Qt::Key_PageUp, 0x21},
    {Qt::Key_PageDown, 0x22},    {Qt::Key_End, 0x23},       {Qt::Key_Home, 0x24},
    {Qt::Key_Left, 0x25},        {Qt::Key_Up, 0x26},        {Qt::Key_Right, 0x27},
    {Qt::Key_Down, 0x28},        {Qt::Key_Print, 0x2c},     {Qt::Key_Insert, 0x2d},
    {Qt::Key_Delete, 0x2e},      {Qt::Key_Menu, 0x5d},      {Qt::Key_Semicolon, 0xba},
    {Qt::Key_Equal, 0xbb},       {Qt::Key_Comma, 0xbc},     {Qt::Key_Minus, 0xbd},
    {Qt::Key_Period, 0xbe},      {Qt::Key_Slash, 0xbf},     {Qt::Key_QuoteLeft, 0xc0},
    {Qt::Key_BracketLeft, 0xdb}, {Qt::Key_Backslash, 0xdc}, {Qt::Key_BracketRight, 0xdd},
    {Qt::Key_Apostrophe, 0xde},  {Qt::Key_Less, 0xe2},
}};

// The keypad's keys: the digits, then these.
constexpr std::array<std::pair<int, quint16>, 6> kKeypadKeys{{
    {Qt::Key_Asterisk, 0x6a},
    {Qt::Key_Plus, 0x6b},
    {Qt::Key_Comma, 0x6c},
    {Qt::Key_Minus, 0x6d},
    {Qt::Key_Period, 0x6e},
    {Qt::Key_Slash, 0x6f},
}};

// What Shift makes of the digit and punctuation keys on a US layout, back to
// the key pressed.
constexpr std::array<std::pair<int, int>, 21> kShiftedKeys{{
    {Qt::Key_Exclam, Qt::Key_1},
    {Qt::Key_At, Qt::Key_2},
    {Qt::Key_NumberSign, Qt::Key_3},
    {Qt::Key_Dollar, Qt::Key_4},
    {Qt::Key_Percent, Qt::Key_5},
    {Qt::Key_AsciiCircum, Qt::Key_6},
    {Qt::Key_Ampersand, Qt::Key_7},
    {Qt::Key_Asterisk, Qt::Key_8},
    {Qt::Key_ParenLeft, Qt::Key_9},
    {Qt::Key_ParenRight, Qt::Key_0},
    {Qt::Key_Colon, Qt::Key_Semicolon},
    {Qt::Key_Plus, Qt::Key_Equal},
    {Qt::Key_Less, Qt::Key_Comma},
    {Qt::Key_Underscore, Qt::Key_Minus},
    {Qt::Key_Greater, Qt::Key_Period},
    {Qt::Key_Question, Qt::Key_Slash},
    {Qt::Key_AsciiTilde, Qt::Key_QuoteLeft},
    {Qt::Key_BraceLeft, Qt::Key_BracketLeft},
    {Qt::Key_Bar, Qt::Key_Backslash},
    {Qt::Key_BraceRight, Qt::Key_BracketRight},
    {Qt::Key_QuoteDbl, Qt::Key_Apostrophe},
}};

template <std::size_t N, typename T>
std::optional<T> lookUp(const std::array<std::pair<int, T>, N>& table, int key)
{
    for (const auto& [from, to] : table) {
        if (from == key)
            return to;
    }
    return std::nullopt;
}

std::optional<quint16> virtualKeyFor(int key, bool keypad, bool shift)
{
    if (keypad) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            return static_cast<quint16>(0x60 + (key - Qt::Key_0));
        if (const auto code = lookUp(kKeypadKeys, key))
            return code;
    }
    if (shift) {
        if (const auto unshifted = lookUp(kShiftedKeys, key))
            key = *unshifted;
    }
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return static_cast<quint16>(key); // the codes of letters and digits are their capitals
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return static_cast<quint16>(0x70 + (key - Qt::Key_F1));
    return lookUp(kNamedKeys, key);
}

} // namespace

HotKeyCombination hotKeyFromSettings(quint16 newHotKey, qint32 newHotKeyShift)
{
    if (newHotKeyShift < 1 || newHotKeyShift > kStoredModifiers)
        return {};
    return {newHotKey, newHotKeyShift};
}

std::optional<HotKeyCombination> hotKeyFromKeyPress(int qtKey, int qtModifiers)
{
    const Qt::KeyboardModifiers held(qtModifiers);
    qint32 modifiers = 0;
    if (held.testFlag(Qt::AltModifier))
        modifiers |= HotKey::Alt;
    if (held.testFlag(Qt::ControlModifier))
        modifiers |= HotKey::Control;
    if (held.testFlag(Qt::ShiftModifier))
        modifiers |= HotKey::Shift;

    switch (qtKey) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_unknown:
        return std::nullopt;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Shift+Tab is the way back through the dialog, not a combination.
        if ((modifiers & ~HotKey::Shift) == 0)
            return std::nullopt;
        break;
    default:
        break;
    }

    const auto key =
        virtualKeyFor(qtKey, held.testFlag(Qt::KeypadModifier), held.testFlag(Qt::ShiftModifier));
    if (!key)
        return std::nullopt;
    if (modifiers == 0)
        modifiers = HotKey::Alt;
    return HotKeyCombination{*key, modifiers};
}

QString hotKeyText(const HotKeyCombination& combination)
{
    return x11::hotKeyName(combination.virtualKey, combination.modifiers);
}

} // namespace hv
