// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/XcbConnection.h"

#include <QSocketNotifier>

#include <cstring>
#include <utility>

namespace hv::xcb {

Connection::Connection(const QByteArray& displayName)
{
    int screenNumber = 0;
    // xcb_connect() always returns a connection object, in an error state when it failed.
    m_connection = xcb_connect(displayName.isEmpty() ? nullptr : displayName.constData(), &screenNumber);
    if (xcb_connection_has_error(m_connection) != 0)
        return;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem > 0)
        m_root = screens.data->root;
}

Connection::~Connection()
{
    delete m_notifier; // before its socket closes
    xcb_disconnect(m_connection);
}

bool Connection::isAvailable() const
{
    return m_root != kNoWindow && xcb_connection_has_error(m_connection) == 0;
}

void Connection::internAtoms(const char* const* names, xcb_atom_t* atoms, std::size_t count)
{
    std::vector<xcb_intern_atom_cookie_t> cookies(count);
    for (std::size_t i = 0; i < count; ++i)
        cookies[i] =
            xcb_intern_atom(m_connection, 0, static_cast<std::uint16_t>(std::strlen(names[i])), names[i]);
    for (std::size_t i = 0; i < count; ++i) {
        const Ptr<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(m_connection, cookies[i], nullptr));
        atoms[i] = reply ? reply->atom : kNoAtom;
    }
}

void Connection::watchEvents(EventHandlers handlers)
{
    if (m_notifier != nullptr || !isAvailable())
        return;
    m_handlers = std::move(handlers);
    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &Connection::onSocketReadable);
}

void Connection::afterRequests()
{
    takeEvents(false);
    if (m_handlers.pending && m_handlers.pending() && !m_deliveryPosted) {
        m_deliveryPosted = true;
        QMetaObject::invokeMethod(this, &Connection::deliver, Qt::QueuedConnection);
    }
}

void Connection::takeEvents(bool readSocket)
{
    while (true) {
        const Ptr<xcb_generic_event_t> event(readSocket ? xcb_poll_for_event(m_connection)
                                                        : xcb_poll_for_queued_event(m_connection));
        if (!event)
            return;
        if (m_handlers.take)
            m_handlers.take(*event);
    }
}

void Connection::onSocketReadable()
{
    takeEvents(true);
    if (xcb_connection_has_error(m_connection) != 0) {
        // The server has gone: its socket would stay readable for ever.
        m_notifier->setEnabled(false);
        if (m_handlers.lost)
            m_handlers.lost();
        return;
    }
    deliver();
}

void Connection::deliver()
{
    m_deliveryPosted = false;
    if (m_handlers.deliver)
        m_handlers.deliver();
}

} // namespace hv::xcb
