// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestFiles.h"
#include "common/Error.h"
#include "platform/linux/XdgAutostart.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using hv::XdgAutostart;

using hv::test::contentOf;
using hv::test::errorOf;
using hv::test::putFile;

namespace {

const QString kProgram = QStringLiteral("/usr/bin/horavox");

} // namespace

class TestXdgAutostart : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void enableWritesEntryAndDisableRemovesIt();
    void enableCreatesMissingFolder();
    void programPathSurvivesQuoting_data();
    void programPathSurvivesQuoting();
    void isEnabled_data();
    void isEnabled();
    void refusedChanges();
    void defaultDirectory_data();
    void defaultDirectory();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestXdgAutostart::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestXdgAutostart::enableWritesEntryAndDisableRemovesIt()
{
    XdgAutostart autostart(m_dir->path(), kProgram);
    QCOMPARE(autostart.entryPath(), m_dir->filePath(QStringLiteral("horavox.desktop")));
    QVERIFY(!autostart.isEnabled());

    autostart.setEnabled(true);
    QVERIFY(autostart.isEnabled());
    QCOMPARE(contentOf(autostart.entryPath()), QByteArray("[Desktop Entry]\n"
                                                          "Type=Application\n"
                                                          "Name=Horavox\n"
                                                          "Comment=A talking desktop clock with alarms, "
                                                          "timers and a CD player\n"
                                                          "Exec=\"/usr/bin/horavox\"\n"
                                                          "Icon=horavox\n"
                                                          "Terminal=false\n"
                                                          "X-GNOME-Autostart-enabled=true\n"));

    autostart.setEnabled(false);
    QVERIFY(!autostart.isEnabled());
    QVERIFY(!QFile::exists(autostart.entryPath()));
    autostart.setEnabled(false); // nothing left to remove
    QVERIFY(!autostart.isEnabled());
}

void TestXdgAutostart::enableCreatesMissingFolder()
{
    XdgAutostart autostart(m_dir->filePath(QStringLiteral("config/autostart")), kProgram);
    autostart.setEnabled(true);
    QVERIFY(autostart.isEnabled());
}

void TestXdgAutostart::programPathSurvivesQuoting_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QByteArray>("execLine");

    QTest::newRow("blank") << QStringLiteral("/opt/my apps/horavox")
                           << QByteArray("Exec=\"/opt/my apps/horavox\"");
    QTest::newRow("quote, dollar, backtick")
        << QStringLiteral("/opt/\"q\"$x`y`/horavox")
        << QByteArray("Exec=\"/opt/\\\\\"q\\\\\"\\\\$x\\\\`y\\\\`/horavox\"");
    QTest::newRow("backslash") << QStringLiteral("/opt/a\\b/horavox")
                               << QByteArray("Exec=\"/opt/a\\\\\\\\b/horavox\"");
    QTest::newRow("percent is no field code")
        << QStringLiteral("/opt/100%u/horavox") << QByteArray("Exec=\"/opt/100%%u/horavox\"");
    QTest::newRow("line break") << QStringLiteral("/opt/a\nb/horavox")
                                << QByteArray("Exec=\"/opt/a\\nb/horavox\"");
}

void TestXdgAutostart::programPathSurvivesQuoting()
{
    QFETCH(QString, program);
    QFETCH(QByteArray, execLine);
    XdgAutostart autostart(m_dir->path(), program);
    autostart.setEnabled(true);

    const QList<QByteArray> lines = contentOf(autostart.entryPath()).split('\n');
    QVERIFY2(lines.contains(execLine), contentOf(autostart.entryPath()).constData());
    QVERIFY(autostart.isEnabled());
}

void TestXdgAutostart::isEnabled_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<bool>("expected");

    QTest::newRow("plain path") << QByteArray(
                                       "[Desktop Entry]\nType=Application\nExec=/usr/local/bin/horavox\n")
                                << true;
    QTest::newRow("with arguments") << QByteArray("[Desktop Entry]\nExec=horavox --minimized\n") << true;
    QTest::newRow("quoted path with blanks")
        << QByteArray("[Desktop Entry]\nExec = \"/home/u/my apps/horavox\" %U\n") << true;
    QTest::newRow("CRLF line ends") << QByteArray("[Desktop Entry]\r\nExec=/usr/bin/horavox\r\n") << true;
    QTest::newRow("Hidden=false") << QByteArray("[Desktop Entry]\nHidden=false\nExec=/usr/bin/horavox\n")
                                  << true;
    QTest::newRow("Hidden=true") << QByteArray("[Desktop Entry]\nHidden=true\nExec=/usr/bin/horavox\n")
                                 << false;
    QTest::newRow("switched off for GNOME")
        << QByteArray("[Desktop Entry]\nExec=/usr/bin/horavox\nX-GNOME-Autostart-enabled=false\n") << false;
    QTest::newRow("another program") << QByteArray("[Desktop Entry]\nExec=/usr/bin/xclock\n") << false;
    QTest::newRow("program named alike")
        << QByteArray("[Desktop Entry]\nExec=/usr/bin/horavox-old\n") << false;
    QTest::newRow("folder named alike") << QByteArray("[Desktop Entry]\nExec=/opt/horavox/run\n") << false;
    QTest::newRow("quote not closed") << QByteArray("[Desktop Entry]\nExec=\"/usr/bin/horavox\n") << false;
    QTest::newRow("Exec of another group")
        << QByteArray("[Desktop Entry]\nType=Application\n[Desktop Action x]\nExec=/usr/bin/horavox\n")
        << false;
    QTest::newRow("no Exec") << QByteArray("[Desktop Entry]\nType=Application\n") << false;
}

void TestXdgAutostart::isEnabled()
{
    QFETCH(QByteArray, entry);
    QFETCH(bool, expected);
    XdgAutostart autostart(m_dir->path(), kProgram);
    putFile(autostart.entryPath(), entry);

    QCOMPARE(autostart.isEnabled(), expected);
}

void TestXdgAutostart::refusedChanges()
{
    // A regular file where the folder should be refuses the new entry...
    const QString notAFolder = m_dir->filePath(QStringLiteral("autostart"));
    putFile(notAFolder, "not a folder");
    XdgAutostart blocked(notAFolder, kProgram);
    QCOMPARE(
        errorOf([&] { blocked.setEnabled(true); }),
        QStringLiteral("Unable to write to %1: %2 is not a folder.").arg(blocked.entryPath(), notAFolder));

    // ...and a folder full of files where the entry should be cannot be removed.
    XdgAutostart autostart(m_dir->path(), kProgram);
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("horavox.desktop")));
    putFile(autostart.entryPath() + QStringLiteral("/inside"), "x");
    QCOMPARE(errorOf([&] { autostart.setEnabled(false); }),
             QStringLiteral("Unable to write to ") + autostart.entryPath());
    QVERIFY(QFile::exists(autostart.entryPath() + QStringLiteral("/inside")));
}

void TestXdgAutostart::defaultDirectory_data()
{
    QTest::addColumn<QString>("configHome");
    QTest::addColumn<QString>("expected");

    QTest::newRow("XDG_CONFIG_HOME set") << QStringLiteral("/x/conf") << QStringLiteral("/x/conf/autostart");
    QTest::newRow("XDG_CONFIG_HOME unset") << QString() << QStringLiteral("/home/u/.config/autostart");
    QTest::newRow("relative XDG_CONFIG_HOME ignored")
        << QStringLiteral("conf") << QStringLiteral("/home/u/.config/autostart");
}

void TestXdgAutostart::defaultDirectory()
{
    QFETCH(QString, configHome);
    QFETCH(QString, expected);
    QProcessEnvironment env;
    env.insert(QStringLiteral("HOME"), QStringLiteral("/home/u"));
    if (!configHome.isEmpty())
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);

    QCOMPARE(XdgAutostart::defaultDirectory(env), expected);
}

QTEST_APPLESS_MAIN(TestXdgAutostart)
#include "tst_XdgAutostart.moc"
