// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Autostart.h"
#include "platform/ClockChanges.h"
#include "platform/HotKey.h"
#include "platform/WindowTitles.h"

namespace hv {

// What stands in for a platform service that the running desktop does not
// offer. Each says so through isAvailable() or its problem text; none of them
// ever fails or blocks.

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
    void setMark(WindowId, const std::optional<QString>&) override {}
    QList<MarkedWindow> markedWindows() override { return {}; }
    void watch(WindowId) override {}
};

// Where the system tells nothing of clock changes: clockChanged() never
// fires, and a changed clock is noticed by the next minute's tick.
class UnavailableClockChanges final : public ClockChanges
{
    Q_OBJECT

public:
    explicit UnavailableClockChanges(QObject* parent = nullptr)
        : ClockChanges(parent)
    {}
};

// Login start that is never on and never changes: for the commands that only
// read the settings.
class NoAutostart final : public Autostart
{
public:
    bool isEnabled() const override { return false; }
    void setEnabled(bool) override {}
};

} // namespace hv
