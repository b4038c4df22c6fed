// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/StoredPath.h"

#include <QTest>

class TestStoredPath : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void problem_data();
    void problem();
};

void TestStoredPath::problem_data()
{
    const QString dir = QStringLiteral("/home/user/.local/share/horavox/waves/");
    const auto padded = [&](qsizetype length, QChar fill = u'a') {
        return dir + QString(length - dir.size() - 4, fill) + QStringLiteral(".wav");
    };
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("empty") << QString() << true;
    QTest::newRow("100 bytes") << padded(100) << true;
    QTest::newRow("101 bytes") << padded(101) << false;
    // Western letters and the 0x80 block are one byte each, so 100 of them fit.
    QTest::newRow("100 in the 0x80 block") << padded(100, QChar(0x20AC)) << true;
    QTest::newRow("question mark is a character") << QStringLiteral("/tmp/what?.wav") << true;
    QTest::newRow("not Windows-1252") << QStringLiteral("/tmp/\u0436.wav") << false;
    QTest::newRow("outside the BMP") << QStringLiteral("/tmp/\U0001F514.wav") << false;
}

void TestStoredPath::problem()
{
    QFETCH(QString, path);
    QFETCH(bool, accepted);
    const QString message = hv::storedPathProblem(path);
    QCOMPARE(message.isEmpty(), accepted);
    if (!accepted)
        QVERIFY2(message.contains(path), qPrintable(message)); // the user sees which path
}

QTEST_GUILESS_MAIN(TestStoredPath)
#include "tst_StoredPath.moc"
