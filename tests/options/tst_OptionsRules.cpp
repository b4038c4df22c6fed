// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestFiles.h"
#include "options/CustomColours.h"
#include "options/FaceChoices.h"
#include "options/HotKeyChoice.h"

#include <QTemporaryDir>
#include <QTest>

using namespace hv;

Q_DECLARE_METATYPE(hv::CustomColours)

class TestOptionsRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void customColoursRead_data();
    void customColoursRead();
    void customColoursRoundTrip();
    void customColoursFileKeepsForeignLines();
    void hotKeyFromSettings_data();
    void hotKeyFromSettings();
    void hotKeyFromKeyPress_data();
    void hotKeyFromKeyPress();
    void bevelListOrder();
    void widthFields_data();
    void widthFields();
};

namespace {

CustomColours coloursWith(std::initializer_list<std::pair<int, ColourValue>> set)
{
    CustomColours colours = emptyCustomColours();
    for (const auto& [slot, value] : set)
        colours[static_cast<std::size_t>(slot)] = value;
    return colours;
}

} // namespace

void TestOptionsRules::customColoursRead_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<CustomColours>("expected");

    QTest::newRow("dark blue, low byte red")
        << QByteArray("ColorA=800000\r\n") << coloursWith({{0, 0x800000}});
    QTest::newRow("never set") << QByteArray("ColorB=FFFFFFFF\r\n") << emptyCustomColours();
    QTest::newRow("empty and missing values are never set")
        << QByteArray("ColorA=\r\nColorC=FF\r\n") << coloursWith({{2, 0xFF}});
    QTest::newRow("keys in any case, LF only")
        << QByteArray("colorp=c0c0c0\n") << coloursWith({{15, 0xC0C0C0}});
    QTest::newRow("not hexadecimal is never set") << QByteArray("ColorD=blue\r\n") << emptyCustomColours();
    QTest::newRow("the first of two lines counts")
        << QByteArray("ColorE=000001\r\nColorE=000002\r\n") << coloursWith({{4, 1}});
    QTest::newRow("beyond ColorP and foreign lines ignored")
        << QByteArray("ColorQ=123456\r\n[Colors]\r\nColor=1\r\n") << emptyCustomColours();
}

void TestOptionsRules::customColoursRead()
{
    QFETCH(QByteArray, content);
    QFETCH(CustomColours, expected);
    QCOMPARE(parseCustomColours(content), expected);
}

void TestOptionsRules::customColoursRoundTrip()
{
    const CustomColours colours = coloursWith({{0, 0x800000}, {1, 0}, {15, 0xABCDEF}});
    const QByteArray written = formatCustomColours({}, colours);
    // Sixteen keys in order, upper-case hex of at least six digits, CR LF.
    QVERIFY(written.startsWith("ColorA=800000\r\nColorB=000000\r\nColorC=FFFFFFFF\r\n"));
    QVERIFY(written.endsWith("ColorO=FFFFFFFF\r\nColorP=ABCDEF\r\n"));
    QCOMPARE(written.count("\r\n"), kCustomColourCount);
    QCOMPARE(parseCustomColours(written), colours);
}

void TestOptionsRules::customColoursFileKeepsForeignLines()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("CstmCol.Str"));
    QVERIFY(!loadCustomColours(path)); // no file: the chooser keeps its own colours

    test::putFile(path, "; mine\r\nColorB=00FF00\r\nWidth=3\r\n");
    QCOMPARE(*loadCustomColours(path), coloursWith({{1, 0x00FF00}}));
    saveCustomColours(path, coloursWith({{1, 0x800000}}));
    const QByteArray saved = test::contentOf(path);
    // The foreign lines stay where they were, ColorB is replaced in place and
    // the keys that were missing follow.
    QVERIFY2(saved.startsWith("; mine\r\nColorB=800000\r\nWidth=3\r\nColorA=FFFFFFFF\r\nColorC=FFFFFFFF\r\n"),
             saved.constData());
    QCOMPARE(*loadCustomColours(path), coloursWith({{1, 0x800000}}));
}

void TestOptionsRules::hotKeyFromSettings_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("shift");
    QTest::addColumn<QString>("text");

    QTest::newRow("the default") << 84 << 3 << QStringLiteral("Ctrl+Alt+T");
    QTest::newRow("all three") << 0x70 << 7 << QStringLiteral("Ctrl+Alt+Shift+F1");
    QTest::newRow("no modifier: Alt+A") << 84 << 0 << QStringLiteral("Alt+A");
    QTest::newRow("beyond 7: Alt+A") << 84 << 8 << QStringLiteral("Alt+A");
}

void TestOptionsRules::hotKeyFromSettings()
{
    QFETCH(int, key);
    QFETCH(int, shift);
    QFETCH(QString, text);
    QCOMPARE(hotKeyText(hv::hotKeyFromSettings(static_cast<quint16>(key), shift)), text);
}

void TestOptionsRules::hotKeyFromKeyPress_data()
{
    QTest::addColumn<int>("qtKey");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("virtualKey"); // -1: the field does not take the press
    QTest::addColumn<int>("flags");

    const int ctrlAlt = Qt::ControlModifier | Qt::AltModifier;
    QTest::newRow("Ctrl+Alt+T") << int(Qt::Key_T) << ctrlAlt << 84 << 3;
    QTest::newRow("T alone gets Alt") << int(Qt::Key_T) << 0 << 84 << 1;
    QTest::newRow("Shift+3 arrives as #") << int(Qt::Key_NumberSign) << int(Qt::ShiftModifier) << 0x33 << 4;
    QTest::newRow("keypad 5") << int(Qt::Key_5) << int(Qt::ControlModifier | Qt::KeypadModifier) << 0x65 << 2;
    QTest::newRow("F12") << int(Qt::Key_F12) << int(Qt::AltModifier) << 0x7b << 1;
    QTest::newRow("punctuation") << int(Qt::Key_Semicolon) << ctrlAlt << 0xba << 3;
    QTest::newRow("a modifier alone waits") << int(Qt::Key_Control) << int(Qt::ControlModifier) << -1 << 0;
    QTest::newRow("Tab moves on") << int(Qt::Key_Tab) << 0 << -1 << 0;
    QTest::newRow("Shift+Tab moves back") << int(Qt::Key_Backtab) << int(Qt::ShiftModifier) << -1 << 0;
    QTest::newRow("Escape cancels") << int(Qt::Key_Escape) << 0 << -1 << 0;
    QTest::newRow("Enter is OK") << int(Qt::Key_Return) << 0 << -1 << 0;
    QTest::newRow("Ctrl+Enter is a combination")
        << int(Qt::Key_Return) << int(Qt::ControlModifier) << 0x0d << 2;
    QTest::newRow("a key without a code") << int(Qt::Key_VolumeUp) << ctrlAlt << -1 << 0;
}

void TestOptionsRules::hotKeyFromKeyPress()
{
    QFETCH(int, qtKey);
    QFETCH(int, modifiers);
    QFETCH(int, virtualKey);
    QFETCH(int, flags);
    const std::optional<HotKeyCombination> pressed = hv::hotKeyFromKeyPress(qtKey, modifiers);
    if (virtualKey < 0) {
        QVERIFY(!pressed);
        return;
    }
    QVERIFY(pressed);
    QCOMPARE(pressed->virtualKey, virtualKey);
    QCOMPARE(pressed->modifiers, flags);
}

void TestOptionsRules::bevelListOrder()
{
    // The list shows Raised first, but Raised is stored as 2.
    QCOMPARE(bevelNames(),
             (QStringList{QStringLiteral("Raised"), QStringLiteral("Lowered"), QStringLiteral("None")}));
    QCOMPARE(bevelValueOfName(QStringLiteral("Raised")), 2);
    QCOMPARE(bevelValueOfName(QStringLiteral("Lowered")), 1);
    QCOMPARE(bevelValueOfName(QStringLiteral("None")), 0);
    QCOMPARE(bevelValueOfName(QStringLiteral("raised")), std::nullopt);
    QCOMPARE(bevelIndexOfValue(2), 0);
    QCOMPARE(bevelIndexOfValue(0), 2);
    QCOMPARE(bevelIndexOfValue(3), -1);
}

void TestOptionsRules::widthFields_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("up");
    QTest::addColumn<int>("down");

    QTest::newRow("in range") << QStringLiteral("5") << 5 << 6 << 4;
    QTest::newRow("above") << QStringLiteral("250") << 100 << 100 << 99;
    QTest::newRow("below") << QStringLiteral("-7") << 0 << 1 << 0;
    QTest::newRow("signed") << QStringLiteral("+12") << 12 << 13 << 11;
    QTest::newRow("unreadable") << QStringLiteral("-") << 0 << 1 << 0;
    QTest::newRow("empty") << QString() << 0 << 1 << 0;
}

void TestOptionsRules::widthFields()
{
    QFETCH(QString, text);
    QFETCH(int, left);
    QFETCH(int, up);
    QFETCH(int, down);
    QCOMPARE(widthOnLeaving(text), left);
    QCOMPARE(steppedWidth(text, 1), up);
    QCOMPARE(steppedWidth(text, -1), down);
}

QTEST_GUILESS_MAIN(TestOptionsRules)
#include "tst_OptionsRules.moc"
