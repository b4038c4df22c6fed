// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <QTest>

using namespace hv;
using namespace Qt::StringLiterals;

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void unknownOptionIsOneLineAndAPointer_data();
    void unknownOptionIsOneLineAndAPointer();
};

void TestCommandLine::unknownOptionIsOneLineAndAPointer_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("named");

    QTest::newRow("unknown long option") << QStringList{u"horavox"_s, u"--frobnicate"_s} << u"--frobnicate"_s;
    QTest::newRow("after a good one") << QStringList{u"horavox"_s, u"--say-time"_s, u"-x"_s} << u"-x"_s;
    QTest::newRow("a plain word") << QStringList{u"horavox"_s, u"now"_s} << u"now"_s;
}

void TestCommandLine::unknownOptionIsOneLineAndAPointer()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, named);

    const CommandLine command = CommandLine::parse(arguments);
    QCOMPARE(command.action, CommandLine::Action::Invalid);
    const QString text = command.errorText();
    const QStringList lines = text.split(u'\n');
    QCOMPARE(lines.size(), 3); // two lines, each ended
    QVERIFY2(lines.at(0).startsWith(QStringLiteral("horavox: ")) && lines.at(0).contains(named),
             qPrintable(lines.at(0)));
    QCOMPARE(lines.at(1), QStringLiteral("Try 'horavox --help' for more information."));
    QVERIFY(lines.at(2).isEmpty());
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_CommandLine.moc"
