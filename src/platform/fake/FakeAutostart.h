// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Error.h"
#include "platform/Autostart.h"

#include <QString>

namespace hv {

// Autostart in memory, for tests.
class FakeAutostart final : public Autostart
{
public:
    explicit FakeAutostart(bool enabled = false)
        : m_enabled(enabled)
    {}

    bool isEnabled() const override { return m_enabled; }

    void setEnabled(bool enabled) override
    {
        ++m_setCalls;
        if (!m_failingPath.isEmpty())
            throw Error::unableToWrite(m_failingPath);
        m_enabled = enabled;
    }

    // From now on setEnabled fails as if `path` (not empty) refused the write.
    void failWith(QString path) { m_failingPath = std::move(path); }

    int setCalls() const { return m_setCalls; }

private:
    bool m_enabled;
    QString m_failingPath; // empty: writes succeed
    int m_setCalls = 0;
};

} // namespace hv
