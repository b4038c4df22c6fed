// SPDX-License-Identifier: GPL-3.0-or-later
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
        } else if (arg == QLatin1String("--list-alarms")) {
            result.action = Action::ListAlarms;
        } else if (arg == QLatin1String("--say-time")) {
            result.action = Action::SayTime;
        } else {
            return {Action::Invalid, QStringLiteral("Unknown option '%1'.").arg(arg)};
        }
    }
    return result;
}

QString CommandLine::errorText() const
{
    return QStringLiteral("horavox: %1\nTry 'horavox --help' for more information.\n").arg(error);
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
        "  --list-alarms  List the alarms, one a line: the slot number, the next time\n"
        "                 the alarm fires (YYYY-MM-DDTHH:MM, local time; '-' when it\n"
        "                 cannot be worked out) and its description, separated by tabs.\n"
        "                 Reads the files only. Exits with 1 when the alarm file is\n"
        "                 damaged.\n"
        "  --say-time     Speak the time: the running clock speaks it, or, with no\n"
        "                 clock running, this command does. Bind it to a shortcut of\n"
        "                 your desktop where the hot key cannot be used.\n"
        "\n"
        "Without options Horavox starts the clock, or brings the running clock to the front.\n"
        "Files: horavox.ini in $XDG_CONFIG_HOME/horavox, the alarm file and the other\n"
        "stored files in $XDG_DATA_HOME/horavox; HORAVOX_HOME puts them all in one folder.\n");
}

} // namespace hv
