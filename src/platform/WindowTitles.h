// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>

namespace hv {

// An opaque handle of another program's top-level window; 0 is none.
using WindowId = std::uint64_t;

// A window that carries the mark of a decorated title, and the title it had
// before the decoration.
struct MarkedWindow
{
    WindowId window = 0;
    QString original;

    bool operator==(const MarkedWindow&) const = default;
};

// Access to other programs' windows, for the title-bar clock. On X11 this is
// the active window and its title; elsewhere the service may be unavailable,
// and the options dialog says so.
class WindowTitles : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~WindowTitles() override = default;

    virtual bool isAvailable() const = 0;

    // The window that has the focus, or 0.
    virtual WindowId activeWindow() = 0;
    // The window that owns a dialog (its transient-for parent), or 0 when the
    // window stands on its own.
    virtual WindowId ownerOf(WindowId window) = 0;
    // Empty when the window is gone.
    virtual std::optional<QString> title(WindowId window) = 0;
    // False when the window is gone or refused the change. A mark on the
    // window stays as it is.
    virtual bool setTitle(WindowId window, const QString& title) = 0;

    // Marks a window whose title the clock is about to change with its own
    // title, or removes the mark (nullopt). The mark lives on the window, not in
    // this program: a run that ended without giving the title back (a crash, a
    // kill) leaves it there, and the next run finds the window through
    // markedWindows() and restores the title it remembers. Set the mark before
    // changing the title and remove it after restoring, so that no moment leaves
    // a decorated title unmarked. A window that has gone is no error.
    virtual void setMark(WindowId window, const std::optional<QString>& original) = 0;
    // The top-level windows of the desktop that carry a mark, in no set order.
    virtual QList<MarkedWindow> markedWindows() = 0;

    // Asks for titleChanged() whenever this window's title changes, instead of
    // waiting for the next tick; a later call replaces the window watched. 0
    // stops watching.
    virtual void watch(WindowId window) = 0;

Q_SIGNALS:
    void activeWindowChanged();
    void titleChanged(hv::WindowId window);
};

} // namespace hv
