// SPDX-License-Identifier: GPL-3.0-or-later
#include "ClockWindowRig.h"
#include "common/Profile.h"
#include "media/CdPlayerWindow.h"
#include "media/DiscCatalogue.h"
#include "media/PlayListEditor.h"
#include "platform/fake/FakeCdDevice.h"
#include "platform/fake/FakeClock.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace Qt::StringLiterals;
using hv::CdPlayerState;
using hv::CdPlayerWindow;
using hv::FakeCdDevice;

namespace {

QList<int> trackLengths(int tracks)
{
    return QList<int>(tracks, 20 * hv::kCdFramesPerSecond);
}

// A player window over a fake drive with a 5-track disc, and a settings file
// that may hold a place in "CDForm".
struct Rig
{
    explicit Rig(const QByteArray& ini = {})
    {
        QFile file(folder.filePath(u"horavox.ini"_s));
        if (file.open(QIODevice::WriteOnly))
            file.write(ini);
        file.close();
        device.insertDisc(FakeCdDevice::tocOfLengths(trackLengths(5)));
        window = new CdPlayerWindow({state, {start, mode, stop, open}, catalogue, device, clock, settings});
    }
    ~Rig() { delete window.data(); }

    template <class T>
    T* child(const QString& name) const
    {
        T* found = window->findChild<T*>(name);
        if (!found)
            qWarning("no %s", qPrintable(name));
        return found;
    }
    QString text(const QString& label) const { return child<QLabel>(label)->text(); }
    void click(const QString& button) const
    {
        QTest::mouseClick(child<QAbstractButton>(button), Qt::LeftButton);
    }
    bool enabled(const QString& button) const { return child<QAbstractButton>(button)->isEnabled(); }

    QTemporaryDir folder;
    hv::FakeClock clock{46000.5};
    FakeCdDevice device{&clock};
    hv::DiscCatalogue catalogue{folder.path()};
    hv::Profile settings{folder.filePath(u"horavox.ini"_s)};
    CdPlayerState state;
    bool start = false;
    int mode = CdPlayerState::Loop;
    bool stop = false;
    bool open = false;
    QPointer<CdPlayerWindow> window;
};

} // namespace

class TestCdPlayerWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void captionsAndHints()
    {
        Rig rig;
        QCOMPARE(rig.window->windowTitle(), u"CD Player");
        const QList<std::array<QString, 3>> buttons{
            {u"doneButton"_s, u"&Done"_s, u"Close CD Player"_s},
            {u"playListButton"_s, u"&Play list"_s, u"Edit play list"_s},
            {u"modeButton"_s, u"&Mode"_s, u"Change CD mode"_s},
            {u"helpButton"_s, u"&Help"_s, QString()},
        };
        for (const auto& [name, caption, hint] : buttons) {
            QCOMPARE(rig.child<QPushButton>(name)->text(), caption);
            QCOMPARE(rig.child<QPushButton>(name)->toolTip(), hint);
        }
        QCOMPARE(rig.child<QWidget>(u"controlBar"_s)->toolTip(), u"CD Navigator");
        for (const QString& name : {u"playButton"_s, u"pauseButton"_s, u"stopButton"_s, u"nextButton"_s,
                                    u"prevButton"_s, u"ejectButton"_s})
            QVERIFY2(rig.child<QToolButton>(name)->focusPolicy() & Qt::TabFocus, qPrintable(name));
    }

    void showsTheDiscAndFollowsTheButtons()
    {
        Rig rig;
        rig.window->show();
        QCOMPARE(rig.text(u"discName"_s), u"Unknown");
        QCOMPARE(rig.text(u"trackName"_s), u"Untitled 1");
        QCOMPARE(rig.text(u"modeName"_s), u"Loop");
        QCOMPARE(rig.text(u"trackNumber"_s), u"01");
        QCOMPARE(rig.text(u"trackTime"_s), u"00:00");
        QVERIFY(rig.enabled(u"playListButton"_s));
        QVERIFY(!rig.enabled(u"pauseButton"_s));

        rig.click(u"modeButton"_s);
        QCOMPARE(rig.text(u"modeName"_s), u"Shuffle");
        rig.click(u"modeButton"_s);
        QCOMPARE(rig.text(u"modeName"_s), u"Single");
        rig.click(u"nextButton"_s);
        QCOMPARE(rig.text(u"trackNumber"_s), u"02");

        rig.click(u"playButton"_s);
        QCOMPARE(rig.device.mode(), hv::CdDevice::Mode::Playing);
        QVERIFY(!rig.enabled(u"modeButton"_s));
        QVERIFY(!rig.enabled(u"playButton"_s));
        QVERIFY(rig.enabled(u"pauseButton"_s));
        rig.clock.advanceSeconds(7);
        rig.window->tick();
        QCOMPARE(rig.text(u"trackNumber"_s), u"02");
        QCOMPARE(rig.text(u"trackTime"_s), u"00:07");

        rig.click(u"pauseButton"_s);
        QCOMPARE(rig.device.mode(), hv::CdDevice::Mode::Paused);
        QVERIFY(rig.enabled(u"playButton"_s));
        QVERIFY(!rig.enabled(u"stopButton"_s));

        // The Mode button's accelerator, once it is enabled again.
        rig.click(u"playButton"_s);
        rig.click(u"stopButton"_s);
        QVERIFY(rig.enabled(u"modeButton"_s));
        QApplication::setActiveWindow(rig.window.data());
        QVERIFY(QTest::qWaitForWindowActive(rig.window.data()));
        QTest::keyClick(rig.window.data(), Qt::Key_M, Qt::AltModifier);
        QTRY_COMPARE(rig.text(u"modeName"_s), u"PlayList");
    }

    void placeInCdForm_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("leftApplied");
        QTest::addColumn<bool>("topApplied");
        QTest::newRow("both") << "[CDForm]\nLeft=131\nTop=97\n"_ba << true << true;
        QTest::newRow("zero is not applied") << "[CDForm]\nLeft=0\nTop=97\n"_ba << false << true;
        QTest::newRow("negative is not applied") << "[CDForm]\nLeft=131\nTop=-5\n"_ba << true << false;
    }
    void placeInCdForm()
    {
        QFETCH(QByteArray, ini);
        QFETCH(bool, leftApplied);
        QFETCH(bool, topApplied);
        Rig unplaced;
        unplaced.window->show();
        const QPoint before = unplaced.window->pos();
        Rig rig(ini);
        rig.window->show();
        QCOMPARE(rig.window->x(), leftApplied ? 131 : before.x());
        QCOMPARE(rig.window->y(), topApplied ? 97 : before.y());

        rig.window->move(211, 157);
        rig.window->close();
        QCOMPARE(rig.settings.readInteger(u"CDForm", u"Left", 0), 211);
        QCOMPARE(rig.settings.readInteger(u"CDForm", u"Top", 0), 157);
    }

    void ejectClosesThePlayListEditor()
    {
        Rig rig;
        rig.window->show();
        bool sawEditor = false;
        QTimer::singleShot(0, rig.window.data(), [&] {
            sawEditor = rig.window->playListEditor() && rig.window->playListEditor()->isVisible() &&
                        rig.state.playListEditorOpen;
            rig.device.eject();
            rig.window->tick();
        });
        rig.click(u"playListButton"_s); // returns when the editor has closed
        QVERIFY(sawEditor);
        QVERIFY(!rig.window->playListEditor());
        QVERIFY(!rig.state.playListEditorOpen);
        QVERIFY(!rig.enabled(u"playListButton"_s));
        rig.window->tick();
        QCOMPARE(rig.text(u"discName"_s), QString());
        QCOMPARE(rig.text(u"trackNumber"_s), u"00");
    }

    void stopRequestClosesAndClosingDropsIt()
    {
        Rig rig;
        rig.window->show();
        QVERIFY(rig.open);
        rig.click(u"playButton"_s);
        rig.stop = true;
        rig.window->tick();
        QCOMPARE(rig.device.mode(), hv::CdDevice::Mode::Stopped);
        QTRY_VERIFY(!rig.window); // closed and deleted
        QVERIFY(!rig.open);

        // Closed by the user before its tick took the request up.
        rig.device.commands.clear();
        rig.window = new CdPlayerWindow({rig.state,
                                         {rig.start, rig.mode, rig.stop, rig.open},
                                         rig.catalogue,
                                         rig.device,
                                         rig.clock,
                                         rig.settings});
        rig.window->show();
        rig.stop = true;
        rig.click(u"doneButton"_s);
        QTRY_VERIFY(!rig.window);
        QVERIFY(!rig.stop);
        QCOMPARE(rig.device.commands, QStringList()); // closing sends nothing
    }

    void theClockOpensOnePlayerThatAlarmsStartAndStop()
    {
        hv::test::ClockWindowRig clock({});
        clock.cdDevice.insertDisc(FakeCdDevice::tocOfLengths(trackLengths(4)));
        hv::DesktopAlarmActions& actions = clock.program->alarmActions();
        QTest::mouseClick(clock.window->findChild<QToolButton*>(u"cdPlayerButton"_s), Qt::LeftButton);
        QPointer<CdPlayerWindow> player = actions.cdPlayerWindow();
        QVERIFY(player);
        QVERIFY(player->isVisible());
        actions.showCdPlayer();
        QCOMPARE(actions.cdPlayerWindow(), player.data());
        QCOMPARE(clock.cdDevice.commands.filter(u"open"_s).size(), 1);

        // As a CD alarm asks: the player takes the request at its next tick.
        hv::CdRequests& requests = clock.state->cdRequests();
        requests.startRequested = true;
        requests.playMode = hv::CdRequests::Loop;
        actions.showCdPlayer();
        player->tick();
        QCOMPARE(clock.cdDevice.mode(), hv::CdDevice::Mode::Playing);
        QCOMPARE(player->findChild<QLabel*>(u"modeName"_s)->text(), u"Loop");
        QVERIFY(requests.playerOpen);

        requests.stopRequested = true;
        player->tick();
        QCOMPARE(clock.cdDevice.mode(), hv::CdDevice::Mode::Stopped);
        QTRY_VERIFY(!player);
        QVERIFY(!requests.playerOpen);

        // Opened again: the device is not opened again, and the player comes back.
        actions.showCdPlayer();
        QVERIFY(actions.cdPlayerWindow());
        QCOMPARE(clock.cdDevice.commands.filter(u"open"_s).size(), 1);
    }
};

QTEST_MAIN(TestCdPlayerWindow)
#include "tst_CdPlayerWindow.moc"
