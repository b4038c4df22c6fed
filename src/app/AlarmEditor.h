// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "alarms/AlarmRecord.h"
#include "alarms/AlarmTable.h"
#include "common/DateTime.h"
#include "common/FormatSettings.h"

#include <QDialog>
#include <QList>
#include <QScopedPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace Ui {
class AlarmEditor;
}

namespace hv {

class AppState;
class Clock;

// The help topics of the editor's pages (AlarmKind order) and of "What is Pagedeck?".
inline constexpr int kAlarmEditorHelpTopics[] = {51, 52, 53, 54, 55, 56};
inline constexpr int kPagedeckHelpTopic = 57;

// How many occurrences the editor lists under "Next:".
inline constexpr int kListedOccurrences = 5;

// The moments the alarm fires next, at most `count`, from the clock reading
// `now`: computed on a copy, each one searched from the one before. A Once
// alarm gives its one moment, even when that has passed; a damaged record
// gives none.
QList<DateTime> nextOccurrences(const AlarmRecord& alarm, DateTime now, int count);

// The Target of a Command alarm from the four choices of the Command page,
// each the chosen item's text or empty for no choice: every chosen piece is
// appended after a blank, so the text starts with one.
QString commandTarget(const QString& playVoice, const QString& interval, const QString& waveFile,
                      const QString& when);

// The page names of the launcher found in `folder`: each "*.tab" file's name
// up to its first '.', in the order the folder lists them. None for "NONE".
QStringList pagedeckPages(const QString& folder);

// What the editor needs from the program besides the shared state.
struct AlarmEditorServices
{
    // The one source of "now": the new-alarm state, Today and "Next:".
    const Clock& clock;
    // Opens a help topic.
    std::function<void(int topic)> help;
    // Opens the wave recorder on a stored path (empty for none): the file to
    // use on OK, none on Cancel. A new recording it stored is named by
    // AppState::pendingRecording(), which the editor takes over. Without it
    // the Browse / Record buttons do nothing.
    std::function<std::optional<QString>(const QString& current, QWidget* parent)> record;
    // The file dialog of the Program page's Browse: the chosen file, empty
    // for none. A QFileDialog when not given.
    std::function<QString(QWidget* parent, const QString& filter)> chooseProgram;
    // The folder dialog of "Program Path", starting at `start` (empty: its
    // default): the chosen folder, empty for none. A QFileDialog when not given.
    std::function<QString(QWidget* parent, const QString& start)> chooseFolder;
};

// "Alarm Setup": the window in which alarms are made, changed and deleted.
// A page per alarm kind; the list shows the alarms of the page's kind, each
// line tied to its alarm by AlarmId, so alarms with equal descriptions stay
// apart and alarms that the clock removed or moved meanwhile are never
// mistaken for others. The window edits the program-wide edit buffer; Save
// copies it into the table. Every way of closing (OK, Escape, the close box)
// asks about an unsaved change first; the launcher folder is written to the
// settings whenever the window is asked to close. The caller writes the
// alarm file after the window has closed.
class AlarmEditor : public QDialog
{
    Q_OBJECT

public:
    // `state` and the services outlive the window.
    AlarmEditor(AppState& state, AlarmEditorServices services, QWidget* parent = nullptr);
    ~AlarmEditor() override;

    // Whether the alarm in the controls differs from the saved one.
    bool isModified() const { return m_modified; }
    // The alarm the controls were loaded from; 0 for a new alarm. It may have
    // been removed meanwhile: Save then stores the edit as a new alarm.
    AlarmId selectedAlarm() const { return m_selected; }

    // Runs Save; false when a message stopped it (the edit is then unchanged).
    bool save();

public Q_SLOTS:
    // The table changed under the window (an alarm fired, moved, or was auto
    // deleted): rebuilds the list's lines, keeping the edit and the selected
    // alarm when it is still there.
    void alarmsChanged();

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int page() const;
    QWidget* firstControlOf(int page) const;
    void focusFirstControl();
    void focusProgramPathOnProgramPage();

    void showPageList(int page);
    void fillList(int page);
    void loadAlarm(AlarmId id);
    void showDateFor(bool once);
    bool gather();
    void enterNewState();
    void showNext();
    // A moment as "Next:" shows it: the date field's date, then the time.
    QString momentText(DateTime moment) const;
    void markModified();

    // Handlers, one per command.
    void pageChanged(int page);
    void listClicked();
    void newClicked();
    void deleteClicked();
    void todayClicked();
    void recurringClicked();
    void browseProgram();
    void recordWave();
    void clearWave();
    void recordBeforeAfter();
    void clearBeforeAfter();
    void chooseLauncherFolder();
    void helpClicked();

    // Reads back the date or time field that has the focus; false when its
    // text did not read (it is then repaired and keeps the focus).
    bool commitTypedField();
    // Validation of the page; false after showing its message.
    bool validate();
    // Asks "Save Changes?" when modified: true when the caller may go on
    // (saved, or No); false for Cancel or a save that stopped.
    bool settleChanges();
    // Takes over the recording the recorder just stored, if it stored one.
    void adoptNewRecording();
    void discardPendingRecording();
    void addPageNames(const QString& folder);

    DateTime startTime() const;
    DateTime stopTime() const;
    DateTime date() const;
    void setStartTime(DateTime value);
    void setStopTime(DateTime value);
    void setDate(DateTime value);
    DateTime now() const;

    QScopedPointer<Ui::AlarmEditor> ui;
    AppState& m_state;
    AlarmEditorServices m_services;

    AlarmId m_selected = 0;
    QList<AlarmId> m_lineAlarms; // the alarm behind each line of the list
    bool m_modified = false;
    int m_filling = 0; // > 0 while the window sets its own controls
    // The numbered recordings the recorder stored during this edit: no saved
    // alarm names them yet; they go when the edit is discarded, or at Save
    // when the saved alarm does not name them.
    QStringList m_pendingRecordings;
    // Stored paths that the edit dropped (cleared or replaced): their files go
    // at Save when no alarm names them any more.
    QStringList m_dropped;
    bool m_shownOnce = false;
};

} // namespace hv
