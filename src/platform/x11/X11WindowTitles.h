#pragma once

#include "platform/WindowTitles.h"

#include <QByteArray>

#include <array>
#include <cstdint>

class QSocketNotifier;
struct xcb_connection_t;

namespace hv {

// Other programs' windows on an X11 desktop, through the window manager's
// _NET_ACTIVE_WINDOW and the ICCCM/EWMH title properties.
//
// It talks to the X server over a connection of its own, never Qt's: the event
// masks it selects on the root and on the watched window are per connection, so
// they cannot change which events Qt receives, and a request on a window that
// has gone fails here quietly instead of in Qt's error handler.
//
// Each call is at most two round trips to the server.
class X11WindowTitles final : public WindowTitles
{
    Q_OBJECT

public:
    // Connects to displayName, or to $DISPLAY when it is empty; isAvailable()
    // says whether that worked.
    explicit X11WindowTitles(const QByteArray& displayName = {}, QObject* parent = nullptr);
    ~X11WindowTitles() override;

    // False when the connection could not be made or the server went away.
    bool isAvailable() const override;
    WindowId activeWindow() override;
    // Only an owner that is mapped counts: Qt points a dialog without a parent at
    // its hidden leader window, which is no window a user could see.
    WindowId ownerOf(WindowId window) override;
    // _NET_WM_NAME when the window has one, else WM_NAME; an empty string when it
    // has neither. After setTitle() on it, a WM_NAME that the window changed on
    // its own wins over the _NET_WM_NAME written here.
    std::optional<QString> title(WindowId window) override;
    // Writes _NET_WM_NAME and WM_NAME, so that old and new window managers agree.
    bool setTitle(WindowId window, const QString& title) override;
    void watch(WindowId window) override;

private:
    enum Atom : std::size_t
    {
        NetActiveWindow,
        NetWmName,
        Utf8String,
        CompoundText,
        AtomCount
    };

    void internAtoms();
    void selectPropertyChanges(std::uint32_t window, bool on);
    // Handles the events that have arrived: from the socket when readSocket is
    // true, else only those that xcb already read while waiting for a reply.
    void takeEvents(bool readSocket);
    void onSocketReadable();
    // After a call of ours: events that xcb queued meanwhile leave the socket
    // quiet, so they are taken here and their signals sent from the event loop,
    // never from inside the call.
    void afterRequests();
    void emitPending();

    xcb_connection_t* m_connection = nullptr;
    std::uint32_t m_root = 0;
    std::array<std::uint32_t, AtomCount> m_atoms{};
    // The longest property value one request can write, in 4-byte units: titles
    // are read whole, up to this.
    std::uint32_t m_maxPropertyLength = 0;
    QSocketNotifier* m_notifier = nullptr;
    std::uint32_t m_watched = 0;
    // The last title written, and where: to tell a window's own WM_NAME from ours.
    std::uint32_t m_writtenWindow = 0;
    QString m_writtenTitle;

    bool m_activeChanged = false;
    bool m_titleChanged = false;
    bool m_emitPosted = false;
};

} // namespace hv
