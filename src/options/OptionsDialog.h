// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/Settings.h"
#include "options/CustomColours.h"
#include "options/HotKeyChoice.h"
#include "platform/Platform.h"

#include <QColor>
#include <QDialog>
#include <QScopedPointer>
#include <QStringList>

#include <functional>
#include <optional>

class QComboBox;
class QLineEdit;

namespace Ui {
class OptionsDialog;
}

namespace hv {

class AppState;

// "Program Options": the one place where the user changes the clock's
// settings. It edits a working copy of the settings record, previews the face
// on a sample as the user goes, and hands the copy back only on OK; the clock
// adopts it then (ClockProgram). Cancel, Escape and the close box leave the
// settings, the files and the recorded waves as they were. Of its own accord
// it writes only its position (section "OptionsForm", at destruction) and the
// colour chooser's custom colours (CstmCol.Str, on the chooser's OK).
class OptionsDialog : public QDialog
{
    Q_OBJECT

public:
    // The preview's size, in pixels: the widths of the settings apply to it unscaled.
    static constexpr int kSampleWidth = 261;
    static constexpr int kSampleHeight = 69;

    // Picks a colour, starting from `initial`; nothing when the user cancels.
    using ColourChooser = std::function<std::optional<QColor>(const QColor& initial, QWidget* parent)>;
    // Picks the wave to play with the announcements, given the current one
    // (empty for none); nothing when the user cancels.
    using WaveChooser = std::function<std::optional<QString>(const QString& current, QWidget* parent)>;

    // Takes the working copy from `state`. `platform` says whether this desktop
    // has a title-bar clock and a global hot key; its hot key tells whether
    // a combination is held by another program. Both must outlive the dialog.
    OptionsDialog(AppState& state, const Platform& platform, QWidget* parent = nullptr);
    // Stores the dialog's place.
    ~OptionsDialog() override;

    // The working copy: after OK, what the clock adopts.
    const SettingsRecord& settingsCopy() const { return m_copy; }
    // Stored waves that "Clear" or another choice took out of the field, and
    // the recordings made while the dialog was open: once the copy is adopted,
    // the recordings among them that no setting and no alarm names any more
    // may be deleted.
    QStringList droppedWaves() const { return m_droppedWaves + m_recordedWaves; }

    // The face height the preview's font is given, in pixels of character cell.
    int sampleFontHeight() const { return m_sampleFontHeight; }

    // For tests and other desktops: what the colour and wave buttons open.
    void setColourChooser(ColourChooser chooser) { m_chooseColour = std::move(chooser); }
    void setWaveChooser(WaveChooser chooser) { m_chooseWave = std::move(chooser); }

    // OK: the wave and the hot key go into the copy and the settings' extras.
    void accept() override;
    // Cancel: the recordings made while the dialog was open go again.
    void reject() override;

Q_SIGNALS:
    // The user asked for help on a topic: a context number of the help pages.
    void helpRequested(int context);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setUpControls();
    void fillControls();
    void fillLists();
    void showAvailability();
    void connectControls();

    // The face preview.
    void applySampleStyle(const QString& style);
    void setSampleFontHeight(int cellHeight);
    void fitSampleFont();

    // One handler per control.
    void fontNameChosen(const QString& name);
    void fontStyleChosen(const QString& style);
    void bevelChosen(QComboBox* list, qint32& field);
    void widthEdited(QLineEdit* field, qint32& width);
    void widthLeft(QLineEdit* field, qint32& width);
    void intervalChosen(int index);
    void hotKeyEnabledToggled(bool enabled);
    void hotKeyChosen(const HotKeyCombination& combination);
    void browseWave();
    void clearWave();
    void dropWave();
    void chooseFontColour();
    void chooseBackgroundColour();
    void showHelpFor(QWidget* widget);

    // Shows the colour chooser with CstmCol.Str's custom colours; writes them
    // back on OK. Nothing when the user cancelled.
    std::optional<QColor> runColourChooser(const QColor& initial);
    void loadChooserColours();
    void saveChooserColours();
    // The wave recorder on `current`: the file to use, or nothing on Cancel.
    std::optional<QString> chooseWaveFile(const QString& current, QWidget* parent);

    QScopedPointer<Ui::OptionsDialog> ui;
    AppState& m_state;
    Platform m_platform;
    SettingsRecord m_copy;
    QStringList m_droppedWaves;
    QStringList m_recordedWaves;
    int m_sampleFontHeight = 1;
    // The custom colours as last loaded: a slot never set shows as white in the
    // chooser and stays never set unless the user changes it.
    CustomColours m_loadedColours = emptyCustomColours();
    ColourChooser m_chooseColour;
    WaveChooser m_chooseWave;
};

} // namespace hv
