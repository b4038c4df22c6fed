#include "platform/WindowTitlesFactory.h"

#ifdef HORAVOX_HAVE_X11
#include "platform/x11/X11WindowTitles.h"
#endif

namespace hv {

std::unique_ptr<WindowTitles> createWindowTitles(const QString& qpaPlatformName)
{
#ifdef HORAVOX_HAVE_X11
    // Other platforms can run with $DISPLAY set too (offscreen, or Wayland with
    // Xwayland): there the X server is not the one that shows our windows.
    if (qpaPlatformName == QLatin1String("xcb")) {
        auto x11 = std::make_unique<X11WindowTitles>();
        if (x11->isAvailable())
            return x11;
    }
#else
    Q_UNUSED(qpaPlatformName)
#endif
    return std::make_unique<UnavailableWindowTitles>();
}

} // namespace hv
