#include "SayTime.h"

#include "ClockTick.h"
#include "Settings.h"
#include "SingleInstance.h"
#include "common/DataPaths.h"
#include "common/Profile.h"
#include "platform/Autostart.h"
#include "platform/Clock.h"
#include "platform/qt/QtSoundOut.h"
#include "voice/Announcer.h"
#include "voice/WordSounds.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLocale>
#include <QTimer>

#include <cstdio>

namespace hv {

namespace {

// The settings are only read here; login start plays no part in speaking.
class NoAutostart final : public Autostart
{
public:
    bool isEnabled() const override { return false; }
    void setEnabled(bool) override {}
};

// The longest an announcement may take: two wave files and five words.
constexpr int kLongestAnnouncementMs = 60'000;

} // namespace

int sayTime(int& argc, char** argv)
{
    const QCoreApplication app(argc, argv);
    SingleInstance instance(SingleInstance::defaultRuntimeDir());
    if (!instance.claim())
        return instance.send("speak") ? 0 : 1;

    QtSoundOut sound;
    if (!sound.isAvailable()) {
        std::fputs("horavox: cannot speak the time: no sound output is available "
                   "(is a sound server running?)\n",
                   stderr);
        return 1;
    }
    const DataPaths paths = DataPaths::fromEnvironment();
    const Profile profile(paths.settingsFile());
    const StoredSettings settings = readSettings(profile, NoAutostart());
    const WordSounds words(paths.voiceDir());
    Announcer announcer(settings.record, settings.extras, words, sound);

    const std::unique_ptr<Clock> clock = createClock();
    const TimeText time = makeTimeText(clock->now(), FormatSettings::fromLocale(QLocale::system()));
    QEventLoop spoken;
    QObject::connect(&sound, &SoundOut::finished, &spoken, &QEventLoop::quit);
    QTimer::singleShot(kLongestAnnouncementMs, &spoken, &QEventLoop::quit);
    if (announcer.announce(time, true))
        spoken.exec();
    return 0;
}

} // namespace hv
