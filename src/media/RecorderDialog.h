// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WaveDevice.h"

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class RecorderDialog;
}

namespace hv {

class AppState;

// Opens the recorder modally on `current` (a stored wave path, empty for none).
// Returns the file to use on OK, std::nullopt on Cancel. Replaced recordings are
// collected and deleted only at OK (through deleteUnusedRecordings).
std::optional<QString> runRecorder(AppState& state, WaveDevice& device, const QString& current,
                                   QWidget* parent);

// What the Help button of the recorder calls with its help context number;
// the program sets it once (windows cannot reach the help of the application).
void setRecorderHelp(std::function<void(int contextNumber)> help);

// "Recorder": records a new sound, plays it, opens a wave file or saves the
// sound under a name, and hands one wave file back to its caller.
//
// Within one opening the current file moves between the caller's file, the
// temporary recording (waves/temp.wav, whose sound the device holds until it
// is saved), files opened and names saved to. Recorded wave files that stop
// being current are only collected; OK deletes those that nothing names any
// more, Cancel deletes nothing.
class RecorderDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kHelpContext = 58;

    // How the open and save dialogs ask for a file: given the starting name,
    // the chosen one, or empty when the user cancelled. Tests put their own.
    using ChooseFile = std::function<QString(QWidget* parent, const QString& start)>;

    RecorderDialog(AppState& state, WaveDevice& device, const QString& current, QWidget* parent = nullptr);
    ~RecorderDialog() override;

    void setFileChoosers(ChooseFile open, ChooseFile save);
    // How the clock word is chosen: an index into clockWords(), or none.
    void setWordChooser(std::function<std::optional<int>(QWidget* parent)> choose);

    // Valid after OK: the file to hand back.
    const QString& chosenFile() const { return m_result; }
    const QString& currentFile() const { return m_current; }

    void accept() override;
    void done(int r) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void prepare();
    void recordClicked();
    void playClicked();
    void stopClicked();
    void openClicked();
    void saveClicked();
    void newClicked();
    void wordClicked();
    void showHelp();

    bool makeTemporaryRecording();
    bool openDevice();
    void leaveCurrent(const QString& next);
    void showHeader(const QString& text);
    void showDevices();
    void showMode();
    void updateMeter();
    bool isTemporary() const;

    std::unique_ptr<Ui::RecorderDialog> ui;
    AppState& m_state;
    WaveDevice& m_device;
    QString m_wavesDir;
    QString m_current;
    QString m_openStart;
    QString m_saveStart;
    QStringList m_replaced; // recorded wave files that stopped being current
    QString m_result;
    bool m_prepared = false;
    QTimer m_meter;
    ChooseFile m_chooseOpen;
    ChooseFile m_chooseSave;
    std::function<std::optional<int>(QWidget*)> m_chooseWord;
};

} // namespace hv
