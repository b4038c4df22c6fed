// SPDX-License-Identifier: GPL-3.0-or-later
#include "ClockProgram.h"

#include "DesktopAlarmActions.h"
#include "Help.h"
#include "media/RecorderDialog.h"
#include "platform/SoundOut.h"
#include "timers/CountUpWindow.h"
#include "timers/CountdownWindow.h"

#include <QPointer>
#include <QTimer>

namespace hv {

namespace {

std::unique_ptr<AlarmActions> desktopActions(AppState& state, const Platform& platform, Notices& notices,
                                             DesktopAlarmActions*& created)
{
    auto actions = std::make_unique<DesktopAlarmActions>(state, platform, notices);
    created = actions.get();
    return actions;
}

} // namespace

ClockProgram::ClockProgram(AppState& state, const Platform& platform)
    : m_window(state)
    , m_actions(nullptr)
    , m_session(state, platform, m_window, m_window, desktopActions(state, platform, m_window, m_actions))
{
    // Without a sound output the clock goes on silently; the user hears of it once.
    if (platform.soundOut) {
        QObject::connect(platform.soundOut, &SoundOut::unavailable, &m_window, [this](const QString& reason) {
            m_window.tell(
                QStringLiteral("sound"), QStringLiteral("Horavox: no sound"),
                QStringLiteral("Sounds cannot be played: %1. The clock goes on without them.").arg(reason));
        });
    }
    // The recorder's Help opens its topic as the clock window's Help does.
    setRecorderHelp([window = QPointer<ClockWindow>(&m_window)](int context) {
        if (!openHelp(context) && window)
            window->tell(QStringLiteral("help"), QStringLiteral("Horavox: Help"), helpNotOpenedText());
    });
    QObject::connect(&m_window, &ClockWindow::firstShown, &m_session, &ClockSession::start);
    QObject::connect(&m_window, &ClockWindow::cdPlayerRequested, m_actions,
                     &DesktopAlarmActions::showCdPlayer);
    QObject::connect(&m_session, &ClockSession::hideRequested, &m_window, [this] {
        if (!m_window.isHiddenInTray())
            m_window.hideToTray();
    });
    // The reminder is a modal dialog: offered once the tick that asked for it
    // has returned.
    QObject::connect(&m_session, &ClockSession::firstTickDone, &m_window, &ClockWindow::offerStartupReminder,
                     Qt::QueuedConnection);

    // Each timer command opens a window of its own, so several run at once.
    const auto help = [this](int topic) {
        if (!openHelp(topic))
            m_window.tell(QStringLiteral("help"), QStringLiteral("Horavox: Help"), helpNotOpenedText());
    };
    const auto open = [this](QWidget* timer) {
        m_timers.removeAll(nullptr);
        m_timers.append(timer);
        timer->show();
    };
    QObject::connect(&m_window, &ClockWindow::countUpRequested, &m_window, [&state, platform, help, open] {
        open(new CountUpWindow(timersContext(state, platform, help)));
    });
    QObject::connect(&m_window, &ClockWindow::countdownRequested, &m_window, [&state, platform, help, open] {
        open(new CountdownWindow(timersContext(state, platform, help)));
    });
}

ClockProgram::~ClockProgram()
{
    qDeleteAll(m_timers);
}

} // namespace hv
