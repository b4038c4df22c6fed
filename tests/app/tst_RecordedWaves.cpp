// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppState.h"
#include "app/RecordedWaves.h"
#include "platform/fake/FakeAutostart.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace hv;

namespace {

// A data folder with waves/Horavox-1.wav, Horavox-2.wav and mine.wav, and a
// Horavox-1.wav outside the waves folder.
struct Fixture
{
    QTemporaryDir dir;
    FakeAutostart autostart;
    AppState state{DataPaths(dir.path(), dir.path()), autostart};

    Fixture()
    {
        QDir(dir.path()).mkpath(QStringLiteral("waves"));
        for (const char* name :
             {"waves/Horavox-1.wav", "waves/Horavox-2.wav", "waves/mine.wav", "Horavox-1.wav"}) {
            QFile file(path(QString::fromLatin1(name)));
            file.open(QIODevice::WriteOnly);
        }
    }
    QString path(const QString& relative) const { return dir.filePath(relative); }
    void useSlot(int n, std::int32_t kind, const QString& target, const QString& waveA)
    {
        AlarmRecord& record = state.alarms().slot(n);
        record.Rule = RuleDaily;
        record.AlarmKind = kind;
        record.Target = target;
        record.WaveA = waveA;
        record.WaveB = QStringLiteral("NONE");
    }
};

} // namespace

class TestRecordedWaves : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void deleteUnused_data();
    void deleteUnused();
    void autoDeleteKeepsLiveSettings();
};

void TestRecordedWaves::deleteUnused_data()
{
    // "who" names waves/Horavox-1.wav (as "$1") before the deletion.
    QTest::addColumn<QString>("who");
    QTest::addColumn<QStringList>("paths"); // relative to the data folder; "\" kept as typed
    QTest::addColumn<QStringList>("deleted");
    const QString one = QStringLiteral("waves/Horavox-1.wav");
    const QString two = QStringLiteral("waves/Horavox-2.wav");
    QTest::newRow("named by nobody") << "nobody" << QStringList{one} << QStringList{one};
    QTest::newRow("named by a slot's wave") << "slot wave" << QStringList{one} << QStringList{};
    QTest::newRow("named by a Wave File alarm's target")
        << "wave target" << QStringList{one} << QStringList{};
    QTest::newRow("message text is no wave") << "message target" << QStringList{one} << QStringList{one};
    QTest::newRow("empty slot names nothing") << "empty slot" << QStringList{one} << QStringList{one};
    QTest::newRow("named by the voice wave") << "voice" << QStringList{one} << QStringList{};
    QTest::newRow("named by a live window") << "live" << QStringList{one} << QStringList{};
    QTest::newRow("others go, the named one stays")
        << "slot wave" << QStringList{one, two} << QStringList{two};
    QTest::newRow("listed twice, deleted once") << "nobody" << QStringList{one, one} << QStringList{one};
    QTest::newRow("the user's own file")
        << "nobody" << QStringList{QStringLiteral("waves/mine.wav")} << QStringList{};
    QTest::newRow("outside the waves folder")
        << "nobody" << QStringList{QStringLiteral("Horavox-1.wav")} << QStringList{};
    QTest::newRow("old system's form")
        << "nobody" << QStringList{QStringLiteral("waves\\Horavox-2.wav")} << QStringList{two};
}

void TestRecordedWaves::deleteUnused()
{
    QFETCH(QString, who);
    QFETCH(QStringList, paths);
    QFETCH(QStringList, deleted);
    Fixture f;
    const QString one = f.path(QStringLiteral("waves/Horavox-1.wav"));
    if (who == u"slot wave")
        f.useSlot(3, KindMessage, QStringLiteral("Hello"), one);
    else if (who == u"wave target")
        f.useSlot(3, KindWaveFile, one, QStringLiteral("NONE"));
    else if (who == u"message target")
        f.useSlot(3, KindMessage, one, QStringLiteral("NONE"));
    else if (who == u"empty slot")
        f.state.alarms().slot(3).WaveA = one;
    else if (who == u"voice")
        f.state.settings().voice.waveFile = one;
    else if (who == u"live")
        f.state.addLiveWave(one);

    QStringList stored;
    for (const QString& p : paths)
        stored.append(p.contains(u'\\') ? p : f.path(p));
    QStringList expected;
    for (const QString& p : deleted)
        expected.append(f.path(p));
    QCOMPARE(deleteUnusedRecordings(f.state, stored), expected);
    for (const QString& p : paths) {
        const QString file = f.path(QString(p).replace(u'\\', u'/'));
        QCOMPARE(QFile::exists(file), !expected.contains(file));
    }
}

// Auto delete of an alarm keeps its recording while the voice settings play
// it, also after the alarm file has been loaded into the table afresh.
void TestRecordedWaves::autoDeleteKeepsLiveSettings()
{
    Fixture f;
    f.state.load();
    const QString one = f.path(QStringLiteral("waves/Horavox-1.wav"));
    const QString two = f.path(QStringLiteral("waves/Horavox-2.wav"));
    f.state.settings().voice.waveFile = one;
    f.useSlot(1, KindMessage, QStringLiteral("Hello"), one);
    f.state.alarms().slot(1).WaveB = two;
    f.state.alarms().autoDelete(1, f.dir.path());
    QVERIFY(QFile::exists(one));
    QVERIFY(!QFile::exists(two));

    f.useSlot(1, KindMessage, QStringLiteral("Hello"), one);
    f.state.settings().voice.waveFile.clear();
    f.state.alarms().removeSlot(1, f.dir.path());
    QVERIFY(!QFile::exists(one));
}

QTEST_GUILESS_MAIN(TestRecordedWaves)
#include "tst_RecordedWaves.moc"
