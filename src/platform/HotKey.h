// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

namespace hv {

// A system-wide key combination that makes the clock speak: pressed() fires
// whichever program has the focus.
//
// The combination is given as the settings store it: a classic virtual-key code
// (65 to 90 are the letters A to Z, 84 is T) and modifier flags that add up
// 1 Alt, 2 Control, 4 Shift and 8 the Super ("Windows") key; other bits are
// ignored.
//
// A combination that cannot be had is never fatal: registerKey() says why, and
// lastProblem() keeps the reason as a sentence for the options dialog.
class HotKey : public QObject
{
    Q_OBJECT

public:
    enum Modifier : qint32
    {
        Alt = 1,
        Control = 2,
        Shift = 4,
        Super = 8,
    };

    enum class RegisterResult
    {
        Registered,
        // Another program holds the combination; it keeps it, and the key does
        // nothing here.
        HeldByAnotherProgram,
        // The code names no key this backend knows, or the keyboard has no such key.
        Unsupported,
        // The desktop gives programs no global hot keys at all.
        Unavailable,
    };
    Q_ENUM(RegisterResult)

    using QObject::QObject;
    ~HotKey() override = default;

    virtual bool isAvailable() const = 0;

    // Registers the combination, replacing the one registered before: the old
    // combination is released first, whatever the outcome for the new one.
    virtual RegisterResult registerKey(quint16 virtualKey, qint32 modifierFlags) = 0;
    // Releases the combination, if any; the key then reaches other programs again.
    virtual void unregisterKey() = 0;
    // Why the last registerKey() did not register, in a plain sentence; empty
    // after success and after unregisterKey().
    virtual QString lastProblem() const = 0;

    // The sentence lastProblem() gives where there are no global hot keys.
    static QString unavailableProblem()
    {
        return QStringLiteral("This desktop does not let programs use global hot keys. Bind the command "
                              "\"horavox --say-time\" to a shortcut in the desktop's own settings instead.");
    }

Q_SIGNALS:
    // Once for each press of the combination; a key held down and repeating
    // counts once.
    void pressed();
};

} // namespace hv
