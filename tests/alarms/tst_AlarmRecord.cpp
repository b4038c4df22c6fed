// SPDX-License-Identifier: GPL-3.0-or-later
#include "alarms/AlarmRecord.h"

#include <QTest>
#include <QtEndian>

#include <bit>

using hv::AlarmRecord;

namespace {

using RecordBytes = std::array<std::uint8_t, AlarmRecord::kSize>;

// The test's own writers for the stored layout, so that the expected bytes do
// not come from the code under test.
template <typename T>
void put(RecordBytes& bytes, std::size_t offset, T value)
{
    qToLittleEndian(value, bytes.data() + offset);
}

void putDouble(RecordBytes& bytes, std::size_t offset, double value)
{
    put(bytes, offset, std::bit_cast<quint64>(value));
}

// A length byte, the text, and `filler` in the rest of the 100 characters.
void putString(RecordBytes& bytes, std::size_t offset, QByteArrayView text, std::uint8_t filler)
{
    bytes[offset] = static_cast<std::uint8_t>(text.size());
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset) + 1, 100, filler);
    std::ranges::copy(text, bytes.begin() + static_cast<std::ptrdiff_t>(offset) + 1);
}

// Every field holds a value that no other field of its size holds, so a field
// read from a neighbour's offset shows.
RecordBytes handBuiltRecord()
{
    RecordBytes b{};
    putString(b, 0, "Caf\xe9 at noon", '#');
    putString(b, 101, "NONE", 0xAA);
    putString(b, 202, "C:\\HORAVOX\\waves\\Horavox-3.wav", 0xFF);
    b[303] = 0xA5;
    putDouble(b, 304, 0.3125); // 7:30
    b[312] = 1;                // StopEnabled
    b[313] = 0;                // AutoStart
    b[314] = 0x5A;
    b[315] = 0xC3;
    putDouble(b, 316, 0.75); // 18:00
    put<qint32>(b, 324, 5);  // Pagedeck
    put<qint32>(b, 328, 3);  // Every
    putDouble(b, 332, 45000.0);
    put<qint32>(b, 340, 6);
    put<qint32>(b, 344, -9); // out of range, kept as it is
    put<qint32>(b, 348, 59);
    put<qint32>(b, 352, 2);
    put<qint32>(b, 356, 10);
    putDouble(b, 360, 45000.3125);
    putDouble(b, 368, 45001.75);
    b[376] = 1; // Active
    b[377] = 0; // RunMinimized
    put<quint16>(b, 378, 0xBEEF);
    b[380] = 1; // AutoDelete
    b[381] = 1;
    b[382] = 2;
    b[383] = 3;
    return b;
}

QByteArray asByteArray(const RecordBytes& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

AlarmRecord fromByteArray(const QByteArray& stored)
{
    Q_ASSERT(stored.size() == AlarmRecord::kSize);
    return AlarmRecord::fromBytes(std::span<const std::uint8_t, AlarmRecord::kSize>(
        reinterpret_cast<const std::uint8_t*>(stored.constData()), AlarmRecord::kSize));
}

struct Boolean
{
    const char* name;
    std::size_t offset;
    bool AlarmRecord::*field;
};

constexpr std::array kBooleans = {
    Boolean{"StopEnabled", 312, &AlarmRecord::StopEnabled},
    Boolean{"AutoStart", 313, &AlarmRecord::AutoStart},
    Boolean{"Active", 376, &AlarmRecord::Active},
    Boolean{"RunMinimized", 377, &AlarmRecord::RunMinimized},
    Boolean{"AutoDelete", 380, &AlarmRecord::AutoDelete},
};

} // namespace

class TestAlarmRecord : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsEachFieldAtItsOffset();
    void writesBackTheSameBytes();
    void booleans_data();
    void booleans();
    void longTextIsCutAtCapacity();
};

void TestAlarmRecord::readsEachFieldAtItsOffset()
{
    const AlarmRecord r = AlarmRecord::fromBytes(handBuiltRecord());
    QCOMPARE(r.Target.text(), QStringLiteral("Caf\u00e9 at noon"));
    QCOMPARE(r.WaveA.text(), QStringLiteral("NONE"));
    QCOMPARE(r.WaveB.text(), QStringLiteral("C:\\HORAVOX\\waves\\Horavox-3.wav"));
    QCOMPARE(r.StartTime, 0.3125);
    QCOMPARE(r.StopEnabled, true);
    QCOMPARE(r.AutoStart, false);
    QCOMPARE(r.StopTime, 0.75);
    QCOMPARE(r.AlarmKind, 5);
    QCOMPARE(r.Rule, 3);
    QCOMPARE(r.OnceDate, 45000.0);
    QCOMPARE(r.RecursWhich, 6);
    QCOMPARE(r.RecursDay, -9);
    QCOMPARE(r.Count, 59);
    QCOMPARE(r.EveryUnit, 2);
    QCOMPARE(r.EveryDays, 10);
    QCOMPARE(r.NextDue, 45000.3125);
    QCOMPARE(r.StopDue, 45001.75);
    QCOMPARE(r.Active, true);
    QCOMPARE(r.RunMinimized, false);
    QCOMPARE(r.LaunchedWindow, std::uint16_t{0xBEEF});
    QCOMPARE(r.AutoDelete, true);
}

// Reserved bytes and the text past each string's length come back unchanged.
void TestAlarmRecord::writesBackTheSameBytes()
{
    const RecordBytes stored = handBuiltRecord();
    QCOMPARE(AlarmRecord::fromBytes(stored).toBytes(), asByteArray(stored));
}

void TestAlarmRecord::booleans_data()
{
    QTest::addColumn<int>("which");
    for (std::size_t i = 0; i < kBooleans.size(); ++i)
        QTest::newRow(kBooleans[i].name) << static_cast<int>(i);
}

// Any non-zero byte reads as true, only that field is set, and it is written
// back as 1.
void TestAlarmRecord::booleans()
{
    QFETCH(int, which);
    const Boolean& tested = kBooleans[static_cast<std::size_t>(which)];
    RecordBytes stored{};
    stored[tested.offset] = 0x80;

    const AlarmRecord r = AlarmRecord::fromBytes(stored);
    for (const Boolean& b : kBooleans)
        QVERIFY2(r.*b.field == (&b == &tested), b.name);

    RecordBytes expected{};
    expected[tested.offset] = 1;
    QCOMPARE(r.toBytes(), asByteArray(expected));
}

void TestAlarmRecord::longTextIsCutAtCapacity()
{
    const QString message = QStringLiteral("0123456789").repeated(12);
    AlarmRecord r;
    r.Target = message;
    r.WaveA = QStringLiteral("NONE");

    const QByteArray stored = r.toBytes();
    QCOMPARE(quint8(stored[0]), quint8(100));
    QCOMPARE(stored.mid(1, 100), message.left(100).toLatin1());
    const AlarmRecord back = fromByteArray(stored);
    QCOMPARE(back.Target.text(), message.left(100));
    QCOMPARE(back.WaveA.text(), QStringLiteral("NONE")); // the neighbour is not overrun
}

QTEST_APPLESS_MAIN(TestAlarmRecord)
#include "tst_AlarmRecord.moc"
