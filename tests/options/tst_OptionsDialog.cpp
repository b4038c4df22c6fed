// SPDX-License-Identifier: GPL-3.0-or-later
#include "ClockWindowRig.h"
#include "ModalDialogs.h"
#include "TestFiles.h"
#include "controls/BevelPanel.h"
#include "controls/MessageBox.h"
#include "options/HotKeyField.h"
#include "options/OptionsDialog.h"
#include "platform/fake/FakeWaveDevice.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

using namespace hv;

namespace {

// The program's state over a private folder, with the settings given, and the
// platform's fakes: what the dialog is opened on.
struct Fixture
{
    QTemporaryDir home;
    FakeAutostart autostart;
    FakeHotKey hotKey;
    FakeWindowTitles titles;
    std::unique_ptr<AppState> state;
    Platform platform;

    explicit Fixture(const QByteArray& settings = {})
    {
        test::putFile(home.filePath(QStringLiteral("horavox.ini")), settings);
        state = std::make_unique<AppState>(DataPaths(home.path(), home.path()), autostart);
        state->load();
        platform.hotKey = &hotKey;
        platform.windowTitles = &titles;
        platform.autostart = &autostart;
    }

    QString ini() const { return home.filePath(QStringLiteral("horavox.ini")); }
};

template <typename T>
T* child(const QWidget* dialog, const char* name)
{
    T* found = dialog->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no %s", name);
    return found;
}

// Replaces a width field's text by typing, as the user does.
void typeInto(QLineEdit* field, const QString& text)
{
    field->setFocus();
    field->selectAll();
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Backspace);
    else
        QTest::keyClicks(field, text);
}

void showActive(QWidget* dialog)
{
    dialog->show();
    QApplication::setActiveWindow(dialog);
    QVERIFY(QTest::qWaitForWindowActive(dialog));
}

} // namespace

class TestOptionsDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void captionsAndLists();
    void previewHeights_data();
    void previewHeights();
    void unreadableWidthKeepsTheLastOne();
    void hotKeyField();
    void hotKeyHeldElsewhereIsShown();
    void desktopWithoutTitlesOrHotKeys();
    void fontNotInstalledStays();
    void colourChooserUsesCustomColourFile();
    void positionIsKeptWithoutDrift();
    void keyboard();
    void cancelLeavesEverything();
    void recordingMadeInTheDialog_data();
    void recordingMadeInTheDialog();
    void okIsAdoptedByTheClock();
    void everySettingSurvivesARestart();
    void waveRecordedFromTheKeyboard();
};

void TestOptionsDialog::captionsAndLists()
{
    Fixture f;
    OptionsDialog dialog(*f.state, f.platform);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Program Options"));
    auto* pages = child<QTabWidget>(&dialog, "pages");
    QCOMPARE(pages->count(), 3);
    QCOMPARE(pages->tabText(0), QStringLiteral("&Voice / Wav"));
    QCOMPARE(pages->tabText(1), QStringLiteral("&Display"));
    QCOMPARE(pages->tabText(2), QStringLiteral("&Control"));
    for (const char* list : {"bevelOutsideList", "bevelInsideList"}) {
        auto* box = child<QComboBox>(&dialog, list);
        QCOMPARE(box->count(), 3);
        QCOMPARE(box->itemText(0), QStringLiteral("Raised"));
        QCOMPARE(box->itemText(2), QStringLiteral("None"));
    }
    // The defaults: raised outside (2), none inside (0), 5 minutes.
    QCOMPARE(child<QComboBox>(&dialog, "bevelOutsideList")->currentText(), QStringLiteral("Raised"));
    QCOMPARE(child<QComboBox>(&dialog, "bevelInsideList")->currentText(), QStringLiteral("None"));
    QCOMPARE(child<QComboBox>(&dialog, "intervalList")->currentText(), QStringLiteral("5"));
    auto* sample = child<BevelPanel>(&dialog, "facePreview");
    QCOMPARE(sample->size(), QSize(261, 69));
    QCOMPARE(sample->text(), QStringLiteral("12:12 PM"));
    QCOMPARE(sample->toolTip(), QStringLiteral("Sample Clock face"));
    auto* titleRes = child<QCheckBox>(&dialog, "titleResCheck");
    QVERIFY(!titleRes->isEnabled());

    // An interval the list does not have shows none and stays as it was.
    Fixture odd("[Voice]\nHowOften=7\n");
    OptionsDialog oddDialog(*odd.state, odd.platform);
    QCOMPARE(child<QComboBox>(&oddDialog, "intervalList")->currentIndex(), -1);
    oddDialog.accept();
    QCOMPARE(oddDialog.settingsCopy().voice.howOften, 7);
}

void TestOptionsDialog::previewHeights_data()
{
    QTest::addColumn<QString>("outside");
    QTest::addColumn<QString>("inside");
    QTest::addColumn<QString>("bevelWidth");
    QTest::addColumn<QString>("borderWidth");
    QTest::addColumn<bool>("changeFont");
    QTest::addColumn<int>("height");

    // 69 less the bevel width twice (once per side) for one bevel, four times
    // for two, and the border width twice.
    QTest::newRow("as opened: filling runs no rule")
        << QString() << QString() << QString() << QString() << false << 65;
    QTest::newRow("none, none, 5/5") << QStringLiteral("None") << QStringLiteral("None")
                                     << QStringLiteral("5") << QStringLiteral("5") << false << 49;
    QTest::newRow("raised, raised, 5/5") << QStringLiteral("Raised") << QStringLiteral("Raised")
                                         << QStringLiteral("5") << QStringLiteral("5") << false << 39;
    QTest::newRow("a font change") << QStringLiteral("Raised") << QStringLiteral("Raised")
                                   << QStringLiteral("5") << QStringLiteral("5") << true << 29;
    QTest::newRow("widths of 100") << QStringLiteral("Raised") << QStringLiteral("Lowered")
                                   << QStringLiteral("100") << QStringLiteral("100") << false << 1;
}

void TestOptionsDialog::previewHeights()
{
    QFETCH(QString, outside);
    QFETCH(QString, inside);
    QFETCH(QString, bevelWidth);
    QFETCH(QString, borderWidth);
    QFETCH(bool, changeFont);
    QFETCH(int, height);

    Fixture f;
    OptionsDialog dialog(*f.state, f.platform);
    showActive(&dialog);
    if (!outside.isEmpty()) {
        child<QComboBox>(&dialog, "bevelOutsideList")->setCurrentText(outside);
        child<QComboBox>(&dialog, "bevelInsideList")->setCurrentText(inside);
        typeInto(child<QLineEdit>(&dialog, "bevelWidthField"), bevelWidth);
        typeInto(child<QLineEdit>(&dialog, "borderWidthField"), borderWidth);
    }
    if (changeFont) {
        auto* fonts = child<QComboBox>(&dialog, "fontNameList");
        fonts->setCurrentIndex(fonts->currentIndex() == 0 ? 1 : 0);
    }
    QCOMPARE(dialog.sampleFontHeight(), height);
    QVERIFY(child<BevelPanel>(&dialog, "facePreview")->font().pixelSize() >= 1);
}

void TestOptionsDialog::unreadableWidthKeepsTheLastOne()
{
    Fixture f("[Display]\nBevelWidth=5\nBorderWidth=3\n");
    OptionsDialog dialog(*f.state, f.platform);
    showActive(&dialog);
    auto* field = child<QLineEdit>(&dialog, "borderWidthField");
    MessageBox::setNextAnswer(QMessageBox::Ok);
    typeInto(field, QStringLiteral("-"));
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.front().text, QStringLiteral("'-' is not a valid integer value"));
    QCOMPARE(dialog.sampleFontHeight(), 69 - 2 * 5 - 2 * 3); // the copy kept 3

    // Leaving it puts 0 there, a change like any other; Up steps from there,
    // and a number beyond the range becomes the bound.
    child<QLineEdit>(&dialog, "bevelWidthField")->setFocus();
    QCOMPARE(field->text(), QStringLiteral("0"));
    QCOMPARE(dialog.sampleFontHeight(), 69 - 2 * 5);
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Up);
    QCOMPARE(field->text(), QStringLiteral("1"));
    typeInto(field, QStringLiteral("250"));
    child<QLineEdit>(&dialog, "bevelWidthField")->setFocus();
    QCOMPARE(field->text(), QStringLiteral("100"));
    // Letters never get in.
    typeInto(field, QStringLiteral("7x"));
    QCOMPARE(field->text(), QStringLiteral("7"));
    dialog.accept();
    QCOMPARE(dialog.settingsCopy().borderWidth, 7);
    QVERIFY(MessageBox::takeShown().isEmpty());
}

void TestOptionsDialog::hotKeyField()
{
    Fixture f("[Voice]\nNewHotKey=84\nNewHotKeyShift=3\n");
    {
        OptionsDialog dialog(*f.state, f.platform);
        showActive(&dialog);
        auto* field = child<HotKeyField>(&dialog, "hotKeyField");
        auto* enabled = child<QCheckBox>(&dialog, "hotKeyEnabledCheck");
        QCOMPARE(field->text(), QStringLiteral("Ctrl+Alt+T"));
        QVERIFY(field->isVisible());
        enabled->click();
        QVERIFY(!field->isVisible());
        dialog.accept();
        QVERIFY(!f.state->extras().useHotKey);
        QCOMPARE(f.state->extras().newHotKey, 84);
        QCOMPARE(f.state->extras().newHotKeyShift, 3);
    }
    {
        f.state->extras().useHotKey = true;
        OptionsDialog dialog(*f.state, f.platform);
        showActive(&dialog);
        auto* field = child<HotKeyField>(&dialog, "hotKeyField");
        field->setFocus();
        // A key alone gets Alt; the page's own Alt+E does not take the press.
        QTest::keyClick(field, Qt::Key_E);
        QCOMPARE(field->text(), QStringLiteral("Alt+E"));
        QTest::keyClick(field, Qt::Key_E, Qt::AltModifier | Qt::ShiftModifier);
        QCOMPARE(field->text(), QStringLiteral("Alt+Shift+E"));
        QVERIFY(child<QCheckBox>(&dialog, "hotKeyEnabledCheck")->isChecked());
        dialog.accept();
        QCOMPARE(f.state->extras().newHotKey, 'E');
        QCOMPARE(f.state->extras().newHotKeyShift, 1 | 4);
    }
}

void TestOptionsDialog::hotKeyHeldElsewhereIsShown()
{
    Fixture f;
    f.hotKey.registerKey(84, 3);
    OptionsDialog dialog(*f.state, f.platform);
    showActive(&dialog);
    auto* problem = child<QLabel>(&dialog, "hotKeyProblem");
    QVERIFY(!problem->isVisible());

    f.hotKey.answer = HotKey::RegisterResult::HeldByAnotherProgram;
    f.hotKey.problem = QStringLiteral("Another program already uses Alt+Q.");
    auto* field = child<HotKeyField>(&dialog, "hotKeyField");
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Q, Qt::AltModifier);
    QVERIFY(problem->isVisible());
    QCOMPARE(problem->text(), f.hotKey.problem);

    // A free combination clears it, and the live key is registered again.
    f.hotKey.answer = HotKey::RegisterResult::Registered;
    QTest::keyClick(field, Qt::Key_W, Qt::AltModifier);
    QVERIFY(!problem->isVisible());
    QCOMPARE(f.hotKey.registered, (FakeHotKey::Combination{84, 3}));
}

void TestOptionsDialog::desktopWithoutTitlesOrHotKeys()
{
    Fixture f;
    f.hotKey.available = false;
    f.titles.available = false;
    OptionsDialog dialog(*f.state, f.platform);
    showActive(&dialog);
    QVERIFY(!child<QCheckBox>(&dialog, "titleClockCheck")->isEnabled());
    QVERIFY(child<QLabel>(&dialog, "titleBarProblem")->text().contains(QStringLiteral("title-bar clock")));
    child<QTabWidget>(&dialog, "pages")->setCurrentIndex(0);
    QVERIFY(!child<QCheckBox>(&dialog, "hotKeyEnabledCheck")->isEnabled());
    QCOMPARE(child<QLabel>(&dialog, "hotKeyProblem")->text(), HotKey::unavailableProblem());
    QVERIFY(child<QLabel>(&dialog, "hotKeyProblem")->isVisible());
}

void TestOptionsDialog::fontNotInstalledStays()
{
    Fixture f("[Font]\nFont Name=No Such Face 7\nStyle=Heavy\n");
    OptionsDialog dialog(*f.state, f.platform);
    QCOMPARE(child<QComboBox>(&dialog, "fontNameList")->currentText(), QStringLiteral("No Such Face 7"));
    QCOMPARE(child<BevelPanel>(&dialog, "facePreview")->font().family(), QStringLiteral("No Such Face 7"));
    // An unknown style shows as Regular but stays stored until a style is chosen.
    QCOMPARE(child<QComboBox>(&dialog, "fontStyleList")->currentText(), QStringLiteral("Regular"));
    dialog.accept();
    QCOMPARE(dialog.settingsCopy().fontName, QStringLiteral("No Such Face 7"));
    QCOMPARE(dialog.settingsCopy().style, QStringLiteral("Heavy"));
}

void TestOptionsDialog::colourChooserUsesCustomColourFile()
{
    Fixture f;
    const QString file = f.state->paths().customColours();
    test::putFile(file, "ColorC=00FF00\r\nKept=yes\r\n");
    OptionsDialog dialog(*f.state, f.platform);

    QColor seenSlot2;
    QColor seenInitial;
    std::optional<QColor> answer = QColor(Qt::red);
    dialog.setColourChooser([&](const QColor& initial, QWidget*) {
        seenInitial = initial;
        seenSlot2 = QColorDialog::customColor(2);
        QColorDialog::setCustomColor(0, QColor(0, 0, 0x80)); // the user keeps dark blue
        return answer;
    });
    child<QPushButton>(&dialog, "fontColourButton")->click();
    QCOMPARE(seenInitial, QColor(0, 0, 0x80)); // the default font colour
    QCOMPARE(seenSlot2, QColor(0, 0xFF, 0));
    QCOMPARE(dialog.settingsCopy().fontColor, rgbValue(255, 0, 0));
    const QByteArray saved = test::contentOf(file);
    QVERIFY2(saved.startsWith("ColorC=00FF00\r\nKept=yes\r\nColorA=800000\r\nColorB=FFFFFFFF\r\n"),
             saved.constData());

    // Cancelled: nothing changes and nothing is written.
    test::putFile(file, "ColorA=000001\r\n");
    answer.reset();
    child<QPushButton>(&dialog, "backgroundColourButton")->click();
    QCOMPARE(test::contentOf(file), QByteArray("ColorA=000001\r\n"));
    QCOMPARE(dialog.settingsCopy().displayColor, 0xC0C0C0u);
}

void TestOptionsDialog::positionIsKeptWithoutDrift()
{
    Fixture f("[OptionsForm]\nLeft=150\nTop=120\n");
    {
        OptionsDialog dialog(*f.state, f.platform);
        QCOMPARE(dialog.pos(), QPoint(150, 120));
        dialog.move(200, 210);
    }
    Profile ini(f.ini());
    QCOMPARE(ini.readInteger(u"OptionsForm", u"Left", 0), 200);
    QCOMPARE(ini.readInteger(u"OptionsForm", u"Top", 0), 210);
    OptionsDialog again(*f.state, f.platform);
    QCOMPARE(again.pos(), QPoint(200, 210));
}

void TestOptionsDialog::keyboard()
{
    Fixture f;
    OptionsDialog dialog(*f.state, f.platform);
    showActive(&dialog);
    auto* pages = child<QTabWidget>(&dialog, "pages");
    QTest::keyClick(&dialog, Qt::Key_C, Qt::AltModifier);
    QCOMPARE(pages->currentIndex(), 2);
    // An accelerator clicks its button as the mouse would, a moment later.
    QTest::keyClick(&dialog, Qt::Key_T, Qt::AltModifier);
    QTRY_VERIFY(child<QCheckBox>(&dialog, "stayOnTopCheck")->isChecked());
    QVERIFY(dialog.settingsCopy().stayOnTop);
    QTest::keyClick(&dialog, Qt::Key_D, Qt::AltModifier);
    QCOMPARE(pages->currentIndex(), 1);
    QTest::keyClick(&dialog, Qt::Key_O, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), child<QComboBox>(&dialog, "bevelOutsideList"));

    // Tab reaches every control of the page in front, then the buttons.
    const char* const displayControls[] = {"fontNameList",           "fontStyleList",    "fontColourButton",
                                           "backgroundColourButton", "bevelOutsideList", "bevelWidthField",
                                           "bevelInsideList",        "borderWidthField", "okButton",
                                           "cancelButton",           "helpButton"};
    QStringList reached;
    for (int step = 0; step < 30; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached << QApplication::focusWidget()->objectName();
    }
    for (const char* name : displayControls)
        QVERIFY2(reached.contains(QLatin1String(name)), name);

    QTest::keyClick(&dialog, Qt::Key_V, Qt::AltModifier);
    QCOMPARE(pages->currentIndex(), 0);
    QTest::keyClick(&dialog, Qt::Key_W, Qt::AltModifier);
    QTRY_VERIFY(child<QCheckBox>(&dialog, "playWaveCheck")->isChecked());

    // F1 asks for the help of the control with the focus.
    QSignalSpy help(&dialog, &OptionsDialog::helpRequested);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    QCOMPARE(help.takeFirst().at(0).toInt(), 4);
    child<QPushButton>(&dialog, "helpButton")->click();
    QCOMPARE(help.takeFirst().at(0).toInt(), 2);

    // Enter is OK, Escape is Cancel.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    OptionsDialog second(*f.state, f.platform);
    showActive(&second);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QCOMPARE(second.result(), int(QDialog::Rejected));
    QVERIFY(!second.isVisible());
}

void TestOptionsDialog::cancelLeavesEverything()
{
    test::ClockWindowRig rig({0, "[Voice]\nWaveFile=waves/Horavox-1.wav\nPlay Wave=1\n", false,
                              [](const QString& home) {
                                  QDir(home).mkpath(QStringLiteral("waves"));
                                  test::putFile(home + QStringLiteral("/waves/Horavox-1.wav"), "RIFF");
                              },
                              nullptr});
    const QString wave = rig.home.filePath(QStringLiteral("waves/Horavox-1.wav"));
    const SettingsRecord settings = rig.state->settings();
    const SettingsExtras extras = rig.state->extras();
    const auto registered = rig.hotKey.registered;
    const QByteArray colours = test::contentOf(rig.state->paths().customColours());

    bool changed = false;
    test::answerNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<OptionsDialog*>(modal);
        if (!dialog)
            return;
        for (QCheckBox* box : dialog->findChildren<QCheckBox*>())
            box->click();
        for (QRadioButton* radio : dialog->findChildren<QRadioButton*>()) {
            if (!radio->isChecked())
                radio->click();
        }
        for (QComboBox* list : dialog->findChildren<QComboBox*>())
            list->setCurrentIndex((list->currentIndex() + 1) % list->count());
        typeInto(child<QLineEdit>(dialog, "bevelWidthField"), QStringLiteral("9"));
        typeInto(child<QLineEdit>(dialog, "borderWidthField"), QStringLiteral("8"));
        auto* field = child<HotKeyField>(dialog, "hotKeyField");
        field->setFocus();
        QTest::keyClick(field, Qt::Key_K, Qt::ControlModifier);
        child<QPushButton>(dialog, "clearButton")->click();
        changed = dialog->settingsCopy() != rig.state->settings() &&
                  child<QLineEdit>(dialog, "waveFileField")->text().isEmpty();
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    rig.program->showOptions();
    QVERIFY(changed);
    QCOMPARE(rig.state->settings(), settings);
    QCOMPARE(rig.state->extras(), extras);
    QCOMPARE(rig.hotKey.registered, registered);
    QVERIFY(QFileInfo::exists(wave));
    QCOMPARE(test::contentOf(rig.state->paths().customColours()), colours);
    // The settings file holds the dialog's place, and nothing else new.
    const StoredSettings stored = readSettings(rig.state->profile());
    QCOMPARE(stored.record.voice.waveFile, QStringLiteral("waves/Horavox-1.wav"));
    QVERIFY(rig.state->profile().readInteger(u"OptionsForm", u"Left", -1) >= 0);
}

void TestOptionsDialog::okIsAdoptedByTheClock()
{
    test::ClockWindowRig rig({0,
                              "[Options]\nStay On Top=0\nAuto Run=0\n[Voice]\nHowOften=5\n"
                              "WaveFile=waves/Horavox-2.wav\n",
                              false,
                              [](const QString& home) {
                                  QDir(home).mkpath(QStringLiteral("waves"));
                                  test::putFile(home + QStringLiteral("/waves/Horavox-2.wav"), "RIFF");
                              },
                              nullptr});
    const QString wave = rig.home.filePath(QStringLiteral("waves/Horavox-2.wav"));
    rig.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.window));
    test::answerNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<OptionsDialog*>(modal);
        if (!dialog)
            return;
        child<QComboBox>(dialog, "intervalList")->setCurrentText(QStringLiteral("15"));
        Q_EMIT child<QComboBox>(dialog, "intervalList")->activated(3);
        child<QCheckBox>(dialog, "stayOnTopCheck")->click();
        child<QCheckBox>(dialog, "autoRunCheck")->click();
        child<QCheckBox>(dialog, "hotKeyEnabledCheck")->click(); // off
        child<QComboBox>(dialog, "bevelOutsideList")->setCurrentText(QStringLiteral("None"));
        child<QPushButton>(dialog, "clearButton")->click();
        QVERIFY(QFileInfo::exists(wave)); // not before OK
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    rig.window->findChild<QWidget*>(QStringLiteral("optionsButton"))->setFocus();
    QTest::mouseClick(rig.window->findChild<QWidget*>(QStringLiteral("optionsButton")), Qt::LeftButton);
    QTRY_VERIFY(rig.window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(rig.state->extras().currentInterval, 15);
    QVERIFY(rig.autostart.isEnabled());
    QVERIFY(!rig.hotKey.registered);
    QCOMPARE(rig.window->findChild<BevelPanel*>(QStringLiteral("face"))->bevels().outer, Bevel::None);
    // Saved at once.
    Profile ini(rig.home.filePath(QStringLiteral("horavox.ini")));
    QCOMPARE(ini.readInteger(u"Options", u"Stay On Top", 0), 1);
    QCOMPARE(ini.readInteger(u"Voice", u"HowOften", 0), 15);
    QCOMPARE(ini.readInteger(u"Voice", u"UseHotKey", 1), 0);
    QCOMPARE(ini.readInteger(u"Display", u"BevelOuter", 2), 0);
    // The recording that nothing names any more is gone.
    QCOMPARE(rig.state->settings().voice.waveFile, QString());
    QVERIFY(!QFileInfo::exists(wave));
}

// Every control of the dialog changed, then OK: the clock that starts next
// from the same folder has the same settings and the same look.
void TestOptionsDialog::everySettingSurvivesARestart()
{
    test::ClockWindowRig rig({0, "[Voice]\nUseHotKey=0\n", false, {}, nullptr});
    const QStringList families = QFontDatabase::families();
    const QString font = families.value(families.indexOf(rig.state->settings().fontName) == 0 ? 1 : 0);
    QVERIFY(!font.isEmpty());
    const SettingsRecord before = rig.state->settings();
    rig.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.window));
    test::answerNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<OptionsDialog*>(modal);
        if (!dialog)
            return;
        dialog->setColourChooser([](const QColor& initial, QWidget*) -> std::optional<QColor> {
            return initial == QColor(0, 0, 0x80) ? QColor(0xFF, 0xFF, 0) : QColor(0, 0, 0x80);
        });
        for (const char* box : {"playVoiceCheck", "playWaveCheck", "hotKeyEnabledCheck", "stayOnTopCheck",
                                "autoStartCheck", "showHintsCheck", "autoRunCheck", "titleClockCheck"})
            child<QCheckBox>(dialog, box)->click();
        for (const char* radio : {"afterVoiceRadio", "parentOnlyRadio"}) {
            if (child<QRadioButton>(dialog, radio)->isChecked())
                child<QRadioButton>(dialog, radio == std::string_view("afterVoiceRadio") ? "beforeVoiceRadio"
                                                                                         : "allWindowsRadio")
                    ->click();
            else
                child<QRadioButton>(dialog, radio)->click();
        }
        auto* intervals = child<QComboBox>(dialog, "intervalList");
        intervals->setCurrentIndex(intervals->findText(QStringLiteral("30")));
        Q_EMIT intervals->activated(intervals->currentIndex());
        auto* hotKey = child<HotKeyField>(dialog, "hotKeyField");
        hotKey->setFocus();
        QTest::keyClick(hotKey, Qt::Key_K, Qt::ControlModifier);
        child<QComboBox>(dialog, "fontNameList")->setCurrentText(font);
        child<QComboBox>(dialog, "fontStyleList")->setCurrentText(QStringLiteral("BoldItalic"));
        child<QComboBox>(dialog, "bevelOutsideList")->setCurrentText(QStringLiteral("None"));
        child<QComboBox>(dialog, "bevelInsideList")->setCurrentText(QStringLiteral("Lowered"));
        typeInto(child<QLineEdit>(dialog, "bevelWidthField"), QStringLiteral("7"));
        typeInto(child<QLineEdit>(dialog, "borderWidthField"), QStringLiteral("3"));
        child<QPushButton>(dialog, "fontColourButton")->click();
        child<QPushButton>(dialog, "backgroundColourButton")->click();
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    rig.program->showOptions();
    const SettingsRecord adopted = rig.state->settings();
    const SettingsExtras extras = rig.state->extras();
    QVERIFY(extras.useHotKey);
    QCOMPARE(extras.newHotKey, 0x4B);   // K
    QCOMPARE(extras.newHotKeyShift, 2); // Control
    QCOMPARE(adopted.fontName, font);
    QCOMPARE(adopted.voice.howOften, 30);
    QCOMPARE(adopted.bevelWidth, 7);
    QCOMPARE(adopted.style, QStringLiteral("BoldItalic"));
    QVERIFY(adopted.fontColor != before.fontColor && adopted.displayColor != before.displayColor);
    QVERIFY(adopted.stayOnTop != before.stayOnTop && adopted.voice.beforeAfter != before.voice.beforeAfter);

    // The program ends and starts again on the same folder.
    rig.program.reset();
    rig.state = std::make_unique<AppState>(DataPaths(rig.home.path(), rig.home.path()), rig.autostart);
    rig.state->load();
    rig.hotKey.registered.reset();
    Platform platform;
    platform.clock = &rig.clock;
    platform.windowTitles = &rig.fakeTitles;
    platform.autostart = &rig.autostart;
    platform.soundOut = &rig.sound;
    platform.hotKey = &rig.hotKey;
    platform.launcher = &rig.launcher;
    platform.clockChanges = &rig.clockChanges;
    platform.cdDevice = &rig.cdDevice;
    platform.waveDevice = &rig.waveDevice;
    rig.program = std::make_unique<ClockProgram>(*rig.state, platform);
    ClockWindow& window = rig.program->window();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(rig.state->settings(), adopted);
    QCOMPARE(rig.state->extras().useHotKey, true);
    QCOMPARE(rig.state->extras().newHotKey, extras.newHotKey);
    QCOMPARE(rig.state->extras().newHotKeyShift, extras.newHotKeyShift);
    QCOMPARE(rig.hotKey.registered, (FakeHotKey::Combination{0x4B, 2}));
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    const auto* face = window.findChild<BevelPanel*>(QStringLiteral("face"));
    QCOMPARE(face->bevels().outer, Bevel::None);
    QCOMPARE(face->bevels().inner, Bevel::Lowered);
    QCOMPARE(face->font().family(), font);
    QVERIFY(face->font().bold() && face->font().italic());
}

// "Browse / Record" by its accelerator opens the program's recorder; a sound
// recorded there by keyboard and taken with Enter is the wave at OK.
void TestOptionsDialog::waveRecordedFromTheKeyboard()
{
    Fixture f;
    FakeWaveDevice device;
    f.platform.waveDevice = &device;
    QDir(f.home.path()).mkpath(QStringLiteral("waves"));
    OptionsDialog dialog(*f.state, f.platform);
    showActive(&dialog);
    bool answered = false;
    test::answerNextModal([&](QWidget* recorder) {
        const auto closeOnFailure = qScopeGuard([&] {
            if (!answered)
                recorder->close();
        });
        showActive(recorder);
        // An accelerator clicks its button a moment later.
        QTest::keyClick(recorder, Qt::Key_R, Qt::AltModifier);
        QTRY_VERIFY(device.calls.contains(QStringLiteral("record")));
        QTest::keyClick(recorder, Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(device.calls.contains(QStringLiteral("stop")));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        answered = true;
    });
    QTest::keyClick(&dialog, Qt::Key_B, Qt::AltModifier);
    QTRY_VERIFY(answered);
    const QString recording = child<QLineEdit>(&dialog, "waveFileField")->text();
    QVERIFY2(QFileInfo(recording).fileName().startsWith(QLatin1String("Horavox-")), qPrintable(recording));
    QVERIFY(QFileInfo::exists(recording));
    showActive(&dialog); // the window manager's part, after the recorder closes
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.settingsCopy().voice.waveFile, recording);
    QVERIFY(QFileInfo::exists(recording));
}

// A recording made from the dialog is the dialog's: OK keeps the one the
// settings now name, Cancel deletes it, and neither leaves it pending.
void TestOptionsDialog::recordingMadeInTheDialog_data()
{
    QTest::addColumn<bool>("accepted");
    QTest::newRow("OK keeps it") << true;
    QTest::newRow("Cancel deletes it") << false;
}

void TestOptionsDialog::recordingMadeInTheDialog()
{
    QFETCH(bool, accepted);
    Fixture f;
    QDir(f.home.path()).mkpath(QStringLiteral("waves"));
    const QString recording = f.home.filePath(QStringLiteral("waves/Horavox-3.wav"));
    OptionsDialog dialog(*f.state, f.platform);
    dialog.setWaveChooser([&](const QString&, QWidget*) -> std::optional<QString> {
        test::putFile(recording, "RIFF");
        f.state->setPendingRecording(recording); // as the recorder's OK does
        return recording;
    });
    child<QPushButton>(&dialog, "browseButton")->click();
    QVERIFY(f.state->pendingRecording().isEmpty());
    QVERIFY(QFileInfo::exists(recording));
    if (accepted) {
        dialog.accept();
        QCOMPARE(dialog.settingsCopy().voice.waveFile, recording);
        QVERIFY(dialog.droppedWaves().contains(recording)); // deleted only if nothing names it
    } else {
        dialog.reject();
        QVERIFY(!QFileInfo::exists(recording));
    }
}

QTEST_MAIN(TestOptionsDialog)
#include "tst_OptionsDialog.moc"
