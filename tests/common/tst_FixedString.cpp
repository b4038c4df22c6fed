// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/FixedString.h"

#include <QTest>

using hv::FixedString;

class TestFixedString : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void cutsAtCapacity();
    void keepsBytesPastLength();
    void damagedLengthReadsAsCapacity();
};

void TestFixedString::roundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("ascii") << QStringLiteral("Wake up") << QByteArray("Wake up");
    QTest::newRow("latin-1") << QStringLiteral("Caf\u00e9 \u00fcber")
                             << QByteArray("Caf\xe9 \xfc"
                                           "ber");
    QTest::newRow("0x80 block") << QStringLiteral("\u20ac5 \u2013 \u201cok\u201d")
                                << QByteArray("\x80"
                                              "5 \x96 \x93ok\x94");
}

void TestFixedString::roundTrip()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, stored);
    FixedString<100> s(text);
    QCOMPARE(int(s.bytes()[0]), int(stored.size()));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(s.bytes().data()) + 1, stored.size()), stored);
    QCOMPARE(s.text(), text);
}

void TestFixedString::cutsAtCapacity()
{
    FixedString<15> s(QStringLiteral("BoldItalicExtraWide"));
    QCOMPARE(s.text(), QStringLiteral("BoldItalicExtra"));
    QCOMPARE(s.length(), 15u);
    // A character without a Windows-1252 form is kept as '?', not dropped.
    QCOMPARE(FixedString<10>(QStringLiteral("a\u4e2db")).text(), QStringLiteral("a?b"));
}

void TestFixedString::keepsBytesPastLength()
{
    std::array<std::uint8_t, 6> stored = {2, 'h', 'i', 'x', 'y', 'z'};
    FixedString<5> s;
    s.setBytes(stored);
    QCOMPARE(s.text(), QStringLiteral("hi"));
    QVERIFY(std::equal(stored.begin(), stored.end(), s.bytes().begin()));
}

void TestFixedString::damagedLengthReadsAsCapacity()
{
    std::array<std::uint8_t, 4> stored = {200, 'a', 'b', 'c'};
    FixedString<3> s;
    s.setBytes(stored);
    QCOMPARE(s.text(), QStringLiteral("abc"));
}

QTEST_APPLESS_MAIN(TestFixedString)
#include "tst_FixedString.moc"
