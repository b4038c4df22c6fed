// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestFiles.h"
#include "common/Error.h"
#include "common/Profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using hv::Profile;

using hv::test::contentOf;
using hv::test::errorOf;
using hv::test::putFile;

class TestProfile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void readString_data();
    void readString();
    void readInteger_data();
    void readInteger();
    void readBool_data();
    void readBool();

    void write_data();
    void write();
    void writesNumbersAndBooleans();
    void readsWhatIsOnDisk();

    void transactionWritesAllAtOnce();
    void transactionWithoutCommitWritesNothing();

    void refusedWrite_data();
    void refusedWrite();
    void onlyRegularFilesAreRead_data();
    void onlyRegularFilesAreRead();

private:
    QString iniPath() const { return m_dir->filePath(QStringLiteral("horavox.ini")); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestProfile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestProfile::readString_data()
{
    QTest::addColumn<QByteArray>("file"); // null: no file at all
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QString s = QStringLiteral("S");
    const QString x = QStringLiteral("x");
    const QString none = QStringLiteral("<default>");
    QTest::newRow("no file") << QByteArray() << s << x << none;
    QTest::newRow("names match regardless of case")
        << QByteArray("[VOICE]\nplay voice=1\n") << QStringLiteral("Voice") << QStringLiteral("Play Voice")
        << QStringLiteral("1");
    QTest::newRow("blanks around names and values")
        << QByteArray("  [ S ]  \n\t x \t=  a b.wav  \n") << s << x << QStringLiteral("a b.wav");
    QTest::newRow("double quotes") << QByteArray("[S]\nx=\"  padded  \"\n") << s << x
                                   << QStringLiteral("  padded  ");
    QTest::newRow("single quotes") << QByteArray("[S]\nx='v'\n") << s << x << QStringLiteral("v");
    QTest::newRow("unmatched quotes stay") << QByteArray("[S]\nx=\"v'\n") << s << x << QStringLiteral("\"v'");
    QTest::newRow("empty value is not the default") << QByteArray("[S]\nx=\n") << s << x << QString();
    QTest::newRow("'=' inside the value") << QByteArray("[S]\nx=a=b\n") << s << x << QStringLiteral("a=b");
    QTest::newRow("first of a repeated key")
        << QByteArray("[S]\nx=1\nx=2\n") << s << x << QStringLiteral("1");
    QTest::newRow("missing key") << QByteArray("[S]\ny=1\n") << s << x << none;
    QTest::newRow("key of the next section") << QByteArray("[S]\n[T]\nx=1\n") << s << x << none;
    QTest::newRow("key before any section") << QByteArray("x=1\n[S]\n") << s << x << none;
    QTest::newRow("commented-out key") << QByteArray("[S]\n;x=1\n") << s << x << none;
    QTest::newRow("CRLF line ends") << QByteArray("[S]\r\nx=1\r\n") << s << x << QStringLiteral("1");
    QTest::newRow("no line end at the end") << QByteArray("[S]\nx=1") << s << x << QStringLiteral("1");
    QTest::newRow("UTF-8") << QByteArray("[S]\nx=Caf\xc3\xa9 \xe2\x82\xac\n") << s << x
                           << QStringLiteral("Caf\u00e9 \u20ac");
    QTest::newRow("Windows-1252") << QByteArray("[S]\nx=Caf\xe9 \x80\n") << s << x
                                  << QStringLiteral("Caf\u00e9 \u20ac");
    QTest::newRow("cut at 1023 characters")
        << QByteArray("[S]\nx=" + QByteArray(1500, 'a') + "\n") << s << x << QString(1023, u'a');
}

void TestProfile::readString()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    if (!file.isNull())
        putFile(iniPath(), file);

    QCOMPARE(Profile(iniPath()).readString(section, key, QStringLiteral("<default>")), expected);
}

void TestProfile::readInteger_data()
{
    QTest::addColumn<QByteArray>("value"); // null: no key at all
    QTest::addColumn<int>("expected");     // 7 is the default

    QTest::newRow("missing key") << QByteArray() << 7;
    QTest::newRow("decimal") << QByteArray("30") << 30;
    QTest::newRow("plus sign") << QByteArray("+30") << 30;
    QTest::newRow("minus sign") << QByteArray("-30") << -30;
    QTest::newRow("blanks trimmed") << QByteArray("  42  ") << 42;
    QTest::newRow("quoted") << QByteArray("'42'") << 42;
    QTest::newRow("smallest") << QByteArray("-2147483648") << -2147483647 - 1;
    QTest::newRow("largest") << QByteArray("2147483647") << 2147483647;
    QTest::newRow("hex 0x1E") << QByteArray("0x1E") << 30;
    QTest::newRow("hex upper-case prefix, lower-case digits") << QByteArray("0X1e") << 30;
    QTest::newRow("hex 0xFFFFFFFF wraps to -1") << QByteArray("0xFFFFFFFF") << -1;
    QTest::newRow("hex with leading zeros") << QByteArray("0x0000000010") << 16;
    QTest::newRow("bare 0x") << QByteArray("0x") << 7;
    QTest::newRow("bad hex digit") << QByteArray("0x1G") << 7;
    QTest::newRow("hex past 32 bits") << QByteArray("0x100000000") << 7;
    QTest::newRow("signed hex") << QByteArray("0x-1") << 7;
    QTest::newRow("past 32 bits") << QByteArray("2147483648") << 7;
    QTest::newRow("two signs") << QByteArray("+-3") << 7;
    QTest::newRow("trailing text") << QByteArray("12abc") << 7;
    QTest::newRow("inner blank") << QByteArray("1 2") << 7;
    QTest::newRow("empty") << QByteArray("") << 7;
    QTest::newRow("word") << QByteArray("yes") << 7;
    QTest::newRow("Arabic-Indic digits") << QByteArray("\xd9\xa3") << 7;
}

void TestProfile::readInteger()
{
    QFETCH(QByteArray, value);
    QFETCH(int, expected);
    putFile(iniPath(), value.isNull() ? QByteArray("[Voice]\n") : "[Voice]\nHowOften=" + value + "\n");

    QCOMPARE(Profile(iniPath()).readInteger(u"voice", u"howoften", 7), expected);
}

void TestProfile::readBool_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("defaultValue");
    QTest::addColumn<bool>("expected");

    QTest::newRow("1") << QByteArray("1") << false << true;
    QTest::newRow("0") << QByteArray("0") << true << false;
    QTest::newRow("any other number") << QByteArray("-2") << false << true;
    QTest::newRow("unreadable gives the default") << QByteArray("true") << true << true;
}

void TestProfile::readBool()
{
    QFETCH(QByteArray, value);
    QFETCH(bool, defaultValue);
    QFETCH(bool, expected);
    putFile(iniPath(), "[S]\nx=" + value + "\n");

    QCOMPARE(Profile(iniPath()).readBool(u"S", u"x", defaultValue), expected);
}

void TestProfile::write_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no file yet
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    const QString voice = QStringLiteral("Voice");
    const QString howOften = QStringLiteral("HowOften");
    const QString fifteen = QStringLiteral("15");
    QTest::newRow("new file") << QByteArray() << voice << howOften << fifteen
                              << QByteArray("[Voice]\nHowOften=15\n");
    QTest::newRow("replaced in place, the rest kept")
        << QByteArray(
               "; kept\n[Voice]\nPlay Voice=1\n  HOWOFTEN = 5 \nWaveFile=a.wav\n\n[Font]\nStyle=Bold\n")
        << voice << howOften << fifteen
        << QByteArray("; kept\n[Voice]\nPlay Voice=1\nHOWOFTEN=15\nWaveFile=a.wav\n\n[Font]\nStyle=Bold\n");
    QTest::newRow("new key at the end of its section")
        << QByteArray("[Voice]\nPlay Voice=1\n; note\n\n[Font]\nStyle=Bold\n") << voice << howOften << fifteen
        << QByteArray("[Voice]\nPlay Voice=1\n; note\nHowOften=15\n\n[Font]\nStyle=Bold\n");
    QTest::newRow("new key in a last line without line end")
        << QByteArray("[Voice]\nPlay Voice=1") << voice << howOften << fifteen
        << QByteArray("[Voice]\nPlay Voice=1\nHowOften=15\n");
    QTest::newRow("new section at the end")
        << QByteArray("[Font]\nStyle=Bold\n") << voice << howOften << fifteen
        << QByteArray("[Font]\nStyle=Bold\n\n[Voice]\nHowOften=15\n");
    QTest::newRow("CRLF line ends kept")
        << QByteArray("[Voice]\r\nPlay Voice=1\r\n") << voice << howOften << fifteen
        << QByteArray("[Voice]\r\nPlay Voice=1\r\nHowOften=15\r\n");
    QTest::newRow("Windows-1252 file rewritten as UTF-8")
        << QByteArray("[Voice]\nWaveFile=Caf\xe9.wav\n") << voice << howOften << fifteen
        << QByteArray("[Voice]\nWaveFile=Caf\xc3\xa9.wav\nHowOften=15\n");
    QTest::newRow("line breaks cannot split the value")
        << QByteArray() << voice << QStringLiteral("WaveFile") << QStringLiteral("a\n[Options]\r\nAuto Run=1")
        << QByteArray("[Voice]\nWaveFile=a [Options]  Auto Run=1\n");
}

void TestProfile::write()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    if (!before.isNull())
        putFile(iniPath(), before);

    Profile profile(iniPath());
    profile.writeString(section, key, value);

    QCOMPARE(contentOf(iniPath()), after);
}

void TestProfile::writesNumbersAndBooleans()
{
    Profile profile(iniPath());
    profile.writeInteger(u"S", u"negative", -5);
    profile.writeInteger(u"S", u"colour", 0x800000);
    profile.writeBool(u"S", u"on", true);
    profile.writeBool(u"S", u"off", false);

    QCOMPARE(contentOf(iniPath()), QByteArray("[S]\nnegative=-5\ncolour=8388608\non=1\noff=0\n"));
}

void TestProfile::readsWhatIsOnDisk()
{
    putFile(iniPath(), "[S]\nx=1\n");
    Profile profile(iniPath());
    QCOMPARE(profile.readInteger(u"S", u"x", 0), 1);

    putFile(iniPath(), "[S]\nx=22\n");
    QCOMPARE(profile.readInteger(u"S", u"x", 0), 22);

    QVERIFY(QFile::remove(iniPath()));
    QCOMPARE(profile.readInteger(u"S", u"x", 0), 0);
}

void TestProfile::transactionWritesAllAtOnce()
{
    const QByteArray before("[S]\nx=1\n");
    putFile(iniPath(), before);
    Profile profile(iniPath());

    Profile::Transaction transaction(profile);
    profile.writeInteger(u"S", u"x", 2);
    profile.writeInteger(u"T", u"y", 3);
    QCOMPARE(profile.readInteger(u"S", u"x", 0), 2);
    QCOMPARE(contentOf(iniPath()), before);

    transaction.commit();
    QCOMPARE(contentOf(iniPath()), QByteArray("[S]\nx=2\n\n[T]\ny=3\n"));
    profile.writeInteger(u"S", u"x", 4); // after the commit, writes go straight to the file again
    QCOMPARE(contentOf(iniPath()), QByteArray("[S]\nx=4\n\n[T]\ny=3\n"));
}

void TestProfile::transactionWithoutCommitWritesNothing()
{
    const QByteArray before("[S]\nx=1\n");
    putFile(iniPath(), before);
    Profile profile(iniPath());
    {
        Profile::Transaction transaction(profile);
        profile.writeInteger(u"S", u"x", 2);
    }
    QCOMPARE(profile.readInteger(u"S", u"x", 0), 1);
    QCOMPARE(contentOf(iniPath()), before);
}

void TestProfile::refusedWrite_data()
{
    // Ways to refuse a write that hold for root too, as in CI.
    QTest::addColumn<QString>("name"); // below the test folder
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("folder");  // made first, "" for none
    QTest::addColumn<QString>("blocker"); // a regular file made first, "" for none
    QTest::addColumn<QString>("reason");  // after the path; %1 stands for the test folder

    QTest::newRow("path is a folder")
        << QStringLiteral("horavox.ini") << QByteArray() << QStringLiteral("horavox.ini") << QString()
        << QStringLiteral(": it is a folder.");
    QTest::newRow("parent is a file")
        << QStringLiteral("config/horavox.ini") << QByteArray() << QString() << QStringLiteral("config")
        << QStringLiteral(": %1/config is not a folder.");
    // The temporary file beside it would need a name longer than the 255
    // bytes a file name may have, so the old content must survive.
    QTest::newRow("existing file, no room for the temporary name")
        << QString(250, u'p') << QByteArray("; kept\n[S]\nx=old\n") << QString() << QString()
        << QStringLiteral(": File name too long.");
}

void TestProfile::refusedWrite()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, folder);
    QFETCH(QString, blocker);
    QFETCH(QString, reason);
    const QDir dir(m_dir->path());
    if (!folder.isEmpty())
        QVERIFY(dir.mkpath(folder));
    if (!blocker.isEmpty())
        putFile(dir.filePath(blocker), "not a folder");
    const QString path = dir.filePath(name);
    if (!content.isEmpty())
        putFile(path, content);

    Profile profile(path);
    const QString valueBefore = profile.readString(u"S", u"x", QStringLiteral("none"));
    const QString expected = QStringLiteral("Unable to write to ") + path +
                             QString(reason).replace(QStringLiteral("%1"), m_dir->path());

    QCOMPARE(errorOf([&] { profile.writeString(u"S", u"x", u"new"); }), expected);
    QCOMPARE(errorOf([&] {
                 Profile::Transaction transaction(profile);
                 profile.writeString(u"S", u"x", u"new");
                 profile.writeString(u"S", u"y", u"new");
                 transaction.commit();
             }),
             expected);

    QCOMPARE(profile.readString(u"S", u"x", QStringLiteral("none")), valueBefore);
    QCOMPARE(profile.readString(u"S", u"y", QStringLiteral("none")), QStringLiteral("none"));
    QCOMPARE(contentOf(path), content);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 1);
}

void TestProfile::onlyRegularFilesAreRead_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("FIFO") << QStringLiteral("fifo");
    QTest::newRow("device") << QStringLiteral("device");
    QTest::newRow("folder") << QStringLiteral("folder");
    QTest::newRow("regular, past the bound") << QStringLiteral("large");
}

// A FIFO would block the read for good and /dev/zero would fill memory: each
// reads as an empty file, at once.
void TestProfile::onlyRegularFilesAreRead()
{
    QFETCH(QString, kind);
    if (kind == QLatin1String("large")) {
        putFile(iniPath(), "[S]\nx=1\n");
        QFile file(iniPath());
        QVERIFY(file.resize(Profile::kMaxFileBytes + 1)); // sparse: no disk used
    } else {
        hv::test::putNonRegular(kind, iniPath());
    }

    Profile profile(iniPath());
    QCOMPARE(profile.readInteger(u"S", u"x", 7), 7);
    QCOMPARE(profile.readString(u"S", u"y", QStringLiteral("default")), QStringLiteral("default"));
    // A write replaces a FIFO or an oversized file with a regular file; it
    // never writes through a link to a device, nor over a folder.
    if (kind == QLatin1String("fifo") || kind == QLatin1String("large")) {
        profile.writeInteger(u"S", u"x", 2);
        QVERIFY(QFileInfo(iniPath()).isFile());
        QCOMPARE(profile.readInteger(u"S", u"x", 7), 2);
    } else {
        QVERIFY(errorOf([&] { profile.writeInteger(u"S", u"x", 2); }).startsWith(u"Unable to write to "));
        QVERIFY(!QFileInfo(QStringLiteral("/dev/zero")).isFile());
    }
}

QTEST_APPLESS_MAIN(TestProfile)
#include "tst_Profile.moc"
