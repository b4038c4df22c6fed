// SPDX-License-Identifier: GPL-3.0-or-later
#include "Conversions.h"

#include "DateTimeFormat.h"
#include "Error.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <limits>
#include <utility>

namespace hv {

using namespace Qt::Literals::StringLiterals;

namespace {

template <typename T>
T orThrow(std::optional<T> value, QString message, const QString& text)
{
    if (!value)
        throw Error(message.arg(text));
    return *value;
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// From one to maxDigits ASCII digits, and nothing else.
std::optional<int> readNumber(QStringView digits, qsizetype maxDigits)
{
    if (digits.isEmpty() || digits.size() > maxDigits ||
        !std::all_of(digits.begin(), digits.end(), isAsciiDigit))
        return std::nullopt;
    return digits.toInt();
}

// Every kind of blank as a plain space: locales write no-break spaces in their
// markers ("p.\u00A0m.") where people type plain ones.
QString plainBlanks(QStringView text)
{
    QString result = text.toString();
    std::replace_if(
        result.begin(), result.end(), [](QChar c) { return c.isSpace(); }, u' ');
    return result;
}

enum class Half
{
    None,
    Am,
    Pm
};

// The numbers and the marker that a text holds, before they are checked.
struct Reading
{
    std::optional<int> day;
    std::optional<int> month;
    std::optional<int> year;
    std::optional<int> hour;
    std::optional<int> minute;
    std::optional<int> second;
    Half half = Half::None;
};

// Two-digit years fall in 1950 to 2049. A fixed window keeps the reading of a
// date independent of the day on which it is read.
int fullYear(int year, qsizetype digits)
{
    if (digits > 2)
        return year;
    return year < 50 ? 2000 + year : 1900 + year;
}

// The longest marker at the start of the text, or at its end when atEnd; the
// longest wins so that a locale's "a.m." is not taken for a shorter one.
std::pair<Half, qsizetype> markerAt(QStringView text, bool atEnd, const FormatSettings& settings)
{
    const std::array<std::pair<QString, Half>, 4> markers{{
        {plainBlanks(settings.timeAMString), Half::Am},
        {plainBlanks(settings.timePMString), Half::Pm},
        {u"AM"_s, Half::Am},
        {u"PM"_s, Half::Pm},
    }};
    std::pair<Half, qsizetype> found{Half::None, 0};
    for (const auto& [marker, half] : markers) {
        const bool matches =
            atEnd ? text.endsWith(marker, Qt::CaseInsensitive) : text.startsWith(marker, Qt::CaseInsensitive);
        if (matches && marker.size() > found.second)
            found = {half, marker.size()};
    }
    return found;
}

// Reads a text by the pieces of a classic format: numbers where the format
// writes numbers, a marker where it writes one (which may be left out), its
// literal text in any case. Blanks are free between pieces.
class FormatReader
{
public:
    FormatReader(QStringView text, const FormatSettings& settings)
        : m_text(text)
        , m_settings(settings)
    {}

    std::optional<Reading> read(QStringView format)
    {
        for (const FormatToken& token : tokenizeFormat(format)) {
            if (!readToken(token))
                return std::nullopt;
        }
        skipBlanks();
        if (m_pos != m_text.size())
            return std::nullopt;
        return m_reading;
    }

private:
    bool readToken(const FormatToken& token)
    {
        using Kind = FormatToken::Kind;
        switch (token.kind) {
        case Kind::Literal:
            return readLiteral(token.text);
        case Kind::DateSeparator:
            return readLiteral(QStringView(&m_settings.dateSeparator, 1));
        case Kind::TimeSeparator:
            return readLiteral(QStringView(&m_settings.timeSeparator, 1));
        case Kind::Day:
            if (token.text.size() > 4)
                return false;
            if (token.text.size() > 2) // the day name is passed over
                return readName(m_settings.shortDayNames, m_settings.longDayNames).has_value();
            return readNumberInto(m_reading.day, 2);
        case Kind::Month:
            if (token.text.size() > 2)
                return readMonthName();
            return readNumberInto(m_reading.month, 2);
        case Kind::Year:
            return readYear();
        case Kind::Hour:
            return readNumberInto(m_reading.hour, 2);
        case Kind::Minute:
            return readNumberInto(m_reading.minute, 2);
        case Kind::Second:
            return readNumberInto(m_reading.second, 2);
        case Kind::AmPm:
            readMarker();
            return true;
        case Kind::DateAndTime:
        case Kind::Msec:
        case Kind::Time:
            break;
        }
        return false; // milliseconds and formats named inside formats are not read back
    }

    // The longest short or long name that the text goes on with; its index.
    template <std::size_t N>
    std::optional<std::size_t> readName(const std::array<QString, N>& shortNames,
                                        const std::array<QString, N>& longNames)
    {
        skipBlanks();
        const QStringView rest = m_text.sliced(m_pos);
        std::optional<std::size_t> found;
        qsizetype length = 0;
        for (std::size_t i = 0; i < N; ++i) {
            for (const QString& name : {plainBlanks(shortNames[i]), plainBlanks(longNames[i])}) {
                if (name.size() > length && rest.startsWith(name, Qt::CaseInsensitive)) {
                    found = i;
                    length = name.size();
                }
            }
        }
        m_pos += length;
        return found;
    }

    bool readMonthName()
    {
        const auto index = readName(m_settings.shortMonthNames, m_settings.longMonthNames);
        if (!index || m_reading.month)
            return false;
        m_reading.month = static_cast<int>(*index) + 1;
        return true;
    }

    void readMarker()
    {
        skipBlanks();
        const auto [half, length] = markerAt(m_text.sliced(m_pos), false, m_settings);
        m_reading.half = half;
        m_pos += length;
    }

    void skipBlanks()
    {
        while (m_pos < m_text.size() && m_text[m_pos].isSpace())
            ++m_pos;
    }

    bool readLiteral(QStringView literal)
    {
        for (const QChar c : literal) {
            if (c.isSpace())
                continue;
            skipBlanks();
            if (m_pos == m_text.size() || m_text[m_pos].toCaseFolded() != c.toCaseFolded())
                return false;
            ++m_pos;
        }
        return true;
    }

    // One to maxDigits digits, into a field that the text has not filled before.
    bool readNumberInto(std::optional<int>& field, qsizetype maxDigits)
    {
        skipBlanks();
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && m_pos - start < maxDigits && isAsciiDigit(m_text[m_pos]))
            ++m_pos;
        if (field || m_pos == start)
            return false;
        field = m_text.sliced(start, m_pos - start).toInt();
        return true;
    }

    bool readYear()
    {
        skipBlanks();
        const qsizetype start = m_pos;
        if (!readNumberInto(m_reading.year, 4))
            return false;
        m_reading.year = fullYear(*m_reading.year, m_pos - start);
        return true;
    }

    QStringView m_text;
    const FormatSettings& m_settings;
    qsizetype m_pos = 0;
    Reading m_reading;
};

// Hours, minutes and optional seconds around the time separator, and a marker
// before or after them.
std::optional<Reading> readTime(QStringView text, const FormatSettings& settings)
{
    Reading reading;
    if (const auto [half, length] = markerAt(text, false, settings); half != Half::None) {
        reading.half = half;
        text = text.sliced(length);
    } else if (const auto [endHalf, endLength] = markerAt(text, true, settings); endHalf != Half::None) {
        reading.half = endHalf;
        text.chop(endLength);
    }
    const auto parts = text.split(settings.timeSeparator);
    if (parts.size() < 2 || parts.size() > 3)
        return std::nullopt;
    const std::array<std::optional<int>*, 3> fields{&reading.hour, &reading.minute, &reading.second};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        *fields[static_cast<std::size_t>(i)] = readNumber(parts[i].trimmed(), 2);
        if (!*fields[static_cast<std::size_t>(i)])
            return std::nullopt;
    }
    return reading;
}

// With a marker 12 is the first hour of its half (12 AM is 0:00); 13 and more
// have no marker form.
std::optional<DateTime> timeOf(const std::optional<Reading>& reading)
{
    if (!reading || !reading->hour || !reading->minute || reading->day || reading->month || reading->year)
        return std::nullopt;
    int hour = *reading->hour;
    if (reading->half != Half::None) {
        if (hour > 12)
            return std::nullopt;
        hour = hour % 12 + (reading->half == Half::Pm ? 12 : 0);
    }
    return tryEncodeTime(hour, *reading->minute, reading->second.value_or(0));
}

enum class DateField
{
    Day,
    Month,
    Year
};

// The order of day, month and year in a classic format, from where each first
// appears. A field that the format lacks keeps its place in month-day-year order.
std::array<DateField, 3> dateOrder(QStringView format)
{
    using Kind = FormatToken::Kind;
    std::array<std::pair<Kind, DateField>, 3> order{{
        {Kind::Month, DateField::Month},
        {Kind::Day, DateField::Day},
        {Kind::Year, DateField::Year},
    }};
    const auto tokens = tokenizeFormat(format);
    const auto position = [&tokens](Kind kind) {
        return std::find_if(tokens.cbegin(), tokens.cend(),
                            [kind](const FormatToken& t) { return t.kind == kind; });
    };
    std::stable_sort(order.begin(), order.end(), [&position](const auto& a, const auto& b) {
        return position(a.first) < position(b.first);
    });
    return {order[0].second, order[1].second, order[2].second};
}

// Three numbers around the date separator, in the order of the short date format.
std::optional<Reading> readDate(QStringView text, const FormatSettings& settings)
{
    const auto parts = text.split(settings.dateSeparator);
    if (parts.size() != 3)
        return std::nullopt;
    Reading reading;
    const auto order = dateOrder(settings.shortDateFormat);
    for (std::size_t i = 0; i < order.size(); ++i) {
        const QStringView digits = parts[static_cast<qsizetype>(i)].trimmed();
        const auto number = readNumber(digits, order[i] == DateField::Year ? 4 : 2);
        if (!number)
            return std::nullopt;
        switch (order[i]) {
        case DateField::Day:
            reading.day = number;
            break;
        case DateField::Month:
            reading.month = number;
            break;
        case DateField::Year:
            reading.year = fullYear(*number, digits.size());
            break;
        }
    }
    return reading;
}

std::optional<DateTime> dateOf(const std::optional<Reading>& reading)
{
    if (!reading || !reading->day || !reading->month || !reading->year || reading->hour || reading->minute ||
        reading->second || reading->half != Half::None)
        return std::nullopt;
    return tryEncodeDate(*reading->year, *reading->month, *reading->day);
}

} // namespace

// Texts that the locale's own formats write are read too: "18 h 00", "5.03.24 г.".
std::optional<DateTime> tryStrToTime(QStringView text, const FormatSettings& settings)
{
    const QString trimmed = plainBlanks(text.trimmed());
    if (const auto time = timeOf(readTime(trimmed, settings)))
        return time;
    if (const auto time = timeOf(FormatReader(trimmed, settings).read(settings.shortTimeFormat)))
        return time;
    return timeOf(FormatReader(trimmed, settings).read(settings.longTimeFormat));
}

DateTime strToTime(const QString& text, const FormatSettings& settings)
{
    return orThrow(tryStrToTime(text, settings), u"'%1' is not a valid time"_s, text);
}

std::optional<DateTime> tryStrToDate(QStringView text, const FormatSettings& settings)
{
    const QString trimmed = plainBlanks(text.trimmed());
    if (const auto date = dateOf(readDate(trimmed, settings)))
        return date;
    return dateOf(FormatReader(trimmed, settings).read(settings.shortDateFormat));
}

DateTime strToDate(const QString& text, const FormatSettings& settings)
{
    return orThrow(tryStrToDate(text, settings), u"'%1' is not a valid date"_s, text);
}

std::optional<int> tryStrToInt(QStringView text)
{
    QStringView rest = text.trimmed();
    const bool negative = rest.startsWith(u'-');
    if (negative || rest.startsWith(u'+'))
        rest = rest.sliced(1);
    int base = 10;
    if (rest.startsWith(u'$')) {
        base = 16;
        rest = rest.sliced(1);
    } else if (rest.startsWith(u"0x", Qt::CaseInsensitive)) {
        base = 16;
        rest = rest.sliced(2);
    }
    // from_chars would take a second sign; Latin-1 turns other scripts' digits into non-digits.
    const QByteArray digits = rest.toLatin1();
    if (digits.isEmpty() || digits.front() == '-')
        return std::nullopt;
    std::int64_t magnitude = 0;
    const auto [end, error] = std::from_chars(digits.cbegin(), digits.cend(), magnitude, base);
    if (error != std::errc{} || end != digits.cend())
        return std::nullopt;
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

int strToInt(const QString& text)
{
    return orThrow(tryStrToInt(text), u"'%1' is not a valid integer value"_s, text);
}

std::optional<double> tryStrToFloat(QStringView text)
{
    const QByteArray ascii = text.trimmed().toLatin1();
    // Digits, point, exponent and signs only: from_chars would also read "inf",
    // "nan" and hexadecimal.
    const auto plain = [](char c) { return (c >= '0' && c <= '9') || QByteArrayView(".eE+-").contains(c); };
    if (ascii.isEmpty() || !std::all_of(ascii.cbegin(), ascii.cend(), plain))
        return std::nullopt;
    QByteArrayView number = ascii;
    if (number.startsWith('+')) { // from_chars takes a minus sign only
        number = number.sliced(1);
        if (number.startsWith('-'))
            return std::nullopt;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(number.cbegin(), number.cend(), value);
    if (error != std::errc{} || end != number.cend())
        return std::nullopt;
    return value;
}

double strToFloat(const QString& text)
{
    return orThrow(tryStrToFloat(text), u"'%1' is not a valid floating point value"_s, text);
}

} // namespace hv
