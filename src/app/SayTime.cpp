// SPDX-License-Identifier: GPL-3.0-or-later
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
#include <unistd.h>

namespace hv {

namespace {

// The longest an announcement may take: two wave files and five words.
constexpr int kLongestAnnouncementMs = 60'000;

// Ends the process once the sound system has been touched, without the
// destructors and exit handlers: Qt Multimedia's teardown of its PulseAudio
// connection at exit sometimes trips an assertion inside libpulse (about one
// run in ten), which aborts a command that has done its work. The
// announcement has been heard by then; only the lock needs giving back.
[[noreturn]] void leave(SingleInstance& instance, int status)
{
    instance.release();
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(status);
}

} // namespace

int sayTime(int& argc, char** argv)
{
    const QCoreApplication app(argc, argv);
    SingleInstance instance(SingleInstance::defaultRuntimeDir());
    if (!instance.claim()) {
        if (instance.send(SingleInstance::kSpeak))
            return 0;
        std::fputs("horavox: cannot speak the time: Horavox is running but does not answer\n", stderr);
        return 1;
    }

    const PlatformServices services =
        createPlatformServices({}, PlatformServices::Service::Clock | PlatformServices::Service::SoundOut);
    SoundOut& sound = *services.soundOut;
    if (!sound.isAvailable()) {
        std::fputs("horavox: cannot speak the time: no sound output is available "
                   "(is a sound server running?)\n",
                   stderr);
        leave(instance, 1);
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
    leave(instance, 0);
}

} // namespace hv
