// SPDX-License-Identifier: GPL-3.0-or-later
#include "FormatSettings.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace hv {

using namespace Qt::Literals::StringLiterals;

namespace {

// A format is read into fields and literal text, changed as a list of tokens,
// and written out in the classic notation.
enum class Field
{
    Literal,
    Day,
    Month,
    Year,
    Hour,
    Minute,
    Second,
    Msec,
    AmPm,
    TimeZone,
    DateSeparator,
    TimeSeparator
};

struct Token
{
    Field field = Field::Literal;
    int width = 0; // letters of the field: "MMM" is 3; 0 for the others
    QString text;  // Field::Literal only
};

using Tokens = std::vector<Token>;

bool isDateField(Field f)
{
    return f == Field::Day || f == Field::Month || f == Field::Year;
}

bool isTimeField(Field f)
{
    return f == Field::Hour || f == Field::Minute || f == Field::Second || f == Field::Msec;
}

void appendLiteral(Tokens& tokens, QStringView text)
{
    if (text.isEmpty())
        return;
    if (!tokens.empty() && tokens.back().field == Field::Literal)
        tokens.back().text += text;
    else
        tokens.push_back({Field::Literal, 0, text.toString()});
}

// --- Reading Qt's notation (QLocale::dateFormat, QLocale::timeFormat) ---

qsizetype repeatCount(QStringView format, qsizetype from)
{
    qsizetype end = from + 1;
    while (end < format.size() && format[end] == format[from])
        ++end;
    return end - from;
}

struct QtField
{
    Field field;
    int width;
    qsizetype length; // characters of the format that the field takes
};

// The field that starts at `at`, or none when the character there is literal.
// Qt's letters are case-sensitive; runs longer than a field are split.
std::optional<QtField> qtFieldAt(QStringView format, qsizetype at)
{
    const auto repeat = static_cast<int>(std::min<qsizetype>(repeatCount(format, at), 4));
    const auto upTo = [repeat](Field field, int most) {
        const int width = std::min(repeat, most);
        return QtField{field, width, width};
    };
    switch (format[at].unicode()) {
    case u'd':
        return upTo(Field::Day, 4);
    case u'M':
        return upTo(Field::Month, 4);
    case u'y':
        if (repeat < 2)
            return std::nullopt;
        return upTo(Field::Year, repeat == 4 ? 4 : 2);
    case u'h':
    case u'H': // 24-hour in Qt; the classic notation decides by the AM/PM marker
        return upTo(Field::Hour, 2);
    case u'm':
        return upTo(Field::Minute, 2);
    case u's':
        return upTo(Field::Second, 2);
    case u'z':
        return repeat >= 3 ? QtField{Field::Msec, 3, 3} : QtField{Field::Msec, 1, 1};
    case u'a':
    case u'A': {
        const bool withP = at + 1 < format.size() && format[at + 1].toLower() == u'p';
        return QtField{Field::AmPm, 0, withP ? 2 : 1};
    }
    case u't':
        return QtField{Field::TimeZone, 0, 1};
    default:
        return std::nullopt;
    }
}

// Reads the quoted text that opens at `at`; returns where it ends. "''" is one
// quote, inside quotes and out; an unclosed quote runs to the end.
qsizetype readQuoted(QStringView format, qsizetype at, Tokens& tokens)
{
    if (at + 1 < format.size() && format[at + 1] == u'\'') {
        appendLiteral(tokens, u"'");
        return at + 2;
    }
    QString text;
    qsizetype i = at + 1;
    while (i < format.size()) {
        if (format[i] == u'\'') {
            if (i + 1 < format.size() && format[i + 1] == u'\'') {
                text += u'\'';
                i += 2;
                continue;
            }
            ++i;
            break;
        }
        text += format[i++];
    }
    appendLiteral(tokens, text);
    return i;
}

Tokens readQtFormat(QStringView format)
{
    Tokens tokens;
    qsizetype i = 0;
    while (i < format.size()) {
        if (format[i] == u'\'') {
            i = readQuoted(format, i, tokens);
        } else if (const auto field = qtFieldAt(format, i)) {
            tokens.push_back({field->field, field->width, {}});
            i += field->length;
        } else {
            appendLiteral(tokens, format.sliced(i, 1));
            ++i;
        }
    }
    return tokens;
}

// --- Changes to the token list ---

bool isLiteral(const Tokens& tokens, std::size_t i)
{
    return i < tokens.size() && tokens[i].field == Field::Literal;
}

// Blanks and brackets that set a time zone apart: " (t)", " [t]", "t ".
bool isTimeZoneFrame(QChar c)
{
    return c.isSpace() || QStringView(u"()[]").contains(c);
}

void chopFrame(QString& text)
{
    while (!text.isEmpty() && isTimeZoneFrame(text.back()))
        text.chop(1);
}

void cutFrame(QString& text)
{
    const auto frame = std::find_if_not(text.cbegin(), text.cend(), isTimeZoneFrame) - text.cbegin();
    text.remove(0, frame);
}

// Time zones have no place in the classic notation. The frame before a zone
// goes with it; the frame after it goes too when the zone comes first or last,
// but stays between two fields that the zone stood between.
void dropTimeZones(Tokens& tokens)
{
    for (std::size_t i = 0; i < tokens.size();) {
        if (tokens[i].field != Field::TimeZone) {
            ++i;
            continue;
        }
        const bool literalBefore = i > 0 && isLiteral(tokens, i - 1);
        if (literalBefore)
            chopFrame(tokens[i - 1].text);
        if (isLiteral(tokens, i + 1) && (!literalBefore || i + 2 == tokens.size()))
            cutFrame(tokens[i + 1].text);
        tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(i));
    }
    std::erase_if(tokens, [](const Token& t) { return t.field == Field::Literal && t.text.isEmpty(); });
}

// Drops seconds and milliseconds with the separator before each ("h:mm:ss AP"
// becomes "h:mm AP"), or after it when the field comes first.
void dropSeconds(Tokens& tokens)
{
    for (std::size_t i = 0; i < tokens.size();) {
        if (tokens[i].field != Field::Second && tokens[i].field != Field::Msec) {
            ++i;
            continue;
        }
        const bool before = i > 0 && isLiteral(tokens, i - 1);
        const std::size_t first = before ? i - 1 : i;
        const std::size_t last = !before && isLiteral(tokens, i + 1) ? i + 2 : i + 1;
        tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(first),
                     tokens.begin() + static_cast<std::ptrdiff_t>(last));
        i = first;
    }
}

bool isBetweenFields(const Tokens& tokens, std::size_t i, bool (*isField)(Field))
{
    return isLiteral(tokens, i) && i > 0 && i + 1 < tokens.size() && isField(tokens[i - 1].field) &&
           isField(tokens[i + 1].field);
}

// A separator is a literal between two fields of a kind that holds a single
// punctuation mark or symbol, with blanks or direction marks around it at most:
// "/", ". ", "\u200F/". Words between fields ("h", " min ") are not separators.
std::optional<QChar> findSeparator(const Tokens& tokens, bool (*isField)(Field))
{
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (!isBetweenFields(tokens, i, isField))
            continue;
        QString marks = tokens[i].text;
        marks.removeIf([](QChar c) { return c.isSpace() || c.category() == QChar::Other_Format; });
        if (marks.size() == 1 && (marks[0].isPunct() || marks[0].isSymbol()))
            return marks[0];
    }
    return std::nullopt;
}

// Between two fields of a kind, the separator becomes the classic "/" or ":".
void markSeparators(Tokens& tokens, bool (*isField)(Field), QChar separator, Field marker)
{
    Tokens marked;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (!isBetweenFields(tokens, i, isField)) {
            marked.push_back(tokens[i]);
            continue;
        }
        const auto parts = QStringView(tokens[i].text).split(separator);
        for (qsizetype p = 0; p < parts.size(); ++p) {
            if (p > 0)
                marked.push_back({marker, 0, {}});
            appendLiteral(marked, parts[p]);
        }
    }
    tokens = std::move(marked);
}

// --- Writing the classic notation ---

// Characters that the classic notation would read as specifiers or quotes.
bool needsQuotes(QChar c)
{
    return (c.unicode() < 128 && c.isLetter()) || QStringView(u"/:'\"").contains(c);
}

QString quoted(const QString& text)
{
    if (std::none_of(text.cbegin(), text.cend(), needsQuotes))
        return text;
    QString result = u"\""_s;
    for (const QChar c : text)
        result += c == u'"' ? u"\"'\"'\""_s : QString(c); // a double quote goes between single ones
    return result + u'"';
}

QString classicField(const Token& token)
{
    const auto repeated = [&token](QChar letter) { return QString(token.width, letter); };
    switch (token.field) {
    case Field::Day:
        return repeated(u'd');
    case Field::Month:
        return repeated(u'm');
    case Field::Year:
        return repeated(u'y');
    case Field::Hour:
        return repeated(u'h');
    case Field::Minute:
        return repeated(u'n');
    case Field::Second:
        return repeated(u's');
    case Field::Msec:
        return repeated(u'z');
    case Field::AmPm:
        return u"AMPM"_s;
    case Field::DateSeparator:
        return u"/"_s;
    case Field::TimeSeparator:
        return u":"_s;
    case Field::Literal:
    case Field::TimeZone:
        break;
    }
    return {};
}

QString writeClassic(const Tokens& tokens)
{
    QString result;
    QString literal; // adjacent literals are quoted as one
    for (const Token& token : tokens) {
        if (token.field == Field::Literal) {
            literal += token.text;
            continue;
        }
        result += quoted(literal) + classicField(token);
        literal.clear();
    }
    return result + quoted(literal);
}

Tokens readLocaleFormat(const QString& qtFormat)
{
    Tokens tokens = readQtFormat(qtFormat);
    dropTimeZones(tokens);
    return tokens;
}

QString monthName(const QLocale& locale, std::size_t index, QLocale::FormatType type)
{
    return locale.monthName(static_cast<int>(index) + 1, type);
}

// Qt counts the days of the week from Monday = 1 to Sunday = 7.
QString dayName(const QLocale& locale, std::size_t sundayFirstIndex, QLocale::FormatType type)
{
    return locale.dayName(sundayFirstIndex == 0 ? 7 : static_cast<int>(sundayFirstIndex), type);
}

} // namespace

FormatSettings FormatSettings::fromLocale(const QLocale& locale)
{
    FormatSettings s;

    Tokens shortDate = readLocaleFormat(locale.dateFormat(QLocale::ShortFormat));
    s.dateSeparator = findSeparator(shortDate, isDateField).value_or(u'/');
    markSeparators(shortDate, isDateField, s.dateSeparator, Field::DateSeparator);
    s.shortDateFormat = writeClassic(shortDate);
    s.longDateFormat = writeClassic(readLocaleFormat(locale.dateFormat(QLocale::LongFormat)));

    Tokens shortTime = readLocaleFormat(locale.timeFormat(QLocale::ShortFormat));
    Tokens longTime = readLocaleFormat(locale.timeFormat(QLocale::LongFormat));
    dropSeconds(shortTime);
    s.timeSeparator =
        findSeparator(shortTime, isTimeField).value_or(findSeparator(longTime, isTimeField).value_or(u':'));
    markSeparators(shortTime, isTimeField, s.timeSeparator, Field::TimeSeparator);
    markSeparators(longTime, isTimeField, s.timeSeparator, Field::TimeSeparator);
    s.shortTimeFormat = writeClassic(shortTime);
    s.longTimeFormat = writeClassic(longTime);

    s.timeAMString = locale.amText();
    s.timePMString = locale.pmText();
    for (std::size_t i = 0; i < s.longMonthNames.size(); ++i) {
        s.shortMonthNames[i] = monthName(locale, i, QLocale::ShortFormat);
        s.longMonthNames[i] = monthName(locale, i, QLocale::LongFormat);
    }
    for (std::size_t i = 0; i < s.longDayNames.size(); ++i) {
        s.shortDayNames[i] = dayName(locale, i, QLocale::ShortFormat);
        s.longDayNames[i] = dayName(locale, i, QLocale::LongFormat);
    }
    return s;
}

FormatSettings FormatSettings::startupDefaults(const QLocale& locale)
{
    FormatSettings s = fromLocale(locale);
    s.timeSeparator = u':';
    s.timeAMString = u"AM"_s;
    s.timePMString = u"PM"_s;
    s.shortDateFormat = u"mm/dd/yy"_s;
    return s;
}

bool FormatSettings::uses12HourClock() const
{
    return shortTimeFormat.toUpper().contains(u"AMPM");
}

} // namespace hv
