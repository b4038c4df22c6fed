#include "Clock.h"

#include <QDateTime>

namespace hv {

DateTime SystemClock::now() const
{
    return fromQDateTime(QDateTime::currentDateTime());
}

} // namespace hv
