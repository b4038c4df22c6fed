// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Colour.h"
#include "common/VoiceSettings.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

namespace hv {

class Autostart;
class Profile;

// The live settings record: the options that the options dialog edits as one
// block, on a copy that the main window adopts whole on OK. A value read from
// the settings file is taken as it is, except the bevel and border widths,
// which are clamped to the options' range; the face and the announcer cope
// with other values outside the documented ranges.
struct SettingsRecord
{
    static constexpr qsizetype kFontNameLength = 40;
    static constexpr qsizetype kStyleLength = 15;
    // The stored bevel and border widths are given for a face this many pixels high.
    static constexpr qint32 kReferenceHeight = 66;
    // The widest bevel or border, in pixels at the reference height; a stored
    // width is clamped to 0..kMaxWidth when read.
    static constexpr qint32 kMaxWidth = 100;
    // bevelOuter, bevelInner
    static constexpr qint32 kBevelNone = 0;
    static constexpr qint32 kBevelLowered = 1;
    static constexpr qint32 kBevelRaised = 2;
    // allWindows
    static constexpr qint32 kAllWindows = 1;
    static constexpr qint32 kParentWindowOnly = 2;

    bool digital = false; // stored and restored only
    VoiceSettings voice;
    QString fontName; // at most kFontNameLength characters
    QString style;    // "Regular", "Bold", "Italic" or "BoldItalic"; at most kStyleLength characters
    qint32 bevelOuter = 0;
    qint32 bevelInner = 0;
    qint32 bevelWidth = 0;                     // pixels at the reference height
    qint32 borderWidth = 0;                    // pixels at the reference height
    qint32 referenceHeight = kReferenceHeight; // the face height, in pixels, that the widths are given for
    ColourValue fontColor = 0;
    ColourValue displayColor = 0;
    ColourValue faceColor = 0; // stored and restored only
    bool stayOnTop = false;
    bool autoStart = false;   // start the alarms when the clock starts
    bool autoRun = false;     // start the clock at login
    bool titleBarRes = false; // stored and restored only; false at every start
    bool titleBarClock = false;
    qint32 allWindows = 0; // kAllWindows or kParentWindowOnly
    bool showHints = false;
    bool bHints = false; // stored and restored only
    bool speedBar = false;

    friend bool operator==(const SettingsRecord&, const SettingsRecord&) = default;
};

// The values that the main window holds beside the record.
struct SettingsExtras
{
    // newHotKeyShift flags
    static constexpr qint32 kAlt = 1;
    static constexpr qint32 kControl = 2;
    static constexpr qint32 kShift = 4;

    qint32 snoozeTime = 0;      // minutes that a message alarm snoozes
    qint32 currentInterval = 0; // minutes between announcements now; command alarms change it
    bool useHotKey = false;
    quint16 newHotKey = 0; // virtual-key code; 84 is the letter T
    qint32 newHotKeyShift = 0;
    bool startupReminder = false; // true: never offer the start-up reminder again
    bool startHidden = false;     // hide to the tray on the first tick

    friend bool operator==(const SettingsExtras&, const SettingsExtras&) = default;
};

struct StoredSettings
{
    SettingsRecord record;
    SettingsExtras extras;
};

// Where the main window was, as the close saves it.
struct WindowPlacement
{
    qint32 flags = 0;
    qint32 showCommand = 1; // 1: shown normally
    QPoint minimizedPosition{-1, -1};
    QPoint maximizedPosition{-1, -1};
    QRect normalGeometry;
};

// The settings as the file holds them, with their defaults. The current
// interval starts as HowOften. extras.startHidden stays false:
// readStartHidden gives it, once the alarm file is loaded.
StoredSettings readSettings(const Profile& profile);

// Auto Run is on when the desktop is set to start the clock at login,
// whatever the file says.
void adoptLoginStart(SettingsRecord& record, const Autostart& autostart);

// The main window's normal geometry when nothing is stored.
inline constexpr QRect kDefaultMainWindowGeometry{269, 145, 212, 131};

// The main window's normal geometry as stored, read in 64 bits: a null
// rectangle when the stored edges give no positive size that fits in an int
// (a right edge at or left of the left edge, or edges that far apart).
QRect readMainWindowGeometry(const Profile& profile);

// Whether a window of `size` can be shown on a desktop whose largest screen
// is `desktop`: positive, and no larger than that screen.
bool isShowableWindowSize(QSize size, QSize desktop);

// Where the main window opens, given the stored geometry, the geometry of
// every screen and the primary screen's available area. A size that cannot
// be shown gives the default size on the primary screen; a rectangle wholly
// off every screen is moved to the primary screen's top-left.
QRect placeMainWindow(const QRect& stored, const QList<QRect>& screens, const QRect& primary);
bool readStartHidden(const Profile& profile);

// Writes the record and the extras in one atomic write, HowOften from the
// current interval. The caller rewrites the alarm file after this returns;
// when it throws, the caller's save ends there.
void saveSettings(Profile& profile, const SettingsRecord& record, const SettingsExtras& extras);

// What the close writes after saveSettings, in one atomic write: the
// placement, unless the window is minimized (nullopt), then whether the
// window is hidden in the tray.
void saveMainWindowState(Profile& profile, const std::optional<WindowPlacement>& placement,
                         bool hiddenInTray);

void saveStartupReminder(Profile& profile, bool startupReminder);

// The options dialog closed with OK: login start follows the adopted Auto Run
// when it differs from the live one.
void adoptAutoRun(Autostart& autostart, bool liveAutoRun, bool adoptedAutoRun);

// Whether the start-up reminder may be offered.
bool shouldOfferStartupReminder(const SettingsRecord& record, const SettingsExtras& extras);

// The start-up reminder was answered. Yes enables login start and, once that
// succeeded, sets Auto Run; either answer then stores StartupReminder. A
// refused write throws Error and ends the answer there.
void answerStartupReminder(bool startAtLogin, SettingsRecord& record, const SettingsExtras& extras,
                           Profile& profile, Autostart& autostart);

} // namespace hv
