// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AppState.h"
#include "app/ClockProgram.h"
#include "app/DesktopAlarmActions.h"
#include "platform/fake/FakeAutostart.h"
#include "platform/fake/FakeCdDevice.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/FakeClockChanges.h"
#include "platform/fake/FakeHotKey.h"
#include "platform/fake/FakeProcessLauncher.h"
#include "platform/fake/FakeSoundOut.h"
#include "platform/fake/FakeWaveDevice.h"
#include "platform/fake/FakeWindowTitles.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace hv::test {

// The clock window and its session on fake platform services, over a private data folder: what
// the window tests, the tick benchmark and the screenshots build on.
struct ClockWindowRig
{
    struct Setup
    {
        DateTime now = 0;
        QByteArray settings; // horavox.ini, after the line that turns the reminder off
        // The start-up reminder is off unless asked for: it would wait for an answer.
        bool remind = false;
        // Puts files into the data folder before the window reads them.
        std::function<void(const QString& home)> prepare;
        // Window titles other than the fake ones (the real X11 service).
        WindowTitles* titles = nullptr;
    };

    QTemporaryDir home;
    FakeClock clock;
    FakeWindowTitles fakeTitles;
    FakeAutostart autostart;
    FakeSoundOut sound;
    FakeHotKey hotKey;
    FakeProcessLauncher launcher;
    FakeClockChanges clockChanges;
    FakeCdDevice cdDevice{&clock};
    FakeWaveDevice waveDevice;
    std::unique_ptr<AppState> state;
    std::unique_ptr<ClockProgram> program;
    ClockWindow* window = nullptr;
    ClockSession* session = nullptr;

    explicit ClockWindowRig(const Setup& setup)
        : clock(setup.now)
    {
        if (setup.prepare)
            setup.prepare(home.path());
        QFile ini(home.filePath(QStringLiteral("horavox.ini")));
        if (ini.open(QIODevice::WriteOnly))
            ini.write((setup.remind ? QByteArray() : QByteArray("[Options]\nStartupReminder=1\n")) +
                      setup.settings);
        ini.close();
        state = std::make_unique<AppState>(DataPaths(home.path(), home.path()), autostart);
        state->load();
        Platform platform;
        platform.clock = &clock;
        platform.windowTitles = setup.titles ? setup.titles : &fakeTitles;
        platform.autostart = &autostart;
        platform.soundOut = &sound;
        platform.hotKey = &hotKey;
        platform.launcher = &launcher;
        platform.clockChanges = &clockChanges;
        platform.cdDevice = &cdDevice;
        platform.waveDevice = &waveDevice;
        program = std::make_unique<ClockProgram>(*state, platform);
        window = &program->window();
        session = &program->session();
    }
};

} // namespace hv::test
