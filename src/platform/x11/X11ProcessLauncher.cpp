// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11ProcessLauncher.h"

#include "common/Logging.h"
#include "platform/x11/XcbConnection.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <xcb/xcb.h>

namespace hv {

namespace {

using xcb::kNoAtom;
using xcb::kNoWindow;
using xcb::propertyReply;
using xcb::toXid;
using xcb::valuesOf;

// xcb's constants are enumerators; these give them the types of the values they stand for.
constexpr xcb_atom_t kAtomType = XCB_ATOM_ATOM;
constexpr xcb_atom_t kWindowType = XCB_ATOM_WINDOW;
constexpr xcb_atom_t kCardinalType = XCB_ATOM_CARDINAL;
constexpr std::uint32_t kCurrentTime = XCB_CURRENT_TIME;
// ICCCM 4.1.4: the state a WM_CHANGE_STATE message asks for.
constexpr std::uint32_t kIconicState = 3;
// EWMH: the request comes from a pager or taskbar, that is on the user's behalf.
constexpr std::uint32_t kSourcePager = 2;
// Requests to the window manager go to the root with these masks (EWMH, ICCCM).
constexpr std::uint32_t kToWindowManager =
    XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
// Longest list read, in 32-bit units: far more windows than a desktop holds.
constexpr std::uint32_t kMaxListLength = 1 << 16;
// Process trees deeper than this between a program and its window's process
// are not followed.
constexpr int kMaxAncestry = 32;

// The parent of a process; 0 when unknown. Linux only: elsewhere no process
// counts as a descendant, and a program's window is found by its own process.
qint64 parentOf(qint64 pid)
{
#ifdef Q_OS_LINUX
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    // "pid (name) state ppid ...": the name may hold anything, ')' included.
    const QByteArray text = stat.read(4096);
    const qsizetype nameEnd = text.lastIndexOf(')');
    if (nameEnd < 0)
        return 0;
    const QList<QByteArray> fields = text.mid(nameEnd + 1).simplified().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() : 0;
#else
    Q_UNUSED(pid)
    return 0;
#endif
}

bool isOrDescendsFrom(qint64 pid, qint64 ancestor)
{
    for (int depth = 0; depth < kMaxAncestry && pid > 1; ++depth) {
        if (pid == ancestor)
            return true;
        pid = parentOf(pid);
    }
    return false;
}

bool contains(const std::vector<xcb_window_t>& sorted, xcb_window_t window)
{
    return std::binary_search(sorted.begin(), sorted.end(), window);
}

} // namespace

X11ProcessLauncher::X11ProcessLauncher(const QByteArray& displayName, QObject* parent)
    : QtProcessLauncher(parent)
    , m_x(std::make_unique<xcb::Connection>(displayName))
    , m_poll(new QTimer(this))
{
    m_poll->setInterval(kPollInterval);
    connect(m_poll, &QTimer::timeout, this, &X11ProcessLauncher::poll);
    if (m_x->isAvailable())
        m_atoms = m_x->internAtoms<AtomCount>({"_NET_CLIENT_LIST", "_NET_ACTIVE_WINDOW", "_NET_WM_PID",
                                               "_NET_CLOSE_WINDOW", "_NET_SUPPORTED", "WM_CHANGE_STATE",
                                               "WM_PROTOCOLS", "WM_DELETE_WINDOW"});
}

X11ProcessLauncher::~X11ProcessLauncher() = default;

bool X11ProcessLauncher::isAvailable() const
{
    return m_x->isAvailable();
}

qint64 X11ProcessLauncher::start(const QString& commandLine, bool minimized, WindowFound found)
{
    if (!isAvailable())
        return QtProcessLauncher::start(commandLine, minimized, std::move(found));
    // Taken before the program runs: whatever is not in it came later.
    std::vector<xcb_window_t> before = clientList();
    m_lastError.clear();
    const qint64 pid = startCommandLine(commandLine, &m_lastError);
    if (pid == 0) {
        report(std::move(found), 0);
        return 0;
    }
    m_searches.push_back({pid, minimized, std::move(found), std::move(before), QDeadlineTimer(kWindowWait)});
    if (!m_poll->isActive())
        m_poll->start();
    return pid;
}

std::vector<xcb_window_t> X11ProcessLauncher::clientList()
{
    const auto reply =
        propertyReply(m_x->get(), xcb_get_property(m_x->get(), 0, m_x->root(), m_atoms[NetClientList],
                                                   kWindowType, 0, kMaxListLength));
    std::vector<xcb_window_t> windows = valuesOf(reply.get());
    std::sort(windows.begin(), windows.end());
    return windows;
}

qint64 X11ProcessLauncher::pidOf(xcb_window_t window)
{
    xcb_generic_error_t* error = nullptr;
    const xcb::Ptr<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        m_x->get(), xcb_get_property(m_x->get(), 0, window, m_atoms[NetWmPid], kCardinalType, 0, 1), &error));
    const bool gone = error != nullptr;
    std::free(error);
    if (gone)
        return -1;
    const std::vector<std::uint32_t> values = valuesOf(reply.get());
    return values.empty() ? 0 : values.front();
}

void X11ProcessLauncher::poll()
{
    if (!isAvailable()) {
        // The display has gone: nothing can be found any more.
        for (Search& search : m_searches)
            finish(search, kNoWindow, 0);
        m_searches.clear();
        m_poll->stop();
        return;
    }

    // One round trip for the lists, one for the processes of the new windows.
    const auto activeCookie =
        xcb_get_property(m_x->get(), 0, m_x->root(), m_atoms[NetActiveWindow], kWindowType, 0, 1);
    const std::vector<xcb_window_t> clients = clientList();
    const std::vector<std::uint32_t> activeValues = valuesOf(propertyReply(m_x->get(), activeCookie).get());
    const xcb_window_t active = activeValues.empty() ? kNoWindow : activeValues.front();

    std::vector<xcb_window_t> fresh; // new to at least one search
    for (const xcb_window_t window : clients) {
        if (std::any_of(m_searches.begin(), m_searches.end(),
                        [&](const Search& s) { return !contains(s.before, window); }))
            fresh.push_back(window);
    }
    std::vector<xcb_get_property_cookie_t> cookies;
    cookies.reserve(fresh.size());
    for (const xcb_window_t window : fresh)
        cookies.push_back(xcb_get_property(m_x->get(), 0, window, m_atoms[NetWmPid], kCardinalType, 0, 1));
    QHash<xcb_window_t, qint64> pids;
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        const std::vector<std::uint32_t> values = valuesOf(propertyReply(m_x->get(), cookies[i]).get());
        pids.insert(fresh[i], values.empty() ? 0 : values.front());
    }
    m_x->afterRequests(); // drops what xcb queued meanwhile: nothing here listens for events

    std::vector<xcb_window_t> claimed; // by a search of this round
    const auto isClaimed = [&](xcb_window_t window) {
        return std::find(claimed.begin(), claimed.end(), window) != claimed.end();
    };
    const auto take = [&](Search& search, xcb_window_t window) {
        claimed.push_back(window);
        finish(search, window, pids.value(window));
        search.pid = 0; // done
    };
    // Windows that name the started process come first, for every search...
    for (Search& search : m_searches) {
        for (const xcb_window_t window : fresh) {
            if (!contains(search.before, window) && !isClaimed(window) &&
                isOrDescendsFrom(pids.value(window), search.pid)) {
                take(search, window);
                break;
            }
        }
    }
    // ...then a new active window that names no process at all.
    const bool activeNamesNoProcess = pids.contains(active) && pids.value(active) == 0;
    for (Search& search : m_searches) {
        if (search.pid == 0)
            continue;
        if (activeNamesNoProcess && !contains(search.before, active) && !isClaimed(active)) {
            take(search, active);
        } else if (search.deadline.hasExpired()) {
            finish(search, kNoWindow, 0);
            search.pid = 0;
        }
    }
    std::erase_if(m_searches, [](const Search& s) { return s.pid == 0; });
    if (m_searches.empty())
        m_poll->stop();
}

void X11ProcessLauncher::finish(Search& search, xcb_window_t window, qint64 windowPid)
{
    if (window != kNoWindow) {
        m_found.insert(window, windowPid);
        if (search.minimized)
            iconify(window);
    }
    report(std::move(search.found), window);
}

void X11ProcessLauncher::iconify(xcb_window_t window)
{
    sendClientMessage(m_x->root(), window, m_atoms[WmChangeState], {kIconicState, 0, 0, 0, 0},
                      kToWindowManager);
    xcb_flush(m_x->get());
}

void X11ProcessLauncher::closeWindow(WindowId window)
{
    const xcb_window_t xid = toXid(window);
    if (!isAvailable() || xid == kNoWindow || xid == m_x->root())
        return;
    const qint64 pid = pidOf(xid);
    if (pid < 0)
        return; // gone
    const auto known = m_found.constFind(xid);
    if (known != m_found.constEnd() && *known != pid) {
        qCInfo(lcAlarms) << "window" << xid << "now belongs to another program; not closed";
        return;
    }
    if (managerSupports(m_atoms[NetCloseWindow])) {
        sendClientMessage(m_x->root(), xid, m_atoms[NetCloseWindow], {kCurrentTime, kSourcePager, 0, 0, 0},
                          kToWindowManager);
    } else {
        const auto protocols = propertyReply(
            m_x->get(), xcb_get_property(m_x->get(), 0, xid, m_atoms[WmProtocols], kAtomType, 0, 64));
        const std::vector<std::uint32_t> listed = valuesOf(protocols.get());
        if (std::find(listed.begin(), listed.end(), m_atoms[WmDeleteWindow]) != listed.end())
            sendClientMessage(xid, xid, m_atoms[WmProtocols],
                              {m_atoms[WmDeleteWindow], kCurrentTime, 0, 0, 0}, XCB_EVENT_MASK_NO_EVENT);
    }
    xcb_flush(m_x->get());
    m_x->afterRequests(); // drops what xcb queued meanwhile: nothing here listens for events
}

bool X11ProcessLauncher::managerSupports(xcb_atom_t atom)
{
    const auto reply =
        propertyReply(m_x->get(), xcb_get_property(m_x->get(), 0, m_x->root(), m_atoms[NetSupported],
                                                   kAtomType, 0, kMaxListLength));
    const std::vector<std::uint32_t> supported = valuesOf(reply.get());
    return atom != kNoAtom && std::find(supported.begin(), supported.end(), atom) != supported.end();
}

void X11ProcessLauncher::sendClientMessage(xcb_window_t destination, xcb_window_t window, xcb_atom_t type,
                                           std::array<std::uint32_t, 5> data, std::uint32_t eventMask)
{
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    std::copy(data.begin(), data.end(), event.data.data32);
    // A window that went meanwhile gives BadWindow, which nobody needs to hear of.
    const auto cookie =
        xcb_send_event_checked(m_x->get(), 0, destination, eventMask, reinterpret_cast<const char*>(&event));
    xcb_discard_reply(m_x->get(), cookie.sequence);
}

QProcessEnvironment X11ProcessLauncher::backgroundEnvironment() const
{
    QProcessEnvironment environment = QtProcessLauncher::backgroundEnvironment();
    // Startup notification: "<unique>_TIME<user time>"; a user time of 0 asks
    // the window manager not to give the new window the focus.
    environment.insert(
        QStringLiteral("DESKTOP_STARTUP_ID"),
        QStringLiteral("horavox-%1-%2_TIME0").arg(QCoreApplication::applicationPid()).arg(++m_startupSerial));
    return environment;
}

} // namespace hv
