#pragma once

// The test desktop's windows as another program sees them: a connection of the
// test's own to the X server, reading what the window manager and the clients
// publish, and asking the window manager for what a user would do.

#include <QtGlobal>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>
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

    DesktopWindows()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (isOpen())
            m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~DesktopWindows() { xcb_disconnect(m_connection); }
    DesktopWindows(const DesktopWindows&) = delete;
    DesktopWindows& operator=(const DesktopWindows&) = delete;

    bool isOpen() const { return xcb_connection_has_error(m_connection) == 0; }

    // The top-level windows the window manager manages (_NET_CLIENT_LIST):
    // shown or minimized, never withdrawn, never docked in a tray.
    std::vector<xcb_window_t> managedWindows()
    {
        return cardinals(m_root, atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW);
    }

    // Every window that process `pid` marked as its own (_NET_WM_PID), in the
    // order of a walk down the window tree.
    std::vector<xcb_window_t> windowsOf(qint64 pid)
    {
        std::vector<xcb_window_t> all;
        collect(m_root, all);
        std::vector<xcb_window_t> found;
        for (const xcb_window_t window : all) {
            const std::vector<quint32> value = cardinals(window, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL);
            if (!value.empty() && value.front() == pid)
                found.push_back(window);
        }
        return found;
    }

    // The process's main window, shown or not: a window of the normal type.
    // Its tray icon is excluded (Qt marks it with KDE's override type), and so
    // are menus and tooltips (other types). 0 when there is none.
    xcb_window_t mainWindowOf(qint64 pid)
    {
        for (const xcb_window_t window : windowsOf(pid)) {
            const std::vector<quint32> types = cardinals(window, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM);
            if (contains(types, atom("_NET_WM_WINDOW_TYPE_NORMAL")) &&
                !contains(types, atom("_KDE_NET_WM_WINDOW_TYPE_OVERRIDE")))
                return window;
        }
        return 0;
    }

    // The process's window among the managed ones; 0 while there is none. Cheaper
    // than mainWindowOf(): it reads no window tree.
    xcb_window_t managedWindowOf(qint64 pid)
    {
        for (const xcb_window_t window : managedWindows()) {
            const std::vector<quint32> value = cardinals(window, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL);
            if (!value.empty() && value.front() == pid)
                return window;
        }
        return 0;
    }

    // The process's icon docked in the system tray: a viewable window of its
    // that the window manager does not manage, since the tray holds it. 0 when
    // there is none.
    xcb_window_t trayIconOf(qint64 pid)
    {
        const std::vector<xcb_window_t> managed = managedWindows();
        for (const xcb_window_t window : windowsOf(pid)) {
            if (!contains(managed, window) && isViewable(window))
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

    WmState wmState(xcb_window_t window)
    {
        const xcb_atom_t wmStateAtom = atom("WM_STATE");
        const std::vector<quint32> value = cardinals(window, wmStateAtom, wmStateAtom);
        return value.empty() ? WmState::Withdrawn : static_cast<WmState>(value.front());
    }

    // What a taskbar sends to close a window; the window manager passes it on
    // to the program as WM_DELETE_WINDOW.
    void requestClose(xcb_window_t window)
    {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = atom("_NET_CLOSE_WINDOW");
        event.data.data32[0] = XCB_CURRENT_TIME;
        event.data.data32[1] = 2; // source: a pager, acting for the user
        xcb_send_event(m_connection, 0, m_root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(m_connection);
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

private:
    struct FreeDeleter
    {
        void operator()(void* p) const { std::free(p); }
    };
    template <typename T>
    using Reply = std::unique_ptr<T, FreeDeleter>;

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

    template <typename T>
    static bool contains(const std::vector<T>& values, T value)
    {
        return std::find(values.begin(), values.end(), value) != values.end();
    }

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

    // A property of 32-bit values (cardinals, windows, atoms); empty when the
    // window is gone or has no such property of that type.
    std::vector<quint32> cardinals(xcb_window_t window, xcb_atom_t property, xcb_atom_t type)
    {
        const auto reply = answer(xcb_get_property_reply,
                                  xcb_get_property(m_connection, 0, window, property, type, 0, 1024));
        if (!reply || reply->format != 32)
            return {};
        const auto* values = static_cast<const quint32*>(xcb_get_property_value(reply.get()));
        return {values, values + xcb_get_property_value_length(reply.get()) / 4};
    }

    void collect(xcb_window_t parent, std::vector<xcb_window_t>& into)
    {
        const auto reply = answer(xcb_query_tree_reply, xcb_query_tree(m_connection, parent));
        if (!reply)
            return;
        const xcb_window_t* children = xcb_query_tree_children(reply.get());
        for (int i = 0; i < xcb_query_tree_children_length(reply.get()); ++i) {
            into.push_back(children[i]);
            collect(children[i], into);
        }
    }

    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = 0;
    std::map<std::string, xcb_atom_t> m_atoms;
};

} // namespace hv::test
