// SPDX-License-Identifier: GPL-3.0-or-later
// The whole program on the test desktop, watched from outside with xdotool and
// xprop: a program alarm naming a missing program tells the user from the tray
// while the clock keeps going, and the compact clock (no speedbar, no caption)
// moves when its face is dragged and still brings the speedbar back on a click.
// The program runs at a fixed time of day (HORAVOX_TIME), a few seconds before
// its alarm.
#include "alarms/AlarmFile.h"
#include "alarms/AlarmTable.h"
#include "desktop/ProgramSandbox.h"
#include "desktop/RequireDesktop.h"

#include <QFile>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace hv;

namespace {

// ms: the bound for anything the program, the window manager or the tray does.
constexpr int kFewSeconds = 20'000;

using hv::test::runTool;

QString xdotool(const QStringList& arguments)
{
    return runTool(QStringLiteral("xdotool"), arguments);
}

// The visible windows of a process, as xdotool lists them (by _NET_WM_PID).
QStringList visibleWindowsOf(qint64 pid)
{
    return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                    QString::number(pid), QStringLiteral("")})
        .split(u'\n', Qt::SkipEmptyParts);
}

QStringList windowsNamed(const QString& title)
{
    return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                    QStringLiteral("^%1$").arg(title)})
        .split(u'\n', Qt::SkipEmptyParts);
}

// The window's place and size on the screen, its frame left out.
QRect geometryOf(const QString& window)
{
    const QString shell = xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
    const auto value = [&shell](const char* key) {
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("^%1=(-?\\d+)$").arg(QLatin1String(key)),
                               QRegularExpression::MultilineOption)
                .match(shell);
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    };
    return {value("X"), value("Y"), value("WIDTH"), value("HEIGHT")};
}

// The top of the frame the window manager draws around the window
// (_NET_FRAME_EXTENTS): a caption is far taller than a thin border. -1 when unknown.
int frameTopOf(const QString& window)
{
    const QString text = runTool(QStringLiteral("xprop"),
                                 {QStringLiteral("-id"), window, QStringLiteral("_NET_FRAME_EXTENTS")});
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)")).match(text);
    return m.hasMatch() ? m.captured(3).toInt() : -1;
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

// One clock over a data folder of its own, ended at the end of the case.
class Clock
{
public:
    Clock(const QByteArray& settings, const AlarmTable& table = {})
    {
        saveAlarmFile(m_home.filePath(QStringLiteral("alarms32.rec")), table);
        QFile ini(m_home.filePath(QStringLiteral("horavox.ini")));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[Options]\nStartupReminder=1\nTitle Bar Clock=0\n" + settings);
        ini.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HORAVOX_HOME"), m_home.path());
        env.insert(QStringLiteral("HORAVOX_TIME"), QStringLiteral("2026-12-10T07:05:56"));
        m_process.setProcessEnvironment(env);
        m_process.setWorkingDirectory(m_home.path());
        m_process.start(QStringLiteral(HORAVOX_BINARY), {});
    }
    ~Clock()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }
    Clock(const Clock&) = delete;
    Clock& operator=(const Clock&) = delete;

    bool started() { return m_process.waitForStarted(); }
    qint64 pid() const { return m_process.processId(); }
    QString errors() { return QString::fromUtf8(m_process.readAllStandardError()); }
    bool running() const { return m_process.state() == QProcess::Running; }

private:
    QTemporaryDir m_home;
    QProcess m_process;
};

} // namespace

class TestNotices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            HV_DESKTOP_MISSING("needs the test desktop: run through scripts/with-desktop");
    }

    void missingProgramShowsTheTrayMessage()
    {
        AlarmTable table;
        table.slot(1) = dailyAt(KindProgram, QStringLiteral("horavox-no-such-program --now"), 6);
        Clock clock("[Main]\nPlaceNormPosL=40\nPlaceNormPosT=40\nPlaceNormPosR=252\nPlaceNormPosB=171\n",
                    table);
        QVERIFY(clock.started());
        QTRY_VERIFY_WITH_TIMEOUT(!windowsNamed(QStringLiteral("Horavox")).isEmpty(), kFewSeconds);
        // The window and the tray icon.
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindowsOf(clock.pid()).size() >= 2, kFewSeconds);
        const QStringList before = visibleWindowsOf(clock.pid());

        // 7:06: the start fails; a balloon from the tray icon (or, without a
        // tray, a small window) comes, and goes by itself or with a click.
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindowsOf(clock.pid()).size() > before.size() ||
                                     !windowsNamed(QStringLiteral("Horavox: an alarm failed")).isEmpty(),
                                 kFewSeconds);
        runTool(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                           QStringLiteral(HV_TEST_OUTPUT_DIR "/notice-desktop.png")});
        QVERIFY(clock.running()); // the clock goes on
        QVERIFY(!windowsNamed(QStringLiteral("Horavox")).isEmpty());
    }

    void compactFaceMovesOnADragAndTogglesOnAClick()
    {
        Clock clock("[Display]\nSpeedBar=0\n[Main]\nPlaceNormPosL=100\nPlaceNormPosT=100\n"
                    "PlaceNormPosR=312\nPlaceNormPosB=231\n");
        QVERIFY(clock.started());
        QTRY_VERIFY_WITH_TIMEOUT(!windowsNamed(QStringLiteral("Horavox")).isEmpty(), kFewSeconds);
        const QString window = windowsNamed(QStringLiteral("Horavox")).constFirst();
        QTRY_VERIFY_WITH_TIMEOUT(frameTopOf(window) >= 0, kFewSeconds);
        const int thinTop = frameTopOf(window);
        QTest::qWait(500); // the window manager has placed it
        const QRect start = geometryOf(window);
        QVERIFY2(start.width() > 0, qPrintable(QStringLiteral("%1").arg(start.width())));

        // A drag from the middle of the face, well past the drag distance.
        const QPoint middle = start.center();
        xdotool({QStringLiteral("mousemove"), QString::number(middle.x()), QString::number(middle.y())});
        QTest::qWait(200);
        xdotool({QStringLiteral("mousedown"), QStringLiteral("1")});
        QTest::qWait(200);
        for (int step = 1; step <= 8; ++step) {
            xdotool({QStringLiteral("mousemove"), QString::number(middle.x() + 10 * step),
                     QString::number(middle.y() + 5 * step)});
            QTest::qWait(50);
        }
        xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
        QTRY_VERIFY_WITH_TIMEOUT(geometryOf(window).topLeft() != start.topLeft(), kFewSeconds);
        const QRect moved = geometryOf(window);
        QVERIFY2(qAbs(moved.x() - start.x() - 80) <= 8 && qAbs(moved.y() - start.y() - 40) <= 8,
                 qPrintable(QStringLiteral("(%1,%2) -> (%3,%4)")
                                .arg(start.x())
                                .arg(start.y())
                                .arg(moved.x())
                                .arg(moved.y())));
        QCOMPARE(moved.size(), start.size());
        QTest::qWait(500);
        QCOMPARE(frameTopOf(window), thinTop); // the drag did not toggle
        runTool(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                           QStringLiteral(HV_TEST_OUTPUT_DIR "/compact-moved.png")});

        // A click brings the speedbar and the caption back.
        const QPoint now = moved.center();
        xdotool({QStringLiteral("mousemove"), QString::number(now.x()), QString::number(now.y())});
        QTest::qWait(200);
        xdotool({QStringLiteral("click"), QStringLiteral("1")});
        QTRY_VERIFY_WITH_TIMEOUT(!windowsNamed(QStringLiteral("Horavox")).isEmpty() &&
                                     frameTopOf(windowsNamed(QStringLiteral("Horavox")).constFirst()) >
                                         thinTop,
                                 kFewSeconds);
    }
};

QTEST_GUILESS_MAIN(TestNotices)
#include "desktop_Notices.moc"
