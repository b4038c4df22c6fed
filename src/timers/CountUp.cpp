// SPDX-License-Identifier: GPL-3.0-or-later
#include "CountUp.h"

#include "common/Conversions.h"

#include <QLocale>

#include <cmath>

namespace hv {

std::optional<double> readRate(const QString& text, QChar decimalSeparator)
{
    QString plain = text;
    if (decimalSeparator != u'.') {
        // Only the locale's separator is one: a point there is a mistake.
        if (plain.contains(u'.'))
            return std::nullopt;
        plain.replace(decimalSeparator, u'.');
    }
    return tryStrToFloat(plain);
}

double moneyAmount(qint64 seconds, double rate)
{
    // The factors are the classic constants, not 1/60 and 1/3600: 59:59 is
    // 0.9997373 hours, and bills made with them must come out the same.
    const qint64 hours = seconds / 3600;
    const qint64 minutes = seconds / 60 % 60;
    const qint64 rest = seconds % 60;
    return (double(hours) + double(minutes) * 0.016667 + double(rest) * 0.0002777) * rate;
}

QString moneyText(qint64 seconds, double rate, QChar decimalSeparator)
{
    const double amount = moneyAmount(seconds, rate);
    // Rounded once, to the nearest hundredth, half away from zero.
    const double cents = std::round(std::abs(amount) * 100);
    QString digits = QLocale::c().toString(cents / 100, 'f', 2);
    digits.replace(u'.', decimalSeparator);
    return (amount < 0 && cents > 0 ? QStringLiteral("-$") : QStringLiteral("$")) + digits;
}

void CountUpRun::start(const TimerReading& now)
{
    if (m_running)
        return;
    m_startMs = now.wholeMs - m_pauseMs + m_startMs;
    m_running = true;
}

void CountUpRun::pause(const TimerReading& now)
{
    if (!m_running)
        return;
    m_pauseMs = now.wholeMs;
    m_running = false;
}

qint64 CountUpRun::tick(const TimerReading& now)
{
    m_figuredSeconds = std::max<qint64>(0, (now.exactMs - m_startMs) / 1000);
    return m_figuredSeconds;
}

} // namespace hv
