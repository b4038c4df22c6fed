// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "media/MediaKeys.h"
#include "platform/CdDevice.h"

#include <QObject>
#include <QString>

#include <array>
#include <optional>

namespace hv {

class Clock;
class DiscCatalogue;

// The buttons of the player's control bar.
enum class CdButton
{
    Play,
    Pause,
    Stop,
    Next,
    Prev,
    Eject,
};

// The CD player's state that lives for the whole run, not in the window: a
// window opened again finds the mode, the current track and the shuffle as
// they were left. The program-wide state holds the one instance.
struct CdPlayerState
{
    enum PlayMode : int
    {
        NoMode = 0, // before the first disc was identified
        Loop = 1,
        Shuffle = 2,
        Single = 3,
        PlayList = 4,
    };
    // A disc has at most 99 tracks: the shuffle order has a slot for each.
    static constexpr int kShuffleSlots = 99;

    int playMode = NoMode;
    // Loop and Single: a track number. Shuffle and PlayList: a 1-based
    // position in the shuffle order or the play list.
    int currentTrack = 1;
    // The position within the running sequence; 0 when none runs.
    int sequenceStep = 0;
    // The track the last shuffle or play-list step started.
    quint16 playingTrack = 0;
    // Slots 1..99 (slot 0 unused). All 0 until the first shuffle of the run;
    // after one, slots 1..N hold a permutation of the tracks 1..N, the rest -1.
    std::array<int, kShuffleSlots + 1> shuffleOrder{};
    bool paused = false;
    // The stopped-state buttons and display were refreshed since play last started.
    bool idleShown = false;
    // A disc has been identified and its names are loaded.
    bool discReady = false;
    // Set while the play list editor shows; the player closes it when the disc goes.
    bool playListEditorOpen = false;
};

// The requests CD alarms leave for the player, as references into the
// program-wide flags the alarm check sets.
struct CdPlayerRequests
{
    bool& start;
    int& mode; // a CdPlayerState::PlayMode
    bool& stop;
    // Set when a disc is identified in an open player; cleared when the window
    // closes. A stop request is only made while it is set.
    bool& playerOpen;
};

// What the player window shows.
struct CdPlayerDisplay
{
    QString discName;
    QString trackName;
    QString modeName;
    QString trackNumber = QStringLiteral("00");
    QString trackTime = QStringLiteral("00:00");
    // The control bar's buttons that may be pressed, one bit per CdButton.
    unsigned enabledButtons = 0;
    bool modeEnabled = false;
    bool playListEnabled = false;

    bool isEnabled(CdButton button) const { return enabledButtons & (1u << unsigned(button)); }
    friend bool operator==(const CdPlayerDisplay&, const CdPlayerDisplay&) = default;
};

// The CD player's logic, for the one window that exists at a time: the
// once-a-second tick, the control bar's clicks, the mode button and the
// device's completion notices, over the state that outlives the window.
//
// Every press of a control-bar button (the window's and the desktop's media
// keys alike) goes through press(): click() first, which decides whether the
// control bar's own action for the button (play, pause, stop, next or previous
// track, eject) follows.
//
// The desktop's media keys come in as MediaKeys: each is a press() of the
// button it names (Play/Pause picks the one that is enabled).
//
// The disc is known by its numbers in the catalogue. Tracks past the 40 the
// catalogue names play as "Untitled <n>". A catalogue that cannot be read or
// written is told once through problem(); the names stay in memory.
class CdPlayer : public MediaKeys
{
    Q_OBJECT

public:
    // The tick's interval in ms, and the longer one that follows the start of
    // a sequence by the Play button, so that the device has settled into the
    // first step before the tick looks at it.
    static constexpr int kTickMs = 1000;
    static constexpr int kGraceTickMs = 2000;

    // All of these must outlive the player.
    CdPlayer(CdPlayerState& state, CdPlayerRequests requests, DiscCatalogue& catalogue, CdDevice& device,
             const Clock& clock, QObject* parent = nullptr);

    static QString modeName(int playMode);

    const CdPlayerDisplay& display() const { return m_display; }
    const CdPlayerState& state() const { return m_state; }
    // The tick's interval from now on, kTickMs or kGraceTickMs.
    int tickInterval() const { return m_tickInterval; }

    // When the window shows: identifies the disc and ticks once at once.
    void windowShown();
    // When the window closes: the player is no longer open, and a stop
    // request it did not take is dropped, so that a player opened later does
    // not stop at once. Sends nothing to the device.
    void windowClosed();

    // Once a second.
    void tick();
    // A press of a control-bar button: click(), then the control bar's own
    // action unless click() took it over. A button that is not enabled does
    // nothing; false then.
    bool press(CdButton button);
    // What the player does on a press before the control bar acts; returns
    // the do-default flag: true when the control bar's own action follows.
    bool click(CdButton button);
    // The Mode button: Loop, Shuffle, Single, PlayList, Loop...; nothing
    // before the first disc.
    void cycleMode();
    // A completion notice of the device.
    void notice();
    // The disc's track count, as the device reports it.
    int trackCount() const;

    // MediaKeys
    void play() override { press(CdButton::Play); }
    void pause() override { press(CdButton::Pause); }
    void playPause() override;
    void stop() override { press(CdButton::Stop); }
    void next() override { press(CdButton::Next); }
    void previous() override { press(CdButton::Prev); }
    Status status() const override;
    Metadata metadata() const override;
    // Before the play list editor opens: the disc record takes the device's
    // track count.
    void preparePlayListEditor();
    // After it has closed: the disc's name and track 1's show, and a problem
    // the save left is told.
    void playListEdited();

Q_SIGNALS:
    void displayChanged();
    // A stop request was carried out: the window closes.
    void closeRequested();
    // The disc has gone while the play list editor is open: it closes (and saves).
    void playListEditorCloseRequested();
    void tickIntervalChanged(int ms);
    // A catalogue problem, to tell the user once, without a modal box.
    void problem(const QString& text);

private:
    enum class Push
    {
        Play,
        Pause,
        Resume,
        Stop,
    };

    void identifyDisc();
    void push(Push state);
    void showTrack(int track, int minutes, int seconds);
    QString name(int k) const;
    void showNames(int track);
    void setTickInterval(int ms);
    void changed();
    void reportCatalogueProblem();

    // The control bar's own action for a button, with the positions and the
    // notice request set before it.
    void defaultAction(CdButton button);
    void devicePlay();
    bool takeNotice(bool usual);

    void playStep(int track);
    void shufflePlay();
    void nextShuffle();
    bool playListPlay();
    void nextPlayListTrack();
    bool hasNextShuffle() const;
    bool hasNextPlayListEntry() const;
    // The track of play-list entry `position` (1-based), or nothing for an
    // empty entry, one past the disc, or a position outside the list.
    std::optional<int> playListTrack(int position) const;
    std::optional<Tmsf> endOfTrack(int track) const;

    CdPlayerState& m_state;
    CdPlayerRequests m_requests;
    DiscCatalogue& m_catalogue;
    CdDevice& m_device;
    const Clock& m_clock;
    CdPlayerDisplay m_display;
    int m_tickInterval = kTickMs;
    // Positions for the next play only.
    std::optional<Tmsf> m_from;
    std::optional<Tmsf> m_to;
    // Whether the next control command asks for a completion notice, when set.
    std::optional<bool> m_noticeRequest;
};

} // namespace hv
