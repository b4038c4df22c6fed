// SPDX-License-Identifier: GPL-3.0-or-later
#include "CdPlayer.h"

#include "media/DiscCatalogue.h"
#include "platform/Clock.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <utility>

namespace hv {

namespace {

constexpr unsigned bit(CdButton button)
{
    return 1u << unsigned(button);
}

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

// Shuffles draw this many transpositions of the identity: not a uniform
// shuffle, but the order players of this kind have always had.
constexpr int kShuffleSwaps = 50;

} // namespace

CdPlayer::CdPlayer(CdPlayerState& state, CdPlayerRequests requests, DiscCatalogue& catalogue,
                   CdDevice& device, const Clock& clock, QObject* parent)
    : MediaKeys(parent)
    , m_state(state)
    , m_requests(requests)
    , m_catalogue(catalogue)
    , m_device(device)
    , m_clock(clock)
{
    // Until the player decides, the stopped set: a disc may be played or ejected.
    m_display.enabledButtons =
        bit(CdButton::Play) | bit(CdButton::Next) | bit(CdButton::Prev) | bit(CdButton::Eject);
    m_display.modeEnabled = true;
    m_display.modeName = modeName(m_state.playMode);
    connect(&m_device, &CdDevice::notify, this, &CdPlayer::notice);
    connect(this, &CdPlayer::displayChanged, this, &MediaKeys::changed);
}

QString CdPlayer::modeName(int playMode)
{
    switch (playMode) {
    case CdPlayerState::Loop:
        return QStringLiteral("Loop");
    case CdPlayerState::Shuffle:
        return QStringLiteral("Shuffle");
    case CdPlayerState::Single:
        return QStringLiteral("Single");
    case CdPlayerState::PlayList:
        return QStringLiteral("PlayList");
    default:
        return {};
    }
}

int CdPlayer::trackCount() const
{
    return m_device.trackCount();
}

void CdPlayer::playPause()
{
    press(m_display.isEnabled(CdButton::Pause) ? CdButton::Pause : CdButton::Play);
}

MediaKeys::Status CdPlayer::status() const
{
    switch (m_device.mode()) {
    case CdDevice::Mode::Playing:
        return Status::Playing;
    case CdDevice::Mode::Paused:
        return Status::Paused;
    default:
        return Status::Stopped;
    }
}

MediaKeys::Metadata CdPlayer::metadata() const
{
    if (!m_state.discReady)
        return {};
    const int track = m_display.trackNumber.toInt();
    const qint64 frames = m_device.trackFrames(track);
    return {m_display.discName, m_display.trackName, track, frames * 1000 / kCdFramesPerSecond};
}

void CdPlayer::preparePlayListEditor()
{
    m_catalogue.current().trackCount = trackCount();
}

void CdPlayer::playListEdited()
{
    showNames(1);
    changed();
    reportCatalogueProblem();
}

void CdPlayer::windowShown()
{
    identifyDisc();
    tick();
}

void CdPlayer::windowClosed()
{
    m_requests.playerOpen = false;
    m_requests.stop = false;
}

// --- Display -----------------------------------------------------------------

QString CdPlayer::name(int k) const
{
    const DiscRecord& record = m_catalogue.current();
    return k == 0 ? record.discName() : record.trackName(k);
}

void CdPlayer::showTrack(int track, int minutes, int seconds)
{
    m_display.trackNumber = twoDigits(track);
    m_display.trackTime = twoDigits(minutes) + QLatin1Char(':') + twoDigits(seconds);
    m_display.trackName = name(track);
    m_display.discName = name(0);
}

void CdPlayer::showNames(int track)
{
    m_display.trackName = name(track);
    m_display.discName = name(0);
}

void CdPlayer::push(Push state)
{
    constexpr unsigned transport = bit(CdButton::Pause) | bit(CdButton::Stop) | bit(CdButton::Next) |
                                   bit(CdButton::Prev) | bit(CdButton::Eject);
    switch (state) {
    case Push::Play:
        m_display.enabledButtons = transport;
        m_display.modeEnabled = false;
        m_state.idleShown = false;
        break;
    case Push::Pause:
        m_display.enabledButtons = bit(CdButton::Play) | bit(CdButton::Eject);
        m_display.modeEnabled = false;
        break;
    case Push::Resume:
        m_display.enabledButtons = transport;
        m_display.modeEnabled = false;
        break;
    case Push::Stop:
        m_display.enabledButtons =
            bit(CdButton::Play) | bit(CdButton::Next) | bit(CdButton::Prev) | bit(CdButton::Eject);
        m_display.modeEnabled = true;
        break;
    }
}

void CdPlayer::setTickInterval(int ms)
{
    if (m_tickInterval == ms)
        return;
    m_tickInterval = ms;
    Q_EMIT tickIntervalChanged(ms);
}

void CdPlayer::changed()
{
    Q_EMIT displayChanged();
}

void CdPlayer::reportCatalogueProblem()
{
    const QString text = m_catalogue.takeProblem();
    if (!text.isEmpty())
        Q_EMIT problem(text);
}

// --- Disc --------------------------------------------------------------------

void CdPlayer::identifyDisc()
{
    const CdDevice::Mode mode = m_device.mode();
    if (mode == CdDevice::Mode::NotReady || mode == CdDevice::Mode::Open)
        return;
    if (mode == CdDevice::Mode::Playing) {
        push(Push::Play);
        if (m_state.playMode == CdPlayerState::NoMode)
            m_state.playMode = CdPlayerState::Loop;
    } else {
        m_state.sequenceStep = 0;
        m_state.currentTrack = 1;
        m_state.playMode = CdPlayerState::Loop;
    }
    m_display.modeName = modeName(m_state.playMode);
    m_requests.playerOpen = true;
    m_state.discReady = true;
    m_display.playListEnabled = true;

    const DiscNumbers numbers = m_device.discNumbers();
    if (m_catalogue.current().matches(numbers)) {
        showNames(1);
        changed();
        return;
    }
    m_catalogue.findOrAdd(numbers);
    m_display.discName = name(0);
    m_display.trackNumber = twoDigits(m_state.currentTrack);
    m_display.trackName = name(m_state.currentTrack);
    changed();
    reportCatalogueProblem();
}

// --- The tick ----------------------------------------------------------------

void CdPlayer::tick()
{
    if (m_tickInterval == kGraceTickMs)
        setTickInterval(kTickMs);
    m_display.playListEnabled = m_state.discReady;

    if (!m_state.discReady) {
        m_display.discName.clear();
        m_display.trackName.clear();
        m_display.trackNumber = QStringLiteral("00");
        m_display.trackTime = QStringLiteral("00:00");
        changed();
        identifyDisc();
        return;
    }

    const CdDevice::Mode mode = m_device.mode();
    if (mode == CdDevice::Mode::NotReady || mode == CdDevice::Mode::Open) {
        m_state.discReady = false;
        m_state.sequenceStep = 0;
        m_display.playListEnabled = false;
        changed();
        if (m_state.playListEditorOpen)
            Q_EMIT playListEditorCloseRequested();
        return;
    }

    const Tmsf position = m_device.position();
    const int t = position.track;

    if (m_requests.stop) {
        m_requests.stop = false;
        m_device.stop(takeNotice(false));
        Q_EMIT closeRequested();
        return;
    }

    if (m_requests.start) {
        m_requests.start = false;
        m_state.playMode = m_requests.mode;
        bool play = true;
        if (m_state.playMode == CdPlayerState::Shuffle) {
            shufflePlay();
        } else if (m_state.playMode == CdPlayerState::PlayList) {
            play = playListPlay();
        } else {
            m_state.sequenceStep = 1;
            push(Push::Play);
        }
        m_display.modeName = modeName(m_state.playMode);
        if (play) {
            m_from.reset();
            m_to.reset();
            devicePlay();
        }
        changed();
        return;
    }

    const bool stopped = mode == CdDevice::Mode::Stopped;
    if (((stopped && !m_state.paused) || t != m_state.playingTrack) && m_state.sequenceStep > 0) {
        switch (m_state.playMode) {
        case CdPlayerState::Loop:
            if (stopped && !m_state.paused) {
                m_from = m_device.trackStart(1);
                push(Push::Play);
                devicePlay();
                changed();
                return;
            }
            break;
        case CdPlayerState::Shuffle:
            if (hasNextShuffle()) {
                nextShuffle();
                changed();
                return;
            }
            m_state.sequenceStep = 0;
            m_device.seekToStart();
            break;
        case CdPlayerState::PlayList:
            if (hasNextPlayListEntry()) {
                nextPlayListTrack();
                changed();
                return;
            }
            m_state.sequenceStep = 0;
            m_device.seekToStart();
            break;
        default: // Single stops by itself after its track
            break;
        }
    }

    // The device may have moved since: a sequence that ended seeks to the disc's start.
    const CdDevice::Mode now = m_device.mode();
    if (now == CdDevice::Mode::Playing) {
        m_display.modeName = modeName(m_state.playMode);
        m_state.paused = false;
    }
    if (now != CdDevice::Mode::Playing && !m_state.idleShown && !m_state.paused) {
        m_state.idleShown = true;
        push(Push::Stop);
        showTrack(m_state.currentTrack, 0, 0);
    }
    if (now != CdDevice::Mode::Stopped) {
        const Tmsf at = m_device.position();
        const bool byTrack =
            m_state.playMode == CdPlayerState::Loop || m_state.playMode == CdPlayerState::Single;
        m_state.currentTrack = byTrack ? at.track : m_state.sequenceStep;
        showTrack(at.track, at.minutes, at.seconds);
    }
    changed();
}

// --- Clicks ------------------------------------------------------------------

bool CdPlayer::press(CdButton button)
{
    if (!m_display.isEnabled(button))
        return false;
    if (click(button))
        defaultAction(button);
    changed();
    return true;
}

bool CdPlayer::click(CdButton button)
{
    const int n = trackCount();
    const CdDevice::Mode mode = m_device.mode();

    // Browsing: with the device not playing, Next and Prev only move the
    // track shown, never past the disc's ends.
    if (mode != CdDevice::Mode::Playing && (button == CdButton::Next || button == CdButton::Prev) &&
        !m_state.paused) {
        if (button == CdButton::Next && m_state.currentTrack < n)
            ++m_state.currentTrack;
        if (button == CdButton::Prev && m_state.currentTrack > 1)
            --m_state.currentTrack;
        int k = m_state.currentTrack;
        if (m_state.playMode == CdPlayerState::Shuffle)
            k = m_state.shuffleOrder[std::size_t(std::clamp(k, 1, CdPlayerState::kShuffleSlots))];
        else if (m_state.playMode == CdPlayerState::PlayList)
            k = playListTrack(k).value_or(0);
        showTrack(std::max(k, 0), 0, 0);
        return false;
    }

    switch (button) {
    case CdButton::Play:
        if (m_state.paused) {
            push(Push::Resume);
            int endOf = 0;
            if (m_state.playMode == CdPlayerState::Shuffle)
                endOf = m_state.shuffleOrder[std::size_t(
                    std::clamp(m_state.currentTrack, 1, CdPlayerState::kShuffleSlots))];
            else if (m_state.playMode == CdPlayerState::Single)
                endOf = m_state.currentTrack;
            else if (m_state.playMode == CdPlayerState::PlayList)
                endOf = playListTrack(m_state.sequenceStep).value_or(0);
            if (m_state.playMode != CdPlayerState::Loop && m_state.playMode != CdPlayerState::NoMode) {
                m_to = endOfTrack(endOf);
                push(Push::Play);
            }
            m_state.paused = false;
            return true;
        }
        switch (m_state.playMode) {
        case CdPlayerState::Loop:
            m_state.sequenceStep = m_state.currentTrack;
            m_device.seek(m_device.trackStart(m_state.currentTrack), takeNotice(false));
            push(Push::Play);
            showNames(m_state.currentTrack);
            return true;
        case CdPlayerState::Shuffle:
            setTickInterval(kGraceTickMs);
            shufflePlay();
            return true;
        case CdPlayerState::Single: {
            m_state.sequenceStep = m_state.currentTrack;
            m_device.seek(m_device.trackStart(m_state.currentTrack), takeNotice(false));
            const int t = m_device.position().track;
            m_from = m_device.trackStart(t);
            m_to = endOfTrack(t);
            push(Push::Play);
            showNames(m_state.currentTrack);
            return true;
        }
        case CdPlayerState::PlayList:
            setTickInterval(kGraceTickMs);
            // Nothing to play: the control bar must not play the disc instead.
            return playListPlay();
        default:
            return true;
        }
    case CdButton::Pause:
        m_state.paused = true;
        push(Push::Pause);
        return true;
    case CdButton::Stop:
        m_state.sequenceStep = 0;
        push(Push::Stop);
        showTrack(m_state.currentTrack, 0, 0);
        return true;
    case CdButton::Next:
        if (m_state.playMode == CdPlayerState::Shuffle && hasNextShuffle()) {
            nextShuffle();
            return false;
        }
        if (m_state.playMode == CdPlayerState::PlayList && hasNextPlayListEntry()) {
            nextPlayListTrack();
            return false;
        }
        if (m_state.playMode == CdPlayerState::Loop || m_state.playMode == CdPlayerState::Single)
            m_noticeRequest = true;
        return true;
    case CdButton::Prev: {
        const int step = m_state.sequenceStep;
        if (m_state.playMode == CdPlayerState::Shuffle && step > 1 &&
            m_state.shuffleOrder[std::size_t(std::min(step - 1, CdPlayerState::kShuffleSlots))] != -1) {
            m_state.sequenceStep = step - 1;
            playStep(m_state.shuffleOrder[std::size_t(m_state.sequenceStep)]);
            return false;
        }
        if (m_state.playMode == CdPlayerState::PlayList && step > 1) {
            if (const std::optional<int> track = playListTrack(step - 1)) {
                m_state.sequenceStep = step - 1;
                playStep(*track);
                return false;
            }
        }
        if (m_state.playMode == CdPlayerState::Loop || m_state.playMode == CdPlayerState::Single)
            m_noticeRequest = true;
        return true;
    }
    case CdButton::Eject:
        return true;
    }
    return true;
}

void CdPlayer::defaultAction(CdButton button)
{
    switch (button) {
    case CdButton::Play:
        devicePlay();
        break;
    case CdButton::Pause:
        m_device.pause(takeNotice(false));
        break;
    case CdButton::Stop:
        m_device.stop(takeNotice(false));
        break;
    case CdButton::Next:
        m_device.nextTrack(takeNotice(true));
        break;
    case CdButton::Prev:
        m_device.previousTrack(takeNotice(true));
        break;
    case CdButton::Eject:
        takeNotice(false);
        m_device.eject();
        break;
    }
}

void CdPlayer::devicePlay()
{
    m_device.play(std::exchange(m_from, std::nullopt), std::exchange(m_to, std::nullopt), takeNotice(true));
}

// Whether the command about to go to the device asks for a notice: `usual`
// unless the player said otherwise for this one command.
bool CdPlayer::takeNotice(bool usual)
{
    return std::exchange(m_noticeRequest, std::nullopt).value_or(usual);
}

void CdPlayer::cycleMode()
{
    if (m_state.playMode == CdPlayerState::NoMode || !m_display.modeEnabled)
        return;
    m_state.playMode = m_state.playMode % CdPlayerState::PlayList + 1;
    m_display.modeName = modeName(m_state.playMode);
    changed();
}

void CdPlayer::notice()
{
    const Tmsf at = m_device.position();
    m_state.currentTrack = at.track;
    showTrack(at.track, at.minutes, at.seconds);
    m_noticeRequest = false;
    changed();
}

// --- Sequences ---------------------------------------------------------------

std::optional<Tmsf> CdPlayer::endOfTrack(int track) const
{
    if (track < 1 || track >= trackCount())
        return std::nullopt;
    return m_device.trackStart(track + 1);
}

void CdPlayer::playStep(int track)
{
    m_from = m_device.trackStart(track);
    m_to = endOfTrack(track);
    push(Push::Play);
    devicePlay();
    m_state.playingTrack = quint16(track);
    showTrack(track, 0, 0);
}

void CdPlayer::shufflePlay()
{
    // Seeded from the clock at each start, so that Stop and Play draws anew.
    const double ms = std::floor(m_clock.now() * kSecondsPerDay * 1000.0);
    QRandomGenerator random{static_cast<quint32>(static_cast<qint64>(ms))};
    const int n = std::min(trackCount(), CdPlayerState::kShuffleSlots);
    std::array<int, CdPlayerState::kShuffleSlots + 1>& order = m_state.shuffleOrder;
    order.fill(-1);
    for (int k = 1; k <= n; ++k)
        order[std::size_t(k)] = k;
    for (int swap = 0; swap < kShuffleSwaps && n > 0; ++swap) {
        const int a = int(random.bounded(1, n + 1));
        const int b = int(random.bounded(1, n + 1));
        std::swap(order[std::size_t(a)], order[std::size_t(b)]);
    }
    m_state.sequenceStep = std::clamp(m_state.currentTrack, 1, std::max(n, 1));
    playStep(order[std::size_t(m_state.sequenceStep)]);
}

void CdPlayer::nextShuffle()
{
    ++m_state.sequenceStep;
    playStep(m_state.shuffleOrder[std::size_t(m_state.sequenceStep)]);
}

bool CdPlayer::hasNextShuffle() const
{
    const int next = m_state.sequenceStep + 1;
    return next <= CdPlayerState::kShuffleSlots && m_state.shuffleOrder[std::size_t(next)] > 0;
}

std::optional<int> CdPlayer::playListTrack(int position) const
{
    if (position < 1 || position > DiscRecord::kPlayListSize)
        return std::nullopt;
    const std::int32_t entry = m_catalogue.current().playList[std::size_t(position - 1)];
    if (entry < 0 || entry >= trackCount())
        return std::nullopt;
    return entry + 1;
}

bool CdPlayer::hasNextPlayListEntry() const
{
    return playListTrack(m_state.sequenceStep + 1).has_value();
}

bool CdPlayer::playListPlay()
{
    m_state.sequenceStep = m_state.currentTrack;
    if (const std::optional<int> track = playListTrack(m_state.sequenceStep)) {
        playStep(*track);
        return true;
    }
    // Nothing is played: an alarm may have started the player with nobody
    // there to answer a box, so the display says why.
    m_state.sequenceStep = 0;
    bool empty = true;
    for (int position = 1; position <= DiscRecord::kPlayListSize && empty; ++position)
        empty = !playListTrack(position);
    m_display.trackNumber = QStringLiteral("00");
    m_display.trackTime = QStringLiteral("00:00");
    m_display.discName = name(0);
    m_display.trackName =
        empty ? QStringLiteral("The play list is empty") : QStringLiteral("End of the play list");
    return false;
}

void CdPlayer::nextPlayListTrack()
{
    setTickInterval(kGraceTickMs);
    ++m_state.sequenceStep;
    playStep(*playListTrack(m_state.sequenceStep));
}

} // namespace hv
