#include "ClockProgram.h"

#include "DesktopAlarmActions.h"

#include <QTimer>

namespace hv {

namespace {

std::unique_ptr<AlarmActions> desktopActions(AppState& state, const Platform& platform,
                                             DesktopAlarmActions*& created)
{
    auto actions = std::make_unique<DesktopAlarmActions>(state, platform);
    created = actions.get();
    return actions;
}

} // namespace

ClockProgram::ClockProgram(AppState& state, const Platform& platform)
    : m_window(state)
    , m_actions(nullptr)
    , m_session(state, platform, m_window, m_window, desktopActions(state, platform, m_actions))
{
    QObject::connect(&m_window, &ClockWindow::firstShown, &m_session, &ClockSession::start);
    QObject::connect(&m_session, &ClockSession::hideRequested, &m_window, [this] {
        if (!m_window.isHiddenInTray())
            m_window.hideToTray();
    });
    // The reminder is a modal dialog: offered once the tick that asked for it
    // has returned.
    QObject::connect(&m_session, &ClockSession::firstTickDone, &m_window, &ClockWindow::offerStartupReminder,
                     Qt::QueuedConnection);
}

} // namespace hv
