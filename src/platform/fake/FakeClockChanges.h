// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ClockChanges.h"

namespace hv {

// Clock changes that happen when a test says so.
class FakeClockChanges final : public ClockChanges
{
public:
    explicit FakeClockChanges(QObject* parent = nullptr)
        : ClockChanges(parent)
    {}

    // The clock was set (move the fake Clock first), or the computer woke.
    void setTime() { Q_EMIT clockChanged(Reason::TimeSet); }
    void resume() { Q_EMIT clockChanged(Reason::Resumed); }
};

} // namespace hv
