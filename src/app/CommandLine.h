// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace hv {

// What the command line asks of this start.
struct CommandLine
{
    enum class Action
    {
        RunClock, // no options: start the clock, or raise the running one
        ShowHelp,
        ShowVersion,
        ListAlarms, // print the alarms and when each fires next, then exit
        SayTime,    // the running clock speaks the time; without one, speak it here
        Invalid,    // unknown option; error holds the message
    };

    Action action = Action::RunClock;
    QString error;

    static CommandLine parse(const QStringList& arguments);
    static QString helpText();
    // For Action::Invalid: what goes to stderr, the error and a pointer to
    // --help on a line each; the help itself would bury the error.
    QString errorText() const;
};

} // namespace hv
