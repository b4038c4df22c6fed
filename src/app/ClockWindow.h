// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ClockTick.h"
#include "Notices.h"
#include "controls/FaceLayout.h"

#include <QScopedPointer>
#include <QStringList>
#include <QWidget>

class QAction;
class QMenu;

namespace Ui {
class ClockWindow;
}

namespace hv {

class AppState;
class TrayIcon;

// The clock window: a face that shows the time in large type below an
// optional speedbar, a tray icon, and the menus that lead to every other
// window. Without the speedbar (the compact clock) a drag of the face moves
// the window and its edges resize it; a click still brings the speedbar back. It only shows: the clock
// session ticks and tells the face what to show; the window keeps the face's look and the window's place in
// the settings.
class ClockWindow : public QWidget, public ClockTick::Face, public Notices
{
    Q_OBJECT

public:
    // Reads the face, hints, stay-on-top and placement from `state`, which
    // must be loaded and outlive the window.
    explicit ClockWindow(AppState& state, QWidget* parent = nullptr);
    ~ClockWindow() override;

    bool isHiddenInTray() const { return m_hiddenInTray; }
    bool speedbarVisible() const { return m_speedbarVisible; }
    QMenu* contextMenu() const { return m_contextMenu; }
    QMenu* timersMenu() const { return m_timersMenu; }
    TrayIcon* trayIcon() const { return m_trayIcon; }
    // Every notice shown so far, as "title: text", for tests and screenshots.
    const QStringList& noticesShown() const { return m_noticesShown; }

    // ClockTick::Face
    void showTime(const QString& faceText, const QString& toolTip) override;
    void shrinkFontToFit() override;

protected:
    // Notices: a message from the tray icon, or a small window of its own
    // where there is no tray.
    void showNotice(const QString& title, const QString& text) override;

public:
    // Brings the clock forward, out of the tray or the taskbar; a second start
    // of the program asks for this.
    void bringToFront();
    // Into the tray where there is one, else minimized.
    void hideToTray();
    void restoreFromTray();
    // Trades the speedbar and the caption for a larger face, and back.
    void toggleSpeedbar();
    // Offers to start the clock at login, unless the settings say not to.
    void offerStartupReminder();
    // Shows the settings' face, stay-on-top and hints: after the options are adopted.
    void applySettings();

    // The speedbar's and the menus' commands.
    void showTimersMenu();
    void showAbout();
    void showHelp();
    void hideOrRestore();
    // Saves the settings and leaves the program.
    void quit();
    // Ends the program for a logout or a termination signal: saves what the
    // close saves, but never asks anything, since nobody may be there to
    // answer; what could not be saved is logged. Then leaves the event loop,
    // nested ones (an open dialog) included.
    void endSession();
    // The save of endSession() alone, for the session manager's save request
    // and a display that went away: false (after logging why) when a file
    // could not be written.
    bool saveWithoutAsking();

Q_SIGNALS:
    // The window has been shown for the first time: the clock may start.
    void firstShown();
    // The timer commands: a new count-up or countdown window is wanted.
    void countUpRequested();
    void countdownRequested();
    // The CD speed button or menu item: the CD player opens, or comes forward.
    void cdPlayerRequested();
    // The speedbar's or the menu's Options command.
    void optionsRequested();
    // The Alarms button or menu entry: the alarm editor opens.
    void alarmsRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createSpeedbar();
    void createMenus();
    void createTrayIcon();
    void connectCommands();

    // The face.
    void applyFaceSettings(Scaling scaling);
    void scaleBevels(Scaling scaling);
    void fitFont(bool startFromUsableHeight);
    void applyStayOnTop();
    void applyHints();
    void placeWindow();
    void faceResized();

    // Writes the settings, the alarm file and the window's place; throws
    // Error when a file cannot be written.
    void saveAll();
    // saveAll() for the close. When a file cannot be written, tells the user why and asks whether to quit
    // without saving. True when the window may close: saved, or the user said Yes.
    bool saveBeforeClose();

    QScopedPointer<Ui::ClockWindow> ui;
    AppState& m_state;

    QMenu* m_timersMenu = nullptr;  // the speedbar's Timers button
    QMenu* m_contextMenu = nullptr; // the window's and the tray icon's menu
    QAction* m_optionsAction = nullptr;
    QAction* m_alarmsAction = nullptr;
    QAction* m_cdPlayerAction = nullptr;
    QMenu* m_timersSubmenu = nullptr;
    QAction* m_upTimerAction = nullptr;
    QAction* m_downTimerAction = nullptr;
    QAction* m_countUpAction = nullptr;
    QAction* m_countDownAction = nullptr;
    QAction* m_aboutAction = nullptr;
    QAction* m_helpAction = nullptr;
    QAction* m_hideAction = nullptr;
    QAction* m_exitAction = nullptr;
    TrayIcon* m_trayIcon = nullptr;

    bool m_hiddenInTray = false;
    bool m_speedbarVisible = true;
    bool m_toggleInProgress = false;
    bool m_shown = false;
    int m_captionHeight = 0; // pixels the window manager's title bar takes, once seen
    int m_fontHeight = 1;    // the face font's cell height, in pixels
    QStringList m_noticesShown;
};

} // namespace hv
