// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The test's own client of the X server, apart from the program under test, its
// backends and Qt: it reads what the window manager and the clients publish,
// writes properties and makes bare windows as another program would, and asks
// the window manager for what a user would do. The desktop tests and the
// process-level benchmarks share it.
//
// Every request that changes something is followed by a round trip (sync()), so
// that a request another connection makes afterwards sees the change.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QtGlobal>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <xcb/xcb.h>

namespace hv::test {

class DesktopWindows
{
public:
    // ICCCM WM_STATE; Withdrawn also when the window manager set none.
    enum class WmState
    {
        Withdrawn = 0,
        Normal = 1,
        Iconic = 3
    };

    // A property as stored: its type's atom name (empty when the window has no
    // such property, or is gone) and its bytes.
    struct Property
    {
        QByteArray type;
        QByteArray bytes;
    };

    DesktopWindows()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(m_connection) == 0)
            m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~DesktopWindows() { xcb_disconnect(m_connection); }
    DesktopWindows(const DesktopWindows&) = delete;
    DesktopWindows& operator=(const DesktopWindows&) = delete;

    bool isOpen() const { return m_root != 0 && xcb_connection_has_error(m_connection) == 0; }
    xcb_connection_t* connection() const { return m_connection; }
    xcb_window_t root() const { return m_root; }

    // A round trip: every request sent before has been carried out when it returns.
    void sync()
    {
        std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

    // --- Atoms and properties --------------------------------------------------

    // Interned on first use; XCB_ATOM_NONE when the connection has failed.
    xcb_atom_t atom(const std::string& name)
    {
        const auto known = m_atoms.find(name);
        if (known != m_atoms.end())
            return known->second;
        const auto reply =
            answer(xcb_intern_atom_reply,
                   xcb_intern_atom(m_connection, 0, static_cast<std::uint16_t>(name.size()), name.data()));
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        m_atoms.emplace(name, value);
        return value;
    }

    // Up to 256 KiB of a property, of any type.
    Property property(xcb_window_t window, const std::string& name)
    {
        const auto reply =
            answer(xcb_get_property_reply, xcb_get_property(m_connection, 0, window, atom(name),
                                                            XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 16));
        if (!reply || reply->type == XCB_ATOM_NONE)
            return {};
        const auto typeName = answer(xcb_get_atom_name_reply, xcb_get_atom_name(m_connection, reply->type));
        if (!typeName)
            return {};
        return {
            QByteArray(xcb_get_atom_name_name(typeName.get()), xcb_get_atom_name_name_length(typeName.get())),
            QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       xcb_get_property_value_length(reply.get()))};
    }

    // A property of 32-bit values (cardinals, windows, atoms), of any type:
    // empty when the window has no such property, nullopt when it is gone.
    std::optional<QList<quint32>> values(xcb_window_t window, const std::string& name)
    {
        xcb_generic_error_t* error = nullptr;
        const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            m_connection,
            xcb_get_property(m_connection, 0, window, atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
            &error));
        const bool gone = error != nullptr;
        std::free(error);
        if (gone || !reply)
            return std::nullopt;
        if (reply->format != 32)
            return QList<quint32>();
        const auto* data = static_cast<const quint32*>(xcb_get_property_value(reply.get()));
        return QList<quint32>(data, data + xcb_get_property_value_length(reply.get()) / 4);
    }

    // The first 32-bit value of a property; 0 when there is none.
    quint32 value(xcb_window_t window, const std::string& name)
    {
        const auto all = values(window, name);
        return all && !all->isEmpty() ? all->front() : 0;
    }

    // An 8-bit property: a text of type `type` (STRING, UTF8_STRING...).
    void setProperty(xcb_window_t window, const std::string& name, const std::string& type,
                     QByteArrayView bytes)
    {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, atom(name), atom(type), 8,
                            static_cast<std::uint32_t>(bytes.size()), bytes.data());
        sync();
    }

    // A property of one 32-bit value of type `type` (XCB_ATOM_CARDINAL, XCB_ATOM_WINDOW...).
    void setValue(xcb_window_t window, const std::string& name, xcb_atom_t type, quint32 value)
    {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, atom(name), type, 32, 1, &value);
        sync();
    }

    // --- Windows of the test's own ---------------------------------------------

    // Never mapped, so the window manager never sees it.
    xcb_window_t createWindow()
    {
        const xcb_window_t window = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        sync();
        return window;
    }

    // A plain window with a title (WM_NAME) and no _NET_WM_PID, mapped: the
    // window manager manages it.
    xcb_window_t createMappedWindow(const QByteArray& title)
    {
        const xcb_window_t window = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_root, 50, 50, 200, 80, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            static_cast<std::uint32_t>(title.size()), title.constData());
        xcb_map_window(m_connection, window);
        sync();
        return window;
    }

    void destroyWindow(xcb_window_t window)
    {
        xcb_destroy_window(m_connection, window);
        sync();
    }

    // --- The desktop ------------------------------------------------------------

    // The window with the focus, as the window manager says (_NET_ACTIVE_WINDOW); 0 for none.
    xcb_window_t activeWindow() { return value(m_root, "_NET_ACTIVE_WINDOW"); }

    // The top-level windows the window manager manages (_NET_CLIENT_LIST):
    // shown or minimized, never withdrawn, never docked in a tray.
    QList<quint32> managedWindows() { return values(m_root, "_NET_CLIENT_LIST").value_or(QList<quint32>()); }

    // Every window that process `pid` marked as its own (_NET_WM_PID), in the
    // order of a walk down the window tree.
    QList<xcb_window_t> windowsOf(qint64 pid)
    {
        QList<xcb_window_t> all;
        collect(m_root, all);
        QList<xcb_window_t> found;
        for (const xcb_window_t window : std::as_const(all)) {
            if (isOf(window, pid))
                found.append(window);
        }
        return found;
    }

    // The process's main window, shown or not: a window of the normal type.
    // Its tray icon is excluded (Qt marks it with KDE's override type), and so
    // are menus and tooltips (other types). 0 when there is none.
    xcb_window_t mainWindowOf(qint64 pid)
    {
        const QList<xcb_window_t> windows = windowsOf(pid);
        for (const xcb_window_t window : windows) {
            const QList<quint32> types = values(window, "_NET_WM_WINDOW_TYPE").value_or(QList<quint32>());
            if (types.contains(atom("_NET_WM_WINDOW_TYPE_NORMAL")) &&
                !types.contains(atom("_KDE_NET_WM_WINDOW_TYPE_OVERRIDE")))
                return window;
        }
        return 0;
    }

    // The process's window among the managed ones; 0 while there is none. Cheaper
    // than mainWindowOf(): it reads no window tree.
    xcb_window_t managedWindowOf(qint64 pid)
    {
        const QList<quint32> managed = managedWindows();
        for (const xcb_window_t window : managed) {
            if (isOf(window, pid))
                return window;
        }
        return 0;
    }

    // The process's icon docked in the system tray: a viewable window of its
    // that the window manager does not manage, since the tray holds it. 0 when
    // there is none.
    xcb_window_t trayIconOf(qint64 pid)
    {
        const QList<quint32> managed = managedWindows();
        const QList<xcb_window_t> windows = windowsOf(pid);
        for (const xcb_window_t window : windows) {
            if (!managed.contains(window) && isViewable(window))
                return window;
        }
        return 0;
    }

    // Mapped, with every ancestor mapped too: on screen unless covered.
    bool isViewable(xcb_window_t window)
    {
        const auto reply =
            answer(xcb_get_window_attributes_reply, xcb_get_window_attributes(m_connection, window));
        return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
    }

    // The window it sits in: for a managed window, the window manager's frame.
    // 0 when it is gone.
    xcb_window_t parentOf(xcb_window_t window)
    {
        const auto reply = answer(xcb_query_tree_reply, xcb_query_tree(m_connection, window));
        return reply ? reply->parent : xcb_window_t{0};
    }

    WmState wmState(xcb_window_t window)
    {
        const quint32 state = value(window, "WM_STATE");
        return state == 1 || state == 3 ? static_cast<WmState>(state) : WmState::Withdrawn;
    }

    // What a taskbar sends to bring a window to the front and give it the focus.
    // The window manager does it a moment later: wait for activeWindow().
    void activate(xcb_window_t window)
    {
        sendToWindowManager(window, "_NET_ACTIVE_WINDOW", {kFromPager, XCB_CURRENT_TIME, 0});
    }

    // What a taskbar sends to close a window; the window manager passes it on
    // to the program as WM_DELETE_WINDOW.
    void requestClose(xcb_window_t window)
    {
        sendToWindowManager(window, "_NET_CLOSE_WINDOW", {XCB_CURRENT_TIME, kFromPager, 0});
    }

    // How many of the window's pixels show exactly the colour 0xRRGGBB; -1 when
    // its image cannot be read (an unmapped window, a depth other than 24 or 32).
    int countPixels(xcb_window_t window, quint32 rgb)
    {
        const auto geometry = answer(xcb_get_geometry_reply, xcb_get_geometry(m_connection, window));
        if (!geometry || (geometry->depth != 24 && geometry->depth != 32))
            return -1;
        const auto image =
            answer(xcb_get_image_reply, xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0,
                                                      geometry->width, geometry->height, ~0U));
        if (!image)
            return -1;
        // 32 bits a pixel, the colour in the low 24 whichever the byte order.
        const int length = xcb_get_image_data_length(image.get());
        if (length < 4 * geometry->width * geometry->height)
            return -1;
        const std::uint8_t* data = xcb_get_image_data(image.get());
        int count = 0;
        for (int at = 0; at + 4 <= length; at += 4) {
            quint32 pixel = 0;
            std::memcpy(&pixel, data + at, sizeof pixel);
            count += (pixel & 0xFFFFFFU) == rgb ? 1 : 0;
        }
        return count;
    }

    // --- Top-level windows leaving the screen -----------------------------------

    // From now on, notes every top-level window that is unmapped: the server
    // reports it on the root window (SubstructureNotify), and so does the
    // program itself when the window manager has reparented the window, as
    // ICCCM asks of it. A window mapped and unmapped between two looks is seen
    // all the same. Forgets what was noted before: X reuses the ids of a client
    // that has gone.
    void watchUnmaps()
    {
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        readEvents();
        m_unmapped.clear();
    }

    // Whether `window` has been unmapped since watchUnmaps().
    bool hasBeenUnmapped(xcb_window_t window)
    {
        readEvents();
        return m_unmapped.count(window) != 0;
    }

private:
    struct FreeDeleter
    {
        void operator()(void* p) const { std::free(p); }
    };
    template <typename T>
    using Reply = std::unique_ptr<T, FreeDeleter>;

    // The source a pager or taskbar gives in its requests: acting for the user.
    static constexpr quint32 kFromPager = 2;

    // The reply to a request; null on an error (a window gone meanwhile), which
    // is dropped here rather than left queued as an event nobody reads.
    template <typename T, typename Cookie>
    Reply<T> answer(T* (*replyOf)(xcb_connection_t*, Cookie, xcb_generic_error_t**), Cookie cookie)
    {
        xcb_generic_error_t* error = nullptr;
        Reply<T> reply(replyOf(m_connection, cookie, &error));
        std::free(error);
        return reply;
    }

    // Takes in every event the server has sent so far.
    void readEvents()
    {
        sync();
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            if ((event->response_type & 0x7f) == XCB_UNMAP_NOTIFY)
                m_unmapped.insert(reinterpret_cast<const xcb_unmap_notify_event_t*>(event)->window);
            std::free(event);
        }
    }

    bool isOf(xcb_window_t window, qint64 pid)
    {
        const auto value = values(window, "_NET_WM_PID");
        return value && !value->isEmpty() && value->front() == pid;
    }

    // An EWMH client message about `window`, sent to the root where the window
    // manager listens.
    void sendToWindowManager(xcb_window_t window, const std::string& type,
                             std::initializer_list<quint32> data)
    {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = atom(type);
        std::copy(data.begin(), data.end(), event.data.data32);
        xcb_send_event(m_connection, 0, m_root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                       reinterpret_cast<const char*>(&event));
        sync();
    }

    void collect(xcb_window_t parent, QList<xcb_window_t>& into)
    {
        const auto reply = answer(xcb_query_tree_reply, xcb_query_tree(m_connection, parent));
        if (!reply)
            return;
        const xcb_window_t* children = xcb_query_tree_children(reply.get());
        for (int i = 0; i < xcb_query_tree_children_length(reply.get()); ++i) {
            into.append(children[i]);
            collect(children[i], into);
        }
    }

    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = 0;
    std::map<std::string, xcb_atom_t> m_atoms;
    std::set<xcb_window_t> m_unmapped;
};

} // namespace hv::test
