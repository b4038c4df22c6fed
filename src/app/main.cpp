#include "AppState.h"
#include "Application.h"
#include "ClockProgram.h"
#include "CommandLine.h"
#include "ListAlarms.h"
#include "SayTime.h"
#include "SingleInstance.h"
#include "common/DataPaths.h"
#include "platform/Clock.h"
#include "platform/PlatformServices.h"

#include <QLocale>
#include <QTextStream>

#include <cstdio>

namespace {

int runClock(hv::Application& app)
{
    // The first start owns the clock; a later one only brings it forward.
    hv::SingleInstance instance(hv::SingleInstance::defaultRuntimeDir());
    if (!instance.claim()) {
        instance.send(hv::SingleInstance::kRaise);
        return 0;
    }

    const hv::PlatformServices services = hv::createPlatformServices(app.platformName());
    hv::AppState state(hv::DataPaths::fromEnvironment(), *services.autostart);
    state.load();

    app.setQuitOnLastWindowClosed(false); // the clock lives on in the tray
    hv::ClockProgram clock(state, services.view());
    QObject::connect(&instance, &hv::SingleInstance::messageReceived, &clock.window(),
                     [&clock](const QByteArray& message) {
                         if (message == hv::SingleInstance::kRaise)
                             clock.window().bringToFront();
                         else if (message == hv::SingleInstance::kSpeak)
                             clock.session().requestVoice();
                     });
    clock.window().show();
    return app.exec();
}

// Lists the alarms without changing any file: the paths from the environment,
// the program's clock and the system's regional formats.
int runListAlarms()
{
    // Qt wants an application object for its system services; this command
    // has no arguments of its own to give it.
    int argc = 1;
    char name[] = "horavox";
    char* argv[] = {name, nullptr};
    const QCoreApplication app(argc, argv);

    const hv::PlatformServices services =
        hv::createPlatformServices({}, hv::PlatformServices::Service::Clock);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return hv::listAlarms(hv::DataPaths::fromEnvironment(), services.clock->now(),
                          hv::FormatSettings::fromLocale(QLocale::system()), out, err);
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
        return runListAlarms();
    case hv::CommandLine::Action::SayTime:
        return hv::sayTime(argc, argv);
    case hv::CommandLine::Action::RunClock:
        break;
    }

    hv::Application app(argc, argv);
    hv::Application::setApplicationVersion(QStringLiteral(HORAVOX_VERSION));
    return runClock(app);
}
