// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

namespace hv::bench {

// Runs `body` often enough that one round lasts 100 ms, then nine rounds;
// returns the median time of one call, in nanoseconds. The median keeps a
// round disturbed by other work on the machine out of the figure.
template <typename Body>
double medianNs(Body body)
{
    using Clock = std::chrono::steady_clock;
    constexpr int kRounds = 9;
    constexpr auto kRoundTime = std::chrono::milliseconds(100);

    long repetitions = 1;
    for (;;) { // grow until one round fills kRoundTime
        const auto start = Clock::now();
        for (long r = 0; r < repetitions; ++r)
            body();
        if (Clock::now() - start >= kRoundTime)
            break;
        repetitions *= 2;
    }
    std::vector<double> rounds;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = Clock::now();
        for (long r = 0; r < repetitions; ++r)
            body();
        const std::chrono::duration<double, std::nano> elapsed = Clock::now() - start;
        rounds.push_back(elapsed.count() / static_cast<double>(repetitions));
    }
    std::nth_element(rounds.begin(), rounds.begin() + kRounds / 2, rounds.end());
    return rounds[kRounds / 2];
}

} // namespace hv::bench
