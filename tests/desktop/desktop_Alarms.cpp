// SPDX-License-Identifier: GPL-3.0-or-later
// Alarms firing in the whole program on a real desktop: a Program alarm
// starts a window and closes it at its stop moment; a message alarm shows its
// window and comes back after a snooze. The program runs at a fixed time of
// day (HORAVOX_TIME), a few seconds before its alarms.
#include "alarms/AlarmFile.h"
#include "alarms/AlarmTable.h"
#include "desktop/DesktopWindows.h"
#include "desktop/ProgramSandbox.h"
#include "desktop/RequireDesktop.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace hv;

namespace {

// Minutes and seconds of waiting, in ms: the alarms fire at whole minutes of
// the program's clock, so a test waits through one real minute.
constexpr int kFewSeconds = 20'000;
constexpr int kOverAMinute = 100'000;

using hv::test::runTool;

QStringList windowsNamed(const QString& title)
{
    return runTool(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                               QStringLiteral("--name"), QStringLiteral("^%1$").arg(title)})
        .split(u'\n', Qt::SkipEmptyParts);
}

QString fileText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

AlarmRecord dailyAt(std::int32_t kind, const QString& target, int minute)
{
    AlarmRecord alarm;
    alarm.Rule = RuleDaily;
    alarm.Active = true;
    alarm.AlarmKind = kind;
    alarm.Target = target;
    alarm.StartTime = *tryEncodeTime(7, minute);
    return alarm;
}

} // namespace

class TestAlarms : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void programAndMessageAlarms()
    {
        hv::test::DesktopWindows desktop;
        if (qEnvironmentVariableIsEmpty("DISPLAY") || !desktop.isOpen())
            HV_DESKTOP_MISSING("needs the test desktop");
        QTemporaryDir home;
        // A Target holds 100 characters: the program and its record go by
        // short names in the clock's working folder.
        QVERIFY(QFile::link(QStringLiteral(HV_TESTWINDOW), home.filePath(QStringLiteral("tw"))));
        const QString record = home.filePath(QStringLiteral("tw.log"));

        AlarmTable table;
        AlarmRecord program = dailyAt(KindProgram, QStringLiteral("./tw 'Alarm test window' tw.log"), 6);
        program.StopEnabled = true;
        program.StopTime = *tryEncodeTime(7, 7);
        table.slot(1) = program;
        table.slot(2) = dailyAt(KindMessage, QStringLiteral("Time to stretch"), 6);
        saveAlarmFile(home.filePath(QStringLiteral("alarms32.rec")), table);
        QFile ini(home.filePath(QStringLiteral("horavox.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        // The title-bar clock would add the time to the windows' titles.
        ini.write("[Options]\nStartupReminder=1\nSnoozeTime=1\nTitle Bar Clock=0\n");
        ini.close();

        QProcess clock;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HORAVOX_HOME"), home.path());
        env.insert(QStringLiteral("HORAVOX_TIME"), QStringLiteral("2026-12-10T07:05:56"));
        clock.setProcessEnvironment(env);
        clock.setWorkingDirectory(home.path());
        clock.start(QStringLiteral(HORAVOX_BINARY), {});
        QVERIFY(clock.waitForStarted());

        // 7:06: the program starts and the message window shows.
        QTRY_VERIFY_WITH_TIMEOUT(!windowsNamed(QStringLiteral("Alarm test window")).isEmpty(), kFewSeconds);
        QTRY_COMPARE_WITH_TIMEOUT(windowsNamed(QStringLiteral("Message Alarm!")).size(), 1, kFewSeconds);
        runTool(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                           QStringLiteral(HV_TEST_OUTPUT_DIR "/alarm-desktop.png")});

        // Snooze is the default button: Enter snoozes for SnoozeTime, 1 minute.
        const auto message =
            static_cast<xcb_window_t>(windowsNamed(QStringLiteral("Message Alarm!")).constFirst().toUInt());
        desktop.activate(message);
        QTRY_COMPARE_WITH_TIMEOUT(desktop.activeWindow(), message, kFewSeconds);
        runTool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Return")});
        QTRY_VERIFY_WITH_TIMEOUT(windowsNamed(QStringLiteral("Message Alarm!")).isEmpty(), kFewSeconds);

        // 7:07: the program's window gets its close request, and the snoozed
        // message comes back.
        QTRY_VERIFY_WITH_TIMEOUT(fileText(record).contains(QStringLiteral("exited")), kOverAMinute);
        QTRY_COMPARE_WITH_TIMEOUT(windowsNamed(QStringLiteral("Message Alarm!")).size(), 1, kFewSeconds);

        clock.terminate();
        if (!clock.waitForFinished(5000))
            clock.kill();
    }
};

QTEST_GUILESS_MAIN(TestAlarms)
#include "desktop_Alarms.moc"
