// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/CompoundText.h"

#include <QTest>

using hv::x11::decodeCompoundText;

class TestCompoundText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodes_data();
    void decodes();
    void neverExpandsGarbage();
};

namespace {

// ESC and the bytes of an escape sequence after it.
QByteArray esc(const char* sequence)
{
    return QByteArray("\x1b") + sequence;
}

// An extended segment: ESC % / 1, the length of what follows as two 7-bit digits
// with the high bit set, the encoding's name, STX, the text.
QByteArray extendedSegment(const QByteArray& name, const QByteArray& text, int declaredLength = -1)
{
    const int length = declaredLength >= 0 ? declaredLength : int(name.size() + 1 + text.size());
    QByteArray out = esc("%/1");
    out.append(char(0x80 | (length / 128))).append(char(0x80 | (length % 128)));
    return out + name + '\x02' + text;
}

} // namespace

void TestCompoundText::decodes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    // The initial state: ASCII on the left, Latin-1 on the right.
    QTest::newRow("ASCII") << QByteArray("Terminal - ~") << QStringLiteral("Terminal - ~");
    QTest::newRow("Latin-1 right half by default")
        << QByteArray("caf\xe9 \xd7 2") << QStringLiteral("café × 2");
    QTest::newRow("control characters and DEL pass") << QByteArray("a\tb\x7f") << QStringLiteral("a\tb\x7f");

    // Other ISO 8859 right halves, and back.
    QTest::newRow("Latin-2") << esc("-B") + "\xa3\xf3"
                                            "d\xbc"
                             << QStringLiteral("Łódź");
    QTest::newRow("Cyrillic") << esc("-L") + "\xbf\xe0\xd8\xd2\xd5\xe2" << QStringLiteral("Привет");
    QTest::newRow("Greek") << esc("-F") + "\xe1\xe2\xe3" << QStringLiteral("αβγ");
    QTest::newRow("Latin-9 has the euro sign") << esc("-b") + "\xa4" << QStringLiteral("€");
    QTest::newRow("switching back to Latin-1")
        << esc("-B") + "\xb1" + esc("-A") + "\xb1" << QStringLiteral("ą±");
    QTest::newRow("the left half stays ASCII after a switch of the right")
        << esc("-L") + "Ok \xbf" << QStringLiteral("Ok П");

    // East Asian sets, in either half; ESC ( B brings ASCII back to the left.
    QTest::newRow("Japanese in the left half")
        << esc("$(B") + "\x46\x7c\x4b\x5c" + esc("(B") + "!" << QStringLiteral("日本!");
    QTest::newRow("Japanese in the right half") << esc("$)B") + "\xc6\xfc\xcb\xdc" << QStringLiteral("日本");
    QTest::newRow("Chinese") << esc("$)A") + "\xc4\xe3\xba\xc3" << QStringLiteral("你好");
    QTest::newRow("Korean") << esc("$)C") + "\xc7\xd1" << QStringLiteral("한");
    QTest::newRow("half-width katakana") << esc(")I") + "\xb1" << QStringLiteral("ｱ");
    QTest::newRow("JIS-Roman counts as ASCII")
        << esc("$(B") + "\x30\x21" + esc("(J") + "a" << QStringLiteral("亜a");

    // UTF-8 segments.
    QTest::newRow("UTF-8 segment") << esc("%G") + "\xe2\x82\xac \xf0\x9f\x94\x94" + esc("%@") + "\xe9"
                                   << QStringLiteral("€ 🔔é");
    QTest::newRow("UTF-8 segment to the end") << "x" + esc("%G") + "\xc3\xa9" << QStringLiteral("xé");
    QTest::newRow("broken UTF-8 in a segment")
        << esc("%G") + "a\xc3" + esc("%@") + "b" << QStringLiteral("a\uFFFDb");

    // Extended segments name their encoding.
    QTest::newRow("extended segment")
        << "a" + extendedSegment("ISO-8859-2", "\xb1") + "b" << QStringLiteral("aąb");
    QTest::newRow("extended segment longer than the text")
        << extendedSegment("UTF-8", "\xc3\xa9", 200) << QStringLiteral("é");
    QTest::newRow("extended segment without a name is skipped")
        << esc("%/1") + "\x80\x83" + "abc" + "d" << QStringLiteral("d");
    QTest::newRow("extended segment of an unknown encoding")
        << extendedSegment("no-such-encoding", "xy") << QStringLiteral("\uFFFD\uFFFD");

    // Sets that cannot be decoded, and direction controls.
    QTest::newRow("unknown right half") << esc("-Z") + "\xe9" + "a" << QStringLiteral("\uFFFDa");
    QTest::newRow("unknown left half")
        << esc("(Z") + "ab " + esc("(B") + "c" << QStringLiteral("\uFFFD\uFFFD c");
    QTest::newRow("direction controls are dropped")
        << '\x9b' + QByteArray("2]abc") + '\x9b' + ']' << QStringLiteral("abc");

    // Damaged input: what came before the damage is kept.
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("escape at the end") << "abc" + esc("") << QStringLiteral("abc");
    QTest::newRow("escape sequence without its final byte") << "abc" + esc("$(") << QStringLiteral("abc");
    QTest::newRow("extended segment without its length")
        << "abc" + esc("%/1") + "\x80" << QStringLiteral("abc");
    QTest::newRow("direction control without its final byte")
        << QByteArray("abc") + '\x9b' + "12" << QStringLiteral("abc");
    QTest::newRow("escape without intermediates leaves the left half alone")
        << esc("x") + "abc" << QStringLiteral("abc");
    QTest::newRow("escape of another standard in the left half")
        << esc("(\x7f") + "\x41" + esc("(B") + "A" << QStringLiteral("\uFFFDA");
}

void TestCompoundText::decodes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(decodeCompoundText(bytes), expected);
}

// Each byte gives at most one UTF-16 unit, so that a title read from another
// program is never longer than the property it came from; checked on every
// prefix of inputs that switch sets, cut sequences and name encodings.
void TestCompoundText::neverExpandsGarbage()
{
    const QList<QByteArray> inputs{
        esc("$)B") + "\xc6\xfc\xcb" + esc("%G") + "\xf0\x9f\x94" + esc("%@") + '\x9b' + '1',
        extendedSegment("UTF-16", QByteArray("\x00\xd8\x00\xdc\x41", 5)) + esc("-L\xff\xfe"),
        extendedSegment("UTF-32LE", QByteArray("\x00\xf6\x01\x00\xff\xff\xff\xff", 8)),
        // SCSU: a window onto the supplementary planes, then one byte for each character.
        extendedSegment("SCSU", QByteArray("\x0b\x20\x00", 3) + QByteArray(100, '\x90')),
    };
    for (const QByteArray& input : inputs) {
        for (qsizetype length = 0; length <= input.size(); ++length) {
            const QString text = decodeCompoundText(input.first(length));
            QVERIFY2(text.size() <= length, input.first(length).toHex(' ').constData());
            QVERIFY(text.isValidUtf16());
        }
    }
}

QTEST_GUILESS_MAIN(TestCompoundText)
#include "tst_CompoundText.moc"
