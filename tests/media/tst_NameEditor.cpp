// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Profile.h"
#include "media/NameEditor.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using hv::NameEditBuffer;
using hv::NameEditor;

namespace {

NameEditBuffer threeTracks(int index)
{
    NameEditBuffer buffer;
    buffer.count = 3;
    buffer.discName = QStringLiteral("Disc");
    buffer.trackNames[0] = QStringLiteral("One");
    buffer.trackNames[1] = QStringLiteral("Two");
    buffer.trackNames[2] = QStringLiteral("Three");
    buffer.index = index;
    return buffer;
}

} // namespace

class TestNameEditor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void prevAndNextStoreAndStopAtTheEnds();
    void discNameHasNoPrevOrNext();
    void activationReloadsTheStoredName();
    void okCutsToFifty();
    void namesWindows1252CannotHoldAreRefused_data();
    void namesWindows1252CannotHoldAreRefused();
    void keyboard();
    void placeIsKept();

private:
    QLineEdit* edit(NameEditor& e) { return e.findChild<QLineEdit*>(QStringLiteral("nameEdit")); }
    QLabel* label(NameEditor& e) { return e.findChild<QLabel*>(QStringLiteral("nameLabel")); }
    QPushButton* button(NameEditor& e, const char* name)
    {
        return e.findChild<QPushButton*>(QString::fromLatin1(name));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<hv::Profile> m_settings;
};

void TestNameEditor::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_settings = std::make_unique<hv::Profile>(m_dir->filePath(QStringLiteral("horavox.ini")));
}

void TestNameEditor::prevAndNextStoreAndStopAtTheEnds()
{
    NameEditBuffer buffer = threeTracks(0);
    NameEditor editor(buffer, *m_settings);
    QCOMPARE(label(editor)->text(), QStringLiteral("Track 1 Name"));
    QCOMPARE(edit(editor)->text(), QStringLiteral("One"));
    button(editor, "prevButton")->click();
    QCOMPARE(buffer.index, 0);

    edit(editor)->setText(QStringLiteral("First"));
    button(editor, "nextButton")->click();
    QCOMPARE(label(editor)->text(), QStringLiteral("Track 2 Name"));
    QCOMPARE(edit(editor)->text(), QStringLiteral("Two"));
    QCOMPARE(edit(editor)->selectedText(), QStringLiteral("Two"));
    button(editor, "nextButton")->click();
    edit(editor)->setText(QStringLiteral("Last"));
    button(editor, "nextButton")->click();
    QCOMPARE(buffer.index, 2);
    QCOMPARE(label(editor)->text(), QStringLiteral("Track 3 Name"));
    QCOMPARE(edit(editor)->text(), QStringLiteral("Last"));

    button(editor, "prevButton")->click();
    QCOMPARE(edit(editor)->text(), QStringLiteral("Two"));
    QCOMPARE(buffer.trackNames[0], QStringLiteral("First"));
    QCOMPARE(buffer.trackNames[2], QStringLiteral("Last"));
    QCOMPARE(buffer.discName, QStringLiteral("Disc"));
}

void TestNameEditor::discNameHasNoPrevOrNext()
{
    NameEditBuffer buffer = threeTracks(-1);
    NameEditor editor(buffer, *m_settings);
    editor.show();
    QCOMPARE(editor.windowTitle(), QStringLiteral("Edit Name"));
    QCOMPARE(label(editor)->text(), QStringLiteral("CD Name"));
    QVERIFY(!button(editor, "prevButton")->isVisible());
    QVERIFY(!button(editor, "nextButton")->isVisible());
    edit(editor)->setText(QStringLiteral("Renamed"));
    button(editor, "okButton")->click();
    QCOMPARE(editor.result(), int(QDialog::Accepted));
    QCOMPARE(buffer.discName, QStringLiteral("Renamed"));
    QCOMPARE(buffer.trackNames[0], QStringLiteral("One"));
}

// Typing not yet stored is dropped when the window becomes active again.
void TestNameEditor::activationReloadsTheStoredName()
{
    NameEditBuffer buffer = threeTracks(1);
    NameEditor editor(buffer, *m_settings);
    edit(editor)->setText(QStringLiteral("Half typed"));
    buffer.trackNames[1] = QStringLiteral("Changed meanwhile");
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&editor, &activate);
    QCOMPARE(edit(editor)->text(), QStringLiteral("Changed meanwhile"));
    QCOMPARE(edit(editor)->selectedText(), QStringLiteral("Changed meanwhile"));
}

void TestNameEditor::okCutsToFifty()
{
    NameEditBuffer buffer = threeTracks(0);
    NameEditor editor(buffer, *m_settings);
    edit(editor)->clear();
    QTest::keyClicks(edit(editor), QString(60, u'x'));
    QCOMPARE(edit(editor)->text().size(), 50);
    button(editor, "okButton")->click();
    QCOMPARE(buffer.trackNames[0], QString(50, u'x'));
}

void TestNameEditor::namesWindows1252CannotHoldAreRefused_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("Windows-1252 letters and signs")
        << QStringLiteral("Café – 5 €") << QStringLiteral("Café – 5 €");
    QTest::newRow("a CJK character") << QStringLiteral("a\u65e5b") << QStringLiteral("ab");
    QTest::newRow("a character outside the BMP") << QStringLiteral("x\U0001F3B5y") << QStringLiteral("xy");
}

void TestNameEditor::namesWindows1252CannotHoldAreRefused()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    NameEditBuffer buffer = threeTracks(0);
    NameEditor editor(buffer, *m_settings);
    edit(editor)->clear();
    // Typed one character at a time, as key presses and pastes reach the box.
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const qsizetype n = typed.at(i).isHighSurrogate() ? 2 : 1;
        edit(editor)->insert(typed.mid(i, n));
        i += n - 1;
    }
    button(editor, "okButton")->click();
    QCOMPARE(buffer.trackNames[0], stored);
}

void TestNameEditor::keyboard()
{
    NameEditBuffer buffer = threeTracks(0);
    NameEditor editor(buffer, *m_settings);
    editor.show();
    QApplication::setActiveWindow(&editor);
    QVERIFY(QTest::qWaitForWindowActive(&editor));
    QCOMPARE(QApplication::focusWidget(), edit(editor));

    // A mnemonic clicks its button after a short animation.
    QTest::keyClick(&editor, Qt::Key_N, Qt::AltModifier);
    QTRY_COMPARE(buffer.index, 1);
    QTest::keyClick(&editor, Qt::Key_P, Qt::AltModifier);
    QTRY_COMPARE(buffer.index, 0);

    // No Cancel: Escape leaves the editor open.
    QTest::keyClick(edit(editor), Qt::Key_Escape);
    QVERIFY(editor.isVisible());

    edit(editor)->selectAll();
    QTest::keyClicks(edit(editor), QStringLiteral("Typed"));
    QTest::keyClick(edit(editor), Qt::Key_Return);
    QVERIFY(!editor.isVisible());
    QCOMPARE(editor.result(), int(QDialog::Accepted));
    QCOMPARE(buffer.trackNames[0], QStringLiteral("Typed"));
}

// Left and Top of "EditNameForm" apply when above 0; the place is written back.
void TestNameEditor::placeIsKept()
{
    m_settings->writeInteger(u"EditNameForm", u"Left", 140);
    m_settings->writeInteger(u"EditNameForm", u"Top", 0);
    NameEditBuffer buffer = threeTracks(0);
    {
        NameEditor editor(buffer, *m_settings);
        editor.move(10, 70);
        editor.show();
        QCOMPARE(editor.pos(), QPoint(140, 70));
        editor.move(150, 90);
        button(editor, "okButton")->click();
    }
    QCOMPARE(m_settings->readInteger(u"EditNameForm", u"Left", 0), 150);
    QCOMPARE(m_settings->readInteger(u"EditNameForm", u"Top", 0), 90);
}

QTEST_MAIN(TestNameEditor)
#include "tst_NameEditor.moc"
