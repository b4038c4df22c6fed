// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StartupReminderDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

using namespace hv;

class TestStartupReminderDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showsTheReminder();
    void answers_data();
    void answers();
    void checkBoxStateIsReported();
};

void TestStartupReminderDialog::showsTheReminder()
{
    StartupReminderDialog form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Startup Reminder"));
    QCOMPARE(form.size(), QSize(344, 170));

    auto* memo = form.findChild<QPlainTextEdit*>(QStringLiteral("reminderText"));
    QVERIFY(memo);
    QVERIFY(memo->isReadOnly());
    QCOMPARE(memo->toPlainText(),
             QStringLiteral(
                 "Horavox gives you the option to have the program started automatically when you log in "
                 "to the desktop.  This option can be changed in Horavox's 'Options'  dialog box.\n\n"
                 "Would you like Horavox to be started automatically when you log in to the desktop?"));
    QCOMPARE(memo->palette().color(QPalette::Base), QColor(0xFF, 0xFF, 0xB7));

    auto* yes = form.findChild<QPushButton*>(QStringLiteral("yesButton"));
    auto* no = form.findChild<QPushButton*>(QStringLiteral("noButton"));
    auto* box = form.findChild<QCheckBox*>(QStringLiteral("dontShowAgainBox"));
    QVERIFY(yes && no && box);
    QCOMPARE(yes->text(), QStringLiteral("Yes"));
    QCOMPARE(no->text(), QStringLiteral("No"));
    QCOMPARE(box->text(), QStringLiteral("&Don't show this reminder again"));
    QVERIFY(yes->isDefault());
    QVERIFY(!box->isChecked());
    QVERIFY(!form.dontShowAgain());

    // Everything fits: nothing is cut off or pushed out of the client area.
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    for (QWidget* w : {static_cast<QWidget*>(memo), static_cast<QWidget*>(yes), static_cast<QWidget*>(no),
                       static_cast<QWidget*>(box)})
        QVERIFY2(form.rect().contains(w->geometry()), qPrintable(w->objectName()));
    QVERIFY(box->width() >= box->sizeHint().width());
    const QRect available = form.screen()->availableGeometry();
    QCOMPARE(form.frameGeometry().center(), available.center());
}

void TestStartupReminderDialog::answers_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("result");

    QTest::newRow("Yes accepts") << QStringLiteral("yesButton") << int(QDialog::Accepted);
    QTest::newRow("No rejects") << QStringLiteral("noButton") << int(QDialog::Rejected);
    QTest::newRow("Enter answers Yes") << QStringLiteral("Enter") << int(QDialog::Accepted);
    QTest::newRow("Escape answers No") << QStringLiteral("Escape") << int(QDialog::Rejected);
}

void TestStartupReminderDialog::answers()
{
    QFETCH(QString, action);
    QFETCH(int, result);

    StartupReminderDialog form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QSignalSpy finished(&form, &QDialog::finished);
    if (action == QStringLiteral("Enter"))
        QTest::keyClick(&form, Qt::Key_Return);
    else if (action == QStringLiteral("Escape"))
        QTest::keyClick(&form, Qt::Key_Escape);
    else
        QTest::mouseClick(form.findChild<QPushButton*>(action), Qt::LeftButton);

    QCOMPARE(finished.count(), 1);
    QCOMPARE(form.result(), result);
    QVERIFY(!form.isVisible());
}

void TestStartupReminderDialog::checkBoxStateIsReported()
{
    StartupReminderDialog form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* box = form.findChild<QCheckBox*>(QStringLiteral("dontShowAgainBox"));
    QVERIFY(box);
    QSignalSpy changed(&form, &StartupReminderDialog::dontShowAgainChanged);

    QTest::mouseClick(box, Qt::LeftButton, {}, box->rect().center());
    QVERIFY(form.dontShowAgain());
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key_D, Qt::AltModifier); // the mnemonic
    QTRY_VERIFY_WITH_TIMEOUT(!form.dontShowAgain(), 2000);
    QTest::mouseClick(box, Qt::LeftButton, {}, box->rect().center());
    QVERIFY(form.dontShowAgain());

    QCOMPARE(changed.count(), 3);
    QCOMPARE(changed.at(0).at(0).toBool(), true);
    QCOMPARE(changed.at(1).at(0).toBool(), false);
    QCOMPARE(changed.at(2).at(0).toBool(), true);

    // The answer does not undo the choice.
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("noButton")), Qt::LeftButton);
    QVERIFY(form.dontShowAgain());
}

QTEST_MAIN(TestStartupReminderDialog)
#include "tst_StartupReminderDialog.moc"
