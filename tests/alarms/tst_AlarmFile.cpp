// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestFiles.h"
#include "alarms/AlarmFile.h"
#include "common/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using hv::AlarmRecord;
using hv::AlarmTable;

namespace {

constexpr qsizetype kRecordSize = AlarmRecord::kSize;

// Alarm n starts at 0:n and is called "n"; its reserved bytes and the text
// past its strings are not zero, so a save that rewrote them would show.
AlarmRecord numberedAlarm(int n)
{
    std::array<std::uint8_t, AlarmRecord::kSize> stored;
    stored.fill(static_cast<std::uint8_t>(0x40 + n % 64));
    AlarmRecord r = AlarmRecord::fromBytes(stored);
    r.Target = QString::number(n);
    r.WaveA = QStringLiteral("NONE");
    r.WaveB = QStringLiteral("NONE");
    r.Rule = hv::RuleOnce;
    r.StartTime = n / hv::kMinutesPerDay;
    r.StopEnabled = r.AutoStart = r.Active = r.RunMinimized = r.AutoDelete = true;
    return r;
}

QByteArray alarmsFile(int records, qsizetype extraBytes = 0)
{
    QByteArray content;
    for (int n = 1; n <= records; ++n)
        content += numberedAlarm(n).toBytes();
    return content + QByteArray(extraBytes, '\x7f');
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

enum class Obstacle
{
    PathIsFolder,
    ParentIsFile,
    NoRoomForTemporaryName
};

} // namespace

Q_DECLARE_METATYPE(Obstacle)

class TestAlarmFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loadAndSave_data();
    void loadAndSave();
    void loadSortsByStartTime();
    void missingFile_data();
    void missingFile();
    void notARegularFile_data();
    void notARegularFile();
    void refusedSave_data();
    void refusedSave();
};

void TestAlarmFile::loadAndSave_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("recordsRead");
    QTest::addColumn<bool>("damaged");
    QTest::addColumn<QString>("problem"); // in the message
    QTest::newRow("empty file") << QByteArray() << 0 << false << QString();
    QTest::newRow("3 records") << alarmsFile(3) << 3 << false << QString();
    QTest::newRow("50 records") << alarmsFile(50) << 50 << false << QString();
    const QString partial = QStringLiteral("ends part way through an alarm");
    QTest::newRow("3.5 records") << alarmsFile(3, kRecordSize / 2) << 3 << true << partial;
    QTest::newRow("a few bytes") << alarmsFile(0, 3) << 0 << true << partial;
    // The save writes 50 slots: what lies past them would be lost unseen.
    const QString tooMany = QStringLiteral("holds more than 50 alarms");
    QTest::newRow("60 records") << alarmsFile(60) << 50 << true << tooMany;
    QTest::newRow("partial record past the 50th") << alarmsFile(50, 100) << 50 << true << tooMany;
}

// The records read fill slots 1, 2, ...; the save writes all 50 slots, the
// records read to the byte and empty records after them.
void TestAlarmFile::loadAndSave()
{
    QFETCH(QByteArray, content);
    QFETCH(int, recordsRead);
    QFETCH(bool, damaged);
    QFETCH(QString, problem);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("alarms32.rec"));
    writeFile(path, content);

    AlarmTable table;
    table.slot(50).Rule = hv::RuleDaily; // left over: loading replaces the whole table
    const hv::AlarmFileLoad result = hv::loadAlarmFile(path, table);

    QCOMPARE(result.recordsRead, recordsRead);
    QCOMPARE(result.damaged, damaged);
    QCOMPARE(table.usedCount(), recordsRead);
    for (int n = 1; n <= recordsRead; ++n)
        QCOMPARE(table.slot(n).Target.text(), QString::number(n));
    if (damaged) {
        QVERIFY2(result.message.contains(path), qPrintable(result.message));
        QVERIFY2(result.message.contains(problem), qPrintable(result.message));
        const QString alarms =
            recordsRead == 0 ? QStringLiteral("No alarms") : QStringLiteral("%1 alarms").arg(recordsRead);
        QVERIFY2(result.message.contains(alarms + QStringLiteral(" could be read")),
                 qPrintable(result.message));
        // The bytes that the next save drops are kept beside the file.
        QCOMPARE(readFile(path + QStringLiteral(".damaged")), content);
        QVERIFY2(result.message.contains(path + QStringLiteral(".damaged")), qPrintable(result.message));
    } else {
        QCOMPARE(result.message, QString());
    }
    QCOMPARE(readFile(path), content); // loading never writes an existing file

    hv::saveAlarmFile(path, table);
    const QByteArray saved = readFile(path);
    QCOMPARE(saved.size(), qsizetype(hv::kAlarmFileSize));
    const qsizetype readBytes = recordsRead * kRecordSize;
    QCOMPARE(saved.first(readBytes), content.first(readBytes));
    QCOMPARE(saved.sliced(readBytes), QByteArray(saved.size() - readBytes, '\0'));
}

void TestAlarmFile::loadSortsByStartTime()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("alarms32.rec"));
    QByteArray content;
    const std::pair<const char*, int> alarms[] = {{"9:00", 540}, {"7:30 first", 450}, {"7:30 second", 450}};
    for (const auto& [name, minutes] : alarms) {
        AlarmRecord r = numberedAlarm(1);
        r.Target = QString::fromLatin1(name);
        r.StartTime = minutes / hv::kMinutesPerDay;
        content += r.toBytes();
    }
    writeFile(path, content);

    AlarmTable table;
    hv::loadAlarmFile(path, table);

    QCOMPARE(table.slot(1).Target.text(), QStringLiteral("7:30 first"));
    QCOMPARE(table.slot(2).Target.text(), QStringLiteral("7:30 second"));
    QCOMPARE(table.slot(3).Target.text(), QStringLiteral("9:00"));
}

void TestAlarmFile::missingFile_data()
{
    QTest::addColumn<bool>("folderCanBeMade");
    QTest::newRow("created with its folder") << true;
    QTest::newRow("folder cannot be made") << false;
}

// A missing file is created empty; when even that fails the program goes on
// with an empty table.
void TestAlarmFile::missingFile()
{
    QFETCH(bool, folderCanBeMade);
    QTemporaryDir dir;
    const QString blocker = dir.filePath(QStringLiteral("data"));
    if (!folderCanBeMade)
        writeFile(blocker, "a file where the folder belongs");
    const QString path = dir.filePath(QStringLiteral("data/horavox/alarms32.rec"));

    AlarmTable table;
    table.slot(1).Rule = hv::RuleDaily;
    const hv::AlarmFileLoad result = hv::loadAlarmFile(path, table);

    QCOMPARE(result.recordsRead, 0);
    QVERIFY(!result.damaged);
    QCOMPARE(table.usedCount(), 0);
    QCOMPARE(QFileInfo(path).isFile(), folderCanBeMade);
    if (folderCanBeMade) {
        QCOMPARE(QFileInfo(path).size(), qint64(0));
        hv::saveAlarmFile(path, table);
        QCOMPARE(readFile(path), QByteArray(hv::kAlarmFileSize, '\0'));
    }
}

void TestAlarmFile::notARegularFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("problem");
    QTest::newRow("FIFO") << QStringLiteral("fifo") << QStringLiteral("(not a regular file)");
    QTest::newRow("device") << QStringLiteral("device") << QStringLiteral("(not a regular file)");
    QTest::newRow("folder") << QStringLiteral("folder") << QStringLiteral("(a folder, not a file)");
}

// A FIFO would block the clock and the listing for good, a device would never
// end: neither is opened, both are damage, and nothing is copied or replaced.
void TestAlarmFile::notARegularFile()
{
    QFETCH(QString, kind);
    QFETCH(QString, problem);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("alarms32.rec"));
    hv::test::putNonRegular(kind, path);

    for (const auto load : {&hv::loadAlarmFile, &hv::readAlarmFile}) {
        AlarmTable table;
        table.slot(1).Rule = hv::RuleDaily;
        const hv::AlarmFileLoad result = load(path, table);
        QVERIFY(result.damaged);
        QCOMPARE(result.recordsRead, 0);
        QVERIFY2(result.message.contains(path), qPrintable(result.message));
        QVERIFY2(result.message.contains(problem), qPrintable(result.message));
        QCOMPARE(table.usedCount(), 0);
    }
    QVERIFY(!QFileInfo::exists(path + QStringLiteral(".damaged")));
    QVERIFY(!QFileInfo(path).isFile());
}

void TestAlarmFile::refusedSave_data()
{
    QTest::addColumn<Obstacle>("obstacle");
    QTest::addColumn<QString>("reason"); // %1 stands for the test folder
    QTest::newRow("path is a folder") << Obstacle::PathIsFolder << QStringLiteral(": it is a folder.");
    QTest::newRow("parent is a file")
        << Obstacle::ParentIsFile << QStringLiteral(": %1/data is not a folder.");
    QTest::newRow("old file kept") << Obstacle::NoRoomForTemporaryName
                                   << QStringLiteral(": File name too long.");
}

// These obstacles hold for root as well, so the test means the same in CI.
void TestAlarmFile::refusedSave()
{
    QFETCH(Obstacle, obstacle);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QString path;
    const QByteArray old = alarmsFile(2);
    switch (obstacle) {
    case Obstacle::PathIsFolder:
        path = dir.filePath(QStringLiteral("alarms32.rec"));
        QVERIFY(QDir().mkdir(path));
        break;
    case Obstacle::ParentIsFile:
        writeFile(dir.filePath(QStringLiteral("data")), old);
        path = dir.filePath(QStringLiteral("data/alarms32.rec"));
        break;
    case Obstacle::NoRoomForTemporaryName:
        // The name fills the file system's limit of 255 bytes, leaving no room
        // for the temporary file's suffix.
        path = dir.filePath(QString(250, u'a'));
        writeFile(path, old);
        break;
    }
    AlarmTable table;
    table.slot(1) = numberedAlarm(7);
    const AlarmTable before = table;

    try {
        hv::saveAlarmFile(path, table);
        QFAIL("the refused save was reported as done");
    } catch (const hv::Error& error) {
        QCOMPARE(error.message(), QStringLiteral("Unable to write to %1").arg(path) +
                                      QString(reason).replace(QStringLiteral("%1"), dir.path()));
    }

    QVERIFY(table.slot(1) == before.slot(1));
    if (obstacle == Obstacle::NoRoomForTemporaryName)
        QCOMPARE(readFile(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
}

QTEST_APPLESS_MAIN(TestAlarmFile)
#include "tst_AlarmFile.moc"
