#include "Settings.h"

#include "common/Profile.h"
#include "platform/Autostart.h"

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
    r.bevelWidth = profile.readInteger(kDisplay, u"BevelWidth", 2);
    r.borderWidth = profile.readInteger(kDisplay, u"BorderWidth", 0);
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
    const qint32 left = profile.readInteger(kMain, u"PlaceNormPosL", 269);
    const qint32 top = profile.readInteger(kMain, u"PlaceNormPosT", 145);
    const qint32 right = profile.readInteger(kMain, u"PlaceNormPosR", 481);
    const qint32 bottom = profile.readInteger(kMain, u"PlaceNormPosB", 276);
    return {left, top, right - left, bottom - top};
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
