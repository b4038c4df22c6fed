// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DateTime.h"
#include "FormatSettings.h"

#include <QString>
#include <QStringView>

#include <vector>

namespace hv {

// Writes a date-time in the classic format notation. Specifiers, in any case:
//   c       the short date format, then a blank and the short time format;
//           the time is left out when it is midnight
//   d dd    day of the month, without and with a leading zero
//   ddd dddd          short and long day name
//   ddddd dddddd      the short and the long date format
//   m mm    month number; minutes instead when the last letter before was h or hh
//   mmm mmmm          short and long month name
//   yy yyyy           year, two and four digits
//   h hh    hour; 1 to 12 when the format holds am/pm, a/p or ampm anywhere
//   n nn    minutes      s ss  seconds      z zzz  milliseconds
//   t tt    the short and the long time format
//   am/pm   "am" or "pm" in the case written;  a/p  likewise "a" or "p"
//   ampm    timeAMString or timePMString
//   /  :    the date and the time separator
//   '...' "..."       literal text
// Anything else is copied. A format named inside a format (ddddd, t, c) is
// expanded, but not a further one named inside that, so that formats that name
// each other cannot loop. A value that is not finite or lies outside 1/1/0001
// to 12/31/9999 gives an empty text.
QString formatDateTime(QStringView format, DateTime value, const FormatSettings& settings);

// One piece of a classic format, read as formatDateTime reads it; for code that
// reads texts back by the format that wrote them.
struct FormatToken
{
    enum class Kind
    {
        Literal,
        DateAndTime, // c
        Day,         // d to dddddd
        Month,       // m to mmmm
        Year,
        Hour,
        Minute, // n, nn, or m, mm right after an hour
        Second,
        Msec,
        Time, // t, tt
        AmPm, // am/pm, a/p, ampm
        DateSeparator,
        TimeSeparator
    };
    Kind kind = Kind::Literal;
    // The literal text without its quotes, or the specifier as written: "dd", "am/pm".
    QStringView text;
};

// The tokens view the format: it must outlive them.
std::vector<FormatToken> tokenizeFormat(QStringView format);

} // namespace hv
