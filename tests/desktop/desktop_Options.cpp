// SPDX-License-Identifier: GPL-3.0-or-later
// The options dialog in the real program on the test desktop: opened from the
// clock's menu and worked by keyboard as a user would, its effect seen through
// the window manager.
#include "DesktopWindows.h"
#include "ProgramSandbox.h"
#include "RequireDesktop.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace hv::test;

namespace {

// ms: the bound for anything the program or the window manager does, generous
// for a loaded machine.
constexpr int kSettle = 10000;

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

// The window whose title starts with `title` (the title-bar clock adds the
// time to it); 0 while there is none.
xcb_window_t windowNamed(const QString& title)
{
    QByteArray found;
    if (!xdotool({QStringLiteral("search"), QStringLiteral("--name"), QLatin1Char('^') + title}, &found))
        return 0;
    return found.split('\n').front().toUInt();
}

} // namespace

class TestOptions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void stayOnTopKeepsTheClockAboveOthers();

private:
    // Bottom to top, as the window manager stacks them; -1 for a window it does not list.
    int stackingPlace(xcb_window_t window)
    {
        return static_cast<int>(m_desktop.values(m_desktop.root(), "_NET_CLIENT_LIST_STACKING")
                                    .value_or(QList<quint32>())
                                    .indexOf(window));
    }
    bool isAbove(xcb_window_t window)
    {
        return m_desktop.values(window, "_NET_WM_STATE")
            .value_or(QList<quint32>())
            .contains(m_desktop.atom("_NET_WM_STATE_ABOVE"));
    }

    DesktopWindows m_desktop;
};

void TestOptions::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !m_desktop.isOpen())
        HV_DESKTOP_MISSING("needs the test desktop: run through scripts/with-desktop");
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        HV_DESKTOP_MISSING("needs xdotool");
    QVERIFY2(QFileInfo(QStringLiteral(HORAVOX_BINARY)).isExecutable(), HORAVOX_BINARY);
}

// Options, Control page, "Stay on Top", OK: the clock stays above a window
// that is brought to the front afterwards, as it did not before, and still
// does after the program has been closed and started again.
void TestOptions::stayOnTopKeepsTheClockAboveOthers()
{
    ProgramSandbox box{QStringLiteral(HORAVOX_BINARY)};
    QVERIFY(box.writeSettings("[Options]\nStartupReminder=1\n"));
    QProcess* clock = box.start();
    QVERIFY(clock);
    xcb_window_t window = 0;
    QTRY_VERIFY_WITH_TIMEOUT((window = m_desktop.managedWindowOf(clock->processId())) != 0 &&
                                 m_desktop.isViewable(window),
                             kSettle);
    QProcess* other =
        box.startOther(QStringLiteral(HV_TESTWINDOW),
                       {QStringLiteral("Other window"), box.file(QStringLiteral("other.record"))});
    QVERIFY(other);
    xcb_window_t otherWindow = 0;
    QTRY_VERIFY_WITH_TIMEOUT((otherWindow = m_desktop.managedWindowOf(other->processId())) != 0, kSettle);

    // Without the setting, the window brought forward covers the clock.
    m_desktop.activate(otherWindow);
    QTRY_VERIFY_WITH_TIMEOUT(stackingPlace(otherWindow) > stackingPlace(window), kSettle);

    // The speedbar's Options button, then the keyboard alone.
    m_desktop.activate(window);
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.activeWindow(), window, kSettle);
    QVERIFY(
        xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), QString::number(window),
                 QStringLiteral("16"), QStringLiteral("15"), QStringLiteral("click"), QStringLiteral("1")}));
    xcb_window_t dialog = 0;
    QTRY_VERIFY_WITH_TIMEOUT((dialog = windowNamed(QStringLiteral("Program Options"))) != 0 &&
                                 m_desktop.activeWindow() == dialog,
                             kSettle);
    for (const char* keys : {"alt+c", "alt+t"}) {
        QVERIFY(xdotool({QStringLiteral("key"), QString::fromLatin1(keys)}));
        QTest::qWait(300); // an accelerator clicks a moment later
    }
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
    QTRY_VERIFY_WITH_TIMEOUT(windowNamed(QStringLiteral("Program Options")) == 0, kSettle);
    QTRY_VERIFY_WITH_TIMEOUT(box.settings().contains(QStringLiteral("Stay On Top=1")), kSettle);

    // Changing the flag may give the clock a new native window.
    QTRY_VERIFY_WITH_TIMEOUT((window = m_desktop.managedWindowOf(clock->processId())) != 0 &&
                                 m_desktop.isViewable(window) && isAbove(window),
                             kSettle);
    m_desktop.activate(otherWindow);
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.activeWindow(), otherWindow, kSettle);
    QTest::qWait(300);
    QVERIFY2(stackingPlace(window) > stackingPlace(otherWindow), "the other window covers the clock");

    // Closed and started again, the clock is kept above from the start.
    m_desktop.requestClose(window);
    QVERIFY2(waitUntilEnded(clock, kSettle), "the clock did not end when its window was closed");
    clock = box.start();
    QVERIFY(clock);
    QTRY_VERIFY_WITH_TIMEOUT((window = m_desktop.managedWindowOf(clock->processId())) != 0 &&
                                 m_desktop.isViewable(window) && isAbove(window),
                             kSettle);
    m_desktop.activate(otherWindow);
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.activeWindow(), otherWindow, kSettle);
    QTest::qWait(300);
    QVERIFY2(stackingPlace(window) > stackingPlace(otherWindow),
             "after a restart the other window covers the clock");
}

QTEST_MAIN(TestOptions)
#include "desktop_Options.moc"
