// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

namespace hv {

// Turns the signals that ask a program to end (SIGTERM from `kill` and
// systemd, SIGINT from Ctrl+C, SIGHUP when the terminal or the login session
// goes) into a Qt signal in the event loop, so that the program can end the
// way Exit ends it. The handler only writes the signal's number into a pipe
// that the event loop reads; nothing else may run inside a signal handler.
//
// Each signal is caught once: a second one of the same kind, sent because the
// first did not end the program soon enough, ends it at once as usual.
// One object at a time; a second one watches nothing.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    // Gives the signals back to their default action.
    ~TerminationSignals() override;

    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // False when the pipe could not be made or another object watches:
    // the signals then keep their default action.
    bool isWatching() const { return m_notifier != nullptr; }

Q_SIGNALS:
    // A signal asked the program to end: SIGTERM, SIGINT or SIGHUP.
    void terminationRequested(int signal);

private:
    void readPipe();

    QSocketNotifier* m_notifier = nullptr; // a child; exists while the handlers do
};

} // namespace hv
