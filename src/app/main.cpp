// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppState.h"
#include "Application.h"
#include "ClockProgram.h"
#include "CommandLine.h"
#include "ListAlarms.h"
#include "SayTime.h"
#include "SingleInstance.h"
#include "common/DataPaths.h"
#include "controls/MessageBox.h"
#include "platform/Clock.h"
#include "platform/PlatformServices.h"

#ifdef Q_OS_LINUX
#include "platform/linux/TerminationSignals.h"
#endif

#include <QLocale>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <utility>

namespace {

// What must still be saved when the process ends through exit() while the
// clock runs: Qt ends the program that way when it loses the display. Set
// while the clock runs; run at most once.
std::function<void()> g_lastSave;

void runLastSave()
{
    if (const std::function<void()> save = std::exchange(g_lastSave, nullptr))
        save();
}

// A later start that the running clock did not answer within a second: say
// so, where a user who started it from a menu sees it too.
int reportUnreachableClock(const hv::SingleInstance& instance)
{
    const qint64 owner = instance.lockOwner();
    const QString text =
        owner > 0
            ? QStringLiteral("Horavox is already running (process %1) but does not answer. If it is stuck, "
                             "end it and start Horavox again.")
                  .arg(owner)
            : QStringLiteral("Horavox is already running but does not answer. If it is stuck, end it and "
                             "start Horavox again.");
    std::fprintf(stderr, "horavox: %s\n", qPrintable(text));
    hv::MessageBox::critical(nullptr, QStringLiteral("Horavox"), text);
    return 1;
}

int runClock(hv::Application& app)
{
    // The first start owns the clock; a later one only brings it forward.
    hv::SingleInstance instance(hv::SingleInstance::defaultRuntimeDir());
    if (!instance.claim())
        return instance.send(hv::SingleInstance::kRaise) ? 0 : reportUnreachableClock(instance);

    // Declared in the order that ends them well: the clock goes first (the
    // session gives the decorated window its own title back while the
    // services still exist), then the state and the services, and the lock
    // last, so that a new start cannot begin before this one has saved.
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
    if (!instance.listenError().isEmpty()) {
        clock.window().tell(QStringLiteral("socket"), QStringLiteral("Horavox"),
                            QStringLiteral("Horavox cannot listen on %1 (%2). Starting Horavox again or "
                                           "horavox --say-time will not reach this clock.")
                                .arg(instance.socketPath(), instance.listenError()));
    }

    // A logout, kill or Ctrl+C ends the clock as Exit does, without a question.
#ifdef Q_OS_LINUX
    const hv::TerminationSignals termination;
    QObject::connect(&termination, &hv::TerminationSignals::terminationRequested, &clock.window(),
                     &hv::ClockWindow::endSession);
#endif
    // The session manager's save request: the session may yet go on, so only save.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &clock.window(),
                     [&clock] { clock.window().saveWithoutAsking(); });
    // Qt calls exit() when the display connection breaks: the clock is still
    // whole then, and what can be saved without a display is saved.
    g_lastSave = [&clock, &instance] {
        clock.session().stop();
        clock.window().saveWithoutAsking();
        instance.release();
    };
    std::atexit(runLastSave);

    clock.window().show();
    const int status = app.exec();
    g_lastSave = nullptr;
    return status;
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
        std::fputs(qPrintable(command.errorText()), stderr);
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
