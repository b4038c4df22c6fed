// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSet>
#include <QString>

namespace hv {

// Tells the user of a problem without stopping anything and without waiting
// for an answer: a program alarm that could not start, a hot key held by
// another program, a sound that could not be played. Each cause is told once
// per run, so a problem that recurs every minute does not nag.
class Notices
{
public:
    virtual ~Notices() = default;

    // `cause` names the problem, e.g. "hotkey" or "program:xterm"; a cause
    // already told is not told again. True when the notice was shown.
    bool tell(const QString& cause, const QString& title, const QString& text)
    {
        if (m_told.contains(cause))
            return false;
        m_told.insert(cause);
        showNotice(title, text);
        return true;
    }

protected:
    // Shows one notice; returns at once.
    virtual void showNotice(const QString& title, const QString& text) = 0;

private:
    QSet<QString> m_told;
};

} // namespace hv
