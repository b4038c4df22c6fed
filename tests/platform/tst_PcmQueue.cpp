// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/PcmQueue.h"

#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cstring>

using namespace hv;

using Frames = QList<int>; // interleaved samples, as ints for QTest's tables

namespace {

std::vector<qint16> samples(const Frames& values)
{
    return {values.begin(), values.end()};
}

// A sound that hands out its samples in pieces of at most `piece` frames, and
// that may promise more frames than it has, as a damaged file does.
class PieceSource final : public PcmSource
{
public:
    PieceSource(Frames values, int channels, qint64 piece, qint64 promisedExtra = 0)
        : m_values(std::move(values))
        , m_channels(channels)
        , m_piece(piece)
        , m_promisedExtra(promisedExtra)
    {}

    qint64 framesLeft() const override
    {
        return m_ended ? 0 : (m_values.size() - m_at) / m_channels + m_promisedExtra;
    }
    qint64 read(qint16* out, qint64 maxFrames) override
    {
        const qint64 n = std::min({maxFrames, m_piece, qint64(m_values.size() - m_at) / m_channels});
        std::copy_n(m_values.begin() + m_at, n * m_channels, out);
        m_at += n * m_channels;
        m_ended = n == 0;
        return n;
    }

private:
    Frames m_values;
    int m_channels;
    qint64 m_piece;
    qint64 m_promisedExtra;
    qsizetype m_at = 0;
    bool m_ended = false;
};

// Reads up to `frames` frames; the samples that came.
Frames readFrames(PcmQueue& queue, qint64 frames)
{
    QByteArray bytes(frames * queue.bytesPerFrame(), '\x55');
    const qint64 got = queue.read(bytes.data(), bytes.size());
    Frames out;
    for (qint64 i = 0; i + 1 < got; i += 2) {
        qint16 sample = 0;
        std::memcpy(&sample, bytes.constData() + i, sizeof sample);
        out.append(sample);
    }
    return out;
}

} // namespace

class TestPcmQueue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsInOrder_data();
    void readsInOrder();
    void readsWholeFramesOnly();
    void countsProgress();
    void appendsWhileReading();
    void dropsPendingSinglesAfterASequence();
    void mixesTheOverlayIn();
    void clearDropsEverything();
};

void TestPcmQueue::readsInOrder_data()
{
    QTest::addColumn<int>("channels");
    // Entries: samples made here, or (with a piece size) sources.
    QTest::addColumn<QList<Frames>>("entries");
    QTest::addColumn<int>("piece");         // 0: samples made here
    QTest::addColumn<int>("promisedExtra"); // frames a source promises but lacks
    QTest::addColumn<int>("tail");
    QTest::addColumn<QList<int>>("reads"); // in frames
    QTest::addColumn<QList<Frames>>("expected");

    const QList<Frames> three{{1, 2}, {3}, {4, 5, 6}};
    QTest::newRow("one read across entries")
        << 1 << three << 0 << 0 << 0 << QList<int>{6} << QList<Frames>{{1, 2, 3, 4, 5, 6}};
    QTest::newRow("reads smaller than entries")
        << 1 << three << 0 << 0 << 0 << QList<int>{1, 2, 2, 1} << QList<Frames>{{1}, {2, 3}, {4, 5}, {6}};
    QTest::newRow("stereo, partial reads")
        << 2 << QList<Frames>{{1, -1, 2, -2}, {3, -3}} << 0 << 0 << 0 << QList<int>{1, 2, 1}
        << QList<Frames>{{1, -1}, {2, -2, 3, -3}, {}};
    QTest::newRow("empty entries are passed over")
        << 1 << QList<Frames>{{}, {7}, {}, {8}} << 0 << 0 << 0 << QList<int>{3} << QList<Frames>{{7, 8}};
    QTest::newRow("silence follows, then nothing")
        << 1 << QList<Frames>{{9, 9}} << 0 << 0 << 3 << QList<int>{4, 4} << QList<Frames>{{9, 9, 0, 0}, {0}};
    QTest::newRow("empty queue") << 2 << QList<Frames>{} << 0 << 0 << 0 << QList<int>{5} << QList<Frames>{{}};
    QTest::newRow("sources that hand out small pieces")
        << 1 << three << 1 << 0 << 0 << QList<int>{4, 4} << QList<Frames>{{1, 2, 3, 4}, {5, 6}};
    QTest::newRow("sources that end before their promise")
        << 1 << three << 2 << 5 << 1 << QList<int>{2, 5} << QList<Frames>{{1, 2}, {3, 4, 5, 6, 0}};
}

void TestPcmQueue::readsInOrder()
{
    QFETCH(int, channels);
    QFETCH(QList<Frames>, entries);
    QFETCH(int, piece);
    QFETCH(int, promisedExtra);
    QFETCH(int, tail);
    QFETCH(QList<int>, reads);
    QFETCH(QList<Frames>, expected);

    PcmQueue queue(channels);
    for (const Frames& entry : entries) {
        if (piece > 0)
            queue.append(std::make_unique<PieceSource>(entry, channels, piece, promisedExtra), false);
        else
            queue.append(samples(entry));
    }
    queue.setTailFrames(tail);
    for (qsizetype i = 0; i < reads.size(); ++i)
        QCOMPARE(readFrames(queue, reads[i]), expected[i]);
    QCOMPARE(queue.framesLeft(), 0);
}

// A sink may ask for any number of bytes; a frame is never split between reads.
void TestPcmQueue::readsWholeFramesOnly()
{
    PcmQueue queue(2);
    queue.append(samples({1, 2, 3, 4, 5})); // two frames and a stray sample
    char bytes[16]{};
    QCOMPARE(queue.read(bytes, 3), 0);
    QCOMPARE(queue.read(bytes, 7), 4);
    QCOMPARE(queue.framesLeft(), 1);
    QCOMPARE(queue.read(bytes, sizeof bytes), 4);
    QCOMPARE(queue.framesLeft(), 0);
    QCOMPARE(queue.read(bytes, sizeof bytes), 0);
}

void TestPcmQueue::countsProgress()
{
    PcmQueue queue(2);
    queue.append(samples({1, 1, 2, 2, 3, 3}));
    queue.append(std::make_unique<PieceSource>(Frames{4, 4, 5, 5}, 2, 1), true);
    queue.setTailFrames(4);
    QCOMPARE(queue.framesLeft(), 3 + 2 + 4);
    QCOMPARE(queue.bytesAvailable(), 9 * 4);

    const QList<int> reads{2, 2, 4, 3};
    qint64 served = 0;
    for (const int frames : reads) {
        const qint64 before = queue.framesLeft();
        const qint64 got = readFrames(queue, frames).size() / 2;
        served += got;
        QCOMPARE(queue.framesServed(), served);
        QCOMPARE(queue.framesLeft(), before - got);
        QCOMPARE(queue.bytesAvailable(), queue.framesLeft() * 4);
    }
    QCOMPARE(served, 9);
}

// The sink reads while sounds are still being queued: a sound appended in the
// middle follows seamlessly, in place of the silence that would have ended it.
void TestPcmQueue::appendsWhileReading()
{
    PcmQueue queue(1);
    QSignalSpy readyRead(&queue, &QIODevice::readyRead);
    queue.append(samples({1, 2, 3}));
    queue.setTailFrames(10);
    QCOMPARE(readFrames(queue, 2), (Frames{1, 2}));
    queue.append(samples({4, 5}));
    QCOMPARE(queue.framesLeft(), 3); // the silence gave way
    QCOMPARE(readyRead.size(), 3);
    QCOMPARE(readFrames(queue, 10), (Frames{3, 4, 5}));
    queue.append(samples({6}));
    QCOMPARE(readFrames(queue, 10), (Frames{6}));
}

void TestPcmQueue::dropsPendingSinglesAfterASequence()
{
    PcmQueue queue(1);
    QVERIFY(!queue.sequenceAhead());
    queue.append(std::make_unique<PieceSource>(Frames{1, 2}, 1, 10), true);
    queue.append(std::make_unique<PieceSource>(Frames{3, 4}, 1, 10), true);
    queue.append(samples({5, 6}));
    queue.append(samples({7}));
    QVERIFY(queue.sequenceAhead());

    QCOMPARE(readFrames(queue, 3), (Frames{1, 2, 3}));
    queue.dropPendingSingles();
    QCOMPARE(queue.framesLeft(), 1);
    queue.append(samples({8}));
    QCOMPARE(readFrames(queue, 4), (Frames{4, 8}));
    QVERIFY(!queue.sequenceAhead()); // what was read last was no sequence

    // A single that has begun plays on.
    queue.append(samples({9, 10}));
    QCOMPARE(readFrames(queue, 1), (Frames{9}));
    queue.dropPendingSingles();
    QCOMPARE(readFrames(queue, 4), (Frames{10}));

    // The last sound of a sequence is still being heard after it was read.
    queue.append(std::make_unique<PieceSource>(Frames{11}, 1, 10), true);
    QCOMPARE(readFrames(queue, 4), (Frames{11}));
    QVERIFY(queue.sequenceAhead());
}

void TestPcmQueue::mixesTheOverlayIn()
{
    PcmQueue queue(2);
    queue.append(samples({100, -100, 32000, -32000}));
    queue.mixIn(samples({1, 2, 3, 4}), 0); // replaced before it is read
    queue.mixIn(samples({10, 20, 1000, -1000, 5, 6}), 1);
    // The silence at the end grows to the overlay's three frames and one of margin.
    QCOMPARE(queue.framesLeft(), 2 + 3 + 1);
    QCOMPARE(readFrames(queue, 1), (Frames{110, -80}));
    QCOMPARE(readFrames(queue, 10), (Frames{32767, -32768, 5, 6, 0, 0, 0, 0, 0, 0}));
    QCOMPARE(queue.framesLeft(), 0);

    // An overlay that the queue outlasts is mixed into its start only.
    queue.append(samples({1, 1, 1, 1}));
    queue.mixIn(samples({2, 2}), 0);
    QCOMPARE(readFrames(queue, 2), (Frames{3, 3, 1, 1}));
}

void TestPcmQueue::clearDropsEverything()
{
    PcmQueue queue(1);
    queue.append(std::make_unique<PieceSource>(Frames{1, 2, 3}, 1, 1), true);
    queue.mixIn(samples({5, 5, 5, 5, 5}), 2);
    QCOMPARE(readFrames(queue, 2), (Frames{6, 7}));
    queue.clear();
    QCOMPARE(queue.framesLeft(), 0);
    QVERIFY(!queue.sequenceAhead());
    QCOMPARE(readFrames(queue, 5), Frames{});
    queue.append(samples({4}));
    QCOMPARE(readFrames(queue, 5), (Frames{4})); // no overlay left over
    QCOMPARE(queue.framesServed(), 3);
}

QTEST_GUILESS_MAIN(TestPcmQueue)
#include "tst_PcmQueue.moc"
