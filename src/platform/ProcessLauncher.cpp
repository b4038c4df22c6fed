#include "platform/ProcessLauncher.h"

#include "platform/qt/QtProcessLauncher.h"

#ifdef HORAVOX_HAVE_X11
#include "platform/x11/X11ProcessLauncher.h"
#endif

#include <QDir>
#include <QFileInfo>

namespace hv {

std::optional<QString> findPagedeck(const QString& folder)
{
    // An empty folder would mean the clock's working directory, which is no
    // place anybody put the launcher.
    if (folder.isEmpty())
        return std::nullopt;
    const QDir dir(folder);
    const QString exact = QString::fromUtf16(kPagedeckFileName);
    if (QFileInfo(dir.filePath(exact)).isFile())
        return dir.filePath(exact);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& name : names) {
        if (name.compare(exact, Qt::CaseInsensitive) == 0)
            return dir.filePath(name);
    }
    return std::nullopt;
}

QStringList pagedeckArguments(const QString& page, bool launch)
{
    return {u'-' + page, launch ? QStringLiteral("-LAUNCH") : QStringLiteral("-CLOSE")};
}

std::unique_ptr<ProcessLauncher> createProcessLauncher(const QString& qpaPlatformName)
{
#ifdef HORAVOX_HAVE_X11
    // $DISPLAY may be set on other platforms too (offscreen, Wayland with
    // Xwayland), where that X server does not hold the user's windows.
    if (qpaPlatformName == QLatin1String("xcb")) {
        auto x11 = std::make_unique<X11ProcessLauncher>();
        if (x11->isAvailable())
            return x11;
    }
#else
    Q_UNUSED(qpaPlatformName)
#endif
    return std::make_unique<QtProcessLauncher>();
}

} // namespace hv
