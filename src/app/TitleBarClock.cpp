// SPDX-License-Identifier: GPL-3.0-or-later
#include "TitleBarClock.h"

namespace hv {

namespace {

// The decoration's separator, between the window's own title and the time.
constexpr QStringView kSeparator = u" - ";

} // namespace

TitleBarClock::TitleBarClock(WindowTitles& titles)
    : m_titles(titles)
{}

QString TitleBarClock::decoration(const QString& timeText, const Options& options)
{
    return options.showClock ? kSeparator.toString() + timeText : QString();
}

WindowId TitleBarClock::targetWindow(const Options& options)
{
    const WindowId active = m_titles.activeWindow();
    if (active != 0 && options.parentOnly) {
        if (const WindowId owner = m_titles.ownerOf(active))
            return owner;
    }
    return active;
}

void TitleBarClock::update(const QString& timeText, const Options& options)
{
    const bool switchedOn = options.showClock && m_showClock == false;
    m_showClock = options.showClock;
    if (switchedOn)
        restoreMarked();
    if (!options.active() || !m_titles.isAvailable()) {
        restore();
        return;
    }
    const WindowId target = targetWindow(options);
    // Titles are kept whole: a title cut to a fixed length would be written
    // back shorter, and a cut decorated title would never compare equal again.
    const std::optional<QString> current = target ? m_titles.title(target) : std::nullopt;

    if (target != 0 && target == m_window) {
        if (!current) { // closed between two ticks, and its mark with it
            m_window = 0;
            m_markSet = false;
            m_titles.watch(0);
        } else if (*current != m_decoratedTitle) {
            decorate(target, *current, decoration(timeText, options));
        }
        return;
    }

    restore();
    if (current)
        decorate(target, *current, decoration(timeText, options));
}

void TitleBarClock::refreshMinute(const QString& timeText, const Options& options)
{
    if (!options.active() || m_window == 0)
        return;
    decorate(m_window, m_savedTitle, decoration(timeText, options));
}

void TitleBarClock::restore()
{
    if (m_window == 0)
        return;
    // A window that retitled itself since keeps its new title.
    if (m_titles.title(m_window) == m_decoratedTitle)
        m_titles.setTitle(m_window, m_savedTitle);
    // After the title: a crash in between leaves a mark on a window whose title
    // is its own, which the next run restores to the same title.
    if (m_markSet)
        m_titles.setMark(m_window, std::nullopt);
    m_window = 0;
    m_markSet = false;
    m_savedTitle.clear();
    m_decoratedTitle.clear();
    m_titles.watch(0);
}

int TitleBarClock::restoreMarked()
{
    if (!m_titles.isAvailable())
        return 0;
    int restored = 0;
    for (const MarkedWindow& marked : m_titles.markedWindows()) {
        if (marked.window == m_window)
            continue;
        const std::optional<QString> current = m_titles.title(marked.window);
        if (!current)
            continue; // gone, and its mark with it
        const bool decorated = current->size() > marked.original.size() + kSeparator.size() &&
                               current->startsWith(marked.original) &&
                               QStringView(*current).sliced(marked.original.size()).startsWith(kSeparator);
        if (decorated && m_titles.setTitle(marked.window, marked.original))
            ++restored;
        m_titles.setMark(marked.window, std::nullopt);
    }
    return restored;
}

void TitleBarClock::decorate(WindowId window, const QString& ownTitle, const QString& decoration)
{
    // A new window comes after restore(), which has removed the last mark.
    const bool newWindow = window != m_window;
    const bool markHolds = m_markSet && m_savedTitle == ownTitle;
    m_window = window;
    m_savedTitle = ownTitle;
    m_decoratedTitle = ownTitle + decoration;
    if (decoration.isEmpty()) {
        // The title stays the window's own: no mark, and a write only to take
        // back the decoration of an earlier tick.
        if (!newWindow)
            m_titles.setTitle(window, ownTitle);
        if (m_markSet)
            m_titles.setMark(window, std::nullopt);
        m_markSet = false;
    } else {
        // Marked before the title changes; a mark already holding this title
        // is not written again each minute.
        if (!markHolds)
            m_titles.setMark(window, ownTitle);
        m_markSet = true;
        m_titles.setTitle(window, m_decoratedTitle);
    }
    if (newWindow)
        m_titles.watch(window);
}

} // namespace hv
