#include "ClockSession.h"

#include "AppState.h"
#include "alarms/AlarmActions.h"
#include "platform/Clock.h"
#include "platform/ClockChanges.h"
#include "platform/HotKey.h"
#include "platform/WindowTitles.h"

#include <QLocale>

namespace hv {

ClockSession::ClockSession(AppState& state, const Platform& platform, ClockTick::Face& face, Notices& notices,
                           std::unique_ptr<AlarmActions> actions, QObject* parent)
    : QObject(parent)
    , m_state(state)
    , m_platform(platform)
    , m_notices(notices)
    , m_actions(std::move(actions))
    , m_titleBar(*platform.windowTitles)
    , m_tick(face, m_titleBar)
    , m_words(state.paths().voiceDir())
    , m_announcer(state.settings().voice, state.extras().currentInterval, m_words, *platform.soundOut)
    , m_alarmCheck(state.alarms(), state.cdRequests(), state.settings().voice, state.extras().currentInterval,
                   *m_actions, state.paths().dataDir())
{
    m_tick.setAnnouncement(
        [this](const TimeText& time, bool voiceRequested) { m_announcer.announce(time, voiceRequested); });
    m_tick.setAlarmCheck([this](DateTime minuteStamp, DateTime now) {
        m_alarmCheck.run(minuteStamp, now, m_state.settings().autoStart);
    });

    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ClockSession::tick);
    connect(m_platform.hotKey, &HotKey::pressed, this, &ClockSession::requestVoice);
    connect(m_platform.windowTitles, &WindowTitles::titleChanged, this, &ClockSession::updateTitleBar);
    connect(m_platform.windowTitles, &WindowTitles::activeWindowChanged, this, &ClockSession::updateTitleBar);
    if (m_platform.clockChanges)
        connect(m_platform.clockChanges, &ClockChanges::clockChanged, this, &ClockSession::clockChanged);
    applyHotKey();
}

ClockSession::~ClockSession()
{
    m_titleBar.restore();
}

void ClockSession::start()
{
    m_state.formats() = FormatSettings::fromLocale(QLocale());
    if (m_state.extras().startHidden)
        QTimer::singleShot(0, this, &ClockSession::tick);
    else
        tick();
}

void ClockSession::stop()
{
    m_timer.stop();
    m_titleBar.restore();
}

void ClockSession::tick()
{
    if (std::exchange(m_state.extras().startHidden, false))
        Q_EMIT hideRequested();

    const DateTime now = m_platform.clock->now();
    m_tick.run(now, m_state.formats(), titleBarOptions());
    scheduleNextTick(now);
    if (!std::exchange(m_firstTickDone, true))
        Q_EMIT firstTickDone();
}

void ClockSession::clockChanged()
{
    // The minute timer was set by the old clock: tick now, and let the alarm
    // check reschedule from the new time.
    m_alarmCheck.clockJumped();
    if (m_firstTickDone)
        tick();
}

void ClockSession::requestVoice()
{
    m_tick.requestVoice();
    m_timer.start(0);
}

void ClockSession::applyHotKey()
{
    const SettingsExtras& extras = m_state.extras();
    if (extras.useHotKey)
        m_platform.hotKey->registerKey(extras.newHotKey, extras.newHotKeyShift);
    else
        m_platform.hotKey->unregisterKey();
}

void ClockSession::scheduleNextTick(DateTime now)
{
    // Tick just after the next minute turns: nothing the tick shows changes in
    // between. The title-bar clock does not need the seconds either: the
    // window-title service reports a new foreground window and a retitled
    // decorated window as they happen. The timer starts after this tick's
    // work, so timing from the tick's own reading can only be late, never early.
    const Time t = decodeTime(now);
    m_timer.start((59 - t.second) * 1000 + (1000 - t.msec) + 2);
}

void ClockSession::updateTitleBar()
{
    m_titleBar.update(m_tick.time().text, titleBarOptions());
}

TitleBarClock::Options ClockSession::titleBarOptions() const
{
    const SettingsRecord& settings = m_state.settings();
    return {settings.titleBarClock, settings.titleBarRes,
            settings.allWindows == SettingsRecord::kParentWindowOnly};
}

} // namespace hv
