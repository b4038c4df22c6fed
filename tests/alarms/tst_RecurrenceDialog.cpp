// SPDX-License-Identifier: GPL-3.0-or-later
#include "alarms/Recurrence.h"
#include "alarms/RecurrenceDialog.h"
#include "common/FormatSettings.h"
#include "platform/fake/FakeClock.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

using namespace hv;
using namespace Qt::Literals::StringLiterals;

namespace {

// Friday 13 March 2026, 10:20.
DateTime fakeNow()
{
    return *tryEncodeDate(2026, 3, 13) + *tryEncodeTime(10, 20);
}

// A Once alarm at 9:00 on 20 March 2026 with no other rule fields set.
AlarmRecord onceAlarm()
{
    AlarmRecord alarm;
    alarm.Rule = RuleOnce;
    alarm.StartTime = *tryEncodeTime(9, 0);
    alarm.OnceDate = *tryEncodeDate(2026, 3, 20);
    return alarm;
}

// The dialog over a buffer, shown and active.
struct Shown
{
    explicit Shown(const AlarmRecord& alarm)
        : buffer(alarm)
        , clock(fakeNow())
        , formats(FormatSettings::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates)))
        , dialog(buffer, formats, clock)
        , changes(&dialog, &RecurrenceDialog::changed)
        , dateField(&dialog, &RecurrenceDialog::dateFieldEnabled)
    {
        dialog.show();
        if (!QTest::qWaitForWindowActive(&dialog))
            qWarning("the dialog did not become active");
    }

    template <typename T>
    T* find(const QString& name)
    {
        return dialog.findChild<T*>(name);
    }
    QComboBox* combo(const QString& name) { return find<QComboBox>(name); }
    QSpinBox* spin(const QString& name) { return find<QSpinBox>(name); }

    // Presses Alt+<letter> and waits for the radio button it ticks.
    void pressAccelerator(char letter, AlarmRule expected)
    {
        QTest::keyClick(&dialog, letter, Qt::AltModifier);
        QTRY_COMPARE(dialog.rule(), expected);
    }

    AlarmRecord buffer;
    FakeClock clock;
    FormatSettings formats;
    RecurrenceDialog dialog;
    QSignalSpy changes;
    QSignalSpy dateField;
};

} // namespace

class TestRecurrenceDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void openingShowsTheBuffersRule_data();
    void openingShowsTheBuffersRule();
    void weekdaySetsForceEvery();
    void hoursAreBoundTo23();
    void untouchedListsStoreValuesThatFire_data();
    void untouchedListsStoreValuesThatFire();
    void tickingARuleTellsTheEditor();
    void cancelLeavesTheBufferAsItWas_data();
    void cancelLeavesTheBufferAsItWas();
    void helpTopicFollowsTheFocus_data();
    void helpTopicFollowsTheFocus();
};

void TestRecurrenceDialog::openingShowsTheBuffersRule_data()
{
    QTest::addColumn<int>("rule");
    QTest::addColumn<QString>("ticked");
    QTest::addColumn<QStringList>("enabled");
    QTest::addColumn<QString>("caption");

    QTest::newRow("once") << int(RuleOnce) << u"onceButton"_s << QStringList{} << u"&Once"_s;
    QTest::newRow("recurs") << int(RuleRecurs) << u"recursButton"_s
                            << QStringList{u"recursWhich"_s, u"recursDay"_s} << u"&Recurs"_s;
    QTest::newRow("every") << int(RuleEvery) << u"everyButton"_s
                           << QStringList{u"everyCount"_s, u"everyUnit"_s, u"everyDays"_s} << u"&Every"_s;
    QTest::newRow("daily") << int(RuleDaily) << u"dailyButton"_s << QStringList{} << u"Dail&y"_s;
    QTest::newRow("monthly") << int(RuleMonthly) << u"monthlyButton"_s
                             << QStringList{u"monthlyDay"_s, u"monthlyDayLabel"_s} << u"&Monthly"_s;
}

void TestRecurrenceDialog::openingShowsTheBuffersRule()
{
    QFETCH(int, rule);
    QFETCH(QString, ticked);
    QFETCH(QStringList, enabled);
    QFETCH(QString, caption);

    AlarmRecord alarm = onceAlarm();
    alarm.Rule = rule;
    alarm.RecursWhich = RecursLast;
    alarm.RecursDay = Friday;
    alarm.Count = 15;
    alarm.EveryUnit = EveryHours;
    alarm.EveryDays = EveryWeekdays;
    Shown s(alarm);

    QCOMPARE(s.dialog.windowTitle(), u"Recuring Date/Time"_s);
    QVERIFY(s.find<QRadioButton>(ticked)->isChecked());
    QCOMPARE(s.find<QRadioButton>(ticked)->text(), caption);
    for (const QString& name : {u"recursWhich"_s, u"recursDay"_s, u"everyCount"_s, u"everyUnit"_s,
                                u"everyDays"_s, u"monthlyDay"_s, u"monthlyDayLabel"_s})
        QVERIFY2(s.find<QWidget>(name)->isEnabled() == enabled.contains(name), qPrintable(name));
    // The lists start on the buffer's values whatever the rule.
    QCOMPARE(s.combo(u"recursWhich"_s)->currentText(), u"last"_s);
    QCOMPARE(s.combo(u"recursDay"_s)->currentText(), u"Friday"_s);
    QCOMPARE(s.combo(u"everyUnit"_s)->currentText(), u"hours"_s);
    QCOMPARE(s.combo(u"everyDays"_s)->currentText(), u"Weekdays"_s);
    QCOMPARE(s.spin(u"everyCount"_s)->value(), rule == RuleEvery ? 15 : 1);
    QCOMPARE(s.spin(u"monthlyDay"_s)->value(), rule == RuleMonthly ? 15 : 1);
    if (rule == RuleOnce)
        QCOMPARE(s.find<QLineEdit>(u"onceDate"_s)->text(), u"3/20/2026"_s);
    // Opening is no change.
    QCOMPARE(s.changes.count(), 0);
    QCOMPARE(s.dateField.count(), 0);
}

void TestRecurrenceDialog::weekdaySetsForceEvery()
{
    AlarmRecord alarm = onceAlarm();
    alarm.Rule = RuleRecurs;
    alarm.RecursWhich = RecursSecond;
    alarm.RecursDay = Monday;
    Shown s(alarm);
    QComboBox* which = s.combo(u"recursWhich"_s);
    QComboBox* day = s.combo(u"recursDay"_s);
    QVERIFY(which->isEnabled());

    day->setFocus();
    QTest::keyClick(day, Qt::Key_End); // Weekend
    QCOMPARE(day->currentText(), u"Weekend"_s);
    QCOMPARE(which->currentText(), u"every"_s);
    QVERIFY(!which->isEnabled());
    QCOMPARE(which->palette().color(QPalette::Disabled, QPalette::ButtonText), QColor(128, 128, 128));

    QTest::keyClick(day, Qt::Key_Home); // Sunday
    QVERIFY(which->isEnabled());
    QCOMPARE(which->currentText(), u"every"_s);
    QVERIFY(s.changes.count() > 0);

    QTest::keyClick(&s.dialog, Qt::Key_Return);
    QCOMPARE(s.buffer.RecursWhich, int(RecursEvery));
    QCOMPARE(s.buffer.RecursDay, int(Sunday));
}

void TestRecurrenceDialog::hoursAreBoundTo23()
{
    AlarmRecord alarm = onceAlarm();
    alarm.Rule = RuleEvery;
    alarm.Count = 45;
    alarm.EveryUnit = EveryMinutes;
    alarm.EveryDays = EveryEveryday;
    Shown s(alarm);
    QSpinBox* count = s.spin(u"everyCount"_s);
    QCOMPARE(count->value(), 45);

    s.combo(u"everyUnit"_s)->setFocus();
    QTest::keyClick(s.combo(u"everyUnit"_s), Qt::Key_Down); // hours
    QCOMPARE(count->value(), 23);
    QCOMPARE(count->maximum(), 23);
    QTest::keyClick(s.combo(u"everyUnit"_s), Qt::Key_Up); // minutes again
    QCOMPARE(count->maximum(), 59);
    QCOMPARE(count->value(), 23);
    QTest::keyClick(s.combo(u"everyUnit"_s), Qt::Key_Down);

    QTest::keyClick(&s.dialog, Qt::Key_Return);
    QCOMPARE(s.buffer.Count, 23);
    QCOMPARE(s.buffer.EveryUnit, int(EveryHours));
}

void TestRecurrenceDialog::untouchedListsStoreValuesThatFire_data()
{
    QTest::addColumn<AlarmRecord>("alarm");
    QTest::addColumn<char>("accelerator");
    QTest::addColumn<int>("rule");
    QTest::addColumn<int>("recursWhich");
    QTest::addColumn<int>("recursDay");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("everyUnit");
    QTest::addColumn<int>("everyDays");

    const AlarmRecord fresh = onceAlarm(); // every list field 0
    AlarmRecord kept = onceAlarm();
    kept.RecursWhich = RecursLast;
    kept.RecursDay = Friday;
    kept.EveryUnit = EveryHours;
    kept.EveryDays = EveryWeekends;
    kept.Count = 7;
    AlarmRecord outOfRange = onceAlarm();
    outOfRange.RecursWhich = 7;
    outOfRange.RecursDay = 10;
    outOfRange.EveryUnit = 3;
    outOfRange.EveryDays = -1;

    QTest::newRow("recurs, lists at 0") << fresh << 'r' << int(RuleRecurs) << 1 << 1 << 0 << 1 << 1;
    QTest::newRow("every, lists at 0") << fresh << 'e' << int(RuleEvery) << 1 << 1 << 1 << 1 << 1;
    QTest::newRow("recurs keeps stored values") << kept << 'r' << int(RuleRecurs) << 6 << 6 << 7 << 2 << 10;
    QTest::newRow("every keeps stored lists") << kept << 'e' << int(RuleEvery) << 6 << 6 << 1 << 2 << 10;
    QTest::newRow("every, values out of range")
        << outOfRange << 'e' << int(RuleEvery) << 1 << 1 << 1 << 1 << 1;
    QTest::newRow("monthly") << fresh << 'm' << int(RuleMonthly) << 1 << 1 << 1 << 1 << 1;
}

void TestRecurrenceDialog::untouchedListsStoreValuesThatFire()
{
    QFETCH(AlarmRecord, alarm);
    QFETCH(char, accelerator);
    QFETCH(int, rule);
    QFETCH(int, recursWhich);
    QFETCH(int, recursDay);
    QFETCH(int, count);
    QFETCH(int, everyUnit);
    QFETCH(int, everyDays);

    Shown s(alarm);
    s.pressAccelerator(accelerator, AlarmRule(rule));
    QTest::keyClick(&s.dialog, Qt::Key_Return); // OK is the default button

    QCOMPARE(s.dialog.result(), int(QDialog::Accepted));
    QCOMPARE(s.buffer.Rule, rule);
    QCOMPARE(s.buffer.RecursWhich, recursWhich);
    QCOMPARE(s.buffer.RecursDay, recursDay);
    QCOMPARE(s.buffer.Count, count);
    QCOMPARE(s.buffer.EveryUnit, everyUnit);
    QCOMPARE(s.buffer.EveryDays, everyDays);
    QCOMPARE(s.buffer.OnceDate, alarm.OnceDate); // the dialog's date is not the alarm's
    // The editor's "Next:" has a moment to show.
    const std::optional<DateTime> next = nextOccurrence(s.buffer, fakeNow(), false);
    QVERIFY(next);
    QVERIFY(*next > fakeNow());
}

void TestRecurrenceDialog::tickingARuleTellsTheEditor()
{
    Shown s(onceAlarm());
    s.pressAccelerator('y', RuleDaily);
    QCOMPARE(s.dateField.count(), 1);
    QCOMPARE(s.dateField.takeFirst().at(0).toBool(), false);
    s.pressAccelerator('o', RuleOnce);
    QCOMPARE(s.dateField.takeFirst().at(0).toBool(), true);
    QCOMPARE(s.changes.count(), 2);
}

void TestRecurrenceDialog::cancelLeavesTheBufferAsItWas_data()
{
    QTest::addColumn<bool>("byEscape");
    QTest::newRow("Escape") << true;
    QTest::newRow("Cancel button") << false;
}

void TestRecurrenceDialog::cancelLeavesTheBufferAsItWas()
{
    QFETCH(bool, byEscape);

    const AlarmRecord before = onceAlarm();
    Shown s(before);
    s.pressAccelerator('e', RuleEvery);
    s.spin(u"everyCount"_s)->setValue(30);
    s.combo(u"everyDays"_s)->setCurrentIndex(3);
    s.find<QLineEdit>(u"onceDate"_s)->setText(u"1/1/2030"_s);
    if (byEscape)
        QTest::keyClick(&s.dialog, Qt::Key_Escape);
    else
        QTest::mouseClick(s.find<QPushButton>(u"cancelButton"_s), Qt::LeftButton);

    QCOMPARE(s.dialog.result(), int(QDialog::Rejected));
    QVERIFY(s.buffer == before);
}

void TestRecurrenceDialog::helpTopicFollowsTheFocus_data()
{
    QTest::addColumn<QString>("focused");
    QTest::addColumn<int>("topic");

    // The alarm is an Every alarm.
    QTest::newRow("once date") << u"onceDate"_s << 32;
    QTest::newRow("recurs day list") << u"recursDay"_s << 33;
    QTest::newRow("every count") << u"everyCount"_s << 34;
    QTest::newRow("daily") << u"dailyButton"_s << 35;
    QTest::newRow("OK button: the ticked rule") << u"okButton"_s << 34;
}

void TestRecurrenceDialog::helpTopicFollowsTheFocus()
{
    QFETCH(QString, focused);
    QFETCH(int, topic);

    AlarmRecord alarm = onceAlarm();
    alarm.Rule = RuleEvery;
    alarm.Count = 5;
    alarm.EveryUnit = EveryMinutes;
    alarm.EveryDays = EveryEveryday;
    Shown s(alarm);
    QSignalSpy help(&s.dialog, &RecurrenceDialog::helpRequested);
    QWidget* widget = s.find<QWidget>(focused);
    widget->setEnabled(true);
    widget->setFocus();
    QTest::keyClick(widget, Qt::Key_F1);
    QCOMPARE(help.count(), 1);
    QCOMPARE(help.takeFirst().at(0).toInt(), topic);

    // The Help button, by its accelerator and by the mouse, asks for the
    // ticked rule's topic.
    QTest::keyClick(&s.dialog, 'h', Qt::AltModifier);
    QTRY_COMPARE(help.count(), 1);
    QTest::mouseClick(s.find<QPushButton>(u"helpButton"_s), Qt::LeftButton);
    QCOMPARE(help.count(), 2);
    for (const QList<QVariant>& request : help)
        QCOMPARE(request.at(0).toInt(), RecurrenceDialog::kHelpEvery);
}

QTEST_MAIN(TestRecurrenceDialog)
#include "tst_RecurrenceDialog.moc"
