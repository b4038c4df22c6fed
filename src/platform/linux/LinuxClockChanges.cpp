// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/LinuxClockChanges.h"

#include "common/Logging.h"

#include <QDBusError>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <sys/timerfd.h>
#include <unistd.h>
#include <utility>

namespace hv {

namespace {

const QString kLogindService = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kLogindManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kPrepareForSleep = QStringLiteral("PrepareForSleep");

} // namespace

LinuxClockChanges::LinuxClockChanges(QDBusConnection bus, QObject* parent)
    : ClockChanges(parent)
    , m_bus(std::move(bus))
{
    m_timerFd = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_timerFd < 0) {
        qCDebug(lcClock) << "no real-time timer:" << std::strerror(errno)
                         << "- a set clock is noticed at the next minute";
    } else if (!armTimer()) {
        qCDebug(lcClock) << "the kernel does not cancel timers on a set clock:" << std::strerror(errno)
                         << "- a set clock is noticed at the next minute";
        closeTimer();
    } else {
        m_notifier = new QSocketNotifier(m_timerFd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &LinuxClockChanges::readTimer);
    }

    // Matched on logind's name too: other programs on the system bus may send a
    // signal of the same path and name, but only logind knows of a resume.
    if (m_bus.isConnected())
        m_watchingSleep = m_bus.connect(kLogindService, kLogindPath, kLogindManager, kPrepareForSleep, this,
                                        SLOT(prepareForSleep(bool)));
    if (!m_watchingSleep)
        qCDebug(lcClock).noquote() << "no logind signals on the system bus:" << m_bus.lastError().message()
                                   << "- a resume is noticed at the next minute";
}

LinuxClockChanges::~LinuxClockChanges()
{
    if (m_watchingSleep)
        m_bus.disconnect(kLogindService, kLogindPath, kLogindManager, kPrepareForSleep, this,
                         SLOT(prepareForSleep(bool)));
    closeTimer();
}

bool LinuxClockChanges::armTimer()
{
    // The largest time the kernel takes (it clamps to the year 2262): the timer
    // never runs out, and only the cancellation is of interest.
    itimerspec never{};
    never.it_value.tv_sec = std::numeric_limits<time_t>::max();
    return ::timerfd_settime(m_timerFd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &never, nullptr) == 0;
}

void LinuxClockChanges::readTimer()
{
    std::uint64_t expirations = 0;
    const ssize_t got = ::read(m_timerFd, &expirations, sizeof expirations);
    if (got < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    // ECANCELED is the clock set. A read that succeeds means the clock reached the
    // far-off moment, which only a set clock can do; either way the timer is armed
    // again for the next change.
    if (got < 0 && errno != ECANCELED) {
        qCDebug(lcClock) << "the real-time timer failed:" << std::strerror(errno);
        closeTimer();
        return;
    }
    if (!armTimer()) {
        qCDebug(lcClock) << "the real-time timer cannot be armed again:" << std::strerror(errno);
        closeTimer();
    }
    Q_EMIT clockChanged(Reason::TimeSet);
}

void LinuxClockChanges::closeTimer()
{
    // The notifier may be the one calling: it is switched off before its file
    // is closed, and deleted once the call is over.
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    if (m_timerFd >= 0)
        ::close(m_timerFd);
    m_timerFd = -1;
}

void LinuxClockChanges::prepareForSleep(bool start)
{
    if (!start)
        Q_EMIT clockChanged(Reason::Resumed);
}

} // namespace hv
