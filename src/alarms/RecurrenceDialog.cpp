// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecurrenceDialog.h"

#include "alarms/Recurrence.h"
#include "common/FormatSettings.h"
#include "platform/Clock.h"
#include "ui_RecurrenceDialog.h"

#include <QKeyEvent>

#include <algorithm>

namespace hv {

namespace {

const QColor kGreyText(128, 128, 128);

// The item for a stored 1-based code: the code's own when it is in range,
// else the first.
int itemFor(std::int32_t code, int count)
{
    return code >= 1 && code <= count ? code - 1 : 0;
}

constexpr int kMostMinutes = 59;
constexpr int kMostHours = 23;

} // namespace

RecurrenceDialog::RecurrenceDialog(AlarmRecord& buffer, const FormatSettings& formats, const Clock& clock,
                                   QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::RecurrenceDialog)
    , m_buffer(buffer)
{
    ui->setupUi(this);
    // A fixed dialog: a caption and the close box, nothing to size.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    ui->onceDate->setFormats(formats);
    ui->onceDate->setClock(&clock);

    // Disabled text in the classic grey, enabled text black.
    QPalette greyed = palette();
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        greyed.setColor(QPalette::Disabled, role, kGreyText);
        greyed.setColor(QPalette::Active, role, Qt::black);
        greyed.setColor(QPalette::Inactive, role, Qt::black);
    }
    setPalette(greyed);

    // Which help topic each control belongs to.
    const auto topic = [](QWidget* w, int number) { w->setProperty("helpTopic", number); };
    for (QWidget* w : {static_cast<QWidget*>(ui->onceButton), static_cast<QWidget*>(ui->onceDate)})
        topic(w, kHelpOnce);
    for (QWidget* w : {static_cast<QWidget*>(ui->recursButton), static_cast<QWidget*>(ui->recursWhich),
                       static_cast<QWidget*>(ui->recursDay)})
        topic(w, kHelpRecurs);
    for (QWidget* w : {static_cast<QWidget*>(ui->everyButton), static_cast<QWidget*>(ui->everyCount),
                       static_cast<QWidget*>(ui->everyUnit), static_cast<QWidget*>(ui->everyDays)})
        topic(w, kHelpEvery);
    for (QWidget* w : {static_cast<QWidget*>(ui->dailyButton), static_cast<QWidget*>(ui->monthlyButton),
                       static_cast<QWidget*>(ui->monthlyDay)})
        topic(w, kHelpDaily);

    load(clock);

    for (QRadioButton* button :
         {ui->onceButton, ui->recursButton, ui->everyButton, ui->dailyButton, ui->monthlyButton})
        connect(button, &QRadioButton::clicked, this, &RecurrenceDialog::ruleClicked);
    connect(ui->onceDate, &DateEdit::dateChanged, this, &RecurrenceDialog::markChanged);
    connect(ui->recursWhich, &QComboBox::currentIndexChanged, this, &RecurrenceDialog::markChanged);
    connect(ui->everyDays, &QComboBox::currentIndexChanged, this, &RecurrenceDialog::markChanged);
    connect(ui->recursDay, &QComboBox::currentIndexChanged, this, [this] {
        markChanged();
        applyDaySet();
    });
    connect(ui->everyCount, &QSpinBox::valueChanged, this, &RecurrenceDialog::markChanged);
    connect(ui->everyUnit, &QComboBox::currentIndexChanged, this, [this] {
        markChanged();
        unitChanged();
    });
    connect(ui->monthlyDay, &QSpinBox::valueChanged, this, &RecurrenceDialog::markChanged);
    connect(ui->okButton, &QPushButton::clicked, this, &RecurrenceDialog::accept);
    connect(ui->cancelButton, &QPushButton::clicked, this, &RecurrenceDialog::reject);
    connect(ui->helpButton, &QPushButton::clicked, this, &RecurrenceDialog::showHelp);
}

RecurrenceDialog::~RecurrenceDialog() = default;

void RecurrenceDialog::load(const Clock& clock)
{
    m_loading = true;
    const AlarmRecord& b = m_buffer;
    // The Once date; today, as a new date field shows, for the other rules.
    ui->onceDate->setDate(b.Rule == RuleOnce ? b.OnceDate : datePart(clock.now()));
    ui->onceDate->setModified(false);
    switch (b.Rule) {
    case RuleOnce:
        ui->onceButton->setChecked(true);
        break;
    case RuleRecurs:
        ui->recursButton->setChecked(true);
        break;
    case RuleEvery:
        ui->everyButton->setChecked(true);
        break;
    case RuleDaily:
        ui->dailyButton->setChecked(true);
        break;
    case RuleMonthly:
        ui->monthlyButton->setChecked(true);
        break;
    default:
        break;
    }
    ui->recursWhich->setCurrentIndex(itemFor(b.RecursWhich, ui->recursWhich->count()));
    ui->recursDay->setCurrentIndex(itemFor(b.RecursDay, ui->recursDay->count()));
    ui->everyUnit->setCurrentIndex(itemFor(b.EveryUnit, ui->everyUnit->count()));
    ui->everyDays->setCurrentIndex(itemFor(b.EveryDays, ui->everyDays->count()));
    unitChanged();
    ui->everyCount->setValue(b.Rule == RuleEvery ? b.Count : 1); // kept within its bounds
    ui->monthlyDay->setValue(b.Rule == RuleMonthly ? b.Count : 1);
    greyOut();
    m_loading = false;
}

AlarmRule RecurrenceDialog::rule() const
{
    if (ui->onceButton->isChecked())
        return RuleOnce;
    if (ui->recursButton->isChecked())
        return RuleRecurs;
    if (ui->everyButton->isChecked())
        return RuleEvery;
    if (ui->dailyButton->isChecked())
        return RuleDaily;
    if (ui->monthlyButton->isChecked())
        return RuleMonthly;
    return RuleEmpty;
}

void RecurrenceDialog::greyOut()
{
    const AlarmRule r = rule();
    ui->recursWhich->setEnabled(r == RuleRecurs);
    ui->recursDay->setEnabled(r == RuleRecurs);
    ui->everyCount->setEnabled(r == RuleEvery);
    ui->everyUnit->setEnabled(r == RuleEvery);
    ui->everyDays->setEnabled(r == RuleEvery);
    applyDaySet();
    ui->monthlyDay->setEnabled(r == RuleMonthly);
    ui->monthlyDayLabel->setEnabled(r == RuleMonthly);
}

void RecurrenceDialog::ruleClicked()
{
    markChanged();
    Q_EMIT dateFieldEnabled(rule() == RuleOnce);
    greyOut();
}

void RecurrenceDialog::applyDaySet()
{
    if (rule() != RuleRecurs)
        return;
    const bool daySet = ui->recursDay->currentIndex() + 1 >= RecursWeekday;
    if (daySet)
        ui->recursWhich->setCurrentIndex(RecursEvery - 1);
    ui->recursWhich->setEnabled(!daySet);
}

void RecurrenceDialog::unitChanged()
{
    const bool hours = ui->everyUnit->currentIndex() + 1 == EveryHours;
    // A value above the new bound becomes the bound: 45 minutes turn into 23 hours.
    ui->everyCount->setMaximum(hours ? kMostHours : kMostMinutes);
}

void RecurrenceDialog::markChanged()
{
    if (!m_loading)
        Q_EMIT changed();
}

void RecurrenceDialog::accept()
{
    AlarmRecord& b = m_buffer;
    const AlarmRule r = rule();
    if (r != RuleEmpty)
        b.Rule = r;
    b.RecursWhich = ui->recursWhich->currentIndex() + 1;
    b.RecursDay = ui->recursDay->currentIndex() + 1;
    if (r == RuleEvery)
        b.Count = ui->everyCount->value();
    else if (r == RuleMonthly)
        b.Count = ui->monthlyDay->value();
    b.EveryUnit = ui->everyUnit->currentIndex() + 1;
    b.EveryDays = ui->everyDays->currentIndex() + 1;
    QDialog::accept();
}

int RecurrenceDialog::helpTopic() const
{
    for (const QWidget* w = focusWidget(); w && w != this; w = w->parentWidget()) {
        if (const QVariant topic = w->property("helpTopic"); topic.isValid())
            return topic.toInt();
    }
    return ruleHelpTopic();
}

int RecurrenceDialog::ruleHelpTopic() const
{
    switch (rule()) {
    case RuleOnce:
        return kHelpOnce;
    case RuleRecurs:
        return kHelpRecurs;
    case RuleEvery:
        return kHelpEvery;
    case RuleDaily:
    case RuleMonthly:
        return kHelpDaily;
    default:
        return 0;
    }
}

void RecurrenceDialog::showHelp()
{
    Q_EMIT helpRequested(ruleHelpTopic());
}

void RecurrenceDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        Q_EMIT helpRequested(helpTopic());
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace hv
