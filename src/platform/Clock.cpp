// SPDX-License-Identifier: GPL-3.0-or-later
#include "Clock.h"

#include <QDateTime>
#include <QElapsedTimer>

namespace hv {

DateTime SystemClock::now() const
{
    return fromQDateTime(QDateTime::currentDateTime());
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

private:
    DateTime m_start;
    QElapsedTimer m_running;
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
