#pragma once

#include <QByteArray>

#include <cstdlib>
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

} // namespace hv::xcb
