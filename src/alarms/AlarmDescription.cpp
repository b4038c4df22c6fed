// SPDX-License-Identifier: GPL-3.0-or-later
#include "AlarmDescription.h"

#include "alarms/Recurrence.h"
#include "common/DateTimeFormat.h"

#include <QStringView>

#include <array>
#include <cmath>
#include <span>

namespace hv {

namespace {

using namespace Qt::StringLiterals;

// Indexed by code - 1.
constexpr std::array<QStringView, 6> kRecursWhichWords{u"every", u"1st", u"2nd", u"3rd", u"4th", u"last"};
constexpr std::array<QStringView, 9> kRecursDayWords{u"Sunday",    u"Monday",   u"Tuesday",
                                                     u"Wednesday", u"Thursday", u"Friday",
                                                     u"Saturday",  u"Weekday",  u"Weekend"};
constexpr std::array<QStringView, 10> kEveryDaysWords{u"Sun", u"Mon", u"Tue",  u"Wed",  u"Thu",
                                                      u"Fri", u"Sat", u"Evry", u"Wday", u"Wend"};

// Rule texts end in blanks so that a short one still fills the head.
constexpr qsizetype kOnceTrail = 14;
constexpr qsizetype kRecursTrail = 19;
constexpr qsizetype kEveryTrail = 10;
constexpr qsizetype kDailyTrail = 31;
constexpr qsizetype kMonthlyTrail = 18;

// The word for a 1-based code; none for a code outside the list.
QStringView word(std::span<const QStringView> words, std::int32_t code)
{
    if (code < 1 || static_cast<std::size_t>(code) > words.size())
        return {};
    return words[static_cast<std::size_t>(code) - 1];
}

QString blanks(qsizetype count)
{
    return QString(count, u' ');
}

// Exactly `width` characters: cut, never between the two halves of a
// surrogate pair, or padded with blanks.
QString fitted(QString text, qsizetype width)
{
    if (text.size() > width) {
        qsizetype keep = width;
        if (keep > 0 && text.at(keep - 1).isHighSurrogate())
            --keep;
        text.truncate(keep);
    }
    if (text.size() < width)
        text += blanks(width - text.size());
    return text;
}

// The day of a Monthly alarm in the usual English way, with the blank that
// follows it: 1st, 2nd, 3rd, 4th, but 11th, 12th, 13th.
QStringView ordinalSuffix(std::int32_t day)
{
    switch (day) {
    case 1:
    case 21:
    case 31:
        return u"st ";
    case 2:
    case 22:
        return u"nd ";
    case 3:
    case 23:
        return u"rd ";
    default:
        return u"th ";
    }
}

QString ruleText(const AlarmRecord& alarm, const FormatSettings& settings)
{
    QString text;
    switch (alarm.Rule) {
    case RuleOnce:
        text += u"once on ";
        text += formatDateTime(u"ddddd", alarm.OnceDate, settings);
        text += blanks(kOnceTrail);
        break;
    case RuleRecurs:
        text += u"on ";
        text += word(kRecursWhichWords, alarm.RecursWhich);
        text += u' ';
        text += word(kRecursDayWords, alarm.RecursDay);
        text += blanks(kRecursTrail);
        break;
    case RuleEvery:
        text += u"every ";
        text += QString::number(alarm.Count);
        text += alarm.EveryUnit == EveryMinutes ? u" min on " : u" hours on ";
        text += word(kEveryDaysWords, alarm.EveryDays);
        text += blanks(kEveryTrail);
        break;
    case RuleDaily:
        text += u"Daily";
        text += blanks(kDailyTrail);
        break;
    case RuleMonthly:
        text += QString::number(alarm.Count);
        text += ordinalSuffix(alarm.Count);
        text += u"of every month";
        text += blanks(kMonthlyTrail);
        break;
    default:
        break; // a damaged Rule has no words
    }
    return text;
}

} // namespace

QString describeAlarm(const AlarmRecord& alarm, const FormatSettings& settings)
{
    const QString timeColumn =
        fitted(formatDateTime(u"t", alarm.StartTime, settings), kDescriptionTimeColumn);
    return fitted(timeColumn + ruleText(alarm, settings), kDescriptionHeadLength) + alarm.Target.text();
}

QStringList alarmDescriptionList(const AlarmTable& table, const FormatSettings& settings)
{
    QStringList lines;
    for (int n = 1; n <= AlarmTable::kSlots; ++n) {
        if (table.slot(n).isUsed())
            lines.append(describeAlarm(table.slot(n), settings));
    }
    return lines;
}

QString nextDueText(DateTime nextDue, const FormatSettings& settings)
{
    if (nextDue == kNeverDue)
        return {};
    return formatDateTime(u"ddddd t", nextDue, settings);
}

QString dayName(DateTime date)
{
    static constexpr std::array<QStringView, 7> kNames{u"Sunday",   u"Monday", u"Tuesday", u"Wednesday",
                                                       u"Thursday", u"Friday", u"Saturday"};
    const auto first = static_cast<DateTime>(kFirstDay);
    const auto last = static_cast<DateTime>(kLastDay);
    // Before day 0 the fraction counts forward from the whole part, so the
    // first day runs from first - 1 (exclusive) up to first.
    if (!std::isfinite(date) || date <= first - 1 || date >= last + 1)
        return {};
    return kNames[static_cast<std::size_t>(dayOfWeek(date) - 1)].toString();
}

} // namespace hv
