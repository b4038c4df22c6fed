// SPDX-License-Identifier: GPL-3.0-or-later
#include "ClockWindowRig.h"
#include "ModalDialogs.h"
#include "alarms/AlarmCheck.h"
#include "alarms/AlarmFile.h"
#include "alarms/FakeAlarmActions.h"
#include "alarms/Recurrence.h"
#include "app/AlarmEditor.h"
#include "app/AppState.h"
#include "controls/MessageBox.h"
#include "controls/TimeEdit.h"
#include "platform/fake/FakeAutostart.h"
#include "platform/fake/FakeClock.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace hv;

namespace {

DateTime at(int year, int month, int day, int hour, int minute)
{
    return *tryEncodeDate(year, month, day) + *tryEncodeTime(hour, minute);
}

// Monday 9 March 2026, 8:00:30.
const DateTime kNow = at(2026, 3, 9, 8, 0) + 30.0 / 86400;

// An editor over its own data folder, at a fixed moment. The recorder is a
// fake that, as the real one's OK does, makes the next numbered recording,
// names it as the pending recording and hands it back; or, when `opens` is
// set, hands back that existing file as the real one does for a file opened.
struct Editor
{
    QTemporaryDir home;
    FakeAutostart autostart;
    FakeClock clock{kNow};
    AppState state{DataPaths(home.path(), home.path()), autostart};
    QList<int> helpTopics;
    int recordings = 0;
    QStringList recorderOpenedOn;
    QString opens;
    std::unique_ptr<AlarmEditor> window;

    Editor() { QDir(home.path()).mkpath(QStringLiteral("waves")); }

    QString wave(int n) const { return home.filePath(QStringLiteral("waves/Horavox-%1.wav").arg(n)); }
    void makeWave(int n) const
    {
        QFile file(wave(n));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    // A daily alarm of `kind` in slot n starting at hh:mm.
    AlarmId put(int n, std::int32_t kind, const QString& target, int hour, int minute)
    {
        AlarmRecord& r = state.alarms().slot(n);
        r.Rule = RuleDaily;
        r.AlarmKind = kind;
        r.Target = target;
        r.WaveA = QStringLiteral("NONE");
        r.WaveB = QStringLiteral("NONE");
        r.StartTime = *tryEncodeTime(hour, minute);
        r.Active = true;
        return state.alarms().idOf(n);
    }

    void open(int page = KindMessage)
    {
        AlarmEditorServices services{clock,
                                     [this](int topic) { helpTopics.append(topic); },
                                     [this](const QString& current, QWidget*) -> std::optional<QString> {
                                         recorderOpenedOn.append(current);
                                         if (!opens.isEmpty())
                                             return opens;
                                         ++recordings;
                                         makeWave(100 + recordings);
                                         state.setPendingRecording(wave(100 + recordings));
                                         return wave(100 + recordings);
                                     },
                                     {},
                                     [](QWidget*, const QString&) { return QStringLiteral("/opt/pd"); }};
        window = std::make_unique<AlarmEditor>(state, std::move(services));
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        pages()->setCurrentIndex(page);
    }

    template <typename T>
    T* get(const char* name) const
    {
        T* child = window->findChild<T*>(QLatin1String(name));
        if (!child)
            qFatal("no %s", name);
        return child;
    }
    QTabWidget* pages() const { return get<QTabWidget>("pages"); }
    QListWidget* list() const { return get<QListWidget>("alarmList"); }
    // A check box takes a click on its box or caption only: near its left end.
    void click(const char* name) const
    {
        QAbstractButton* button = get<QAbstractButton>(name);
        const QPoint where =
            qobject_cast<QCheckBox*>(button) ? QPoint(6, button->height() / 2) : button->rect().center();
        QTest::mouseClick(button, Qt::LeftButton, {}, where);
    }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const
    {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
        // A button's accelerator clicks it once its pressed look has shown.
        if (modifiers.testFlag(Qt::AltModifier))
            QTest::qWait(200);
    }
    QString focused() const
    {
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
    }
    QStringList lines() const
    {
        QStringList texts;
        for (int i = 0; i < list()->count(); ++i)
            texts.append(list()->item(i)->text());
        return texts;
    }
    QStringList targets()
    {
        QStringList texts;
        for (int n = 1; n <= AlarmTable::kSlots; ++n)
            texts.append(state.alarms().slot(n).isUsed() ? state.alarms().slot(n).Target.text() : QString());
        while (!texts.isEmpty() && texts.last().isEmpty())
            texts.removeLast();
        return texts;
    }
    // Types into the widget that has the focus.
    void type(const QString& text) const { QTest::keyClicks(QApplication::focusWidget(), text); }
    QString launcherFolderStored() { return state.profile().readString(u"Pagedeck", u"Path"); }
};

QStringList shownTexts()
{
    QStringList texts;
    for (const MessageBox::Shown& shown : MessageBox::takeShown())
        texts.append(shown.text);
    return texts;
}

} // namespace

class TestAlarmEditor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { MessageBox::takeShown(); }

    void typingAMessageAndAltSMakesAnAlarm()
    {
        Editor e;
        e.open();
        QCOMPARE(e.focused(), QStringLiteral("messageText"));
        e.type(QStringLiteral("Tea"));
        QVERIFY(e.window->isModified());
        e.key(Qt::Key_S, Qt::AltModifier);
        QCOMPARE(e.targets(), QStringList{QStringLiteral("Tea")});
        const AlarmRecord& saved = e.state.alarms().slot(1);
        QCOMPARE(saved.Rule, RuleOnce);
        QCOMPARE(saved.OnceDate, at(2026, 3, 9, 0, 0));
        QCOMPARE(saved.StartTime, *tryEncodeTime(8, 0));
        QCOMPARE(saved.WaveA.text(), QStringLiteral("NONE"));
        QVERIFY(!e.window->isModified());
    }

    // An alarm of each kind made, changed and deleted with keys alone; what
    // was saved fires through the alarm check as the clock would fire it.
    void eachKindIsMadeChangedAndDeletedByKeys_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<char>("accelerator");
        // Typed into the page's first control; "<Down>" and "<Space>" are keys.
        QTest::addColumn<QStringList>("fill");
        QTest::addColumn<QString>("target"); // %1: the recording the recorder made
        QTest::addColumn<QString>("fired");
        QTest::newRow("message") << int(KindMessage) << 'M' << QStringList{QStringLiteral("Tea")}
                                 << QStringLiteral("Tea") << QStringLiteral("message Tea");
        QTest::newRow("program") << int(KindProgram) << 'P' << QStringList{QStringLiteral("xclock -digital")}
                                 << QStringLiteral("xclock -digital")
                                 << QStringLiteral("start xclock -digital");
        QTest::newRow("wave file") << int(KindWaveFile) << 'W' << QStringList{QStringLiteral("<Space>")}
                                   << QStringLiteral("%1") << QStringLiteral("play %1");
        QTest::newRow("cd player") << int(KindCdPlayer) << 'D' << QStringList{QStringLiteral("<Down>")}
                                   << QStringLiteral("Loop") << QStringLiteral("cd player");
        QTest::newRow("command") << int(KindCommand) << 'C' << QStringList{QStringLiteral("<Down>")}
                                 << QStringLiteral(" PlayVoice On") << QStringLiteral("voice on");
        QTest::newRow("pagedeck") << int(KindPagedeck) << 'P' << QStringList{QStringLiteral("<Down>")}
                                  << QStringLiteral("Morning") << QStringLiteral("pagedeck Morning -LAUNCH");
    }
    void eachKindIsMadeChangedAndDeletedByKeys()
    {
        QFETCH(int, kind);
        QFETCH(char, accelerator);
        QFETCH(QStringList, fill);
        QFETCH(QString, target);
        QFETCH(QString, fired);
        Editor e;
        QDir(e.home.path()).mkpath(QStringLiteral("pd"));
        QFile page(e.home.filePath(QStringLiteral("pd/Morning.tab")));
        QVERIFY(page.open(QIODevice::WriteOnly));
        e.state.profile().writeString(u"Pagedeck", u"Path", e.home.filePath(QStringLiteral("pd")));
        e.open();
        target = target.arg(e.wave(101));
        fired = fired.arg(e.wave(101));

        // Make: the page by its accelerator (Program and Pagedeck share one),
        // the page's first control, the start time, Alt+S.
        for (int press = 0; press < 3 && e.pages()->currentIndex() != kind; ++press)
            e.key(Qt::Key_A + (accelerator - 'A'), Qt::AltModifier);
        QCOMPARE(e.pages()->currentIndex(), kind);
        for (const QString& step : fill) {
            if (step == QStringLiteral("<Down>"))
                e.key(Qt::Key_Down);
            else if (step == QStringLiteral("<Space>"))
                e.key(Qt::Key_Space);
            else
                e.type(step);
        }
        const auto setStart = [&e](const QString& hours) {
            e.key(Qt::Key_T, Qt::AltModifier);
            QCOMPARE(e.focused(), QStringLiteral("startTimeEdit"));
            e.type(hours);
            // Saved while the time field still has the focus.
            e.key(Qt::Key_S, Qt::AltModifier);
        };
        setStart(QStringLiteral("9"));
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(e.state.alarms().usedCount(), 1);
        const AlarmId made = e.state.alarms().idOf(1);
        QCOMPARE(e.state.alarms().slot(1).AlarmKind, kind);
        QCOMPARE(e.state.alarms().slot(1).Target.text(), target);
        QCOMPARE(e.state.alarms().slot(1).StartTime, *tryEncodeTime(9, 0));
        QCOMPARE(e.lines().size(), 1);

        // Change: the saved alarm is the one loaded; a later start replaces its time.
        QCOMPARE(e.window->selectedAlarm(), made);
        setStart(QStringLiteral("10"));
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(e.state.alarms().usedCount(), 1);
        QCOMPARE(e.state.alarms().idOf(1), made);
        QCOMPARE(e.state.alarms().slot(1).StartTime, *tryEncodeTime(10, 0));

        // It fires at the changed time, not at the first one.
        AlarmTable fires = e.state.alarms();
        CdRequests cd;
        VoiceSettings voice;
        std::int32_t interval = 0;
        FakeAlarmActions actions;
        QTemporaryDir elsewhere;
        AlarmCheck check(fires, cd, voice, interval, actions, elsewhere.path());
        const auto happened = [&](int hour, int minute) {
            check.run(at(2026, 3, 9, hour, minute), at(2026, 3, 9, hour, minute) + 0.002 / 86400, false);
            QStringList what = actions.takeCalls();
            if (std::exchange(voice.playVoice, false))
                what.append(QStringLiteral("voice on"));
            return what;
        };
        QCOMPARE(happened(9, 0), QStringList());
        QCOMPARE(happened(9, 59), QStringList());
        QCOMPARE(happened(10, 0), QStringList{fired});

        // Delete: Tab reaches the list, whose Delete key asks first.
        for (int press = 0; press < 40 && e.focused() != QStringLiteral("alarmList"); ++press)
            e.key(Qt::Key_Tab);
        QCOMPARE(e.focused(), QStringLiteral("alarmList"));
        MessageBox::setNextAnswer(QMessageBox::Yes);
        e.key(Qt::Key_Delete);
        QCOMPARE(shownTexts(), QStringList{QStringLiteral("Are you sure you want to delete this alarm?")});
        QCOMPARE(e.state.alarms().usedCount(), 0);
        QCOMPARE(e.lines(), QStringList());
    }

    void eachPageRefusesAnIncompleteAlarm_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("program") << int(KindProgram)
                                 << QStringLiteral("You must 1st enter a program name before saving.")
                                 << QStringLiteral("programPath");
        QTest::newRow("wave") << int(KindWaveFile)
                              << QStringLiteral("Please enter a valid wave file or use the 'Browse / Record' "
                                                "button to select or record a wave file.")
                              << QStringLiteral("wavePath");
        QTest::newRow("cd") << int(KindCdPlayer) << QStringLiteral("You must enter a 'Mode'.")
                            << QStringLiteral("cdMode");
        QTest::newRow("command") << int(KindCommand)
                                 << QStringLiteral(
                                        "You must enter at least 1 command to save this Command Alarm.")
                                 << QStringLiteral("playVoice");
        QTest::newRow("pagedeck")
            << int(KindPagedeck)
            << QStringLiteral("You must select a Page from Pagedeck in order to save an Pagedeck Alarm.")
            << QStringLiteral("pageName");
        QTest::newRow("too long a program path")
            << int(KindProgram) << QStringLiteral("too long") << QStringLiteral("programPath");
    }
    void eachPageRefusesAnIncompleteAlarm()
    {
        QFETCH(int, page);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        Editor e;
        e.open(page);
        QCOMPARE(e.focused(), page == KindWaveFile ? QStringLiteral("waveRecordButton") : focus);
        if (message == QStringLiteral("too long")) {
            // Typing stops at what a record holds; a pasted longer path would be cut.
            e.type(QString(100, u'x'));
            e.get<QLineEdit>("programPath")->setText(QString(99, u'x') + QStringLiteral("\u4e2d"));
        }
        MessageBox::setNextAnswer(QMessageBox::Ok);
        e.click("saveButton");
        const QStringList shown = shownTexts();
        QCOMPARE(shown.size(), 1);
        if (message == QStringLiteral("too long"))
            QVERIFY2(shown[0].contains(QStringLiteral("cannot be stored")), qPrintable(shown[0]));
        else
            QCOMPARE(shown[0], message);
        QCOMPARE(e.focused(), focus);
        QCOMPARE(e.state.alarms().usedCount(), 0);
    }

    void commandWithOnlyAfterStoresBlankAfter()
    {
        Editor e;
        e.open(KindCommand);
        e.get<QComboBox>("when")->setFocus();
        e.key(Qt::Key_Down);
        e.key(Qt::Key_Down);
        QCOMPARE(e.get<QComboBox>("when")->currentText(), QStringLiteral("After"));
        e.key(Qt::Key_S, Qt::AltModifier);
        QCOMPARE(e.targets(), QStringList{QStringLiteral(" After")});
        QCOMPARE(e.state.alarms().slot(1).AlarmKind, KindCommand);
        // Loaded back, the choices show again.
        QCOMPARE(e.get<QComboBox>("when")->currentIndex(), 1);
        QCOMPARE(e.get<QComboBox>("playVoice")->currentIndex(), -1);
    }

    void afterSaveTheFirstAlarmOfThePageIsLoaded()
    {
        Editor e;
        e.put(1, KindMessage, QStringLiteral("late"), 9, 0);
        e.put(2, KindMessage, QStringLiteral("early"), 7, 30);
        e.put(3, KindProgram, QStringLiteral("xclock"), 6, 0);
        e.open();
        QCOMPARE(e.get<QPlainTextEdit>("messageText")->toPlainText(), QStringLiteral("early"));
        e.click("newButton");
        QCOMPARE(e.focused(), QStringLiteral("messageText"));
        e.type(QStringLiteral("middle"));
        e.get<TimeEdit>("startTimeEdit")->setValue(*tryEncodeTime(8, 15));
        e.click("saveButton");
        QCOMPARE(e.lines().size(), 3);
        QVERIFY(e.lines()[0].endsWith(QStringLiteral("early")));
        QVERIFY(e.lines()[1].endsWith(QStringLiteral("middle")));
        QVERIFY(e.lines()[2].endsWith(QStringLiteral("late")));
        QCOMPARE(e.list()->currentRow(), 0);
        QCOMPARE(e.get<QPlainTextEdit>("messageText")->toPlainText(), QStringLiteral("early"));
        QCOMPARE(e.targets(), (QStringList{QStringLiteral("xclock"), QStringLiteral("early"),
                                           QStringLiteral("middle"), QStringLiteral("late")}));
    }

    void theTableHoldsFiftyAlarms_data()
    {
        QTest::addColumn<int>("used");
        QTest::newRow("49 used: the new one goes into slot 50") << 49;
        QTest::newRow("50 used: refused") << 50;
    }
    void theTableHoldsFiftyAlarms()
    {
        QFETCH(int, used);
        Editor e;
        for (int n = 1; n <= used; ++n)
            e.put(n, KindProgram, QStringLiteral("p%1").arg(n), 6, 0);
        e.open();
        e.type(QStringLiteral("one more"));
        const QStringList before = e.targets();
        if (used == 50)
            MessageBox::setNextAnswer(QMessageBox::Ok);
        e.click("saveButton");
        if (used == 50) {
            QCOMPARE(shownTexts(), QStringList{alarmLimitMessage()});
            QCOMPARE(e.targets(), before);
            QVERIFY(e.window->isModified());
            QCOMPARE(e.get<QPlainTextEdit>("messageText")->toPlainText(), QStringLiteral("one more"));
        } else {
            QCOMPARE(shownTexts(), QStringList());
            QCOMPARE(e.state.alarms().slot(50).Target.text(), QStringLiteral("one more"));
        }
    }

    void deleteAsksAndMovesLaterSlotsDown_data()
    {
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<int>("answer");
        QTest::newRow("Delete key, Yes") << true << int(QMessageBox::Yes);
        QTest::newRow("button, Yes") << false << int(QMessageBox::Yes);
        QTest::newRow("button, No") << false << int(QMessageBox::No);
    }
    void deleteAsksAndMovesLaterSlotsDown()
    {
        QFETCH(bool, byKey);
        QFETCH(int, answer);
        Editor e;
        e.put(1, KindMessage, QStringLiteral("a"), 7, 0);
        e.put(2, KindMessage, QStringLiteral("b"), 8, 0);
        e.put(3, KindMessage, QStringLiteral("c"), 9, 0);
        const AlarmId c = e.state.alarms().idOf(3);
        e.open();
        e.list()->setFocus();
        e.key(Qt::Key_Down);
        QCOMPARE(e.get<QPlainTextEdit>("messageText")->toPlainText(), QStringLiteral("b"));
        MessageBox::setNextAnswer(MessageBox::Button(answer));
        if (byKey)
            e.key(Qt::Key_Delete);
        else
            e.click("deleteButton");
        QCOMPARE(shownTexts(), QStringList{QStringLiteral("Are you sure you want to delete this alarm?")});
        if (answer == QMessageBox::No) {
            QCOMPARE(e.targets(),
                     (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
            return;
        }
        QCOMPARE(e.targets(), (QStringList{QStringLiteral("a"), QStringLiteral("c")}));
        QCOMPARE(e.state.alarms().slotOf(c), std::optional<int>(2));
        QCOMPARE(e.lines().size(), 2);
    }

    void alarmsWithEqualDescriptionsKeepTheirOwnSlots()
    {
        Editor e;
        e.put(1, KindMessage, QStringLiteral("same"), 7, 0);
        e.put(2, KindMessage, QStringLiteral("same"), 7, 0);
        e.open();
        QCOMPARE(e.lines()[0], e.lines()[1]);
        QTest::mouseClick(e.list()->viewport(), Qt::LeftButton, {},
                          e.list()->visualItemRect(e.list()->item(1)).center());
        QCOMPARE(e.window->selectedAlarm(), e.state.alarms().idOf(2));
        e.click("autoStartCheck");
        e.click("saveButton");
        QVERIFY(!e.state.alarms().slot(1).AutoStart);
        QVERIFY(e.state.alarms().slot(2).AutoStart);
    }

    void alarmsChangedWhileOpenAreNeverMistaken()
    {
        Editor e;
        e.put(1, KindMessage, QStringLiteral("first"), 7, 0);
        e.put(2, KindMessage, QStringLiteral("gone"), 8, 0);
        e.put(3, KindMessage, QStringLiteral("after the gap"), 9, 0);
        e.open();
        e.list()->setCurrentRow(1);
        QCOMPARE(e.get<QPlainTextEdit>("messageText")->toPlainText(), QStringLiteral("gone"));
        e.get<QPlainTextEdit>("messageText")->selectAll();
        e.type(QStringLiteral("kept"));

        // The alarm auto deletes while the window is open, leaving a gap.
        e.state.alarms().autoDelete(2, e.state.paths().dataDir());
        e.window->alarmsChanged();
        QCOMPARE(e.lines().size(), 2);
        QVERIFY(e.lines()[1].endsWith(QStringLiteral("after the gap")));
        QCOMPARE(e.get<QPlainTextEdit>("messageText")->toPlainText(), QStringLiteral("kept"));

        // Delete has nothing to delete; Save stores the edit as a new alarm.
        e.click("deleteButton");
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(e.targets(),
                 (QStringList{QStringLiteral("first"), QString(), QStringLiteral("after the gap")}));
        e.click("saveButton");
        QCOMPARE(e.state.alarms().usedCount(), 3);
        QVERIFY(e.targets().contains(QStringLiteral("kept")));
        QVERIFY(e.targets().contains(QStringLiteral("after the gap")));
    }

    void aNewAlarmStartsFromAClearedRecord()
    {
        Editor e;
        e.put(1, KindProgram, QStringLiteral("xclock"), 7, 0);
        AlarmRecord& fired = e.state.alarms().slot(1);
        fired.StopEnabled = true;
        fired.StopTime = *tryEncodeTime(9, 0);
        fired.NextDue = at(2026, 3, 10, 7, 0);
        fired.StopDue = at(2026, 3, 9, 9, 0);
        fired.LaunchedWindow = 0x4321;
        e.open(KindProgram);
        QCOMPARE(e.get<QLineEdit>("programPath")->text(), QStringLiteral("xclock"));
        e.click("newButton");
        QCOMPARE(e.focused(), QStringLiteral("programPath"));
        e.type(QStringLiteral("xterm"));
        e.click("stopCheck");
        e.key(Qt::Key_S, Qt::AltModifier);
        const std::optional<int> slot = e.targets().indexOf(QStringLiteral("xterm")) + 1;
        const AlarmRecord& saved = e.state.alarms().slot(*slot);
        QCOMPARE(saved.StopDue, 0.0);
        QCOMPARE(saved.LaunchedWindow, 0);
        QVERIFY(saved.StopEnabled);
        QCOMPARE(saved.NextDue, at(2026, 3, 9, 8, 0));
        QCOMPARE(e.state.alarms().slot(*slot == 1 ? 2 : 1).LaunchedWindow, 0x4321);
    }

    void closingAsksAndAlwaysKeepsTheLauncherFolder_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("stillOpen");
        QTest::addColumn<bool>("saved");
        QTest::newRow("Escape, Yes") << QStringLiteral("escape") << int(QMessageBox::Yes) << false << true;
        QTest::newRow("Escape, No") << QStringLiteral("escape") << int(QMessageBox::No) << false << false;
        QTest::newRow("Escape, Cancel")
            << QStringLiteral("escape") << int(QMessageBox::Cancel) << true << false;
        QTest::newRow("OK button, No") << QStringLiteral("ok") << int(QMessageBox::No) << false << false;
        QTest::newRow("close box, Yes") << QStringLiteral("close") << int(QMessageBox::Yes) << false << true;
        QTest::newRow("close box, Cancel")
            << QStringLiteral("close") << int(QMessageBox::Cancel) << true << false;
    }
    void closingAsksAndAlwaysKeepsTheLauncherFolder()
    {
        QFETCH(QString, how);
        QFETCH(int, answer);
        QFETCH(bool, stillOpen);
        QFETCH(bool, saved);
        Editor e;
        e.open();
        e.type(QStringLiteral("note"));
        MessageBox::setNextAnswer(MessageBox::Button(answer));
        if (how == QStringLiteral("escape"))
            e.key(Qt::Key_Escape);
        else if (how == QStringLiteral("ok"))
            e.click("okButton");
        else
            e.window->close(); // what the window manager's close box asks
        QCOMPARE(shownTexts(), QStringList{QStringLiteral("Alarm has changed.  Save Changes?")});
        QCOMPARE(e.window->isVisible(), stillOpen);
        QCOMPARE(e.state.alarms().usedCount(), saved ? 1 : 0);
        QCOMPARE(e.launcherFolderStored(), QStringLiteral("NONE"));
    }

    void yesWithAnEmptyProgramNameKeepsTheWindowAndTheEdit()
    {
        Editor e;
        e.open(KindProgram);
        e.click("runMinimized");
        MessageBox::setNextAnswer(QMessageBox::Yes);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        e.click("okButton");
        QCOMPARE(shownTexts(),
                 (QStringList{QStringLiteral("Alarm has changed.  Save Changes?"),
                              QStringLiteral("You must 1st enter a program name before saving.")}));
        QVERIFY(e.window->isVisible());
        QVERIFY(e.window->isModified());
        QVERIFY(e.get<QCheckBox>("runMinimized")->isChecked());
        // New asks the same and keeps the edit too.
        MessageBox::setNextAnswer(QMessageBox::Yes);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        e.click("newButton");
        QCOMPARE(shownTexts().size(), 2);
        QVERIFY(e.get<QCheckBox>("runMinimized")->isChecked());
        QCOMPARE(e.state.alarms().usedCount(), 0);
    }

    void aDiscardedRecordingDeletesOnlyItsOwnFile_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("page change") << QStringLiteral("page");
        QTest::newRow("other alarm") << QStringLiteral("list");
        QTest::newRow("close, No") << QStringLiteral("close");
        QTest::newRow("an opened recording stays") << QStringLiteral("opened");
    }
    void aDiscardedRecordingDeletesOnlyItsOwnFile()
    {
        QFETCH(QString, how);
        Editor e;
        e.makeWave(1);
        e.put(1, KindWaveFile, e.wave(1), 7, 0);
        e.put(2, KindWaveFile, QStringLiteral("/usr/share/sounds/bell.wav"), 8, 0);
        e.open(KindWaveFile);
        QCOMPARE(e.get<QLineEdit>("wavePath")->text(), e.wave(1));
        if (how == QStringLiteral("opened")) {
            // A recording of an earlier session that no alarm names, opened
            // in the recorder: not this edit's to delete.
            e.makeWave(7);
            e.opens = e.wave(7);
            e.click("waveRecordButton");
            QCOMPARE(e.get<QLineEdit>("wavePath")->text(), e.wave(7));
            MessageBox::setNextAnswer(QMessageBox::No);
            e.click("okButton");
            QVERIFY(QFile::exists(e.wave(7)));
            QVERIFY(QFile::exists(e.wave(1)));
            return;
        }
        e.click("waveRecordButton");
        QCOMPARE(e.recorderOpenedOn, QStringList{e.wave(1)});
        QCOMPARE(e.get<QLineEdit>("wavePath")->text(), e.wave(101));
        QVERIFY(QFile::exists(e.wave(101)));
        QCOMPARE(e.state.pendingRecording(), QString()); // the editor took it over
        if (how == QStringLiteral("page")) {
            e.pages()->setCurrentIndex(KindMessage);
        } else if (how == QStringLiteral("list")) {
            e.list()->setCurrentRow(1);
        } else {
            MessageBox::setNextAnswer(QMessageBox::No);
            e.click("okButton");
        }
        QVERIFY(!QFile::exists(e.wave(101)));
        QVERIFY(QFile::exists(e.wave(1)));
        QCOMPARE(e.state.alarms().slot(1).Target.text(), e.wave(1));
    }

    void theRecordingsOfBothWavesFollowTheEdit_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("saved") << int(QMessageBox::Yes);
        QTest::newRow("discarded") << int(QMessageBox::No);
    }
    void theRecordingsOfBothWavesFollowTheEdit()
    {
        QFETCH(int, answer);
        Editor e;
        e.open(KindProgram);
        e.type(QStringLiteral("xclock"));
        e.click("beforeAfterRecordButton");
        e.click("waveBButton");
        e.click("beforeAfterRecordButton");
        QCOMPARE(e.get<QLabel>("waveALabel")->text(), QStringLiteral("Horavox-101.wav"));
        QCOMPARE(e.get<QLabel>("waveBLabel")->text(), QStringLiteral("Horavox-102.wav"));
        MessageBox::setNextAnswer(MessageBox::Button(answer));
        e.click("okButton");
        QVERIFY(!e.window->isVisible());
        const bool saved = answer == QMessageBox::Yes;
        QCOMPARE(QFile::exists(e.wave(101)), saved);
        QCOMPARE(QFile::exists(e.wave(102)), saved);
        if (saved) {
            QCOMPARE(e.state.alarms().slot(1).WaveA.text(), e.wave(101));
            QCOMPARE(e.state.alarms().slot(1).WaveB.text(), e.wave(102));
        }
    }

    void aClearedRecordingGoesOnlyWhenTheAlarmIsSaved()
    {
        Editor e;
        e.makeWave(1);
        e.makeWave(2);
        const AlarmId id = e.put(1, KindMessage, QStringLiteral("with sounds"), 7, 0);
        e.state.alarms().slot(1).WaveA = e.wave(1);
        e.state.alarms().slot(1).WaveB = e.wave(1); // the same recording named twice
        e.put(2, KindMessage, QStringLiteral("shares it"), 8, 0);
        e.state.alarms().slot(2).WaveA = e.wave(2);
        e.open();
        QCOMPARE(e.get<QLabel>("waveALabel")->text(), QStringLiteral("Horavox-1.wav"));
        e.click("beforeAfterClearButton");
        QCOMPARE(e.get<QLabel>("waveALabel")->text(), QStringLiteral("NONE"));
        QVERIFY(QFile::exists(e.wave(1)));
        e.click("saveButton");
        const AlarmRecord& saved = e.state.alarms().slot(*e.state.alarms().slotOf(id));
        QCOMPARE(saved.WaveA.text(), QStringLiteral("NONE"));
        // WaveB still names it, the other alarm its own: nothing goes.
        QVERIFY(QFile::exists(e.wave(1)));
        QVERIFY(QFile::exists(e.wave(2)));
    }

    void nextListsTheComingOccurrences()
    {
        Editor e;
        e.put(1, KindMessage, QStringLiteral("daily"), 7, 0);
        e.state.alarms().slot(1).NextDue = at(2026, 3, 10, 7, 0);
        e.open();
        const QStringList next = e.get<QLabel>("nextList")->text().split(u'\n');
        QCOMPARE(next.size(), kListedOccurrences);
        // Years in full, as the date field writes them, though the short date has two digits.
        QCOMPARE(next[0], QStringLiteral("03/10/2026 7:00 AM  Tuesday"));
        QCOMPARE(e.get<QLabel>("nextLabel")->text(), QStringLiteral("03/10/2026 7:00 AM"));
        QVERIFY2(next[4].endsWith(QStringLiteral("Saturday")), qPrintable(next[4]));
        // A Once alarm in the past says so.
        e.click("newButton");
        e.get<TimeEdit>("startTimeEdit")->setValue(*tryEncodeTime(7, 59));
        QVERIFY(e.get<QLabel>("nextList")->text().contains(QStringLiteral("will not fire")));
        e.get<TimeEdit>("startTimeEdit")->setValue(*tryEncodeTime(8, 1));
        QVERIFY(!e.get<QLabel>("nextList")->text().contains(QStringLiteral("will not fire")));
    }

    void nextOccurrencesStepPastEachOther()
    {
        AlarmRecord every;
        every.Rule = RuleEvery;
        every.Count = 20;
        every.EveryUnit = EveryMinutes;
        every.EveryDays = EveryEveryday;
        every.StartTime = *tryEncodeTime(8, 0);
        const QList<DateTime> moments = nextOccurrences(every, kNow, 3);
        QCOMPARE(moments,
                 (QList<DateTime>{at(2026, 3, 9, 8, 20), at(2026, 3, 9, 8, 40), at(2026, 3, 9, 9, 0)}));
        AlarmRecord damaged = every;
        damaged.Count = 0;
        QVERIFY(nextOccurrences(damaged, kNow, 3).isEmpty());
    }

    void recurringChangesTheRuleOnlyAtOk_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("Daily, OK") << true;
        QTest::newRow("Daily, then Cancel") << false;
    }
    void recurringChangesTheRuleOnlyAtOk()
    {
        QFETCH(bool, ok);
        Editor e;
        e.open();
        e.type(QStringLiteral("Stretch"));
        // A new alarm is Once, today at 8:00, which has passed.
        QVERIFY(e.get<QLabel>("nextList")->text().contains(QStringLiteral("will not fire")));
        const AlarmRecord before = e.state.editBuffer();
        bool dateFieldGreyed = false;
        test::answerNextModal([&](QWidget* dialog) {
            QTest::keyClick(dialog, Qt::Key_Y, Qt::AltModifier);
            QTRY_VERIFY(dialog->findChild<QAbstractButton*>(QStringLiteral("dailyButton"))->isChecked());
            // Ticking a rule other than Once greys the editor's date field at once.
            dateFieldGreyed = !e.get<QWidget>("dateEdit")->isEnabled();
            QTest::keyClick(QApplication::focusWidget(), ok ? Qt::Key_Return : Qt::Key_Escape);
        });
        e.click("recurringButton");
        QVERIFY(dateFieldGreyed);
        QVERIFY(!QApplication::activeModalWidget());
        // Without a window manager nothing hands the activation back.
        e.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(e.window.get()));
        const AlarmRecord& buffer = e.state.editBuffer();
        if (ok) {
            QCOMPARE(buffer.Rule, RuleDaily);
            QVERIFY(!e.get<QWidget>("dateEdit")->isVisible());
            QVERIFY(!e.get<QCheckBox>("autoDeleteCheck")->isChecked());
            const QStringList next = e.get<QLabel>("nextList")->text().split(u'\n');
            QCOMPARE(next.size(), kListedOccurrences);
            QVERIFY2(next[0].endsWith(QStringLiteral("Tuesday")), qPrintable(next[0]));
            e.key(Qt::Key_S, Qt::AltModifier);
            QCOMPARE(e.targets(), QStringList{QStringLiteral("Stretch")});
            QCOMPARE(e.state.alarms().slot(1).Rule, RuleDaily);
            QVERIFY(!e.state.alarms().slot(1).AutoDelete);
            return;
        }
        // Cancel: the date field is back and usable, the rule as it was.
        QVERIFY(e.get<QWidget>("dateEdit")->isVisible());
        QVERIFY(e.get<QWidget>("dateEdit")->isEnabled());
        QVERIFY(e.get<QCheckBox>("autoDeleteCheck")->isChecked());
        QCOMPARE(buffer.Rule, RuleOnce);
        QCOMPARE(buffer.OnceDate, before.OnceDate);
        QCOMPARE(buffer.RecursWhich, before.RecursWhich);
        QCOMPARE(buffer.RecursDay, before.RecursDay);
        QCOMPARE(buffer.Count, before.Count);
        QCOMPARE(buffer.EveryUnit, before.EveryUnit);
        QCOMPARE(buffer.EveryDays, before.EveryDays);
        QVERIFY(e.get<QLabel>("nextList")->text().contains(QStringLiteral("will not fire")));
    }

    void theMessageHoldsWhatARecordStores()
    {
        Editor e;
        e.open();
        e.get<QPlainTextEdit>("messageText")->setPlainText(QString(120, u'm'));
        QCOMPARE(e.get<QPlainTextEdit>("messageText")->toPlainText(), QString(100, u'm'));
    }

    void sharedAcceleratorsMoveTheFocus()
    {
        Editor e;
        e.put(1, KindMessage, QStringLiteral("one"), 7, 0);
        e.open();
        // &Delete and C&D Player: one press opens the page, the next goes to
        // the button without pressing it.
        e.key(Qt::Key_D, Qt::AltModifier);
        QCOMPARE(e.pages()->currentIndex(), int(KindCdPlayer));
        QCOMPARE(e.focused(), QStringLiteral("cdMode"));
        e.key(Qt::Key_D, Qt::AltModifier);
        QCOMPARE(e.focused(), QStringLiteral("deleteButton"));
        QCOMPARE(e.pages()->currentIndex(), int(KindCdPlayer));
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(e.state.alarms().usedCount(), 1);
        // &Program and &Pagedeck: the presses go from one page to the other.
        e.key(Qt::Key_P, Qt::AltModifier);
        const int first = e.pages()->currentIndex();
        e.key(Qt::Key_P, Qt::AltModifier);
        QCOMPARE(QSet<int>({first, e.pages()->currentIndex()}), QSet<int>({KindProgram, KindPagedeck}));
        QCOMPARE(e.focused(), e.pages()->currentIndex() == KindProgram ? QStringLiteral("programPath")
                                                                       : QStringLiteral("pageName"));
    }

    void helpOpensThePageTopic()
    {
        Editor e;
        e.open(KindCommand);
        e.click("helpButton");
        e.pages()->setCurrentIndex(KindPagedeck);
        e.click("helpButton");
        e.click("whatIsPagedeckButton");
        QCOMPARE(e.helpTopics, (QList<int>{55, 56, 57}));
    }

    void launcherFolderListsItsPages()
    {
        Editor e;
        e.open(KindPagedeck);
        QCOMPARE(e.get<QLabel>("launcherFolder")->text(), QStringLiteral("NONE"));
        QDir(e.home.path()).mkpath(QStringLiteral("pd"));
        for (const char* name : {"Morning.tab", "EVENING.TAB", "notes.txt"}) {
            QFile file(e.home.filePath(QStringLiteral("pd/") + QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QCOMPARE(pagedeckPages(e.home.filePath(QStringLiteral("pd"))),
                 (QStringList{QStringLiteral("EVENING"), QStringLiteral("Morning")}));
        QCOMPARE(pagedeckPages(QStringLiteral("NONE")), QStringList());
    }

    void aPagedeckAlarmKeepsAPageTheFolderDoesNotList()
    {
        Editor e;
        e.put(1, KindPagedeck, QStringLiteral("Morning"), 7, 0);
        e.open(KindPagedeck); // no launcher folder chosen: no page names
        QCOMPARE(e.get<QComboBox>("pageName")->currentText(), QStringLiteral("Morning"));
        e.click("activeCheck");
        e.click("saveButton");
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(e.targets(), QStringList{QStringLiteral("Morning")});
        QVERIFY(!e.state.alarms().slot(1).Active);
    }

    void theClockOpensTheEditorAndSavesAfterIt()
    {
        test::ClockWindowRig rig({at(2026, 3, 9, 8, 0), {}, false, {}, nullptr});
        rig.window->show();
        test::answerNextModal([](QWidget* dialog) {
            QTRY_VERIFY(QApplication::focusWidget() && QApplication::focusWidget()->window() == dialog);
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("From the clock"));
            QTest::keyClick(dialog, Qt::Key_S, Qt::AltModifier);
            QTest::qWait(200);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        });
        QTest::mouseClick(rig.window->findChild<QToolButton*>(QStringLiteral("alarmsButton")),
                          Qt::LeftButton);
        AlarmTable reread;
        QVERIFY(loadAlarmFile(rig.state->paths().alarmFile(), reread).message.isEmpty());
        QCOMPARE(reread.slot(1).Target.text(), QStringLiteral("From the clock"));
        QCOMPARE(rig.state->profile().readString(u"Pagedeck", u"Path"), QStringLiteral("NONE"));
    }

    void theClockHandsTheEditorItsRecorder()
    {
        test::ClockWindowRig rig({at(2026, 3, 9, 8, 0), {}, false, {}, nullptr});
        rig.window->show();
        QString recorderTitle;
        QString chosen;
        test::answerNextModal([&](QWidget* editor) {
            editor->findChild<QTabWidget*>(QStringLiteral("pages"))->setCurrentIndex(KindWaveFile);
            test::answerNextModal([&](QWidget* recorder) {
                recorderTitle = recorder->windowTitle();
                QTest::mouseClick(recorder->findChild<QPushButton*>(QStringLiteral("recordButton")),
                                  Qt::LeftButton);
                QTest::mouseClick(recorder->findChild<QPushButton*>(QStringLiteral("stopButton")),
                                  Qt::LeftButton);
                QTest::mouseClick(recorder->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))
                                      ->button(QDialogButtonBox::Ok),
                                  Qt::LeftButton);
            });
            QTest::mouseClick(editor->findChild<QPushButton*>(QStringLiteral("waveRecordButton")),
                              Qt::LeftButton);
            chosen = editor->findChild<QLineEdit*>(QStringLiteral("wavePath"))->text();
            QTest::mouseClick(editor->findChild<QPushButton*>(QStringLiteral("saveButton")), Qt::LeftButton);
            QTest::keyClick(editor, Qt::Key_Escape);
        });
        QTest::mouseClick(rig.window->findChild<QToolButton*>(QStringLiteral("alarmsButton")),
                          Qt::LeftButton);
        QCOMPARE(recorderTitle, QStringLiteral("Recorder"));
        QCOMPARE(QFileInfo(chosen).fileName(), QStringLiteral("Horavox-1.wav"));
        QVERIFY(QFileInfo(chosen).isFile());
        // The editor took the new recording over and saved it.
        QCOMPARE(rig.state->pendingRecording(), QString());
        AlarmTable reread;
        QVERIFY(loadAlarmFile(rig.state->paths().alarmFile(), reread).message.isEmpty());
        QCOMPARE(reread.slot(1).AlarmKind, KindWaveFile);
        QCOMPARE(reread.slot(1).Target.text(), chosen);
    }

    void aLauncherFolderOfNoneRunsNoLauncher()
    {
        test::ClockWindowRig rig({at(2026, 3, 9, 8, 0), "[Pagedeck]\nPath=NONE\n", false, {}, nullptr});
        AlarmRecord& alarm = rig.state->alarms().slot(1);
        alarm.Rule = RuleDaily;
        alarm.Active = true;
        alarm.AlarmKind = KindPagedeck;
        alarm.Target = QStringLiteral("Morning");
        alarm.StartTime = *tryEncodeTime(8, 1);
        rig.window->show();
        rig.clock.set(at(2026, 3, 9, 8, 1) + 0.002 / 86400);
        rig.session->tick();
        QVERIFY(rig.launcher.pagedecks.isEmpty());
    }
};

QTEST_MAIN(TestAlarmEditor)
#include "tst_AlarmEditor.moc"
