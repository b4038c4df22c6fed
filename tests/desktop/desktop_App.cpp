// SPDX-License-Identifier: GPL-3.0-or-later
// The whole program on the test desktop: horavox started the way a user starts
// it, each time over a data folder and a runtime folder of its own, and watched
// from outside: its windows through the X server, its voice through the null
// sink's monitor, its files on disk.

#include "desktop/AudioCapture.h"
#include "desktop/DesktopWindows.h"
#include "desktop/ProgramSandbox.h"
#include "desktop/RequireDesktop.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLockFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>
#include <optional>
#include <span>
#include <vector>

using namespace hv::test;

namespace {

// ms: the bound for anything the program, the window manager or the sound
// server does, generous for a loaded machine.
constexpr int kSettle = 10000;
// ms: an announcement of a few words, with room to spare.
constexpr int kAnnouncement = 20000;
// Sample units (RMS of 10 ms): above this is sound. The null sink's silence is
// exact zeros, and the quietest part of a word is well above this.
constexpr double kSilence = 100;
// The clock speaks every five minutes by default: from this time on, it says
// nothing by itself for two minutes.
const QString kQuietMorning = QStringLiteral("2026-12-10T07:58:00");

const QByteArray kNoReminder = "[Options]\nStartupReminder=1\n";
const QByteArray kStartHidden = "[Main]\nMinimized=1\n";

// The value of key in section of an INI text, both matched regardless of case
// as the program reads them; empty when missing.
std::optional<QString> iniValue(const QString& text, QStringView section, QStringView key)
{
    bool inSection = false;
    for (const QString& raw : text.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[')) {
            inSection = line.mid(1, line.size() - 2).compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (inSection && equals > 0 && line.left(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return line.mid(equals + 1);
    }
    return std::nullopt;
}

bool xdotool(const QStringList& arguments, QByteArray* output = nullptr)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    const bool done = process.waitForFinished(kSettle) && process.exitStatus() == QProcess::NormalExit &&
                      process.exitCode() == 0;
    if (output)
        *output = process.readAllStandardOutput().trimmed();
    return done;
}

// The window's title as a taskbar shows it; empty when it cannot be read.
QString titleOf(xcb_window_t window)
{
    QByteArray name;
    return xdotool({QStringLiteral("getwindowname"), QString::number(window)}, &name)
               ? QString::fromUtf8(name)
               : QString();
}

// The top-left corner of the window's frame, as the window manager placed it.
std::optional<QPoint> frameCorner(xcb_window_t window)
{
    QByteArray shell;
    if (!xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), QString::number(window)},
                 &shell))
        return std::nullopt;
    QPoint corner;
    for (const QByteArray& line : shell.split('\n')) {
        if (line.startsWith("X="))
            corner.setX(line.mid(2).toInt());
        else if (line.startsWith("Y="))
            corner.setY(line.mid(2).toInt());
    }
    return corner;
}

// The samples of a recording from frame `from` on.
std::span<const qint16> from(const std::vector<qint16>& samples, qint64 frame)
{
    return std::span<const qint16>(samples).subspan(std::min(samples.size(), std::size_t(frame)));
}

// A sandbox that can also start the test window program, showing one window
// titled `title`.
class Sandbox : public hv::test::ProgramSandbox
{
public:
    Sandbox()
        : ProgramSandbox(QStringLiteral(HORAVOX_BINARY))
    {}
    QProcess* startTestWindow(const QString& title)
    {
        return startOther(QStringLiteral(HV_TESTWINDOW), {title, file(QStringLiteral("testwindow.record"))});
    }
};

bool endedCleanly(QProcess* process, int timeoutMs = kSettle)
{
    return waitUntilEnded(process, timeoutMs) && process->exitStatus() == QProcess::NormalExit;
}

} // namespace

class TestApp : public QObject
{
    Q_OBJECT

public:
    enum class Request
    {
        HotKey,
        SayTime
    };
    enum class Return
    {
        TrayIconClicked,
        StartedAgain
    };
    Q_ENUM(Request)
    Q_ENUM(Return)

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void twoStartsAtOnceLeaveOneClock();
    void hiddenClockComesBack_data();
    void hiddenClockComesBack();
    void closingSavesTheSettingsAndAlarms();
    void sayTimeWithoutAClockSpeaks();
    void runningClockSpeaksOnRequest_data();
    void runningClockSpeaksOnRequest();
    void sayTimeWithoutSoundServerFails();
    void terminationEndsAsExitDoes();
    void emptyLockFileLetsTheClockStart();
    void clockThatDoesNotAnswerIsReported();

private:
    // The clock's main window once it is on screen; 0 (and a failure) if it
    // does not come.
    xcb_window_t waitUntilShown(QProcess* clock);

    DesktopWindows m_desktop;
    std::unique_ptr<Sandbox> m_box;
};

void TestApp::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !m_desktop.isOpen() ||
        qEnvironmentVariableIsEmpty("HORAVOX_TEST_MONITOR"))
        HV_DESKTOP_MISSING("needs the test desktop: run through scripts/with-desktop");
    for (const char* tool : {"xdotool", "parecord"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            HV_DESKTOP_MISSING(qPrintable(QStringLiteral("needs %1").arg(QString::fromLatin1(tool))));
    }
    QVERIFY2(QFileInfo(QStringLiteral(HORAVOX_BINARY)).isExecutable(), HORAVOX_BINARY);
}

void TestApp::init()
{
    m_box = std::make_unique<Sandbox>();
    m_desktop.watchUnmaps();
}

void TestApp::cleanup()
{
    m_box.reset();
}

xcb_window_t TestApp::waitUntilShown(QProcess* clock)
{
    xcb_window_t window = 0;
    [&] {
        QVERIFY(clock);
        QTRY_VERIFY_WITH_TIMEOUT((window = m_desktop.managedWindowOf(clock->processId())) != 0 &&
                                     m_desktop.isViewable(window),
                                 kSettle);
    }();
    return QTest::currentTestFailed() ? 0 : window;
}

void TestApp::twoStartsAtOnceLeaveOneClock()
{
    QVERIFY(m_box->writeSettings(kNoReminder));
    QProcess* first = m_box->start();
    QProcess* second = m_box->start();
    QVERIFY(first && second);

    // Which of the two gives way is up to the scheduler.
    QTRY_VERIFY_WITH_TIMEOUT(
        first->state() == QProcess::NotRunning || second->state() == QProcess::NotRunning, kSettle);
    QProcess* ended = first->state() == QProcess::NotRunning ? first : second;
    QProcess* kept = ended == first ? second : first;
    QCOMPARE(ended->exitStatus(), QProcess::NormalExit);
    QCOMPARE(ended->exitCode(), 0);
    QCOMPARE(ended->readAllStandardOutput() + ended->readAllStandardError(), QByteArray());

    QVERIFY(waitUntilShown(kept) != 0);
    QCOMPARE(kept->state(), QProcess::Running);
    // Settings are written when the clock closes, by the one that runs.
    QCOMPARE(m_box->settings(), QString::fromUtf8(kNoReminder));
}

void TestApp::hiddenClockComesBack_data()
{
    QTest::addColumn<bool>("startHidden");
    QTest::addColumn<Return>("how");
    QTest::newRow("minimized, started again") << false << Return::StartedAgain;
    QTest::newRow("minimized, tray icon clicked") << false << Return::TrayIconClicked;
    QTest::newRow("started hidden, started again") << true << Return::StartedAgain;
    QTest::newRow("started hidden, tray icon clicked") << true << Return::TrayIconClicked;
}

// With a tray on the desktop, a minimized clock, and one set to start hidden,
// goes to the tray: its window leaves the screen and the taskbar, and only the
// tray icon is left. A click on the icon, or another start, brings it back.
void TestApp::hiddenClockComesBack()
{
    QFETCH(bool, startHidden);
    QFETCH(Return, how);
    QVERIFY(m_box->writeSettings(kNoReminder + (startHidden ? kStartHidden : QByteArray())));
    QProcess* clock = m_box->start();
    QVERIFY(clock);
    const qint64 pid = clock->processId();

    xcb_window_t window = 0;
    if (startHidden) {
        // The window exists, unmapped, a moment before it is shown, and hides on
        // the first tick, which runs as soon as it is shown: look once it has
        // been unmapped, however briefly it was on screen.
        QTRY_VERIFY_WITH_TIMEOUT(m_desktop.trayIconOf(pid) != 0 &&
                                     (window = m_desktop.mainWindowOf(pid)) != 0 &&
                                     m_desktop.hasBeenUnmapped(window),
                                 kSettle);
    } else {
        window = waitUntilShown(clock);
        QVERIFY(window != 0);
        QVERIFY(xdotool({QStringLiteral("windowminimize"), QString::number(window)}));
    }
    QTRY_VERIFY2_WITH_TIMEOUT(!m_desktop.isViewable(window) &&
                                  m_desktop.wmState(window) == DesktopWindows::WmState::Withdrawn,
                              "the clock did not go to the tray", kSettle);
    const xcb_window_t trayIcon = m_desktop.trayIconOf(pid);
    QVERIFY(trayIcon != 0);

    if (how == Return::TrayIconClicked) {
        QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), QString::number(trayIcon),
                         QStringLiteral("4"), QStringLiteral("4"), QStringLiteral("click"),
                         QStringLiteral("1")}));
    } else {
        QProcess* later = m_box->start();
        QVERIFY(later);
        QVERIFY(endedCleanly(later));
        QCOMPARE(later->exitCode(), 0);
        QCOMPARE(later->readAllStandardOutput() + later->readAllStandardError(), QByteArray());
    }
    QTRY_VERIFY2_WITH_TIMEOUT(m_desktop.isViewable(window) &&
                                  m_desktop.wmState(window) == DesktopWindows::WmState::Normal,
                              "the clock did not come back from the tray", kSettle);
    QCOMPARE(clock->state(), QProcess::Running);
}

// A first run with no files: closing the window writes every setting with its
// default and an empty alarm file of 50 records, and ends the program.
void TestApp::closingSavesTheSettingsAndAlarms()
{
    QVERIFY(m_box->writeSettings(kNoReminder));
    QProcess* clock = m_box->start();
    const xcb_window_t window = waitUntilShown(clock);
    QVERIFY(window != 0);

    m_desktop.requestClose(window);
    QVERIFY2(endedCleanly(clock), "the clock did not end when its window was closed");
    QCOMPARE(clock->exitCode(), 0);

    const QString ini = m_box->settings();
    QCOMPARE(iniValue(ini, u"Voice", u"HowOften"), QStringLiteral("5"));
    QCOMPARE(iniValue(ini, u"Voice", u"Play Voice"), QStringLiteral("1"));
    QCOMPARE(iniValue(ini, u"Font", u"Font Name"), QStringLiteral("Times New Roman"));
    QCOMPARE(iniValue(ini, u"Options", u"Title Bar Clock"), QStringLiteral("1"));
    QCOMPARE(iniValue(ini, u"Options", u"StartupReminder"), QStringLiteral("1"));
    QCOMPARE(iniValue(ini, u"Main", u"Minimized"), QStringLiteral("0"));
    QCOMPARE(QFileInfo(m_box->file(QStringLiteral("alarms32.rec"))).size(), 19200);
}

void TestApp::sayTimeWithoutAClockSpeaks()
{
    MonitorRecorder recorder;
    QVERIFY2(recorder.start(), qPrintable(recorder.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(recorder.frames() > 0, kSettle);

    QProcess* say = m_box->start({QStringLiteral("--say-time")}, kQuietMorning);
    QVERIFY(say);
    QVERIFY2(endedCleanly(say, kAnnouncement), "horavox --say-time did not end");
    QCOMPARE(say->exitCode(), 0);
    QCOMPARE(say->readAllStandardError(), QByteArray());
    // The server plays the last samples a little after the program let go of them.
    QVERIFY(waitForFrames(recorder, recorder.frames() + captureRate / 2, kSettle));
    recorder.stop();

    // "Seven fifty eight": three words of 0.4 to 0.7 s each, back to back.
    const std::vector<qint16> samples = toSamples(recorder.recorded());
    const std::span<const qint16> heard = audiblePart(samples, kSilence);
    QVERIFY2(!heard.empty(), "only silence was recorded");
    const double length = seconds(heard);
    QVERIFY2(length > 1.2 && length < 3.0, qPrintable(QStringLiteral("heard %1 s of sound").arg(length)));
}

void TestApp::runningClockSpeaksOnRequest_data()
{
    QTest::addColumn<Request>("request");
    QTest::newRow("hot key") << Request::HotKey;
    QTest::newRow("horavox --say-time") << Request::SayTime;
}

void TestApp::runningClockSpeaksOnRequest()
{
    QFETCH(Request, request);
    QVERIFY(m_box->writeSettings(kNoReminder));
    QProcess* clock = m_box->start({}, kQuietMorning);
    // The hot key is taken before the window shows.
    QVERIFY(waitUntilShown(clock) != 0);

    MonitorRecorder recorder;
    QVERIFY2(recorder.start(), qPrintable(recorder.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(recorder.frames() > 0, kSettle);
    const qint64 asked = recorder.frames();

    if (request == Request::HotKey) {
        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+t")}));
    } else {
        // A sound server it cannot reach: this start can only succeed by
        // handing the request to the running clock.
        const QString nowhere = QStringLiteral("unix:") + m_box->file(QStringLiteral("no-sound-server"));
        QProcess* say = m_box->start({QStringLiteral("--say-time")}, kQuietMorning, nowhere);
        QVERIFY(say);
        QVERIFY(endedCleanly(say));
        QCOMPARE(say->exitCode(), 0);
        QCOMPARE(say->readAllStandardOutput() + say->readAllStandardError(), QByteArray());
    }
    QTRY_VERIFY2_WITH_TIMEOUT(!audiblePart(from(toSamples(recorder.recorded()), asked), kSilence).empty(),
                              "the clock did not speak", kSettle);
    recorder.stop();
    const std::vector<qint16> samples = toSamples(recorder.recorded());
    QVERIFY2(audiblePart(std::span<const qint16>(samples).first(std::size_t(asked)), kSilence).empty(),
             "the clock spoke before it was asked");
    QCOMPARE(clock->state(), QProcess::Running);
}

void TestApp::sayTimeWithoutSoundServerFails()
{
    const QString nowhere = QStringLiteral("unix:") + m_box->file(QStringLiteral("no-sound-server"));
    QProcess* say = m_box->start({QStringLiteral("--say-time")}, kQuietMorning, nowhere);
    QVERIFY(say);
    QVERIFY2(endedCleanly(say), "horavox --say-time hung without a sound server");
    QCOMPARE(say->exitCode(), 1);
    const QString errors = QString::fromLocal8Bit(say->readAllStandardError());
    QVERIFY2(errors.contains(QLatin1String("horavox: cannot speak the time")), qPrintable(errors));
}

// A logout or `kill` ends the clock as Exit does: the window it decorated has
// its own title back, and the place the window was moved to is saved.
void TestApp::terminationEndsAsExitDoes()
{
    const QString ownTitle = QStringLiteral("Own Title");
    QVERIFY(m_box->writeSettings(kNoReminder));
    QProcess* other = m_box->startTestWindow(ownTitle);
    QVERIFY(other);
    xcb_window_t otherWindow = 0;
    QTRY_VERIFY_WITH_TIMEOUT((otherWindow = m_desktop.managedWindowOf(other->processId())) != 0, kSettle);

    QProcess* clock = m_box->start({}, kQuietMorning);
    const xcb_window_t window = waitUntilShown(clock);
    QVERIFY(window != 0);

    // Somewhere the window manager did not put it.
    const std::optional<QPoint> before = frameCorner(window);
    QVERIFY(before);
    const QPoint target(before->x() < 400 ? 600 : 100, before->y() < 300 ? 400 : 50);
    QVERIFY(xdotool({QStringLiteral("windowmove"), QString::number(window), QString::number(target.x()),
                     QString::number(target.y())}));
    QTRY_VERIFY_WITH_TIMEOUT((frameCorner(window).value_or(QPoint()) - target).manhattanLength() < 80,
                             kSettle);

    QVERIFY(xdotool({QStringLiteral("windowactivate"), QString::number(otherWindow)}));
    QTRY_VERIFY_WITH_TIMEOUT(titleOf(otherWindow).startsWith(ownTitle + QStringLiteral(" - ")), kSettle);

    clock->terminate(); // SIGTERM
    QVERIFY2(endedCleanly(clock), "the clock did not end on SIGTERM");
    QCOMPARE(clock->exitCode(), 0);
    QCOMPARE(titleOf(otherWindow), ownTitle);

    const QString ini = m_box->settings();
    const int left = iniValue(ini, u"Main", u"PlaceNormPosL").value_or(QString()).toInt();
    const int top = iniValue(ini, u"Main", u"PlaceNormPosT").value_or(QString()).toInt();
    // The frame's corner; the window manager's border may shift it a little.
    QVERIFY2((QPoint(left, top) - target).manhattanLength() < 80,
             qPrintable(QStringLiteral("saved at %1,%2, moved to %3,%4")
                            .arg(left)
                            .arg(top)
                            .arg(target.x())
                            .arg(target.y())));
    QCOMPARE(QFileInfo(m_box->file(QStringLiteral("alarms32.rec"))).size(), 19200);
    // The lock is given back.
    QVERIFY(!QFileInfo::exists(m_box->runtimeFile(QStringLiteral("horavox.lock"))));
}

// An empty lock file, as a full disk or a crash while writing leaves it,
// kept every start out in silence.
void TestApp::emptyLockFileLetsTheClockStart()
{
    QVERIFY(m_box->writeSettings(kNoReminder));
    {
        QFile lock(m_box->runtimeFile(QStringLiteral("horavox.lock")));
        QVERIFY(lock.open(QIODevice::WriteOnly));
    }
    QProcess* clock = m_box->start();
    QVERIFY(waitUntilShown(clock) != 0);

    // It listens, too: a later start reaches it and ends quietly.
    QProcess* later = m_box->start();
    QVERIFY(later);
    QVERIFY(endedCleanly(later));
    QCOMPARE(later->exitCode(), 0);
    QCOMPARE(later->readAllStandardOutput() + later->readAllStandardError(), QByteArray());
    QCOMPARE(clock->state(), QProcess::Running);
}

// A clock holds the lock but nobody answers on the socket: a start says so,
// on stderr and in a message, and fails.
void TestApp::clockThatDoesNotAnswerIsReported()
{
    QLockFile held(m_box->runtimeFile(QStringLiteral("horavox.lock")));
    QVERIFY(held.tryLock(0));

    QProcess* later = m_box->start();
    QVERIFY(later);
    xcb_window_t message = 0;
    QTRY_VERIFY2_WITH_TIMEOUT((message = m_desktop.managedWindowOf(later->processId())) != 0,
                              "no message on screen", kSettle);
    const QString errors = QString::fromLocal8Bit(later->readAllStandardError());
    QVERIFY2(errors.contains(QLatin1String("does not answer")), qPrintable(errors));
    m_desktop.requestClose(message);
    QVERIFY(endedCleanly(later));
    QCOMPARE(later->exitCode(), 1);
    QVERIFY(held.isLocked());
}

QTEST_MAIN(TestApp)
#include "desktop_App.moc"
