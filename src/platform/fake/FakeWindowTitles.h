// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowTitles.h"

#include <QHash>

namespace hv {

// A desktop of windows held in memory; a test moves the focus and retitles.
// `titles` holds the windows there are; `marks` the marks left on them, which
// stay when a TitleBarClock is gone, as a property on a real window does.
class FakeWindowTitles final : public WindowTitles
{
public:
    bool available = true;
    WindowId active = 0;
    QHash<WindowId, QString> titles;
    QHash<WindowId, WindowId> owners;
    QHash<WindowId, QString> marks;
    WindowId watched = 0;
    int writes = 0;

    bool isAvailable() const override { return available; }
    WindowId activeWindow() override { return active; }
    WindowId ownerOf(WindowId window) override { return owners.value(window); }
    std::optional<QString> title(WindowId window) override
    {
        const auto it = titles.constFind(window);
        return it == titles.constEnd() ? std::nullopt : std::optional<QString>(*it);
    }
    bool setTitle(WindowId window, const QString& title) override
    {
        if (!titles.contains(window))
            return false;
        ++writes;
        titles[window] = title;
        return true;
    }
    void setMark(WindowId window, const std::optional<QString>& original) override
    {
        if (!titles.contains(window))
            return;
        if (original)
            marks[window] = *original;
        else
            marks.remove(window);
    }
    QList<MarkedWindow> markedWindows() override
    {
        QList<MarkedWindow> marked;
        for (auto it = marks.cbegin(); it != marks.cend(); ++it) {
            if (titles.contains(it.key()))
                marked.append({it.key(), it.value()});
        }
        return marked;
    }
    void watch(WindowId window) override { watched = window; }
};

} // namespace hv
