// SPDX-License-Identifier: GPL-3.0-or-later
#include "DateTimeFormat.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace hv {

namespace {

using Kind = FormatToken::Kind;

// The top-level format and one format named inside it.
constexpr int kMaxNesting = 2;

bool isAsciiLetter(QChar c)
{
    return c.unicode() < 128 && c.isLetter();
}

qsizetype letterRun(QStringView format, qsizetype from)
{
    const QChar letter = format[from].toLower();
    qsizetype end = from + 1;
    while (end < format.size() && format[end].toLower() == letter)
        ++end;
    return end - from;
}

// The AM/PM specifier at the start of the text, or an empty view.
QStringView amPmAt(QStringView format)
{
    static constexpr std::array<QStringView, 3> kSpecifiers{u"am/pm", u"a/p", u"ampm"};
    for (const QStringView specifier : kSpecifiers) {
        if (format.startsWith(specifier, Qt::CaseInsensitive))
            return format.first(specifier.size());
    }
    return {};
}

Kind letterKind(QChar letter, qsizetype count, QChar lastLetter)
{
    switch (letter.unicode()) {
    case u'c':
        return Kind::DateAndTime;
    case u'd':
        return Kind::Day;
    case u'm':
        return lastLetter == u'h' && count <= 2 ? Kind::Minute : Kind::Month;
    case u'y':
        return Kind::Year;
    case u'h':
        return Kind::Hour;
    case u'n':
        return Kind::Minute;
    case u's':
        return Kind::Second;
    case u'z':
        return Kind::Msec;
    case u't':
        return Kind::Time;
    default:
        return Kind::Literal;
    }
}

class Formatter
{
public:
    Formatter(DateTime value, const FormatSettings& settings)
        : m_date(decodeDate(value))
        , m_time(decodeTime(value))
        , m_weekday(static_cast<std::size_t>(dayOfWeek(value) - 1))
        , m_settings(settings)
    {}

    QString format(QStringView format)
    {
        append(format, 1);
        return m_text;
    }

private:
    void append(QStringView format, int level);
    void appendToken(const FormatToken& token, int level, bool twelveHour);
    void appendDateAndTime(int level);
    void appendDay(qsizetype count, int level);
    void appendMonth(qsizetype count);
    void appendAmPm(QStringView specifier);

    void appendNested(const QString& format, int level)
    {
        if (level < kMaxNesting)
            append(format, level + 1);
    }
    void appendNumber(int value, int minDigits)
    {
        m_text += QString::number(value).rightJustified(minDigits, u'0');
    }

    Date m_date;
    Time m_time;
    std::size_t m_weekday; // 0 = Sunday
    const FormatSettings& m_settings;
    QString m_text;
};

void Formatter::append(QStringView format, int level)
{
    const auto tokens = tokenizeFormat(format);
    const bool twelveHour = std::any_of(tokens.cbegin(), tokens.cend(),
                                        [](const FormatToken& t) { return t.kind == Kind::AmPm; });
    for (const FormatToken& token : tokens)
        appendToken(token, level, twelveHour);
}

void Formatter::appendToken(const FormatToken& token, int level, bool twelveHour)
{
    const qsizetype count = token.text.size();
    const int digits = count >= 2 ? 2 : 1;
    switch (token.kind) {
    case Kind::Literal:
        m_text += token.text;
        break;
    case Kind::DateAndTime:
        appendDateAndTime(level);
        break;
    case Kind::Day:
        appendDay(count, level);
        break;
    case Kind::Month:
        appendMonth(count);
        break;
    case Kind::Year:
        appendNumber(count <= 2 ? m_date.year % 100 : m_date.year, count <= 2 ? 2 : 4);
        break;
    case Kind::Hour:
        // 0 is 12 AM, 13 to 23 are 1 PM to 11 PM.
        appendNumber(twelveHour ? (m_time.hour + 11) % 12 + 1 : m_time.hour, digits);
        break;
    case Kind::Minute:
        appendNumber(m_time.minute, digits);
        break;
    case Kind::Second:
        appendNumber(m_time.second, digits);
        break;
    case Kind::Msec:
        appendNumber(m_time.msec, count >= 3 ? 3 : 1);
        break;
    case Kind::Time:
        appendNested(count == 1 ? m_settings.shortTimeFormat : m_settings.longTimeFormat, level);
        break;
    case Kind::AmPm:
        appendAmPm(token.text);
        break;
    case Kind::DateSeparator:
        m_text += m_settings.dateSeparator;
        break;
    case Kind::TimeSeparator:
        m_text += m_settings.timeSeparator;
        break;
    }
}

void Formatter::appendDateAndTime(int level)
{
    if (level >= kMaxNesting)
        return;
    appendNested(m_settings.shortDateFormat, level);
    if (m_time != Time{}) {
        m_text += u' ';
        appendNested(m_settings.shortTimeFormat, level);
    }
}

void Formatter::appendDay(qsizetype count, int level)
{
    switch (count) {
    case 1:
    case 2:
        appendNumber(m_date.day, static_cast<int>(count));
        break;
    case 3:
        m_text += m_settings.shortDayNames[m_weekday];
        break;
    case 4:
        m_text += m_settings.longDayNames[m_weekday];
        break;
    case 5:
        appendNested(m_settings.shortDateFormat, level);
        break;
    default:
        appendNested(m_settings.longDateFormat, level);
    }
}

void Formatter::appendMonth(qsizetype count)
{
    const auto month = static_cast<std::size_t>(m_date.month - 1);
    if (count <= 2)
        appendNumber(m_date.month, static_cast<int>(count));
    else if (count == 3)
        m_text += m_settings.shortMonthNames[month];
    else
        m_text += m_settings.longMonthNames[month];
}

void Formatter::appendAmPm(QStringView specifier)
{
    const bool pm = m_time.hour >= 12;
    if (specifier.size() == 5) // "am/pm" in the case written
        m_text += pm ? specifier.sliced(3, 2) : specifier.first(2);
    else if (specifier.size() == 3) // "a/p"
        m_text += pm ? specifier[2] : specifier[0];
    else
        m_text += pm ? m_settings.timePMString : m_settings.timeAMString;
}

bool isInCalendar(DateTime value)
{
    static const DateTime firstDay = *tryEncodeDate(1, 1, 1);
    static const DateTime dayAfterLast = static_cast<DateTime>(kLastDay + 1);
    // Before day 0 the fraction counts forward from the whole part, so the
    // first day runs from firstDay up to, not including, firstDay - 1.
    return std::isfinite(value) && value > firstDay - 1 && value < dayAfterLast;
}

} // namespace

std::vector<FormatToken> tokenizeFormat(QStringView format)
{
    std::vector<FormatToken> tokens;
    QChar lastLetter; // m and mm mean minutes right after h or hh
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format[i];
        if (c == u'\'' || c == u'"') {
            const qsizetype close = format.indexOf(c, i + 1);
            const qsizetype end = close < 0 ? format.size() : close; // unclosed: to the end
            tokens.push_back({Kind::Literal, format.sliced(i + 1, end - i - 1)});
            i = end + 1;
        } else if (c == u'/' || c == u':') {
            tokens.push_back({c == u'/' ? Kind::DateSeparator : Kind::TimeSeparator, format.sliced(i, 1)});
            ++i;
        } else if (!isAsciiLetter(c)) {
            tokens.push_back({Kind::Literal, format.sliced(i, 1)});
            ++i;
        } else if (const QStringView amPm = amPmAt(format.sliced(i)); !amPm.isEmpty()) {
            tokens.push_back({Kind::AmPm, amPm});
            lastLetter = u'a';
            i += amPm.size();
        } else {
            const QChar letter = c.toLower();
            const qsizetype count = letterRun(format, i);
            tokens.push_back({letterKind(letter, count, lastLetter), format.sliced(i, count)});
            lastLetter = letter;
            i += count;
        }
    }
    return tokens;
}

QString formatDateTime(QStringView format, DateTime value, const FormatSettings& settings)
{
    if (!isInCalendar(value))
        return {};
    return Formatter(value, settings).format(format);
}

} // namespace hv
