// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TitleBarClock.h"
#include "platform/fake/FakeWindowTitles.h"

#include <QTest>

using namespace hv;

namespace {

constexpr WindowId kEditor = 11;
constexpr WindowId kBrowser = 22;
constexpr WindowId kDialog = 33;

const TitleBarClock::Options kAllWindows{true, false, false};
const TitleBarClock::Options kParentOnly{true, false, true};

} // namespace

class TestTitleBarClock : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        desk.titles = {{kEditor, QStringLiteral("notes.txt - Editor")},
                       {kBrowser, QStringLiteral("News")},
                       {kDialog, QStringLiteral("Save As")}};
        desk.owners = {{kDialog, kEditor}};
        desk.marks.clear();
        desk.active = kEditor;
        desk.writes = 0;
    }

    // The mark holds the window's own title while the decoration stands, and
    // follows the window retitling itself; with the decoration gone, so is it.
    void decorationIsMarkedWhileItStands()
    {
        TitleBarClock clock(desk);
        clock.update(QStringLiteral("7:05 AM"), kAllWindows);
        QCOMPARE(desk.marks, (QHash<WindowId, QString>{{kEditor, QStringLiteral("notes.txt - Editor")}}));
        desk.titles[kEditor] = QStringLiteral("todo.txt - Editor");
        clock.update(QStringLiteral("7:05 AM"), kAllWindows);
        QCOMPARE(desk.marks.value(kEditor), QStringLiteral("todo.txt - Editor"));

        desk.active = kBrowser;
        clock.update(QStringLiteral("7:05 AM"), kAllWindows);
        QCOMPARE(desk.marks, (QHash<WindowId, QString>{{kBrowser, QStringLiteral("News")}}));
        // Tracking without a decoration leaves the title, and so needs no mark.
        clock.refreshMinute(QStringLiteral("7:06 AM"), {false, true, false});
        QCOMPARE(desk.titles[kBrowser], QStringLiteral("News"));
        QVERIFY(desk.marks.isEmpty());
        clock.update(QStringLiteral("7:06 AM"), kAllWindows);
        clock.restore();
        QCOMPARE(desk.titles[kBrowser], QStringLiteral("News"));
        QVERIFY(desk.marks.isEmpty());
    }

    // A clock that was killed with the editor decorated: the next one gives
    // every marked window the title its mark remembers, never a title cut by a
    // pattern, and then decorates once, not on top of the old time.
    void markedWindowsAreRestored_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("mark");
        QTest::addColumn<QString>("restored");

        QTest::newRow("decorated") << QStringLiteral("notes.txt - Editor - 4:24 AM")
                                   << QStringLiteral("notes.txt - Editor")
                                   << QStringLiteral("notes.txt - Editor");
        QTest::newRow("own title ends in a time")
            << QStringLiteral("Meeting - 4:00 PM - 4:24 AM") << QStringLiteral("Meeting - 4:00 PM")
            << QStringLiteral("Meeting - 4:00 PM");
        QTest::newRow("retitled itself since")
            << QStringLiteral("todo.txt - Editor") << QStringLiteral("notes.txt - Editor")
            << QStringLiteral("todo.txt - Editor");
        QTest::newRow("killed after restoring, before unmarking")
            << QStringLiteral("notes.txt - Editor") << QStringLiteral("notes.txt - Editor")
            << QStringLiteral("notes.txt - Editor");
    }

    void markedWindowsAreRestored()
    {
        QFETCH(QString, title);
        QFETCH(QString, mark);
        QFETCH(QString, restored);
        desk.titles[kEditor] = title;
        desk.marks[kEditor] = mark;
        desk.titles[kBrowser] = QStringLiteral("Alarm - 6:00 AM"); // unmarked: never touched

        TitleBarClock clock(desk);
        clock.restoreMarked();
        QCOMPARE(desk.titles[kEditor], restored);
        QCOMPARE(desk.titles[kBrowser], QStringLiteral("Alarm - 6:00 AM"));
        QVERIFY(desk.marks.isEmpty());

        clock.update(QStringLiteral("7:05 AM"), kAllWindows);
        QCOMPARE(desk.titles[kEditor], restored + QStringLiteral(" - 7:05 AM"));
        QCOMPARE(desk.marks.value(kEditor), restored);
    }

    // Switching the clock on restores what a killed run left behind before
    // decorating; the window decorated by this clock is its own business.
    void switchingOnRestoresMarkedWindows()
    {
        TitleBarClock clock(desk);
        clock.update(QStringLiteral("7:05 AM"), {false, false, false});
        desk.titles[kBrowser] = QStringLiteral("News - 4:24 AM");
        desk.marks[kBrowser] = QStringLiteral("News");
        clock.update(QStringLiteral("7:05 AM"), kAllWindows);
        QCOMPARE(desk.titles[kBrowser], QStringLiteral("News"));
        QCOMPARE(desk.titles[kEditor], QStringLiteral("notes.txt - Editor - 7:05 AM"));

        QCOMPARE(clock.restoreMarked(), 0);
        QCOMPARE(desk.titles[kEditor], QStringLiteral("notes.txt - Editor - 7:05 AM"));
        QCOMPARE(desk.marks.value(kEditor), QStringLiteral("notes.txt - Editor"));
    }

    void decoratesForegroundAndWatchesIt()
    {
        TitleBarClock clock(desk);
        clock.update(QStringLiteral("7:05 AM"), kAllWindows);
        QCOMPARE(desk.titles[kEditor], QStringLiteral("notes.txt - Editor - 7:05 AM"));
        QCOMPARE(desk.watched, kEditor);
        // A second tick in the same minute writes nothing.
        clock.update(QStringLiteral("7:05 AM"), kAllWindows);
        QCOMPARE(desk.writes, 1);
    }

    void switchingWindowsRestoresTheFirst()
    {
        TitleBarClock clock(desk);
        clock.update(QStringLiteral("7:05 AM"), kAllWindows);
        desk.active = kBrowser;
        clock.update(QStringLiteral("7:05 AM"), kAllWindows);
        QCOMPARE(desk.titles[kEditor], QStringLiteral("notes.txt - Editor"));
        QCOMPARE(desk.titles[kBrowser], QStringLiteral("News - 7:05 AM"));
        QCOMPARE(desk.watched, kBrowser);
    }

    void windowThatRetitlesItselfIsDecoratedAgain()
    {
        TitleBarClock clock(desk);
        clock.update(QStringLiteral("7:05 AM"), kAllWindows);
        desk.titles[kEditor] = QStringLiteral("todo.txt - Editor");
        clock.update(QStringLiteral("7:05 AM"), kAllWindows);
        QCOMPARE(desk.titles[kEditor], QStringLiteral("todo.txt - Editor - 7:05 AM"));
        QCOMPARE(clock.savedTitle(), QStringLiteral("todo.txt - Editor"));
        clock.restore();
        QCOMPARE(desk.titles[kEditor], QStringLiteral("todo.txt - Editor"));
    }

    void minuteChangeShowsTheNewMinute()
    {
        TitleBarClock clock(desk);
        clock.update(QStringLiteral("7:05 AM"), kAllWindows);
        clock.update(QStringLiteral("7:06 AM"), kAllWindows);
        clock.refreshMinute(QStringLiteral("7:06 AM"), kAllWindows);
        QCOMPARE(desk.titles[kEditor], QStringLiteral("notes.txt - Editor - 7:06 AM"));
    }

    void parentOnlyDecoratesTheOwner()
    {
        TitleBarClock clock(desk);
        desk.active = kDialog;
        clock.update(QStringLiteral("7:05 AM"), kParentOnly);
        QCOMPARE(desk.titles[kDialog], QStringLiteral("Save As"));
        QCOMPARE(desk.titles[kEditor], QStringLiteral("notes.txt - Editor - 7:05 AM"));
        clock.update(QStringLiteral("7:05 AM"), kAllWindows);
        QCOMPARE(desk.titles[kDialog], QStringLiteral("Save As - 7:05 AM"));
        QCOMPARE(desk.titles[kEditor], QStringLiteral("notes.txt - Editor"));
    }

    void trackingWithoutClockLeavesTitlesAlone()
    {
        TitleBarClock clock(desk);
        clock.update(QStringLiteral("7:05 AM"), {false, true, false});
        QCOMPARE(desk.titles[kEditor], QStringLiteral("notes.txt - Editor"));
        QCOMPARE(desk.writes, 0);
        QCOMPARE(clock.decoratedWindow(), kEditor);
    }

    void switchingOffRestoresTheTitle()
    {
        TitleBarClock clock(desk);
        clock.update(QStringLiteral("7:05 AM"), kAllWindows);
        clock.update(QStringLiteral("7:05 AM"), {false, false, false});
        QCOMPARE(desk.titles[kEditor], QStringLiteral("notes.txt - Editor"));
        QCOMPARE(clock.decoratedWindow(), WindowId(0));
        QCOMPARE(desk.watched, WindowId(0));
    }

    void longTitlesNeverGrow()
    {
        const QString longTitle(150, QLatin1Char('x'));
        desk.titles[kEditor] = longTitle;
        TitleBarClock clock(desk);
        for (int tick = 0; tick < 5; ++tick)
            clock.update(QStringLiteral("7:05 AM"), kAllWindows);
        QCOMPARE(desk.titles[kEditor], longTitle + QStringLiteral(" - 7:05 AM"));
        QCOMPARE(desk.writes, 1);
        clock.restore();
        QCOMPARE(desk.titles[kEditor], longTitle);
    }

    void closedWindowIsForgotten()
    {
        TitleBarClock clock(desk);
        clock.update(QStringLiteral("7:05 AM"), kAllWindows);
        desk.titles.remove(kEditor);
        desk.active = 0;
        clock.update(QStringLiteral("7:05 AM"), kAllWindows);
        QCOMPARE(clock.decoratedWindow(), WindowId(0));
    }

private:
    FakeWindowTitles desk;
};

QTEST_GUILESS_MAIN(TestTitleBarClock)
#include "tst_TitleBarClock.moc"
