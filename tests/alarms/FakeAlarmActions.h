// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "alarms/AlarmActions.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

namespace hv {

// Records what the alarm check asks for, in order, as one line per call in
// `calls` (e.g. "play a.wav", "start prog -x (minimized)", "close 0x4a00003",
// "pagedeck Morning -LAUNCH", "message 12 text", "cd player", "changed"), and
// keeps each program start so that a test can hand in its window later, as
// the real launcher does from the event loop.
class FakeAlarmActions final : public AlarmActions
{
public:
    struct Message
    {
        AlarmId alarm = 0;
        QString text;
        QString wave;
    };

    QStringList calls;
    QList<Message> messages;
    QList<LaunchedWindow> closed;
    int changes = 0;

    void playWave(const QString& path) override { calls.append(QStringLiteral("play ") + path); }

    void startProgram(const QString& commandLine, bool minimized,
                      std::function<void(LaunchedWindow)> launched) override
    {
        calls.append(QStringLiteral("start ") + commandLine +
                     (minimized ? QStringLiteral(" (minimized)") : QString()));
        m_launches.append(std::move(launched));
    }

    void closeWindow(LaunchedWindow window) override
    {
        calls.append(QStringLiteral("close 0x") + QString::number(window, 16));
        closed.append(window);
    }

    void runPagedeck(const QString& page, bool launch) override
    {
        calls.append(QStringLiteral("pagedeck ") + page +
                     (launch ? QStringLiteral(" -LAUNCH") : QStringLiteral(" -CLOSE")));
    }

    void showMessage(AlarmId alarm, const QString& text, const QString& wave) override
    {
        calls.append(QStringLiteral("message ") + text);
        messages.append({alarm, text, wave});
    }

    void showCdPlayer() override { calls.append(QStringLiteral("cd player")); }

    void alarmsChanged() override { ++changes; }

    // Program starts so far, the first being 0.
    qsizetype launchCount() const { return m_launches.size(); }

    // Hands the window of program start `index` to the alarm check.
    void deliverWindow(qsizetype index, LaunchedWindow window) const { m_launches.at(index)(window); }

    // The calls since the last take, which forgets them.
    QStringList takeCalls() { return std::exchange(calls, {}); }

private:
    QList<std::function<void(LaunchedWindow)>> m_launches;
};

} // namespace hv
