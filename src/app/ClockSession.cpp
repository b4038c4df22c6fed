// SPDX-License-Identifier: GPL-3.0-or-later
#include "ClockSession.h"

#include "AppState.h"
#include "Notices.h"
#include "alarms/AlarmActions.h"
#include "alarms/AlarmDescription.h"
#include "platform/Clock.h"
#include "platform/ClockChanges.h"
#include "platform/HotKey.h"
#include "platform/WindowTitles.h"
#include "platform/x11/X11HotKeyKeys.h"

#include <QLocale>

namespace hv {

namespace {

// The kind of an alarm as the user picks it; a damaged kind fires as a message.
QString kindName(std::int32_t kind)
{
    switch (kind) {
    case KindProgram:
        return QStringLiteral("Program");
    case KindWaveFile:
        return QStringLiteral("Wave File");
    case KindCdPlayer:
        return QStringLiteral("CD Player");
    case KindCommand:
        return QStringLiteral("Command");
    case KindPagedeck:
        return QStringLiteral("Pagedeck");
    default:
        return QStringLiteral("Message");
    }
}

// One line per alarm: when it was due, its kind and what it would have shown
// or started.
QString missedText(const QList<MissedAlarm>& missed, const FormatSettings& formats)
{
    QString text = QStringLiteral("These alarms came due while the computer was asleep or the clock was "
                                  "set forward, and did not run:");
    for (const MissedAlarm& alarm : missed) {
        text += u'\n' + nextDueText(alarm.due, formats) + QStringLiteral("  ") + kindName(alarm.kind) +
                QStringLiteral(": ") + alarm.target;
        if (alarm.moments > 1)
            text += QStringLiteral(" (%1 times; this was the last)").arg(alarm.moments);
    }
    return text;
}

} // namespace

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
    // Titles that a run which ended without restoring them (a crash, kill -9)
    // left decorated, before this run decorates anything.
    m_titleBar.restoreMarked();
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
    tellMissedAlarms(now);
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
    if (!extras.useHotKey) {
        m_platform.hotKey->unregisterKey();
        return;
    }
    const HotKey::RegisterResult result =
        m_platform.hotKey->registerKey(extras.newHotKey, extras.newHotKeyShift);
    // The other refusals are the desktop's own limits, which the options
    // dialog explains where the key is chosen.
    if (result != HotKey::RegisterResult::HeldByAnotherProgram)
        return;
    const QString combination = x11::hotKeyName(extras.newHotKey, extras.newHotKeyShift);
    m_notices.tell(QStringLiteral("hotkey:") + combination, QStringLiteral("Hot Key Not Available"),
                   QStringLiteral("Another program already uses %1, so pressing it does not make the clock "
                                  "speak. You can choose another hot key in the Options dialog.")
                       .arg(combination));
}

void ClockSession::settingsAdopted()
{
    applyHotKey();
    updateTitleBar();
}

void ClockSession::tellMissedAlarms(DateTime now)
{
    const QList<MissedAlarm> missed = m_alarmCheck.takeMissed();
    if (missed.isEmpty())
        return;
    // Each jump is a cause of its own: the next one is told too.
    const std::int64_t minute = wholeMinuteNumber(truncateToMinute(now)).value_or(0);
    m_notices.tell(QStringLiteral("missed:") + QString::number(minute), QStringLiteral("Missed Alarms"),
                   missedText(missed, m_state.formats()));
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
