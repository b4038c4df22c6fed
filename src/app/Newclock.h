#pragma once

#include "AlarmDesk.h"
#include "ClockTick.h"
#include "FaceLayout.h"
#include "Platform.h"
#include "TitleBarClock.h"
#include "alarms/AlarmCheck.h"
#include "voice/Announcer.h"
#include "voice/WordSounds.h"

#include <QPointer>
#include <QScopedPointer>
#include <QTimer>
#include <QWidget>

class QAction;
class QMenu;

namespace Ui {
class TMain;
}

namespace hv {

class AppState;
class TTrayIcon;

// The clock window: a face that shows the time in large type below an
// optional speedbar, a tray icon, and the menus that lead to every other
// window. Its timer is the heartbeat of the program.
class TMain : public QWidget, private ClockTick::Face
{
    Q_OBJECT

public:
    TMain(AppState& state, const Platform& platform, QWidget* parent = nullptr);
    ~TMain() override;

    // Brings the clock forward, out of the tray or the taskbar; a second start
    // of the program asks for this.
    void bringToFront();
    // The hot key or `horavox --say-time`: speak the time at once.
    void requestVoice();

    bool isHiddenInTray() const override { return m_hiddenInTray; }
    bool speedbarVisible() const { return m_speedbarVisible; }
    ClockTick& tick() { return m_tick; }
    QMenu* popupMenu() const { return PopupMenu2; }
    QMenu* timersMenu() const { return PopupMenu1; }
    TTrayIcon* trayIcon() const { return TrayIcon1; }
    AlarmDesk& alarmDesk() { return m_alarmDesk; }

    // Commands, named after the controls that carry them.
    void SpeedButton5Click(); // About
    void SpeedButton6Click(); // Help
    void SpeedButton7Click(); // Exit
    void SpeedButton4Click(); // Timers
    void Hide1Click();
    void Panel2Click();
    void TrayIcon1Click();
    void TrayIcon1RightClick(const QPoint& globalPos);
    void Timer1Timer();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    bool FormCloseQuery();
    void FormResize();

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
    void applyHotKey();
    void placeWindow();

    // Hiding to and coming back from the tray.
    void minimizeApplication();
    void hideToTray() override;
    void restoreFromTray();

    // ClockTick::Face
    void showTime(const QString& faceText, const QString& toolTip) override;
    void shrinkFontToFit() override;

    void scheduleTick();
    TitleBarClock::Options titleBarOptions() const;
    void offerStartupReminder();

    QScopedPointer<Ui::TMain> ui;
    AppState& m_state;
    Platform m_platform;

    QMenu* PopupMenu1 = nullptr; // Timers
    QMenu* PopupMenu2 = nullptr; // the window's and the tray icon's menu
    QAction* Options1 = nullptr;
    QAction* Alarms1 = nullptr;
    QAction* CDPlayer1 = nullptr;
    QMenu* Timers1 = nullptr;
    QAction* UpTimer1 = nullptr;
    QAction* DownTimer1 = nullptr;
    QAction* CountUp1 = nullptr;
    QAction* CountDown1 = nullptr;
    QAction* About1 = nullptr;
    QAction* Help1 = nullptr;
    QAction* Hide1 = nullptr;
    QAction* Exit1 = nullptr;
    TTrayIcon* TrayIcon1 = nullptr;
    QTimer Timer1;

    TitleBarClock m_titleBar;
    ClockTick m_tick;
    WordSounds m_words;
    Announcer m_announcer;
    AlarmDesk m_alarmDesk;
    AlarmCheck m_alarmCheck;

    bool m_hiddenInTray = false;
    bool m_speedbarVisible = true;
    bool m_toggleInProgress = false;
    bool m_shown = false;
    bool m_firstTickDone = false;
    int m_captionHeight = 0; // pixels the window manager's title bar takes, once seen
    int m_fontHeight = 1;    // the face font's cell height, in pixels
};

} // namespace hv
