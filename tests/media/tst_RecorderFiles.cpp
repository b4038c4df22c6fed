// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/RecorderFiles.h"

#include <QDir>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace hv;

class TestRecorderFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lengthText_data();
    void lengthText();
    void anythingOfTheNameHoldsTheNumber();
    void clockWordsAreTheWordFiles();
};

void TestRecorderFiles::lengthText_data()
{
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << qint64(0) << "0:00.0";
    QTest::newRow("tenths cut") << qint64(1599) << "0:01.5";
    QTest::newRow("minute") << qint64(61'000) << "1:01.0";
    QTest::newRow("over ten minutes") << qint64(754'300) << "12:34.3";
}

void TestRecorderFiles::lengthText()
{
    QFETCH(qint64, ms);
    QFETCH(QString, text);
    QCOMPARE(hv::lengthText(ms), text);
}

void TestRecorderFiles::anythingOfTheNameHoldsTheNumber()
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("Horavox-1.wav"));
    QFile::link(dir.filePath(QStringLiteral("gone.wav")), numberedRecording(dir.path(), 2));
    QCOMPARE(freeRecordingName(dir.path()), numberedRecording(dir.path(), 3));
}

void TestRecorderFiles::clockWordsAreTheWordFiles()
{
    const QList<ClockWord> words = clockWords();
    QCOMPARE(words.size(), 25);
    QSet<QString> files;
    for (const ClockWord& word : words)
        files.insert(word.fileName);
    QCOMPARE(files.size(), 25);
    QCOMPARE(words.first().fileName, QStringLiteral("wavefile_0.wav"));
    QCOMPARE(words.last().spoken, QStringLiteral("o'clock"));
    QCOMPARE(words.last().fileName, QStringLiteral("wavefile_oclock.wav"));
}

QTEST_GUILESS_MAIN(TestRecorderFiles)
#include "tst_RecorderFiles.moc"
