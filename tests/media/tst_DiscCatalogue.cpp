// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestFiles.h"
#include "media/DiscCatalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using hv::DiscCatalogue;
using hv::DiscNumbers;
using hv::DiscRecord;
using hv::test::contentOf;
using hv::test::putFile;

namespace {

constexpr qsizetype kRecord = DiscRecord::kSize;

// Disc n: n + 2 tracks and lengths that differ from every other disc's.
DiscNumbers disc(int n)
{
    return {n + 2, 0x00020300 + n, 0x10203000 + n};
}

// A stored record of disc n named "Disc <n>", with its reserved byte set and
// bytes past the name's length that a rewrite must keep.
QByteArray storedDisc(int n, const QString& name = {})
{
    std::array<std::uint8_t, DiscRecord::kSize> bytes;
    bytes.fill(static_cast<std::uint8_t>(0x60 + n));
    DiscRecord record = DiscRecord::fromBytes(bytes);
    const DiscNumbers numbers = disc(n);
    record.trackCount = numbers.trackCount;
    record.firstTrackLength = static_cast<qint32>(numbers.firstTrackLength);
    record.discLength = static_cast<qint32>(numbers.discLength);
    record.setDiscName(name.isEmpty() ? QStringLiteral("Disc %1").arg(n) : name);
    record.playList = DiscRecord::emptyPlayList();
    record.playList[0] = 1;
    return record.toBytes();
}

qint32 int32At(const QByteArray& bytes, qsizetype offset)
{
    return qFromLittleEndian<qint32>(bytes.constData() + offset);
}

// The name at slot k (0 the disc) of the record starting at `at`.
QByteArray nameAt(const QByteArray& bytes, qsizetype at, int k)
{
    const qsizetype offset = at + 12 + 51 * k;
    return bytes.mid(offset + 1, static_cast<quint8>(bytes.at(offset)));
}

} // namespace

class TestDiscCatalogue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void firstSightAddsDefaultsAndSecondSightFindsThem();
    void firstMatchingRecordWins();
    void aRecordIsRewrittenInPlace();
    void namesAreCutAtFifty_data();
    void namesAreCutAtFifty();
    void discsOfMoreThanFortyTracks();
    void trailingPartialRecordIsIgnoredAndOverwritten();
    void catalogueFoundRegardlessOfCase();
    void unwritableCatalogueIsNeverReplaced_data();
    void unwritableCatalogueIsNeverReplaced();
    void readOnlyCatalogueKeepsItsBytesAndTheNamesInMemory();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString file() const { return m_dir->filePath(QStringLiteral("CDNAME32.REC")); }
};

void TestDiscCatalogue::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestDiscCatalogue::firstSightAddsDefaultsAndSecondSightFindsThem()
{
    // The data folder does not exist yet: it and the file are created.
    const QString data = m_dir->filePath(QStringLiteral("data"));
    {
        DiscCatalogue catalogue(data);
        QVERIFY(catalogue.findOrAdd(disc(1)));
        QCOMPARE(catalogue.position(), 0);
        QCOMPARE(catalogue.current().discName(), QStringLiteral("Unknown"));
        QCOMPARE(catalogue.current().trackName(3), QStringLiteral("Untitled 3"));
        QVERIFY(catalogue.findOrAdd(disc(2)));
        QCOMPARE(catalogue.position(), 1);
        QCOMPARE(catalogue.takeProblem(), QString());
    }
    const QByteArray bytes = contentOf(QDir(data).filePath(QStringLiteral("CDNAME32.REC")));
    QCOMPARE(bytes.size(), 2 * kRecord);
    // Record 1 exactly as stored: numbers, names, reserved byte, play list.
    const qsizetype at = kRecord;
    QCOMPARE(int32At(bytes, at), 4);
    QCOMPARE(int32At(bytes, at + 4), 0x00020302);
    QCOMPARE(int32At(bytes, at + 8), 0x10203002);
    QCOMPARE(nameAt(bytes, at, 0), QByteArray("Unknown"));
    for (int k = 1; k <= 4; ++k)
        QCOMPARE(nameAt(bytes, at, k), QByteArray("Untitled ") + QByteArray::number(k));
    for (int k = 5; k <= 40; ++k)
        QCOMPARE(nameAt(bytes, at, k), QByteArray());
    QCOMPARE(bytes.at(at + 2103), '\0');
    for (int i = 0; i < 40; ++i)
        QCOMPARE(int32At(bytes, at + 2104 + 4 * i), -1);

    // A later run finds both discs and adds nothing.
    DiscCatalogue later(data);
    QVERIFY(later.findOrAdd(disc(2)));
    QCOMPARE(later.position(), 1);
    QVERIFY(later.current().matches(disc(2)));
    QVERIFY(later.findOrAdd(disc(1)));
    QCOMPARE(later.position(), 0);
    QCOMPARE(contentOf(QDir(data).filePath(QStringLiteral("CDNAME32.REC"))), bytes);
}

// Two discs with equal numbers share the first record that carries them.
void TestDiscCatalogue::firstMatchingRecordWins()
{
    putFile(file(),
            storedDisc(1) + storedDisc(2, QStringLiteral("First")) + storedDisc(2, QStringLiteral("Second")));
    DiscCatalogue catalogue(m_dir->path());
    QVERIFY(catalogue.findOrAdd(disc(2)));
    QCOMPARE(catalogue.position(), 1);
    QCOMPARE(catalogue.current().discName(), QStringLiteral("First"));
    QCOMPARE(catalogue.current().playList[0], 1);
    QCOMPARE(QFileInfo(file()).size(), 3 * kRecord);
}

void TestDiscCatalogue::aRecordIsRewrittenInPlace()
{
    const QByteArray before = storedDisc(1) + storedDisc(2) + storedDisc(3);
    putFile(file(), before);
    DiscCatalogue catalogue(m_dir->path());
    QVERIFY(catalogue.findOrAdd(disc(2)));
    catalogue.current().setTrackName(2, QStringLiteral("Café"));
    catalogue.current().playList[1] = 2;
    QVERIFY(catalogue.save());

    const QByteArray after = contentOf(file());
    QCOMPARE(after.size(), before.size());
    QCOMPARE(after.left(kRecord), before.left(kRecord));
    QCOMPARE(after.mid(2 * kRecord), before.mid(2 * kRecord));
    // Only the renamed track (its whole slot) and the new play-list entry
    // changed in record 1; the other names' slots, with the bytes past their
    // text, and the reserved byte are as they were read.
    QByteArray expected = before.mid(kRecord, kRecord);
    const QByteArray slot = QByteArray("\x04"
                                       "Caf\xe9")
                                .leftJustified(51, '\0');
    expected.replace(12 + 51 * 2, slot.size(), slot);
    qToLittleEndian<qint32>(2, expected.data() + 2104 + 4);
    QCOMPARE(after.mid(kRecord, kRecord), expected);
}

void TestDiscCatalogue::namesAreCutAtFifty_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("stored");

    QTest::newRow("50 characters") << QString(50, u'x') << QByteArray(50, 'x');
    QTest::newRow("51 characters") << QString(51, u'x') << QByteArray(50, 'x');
    QTest::newRow("80 characters, Windows-1252 beyond ASCII")
        << QString(80, u'\u20ac') << QByteArray(50, '\x80');
}

void TestDiscCatalogue::namesAreCutAtFifty()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, stored);
    DiscCatalogue catalogue(m_dir->path());
    QVERIFY(catalogue.findOrAdd(disc(1)));
    catalogue.current().setDiscName(typed);
    catalogue.current().setTrackName(3, typed);
    QVERIFY(catalogue.save());
    const QByteArray bytes = contentOf(file());
    QCOMPARE(bytes.size(), kRecord);
    QCOMPARE(nameAt(bytes, 0, 0), stored);
    QCOMPARE(nameAt(bytes, 0, 3), stored);
    QCOMPARE(nameAt(bytes, 0, 4), QByteArray()); // the neighbour is untouched
    QCOMPARE(catalogue.current().trackName(3), typed.left(50));
}

void TestDiscCatalogue::discsOfMoreThanFortyTracks()
{
    DiscCatalogue catalogue(m_dir->path());
    const DiscNumbers big{42, 0x00000400, 0x002a0000};
    QVERIFY(catalogue.findOrAdd(big));
    DiscRecord& record = catalogue.current();
    QCOMPARE(record.trackName(40), QStringLiteral("Untitled 40"));
    QCOMPARE(record.trackName(41), QStringLiteral("Untitled 41"));
    QCOMPARE(record.trackName(42), QStringLiteral("Untitled 42"));
    QCOMPARE(record.trackName(43), QString());
    QVERIFY(record.setTrackName(40, QStringLiteral("Last named")));
    QVERIFY(!record.setTrackName(41, QStringLiteral("Never stored")));
    QCOMPARE(record.trackName(41), QStringLiteral("Untitled 41"));
    QVERIFY(catalogue.save());
    // Nothing past the record: one record, the play list right after track 40.
    const QByteArray bytes = contentOf(file());
    QCOMPARE(bytes.size(), kRecord);
    QCOMPARE(int32At(bytes, 0), 42);
    QCOMPARE(nameAt(bytes, 0, 40), QByteArray("Last named"));
    QCOMPARE(int32At(bytes, 2104), -1);
}

// The partial bytes even carry the disc's numbers: they are still no record.
void TestDiscCatalogue::trailingPartialRecordIsIgnoredAndOverwritten()
{
    const QByteArray whole = storedDisc(1) + storedDisc(2);
    putFile(file(), whole + storedDisc(3).left(100));
    DiscCatalogue catalogue(m_dir->path());
    QVERIFY(catalogue.findOrAdd(disc(3)));
    QCOMPARE(catalogue.position(), 2);
    QCOMPARE(catalogue.current().discName(), QStringLiteral("Unknown"));
    const QByteArray after = contentOf(file());
    QCOMPARE(after.size(), 3 * kRecord);
    QCOMPARE(after.left(2 * kRecord), whole);
    QCOMPARE(nameAt(after, 2 * kRecord, 0), QByteArray("Unknown"));
}

void TestDiscCatalogue::catalogueFoundRegardlessOfCase()
{
    const QString copied = m_dir->filePath(QStringLiteral("cdname32.rec"));
    putFile(copied, storedDisc(1));
    DiscCatalogue catalogue(m_dir->path());
    QCOMPARE(catalogue.path(), copied);
    QVERIFY(catalogue.findOrAdd(disc(1)));
    QCOMPARE(catalogue.current().discName(), QStringLiteral("Disc 1"));
    QVERIFY(catalogue.findOrAdd(disc(2)));
    QCOMPARE(catalogue.position(), 1);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("cdname32.rec")});
    QCOMPARE(QFileInfo(copied).size(), 2 * kRecord);
}

void TestDiscCatalogue::unwritableCatalogueIsNeverReplaced_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::newRow("a folder in its place") << QStringLiteral("folder");
    QTest::newRow("a FIFO in its place") << QStringLiteral("fifo");
}

// Something that is not a catalogue file stands in its place: it is neither
// opened (a FIFO would block) nor replaced, and the player gets the defaults.
void TestDiscCatalogue::unwritableCatalogueIsNeverReplaced()
{
    QFETCH(QString, obstacle);
    hv::test::putNonRegular(obstacle, file());
    DiscCatalogue catalogue(m_dir->path());
    QVERIFY(!catalogue.findOrAdd(disc(1)));
    QCOMPARE(catalogue.position(), DiscCatalogue::kNoPosition);
    QCOMPARE(catalogue.current().discName(), QStringLiteral("Unknown"));
    QVERIFY(!catalogue.takeProblem().isEmpty());
    QVERIFY(!catalogue.save());
    QVERIFY(!QFileInfo(file()).isFile());
    QVERIFY(QFileInfo(file()).exists());
}

// A catalogue the user made read-only keeps every byte; the problem is told
// once; the names stay in memory; once it is writable again, the new disc is
// appended and the record of the disc found before is left alone.
void TestDiscCatalogue::readOnlyCatalogueKeepsItsBytesAndTheNamesInMemory()
{
    const QByteArray before = storedDisc(1) + storedDisc(2);
    putFile(file(), before);
    DiscCatalogue catalogue(m_dir->path());
    QVERIFY(catalogue.findOrAdd(disc(1)));
    QCOMPARE(catalogue.position(), 0);
    QVERIFY(QFile::setPermissions(file(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

    QVERIFY(!catalogue.findOrAdd(disc(3)));
    QCOMPARE(catalogue.position(), DiscCatalogue::kNoPosition);
    const QString problem = catalogue.takeProblem();
    QVERIFY2(problem.startsWith(QStringLiteral("Unable to write to ")), qPrintable(problem));
    QVERIFY2(problem.contains(QStringLiteral("read-only")), qPrintable(problem));

    catalogue.current().setDiscName(QStringLiteral("Typed while read-only"));
    QVERIFY(!catalogue.save());
    QVERIFY(!catalogue.save());
    QCOMPARE(catalogue.takeProblem(), QString());
    QCOMPARE(catalogue.current().discName(), QStringLiteral("Typed while read-only"));
    QCOMPARE(contentOf(file()), before);

    QVERIFY(QFile::setPermissions(file(), QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(catalogue.save());
    QCOMPARE(catalogue.position(), 2);
    const QByteArray after = contentOf(file());
    QCOMPARE(after.left(2 * kRecord), before);
    QCOMPARE(nameAt(after, 2 * kRecord, 0), QByteArray("Typed while read-only"));
    QVERIFY(DiscRecord::fromBytes(std::span<const std::uint8_t, DiscRecord::kSize>(
                                      reinterpret_cast<const std::uint8_t*>(after.constData() + 2 * kRecord),
                                      DiscRecord::kSize))
                .matches(disc(3)));

    // A failure after a success is told again.
    QVERIFY(QFile::setPermissions(file(), QFile::ReadOwner));
    QVERIFY(!catalogue.save());
    QVERIFY(!catalogue.takeProblem().isEmpty());
}

QTEST_GUILESS_MAIN(TestDiscCatalogue)
#include "tst_DiscCatalogue.moc"
