#pragma once

#include "platform/WindowTitles.h"

#include <QString>

namespace hv {

// Writes the time into the title of the window in the foreground, and gives
// each window its own title back when another one comes forward.
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
    // switching the clock off leaves no stale time behind.
    void update(const QString& timeText, const Options& options);

    // Run at a minute change, after update(): shows the new minute at once.
    void refreshMinute(const QString& timeText, const Options& options);

    // Gives the last decorated window its own title back and forgets it.
    void restore();

    WindowId decoratedWindow() const { return m_window; }
    const QString& savedTitle() const { return m_savedTitle; }

private:
    static QString decoration(const QString& timeText, const Options& options);
    WindowId targetWindow(const Options& options);
    void decorate(WindowId window, const QString& ownTitle, const QString& decoration);

    WindowTitles& m_titles;
    WindowId m_window = 0;    // the window whose title we changed last
    QString m_savedTitle;     // its own title, to put back
    QString m_decoratedTitle; // what we wrote, to notice the window retitling itself
};

} // namespace hv
