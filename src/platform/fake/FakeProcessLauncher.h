// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ProcessLauncher.h"

#include <QList>

namespace hv {

// Starts nothing: records what was asked. A start answers with `nextWindow`
// from the event loop, as the real launchers do, or not at all while
// `holdAnswers` is set; a test then answers through answerHeld().
class FakeProcessLauncher final : public ProcessLauncher
{
public:
    struct Start
    {
        QString commandLine;
        bool minimized = false;
    };
    struct Pagedeck
    {
        QString folder;
        QString page;
        bool launch = false;
    };

    qint64 nextPid = 4242;                                           // 0: the start fails
    QString nextError = QStringLiteral("No such file or directory"); // lastError() after a failed start
    WindowId nextWindow = 0;                                         // what the next start reports
    bool pagedeckFound = true;                                       // what runPagedeck() returns
    bool holdAnswers = false;

    QList<Start> starts;
    QList<WindowId> closed;
    QList<Pagedeck> pagedecks;
    QList<WindowFound> held;

    qint64 start(const QString& commandLine, bool minimized, WindowFound found) override
    {
        starts.append({commandLine, minimized});
        m_lastError = nextPid == 0 ? nextError : QString();
        const WindowId window = nextPid == 0 ? 0 : nextWindow;
        if (holdAnswers && nextPid != 0)
            held.append(std::move(found));
        else
            QMetaObject::invokeMethod(
                this,
                [found = std::move(found), window] {
                    if (found)
                        found(window);
                },
                Qt::QueuedConnection);
        return nextPid;
    }

    void closeWindow(WindowId window) override { closed.append(window); }

    bool runPagedeck(const QString& folder, const QString& page, bool launch) override
    {
        pagedecks.append({folder, page, launch});
        return pagedeckFound;
    }

    // Answers the oldest start still waiting.
    void answerHeld(WindowId window)
    {
        if (held.isEmpty())
            return;
        const WindowFound found = held.takeFirst();
        if (found)
            found(window);
    }
};

} // namespace hv
