#include "platform/HotKeyFactory.h"

#ifdef HORAVOX_HAVE_X11
#include "platform/x11/X11HotKey.h"
#endif

namespace hv {

std::unique_ptr<HotKey> createHotKey(const QString& qpaPlatformName)
{
#ifdef HORAVOX_HAVE_X11
    // With another platform plugin, $DISPLAY may still name an X server (Xwayland,
    // offscreen under X): keys grabbed there would not be the user's keys.
    if (qpaPlatformName == QLatin1String("xcb")) {
        auto x11 = std::make_unique<X11HotKey>();
        if (x11->isAvailable())
            return x11;
    }
#else
    Q_UNUSED(qpaPlatformName)
#endif
    return std::make_unique<UnavailableHotKey>();
}

} // namespace hv
