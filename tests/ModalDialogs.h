// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace hv::test {

// Answers the next modal dialog: polls for it from the event loop (so that it
// also works while the dialog's own exec() runs), then hands it to `act` once.
// Returns the timer; it stops by itself after `timeoutMs`, so a dialog that
// never comes does not leave the test waiting for ever.
inline QPointer<QTimer> answerNextModal(std::function<void(QWidget*)> act, int timeoutMs = 5000)
{
    auto* poll = new QTimer(qApp);
    auto* deadline = new QTimer(poll);
    deadline->setSingleShot(true);
    QObject::connect(deadline, &QTimer::timeout, poll, &QObject::deleteLater);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act = std::move(act)] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            poll->stop();
            act(dialog);
            poll->deleteLater();
        }
    });
    poll->start(10);
    deadline->start(timeoutMs);
    return poll;
}

} // namespace hv::test
