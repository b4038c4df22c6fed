#include "CommandLine.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Horavox"));
    QCoreApplication::setApplicationVersion(QStringLiteral(HORAVOX_VERSION));

    const hv::CommandLine command = hv::CommandLine::parse(QCoreApplication::arguments());
    switch (command.action) {
    case hv::CommandLine::Action::ShowVersion:
        std::printf("Horavox %s\n", HORAVOX_VERSION);
        return 0;
    case hv::CommandLine::Action::Invalid:
        std::fprintf(stderr, "horavox: %s\n\n%s", qPrintable(command.error),
                     qPrintable(hv::CommandLine::helpText()));
        return 2;
    case hv::CommandLine::Action::ShowHelp:
    case hv::CommandLine::Action::RunClock:
        std::fputs(qPrintable(hv::CommandLine::helpText()), stdout);
        return 0;
    }
    return 0;
}
