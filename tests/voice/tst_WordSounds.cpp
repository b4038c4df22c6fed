// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestFiles.h"
#include "voice/Announcer.h"
#include "voice/WordSounds.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace hv;

namespace {

QByteArray le16(int value)
{
    QByteArray bytes(2, '\0');
    qToLittleEndian<quint16>(static_cast<quint16>(value), bytes.data());
    return bytes;
}

QByteArray le32(qint64 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian<quint32>(static_cast<quint32>(value), bytes.data());
    return bytes;
}

// One RIFF chunk; `declaredSize` other than -1 lies about the body's length.
QByteArray chunk(const char* id, const QByteArray& body, qint64 declaredSize = -1)
{
    QByteArray bytes = QByteArray(id, 4) + le32(declaredSize < 0 ? body.size() : declaredSize) + body;
    if (body.size() % 2 != 0)
        bytes += '\0';
    return bytes;
}

QByteArray formatBody(int tag, int channels, int rate, int bits)
{
    const int blockAlign = channels * bits / 8;
    return le16(tag) + le16(channels) + le32(rate) + le32(qint64(rate) * blockAlign) + le16(blockAlign) +
           le16(bits);
}

QByteArray riff(const QByteArray& chunks)
{
    return "RIFF" + le32(4 + chunks.size()) + "WAVE" + chunks;
}

// A short 16-bit tone, unlike any built-in word.
QByteArray userWave()
{
    QByteArray samples;
    for (int i = 0; i < 441; ++i)
        samples += le16(i % 2 == 0 ? 3000 : -3000);
    return riff(chunk("fmt ", formatBody(1, 1, 44100, 16)) + chunk("data", samples));
}

QStringList everyWordTheClockSays()
{
    QSet<QString> names;
    for (int hour = 0; hour < 24; ++hour) {
        for (int minute = 0; minute < 60; ++minute) {
            const QStringList words = wordNames(hour, minute);
            names.unite(QSet<QString>(words.cbegin(), words.cend()));
        }
    }
    QStringList sorted = names.values();
    sorted.sort();
    return sorted;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestWordSounds : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void builtInWordsAreSmallEightBitMonoWaves();
    void lookupIgnoresCase_data();
    void lookupIgnoresCase();
    void waveInfo_data();
    void waveInfo();
    void userFolderReplacesOnlyItsWords();
    void unusableUserFileFallsBackWithOneWarning_data();
    void unusableUserFileFallsBackWithOneWarning();
    void durationIn64Bits();
};

void TestWordSounds::builtInWordsAreSmallEightBitMonoWaves()
{
    const QStringList names = everyWordTheClockSays();
    QCOMPARE(names.size(), 25);
    const WordSounds words;
    for (const QString& name : names) {
        const QByteArray image = words.word(name);
        // Read the header bytes directly rather than through readWaveInfo, so
        // that a fault there cannot hide a wrong recording.
        QVERIFY2(image.size() > 44, qPrintable(name));
        QCOMPARE(image.first(4), QByteArray("RIFF"));
        QCOMPARE(qFromLittleEndian<quint32>(image.constData() + 4), quint32(image.size() - 8));
        QCOMPARE(image.sliced(8, 8), QByteArray("WAVEfmt "));
        QCOMPARE(qFromLittleEndian<quint32>(image.constData() + 16), 16u);
        QCOMPARE(qFromLittleEndian<quint16>(image.constData() + 20), quint16(1)); // PCM
        QCOMPARE(qFromLittleEndian<quint16>(image.constData() + 22), quint16(1)); // mono
        QCOMPARE(qFromLittleEndian<quint32>(image.constData() + 24), 11025u);     // frames per second
        QCOMPARE(qFromLittleEndian<quint32>(image.constData() + 28), 11025u);     // bytes per second
        QCOMPARE(qFromLittleEndian<quint16>(image.constData() + 32), quint16(1)); // block align
        QCOMPARE(qFromLittleEndian<quint16>(image.constData() + 34), quint16(8)); // bits
        QCOMPARE(image.sliced(36, 4), QByteArray("data"));
        const quint32 dataSize = qFromLittleEndian<quint32>(image.constData() + 40);
        QVERIFY2(44 + dataSize <= quint32(image.size()), qPrintable(name));
        // A spoken word, trimmed: between a fifth of a second and a second and a half.
        QVERIFY2(dataSize > 11025 / 5 && dataSize < 11025 * 3 / 2,
                 qPrintable(QStringLiteral("%1: %2 samples").arg(name).arg(dataSize)));
        // Not silence: 8-bit unsigned samples swing well away from 128.
        const QByteArrayView sound(image.constData() + 44, dataSize);
        const auto [low, high] = std::minmax_element(sound.cbegin(), sound.cend(), [](char a, char b) {
            return static_cast<unsigned char>(a) < static_cast<unsigned char>(b);
        });
        QVERIFY2(static_cast<unsigned char>(*high) - static_cast<unsigned char>(*low) > 64, qPrintable(name));
    }
}

void TestWordSounds::lookupIgnoresCase_data()
{
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QString>("stored"); // empty: no such word

    QTest::newRow("o'clock, mixed case") << "Wavefile_oclock"
                                         << "WAVEFILE_OCLOCK";
    QTest::newRow("zero, mixed case") << "WaveFile_0"
                                      << "WAVEFILE_0";
    QTest::newRow("lower case") << "wavefile_20"
                                << "WAVEFILE_20";
    QTest::newRow("upper case") << "WAVEFILE_50"
                                << "WAVEFILE_50";
    QTest::newRow("no word for 21") << "WAVEFILE_21"
                                    << "";
    QTest::newRow("leading zero") << "WAVEFILE_05"
                                  << "";
    QTest::newRow("prefix only") << "WAVEFILE_"
                                 << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("with extension") << "WAVEFILE_5.wav"
                                    << "";
    QTest::newRow("resource path") << ":/voice/WAVEFILE_5"
                                   << "";
}

void TestWordSounds::lookupIgnoresCase()
{
    QFETCH(QString, asked);
    QFETCH(QString, stored);

    const WordSounds words;
    const QByteArray image = words.word(asked);
    if (stored.isEmpty()) {
        QVERIFY(image.isEmpty());
        return;
    }
    QVERIFY(!image.isEmpty());
    QCOMPARE(image, WordSounds().word(stored));
    QCOMPARE(words.word(asked), image); // kept, same again
}

void TestWordSounds::waveInfo_data()
{
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<bool>("valid");

    const QByteArray format = chunk("fmt ", formatBody(1, 1, 11025, 8));
    const QByteArray data = chunk("data", QByteArray(101, '\x80'));

    QTest::newRow("plain") << riff(format + data) << true;
    QTest::newRow("odd-sized chunk before the format") << riff(chunk("LIST", "abc") + format + data) << true;
    QTest::newRow("floating point") << riff(chunk("fmt ", formatBody(3, 2, 48000, 32)) + data) << true;
    QTest::newRow("extensible") << riff(chunk("fmt ", formatBody(0xFFFE, 2, 44100, 24)) + data) << true;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("text") << QByteArray("this is not a wave file at all") << false;
    QTest::newRow("not WAVE") << ("RIFF" + le32(4) + "AVI ") << false;
    QTest::newRow("no data chunk") << riff(format) << false;
    QTest::newRow("data before format") << riff(data + format) << false;
    QTest::newRow("format chunk too short") << riff(chunk("fmt ", QByteArray(14, '\1')) + data) << false;
    QTest::newRow("ADPCM") << riff(chunk("fmt ", formatBody(2, 1, 11025, 4)) + data) << false;
    QTest::newRow("no channels") << riff(chunk("fmt ", formatBody(1, 0, 11025, 8)) + data) << false;
    QTest::newRow("no rate") << riff(chunk("fmt ", formatBody(1, 1, 0, 8)) + data) << false;
    QTest::newRow("no sound") << riff(format + chunk("data", {})) << false;
    QTest::newRow("truncated") << riff(format + chunk("data", QByteArray(100, '\x80'), 1000)) << false;
    QTest::newRow("huge chunk before data") << riff(chunk("LIST", "ab", 0xFFFFFFF0) + format + data) << false;
}

void TestWordSounds::waveInfo()
{
    QFETCH(QByteArray, image);
    QFETCH(bool, valid);

    const std::optional<WaveInfo> info = readWaveInfo(image);
    QCOMPARE(info.has_value(), valid);
    if (info && info->formatTag == 1) {
        QCOMPARE(info->channels, 1);
        QCOMPARE(info->sampleRate, 11025);
        QCOMPARE(info->bitsPerSample, 8);
        QCOMPARE(info->dataSize, 101);
    }
}

void TestWordSounds::userFolderReplacesOnlyItsWords()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    writeFile(dir.filePath(QStringLiteral("wavefile_5.WAV")), userWave());
    writeFile(dir.filePath(QStringLiteral("WAVEFILE_OCLOCK.wav")), userWave());
    // Names that are no word, or no wave, are passed over quietly.
    writeFile(dir.filePath(QStringLiteral("WAVEFILE_21.wav")), userWave());
    writeFile(dir.filePath(QStringLiteral("WAVEFILE_6.txt")), userWave());

    const WordSounds builtIn;
    const WordSounds words(dir.path());
    QCOMPARE(words.word(u"WAVEFILE_5"), userWave());
    QCOMPARE(words.word(u"wavefile_oclock"), userWave());
    for (const QString& name : {QStringLiteral("WAVEFILE_6"), QStringLiteral("WAVEFILE_50")})
        QCOMPARE(words.word(name), builtIn.word(name));
    QVERIFY(words.word(u"WAVEFILE_21").isEmpty());

    // A missing folder leaves every word built in.
    const WordSounds noFolder(dir.filePath(QStringLiteral("absent")));
    QCOMPARE(noFolder.word(u"WAVEFILE_5"), builtIn.word(u"WAVEFILE_5"));
}

void TestWordSounds::unusableUserFileFallsBackWithOneWarning_data()
{
    QTest::addColumn<QString>("kind"); // "file", or what test::putNonRegular puts there
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("used");   // the user's word is spoken
    QTest::addColumn<bool>("warned"); // one warning names the file

    const auto tone = [](int rate, int bytes) {
        return riff(chunk("fmt ", formatBody(1, 1, rate, 8)) + chunk("data", QByteArray(bytes, '\x80')));
    };
    QTest::newRow("empty file") << "file" << QByteArray() << false << true;
    QTest::newRow("text") << "file" << QByteArray("five\n") << false << true;
    QTest::newRow("cut short") << "file" << userWave().first(60) << false << true;
    // A kilobyte at 1 Hz would play for 17 minutes.
    QTest::newRow("1 Hz") << "file" << tone(1, 1000) << false << true;
    QTest::newRow("below 4000 Hz") << "file" << tone(3999, 100) << false << true;
    QTest::newRow("10 s at 4000 Hz") << "file" << tone(4000, 40000) << true << false;
    QTest::newRow("a frame past 10 s") << "file" << tone(8000, 80008) << false << true;
    // Never opened: a FIFO would block the voice, /dev/zero never ends. The
    // folder's listing leaves out a FIFO itself, but not a link to a device.
    QTest::newRow("FIFO") << "fifo" << QByteArray() << false << false;
    QTest::newRow("device") << "device" << QByteArray() << false << true;
    QTest::newRow("folder") << "folder" << QByteArray() << false << false;
}

void TestWordSounds::unusableUserFileFallsBackWithOneWarning()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, contents);
    QFETCH(bool, used);
    QFETCH(bool, warned);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("WAVEFILE_7.wav"));
    if (kind == QLatin1String("file"))
        writeFile(path, contents);
    else
        test::putNonRegular(kind, path);

    if (warned)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("WAVEFILE_7\\.wav.*built-in")));
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
    const WordSounds words(dir.path());
    const QByteArray expected = used ? contents : WordSounds().word(u"WAVEFILE_7");
    QCOMPARE(words.word(u"WAVEFILE_7"), expected);
    QCOMPARE(words.word(u"wavefile_7"), expected);
}

void TestWordSounds::durationIn64Bits()
{
    WaveInfo info;
    info.channels = 2;
    info.bitsPerSample = 16;
    info.sampleRate = 44100;
    info.dataSize = qsizetype{1} << 32; // 6.76 hours
    QCOMPARE(waveMilliseconds(info), qint64{24347887});
    info.sampleRate = 0;
    QCOMPARE(waveMilliseconds(info), qint64{0});
}

QTEST_GUILESS_MAIN(TestWordSounds)
#include "tst_WordSounds.moc"
