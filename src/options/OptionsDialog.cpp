// SPDX-License-Identifier: GPL-3.0-or-later
#include "OptionsDialog.h"

#include "app/AppState.h"
#include "app/RecordedWaves.h"
#include "common/Conversions.h"
#include "common/Error.h"
#include "common/StoredPath.h"
#include "controls/FaceLayout.h"
#include "controls/MessageBox.h"
#include "media/RecorderDialog.h"
#include "options/FaceChoices.h"
#include "platform/HotKey.h"
#include "platform/WindowTitles.h"
#include "ui_OptionsDialog.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>

#include <cmath>

namespace hv {

namespace {

const QString kSection = QStringLiteral("OptionsForm");
const QString kErrorTitle = QStringLiteral("Horavox");
// The sample's caption.
const QString kSampleText = QStringLiteral("12:12 PM");
// Changing the font name gives the sample a font this much lower than the
// sample, whatever the bevels, until the next bevel or width change fits it.
constexpr int kFontNameMargin = 40;

QColor toQColor(ColourValue value)
{
    return QColor(redOf(value), greenOf(value), blueOf(value));
}

ColourValue toColourValue(const QColor& colour)
{
    return rgbValue(colour.red(), colour.green(), colour.blue());
}

// A font's character cell (its height with the leading) against its pixel
// size differs per font: measured at a probe size.
int pixelSizeForCellHeight(QFont font, int cellHeight)
{
    constexpr int kProbe = 100;
    font.setPixelSize(kProbe);
    const qreal cellAtProbe = QFontMetricsF(font).height();
    if (cellAtProbe <= 0)
        return std::max(cellHeight, 1);
    return std::max(1, static_cast<int>(std::lround(cellHeight * kProbe / cellAtProbe)));
}

// The help context set on a control in the .ui file, or on the nearest of its
// parents that has one; 0 for none.
int helpContextOf(const QWidget* widget)
{
    for (; widget != nullptr; widget = widget->parentWidget()) {
        const QVariant context = widget->property("helpContext");
        if (context.isValid())
            return context.toInt();
    }
    return 0;
}

} // namespace

OptionsDialog::OptionsDialog(AppState& state, const Platform& platform, QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::OptionsDialog)
    , m_state(state)
    , m_platform(platform)
    , m_copy(state.settings())
    , m_chooseColour([](const QColor& initial, QWidget* owner) -> std::optional<QColor> {
        const QColor chosen = QColorDialog::getColor(initial, owner, QStringLiteral("Color"));
        if (!chosen.isValid())
            return std::nullopt;
        return chosen;
    })
    , m_chooseWave([this](const QString& current, QWidget* owner) { return chooseWaveFile(current, owner); })
{
    ui->setupUi(this);
    setUpControls();

    // Where the dialog stood when it last closed; the desktop places it otherwise.
    Profile& profile = m_state.profile();
    const int left = profile.readInteger(kSection, QStringLiteral("Left"), 0);
    const int top = profile.readInteger(kSection, QStringLiteral("Top"), 0);
    if (left > 0 || top > 0)
        move(left > 0 ? left : x(), top > 0 ? top : y());

    fillControls();
    fillLists();
    showAvailability();
    connectControls();
    // A single fixed border: the dialog is as large as its contents.
    setFixedSize(sizeHint());
}

OptionsDialog::~OptionsDialog()
{
    // The controls outlive this part of the dialog, and a field losing the
    // focus as they go (editingFinished) must not reach it.
    for (const QWidget* control : findChildren<QWidget*>())
        QObject::disconnect(control, nullptr, this, nullptr);
    // pos() is the frame's corner, and move() places the frame's corner: the
    // dialog opens again where it was, without creeping by the decoration.
    try {
        Profile::Transaction transaction(m_state.profile());
        m_state.profile().writeInteger(kSection, QStringLiteral("Left"), pos().x());
        m_state.profile().writeInteger(kSection, QStringLiteral("Top"), pos().y());
        transaction.commit();
    } catch (const Error& error) {
        qWarning("horavox: the options dialog's place was not saved: %s", qPrintable(error.message()));
    }
}

void OptionsDialog::setUpControls()
{
    ui->facePreview->setText(kSampleText);
    ui->facePreview->setFixedSize(kSampleWidth, kSampleHeight);
    ui->titleResCheck->setEnabled(false);

    // Digits and signs only; what they make is read when the field changes.
    const QRegularExpression widthText(QStringLiteral("[-+0-9]*"));
    for (QLineEdit* field : {ui->bevelWidthField, ui->borderWidthField}) {
        field->setValidator(new QRegularExpressionValidator(widthText, field));
        field->installEventFilter(this);
    }
    ui->waveFileField->setFocusPolicy(Qt::TabFocus);
}

void OptionsDialog::fillControls()
{
    const SettingsExtras& extras = m_state.extras();
    ui->hotKeyEnabledCheck->setChecked(extras.useHotKey);
    ui->hotKeyField->setCombination(hotKeyFromSettings(extras.newHotKey, extras.newHotKeyShift));
    ui->hotKeyField->setVisible(extras.useHotKey);

    ui->playVoiceCheck->setChecked(m_copy.voice.playVoice);
    ui->playWaveCheck->setChecked(m_copy.voice.playWave);
    ui->stayOnTopCheck->setChecked(m_copy.stayOnTop);
    ui->showHintsCheck->setChecked(m_copy.showHints);
    ui->autoStartCheck->setChecked(m_copy.autoStart);
    ui->autoRunCheck->setChecked(m_copy.autoRun);
    ui->titleResCheck->setChecked(m_copy.titleBarRes);
    ui->titleClockCheck->setChecked(m_copy.titleBarClock);

    ui->waveFileField->setText(m_copy.voice.waveFile);
    ui->beforeVoiceRadio->setChecked(m_copy.voice.beforeAfter == VoiceSettings::kWaveBeforeVoice);
    ui->afterVoiceRadio->setChecked(m_copy.voice.beforeAfter == VoiceSettings::kWaveAfterVoice);
    if (m_copy.allWindows == SettingsRecord::kAllWindows)
        ui->allWindowsRadio->setChecked(true);
    else
        ui->parentOnlyRadio->setChecked(true);

    ui->bevelWidthField->setText(QString::number(m_copy.bevelWidth));
    ui->borderWidthField->setText(QString::number(m_copy.borderWidth));

    // The sample takes the face of the copy.
    ui->facePreview->setBevels(
        withStoredBevels(ui->facePreview->bevels(), m_copy.bevelOuter, m_copy.bevelInner));
    ui->facePreview->setTextColour(toQColor(m_copy.fontColor));
    ui->facePreview->setBackground(toQColor(m_copy.displayColor));
    QFont font = ui->facePreview->font();
    font.setFamily(m_copy.fontName);
    font.setBold(false);
    font.setItalic(false);
    ui->facePreview->setFont(font);
    applySampleStyle(m_copy.style);
    fitSampleFont();
}

void OptionsDialog::fillLists()
{
    // Filled before the handlers are connected, and with signals blocked all
    // the same: filling must never run a control's rule (the font name's would
    // set the sample's height and the style).
    const QSignalBlocker intervals(ui->intervalList);
    for (const qint32 minutes : intervalChoices())
        ui->intervalList->addItem(QString::number(minutes), minutes);
    ui->intervalList->setCurrentIndex(ui->intervalList->findData(m_copy.voice.howOften));

    const QSignalBlocker names(ui->fontNameList);
    QStringList families = QFontDatabase::families();
    // A font that is not installed stays the face's font under its name.
    if (!m_copy.fontName.isEmpty() && !families.contains(m_copy.fontName))
        families << m_copy.fontName;
    families.sort(Qt::CaseInsensitive);
    ui->fontNameList->addItems(families);
    ui->fontNameList->setCurrentIndex(ui->fontNameList->findText(m_copy.fontName, Qt::MatchExactly));

    const QSignalBlocker styles(ui->fontStyleList);
    ui->fontStyleList->addItems(faceStyleNames());
    const QFont sample = ui->facePreview->font();
    ui->fontStyleList->setCurrentText(faceStyleName({sample.bold(), sample.italic()}));

    for (QComboBox* list : {ui->bevelOutsideList, ui->bevelInsideList}) {
        const QSignalBlocker blocker(list);
        for (const QString& name : bevelNames())
            list->addItem(name, bevelValueOfName(name).value_or(-1));
    }
    const FaceBevels bevels = ui->facePreview->bevels();
    {
        const QSignalBlocker outside(ui->bevelOutsideList);
        ui->bevelOutsideList->setCurrentIndex(bevelIndexOfValue(static_cast<qint32>(bevels.outer)));
    }
    const QSignalBlocker inside(ui->bevelInsideList);
    ui->bevelInsideList->setCurrentIndex(bevelIndexOfValue(static_cast<qint32>(bevels.inner)));
}

void OptionsDialog::showAvailability()
{
    // Controls that would do nothing on this desktop say so instead.
    const bool titles = m_platform.windowTitles != nullptr && m_platform.windowTitles->isAvailable();
    for (QWidget* control :
         {static_cast<QWidget*>(ui->titleClockCheck), static_cast<QWidget*>(ui->allWindowsRadio),
          static_cast<QWidget*>(ui->parentOnlyRadio)})
        control->setEnabled(titles);
    if (!titles) {
        ui->titleBarProblem->setText(QStringLiteral(
            "This desktop does not let programs change other windows' title bars, so the title-bar clock "
            "cannot be shown here."));
        ui->titleBarProblem->setVisible(true);
    }

    const bool hotKeys = m_platform.hotKey != nullptr && m_platform.hotKey->isAvailable();
    if (!hotKeys) {
        ui->hotKeyEnabledCheck->setEnabled(false);
        ui->hotKeyField->setEnabled(false);
        ui->hotKeyProblem->setText(HotKey::unavailableProblem());
        ui->hotKeyProblem->setVisible(true);
        return;
    }
    // The combination registered now may already be held by another program.
    const QString problem = m_state.extras().useHotKey ? m_platform.hotKey->lastProblem() : QString();
    ui->hotKeyProblem->setText(problem);
    ui->hotKeyProblem->setVisible(!problem.isEmpty());
}

void OptionsDialog::connectControls()
{
    connect(ui->okButton, &QPushButton::clicked, this, &OptionsDialog::accept);
    connect(ui->cancelButton, &QPushButton::clicked, this, &OptionsDialog::reject);
    connect(ui->helpButton, &QPushButton::clicked, this,
            [this] { Q_EMIT helpRequested(helpContextOf(ui->pages->currentWidget())); });

    connect(ui->fontNameList, &QComboBox::currentTextChanged, this, &OptionsDialog::fontNameChosen);
    connect(ui->fontStyleList, &QComboBox::currentTextChanged, this, &OptionsDialog::fontStyleChosen);
    connect(ui->bevelOutsideList, &QComboBox::currentIndexChanged, this,
            [this] { bevelChosen(ui->bevelOutsideList, m_copy.bevelOuter); });
    connect(ui->bevelInsideList, &QComboBox::currentIndexChanged, this,
            [this] { bevelChosen(ui->bevelInsideList, m_copy.bevelInner); });
    connect(ui->bevelWidthField, &QLineEdit::textEdited, this,
            [this] { widthEdited(ui->bevelWidthField, m_copy.bevelWidth); });
    connect(ui->borderWidthField, &QLineEdit::textEdited, this,
            [this] { widthEdited(ui->borderWidthField, m_copy.borderWidth); });
    connect(ui->bevelWidthField, &QLineEdit::editingFinished, this,
            [this] { widthLeft(ui->bevelWidthField, m_copy.bevelWidth); });
    connect(ui->borderWidthField, &QLineEdit::editingFinished, this,
            [this] { widthLeft(ui->borderWidthField, m_copy.borderWidth); });
    connect(ui->intervalList, &QComboBox::activated, this, &OptionsDialog::intervalChosen);

    connect(ui->hotKeyEnabledCheck, &QCheckBox::toggled, this, &OptionsDialog::hotKeyEnabledToggled);
    connect(ui->hotKeyField, &HotKeyField::combinationChanged, this, &OptionsDialog::hotKeyChosen);

    const auto flag = [this](QAbstractButton* box, bool& field) {
        connect(box, &QAbstractButton::toggled, this, [&field](bool checked) { field = checked; });
    };
    flag(ui->playVoiceCheck, m_copy.voice.playVoice);
    flag(ui->playWaveCheck, m_copy.voice.playWave);
    flag(ui->stayOnTopCheck, m_copy.stayOnTop);
    flag(ui->autoStartCheck, m_copy.autoStart);
    flag(ui->autoRunCheck, m_copy.autoRun);
    flag(ui->showHintsCheck, m_copy.showHints);
    flag(ui->titleClockCheck, m_copy.titleBarClock);
    const auto choice = [this](QAbstractButton* radio, qint32& field, qint32 value) {
        connect(radio, &QAbstractButton::toggled, this, [&field, value](bool checked) {
            if (checked)
                field = value;
        });
    };
    choice(ui->beforeVoiceRadio, m_copy.voice.beforeAfter, VoiceSettings::kWaveBeforeVoice);
    choice(ui->afterVoiceRadio, m_copy.voice.beforeAfter, VoiceSettings::kWaveAfterVoice);
    choice(ui->allWindowsRadio, m_copy.allWindows, SettingsRecord::kAllWindows);
    choice(ui->parentOnlyRadio, m_copy.allWindows, SettingsRecord::kParentWindowOnly);

    connect(ui->browseButton, &QPushButton::clicked, this, &OptionsDialog::browseWave);
    connect(ui->clearButton, &QPushButton::clicked, this, &OptionsDialog::clearWave);
    connect(ui->fontColourButton, &QPushButton::clicked, this, &OptionsDialog::chooseFontColour);
    connect(ui->backgroundColourButton, &QPushButton::clicked, this, &OptionsDialog::chooseBackgroundColour);
}

// --- The preview ------------------------------------------------------------

void OptionsDialog::applySampleStyle(const QString& style)
{
    const std::optional<FaceStyle> flags = faceStyleFromName(style);
    if (!flags)
        return; // another name leaves the sample's style as it was
    QFont font = ui->facePreview->font();
    font.setBold(flags->bold);
    font.setItalic(flags->italic);
    ui->facePreview->setFont(font);
}

void OptionsDialog::setSampleFontHeight(int cellHeight)
{
    m_sampleFontHeight = std::max(cellHeight, 1);
    QFont font = ui->facePreview->font();
    font.setPixelSize(pixelSizeForCellHeight(font, m_sampleFontHeight));
    ui->facePreview->setFont(font);
}

void OptionsDialog::fitSampleFont()
{
    // The face's own rule, with the widths of the copy taken as pixels of the
    // sample: the room left inside the bevels, never less than 1.
    FaceBevels bevels = ui->facePreview->bevels();
    bevels.bevelWidth = m_copy.bevelWidth;
    bevels.borderWidth = m_copy.borderWidth;
    ui->facePreview->setBevels(bevels);
    setSampleFontHeight(usableFaceSize(QSize(kSampleWidth, kSampleHeight), bevels).height());
}

// --- The handlers ----------------------------------------------------------

void OptionsDialog::fontNameChosen(const QString& name)
{
    QFont font = ui->facePreview->font();
    font.setFamily(name);
    ui->facePreview->setFont(font);
    m_copy.fontName = name.left(SettingsRecord::kFontNameLength);
    m_copy.style = ui->fontStyleList->currentText().left(SettingsRecord::kStyleLength);
    applySampleStyle(m_copy.style);
    setSampleFontHeight(kSampleHeight - kFontNameMargin);
}

void OptionsDialog::fontStyleChosen(const QString& style)
{
    m_copy.style = style.left(SettingsRecord::kStyleLength);
    applySampleStyle(m_copy.style);
}

void OptionsDialog::bevelChosen(QComboBox* list, qint32& field)
{
    const std::optional<qint32> value = bevelValueOfName(list->currentText());
    if (!value)
        return;
    field = *value;
    ui->facePreview->setBevels(
        withStoredBevels(ui->facePreview->bevels(), m_copy.bevelOuter, m_copy.bevelInner));
    fitSampleFont();
}

void OptionsDialog::widthEdited(QLineEdit* field, qint32& width)
{
    const std::optional<int> value = tryStrToInt(field->text());
    if (!value) {
        // The conversion error, as the program reports every one; the sample
        // and the copy keep the width they had.
        MessageBox::critical(this, kErrorTitle,
                             QStringLiteral("'%1' is not a valid integer value").arg(field->text()));
        return;
    }
    width = *value;
    fitSampleFont();
}

void OptionsDialog::widthLeft(QLineEdit* field, qint32& width)
{
    const QString clamped = QString::number(widthOnLeaving(field->text()));
    if (field->text() == clamped)
        return;
    field->setText(clamped);
    width = clamped.toInt();
    fitSampleFont();
}

void OptionsDialog::intervalChosen(int index)
{
    const QVariant minutes = ui->intervalList->itemData(index);
    if (minutes.isValid())
        m_copy.voice.howOften = minutes.toInt();
}

void OptionsDialog::hotKeyEnabledToggled(bool enabled)
{
    ui->hotKeyField->setVisible(enabled);
    if (enabled)
        hotKeyChosen(ui->hotKeyField->combination());
    else
        ui->hotKeyProblem->setVisible(false);
}

void OptionsDialog::hotKeyChosen(const HotKeyCombination& combination)
{
    if (m_platform.hotKey == nullptr || !m_platform.hotKey->isAvailable())
        return;
    // Whether another program holds the combination shows only by trying it:
    // registered for a moment, then the live key is put back as it was.
    HotKey& hotKey = *m_platform.hotKey;
    const bool free = hotKey.registerKey(combination.virtualKey, combination.modifiers) ==
                      HotKey::RegisterResult::Registered;
    const QString problem = free ? QString() : hotKey.lastProblem();
    const SettingsExtras& live = m_state.extras();
    if (live.useHotKey)
        hotKey.registerKey(live.newHotKey, live.newHotKeyShift);
    else
        hotKey.unregisterKey();
    ui->hotKeyProblem->setText(problem);
    ui->hotKeyProblem->setVisible(!problem.isEmpty());
}

void OptionsDialog::browseWave()
{
    const std::optional<QString> chosen = m_chooseWave(ui->waveFileField->text(), this);
    // A new recording is this dialog's to keep or delete, at OK or Cancel.
    if (const QString recorded = m_state.pendingRecording(); !recorded.isEmpty()) {
        m_recordedWaves << recorded;
        m_state.setPendingRecording({});
    }
    if (!chosen || *chosen == ui->waveFileField->text())
        return;
    // A path is stored whole or not at all.
    if (const QString problem = storedPathProblem(*chosen); !problem.isEmpty()) {
        MessageBox::warning(this, kErrorTitle, problem);
        return;
    }
    dropWave();
    ui->waveFileField->setText(*chosen);
}

void OptionsDialog::clearWave()
{
    dropWave();
    ui->waveFileField->clear();
}

void OptionsDialog::dropWave()
{
    // Nothing is deleted here: Cancel must leave the recording. Once the copy
    // is adopted, a recording that nothing names any more may go.
    const QString wave = ui->waveFileField->text();
    if (!wave.isEmpty() && !m_droppedWaves.contains(wave))
        m_droppedWaves << wave;
}

void OptionsDialog::chooseFontColour()
{
    if (const std::optional<QColor> colour = runColourChooser(toQColor(m_copy.fontColor))) {
        m_copy.fontColor = toColourValue(*colour);
        ui->facePreview->setTextColour(*colour);
    }
}

void OptionsDialog::chooseBackgroundColour()
{
    if (const std::optional<QColor> colour = runColourChooser(toQColor(m_copy.displayColor))) {
        m_copy.displayColor = toColourValue(*colour);
        ui->facePreview->setBackground(*colour);
    }
}

std::optional<QColor> OptionsDialog::runColourChooser(const QColor& initial)
{
    loadChooserColours();
    const std::optional<QColor> chosen = m_chooseColour(initial, this);
    if (chosen)
        saveChooserColours();
    return chosen;
}

void OptionsDialog::loadChooserColours()
{
    // A missing file leaves the chooser's colours as they were.
    const std::optional<CustomColours> stored = loadCustomColours(m_state.paths().customColours());
    if (!stored)
        return;
    m_loadedColours = *stored;
    for (int slot = 0; slot < kCustomColourCount; ++slot) {
        const ColourValue colour = m_loadedColours[static_cast<std::size_t>(slot)];
        QColorDialog::setCustomColor(slot, colour == kColourNeverSet ? QColor(Qt::white) : toQColor(colour));
    }
}

void OptionsDialog::saveChooserColours()
{
    CustomColours colours;
    for (int slot = 0; slot < kCustomColourCount; ++slot) {
        const auto index = static_cast<std::size_t>(slot);
        const QColor shown = QColorDialog::customColor(slot);
        const bool untouchedBlank = m_loadedColours[index] == kColourNeverSet && shown == QColor(Qt::white);
        colours[index] = untouchedBlank ? kColourNeverSet : toColourValue(shown);
    }
    try {
        saveCustomColours(m_state.paths().customColours(), colours);
        m_loadedColours = colours;
    } catch (const Error& error) {
        MessageBox::critical(this, kErrorTitle, error.message());
    }
}

std::optional<QString> OptionsDialog::chooseWaveFile(const QString& current, QWidget* parent)
{
    if (m_platform.waveDevice)
        return runRecorder(m_state, *m_platform.waveDevice, current, parent);
    // Without a wave device an existing file can still be picked.
    const QString folder = current.isEmpty() ? QString() : QFileInfo(current).absolutePath();
    const QString chosen = QFileDialog::getOpenFileName(parent, QStringLiteral("Open"), folder,
                                                        QStringLiteral("Wav File (*.wav)"));
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

void OptionsDialog::showHelpFor(QWidget* widget)
{
    const int context = helpContextOf(widget);
    Q_EMIT helpRequested(context != 0 ? context : helpContextOf(ui->pages->currentWidget()));
}

void OptionsDialog::accept()
{
    // Leaving a width field by OK is a change like any other.
    widthLeft(ui->bevelWidthField, m_copy.bevelWidth);
    widthLeft(ui->borderWidthField, m_copy.borderWidth);
    m_copy.voice.waveFile = ui->waveFileField->text().left(VoiceSettings::kWaveFileLength);
    // The hot key lies outside the record: written by OK alone.
    SettingsExtras& extras = m_state.extras();
    extras.useHotKey = ui->hotKeyEnabledCheck->isChecked();
    const HotKeyCombination combination = ui->hotKeyField->combination();
    extras.newHotKey = combination.virtualKey;
    if (combination.modifiers != 0)
        extras.newHotKeyShift = combination.modifiers;
    QDialog::accept();
}

void OptionsDialog::reject()
{
    // The settings are as they were, so none of them names these.
    deleteUnusedRecordings(m_state, m_recordedWaves);
    m_recordedWaves.clear();
    QDialog::reject();
}

void OptionsDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        showHelpFor(focusWidget());
        return;
    }
    QDialog::keyPressEvent(event);
}

bool OptionsDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Up and Down step the width fields by one, as a change like any other.
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (field != nullptr && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            field->setText(QString::number(steppedWidth(field->text(), key == Qt::Key_Up ? 1 : -1)));
            widthEdited(field, field == ui->bevelWidthField ? m_copy.bevelWidth : m_copy.borderWidth);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace hv
