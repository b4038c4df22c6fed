// SPDX-License-Identifier: GPL-3.0-or-later
// The CD player on the test desktop, over a disc image played by the libcdio
// device: the desktop's media keys reach it through the session bus, as a
// panel's would (dbus-send, a process of its own); and in the whole program a
// CD alarm starts it in Loop and its stop time stops the disc and closes the
// window. The program runs at a fixed time of day (HORAVOX_TIME), a few seconds
// before its alarm.
#include "alarms/AlarmFile.h"
#include "alarms/AlarmTable.h"
#include "common/Profile.h"
#include "desktop/AudioCapture.h"
#include "desktop/ProgramSandbox.h"
#include "desktop/RequireDesktop.h"
#include "media/CdPlayerWindow.h"
#include "media/DiscCatalogue.h"
#include "platform/CdImage.h"
#include "platform/cdio/LibcdioCdDevice.h"
#include "platform/cdio/QtCdAudioSink.h"
#include "platform/fake/FakeClock.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QtEndian>

#include <optional>

using namespace hv;
using namespace hv::test;
using namespace Qt::StringLiterals;

namespace {

// ms: the alarm fires at a whole minute of the program's clock, a few seconds
// after its start; its stop comes one real minute later.
constexpr int kFewSeconds = 20'000;
constexpr int kOverAMinute = 100'000;
constexpr int kLoud = 1200; // a tenth of the image's tones

// Runs a desktop tool while this process goes on with its events: the tool
// may be calling this very process over the bus.
QString runToolAnswering(const QString& program, const QStringList& arguments)
{
    QProcess tool;
    tool.start(program, arguments);
    if (!QTest::qWaitFor([&tool] { return tool.state() == QProcess::NotRunning; }, kToolTimeout)) {
        tool.kill();
        tool.waitForFinished(1000);
    }
    return QString::fromUtf8(tool.readAllStandardOutput());
}

QStringList mprisArguments(const QString& method)
{
    return {u"--session"_s, u"--print-reply"_s, u"--dest=org.mpris.MediaPlayer2.horavox"_s,
            u"/org/mpris/MediaPlayer2"_s, method};
}

// A media key, as a panel sends it: Next, Play…
void mprisCall(const QString& action)
{
    runToolAnswering(u"dbus-send"_s, mprisArguments(u"org.mpris.MediaPlayer2.Player."_s + action));
}

QString mprisProperty(const QString& name)
{
    return runToolAnswering(u"dbus-send"_s, mprisArguments(u"org.freedesktop.DBus.Properties.Get"_s)
                                                << u"string:org.mpris.MediaPlayer2.Player"_s
                                                << u"string:"_s + name);
}

// What a panel shows: the status, and the track number while there is one.
struct PanelView
{
    QString status; // empty when no player holds the name
    std::optional<int> track;
};

PanelView panel()
{
    static const QRegularExpression status(uR"re(variant\s+string "(\w+)")re"_s);
    static const QRegularExpression track(uR"re("xesam:trackNumber"\s+variant\s+int32\s+(\d+))re"_s);
    PanelView view;
    view.status = status.match(mprisProperty(u"PlaybackStatus"_s)).captured(1);
    const QRegularExpressionMatch number = track.match(mprisProperty(u"Metadata"_s));
    if (number.hasMatch())
        view.track = number.captured(1).toInt();
    return view;
}

QStringList windowsNamed(const QString& title)
{
    return runTool(u"xdotool"_s, {u"search"_s, u"--onlyvisible"_s, u"--name"_s, u"^%1$"_s.arg(title)})
        .split(u'\n', Qt::SkipEmptyParts);
}

// The recorded samples from frame `from` on.
std::vector<qint16> samplesFrom(const Recorder& recorder, qint64 from)
{
    std::vector<qint16> samples;
    for (qint64 frame = from; frame < recorder.frames(); ++frame)
        samples.push_back(qFromLittleEndian<qint16>(recorder.recorded().constData() + frame * 2));
    return samples;
}

AlarmRecord cdAlarm(const QString& mode, int minute, int stopMinute)
{
    AlarmRecord alarm;
    alarm.Rule = RuleDaily;
    alarm.Active = true;
    alarm.AlarmKind = KindCdPlayer;
    alarm.Target = mode;
    alarm.StartTime = *tryEncodeTime(7, minute);
    alarm.StopEnabled = true;
    alarm.StopTime = *tryEncodeTime(7, stopMinute);
    return alarm;
}

} // namespace

class TestCdPlayerDesktop : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("HORAVOX_TEST_SINK") || qEnvironmentVariableIsEmpty("DISPLAY"))
            HV_DESKTOP_MISSING("needs the test desktop: run through scripts/with-desktop");
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            HV_DESKTOP_MISSING("needs the test desktop's session bus");
        QVERIFY(m_dir.isValid());
    }

    void mprisNextMovesToTheNextTrack()
    {
        const CdImage image = writeCdImage(m_dir.path(), u"three"_s, threeToneTracks());
        LibcdioCdDevice device(std::make_unique<QtCdAudioSink>());
        QVERIFY2(device.open(image.cuePath), qPrintable(device.errorString()));
        QTRY_COMPARE(device.mode(), CdDevice::Mode::Stopped);

        FakeClock clock{46000.5};
        DiscCatalogue catalogue{m_dir.path()};
        Profile settings{m_dir.filePath(u"horavox.ini"_s)};
        CdPlayerState state;
        bool start = false, stop = false, open = false;
        int mode = CdPlayerState::Loop;
        QPointer<CdPlayerWindow> window =
            new CdPlayerWindow({state, {start, mode, stop, open}, catalogue, device, clock, settings});
        window->show();
        QVERIFY(state.discReady);
        const auto shown = [&window](const QString& label) {
            return window->findChild<QLabel*>(label)->text();
        };
        QCOMPARE(shown(u"trackName"_s), u"Untitled 1");

        QTest::mouseClick(window->findChild<QToolButton*>(u"playButton"_s), Qt::LeftButton);
        QCOMPARE(device.mode(), CdDevice::Mode::Playing);
        QTRY_COMPARE_WITH_TIMEOUT(panel().status, u"Playing", kFewSeconds);
        QCOMPARE(panel().track, 1);

        mprisCall(u"Next"_s);
        QCOMPARE(device.position().track, 2);
        QCOMPARE(device.mode(), CdDevice::Mode::Playing);
        // The window and the panel follow at the player's next tick.
        QTRY_COMPARE(shown(u"trackNumber"_s), u"02");
        QCOMPARE(shown(u"trackName"_s), u"Untitled 2");
        const PanelView after = panel();
        QCOMPARE(after.status, u"Playing");
        QCOMPARE(after.track, 2);

        delete window.data();
        // The name goes with the window; the disc plays on, as a closed window leaves it.
        QTRY_COMPARE(panel().status, QString());
        QCOMPARE(device.mode(), CdDevice::Mode::Playing);
    }

    void cdAlarmStartsLoopAndItsStopStopsIt()
    {
        // Three tracks of 2 s: the alarm's minute holds many rounds of the disc,
        // and the once-a-second tick shows each track at least once.
        const QList<CdImageTrack> tracks{{2 * kCdFramesPerSecond, 440.0},
                                         {2 * kCdFramesPerSecond, 660.0},
                                         {2 * kCdFramesPerSecond, 880.0}};
        const CdImage image = writeCdImage(m_dir.path(), u"short"_s, tracks);
        ProgramSandbox sandbox(QStringLiteral(HORAVOX_BINARY));
        AlarmTable table;
        table.slot(1) = cdAlarm(u"Loop"_s, 6, 7);
        saveAlarmFile(sandbox.file(u"alarms32.rec"_s), table);
        // The title-bar clock would add the time to the player's title.
        QVERIFY(sandbox.writeSettings("[Options]\nStartupReminder=1\nTitle Bar Clock=0\n"));
        MonitorRecorder capture(10);
        QVERIFY2(capture.start(), qPrintable(capture.errorString()));

        const qint64 startedAt = capture.frames();
        qputenv("HORAVOX_CD_DEVICE", image.cuePath.toLocal8Bit());
        QProcess* clock = sandbox.start({}, u"2026-12-10T07:05:56"_s);
        qunsetenv("HORAVOX_CD_DEVICE");
        QVERIFY(clock);

        // 7:06: the player opens and plays the disc; in Loop it starts again
        // at track 1 when the disc has ended.
        QTRY_COMPARE_WITH_TIMEOUT(windowsNamed(u"CD Player"_s).size(), 1, kFewSeconds);
        QList<int> heard;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&heard] {
                const PanelView now = panel();
                if (now.status == u"Playing" && now.track && (heard.isEmpty() || heard.last() != *now.track))
                    heard.append(*now.track);
                const qsizetype last = heard.lastIndexOf(3);
                return last >= 0 && heard.indexOf(1, last) > last;
            }(),
            kFewSeconds);
        const std::vector<qint16> playing = samplesFrom(capture, startedAt);
        QVERIFY2(!loudPart(playing, kLoud).empty(), "the disc was not heard");

        // 7:07: the stop ends the play and closes the window.
        QTRY_VERIFY_WITH_TIMEOUT(windowsNamed(u"CD Player"_s).isEmpty(), kOverAMinute);
        QTRY_COMPARE(panel().status, QString());
        // The sink's buffer and the capture's latency may still be heard; then silence.
        const qint64 closedAt = capture.frames();
        QVERIFY(waitForFrames(capture, closedAt + 2 * captureRate));
        const std::vector<qint16> after = samplesFrom(capture, closedAt + captureRate / 2);
        QVERIFY2(loudPart(after, kLoud).empty(), "the disc plays on after the stop");
        QCOMPARE(clock->state(), QProcess::Running);
    }
};

QTEST_MAIN(TestCdPlayerDesktop)
#include "desktop_CdPlayer.moc"
