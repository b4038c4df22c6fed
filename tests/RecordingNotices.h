// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/Notices.h"

#include <QStringList>

namespace hv::test {

// Notices that a test reads back: each shown one as "title: text".
class RecordingNotices final : public Notices
{
public:
    QStringList shown;

protected:
    void showNotice(const QString& title, const QString& text) override
    {
        shown << title + QStringLiteral(": ") + text;
    }
};

} // namespace hv::test
