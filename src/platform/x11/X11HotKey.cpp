#include "platform/x11/X11HotKey.h"

#include "Xcb.h"

#include <QLoggingCategory>
#include <QSocketNotifier>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <utility>
#include <xcb/xcb.h>

namespace hv {

namespace {

Q_LOGGING_CATEGORY(lcHotKey, "horavox.hotkey")

template <typename T>
using XcbPtr = xcb::Ptr<T>;

constexpr xcb_window_t kNoWindow = XCB_WINDOW_NONE;
constexpr std::uint8_t kBadAccess = XCB_ACCESS;
// The low byte of a key event's state holds the modifiers; the bits above are
// mouse buttons.
constexpr std::uint16_t kModifierBits = 0xff;

} // namespace

X11HotKey::X11HotKey(const QByteArray& displayName, QObject* parent)
    : HotKey(parent)
{
    const xcb::Display display = xcb::connectToDisplay(displayName);
    m_connection = display.connection;
    if (!display.isOpen())
        return;
    m_root = display.root;
    readKeyboardMap();

    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &X11HotKey::onSocketReadable);
    afterRequests();
}

X11HotKey::~X11HotKey()
{
    delete m_notifier; // before its socket closes
    // The server would drop the grabs with the connection anyway; released here,
    // they are gone before this returns.
    releaseGrabs();
    xcb_disconnect(m_connection);
}

bool X11HotKey::isAvailable() const
{
    return m_root != kNoWindow && xcb_connection_has_error(m_connection) == 0;
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
    const xcb_setup_t* setup = xcb_get_setup(m_connection);
    const auto keyCookie =
        xcb_get_keyboard_mapping(m_connection, setup->min_keycode,
                                 static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1));
    const auto modifierCookie = xcb_get_modifier_mapping(m_connection);
    const XcbPtr<xcb_get_keyboard_mapping_reply_t> keys(
        xcb_get_keyboard_mapping_reply(m_connection, keyCookie, nullptr));
    const XcbPtr<xcb_get_modifier_mapping_reply_t> modifiers(
        xcb_get_modifier_mapping_reply(m_connection, modifierCookie, nullptr));

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
        afterRequests();
        return m_result;
    }
    if (wanted.empty()) {
        setProblem(RegisterResult::Unsupported,
                   QStringLiteral("This keyboard has no %1 key, so %2 cannot be used as a hot key.")
                       .arg(x11::virtualKeyName(virtualKey), name));
        afterRequests();
        return m_result;
    }

    std::vector<xcb_void_cookie_t> cookies;
    cookies.reserve(wanted.size());
    for (const auto& [keycode, mask] : wanted) {
        // Not owner_events: this connection has no windows for the events to go to.
        cookies.push_back(xcb_grab_key_checked(m_connection, 0, m_root, mask, keycode, XCB_GRAB_MODE_ASYNC,
                                               XCB_GRAB_MODE_ASYNC));
    }
    bool held = false;
    bool failed = false;
    // The first check waits for the server once; the others are then known.
    for (const xcb_void_cookie_t cookie : cookies) {
        const XcbPtr<xcb_generic_error_t> error(xcb_request_check(m_connection, cookie));
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
    afterRequests();
    return m_result;
}

void X11HotKey::releaseGrabs()
{
    if (m_grabs.empty())
        return;
    for (const auto& [keycode, mask] : m_grabs)
        xcb_ungrab_key(m_connection, keycode, m_root, mask);
    m_grabs.clear();
    xcb_flush(m_connection);
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

void X11HotKey::takeEvents(bool readSocket)
{
    while (true) {
        const XcbPtr<xcb_generic_event_t> event(readSocket ? xcb_poll_for_event(m_connection)
                                                           : xcb_poll_for_queued_event(m_connection));
        if (!event)
            return;
        // The high bit only says that another client sent the event.
        switch (event->response_type & 0x7f) {
        case XCB_KEY_PRESS: {
            const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event.get());
            const Grab grab{key->detail, static_cast<x11::ModifierMask>(key->state & kModifierBits)};
            // While the grab is active every key comes here, not only ours.
            if (std::find(m_grabs.cbegin(), m_grabs.cend(), grab) == m_grabs.cend())
                break;
            if (m_repeats.press(key->detail, key->time))
                ++m_presses;
            break;
        }
        case XCB_KEY_RELEASE: {
            const auto* key = reinterpret_cast<const xcb_key_release_event_t*>(event.get());
            m_repeats.release(key->detail, key->time);
            break;
        }
        case XCB_MAPPING_NOTIFY: {
            // Every client hears of it, without asking.
            const auto* notify = reinterpret_cast<const xcb_mapping_notify_event_t*>(event.get());
            if (notify->request != XCB_MAPPING_POINTER)
                m_mapChanged = true;
            break;
        }
        default:
            break;
        }
    }
}

void X11HotKey::onSocketReadable()
{
    takeEvents(true);
    if (xcb_connection_has_error(m_connection) != 0) {
        // The server has gone: its socket would stay readable for ever.
        m_notifier->setEnabled(false);
        m_grabs.clear();
        return;
    }
    actOnEvents();
}

void X11HotKey::afterRequests()
{
    takeEvents(false);
    if ((m_presses > 0 || m_mapChanged) && !m_actPosted) {
        m_actPosted = true;
        QMetaObject::invokeMethod(this, &X11HotKey::actOnEvents, Qt::QueuedConnection);
    }
}

void X11HotKey::actOnEvents()
{
    m_actPosted = false;
    if (std::exchange(m_mapChanged, false)) {
        readKeyboardMap();
        if (m_wanted)
            applyGrabs();
        else
            afterRequests();
    }
    // A slot may unregister, which drops the presses still counted.
    while (m_presses > 0) {
        --m_presses;
        Q_EMIT pressed();
    }
}

} // namespace hv
