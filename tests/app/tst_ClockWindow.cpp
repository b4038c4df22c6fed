// SPDX-License-Identifier: GPL-3.0-or-later
#include "ClockWindowRig.h"
#include "ModalDialogs.h"
#include "alarms/AlarmFile.h"
#include "alarms/MessageAlarmWindow.h"
#include "app/Settings.h"
#include "app/StartupReminderDialog.h"
#include "common/Profile.h"
#include "controls/BevelPanel.h"
#include "controls/MessageBox.h"
#include "controls/TrayIcon.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QTest>
#include <QToolButton>

using namespace hv;

namespace {

DateTime at(int hour, int minute, int second = 0)
{
    return *tryEncodeDate(2026, 12, 10) + *tryEncodeTime(hour, minute, second);
}

// The clock window at 7:05:12 on 10 December 2026.
struct Fixture : test::ClockWindowRig
{
    explicit Fixture(const QString& settings = {}, bool remind = false,
                     const std::function<void(const QString& home)>& prepare = {})
        : ClockWindowRig({at(7, 5, 12), settings.toUtf8(), remind, prepare, nullptr})
    {}

    BevelPanel* face() const { return window->findChild<BevelPanel*>(QStringLiteral("face")); }
    QWidget* speedbar() const { return window->findChild<QWidget*>(QStringLiteral("speedbar")); }
    int fontPixels() const { return face()->font().pixelSize(); }
};

// Sends one mouse event to the face as the window system would, at `pos` in
// the face; the screen position follows from where the face is now.
void sendMouse(BevelPanel* face, QEvent::Type type, QPoint pos, Qt::MouseButtons held)
{
    const QPointF local(pos);
    QMouseEvent event(type, local, face->mapToGlobal(local), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(face, &event);
}

// Press at `from`, move in steps to `to` (both in the face as it was at the
// press), release there.
void drag(BevelPanel* face, QPoint from, QPoint to)
{
    const QPoint origin = face->mapToGlobal(QPoint(0, 0));
    const auto at = [face, origin](QPoint p) { return face->mapFromGlobal(origin + p); };
    sendMouse(face, QEvent::MouseButtonPress, from, Qt::LeftButton);
    for (int step = 1; step <= 4; ++step)
        sendMouse(face, QEvent::MouseMove, at(from + (to - from) * step / 4), Qt::LeftButton);
    sendMouse(face, QEvent::MouseButtonRelease, at(to), Qt::NoButton);
}

// A desktop without a browser: opening a file URL fails (the handler has no
// such method, which is how QDesktopServices reports a failed open).
struct NoBrowser
{
    QObject handler;
    NoBrowser() { QDesktopServices::setUrlHandler(QStringLiteral("file"), &handler, "noBrowser"); }
    ~NoBrowser() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
};

QStringList captions(const QMenu* menu)
{
    QStringList result;
    for (const QAction* action : menu->actions())
        result << (action->menu() ? action->menu()->title() : action->text());
    return result;
}

} // namespace

class TestClockWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void commandsAndCaptions()
    {
        Fixture f;
        QCOMPARE(
            captions(f.window->contextMenu()),
            (QStringList{QStringLiteral("&Options"), QStringLiteral("&Alarms"), QStringLiteral("&CD Player"),
                         QStringLiteral("&Timers"), QStringLiteral("A&bout"), QStringLiteral("&Help"),
                         QStringLiteral("Hi&de"), QStringLiteral("&Exit")}));
        QCOMPARE(captions(f.window->timersMenu()),
                 (QStringList{QStringLiteral("Count up "), QStringLiteral("Count Down")}));
        // Every command is offered.
        for (const QAction* action : f.window->contextMenu()->actions()) {
            const QString caption = action->menu() ? action->menu()->title() : action->text();
            QVERIFY2(action->isEnabled(), qPrintable(caption));
        }
        const QStringList buttons{QStringLiteral("optionsButton"),  QStringLiteral("alarmsButton"),
                                  QStringLiteral("cdPlayerButton"), QStringLiteral("timersButton"),
                                  QStringLiteral("aboutButton"),    QStringLiteral("helpButton"),
                                  QStringLiteral("exitButton")};
        const QStringList hints{QStringLiteral("Options"),       QStringLiteral("Alarms"),
                                QStringLiteral("CD Player"),     QStringLiteral("Timers"),
                                QStringLiteral("About Horavox"), QStringLiteral("Help"),
                                QStringLiteral("Exit")};
        for (int i = 0; i < hints.size(); ++i) {
            const auto* button = f.window->findChild<QToolButton*>(buttons[i]);
            QVERIFY(button);
            QCOMPARE(button->toolTip(), hints[i]);
            QVERIFY2(!button->icon().isNull(), qPrintable(hints[i]));
        }
    }

    // Each timer command, from the speedbar's menu or the window's, opens a
    // window of its own: several run at once.
    void timerCommandsOpenWindows()
    {
        Fixture f;
        const QList<QAction*> speedbar = f.window->timersMenu()->actions();
        QMenu* submenu = nullptr;
        for (const QAction* action : f.window->contextMenu()->actions())
            submenu = action->menu() ? action->menu() : submenu;
        QVERIFY(submenu && submenu->isEnabled());
        const QList<QAction*> context = submenu->actions();
        speedbar[1]->trigger();
        context[1]->trigger();
        speedbar[0]->trigger();
        context[0]->trigger();
        QStringList opened;
        for (const QWidget* top : QApplication::topLevelWidgets()) {
            if (top->isVisible() &&
                (top->windowTitle() == QLatin1String("Down") || top->windowTitle() == QLatin1String("Up")))
                opened << top->windowTitle();
        }
        opened.sort();
        QCOMPARE(opened, (QStringList{QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Up"),
                                      QStringLiteral("Up")}));
    }

    void firstTickSetsFaceAndToolTip()
    {
        Fixture f;
        f.window->show();
        QCOMPARE(QString(f.face()->text()).remove(QChar(0x202f)).remove(u' '), QStringLiteral("7:05AM"));
        QCOMPARE(f.window->trayIcon()->toolTip(),
                 QStringLiteral("Horavox 32 - Thursday, December 10, 2026,  7:05 AM"));
        f.clock.advanceSeconds(50);
        f.session->tick();
        QCOMPARE(QString(f.face()->text()).remove(QChar(0x202f)).remove(u' '), QStringLiteral("7:06AM"));
    }

    void fontShrinksForANarrowWindow()
    {
        Fixture f;
        f.window->show();
        const int wide = f.fontPixels();
        f.window->resize(70, f.window->height());
        QVERIFY(QTest::qWaitForWindowExposed(f.window));
        const int narrow = f.fontPixels();
        QVERIFY2(narrow < wide, qPrintable(QStringLiteral("%1 -> %2").arg(wide).arg(narrow)));
        QVERIFY(narrow >= 1);
        QFontMetrics metrics(f.face()->font());
        QVERIFY(metrics.horizontalAdvance(f.face()->text()) <= f.face()->usableSize().width() || narrow == 1);
        f.window->resize(10, 10); // smaller than any font: still ends
        QVERIFY(f.fontPixels() >= 1);
    }

    void noOuterBevelLeavesMoreRoom()
    {
        Fixture raised(QStringLiteral("[Display]\nBevelOuter=2\nBevelInner=2\nBevelWidth=6\n"));
        Fixture none(QStringLiteral("[Display]\nBevelOuter=0\nBevelInner=2\nBevelWidth=6\n"));
        raised.window->show();
        none.window->show();
        QVERIFY(none.face()->usableSize().height() > raised.face()->usableSize().height());
        QVERIFY(none.fontPixels() >= raised.fontPixels());
    }

    void faceClickTogglesTheSpeedbar()
    {
        Fixture f;
        f.window->show();
        QVERIFY(f.speedbar()->isVisible());
        QCOMPARE(f.face()->toolTip(), QStringLiteral("Hide Speedbar"));
        QTest::mouseClick(f.face(), Qt::LeftButton);
        QVERIFY(!f.speedbar()->isVisible());
        QCOMPARE(f.face()->toolTip(), QStringLiteral("Show Speedbar"));
        QVERIFY(!f.state->settings().speedBar);
        QTest::mouseClick(f.face(), Qt::LeftButton);
        QVERIFY(f.speedbar()->isVisible());
        QCOMPARE(f.face()->toolTip(), QStringLiteral("Hide Speedbar"));
        QVERIFY(f.state->settings().speedBar);
    }

    void startsWithoutSpeedbarWhenStoredSo()
    {
        Fixture f(QStringLiteral("[Display]\nSpeedBar=0\n"));
        f.window->show();
        QVERIFY(!f.speedbar()->isVisible());
        QCOMPARE(f.face()->toolTip(), QStringLiteral("Show Speedbar"));
    }

    void windowOffEveryScreenIsBroughtBack()
    {
        Fixture away(QStringLiteral("[Main]\nPlaceNormPosL=-5000\nPlaceNormPosT=-5000\n"
                                    "PlaceNormPosR=-4788\nPlaceNormPosB=-4869\n"));
        QVERIFY(QGuiApplication::primaryScreen()->geometry().intersects(away.window->frameGeometry()));
        QCOMPARE(away.window->size(), QSize(212, 131));
        Fixture partly(QStringLiteral("[Main]\nPlaceNormPosL=-100\nPlaceNormPosT=10\n"
                                      "PlaceNormPosR=112\nPlaceNormPosB=141\n"));
        QCOMPARE(partly.window->pos(), QPoint(-100, 10));
    }

    void hideWithoutTrayMinimizesAndKeepsCaption()
    {
        if (TrayIcon::isSystemTrayAvailable())
            QSKIP("a system tray is present");
        Fixture f;
        f.window->show();
        f.window->contextMenu()->actions().at(6)->trigger(); // Hi&de
        QVERIFY(!f.window->isHiddenInTray());
        QVERIFY(f.window->isMinimized());
        QCOMPARE(f.window->contextMenu()->actions().at(6)->text(), QStringLiteral("Hi&de"));
        Q_EMIT f.window->trayIcon()->clicked();
        QVERIFY(!f.window->isMinimized());
    }

    void closingSavesSettingsAndAlarms()
    {
        Fixture f;
        f.window->show();
        f.state->extras().currentInterval = 15;
        QVERIFY(f.window->close());
        QCOMPARE(QFileInfo(f.home.filePath(QStringLiteral("alarms32.rec"))).size(), 19200);
        Profile ini(f.home.filePath(QStringLiteral("horavox.ini")));
        QCOMPARE(ini.readInteger(u"Voice", u"HowOften", 0), 15);
        QCOMPARE(ini.readInteger(u"Main", u"Minimized", -1), 0);
        QCOMPARE(ini.readInteger(u"Main", u"PlaceNormPosR", 0) -
                     ini.readInteger(u"Main", u"PlaceNormPosL", 0),
                 f.window->width());
    }

    void startupReminderIsOfferedOnceAndRemembered()
    {
        Fixture f({}, true);
        bool offered = false;
        test::answerNextModal([&offered](QWidget* dialog) {
            auto* reminder = qobject_cast<StartupReminderDialog*>(dialog);
            offered = reminder != nullptr;
            if (!reminder)
                return;
            reminder->findChild<QCheckBox*>(QStringLiteral("dontShowAgainBox"))->click();
            reminder->reject(); // "No"
        });
        f.window->show();
        QTRY_VERIFY(offered);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QVERIFY(!f.state->settings().autoRun);
        QCOMPARE(f.autostart.setCalls(), 0);
        Profile ini(f.home.filePath(QStringLiteral("horavox.ini")));
        QCOMPARE(ini.readInteger(u"Options", u"StartupReminder", 0), 1);
    }

    void hotKeySpeaksTheTimeAtOnce()
    {
        Fixture f;
        QCOMPARE(f.hotKey.registered, (FakeHotKey::Combination{84, 3})); // Ctrl+Alt+T
        f.window->show();
        f.sound.calls.clear();
        f.hotKey.press();
        f.hotKey.press(); // pressed twice before the tick: spoken once
        QTRY_COMPARE(f.sound.calls.size(), 1);
        QCOMPARE(f.sound.calls[0].kind, FakeSoundOut::Call::Sequence);
        QCOMPARE(f.sound.calls[0].sounds.size(), 3); // seven, oh, five
        QTest::qWait(50);
        QCOMPARE(f.sound.calls.size(), 1);
    }

    void hotKeyOffIsNotRegistered()
    {
        Fixture f(QStringLiteral("[Voice]\nUseHotKey=0\n"));
        QVERIFY(!f.hotKey.registered);
    }

    void dueAlarmsFireFromTheTick()
    {
        // A message alarm and a program alarm at 7:06, and a Pagedeck page at 7:07.
        AlarmTable table;
        const auto add = [&table](int n, std::int32_t kind, const QString& target, int minute) {
            AlarmRecord& alarm = table.slot(n);
            alarm.Rule = RuleDaily;
            alarm.Active = true;
            alarm.AlarmKind = kind;
            alarm.Target = target;
            alarm.StartTime = *tryEncodeTime(7, minute);
        };
        add(1, KindMessage, QStringLiteral("Stand-up meeting"), 6);
        add(2, KindProgram, QStringLiteral("xterm -T 'morning mail'"), 6);
        add(3, KindPagedeck, QStringLiteral("Morning"), 7);
        Fixture fired(QStringLiteral("[Pagedeck]\nPath=/opt/pd\n"), false, [&table](const QString& home) {
            saveAlarmFile(home + QStringLiteral("/alarms32.rec"), table);
        });
        fired.window->show();
        QVERIFY(fired.program->alarmActions().messageWindows().isEmpty());

        fired.clock.set(at(7, 6, 0) + 0.002 / 86400);
        fired.session->tick();
        QCOMPARE(fired.program->alarmActions().messageWindows().size(), 1);
        QCOMPARE(fired.launcher.starts.size(), 1);
        QCOMPARE(fired.launcher.starts[0].commandLine, QStringLiteral("xterm -T 'morning mail'"));
        QCOMPARE(fired.state->alarms().slot(1).WaveA.text(), QStringLiteral("NONE"));

        fired.clock.set(at(7, 7, 0) + 0.002 / 86400);
        fired.session->tick();
        QCOMPARE(fired.launcher.pagedecks.size(), 1);
        QCOMPARE(fired.launcher.pagedecks[0].folder, QStringLiteral("/opt/pd"));
        QCOMPARE(fired.launcher.pagedecks[0].page, QStringLiteral("Morning"));
        QVERIFY(fired.launcher.pagedecks[0].launch);
        for (MessageAlarmWindow* window : fired.program->alarmActions().messageWindows())
            window->close();
    }

    void compactFaceMovesOnADragAndTogglesOnAClick()
    {
        Fixture f(QStringLiteral("[Display]\nSpeedBar=0\n"));
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window));
        QVERIFY(!f.speedbar()->isVisible());
        const QPoint start = f.window->pos();
        const QPoint middle = f.face()->rect().center();

        // Within the drag distance: a click, however the hand shook.
        const int near = QApplication::startDragDistance() / 2;
        drag(f.face(), middle, middle + QPoint(near, 0));
        QVERIFY(f.speedbar()->isVisible());
        QCOMPARE(f.window->pos(), start);
        f.window->toggleSpeedbar();
        QVERIFY(!f.speedbar()->isVisible());

        // Beyond it: the window follows, the speedbar stays hidden.
        const QPoint start2 = f.window->pos();
        drag(f.face(), middle, middle + QPoint(40, 25));
        QVERIFY(!f.speedbar()->isVisible());
        QCOMPARE(f.window->pos(), start2 + QPoint(40, 25));
        QVERIFY(!f.state->settings().speedBar);

        // With the speedbar the face does not move the window, and a drag is no click.
        f.window->toggleSpeedbar();
        const QPoint start3 = f.window->pos();
        drag(f.face(), middle, middle + QPoint(40, 25));
        QCOMPARE(f.window->pos(), start3);
        QVERIFY(f.speedbar()->isVisible());
    }

    void compactEdgesResize_data()
    {
        QTest::addColumn<QPoint>("from"); // in the face; (-1, -1) is the bottom-right corner
        QTest::addColumn<QPoint>("by");
        QTest::addColumn<QRect>("change"); // of left, top, right, bottom

        QTest::newRow("right edge wider") << QPoint(-1, 40) << QPoint(30, 7) << QRect(0, 0, 30, 0);
        QTest::newRow("left edge wider") << QPoint(0, 40) << QPoint(-30, 7) << QRect(-30, 0, 0, 0);
        QTest::newRow("bottom-right corner") << QPoint(-1, -1) << QPoint(20, 10) << QRect(0, 0, 20, 10);
        QTest::newRow("top edge taller") << QPoint(60, 1) << QPoint(5, -15) << QRect(0, -15, 0, 0);
    }

    void compactEdgesResize()
    {
        QFETCH(QPoint, from);
        QFETCH(QPoint, by);
        QFETCH(QRect, change);

        Fixture f(QStringLiteral("[Display]\nSpeedBar=0\n"));
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window));
        const QRect before = f.window->geometry();
        const QPoint press(from.x() < 0 ? f.face()->width() - 1 : from.x(),
                           from.y() < 0 ? f.face()->height() - 1 : from.y());
        drag(f.face(), press, press + by);
        const QRect after = f.window->geometry();
        QCOMPARE(QRect(after.left() - before.left(), after.top() - before.top(),
                       after.right() - before.right(), after.bottom() - before.bottom()),
                 change);
        QVERIFY(!f.speedbar()->isVisible()); // no click
    }

    void speedbarKeepsItsLastButtonsAtNarrowWidths()
    {
        Fixture f;
        f.window->show();
        f.window->resize(60, f.window->height());
        QVERIFY(QTest::qWaitForWindowExposed(f.window));
        auto* exit = f.window->findChild<QToolButton*>(QStringLiteral("exitButton"));
        QVERIFY(exit);
        QVERIFY2(f.speedbar()->rect().contains(exit->geometry()),
                 qPrintable(QStringLiteral("bar %1, button ends at %2")
                                .arg(f.speedbar()->width())
                                .arg(exit->geometry().right())));
        // Without the speedbar the compact clock may be narrower.
        f.window->toggleSpeedbar();
        f.window->resize(60, f.window->height());
        QCOMPARE(f.window->width(), 60);
    }

    void failuresAreToldOncePerCause()
    {
        AlarmTable table;
        AlarmRecord& alarm = table.slot(1);
        alarm.Rule = RuleDaily;
        alarm.Active = true;
        alarm.AlarmKind = KindProgram;
        alarm.Target = QStringLiteral("no-such-program --now");
        alarm.StartTime = *tryEncodeTime(7, 6);
        Fixture f({}, false, [&table](const QString& home) {
            saveAlarmFile(home + QStringLiteral("/alarms32.rec"), table);
        });
        f.launcher.nextPid = 0;
        f.launcher.nextError = QStringLiteral("No such file or directory");
        f.window->show();

        // The program alarm, on two days: told once, naming the alarm, the program and why.
        for (const DateTime day : {0.0, 1.0}) {
            f.clock.set(at(7, 6, 0) + day + 0.002 / 86400);
            f.session->tick();
        }
        QCOMPARE(f.launcher.starts.size(), 2);
        QCOMPARE(f.window->noticesShown().size(), 1);
        const QString told = f.window->noticesShown().constFirst();
        for (const QString& part :
             {QStringLiteral("7:06"), QStringLiteral("Daily"), QStringLiteral("\"no-such-program --now\""),
              QStringLiteral("No such file or directory")})
            QVERIFY2(told.contains(part), qPrintable(told + QStringLiteral(" lacks ") + part));

        // No sound output: the clock goes on and says so once.
        f.sound.available = false;
        f.hotKey.press();
        f.hotKey.press();
        QTRY_COMPARE(f.window->noticesShown().size(), 2);
        QTest::qWait(50);
        QCOMPARE(f.window->noticesShown().size(), 2);
        QVERIFY2(f.window->noticesShown().at(1).contains(QStringLiteral("no audio output")),
                 qPrintable(f.window->noticesShown().at(1)));

        // Help without a browser: where the pages are.
        NoBrowser noBrowser;
        f.window->showHelp();
        f.window->showHelp();
        QCOMPARE(f.window->noticesShown().size(), 3);
        const QString help = f.window->noticesShown().at(2);
        QVERIFY2(help.contains(QStringLiteral("no web browser")) &&
                     help.contains(QStringLiteral("index.html")),
                 qPrintable(help));

        // Without a tray each shows in a small window that waits for nobody.
        if (!TrayIcon::isSystemTrayAvailable()) {
            const QList<QMessageBox*> boxes =
                f.window->findChildren<QMessageBox*>(QStringLiteral("noticeWindow"));
            QCOMPARE(boxes.size(), 3);
            for (QMessageBox* box : boxes)
                QVERIFY(!box->isModal() && box->isVisible());
        }
        QVERIFY(!QApplication::activeModalWidget());
    }

    void refusedSaveAsksWhetherToQuit_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::newRow("Yes quits without saving") << int(QMessageBox::Yes) << true;
        QTest::newRow("No keeps the clock running") << int(QMessageBox::No) << false;
    }

    void refusedSaveAsksWhetherToQuit()
    {
        QFETCH(int, answer);
        QFETCH(bool, closed);
        // The alarm file's place is taken by a folder: that write fails, even as root.
        Fixture f({}, false, [](const QString& home) {
            QVERIFY(QDir(home).mkpath(QStringLiteral("alarms32.rec/inside")));
        });
        f.window->show();
        MessageBox::setNextAnswer(static_cast<QMessageBox::StandardButton>(answer));

        QCOMPARE(f.window->close(), closed);

        const QList<MessageBox::Shown> told = MessageBox::takeShown();
        QCOMPARE(told.size(), 1);
        QCOMPARE(told[0].icon, QMessageBox::Question);
        const QString path = f.home.filePath(QStringLiteral("alarms32.rec"));
        QCOMPARE(told[0].text,
                 QStringLiteral("Unable to write to %1: it is a folder.\n\nQuit without saving?").arg(path));
        QCOMPARE(f.window->isVisible(), !closed);
        QVERIFY(QFileInfo::exists(path + QStringLiteral("/inside")));
    }

    void placementOutOfRange_data()
    {
        QTest::addColumn<QString>("main");
        // Each gives the default size on the primary screen.
        QTest::newRow("right left of left") << QStringLiteral("PlaceNormPosL=300\nPlaceNormPosR=200\n");
        QTest::newRow("no height") << QStringLiteral("PlaceNormPosT=50\nPlaceNormPosB=50\n");
        QTest::newRow("difference past 32 bits")
            << QStringLiteral("PlaceNormPosL=-2000000000\nPlaceNormPosR=2000000000\n");
        QTest::newRow("enormous") << QStringLiteral("PlaceNormPosR=2000000000\nPlaceNormPosB=2000000000\n");
    }

    void placementOutOfRange()
    {
        QFETCH(QString, main);
        Fixture f(QStringLiteral("[Main]\n") + main);
        f.window->show();
        QCOMPARE(f.window->size(), QSize(212, 131));
        QVERIFY(QGuiApplication::primaryScreen()->geometry().intersects(f.window->frameGeometry()));
        // Closing stores the size that was shown, not the broken one.
        QVERIFY(f.window->close());
        Profile ini(f.home.filePath(QStringLiteral("horavox.ini")));
        QCOMPARE(readMainWindowGeometry(ini).size(), QSize(212, 131));
    }

    void sizeThatCannotBeShownIsNotSaved()
    {
        Fixture f(QStringLiteral(
            "[Main]\nPlaceNormPosL=10\nPlaceNormPosT=20\nPlaceNormPosR=310\nPlaceNormPosB=220\n"));
        f.window->show();
        const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
        f.window->resize(screen.width() + 1, 200);
        QVERIFY(f.window->close());
        Profile ini(f.home.filePath(QStringLiteral("horavox.ini")));
        QCOMPARE(readMainWindowGeometry(ini), QRect(10, 20, 300, 200));
    }
};

QTEST_MAIN(TestClockWindow)
#include "tst_ClockWindow.moc"
