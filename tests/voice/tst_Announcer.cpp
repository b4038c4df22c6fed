// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fake/FakeSoundOut.h"
#include "voice/Announcer.h"
#include "voice/WordSounds.h"

#include <QTest>

using namespace hv;

namespace {

// "7 50 8" -> {"WAVEFILE_7", "WAVEFILE_50", "WAVEFILE_8"}
QStringList words(const char* spoken)
{
    QStringList names;
    const QStringList parts = QString::fromLatin1(spoken).split(u' ', Qt::SkipEmptyParts);
    for (const QString& part : parts)
        names << QStringLiteral("WAVEFILE_") + part;
    return names;
}

TimeText at(int hour, int minute)
{
    TimeText time;
    time.hour = hour;
    time.minute = minute;
    return time;
}

const QString kUserWave = QStringLiteral("/home/someone/waves/Horavox-3.wav");

// The settings as the main window holds them, speaking every quarter hour.
struct Fixture
{
    VoiceSettings settings;
    qint32 currentInterval = 15;
    WordSounds wordSounds;
    FakeSoundOut sound;
    Announcer announcer{settings, currentInterval, wordSounds, sound};

    Fixture()
    {
        settings.playVoice = true;
        settings.howOften = 15;
        settings.waveFile = kUserWave;
    }

    QList<Sound> sequenceFor(const char* spoken) const
    {
        QList<Sound> sounds;
        for (const QString& name : words(spoken))
            sounds << Sound::fromMemory(wordSounds.word(name));
        return sounds;
    }
};

} // namespace

class TestAnnouncer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wordNamesSayTheTime_data();
    void wordNamesSayTheTime();
    void dueMinutes_data();
    void dueMinutes();
    void announcementIsOneSequenceFramedByTheUserWave_data();
    void announcementIsOneSequenceFramedByTheUserWave();
    void settingsAreReadAtEachCall();
    void nothingIsPlayedWhenNotDue();
};

void TestAnnouncer::wordNamesSayTheTime_data()
{
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("minute");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("3:00") << 3 << 0 << words("3 OCLOCK");
    QTest::newRow("9:05") << 9 << 5 << words("9 0 5");
    QTest::newRow("12:15") << 12 << 15 << words("12 15");
    QTest::newRow("10:40") << 10 << 40 << words("10 40");
    QTest::newRow("7:58") << 7 << 58 << words("7 50 8");
    QTest::newRow("12:00") << 12 << 0 << words("12 OCLOCK");
    QTest::newRow("1:20, last of the single words") << 1 << 20 << words("1 20");
    QTest::newRow("1:21, first of the tens") << 1 << 21 << words("1 20 1");
    QTest::newRow("11:59") << 11 << 59 << words("11 50 9");
    QTest::newRow("24h 23:07") << 23 << 7 << words("20 3 0 7");
    QTest::newRow("24h 0:30") << 0 << 30 << words("0 30");
    QTest::newRow("24h 0:00") << 0 << 0 << words("0 OCLOCK");
    QTest::newRow("24h 20:20") << 20 << 20 << words("20 20");
    QTest::newRow("24h 21:45") << 21 << 45 << words("20 1 40 5");
    QTest::newRow("hour 24") << 24 << 0 << QStringList();
    QTest::newRow("hour -1") << -1 << 10 << QStringList();
    QTest::newRow("minute 60") << 5 << 60 << QStringList();
    QTest::newRow("minute -5") << 5 << -5 << QStringList();
}

void TestAnnouncer::wordNamesSayTheTime()
{
    QFETCH(int, hour);
    QFETCH(int, minute);
    QFETCH(QStringList, expected);

    QCOMPARE(wordNames(hour, minute), expected);
}

void TestAnnouncer::dueMinutes_data()
{
    QTest::addColumn<int>("interval");
    QTest::addColumn<bool>("playVoice");
    QTest::addColumn<bool>("voiceRequested");
    QTest::addColumn<QList<int>>("expected"); // the minutes of an hour that speak

    QList<int> everyMinute;
    for (int minute = 0; minute < 60; ++minute)
        everyMinute << minute;
    QList<int> everyFive;
    for (int minute = 0; minute < 60; minute += 5)
        everyFive << minute;

    QTest::newRow("1") << 1 << true << false << everyMinute;
    QTest::newRow("5") << 5 << true << false << everyFive;
    QTest::newRow("10") << 10 << true << false << QList<int>{0, 10, 20, 30, 40, 50};
    QTest::newRow("15") << 15 << true << false << QList<int>{0, 15, 30, 45};
    QTest::newRow("30") << 30 << true << false << QList<int>{0, 30};
    QTest::newRow("60") << 60 << true << false << QList<int>{0};
    QTest::newRow("7, written by hand") << 7 << true << false << QList<int>{};
    QTest::newRow("0") << 0 << true << false << QList<int>{};
    QTest::newRow("-15") << -15 << true << false << QList<int>{};
    QTest::newRow("120") << 120 << true << false << QList<int>{};
    QTest::newRow("Play Voice off") << 1 << false << false << QList<int>{};
    QTest::newRow("request, Play Voice off") << 15 << false << true << everyMinute;
    QTest::newRow("request, interval 7") << 7 << true << true << everyMinute;
}

void TestAnnouncer::dueMinutes()
{
    QFETCH(int, interval);
    QFETCH(bool, playVoice);
    QFETCH(bool, voiceRequested);
    QFETCH(QList<int>, expected);

    QList<int> due;
    for (int minute = 0; minute < 60; ++minute) {
        if (announcementDue(interval, playVoice, minute, voiceRequested))
            due << minute;
    }
    QCOMPARE(due, expected);
}

void TestAnnouncer::announcementIsOneSequenceFramedByTheUserWave_data()
{
    QTest::addColumn<bool>("playVoice");
    QTest::addColumn<bool>("playWave");
    QTest::addColumn<int>("beforeAfter");
    QTest::addColumn<QString>("waveFile");
    QTest::addColumn<bool>("voiceRequested");
    QTest::addColumn<int>("minute");
    QTest::addColumn<QString>("framing"); // "before", "after" or "none"

    QTest::newRow("voice only") << true << false << 1 << kUserWave << false << 15 << "none";
    QTest::newRow("wave before") << true << true << 1 << kUserWave << false << 15 << "before";
    QTest::newRow("wave after") << true << true << 2 << kUserWave << false << 15 << "after";
    QTest::newRow("neither before nor after") << true << true << 0 << kUserWave << false << 15 << "none";
    // The sound service plays the default sound for a path it cannot play.
    QTest::newRow("empty wave path") << true << true << 1 << QString() << false << 15 << "before";
    QTest::newRow("request, Play Voice off, wave before")
        << false << true << 1 << kUserWave << true << 7 << "before";
    QTest::newRow("request, Play Voice off, wave after")
        << false << true << 2 << kUserWave << true << 7 << "after";
}

void TestAnnouncer::announcementIsOneSequenceFramedByTheUserWave()
{
    QFETCH(bool, playVoice);
    QFETCH(bool, playWave);
    QFETCH(int, beforeAfter);
    QFETCH(QString, waveFile);
    QFETCH(bool, voiceRequested);
    QFETCH(int, minute);
    QFETCH(QString, framing);

    Fixture f;
    f.settings.playVoice = playVoice;
    f.settings.playWave = playWave;
    f.settings.beforeAfter = beforeAfter;
    f.settings.waveFile = waveFile;

    QVERIFY(f.announcer.announce(at(9, minute), voiceRequested));

    QList<Sound> expected = f.sequenceFor(minute == 7 ? "9 0 7" : "9 15");
    const Sound userWave = Sound::fromFile(waveFile, true);
    if (framing == u"before")
        expected.prepend(userWave);
    else if (framing == u"after")
        expected.append(userWave);
    QCOMPARE(f.sound.calls.size(), 1);
    QCOMPARE(f.sound.calls[0].kind, FakeSoundOut::Call::Sequence);
    QVERIFY(f.sound.calls[0].sounds == expected);
    for (const Sound& sound : std::as_const(f.sound.calls[0].sounds))
        QVERIFY(!sound.waveImage.isEmpty() || sound.file == waveFile);
}

void TestAnnouncer::settingsAreReadAtEachCall()
{
    Fixture f;
    QVERIFY(!f.announcer.announce(at(4, 10), false));

    // A command alarm sets the interval to 5 and asks for the wave after the voice.
    f.currentInterval = 5;
    f.settings.playWave = true;
    f.settings.beforeAfter = 2;
    QVERIFY(f.announcer.announce(at(4, 10), false));
    QCOMPARE(f.sound.calls.size(), 1);
    QVERIFY(f.sound.calls[0].sounds == f.sequenceFor("4 10") + QList<Sound>{Sound::fromFile(kUserWave)});

    f.settings.playVoice = false;
    QVERIFY(!f.announcer.announce(at(4, 15), false));
    QCOMPARE(f.sound.calls.size(), 1);
}

void TestAnnouncer::nothingIsPlayedWhenNotDue()
{
    Fixture f;
    f.settings.playWave = true;
    f.settings.beforeAfter = 1;
    for (int minute : {1, 14, 16, 44, 59})
        QVERIFY(!f.announcer.announce(at(8, minute), false));
    // A damaged time says nothing, even when asked for: no wave without words.
    QVERIFY(!f.announcer.announce(at(25, 0), true));
    QVERIFY(f.sound.calls.isEmpty());
}

QTEST_GUILESS_MAIN(TestAnnouncer)
#include "tst_Announcer.moc"
