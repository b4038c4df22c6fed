// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModalDialogs.h"
#include "TimersRig.h"
#include "app/AppState.h"
#include "controls/MessageBox.h"
#include "platform/Platform.h"
#include "platform/fake/FakeAutostart.h"
#include "platform/fake/FakeWaveDevice.h"
#include "timers/CountdownWindow.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScopeGuard>
#include <QTest>
#include <QToolButton>

using namespace hv;
using namespace Qt::StringLiterals;
using namespace hv::test;

namespace {

// One countdown window on the rig's services, shown and active.
struct Countdown
{
    TimersRig rig;
    QPointer<CountdownWindow> window;

    explicit Countdown(DateTime start)
        : rig(start)
        , window(new CountdownWindow(rig.context()))
    {
        window->show();
        QApplication::setActiveWindow(window);
    }
    ~Countdown() { delete window; }

    template <typename T = QWidget>
    T* child(const char* name) const
    {
        return window->findChild<T*>(QLatin1String(name));
    }
    QString shown() const { return child<QLabel>("timeLeft")->text(); }
    QString fields() const
    {
        return child<QLineEdit>("hoursField")->text() + u':' + child<QLineEdit>("minutesField")->text() +
               u':' + child<QLineEdit>("secondsField")->text();
    }
    // Types into a field from the keyboard, its old text replaced; nothing
    // typed empties it.
    void type(const char* field, const QString& text)
    {
        auto* edit = child<QLineEdit>(field);
        edit->setFocus();
        edit->selectAll();
        if (text.isEmpty())
            QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }
    void start() { child<QToolButton>("startButton")->click(); }
    // One second on, and the tick that comes with it.
    void tickAfter(double seconds = 1)
    {
        rig.clock.advanceSeconds(seconds);
        window->tick();
    }
    bool alarmed() const { return window->run().state() == CountdownRun::State::Alarm; }
};

} // namespace

class CountdownWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { MessageBox::takeShown(); }

    // The window opens in the hours; Tab runs hours, minutes, seconds, start;
    // leaving a field pads it, and a typed value too large wraps.
    void keyboardEntry()
    {
        Countdown c(at(12, 0, 0));
        QCOMPARE(QApplication::focusWidget(), c.child("hoursField"));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("9"));
        for (const char* next : {"minutesField", "secondsField", "startButton"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), c.child(next));
        }
        QCOMPARE(c.fields(), QStringLiteral("09:00:00"));
        c.type("secondsField", QStringLiteral("75"));
        QCOMPARE(c.fields(), QStringLiteral("09:01:00"));
        c.type("hoursField", QStringLiteral("30"));
        QCOMPARE(c.fields(), QStringLiteral("00:01:00"));
        QTest::keyClick(c.child("hoursField"), Qt::Key_Down);
        QCOMPARE(c.fields(), QStringLiteral("23:01:00"));
        QCOMPARE(c.child<QLineEdit>("hoursField")->selectedText(), QStringLiteral("23"));
        QVERIFY(MessageBox::takeShown().isEmpty());
    }

    // The spin button steps the field that last had the focus, and nothing
    // before one has had it.
    void spinButton()
    {
        TimersRig rig(at(12, 0, 0));
        CountdownWindow window(rig.context()); // never shown: no field has had the focus
        auto* up = window.findChild<QToolButton*>(QStringLiteral("spinUpButton"));
        up->click();
        QCOMPARE(window.findChild<QLineEdit*>(QStringLiteral("secondsField"))->text(), QStringLiteral("00"));

        Countdown c(at(12, 0, 0));
        c.child<QLineEdit>("secondsField")->setFocus();
        c.child<QLineEdit>("hoursField")->setFocus(); // still the hours that the spin steps
        c.child<QLineEdit>("minutesField")->setFocus();
        c.child("description")->setFocus();
        c.child<QToolButton>("spinDownButton")->click();
        QCOMPARE(c.fields(), QStringLiteral("23:59:00"));
        QCOMPARE(QApplication::focusWidget(), c.child("minutesField"));
    }

    // 00:00:05 started at 12:00:00.3 counts down on the whole seconds of the
    // start and rings on the fifth tick; a pause of 10 s puts it 10 s later.
    void countsDown_data()
    {
        QTest::addColumn<QStringList>("script"); // "tick", "pause", "resume", "+<seconds>"
        QTest::addColumn<QStringList>("shown");  // what each tick shows
        QTest::newRow("no pause") << QStringList{u"+1"_s,   u"tick"_s, u"+1"_s,   u"tick"_s, u"+1"_s,
                                                 u"tick"_s, u"+1"_s,   u"tick"_s, u"+1"_s,   u"tick"_s}
                                  << QStringList{u"00:00:04"_s, u"00:00:03"_s, u"00:00:02"_s, u"00:00:01"_s,
                                                 u"00:00:00"_s};
        QTest::newRow("a pause of 10 s")
            << QStringList{u"+1"_s,     u"tick"_s, u"+1"_s,   u"tick"_s, u"+0.5"_s, u"pause"_s, u"+10"_s,
                           u"resume"_s, u"+0.5"_s, u"tick"_s, u"+1"_s,   u"tick"_s, u"+1"_s,    u"tick"_s}
            << QStringList{u"00:00:04"_s, u"00:00:03"_s, u"00:00:02"_s, u"00:00:01"_s, u"00:00:00"_s};
    }

    void countsDown()
    {
        QFETCH(QStringList, script);
        QFETCH(QStringList, shown);

        Countdown c(at(12, 0, 0, 300));
        c.type("secondsField", QStringLiteral("5"));
        c.start();
        QStringList ticks;
        for (const QString& step : script) {
            QVERIFY2(!c.alarmed(), "rang early");
            if (step.startsWith(u'+'))
                c.rig.clock.advanceSeconds(step.mid(1).toDouble());
            else if (step == QLatin1String("tick"))
                c.window->tick(), ticks << c.shown();
            else
                c.start(); // the button toggles: pause, then resume
        }
        QCOMPARE(ticks, shown);
        QVERIFY(c.alarmed());
        QVERIFY(!c.child("startButton")->isEnabled());
        QVERIFY(!c.child("editPanel")->isEnabled());
    }

    // The end comes on time whatever the wall clock does meanwhile: midnight,
    // the time set back, a suspend. A field emptied while running keeps the
    // last duration and raises nothing from the tick.
    void endsOnTime_data()
    {
        QTest::addColumn<DateTime>("start");
        QTest::addColumn<QString>("midway"); // what happens after 300 ticks
        QTest::addColumn<int>("ringsAtTick");
        QTest::newRow("across midnight") << at(23, 55, 0) << u""_s << 600;
        QTest::newRow("clock set back an hour") << at(12, 0, 0) << u"set back"_s << 600;
        QTest::newRow("suspended for an hour") << at(12, 0, 0) << u"suspend"_s << 301;
        QTest::newRow("minutes emptied") << at(12, 0, 0) << u"empty minutes"_s << 600;
    }

    void endsOnTime()
    {
        QFETCH(DateTime, start);
        QFETCH(QString, midway);
        QFETCH(int, ringsAtTick);

        Countdown c(start);
        c.type("minutesField", QStringLiteral("10"));
        c.start();
        int tick = 0;
        while (!c.alarmed() && tick < 2000) {
            if (tick == 300 && midway == QLatin1String("set back"))
                c.rig.clock.set(c.rig.clock.now() - 1.0 / 24);
            else if (tick == 300 && midway == QLatin1String("suspend"))
                c.rig.clock.suspend(3600);
            else if (tick == 300 && midway == QLatin1String("empty minutes")) {
                MessageBox::setNextAnswer(QMessageBox::Ok);
                c.type("minutesField", QString());
            }
            c.tickAfter();
            ++tick;
        }
        QCOMPARE(tick, ringsAtTick);
        const int errors = midway == QLatin1String("empty minutes") ? 1 : 0; // the typing, not the ticks
        QCOMPARE(MessageBox::takeShown().size(), errors);
    }

    // The sound starts on ticks 1-5, 61-65, 121-125 of the alarm, refused
    // while another sound plays; the display blinks; each burst brings the
    // window back; closing sounds the default sound.
    void alarmCycle_data()
    {
        QTest::addColumn<std::optional<QString>>("recorded");
        QTest::addColumn<QString>("played"); // the file asked for; empty for the default sound
        QTest::newRow("no wave chosen") << std::optional<QString>() << u""_s;
        QTest::newRow("a recorded wave")
            << std::optional<QString>(QStringLiteral("/waves/Horavox-1.wav")) << u"/waves/Horavox-1.wav"_s;
    }

    void alarmCycle()
    {
        QFETCH(std::optional<QString>, recorded);
        QFETCH(QString, played);

        Countdown c(at(12, 0, 0));
        c.rig.recorded = recorded;
        c.child<QToolButton>("soundButton")->click();
        c.start(); // 00:00:00 rings at the first tick
        QList<int> soundTicks;
        QStringList blinks;
        for (int tick = 1; tick <= 130; ++tick) {
            if (tick == 60)
                c.window->showMinimized();
            c.rig.sound.playing = tick == 3; // a sound of the program still plays
            const qsizetype before = c.rig.sound.calls.size();
            c.tickAfter();
            if (c.rig.sound.calls.size() > before)
                soundTicks << tick;
            if (tick <= 4)
                blinks << c.shown();
        }
        QCOMPARE(soundTicks, (QList<int>{1, 2, 4, 5, 61, 62, 63, 64, 65, 121, 122, 123, 124, 125}));
        QCOMPARE(blinks, (QStringList{u"00:00:00"_s, u""_s, u"00:00:00"_s, u""_s}));
        QVERIFY(!c.window->isMinimized());
        const FakeSoundOut::Call alarm = c.rig.sound.calls.first();
        QCOMPARE(alarm.mode, SoundOut::Mode::AsyncNoStop);
        QCOMPARE(alarm.sounds.first(), Sound::fromFile(played));

        c.rig.sound.calls.clear();
        c.window->close();
        QCOMPARE(c.rig.sound.calls.size(), 1);
        QCOMPARE(c.rig.sound.calls.first().sounds.first(), Sound::fromFile(QString()));
        QTRY_VERIFY(c.window.isNull()); // closing discards the window
    }

    // The sound button opens the program's recorder, all by keyboard: Tab to
    // the button, Space, then record, stop and Enter in the recorder. The new
    // recording is the alarm's sound, and the program keeps it.
    void soundRecordedFromTheKeyboard()
    {
        QTemporaryDir home;
        FakeAutostart autostart;
        AppState state(DataPaths(home.path(), home.path()), autostart);
        state.load();
        TimersRig rig(at(12, 0, 0));
        FakeWaveDevice device;
        Platform platform;
        platform.clock = &rig.clock;
        platform.soundOut = &rig.sound;
        platform.waveDevice = &device;
        CountdownWindow window(timersContext(state, platform, {}));
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        for (int tab = 0; tab < 4; ++tab)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("soundButton"));

        bool answered = false;
        test::answerNextModal([&](QWidget* recorder) {
            const auto closeOnFailure = qScopeGuard([&] {
                if (!answered)
                    recorder->close();
            });
            QApplication::setActiveWindow(recorder);
            QVERIFY(QTest::qWaitForWindowActive(recorder));
            // An accelerator clicks its button a moment later.
            QTest::keyClick(recorder, Qt::Key_R, Qt::AltModifier);
            QTRY_VERIFY(device.calls.contains(QStringLiteral("record")));
            QTest::keyClick(recorder, Qt::Key_S, Qt::AltModifier);
            QTRY_VERIFY(device.calls.contains(QStringLiteral("stop")));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            answered = true;
        });
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QVERIFY(answered);
        const QString recording = window.alarmWave();
        QVERIFY2(QFileInfo(recording).fileName().startsWith(QLatin1String("Horavox-")),
                 qPrintable(recording));
        QVERIFY(QFileInfo::exists(recording));
        QVERIFY(state.pendingRecording().isEmpty());

        window.setRunning(true); // 00:00:00 rings at the first tick
        rig.clock.advanceSeconds(1);
        window.tick();
        QCOMPARE(rig.sound.calls.size(), 1);
        QCOMPARE(rig.sound.calls.first().sounds.first(), Sound::fromFile(recording));
    }

    void helpTopics_data()
    {
        QTest::addColumn<QString>("focused");
        QTest::addColumn<int>("topic");
        QTest::newRow("duration") << u"secondsField"_s << 46;
        QTest::newRow("description") << u"description"_s << 44;
        QTest::newRow("start button") << u"startButton"_s << 45;
    }

    void helpTopics()
    {
        QFETCH(QString, focused);
        QFETCH(int, topic);
        Countdown c(at(12, 0, 0));
        c.child(focused.toLatin1().constData())->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        c.child<QToolButton>("helpButton")->click();
        QCOMPARE(c.rig.helpTopics, (QList<int>{topic, 45}));
    }
};

QTEST_MAIN(CountdownWindowTest)
#include "tst_CountdownWindow.moc"
