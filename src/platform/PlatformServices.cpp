// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlatformServices.h"

#include "platform/Clock.h"
#include "platform/Unavailable.h"
#include "platform/linux/XdgAutostart.h"
#include "platform/qt/QtProcessLauncher.h"
#include "platform/qt/QtSoundOut.h"
#include "platform/qt/QtWaveDevice.h"

#include <QCoreApplication>

#ifdef HORAVOX_HAVE_LINUX_CLOCK_CHANGES
#include "platform/linux/LinuxClockChanges.h"
#endif
#ifdef HORAVOX_HAVE_X11
#include "platform/x11/X11HotKey.h"
#include "platform/x11/X11ProcessLauncher.h"
#include "platform/x11/X11WindowTitles.h"
#endif

namespace hv {

namespace {

// The X11 backend when the Qt platform plugin is "xcb" and the backend's own
// connection to the display can be made. Other plugins can run with $DISPLAY
// set too (offscreen, Wayland with Xwayland), where that X server does not
// hold the user's windows or keys.
template <typename X11Backend, typename Interface>
std::unique_ptr<Interface> x11Backend([[maybe_unused]] const QString& qpaPlatformName)
{
#ifdef HORAVOX_HAVE_X11
    if (qpaPlatformName == QLatin1String("xcb")) {
        auto x11 = std::make_unique<X11Backend>();
        if (x11->isAvailable())
            return x11;
    }
#endif
    return nullptr;
}

// Makes the launcher for the running desktop on first use: the X11 one opens
// a display connection of its own, which a clock that starts no program never
// needs, and which would otherwise come before the clock's first paint.
class LazyProcessLauncher final : public ProcessLauncher
{
public:
    explicit LazyProcessLauncher(QString qpaPlatformName)
        : m_qpaPlatformName(std::move(qpaPlatformName))
    {}

    qint64 start(const QString& commandLine, bool minimized, WindowFound found) override
    {
        return launcher().start(commandLine, minimized, std::move(found));
    }
    void closeWindow(WindowId window) override { launcher().closeWindow(window); }
    bool runPagedeck(const QString& folder, const QString& page, bool launch) override
    {
        return launcher().runPagedeck(folder, page, launch);
    }

private:
    ProcessLauncher& launcher()
    {
        if (!m_launcher)
            m_launcher = createProcessLauncher(m_qpaPlatformName);
        return *m_launcher;
    }

    QString m_qpaPlatformName;
    std::unique_ptr<ProcessLauncher> m_launcher; // destroyed with this: no `found` call after that
};

} // namespace

PlatformServices::PlatformServices() = default;
PlatformServices::PlatformServices(PlatformServices&&) noexcept = default;
PlatformServices& PlatformServices::operator=(PlatformServices&&) noexcept = default;
PlatformServices::~PlatformServices() = default;

Platform PlatformServices::view() const
{
    Platform platform;
    platform.clock = clock.get();
    platform.windowTitles = windowTitles.get();
    platform.autostart = autostart.get();
    platform.soundOut = soundOut.get();
    platform.hotKey = hotKey.get();
    platform.launcher = launcher.get();
    platform.clockChanges = clockChanges.get();
    platform.waveDevice = waveDevice.get();
    return platform;
}

std::unique_ptr<HotKey> createHotKey(const QString& qpaPlatformName)
{
#ifdef HORAVOX_HAVE_X11
    if (auto x11 = x11Backend<X11HotKey, HotKey>(qpaPlatformName))
        return x11;
#endif
    return std::make_unique<UnavailableHotKey>();
}

std::unique_ptr<WindowTitles> createWindowTitles(const QString& qpaPlatformName)
{
#ifdef HORAVOX_HAVE_X11
    if (auto x11 = x11Backend<X11WindowTitles, WindowTitles>(qpaPlatformName))
        return x11;
#endif
    return std::make_unique<UnavailableWindowTitles>();
}

std::unique_ptr<ProcessLauncher> createProcessLauncher(const QString& qpaPlatformName)
{
#ifdef HORAVOX_HAVE_X11
    if (auto x11 = x11Backend<X11ProcessLauncher, ProcessLauncher>(qpaPlatformName))
        return x11;
#endif
    // Starts programs everywhere; finding and closing their windows needs X11.
    return std::make_unique<QtProcessLauncher>();
}

std::unique_ptr<ClockChanges> createClockChanges()
{
#ifdef HORAVOX_HAVE_LINUX_CLOCK_CHANGES
    return std::make_unique<LinuxClockChanges>();
#else
    return std::make_unique<UnavailableClockChanges>();
#endif
}

PlatformServices createPlatformServices(const QString& qpaPlatformName, PlatformServices::Services wanted)
{
    using Service = PlatformServices::Service;
    PlatformServices services;
    if (wanted.testFlag(Service::Clock))
        services.clock = createClock();
    if (wanted.testFlag(Service::WindowTitles))
        services.windowTitles = createWindowTitles(qpaPlatformName);
    if (wanted.testFlag(Service::Autostart)) {
#ifdef Q_OS_LINUX
        services.autostart = std::make_unique<XdgAutostart>(XdgAutostart::defaultDirectory(),
                                                            QCoreApplication::applicationFilePath());
#else
        services.autostart = std::make_unique<NoAutostart>();
#endif
    }
    if (wanted.testFlag(Service::SoundOut))
        services.soundOut = std::make_unique<QtSoundOut>();
    if (wanted.testFlag(Service::HotKey))
        services.hotKey = createHotKey(qpaPlatformName);
    if (wanted.testFlag(Service::Launcher))
        services.launcher = std::make_unique<LazyProcessLauncher>(qpaPlatformName);
    if (wanted.testFlag(Service::ClockChanges))
        services.clockChanges = createClockChanges();
    // Touches no audio until the recorder first asks for it.
    if (wanted.testFlag(Service::WaveDevice))
        services.waveDevice = std::make_unique<QtWaveDevice>();
    return services;
}

} // namespace hv
