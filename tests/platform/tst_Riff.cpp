// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveImage.h"
#include "platform/Riff.h"

#include <QTest>

using namespace hv;
using hv::test::riffChunk;
using hv::test::riffWave;

class TestRiff : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void walksChunks_data();
    void walksChunks();
    void stopsWhenAsked();
};

namespace {

// "id@offset" for each chunk visited, and whether the walk accepted the form.
QByteArrayList walk(const QByteArray& file, bool* isWave = nullptr)
{
    QByteArrayList visited;
    const auto readAt = [&](qint64 at, qint64 length) { return file.mid(at, length); };
    const bool ok = riff::walkChunks(file.size(), "WAVE", readAt, [&](const riff::Chunk& chunk) {
        visited << chunk.id + '@' + QByteArray::number(chunk.body);
        return true;
    });
    if (isWave != nullptr)
        *isWave = ok;
    return visited;
}

} // namespace

void TestRiff::walksChunks_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("isWave");
    QTest::addColumn<QByteArrayList>("visited");

    const QByteArray fmt = riffChunk("fmt ", QByteArray(16, '\0'));
    const QByteArray odd = riffChunk("LIST", "abc"); // padded to 4
    const QByteArray data = riffChunk("data", "12");
    QTest::newRow("chunks in order") << riffWave(fmt + data) << true << QByteArrayList{"fmt @20", "data@44"};
    QTest::newRow("odd body padded") << riffWave(odd + data) << true << QByteArrayList{"LIST@20", "data@32"};
    QTest::newRow("no chunks") << riffWave({}) << true << QByteArrayList{};
    QTest::newRow("chunk header cut short")
        << riffWave(fmt + data.first(7)) << true << QByteArrayList{"fmt @20"};
    QTest::newRow("body claims more than the file")
        << riffWave(riffChunk("data", "1234").first(10)) << true << QByteArrayList{"data@20"};
    QByteArray huge = riffChunk("junk", {});
    huge.replace(4, 4, "\xff\xff\xff\xff"); // 4 GiB - 1, odd: the next chunk would lie past 4 GiB
    QTest::newRow("huge size") << riffWave(huge + data) << true << QByteArrayList{"junk@20"};
    QTest::newRow("another form") << QByteArray("RIFF\x04\0\0\0AVI ", 12) + data << false << QByteArrayList{};
    QTest::newRow("not RIFF") << QByteArray("RIFX\x04\0\0\0WAVE", 12) + data << false << QByteArrayList{};
    QTest::newRow("file header cut short") << riffWave({}).first(11) << false << QByteArrayList{};
}

void TestRiff::walksChunks()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, isWave);
    QFETCH(QByteArrayList, visited);
    bool ok = !isWave;
    QCOMPARE(walk(file, &ok), visited);
    QCOMPARE(ok, isWave);
}

// A walk ends where the caller has found what it looked for, and after
// riff::kMaxChunks chunks in any case: empty chunks cost 8 bytes each.
void TestRiff::stopsWhenAsked()
{
    const QByteArray data = riffChunk("data", "12");
    const QByteArray file = riffWave(data + data + data);
    int visits = 0;
    riff::walkChunks(
        file.size(), "WAVE", [&](qint64 at, qint64 length) { return file.mid(at, length); },
        [&](const riff::Chunk&) { return ++visits < 2; });
    QCOMPARE(visits, 2);

    QByteArray many;
    for (int i = 0; i < riff::kMaxChunks + 5; ++i)
        many += riffChunk("junk", {});
    QCOMPARE(walk(riffWave(many)).size(), riff::kMaxChunks);
}

QTEST_GUILESS_MAIN(TestRiff)
#include "tst_Riff.moc"
