// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Platform.h"

#include <QFlags>
#include <QString>

#include <memory>

namespace hv {

class Autostart;
class Clock;
class ClockChanges;
class HotKey;
class ProcessLauncher;
class SoundOut;
class WaveDevice;
class WindowTitles;

// The platform services for the running desktop, built in one place: the X11
// backends on "xcb", Qt's own where they serve every desktop, and the
// stand-ins of Unavailable.h where the desktop offers nothing. Only the
// services asked for are made; the others stay null, so a command that only
// reads files starts no sound system and opens no display connection.
struct PlatformServices
{
    enum class Service
    {
        Clock = 0x01,
        WindowTitles = 0x02,
        Autostart = 0x04,
        SoundOut = 0x08,
        HotKey = 0x10,
        Launcher = 0x20,
        ClockChanges = 0x40,
        WaveDevice = 0x80,
        All = 0xff
    };
    Q_DECLARE_FLAGS(Services, Service)

    std::unique_ptr<Clock> clock;
    std::unique_ptr<WindowTitles> windowTitles;
    std::unique_ptr<Autostart> autostart;
    std::unique_ptr<SoundOut> soundOut;
    std::unique_ptr<HotKey> hotKey;
    std::unique_ptr<ProcessLauncher> launcher;
    std::unique_ptr<ClockChanges> clockChanges;
    std::unique_ptr<WaveDevice> waveDevice;

    PlatformServices();
    PlatformServices(PlatformServices&&) noexcept;
    PlatformServices& operator=(PlatformServices&&) noexcept;
    ~PlatformServices();

    // The services as the windows and the clock session take them; not owned.
    Platform view() const;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(PlatformServices::Services)

// `qpaPlatformName` is QGuiApplication::platformName(), or empty for a
// command without a GUI application. The clock is the system clock, or the
// one that HORAVOX_TIME asks for (see createClock).
PlatformServices createPlatformServices(const QString& qpaPlatformName,
                                        PlatformServices::Services wanted = PlatformServices::Service::All);

// Single services, for the tests of one backend on the real desktop.
std::unique_ptr<HotKey> createHotKey(const QString& qpaPlatformName);
std::unique_ptr<WindowTitles> createWindowTitles(const QString& qpaPlatformName);
std::unique_ptr<ProcessLauncher> createProcessLauncher(const QString& qpaPlatformName);
// On Linux the kernel's notice of a set clock and logind's notice of a resume
// on the system bus, each given up quietly when it cannot be had.
std::unique_ptr<ClockChanges> createClockChanges();

} // namespace hv
