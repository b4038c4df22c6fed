// SPDX-License-Identifier: GPL-3.0-or-later
#include "alarms/MessageAlarmWindow.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/FakeSoundOut.h"

#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

using namespace hv;

namespace {

DateTime at(int year, int month, int day, int hour, int minute, int second = 0)
{
    return *tryEncodeDate(year, month, day) + *tryEncodeTime(hour, minute, second);
}

QString shown(DateTime moment)
{
    return toQDateTime(moment).toString(Qt::ISODateWithMs);
}

// A table, the services and one message window's way to them. Alarms are
// told apart by their Target.
struct Rig
{
    QTemporaryDir programDir;
    AlarmTable alarms;
    FakeSoundOut sound;
    FakeClock clock{at(2026, 3, 9, 7, 0, 40)};
    int snoozeTime = 10;
    int changes = 0;

    // An alarm in slot n starting at hh:mm, due at the given moment.
    AlarmId put(int n, const QString& target, int hour, int minute, bool autoDelete = false)
    {
        AlarmRecord& r = alarms.slot(n);
        r.Rule = RuleOnce;
        r.AlarmKind = KindMessage;
        r.Target = target;
        r.WaveA = QStringLiteral("NONE");
        r.StartTime = *tryEncodeTime(hour, minute);
        r.OnceDate = *tryEncodeDate(2026, 3, 9);
        r.NextDue = r.OnceDate + r.StartTime;
        r.Active = true;
        r.AutoDelete = autoDelete;
        return alarms.idOf(n);
    }

    // Opens a window the way the alarm check does; it deletes itself on close.
    QPointer<MessageAlarmWindow> open(AlarmId alarm, const QString& wave = QStringLiteral("NONE"),
                                      int cascadePlace = 0)
    {
        const MessageAlarmContext context{
            alarms, sound, clock, snoozeTime, programDir.path(), [this] { ++changes; }};
        const std::optional<int> slot = alarms.slotOf(alarm);
        const QString text = slot ? alarms.slot(*slot).Target.text() : QString();
        auto* window = new MessageAlarmWindow(context, alarm, text, wave);
        window->setCascadePlace(cascadePlace);
        window->show();
        return window;
    }

    // The slot holding the alarm whose Target is `target`; 0 when none does.
    int slotNamed(const QString& target) const
    {
        for (int n = 1; n <= AlarmTable::kSlots; ++n) {
            if (alarms.slot(n).isUsed() && alarms.slot(n).Target.text() == target)
                return n;
        }
        return 0;
    }

    int beeps() const
    {
        return static_cast<int>(std::count_if(sound.calls.cbegin(), sound.calls.cend(), [](const auto& c) {
            return c.kind == FakeSoundOut::Call::Beep;
        }));
    }
    QStringList wavesPlayed() const
    {
        QStringList files;
        for (const FakeSoundOut::Call& c : sound.calls) {
            if (c.kind == FakeSoundOut::Call::Play) {
                files.append(c.sounds.value(0).file);
                if (c.mode != SoundOut::Mode::AsyncNoStop || !c.sounds.value(0).defaultOnFailure)
                    files.append(QStringLiteral("<wrong mode>"));
            }
        }
        return files;
    }
};

template <typename T>
T* child(QWidget* window, const char* name)
{
    return window->findChild<T*>(QString::fromLatin1(name));
}

void click(QWidget* window, const char* button)
{
    auto* b = child<QPushButton>(window, button);
    QVERIFY2(b, button);
    QTest::mouseClick(b, Qt::LeftButton);
}

// The window closed and deleted itself.
#define VERIFY_GONE(window) QTRY_VERIFY_WITH_TIMEOUT((window).isNull(), 5000)

} // namespace

class TestMessageAlarmWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanup();

    void laidOutAsAMessageAlarm();
    void snoozeMovesTheAlarm_data();
    void snoozeMovesTheAlarm();
    void okEndsTheAlarm_data();
    void okEndsTheAlarm();
    void closeBoxAndEscapeTouchNothing_data();
    void closeBoxAndEscapeTouchNothing();
    void windowsOpenTogetherCascade();
    void followsTheAlarmWhenTheTableIsRearranged_data();
    void followsTheAlarmWhenTheTableIsRearranged();
    void leavesOtherAlarmsAloneWhenItsAlarmIsGone_data();
    void leavesOtherAlarmsAloneWhenItsAlarmIsGone();
    void playsTheWaveEvery59Ticks_data();
    void playsTheWaveEvery59Ticks();
    void timerTicksOnItsOwn();
    void twoWindowsEachWithItsAlarm();
};

void TestMessageAlarmWindow::cleanup()
{
    // A failed test may leave its window open: it must not reach the next one.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<MessageAlarmWindow*>(w))
            delete w;
    }
}

void TestMessageAlarmWindow::laidOutAsAMessageAlarm()
{
    Rig rig;
    rig.snoozeTime = 25;
    const AlarmId id = rig.put(3, QStringLiteral("Call the garage"), 7, 0);
    const QPointer<MessageAlarmWindow> window = rig.open(id, QStringLiteral("/tmp/ring.wav"));
    QVERIFY(QTest::qWaitForWindowExposed(window.data()));

    QCOMPARE(window->windowTitle(), QStringLiteral("Message Alarm!"));
    QVERIFY(!window->isModal());
    QVERIFY(window->testAttribute(Qt::WA_DeleteOnClose));
    const Qt::WindowFlags flags = window->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
    QCOMPARE(window->frameGeometry().center(), window->screen()->availableGeometry().center());

    auto* memo = child<QTextEdit>(window, "messageText");
    QVERIFY(memo);
    QCOMPARE(memo->toPlainText(), QStringLiteral("Call the garage"));
    QVERIFY(memo->isReadOnly());
    QCOMPARE(memo->focusPolicy(), Qt::NoFocus);
    QCOMPARE(memo->palette().color(QPalette::Base), QColor(Qt::white));
    QCOMPARE(memo->document()->defaultTextOption().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);

    auto* ok = child<QPushButton>(window, "okButton");
    auto* snooze = child<QPushButton>(window, "snoozeButton");
    auto* minutes = child<QSpinBox>(window, "snoozeMinutes");
    QVERIFY(ok && snooze && minutes);
    QCOMPARE(ok->toolTip(), QStringLiteral("Close / Stop message"));
    QCOMPARE(snooze->text(), QStringLiteral("Snooze"));
    QCOMPARE(snooze->toolTip(), QStringLiteral("Snooze for time indicated"));
    QVERIFY(snooze->isDefault());
    QVERIFY(!ok->isDefault());
    QCOMPARE(minutes->toolTip(), QStringLiteral("Snooze Time"));
    QCOMPARE(minutes->minimum(), 1);
    QCOMPARE(minutes->maximum(), 59);
    QCOMPARE(minutes->value(), 25);
    QCOMPARE(minutes->suffix(), QStringLiteral(" min"));
    QVERIFY(minutes->text().endsWith(QStringLiteral("25 min")));

    for (QWidget* w : {static_cast<QWidget*>(memo), static_cast<QWidget*>(ok), static_cast<QWidget*>(snooze),
                       static_cast<QWidget*>(minutes)})
        QVERIFY2(window->rect().contains(w->geometry()), qPrintable(w->objectName()));
    QVERIFY(minutes->width() >= minutes->sizeHint().width());

    auto* timer = window->findChild<QTimer*>(QStringLiteral("tickTimer"));
    QVERIFY(timer);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 1000);
}

void TestMessageAlarmWindow::snoozeMovesTheAlarm_data()
{
    QTest::addColumn<DateTime>("now");
    QTest::addColumn<int>("spinValue"); // 0: left as SnoozeTime set it
    QTest::addColumn<DateTime>("expected");
    QTest::addColumn<int>("expectedSnoozeTime");

    QTest::newRow("7:00:40 with 10 is 7:10 today")
        << at(2026, 3, 9, 7, 0, 40) << 0 << at(2026, 3, 9, 7, 10) << 10;
    QTest::newRow("23:55 with 10 is 0:05 tomorrow")
        << at(2026, 3, 9, 23, 55) << 0 << at(2026, 3, 10, 0, 5) << 10;
    QTest::newRow("over the year's end") << at(2026, 12, 31, 23, 30, 59) << 45 << at(2027, 1, 1, 0, 15) << 45;
    QTest::newRow("the spin box's value becomes SnoozeTime")
        << at(2026, 3, 9, 12, 0) << 1 << at(2026, 3, 9, 12, 1) << 1;
    QTest::newRow("59 minutes") << at(2026, 3, 9, 12, 0, 59) << 59 << at(2026, 3, 9, 12, 59) << 59;
}

void TestMessageAlarmWindow::snoozeMovesTheAlarm()
{
    QFETCH(DateTime, now);
    QFETCH(int, spinValue);
    QFETCH(DateTime, expected);
    QFETCH(int, expectedSnoozeTime);

    Rig rig;
    const AlarmId id = rig.put(1, QStringLiteral("Tea"), 7, 0);
    const QPointer<MessageAlarmWindow> window = rig.open(id);
    rig.clock.set(now);
    if (spinValue != 0)
        child<QSpinBox>(window, "snoozeMinutes")->setValue(spinValue);
    click(window, "snoozeButton");

    QCOMPARE(rig.beeps(), 1);
    QCOMPARE(rig.snoozeTime, expectedSnoozeTime);
    const DateTime due = rig.alarms.slot(1).NextDue;
    QVERIFY2(sameMinute(due, expected), qPrintable(shown(due) + QStringLiteral(" != ") + shown(expected)));
    QVERIFY(rig.alarms.slot(1).isUsed());
    VERIFY_GONE(window);
}

void TestMessageAlarmWindow::okEndsTheAlarm_data()
{
    QTest::addColumn<bool>("autoDelete");

    QTest::newRow("auto delete: removed, its recording too") << true;
    QTest::newRow("no auto delete: stays as it is") << false;
}

void TestMessageAlarmWindow::okEndsTheAlarm()
{
    QFETCH(bool, autoDelete);

    Rig rig;
    rig.put(1, QStringLiteral("Early"), 6, 0);
    const AlarmId id = rig.put(2, QStringLiteral("Tea"), 7, 0, autoDelete);
    rig.put(3, QStringLiteral("Late"), 8, 0);
    const QString recording = QDir(rig.programDir.path()).filePath(QStringLiteral("waves/Horavox-1.wav"));
    QVERIFY(QDir().mkpath(QFileInfo(recording).absolutePath()));
    QFile file(recording);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    rig.alarms.slot(2).WaveA = QStringLiteral("waves\\Horavox-1.wav");
    const AlarmRecord before = rig.alarms.slot(2);

    const QPointer<MessageAlarmWindow> window = rig.open(id, QStringLiteral("waves\\Horavox-1.wav"));
    click(window, "okButton");

    QCOMPARE(rig.beeps(), 1);
    QCOMPARE(rig.changes, 1);
    QCOMPARE(rig.alarms.usedCount(), autoDelete ? 2 : 3);
    QCOMPARE(QFile::exists(recording), !autoDelete);
    if (autoDelete) {
        // The gap is closed, the rest keep their order.
        QCOMPARE(rig.slotNamed(QStringLiteral("Early")), 1);
        QCOMPARE(rig.slotNamed(QStringLiteral("Late")), 2);
    } else {
        QCOMPARE(rig.alarms.slot(2), before);
    }
    VERIFY_GONE(window);
}

void TestMessageAlarmWindow::closeBoxAndEscapeTouchNothing_data()
{
    QTest::addColumn<bool>("escape");

    QTest::newRow("close box") << false;
    QTest::newRow("Escape") << true;
}

void TestMessageAlarmWindow::closeBoxAndEscapeTouchNothing()
{
    QFETCH(bool, escape);

    Rig rig;
    const AlarmId id = rig.put(1, QStringLiteral("Tea"), 7, 0, true);
    const AlarmRecord before = rig.alarms.slot(1);
    const QPointer<MessageAlarmWindow> window = rig.open(id);
    QVERIFY(QTest::qWaitForWindowExposed(window.data()));

    if (escape)
        QTest::keyClick(window.data(), Qt::Key_Escape);
    else
        window->close(); // as the close box does
    VERIFY_GONE(window);
    QCOMPARE(rig.alarms.slot(1), before);
    QCOMPARE(rig.beeps(), 0);
    QCOMPARE(rig.changes, 0);
    QCOMPARE(rig.snoozeTime, 10);
}

void TestMessageAlarmWindow::windowsOpenTogetherCascade()
{
    Rig rig;
    QList<QPointer<MessageAlarmWindow>> windows;
    for (int place = 0; place < 3; ++place)
        windows << rig.open(rig.put(place + 1, QStringLiteral("Alarm %1").arg(place), 7, 0), {}, place);
    for (const auto& window : windows)
        QVERIFY(QTest::qWaitForWindowExposed(window.data()));
    const QRect screen = windows[0]->screen()->availableGeometry();
    QCOMPARE(windows[0]->frameGeometry().center(), screen.center());
    for (int place = 1; place < 3; ++place) {
        const QPoint step = windows[place]->pos() - windows[place - 1]->pos();
        QVERIFY2(step.x() >= MessageAlarmWindow::kCascadeStep && step.x() == step.y(),
                 qPrintable(QStringLiteral("%1,%2").arg(step.x()).arg(step.y())));
    }

    // Far down the cascade the windows wrap round and stay on the screen.
    for (int place = 3; place < 40; ++place) {
        const QPointer<MessageAlarmWindow> window =
            rig.open(rig.put(place + 1, QStringLiteral("Alarm %1").arg(place), 7, 0), {}, place);
        QVERIFY2(screen.contains(window->frameGeometry()), qPrintable(QString::number(place)));
        windows << window;
    }
    QVERIFY(std::any_of(windows.begin() + 3, windows.end(),
                        [&](const auto& w) { return w->pos() == windows[0]->pos(); }));
}

void TestMessageAlarmWindow::followsTheAlarmWhenTheTableIsRearranged_data()
{
    QTest::addColumn<QString>("button");

    QTest::newRow("Snooze") << QStringLiteral("snoozeButton");
    QTest::newRow("OK") << QStringLiteral("okButton");
}

void TestMessageAlarmWindow::followsTheAlarmWhenTheTableIsRearranged()
{
    QFETCH(QString, button);

    Rig rig;
    const AlarmId id = rig.put(1, QStringLiteral("Tea"), 7, 0, true);
    const QPointer<MessageAlarmWindow> window = rig.open(id);
    // The editor adds an earlier alarm meanwhile: the sort moves "Tea" to slot 2.
    rig.put(2, QStringLiteral("Wake"), 6, 0, true);
    rig.alarms.sort();
    QCOMPARE(rig.slotNamed(QStringLiteral("Tea")), 2);

    rig.clock.set(at(2026, 3, 9, 7, 3, 5));
    click(window, button.toLatin1().constData());

    const int wake = rig.slotNamed(QStringLiteral("Wake"));
    QCOMPARE(wake, 1);
    QVERIFY(sameMinute(rig.alarms.slot(wake).NextDue, at(2026, 3, 9, 6, 0)));
    if (button == QLatin1String("okButton")) {
        QCOMPARE(rig.slotNamed(QStringLiteral("Tea")), 0);
    } else {
        QVERIFY(sameMinute(rig.alarms.slot(2).NextDue, at(2026, 3, 9, 7, 13)));
    }
    VERIFY_GONE(window);
}

void TestMessageAlarmWindow::leavesOtherAlarmsAloneWhenItsAlarmIsGone_data()
{
    QTest::addColumn<QString>("button");

    QTest::newRow("Snooze") << QStringLiteral("snoozeButton");
    QTest::newRow("OK") << QStringLiteral("okButton");
}

void TestMessageAlarmWindow::leavesOtherAlarmsAloneWhenItsAlarmIsGone()
{
    QFETCH(QString, button);

    Rig rig;
    const AlarmId id = rig.put(1, QStringLiteral("Tea"), 7, 0, true);
    rig.put(2, QStringLiteral("Other"), 8, 0, true);
    const QPointer<MessageAlarmWindow> window = rig.open(id);
    // The editor deletes "Tea": "Other" moves into its slot, which the window
    // knew as its own.
    rig.alarms.removeSlot(1, rig.programDir.path());
    QCOMPARE(rig.slotNamed(QStringLiteral("Other")), 1);
    const AlarmRecord other = rig.alarms.slot(1);

    rig.clock.set(at(2026, 3, 9, 7, 3));
    rig.snoozeTime = 10;
    child<QSpinBox>(window, "snoozeMinutes")->setValue(20);
    click(window, button.toLatin1().constData());

    QCOMPARE(rig.alarms.slot(1), other);
    QCOMPARE(rig.alarms.usedCount(), 1);
    QCOMPARE(rig.beeps(), 1);
    if (button == QLatin1String("snoozeButton"))
        QCOMPARE(rig.snoozeTime, 20); // the chosen length still counts for the next window
    VERIFY_GONE(window);
}

void TestMessageAlarmWindow::playsTheWaveEvery59Ticks_data()
{
    QTest::addColumn<QString>("wave");
    QTest::addColumn<bool>("plays");

    QTest::newRow("a wave file") << QStringLiteral("/music/bell.wav") << true;
    QTest::newRow("NONE is silent") << QStringLiteral("NONE") << false;
    QTest::newRow("empty is silent") << QString() << false;
}

void TestMessageAlarmWindow::playsTheWaveEvery59Ticks()
{
    QFETCH(QString, wave);
    QFETCH(bool, plays);

    Rig rig;
    const QPointer<MessageAlarmWindow> window = rig.open(rig.put(1, QStringLiteral("Tea"), 7, 0), wave);
    window->findChild<QTimer*>(QStringLiteral("tickTimer"))->stop(); // the test ticks it
    QVERIFY(rig.wavesPlayed().isEmpty());

    const QStringList once = plays ? QStringList{wave} : QStringList{};
    window->tick();
    QCOMPARE(rig.wavesPlayed(), once);
    for (int tick = 2; tick <= 59; ++tick)
        window->tick();
    QCOMPARE(rig.wavesPlayed(), once);
    window->tick(); // the 60th: 59 ticks after the first
    QCOMPARE(rig.wavesPlayed(), once + once);
    for (int tick = 61; tick <= 118; ++tick)
        window->tick();
    QCOMPARE(rig.wavesPlayed(), once + once);
    window->tick();
    QCOMPARE(rig.wavesPlayed(), once + once + once);

    // A sound that is playing is not interrupted.
    rig.sound.playing = true;
    for (int tick = 120; tick <= 178; ++tick)
        window->tick();
    QCOMPARE(rig.wavesPlayed(), once + once + once);
}

void TestMessageAlarmWindow::timerTicksOnItsOwn()
{
    Rig rig;
    const QPointer<MessageAlarmWindow> window =
        rig.open(rig.put(1, QStringLiteral("Tea"), 7, 0), QStringLiteral("a.wav"));
    QTRY_COMPARE_WITH_TIMEOUT(rig.wavesPlayed(), QStringList{QStringLiteral("a.wav")}, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(window->nextTick(), 3, 10000);
    QCOMPARE(rig.wavesPlayed(), QStringList{QStringLiteral("a.wav")});
}

void TestMessageAlarmWindow::twoWindowsEachWithItsAlarm()
{
    Rig rig;
    const AlarmId tea = rig.put(1, QStringLiteral("Tea"), 7, 0, true);
    const AlarmId post = rig.put(2, QStringLiteral("Post"), 7, 0, true);
    const QPointer<MessageAlarmWindow> first = rig.open(tea);
    const QPointer<MessageAlarmWindow> second = rig.open(post);
    QVERIFY(first->isVisible() && second->isVisible());
    QCOMPARE(first->alarm(), tea);
    QCOMPARE(second->alarm(), post);
    QCOMPARE(child<QTextEdit>(second, "messageText")->toPlainText(), QStringLiteral("Post"));

    rig.clock.set(at(2026, 3, 9, 7, 0, 30));
    click(second, "snoozeButton");
    VERIFY_GONE(second);
    QVERIFY(first && first->isVisible());
    QVERIFY(
        sameMinute(rig.alarms.slot(rig.slotNamed(QStringLiteral("Post"))).NextDue, at(2026, 3, 9, 7, 10)));

    click(first, "okButton");
    VERIFY_GONE(first);
    QCOMPARE(rig.slotNamed(QStringLiteral("Tea")), 0);
    QCOMPARE(rig.slotNamed(QStringLiteral("Post")), 1);
    QVERIFY(sameMinute(rig.alarms.slot(1).NextDue, at(2026, 3, 9, 7, 10)));
}

QTEST_MAIN(TestMessageAlarmWindow)
#include "tst_MessageAlarmWindow.moc"
