// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowTitles.h"

#include <QString>

#include <optional>

namespace hv {

// Writes the time into the title of the window in the foreground, and gives
// each window its own title back when another one comes forward.
//
// A decorated window carries a mark with its own title for as long as the
// decoration stands (WindowTitles::setMark()), so that a clock that ended
// without restoring it (a crash, kill -9) leaves nothing for good: the next
// run gives every marked window the title it remembers, and never decorates a
// decoration ("… - 4:24 AM - 4:25 AM").
class TitleBarClock
{
public:
    struct Options
    {
        bool showClock = true;    // Title Bar Clock: append the time
        bool trackTitles = false; // Title Bar Res: follow the windows even without a decoration
        bool parentOnly = false;  // All Windows = 2: decorate a dialog's owner instead of the dialog

        bool active() const { return showClock || trackTitles; }
    };

    explicit TitleBarClock(WindowTitles& titles);

    // Run every tick: decorates the foreground window, re-decorates it when it
    // changed its own title, and restores the previous one when the focus moved.
    // With both options off it restores the last decorated window, so that
    // switching the clock off leaves no stale time behind. When showClock turns
    // on (not on the first call: the session restores at start-up), it first
    // restores the marked windows.
    void update(const QString& timeText, const Options& options);

    // Run at a minute change, after update(): shows the new minute at once.
    void refreshMinute(const QString& timeText, const Options& options);

    // Gives the last decorated window its own title back and forgets it.
    void restore();

    // Gives every window that carries a mark, except the one this clock
    // decorates now, the title its mark remembers, and removes the mark. The
    // remembered title is put back whole, never found by stripping what looks
    // like a time off the end: "Meeting - 4:00 PM" may be a window's own title.
    // A window that has retitled itself since (its title is neither the
    // remembered one nor that one with a decoration after it) keeps its new
    // title and loses only the mark. Returns how many titles were restored.
    int restoreMarked();

    WindowId decoratedWindow() const { return m_window; }
    const QString& savedTitle() const { return m_savedTitle; }

private:
    static QString decoration(const QString& timeText, const Options& options);
    WindowId targetWindow(const Options& options);
    void decorate(WindowId window, const QString& ownTitle, const QString& decoration);

    WindowTitles& m_titles;
    WindowId m_window = 0;           // the window whose title we changed last
    QString m_savedTitle;            // its own title, to put back
    QString m_decoratedTitle;        // what we wrote, to notice the window retitling itself
    bool m_markSet = false;          // m_window carries a mark holding m_savedTitle
    std::optional<bool> m_showClock; // the option at the last update(); none before the first
};

} // namespace hv
