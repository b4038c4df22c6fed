// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/HotKey.h"

#include <optional>

namespace hv {

// Remembers the combination registered; a test answers registerKey() through
// `answer` and presses the key with press().
class FakeHotKey final : public HotKey
{
public:
    struct Combination
    {
        quint16 virtualKey = 0;
        qint32 modifierFlags = 0;
        bool operator==(const Combination&) const = default;
    };

    bool available = true;
    RegisterResult answer = RegisterResult::Registered;
    QString problem; // what lastProblem() reports after a refused registration
    // What is registered now; empty after unregisterKey() and after a refusal.
    std::optional<Combination> registered;
    int registerCalls = 0;
    int unregisterCalls = 0;

    bool isAvailable() const override { return available; }
    RegisterResult registerKey(quint16 virtualKey, qint32 modifierFlags) override
    {
        ++registerCalls;
        registered.reset();
        const RegisterResult result = available ? answer : RegisterResult::Unavailable;
        if (result == RegisterResult::Registered)
            registered = Combination{virtualKey, modifierFlags};
        m_refused = result != RegisterResult::Registered;
        return result;
    }
    void unregisterKey() override
    {
        ++unregisterCalls;
        registered.reset();
        m_refused = false;
    }
    QString lastProblem() const override
    {
        if (!m_refused)
            return {};
        return available ? problem : unavailableProblem();
    }

    // The user presses the combination; nothing happens unless it is registered.
    void press()
    {
        if (registered)
            Q_EMIT pressed();
    }

private:
    bool m_refused = false;
};

} // namespace hv
