// SPDX-License-Identifier: GPL-3.0-or-later
#include "AlarmCheck.h"

#include "Recurrence.h"

#include <QStringView>

#include <algorithm>
#include <utility>

namespace hv {

namespace {

constexpr std::uint16_t kHighestNoWindow = 31; // LaunchedWindow values up to this mean "no window"

const QString& none()
{
    static const QString text = QStringLiteral("NONE");
    return text;
}

// The last millisecond before `minute` began: recurrences computed from it
// still count an occurrence in `minute` itself as ahead.
DateTime justBefore(std::int64_t minute)
{
    return fromMinuteNumber(minute) - 1.0 / kMsecsPerDay;
}

} // namespace

void applyCommandWords(const QString& target, VoiceSettings& voice, std::int32_t& currentInterval)
{
    const QString text = target.toUpper();
    const auto has = [&](const char16_t* word) { return text.contains(QStringView(word)); };

    // Longest first where one word lies inside another: "15 MIN" holds "5 MIN".
    static constexpr std::pair<const char16_t*, std::int32_t> kIntervals[] = {
        {u"60 MIN", 60}, {u"30 MIN", 30}, {u"15 MIN", 15}, {u"10 MIN", 10}, {u"5 MIN", 5}, {u"1 MIN", 1},
    };
    const auto interval =
        std::ranges::find_if(kIntervals, [&](const auto& entry) { return has(entry.first); });
    if (interval != std::end(kIntervals))
        voice.howOften = interval->second;
    currentInterval = voice.howOften;

    if (has(u"PLAYVOICE ON"))
        voice.playVoice = true;
    if (has(u"PLAYVOICE OFF"))
        voice.playVoice = false;
    if (has(u"WAVEFILE ON"))
        voice.playWave = true;
    if (has(u"WAVEFILE OFF"))
        voice.playWave = false;
    if (has(u"BEFORE"))
        voice.beforeAfter = VoiceSettings::kWaveBeforeVoice;
    if (has(u"AFTER"))
        voice.beforeAfter = VoiceSettings::kWaveAfterVoice;
}

std::uint16_t storedLaunchedWindow(LaunchedWindow window)
{
    if (window == 0)
        return 0;
    const auto low = static_cast<std::uint16_t>(window & 0xFFFFU);
    return low > kHighestNoWindow ? low : std::uint16_t{0xFFFF};
}

AlarmCheck::AlarmCheck(AlarmTable& table, CdRequests& cd, VoiceSettings& voice, std::int32_t& currentInterval,
                       AlarmActions& actions, QString programDir)
    : m_table(table)
    , m_cd(cd)
    , m_voice(voice)
    , m_currentInterval(currentInterval)
    , m_actions(actions)
    , m_programDir(std::move(programDir))
    , m_self(std::make_shared<AlarmCheck*>(this))
{}

AlarmCheck::~AlarmCheck() = default;

void AlarmCheck::run(DateTime minuteStamp, DateTime now, bool autoStartSetting)
{
    const std::optional<std::int64_t> minute = wholeMinuteNumber(minuteStamp);
    if (m_firstCheckPending) {
        firstCheck(now, autoStartSetting);
        m_firstCheckPending = false;
        m_resyncRequested = false;
    } else if (minute) {
        if (m_lastMinute && *minute - *m_lastMinute >= 2)
            noteMissed(*minute);
        if (m_resyncRequested) {
            resync(*minute, true);
        } else if (m_lastMinute) {
            const std::int64_t step = *minute - *m_lastMinute;
            if (step >= 2)
                resync(*minute, false);
            else if (step < -2)
                resync(*minute, true);
        }
        m_resyncRequested = false;
    }
    if (minute) {
        m_lastMinute = minute;
        m_latestMinute = std::max(m_latestMinute, *minute);
        stopPass(*minute);
        firingPass(*minute, now);
    }
    // Auto delete clears slots in place; the editor's list expects the used
    // slots to be 1..n. Closing the gaps first lets the sort order the whole
    // table, which it cannot do across an empty slot.
    m_table.closeGaps();
    m_table.sort();
    forgetRemovedLaunches();
    m_actions.alarmsChanged();
}

void AlarmCheck::clockJumped()
{
    m_resyncRequested = true;
}

void AlarmCheck::firstCheck(DateTime now, bool autoStartSetting)
{
    for (int n = 1; n <= AlarmTable::kSlots; ++n) {
        AlarmRecord& alarm = m_table.slot(n);
        computeNextDue(alarm, now, autoStartSetting && alarm.AutoStart);
    }
}

void AlarmCheck::resync(std::int64_t minute, bool includeFuture)
{
    const DateTime from = justBefore(minute);
    for (int n = 1; n <= AlarmTable::kSlots; ++n) {
        AlarmRecord& alarm = m_table.slot(n);
        if (!alarm.isUsed())
            continue;
        const std::optional<std::int64_t> due = wholeMinuteNumber(alarm.NextDue);
        if (due == minute)
            continue; // fires in this check as it stands
        const bool passed = !due || *due < minute;
        if (!passed && !includeFuture)
            continue;
        const DateTime kept = alarm.NextDue;
        scheduleUnfired(n, from);
        // A moment still ahead stays unless the rule has an earlier one.
        const std::optional<std::int64_t> rescheduled = wholeMinuteNumber(alarm.NextDue);
        if (!passed && (!rescheduled || *rescheduled > *due))
            alarm.NextDue = kept;
    }
}

// Called before any rescheduling, while each NextDue still names the first
// moment the alarm was waiting for.
void AlarmCheck::noteMissed(std::int64_t minute)
{
    const std::int64_t first = std::max(*m_lastMinute + 1, minute - exact::kMinutesPerDay);
    for (int n = 1; n <= AlarmTable::kSlots; ++n) {
        const AlarmRecord& alarm = m_table.slot(n);
        if (!alarm.isUsed() || !alarm.Active)
            continue;
        // The moment it waited for, or, for a gap longer than the time looked
        // at, the rule's first moment inside that time.
        std::optional<std::int64_t> moment = wholeMinuteNumber(alarm.NextDue);
        if (!moment || *moment < first) {
            const std::optional<DateTime> next = nextOccurrence(alarm, justBefore(first), false);
            moment = next ? wholeMinuteNumber(*next) : std::nullopt;
        }
        MissedAlarm missed{m_table.idOf(n), 0, 0, alarm.AlarmKind, alarm.Target.text()};
        while (moment && *moment >= first && *moment < minute) {
            if (!hasFired(missed.alarm, *moment)) {
                missed.due = fromMinuteNumber(*moment);
                ++missed.moments;
            }
            const std::optional<DateTime> next = nextOccurrence(alarm, fromMinuteNumber(*moment), false);
            const std::optional<std::int64_t> later = next ? wholeMinuteNumber(*next) : std::nullopt;
            if (!later || *later <= *moment)
                break; // a Once alarm gives its one moment again
            moment = later;
        }
        if (missed.moments > 0)
            m_missed.append(missed);
    }
}

void AlarmCheck::scheduleUnfired(int n, DateTime from)
{
    AlarmRecord& alarm = m_table.slot(n);
    const AlarmId id = m_table.idOf(n);
    computeNextDue(alarm, from, false);
    for (std::optional<std::int64_t> due = wholeMinuteNumber(alarm.NextDue); due && hasFired(id, *due);) {
        // From the fired minute itself, which counts as reached: the moment after it.
        const std::optional<DateTime> next = nextOccurrence(alarm, fromMinuteNumber(*due), false);
        const std::optional<std::int64_t> later = next ? wholeMinuteNumber(*next) : std::nullopt;
        if (!later || *later <= *due)
            return; // a Once alarm: its one moment stays, and the firing pass passes it by
        alarm.NextDue = *next;
        due = later;
    }
}

bool AlarmCheck::hasFired(AlarmId id, std::int64_t minute) const
{
    const auto fired = m_fired.find(id);
    return fired != m_fired.end() && fired->second.contains(minute);
}

void AlarmCheck::rememberFired(AlarmId id, std::int64_t minute)
{
    std::set<std::int64_t>& fired = m_fired[id];
    fired.insert(minute);
    fired.erase(fired.begin(), fired.lower_bound(m_latestMinute - kFiredMemoryMinutes));
}

void AlarmCheck::stopPass(std::int64_t minute)
{
    for (int n = 1; n <= AlarmTable::kSlots; ++n) {
        const AlarmRecord& alarm = m_table.slot(n);
        if (!alarm.isUsed() || !alarm.Active || !alarm.StopEnabled || alarm.Rule == RuleEvery ||
            wholeMinuteNumber(alarm.StopDue) != minute)
            continue;
        const bool autoDeleteSet = alarm.AutoDelete;
        switch (alarm.AlarmKind) {
        case KindProgram:
        case KindWaveFile:
            stopProgram(n);
            break;
        case KindCdPlayer:
            if (m_cd.playerOpen) {
                m_cd.stopRequested = true;
                playUnlessNone(alarm.WaveB.text());
                if (autoDeleteSet)
                    autoDelete(n);
            }
            break;
        case KindPagedeck:
            playUnlessNone(alarm.WaveB.text());
            m_actions.runPagedeck(alarm.Target.text(), false);
            if (autoDeleteSet)
                autoDelete(n);
            break;
        default: // Message and Command alarms have nothing to stop
            break;
        }
    }
}

void AlarmCheck::firingPass(std::int64_t minute, DateTime now)
{
    for (int n = 1; n <= AlarmTable::kSlots; ++n) {
        AlarmRecord& alarm = m_table.slot(n);
        if (!alarm.isUsed() || !alarm.Active || wholeMinuteNumber(alarm.NextDue) != minute)
            continue;
        const AlarmId id = m_table.idOf(n);
        if (hasFired(id, minute)) {
            // The clock came back over a moment that has already run.
            scheduleUnfired(n, now);
            continue;
        }
        rememberFired(id, minute);
        computeStopDue(alarm);
        scheduleUnfired(n, now);
        if (alarm.WaveA.isEmpty())
            alarm.WaveA = none();
        fire(n);
    }
}

// The action of slot n, which is firing now. May clear the slot.
void AlarmCheck::fire(int n)
{
    const AlarmRecord& alarm = m_table.slot(n);
    const QString target = alarm.Target.text();
    const QString waveA = alarm.WaveA.text();
    const bool autoDeleteSet = alarm.AutoDelete;
    // Kinds whose stop deletes them wait for it when they have one.
    const bool deleteNow = alarm.AutoDelete && !alarm.StopEnabled;

    switch (alarm.AlarmKind) {
    case KindProgram:
    case KindWaveFile:
        if (target.toUpper().contains(QStringView(u".WAV"))) {
            // Text after a ';' is a note, not part of the path.
            const qsizetype note = target.indexOf(u';');
            m_actions.playWave(note < 0 ? target : target.left(note));
            if (autoDeleteSet)
                autoDelete(n);
        } else {
            playUnlessNone(waveA);
            startProgram(n);
            if (deleteNow)
                autoDelete(n);
        }
        break;
    case KindCdPlayer: {
        playUnlessNone(waveA);
        m_cd.startRequested = true;
        const QString mode = target.toUpper();
        // In this order, a later match overriding an earlier one; none keeps the mode.
        if (mode.contains(QStringView(u"LOOP")))
            m_cd.playMode = CdRequests::Loop;
        if (mode.contains(QStringView(u"SHUFFLE")))
            m_cd.playMode = CdRequests::Shuffle;
        if (mode.contains(QStringView(u"PLAYLIST")))
            m_cd.playMode = CdRequests::PlayList;
        m_actions.showCdPlayer();
        if (deleteNow)
            autoDelete(n);
        break;
    }
    case KindCommand:
        applyCommandWords(target, m_voice, m_currentInterval);
        playUnlessNone(waveA);
        if (autoDeleteSet)
            autoDelete(n);
        break;
    case KindPagedeck:
        playUnlessNone(waveA);
        m_actions.runPagedeck(target, true);
        if (deleteNow)
            autoDelete(n);
        break;
    default: // Message, and any kind a damaged record names
        // The window deletes an auto-delete alarm when the user confirms it.
        m_actions.showMessage(m_table.idOf(n), target, waveA);
        break;
    }
}

// At the stop of a Program or Wave File alarm: closes the started program's
// window, then auto deletes. The record's 16 bits only tell that a window was
// noted; the window itself is known only for a program started in this run.
// A window noted in an earlier run (read from the alarm file) cannot be named
// any more: it is left alone, but the alarm did run, so auto delete still
// applies. With no window noted (31 or less) nothing happens at all.
void AlarmCheck::stopProgram(int n)
{
    const AlarmRecord& alarm = m_table.slot(n);
    const auto launch = m_launches.find(m_table.idOf(n));
    const bool windowKnown = launch != m_launches.end() && launch->second.window != 0 &&
                             storedLaunchedWindow(launch->second.window) == alarm.LaunchedWindow;
    if (windowKnown) {
        m_actions.closeWindow(launch->second.window);
        m_launches.erase(launch);
    } else if (alarm.LaunchedWindow <= kHighestNoWindow) {
        return;
    }
    if (alarm.AutoDelete)
        autoDelete(n);
}

// The window of the program arrives later; until then the alarm has none.
void AlarmCheck::startProgram(int n)
{
    AlarmRecord& alarm = m_table.slot(n);
    const AlarmId id = m_table.idOf(n);
    const std::uint64_t serial = ++m_lastLaunchSerial;
    m_launches[id] = Launch{serial, 0};
    alarm.LaunchedWindow = 0;
    m_actions.startProgram(alarm.Target.text(), alarm.RunMinimized,
                           [self = std::weak_ptr<AlarmCheck*>(m_self), id, serial](LaunchedWindow window) {
                               if (const auto check = self.lock())
                                   (*check)->programLaunched(id, serial, window);
                           });
}

// A window that comes after the alarm was deleted, or after the alarm started
// its program again, belongs to no alarm any more.
void AlarmCheck::programLaunched(AlarmId id, std::uint64_t serial, LaunchedWindow window)
{
    const auto launch = m_launches.find(id);
    if (launch == m_launches.end() || launch->second.serial != serial)
        return;
    const std::optional<int> n = m_table.slotOf(id);
    if (!n || window == 0) {
        m_launches.erase(launch);
        return;
    }
    launch->second.window = window;
    m_table.slot(*n).LaunchedWindow = storedLaunchedWindow(window);
}

void AlarmCheck::playUnlessNone(const QString& wave)
{
    if (wave != none())
        m_actions.playWave(wave);
}

void AlarmCheck::autoDelete(int n)
{
    m_table.autoDelete(n, m_programDir);
}

void AlarmCheck::forgetRemovedLaunches()
{
    std::erase_if(m_launches, [this](const auto& entry) { return !m_table.slotOf(entry.first); });
    std::erase_if(m_fired, [this](const auto& entry) { return !m_table.slotOf(entry.first); });
}

} // namespace hv
