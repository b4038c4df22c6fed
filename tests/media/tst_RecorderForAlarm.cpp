// SPDX-License-Identifier: GPL-3.0-or-later
// The recorder as a user reaches it: from the Wave File page of the alarm
// editor, by keyboard alone, on the whole clock over fake platform services;
// the alarm saved with the new recording then plays that file when it fires.

#include "ClockWindowRig.h"
#include "ModalDialogs.h"
#include "alarms/AlarmFile.h"
#include "alarms/AlarmTable.h"
#include "common/DateTime.h"
#include "media/RecorderFiles.h"

#include <QApplication>
#include <QFileInfo>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace hv;

namespace {

DateTime at(int year, int month, int day, int hour, int minute)
{
    return *tryEncodeDate(year, month, day) + *tryEncodeTime(hour, minute);
}

// A key to whatever has the focus in the active window; an accelerator clicks
// its button only once the button's pressed look has shown.
void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* target =
        QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
    QVERIFY(target != nullptr);
    QTest::keyClick(target, Qt::Key(key), modifiers);
    if (modifiers.testFlag(Qt::AltModifier))
        QTest::qWait(200);
}

// Answers the next modal dialog that opens over `over`: an accelerator clicks
// a moment after its key, while `over` is still the modal one.
void answerNextModalOver(QWidget* over, std::function<void(QWidget*)> act)
{
    test::answerNextModal([over, act](QWidget* dialog) {
        if (dialog == over)
            answerNextModalOver(over, act);
        else
            act(dialog);
    });
}

} // namespace

class TestRecorderForAlarm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recordedByKeyboardAndPlayedByTheAlarm();
};

void TestRecorderForAlarm::recordedByKeyboardAndPlayedByTheAlarm()
{
    test::ClockWindowRig rig({at(2026, 3, 9, 8, 0), {}, false, {}, nullptr});
    rig.waveDevice.recordingMs = 2500;
    rig.window->show();
    QString pageShown;
    QString recorderTitle;
    test::answerNextModal([&](QWidget* editor) {
        QTRY_VERIFY(QApplication::focusWidget() && QApplication::focusWidget()->window() == editor);
        press(Qt::Key_W, Qt::AltModifier); // the Wave File page
        pageShown = editor->findChild<QTabWidget*>(QStringLiteral("pages"))->currentWidget()->objectName();
        answerNextModalOver(editor, [&](QWidget* recorder) {
            recorderTitle = recorder->windowTitle();
            QTRY_VERIFY(QApplication::focusWidget() && QApplication::focusWidget()->window() == recorder);
            press(Qt::Key_R, Qt::AltModifier);
            QTRY_COMPARE(rig.waveDevice.mode(), WaveDevice::Mode::Recording);
            press(Qt::Key_S, Qt::AltModifier);
            QTRY_COMPARE(rig.waveDevice.mode(), WaveDevice::Mode::Stopped);
            press(Qt::Key_Return); // OK
        });
        press(Qt::Key_B, Qt::AltModifier); // Browse / Record
        QTRY_VERIFY(QApplication::activeModalWidget() == editor);
        QVERIFY(!recorderTitle.isEmpty());
        // What the window manager does once the recorder has gone.
        QApplication::setActiveWindow(editor);
        QTRY_VERIFY(QApplication::focusWidget() && QApplication::focusWidget()->window() == editor);
        // A minute later than now, so that it is still to come.
        press(Qt::Key_T, Qt::AltModifier);
        press(Qt::Key_Home);
        press(Qt::Key_Right);
        press(Qt::Key_Right);
        press(Qt::Key_Right);
        press(Qt::Key_Up);
        press(Qt::Key_S, Qt::AltModifier); // Save
        press(Qt::Key_Escape);
    });
    QTest::mouseClick(rig.window->findChild<QToolButton*>(QStringLiteral("alarmsButton")), Qt::LeftButton);
    QCOMPARE(pageShown, QStringLiteral("wavePage"));
    QCOMPARE(recorderTitle, QStringLiteral("Recorder"));

    const QString recording = numberedRecording(rig.state->paths().wavesDir(), 1);
    QVERIFY(QFileInfo(recording).isFile());
    AlarmTable saved;
    QVERIFY(loadAlarmFile(rig.state->paths().alarmFile(), saved).message.isEmpty());
    const AlarmRecord& alarm = saved.slot(1);
    QCOMPARE(alarm.AlarmKind, KindWaveFile);
    QCOMPARE(alarm.Target.text(), recording);
    QVERIFY(alarm.Active);
    QCOMPARE(alarm.StartTime, *tryEncodeTime(8, 1));

    // The alarm fires at its time and plays the recording.
    rig.sound.calls.clear();
    rig.clock.set(at(2026, 3, 9, 8, 1) + 0.002 / 86400);
    rig.session->tick();
    const auto played = [&] {
        QStringList files;
        for (const FakeSoundOut::Call& call : std::as_const(rig.sound.calls)) {
            for (const Sound& sound : call.sounds)
                files.append(sound.file);
        }
        return files;
    };
    QTRY_VERIFY2(played().contains(recording), qPrintable(played().join(u',')));
}

QTEST_MAIN(TestRecorderForAlarm)
#include "tst_RecorderForAlarm.moc"
