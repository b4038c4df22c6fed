// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/TimeEdit.h"
#include "platform/fake/FakeClock.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

using namespace hv;
using namespace Qt::Literals::StringLiterals;

namespace {

using Part = TimeEdit::Part;

// 2026-03-14 (a Saturday), 10:20:30.
DateTime fakeNow()
{
    return *tryEncodeDate(2026, 3, 14) + *tryEncodeTime(10, 20, 30);
}

// A time field and a plain field after it in a shown window, so that the focus
// can leave the time field by Tab.
struct Form
{
    explicit Form(const char* locale)
        : clock(fakeNow())
    {
        auto* layout = new QVBoxLayout(&window);
        field = new TimeEdit(&window);
        field->setFormats(FormatSettings::fromLocale(QLocale(QString::fromLatin1(locale))));
        field->setClock(&clock);
        next = new QLineEdit(&window);
        layout->addWidget(field);
        layout->addWidget(next);
    }

    void show()
    {
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        field->setFocus(Qt::TabFocusReason);
    }

    FakeClock clock;
    QWidget window;
    TimeEdit* field;
    QLineEdit* next;
};

DateTime at(int hour, int minute)
{
    return *tryEncodeTime(hour, minute);
}

} // namespace

class TestTimeEdit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void arrowsStepThePartUnderTheCaret_data();
    void arrowsStepThePartUnderTheCaret();
    void typedCharacters_data();
    void typedCharacters();
    void clickSelectsThePartUnderTheCaret_data();
    void clickSelectsThePartUnderTheCaret();
    void unreadableTextIsRestoredOnLeaving_data();
    void unreadableTextIsRestoredOnLeaving();
    void readableTextTakesTodaysDate();
    void midnightIsARealTime();
    void spinButtonStepsThePartInFocus();
    void aValueSetWhileInTheFieldKeepsThePartSelected();
};

void TestTimeEdit::arrowsStepThePartUnderTheCaret_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<DateTime>("start");
    QTest::addColumn<Part>("part");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("selected");

    QTest::newRow("minutes up past midnight")
        << "en_US"_ba << at(23, 59) << Part::Minutes << int(Qt::Key_Up) << u"12:00 AM"_s << u"00"_s;
    QTest::newRow("hours down past midnight")
        << "en_US"_ba << at(0, 30) << Part::Hours << int(Qt::Key_Down) << u"11:30 PM"_s << u"11"_s;
    QTest::newRow("marker up") << "en_US"_ba << at(9, 15) << Part::AmPm << int(Qt::Key_Up) << u"9:15 PM"_s
                               << u"PM"_s;
    QTest::newRow("marker down") << "en_US"_ba << at(9, 15) << Part::AmPm << int(Qt::Key_Down) << u"9:15 PM"_s
                                 << u"PM"_s;
    QTest::newRow("minutes down carry into hours")
        << "en_US"_ba << at(13, 0) << Part::Minutes << int(Qt::Key_Down) << u"12:59 PM"_s << u"59"_s;
    QTest::newRow("24-hour minutes up")
        << "de_DE"_ba << at(23, 59) << Part::Minutes << int(Qt::Key_Up) << u"00:00"_s << u"00"_s;
    QTest::newRow("24-hour hours down")
        << "de_DE"_ba << at(0, 5) << Part::Hours << int(Qt::Key_Down) << u"23:05"_s << u"23"_s;
    // The marker comes first: the parts are found from the format, not by position.
    QTest::newRow("marker first, hours up")
        << "ko_KR"_ba << at(11, 40) << Part::Hours << int(Qt::Key_Up) << u"오후 12:40"_s << u"12"_s;
    QTest::newRow("marker first, marker down")
        << "ko_KR"_ba << at(11, 40) << Part::AmPm << int(Qt::Key_Down) << u"오후 11:40"_s << u"오후"_s;
}

void TestTimeEdit::arrowsStepThePartUnderTheCaret()
{
    QFETCH(QByteArray, locale);
    QFETCH(DateTime, start);
    QFETCH(Part, part);
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(QString, selected);

    Form form(locale.constData());
    form.field->setValue(start);
    form.show();
    // The caret inside the part, not at its start, then the key.
    const TimeEdit::Span span = form.field->partSpan(part);
    QVERIFY(span.length > 0);
    form.field->setCursorPosition(span.start + span.length / 2 + (span.length > 1 ? 0 : 1));
    QTest::keyClick(form.field, Qt::Key(key));

    QCOMPARE(form.field->text(), text);
    QCOMPARE(form.field->selectedText(), selected);
    QCOMPARE(form.field->partInFocus(), part);
    QCOMPARE(timePart(form.field->value()), timePart(form.field->timeOfDay()));
}

void TestTimeEdit::typedCharacters_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("selected");

    // The field starts at 9:15 in the morning with the hours selected.
    QTest::newRow("separator selects minutes") << "en_US"_ba << u":"_s << u"9:15 AM"_s << u"15"_s;
    QTest::newRow("blank selects the marker") << "en_US"_ba << u" "_s << u"9:15 AM"_s << u"AM"_s;
    QTest::newRow("P sets PM") << "en_US"_ba << u"p"_s << u"9:15 PM"_s << u"PM"_s;
    QTest::newRow("P then A sets AM") << "en_US"_ba << u"PA"_s << u"9:15 AM"_s << u"AM"_s;
    QTest::newRow("M only selects") << "en_US"_ba << u"m"_s << u"9:15 AM"_s << u"AM"_s;
    QTest::newRow("digits replace the hours") << "en_US"_ba << u"11"_s << u"11:15 AM"_s << QString();
    QTest::newRow("digits after the separator") << "en_US"_ba << u":40"_s << u"9:40 AM"_s << QString();
    QTest::newRow("other characters refused") << "en_US"_ba << u"x/-;"_s << u"9:15 AM"_s << u"9"_s;
    QTest::newRow("24-hour separator") << "de_DE"_ba << u":"_s << u"09:15"_s << u"15"_s;
    QTest::newRow("24-hour letters typed") << "de_DE"_ba << u"P"_s << u"P:15"_s << QString();
}

void TestTimeEdit::typedCharacters()
{
    QFETCH(QByteArray, locale);
    QFETCH(QString, keys);
    QFETCH(QString, text);
    QFETCH(QString, selected);

    Form form(locale.constData());
    form.field->setValue(at(9, 15));
    form.show();
    QCOMPARE(form.field->partInFocus(), Part::Hours);
    QTest::keyClicks(form.field, keys);
    QCOMPARE(form.field->text(), text);
    QCOMPARE(form.field->selectedText(), selected);
}

void TestTimeEdit::clickSelectsThePartUnderTheCaret_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<Part>("part");

    // "10:45 PM" and, with the marker first, "오후 10:45".
    QTest::newRow("before the hours") << "en_US"_ba << 0 << u"10"_s << Part::Hours;
    QTest::newRow("before the separator") << "en_US"_ba << 2 << u"10"_s << Part::Hours;
    QTest::newRow("after the separator") << "en_US"_ba << 3 << u"45"_s << Part::Minutes;
    QTest::newRow("after the minutes") << "en_US"_ba << 5 << u"45"_s << Part::Minutes;
    QTest::newRow("in the marker") << "en_US"_ba << 7 << u"PM"_s << Part::AmPm;
    QTest::newRow("24-hour end") << "de_DE"_ba << 5 << u"45"_s << Part::Minutes;
    QTest::newRow("marker first, marker") << "ko_KR"_ba << 1 << u"오후"_s << Part::AmPm;
    QTest::newRow("marker first, hours") << "ko_KR"_ba << 3 << u"10"_s << Part::Hours;
}

void TestTimeEdit::clickSelectsThePartUnderTheCaret()
{
    QFETCH(QByteArray, locale);
    QFETCH(int, caret);
    QFETCH(QString, selected);
    QFETCH(Part, part);

    Form form(locale.constData());
    form.field->setValue(at(22, 45));
    form.show();
    // The point whose caret position is the one wanted.
    const int y = form.field->height() / 2;
    int x = 0;
    while (x < form.field->width() && form.field->cursorPositionAt(QPoint(x, y)) < caret)
        ++x;
    QCOMPARE(form.field->cursorPositionAt(QPoint(x, y)), caret);
    QTest::mouseClick(form.field, Qt::LeftButton, {}, QPoint(x, y));
    QCOMPARE(form.field->selectedText(), selected);
    QCOMPARE(form.field->partInFocus(), part);
}

void TestTimeEdit::unreadableTextIsRestoredOnLeaving_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("restored");

    // The field starts at 6:06 in the morning with the hours selected.
    QTest::newRow("25:99") << "en_US"_ba << u"25:99"_s << u"25:99 AM"_s << u"6:06 AM"_s;
    QTest::newRow("emptied") << "en_US"_ba << u"\b:\b \b\b\b\b"_s << u""_s << u"6:06 AM"_s;
    QTest::newRow("24-hour 25:99") << "de_DE"_ba << u"25:99"_s << u"25:99"_s << u"06:06"_s;
    QTest::newRow("24-hour with a marker letter") << "de_DE"_ba << u"18:30P"_s << u"18:30P"_s << u"06:06"_s;
}

void TestTimeEdit::unreadableTextIsRestoredOnLeaving()
{
    QFETCH(QByteArray, locale);
    QFETCH(QString, keys);
    QFETCH(QString, left);
    QFETCH(QString, restored);

    Form form(locale.constData());
    form.field->setValue(at(6, 6));
    form.show();
    QTest::keyClicks(form.field, keys);
    QCOMPARE(form.field->text(), left);

    QTest::keyClick(form.field, Qt::Key_Tab);
    QCOMPARE(form.field->text(), restored);
    QCOMPARE(form.field->value(), at(6, 6));
    QTRY_VERIFY(form.field->hasFocus());
    QVERIFY(!QApplication::activeModalWidget()); // nothing reported
}

void TestTimeEdit::readableTextTakesTodaysDate()
{
    Form form("en_US");
    form.field->setValue(at(6, 6));
    form.show();
    form.field->selectAll(); // typed afresh
    QTest::keyClicks(form.field, u"7:5p"_s);
    QCOMPARE(form.field->text(), u"7:5 PM"_s);
    QTest::keyClick(form.field, Qt::Key_Tab);

    QCOMPARE(form.field->text(), u"7:05 PM"_s);
    QCOMPARE(form.field->value(), *tryEncodeDate(2026, 3, 14) + at(19, 5));
    QCOMPARE(form.field->timeOfDay(), at(19, 5));
    QVERIFY(form.next->hasFocus());
}

void TestTimeEdit::midnightIsARealTime()
{
    Form loaded("en_US");
    loaded.field->setValue(0);
    loaded.show();
    QCOMPARE(loaded.field->text(), u"12:00 AM"_s);
    QCOMPARE(loaded.field->value(), 0.0);

    // Never given a value: the current time.
    Form fresh("en_US");
    fresh.show();
    QCOMPARE(fresh.field->text(), u"10:20 AM"_s);
}

void TestTimeEdit::spinButtonStepsThePartInFocus()
{
    Form form("en_US");
    form.field->setValue(at(9, 15));
    form.show();
    QTest::keyClicks(form.field, u":"_s); // minutes in focus
    form.next->setFocus();                // the spin button still steps them
    auto* spin = form.field->findChild<QWidget*>(u"spinButton"_s);
    QVERIFY(spin);
    QVERIFY(spin->geometry().right() == form.field->width() - 1);

    QTest::mouseClick(spin, Qt::LeftButton, {}, QPoint(spin->width() / 2, 2));
    QCOMPARE(form.field->text(), u"9:16 AM"_s);
    QTest::mouseClick(spin, Qt::LeftButton, {}, QPoint(spin->width() / 2, spin->height() - 3));
    QTest::mouseClick(spin, Qt::LeftButton, {}, QPoint(spin->width() / 2, spin->height() - 3));
    QCOMPARE(form.field->text(), u"9:14 AM"_s);
    QVERIFY(form.field->hasFocus());
    QCOMPARE(form.field->selectedText(), u"14"_s);
}

void TestTimeEdit::aValueSetWhileInTheFieldKeepsThePartSelected()
{
    // A window reloading the field while the user is in it: typing goes on
    // replacing the part, not running on after the new text.
    Form form("en_US");
    form.field->setValue(at(9, 15));
    form.show();
    QTest::keyClicks(form.field, u":"_s);
    form.field->setValue(at(10, 40));
    QCOMPARE(form.field->selectedText(), u"40"_s);
    QTest::keyClicks(form.field, u"05"_s);
    QCOMPARE(form.field->text(), u"10:05 AM"_s);
}

QTEST_MAIN(TestTimeEdit)
#include "tst_TimeEdit.moc"
