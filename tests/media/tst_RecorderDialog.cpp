// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppState.h"
#include "controls/MessageBox.h"
#include "media/RecorderDialog.h"
#include "media/RecorderFiles.h"
#include "platform/fake/FakeAutostart.h"
#include "platform/fake/FakeWaveDevice.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace hv;

namespace {

// A data folder with its waves folder, the program-wide state on it and a
// fake device; `dialog()` opens the recorder on a file of the caller.
struct Rig
{
    QTemporaryDir dir;
    FakeAutostart autostart;
    AppState state{DataPaths(dir.path(), dir.path()), autostart};
    FakeWaveDevice device;
    std::unique_ptr<RecorderDialog> recorder;
    QString chosenToOpen; // what the open dialog "returns"
    QString chosenToSave;

    Rig() { QDir().mkpath(waves()); }
    ~Rig() { MessageBox::takeShown(); }
    QString waves() const { return state.paths().wavesDir(); }
    QString recording(int n) const { return numberedRecording(waves(), n); }
    QString put(const QString& path) const
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("RIFF");
        return path;
    }
    RecorderDialog& dialog(const QString& current = {})
    {
        recorder = std::make_unique<RecorderDialog>(state, device, current);
        recorder->setFileChoosers([this](QWidget*, const QString&) { return chosenToOpen; },
                                  [this](QWidget*, const QString&) { return chosenToSave; });
        recorder->show();
        return *recorder;
    }
    template <typename T = QPushButton>
    T* find(const char* name) const
    {
        return recorder->findChild<T*>(QString::fromLatin1(name));
    }
    void click(const char* name) const { QTest::mouseClick(find(name), Qt::LeftButton); }
    void ok() const { recorder->accept(); }
    void record(qint64 ms)
    {
        device.recordingMs = ms;
        click("recordButton");
        click("stopButton");
    }
};

QStringList texts(const QList<MessageBox::Shown>& shown)
{
    QStringList list;
    for (const MessageBox::Shown& s : shown)
        list.append(s.text);
    return list;
}

} // namespace

class TestRecorderDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { MessageBox::takeShown(); }
    void opensAsItShould();
    void numbering_data();
    void numbering();
    void reRecordAsks_data();
    void reRecordAsks();
    void cancelDeletesNothing_data();
    void cancelDeletesNothing();
    void okDeletesReplacedUnlessNamed_data();
    void okDeletesReplacedUnlessNamed();
    void failedTemporaryFileGivesNoResult();
    void failedSaveLosesNothing();
    void callerFileComesBackUnchanged();
    void clockWordTouchesNoResult();
    void withoutAudio_data();
    void withoutAudio();
    void keyboard_data();
    void keyboard();
};

void TestRecorderDialog::opensAsItShould()
{
    Rig rig;
    QDir(rig.waves()).removeRecursively(); // a missing waves folder is made
    RecorderDialog& dialog = rig.dialog();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Recorder"));
    QVERIFY(!(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(rig.find<QLabel>("fileHeader")->text(), QStringLiteral("New Wav File"));
    QCOMPARE(rig.find<QLabel>("modeLabel")->text(), QStringLiteral("Stopped"));
    QVERIFY(QFileInfo(temporaryRecording(rig.waves())).isFile());
    QCOMPARE(rig.find("openButton")->toolTip(), QStringLiteral("Open WAVE file"));
    QCOMPARE(rig.find("saveButton")->toolTip(), QStringLiteral("Save Wave file"));
    QCOMPARE(rig.find("newButton")->toolTip(), QStringLiteral("Record NEW Wave file"));
    rig.click("newButton");
    QCOMPARE(rig.find<QLabel>("fileHeader")->text(), QStringLiteral("New Wave File"));
    int helpContext = 0;
    setRecorderHelp([&](int context) { helpContext = context; });
    QTest::mouseClick(rig.find<QDialogButtonBox>("buttonBox")->button(QDialogButtonBox::Help),
                      Qt::LeftButton);
    setRecorderHelp({});
    QCOMPARE(helpContext, 58);
}

void TestRecorderDialog::numbering_data()
{
    QTest::addColumn<QList<int>>("present");
    QTest::addColumn<qint64>("recordedMs");
    QTest::addColumn<int>("expected"); // 0: Cancel; -1: stays open
    QTest::newRow("empty folder") << QList<int>{} << qint64(1500) << 1;
    QTest::newRow("gap filled first") << QList<int>{1, 3} << qint64(1500) << 2;
    QList<int> all(kRecordingNumbers);
    std::iota(all.begin(), all.end(), 1);
    QTest::newRow("all 50 in use") << all << qint64(1500) << -1;
    QTest::newRow("10 ms is nothing") << QList<int>{} << kNothingRecordedMs << 0;
    QTest::newRow("11 ms is a recording") << QList<int>{} << kNothingRecordedMs + 1 << 1;
    QTest::newRow("nothing recorded") << QList<int>{} << qint64(-1) << 0;
}

void TestRecorderDialog::numbering()
{
    QFETCH(QList<int>, present);
    QFETCH(qint64, recordedMs);
    QFETCH(int, expected);
    Rig rig;
    for (int n : present)
        rig.put(rig.recording(n));
    RecorderDialog& dialog = rig.dialog();
    if (recordedMs >= 0)
        rig.record(recordedMs);
    if (expected == -1)
        MessageBox::setNextAnswer(QMessageBox::Ok);
    rig.ok();
    if (expected == -1) {
        QVERIFY(dialog.isVisible());
        QCOMPARE(MessageBox::takeShown().size(), 1);
        QVERIFY(rig.state.pendingRecording().isEmpty());
        return;
    }
    QCOMPARE(dialog.result(), expected > 0 ? QDialog::Accepted : QDialog::Rejected);
    const QString name = expected > 0 ? rig.recording(expected) : QString();
    QCOMPARE(dialog.chosenFile(), name);
    QCOMPARE(rig.state.pendingRecording(), name);
    if (expected > 0)
        QVERIFY(QFileInfo(name).isFile());
}

void TestRecorderDialog::reRecordAsks_data()
{
    QTest::addColumn<bool>("callerFile");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("records");
    QTest::newRow("temporary recording") << false << int(QMessageBox::Yes) << false << true;
    QTest::newRow("caller's file, Yes") << true << int(QMessageBox::Yes) << true << true;
    QTest::newRow("caller's file, No") << true << int(QMessageBox::No) << true << false;
    QTest::newRow("caller's file, Cancel") << true << int(QMessageBox::Cancel) << true << false;
}

void TestRecorderDialog::reRecordAsks()
{
    QFETCH(bool, callerFile);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, records);
    Rig rig;
    const QString mine = rig.put(rig.dir.filePath(QStringLiteral("mine.wav")));
    rig.dialog(callerFile ? mine : QString());
    MessageBox::setNextAnswer(QMessageBox::StandardButton(answer));
    rig.click("recordButton");
    const QStringList shown = texts(MessageBox::takeShown());
    QCOMPARE(shown.contains(QStringLiteral("Are you sure you want to RE-Record this wave file?")), asked);
    if (!asked) // the answer was not used
        MessageBox::show(nullptr, QMessageBox::NoIcon, {}, {});
    QCOMPARE(rig.device.mode() == WaveDevice::Mode::Recording, records);
    QCOMPARE(rig.recorder->currentFile(), records ? temporaryRecording(rig.waves()) : mine);
    QVERIFY(QFileInfo(mine).isFile()); // never touched
}

void TestRecorderDialog::cancelDeletesNothing_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("open") << "open";
    QTest::newRow("record new") << "new";
    QTest::newRow("save as another") << "save";
    QTest::newRow("record and save") << "record";
}

void TestRecorderDialog::cancelDeletesNothing()
{
    QFETCH(QString, action);
    Rig rig;
    const QString callers = rig.put(rig.recording(4));
    rig.chosenToOpen = rig.put(rig.dir.filePath(QStringLiteral("other.wav")));
    rig.chosenToSave = rig.dir.filePath(QStringLiteral("saved.wav"));
    RecorderDialog& dialog = rig.dialog(callers);
    if (action == u"open")
        rig.click("openButton");
    else if (action == u"new")
        rig.click("newButton");
    else if (action == u"save")
        rig.click("saveButton");
    else {
        MessageBox::setNextAnswer(QMessageBox::Yes);
        rig.record(2000);
        rig.click("saveButton");
    }
    QVERIFY(rig.recorder->currentFile() != callers);
    dialog.reject();
    QVERIFY(QFileInfo(callers).isFile());
    QVERIFY(rig.state.pendingRecording().isEmpty());
}

void TestRecorderDialog::okDeletesReplacedUnlessNamed_data()
{
    QTest::addColumn<bool>("named");
    QTest::newRow("no slot names it") << false;
    QTest::newRow("a slot names it") << true;
}

void TestRecorderDialog::okDeletesReplacedUnlessNamed()
{
    QFETCH(bool, named);
    Rig rig;
    const QString callers = rig.put(rig.recording(4));
    if (named) {
        AlarmRecord& alarm = rig.state.alarms().slot(1);
        alarm.Rule = RuleDaily;
        alarm.WaveA = callers;
    }
    rig.chosenToOpen = rig.put(rig.dir.filePath(QStringLiteral("other.wav")));
    RecorderDialog& dialog = rig.dialog(callers);
    rig.click("openButton");
    QVERIFY(QFileInfo(callers).isFile()); // not before OK
    rig.ok();
    QCOMPARE(dialog.result(), QDialog::Accepted);
    QCOMPARE(dialog.chosenFile(), rig.chosenToOpen);
    QCOMPARE(QFileInfo(callers).isFile(), named);
    QVERIFY(QFileInfo(rig.chosenToOpen).isFile());
}

void TestRecorderDialog::failedTemporaryFileGivesNoResult()
{
    Rig rig;
    QDir().mkpath(temporaryRecording(rig.waves())); // a folder where the file must go
    MessageBox::setNextAnswer(QMessageBox::Ok);
    RecorderDialog& dialog = rig.dialog();
    QCOMPARE(texts(MessageBox::takeShown()),
             QStringList{QStringLiteral("Error in creating a temp wav file.")});
    QCOMPARE(rig.find<QLabel>("modeLabel")->text(), QStringLiteral("Not ready"));
    MessageBox::setNextAnswer(QMessageBox::Ok);
    rig.click("newButton");
    QCOMPARE(texts(MessageBox::takeShown()),
             QStringList{QStringLiteral("Error in creating a temp wav file.")});
    rig.ok();
    QCOMPARE(dialog.result(), QDialog::Rejected);
    QVERIFY(dialog.chosenFile().isEmpty());
    QVERIFY(rig.state.pendingRecording().isEmpty());
}

void TestRecorderDialog::failedSaveLosesNothing()
{
    Rig rig;
    const QString callers = rig.put(rig.recording(4));
    rig.chosenToSave = rig.dir.filePath(QStringLiteral("saved.wav"));
    RecorderDialog& dialog = rig.dialog(callers);
    rig.device.failSave = true;
    MessageBox::setNextAnswer(QMessageBox::Ok);
    rig.click("saveButton");
    QCOMPARE(MessageBox::takeShown().size(), 1);
    QCOMPARE(dialog.currentFile(), callers);
    rig.device.failSave = false;
    // A numbered save at OK that fails keeps the dialog open, too.
    MessageBox::setNextAnswer(QMessageBox::Yes);
    rig.record(2000);
    QCOMPARE(MessageBox::takeShown().size(), 1); // the question
    rig.device.failSave = true;
    MessageBox::setNextAnswer(QMessageBox::Ok);
    rig.ok();
    QVERIFY(dialog.isVisible());
    QCOMPARE(MessageBox::takeShown().size(), 1);
    QVERIFY(rig.state.pendingRecording().isEmpty());
    QVERIFY(QFileInfo(callers).isFile());
}

void TestRecorderDialog::callerFileComesBackUnchanged()
{
    Rig rig;
    const QString callers = rig.put(rig.dir.filePath(QStringLiteral("mine.wav")));
    RecorderDialog& dialog = rig.dialog(callers);
    QCOMPARE(rig.find<QLabel>("fileHeader")->text(), QDir::toNativeSeparators(callers));
    rig.ok();
    QCOMPARE(dialog.result(), QDialog::Accepted);
    QCOMPARE(dialog.chosenFile(), callers);
    QVERIFY(!rig.device.calls.join(u' ').contains(QStringLiteral("save")));
    QVERIFY(QDir(rig.waves()).entryList(QDir::Files).filter(QStringLiteral("Horavox-")).isEmpty());
}

void TestRecorderDialog::clockWordTouchesNoResult()
{
    Rig rig;
    RecorderDialog& dialog = rig.dialog();
    bool asked = false;
    dialog.setWordChooser([&](QWidget*) {
        asked = true;
        return std::optional<int>(7);
    });
    const QString word = QDir(rig.state.paths().voiceDir()).filePath(QStringLiteral("wavefile_7.wav"));
    // The empty temporary recording would silence the word.
    MessageBox::setNextAnswer(QMessageBox::Ok);
    rig.click("wordButton");
    QCOMPARE(MessageBox::takeShown().size(), 1);
    QVERIFY(!asked);
    QVERIFY(!QFileInfo::exists(word));
    rig.record(1200);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    rig.click("wordButton");
    QVERIFY(asked);
    QVERIFY(QFileInfo(word).isFile());
    QCOMPARE(clockWords().at(7).spoken, QStringLiteral("seven"));
    QCOMPARE(dialog.currentFile(), temporaryRecording(rig.waves()));
    QVERIFY(rig.state.pendingRecording().isEmpty());
    rig.ok(); // the recording itself is still there to be stored
    QCOMPARE(dialog.chosenFile(), rig.recording(1));
}

void TestRecorderDialog::withoutAudio_data()
{
    QTest::addColumn<bool>("input");
    QTest::addColumn<bool>("output");
    QTest::addColumn<QString>("note");
    QTest::newRow("neither") << false << false
                             << "There is no audio input, so nothing can be recorded. "
                                "There is no audio output, so nothing can be played.";
    QTest::newRow("no input") << false << true << "There is no audio input, so nothing can be recorded.";
    QTest::newRow("no output") << true << false << "There is no audio output, so nothing can be played.";
    QTest::newRow("both") << true << true << "";
}

// While the sound server has not said what it has, the dialog is usable, says
// that it is looking, and offers Record and Play only once they can work.
void TestRecorderDialog::withoutAudio()
{
    QFETCH(bool, input);
    QFETCH(bool, output);
    QFETCH(QString, note);
    Rig rig;
    rig.device.input = input;
    rig.device.output = output;
    rig.device.known = false;
    rig.dialog();
    QVERIFY(!rig.find("recordButton")->isEnabled());
    QVERIFY(!rig.find("playButton")->isEnabled());
    QVERIFY(rig.find("openButton")->isEnabled());
    QVERIFY(rig.find<QLabel>("deviceNote")->isVisible());
    QCOMPARE(rig.find<QLabel>("deviceNote")->text(), QStringLiteral("Looking for the audio devices..."));
    rig.device.devicesFound();
    QCOMPARE(rig.find("recordButton")->isEnabled(), input);
    QCOMPARE(rig.find("playButton")->isEnabled(), output);
    QCOMPARE(rig.find<QLabel>("deviceNote")->isVisible(), !note.isEmpty());
    QCOMPARE(rig.find<QLabel>("deviceNote")->text(), note);
}

void TestRecorderDialog::keyboard_data()
{
    QTest::addColumn<int>("closeKey");
    QTest::addColumn<bool>("stored");
    QTest::newRow("Enter is OK") << int(Qt::Key_Return) << true;
    QTest::newRow("Escape is Cancel") << int(Qt::Key_Escape) << false;
}

void TestRecorderDialog::keyboard()
{
    QFETCH(int, closeKey);
    QFETCH(bool, stored);
    Rig rig;
    RecorderDialog& dialog = rig.dialog();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    // A mnemonic clicks its button a moment later.
    QTest::keyClick(&dialog, Qt::Key_R, Qt::AltModifier);
    QTRY_COMPARE(rig.device.mode(), WaveDevice::Mode::Recording);
    QCOMPARE(rig.find<QLabel>("modeLabel")->text(), QStringLiteral("Recording"));
    // The meter and the length follow the sound while it records.
    QTRY_COMPARE(rig.find<QProgressBar>("levelMeter")->value(), 50);
    QCOMPARE(rig.find<QLabel>("lengthLabel")->text(), QStringLiteral("0:01.5"));
    QTest::keyClick(&dialog, Qt::Key_S, Qt::AltModifier);
    QTRY_COMPARE(rig.device.mode(), WaveDevice::Mode::Stopped);
    QCOMPARE(rig.find<QProgressBar>("levelMeter")->value(), 0);
    QVERIFY(rig.device.calls.endsWith(QStringLiteral("seek"))); // back to the start after Stop
    QTest::keyClick(&dialog, Qt::Key_P, Qt::AltModifier);
    QTRY_COMPARE(rig.device.mode(), WaveDevice::Mode::Playing);
    for (const char* name : {"recordButton", "playButton", "stopButton"})
        QVERIFY(rig.find(name)->toolTip().contains(QStringLiteral("(Alt+")));
    rig.device.finishPlaying();
    QTRY_VERIFY(rig.device.calls.endsWith(QStringLiteral("seek")));
    QTest::keyClick(&dialog, Qt::Key(closeKey));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), stored ? QDialog::Accepted : QDialog::Rejected);
    QCOMPARE(dialog.chosenFile(), stored ? rig.recording(1) : QString());
    QCOMPARE(QFileInfo::exists(rig.recording(1)), stored);
}

QTEST_MAIN(TestRecorderDialog)
#include "tst_RecorderDialog.moc"
