// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace hv {

class Autostart;
class Clock;
class ClockChanges;
class HotKey;
class ProcessLauncher;
class SoundOut;
class WaveDevice;
class WindowTitles;

// The platform services the windows use, handed in by the program entry, or
// by a test with fakes. The pointers are not owned and outlive the windows.
struct Platform
{
    Clock* clock = nullptr;
    WindowTitles* windowTitles = nullptr;
    Autostart* autostart = nullptr;
    SoundOut* soundOut = nullptr;
    HotKey* hotKey = nullptr;
    ProcessLauncher* launcher = nullptr;
    ClockChanges* clockChanges = nullptr;
    WaveDevice* waveDevice = nullptr;
};

} // namespace hv
