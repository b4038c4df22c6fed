// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/RunLine.h"

#include <QTest>

class TestRunLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsProgram_data();
    void startsProgram();
    void rebuild_data();
    void rebuild();
    void programPathCutAt100();
};

void TestRunLine::startsProgram_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("expected");

    QTest::newRow("empty") << QString() << false;
    QTest::newRow("among others") << QStringLiteral("C:\\TOOLS\\A.EXE;C:\\HORAVOX\\HORAVOX.EXE") << true;
    QTest::newRow("other case is not enough") << QStringLiteral("c:\\horavox\\horavox.exe") << false;
    QTest::newRow("other programs only") << QStringLiteral("A.EXE;B.EXE") << false;
}

void TestRunLine::startsProgram()
{
    QFETCH(QString, line);
    QFETCH(bool, expected);
    QCOMPARE(hv::runLineStartsProgram(line), expected);
}

void TestRunLine::rebuild_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("autoRun");
    QTest::addColumn<QString>("expected");

    const QString self = QStringLiteral("C:\\HORAVOX\\HORAVOX.EXE");
    QTest::newRow("three entries, ours in the middle, off")
        << QStringLiteral("C:\\A.EXE;") + self + QStringLiteral(";C:\\B.EXE") << false
        << QStringLiteral("C:\\A.EXE;C:\\B.EXE");
    QTest::newRow("three entries, ours in the middle, on")
        << QStringLiteral("C:\\A.EXE;") + self + QStringLiteral(";C:\\B.EXE") << true
        << QStringLiteral("C:\\A.EXE;C:\\B.EXE;") + self;
    QTest::newRow("empty line, on") << QString() << true << self;
    QTest::newRow("empty line, off") << QString() << false << QString();
    QTest::newRow("empty entries kept, trailing ';' dropped")
        << QStringLiteral("A.EXE;;B.EXE;") << false << QStringLiteral("A.EXE;;B.EXE");
    QTest::newRow("leading empty entry kept")
        << QStringLiteral(";A.EXE") << true << QStringLiteral(";A.EXE;") + self;
    QTest::newRow("ours found in any case")
        << QStringLiteral("c:\\horavox\\horavox.exe;A.EXE") << false << QStringLiteral("A.EXE");
    QTest::newRow("only the first of ours removed")
        << QStringLiteral("HORAVOX.EXE;A.EXE;HORAVOX2.EXE") << false << QStringLiteral("A.EXE;HORAVOX2.EXE");
    QTest::newRow("only entry is ours, off") << self + u';' << false << QString();
}

void TestRunLine::rebuild()
{
    QFETCH(QString, line);
    QFETCH(bool, autoRun);
    QFETCH(QString, expected);
    QCOMPARE(hv::rebuildRunLine(line, autoRun, u"C:\\HORAVOX\\HORAVOX.EXE"), expected);
}

void TestRunLine::programPathCutAt100()
{
    const QString longPath = QStringLiteral("C:\\") + QString(120, u'X') + QStringLiteral("\\HORAVOX.EXE");
    QCOMPARE(hv::rebuildRunLine(u"A.EXE", true, longPath), QStringLiteral("A.EXE;") + longPath.left(100));
}

QTEST_APPLESS_MAIN(TestRunLine)
#include "tst_RunLine.moc"
