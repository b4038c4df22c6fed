// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace hv {

// Whether the clock starts when the user logs in ("Auto Run").
class Autostart
{
public:
    Autostart() = default;
    virtual ~Autostart() = default;
    Autostart(const Autostart&) = delete;
    Autostart& operator=(const Autostart&) = delete;

    // Whether the system is set to start the clock.
    virtual bool isEnabled() const = 0;
    // Sets the system to start the clock or not. Throws
    // Error::unableToWrite(path) when the setting cannot be stored.
    virtual void setEnabled(bool enabled) = 0;
};

} // namespace hv
