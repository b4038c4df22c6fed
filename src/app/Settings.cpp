// SPDX-License-Identifier: GPL-3.0-or-later
#include "Settings.h"

#include "common/Profile.h"
#include "platform/Autostart.h"

#include <algorithm>
#include <climits>

namespace hv {

namespace {

constexpr QStringView kOptions = u"Options";
constexpr QStringView kVoice = u"Voice";
constexpr QStringView kFont = u"Font";
constexpr QStringView kDisplay = u"Display";
constexpr QStringView kMain = u"Main";

ColourValue readColour(const Profile& profile, QStringView section, QStringView key, ColourValue defaultValue)
{
    return static_cast<ColourValue>(profile.readInteger(section, key, static_cast<qint32>(defaultValue)));
}

// Colours are stored as the signed decimal of their 32 bits.
void writeColour(Profile& profile, QStringView section, QStringView key, ColourValue colour)
{
    profile.writeInteger(section, key, static_cast<qint32>(colour));
}

void readVoice(const Profile& profile, StoredSettings& settings)
{
    SettingsRecord& r = settings.record;
    SettingsExtras& x = settings.extras;
    r.voice.playVoice = profile.readBool(kVoice, u"Play Voice", true);
    r.voice.howOften = profile.readInteger(kVoice, u"HowOften", 5);
    x.useHotKey = profile.readBool(kVoice, u"UseHotKey", true);
    x.newHotKey = static_cast<quint16>(profile.readInteger(kVoice, u"NewHotKey", 84));
    x.newHotKeyShift =
        profile.readInteger(kVoice, u"NewHotKeyShift", SettingsExtras::kControl | SettingsExtras::kAlt);
    r.voice.playWave = profile.readBool(kVoice, u"Play Wave", false);
    r.voice.beforeAfter = profile.readInteger(kVoice, u"BeforeAfter", VoiceSettings::kWaveBeforeVoice);
    r.voice.waveFile = profile.readString(kVoice, u"WaveFile").left(VoiceSettings::kWaveFileLength);
}

void readOptions(const Profile& profile, StoredSettings& settings)
{
    SettingsRecord& r = settings.record;
    r.titleBarClock = profile.readBool(kOptions, u"Title Bar Clock", true);
    r.titleBarRes = false;
    r.allWindows = profile.readBool(kOptions, u"All Windows", true) ? SettingsRecord::kAllWindows
                                                                    : SettingsRecord::kParentWindowOnly;
    r.autoStart = profile.readBool(kOptions, u"Auto Start", false);
    // The login start, when set, wins over the stored flag.
    r.autoRun = profile.readBool(kOptions, u"Auto Run", false);
    settings.extras.startupReminder = profile.readBool(kOptions, u"StartupReminder", false);
    r.stayOnTop = profile.readBool(kOptions, u"Stay On Top", false);
    r.showHints = profile.readBool(kOptions, u"Show Hints", true);
    r.bHints = profile.readBool(kOptions, u"BHints", true);
}

void readFace(const Profile& profile, SettingsRecord& r)
{
    r.fontColor = readColour(profile, kFont, u"Color", 0x800000);
    r.fontName = profile.readString(kFont, u"Font Name", QStringLiteral("Times New Roman"))
                     .left(SettingsRecord::kFontNameLength);
    r.style =
        profile.readString(kFont, u"Style", QStringLiteral("Regular")).left(SettingsRecord::kStyleLength);
    r.displayColor = readColour(profile, kDisplay, u"Color", 0xC0C0C0);
    r.faceColor = readColour(profile, kDisplay, u"FaceColor", 0xFFFFFF);
    r.bevelOuter = profile.readInteger(kDisplay, u"BevelOuter", SettingsRecord::kBevelRaised);
    r.bevelInner = profile.readInteger(kDisplay, u"BevelInner", SettingsRecord::kBevelNone);
    // The options allow 0 to 100; a width outside that would leave no room for the time.
    r.bevelWidth = std::clamp(profile.readInteger(kDisplay, u"BevelWidth", 2), 0, SettingsRecord::kMaxWidth);
    r.borderWidth =
        std::clamp(profile.readInteger(kDisplay, u"BorderWidth", 0), 0, SettingsRecord::kMaxWidth);
    r.speedBar = profile.readBool(kDisplay, u"SpeedBar", true);
}

void writeVoice(Profile& profile, const SettingsRecord& r, const SettingsExtras& x)
{
    profile.writeBool(kVoice, u"Play Voice", r.voice.playVoice);
    profile.writeInteger(kVoice, u"HowOften", x.currentInterval);
    profile.writeBool(kVoice, u"UseHotkey", x.useHotKey);
    profile.writeInteger(kVoice, u"NewHotKey", x.newHotKey);
    profile.writeInteger(kVoice, u"NewHotKeyShift", x.newHotKeyShift);
    profile.writeBool(kVoice, u"Play Wave", r.voice.playWave);
    profile.writeInteger(kVoice, u"BeforeAfter", r.voice.beforeAfter);
    profile.writeString(kVoice, u"WaveFile", r.voice.waveFile);
}

void writeOptions(Profile& profile, const SettingsRecord& r)
{
    profile.writeBool(kOptions, u"Auto Start", r.autoStart);
    profile.writeBool(kOptions, u"Title Bar Clock", r.titleBarClock);
    profile.writeBool(kOptions, u"Title Bar Res", r.titleBarRes);
    profile.writeBool(kOptions, u"All Windows", r.allWindows == SettingsRecord::kAllWindows);
    profile.writeBool(kOptions, u"Auto Run", r.autoRun);
    profile.writeBool(kOptions, u"Stay On Top", r.stayOnTop);
    profile.writeBool(kOptions, u"Show Hints", r.showHints);
    profile.writeBool(kOptions, u"BHints", r.bHints);
}

void writeFace(Profile& profile, const SettingsRecord& r)
{
    profile.writeString(kFont, u"Style", r.style);
    writeColour(profile, kFont, u"Color", r.fontColor);
    profile.writeString(kFont, u"Font Name", r.fontName);
    writeColour(profile, kDisplay, u"Color", r.displayColor);
    writeColour(profile, kDisplay, u"FaceColor", r.faceColor);
    profile.writeInteger(kDisplay, u"BevelOuter", r.bevelOuter);
    profile.writeInteger(kDisplay, u"BevelInner", r.bevelInner);
    profile.writeInteger(kDisplay, u"BevelWidth", r.bevelWidth);
    profile.writeInteger(kDisplay, u"BorderWidth", r.borderWidth);
    profile.writeBool(kDisplay, u"SpeedBar", r.speedBar);
}

void writePlacement(Profile& profile, const WindowPlacement& placement)
{
    const QRect& normal = placement.normalGeometry;
    profile.writeInteger(kMain, u"PlaceFlags", placement.flags);
    profile.writeInteger(kMain, u"PlaceShowCmd", placement.showCommand);
    profile.writeInteger(kMain, u"PlaceMinPosX", placement.minimizedPosition.x());
    profile.writeInteger(kMain, u"PlaceMinPosY", placement.minimizedPosition.y());
    profile.writeInteger(kMain, u"PlaceMaxPosX", placement.maximizedPosition.x());
    profile.writeInteger(kMain, u"PlaceMaxPosY", placement.maximizedPosition.y());
    // The stored right and bottom edges lie just outside the window.
    profile.writeInteger(kMain, u"PlaceNormPosL", normal.x());
    profile.writeInteger(kMain, u"PlaceNormPosT", normal.y());
    profile.writeInteger(kMain, u"PlaceNormPosR", normal.x() + normal.width());
    profile.writeInteger(kMain, u"PlaceNormPosB", normal.y() + normal.height());
}

} // namespace

StoredSettings readSettings(const Profile& profile)
{
    StoredSettings settings;
    settings.extras.snoozeTime = profile.readInteger(kOptions, u"SnoozeTime", 10);
    readVoice(profile, settings);
    readOptions(profile, settings);
    readFace(profile, settings.record);
    settings.extras.currentInterval = settings.record.voice.howOften;
    return settings;
}

void adoptLoginStart(SettingsRecord& record, const Autostart& autostart)
{
    record.autoRun = record.autoRun || autostart.isEnabled();
}

QRect readMainWindowGeometry(const Profile& profile)
{
    const qint64 left = profile.readInteger(kMain, u"PlaceNormPosL", kDefaultMainWindowGeometry.left());
    const qint64 top = profile.readInteger(kMain, u"PlaceNormPosT", kDefaultMainWindowGeometry.top());
    const qint64 right = profile.readInteger(kMain, u"PlaceNormPosR", kDefaultMainWindowGeometry.right() + 1);
    const qint64 bottom =
        profile.readInteger(kMain, u"PlaceNormPosB", kDefaultMainWindowGeometry.bottom() + 1);
    // The differences of two 32-bit edges need 33 bits.
    const qint64 width = right - left;
    const qint64 height = bottom - top;
    if (width <= 0 || height <= 0 || width > INT_MAX || height > INT_MAX)
        return {};
    return {static_cast<int>(left), static_cast<int>(top), static_cast<int>(width), static_cast<int>(height)};
}

bool isShowableWindowSize(QSize size, QSize desktop)
{
    return size.width() > 0 && size.height() > 0 && size.width() <= desktop.width() &&
           size.height() <= desktop.height();
}

QRect placeMainWindow(const QRect& stored, const QList<QRect>& screens, const QRect& primary)
{
    QSize desktop;
    for (const QRect& screen : screens)
        desktop = desktop.expandedTo(screen.size());
    // Too large for any screen, or no size at all: the default size, where the
    // default place lies on the primary screen.
    if (!isShowableWindowSize(stored.size(), desktop)) {
        QRect fallback = kDefaultMainWindowGeometry.translated(primary.topLeft());
        if (!primary.contains(fallback))
            fallback.moveTopLeft(primary.topLeft());
        return fallback;
    }
    // A rectangle that lies wholly off every screen (a monitor that is gone)
    // would leave the clock out of reach: bring it onto the primary screen. A
    // partly visible one is kept, since the user may have put it there.
    const bool reachable = std::any_of(screens.begin(), screens.end(),
                                       [&stored](const QRect& screen) { return screen.intersects(stored); });
    if (reachable)
        return stored;
    return QRect(primary.topLeft(), stored.size());
}

bool readStartHidden(const Profile& profile)
{
    return profile.readInteger(kMain, u"Minimized", 0) == 1;
}

void saveSettings(Profile& profile, const SettingsRecord& record, const SettingsExtras& extras)
{
    Profile::Transaction transaction(profile);
    profile.writeInteger(kOptions, u"SnoozeTime", extras.snoozeTime);
    profile.writeBool(kDisplay, u"Digital", record.digital);
    writeVoice(profile, record, extras);
    writeOptions(profile, record);
    writeFace(profile, record);
    transaction.commit();
}

void saveMainWindowState(Profile& profile, const std::optional<WindowPlacement>& placement, bool hiddenInTray)
{
    Profile::Transaction transaction(profile);
    if (placement)
        writePlacement(profile, *placement);
    profile.writeInteger(kMain, u"Minimized", hiddenInTray ? 1 : 0);
    transaction.commit();
}

void saveStartupReminder(Profile& profile, bool startupReminder)
{
    profile.writeBool(kOptions, u"StartupReminder", startupReminder);
}

void adoptAutoRun(Autostart& autostart, bool liveAutoRun, bool adoptedAutoRun)
{
    if (adoptedAutoRun != liveAutoRun)
        autostart.setEnabled(adoptedAutoRun);
}

bool shouldOfferStartupReminder(const SettingsRecord& record, const SettingsExtras& extras)
{
    return !record.autoRun && !extras.startupReminder;
}

void answerStartupReminder(bool startAtLogin, SettingsRecord& record, const SettingsExtras& extras,
                           Profile& profile, Autostart& autostart)
{
    if (startAtLogin) {
        autostart.setEnabled(true);
        record.autoRun = true;
    }
    saveStartupReminder(profile, extras.startupReminder);
}

} // namespace hv
