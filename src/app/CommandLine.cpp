#include "CommandLine.h"

namespace hv {

CommandLine CommandLine::parse(const QStringList& arguments)
{
    CommandLine result;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            result.action = Action::ShowHelp;
        } else if (arg == QLatin1String("--version") || arg == QLatin1String("-v")) {
            result.action = Action::ShowVersion;
        } else {
            return {Action::Invalid, QStringLiteral("Unknown option '%1'.").arg(arg)};
        }
    }
    return result;
}

QString CommandLine::helpText()
{
    return QStringLiteral(
        "Usage: horavox [option]\n"
        "A talking desktop clock with alarms, timers and a CD player.\n"
        "\n"
        "Options:\n"
        "  -h, --help     Show this help and exit.\n"
        "  -v, --version  Show the version and exit.\n"
        "\n"
        "Without options Horavox starts the clock, or brings the running clock to the front.\n"
        "Files: horavox.ini in $XDG_CONFIG_HOME/horavox, the alarm file and the other\n"
        "stored files in $XDG_DATA_HOME/horavox; HORAVOX_HOME puts them all in one folder.\n");
}

} // namespace hv
