// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestFiles.h"
#include "app/Settings.h"
#include "common/Error.h"
#include "common/Profile.h"
#include "platform/fake/FakeAutostart.h"
#include "platform/linux/XdgAutostart.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace hv;

using hv::test::contentOf;
using hv::test::errorOf;
using hv::test::putFile;

namespace {

// Every field away from its default.
StoredSettings unusualSettings()
{
    StoredSettings s;
    SettingsRecord& r = s.record;
    r.voice.playVoice = false;
    r.voice.howOften = 60;
    r.voice.playWave = true;
    r.voice.waveFile = QStringLiteral("/home/u/Caf\u00e9 chime.wav");
    r.voice.beforeAfter = VoiceSettings::kWaveAfterVoice;
    r.fontName = QStringLiteral("DejaVu Sans");
    r.style = QStringLiteral("BoldItalic");
    r.bevelOuter = SettingsRecord::kBevelLowered;
    r.bevelInner = SettingsRecord::kBevelRaised;
    r.bevelWidth = 4;
    r.borderWidth = 3;
    r.fontColor = 0x0000FF;
    r.displayColor = 0xFFFFFFFF; // stored as -1
    r.faceColor = 0x123456;
    r.stayOnTop = true;
    r.autoStart = true;
    r.autoRun = true;
    r.titleBarClock = false;
    r.allWindows = SettingsRecord::kParentWindowOnly;
    r.showHints = false;
    r.bHints = false;
    r.speedBar = false;
    SettingsExtras& x = s.extras;
    x.snoozeTime = 25;
    x.currentInterval = 60;
    x.useHotKey = false;
    x.newHotKey = 0xFFFF;
    x.newHotKeyShift = SettingsExtras::kShift | SettingsExtras::kAlt;
    return s;
}

// What the clock reads at start: the file, and whether login start is set up.
StoredSettings readWithLoginStart(const Profile& profile, const Autostart& autostart)
{
    StoredSettings settings = readSettings(profile);
    adoptLoginStart(settings.record, autostart);
    return settings;
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void freshSystemGetsDefaults();
    void readQuirks();
    void allWindows_data();
    void allWindows();
    void autoRun_data();
    void autoRun();
    void textsCutToFieldLengths();

    void saveWritesKeysInOrder();
    void saveWritesCurrentInterval();
    void saveThenReadGivesSameSettings();

    void mainWindowGeometry_data();
    void mainWindowGeometry();
    void placementOutOfRange_data();
    void placementOutOfRange();
    void widthsOutOfRange_data();
    void widthsOutOfRange();
    void startHidden_data();
    void startHidden();
    void saveMainWindowState_data();
    void saveMainWindowState();

    void adoptAutoRun_data();
    void adoptAutoRun();
    void startupReminder_data();
    void startupReminder();
    void startupReminderFailsBeforeStoringAnything();
    void startupReminderYesThroughXdgAutostart();

private:
    QString iniPath() const { return m_dir->filePath(QStringLiteral("horavox.ini")); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestSettings::freshSystemGetsDefaults()
{
    const Profile profile(iniPath());
    const StoredSettings s = readWithLoginStart(profile, FakeAutostart(false));
    const SettingsRecord& r = s.record;

    QVERIFY(r.voice.playVoice);
    QCOMPARE(r.voice.howOften, 5);
    QCOMPARE(s.extras.currentInterval, 5);
    QVERIFY(s.extras.useHotKey);
    QCOMPARE(s.extras.newHotKey, 84); // T
    QCOMPARE(s.extras.newHotKeyShift, SettingsExtras::kControl | SettingsExtras::kAlt);
    QVERIFY(r.titleBarClock);
    QCOMPARE(r.allWindows, SettingsRecord::kAllWindows);
    QVERIFY(r.showHints);
    QVERIFY(r.bHints);
    QVERIFY(r.speedBar);
    QCOMPARE(r.fontName, QStringLiteral("Times New Roman"));
    QCOMPARE(r.style, QStringLiteral("Regular"));
    QCOMPARE(r.fontColor, 0x800000u);
    QCOMPARE(r.displayColor, 0xC0C0C0u);
    QCOMPARE(r.faceColor, 0xFFFFFFu);
    QCOMPARE(r.bevelOuter, SettingsRecord::kBevelRaised);
    QCOMPARE(r.bevelInner, SettingsRecord::kBevelNone);
    QCOMPARE(r.bevelWidth, 2);
    QCOMPARE(r.borderWidth, 0);
    QCOMPARE(r.referenceHeight, 66);
    QCOMPARE(s.extras.snoozeTime, 10);
    QVERIFY(!r.voice.playWave);
    QCOMPARE(r.voice.beforeAfter, VoiceSettings::kWaveBeforeVoice);
    QVERIFY(r.voice.waveFile.isEmpty());
    QVERIFY(!r.autoStart);
    QVERIFY(!r.autoRun);
    QVERIFY(!r.stayOnTop);
    QVERIFY(!s.extras.startupReminder);
    QCOMPARE(readMainWindowGeometry(profile), QRect(269, 145, 212, 131));
    QVERIFY(!readStartHidden(profile));
    QVERIFY(!QFile::exists(iniPath())); // reading creates nothing
}

void TestSettings::readQuirks()
{
    putFile(iniPath(), "[Voice]\nHowOften=0x1E\nNewHotKey=0x10054\n[Options]\nTitle Bar Res=1\n"
                       "[Display]\nDigital=1\n");
    const StoredSettings s = readWithLoginStart(Profile(iniPath()), FakeAutostart());

    QCOMPARE(s.record.voice.howOften, 30);
    QCOMPARE(s.extras.currentInterval, 30);
    QCOMPARE(s.extras.newHotKey, 0x54); // the low 16 bits
    QVERIFY(!s.record.titleBarRes);     // false at every start
    QVERIFY(!s.record.digital);         // never read back
}

void TestSettings::allWindows_data()
{
    QTest::addColumn<QByteArray>("stored"); // null: no key
    QTest::addColumn<int>("read");
    QTest::addColumn<QByteArray>("saved");

    QTest::newRow("missing") << QByteArray() << int(SettingsRecord::kAllWindows) << QByteArray("1");
    QTest::newRow("1") << QByteArray("1") << int(SettingsRecord::kAllWindows) << QByteArray("1");
    QTest::newRow("0 is parent only")
        << QByteArray("0") << int(SettingsRecord::kParentWindowOnly) << QByteArray("0");
    QTest::newRow("any other number")
        << QByteArray("2") << int(SettingsRecord::kAllWindows) << QByteArray("1");
}

void TestSettings::allWindows()
{
    QFETCH(QByteArray, stored);
    QFETCH(int, read);
    QFETCH(QByteArray, saved);
    if (!stored.isNull())
        putFile(iniPath(), "[Options]\nAll Windows=" + stored + "\n");
    Profile profile(iniPath());

    const StoredSettings s = readWithLoginStart(profile, FakeAutostart());
    QCOMPARE(s.record.allWindows, read);
    saveSettings(profile, s.record, s.extras);
    QVERIFY(contentOf(iniPath()).contains("\nAll Windows=" + saved + "\n"));
}

void TestSettings::autoRun_data()
{
    QTest::addColumn<bool>("autostartEnabled");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("expected");

    QTest::newRow("login start wins over the key") << true << QByteArray("0") << true;
    QTest::newRow("key alone") << false << QByteArray("1") << true;
    QTest::newRow("neither") << false << QByteArray("0") << false;
}

void TestSettings::autoRun()
{
    QFETCH(bool, autostartEnabled);
    QFETCH(QByteArray, stored);
    QFETCH(bool, expected);
    putFile(iniPath(), "[Options]\nAuto Run=" + stored + "\n");

    QCOMPARE(readWithLoginStart(Profile(iniPath()), FakeAutostart(autostartEnabled)).record.autoRun,
             expected);
}

void TestSettings::textsCutToFieldLengths()
{
    putFile(iniPath(), "[Voice]\nWaveFile=" + QByteArray(150, 'w') + "\n[Font]\nFont Name=" +
                           QByteArray(50, 'f') + "\nStyle=" + QByteArray(20, 's') + "\n");
    const SettingsRecord r = readWithLoginStart(Profile(iniPath()), FakeAutostart()).record;

    QCOMPARE(r.voice.waveFile, QString(100, u'w'));
    QCOMPARE(r.fontName, QString(40, u'f'));
    QCOMPARE(r.style, QString(15, u's'));
}

void TestSettings::saveWritesKeysInOrder()
{
    Profile profile(iniPath());
    const StoredSettings s = readWithLoginStart(profile, FakeAutostart());
    saveSettings(profile, s.record, s.extras);

    QCOMPARE(contentOf(iniPath()), QByteArray("[Options]\n"
                                              "SnoozeTime=10\n"
                                              "Auto Start=0\n"
                                              "Title Bar Clock=1\n"
                                              "Title Bar Res=0\n"
                                              "All Windows=1\n"
                                              "Auto Run=0\n"
                                              "Stay On Top=0\n"
                                              "Show Hints=1\n"
                                              "BHints=1\n"
                                              "\n"
                                              "[Display]\n"
                                              "Digital=0\n"
                                              "Color=12632256\n"
                                              "FaceColor=16777215\n"
                                              "BevelOuter=2\n"
                                              "BevelInner=0\n"
                                              "BevelWidth=2\n"
                                              "BorderWidth=0\n"
                                              "SpeedBar=1\n"
                                              "\n"
                                              "[Voice]\n"
                                              "Play Voice=1\n"
                                              "HowOften=5\n"
                                              "UseHotkey=1\n"
                                              "NewHotKey=84\n"
                                              "NewHotKeyShift=3\n"
                                              "Play Wave=0\n"
                                              "BeforeAfter=1\n"
                                              "WaveFile=\n"
                                              "\n"
                                              "[Font]\n"
                                              "Style=Regular\n"
                                              "Color=8388608\n"
                                              "Font Name=Times New Roman\n"));
}

void TestSettings::saveWritesCurrentInterval()
{
    Profile profile(iniPath());
    StoredSettings s = readWithLoginStart(profile, FakeAutostart());
    s.extras.currentInterval = 15; // a command alarm changed it; the record still says 5
    saveSettings(profile, s.record, s.extras);

    QCOMPARE(profile.readInteger(u"Voice", u"HowOften", 0), 15);
    QCOMPARE(readWithLoginStart(profile, FakeAutostart()).record.voice.howOften, 15);
}

void TestSettings::saveThenReadGivesSameSettings()
{
    putFile(iniPath(), "; the user's notes\n[Pagedeck]\nPath=/opt/pagedeck\n");
    Profile profile(iniPath());
    const StoredSettings saved = unusualSettings();
    saveSettings(profile, saved.record, saved.extras);

    const StoredSettings read = readWithLoginStart(profile, FakeAutostart(false));
    QCOMPARE(read.record, saved.record);
    QCOMPARE(read.extras, saved.extras);
    QVERIFY(contentOf(iniPath()).startsWith("; the user's notes\n[Pagedeck]\nPath=/opt/pagedeck\n"));
}

void TestSettings::mainWindowGeometry_data()
{
    QTest::addColumn<QByteArray>("main");
    QTest::addColumn<QRect>("expected");

    QTest::newRow("stored")
        << QByteArray("PlaceNormPosL=10\nPlaceNormPosT=20\nPlaceNormPosR=110\nPlaceNormPosB=70\n")
        << QRect(10, 20, 100, 50);
    QTest::newRow("off the screen, kept") << QByteArray("PlaceNormPosL=-5000\nPlaceNormPosT=-9000\n")
                                          << QRect(-5000, -9000, 481 + 5000, 276 + 9000);
    QTest::newRow("larger than any screen, read as stored")
        << QByteArray("PlaceNormPosL=0\nPlaceNormPosR=2000000000\n") << QRect(0, 145, 2000000000, 131);
    // No positive size that fits in an int: a null rectangle.
    QTest::newRow("right left of left") << QByteArray("PlaceNormPosL=300\nPlaceNormPosR=200\n") << QRect();
    QTest::newRow("bottom at top") << QByteArray("PlaceNormPosT=300\nPlaceNormPosB=300\n") << QRect();
    QTest::newRow("width past 32 bits")
        << QByteArray("PlaceNormPosL=-2000000000\nPlaceNormPosR=2000000000\n") << QRect();
    QTest::newRow("height wrapping to positive in 32 bits")
        << QByteArray("PlaceNormPosT=2000000000\nPlaceNormPosB=-2000000000\n") << QRect();
}

void TestSettings::mainWindowGeometry()
{
    QFETCH(QByteArray, main);
    QFETCH(QRect, expected);
    putFile(iniPath(), "[Main]\n" + main);

    const QRect geometry = readMainWindowGeometry(Profile(iniPath()));
    QCOMPARE(geometry.x(), expected.x());
    QCOMPARE(geometry.y(), expected.y());
    QCOMPARE(geometry.width(), expected.width());
    QCOMPARE(geometry.height(), expected.height());
}

void TestSettings::placementOutOfRange_data()
{
    QTest::addColumn<QRect>("stored");
    QTest::addColumn<QRect>("primary"); // the primary screen's available area
    QTest::addColumn<QRect>("expected");

    const QRect screen(0, 24, 1024, 744);
    const QRect fallback(269, 169, 212, 131); // the default size and place, on the primary screen
    QTest::newRow("as stored") << QRect(10, 40, 300, 200) << screen << QRect(10, 40, 300, 200);
    QTest::newRow("as large as the screen") << QRect(0, 0, 1024, 768) << screen << QRect(0, 0, 1024, 768);
    QTest::newRow("partly off the screen")
        << QRect(-100, 10, 212, 131) << screen << QRect(-100, 10, 212, 131);
    QTest::newRow("off every screen") << QRect(-5000, -5000, 212, 131) << screen << QRect(0, 24, 212, 131);
    QTest::newRow("null (unusable when read)") << QRect() << screen << fallback;
    QTest::newRow("no height") << QRect(10, 10, 300, 0) << screen << fallback;
    QTest::newRow("one pixel wider than the screen") << QRect(0, 0, 1025, 200) << screen << fallback;
    QTest::newRow("enormous") << QRect(0, 0, 2000000000, 2000000000) << screen << fallback;
    QTest::newRow("default place off a small primary screen")
        << QRect() << QRect(2000, 0, 400, 300) << QRect(2000, 0, 212, 131);
}

void TestSettings::placementOutOfRange()
{
    QFETCH(QRect, stored);
    QFETCH(QRect, primary);
    QFETCH(QRect, expected);
    const QList<QRect> screens{QRect(0, 0, 1024, 768), QRect(QPoint(primary.x(), 0), primary.size())};

    QCOMPARE(placeMainWindow(stored, screens, primary), expected);
}

void TestSettings::widthsOutOfRange_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("expected");

    QTest::newRow("in range") << QByteArray("37") << 37;
    QTest::newRow("widest") << QByteArray("100") << 100;
    QTest::newRow("negative") << QByteArray("-5") << 0;
    QTest::newRow("in the millions") << QByteArray("5000000") << 100;
    QTest::newRow("hex, all bits") << QByteArray("0xFFFFFFFF") << 0;
    QTest::newRow("largest") << QByteArray("2147483647") << 100;
}

void TestSettings::widthsOutOfRange()
{
    QFETCH(QByteArray, stored);
    QFETCH(int, expected);
    putFile(iniPath(), "[Display]\nBevelWidth=" + stored + "\nBorderWidth=" + stored + "\n");

    const SettingsRecord read = readSettings(Profile(iniPath())).record;
    QCOMPARE(read.bevelWidth, expected);
    QCOMPARE(read.borderWidth, expected);
}

void TestSettings::startHidden_data()
{
    QTest::addColumn<QByteArray>("minimized");
    QTest::addColumn<bool>("expected");

    QTest::newRow("1") << QByteArray("1") << true;
    QTest::newRow("hex 1") << QByteArray("0x1") << true;
    QTest::newRow("0") << QByteArray("0") << false;
    QTest::newRow("other than 1") << QByteArray("2") << false;
}

void TestSettings::startHidden()
{
    QFETCH(QByteArray, minimized);
    QFETCH(bool, expected);
    putFile(iniPath(), "[Main]\nMinimized=" + minimized + "\n");

    QCOMPARE(readStartHidden(Profile(iniPath())), expected);
}

void TestSettings::saveMainWindowState_data()
{
    QTest::addColumn<bool>("minimized");
    QTest::addColumn<bool>("hiddenInTray");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("normal window")
        << false << false
        << QByteArray("[Main]\nPlaceFlags=0\nPlaceShowCmd=1\n"
                      "PlaceMinPosX=-1\nPlaceMinPosY=-1\nPlaceMaxPosX=-1\nPlaceMaxPosY=-1\n"
                      "PlaceNormPosL=300\nPlaceNormPosT=200\n"
                      "PlaceNormPosR=512\nPlaceNormPosB=331\nMinimized=0\n");
    QTest::newRow("hidden in the tray") << true << true << QByteArray("[Main]\nMinimized=1\n");
}

void TestSettings::saveMainWindowState()
{
    QFETCH(bool, minimized);
    QFETCH(bool, hiddenInTray);
    QFETCH(QByteArray, expected);
    Profile profile(iniPath());
    WindowPlacement placement;
    placement.normalGeometry = QRect(300, 200, 212, 131);

    hv::saveMainWindowState(profile, minimized ? std::nullopt : std::optional(placement), hiddenInTray);

    QCOMPARE(contentOf(iniPath()), expected);
    if (!minimized)
        QCOMPARE(readMainWindowGeometry(profile), placement.normalGeometry);
}

void TestSettings::adoptAutoRun_data()
{
    QTest::addColumn<bool>("live");
    QTest::addColumn<bool>("adopted");
    QTest::addColumn<int>("calls");
    QTest::addColumn<bool>("enabledAfter");

    // The fake starts in the live state.
    QTest::newRow("switched on") << false << true << 1 << true;
    QTest::newRow("switched off") << true << false << 1 << false;
    QTest::newRow("unchanged on") << true << true << 0 << true;
    QTest::newRow("unchanged off") << false << false << 0 << false;
}

void TestSettings::adoptAutoRun()
{
    QFETCH(bool, live);
    QFETCH(bool, adopted);
    QFETCH(int, calls);
    QFETCH(bool, enabledAfter);
    FakeAutostart autostart(live);

    hv::adoptAutoRun(autostart, live, adopted);

    QCOMPARE(autostart.setCalls(), calls);
    QCOMPARE(autostart.isEnabled(), enabledAfter);
}

void TestSettings::startupReminder_data()
{
    QTest::addColumn<bool>("yes");
    QTest::addColumn<bool>("dontShowAgain");

    QTest::newRow("yes") << true << false;
    QTest::newRow("yes, don't show again") << true << true;
    QTest::newRow("no") << false << false;
    QTest::newRow("no, don't show again") << false << true;
}

void TestSettings::startupReminder()
{
    QFETCH(bool, yes);
    QFETCH(bool, dontShowAgain);
    Profile profile(iniPath());
    FakeAutostart autostart;
    StoredSettings s = readWithLoginStart(profile, autostart);
    QVERIFY(shouldOfferStartupReminder(s.record, s.extras));
    s.extras.startupReminder = dontShowAgain;

    answerStartupReminder(yes, s.record, s.extras, profile, autostart);

    QCOMPARE(autostart.isEnabled(), yes);
    QCOMPARE(s.record.autoRun, yes);
    QCOMPARE(contentOf(iniPath()),
             "[Options]\nStartupReminder=" + QByteArray(dontShowAgain ? "1" : "0") + "\n");
    const StoredSettings next = readWithLoginStart(profile, autostart);
    QCOMPARE(shouldOfferStartupReminder(next.record, next.extras), !yes && !dontShowAgain);
}

void TestSettings::startupReminderFailsBeforeStoringAnything()
{
    Profile profile(iniPath());
    FakeAutostart autostart;
    autostart.failWith(QStringLiteral("/home/u/.config/autostart/horavox.desktop"));
    StoredSettings s = readWithLoginStart(profile, autostart);
    s.extras.startupReminder = true;

    QCOMPARE(errorOf([&] { answerStartupReminder(true, s.record, s.extras, profile, autostart); }),
             QStringLiteral("Unable to write to /home/u/.config/autostart/horavox.desktop"));
    QVERIFY(!s.record.autoRun);
    QVERIFY(!QFile::exists(iniPath()));
}

void TestSettings::startupReminderYesThroughXdgAutostart()
{
    const QString autostartDir = m_dir->filePath(QStringLiteral("autostart"));
    {
        Profile profile(iniPath());
        XdgAutostart autostart(autostartDir, QStringLiteral("/usr/bin/horavox"));
        StoredSettings s = readWithLoginStart(profile, autostart);
        answerStartupReminder(true, s.record, s.extras, profile, autostart);
        saveSettings(profile, s.record, s.extras);
    }
    // The next start finds the login entry, whatever the file says.
    Profile profile(iniPath());
    profile.writeBool(u"Options", u"Auto Run", false);
    XdgAutostart autostart(autostartDir, QStringLiteral("/usr/bin/horavox"));
    const StoredSettings next = readWithLoginStart(profile, autostart);
    QVERIFY(next.record.autoRun);
    QVERIFY(!shouldOfferStartupReminder(next.record, next.extras));

    hv::adoptAutoRun(autostart, next.record.autoRun, false);
    QVERIFY(!readWithLoginStart(profile, autostart).record.autoRun);
}

QTEST_APPLESS_MAIN(TestSettings)
#include "tst_Settings.moc"
