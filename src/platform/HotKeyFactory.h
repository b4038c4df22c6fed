#pragma once

#include "platform/HotKey.h"

#include <QString>

#include <memory>

namespace hv {

// The answer on desktops without global hot keys (Wayland, the offscreen
// platform): nothing registers, and pressed() never fires.
class UnavailableHotKey final : public HotKey
{
    Q_OBJECT

public:
    using HotKey::HotKey;

    bool isAvailable() const override { return false; }
    RegisterResult registerKey(quint16, qint32) override { return RegisterResult::Unavailable; }
    void unregisterKey() override {}
    QString lastProblem() const override { return unavailableProblem(); }
};

// The hot key for the Qt platform plugin in use (QGuiApplication::platformName()):
// the X11 backend on "xcb" when its own connection to the display can be made,
// else UnavailableHotKey.
std::unique_ptr<HotKey> createHotKey(const QString& qpaPlatformName);

} // namespace hv
