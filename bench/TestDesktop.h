// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <cstdio>
#include <unistd.h>
#include <vector>

namespace hv::bench {

// Figures from the desktop the tests use (Xvfb, openbox, trayer, PulseAudio with
// a null sink), never from the user's own: outside it, this runs the benchmark
// again through scripts/with-desktop and does not return; inside, it returns.
inline void runOnTestDesktop(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsEmpty("HORAVOX_TEST_SINK"))
        return;
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        std::perror("/proc/self/exe");
        std::_Exit(1);
    }
    self[length] = '\0';
    std::vector<char*> command{const_cast<char*>(HORAVOX_WITH_DESKTOP), self};
    for (int i = 1; i < argc; ++i)
        command.push_back(argv[i]);
    command.push_back(nullptr);
    execv(command[0], command.data());
    std::perror(HORAVOX_WITH_DESKTOP);
    std::_Exit(1);
}

} // namespace hv::bench
