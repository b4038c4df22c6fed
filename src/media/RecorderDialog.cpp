// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecorderDialog.h"

#include "RecorderFiles.h"
#include "app/AppState.h"
#include "app/RecordedWaves.h"
#include "common/StoredPath.h"
#include "controls/MessageBox.h"
#include "ui_RecorderDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLayout>
#include <QPushButton>

namespace hv {

namespace {

std::function<void(int)>& recorderHelp()
{
    static std::function<void(int)> help;
    return help;
}

const QString& title()
{
    static const QString text = QStringLiteral("Recorder");
    return text;
}

QString waveFilter()
{
    return QStringLiteral("Wav File (*.wav)");
}

QString chooseToOpen(QWidget* parent, const QString& start)
{
    QFileDialog dialog(parent, QStringLiteral("Open"), start, waveFilter());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile); // the folder and the file must exist
    dialog.setDefaultSuffix(QStringLiteral("wav"));
    if (!start.isEmpty())
        dialog.selectFile(start);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString chooseToSave(QWidget* parent, const QString& start)
{
    // Asks before replacing an existing file (the dialog's default).
    QFileDialog dialog(parent, QStringLiteral("Save As"), start, waveFilter());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("wav"));
    if (!start.isEmpty())
        dialog.selectFile(start);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

std::optional<int> chooseWord(QWidget* parent)
{
    QStringList spoken;
    for (const ClockWord& word : clockWords())
        spoken.append(word.spoken);
    bool ok = false;
    const QString chosen = QInputDialog::getItem(parent, QStringLiteral("Save as clock word"),
                                                 QStringLiteral("&Word the clock speaks with this sound:"),
                                                 spoken, 0, false, &ok);
    if (!ok)
        return std::nullopt;
    return int(spoken.indexOf(chosen));
}

} // namespace

void setRecorderHelp(std::function<void(int)> help)
{
    recorderHelp() = std::move(help);
}

std::optional<QString> runRecorder(AppState& state, WaveDevice& device, const QString& current,
                                   QWidget* parent)
{
    RecorderDialog dialog(state, device, current, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosenFile();
}

RecorderDialog::RecorderDialog(AppState& state, WaveDevice& device, const QString& current, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
    , ui(std::make_unique<Ui::RecorderDialog>())
    , m_state(state)
    , m_device(device)
    , m_wavesDir(state.paths().wavesDir())
    , m_current(current)
    , m_chooseOpen(chooseToOpen)
    , m_chooseSave(chooseToSave)
    , m_chooseWord(chooseWord)
{
    ui->setupUi(this);
    layout()->setSizeConstraint(QLayout::SetFixedSize); // nothing to gain from resizing
    QPushButton* ok = ui->buttonBox->button(QDialogButtonBox::Ok);
    ok->setDefault(true);
    // Enter is OK; some desktops' "&OK" would take Alt+O from Open.
    ok->setText(QStringLiteral("OK"));
    connect(ui->recordButton, &QPushButton::clicked, this, &RecorderDialog::recordClicked);
    connect(ui->playButton, &QPushButton::clicked, this, &RecorderDialog::playClicked);
    connect(ui->stopButton, &QPushButton::clicked, this, &RecorderDialog::stopClicked);
    connect(ui->openButton, &QPushButton::clicked, this, &RecorderDialog::openClicked);
    connect(ui->saveButton, &QPushButton::clicked, this, &RecorderDialog::saveClicked);
    connect(ui->newButton, &QPushButton::clicked, this, &RecorderDialog::newClicked);
    connect(ui->wordButton, &QPushButton::clicked, this, &RecorderDialog::wordClicked);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &RecorderDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &RecorderDialog::reject);
    connect(ui->buttonBox, &QDialogButtonBox::helpRequested, this, &RecorderDialog::showHelp);
    connect(&m_device, &WaveDevice::modeChanged, this, &RecorderDialog::showMode);
    connect(&m_device, &WaveDevice::devicesChanged, this, [this] {
        showDevices();
        showMode();
    });
    connect(&m_device, &WaveDevice::completed, this, [this] {
        m_device.seekToStart();
        showMode();
    });
    m_meter.setInterval(50);
    connect(&m_meter, &QTimer::timeout, this, &RecorderDialog::updateMeter);
    m_openStart = m_saveStart = m_current;
}

RecorderDialog::~RecorderDialog()
{
    m_device.disconnect(this);
}

void RecorderDialog::setFileChoosers(ChooseFile open, ChooseFile save)
{
    m_chooseOpen = std::move(open);
    m_chooseSave = std::move(save);
}

void RecorderDialog::setWordChooser(std::function<std::optional<int>(QWidget*)> choose)
{
    m_chooseWord = std::move(choose);
}

void RecorderDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!std::exchange(m_prepared, true))
        prepare();
}

void RecorderDialog::prepare()
{
    QDir().mkpath(m_wavesDir);
    showDevices();
    if (!m_current.isEmpty()) {
        showHeader(m_current);
    } else {
        if (!makeTemporaryRecording()) {
            showMode();
            return;
        }
        m_current = temporaryRecording(m_wavesDir);
        showHeader(QStringLiteral("New Wav File"));
    }
    openDevice();
}

bool RecorderDialog::isTemporary() const
{
    return m_current == temporaryRecording(m_wavesDir);
}

bool RecorderDialog::makeTemporaryRecording()
{
    m_device.close();
    if (createEmptyWave(temporaryRecording(m_wavesDir)))
        return true;
    MessageBox::show(this, QMessageBox::NoIcon, title(),
                     QStringLiteral("Error in creating a temp wav file."));
    return false;
}

bool RecorderDialog::openDevice()
{
    m_device.close();
    // The temporary recording is a new, empty sound: the device holds what is
    // recorded into it until OK stores it under a number.
    const bool opened = m_device.open(isTemporary() ? QString() : m_current);
    showMode();
    if (!opened)
        MessageBox::warning(this, title(),
                            QStringLiteral("%1 cannot be opened: %2")
                                .arg(QDir::toNativeSeparators(m_current), m_device.errorText()));
    return opened;
}

// The current file gives way to `next`: a recorded wave file is remembered
// for OK to delete, not deleted now, since Cancel must leave it.
void RecorderDialog::leaveCurrent(const QString& next)
{
    if (m_current != next && recordedWaveFile(m_current, m_state.paths().dataDir()) &&
        !m_replaced.contains(m_current))
        m_replaced.append(m_current);
}

void RecorderDialog::recordClicked()
{
    if (!m_current.isEmpty() && !isTemporary()) {
        const auto answer =
            MessageBox::question(this, QStringLiteral("Confirm"),
                                 QStringLiteral("Are you sure you want to RE-Record this wave file?"),
                                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer != QMessageBox::Yes)
            return;
    }
    // The file that was current stays untouched: a new recording starts in
    // the temporary one.
    m_current = temporaryRecording(m_wavesDir);
    if (!openDevice())
        return;
    if (!m_device.record())
        MessageBox::warning(this, title(),
                            QStringLiteral("Recording could not start: %1").arg(m_device.errorText()));
    showMode();
}

void RecorderDialog::playClicked()
{
    if (!m_device.play())
        MessageBox::warning(this, title(),
                            QStringLiteral("The sound could not be played: %1").arg(m_device.errorText()));
    showMode();
}

void RecorderDialog::stopClicked()
{
    m_device.stop();
    m_device.seekToStart();
    showMode();
}

void RecorderDialog::openClicked()
{
    const QString chosen = m_chooseOpen(this, m_openStart);
    if (chosen.isEmpty())
        return;
    if (const QString problem = storedPathProblem(chosen); !problem.isEmpty()) {
        MessageBox::warning(this, title(), problem);
        return;
    }
    leaveCurrent(chosen);
    m_current = chosen;
    m_saveStart = chosen;
    showHeader(chosen);
    openDevice();
}

void RecorderDialog::saveClicked()
{
    const QString chosen = m_chooseSave(this, m_saveStart);
    if (chosen.isEmpty())
        return;
    if (const QString problem = storedPathProblem(chosen); !problem.isEmpty()) {
        MessageBox::warning(this, title(), problem);
        return;
    }
    // Written first; the file it replaces as current is let go only once the
    // sound is safely in the new one.
    if (!m_device.save(chosen)) {
        MessageBox::warning(this, title(),
                            QStringLiteral("The sound could not be saved to %1: %2")
                                .arg(QDir::toNativeSeparators(chosen), m_device.errorText()));
        return;
    }
    leaveCurrent(chosen);
    m_current = chosen;
    showHeader(chosen);
    showMode();
}

void RecorderDialog::newClicked()
{
    if (!makeTemporaryRecording()) {
        showMode();
        return;
    }
    leaveCurrent(temporaryRecording(m_wavesDir));
    m_current = temporaryRecording(m_wavesDir);
    openDevice();
    showHeader(QStringLiteral("New Wave File"));
    m_openStart.clear();
    m_saveStart.clear();
}

void RecorderDialog::wordClicked()
{
    if (m_device.mode() == WaveDevice::Mode::Recording || m_device.mode() == WaveDevice::Mode::Playing)
        stopClicked();
    if (m_device.lengthMs() <= kNothingRecordedMs) {
        // An empty sound would silence the word.
        MessageBox::warning(this, title(),
                            QStringLiteral("There is no sound to use as a word. Record or open one first."));
        return;
    }
    const std::optional<int> index = m_chooseWord(this);
    const QList<ClockWord> words = clockWords();
    if (!index || *index < 0 || *index >= words.size())
        return;
    const QString voiceDir = m_state.paths().voiceDir();
    const QString file = QDir(voiceDir).filePath(words.at(*index).fileName);
    QDir().mkpath(voiceDir);
    // The device now holds the word's file; the dialog's current file, its
    // result and the pending recording stay as they are.
    if (!m_device.save(file)) {
        MessageBox::warning(this, title(),
                            QStringLiteral("The word \"%1\" could not be saved: %2")
                                .arg(words.at(*index).spoken, m_device.errorText()));
        return;
    }
    MessageBox::information(this, title(),
                            QStringLiteral("The clock now speaks \"%1\" with this sound from its next start.")
                                .arg(words.at(*index).spoken));
}

void RecorderDialog::accept()
{
    if (m_device.mode() == WaveDevice::Mode::Recording || m_device.mode() == WaveDevice::Mode::Playing)
        stopClicked();
    if (m_current.isEmpty()) {
        // No temporary recording could be made: there is nothing to hand back.
        reject();
        return;
    }
    if (isTemporary()) {
        if (m_device.mode() == WaveDevice::Mode::NotReady || m_device.lengthMs() <= kNothingRecordedMs) {
            reject();
            return;
        }
        const std::optional<QString> name = freeRecordingName(m_wavesDir);
        if (!name) {
            MessageBox::warning(
                this, title(),
                QStringLiteral("All %1 numbered recordings (Horavox-1.wav to Horavox-%1.wav) are "
                               "in use. Save this recording under a name of your own, or delete "
                               "recordings that are no longer needed.")
                    .arg(kRecordingNumbers));
            return;
        }
        if (!m_device.save(*name)) {
            MessageBox::warning(this, title(),
                                QStringLiteral("The recording could not be saved to %1: %2")
                                    .arg(QDir::toNativeSeparators(*name), m_device.errorText()));
            return;
        }
        m_current = *name;
        m_state.setPendingRecording(*name);
    }
    if (!QFileInfo(m_current).isFile()) {
        MessageBox::warning(this, title(),
                            QStringLiteral("%1 does not exist. Open, save or record a sound first.")
                                .arg(QDir::toNativeSeparators(m_current)));
        return;
    }
    if (const QString problem = storedPathProblem(m_current); !problem.isEmpty()) {
        MessageBox::warning(this, title(), problem);
        return;
    }
    m_replaced.removeAll(m_current);
    deleteUnusedRecordings(m_state, m_replaced);
    m_result = m_current;
    QDialog::accept();
}

void RecorderDialog::done(int r)
{
    m_meter.stop();
    m_device.close();
    QDialog::done(r);
}

void RecorderDialog::showHelp()
{
    if (recorderHelp())
        recorderHelp()(kHelpContext);
}

void RecorderDialog::showHeader(const QString& text)
{
    ui->fileHeader->setText(text == m_current ? QDir::toNativeSeparators(text) : text);
}

void RecorderDialog::showDevices()
{
    QStringList notes;
    if (!m_device.devicesKnown()) {
        notes.append(QStringLiteral("Looking for the audio devices..."));
    } else {
        if (!m_device.canRecord())
            notes.append(QStringLiteral("There is no audio input, so nothing can be recorded."));
        if (!m_device.canPlay())
            notes.append(QStringLiteral("There is no audio output, so nothing can be played."));
    }
    ui->deviceNote->setText(notes.join(u' '));
    ui->deviceNote->setVisible(!notes.isEmpty());
}

void RecorderDialog::showMode()
{
    const WaveDevice::Mode mode = m_device.mode();
    ui->modeLabel->setText(WaveDevice::modeName(mode));
    const bool running = mode == WaveDevice::Mode::Recording || mode == WaveDevice::Mode::Playing;
    const bool ready = mode != WaveDevice::Mode::NotReady;
    ui->recordButton->setEnabled(m_device.canRecord() && mode != WaveDevice::Mode::Recording);
    ui->playButton->setEnabled(m_device.canPlay() && ready && !running);
    ui->stopButton->setEnabled(running);
    ui->saveButton->setEnabled(ready);
    ui->wordButton->setEnabled(ready);
    if (running && !m_meter.isActive())
        m_meter.start();
    else if (!running)
        m_meter.stop();
    updateMeter();
}

void RecorderDialog::updateMeter()
{
    ui->levelMeter->setValue(int(m_device.takeLevel() * 100));
    ui->lengthLabel->setText(lengthText(m_device.lengthMs()));
}

} // namespace hv
