// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/qt/QtProcessLauncher.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QHash>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class QTimer;

namespace hv {

namespace xcb {
class Connection;
}

// The launcher on an X11 desktop with an EWMH window manager.
//
// A started program's window is the first top-level window (in the window
// manager's _NET_CLIENT_LIST) whose _NET_WM_PID is the program's process or
// one of its descendants. Failing that, a window that appeared after the start
// and became the active window counts, provided it names no process
// (_NET_WM_PID absent): a window that names another process belongs to some
// other program, which a stop must never close. The client list is polled
// every kPollInterval ms until the window is found or kWindowWait has passed.
//
// Minimized: the found window is asked to iconify (ICCCM WM_CHANGE_STATE),
// which openbox honours; the window shows briefly before it does.
//
// Closing: _NET_CLOSE_WINDOW to the root, source indication 2, as a pager's
// close button sends it; without a window manager that supports it, the
// window's own WM_DELETE_WINDOW protocol. A window that no longer exists, or
// whose id now names another program's window, is left alone.
//
// Pagedeck gets a startup-notification id with time 0 (DESKTOP_STARTUP_ID),
// which toolkits that honour it turn into "do not focus this window" for the
// window manager. Qt 6.4 programs do not, and take the focus under openbox.
//
// Like the other X11 backends it has an xcb connection of its own
// (xcb::Connection).
class X11ProcessLauncher final : public QtProcessLauncher
{
    Q_OBJECT

public:
    // How often the window list is looked at while a started program has not
    // shown its window, in ms.
    static constexpr int kPollInterval = 100;

    // Connects to displayName, or to $DISPLAY when it is empty; isAvailable()
    // says whether that worked.
    explicit X11ProcessLauncher(const QByteArray& displayName = {}, QObject* parent = nullptr);
    ~X11ProcessLauncher() override;

    bool isAvailable() const;

    qint64 start(const QString& commandLine, bool minimized, WindowFound found) override;
    void closeWindow(WindowId window) override;

protected:
    QProcessEnvironment backgroundEnvironment() const override;

private:
    enum Atom : std::size_t
    {
        NetClientList,
        NetActiveWindow,
        NetWmPid,
        NetCloseWindow,
        NetSupported,
        WmChangeState,
        WmProtocols,
        WmDeleteWindow,
        AtomCount
    };

    // A started program whose window is awaited.
    struct Search
    {
        qint64 pid = 0;
        bool minimized = false;
        WindowFound found;
        std::vector<std::uint32_t> before; // the client list at the start, sorted
        QDeadlineTimer deadline;
    };

    // The window manager's client list, sorted; empty when it has none.
    std::vector<std::uint32_t> clientList();
    void poll();
    void finish(Search& search, std::uint32_t window, qint64 windowPid);
    void iconify(std::uint32_t window);
    bool managerSupports(std::uint32_t atom);
    // 0 when the window has no _NET_WM_PID; -1 when it has gone.
    qint64 pidOf(std::uint32_t window);
    void sendClientMessage(std::uint32_t destination, std::uint32_t window, std::uint32_t type,
                           std::array<std::uint32_t, 5> data, std::uint32_t eventMask);

    std::unique_ptr<xcb::Connection> m_x;
    std::array<std::uint32_t, AtomCount> m_atoms{};
    std::vector<Search> m_searches;
    QTimer* m_poll = nullptr;
    // The process each found window named (0: none): X reuses window ids once
    // their program has gone, and the window under an old id may be another's.
    QHash<std::uint32_t, qint64> m_found;
    mutable quint64 m_startupSerial = 0;
};

} // namespace hv
