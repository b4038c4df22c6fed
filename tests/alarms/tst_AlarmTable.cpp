// SPDX-License-Identifier: GPL-3.0-or-later
#include "alarms/AlarmTable.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using hv::AlarmRecord;
using hv::AlarmTable;

namespace {

constexpr int kEmpty = -1;

// Start times in minutes after midnight, kEmpty for an empty slot. Each alarm
// is named after the slot it starts in, and the dates run against the times,
// so that an order by date would show.
void fill(AlarmTable& table, const QList<int>& startMinutes)
{
    for (int n = 1; n <= startMinutes.size(); ++n) {
        const int minutes = startMinutes[n - 1];
        if (minutes == kEmpty)
            continue;
        AlarmRecord& r = table.slot(n);
        r.Rule = hv::RuleOnce;
        r.StartTime = minutes / hv::kMinutesPerDay;
        r.OnceDate = 45100 - n;
        r.NextDue = r.OnceDate + r.StartTime;
        r.Target = QString::number(n);
    }
}

QList<int> range(int first, int last, int step = 1)
{
    QList<int> values;
    for (int v = first; step > 0 ? v <= last : v >= last; v += step)
        values.append(v);
    return values;
}

QString describe(const hv::SlotMoves& moves)
{
    QStringList parts;
    for (const hv::SlotMove& m : moves)
        parts.append(QStringLiteral("%1->%2").arg(m.from).arg(m.to));
    return parts.join(u' ');
}

// `origins` names, for each slot from 1 on, the slot its alarm started in (0:
// empty); slots past the list are empty. The moves must report exactly the
// alarms that changed slot.
void verifyArrangement(const AlarmTable& table, const QList<int>& origins, const hv::SlotMoves& moves)
{
    hv::SlotMoves expectedMoves;
    for (int n = 1; n <= AlarmTable::kSlots; ++n) {
        const int origin = n <= origins.size() ? origins[n - 1] : 0;
        const QByteArray where = "slot " + QByteArray::number(n);
        QVERIFY2(table.slot(n).isUsed() == (origin != 0), where.constData());
        if (origin == 0)
            continue;
        QVERIFY2(table.slot(n).Target.text() == QString::number(origin), where.constData());
        if (origin != n)
            expectedMoves.push_back({origin, n});
    }
    QCOMPARE(describe(moves), describe(expectedMoves));
}

QString inDir(const QTemporaryDir& dir, const QString& path)
{
    return QString(path).replace(QStringLiteral("%1"), dir.path());
}

void touch(const QString& path)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

} // namespace

class TestAlarmTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sort_data();
    void sort();
    void clearSlotEmptiesStartTimeThroughAutoDelete();
    void findFreeSlot_data();
    void findFreeSlot();
    void limitMessage();
    void recordedWaveFile_data();
    void recordedWaveFile();
    void autoDeleteDiscardsRecordings_data();
    void autoDeleteDiscardsRecordings();
    void removeSlot_data();
    void removeSlot();
    void closeGaps_data();
    void closeGaps();
    void identitiesFollowTheirAlarms();
};

void TestAlarmTable::sort_data()
{
    QTest::addColumn<QList<int>>("startMinutes");
    QTest::addColumn<QList<int>>("origins");
    QTest::newRow("9:00, 7:30, 7:30 whatever their dates") << QList{540, 450, 450} << QList{2, 3, 1};
    QTest::newRow("already in order: nothing moves") << QList{420, 480, 480, 540} << QList{1, 2, 3, 4};
    QTest::newRow("empty slot stays ahead of later alarms") << QList{kEmpty, 540, 450} << QList{0, 3, 2};
    QTest::newRow("an earlier alarm does not pass an empty slot")
        << QList{540, kEmpty, 450} << QList{1, 0, 3};
    QTest::newRow("full table in reverse") << range(1000, 951, -1) << range(50, 1, -1);
}

void TestAlarmTable::sort()
{
    QFETCH(QList<int>, startMinutes);
    QFETCH(QList<int>, origins);
    AlarmTable table;
    fill(table, startMinutes);
    const hv::SlotMoves moves = table.sort();
    verifyArrangement(table, origins, moves);
}

// Strings lose their lengths only; the text past them and the reserved bytes
// are not fields and stay.
void TestAlarmTable::clearSlotEmptiesStartTimeThroughAutoDelete()
{
    std::array<std::uint8_t, AlarmRecord::kSize> everyByteOne;
    everyByteOne.fill(1);
    AlarmTable table;
    table.slot(7) = AlarmRecord::fromBytes(everyByteOne);
    QVERIFY(table.slot(7).isUsed());

    table.clearSlot(7);

    QByteArray expected(AlarmRecord::kSize, '\x01');
    for (int lengthByte : {0, 101, 202})
        expected[lengthByte] = 0;
    expected.replace(304, 10, QByteArray(10, '\0')); // StartTime .. AutoStart
    expected.replace(316, 65, QByteArray(65, '\0')); // StopTime .. AutoDelete
    QCOMPARE(table.slot(7).toBytes(), expected);
    QVERIFY(!table.slot(7).isUsed());
}

void TestAlarmTable::findFreeSlot_data()
{
    QTest::addColumn<QList<int>>("used");
    QTest::addColumn<int>("freeSlot"); // 0: none
    QTest::newRow("empty table") << QList<int>() << 1;
    QList<int> gapAtSeven = range(1, 10);
    gapAtSeven.removeOne(7);
    QTest::newRow("lowest gap") << gapAtSeven << 7;
    QTest::newRow("49 in use") << range(1, 49) << 50;
    QTest::newRow("all 50 in use") << range(1, 50) << 0;
}

void TestAlarmTable::findFreeSlot()
{
    QFETCH(QList<int>, used);
    QFETCH(int, freeSlot);
    AlarmTable table;
    for (int n : used)
        table.slot(n).Rule = hv::RuleDaily;
    QCOMPARE(table.usedCount(), int(used.size()));
    QCOMPARE(table.findFreeSlot().value_or(0), freeSlot);
}

void TestAlarmTable::limitMessage()
{
    QCOMPARE(hv::alarmLimitMessage(),
             QStringLiteral("Alarm could not be saved.  You only can have up to .50 alarms "
                            "at a time.  Delete some alarms to make room for more."));
}

void TestAlarmTable::recordedWaveFile_data()
{
    // %1 stands for the program directory.
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("file"); // empty: not a recording
    QTest::newRow("none") << QStringLiteral("NONE") << QString();
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("chosen file") << QStringLiteral("%1/waves/chime.wav") << QString();
    QTest::newRow("prefix is case sensitive") << QStringLiteral("%1/waves/horavox-1.wav") << QString();
    QTest::newRow("prefix on a folder only") << QStringLiteral("%1/Horavox-old/chime.wav") << QString();
    QTest::newRow("recording here") << QStringLiteral("%1/waves/Horavox-1.wav")
                                    << QStringLiteral("%1/waves/Horavox-1.wav");
    QTest::newRow("old relative path")
        << QStringLiteral("waves\\Horavox-2.wav") << QStringLiteral("%1/waves/Horavox-2.wav");
    QTest::newRow("old absolute path")
        << QStringLiteral("C:\\HORAVOX\\waves\\Horavox-3.wav") << QStringLiteral("%1/waves/Horavox-3.wav");
    // Only the recorder's own files: in the waves folder, named Horavox-*.wav.
    QTest::newRow("existing local file outside waves")
        << QStringLiteral("%1/elsewhere/Horavox-9.wav") << QString();
    QTest::newRow("in the folder above waves") << QStringLiteral("%1/waves/../Horavox-9.wav") << QString();
    QTest::newRow("in a folder inside waves") << QStringLiteral("%1/waves/old/Horavox-1.wav") << QString();
    QTest::newRow("text file") << QStringLiteral("%1/waves/Horavox-1.txt") << QString();
    QTest::newRow("document, old path") << QStringLiteral("waves\\Horavox-notes.doc") << QString();
    QTest::newRow("no extension") << QStringLiteral("%1/waves/Horavox-1") << QString();
    QTest::newRow(".wav inside the name") << QStringLiteral("%1/waves/Horavox-1.wav.txt") << QString();
    QTest::newRow("a folder named Horavox-7.wav") << QStringLiteral("%1/waves/Horavox-7.wav") << QString();
    QTest::newRow("local file gone: found by name")
        << QStringLiteral("/gone/waves/Horavox-4.wav") << QStringLiteral("%1/waves/Horavox-4.wav");
    QTest::newRow("backslash in a local name")
        << QStringLiteral("%1/elsewhere\\Horavox-9.wav") << QStringLiteral("%1/waves/Horavox-9.wav");
}

void TestAlarmTable::recordedWaveFile()
{
    QFETCH(QString, stored);
    QFETCH(QString, file);
    QTemporaryDir dir;
    touch(dir.filePath(QStringLiteral("elsewhere/Horavox-9.wav")));
    touch(dir.filePath(QStringLiteral("elsewhere\\Horavox-9.wav")));
    touch(dir.filePath(QStringLiteral("Horavox-9.wav")));
    touch(dir.filePath(QStringLiteral("waves/old/Horavox-1.wav")));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("waves/Horavox-7.wav")));
    const std::optional<QString> found = hv::recordedWaveFile(inDir(dir, stored), dir.path());
    QCOMPARE(found.value_or(QString()), inDir(dir, file));
}

void TestAlarmTable::autoDeleteDiscardsRecordings_data()
{
    // %1 stands for the program directory. Slot 1 is auto deleted; slot 2
    // holds another alarm whose WaveA is `otherWave`.
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("waveA");
    QTest::addColumn<QString>("waveB");
    QTest::addColumn<QString>("otherWave");
    QTest::addColumn<QStringList>("deleted");
    QTest::newRow("wave file alarm: all three")
        << int(hv::KindWaveFile) << QStringLiteral("waves\\Horavox-1.wav")
        << QStringLiteral("C:\\HORAVOX\\waves\\Horavox-2.wav") << QStringLiteral("%1/waves/Horavox-3.wav")
        << QStringLiteral("NONE")
        << QStringList{QStringLiteral("waves/Horavox-1.wav"), QStringLiteral("waves/Horavox-2.wav"),
                       QStringLiteral("waves/Horavox-3.wav")};
    QTest::newRow("a program's target is not a wave")
        << int(hv::KindProgram) << QStringLiteral("%1/waves/Horavox-1.wav") << QStringLiteral("NONE")
        << QString() << QStringLiteral("NONE") << QStringList();
    QTest::newRow("files not made by the recorder")
        << int(hv::KindWaveFile) << QStringLiteral("%1/waves/chime.wav")
        << QStringLiteral("waves\\horavox-5.wav") << QStringLiteral("%1/Horavox-old/chime.wav")
        << QStringLiteral("NONE") << QStringList();
    QTest::newRow("a user's files named like recordings")
        << int(hv::KindWaveFile) << QStringLiteral("%1/elsewhere/Horavox-9.wav")
        << QStringLiteral("%1/waves/Horavox-notes.txt") << QStringLiteral("waves\\Horavox-6.wav")
        << QStringLiteral("NONE") << QStringList();
    QTest::newRow("recording another alarm still plays")
        << int(hv::KindMessage) << QStringLiteral("Wake up") << QStringLiteral("waves\\Horavox-4.wav")
        << QStringLiteral("NONE") << QStringLiteral("%1/waves/Horavox-4.wav") << QStringList();
}

void TestAlarmTable::autoDeleteDiscardsRecordings()
{
    QFETCH(int, kind);
    QFETCH(QString, target);
    QFETCH(QString, waveA);
    QFETCH(QString, waveB);
    QFETCH(QString, otherWave);
    QFETCH(QStringList, deleted);

    QTemporaryDir dir;
    const QStringList fixture = {
        QStringLiteral("waves/Horavox-1.wav"),     QStringLiteral("waves/Horavox-2.wav"),
        QStringLiteral("waves/Horavox-3.wav"),     QStringLiteral("waves/Horavox-4.wav"),
        QStringLiteral("waves/horavox-5.wav"),     QStringLiteral("waves/chime.wav"),
        QStringLiteral("Horavox-old/chime.wav"),   QStringLiteral("elsewhere/Horavox-9.wav"),
        QStringLiteral("waves/Horavox-notes.txt"),
    };
    for (const QString& file : fixture)
        touch(dir.filePath(file));
    // A folder named as a recording, with a file of the user's in it.
    touch(dir.filePath(QStringLiteral("waves/Horavox-6.wav/keep.txt")));
    AlarmTable table;
    fill(table, {480, 540});
    AlarmRecord& doomed = table.slot(1);
    doomed.AlarmKind = kind;
    doomed.Target = inDir(dir, target);
    doomed.WaveA = inDir(dir, waveA);
    doomed.WaveB = inDir(dir, waveB);
    table.slot(2).WaveA = inDir(dir, otherWave);
    const AlarmRecord other = table.slot(2);

    table.autoDelete(1, dir.path());

    for (const QString& file : fixture)
        QVERIFY2(QFile::exists(dir.filePath(file)) != deleted.contains(file), qPrintable(file));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("waves/Horavox-6.wav/keep.txt"))));
    QVERIFY(!table.slot(1).isUsed());
    QVERIFY(table.slot(2) == other); // cleared in place: nothing moved
}

void TestAlarmTable::removeSlot_data()
{
    QTest::addColumn<QList<int>>("startMinutes");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QList<int>>("origins");
    QTest::newRow("later alarms move down") << QList{420, 480, 540, 600} << 2 << QList{1, 3, 4};
    QTest::newRow("then the table is sorted") << QList{420, 480, 540, 390} << 2 << QList{4, 1, 3};
    QTest::newRow("first of three") << QList{420, 480, 540} << 1 << QList{2, 3};
    QTest::newRow("slot 50 of a full table") << range(100, 149) << 50 << range(1, 49);
}

void TestAlarmTable::removeSlot()
{
    QFETCH(QList<int>, startMinutes);
    QFETCH(int, removed);
    QFETCH(QList<int>, origins);
    QTemporaryDir dir;
    const QString recording = dir.filePath(QStringLiteral("waves/Horavox-1.wav"));
    touch(recording);
    AlarmTable table;
    fill(table, startMinutes);
    table.slot(removed).WaveB = QStringLiteral("waves\\Horavox-1.wav");

    const hv::SlotMoves moves = table.removeSlot(removed, dir.path());

    QVERIFY(!QFile::exists(recording));
    verifyArrangement(table, origins, moves);
}

void TestAlarmTable::closeGaps_data()
{
    QTest::addColumn<QList<int>>("startMinutes");
    QTest::addColumn<QList<int>>("origins");
    // The last alarm starts earliest: closing gaps keeps the order, it does not sort.
    QTest::newRow("gaps closed, order kept")
        << QList{540, kEmpty, 600, kEmpty, kEmpty, 420} << QList{1, 3, 6};
    QTest::newRow("gap at the front") << QList{kEmpty, 480} << QList{2};
    QTest::newRow("no gaps: nothing moves") << QList{420, 480} << QList{1, 2};
    QTest::newRow("gap before slot 50") <<
        [] {
            QList<int> minutes = range(100, 149);
            minutes[48] = kEmpty;
            return minutes;
        }()
                                        << [] {
                                               QList<int> origins = range(1, 48);
                                               origins.append(50);
                                               return origins;
                                           }();
}

void TestAlarmTable::closeGaps()
{
    QFETCH(QList<int>, startMinutes);
    QFETCH(QList<int>, origins);
    AlarmTable table;
    fill(table, startMinutes);
    const hv::SlotMoves moves = table.closeGaps();
    verifyArrangement(table, origins, moves);
}

QTEST_APPLESS_MAIN(TestAlarmTable)
#include "tst_AlarmTable.moc"

void TestAlarmTable::identitiesFollowTheirAlarms()
{
    AlarmTable table;
    fill(table, {540, 450, kEmpty, 480, 300});
    QHash<QString, hv::AlarmId> ids; // by the alarm's name
    for (int n = 1; n <= 5; ++n) {
        if (table.slot(n).isUsed())
            ids.insert(table.slot(n).Target.text(), table.idOf(n));
    }
    QCOMPARE(QSet<hv::AlarmId>(ids.cbegin(), ids.cend()).size(), 4);

    const auto verifyFollowed = [&] {
        for (auto it = ids.cbegin(); it != ids.cend(); ++it) {
            const std::optional<int> n = table.slotOf(it.value());
            QVERIFY2(n, qPrintable(it.key()));
            QCOMPARE(table.slot(*n).Target.text(), it.key());
        }
    };
    table.sort();
    verifyFollowed();

    const int second = *table.slotOf(ids.take(QStringLiteral("2")));
    const hv::AlarmId gone = table.idOf(second);
    table.autoDelete(second, QDir::tempPath());
    QVERIFY(!table.slotOf(gone));
    QVERIFY(table.idOf(second) != gone); // the empty slot is not the deleted alarm
    table.closeGaps();
    verifyFollowed();

    const hv::AlarmId removed = ids.take(QStringLiteral("1"));
    table.removeSlot(*table.slotOf(removed), QDir::tempPath());
    QVERIFY(!table.slotOf(removed));
    verifyFollowed();
    QVERIFY(!table.slotOf(0));
}
