// SPDX-License-Identifier: GPL-3.0-or-later
#include "AlarmEditor.h"

#include "alarms/AlarmDescription.h"
#include "alarms/Recurrence.h"
#include "alarms/RecurrenceDialog.h"
#include "app/AppState.h"
#include "app/RecordedWaves.h"
#include "common/DateTimeFormat.h"
#include "common/Error.h"
#include "common/Logging.h"
#include "common/StoredPath.h"
#include "controls/MessageBox.h"
#include "controls/TimeEdit.h"
#include "platform/Clock.h"
#include "ui_AlarmEditor.h"

#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QTextCursor>

namespace hv {

namespace {

constexpr char16_t kNone[] = u"NONE";
constexpr qsizetype kStoredBytes = 100; // a string of the alarm record

const QString& noneText()
{
    static const QString none = QString::fromUtf16(kNone);
    return none;
}

// The part after the last '/' or '\': how the wave group shows a stored path.
QString fileNamePart(const QString& path)
{
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(cut + 1);
}

// The text shown for a WaveA or WaveB: "NONE" for none.
QString waveLabelText(const QString& stored)
{
    return stored.isEmpty() || stored == noneText() ? noneText() : fileNamePart(stored);
}

void tell(QWidget* parent, const QString& text)
{
    MessageBox::show(parent, QMessageBox::NoIcon, QStringLiteral("Horavox"), text);
}

} // namespace

QList<DateTime> nextOccurrences(const AlarmRecord& alarm, DateTime now, int count)
{
    QList<DateTime> moments;
    DateTime from = now;
    while (moments.size() < count) {
        const std::optional<DateTime> next = nextOccurrence(alarm, from, false);
        if (!next || (!moments.isEmpty() && *next <= moments.last()))
            break;
        moments.append(*next);
        if (alarm.Rule == RuleOnce)
            break;
        from = *next;
    }
    return moments;
}

QString commandTarget(const QString& playVoice, const QString& interval, const QString& waveFile,
                      const QString& when)
{
    QString target;
    const auto append = [&target](const QString& piece) {
        if (!piece.isEmpty())
            target = (target + u' ' + piece).left(kStoredBytes);
    };
    append(playVoice.isEmpty() ? QString() : QStringLiteral("PlayVoice ") + playVoice);
    append(interval);
    append(waveFile.isEmpty() ? QString() : QStringLiteral("WaveFile ") + waveFile);
    append(when);
    return target;
}

QStringList pagedeckPages(const QString& folder)
{
    if (folder.isEmpty() || folder == noneText())
        return {};
    QStringList pages;
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.tab")},
                                                     QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& file : files)
        pages.append(file.section(u'.', 0, 0));
    return pages;
}

AlarmEditor::AlarmEditor(AppState& state, AlarmEditorServices services, QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::AlarmEditor)
    , m_state(state)
    , m_services(std::move(services))
{
    ui->setupUi(this);
    ui->alarmList->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    ui->nextList->setTextFormat(Qt::PlainText);
    ui->saveButton->setDefault(true);
    for (TimeEdit* field : {ui->startTimeEdit, ui->stopTimeEdit}) {
        field->setFormats(m_state.formats());
        field->setClock(&m_services.clock);
    }
    ui->dateEdit->setFormats(m_state.formats());
    ui->dateEdit->setClock(&m_services.clock);
    ui->alarmList->installEventFilter(this);

    connect(ui->pages, &QTabWidget::currentChanged, this, &AlarmEditor::pageChanged);
    connect(ui->alarmList, &QListWidget::currentRowChanged, this, [this] {
        if (m_filling == 0)
            listClicked();
    });
    connect(ui->saveButton, &QPushButton::clicked, this, [this] { save(); });
    connect(ui->newButton, &QPushButton::clicked, this, &AlarmEditor::newClicked);
    connect(ui->deleteButton, &QPushButton::clicked, this, &AlarmEditor::deleteClicked);
    connect(ui->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->helpButton, &QPushButton::clicked, this, &AlarmEditor::helpClicked);
    connect(ui->whatIsPagedeckButton, &QPushButton::clicked, this, [this] {
        if (m_services.help)
            m_services.help(kPagedeckHelpTopic);
    });
    connect(ui->todayButton, &QPushButton::clicked, this, &AlarmEditor::todayClicked);
    connect(ui->recurringButton, &QPushButton::clicked, this, &AlarmEditor::recurringClicked);
    connect(ui->browseProgramButton, &QPushButton::clicked, this, &AlarmEditor::browseProgram);
    connect(ui->waveRecordButton, &QPushButton::clicked, this, &AlarmEditor::recordWave);
    connect(ui->waveClearButton, &QPushButton::clicked, this, &AlarmEditor::clearWave);
    connect(ui->beforeAfterRecordButton, &QPushButton::clicked, this, &AlarmEditor::recordBeforeAfter);
    connect(ui->beforeAfterClearButton, &QPushButton::clicked, this, &AlarmEditor::clearBeforeAfter);
    connect(ui->launcherFolderButton, &QPushButton::clicked, this, &AlarmEditor::chooseLauncherFolder);

    // The chosen wave of the group shows in the window text colour, the other greyed.
    connect(ui->waveAButton, &QToolButton::toggled, this, [this](bool a) {
        ui->waveALabel->setEnabled(a);
        ui->waveBLabel->setEnabled(!a);
    });
    ui->waveBLabel->setEnabled(false);

    // Every edit of the user marks the alarm as changed, so that closing asks.
    const auto edited = [this] {
        if (m_filling == 0)
            markModified();
    };
    connect(ui->messageText, &QPlainTextEdit::textChanged, this, [this, edited] {
        // The record stores 100 characters of Windows-1252, one byte each:
        // the text is held to that as it is typed or pasted.
        const QString text = ui->messageText->toPlainText();
        if (text.size() > kStoredBytes) {
            qsizetype keep = kStoredBytes;
            if (text.at(keep - 1).isHighSurrogate())
                --keep;
            const QSignalBlocker block(ui->messageText);
            ui->messageText->setPlainText(text.left(keep));
            ui->messageText->moveCursor(QTextCursor::End);
        }
        edited();
    });
    connect(ui->programPath, &QLineEdit::textChanged, this, edited);
    connect(ui->wavePath, &QLineEdit::textChanged, this, edited);
    connect(ui->startTimeEdit, &TimeEdit::textChanged, this, edited);
    connect(ui->stopTimeEdit, &TimeEdit::textChanged, this, edited);
    connect(ui->dateEdit, &DateEdit::dateChanged, this, [this, edited] {
        ui->dayName->setText(dayName(date()));
        edited();
    });
    for (QCheckBox* box : {ui->runMinimized, ui->autoDeleteCheck, ui->autoStartCheck})
        connect(box, &QCheckBox::clicked, this, edited);
    connect(ui->activeCheck, &QCheckBox::clicked, this, [this, edited] {
        ui->nextLabel->setEnabled(ui->activeCheck->isChecked());
        edited();
    });
    connect(ui->stopCheck, &QCheckBox::clicked, this, [this, edited] {
        ui->stopTimeEdit->setEnabled(ui->stopCheck->isChecked());
        edited();
    });
    for (QComboBox* box : {ui->cdMode, ui->playVoice, ui->interval, ui->waveSwitch, ui->when, ui->pageName})
        connect(box, &QComboBox::activated, this, edited);
}

AlarmEditor::~AlarmEditor() = default;

DateTime AlarmEditor::now() const
{
    return m_services.clock.now();
}

// --- Values of the date and time fields --------------------------------------

DateTime AlarmEditor::startTime() const
{
    return ui->startTimeEdit->timeOfDay();
}

DateTime AlarmEditor::stopTime() const
{
    return ui->stopTimeEdit->timeOfDay();
}

DateTime AlarmEditor::date() const
{
    const DateTime shown = ui->dateEdit->date();
    return shown != 0 ? shown : datePart(now());
}

void AlarmEditor::setStartTime(DateTime value)
{
    ui->startTimeEdit->setValue(std::isfinite(value) ? timePart(value) : 0);
}

void AlarmEditor::setStopTime(DateTime value)
{
    ui->stopTimeEdit->setValue(std::isfinite(value) ? timePart(value) : 0);
}

void AlarmEditor::setDate(DateTime value)
{
    const bool valid = std::isfinite(value) && value >= kFirstDay && value < kLastDay + 1;
    ui->dateEdit->setDate(valid ? datePart(value) : datePart(now()));
    ui->dayName->setText(dayName(date()));
}

// --- Pages and the list ------------------------------------------------------

int AlarmEditor::page() const
{
    return ui->pages->currentIndex();
}

QWidget* AlarmEditor::firstControlOf(int page) const
{
    switch (page) {
    case KindProgram:
        return ui->programPath;
    case KindWaveFile:
        return ui->waveRecordButton;
    case KindCdPlayer:
        return ui->cdMode;
    case KindCommand:
        return ui->playVoice;
    case KindPagedeck:
        return ui->pageName;
    default:
        return ui->messageText;
    }
}

void AlarmEditor::focusFirstControl()
{
    firstControlOf(page())->setFocus(Qt::OtherFocusReason);
}

void AlarmEditor::focusProgramPathOnProgramPage()
{
    if (page() == KindProgram)
        ui->programPath->setFocus(Qt::OtherFocusReason);
}

void AlarmEditor::fillList(int page)
{
    ++m_filling;
    ui->alarmList->clear();
    m_lineAlarms.clear();
    // Every slot is looked at: auto delete may have left gaps between the
    // used ones while the window was open.
    const AlarmTable& alarms = m_state.alarms();
    for (int n = 1; n <= AlarmTable::kSlots; ++n) {
        const AlarmRecord& alarm = alarms.slot(n);
        if (!alarm.isUsed() || alarm.AlarmKind != page)
            continue;
        ui->alarmList->addItem(describeAlarm(alarm, m_state.formats()));
        m_lineAlarms.append(alarms.idOf(n));
    }
    const qsizetype line = m_lineAlarms.indexOf(m_selected);
    ui->alarmList->setCurrentRow(m_selected != 0 && line >= 0 ? int(line) : -1);
    --m_filling;
}

void AlarmEditor::showPageList(int page)
{
    ui->waveAButton->setChecked(true);
    const bool stops = page == KindProgram || page == KindCdPlayer || page == KindPagedeck;
    for (QWidget* stop : {static_cast<QWidget*>(ui->stopCheck), static_cast<QWidget*>(ui->stopTimeEdit),
                          static_cast<QWidget*>(ui->waveBLabel), static_cast<QWidget*>(ui->waveBButton)})
        stop->setVisible(stops);
    // A Wave File alarm plays its own file: the group of the waves around it goes.
    ui->waveGroup->setVisible(page != KindWaveFile);

    m_selected = 0;
    fillList(page);
    if (m_lineAlarms.isEmpty()) {
        enterNewState();
        return;
    }
    loadAlarm(m_lineAlarms.first());
    ++m_filling;
    ui->alarmList->setCurrentRow(0);
    --m_filling;
}

void AlarmEditor::alarmsChanged()
{
    fillList(page());
}

void AlarmEditor::showDateFor(bool once)
{
    ui->dateEdit->setVisible(once);
    // The recurrence dialog may have greyed it: shown again, it is usable again.
    ui->dateEdit->setEnabled(true);
    ui->dayName->setVisible(once);
    ui->autoDeleteCheck->setEnabled(once);
    ui->nextCaption->setVisible(!once);
    ui->nextLabel->setVisible(!once);
}

void AlarmEditor::loadAlarm(AlarmId id)
{
    const std::optional<int> slot = m_state.alarms().slotOf(id);
    if (!slot)
        return;
    AlarmRecord& buffer = m_state.editBuffer();
    buffer = m_state.alarms().slot(*slot);
    m_selected = id;

    ++m_filling;
    showDateFor(buffer.Rule == RuleOnce);
    const QString target = buffer.Target.text();
    switch (buffer.AlarmKind) {
    case KindMessage:
        ui->messageText->setPlainText(target);
        break;
    case KindProgram:
        ui->programPath->setText(target);
        ui->runMinimized->setChecked(buffer.RunMinimized);
        break;
    case KindWaveFile:
        ui->wavePath->setText(target);
        break;
    case KindCdPlayer:
        ui->cdMode->setCurrentIndex(ui->cdMode->findText(target));
        break;
    case KindPagedeck:
        // A page that the launcher folder does not list (no folder chosen on
        // this machine, its file gone) is still the alarm's: it joins the
        // list, so that saving a change of time does not ask for a page.
        if (!target.isEmpty() && ui->pageName->findText(target) < 0)
            ui->pageName->addItem(target);
        ui->pageName->setCurrentIndex(ui->pageName->findText(target));
        break;
    case KindCommand: {
        const auto pick = [&target](QComboBox* box, const QStringList& words) {
            box->setCurrentIndex(-1);
            for (int i = 0; i < words.size(); ++i) {
                if (target.contains(words.at(i)))
                    box->setCurrentIndex(i);
            }
        };
        pick(ui->playVoice, {QStringLiteral("PlayVoice On"), QStringLiteral("PlayVoice Off")});
        pick(ui->interval, {QStringLiteral("1 min"), QStringLiteral("5 min"), QStringLiteral("10 min"),
                            QStringLiteral("15 min"), QStringLiteral("30 min"), QStringLiteral("60 min")});
        pick(ui->waveSwitch, {QStringLiteral("WaveFile On"), QStringLiteral("WaveFile Off")});
        pick(ui->when, {QStringLiteral("Before"), QStringLiteral("After")});
        break;
    }
    default:
        break;
    }
    ui->waveALabel->setText(waveLabelText(buffer.WaveA.text()));
    ui->waveBLabel->setText(waveLabelText(buffer.WaveB.text()));
    setStartTime(buffer.StartTime);
    setStopTime(buffer.StopTime);
    ui->nextLabel->setText(momentText(buffer.NextDue));
    setDate(buffer.OnceDate);
    ui->activeCheck->setChecked(buffer.Active);
    ui->stopCheck->setChecked(buffer.StopEnabled);
    ui->autoDeleteCheck->setChecked(buffer.AutoDelete);
    ui->autoStartCheck->setChecked(buffer.AutoStart);
    ui->nextLabel->setEnabled(buffer.Active);
    ui->stopTimeEdit->setEnabled(buffer.StopEnabled);
    --m_filling;
    m_modified = false;
    showNext();
}

void AlarmEditor::enterNewState()
{
    ++m_filling;
    m_selected = 0;
    ui->waveAButton->setChecked(true);
    switch (page()) {
    case KindMessage:
        ui->messageText->clear();
        break;
    case KindProgram:
        ui->programPath->clear();
        break;
    case KindWaveFile:
        ui->wavePath->clear();
        break;
    case KindCdPlayer:
        ui->cdMode->setCurrentIndex(-1);
        break;
    case KindCommand:
        for (QComboBox* box : {ui->playVoice, ui->interval, ui->waveSwitch, ui->when})
            box->setCurrentIndex(-1);
        break;
    case KindPagedeck:
        ui->pageName->setCurrentIndex(-1);
        break;
    default:
        break;
    }
    ui->waveALabel->setText(noneText());
    ui->waveBLabel->setText(noneText());
    const DateTime moment = now();
    setDate(datePart(moment));
    setStartTime(timePart(moment));
    setStopTime(timePart(moment));

    // A new alarm starts from a cleared record: nothing of the alarm loaded
    // before (its next and stop moments, its started program's window) may
    // come along.
    AlarmRecord& buffer = m_state.editBuffer();
    buffer.clear();
    buffer.AlarmKind = page();
    buffer.Rule = RuleOnce;
    buffer.OnceDate = date();
    buffer.RecursWhich = RecursEvery;
    buffer.RecursDay = dayOfWeek(buffer.OnceDate);
    buffer.EveryDays = buffer.RecursDay;
    buffer.Count = 1;
    buffer.EveryUnit = EveryHours;
    buffer.AutoDelete = true;
    buffer.Active = true;
    buffer.WaveA = noneText();
    buffer.WaveB = noneText();

    showDateFor(true);
    ui->autoDeleteCheck->setChecked(true);
    ui->autoStartCheck->setChecked(true);
    ui->stopCheck->setChecked(false);
    ui->activeCheck->setChecked(true);
    ui->runMinimized->setChecked(false);
    ui->alarmList->setCurrentRow(-1);
    ui->nextLabel->setEnabled(true);
    ui->stopTimeEdit->setEnabled(false);
    ui->nextLabel->clear();
    --m_filling;
    m_modified = false;
    showNext();
}

// --- Gathering ------------------------------------------------------------------

bool AlarmEditor::gather()
{
    AlarmRecord& buffer = m_state.editBuffer();
    const int p = page();
    const auto chosen = [](const QComboBox* box) {
        return box->currentIndex() >= 0 ? box->currentText() : QString();
    };
    switch (p) {
    case KindMessage:
        buffer.Target = ui->messageText->toPlainText();
        break;
    case KindProgram:
        buffer.Target = ui->programPath->text();
        break;
    case KindWaveFile:
        buffer.Target = ui->wavePath->text();
        break;
    case KindCdPlayer:
        buffer.Target = chosen(ui->cdMode);
        break;
    case KindCommand:
        buffer.Target = commandTarget(chosen(ui->playVoice), chosen(ui->interval), chosen(ui->waveSwitch),
                                      chosen(ui->when));
        break;
    case KindPagedeck:
        buffer.Target = chosen(ui->pageName);
        break;
    default:
        break;
    }
    buffer.AlarmKind = p;
    if (ui->waveALabel->text() == noneText())
        buffer.WaveA = noneText();
    if (ui->waveBLabel->text() == noneText())
        buffer.WaveB = noneText();
    buffer.StartTime = startTime();
    buffer.StopTime = stopTime();
    buffer.OnceDate = date();
    buffer.Active = ui->activeCheck->isChecked();
    buffer.RunMinimized = ui->runMinimized->isChecked();
    buffer.StopEnabled = ui->stopCheck->isChecked();
    buffer.AutoDelete = ui->autoDeleteCheck->isChecked();
    buffer.AutoStart = ui->autoStartCheck->isChecked();
    computeNextDue(buffer, now(), false);
    ui->nextLabel->setText(momentText(buffer.NextDue));
    showNext();
    return true;
}

void AlarmEditor::showNext()
{
    const AlarmRecord& buffer = m_state.editBuffer();
    AlarmRecord alarm = buffer;
    alarm.StartTime = startTime();
    alarm.StopTime = stopTime();
    alarm.OnceDate = date();
    const DateTime moment = now();
    const QList<DateTime> moments = nextOccurrences(alarm, moment, kListedOccurrences);
    if (alarm.Rule == RuleOnce && (moments.isEmpty() || moments.first() <= moment)) {
        ui->nextList->setText(QStringLiteral("Once, in the past: it will not fire."));
        return;
    }
    QStringList lines;
    for (const DateTime m : moments)
        lines.append(momentText(m) + QStringLiteral("  ") + dayName(m));
    ui->nextList->setText(lines.join(u'\n'));
}

QString AlarmEditor::momentText(DateTime moment) const
{
    if (moment == kNeverDue)
        return {};
    // The date as the date field writes it, four-digit year included, so that
    // "Next:" and the field never disagree about the century.
    return formatDateTime(ui->dateEdit->displayFormat() + QStringLiteral(" t"), moment, m_state.formats());
}

void AlarmEditor::markModified()
{
    m_modified = true;
    showNext();
}

// --- Save, New, Delete ---------------------------------------------------------

bool AlarmEditor::validate()
{
    const auto fail = [this](const QString& text, QWidget* focus) {
        tell(this, text);
        focus->setFocus(Qt::OtherFocusReason);
        return false;
    };
    switch (page()) {
    case KindProgram: {
        if (ui->programPath->text().isEmpty())
            return fail(QStringLiteral("You must 1st enter a program name before saving."), ui->programPath);
        const QString problem = storedPathProblem(ui->programPath->text());
        if (!problem.isEmpty())
            return fail(problem, ui->programPath);
        break;
    }
    case KindWaveFile: {
        if (ui->wavePath->text().isEmpty())
            return fail(
                QStringLiteral("Please enter a valid wave file or use the 'Browse / Record' button to "
                               "select or record a wave file."),
                ui->wavePath);
        const QString problem = storedPathProblem(ui->wavePath->text());
        if (!problem.isEmpty())
            return fail(problem, ui->wavePath);
        break;
    }
    case KindCdPlayer:
        if (ui->cdMode->currentIndex() < 0)
            return fail(QStringLiteral("You must enter a 'Mode'."), ui->cdMode);
        break;
    case KindCommand:
        if (ui->playVoice->currentIndex() < 0 && ui->interval->currentIndex() < 0 &&
            ui->waveSwitch->currentIndex() < 0 && ui->when->currentIndex() < 0)
            return fail(QStringLiteral("You must enter at least 1 command to save this Command Alarm."),
                        ui->playVoice);
        break;
    case KindPagedeck:
        if (ui->pageName->currentIndex() < 0)
            return fail(
                QStringLiteral("You must select a Page from Pagedeck in order to save an Pagedeck Alarm."),
                ui->pageName);
        break;
    default:
        break;
    }
    return true;
}

bool AlarmEditor::commitTypedField()
{
    // The date and time fields read their text back when the focus leaves
    // them. Save by its accelerator, or by Yes at a question, leaves the focus
    // where it was, so a time typed just before would be lost: it is read
    // here. A text that does not read is repaired as on leaving, and the
    // field keeps the focus for the user to look at before saving again.
    QWidget* typing = focusWidget();
    if (typing == ui->startTimeEdit || typing == ui->stopTimeEdit) {
        if (!static_cast<TimeEdit*>(typing)->commitText()) {
            typing->setFocus(Qt::OtherFocusReason);
            return false;
        }
    } else if (typing == ui->dateEdit && !ui->dateEdit->commitText()) {
        ui->dateEdit->setFocus(Qt::OtherFocusReason);
        return false;
    }
    return true;
}

bool AlarmEditor::save()
{
    if (!commitTypedField() || !validate())
        return false;
    AlarmTable& alarms = m_state.alarms();
    // The alarm loaded may have gone meanwhile (auto delete, a message
    // window's OK): the edit is then stored as a new alarm.
    const std::optional<int> loaded = m_selected != 0 ? alarms.slotOf(m_selected) : std::nullopt;
    const std::optional<int> free = alarms.findFreeSlot();
    if (!loaded && !free) {
        tell(this, alarmLimitMessage());
        return false;
    }
    gather();
    // The edit's new recordings that the saved alarm does not name go too.
    QStringList replaced = m_dropped + m_pendingRecordings;
    const int slot = loaded ? *loaded : *free;
    if (loaded) {
        const AlarmRecord& old = alarms.slot(slot);
        replaced << old.WaveA.text() << old.WaveB.text();
        if (old.AlarmKind == KindWaveFile)
            replaced << old.Target.text();
    }
    alarms.slot(slot) = m_state.editBuffer();
    alarms.sort();
    m_pendingRecordings.clear();
    m_dropped.clear();
    deleteUnusedRecordings(m_state, replaced);
    showPageList(page());
    m_modified = false;
    focusProgramPathOnProgramPage();
    return true;
}

bool AlarmEditor::settleChanges()
{
    if (!m_modified)
        return true;
    switch (MessageBox::show(this, QMessageBox::Warning, QStringLiteral("Warning!"),
                             QStringLiteral("Alarm has changed.  Save Changes?"),
                             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes)) {
    case QMessageBox::Yes:
        return save();
    case QMessageBox::No:
        discardPendingRecording();
        return true;
    default:
        return false;
    }
}

void AlarmEditor::newClicked()
{
    if (!settleChanges()) {
        focusProgramPathOnProgramPage();
        return;
    }
    enterNewState();
    focusFirstControl();
}

void AlarmEditor::deleteClicked()
{
    if (m_selected == 0) {
        enterNewState();
        return;
    }
    const std::optional<int> slot = m_state.alarms().slotOf(m_selected);
    if (!slot)
        return; // gone meanwhile: nothing of it is left to delete
    if (MessageBox::show(this, QMessageBox::Warning, QStringLiteral("Warning!"),
                         QStringLiteral("Are you sure you want to delete this alarm?"),
                         QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes) {
        focusProgramPathOnProgramPage();
        return;
    }
    discardPendingRecording();
    m_state.alarms().removeSlot(*slot, m_state.paths().dataDir());
    showPageList(page());
    m_modified = false;
}

// --- Date, time and recurrence ----------------------------------------------

void AlarmEditor::todayClicked()
{
    setDate(datePart(now()));
    m_state.editBuffer().Rule = RuleOnce;
    showDateFor(true);
    markModified();
}

void AlarmEditor::recurringClicked()
{
    AlarmRecord& buffer = m_state.editBuffer();
    // The dialog shows the date of the field, which the buffer has not had yet.
    buffer.OnceDate = date();
    RecurrenceDialog dialog(buffer, m_state.formats(), m_services.clock, this);
    connect(&dialog, &RecurrenceDialog::changed, this, [this] { m_modified = true; });
    connect(&dialog, &RecurrenceDialog::dateFieldEnabled, ui->dateEdit, &QWidget::setEnabled);
    connect(&dialog, &RecurrenceDialog::helpRequested, this, [this](int topic) {
        if (m_services.help)
            m_services.help(topic);
    });
    dialog.exec();
    // Whichever button closed it: the date shows, usable, for Once only, and
    // only a Once alarm may delete itself.
    const bool once = buffer.Rule == RuleOnce;
    showDateFor(once);
    ui->autoDeleteCheck->setChecked(once);
    gather();
}

// --- Files --------------------------------------------------------------------

void AlarmEditor::browseProgram()
{
    const QString filter =
        QStringLiteral("Executibles (*.exe *.com);;Batch files (*.bat);;Shortcut (*.lnk);;Pif files (*.pif);;"
                       "All Files (*)");
    const QString file = m_services.chooseProgram
                             ? m_services.chooseProgram(this, filter)
                             : QFileDialog::getOpenFileName(this, QString(), QString(), filter);
    if (!file.isEmpty()) {
        const QString problem = storedPathProblem(file);
        if (problem.isEmpty())
            ui->programPath->setText(file);
        else
            tell(this, problem);
    }
    focusProgramPathOnProgramPage();
}

void AlarmEditor::recordWave()
{
    if (!m_services.record)
        return;
    const QString current = ui->wavePath->text();
    const std::optional<QString> chosen = m_services.record(current, this);
    adoptNewRecording();
    if (!chosen)
        return;
    const QString problem = storedPathProblem(*chosen);
    if (!problem.isEmpty()) {
        tell(this, problem);
        return;
    }
    if (!current.isEmpty() && current != *chosen)
        m_dropped.append(current);
    ui->wavePath->setText(*chosen);
    m_state.editBuffer().Target = *chosen;
    markModified();
}

void AlarmEditor::clearWave()
{
    const QString current = ui->wavePath->text();
    if (!current.isEmpty())
        m_dropped.append(current);
    ui->wavePath->clear();
    m_state.editBuffer().Target = QString();
    markModified();
}

void AlarmEditor::recordBeforeAfter()
{
    if (!m_services.record)
        return;
    const bool b = ui->waveBButton->isChecked();
    AlarmRecord& buffer = m_state.editBuffer();
    const QString stored = (b ? buffer.WaveB : buffer.WaveA).text();
    const QString current = stored == noneText() ? QString() : stored;
    const std::optional<QString> chosen = m_services.record(current, this);
    adoptNewRecording();
    if (!chosen)
        return;
    const QString problem = storedPathProblem(*chosen);
    if (!problem.isEmpty()) {
        tell(this, problem);
        return;
    }
    if (!current.isEmpty() && current != *chosen)
        m_dropped.append(current);
    (b ? ui->waveBLabel : ui->waveALabel)->setText(waveLabelText(*chosen));
    (b ? buffer.WaveB : buffer.WaveA) = *chosen;
    markModified();
}

void AlarmEditor::clearBeforeAfter()
{
    const bool b = ui->waveBButton->isChecked();
    AlarmRecord& buffer = m_state.editBuffer();
    const QString stored = (b ? buffer.WaveB : buffer.WaveA).text();
    if (!stored.isEmpty() && stored != noneText())
        m_dropped.append(stored);
    (b ? ui->waveBLabel : ui->waveALabel)->setText(noneText());
    (b ? buffer.WaveB : buffer.WaveA) = noneText();
    markModified();
}

void AlarmEditor::adoptNewRecording()
{
    // The recorder's OK names the numbered file it stored; the editor owns
    // it from here until Save takes it or the edit is discarded.
    const QString made = m_state.pendingRecording();
    if (made.isEmpty())
        return;
    m_state.setPendingRecording(QString());
    if (!m_pendingRecordings.contains(made))
        m_pendingRecordings.append(made);
}

void AlarmEditor::discardPendingRecording()
{
    // Only the recordings made for this edit go; the files of the saved
    // alarms stay, whatever the edit did with them.
    m_dropped.clear();
    if (m_pendingRecordings.isEmpty())
        return;
    deleteUnusedRecordings(m_state, std::exchange(m_pendingRecordings, QStringList()));
}

// --- Launcher -----------------------------------------------------------------

void AlarmEditor::addPageNames(const QString& folder)
{
    for (const QString& name : pagedeckPages(folder)) {
        if (ui->pageName->findText(name) < 0)
            ui->pageName->addItem(name);
    }
}

void AlarmEditor::chooseLauncherFolder()
{
    const QString shown = ui->launcherFolder->text();
    const QString start = shown == noneText() ? QString() : shown;
    const QString folder = m_services.chooseFolder
                               ? m_services.chooseFolder(this, start)
                               : QFileDialog::getExistingDirectory(this, QString(), start);
    if (folder.isEmpty())
        return;
    ui->launcherFolder->setText(folder);
    addPageNames(folder);
}

void AlarmEditor::helpClicked()
{
    focusProgramPathOnProgramPage();
    if (m_services.help)
        m_services.help(kAlarmEditorHelpTopics[std::clamp(page(), 0, 5)]);
}

// --- Window -------------------------------------------------------------------

void AlarmEditor::pageChanged(int page)
{
    discardPendingRecording();
    showPageList(page);
    m_modified = false;
    // Arrow keys on the tab bar leave the focus there.
    if (!ui->pages->tabBar()->hasFocus())
        focusFirstControl();
}

void AlarmEditor::listClicked()
{
    const int line = ui->alarmList->currentRow();
    if (line < 0 || line >= m_lineAlarms.size())
        return;
    discardPendingRecording();
    loadAlarm(m_lineAlarms.at(line));
    m_modified = false;
}

void AlarmEditor::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    const QString folder = m_state.profile().readString(u"Pagedeck", u"Path", noneText());
    ui->launcherFolder->setText(folder.isEmpty() ? noneText() : folder);
    addPageNames(folder);
    m_state.alarms().sort();
    showPageList(page());
    m_modified = false;
    focusFirstControl();
}

void AlarmEditor::done(int result)
{
    const bool close = settleChanges();
    // The launcher folder is kept whatever the answer; "NONE" when none was chosen.
    try {
        m_state.profile().writeString(u"Pagedeck", u"Path", ui->launcherFolder->text());
    } catch (const Error& error) {
        qCWarning(lcAlarms).noquote() << "the launcher folder was not saved:" << error.message();
    }
    if (!close) {
        focusProgramPathOnProgramPage();
        return;
    }
    discardPendingRecording();
    QDialog::done(result);
}

bool AlarmEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->alarmList && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        deleteClicked();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace hv
