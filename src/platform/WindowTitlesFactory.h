#pragma once

#include "platform/WindowTitles.h"

#include <QString>

#include <memory>

namespace hv {

// The answer on desktops that give a program no access to other programs'
// windows (Wayland, the offscreen platform): unavailable, and every call a no-op.
class UnavailableWindowTitles final : public WindowTitles
{
    Q_OBJECT

public:
    using WindowTitles::WindowTitles;

    bool isAvailable() const override { return false; }
    WindowId activeWindow() override { return 0; }
    WindowId ownerOf(WindowId) override { return 0; }
    std::optional<QString> title(WindowId) override { return std::nullopt; }
    bool setTitle(WindowId, const QString&) override { return false; }
    void watch(WindowId) override {}
};

// The window service for the Qt platform plugin in use
// (QGuiApplication::platformName()): the X11 backend on "xcb" when its own
// connection to the display can be made, else UnavailableWindowTitles.
std::unique_ptr<WindowTitles> createWindowTitles(const QString& qpaPlatformName);

} // namespace hv
