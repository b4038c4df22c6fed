// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11HotKey.h"

#include "common/Logging.h"
#include "platform/x11/XcbConnection.h"

#include <algorithm>
#include <utility>
#include <xcb/xcb.h>

namespace hv {

namespace {

constexpr std::uint8_t kBadAccess = XCB_ACCESS;
// The low byte of a key event's state holds the modifiers; the bits above are
// mouse buttons.
constexpr std::uint16_t kModifierBits = 0xff;

} // namespace

X11HotKey::X11HotKey(const QByteArray& displayName, QObject* parent)
    : HotKey(parent)
    , m_x(std::make_unique<xcb::Connection>(displayName))
{
    if (!m_x->isAvailable())
        return;
    readKeyboardMap();

    m_x->watchEvents({
        .take =
            [this](const xcb_generic_event_t& event) {
                // The high bit only says that another client sent the event.
                switch (event.response_type & 0x7f) {
                case XCB_KEY_PRESS: {
                    const auto& key = reinterpret_cast<const xcb_key_press_event_t&>(event);
                    takeKeyPress(key.detail, key.state, key.time);
                    break;
                }
                case XCB_KEY_RELEASE: {
                    const auto& key = reinterpret_cast<const xcb_key_release_event_t&>(event);
                    m_repeats.release(key.detail, key.time);
                    break;
                }
                case XCB_MAPPING_NOTIFY: {
                    // Every client hears of it, without asking.
                    const auto& notify = reinterpret_cast<const xcb_mapping_notify_event_t&>(event);
                    if (notify.request != XCB_MAPPING_POINTER)
                        m_mapChanged = true;
                    break;
                }
                default:
                    break;
                }
            },
        .pending = [this] { return m_presses > 0 || m_mapChanged; },
        .deliver = [this] { actOnEvents(); },
        .lost = [this] { m_grabs.clear(); },
    });
    m_x->afterRequests();
}

X11HotKey::~X11HotKey()
{
    // The server would drop the grabs with the connection anyway; released here,
    // they are gone before this returns.
    releaseGrabs();
}

bool X11HotKey::isAvailable() const
{
    return m_x->isAvailable();
}

HotKey::RegisterResult X11HotKey::registerKey(quint16 virtualKey, qint32 modifierFlags)
{
    m_presses = 0;
    m_repeats.reset();
    if (!isAvailable()) {
        m_wanted.reset();
        m_grabs.clear();
        setProblem(RegisterResult::Unavailable, unavailableProblem());
        return m_result;
    }
    if (std::exchange(m_mapChanged, false))
        readKeyboardMap();
    m_wanted = Combination{virtualKey, modifierFlags};
    return applyGrabs();
}

void X11HotKey::unregisterKey()
{
    m_wanted.reset();
    m_presses = 0;
    m_repeats.reset();
    releaseGrabs();
    setProblem(RegisterResult::Registered, {});
}

QString X11HotKey::lastProblem() const
{
    return m_problem;
}

void X11HotKey::readKeyboardMap()
{
    const xcb_setup_t* setup = xcb_get_setup(m_x->get());
    const auto keyCookie =
        xcb_get_keyboard_mapping(m_x->get(), setup->min_keycode,
                                 static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1));
    const auto modifierCookie = xcb_get_modifier_mapping(m_x->get());
    const xcb::Ptr<xcb_get_keyboard_mapping_reply_t> keys(
        xcb_get_keyboard_mapping_reply(m_x->get(), keyCookie, nullptr));
    const xcb::Ptr<xcb_get_modifier_mapping_reply_t> modifiers(
        xcb_get_modifier_mapping_reply(m_x->get(), modifierCookie, nullptr));

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
    m_map = std::move(map);
}

HotKey::RegisterResult X11HotKey::applyGrabs()
{
    const quint16 virtualKey = m_wanted->virtualKey;
    const QString name = x11::hotKeyName(virtualKey, m_wanted->modifierFlags);
    const x11::KeySym keysym = x11::keysymForVirtualKey(virtualKey);

    std::vector<Grab> wanted;
    const x11::ModifierMask modifiers = x11::modifiersForFlags(m_wanted->modifierFlags, m_map);
    for (const x11::KeyCode keycode : m_map.keycodesFor(keysym)) {
        for (const x11::ModifierMask locks : x11::lockVariants(m_map))
            wanted.emplace_back(keycode, static_cast<x11::ModifierMask>(modifiers | locks));
    }
    // Already grabbed: the same combination again, or a mapping change that left
    // its keys alone.
    if (!wanted.empty() && wanted == m_grabs) {
        setProblem(RegisterResult::Registered, {});
        return m_result;
    }

    releaseGrabs();
    if (keysym == x11::kNoSymbol) {
        setProblem(RegisterResult::Unsupported,
                   QStringLiteral("The key with code %1 cannot be used in a hot key.").arg(virtualKey));
        m_x->afterRequests();
        return m_result;
    }
    if (wanted.empty()) {
        setProblem(RegisterResult::Unsupported,
                   QStringLiteral("This keyboard has no %1 key, so %2 cannot be used as a hot key.")
                       .arg(x11::virtualKeyName(virtualKey), name));
        m_x->afterRequests();
        return m_result;
    }

    std::vector<xcb_void_cookie_t> cookies;
    cookies.reserve(wanted.size());
    for (const auto& [keycode, mask] : wanted) {
        // Not owner_events: this connection has no windows for the events to go to.
        cookies.push_back(xcb_grab_key_checked(m_x->get(), 0, m_x->root(), mask, keycode, XCB_GRAB_MODE_ASYNC,
                                               XCB_GRAB_MODE_ASYNC));
    }
    bool held = false;
    bool failed = false;
    // The first check waits for the server once; the others are then known.
    for (const xcb_void_cookie_t cookie : cookies) {
        const xcb::Ptr<xcb_generic_error_t> error(xcb_request_check(m_x->get(), cookie));
        if (error) {
            failed = true;
            held = held || error->error_code == kBadAccess;
        }
    }

    if (failed) {
        // All or nothing: a combination that works in some lock states only would
        // seem to work at random. UngrabKey leaves other programs' grabs alone.
        m_grabs = std::move(wanted);
        releaseGrabs();
        if (held)
            setProblem(RegisterResult::HeldByAnotherProgram,
                       QStringLiteral("%1 is already used by another program.").arg(name));
        else
            setProblem(RegisterResult::Unsupported,
                       QStringLiteral("%1 could not be set as a hot key.").arg(name));
    } else {
        m_grabs = std::move(wanted);
        setProblem(RegisterResult::Registered, {});
    }
    m_x->afterRequests();
    return m_result;
}

void X11HotKey::releaseGrabs()
{
    if (m_grabs.empty())
        return;
    for (const auto& [keycode, mask] : m_grabs)
        xcb_ungrab_key(m_x->get(), keycode, m_x->root(), mask);
    m_grabs.clear();
    xcb_flush(m_x->get());
}

void X11HotKey::setProblem(RegisterResult result, const QString& problem)
{
    m_result = result;
    m_problem = problem;
    if (problem.isEmpty()) {
        m_loggedProblem.clear(); // a problem that comes back later is news again
    } else if (problem != m_loggedProblem) {
        qCWarning(lcHotKey).noquote() << problem;
        m_loggedProblem = problem;
    }
}

void X11HotKey::takeKeyPress(x11::KeyCode keycode, std::uint16_t state, std::uint32_t time)
{
    const Grab grab{keycode, static_cast<x11::ModifierMask>(state & kModifierBits)};
    // While the grab is active every key comes here, not only ours.
    if (std::find(m_grabs.cbegin(), m_grabs.cend(), grab) == m_grabs.cend())
        return;
    if (m_repeats.press(keycode, time))
        ++m_presses;
}

void X11HotKey::actOnEvents()
{
    if (std::exchange(m_mapChanged, false)) {
        readKeyboardMap();
        if (m_wanted)
            applyGrabs();
        else
            m_x->afterRequests();
    }
    // A slot may unregister, which drops the presses still counted.
    while (m_presses > 0) {
        --m_presses;
        Q_EMIT pressed();
    }
}

} // namespace hv
