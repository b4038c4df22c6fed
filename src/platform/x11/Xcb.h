#pragma once

#include <QByteArray>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <xcb/xcb.h>

namespace hv::xcb {

// xcb hands out replies, errors and events in memory from malloc().
struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Ptr = std::unique_ptr<T, FreeDeleter>;

// A connection of our own to an X display and its default screen's root.
struct Display
{
    xcb_connection_t* connection = nullptr; // never null; in an error state when it failed
    xcb_window_t root = XCB_WINDOW_NONE;    // none when the connection failed

    bool isOpen() const { return root != XCB_WINDOW_NONE; }
};

// Connects to `displayName`, or to $DISPLAY when it is empty. The caller
// disconnects the connection, whatever its state.
inline Display connectToDisplay(const QByteArray& displayName)
{
    int screenNumber = 0;
    // xcb_connect() always returns a connection object, in an error state when it failed.
    Display display{xcb_connect(displayName.isEmpty() ? nullptr : displayName.constData(), &screenNumber)};
    if (xcb_connection_has_error(display.connection) != 0)
        return display;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(display.connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem > 0)
        display.root = screens.data->root;
    return display;
}

// X window ids are 29-bit numbers; a handle out of their range names no window.
inline xcb_window_t toXid(std::uint64_t window)
{
    return window <= std::numeric_limits<xcb_window_t>::max() ? static_cast<xcb_window_t>(window)
                                                              : xcb_window_t{XCB_WINDOW_NONE};
}

// The reply to a GetProperty, or null when the request failed (the window is
// gone); the error is dropped, so that nothing is printed.
inline Ptr<xcb_get_property_reply_t> propertyReply(xcb_connection_t* connection,
                                                   xcb_get_property_cookie_t cookie)
{
    xcb_generic_error_t* error = nullptr;
    Ptr<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, &error));
    std::free(error);
    return reply;
}

} // namespace hv::xcb
