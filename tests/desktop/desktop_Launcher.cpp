// SPDX-License-Identifier: GPL-3.0-or-later
// The program launcher on a real desktop (Xvfb + openbox): programs started
// without a shell, their windows found and closed as the window manager's
// close button would; the companion launcher Pagedeck; and the message alarm
// window as the desktop shows it. The started program is hv-testwindow, which
// records its arguments and its end in a file.

#include "alarms/MessageAlarmWindow.h"
#include "desktop/DesktopWindows.h"
#include "platform/PlatformServices.h"
#include "platform/ProcessLauncher.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/FakeSoundOut.h"
#include "platform/x11/X11ProcessLauncher.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <csignal>
#include <memory>
#include <optional>
#include <xcb/xcb.h>

using namespace hv;

namespace {

const QString kTestWindow = QStringLiteral(HV_TESTWINDOW);
const QString kOutputDir = QStringLiteral(HV_TEST_OUTPUT_DIR);

// Generous bounds in ms for a loaded machine: the launcher's own wait plus
// slack, and what "promptly" means for a start that fails.
constexpr int kFindBound = ProcessLauncher::kWindowWait + 5000;
constexpr int kPrompt = 1000;
constexpr int kSettle = 5000;

// Whether a process runs: it exists and is no zombie waiting to be reaped.
bool running(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.read(4096);
    const qsizetype nameEnd = text.lastIndexOf(')');
    return nameEnd >= 0 && text.mid(nameEnd + 2, 1) != "Z";
}

QStringList lines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

// The arguments hv-testwindow recorded; empty until it has.
QStringList recordedArguments(const QString& record)
{
    const QStringList all = lines(record);
    if (all.isEmpty())
        return {};
    QStringList arguments;
    for (const QJsonValue& v : QJsonDocument::fromJson(all.first().toUtf8()).array())
        arguments.append(v.toString());
    return arguments;
}

// A word as a POSIX shell reads it back: in single quotes.
QString quoted(const QString& word)
{
    return u'\'' + QString(word).replace(QStringLiteral("'"), QStringLiteral("'\\''")) + u'\'';
}

// What a start reports, once it has.
struct Found
{
    std::optional<WindowId> window;
    QElapsedTimer since;

    ProcessLauncher::WindowFound callback()
    {
        since.start();
        return [this](WindowId w) {
            window = w;
            elapsed = since.elapsed();
        };
    }
    qint64 elapsed = -1;
};

} // namespace

class TestLauncher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void findsTheStartedProgramsWindowAndClosesIt();
    void argumentsArriveIntact_data();
    void argumentsArriveIntact();
    void minimizedStartIconifies();
    void failedStartReportsNoWindowPromptly_data();
    void failedStartReportsNoWindowPromptly();
    void newActiveWindowWithoutProcessCounts();
    void otherProgramsWindowIsNotTakenAndTheWaitEnds();
    void closeLeavesGoneAndReusedWindowsAlone();
    void startsPagedeck_data();
    void startsPagedeck();
    void pagedeckMissingIsLoggedOnly_data();
    void pagedeckMissingIsLoggedOnly();
    void messageWindowOnTheDesktop();

private:
    // Starts hv-testwindow through the launcher; the command line gets the
    // program, the title and the record file in front of `moreArguments`.
    qint64 startTestWindow(const QString& title, const QString& moreArguments, bool minimized, Found& found);
    void closeAndVerifyExit(WindowId window, qint64 pid);

    std::unique_ptr<ProcessLauncher> m_launcher;
    hv::test::DesktopWindows m_display;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_record;
    QList<qint64> m_started; // killed in cleanup() if still running
};

void TestLauncher::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QVERIFY(m_display.isOpen());
    QVERIFY(QFileInfo(kTestWindow).isExecutable());
    QVERIFY(QDir().mkpath(kOutputDir));
}

void TestLauncher::init()
{
    m_launcher = createProcessLauncher(QGuiApplication::platformName());
    QVERIFY(dynamic_cast<X11ProcessLauncher*>(m_launcher.get()));
    m_dir = std::make_unique<QTemporaryDir>();
    m_record = m_dir->filePath(QStringLiteral("record"));
}

void TestLauncher::cleanup()
{
    for (const qint64 pid : std::as_const(m_started)) {
        if (running(pid))
            ::kill(static_cast<pid_t>(pid), SIGKILL);
    }
    m_started.clear();
    m_launcher.reset();
    m_dir.reset();
}

qint64 TestLauncher::startTestWindow(const QString& title, const QString& moreArguments, bool minimized,
                                     Found& found)
{
    const QString line =
        quoted(kTestWindow) + u' ' + quoted(title) + u' ' + quoted(m_record) + u' ' + moreArguments;
    const qint64 pid = m_launcher->start(line, minimized, found.callback());
    if (pid != 0)
        m_started.append(pid);
    return pid;
}

void TestLauncher::closeAndVerifyExit(WindowId window, qint64 pid)
{
    m_launcher->closeWindow(window);
    QTRY_VERIFY_WITH_TIMEOUT(lines(m_record).endsWith(QStringLiteral("exited")), kSettle);
    QTRY_VERIFY_WITH_TIMEOUT(!running(pid), kSettle);
}

void TestLauncher::findsTheStartedProgramsWindowAndClosesIt()
{
    Found found;
    const qint64 pid = startTestWindow(QStringLiteral("Launched by the clock"), {}, false, found);
    QVERIFY(pid > 0);
    QVERIFY(!found.window); // never from inside start()

    QTRY_VERIFY_WITH_TIMEOUT(found.window.has_value(), kFindBound);
    const WindowId window = *found.window;
    QVERIFY(window != 0);
    QVERIFY2(found.elapsed < ProcessLauncher::kWindowWait, qPrintable(QString::number(found.elapsed)));
    qInfo("window found %lld ms after the start", found.elapsed);
    QCOMPARE(m_display.value(window, "_NET_WM_PID"), static_cast<std::uint32_t>(pid));
    QVERIFY(m_display.values(m_display.activeWindow(), "_NET_CLIENT_LIST").has_value());

    closeAndVerifyExit(window, pid);
}

void TestLauncher::argumentsArriveIntact_data()
{
    QTest::addColumn<QString>("arguments"); // as typed in an alarm's Target
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("double-quoted argument with blanks")
        << QStringLiteral("\"My Documents/report 2.txt\" next")
        << QStringList{QStringLiteral("My Documents/report 2.txt"), QStringLiteral("next")};
    QTest::newRow("no shell: variables, globs, pipes stay text")
        << QStringLiteral("$HOME * ~ 'a|b' ; > out $(id)")
        << QStringList{QStringLiteral("$HOME"), QStringLiteral("*"),    QStringLiteral("~"),
                       QStringLiteral("a|b"),   QStringLiteral(";"),    QStringLiteral(">"),
                       QStringLiteral("out"),   QStringLiteral("$(id)")};
    QTest::newRow("escapes, empty argument, non-ASCII")
        << QStringLiteral("a\\ b '' \"it's\" Grüße")
        << QStringList{QStringLiteral("a b"), QString(), QStringLiteral("it's"), QStringLiteral("Grüße")};
}

void TestLauncher::argumentsArriveIntact()
{
    QFETCH(QString, arguments);
    QFETCH(QStringList, expected);

    Found found;
    const qint64 pid = startTestWindow(QStringLiteral("Arguments"), arguments, false, found);
    QVERIFY(pid > 0);
    QTRY_VERIFY_WITH_TIMEOUT(found.window.has_value(), kFindBound);
    QVERIFY(*found.window != 0);
    QCOMPARE(recordedArguments(m_record), QStringList({QStringLiteral("Arguments"), m_record}) + expected);

    closeAndVerifyExit(*found.window, pid);
}

void TestLauncher::minimizedStartIconifies()
{
    Found found;
    const qint64 pid = startTestWindow(QStringLiteral("Minimized"), {}, true, found);
    QVERIFY(pid > 0);
    QTRY_VERIFY_WITH_TIMEOUT(found.window.has_value(), kFindBound);
    const WindowId window = *found.window;
    QVERIFY(window != 0);

    // ICCCM WM_STATE: 3 is Iconic; and openbox says so in _NET_WM_STATE too.
    constexpr std::uint32_t kIconic = 3;
    QTRY_COMPARE_WITH_TIMEOUT(m_display.value(window, "WM_STATE"), kIconic, kSettle);
    QVERIFY(m_display.values(window, "_NET_WM_STATE")
                .value_or(QList<quint32>())
                .contains(m_display.atom("_NET_WM_STATE_HIDDEN")));

    closeAndVerifyExit(window, pid);
}

void TestLauncher::failedStartReportsNoWindowPromptly_data()
{
    QTest::addColumn<QString>("commandLine");

    QTest::newRow("no such program") << QStringLiteral("/nonexistent/hv-no-such-program --flag");
    QTest::newRow("no such program on the PATH") << QStringLiteral("hv-no-such-program-on-path");
    QTest::newRow("a directory") << QStringLiteral("/tmp");
    QTest::newRow("unbalanced quote") << QStringLiteral("'") + kTestWindow + QStringLiteral(" title");
    QTest::newRow("empty") << QString();
}

void TestLauncher::failedStartReportsNoWindowPromptly()
{
    QFETCH(QString, commandLine);

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^cannot start")));
    Found found;
    QCOMPARE(m_launcher->start(commandLine, false, found.callback()), qint64{0});
    QVERIFY(!found.window);
    QTRY_VERIFY_WITH_TIMEOUT(found.window.has_value(), kPrompt);
    QCOMPARE(*found.window, WindowId{0});
}

void TestLauncher::newActiveWindowWithoutProcessCounts()
{
    // A program that shows no window of its own; a window that names no
    // process appears after the start and gets the focus.
    Found found;
    const qint64 pid = m_launcher->start(QStringLiteral("sleep 30"), false, found.callback());
    QVERIFY(pid > 0);
    m_started.append(pid);
    // What is tried is that nothing is found: three looks of the launcher's, while
    // no window appears.
    QTest::qWait(3 * X11ProcessLauncher::kPollInterval);
    QVERIFY(!found.window);

    const xcb_window_t bare = m_display.createMappedWindow("No process named");
    QTRY_COMPARE_WITH_TIMEOUT(WindowId{m_display.activeWindow()}, WindowId{bare}, kSettle);
    QTRY_VERIFY_WITH_TIMEOUT(found.window.has_value(), kSettle);
    QCOMPARE(*found.window, WindowId{bare});
    m_display.destroyWindow(bare);
}

void TestLauncher::otherProgramsWindowIsNotTakenAndTheWaitEnds()
{
    Found found;
    const qint64 pid = m_launcher->start(QStringLiteral("sleep 30"), false, found.callback());
    QVERIFY(pid > 0);
    m_started.append(pid);

    // The test's own window names this process, not the started one.
    QWidget other;
    other.setWindowTitle(QStringLiteral("Someone else's"));
    other.resize(200, 80);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    QTRY_COMPARE_WITH_TIMEOUT(WindowId{m_display.activeWindow()}, WindowId{other.winId()}, kSettle);

    QTRY_VERIFY_WITH_TIMEOUT(found.window.has_value(), kFindBound);
    QCOMPARE(*found.window, WindowId{0});
    QVERIFY2(found.elapsed >= ProcessLauncher::kWindowWait, qPrintable(QString::number(found.elapsed)));
    qInfo("no window: reported %lld ms after the start", found.elapsed);
}

void TestLauncher::closeLeavesGoneAndReusedWindowsAlone()
{
    // Gone windows: nothing happens, and nothing is printed.
    const xcb_window_t bare = m_display.createMappedWindow("Short-lived");
    m_display.destroyWindow(bare);
    m_launcher->closeWindow(bare);
    m_launcher->closeWindow(0);
    m_launcher->closeWindow(WindowId{1} << 40);

    Found found;
    const qint64 pid = startTestWindow(QStringLiteral("Reused id"), {}, false, found);
    QVERIFY(pid > 0);
    QTRY_VERIFY_WITH_TIMEOUT(found.window.has_value(), kFindBound);
    const WindowId window = *found.window;
    QVERIFY(window != 0);

    // The id now names a window of another process, as after X reused it.
    m_display.setValue(window, "_NET_WM_PID", XCB_ATOM_CARDINAL, static_cast<std::uint32_t>(pid + 1));
    QTest::ignoreMessage(QtInfoMsg, QRegularExpression(QStringLiteral("belongs to another program")));
    m_launcher->closeWindow(window);
    // What is tried is that nothing happens: a close sent anyway would have
    // ended the program within this second.
    QTest::qWait(1000);
    QVERIFY(running(pid));

    m_display.setValue(window, "_NET_WM_PID", XCB_ATOM_CARDINAL, static_cast<std::uint32_t>(pid));
    closeAndVerifyExit(window, pid);
}

void TestLauncher::startsPagedeck_data()
{
    QTest::addColumn<QStringList>("files"); // made executable, each recording its name
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("launch");
    QTest::addColumn<QStringList>("expected"); // the file that ran, then its arguments

    QTest::newRow("any case, launch")
        << QStringList{QStringLiteral("PaGeDeCk.exe")} << QStringLiteral("Morning") << true
        << QStringList{QStringLiteral("PaGeDeCk.exe"), QStringLiteral("-Morning"), QStringLiteral("-LAUNCH")};
    QTest::newRow("close") << QStringList{QStringLiteral("PAGEDECK.EXE")} << QStringLiteral("Morning")
                           << false
                           << QStringList{QStringLiteral("PAGEDECK.EXE"), QStringLiteral("-Morning"),
                                          QStringLiteral("-CLOSE")};
    QTest::newRow("the exact name first")
        << QStringList{QStringLiteral("Pagedeck.exe"), QStringLiteral("PAGEDECK.EXE")}
        << QStringLiteral("Work") << true
        << QStringList{QStringLiteral("PAGEDECK.EXE"), QStringLiteral("-Work"), QStringLiteral("-LAUNCH")};
    QTest::newRow("a page with blanks and quotes is one argument")
        << QStringList{QStringLiteral("pagedeck.exe")} << QStringLiteral("Good 'Morning' $HOME") << true
        << QStringList{QStringLiteral("pagedeck.exe"), QStringLiteral("-Good 'Morning' $HOME"),
                       QStringLiteral("-LAUNCH")};
}

void TestLauncher::startsPagedeck()
{
    QFETCH(QStringList, files);
    QFETCH(QString, page);
    QFETCH(bool, launch);
    QFETCH(QStringList, expected);

    const QString folder = m_dir->filePath(QStringLiteral("Pagedeck folder"));
    QVERIFY(QDir().mkpath(folder));
    for (const QString& name : files) {
        // Writes its name, its arguments and its startup id, then renames the
        // file into place, so that the test never reads half of it.
        QFile script(QDir(folder).filePath(name));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n{ printf '%s\\n' " + quoted(name).toUtf8() +
                     " \"$@\"; printf 'id=%s\\n' \"$DESKTOP_STARTUP_ID\"; } > " +
                     quoted(m_record + u'~').toUtf8() + " && mv " + quoted(m_record + u'~').toUtf8() + ' ' +
                     quoted(m_record).toUtf8() + '\n');
        script.close();
        QVERIFY(script.setPermissions(script.permissions() | QFile::ExeOwner));
    }

    QVERIFY(m_launcher->runPagedeck(folder, page, launch));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_record), kSettle);
    QStringList recorded = lines(m_record);
    QVERIFY(!recorded.isEmpty());
    const QString startupId = recorded.takeLast();
    QCOMPARE(recorded, expected);
    // A startup id whose user time 0 asks the window manager not to focus it.
    QVERIFY2(startupId.startsWith(QStringLiteral("id=")) && startupId.endsWith(QStringLiteral("_TIME0")),
             qPrintable(startupId));
}

void TestLauncher::pagedeckMissingIsLoggedOnly_data()
{
    QTest::addColumn<QString>("folder"); // %1: the test's temporary folder

    QTest::newRow("folder not set") << QString();
    QTest::newRow("folder missing") << QStringLiteral("%1/no such folder");
    QTest::newRow("no launcher in the folder") << QStringLiteral("%1");
    QTest::newRow("only a folder of that name") << QStringLiteral("%1/dir");
}

void TestLauncher::pagedeckMissingIsLoggedOnly()
{
    QFETCH(QString, folder);
    folder.replace(QStringLiteral("%1"), m_dir->path());
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("dir/PAGEDECK.EXE"))));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^no launcher PAGEDECK.EXE")));
    QVERIFY(!m_launcher->runPagedeck(folder, QStringLiteral("Morning"), true));
    QVERIFY(QApplication::topLevelWidgets().isEmpty()); // nothing shown to the user
}

void TestLauncher::messageWindowOnTheDesktop()
{
    AlarmTable alarms;
    AlarmRecord& r = alarms.slot(1);
    r.Rule = RuleOnce;
    r.Target = QStringLiteral("Time for the ten o'clock meeting in room 4");
    FakeSoundOut sound;
    FakeClock clock(*tryEncodeDate(2026, 3, 9) + *tryEncodeTime(10, 0));
    int snoozeTime = 10;
    const MessageAlarmContext context{alarms, sound, clock, snoozeTime, m_dir->path(), {}};
    const QPointer<MessageAlarmWindow> window =
        new MessageAlarmWindow(context, alarms.idOf(1), r.Target.text(), QStringLiteral("NONE"));
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.data()));

    // Above other windows, with the window manager's frame, in the middle of the screen.
    const WindowId id = window->winId();
    QTRY_VERIFY_WITH_TIMEOUT(m_display.values(id, "_NET_WM_STATE")
                                 .value_or(QList<quint32>())
                                 .contains(m_display.atom("_NET_WM_STATE_ABOVE")),
                             kSettle);
    // openbox frames the window, then places it: wait until its frame is on
    // screen and centred.
    const auto offCentre = [&] {
        return window->frameGeometry().center() - window->screen()->availableGeometry().center();
    };
    QTRY_VERIFY2_WITH_TIMEOUT(
        window->frameGeometry() != window->geometry() &&
            m_display.isViewable(m_display.parentOf(static_cast<xcb_window_t>(id))) &&
            offCentre().manhattanLength() <= 16,
        qPrintable(QStringLiteral("%1,%2 off centre").arg(offCentre().x()).arg(offCentre().y())), kSettle);
    const QRect frame = window->frameGeometry();
    const QPixmap shot = window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    const QString path = QDir(kOutputDir).filePath(QStringLiteral("MessageAlarmWindow.png"));
    QVERIFY(shot.save(path));
    qInfo("screenshot: %s", qPrintable(path));

    window->close();
    QTRY_VERIFY_WITH_TIMEOUT(window.isNull(), kSettle);
}

QTEST_MAIN(TestLauncher)
#include "desktop_Launcher.moc"
