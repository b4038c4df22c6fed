// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>
#include <xcb/xcb.h>

// Pieces that the X11 backends share; XcbConnection.h has the connection itself.
namespace hv::xcb {

// xcb's constants are enumerators; these give them the types of the values they stand for.
inline constexpr xcb_window_t kNoWindow = XCB_WINDOW_NONE;
inline constexpr xcb_atom_t kNoAtom = XCB_ATOM_NONE;

// xcb hands out replies, errors and events in memory from malloc().
struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Ptr = std::unique_ptr<T, FreeDeleter>;

// X window ids are 29-bit numbers; a handle out of their range names no window.
inline xcb_window_t toXid(std::uint64_t window)
{
    return window <= std::numeric_limits<xcb_window_t>::max() ? static_cast<xcb_window_t>(window) : kNoWindow;
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

// The bytes of a property's value, whatever its format.
inline QByteArrayView bytesOf(const xcb_get_property_reply_t& reply)
{
    // xcb_get_property_value() takes a non-const pointer but only computes an address.
    auto& mutableReply = const_cast<xcb_get_property_reply_t&>(reply);
    return {static_cast<const char*>(xcb_get_property_value(&mutableReply)),
            xcb_get_property_value_length(&mutableReply)};
}

// The 32-bit values of a property (WINDOW, ATOM, CARDINAL, ...); empty when it
// is absent or of another format.
inline std::vector<std::uint32_t> valuesOf(const xcb_get_property_reply_t* reply)
{
    if (reply == nullptr || reply->format != 32)
        return {};
    const QByteArrayView bytes = bytesOf(*reply);
    std::vector<std::uint32_t> values(static_cast<std::size_t>(std::max<qsizetype>(bytes.size() / 4, 0)));
    std::memcpy(values.data(), bytes.data(), values.size() * sizeof(std::uint32_t));
    return values;
}

} // namespace hv::xcb
