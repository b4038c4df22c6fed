// SPDX-License-Identifier: GPL-3.0-or-later
// The X11 hot key on a real desktop (Xvfb + openbox): keys typed with xdotool,
// other programs played by a bare xcb connection of the test's own and by a
// second hot key, and a Qt window that must get the key once it is released.

#include "desktop/DesktopWindows.h"
#include "desktop/RequireDesktop.h"
#include "platform/PlatformServices.h"
#include "platform/Unavailable.h"
#include "platform/x11/X11HotKey.h"
#include "platform/x11/X11HotKeyKeys.h"
#include "platform/x11/Xcb.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QWindow>

#include <X11/keysym.h>
#include <cstdlib>
#include <memory>
#include <optional>
#include <xcb/xcb.h>

using namespace hv;
using Result = HotKey::RegisterResult;

namespace {

// A press arrives within a second on an idle desktop; the tests wait longer, in
// ms, so that parallel tests on two cores do not fail them. How fast it is
// belongs to the benchmarks.
constexpr int kPromptly = 5000;
constexpr int kSettle = 5000;
// How long a key is held down, in ms: past the server's auto-repeat delay
// (660 ms unless set otherwise), so that it repeats a dozen times or more.
constexpr int kHold = 1500;

constexpr quint16 kKeyT = 84;
constexpr quint16 kKeyY = 89;
constexpr qint32 kCtrlAlt = HotKey::Control | HotKey::Alt;
constexpr x11::ModifierMask kCtrlAltMask = x11::kControlMask | x11::kMod1Mask;

template <typename T>
using XcbPtr = hv::xcb::Ptr<T>;

// The test's own client of the display, as another program that grabs keys,
// remaps the keyboard and reads the lock state, apart from the hot key and Qt.
class KeyboardClient : public hv::test::DesktopWindows
{
public:
    x11::KeyboardMap keyboardMap()
    {
        xcb_connection_t* c = connection();
        const xcb_setup_t* setup = xcb_get_setup(c);
        const XcbPtr<xcb_get_keyboard_mapping_reply_t> keys(xcb_get_keyboard_mapping_reply(
            c,
            xcb_get_keyboard_mapping(c, setup->min_keycode,
                                     static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1)),
            nullptr));
        const XcbPtr<xcb_get_modifier_mapping_reply_t> modifiers(
            xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr));
        x11::KeyboardMap map;
        map.minKeycode = setup->min_keycode;
        if (keys) {
            map.keysymsPerKeycode = keys->keysyms_per_keycode;
            const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(keys.get());
            map.keysyms.assign(keysyms, keysyms + xcb_get_keyboard_mapping_keysyms_length(keys.get()));
        }
        if (modifiers) {
            map.keycodesPerModifier = modifiers->keycodes_per_modifier;
            const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(modifiers.get());
            map.modifierKeycodes.assign(keycodes,
                                        keycodes + xcb_get_modifier_mapping_keycodes_length(modifiers.get()));
        }
        return map;
    }

    // The first key that carries keysym; 0 when none does.
    x11::KeyCode keycodeOf(x11::KeySym keysym)
    {
        const auto keycodes = keyboardMap().keycodesFor(keysym);
        return keycodes.empty() ? 0 : keycodes.front();
    }

    // The modifiers and locks in force now.
    x11::ModifierMask modifierState()
    {
        const XcbPtr<xcb_query_pointer_reply_t> reply(
            xcb_query_pointer_reply(connection(), xcb_query_pointer(connection(), root()), nullptr));
        return reply ? static_cast<x11::ModifierMask>(reply->mask & 0xff) : 0;
    }

    bool autoRepeats(x11::KeyCode keycode)
    {
        const XcbPtr<xcb_get_keyboard_control_reply_t> reply(
            xcb_get_keyboard_control_reply(connection(), xcb_get_keyboard_control(connection()), nullptr));
        return reply && reply->global_auto_repeat == XCB_AUTO_REPEAT_MODE_ON &&
               (reply->auto_repeats[keycode / 8] & (1U << (keycode % 8))) != 0;
    }

    // True when the grab was had: nobody else holds the combination.
    bool grab(x11::KeyCode keycode, x11::ModifierMask modifiers)
    {
        const XcbPtr<xcb_generic_error_t> error(
            xcb_request_check(connection(), xcb_grab_key_checked(connection(), 0, root(), modifiers, keycode,
                                                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
        return !error;
    }
    void ungrabAll()
    {
        xcb_ungrab_key(connection(), XCB_GRAB_ANY, root(), XCB_MOD_MASK_ANY);
        sync();
    }
    // Whether another client holds the combination: grabs it and lets go at once.
    bool isHeldElsewhere(x11::KeyCode keycode, x11::ModifierMask modifiers)
    {
        if (!grab(keycode, modifiers))
            return true;
        xcb_ungrab_key(connection(), keycode, root(), modifiers);
        sync();
        return false;
    }

    // Replaces the keysyms of one key; the server tells every client.
    void setKeysyms(x11::KeyCode keycode, std::vector<x11::KeySym> keysyms, int perKeycode)
    {
        keysyms.resize(static_cast<std::size_t>(perKeycode), x11::kNoSymbol);
        xcb_change_keyboard_mapping(connection(), 1, keycode, static_cast<std::uint8_t>(perKeycode),
                                    keysyms.data());
        sync();
    }
};

// A window of the test's, standing for the program that has the focus.
class KeyWindow : public QWindow
{
public:
    QList<QKeyCombination> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (!event->isAutoRepeat())
            keys << event->keyCombination();
    }
};

bool xdotool(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    return process.waitForFinished(kSettle) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

bool typeKeys(const char* keys)
{
    return xdotool({QStringLiteral("key"), QString::fromLatin1(keys)});
}

} // namespace

class TestHotKey : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb") || !m_display.isOpen())
            HV_DESKTOP_MISSING("needs the xcb platform on an X11 desktop");
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            HV_DESKTOP_MISSING("needs xdotool");
        m_keycodeT = m_display.keycodeOf(XK_t);
        QVERIFY(m_keycodeT != 0);
        const x11::KeyboardMap map = m_display.keyboardMap();
        for (int column = 0; column < map.keysymsPerKeycode; ++column)
            m_keysymsOfT.push_back(map.keysyms[static_cast<std::size_t>(
                (m_keycodeT - map.minKeycode) * map.keysymsPerKeycode + column)]);
        m_numLock = m_display.keyboardMap().modifierFor(XK_Num_Lock);
        QVERIFY(m_numLock != 0);
    }

    void cleanup()
    {
        if (std::exchange(m_holding, false))
            xdotool({QStringLiteral("keyup"), QStringLiteral("ctrl+alt+t")});
        if (m_movedTo != 0) {
            const int perKeycode = m_display.keyboardMap().keysymsPerKeycode;
            m_display.setKeysyms(m_movedTo, {}, perKeycode);
            m_display.setKeysyms(m_keycodeT, m_keysymsOfT, perKeycode);
            m_movedTo = 0;
        }
        m_display.ungrabAll();
        setLocks(false, false);
    }

    void pressedInEveryLockState_data()
    {
        QTest::addColumn<bool>("numLock");
        QTest::addColumn<bool>("capsLock");
        QTest::newRow("no lock") << false << false;
        QTest::newRow("NumLock") << true << false;
        QTest::newRow("CapsLock") << false << true;
        QTest::newRow("NumLock and CapsLock") << true << true;
    }
    void pressedInEveryLockState()
    {
        QFETCH(bool, numLock);
        QFETCH(bool, capsLock);
        QVERIFY(setLocks(numLock, capsLock));
        X11HotKey hotKey;
        QCOMPARE(hotKey.registerKey(kKeyT, kCtrlAlt), Result::Registered);
        QCOMPARE(hotKey.lastProblem(), QString());
        QSignalSpy pressed(&hotKey, &HotKey::pressed);

        QVERIFY(typeKeys("ctrl+alt+t"));
        QTRY_COMPARE_WITH_TIMEOUT(pressed.count(), 1, kPromptly);
        // A second press is a press of its own.
        QVERIFY(typeKeys("ctrl+alt+t"));
        QTRY_COMPARE_WITH_TIMEOUT(pressed.count(), 2, kPromptly);
    }

    void combinations_data()
    {
        QTest::addColumn<int>("virtualKey");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QString>("typed");

        QTest::newRow("Shift+F5") << 0x74 << 4 << QStringLiteral("shift+F5");
        QTest::newRow("Ctrl+Alt+Shift+1") << int{'1'} << 7 << QStringLiteral("ctrl+alt+shift+1");
        QTest::newRow("Super+Space") << 0x20 << 8 << QStringLiteral("super+space");
        QTest::newRow("Ctrl+Page Up") << 0x21 << 2 << QStringLiteral("ctrl+Prior");
        QTest::newRow("Alt+Num 0") << 0x60 << 1 << QStringLiteral("alt+KP_Insert");
        QTest::newRow("Ctrl+Alt+;") << 0xba << 3 << QStringLiteral("ctrl+alt+semicolon");
        QTest::newRow("Ctrl+Alt+-") << 0xbd << 3 << QStringLiteral("ctrl+alt+minus");
    }
    void combinations()
    {
        QFETCH(int, virtualKey);
        QFETCH(int, flags);
        QFETCH(QString, typed);
        X11HotKey hotKey;
        QCOMPARE(hotKey.registerKey(static_cast<quint16>(virtualKey), flags), Result::Registered);
        QSignalSpy pressed(&hotKey, &HotKey::pressed);
        QVERIFY(xdotool({QStringLiteral("key"), typed}));
        QTRY_COMPARE_WITH_TIMEOUT(pressed.count(), 1, kPromptly);
    }

    void heldKeyCountsOnce()
    {
        if (!m_display.autoRepeats(m_keycodeT))
            QSKIP("the server does not repeat held keys");
        X11HotKey hotKey;
        QCOMPARE(hotKey.registerKey(kKeyT, kCtrlAlt), Result::Registered);
        QSignalSpy pressed(&hotKey, &HotKey::pressed);

        m_holding = true;
        QVERIFY(xdotool({QStringLiteral("keydown"), QStringLiteral("ctrl+alt+t")}));
        QTRY_COMPARE_WITH_TIMEOUT(pressed.count(), 1, kPromptly);
        // The holding is what is tried: the server repeats the key all along.
        QTest::qWait(kHold);
        m_holding = false;
        QVERIFY(xdotool({QStringLiteral("keyup"), QStringLiteral("ctrl+alt+t")}));
        // The next press comes after every repeat: it makes two, not more.
        QVERIFY(typeKeys("ctrl+alt+t"));
        QTRY_COMPARE_WITH_TIMEOUT(pressed.count(), 2, kPromptly);
        QCOMPARE(pressed.count(), 2);
    }

    // How the combination is let go of; then it reaches the focused program.
    void releasedKeyReachesOtherPrograms_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("unregistered") << QStringLiteral("unregister");
        QTest::newRow("replaced by Ctrl+Alt+Y") << QStringLiteral("replace");
        QTest::newRow("hot key destroyed") << QStringLiteral("destroy");
    }
    void releasedKeyReachesOtherPrograms()
    {
        QFETCH(QString, how);
        KeyWindow window;
        window.resize(200, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        m_display.activate(static_cast<xcb_window_t>(window.winId()));
        QTRY_VERIFY_WITH_TIMEOUT(window.isActive(), kSettle);

        auto hotKey = std::make_unique<X11HotKey>();
        QCOMPARE(hotKey->registerKey(kKeyT, kCtrlAlt), Result::Registered);
        QSignalSpy pressed(hotKey.get(), &HotKey::pressed);
        QVERIFY(typeKeys("ctrl+alt+t"));
        QTRY_COMPARE_WITH_TIMEOUT(pressed.count(), 1, kPromptly);
        QCOMPARE(window.keys.count(QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_T)), 0);

        if (how == QLatin1String("unregister")) {
            hotKey->unregisterKey();
            QCOMPARE(hotKey->lastProblem(), QString());
        } else if (how == QLatin1String("replace")) {
            QCOMPARE(hotKey->registerKey(kKeyY, kCtrlAlt), Result::Registered);
        } else {
            hotKey.reset();
        }
        // Free in every lock state: the test itself can take each variant.
        for (const x11::ModifierMask locks : x11::lockVariants(m_display.keyboardMap()))
            QVERIFY2(!m_display.isHeldElsewhere(m_keycodeT, kCtrlAltMask | locks),
                     qPrintable(QString::number(locks)));

        QVERIFY(typeKeys("ctrl+alt+t"));
        QTRY_COMPARE_WITH_TIMEOUT(
            window.keys.count(QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_T)), 1, kSettle);
        if (how == QLatin1String("replace")) {
            QVERIFY(typeKeys("ctrl+alt+y"));
            QTRY_COMPARE_WITH_TIMEOUT(pressed.count(), 2, kPromptly);
            QCOMPARE(window.keys.count(QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_Y)), 0);
        } else if (hotKey) {
            QCOMPARE(pressed.count(), 1);
        }
    }

    // Who holds Ctrl+Alt+T before the hot key asks for it.
    void heldByAnotherProgram_data()
    {
        QTest::addColumn<QString>("holder");
        QTest::newRow("another hot key") << QStringLiteral("hotkey");
        QTest::newRow("a program, without locks") << QStringLiteral("plain");
        QTest::newRow("a program, with NumLock only") << QStringLiteral("numlock");
    }
    void heldByAnotherProgram()
    {
        QFETCH(QString, holder);
        std::optional<X11HotKey> other;
        if (holder == QLatin1String("hotkey")) {
            other.emplace();
            QCOMPARE(other->registerKey(kKeyT, kCtrlAlt), Result::Registered);
        } else {
            const auto locks = holder == QLatin1String("numlock") ? m_numLock : x11::ModifierMask{0};
            QVERIFY(m_display.grab(m_keycodeT, kCtrlAltMask | locks));
        }

        const QString problem = QStringLiteral("Ctrl+Alt+T is already used by another program.");
        X11HotKey hotKey;
        QTest::ignoreMessage(QtWarningMsg, qPrintable(problem));
        QCOMPARE(hotKey.registerKey(kKeyT, kCtrlAlt), Result::HeldByAnotherProgram);
        QCOMPARE(hotKey.lastProblem(), problem);
        QVERIFY(hotKey.isAvailable());
        // Asked again, as the options dialog would: the same answer, logged once.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("already used")));
        QCOMPARE(hotKey.registerKey(kKeyT, kCtrlAlt), Result::HeldByAnotherProgram);
        QCOMPARE(hotKey.lastProblem(), problem);

        // All or nothing: none of the lock variants stays grabbed.
        other.reset();
        m_display.ungrabAll();
        for (const x11::ModifierMask locks : x11::lockVariants(m_display.keyboardMap()))
            QVERIFY2(!m_display.isHeldElsewhere(m_keycodeT, kCtrlAltMask | locks),
                     qPrintable(QString::number(locks)));

        // Once the other program lets go, the combination can be had.
        QCOMPARE(hotKey.registerKey(kKeyT, kCtrlAlt), Result::Registered);
        QCOMPARE(hotKey.lastProblem(), QString());
        QSignalSpy pressed(&hotKey, &HotKey::pressed);
        QVERIFY(typeKeys("ctrl+alt+t"));
        QTRY_COMPARE_WITH_TIMEOUT(pressed.count(), 1, kPromptly);
    }

    void unsupported_data()
    {
        QTest::addColumn<int>("virtualKey");
        QTest::addColumn<QString>("problem");
        QTest::newRow("unknown code")
            << 0x5b << QStringLiteral("The key with code 91 cannot be used in a hot key.");
        QTest::newRow("no such key on this keyboard")
            << 0x87
            << QStringLiteral("This keyboard has no F24 key, so Ctrl+Alt+F24 cannot be used as a hot key.");
    }
    void unsupported()
    {
        QFETCH(int, virtualKey);
        QFETCH(QString, problem);
        if (m_display.keycodeOf(x11::keysymForVirtualKey(static_cast<quint16>(virtualKey))) != 0)
            QSKIP("this keyboard has the key");
        X11HotKey hotKey;
        QTest::ignoreMessage(QtWarningMsg, qPrintable(problem));
        QCOMPARE(hotKey.registerKey(static_cast<quint16>(virtualKey), kCtrlAlt), Result::Unsupported);
        QCOMPARE(hotKey.lastProblem(), problem);
        QVERIFY(hotKey.isAvailable());
    }

    // The keyboard is remapped while the hot key is registered.
    void followsTheKeyboardMapping()
    {
        X11HotKey hotKey;
        QCOMPARE(hotKey.registerKey(kKeyT, kCtrlAlt), Result::Registered);
        QSignalSpy pressed(&hotKey, &HotKey::pressed);
        const x11::KeyboardMap map = m_display.keyboardMap();
        const x11::KeyCode spare = spareKeycode(map);
        QVERIFY(spare != 0);

        // T moves to another key: the grab moves with it.
        m_movedTo = spare;
        m_display.setKeysyms(spare, {XK_t, XK_T}, map.keysymsPerKeycode);
        m_display.setKeysyms(m_keycodeT, {}, map.keysymsPerKeycode);
        QTRY_VERIFY_WITH_TIMEOUT(m_display.isHeldElsewhere(spare, kCtrlAltMask), kSettle);
        QVERIFY(!m_display.isHeldElsewhere(m_keycodeT, kCtrlAltMask));
        QVERIFY(typeKeys("ctrl+alt+t"));
        QTRY_COMPARE_WITH_TIMEOUT(pressed.count(), 1, kPromptly);

        // No key carries T any more: a problem to show, and no grab left.
        const QString problem =
            QStringLiteral("This keyboard has no T key, so Ctrl+Alt+T cannot be used as a hot key.");
        QTest::ignoreMessage(QtWarningMsg, qPrintable(problem));
        m_display.setKeysyms(spare, {}, map.keysymsPerKeycode);
        QTRY_COMPARE_WITH_TIMEOUT(hotKey.lastProblem(), problem, kSettle);
        QVERIFY(!m_display.isHeldElsewhere(spare, kCtrlAltMask));

        // T is back where it was: grabbed again.
        m_display.setKeysyms(m_keycodeT, m_keysymsOfT, map.keysymsPerKeycode);
        m_movedTo = 0;
        QTRY_COMPARE_WITH_TIMEOUT(hotKey.lastProblem(), QString(), kSettle);
        QVERIFY(m_display.isHeldElsewhere(m_keycodeT, kCtrlAltMask));
        QVERIFY(typeKeys("ctrl+alt+t"));
        QTRY_COMPARE_WITH_TIMEOUT(pressed.count(), 2, kPromptly);
    }

    void withoutAnXServer()
    {
        // No server listens on this display; the connection fails at once.
        X11HotKey hotKey(QByteArrayLiteral(":64999"));
        QVERIFY(!hotKey.isAvailable());
        QTest::ignoreMessage(QtWarningMsg, qPrintable(HotKey::unavailableProblem()));
        QCOMPARE(hotKey.registerKey(kKeyT, kCtrlAlt), Result::Unavailable);
        QCOMPARE(hotKey.lastProblem(), HotKey::unavailableProblem());
        hotKey.unregisterKey();
    }

    void factory_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<bool>("available");
        QTest::newRow("xcb") << QStringLiteral("xcb") << true;
        QTest::newRow("wayland") << QStringLiteral("wayland") << false;
        QTest::newRow("offscreen") << QStringLiteral("offscreen") << false;
    }
    void factory()
    {
        QFETCH(QString, platform);
        QFETCH(bool, available);
        const std::unique_ptr<HotKey> hotKey = createHotKey(platform);
        QCOMPARE(hotKey->isAvailable(), available);
        if (!available) {
            QCOMPARE(hotKey->registerKey(kKeyT, kCtrlAlt), Result::Unavailable);
            QCOMPARE(hotKey->lastProblem(), HotKey::unavailableProblem());
        }
    }

private:
    // Turns the locks on or off with key presses, as a user would, and waits
    // until the server has them.
    bool setLocks(bool numLock, bool capsLock)
    {
        const auto wanted =
            static_cast<x11::ModifierMask>((numLock ? m_numLock : 0) | (capsLock ? x11::kLockMask : 0));
        const auto locks = static_cast<x11::ModifierMask>(m_numLock | x11::kLockMask);
        const x11::ModifierMask now = m_display.modifierState() & locks;
        if (((now ^ wanted) & m_numLock) != 0)
            typeKeys("Num_Lock");
        if (((now ^ wanted) & x11::kLockMask) != 0)
            typeKeys("Caps_Lock");
        return QTest::qWaitFor([&] { return (m_display.modifierState() & locks) == wanted; }, kSettle);
    }

    // A keycode that carries no symbol at all.
    static x11::KeyCode spareKeycode(const x11::KeyboardMap& map)
    {
        const int rows = static_cast<int>(map.keysyms.size()) / map.keysymsPerKeycode;
        for (int row = rows - 1; row >= 0; --row) {
            const auto keycode = static_cast<x11::KeyCode>(map.minKeycode + row);
            bool empty = true;
            for (int column = 0; column < map.keysymsPerKeycode; ++column)
                empty = empty && map.keysym(keycode, column) == x11::kNoSymbol;
            if (empty)
                return keycode;
        }
        return 0;
    }

    KeyboardClient m_display;
    x11::KeyCode m_keycodeT = 0;
    std::vector<x11::KeySym> m_keysymsOfT; // as the server had them at the start
    x11::ModifierMask m_numLock = 0;
    bool m_holding = false;
    x11::KeyCode m_movedTo = 0; // where T was moved to, until it is put back
};

QTEST_MAIN(TestHotKey)
#include "desktop_HotKey.moc"
