// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DateTime.h"
#include "FormatSettings.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace hv {

// Strict conversions of typed text. Blanks around the text are allowed; the
// throwing forms raise hv::Error with the text as given, the try forms give
// nothing for callers that must not throw.

// Hours, minutes and optional seconds set apart by the time separator, with an
// optional marker (timeAMString, timePMString, "AM" or "PM", in any case) before
// or after the digits. With a marker the hour runs from 0 to 12 (12 AM is
// midnight); without one from 0 to 23. Whatever the short or the long time
// format writes is read too, words and all ("19 h 05", "19:05 ч."), so that
// every shown time reads back. The result is a time of day: whole part 0.
// Error: "'<text>' is not a valid time".
std::optional<DateTime> tryStrToTime(QStringView text, const FormatSettings& settings);
DateTime strToTime(const QString& text, const FormatSettings& settings);

// Day, month and year as numbers in the order of the short date format, set
// apart by the date separator; or whatever the short date format writes
// ("2024. 03. 05.", "5 Mar 2024"). A year of one or two digits falls in 1950 to
// 2049 (00 to 49 are 2000 to 2049), the same on any day. The year is required:
// completing a date without one would need today's date.
// Error: "'<text>' is not a valid date".
std::optional<DateTime> tryStrToDate(QStringView text, const FormatSettings& settings);
DateTime strToDate(const QString& text, const FormatSettings& settings);

// An optional sign, then decimal digits, or hexadecimal digits after "$" or
// "0x"; the value must fit in 32 bits with its sign.
// Error: "'<text>' is not a valid integer value".
std::optional<int> tryStrToInt(QStringView text);
int strToInt(const QString& text);

// An optional sign, decimal digits with "." as the decimal point and an
// optional exponent. Infinities, NaN and values beyond the range of a double
// are refused. Error: "'<text>' is not a valid floating point value".
std::optional<double> tryStrToFloat(QStringView text);
double strToFloat(const QString& text);

} // namespace hv
