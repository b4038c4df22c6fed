// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11WindowTitles.h"

#include "platform/x11/CompoundText.h"
#include "platform/x11/XcbConnection.h"

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>
#include <xcb/xcb.h>

namespace hv {

namespace {

using xcb::bytesOf;
using xcb::kNoAtom;
using xcb::kNoWindow;
using xcb::propertyReply;
using xcb::toXid;

constexpr xcb_atom_t kString = XCB_ATOM_STRING;

// A property of type WINDOW (or any other 32-bit type) holding one id; 0 when it
// holds none.
xcb_window_t windowIn(const xcb_get_property_reply_t* reply)
{
    const std::vector<std::uint32_t> values = xcb::valuesOf(reply);
    return values.empty() ? kNoWindow : values.front();
}

// WM_NAME in the type it was written in; nullopt when there is none.
std::optional<QString> wmNameText(const xcb_get_property_reply_t& reply, xcb_atom_t compoundText)
{
    if (reply.type == kNoAtom || reply.format != 8)
        return std::nullopt;
    const QByteArrayView bytes = bytesOf(reply);
    if (reply.type == kString)
        return QString::fromLatin1(bytes);
    if (reply.type == compoundText)
        return x11::decodeCompoundText(bytes);
    // UTF8_STRING, and the odd private type, which today is UTF-8 far more often
    // than anything else.
    return QString::fromUtf8(bytes);
}

} // namespace

X11WindowTitles::X11WindowTitles(const QByteArray& displayName, QObject* parent)
    : WindowTitles(parent)
    , m_x(std::make_unique<xcb::Connection>(displayName))
{
    if (!m_x->isAvailable())
        return;
    m_atoms = m_x->internAtoms<AtomCount>({"_NET_ACTIVE_WINDOW", "_NET_WM_NAME", "UTF8_STRING",
                                           "COMPOUND_TEXT", "_NET_CLIENT_LIST", "_HORAVOX_ORIGINAL_TITLE"});
    m_maxPropertyLength = xcb_get_maximum_request_length(m_x->get());

    // Selected on this connection only: Qt's mask on the root stays as it is.
    selectPropertyChanges(m_x->root(), true, Completion::Send);
    xcb_flush(m_x->get());

    m_x->watchEvents({
        .take =
            [this](const xcb_generic_event_t& event) {
                // The high bit only says that another client sent the event.
                if ((event.response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
                    return;
                const auto& notify = reinterpret_cast<const xcb_property_notify_event_t&>(event);
                takePropertyChange(notify.window, notify.atom);
            },
        .pending = [this] { return m_activeChanged || m_titleChanged; },
        .deliver = [this] { emitPending(); },
        .lost = {},
    });
}

X11WindowTitles::~X11WindowTitles() = default;

bool X11WindowTitles::isAvailable() const
{
    return m_x->isAvailable();
}

WindowId X11WindowTitles::activeWindow()
{
    if (!isAvailable())
        return 0;
    const auto reply =
        propertyReply(m_x->get(), xcb_get_property(m_x->get(), 0, m_x->root(), m_atoms[NetActiveWindow],
                                                   XCB_ATOM_WINDOW, 0, 1));
    m_x->afterRequests();
    return windowIn(reply.get());
}

WindowId X11WindowTitles::ownerOf(WindowId window)
{
    const xcb_window_t xid = toXid(window);
    if (!isAvailable() || xid == kNoWindow)
        return 0;
    const auto transientFor = propertyReply(
        m_x->get(), xcb_get_property(m_x->get(), 0, xid, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 0, 1));
    const xcb_window_t owner = windowIn(transientFor.get());
    // Transient for itself is a loop, and transient for the root means "for the
    // whole group": neither is an owner to decorate.
    if (owner == kNoWindow || owner == xid || owner == m_x->root()) {
        m_x->afterRequests();
        return 0;
    }
    const xcb::Ptr<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
        m_x->get(), xcb_get_window_attributes_unchecked(m_x->get(), owner), nullptr));
    m_x->afterRequests();
    return attributes && attributes->map_state != XCB_MAP_STATE_UNMAPPED ? owner : 0;
}

std::optional<QString> X11WindowTitles::title(WindowId window)
{
    const xcb_window_t xid = toXid(window);
    if (!isAvailable() || xid == kNoWindow)
        return std::nullopt;
    // Both asked at once: one round trip.
    const auto netCookie = xcb_get_property(m_x->get(), 0, xid, m_atoms[NetWmName], XCB_GET_PROPERTY_TYPE_ANY,
                                            0, m_maxPropertyLength);
    const auto wmCookie = xcb_get_property(m_x->get(), 0, xid, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0,
                                           m_maxPropertyLength);
    const auto netName = propertyReply(m_x->get(), netCookie);
    const auto wmName = propertyReply(m_x->get(), wmCookie);
    m_x->afterRequests();

    if (!netName)
        return std::nullopt;
    std::optional<QString> net;
    // _NET_WM_NAME is UTF-8 whatever type a program gave it.
    if (netName->type != kNoAtom && netName->format == 8)
        net = QString::fromUtf8(bytesOf(*netName));
    const std::optional<QString> wm = wmName ? wmNameText(*wmName, m_atoms[CompoundText]) : std::nullopt;
    if (!wmName && !net) // destroyed between the two requests
        return std::nullopt;
    // Once both names were written here, a program that keeps only WM_NAME up to
    // date (an old one, or Qt, whose WM_NAME comes later through Xlib) would be
    // hidden behind the _NET_WM_NAME written here: a WM_NAME that has moved away
    // from it is the window's own newer title.
    if (net && wm && *net != *wm && xid == m_writtenWindow && *net == m_writtenTitle)
        return wm;
    return net ? net : wm.value_or(QString());
}

bool X11WindowTitles::setTitle(WindowId window, const QString& title)
{
    const xcb_window_t xid = toXid(window);
    if (!isAvailable() || xid == kNoWindow)
        return false;
    const QByteArray utf8 = title.toUtf8();
    const bool latin1 =
        std::all_of(title.cbegin(), title.cend(), [](QChar c) { return c.unicode() <= 0xff; });
    // WM_NAME as Latin-1 STRING where it can be, for window managers that know no other type.
    const QByteArray wmName = latin1 ? title.toLatin1() : utf8;
    const xcb_atom_t wmNameType = latin1 ? kString : m_atoms[Utf8String];

    const auto netCookie = xcb_change_property_checked(
        m_x->get(), XCB_PROP_MODE_REPLACE, xid, m_atoms[NetWmName], m_atoms[Utf8String], 8,
        static_cast<std::uint32_t>(utf8.size()), utf8.constData());
    const auto wmCookie =
        xcb_change_property_checked(m_x->get(), XCB_PROP_MODE_REPLACE, xid, XCB_ATOM_WM_NAME, wmNameType, 8,
                                    static_cast<std::uint32_t>(wmName.size()), wmName.constData());
    // Checking the later request syncs once; the earlier one is then known too.
    const xcb::Ptr<xcb_generic_error_t> wmError(xcb_request_check(m_x->get(), wmCookie));
    const xcb::Ptr<xcb_generic_error_t> netError(xcb_request_check(m_x->get(), netCookie));
    m_x->afterRequests();
    if (wmError || netError)
        return false;
    m_writtenWindow = xid;
    m_writtenTitle = title;
    return true;
}

void X11WindowTitles::setMark(WindowId window, const std::optional<QString>& original)
{
    const xcb_window_t xid = toXid(window);
    if (!isAvailable() || xid == kNoWindow)
        return;
    // A window that has gone meanwhile gives BadWindow, which nobody needs to hear of.
    xcb_void_cookie_t cookie;
    if (original) {
        const QByteArray utf8 = original->toUtf8();
        cookie = xcb_change_property_checked(m_x->get(), XCB_PROP_MODE_REPLACE, xid, m_atoms[OriginalTitle],
                                             m_atoms[Utf8String], 8, static_cast<std::uint32_t>(utf8.size()),
                                             utf8.constData());
    } else {
        cookie = xcb_delete_property_checked(m_x->get(), xid, m_atoms[OriginalTitle]);
    }
    xcb_discard_reply(m_x->get(), cookie.sequence);
    xcb_flush(m_x->get());
}

QList<MarkedWindow> X11WindowTitles::markedWindows()
{
    if (!isAvailable())
        return {};
    const auto clients =
        propertyReply(m_x->get(), xcb_get_property(m_x->get(), 0, m_x->root(), m_atoms[NetClientList],
                                                   XCB_ATOM_WINDOW, 0, m_maxPropertyLength));
    const std::vector<std::uint32_t> windows = xcb::valuesOf(clients.get());
    // Every window asked at once, then every answer read: one round trip.
    std::vector<xcb_get_property_cookie_t> cookies;
    cookies.reserve(windows.size());
    for (const xcb_window_t window : windows)
        cookies.push_back(xcb_get_property(m_x->get(), 0, window, m_atoms[OriginalTitle], m_atoms[Utf8String],
                                           0, m_maxPropertyLength));
    QList<MarkedWindow> marked;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const auto mark = propertyReply(m_x->get(), cookies[i]);
        // Absent, of another type (not ours to trust) or from a window that has gone.
        if (mark && mark->type == m_atoms[Utf8String] && mark->format == 8)
            marked.append({windows[i], QString::fromUtf8(bytesOf(*mark))});
    }
    m_x->afterRequests();
    return marked;
}

void X11WindowTitles::watch(WindowId window)
{
    const xcb_window_t xid = toXid(window);
    if (!isAvailable() || xid == m_watched)
        return;
    // The root's mask is the one this connection needs for activeWindowChanged().
    if (m_watched != kNoWindow && m_watched != m_x->root())
        selectPropertyChanges(m_watched, false, Completion::Send);
    if (xid != kNoWindow && xid != m_x->root()) {
        // Waited for: once watch() returns, the server reports every later
        // change, whichever client makes it. Unwaited, a retitle by another
        // client could reach the server first and be lost.
        selectPropertyChanges(xid, true, Completion::Wait);
    }
    m_watched = xid;
    m_titleChanged = false; // any change seen was the previous window's
    xcb_flush(m_x->get());
    m_x->afterRequests();
}

void X11WindowTitles::selectPropertyChanges(xcb_window_t window, bool on, Completion completion)
{
    const std::uint32_t mask = on ? XCB_EVENT_MASK_PROPERTY_CHANGE : XCB_EVENT_MASK_NO_EVENT;
    const auto cookie = xcb_change_window_attributes_checked(m_x->get(), window, XCB_CW_EVENT_MASK, &mask);
    // A window that has gone meanwhile gives BadWindow, which nobody needs to hear of.
    if (completion == Completion::Wait)
        std::free(xcb_request_check(m_x->get(), cookie));
    else
        xcb_discard_reply(m_x->get(), cookie.sequence);
}

void X11WindowTitles::takePropertyChange(xcb_window_t window, xcb_atom_t atom)
{
    if (window == m_x->root() && atom == m_atoms[NetActiveWindow])
        m_activeChanged = true;
    else if (window == m_watched && m_watched != kNoWindow &&
             (atom == m_atoms[NetWmName] || atom == XCB_ATOM_WM_NAME))
        m_titleChanged = true;
}

void X11WindowTitles::emitPending()
{
    const bool activeChanged = std::exchange(m_activeChanged, false);
    const xcb_window_t retitled = std::exchange(m_titleChanged, false) ? m_watched : kNoWindow;
    if (activeChanged)
        Q_EMIT activeWindowChanged();
    // A slot of activeWindowChanged() may have moved the watch on meanwhile.
    if (retitled != kNoWindow && retitled == m_watched)
        Q_EMIT titleChanged(retitled);
}

} // namespace hv
