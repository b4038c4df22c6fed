// SPDX-License-Identifier: GPL-3.0-or-later
#include "ListAlarms.h"

#include "alarms/AlarmDescription.h"
#include "alarms/AlarmFile.h"
#include "alarms/Recurrence.h"
#include "app/Settings.h"
#include "common/Profile.h"

#include <QLocale>

#include <cstdio>

namespace hv {

namespace {

using namespace Qt::StringLiterals;

QString isoMinute(DateTime moment)
{
    const Date d = decodeDate(moment);
    const Time t = decodeTime(moment);
    return u"%1-%2-%3T%4:%5"_s.arg(d.year, 4, 10, QChar(u'0'))
        .arg(d.month, 2, 10, QChar(u'0'))
        .arg(d.day, 2, 10, QChar(u'0'))
        .arg(t.hour, 2, 10, QChar(u'0'))
        .arg(t.minute, 2, 10, QChar(u'0'));
}

QString oneLine(QString text)
{
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    return text;
}

} // namespace

int listAlarms(const DataPaths& paths, DateTime now, const FormatSettings& settings, QTextStream& out,
               QTextStream& err)
{
    AlarmTable table;
    const AlarmFileLoad load = readAlarmFile(paths.alarmFile(), table);

    const Profile profile(paths.settingsFile());
    const bool autoStartSetting = readSettings(profile).record.autoStart;

    for (int n = 1; n <= AlarmTable::kSlots; ++n) {
        const AlarmRecord& alarm = table.slot(n);
        if (!alarm.isUsed())
            continue;
        const auto next = nextOccurrence(alarm, now, autoStartSetting && alarm.AutoStart);
        out << n << '\t' << (next ? isoMinute(*next) : u"-"_s) << '\t'
            << oneLine(describeAlarm(alarm, settings)) << '\n';
    }
    out.flush();

    if (!load.damaged)
        return 0;
    err << "horavox: " << load.message << '\n';
    err.flush();
    return 1;
}

} // namespace hv
