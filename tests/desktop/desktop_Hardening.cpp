// SPDX-License-Identifier: GPL-3.0-or-later
// The whole program against what a desktop can do to it: here, a sound server
// that takes the connection and never answers. horavox is started as a user
// starts it, over a data folder and a runtime folder of its own, and watched
// through the X server.

#include "desktop/DesktopWindows.h"
#include "desktop/ProgramSandbox.h"
#include "desktop/RequireDesktop.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

using namespace hv::test;

namespace {

// ms: the bound for anything the program or the window manager does, generous
// for a loaded machine.
constexpr int kSettle = 10000;
// ms: "at once" for a window on screen (a hung lookup used to hold it 30 s).
constexpr int kWindowAtOnce = 2000;
// ms: a request answered while the sound lookup hangs: the bounded wait for the
// lookup, and room for a loaded machine.
constexpr int kAnsweredSoon = 5000;

// Two seconds before the clock's 8:00 announcement.
const QString kJustBeforeEight = QStringLiteral("2026-12-10T07:59:58");

// A unix socket that the kernel accepts connections on (into the listen
// backlog) while nothing ever reads or answers: a hung sound server.
class HungServer
{
public:
    explicit HungServer(const QString& path)
    {
        const QByteArray native = QFile::encodeName(path);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (std::size_t(native.size()) >= sizeof(address.sun_path))
            return;
        std::copy(native.begin(), native.end(), address.sun_path);
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
            ::listen(m_fd, 64) != 0) {
            close();
        }
    }
    ~HungServer() { close(); }
    HungServer(const HungServer&) = delete;
    HungServer& operator=(const HungServer&) = delete;

    bool isListening() const { return m_fd >= 0; }

private:
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    int m_fd = -1;
};

class Sandbox : public hv::test::ProgramSandbox
{
public:
    Sandbox()
        : ProgramSandbox(QStringLiteral(HORAVOX_BINARY))
    {}
};

using hv::test::runTool;
using hv::test::waitUntilEnded;

// The process's shown windows other than `main` and its tray icon `tray`: its
// message boxes. (Their titles are no guide: the title-bar clock decorates them.)
QStringList messageBoxesOf(qint64 pid, xcb_window_t main, xcb_window_t tray)
{
    QStringList boxes =
        runTool(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                            QStringLiteral("--pid"), QString::number(pid)})
            .split(u'\n', Qt::SkipEmptyParts);
    boxes.removeAll(QString::number(main));
    boxes.removeAll(QString::number(tray));
    return boxes;
}

// Presses `key` in the one message box of the process, which must come. The
// key goes to the focus, so the box must have it first.
void answerMessageBox(qint64 pid, xcb_window_t main, xcb_window_t tray, const QString& key)
{
    QTRY_COMPARE_WITH_TIMEOUT(messageBoxesOf(pid, main, tray).size(), 1, kSettle);
    const QString box = messageBoxesOf(pid, main, tray).constFirst();
    QTRY_COMPARE_WITH_TIMEOUT(
        (runTool(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), box}),
         runTool(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")}).trimmed()),
        box, kSettle);
    runTool(QStringLiteral("xdotool"), {QStringLiteral("key"), key});
    QTRY_VERIFY_WITH_TIMEOUT(messageBoxesOf(pid, main, tray).isEmpty(), kSettle);
}

} // namespace

class TestHardening : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void hungSoundServer();
    void failedSaveAsksAndYesQuits();

private:
    DesktopWindows m_desktop;
};

void TestHardening::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !m_desktop.isOpen() ||
        qEnvironmentVariableIsEmpty("HORAVOX_TEST_MONITOR"))
        HV_DESKTOP_MISSING("needs the test desktop: run through scripts/with-desktop");
    QVERIFY2(QFileInfo(QStringLiteral(HORAVOX_BINARY)).isExecutable(), HORAVOX_BINARY);
}

// The clock never waits on the sound system: its window comes at once, the
// announcement at 8:00 is skipped, and every request is still answered.
void TestHardening::hungSoundServer()
{
    Sandbox box;
    const HungServer server(box.file(QStringLiteral("hung-pulse")));
    QVERIFY(server.isListening());
    const QString hung = QStringLiteral("unix:") + box.file(QStringLiteral("hung-pulse"));
    QVERIFY(box.writeSettings("[Options]\nStartupReminder=1\n"));

    QElapsedTimer started;
    started.start();
    QProcess* clock = box.start({}, kJustBeforeEight, hung);
    QVERIFY(clock);
    xcb_window_t window = 0;
    QTRY_VERIFY_WITH_TIMEOUT((window = m_desktop.managedWindowOf(clock->processId())) != 0 &&
                                 m_desktop.isViewable(window),
                             kSettle);
    const qint64 shownMs = started.elapsed();
    qInfo("the window was on screen %lld ms after the start", shownMs);
    QVERIFY2(shownMs < kWindowAtOnce, qPrintable(QStringLiteral("the window took %1 ms").arg(shownMs)));

    // Past 8:00, where the clock tried to speak and met the hung server.
    QTest::qWait(3000);
    QCOMPARE(clock->state(), QProcess::Running);

    // The clock still serves its socket: a second start hands over and ends,
    // and so does --say-time, which asks the running clock to speak.
    for (const QStringList& arguments : {QStringList(), QStringList{QStringLiteral("--say-time")}}) {
        QElapsedTimer asked;
        asked.start();
        QProcess* again = box.start(arguments, kJustBeforeEight, hung);
        QVERIFY(again);
        QVERIFY2(waitUntilEnded(again, kSettle), qPrintable(arguments.join(u' ') + QStringLiteral(" hung")));
        qInfo("'horavox %s' ended after %lld ms", qPrintable(arguments.join(u' ')), asked.elapsed());
        QCOMPARE(again->exitCode(), 0);
        QVERIFY(asked.elapsed() < kAnsweredSoon);
    }
    QTest::qWait(500);
    QCOMPARE(clock->state(), QProcess::Running);
    QVERIFY(m_desktop.isViewable(window));

    // Its event loop runs: a close is handled at once (a clock stuck in the
    // sound server would take until the server's 30 s time-out), and the
    // process ends without waiting for the lookup that still hangs.
    QElapsedTimer closing;
    closing.start();
    m_desktop.requestClose(window);
    QVERIFY(waitUntilEnded(clock, kSettle));
    qInfo("the clock ended %lld ms after it was asked to close", closing.elapsed());
    QVERIFY(closing.elapsed() < kAnsweredSoon);
    QCOMPARE(clock->exitCode(), 0);

    // Without a clock to hand over to, --say-time gives up within the
    // lookup's bound and says why.
    QElapsedTimer alone;
    alone.start();
    QProcess* say = box.start({QStringLiteral("--say-time")}, kJustBeforeEight, hung);
    QVERIFY(say);
    QVERIFY2(waitUntilEnded(say, kSettle), "--say-time hung");
    qInfo("'horavox --say-time' alone ended after %lld ms", alone.elapsed());
    QVERIFY(alone.elapsed() < kAnsweredSoon);
    QCOMPARE(say->exitCode(), 1);
    const QString errors = QString::fromLocal8Bit(say->readAllStandardError());
    QVERIFY2(errors.contains(QLatin1String("horavox: cannot speak the time")), qPrintable(errors));
}

// Every write of the alarm file fails: its place is taken by a folder, which
// refuses a write even to root (a read-only folder would not). Close tells why
// and asks; No keeps the clock, Yes quits and leaves the folder as it was.
void TestHardening::failedSaveAsksAndYesQuits()
{
    Sandbox box;
    QVERIFY(QDir(box.file(QStringLiteral("alarms32.rec"))).mkpath(QStringLiteral("inside")));
    QVERIFY(box.writeSettings("[Options]\nStartupReminder=1\n"));
    QProcess* clock =
        box.start({}, QStringLiteral("2026-12-10T07:58:00"), qEnvironmentVariable("PULSE_SERVER"));
    QVERIFY(clock);
    const qint64 pid = clock->processId();
    xcb_window_t window = 0;
    QTRY_VERIFY_WITH_TIMEOUT((window = m_desktop.mainWindowOf(pid)) != 0 && m_desktop.isViewable(window),
                             kSettle);
    xcb_window_t tray = 0;
    QTRY_VERIFY_WITH_TIMEOUT((tray = m_desktop.trayIconOf(pid)) != 0, kSettle);
    // The load said once that the alarm file could not be read.
    answerMessageBox(pid, window, tray, QStringLiteral("Return"));

    m_desktop.requestClose(window);
    answerMessageBox(pid, window, tray, QStringLiteral("n"));
    QTest::qWait(500);
    QCOMPARE(clock->state(), QProcess::Running);
    QVERIFY(m_desktop.isViewable(window));

    m_desktop.requestClose(window);
    answerMessageBox(pid, window, tray, QStringLiteral("y"));
    QVERIFY2(waitUntilEnded(clock, kSettle), "Yes did not quit");
    QCOMPARE(clock->exitStatus(), QProcess::NormalExit);
    QCOMPARE(clock->exitCode(), 0);
    QVERIFY(QFileInfo::exists(box.file(QStringLiteral("alarms32.rec/inside"))));
}

QTEST_MAIN(TestHardening)
#include "desktop_Hardening.moc"
