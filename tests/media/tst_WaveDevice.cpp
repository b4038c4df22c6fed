// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestFiles.h"
#include "platform/WaveDecoder.h"
#include "platform/WaveDevice.h"
#include "platform/WaveImage.h"
#include "platform/qt/QtWaveDevice.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace hv;

// What can be checked without audio: the files the device reads and writes.
class TestWaveDevice : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void emptyWave();
    void emptyWaveFailsWhole();
    void openAndSave_data();
    void openAndSave();
    void failedSaveLeavesTheFile();
    void unreadableFileIsNotReady();
};

void TestWaveDevice::emptyWave()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("waves/temp.wav"));
    QVERIFY(createEmptyWave(path)); // the folder is made
    WaveDecoder decoder;
    QVERIFY2(decoder.openFile(path, {22050, 1}), qPrintable(decoder.errorString()));
    QCOMPARE(decoder.sourceSampleRate(), 22050);
    QVERIFY(decoder.durationMs() <= 1);
    QCOMPARE(QDir(dir.filePath(QStringLiteral("waves"))).entryList(QDir::Files),
             QStringList{QStringLiteral("temp.wav")});
}

void TestWaveDevice::emptyWaveFailsWhole()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("temp.wav"));
    QVERIFY(QDir().mkpath(path)); // a folder in the way
    QString problem;
    QVERIFY(!createEmptyWave(path, &problem));
    QVERIFY(!problem.isEmpty());
    QVERIFY(QFileInfo(path).isDir());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{}); // no temporary left
}

void TestWaveDevice::openAndSave_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("frames");
    QTest::newRow("recording format") << 22050 << 1 << 22050;
    QTest::newRow("CD stereo") << 44100 << 2 << 11025;
}

// A sound opened and saved elsewhere keeps its rate, channels and samples,
// and its length counts its frames.
void TestWaveDevice::openAndSave()
{
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, frames);
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("in.wav"));
    const test::WaveLayout layout{test::SampleType::Int16, rate, channels};
    test::putFile(source, test::waveImage(layout, test::sine(440, frames, rate, channels)));
    QtWaveDevice device;
    QVERIFY(device.open(source));
    QCOMPARE(device.mode(), WaveDevice::Mode::Stopped);
    QCOMPARE(device.lengthMs(), qint64(frames) * 1000 / rate);
    const QString copy = dir.filePath(QStringLiteral("out.wav"));
    QVERIFY2(device.save(copy), qPrintable(device.errorText()));
    QCOMPARE(device.fileName(), copy);
    QCOMPARE(test::contentOf(copy), test::contentOf(source));
}

void TestWaveDevice::failedSaveLeavesTheFile()
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("in.wav"));
    test::putFile(source, test::waveImage({}, test::sine(440, 4410, 44100)));
    const QString blocked = dir.filePath(QStringLiteral("file/out.wav")); // "file" is not a folder
    test::putFile(dir.filePath(QStringLiteral("file")), "x");
    QtWaveDevice device;
    QVERIFY(device.open(source));
    QVERIFY(!device.save(blocked));
    QVERIFY(!device.errorText().isEmpty());
    QCOMPARE(device.fileName(), source);
    QCOMPARE(test::contentOf(dir.filePath(QStringLiteral("file"))), QByteArray("x"));
}

void TestWaveDevice::unreadableFileIsNotReady()
{
    QTemporaryDir dir;
    const QString notWave = dir.filePath(QStringLiteral("text.wav"));
    test::putFile(notWave, "hello");
    QtWaveDevice device;
    QVERIFY(!device.open(notWave));
    QCOMPARE(device.mode(), WaveDevice::Mode::NotReady);
    QVERIFY(!device.errorText().isEmpty());
    QVERIFY(!device.open(dir.filePath(QStringLiteral("missing.wav"))));
    QCOMPARE(device.mode(), WaveDevice::Mode::NotReady);
}

QTEST_GUILESS_MAIN(TestWaveDevice)
#include "tst_WaveDevice.moc"
