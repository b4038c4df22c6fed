// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowTitles.h"

#include <QByteArray>

#include <array>
#include <cstdint>
#include <memory>

namespace hv {

namespace xcb {
class Connection;
}

// Other programs' windows on an X11 desktop, through the window manager's
// _NET_ACTIVE_WINDOW and the ICCCM/EWMH title properties.
//
// It talks to the X server over a connection of its own (xcb::Connection): the
// event masks it selects on the root and on the watched window cannot change
// which events Qt receives.
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
    // The mark is the window property _HORAVOX_ORIGINAL_TITLE, UTF8_STRING. Sent
    // without waiting: the setTitle() that follows waits for both.
    void setMark(WindowId window, const std::optional<QString>& original) override;
    // The windows of _NET_CLIENT_LIST that carry the mark: two round trips
    // however many windows there are.
    QList<MarkedWindow> markedWindows() override;
    void watch(WindowId window) override;

private:
    enum Atom : std::size_t
    {
        NetActiveWindow,
        NetWmName,
        Utf8String,
        CompoundText,
        NetClientList,
        OriginalTitle,
        AtomCount
    };

    enum class Completion
    {
        Send, // queued; errors ignored
        Wait, // done by the server when the call returns
    };
    void selectPropertyChanges(std::uint32_t window, bool on, Completion completion);
    // Records what a change of a property means for the two signals.
    void takePropertyChange(std::uint32_t window, std::uint32_t atom);
    void emitPending();

    std::unique_ptr<xcb::Connection> m_x;
    std::array<std::uint32_t, AtomCount> m_atoms{};
    // The longest property value one request can write, in 4-byte units: titles
    // are read whole, up to this.
    std::uint32_t m_maxPropertyLength = 0;
    std::uint32_t m_watched = 0;
    // The last title written, and where: to tell a window's own WM_NAME from ours.
    std::uint32_t m_writtenWindow = 0;
    QString m_writtenTitle;

    bool m_activeChanged = false;
    bool m_titleChanged = false;
};

} // namespace hv
