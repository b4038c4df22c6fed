#include "AppState.h"
#include "Application.h"
#include "CommandLine.h"
#include "ListAlarms.h"
#include "Newclock.h"
#include "SayTime.h"
#include "SingleInstance.h"
#include "common/DataPaths.h"
#include "platform/Clock.h"
#include "platform/HotKeyFactory.h"
#include "platform/ProcessLauncher.h"
#include "platform/WindowTitlesFactory.h"
#include "platform/linux/XdgAutostart.h"
#include "platform/qt/QtSoundOut.h"

#include <cstdio>

namespace {

int runClock(hv::Application& app)
{
    // The first start owns the clock; a later one only brings it forward.
    hv::SingleInstance instance(hv::SingleInstance::defaultRuntimeDir());
    if (!instance.claim()) {
        instance.send("raise");
        return 0;
    }

    const std::unique_ptr<hv::Clock> clock = hv::createClock();
    const std::unique_ptr<hv::WindowTitles> windowTitles = hv::createWindowTitles(app.platformName());
    const std::unique_ptr<hv::HotKey> hotKey = hv::createHotKey(app.platformName());
    const std::unique_ptr<hv::ProcessLauncher> launcher = hv::createProcessLauncher(app.platformName());
    hv::QtSoundOut sound;
    hv::XdgAutostart autostart(hv::XdgAutostart::defaultDirectory(), QCoreApplication::applicationFilePath());
    hv::AppState state(hv::DataPaths::fromEnvironment(), autostart);
    hv::Platform platform;
    platform.clock = clock.get();
    platform.windowTitles = windowTitles.get();
    platform.autostart = &autostart;
    platform.soundOut = &sound;
    platform.hotKey = hotKey.get();
    platform.launcher = launcher.get();

    app.setQuitOnLastWindowClosed(false); // the clock lives on in the tray
    hv::TMain mainWindow(state, platform);
    QObject::connect(&instance, &hv::SingleInstance::messageReceived, &mainWindow,
                     [&mainWindow](const QByteArray& message) {
                         if (message == "raise")
                             mainWindow.bringToFront();
                         else if (message == "speak")
                             mainWindow.requestVoice();
                     });
    mainWindow.show();
    return app.exec();
}

} // namespace

int main(int argc, char* argv[])
{
    const hv::CommandLine command = hv::CommandLine::parse([&] {
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        return arguments;
    }());

    switch (command.action) {
    case hv::CommandLine::Action::ShowVersion:
        std::printf("Horavox %s\n", HORAVOX_VERSION);
        return 0;
    case hv::CommandLine::Action::ShowHelp:
        std::fputs(qPrintable(hv::CommandLine::helpText()), stdout);
        return 0;
    case hv::CommandLine::Action::Invalid:
        std::fprintf(stderr, "horavox: %s\n\n%s", qPrintable(command.error),
                     qPrintable(hv::CommandLine::helpText()));
        return 2;
    case hv::CommandLine::Action::ListAlarms:
        return hv::runListAlarms();
    case hv::CommandLine::Action::SayTime:
        return hv::sayTime(argc, argv);
    case hv::CommandLine::Action::RunClock:
        break;
    }

    hv::Application app(argc, argv);
    hv::Application::setApplicationVersion(QStringLiteral(HORAVOX_VERSION));
    return runClock(app);
}
