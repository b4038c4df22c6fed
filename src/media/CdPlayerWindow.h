// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "media/CdPlayer.h"

#include <QScopedPointer>
#include <QWidget>

class QTimer;

namespace Ui {
class CdPlayerWindow;
}

namespace hv {

class MprisPlayer;
class PlayListEditor;
class Profile;

// What the player window works on, all of it outliving the window.
struct CdPlayerContext
{
    CdPlayerState& state;
    CdPlayerRequests requests;
    DiscCatalogue& catalogue;
    // Opened by the opener before the window is made; the window never closes
    // or stops it, so that a disc plays on after the window has gone.
    CdDevice& device;
    const Clock& clock;
    // Where the window keeps its place, "CDForm" "Left" and "Top".
    Profile& settings;
};

// "CD Player": the disc's and the track's names, the play mode, the track
// number and the time within the track, a control bar (Play, Pause, Stop,
// Next, Prev, Eject) and Done, Play list, Mode and Help. Modeless; one at a
// time (the opener keeps it). Its timer ticks the player once a second from
// the first show. It deletes itself when it closes, which sends nothing to
// the device. While it exists it is the desktop's media player (MPRIS).
class CdPlayerWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kHelpContext = 47;

    explicit CdPlayerWindow(const CdPlayerContext& context, QWidget* parent = nullptr);
    ~CdPlayerWindow() override;

    CdPlayer& player() { return m_player; }
    // The play list editor while it is open, else null.
    PlayListEditor* playListEditor() const { return m_playListEditor; }

public Q_SLOTS:
    // The timer's tick.
    void tick();
    // Done.
    void closePlayer();
    // Play list: the play list editor, modally; the display shows the disc
    // and its first track afterwards.
    void editPlayList();
    // Mode: the next play mode.
    void changeMode();
    // Help.
    void showHelp();

Q_SIGNALS:
    void helpRequested(int context);
    // A catalogue problem, to tell the user once and without a modal box.
    void problem(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void showDisplay();
    // "CDForm" "Left" and "Top", each applied only when above 0.
    void restorePlace();
    void savePlace();
    void closePlayListEditor();

    QScopedPointer<Ui::CdPlayerWindow> ui;
    CdPlayerContext m_context;
    CdPlayer m_player;
    QTimer* m_tickTimer;
    // The desktop's media keys reach the player through the session bus
    // while the window exists.
    MprisPlayer* m_mpris;
    PlayListEditor* m_playListEditor = nullptr; // on editPlayList()'s stack while it shows
    bool m_shown = false;
};

} // namespace hv
