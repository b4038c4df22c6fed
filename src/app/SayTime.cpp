#include "SayTime.h"

#include "Settings.h"
#include "SingleInstance.h"
#include "common/DataPaths.h"
#include "common/Profile.h"
#include "common/TimeText.h"
#include "platform/Clock.h"
#include "platform/PlatformServices.h"
#include "platform/SoundOut.h"
#include "voice/Announcer.h"
#include "voice/WordSounds.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLocale>
#include <QTimer>

#include <cstdio>

namespace hv {

namespace {

// The longest an announcement may take: two wave files and five words.
constexpr int kLongestAnnouncementMs = 60'000;

} // namespace

int sayTime(int& argc, char** argv)
{
    const QCoreApplication app(argc, argv);
    SingleInstance instance(SingleInstance::defaultRuntimeDir());
    if (!instance.claim())
        return instance.send(SingleInstance::kSpeak) ? 0 : 1;

    const PlatformServices services =
        createPlatformServices({}, PlatformServices::Service::Clock | PlatformServices::Service::SoundOut);
    SoundOut& sound = *services.soundOut;
    if (!sound.isAvailable()) {
        std::fputs("horavox: cannot speak the time: no sound output is available "
                   "(is a sound server running?)\n",
                   stderr);
        return 1;
    }
    const DataPaths paths = DataPaths::fromEnvironment();
    const Profile profile(paths.settingsFile());
    const StoredSettings settings = readSettings(profile);
    const WordSounds words(paths.voiceDir());
    Announcer announcer(settings.record.voice, settings.extras.currentInterval, words, sound);

    const TimeText time = makeTimeText(services.clock->now(), FormatSettings::fromLocale(QLocale::system()));
    QEventLoop spoken;
    QObject::connect(&sound, &SoundOut::finished, &spoken, &QEventLoop::quit);
    QTimer::singleShot(kLongestAnnouncementMs, &spoken, &QEventLoop::quit);
    if (announcer.announce(time, true))
        spoken.exec();
    return 0;
}

} // namespace hv
