// SPDX-License-Identifier: GPL-3.0-or-later
#include "alarms/AlarmDescription.h"
#include "alarms/Recurrence.h"
#include "app/CommandLine.h"
#include "app/ListAlarms.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

using namespace hv;
using namespace Qt::StringLiterals;

namespace {

DateTime date(int year, int month, int day)
{
    return tryEncodeDate(year, month, day).value();
}

DateTime clockTime(int hour, int minute, int second = 0)
{
    return tryEncodeTime(hour, minute, second).value();
}

// Tuesday 5 March 2024, 8:30:20.
const DateTime kNow = combine(date(2024, 3, 5), clockTime(8, 30, 20));

FormatSettings us()
{
    return FormatSettings::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates));
}

AlarmRecord alarm(AlarmRule rule, int hour, int minute, const QString& target)
{
    AlarmRecord a;
    a.Rule = rule;
    a.StartTime = clockTime(hour, minute);
    a.Target = target;
    a.Active = true;
    return a;
}

QByteArray recordsFile(const std::vector<AlarmRecord>& records)
{
    QByteArray content;
    for (const AlarmRecord& r : records)
        content += r.toBytes();
    return content;
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly) &&
           file.write(content) == content.size();
}

// Everything below `root`: path, kind, size, modification time and content.
QStringList snapshot(const QString& root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        QString entry = QDir(root).relativeFilePath(info.filePath()) + (info.isDir() ? u"/"_s : QString());
        if (info.isFile()) {
            QFile file(info.filePath());
            const QByteArray content = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            entry += u" %1 %2 %3"_s.arg(info.size())
                         .arg(info.lastModified().toMSecsSinceEpoch())
                         .arg(QString::fromLatin1(
                             QCryptographicHash::hash(content, QCryptographicHash::Sha1).toHex()));
        }
        entries << entry;
    }
    entries.sort();
    return entries;
}

struct Listing
{
    int exitCode = 0;
    QString out;
    QString err;
};

Listing list(const DataPaths& paths, DateTime now = kNow)
{
    Listing result;
    QTextStream out(&result.out);
    QTextStream err(&result.err);
    result.exitCode = listAlarms(paths, now, us(), out, err);
    return result;
}

class Home
{
public:
    Home()
        : m_paths(m_dir.filePath(u"config"_s), m_dir.filePath(u"data"_s))
    {}

    bool isValid() const { return m_dir.isValid(); }
    QString root() const { return m_dir.path(); }
    const DataPaths& paths() const { return m_paths; }

    bool putAlarms(const QByteArray& content) const { return writeFile(m_paths.alarmFile(), content); }
    bool putSettings(const QByteArray& content) const { return writeFile(m_paths.settingsFile(), content); }

private:
    QTemporaryDir m_dir;
    DataPaths m_paths;
};

enum class Setup
{
    Nothing,            // neither folder exists
    FoldersOnly,        // both folders, no files
    SettingsOnly,       // no alarm file
    AlarmsOnly,         // no settings file
    DamagedAlarms,      // ends part way through a record
    FolderForAlarmFile, // cannot be read as a file
    Complete,
};

} // namespace

Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(hv::CommandLine::Action)

class TestListAlarms : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listsInSlotOrderAfterSort();
    void startupFlag_data();
    void startupFlag();
    void damagedFile_data();
    void damagedFile();
    void writesNothing_data();
    void writesNothing();
    void commandLine_data();
    void commandLine();
};

void TestListAlarms::listsInSlotOrderAfterSort()
{
    Home home;
    QVERIFY(home.isValid());

    AlarmRecord daily = alarm(RuleDaily, 9, 0, u"two\r\nlines\tand a tab"_s);
    AlarmRecord pastOnce = alarm(RuleOnce, 7, 30, u"past"_s);
    pastOnce.OnceDate = date(2024, 3, 1);
    AlarmRecord damaged = alarm(RuleRecurs, 6, 0, u"no day"_s);
    damaged.RecursWhich = RecursEvery;
    damaged.RecursDay = 0;
    AlarmRecord monthly = alarm(RuleMonthly, 7, 45, u"rent"_s);
    monthly.Count = 15;
    AlarmRecord every = alarm(RuleEvery, 8, 0, u"stretch"_s);
    every.Count = 15;
    every.EveryUnit = EveryMinutes;
    every.EveryDays = EveryWeekdays;
    AlarmRecord yearAfter = alarm(RuleOnce, 0, 5, u"far"_s);
    yearAfter.OnceDate = date(312, 1, 2);
    // The empty slot 2 is not listed, and the sort does not close the gap.
    QVERIFY(
        home.putAlarms(recordsFile({daily, AlarmRecord(), pastOnce, damaged, monthly, every, yearAfter})));

    const Listing listing = list(home.paths());

    QCOMPARE(listing.exitCode, 0);
    QCOMPARE(listing.err, QString());
    const FormatSettings settings = us();
    const auto line = [&](int slot, const QString& when, const AlarmRecord& r) {
        return u"%1\t%2\t%3\n"_s.arg(slot).arg(when, describeAlarm(r, settings));
    };
    AlarmRecord dailyShown = daily;
    dailyShown.Target = u"two  lines and a tab"_s;
    const QString expected = line(1, u"0312-01-02T00:05"_s, yearAfter) + line(3, u"-"_s, damaged) +
                             line(4, u"2024-03-01T07:30"_s, pastOnce) +
                             line(5, u"2024-03-15T07:45"_s, monthly) + line(6, u"2024-03-05T08:45"_s, every) +
                             line(7, u"2024-03-05T09:00"_s, dailyShown);
    QCOMPARE(listing.out, expected);
}

void TestListAlarms::startupFlag_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<bool>("alarmAutoStart");
    QTest::addColumn<QString>("expected");

    const QByteArray on = "[Options]\r\nAuto Start=1\r\n";
    const QByteArray off = "[Options]\r\nAuto Start=0\r\n";
    // Daily at 7:00, listed at 8:30:20: a start now fires it in this minute.
    QTest::newRow("setting on, alarm on") << on << true << u"2024-03-05T08:30"_s;
    QTest::newRow("setting on, alarm off") << on << false << u"2024-03-06T07:00"_s;
    QTest::newRow("setting off, alarm on") << off << true << u"2024-03-06T07:00"_s;
    QTest::newRow("no settings file, alarm on") << QByteArray() << true << u"2024-03-06T07:00"_s;
}

void TestListAlarms::startupFlag()
{
    QFETCH(QByteArray, settings);
    QFETCH(bool, alarmAutoStart);
    QFETCH(QString, expected);
    Home home;
    QVERIFY(home.isValid());
    if (!settings.isEmpty())
        QVERIFY(home.putSettings(settings));
    AlarmRecord daily = alarm(RuleDaily, 7, 0, u"up"_s);
    daily.AutoStart = alarmAutoStart;
    QVERIFY(home.putAlarms(recordsFile({daily})));

    const Listing listing = list(home.paths());

    QCOMPARE(listing.exitCode, 0);
    QCOMPARE(listing.out.section(u'\t', 1, 1), expected);
}

void TestListAlarms::damagedFile_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("extraBytes");
    QTest::addColumn<int>("expectedLines");
    QTest::addColumn<int>("expectedExit");
    QTest::addColumn<QString>("problem"); // told on stderr

    QTest::newRow("partial record after 3") << 3 << 100 << 3 << 1 << u"part way"_s;
    QTest::newRow("partial record alone") << 0 << 383 << 0 << 1 << u"part way"_s;
    // The clock would drop the 10 past slot 50 at its next save: damage.
    QTest::newRow("60 whole records") << 60 << 0 << 50 << 1 << u"more than 50 alarms"_s;
    QTest::newRow("empty file") << 0 << 0 << 0 << 0 << QString();
}

void TestListAlarms::damagedFile()
{
    QFETCH(int, records);
    QFETCH(int, extraBytes);
    QFETCH(int, expectedLines);
    QFETCH(int, expectedExit);
    QFETCH(QString, problem);
    Home home;
    QVERIFY(home.isValid());
    std::vector<AlarmRecord> alarms;
    for (int n = 1; n <= records; ++n)
        alarms.push_back(alarm(RuleDaily, 10, n % 60, QString::number(n)));
    QVERIFY(home.putAlarms(recordsFile(alarms) + QByteArray(extraBytes, '\x01')));

    const Listing listing = list(home.paths());

    QCOMPARE(listing.exitCode, expectedExit);
    QCOMPARE(listing.out.count(u'\n'), expectedLines);
    for (int n = 1; n <= expectedLines; ++n)
        QVERIFY2(listing.out.contains(u"%1\t2024-03-05T10:%2\t"_s.arg(n).arg(n % 60, 2, 10, QChar(u'0'))),
                 qPrintable(listing.out));
    if (expectedExit == 0) {
        QCOMPARE(listing.err, QString());
    } else {
        QVERIFY2(listing.err.contains(QDir::toNativeSeparators(home.paths().alarmFile())),
                 qPrintable(listing.err));
        QVERIFY2(listing.err.contains(problem), qPrintable(listing.err));
    }
}

void TestListAlarms::writesNothing_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<int>("expectedExit");

    QTest::newRow("nothing at all") << Setup::Nothing << 0;
    QTest::newRow("empty folders") << Setup::FoldersOnly << 0;
    QTest::newRow("no alarm file") << Setup::SettingsOnly << 0;
    QTest::newRow("no settings file") << Setup::AlarmsOnly << 0;
    QTest::newRow("damaged alarm file") << Setup::DamagedAlarms << 1;
    QTest::newRow("folder in place of the alarm file") << Setup::FolderForAlarmFile << 1;
    QTest::newRow("both files") << Setup::Complete << 0;
}

void TestListAlarms::writesNothing()
{
    QFETCH(Setup, setup);
    QFETCH(int, expectedExit);
    Home home;
    QVERIFY(home.isValid());
    const QByteArray settings = "[Options]\nAuto Start=1\n";
    const QByteArray alarms = recordsFile({alarm(RuleDaily, 7, 0, u"up"_s)});
    switch (setup) {
    case Setup::Nothing:
        break;
    case Setup::FoldersOnly:
        QVERIFY(QDir().mkpath(home.paths().configDir()) && QDir().mkpath(home.paths().dataDir()));
        break;
    case Setup::SettingsOnly:
        QVERIFY(home.putSettings(settings));
        break;
    case Setup::AlarmsOnly:
        QVERIFY(home.putAlarms(alarms));
        break;
    case Setup::DamagedAlarms:
        QVERIFY(home.putSettings(settings) && home.putAlarms(alarms + "x"));
        break;
    case Setup::FolderForAlarmFile:
        QVERIFY(QDir().mkpath(home.paths().alarmFile()));
        break;
    case Setup::Complete:
        QVERIFY(home.putSettings(settings) && home.putAlarms(alarms));
        break;
    }
    const QStringList before = snapshot(home.root());

    const Listing listing = list(home.paths());

    QCOMPARE(listing.exitCode, expectedExit);
    QCOMPARE(listing.err.isEmpty(), expectedExit == 0);
    QCOMPARE(snapshot(home.root()), before);
}

void TestListAlarms::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<CommandLine::Action>("expected");

    QTest::newRow("list alarms") << QStringList{u"horavox"_s, u"--list-alarms"_s}
                                 << CommandLine::Action::ListAlarms;
    QTest::newRow("single dash is unknown")
        << QStringList{u"horavox"_s, u"-list-alarms"_s} << CommandLine::Action::Invalid;
    QTest::newRow("no options") << QStringList{u"horavox"_s} << CommandLine::Action::RunClock;
}

void TestListAlarms::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(CommandLine::Action, expected);
    QCOMPARE(CommandLine::parse(arguments).action, expected);
    QVERIFY(CommandLine::helpText().contains(u"--list-alarms"_s));
}

QTEST_APPLESS_MAIN(TestListAlarms)
#include "tst_ListAlarms.moc"
