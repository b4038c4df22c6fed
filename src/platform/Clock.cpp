// SPDX-License-Identifier: GPL-3.0-or-later
#include "Clock.h"

#include <QDateTime>
#include <QElapsedTimer>

#include <chrono>
#include <ctime>

namespace hv {

DateTime SystemClock::now() const
{
    return fromQDateTime(QDateTime::currentDateTime());
}

qint64 SystemClock::elapsedMs() const
{
#ifdef CLOCK_BOOTTIME
    timespec reading{};
    if (clock_gettime(CLOCK_BOOTTIME, &reading) == 0)
        return static_cast<qint64>(reading.tv_sec) * 1000 + reading.tv_nsec / 1'000'000;
#endif
    // Stops during suspend on some systems; still immune to clock changes.
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

namespace {

class ShiftedClock final : public Clock
{
public:
    explicit ShiftedClock(DateTime start)
        : m_start(start)
    {
        m_running.start();
    }

    DateTime now() const override
    {
        return m_start + static_cast<double>(m_running.elapsed()) / kMsecsPerDay;
    }

    qint64 elapsedMs() const override { return m_system.elapsedMs(); }

private:
    DateTime m_start;
    QElapsedTimer m_running;
    SystemClock m_system;
};

} // namespace

std::unique_ptr<Clock> createClock(const QProcessEnvironment& env)
{
    const QString fixed = env.value(QStringLiteral("HORAVOX_TIME"));
    if (!fixed.isEmpty()) {
        const QDateTime start = QDateTime::fromString(fixed, Qt::ISODate);
        if (start.isValid())
            return std::make_unique<ShiftedClock>(fromQDateTime(start));
    }
    return std::make_unique<SystemClock>();
}

} // namespace hv
