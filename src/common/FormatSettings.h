// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QChar>
#include <QLocale>
#include <QString>

#include <array>

namespace hv {

// The regional settings that date and time texts follow. The four formats are
// in the classic notation that formatDateTime reads ("m/d/yy", "h:nn AMPM"); a
// "/" in them stands for dateSeparator and a ":" for timeSeparator.
struct FormatSettings
{
    QString shortDateFormat;
    QString longDateFormat;
    // Hours and minutes only. The minute stamp is the time in this format read
    // back, so a format with seconds would never give a whole minute.
    QString shortTimeFormat;
    QString longTimeFormat;
    QChar dateSeparator = u'/';
    QChar timeSeparator = u':';
    QString timeAMString;
    QString timePMString;
    std::array<QString, 12> shortMonthNames; // January first
    std::array<QString, 12> longMonthNames;
    std::array<QString, 7> shortDayNames; // Sunday first, as dayOfWeek() counts
    std::array<QString, 7> longDayNames;

    // The locale's formats, converted from Qt's notation. The time zone is left
    // out. The separators are the first punctuation between two date fields of
    // the short date format and between hours and minutes of the time formats;
    // "/" and ":" when there is none.
    static FormatSettings fromLocale(const QLocale& locale);

    // What the program runs with from start until its main window is first
    // shown: the locale's settings with the time separator ":", the markers
    // "AM" and "PM" and the short date format "mm/dd/yy".
    static FormatSettings startupDefaults(const QLocale& locale);

    // The hour is shown from 1 to 12 when the short time format carries the
    // AM/PM marker.
    bool uses12HourClock() const;

    friend bool operator==(const FormatSettings&, const FormatSettings&) = default;
};

} // namespace hv
