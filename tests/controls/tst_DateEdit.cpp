// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/CalendarPopup.h"
#include "controls/DateEdit.h"
#include "platform/fake/FakeClock.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

using namespace hv;
using namespace Qt::Literals::StringLiterals;

namespace {

DateTime day(int year, int month, int d)
{
    return *tryEncodeDate(year, month, d);
}

// A date field and a plain field after it in a shown window; today is
// 14 March 2026 at 10:20.
struct Form
{
    explicit Form(const char* locale = "en_US", DateTime now = day(2026, 3, 14) + *tryEncodeTime(10, 20))
        : clock(now)
    {
        auto* layout = new QVBoxLayout(&window);
        field = new DateEdit(&window);
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
    DateEdit* field;
    QLineEdit* next;
};

} // namespace

class TestDateEdit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void calendarCells_data();
    void calendarCells();
    void calendarKeys_data();
    void calendarKeys();
    void escapeLeavesTheFieldAsItWas();
    void mousePicksADay();
    void popupPlacement_data();
    void popupPlacement();
    void keyboardOpensTheCalendarOnceEnabledAgain();
    void separatorMovesThroughTheParts();
    void clickSelectsThePartUnderTheCaret_data();
    void clickSelectsThePartUnderTheCaret();
    void typedDatesAreRead_data();
    void typedDatesAreRead();
    void unreadableTextBecomesToday();
    void settingTheValue();
};

void TestDateEdit::calendarCells_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("firstCell");
    QTest::addColumn<int>("lastCell");

    QTest::newRow("October 1996 starts on a Tuesday") << 1996 << 10 << 3 << 33;
    QTest::newRow("February 2015 fills four rows") << 2015 << 2 << 1 << 28;
    QTest::newRow("leap February 2024 starts on a Thursday") << 2024 << 2 << 5 << 33;
    QTest::newRow("August 2015 reaches the sixth row") << 2015 << 8 << 7 << 37;
}

void TestDateEdit::calendarCells()
{
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, firstCell);
    QFETCH(int, lastCell);

    Form form;
    form.field->setDate(day(year, month, 1));
    CalendarPopup popup(*form.field);
    QCOMPARE(popup.currentCell(), firstCell);
    for (int cell = 1; cell <= CalendarPopup::kCells; ++cell) {
        const QString expected =
            cell >= firstCell && cell <= lastCell ? QString::number(cell - firstCell + 1) : QString();
        QCOMPARE(popup.cellText(cell), expected);
    }
    // The sizes follow the font; the cells tile the week rows.
    QCOMPARE(popup.width(), 21 * popup.columnUnit() + 8);
    QCOMPARE(popup.height(), 8 * popup.rowHeight() + 2);
    QCOMPARE(popup.cellRect(33).topLeft(), QPoint(4 + 3 * popup.columnUnit() * 4, 6 * popup.rowHeight() + 2));
}

void TestDateEdit::calendarKeys_data()
{
    QTest::addColumn<DateTime>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<DateTime>("expected");

    QTest::newRow("Page Down from 31 Jan 1997")
        << day(1997, 1, 31) << int(Qt::Key_PageDown) << day(1997, 3, 3);
    QTest::newRow("Page Up from 31 Mar 1997") << day(1997, 3, 31) << int(Qt::Key_PageUp) << day(1997, 3, 3);
    QTest::newRow("Page Up from January counts December")
        << day(1997, 1, 15) << int(Qt::Key_PageUp) << day(1996, 12, 15);
    QTest::newRow("Home is a year later") << day(1999, 3, 10) << int(Qt::Key_Home) << day(2000, 3, 10);
    QTest::newRow("End is a year earlier") << day(2000, 3, 10) << int(Qt::Key_End) << day(1999, 3, 10);
    QTest::newRow("Home from 29 Feb") << day(1996, 2, 29) << int(Qt::Key_Home) << day(1997, 3, 1);
    QTest::newRow("End from 29 Feb") << day(1996, 2, 29) << int(Qt::Key_End) << day(1995, 3, 1);
    QTest::newRow("Left into the previous month")
        << day(1996, 10, 1) << int(Qt::Key_Left) << day(1996, 9, 30);
    QTest::newRow("Right") << day(1996, 10, 31) << int(Qt::Key_Right) << day(1996, 11, 1);
    QTest::newRow("Up a week") << day(1996, 10, 3) << int(Qt::Key_Up) << day(1996, 9, 26);
    QTest::newRow("Down a week") << day(1996, 10, 3) << int(Qt::Key_Down) << day(1996, 10, 10);
}

void TestDateEdit::calendarKeys()
{
    QFETCH(DateTime, start);
    QFETCH(int, key);
    QFETCH(DateTime, expected);

    Form form;
    form.field->setDate(start);
    CalendarPopup popup(*form.field);
    popup.show();
    QTest::keyClick(&popup, Qt::Key(key));
    QCOMPARE(popup.current(), expected);
    const Date d = decodeDate(expected);
    QCOMPARE(popup.currentCell(), CalendarPopup::cellOf(d.year, d.month, d.day));
    QCOMPARE(popup.cellText(popup.currentCell()), QString::number(d.day));
    QCOMPARE(form.field->date(), start); // nothing chosen yet

    QTest::keyClick(&popup, Qt::Key_Return);
    QCOMPARE(popup.result(), int(QDialog::Accepted));
    QCOMPARE(form.field->date(), expected);
}

void TestDateEdit::escapeLeavesTheFieldAsItWas()
{
    Form form;
    form.field->setDate(day(1996, 10, 15));
    form.field->setModified(false);
    QSignalSpy changes(form.field, &DateEdit::dateChanged);
    CalendarPopup popup(*form.field);
    popup.show();
    QTest::keyClick(&popup, Qt::Key_PageDown);
    QTest::keyClick(&popup, Qt::Key_Escape);

    QCOMPARE(popup.result(), int(QDialog::Rejected));
    QVERIFY(!popup.isVisible());
    QCOMPARE(form.field->text(), u"10/15/1996"_s);
    QCOMPARE(form.field->date(), day(1996, 10, 15));
    QVERIFY(!form.field->isModified());
    QCOMPARE(changes.count(), 0);
}

void TestDateEdit::mousePicksADay()
{
    Form form;
    form.field->setDate(day(1996, 10, 15));
    CalendarPopup popup(*form.field);
    popup.show();

    // A blank cell and the title do nothing.
    QTest::mouseClick(&popup, Qt::LeftButton, {}, popup.cellRect(1).center());
    QTest::mouseClick(&popup, Qt::LeftButton, {}, QPoint(popup.width() / 2, 6));
    QVERIFY(popup.isVisible());
    QCOMPARE(popup.current(), day(1996, 10, 15));

    // The arrows page through the months.
    QTest::mouseClick(&popup, Qt::LeftButton, {}, popup.nextButtonRect().center());
    QCOMPARE(popup.current(), day(1996, 11, 15));
    QTest::mouseClick(&popup, Qt::LeftButton, {}, popup.previousButtonRect().center());
    QCOMPARE(popup.current(), day(1996, 10, 15));
    QVERIFY(popup.isVisible());

    // Press on the 3rd, drag over the 10th, release on the 11th.
    QTest::mousePress(&popup, Qt::LeftButton, {}, popup.cellRect(5).center());
    QCOMPARE(popup.current(), day(1996, 10, 3));
    QMouseEvent move(QEvent::MouseMove, popup.cellRect(12).center(),
                     popup.mapToGlobal(popup.cellRect(12).center()), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&popup, &move);
    QCOMPARE(popup.current(), day(1996, 10, 10));
    QTest::mouseRelease(&popup, Qt::LeftButton, {}, popup.cellRect(13).center());
    QCOMPARE(popup.result(), int(QDialog::Accepted));
    QCOMPARE(form.field->date(), day(1996, 10, 10));
}

void TestDateEdit::popupPlacement_data()
{
    QTest::addColumn<QRect>("field");
    QTest::addColumn<QPoint>("expected");

    // A 200 x 160 popup on a 1024 x 768 screen.
    QTest::newRow("below the field") << QRect(100, 100, 150, 22) << QPoint(101, 123);
    QTest::newRow("kept on the screen at the right")
        << QRect(900, 100, 120, 22) << QPoint(1024 - 200 - 1, 123);
    QTest::newRow("above the field at the bottom") << QRect(100, 700, 150, 22) << QPoint(101, 700 - 160);
}

void TestDateEdit::popupPlacement()
{
    QFETCH(QRect, field);
    QFETCH(QPoint, expected);
    QCOMPARE(CalendarPopup::placeFor(field, QSize(200, 160), QRect(0, 0, 1024, 768)), expected);
}

void TestDateEdit::keyboardOpensTheCalendarOnceEnabledAgain()
{
    Form form;
    form.field->setDate(day(1997, 1, 31));
    form.show();
    form.field->setEnabled(false);
    QVERIFY(!form.field->findChild<QToolButton*>(u"calendarButton"_s)->isEnabled());
    form.field->setEnabled(true);
    QVERIFY(form.field->findChild<QToolButton*>(u"calendarButton"_s)->isEnabled());
    form.field->setFocus();

    bool seen = false;
    QTimer::singleShot(0, [&seen] {
        auto* popup = qobject_cast<CalendarPopup*>(QApplication::activeModalWidget());
        seen = popup && popup->windowFlags().testFlag(Qt::FramelessWindowHint) && popup->isModal();
        if (popup) {
            QTest::keyClick(popup, Qt::Key_PageDown);
            QTest::keyClick(popup, Qt::Key_Enter);
        }
    });
    QTest::keyClick(form.field, Qt::Key_Down, Qt::AltModifier);
    QVERIFY(seen);
    QCOMPARE(form.field->text(), u"3/3/1997"_s);
}

void TestDateEdit::separatorMovesThroughTheParts()
{
    Form form;
    form.field->setDate(day(2030, 1, 5));
    form.show();
    QCOMPARE(form.field->selectedText(), u"1"_s);
    const QStringList selections{u"5"_s, u"2030"_s, u"2030"_s};
    for (const QString& selected : selections) {
        QTest::keyClick(form.field, '/');
        QCOMPARE(form.field->selectedText(), selected);
    }
    QTest::keyClicks(form.field, u"x-.96"_s); // only the digits are typed
    QCOMPARE(form.field->text(), u"1/5/96"_s);
}

void TestDateEdit::clickSelectsThePartUnderTheCaret_data()
{
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("selected");

    // "1/15/2030"
    QTest::newRow("start") << 0 << u"1"_s;
    QTest::newRow("before the first separator") << 1 << u"1"_s;
    QTest::newRow("after the first separator") << 2 << u"15"_s;
    QTest::newRow("before the second separator") << 4 << u"15"_s;
    QTest::newRow("after the second separator") << 5 << u"2030"_s;
    QTest::newRow("end") << 9 << u"2030"_s;
}

void TestDateEdit::clickSelectsThePartUnderTheCaret()
{
    QFETCH(int, caret);
    QFETCH(QString, selected);

    Form form;
    form.field->setDate(day(2030, 1, 15));
    form.show();
    const int y = form.field->height() / 2;
    int x = 0;
    while (x < form.field->width() && form.field->cursorPositionAt(QPoint(x, y)) < caret)
        ++x;
    QTest::mouseClick(form.field, Qt::LeftButton, {}, QPoint(x, y));
    QCOMPARE(form.field->selectedText(), selected);
    QCOMPARE(form.field->partInFocus(), form.field->partAt(caret));
}

void TestDateEdit::typedDatesAreRead_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<DateTime>("expected");
    QTest::addColumn<QString>("shown");

    // Today is in 2026: two-digit years fall in 1976 .. 2076.
    QTest::newRow("1/5/30 is 2030") << "en_US"_ba << u"1/5/30"_s << day(2030, 1, 5) << u"1/5/2030"_s;
    QTest::newRow("50 years ahead") << "en_US"_ba << u"1/5/76"_s << day(2076, 1, 5) << u"1/5/2076"_s;
    QTest::newRow("more than 50 ahead is past")
        << "en_US"_ba << u"1/5/77"_s << day(1977, 1, 5) << u"1/5/1977"_s;
    QTest::newRow("one digit") << "en_US"_ba << u"12/31/9"_s << day(2009, 12, 31) << u"12/31/2009"_s;
    QTest::newRow("four digits stay") << "en_US"_ba << u"2/29/1996"_s << day(1996, 2, 29) << u"2/29/1996"_s;
    QTest::newRow("day first") << "de_DE"_ba << u"5.1.30"_s << day(2030, 1, 5) << u"05.01.2030"_s;
}

void TestDateEdit::typedDatesAreRead()
{
    QFETCH(QByteArray, locale);
    QFETCH(QString, typed);
    QFETCH(DateTime, expected);
    QFETCH(QString, shown);

    Form form(locale.constData());
    form.field->setDate(day(2026, 3, 14));
    form.show();
    form.field->selectAll();
    QTest::keyClicks(form.field, typed);
    QTest::keyClick(form.field, Qt::Key_Tab);
    QCOMPARE(form.field->date(), expected);
    QCOMPARE(form.field->text(), shown);
    QVERIFY(form.next->hasFocus());
}

void TestDateEdit::unreadableTextBecomesToday()
{
    Form form;
    form.field->setDate(day(1996, 10, 15));
    form.show();
    form.field->selectAll();
    QTest::keyClicks(form.field, u"13/45/96"_s);
    QTest::keyClick(form.field, Qt::Key_Tab);
    QCOMPARE(form.field->text(), u"3/14/2026"_s);
    QCOMPARE(datePart(form.field->date()), day(2026, 3, 14));
    QTRY_VERIFY(form.field->hasFocus());
    QVERIFY(!QApplication::activeModalWidget());
}

void TestDateEdit::settingTheValue()
{
    Form form;
    QSignalSpy changes(form.field, &DateEdit::dateChanged);
    form.field->setDate(day(1996, 10, 15));
    QCOMPARE(form.field->text(), u"10/15/1996"_s);
    QVERIFY(form.field->isModified());
    form.field->setModified(false);
    form.field->setDate(day(1996, 10, 15)); // equal: nothing
    QVERIFY(!form.field->isModified());
    form.field->setDate(0);
    QCOMPARE(form.field->text(), QString());
    QCOMPARE(changes.count(), 2);
    form.show(); // a field that was given a value keeps it
    QCOMPARE(form.field->text(), QString());

    Form fresh;
    fresh.show();
    QCOMPARE(fresh.field->text(), u"3/14/2026"_s);
    // Set while the user is in the field: the part stays selected for typing.
    fresh.field->selectPart(2);
    fresh.field->setDate(day(1996, 10, 15));
    QCOMPARE(fresh.field->selectedText(), u"15"_s);
    QTest::keyClicks(fresh.field, u"20"_s);
    QCOMPARE(fresh.field->text(), u"10/20/1996"_s);
}

QTEST_MAIN(TestDateEdit)
#include "tst_DateEdit.moc"
