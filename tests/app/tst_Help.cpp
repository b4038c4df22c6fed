// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Help.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace hv;

namespace {

// Every help context number that a window or control of the program opens.
const QList<int> kContextNumbers = {
    1,  2,  4,  6,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25,
    29, 32, 33, 34, 35, 42, 43, 44, 45, 46, 47, 48, 50, 51, 52, 53, 54, 55, 56, 57, 58,
};

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

// Stands in for the browser: QDesktopServices hands it the URLs it would open.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl& url) { opened << url; }
};

class TestHelp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void findsThePagesOfTheSourceTree();
    void everyContextHasOneAnchor();
    void linksInsideThePageLeadSomewhere();
    void opensThePageInTheBrowser_data();
    void opensThePageInTheBrowser();

private:
    UrlCatcher m_catcher;
    QString m_index;
};

void TestHelp::initTestCase()
{
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_catcher, "open");
    m_index = QDir(QStringLiteral(HORAVOX_SOURCE_HELP_DIR)).filePath(QStringLiteral("index.html"));
    QVERIFY2(QFile::exists(m_index), qPrintable(m_index));
}

void TestHelp::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

void TestHelp::findsThePagesOfTheSourceTree()
{
    // Neither an installation beside the test program nor HORAVOX_HELP_DIR
    // (which points nowhere here) holds pages.
    QCOMPARE(helpFolder(), QStringLiteral(HORAVOX_SOURCE_HELP_DIR));
    QCOMPARE(helpUrl(0), QUrl::fromLocalFile(m_index));
    QCOMPARE(helpUrl(47).fragment(), QStringLiteral("context-47"));
}

void TestHelp::everyContextHasOneAnchor()
{
    const QString page = readText(m_index);
    QStringList problems;
    for (int context : kContextNumbers) {
        const int count = page.count(QStringLiteral("id=\"context-%1\"").arg(context));
        if (count != 1)
            problems << QStringLiteral("context-%1 appears %2 times").arg(context).arg(count);
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
}

void TestHelp::linksInsideThePageLeadSomewhere()
{
    const QString page = readText(m_index);
    QSet<QString> ids;
    QStringList problems;
    for (const QRegularExpressionMatch& m :
         QRegularExpression(QStringLiteral("\\bid=\"([^\"]+)\"")).globalMatch(page)) {
        if (ids.contains(m.captured(1)))
            problems << QStringLiteral("id %1 twice").arg(m.captured(1));
        ids.insert(m.captured(1));
    }
    for (const QRegularExpressionMatch& m :
         QRegularExpression(QStringLiteral("href=\"#([^\"]+)\"")).globalMatch(page)) {
        if (!ids.contains(m.captured(1)))
            problems << QStringLiteral("link to missing #%1").arg(m.captured(1));
    }
    // Stylesheet and pictures are found beside the page, in the source tree as installed.
    const QDir folder(QStringLiteral(HORAVOX_SOURCE_HELP_DIR));
    for (const QRegularExpressionMatch& m :
         QRegularExpression(QStringLiteral("(?:src|href)=\"([^\"#:]+)\"")).globalMatch(page)) {
        if (!QFile::exists(folder.filePath(m.captured(1))))
            problems << QStringLiteral("missing file %1").arg(m.captured(1));
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
}

void TestHelp::opensThePageInTheBrowser_data()
{
    QTest::addColumn<int>("context");
    QTest::newRow("contents") << 0;
    QTest::newRow("countdown timer") << 45;
    QTest::newRow("wave recorder") << 58;
}

void TestHelp::opensThePageInTheBrowser()
{
    QFETCH(int, context);

    m_catcher.opened.clear();
    QVERIFY(openHelp(context));
    QCOMPARE(m_catcher.opened.size(), 1);
    const QUrl opened = m_catcher.opened.first();
    if (context == 0) {
        QCOMPARE(opened, QUrl::fromLocalFile(m_index));
        return;
    }

    // A topic opens a page without an anchor that forwards to the topic.
    QVERIFY(opened.isLocalFile());
    QVERIFY(!opened.hasFragment());
    const QString forward = readText(opened.toLocalFile());
    const QString target = QString::fromUtf8(helpUrl(context).toEncoded());
    QVERIFY2(forward.contains(QStringLiteral("content=\"0; url=%1\"").arg(target)), qPrintable(forward));
    QVERIFY(target.endsWith(QStringLiteral("index.html#context-%1").arg(context)));
}

QTEST_MAIN(TestHelp)
#include "tst_Help.moc"
