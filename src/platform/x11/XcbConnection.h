// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/x11/Xcb.h"

#include <QByteArray>
#include <QObject>

#include <array>
#include <cstddef>
#include <functional>

class QSocketNotifier;

namespace hv::xcb {

// The connection of its own that each X11 backend keeps to the display, never
// Qt's: event masks and grabs are per connection, so they cannot change what Qt
// receives, and a request on a window that has gone fails here quietly instead
// of in Qt's error handler.
//
// A backend that listens for events hands them to watchEvents(). Events reach it
// in two ways: from the socket, when the server sends them while the program
// waits in its event loop; and from xcb's queue, where they land while a request
// of the backend waits for its reply, which leaves the socket quiet. Either way
// the backend's signals go out from the event loop, never from inside one of its
// own calls, so that a slot cannot re-enter the backend halfway.
class Connection final : public QObject
{
public:
    struct EventHandlers
    {
        // Each event as it is taken; it only records what the event means.
        std::function<void(const xcb_generic_event_t& event)> take;
        // Whether something that take() recorded is still to be delivered.
        std::function<bool()> pending;
        // Sends the backend's signals for what was recorded.
        std::function<void()> deliver;
        // The server has gone: nothing more will arrive. May be empty.
        std::function<void()> lost;
    };

    // Connects to displayName, or to $DISPLAY when it is empty; isAvailable()
    // says whether that worked.
    explicit Connection(const QByteArray& displayName);
    // Disconnects, whatever state the connection is in.
    ~Connection() override;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Never null, even when the connection failed (it is then in an error state).
    xcb_connection_t* get() const { return m_connection; }
    // The default screen's root window; kNoWindow when the connection failed.
    xcb_window_t root() const { return m_root; }
    // False when the connection could not be made or the server went away.
    bool isAvailable() const;

    // The atoms for names, asked all at once: one round trip. kNoAtom for a name
    // the server did not answer.
    template <std::size_t N>
    std::array<xcb_atom_t, N> internAtoms(const std::array<const char*, N>& names)
    {
        std::array<xcb_atom_t, N> atoms{};
        internAtoms(names.data(), atoms.data(), N);
        return atoms;
    }

    // Watches the socket, and hands every event to handlers from now on. Once only.
    void watchEvents(EventHandlers handlers);
    // Call after the backend's own requests: takes the events that xcb queued
    // meanwhile and, when something is pending, delivers it from the event loop.
    // Without watchEvents() the queued events are dropped: errors of requests
    // whose failure does not matter, and MappingNotify, which every client gets.
    void afterRequests();

private:
    void internAtoms(const char* const* names, xcb_atom_t* atoms, std::size_t count);
    // Hands the events that have arrived to take(): from the socket when
    // readSocket is true, else only those that xcb has already read.
    void takeEvents(bool readSocket);
    void onSocketReadable();
    void deliver();

    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = kNoWindow;
    EventHandlers m_handlers;
    QSocketNotifier* m_notifier = nullptr;
    bool m_deliveryPosted = false;
};

} // namespace hv::xcb
