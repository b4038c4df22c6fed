// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

namespace hv {

// Tells at once when the wall-clock time jumped, so that alarms and the next
// announcement are worked out again right away rather than at the next minute
// tick. Nothing is said about the ordinary passing of time, nor about slow
// adjustments that keep the clock in step.
//
// clockChanged() arrives on the thread that made the object (the GUI thread),
// from its event loop, never from inside a system callback. One jump may be
// told more than once, and under both reasons (the end of a suspend also sets
// the clock): a receiver simply looks at the time again each time.
//
// Where the system tells nothing of the kind, the service stays silent and the
// minute tick catches up alone.
class ClockChanges : public QObject
{
    Q_OBJECT

public:
    enum class Reason
    {
        // The system time was set: by hand, by a time server taking a large
        // step, or on a change of time zone done by setting the clock.
        TimeSet,
        // The computer woke from suspend or hibernation.
        Resumed,
    };
    Q_ENUM(Reason)

    ~ClockChanges() override = default;

Q_SIGNALS:
    void clockChanged(hv::ClockChanges::Reason reason);

protected:
    explicit ClockChanges(QObject* parent = nullptr)
        : QObject(parent)
    {}
};

} // namespace hv
