// SPDX-License-Identifier: GPL-3.0-or-later
// One tick of the clock window in the middle of a minute: the face stays, and
// the title-bar clock reads the active window's title, finds its time already
// there and leaves it. Measured over in-memory window titles, and over the X11
// service on a real display with another window active. Prints the figures;
// never fails on one.
//
// Outside the test desktop it runs itself through scripts/with-desktop.

#include "ClockWindowRig.h"
#include "TestDesktop.h"
#include "platform/PlatformServices.h"
#include "platform/Unavailable.h"

#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <cstdio>
#include <memory>
#include <vector>

using namespace hv;

namespace {

DateTime at(int hour, int minute, int second)
{
    return *tryEncodeDate(2026, 12, 10) + *tryEncodeTime(hour, minute, second);
}

// The clock window on fakes, except for the window titles handed in.
struct Fixture : test::ClockWindowRig
{
    explicit Fixture(WindowTitles& titles)
        : ClockWindowRig({at(7, 5, 12), {}, false, {}, &titles})
    {}
};

} // namespace

class BenchTick : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        std::printf(
            "One tick without a minute change, title-bar work included. Target: 100 us or less.\n"
            "A minute change with the face's repaint: well under 300 us, for 1 ms of idle CPU a minute.\n");
        std::fflush(stdout);
    }

    void tickInTheMinute_data()
    {
        QTest::addColumn<bool>("x11");
        QTest::newRow("in-memory window titles") << false;
        QTest::newRow("X11 window titles") << true;
    }

    void tickInTheMinute()
    {
        QFETCH(bool, x11);
        FakeWindowTitles fakeTitles;
        fakeTitles.active = 1;
        fakeTitles.titles.insert(1, QStringLiteral("Notes"));
        std::unique_ptr<WindowTitles> realTitles;
        if (x11) {
            realTitles = createWindowTitles(QGuiApplication::platformName());
            if (!realTitles->isAvailable())
                QSKIP("needs an X11 display");
        }
        WindowTitles& titles = x11 ? *realTitles : fakeTitles;
        Fixture f(titles);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window));

        // Another program's window has the focus; the first tick decorates it.
        QWidget notes;
        notes.setWindowTitle(QStringLiteral("Notes"));
        if (x11) {
            notes.show();
            notes.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&notes));
            QTRY_COMPARE(titles.activeWindow(), static_cast<WindowId>(notes.winId()));
        }
        const WindowId target = titles.activeWindow();
        f.clock.advanceSeconds(1);
        f.session->tick();
        QVERIFY2(titles.title(target).value_or(QString()).endsWith(QStringLiteral("7:05 AM")),
                 qPrintable(titles.title(target).value_or(QStringLiteral("(none)"))));

        const DateTime start = f.clock.now();
        int second = 0;
        QBENCHMARK
        {
            // Within the same minute: 7:05:13 to 7:05:52.
            f.clock.set(start + (1 + second++ % 40) / (24.0 * 60 * 60));
            f.session->tick();
        }
        QVERIFY(titles.title(target).value_or(QString()).endsWith(QStringLiteral("7:05 AM")));
    }

    // What an idle clock does once a minute: the tick of a minute change and
    // the repaint of the face it asks for, up to the image handed to the X
    // server. This is nearly all the CPU an idle minute costs.
    void minuteChangeWithRepaint()
    {
        FakeWindowTitles titles; // the title-bar work is measured above
        Fixture f(titles);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window));
        f.session->tick();
        QCoreApplication::sendPostedEvents(f.window, QEvent::UpdateRequest);

        QBENCHMARK
        {
            f.clock.advanceSeconds(60);
            f.session->tick();
            QCoreApplication::sendPostedEvents(f.window, QEvent::UpdateRequest);
        }
    }
};

int main(int argc, char* argv[])
{
    hv::bench::runOnTestDesktop(argc, argv);
    QApplication app(argc, argv);
    BenchTick bench;
    return QTest::qExec(&bench, argc, argv);
}

#include "bench_tick.moc"
