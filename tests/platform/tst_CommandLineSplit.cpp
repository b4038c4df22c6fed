// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/CommandLineSplit.h"

#include <QTest>

using StringListResult = std::optional<QStringList>;
Q_DECLARE_METATYPE(StringListResult)

class TestCommandLineSplit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void split_data();
    void split();
};

void TestCommandLineSplit::split_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<StringListResult>("expected");

    const auto words = [](std::initializer_list<const char16_t*> list) {
        QStringList out;
        for (const char16_t* w : list)
            out.append(QString::fromUtf16(w));
        return StringListResult(out);
    };
    const StringListResult failure;

    QTest::newRow("empty") << QString() << words({});
    QTest::newRow("blanks only") << QStringLiteral(" \t \n ") << words({});
    QTest::newRow("program alone") << QStringLiteral("xclock") << words({u"xclock"});
    QTest::newRow("runs of blanks separate")
        << QStringLiteral("  a \t b\n\nc\r\nd  ") << words({u"a", u"b", u"c", u"d"});
    QTest::newRow("single quotes keep blanks")
        << QStringLiteral("prog 'two words'") << words({u"prog", u"two words"});
    QTest::newRow("single quotes keep backslashes and double quotes")
        << QStringLiteral(R"(p 'a\b"c')") << words({u"p", uR"(a\b"c)"});
    QTest::newRow("double quotes keep blanks and single quotes")
        << QStringLiteral(R"(p "it's here")") << words({u"p", u"it's here"});
    QTest::newRow("double quotes: escapes of $ ` \" \\")
        << QStringLiteral(R"(p "\$ \` \" \\")") << words({u"p", uR"($ ` " \)"});
    QTest::newRow("double quotes: other backslashes stay")
        << QStringLiteral(R"(p "C:\Temp\x.txt")") << words({u"p", uR"(C:\Temp\x.txt)"});
    QTest::newRow("double quotes: escaped newline removed")
        << QStringLiteral("p \"a\\\nb\"") << words({u"p", u"ab"});
    QTest::newRow("backslash escapes a blank") << QStringLiteral(R"(p a\ b)") << words({u"p", u"a b"});
    QTest::newRow("backslash escapes quotes")
        << QStringLiteral(R"(p \'a\" \\)") << words({u"p", uR"('a")", uR"(\)"});
    QTest::newRow("backslash before an ordinary character gives it")
        << QStringLiteral(R"(p C:\Temp)") << words({u"p", u"C:Temp"});
    QTest::newRow("backslash at the end stays") << QStringLiteral(R"(p a\)") << words({u"p", uR"(a\)"});
    QTest::newRow("line continuation joins")
        << QStringLiteral("p a\\\nb \\\n c") << words({u"p", u"ab", u"c"});
    QTest::newRow("quotes join within a word") << QStringLiteral(R"(p 'a'b"c"d)") << words({u"p", u"abcd"});
    QTest::newRow("empty quotes are empty arguments")
        << QStringLiteral(R"(p '' "" x)") << words({u"p", u"", u"", u"x"});
    QTest::newRow("empty quotes before a line continuation")
        << QStringLiteral("p ''\\\n") << words({u"p", u""});
    QTest::newRow("no variable, home or glob expansion")
        << QStringLiteral("echo $HOME ~ * ${X} \"$HOME\"")
        << words({u"echo", u"$HOME", u"~", u"*", u"${X}", u"$HOME"});
    QTest::newRow("no pipes, redirections, lists or comments")
        << QStringLiteral("a|b > f ; c && d #e")
        << words({u"a|b", u">", u"f", u";", u"c", u"&&", u"d", u"#e"});
    QTest::newRow("command substitution stays text")
        << QStringLiteral("p $(rm x) `rm y`") << words({u"p", u"$(rm", u"x)", u"`rm", u"y`"});
    QTest::newRow("non-ASCII text") << QStringLiteral("p 'Grüße aus Köln'")
                                    << words({u"p", u"Grüße aus Köln"});
    QTest::newRow("unbalanced single quote") << QStringLiteral("p 'open") << failure;
    QTest::newRow("unbalanced double quote") << QStringLiteral("p \"open") << failure;
    QTest::newRow("escaped closing double quote leaves it open") << QStringLiteral(R"(p "a\")") << failure;
    QTest::newRow("single quote inside double quotes does not close")
        << QStringLiteral(R"(p "a' 'b)") << failure;
}

void TestCommandLineSplit::split()
{
    QFETCH(QString, line);
    QFETCH(StringListResult, expected);
    const StringListResult actual = hv::splitCommandLine(line);
    QCOMPARE(actual.has_value(), expected.has_value());
    if (expected)
        QCOMPARE(*actual, *expected);
}

QTEST_APPLESS_MAIN(TestCommandLineSplit)
#include "tst_CommandLineSplit.moc"
