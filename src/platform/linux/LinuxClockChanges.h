// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ClockChanges.h"

#include <QDBusConnection>

class QSocketNotifier;

namespace hv {

// Clock changes on Linux, from two sources:
// - TimeSet: a timer on the real-time clock, set for a moment that never comes,
//   which the kernel cancels whenever the clock is set (timerfd with
//   TFD_TIMER_CANCEL_ON_SET);
// - Resumed: logind's PrepareForSleep(false) on the system bus, sent when a
//   suspend or hibernation ends.
// Either source that cannot be had is done without, with one debug line; the
// constructor never fails and never waits for long.
class LinuxClockChanges final : public ClockChanges
{
    Q_OBJECT

public:
    // bus: where logind speaks; a test hands in a private bus.
    explicit LinuxClockChanges(QDBusConnection bus = QDBusConnection::systemBus(), QObject* parent = nullptr);
    ~LinuxClockChanges() override;

    // Whether each source could be had.
    bool watchesTimeSet() const { return m_timerFd >= 0; }
    bool watchesResume() const { return m_watchingSleep; }

private Q_SLOTS:
    // logind's signal: start is true before the computer sleeps, false after.
    void prepareForSleep(bool start);

private:
    bool armTimer();
    void readTimer();
    void closeTimer();

    int m_timerFd = -1;
    QSocketNotifier* m_notifier = nullptr; // a child; exists while m_timerFd does
    QDBusConnection m_bus;
    bool m_watchingSleep = false;
};

} // namespace hv
