// SPDX-License-Identifier: GPL-3.0-or-later
// A countdown on the test desktop: set and started from the keyboard, it rings
// at zero through the real sound output, heard on the null sink's monitor, and
// its window comes to the front with the focus, over another program's window
// that the user was typing in. Openbox with its default settings grants that
// activation: the window is raised and focused, and not marked urgent.

#include "desktop/AudioCapture.h"
#include "desktop/DesktopWindows.h"
#include "desktop/ProgramSandbox.h"
#include "desktop/RequireDesktop.h"
#include "platform/Clock.h"
#include "platform/qt/QtSoundOut.h"
#include "timers/CountdownWindow.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

using namespace hv;
using namespace hv::test;

namespace {

constexpr int waitMs = 5000;  // for the window manager and the audio path
constexpr double quiet = 300; // RMS in sample units: anything above is a sound
constexpr int countdownSeconds = 3;

} // namespace

class TestTimers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("HORAVOX_TEST_SINK") ||
            QGuiApplication::platformName() != QLatin1String("xcb"))
            HV_DESKTOP_MISSING("needs the test desktop: run through scripts/with-desktop");
        QVERIFY(m_display.isOpen());
        QVERIFY2(m_capture.start(), qPrintable(m_capture.errorString()));
        QVERIFY(waitForFrames(m_capture, captureRate / 10, waitMs));
    }

    void countdownRingsAndComesToFront()
    {
        QtSoundOut sound;
        QVERIFY(sound.isAvailable());
        SystemClock clock;
        QTemporaryDir data;
        QPointer<CountdownWindow> countdown(
            new CountdownWindow({clock, sound, u':', u'.', data.path(), {}, {}}));
        countdown->show();
        countdown->activateWindow();
        const auto countdownId = xcb_window_t(countdown->winId());
        QTRY_COMPARE_WITH_TIMEOUT(m_display.activeWindow(), countdownId, waitMs);
        QTRY_VERIFY_WITH_TIMEOUT(QApplication::focusWidget() != nullptr, waitMs);

        // Hours, Tab, Tab: the seconds; then Tab to the start button and Space.
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("hoursField"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClicks(QApplication::focusWidget(), QString::number(countdownSeconds));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("startButton"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(countdown->run().state(), CountdownRun::State::Running);

        // The user clicks into another program's window and types there while
        // the countdown runs.
        ProgramSandbox box{QStringLiteral(HV_TESTWINDOW)};
        QProcess* other = box.startOther(QStringLiteral(HV_TESTWINDOW),
                                         {QStringLiteral("cover"), data.filePath(QStringLiteral("cover"))});
        QVERIFY(other);
        xcb_window_t coverId = 0;
        QTRY_VERIFY_WITH_TIMEOUT((coverId = m_display.managedWindowOf(other->processId())) != 0 &&
                                     m_display.isViewable(coverId),
                                 waitMs);
        runTool(QStringLiteral("xdotool"),
                {QStringLiteral("mousemove"), QStringLiteral("--window"), QString::number(coverId),
                 QStringLiteral("20"), QStringLiteral("20"), QStringLiteral("click"), QStringLiteral("1")});
        QTRY_COMPARE_WITH_TIMEOUT(m_display.activeWindow(), coverId, waitMs);
        QVERIFY(isAbove(coverId, countdownId));
        QCoreApplication::processEvents();
        const qint64 started = m_capture.frames();
        QVERIFY(QTest::qWaitFor(
            [&] {
                runTool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("a")});
                return countdown->run().state() == CountdownRun::State::Alarm;
            },
            (countdownSeconds + 2) * 1000));
        QVERIFY(QTest::qWaitFor(
            [&] {
                QCoreApplication::processEvents();
                const std::vector<qint16> heard = toSamples(m_capture.recorded());
                const std::span<const qint16> since(
                    heard.begin() + std::min<qint64>(started, qint64(heard.size())), heard.end());
                return !audiblePart(since, quiet).empty();
            },
            waitMs));
        // Raised over the cover, with the focus; the urgency hint, which the
        // countdown asks for only when the focus was refused, stays off.
        QTRY_VERIFY_WITH_TIMEOUT(isAbove(countdownId, coverId) && m_display.activeWindow() == countdownId,
                                 waitMs);
        QTRY_VERIFY_WITH_TIMEOUT(countdown->isActiveWindow(), waitMs);
        QTest::qWait(1500); // the next tick, which would mark a refused window
        QVERIFY(!isUrgent(countdownId));
        delete countdown;
    }

private:
    // Whether `window` is stacked above `other` (docks such as the tray stay above both).
    bool isAbove(xcb_window_t window, xcb_window_t other)
    {
        const QList<quint32> stacking =
            m_display.values(m_display.root(), "_NET_CLIENT_LIST_STACKING").value_or(QList<quint32>());
        return stacking.indexOf(window) > stacking.indexOf(other);
    }

    // The urgency flag of WM_HINTS, or the window manager's demands-attention state.
    bool isUrgent(xcb_window_t window)
    {
        constexpr quint32 kUrgencyHint = 1 << 8;
        if (m_display.value(window, "WM_HINTS") & kUrgencyHint)
            return true;
        const QList<quint32> states = m_display.values(window, "_NET_WM_STATE").value_or(QList<quint32>());
        return states.contains(m_display.atom("_NET_WM_STATE_DEMANDS_ATTENTION"));
    }

    DesktopWindows m_display;
    MonitorRecorder m_capture{10};
};

QTEST_MAIN(TestTimers)
#include "desktop_Timers.moc"
