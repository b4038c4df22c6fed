#include "TitleBarClock.h"

namespace hv {

TitleBarClock::TitleBarClock(WindowTitles& titles)
    : m_titles(titles)
{}

QString TitleBarClock::decoration(const QString& timeText, const Options& options)
{
    return options.showClock ? QStringLiteral(" - ") + timeText : QString();
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
    if (!options.active() || !m_titles.isAvailable()) {
        restore();
        return;
    }
    const WindowId target = targetWindow(options);
    // Titles are kept whole: a title cut to a fixed length would be written
    // back shorter, and a cut decorated title would never compare equal again.
    const std::optional<QString> current = target ? m_titles.title(target) : std::nullopt;

    if (target != 0 && target == m_window) {
        if (!current) { // closed between two ticks
            m_window = 0;
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
    if (m_titles.title(m_window) == m_decoratedTitle)
        m_titles.setTitle(m_window, m_savedTitle);
    m_window = 0;
    m_savedTitle.clear();
    m_decoratedTitle.clear();
    m_titles.watch(0);
}

void TitleBarClock::decorate(WindowId window, const QString& ownTitle, const QString& decoration)
{
    const bool newWindow = window != m_window;
    m_window = window;
    m_savedTitle = ownTitle;
    m_decoratedTitle = ownTitle + decoration;
    if (ownTitle != m_decoratedTitle || !newWindow)
        m_titles.setTitle(window, m_decoratedTitle);
    if (newWindow)
        m_titles.watch(window);
}

} // namespace hv
