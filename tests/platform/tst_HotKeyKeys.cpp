// SPDX-License-Identifier: GPL-3.0-or-later
// How a hot key from the settings becomes X key grabs: the virtual-key codes,
// the keys that carry a keysym, the modifier bits, the lock variants and the
// auto-repeat filter, over keyboard maps made here.

#include "platform/x11/X11HotKeyKeys.h"

#include <QTest>

#include <X11/keysym.h>

using namespace hv;
using namespace hv::x11;

namespace {

constexpr ModifierMask kMod2 = 0x10;
constexpr ModifierMask kMod3 = 0x20;
constexpr ModifierMask kMod5 = 0x80;

enum class Layout
{
    // A US keyboard as a stock server maps it: Alt on Mod1, NumLock on Mod2, Super on Mod4.
    Standard,
    // The same keys with Alt on Mod3, NumLock on Mod4 and Super on Mod5.
    Moved,
    // No modifier mapping at all.
    Bare,
};

// Keycodes of the map below, as a stock server numbers them.
constexpr KeyCode kKeyQ = 24;
constexpr KeyCode kKeyT = 28;
constexpr KeyCode kKeyControl = 37;
constexpr KeyCode kKeyCapitalA = 38; // lists only its capital
constexpr KeyCode kKeyShift = 50;
constexpr KeyCode kKeyTwoLayouts = 53;
constexpr KeyCode kKeyComma = 59;
constexpr KeyCode kKeyAlt = 64;
constexpr KeyCode kKeyCapsLock = 66;
constexpr KeyCode kKeyNumLock = 77;
constexpr KeyCode kKeyKeypad1 = 87;
constexpr KeyCode kKeyKeypad0 = 90;
constexpr KeyCode kKeyKeypadDelete = 91;
constexpr KeyCode kKeyLess = 94;
constexpr KeyCode kKeyKeypadDecimal = 129; // a spare key of some keyboards
constexpr KeyCode kKeySuper = 133;

KeyboardMap makeMap(Layout layout)
{
    KeyboardMap map;
    map.minKeycode = 8;
    map.keysymsPerKeycode = 4;
    map.keysyms.assign(static_cast<std::size_t>(256 - 8) * 4, kNoSymbol);
    const auto key = [&](KeyCode keycode, std::initializer_list<KeySym> columns) {
        std::size_t at = static_cast<std::size_t>(keycode - 8) * 4;
        for (const KeySym keysym : columns)
            map.keysyms[at++] = keysym;
    };
    key(kKeyQ, {XK_q, XK_Q});
    key(kKeyT, {XK_t, XK_T});
    key(kKeyControl, {XK_Control_L});
    key(kKeyCapitalA, {XK_A});
    key(kKeyShift, {XK_Shift_L});
    key(kKeyTwoLayouts, {XK_Cyrillic_che, XK_Cyrillic_CHE, XK_x, XK_X});
    key(kKeyComma, {XK_comma, XK_less});
    key(kKeyAlt, {XK_Alt_L, XK_Meta_L});
    key(kKeyCapsLock, {XK_Caps_Lock});
    key(kKeyNumLock, {XK_Num_Lock});
    key(kKeyKeypad1, {XK_KP_End, XK_KP_1});
    key(kKeyKeypad0, {XK_KP_Insert, XK_KP_0});
    key(kKeyKeypadDelete, {XK_KP_Delete, XK_KP_Decimal});
    key(kKeyLess, {XK_less, XK_greater});
    key(kKeyKeypadDecimal, {XK_KP_Decimal});
    key(kKeySuper, {XK_Super_L});

    if (layout == Layout::Bare)
        return map;
    // Rows Shift, Lock, Control, Mod1 to Mod5; two slots each.
    map.keycodesPerModifier = 2;
    map.modifierKeycodes.assign(16, 0);
    const auto modifier = [&](int row, KeyCode keycode) {
        map.modifierKeycodes[static_cast<std::size_t>(row * 2)] = keycode;
    };
    modifier(0, kKeyShift);
    modifier(1, kKeyCapsLock);
    modifier(2, kKeyControl);
    if (layout == Layout::Standard) {
        modifier(3, kKeyAlt);
        modifier(4, kKeyNumLock);
        modifier(6, kKeySuper);
    } else {
        modifier(5, kKeyAlt);
        modifier(6, kKeyNumLock);
        modifier(7, kKeySuper);
    }
    return map;
}

} // namespace

Q_DECLARE_METATYPE(Layout)

class TestHotKeyKeys : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void virtualKeys_data()
    {
        QTest::addColumn<int>("virtualKey");
        QTest::addColumn<uint>("keysym");
        QTest::addColumn<QString>("name");

        const auto row = [](const char* tag, int virtualKey, uint keysym, const char* name) {
            QTest::newRow(tag) << virtualKey << keysym << QString::fromUtf8(name);
        };
        row("letter T, the default", 84, XK_t, "T");
        row("first letter", 65, XK_a, "A");
        row("last letter", 90, XK_z, "Z");
        row("digit 0", 48, XK_0, "0");
        row("digit 9", 57, XK_9, "9");
        row("F1", 0x70, XK_F1, "F1");
        row("F12", 0x7b, XK_F12, "F12");
        row("F24", 0x87, XK_F24, "F24");
        row("numpad 0", 0x60, XK_KP_0, "Num 0");
        row("numpad 9", 0x69, XK_KP_9, "Num 9");
        row("numpad multiply", 0x6a, XK_KP_Multiply, "Num *");
        row("numpad add", 0x6b, XK_KP_Add, "Num +");
        row("numpad separator", 0x6c, XK_KP_Separator, "Num Separator");
        row("numpad subtract", 0x6d, XK_KP_Subtract, "Num -");
        row("numpad decimal", 0x6e, XK_KP_Decimal, "Num .");
        row("numpad divide", 0x6f, XK_KP_Divide, "Num /");
        row("backspace", 0x08, XK_BackSpace, "Backspace");
        row("tab", 0x09, XK_Tab, "Tab");
        row("enter", 0x0d, XK_Return, "Enter");
        row("pause", 0x13, XK_Pause, "Pause");
        row("escape", 0x1b, XK_Escape, "Esc");
        row("space", 0x20, XK_space, "Space");
        row("page up", 0x21, XK_Prior, "Page Up");
        row("page down", 0x22, XK_Next, "Page Down");
        row("end", 0x23, XK_End, "End");
        row("home", 0x24, XK_Home, "Home");
        row("left", 0x25, XK_Left, "Left");
        row("up", 0x26, XK_Up, "Up");
        row("right", 0x27, XK_Right, "Right");
        row("down", 0x28, XK_Down, "Down");
        row("print screen", 0x2c, XK_Print, "Print Screen");
        row("insert", 0x2d, XK_Insert, "Insert");
        row("delete", 0x2e, XK_Delete, "Delete");
        row("menu", 0x5d, XK_Menu, "Menu");
        row("semicolon", 0xba, XK_semicolon, ";");
        row("equal sign", 0xbb, XK_equal, "=");
        row("comma", 0xbc, XK_comma, ",");
        row("minus", 0xbd, XK_minus, "-");
        row("period", 0xbe, XK_period, ".");
        row("slash", 0xbf, XK_slash, "/");
        row("grave", 0xc0, XK_grave, "`");
        row("left bracket", 0xdb, XK_bracketleft, "[");
        row("backslash", 0xdc, XK_backslash, "\\");
        row("right bracket", 0xdd, XK_bracketright, "]");
        row("apostrophe", 0xde, XK_apostrophe, "'");
        row("key left of Z", 0xe2, XK_less, "<");

        // Modifiers and locks on their own, and codes between the runs.
        row("none", 0x00, kNoSymbol, "key code 0");
        row("mouse button", 0x01, kNoSymbol, "key code 1");
        row("shift alone", 0x10, kNoSymbol, "key code 16");
        row("control alone", 0x11, kNoSymbol, "key code 17");
        row("alt alone", 0x12, kNoSymbol, "key code 18");
        row("caps lock", 0x14, kNoSymbol, "key code 20");
        row("between digits and letters", 0x40, kNoSymbol, "key code 64");
        row("left windows key", 0x5b, kNoSymbol, "key code 91");
        row("after F24", 0x88, kNoSymbol, "key code 136");
        row("num lock", 0x90, kNoSymbol, "key code 144");
        row("highest byte", 0xff, kNoSymbol, "key code 255");
        row("beyond a byte", 0x154, kNoSymbol, "key code 340");
        row("highest code", 0xffff, kNoSymbol, "key code 65535");
    }
    void virtualKeys()
    {
        QFETCH(int, virtualKey);
        QFETCH(uint, keysym);
        QFETCH(QString, name);
        QCOMPARE(keysymForVirtualKey(static_cast<quint16>(virtualKey)), keysym);
        QCOMPARE(virtualKeyName(static_cast<quint16>(virtualKey)), name);
    }

    void combinationNames_data()
    {
        QTest::addColumn<int>("virtualKey");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QString>("name");

        QTest::newRow("the default") << 84 << 3 << QStringLiteral("Ctrl+Alt+T");
        QTest::newRow("all three") << 84 << 7 << QStringLiteral("Ctrl+Alt+Shift+T");
        QTest::newRow("the dialog's design value") << 65 << 1 << QStringLiteral("Alt+A");
        QTest::newRow("shift only") << 0x70 << 4 << QStringLiteral("Shift+F1");
        QTest::newRow("with super") << 0x74 << 15 << QStringLiteral("Ctrl+Alt+Shift+Super+F5");
        QTest::newRow("no modifier") << 0x24 << 0 << QStringLiteral("Home");
        QTest::newRow("unknown bits ignored") << 84 << (0x4000 | 3) << QStringLiteral("Ctrl+Alt+T");
        QTest::newRow("negative flags") << 84 << -1 << QStringLiteral("Ctrl+Alt+Shift+Super+T");
        QTest::newRow("unknown key") << 0x5b << 2 << QStringLiteral("Ctrl+key code 91");
    }
    void combinationNames()
    {
        QFETCH(int, virtualKey);
        QFETCH(int, flags);
        QFETCH(QString, name);
        QCOMPARE(hotKeyName(static_cast<quint16>(virtualKey), flags), name);
    }

    void keysOfKeysym_data()
    {
        QTest::addColumn<uint>("keysym");
        QTest::addColumn<QList<int>>("keycodes");

        QTest::newRow("small letter") << uint{XK_t} << QList<int>{kKeyT};
        QTest::newRow("capital letter, shifted") << uint{XK_T} << QList<int>{kKeyT};
        QTest::newRow("key listing only its capital") << uint{XK_a} << QList<int>{kKeyCapitalA};
        QTest::newRow("its capital") << uint{XK_A} << QList<int>{kKeyCapitalA};
        QTest::newRow("own key before a shifted one") << uint{XK_less} << QList<int>{kKeyLess};
        QTest::newRow("only shifted: greater") << uint{XK_greater} << QList<int>{kKeyLess};
        QTest::newRow("keypad digit behind NumLock") << uint{XK_KP_0} << QList<int>{kKeyKeypad0};
        QTest::newRow("keypad decimal, shifted or not")
            << uint{XK_KP_Decimal} << QList<int>{kKeyKeypadDelete, kKeyKeypadDecimal};
        QTest::newRow("keypad without NumLock") << uint{XK_KP_End} << QList<int>{kKeyKeypad1};
        QTest::newRow("second layout only") << uint{XK_x} << QList<int>{kKeyTwoLayouts};
        QTest::newRow("no such key") << uint{XK_F24} << QList<int>{};
        QTest::newRow("no symbol") << uint{kNoSymbol} << QList<int>{};
    }
    void keysOfKeysym()
    {
        QFETCH(uint, keysym);
        QFETCH(QList<int>, keycodes);
        QList<int> found;
        for (const KeyCode keycode : makeMap(Layout::Standard).keycodesFor(keysym))
            found << keycode;
        QCOMPARE(found, keycodes);
    }

    void keysOfKeysymInShortMaps()
    {
        KeyboardMap empty;
        QVERIFY(empty.keycodesFor(XK_t).empty());

        // One column only: the capital-only rule must not read past the row.
        KeyboardMap narrow;
        narrow.minKeycode = 10;
        narrow.keysymsPerKeycode = 1;
        narrow.keysyms = {XK_q, XK_T};
        QCOMPARE(narrow.keycodesFor(XK_t), std::vector<KeyCode>{11});
        QCOMPARE(narrow.keysym(11, 1), kNoSymbol);
        QCOMPARE(narrow.keysym(9, 0), kNoSymbol);
        QCOMPARE(narrow.keysym(12, 0), kNoSymbol);
    }

    void modifiers_data()
    {
        QTest::addColumn<Layout>("layout");
        QTest::addColumn<int>("flags");
        QTest::addColumn<uint>("mask");

        const uint control = kControlMask;
        const uint shift = kShiftMask;
        QTest::newRow("Ctrl+Alt, the default") << Layout::Standard << 3 << (control | kMod1Mask);
        QTest::newRow("Alt") << Layout::Standard << 1 << uint{kMod1Mask};
        QTest::newRow("Control") << Layout::Standard << 2 << control;
        QTest::newRow("Shift") << Layout::Standard << 4 << shift;
        QTest::newRow("Super") << Layout::Standard << 8 << uint{kMod4Mask};
        QTest::newRow("all four") << Layout::Standard << 15 << (control | shift | kMod1Mask | kMod4Mask);
        QTest::newRow("none") << Layout::Standard << 0 << 0U;
        QTest::newRow("unknown bits only") << Layout::Standard << 0x4000 << 0U;
        QTest::newRow("Alt where the map puts it") << Layout::Moved << 3 << (control | kMod3);
        QTest::newRow("Super where the map puts it") << Layout::Moved << 8 << uint{kMod5};
        QTest::newRow("Alt without a map") << Layout::Bare << 1 << uint{kMod1Mask};
        QTest::newRow("Super without a map") << Layout::Bare << 8 << uint{kMod4Mask};
    }
    void modifiers()
    {
        QFETCH(Layout, layout);
        QFETCH(int, flags);
        QFETCH(uint, mask);
        QCOMPARE(uint{modifiersForFlags(flags, makeMap(layout))}, mask);
    }

    void lockStates_data()
    {
        QTest::addColumn<Layout>("layout");
        QTest::addColumn<QList<uint>>("variants");
        QTest::addColumn<uint>("locks");

        QTest::newRow("NumLock on Mod2")
            << Layout::Standard << QList<uint>{0, kLockMask, kMod2, kLockMask | kMod2}
            << uint{kLockMask | kMod2};
        QTest::newRow("NumLock on Mod4")
            << Layout::Moved << QList<uint>{0, kLockMask, kMod4Mask, kLockMask | kMod4Mask}
            << uint{kLockMask | kMod4Mask};
        QTest::newRow("no NumLock key") << Layout::Bare << QList<uint>{0, kLockMask} << uint{kLockMask};
    }
    void lockStates()
    {
        QFETCH(Layout, layout);
        QFETCH(QList<uint>, variants);
        QFETCH(uint, locks);
        const KeyboardMap map = makeMap(layout);
        QList<uint> found;
        for (const ModifierMask variant : lockVariants(map))
            found << variant;
        QCOMPARE(found, variants);
        QCOMPARE(uint{lockModifiers(map)}, locks);
    }

    // Events are written "p28@100" (press of keycode 28 at 100 ms) and "r28@100"
    // (its release); accepted lists what press() said for each press in turn.
    void autoRepeat_data()
    {
        QTest::addColumn<QString>("events");
        QTest::addColumn<QList<bool>>("accepted");

        QTest::newRow("one press") << QStringLiteral("p28@100 r28@180") << QList<bool>{true};
        QTest::newRow("held and repeating")
            << QStringLiteral("p28@100 r28@760 p28@760 r28@800 p28@800 r28@950")
            << QList<bool>{true, false, false};
        QTest::newRow("pressed twice")
            << QStringLiteral("p28@100 r28@180 p28@300 r28@380") << QList<bool>{true, true};
        QTest::newRow("pressed again within the same second")
            << QStringLiteral("p28@100 r28@101 p28@102") << QList<bool>{true, true};
        QTest::newRow("another key released at the same time")
            << QStringLiteral("p28@100 r24@200 p28@200") << QList<bool>{true, true};
        QTest::newRow("release never seen") << QStringLiteral("p28@100 p28@300") << QList<bool>{true, true};
        QTest::newRow("timestamps wrapping round")
            << QStringLiteral("p28@4294967295 r28@0 p28@0") << QList<bool>{true, false};
    }
    void autoRepeat()
    {
        QFETCH(QString, events);
        QFETCH(QList<bool>, accepted);
        KeyRepeatFilter filter;
        QList<bool> found;
        for (const QString& event : events.split(QLatin1Char(' '))) {
            const qsizetype at = event.indexOf(QLatin1Char('@'));
            const auto keycode = static_cast<KeyCode>(event.mid(1, at - 1).toUInt());
            const auto time = static_cast<std::uint32_t>(event.mid(at + 1).toULongLong());
            if (event.startsWith(QLatin1Char('p')))
                found << filter.press(keycode, time);
            else
                filter.release(keycode, time);
        }
        QCOMPARE(found, accepted);
    }

    void autoRepeatForgottenAfterReset()
    {
        KeyRepeatFilter filter;
        QVERIFY(filter.press(28, 100));
        filter.release(28, 500);
        filter.reset();
        QVERIFY(filter.press(28, 500));
    }
};

QTEST_APPLESS_MAIN(TestHotKeyKeys)
#include "tst_HotKeyKeys.moc"
