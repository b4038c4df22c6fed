// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/fake/FakeClock.h"
#include "platform/fake/FakeSoundOut.h"
#include "timers/TimersContext.h"

#include <QList>
#include <QTemporaryDir>

namespace hv::test {

// The services of the timer windows: a fake clock at `start`, a fake sound,
// a private data folder; the help topics asked for and the sound the
// recorder would hand back.
struct TimersRig
{
    QTemporaryDir dataDir;
    FakeClock clock;
    FakeSoundOut sound;
    QList<int> helpTopics;
    std::optional<QString> recorded;

    explicit TimersRig(DateTime start)
        : clock(start)
    {}

    TimersContext context()
    {
        return {clock,
                sound,
                u':',
                u'.',
                dataDir.path(),
                [this](int topic) { helpTopics << topic; },
                [this](const QString&, QWidget*) { return recorded; }};
    }
};

inline DateTime at(int hour, int minute, int second, int msec = 0)
{
    return *tryEncodeDate(2026, 3, 9) + *tryEncodeTime(hour, minute, second, msec);
}

} // namespace hv::test
