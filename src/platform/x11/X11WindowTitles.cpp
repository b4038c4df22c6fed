#include "platform/x11/X11WindowTitles.h"

#include "Xcb.h"

#include <QSocketNotifier>
#include <QStringDecoder>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>
#include <xcb/xcb.h>

namespace hv {

namespace {

using xcb::propertyReply;
using xcb::toXid;

template <typename T>
using XcbPtr = xcb::Ptr<T>;

// xcb's constants are enumerators; these give them the types of the values they stand for.
constexpr xcb_window_t kNoWindow = XCB_WINDOW_NONE;
constexpr xcb_atom_t kNoAtom = XCB_ATOM_NONE;
constexpr xcb_atom_t kString = XCB_ATOM_STRING;

constexpr std::uint8_t kEscape = 0x1b;
constexpr std::uint8_t kControlSequenceIntroducer = 0x9b;
constexpr std::uint8_t kStartOfText = 0x02;

QByteArrayView bytesOf(const xcb_get_property_reply_t& reply)
{
    // xcb_get_property_value() takes a non-const pointer but only computes an address.
    auto& mutableReply = const_cast<xcb_get_property_reply_t&>(reply);
    return {static_cast<const char*>(xcb_get_property_value(&mutableReply)),
            xcb_get_property_value_length(&mutableReply)};
}

// A property of type WINDOW (or any other 32-bit type) holding one id; 0 when it
// holds none.
xcb_window_t windowIn(const xcb_get_property_reply_t* reply)
{
    if (reply == nullptr || reply->format != 32 || xcb_get_property_value_length(reply) < 1)
        return kNoWindow;
    xcb_window_t window = kNoWindow;
    std::memcpy(&window, bytesOf(*reply).data(), sizeof window);
    return window;
}

QString decode(const char* encoding, QByteArrayView bytes)
{
    if (encoding == nullptr)
        return QString(bytes.size(), QChar::ReplacementCharacter);
    QStringDecoder decoder(encoding);
    return decoder.isValid() ? QString(decoder.decode(bytes))
                             : QString(bytes.size(), QChar::ReplacementCharacter);
}

// One half of the compound-text code table: the encoding that decodes its bytes
// (nullptr: a character set we cannot decode), and whether bytes of the left half
// need their high bit set first, as the EUC encodings of the 94x94 sets expect.
struct Charset
{
    const char* encoding = nullptr;
    bool raiseGl = false;
};

constexpr Charset kAscii{"ISO-8859-1", false};

// The character set an escape sequence designates; intermediates are the bytes
// between ESC and the final byte.
Charset designated(QByteArrayView intermediates, char final)
{
    if (intermediates == "(" && (final == 'B' || final == 'J')) // ASCII, JIS-Roman
        return kAscii;
    if (intermediates == ")" && final == 'I') // JIS X 0201 katakana in GR
        return {"Shift_JIS", false};
    if (intermediates == "-") { // 96-character sets in GR: the right halves of ISO 8859
        switch (final) {
        case 'A':
            return {"ISO-8859-1", false};
        case 'B':
            return {"ISO-8859-2", false};
        case 'C':
            return {"ISO-8859-3", false};
        case 'D':
            return {"ISO-8859-4", false};
        case 'F':
            return {"ISO-8859-7", false};
        case 'G':
            return {"ISO-8859-6", false};
        case 'H':
            return {"ISO-8859-8", false};
        case 'L':
            return {"ISO-8859-5", false};
        case 'M':
            return {"ISO-8859-9", false};
        case 'b':
            return {"ISO-8859-15", false};
        default:
            return {};
        }
    }
    if (intermediates == "$(" || intermediates == "$)") { // 94x94 sets, in GL or GR
        const bool gl = intermediates == "$(";
        switch (final) {
        case 'A':
            return {"GB2312", gl};
        case 'B':
            return {"EUC-JP", gl};
        case 'C':
            return {"EUC-KR", gl};
        default:
            return {};
        }
    }
    return {};
}

// X's COMPOUND_TEXT: ISO 2022 with Latin-1 as the initial state, the ISO 8859
// right halves and the East Asian 94x94 sets designated by escape sequences, UTF-8
// segments (ESC % G ... ESC % @) and extended segments that name their encoding.
// Characters of sets we cannot decode become U+FFFD; direction controls are dropped.
QString decodeCompoundText(QByteArrayView text)
{
    QString out;
    QByteArray run; // bytes waiting for one decoder
    const char* runEncoding = kAscii.encoding;
    const auto flush = [&] {
        if (!run.isEmpty())
            out += decode(runEncoding, run);
        run.clear();
    };
    const auto append = [&](const char* encoding, char byte) {
        if (encoding != runEncoding) {
            flush();
            runEncoding = encoding;
        }
        run += byte;
    };

    Charset gl = kAscii;
    Charset gr{"ISO-8859-1", false};
    bool utf8 = false;
    qsizetype i = 0;
    const auto byteAt = [&](qsizetype at) { return static_cast<std::uint8_t>(text[at]); };
    while (i < text.size()) {
        const std::uint8_t byte = byteAt(i);
        if (byte == kEscape) {
            qsizetype end = i + 1;
            while (end < text.size() && byteAt(end) >= 0x20 && byteAt(end) <= 0x2f)
                ++end;
            if (end >= text.size())
                break; // a sequence cut short ends the text
            const QByteArrayView intermediates = text.sliced(i + 1, end - i - 1);
            const char final = text[end];
            i = end + 1;
            if (intermediates == "%") {
                utf8 = final == 'G';
            } else if (intermediates == "%/") {
                // Extended segment: a two-byte length, the encoding's name up to STX, the text.
                if (i + 2 > text.size())
                    break;
                const qsizetype length = (byteAt(i) & 0x7f) * 128 + (byteAt(i + 1) & 0x7f);
                const QByteArrayView segment = text.sliced(i + 2, std::min(length, text.size() - i - 2));
                const qsizetype nameEnd = segment.indexOf(static_cast<char>(kStartOfText));
                if (nameEnd >= 0) {
                    flush();
                    const QByteArray name = segment.first(nameEnd).toByteArray();
                    out += decode(name.constData(), segment.sliced(nameEnd + 1));
                }
                i += 2 + segment.size();
            } else if (intermediates.startsWith("(") || intermediates.startsWith("$(")) {
                gl = designated(intermediates, final);
            } else {
                gr = designated(intermediates, final);
            }
            continue;
        }
        if (byte == kControlSequenceIntroducer && !utf8) {
            // Direction changes: parameters and intermediates, then a final byte.
            ++i;
            while (i < text.size() && (byteAt(i) < 0x40 || byteAt(i) > 0x7e))
                ++i;
            ++i;
            continue;
        }
        if (utf8)
            append("UTF-8", static_cast<char>(byte));
        else if (byte <= 0x20 || byte == 0x7f || (byte < 0x80 && gl.encoding == kAscii.encoding))
            append(kAscii.encoding, static_cast<char>(byte));
        else if (byte < 0x80)
            append(gl.encoding, static_cast<char>(gl.raiseGl ? byte | 0x80 : byte));
        else
            append(gr.encoding, static_cast<char>(byte));
        ++i;
    }
    flush();
    return out;
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
        return decodeCompoundText(bytes);
    // UTF8_STRING, and the odd private type, which today is UTF-8 far more often
    // than anything else.
    return QString::fromUtf8(bytes);
}

} // namespace

X11WindowTitles::X11WindowTitles(const QByteArray& displayName, QObject* parent)
    : WindowTitles(parent)
{
    const xcb::Display display = xcb::connectToDisplay(displayName);
    m_connection = display.connection;
    if (!display.isOpen())
        return;
    m_root = display.root;
    internAtoms();
    m_maxPropertyLength = xcb_get_maximum_request_length(m_connection);

    // Selected on this connection only: Qt's mask on the root stays as it is.
    selectPropertyChanges(m_root, true);
    xcb_flush(m_connection);

    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &X11WindowTitles::onSocketReadable);
}

X11WindowTitles::~X11WindowTitles()
{
    delete m_notifier; // before its socket closes
    xcb_disconnect(m_connection);
}

void X11WindowTitles::internAtoms()
{
    static constexpr std::array<const char*, AtomCount> names{"_NET_ACTIVE_WINDOW", "_NET_WM_NAME",
                                                              "UTF8_STRING", "COMPOUND_TEXT"};
    std::array<xcb_intern_atom_cookie_t, AtomCount> cookies{};
    for (std::size_t i = 0; i < AtomCount; ++i)
        cookies[i] =
            xcb_intern_atom(m_connection, 0, static_cast<std::uint16_t>(std::strlen(names[i])), names[i]);
    for (std::size_t i = 0; i < AtomCount; ++i) {
        const XcbPtr<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(m_connection, cookies[i], nullptr));
        m_atoms[i] = reply ? reply->atom : kNoAtom;
    }
}

bool X11WindowTitles::isAvailable() const
{
    return m_root != kNoWindow && xcb_connection_has_error(m_connection) == 0;
}

WindowId X11WindowTitles::activeWindow()
{
    if (!isAvailable())
        return 0;
    const auto reply =
        propertyReply(m_connection, xcb_get_property(m_connection, 0, m_root, m_atoms[NetActiveWindow],
                                                     XCB_ATOM_WINDOW, 0, 1));
    afterRequests();
    return windowIn(reply.get());
}

WindowId X11WindowTitles::ownerOf(WindowId window)
{
    const xcb_window_t xid = toXid(window);
    if (!isAvailable() || xid == kNoWindow)
        return 0;
    const auto transientFor =
        propertyReply(m_connection, xcb_get_property(m_connection, 0, xid, XCB_ATOM_WM_TRANSIENT_FOR,
                                                     XCB_ATOM_WINDOW, 0, 1));
    const xcb_window_t owner = windowIn(transientFor.get());
    // Transient for itself is a loop, and transient for the root means "for the
    // whole group": neither is an owner to decorate.
    if (owner == kNoWindow || owner == xid || owner == m_root) {
        afterRequests();
        return 0;
    }
    const XcbPtr<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
        m_connection, xcb_get_window_attributes_unchecked(m_connection, owner), nullptr));
    afterRequests();
    return attributes && attributes->map_state != XCB_MAP_STATE_UNMAPPED ? owner : 0;
}

std::optional<QString> X11WindowTitles::title(WindowId window)
{
    const xcb_window_t xid = toXid(window);
    if (!isAvailable() || xid == kNoWindow)
        return std::nullopt;
    // Both asked at once: one round trip.
    const auto netCookie = xcb_get_property(m_connection, 0, xid, m_atoms[NetWmName],
                                            XCB_GET_PROPERTY_TYPE_ANY, 0, m_maxPropertyLength);
    const auto wmCookie = xcb_get_property(m_connection, 0, xid, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY,
                                           0, m_maxPropertyLength);
    const auto netName = propertyReply(m_connection, netCookie);
    const auto wmName = propertyReply(m_connection, wmCookie);
    afterRequests();

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
        m_connection, XCB_PROP_MODE_REPLACE, xid, m_atoms[NetWmName], m_atoms[Utf8String], 8,
        static_cast<std::uint32_t>(utf8.size()), utf8.constData());
    const auto wmCookie =
        xcb_change_property_checked(m_connection, XCB_PROP_MODE_REPLACE, xid, XCB_ATOM_WM_NAME, wmNameType, 8,
                                    static_cast<std::uint32_t>(wmName.size()), wmName.constData());
    // Checking the later request syncs once; the earlier one is then known too.
    const XcbPtr<xcb_generic_error_t> wmError(xcb_request_check(m_connection, wmCookie));
    const XcbPtr<xcb_generic_error_t> netError(xcb_request_check(m_connection, netCookie));
    afterRequests();
    if (wmError || netError)
        return false;
    m_writtenWindow = xid;
    m_writtenTitle = title;
    return true;
}

void X11WindowTitles::watch(WindowId window)
{
    const xcb_window_t xid = toXid(window);
    if (!isAvailable() || xid == m_watched)
        return;
    // The root's mask is the one this connection needs for activeWindowChanged().
    if (m_watched != kNoWindow && m_watched != m_root)
        selectPropertyChanges(m_watched, false);
    if (xid != kNoWindow && xid != m_root)
        selectPropertyChanges(xid, true);
    m_watched = xid;
    m_titleChanged = false; // any change seen was the previous window's
    xcb_flush(m_connection);
    afterRequests();
}

void X11WindowTitles::selectPropertyChanges(xcb_window_t window, bool on)
{
    const std::uint32_t mask = on ? XCB_EVENT_MASK_PROPERTY_CHANGE : XCB_EVENT_MASK_NO_EVENT;
    // A window that has gone meanwhile gives BadWindow, which nobody needs to hear of.
    const auto cookie = xcb_change_window_attributes_checked(m_connection, window, XCB_CW_EVENT_MASK, &mask);
    xcb_discard_reply(m_connection, cookie.sequence);
}

void X11WindowTitles::takeEvents(bool readSocket)
{
    while (true) {
        const XcbPtr<xcb_generic_event_t> event(readSocket ? xcb_poll_for_event(m_connection)
                                                           : xcb_poll_for_queued_event(m_connection));
        if (!event)
            return;
        // The high bit only says that another client sent the event.
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
            continue;
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
        if (notify->window == m_root && notify->atom == m_atoms[NetActiveWindow])
            m_activeChanged = true;
        else if (notify->window == m_watched && m_watched != kNoWindow &&
                 (notify->atom == m_atoms[NetWmName] || notify->atom == XCB_ATOM_WM_NAME))
            m_titleChanged = true;
    }
}

void X11WindowTitles::onSocketReadable()
{
    takeEvents(true);
    if (xcb_connection_has_error(m_connection) != 0) {
        // The server has gone: its socket would stay readable for ever.
        m_notifier->setEnabled(false);
        return;
    }
    emitPending();
}

void X11WindowTitles::afterRequests()
{
    takeEvents(false);
    if ((m_activeChanged || m_titleChanged) && !m_emitPosted) {
        m_emitPosted = true;
        QMetaObject::invokeMethod(this, &X11WindowTitles::emitPending, Qt::QueuedConnection);
    }
}

void X11WindowTitles::emitPending()
{
    m_emitPosted = false;
    const bool activeChanged = std::exchange(m_activeChanged, false);
    const xcb_window_t retitled = std::exchange(m_titleChanged, false) ? m_watched : kNoWindow;
    if (activeChanged)
        Q_EMIT activeWindowChanged();
    // A slot of activeWindowChanged() may have moved the watch on meanwhile.
    if (retitled != kNoWindow && retitled == m_watched)
        Q_EMIT titleChanged(retitled);
}

} // namespace hv
