// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "alarms/AlarmRecord.h"

#include <QDialog>
#include <QScopedPointer>

namespace Ui {
class RecurrenceDialog;
}

namespace hv {

class Clock;
struct FormatSettings;

// "Recuring Date/Time": chooses the recurrence rule of the alarm in the edit
// buffer and its parameters. Modal; OK writes the rule fields into the
// buffer, Cancel (and Escape) leaves the buffer as it was.
//
// Every list starts on the buffer's value when that is in range and on its
// first item otherwise, so that a rule chosen without touching its lists
// still stores values that fire. The step count starts on Count for an Every
// or Monthly alarm (kept within its bounds) and on 1 otherwise.
//
// Ticking a rule greys out the controls of the other rules, marks the alarm
// changed and tells the editor whether its date field applies (Once only).
// "Weekday" and "Weekend" go with "every" only; hours step by at most 23.
class RecurrenceDialog : public QDialog
{
    Q_OBJECT

public:
    // Help context numbers. Monthly has no topic of its own; its text follows
    // Daily's.
    static constexpr int kHelpOnce = 32;
    static constexpr int kHelpRecurs = 33;
    static constexpr int kHelpEvery = 34;
    static constexpr int kHelpDaily = 35;

    // The buffer, formats and clock must outlive the dialog. The date field
    // shows OnceDate for a Once alarm; it is the dialog's own and does not
    // change the alarm's date.
    RecurrenceDialog(AlarmRecord& buffer, const FormatSettings& formats, const Clock& clock,
                     QWidget* parent = nullptr);
    ~RecurrenceDialog() override;

    // The ticked rule (RuleOnce .. RuleMonthly); RuleEmpty when none is.
    AlarmRule rule() const;
    // F1: the topic of the rule the focused control belongs to; of the ticked
    // rule when the focus is elsewhere; 0 (the contents) when none is ticked.
    int helpTopic() const;

public Q_SLOTS:
    // Writes the rule fields into the buffer and closes.
    void accept() override;
    // The Help button: the topic of the ticked rule.
    void showHelp();

Q_SIGNALS:
    // The user changed something: the editor marks its alarm modified.
    void changed();
    // A rule was ticked: the editor's date field is usable only for Once.
    void dateFieldEnabled(bool enabled);
    void helpRequested(int contextNumber);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void load(const Clock& clock);
    int ruleHelpTopic() const;
    // Enables the controls of the ticked rule only.
    void greyOut();
    void ruleClicked();
    // "Weekday" and "Weekend" force "every" and lock it.
    void applyDaySet();
    void unitChanged();
    void markChanged();

    QScopedPointer<Ui::RecurrenceDialog> ui;
    AlarmRecord& m_buffer;
    bool m_loading = false;
};

} // namespace hv
