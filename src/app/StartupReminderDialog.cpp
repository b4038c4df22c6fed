// SPDX-License-Identifier: GPL-3.0-or-later
#include "StartupReminderDialog.h"

#include "common/Colour.h"
#include "controls/WindowPlacement.h"
#include "ui_StartupReminderDialog.h"

#include <QPalette>
#include <QScreen>
#include <QTextDocument>

namespace hv {

namespace {

constexpr ColourValue kMemoColour = 12058623; // light yellow, RGB FF FF B7

} // namespace

StartupReminderDialog::StartupReminderDialog(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::StartupReminderDialog)
{
    ui->setupUi(this);
    setFixedSize(kClientWidth, kClientHeight);

    QPalette memoPalette = ui->reminderText->palette();
    const QColor yellow(redOf(kMemoColour), greenOf(kMemoColour), blueOf(kMemoColour));
    memoPalette.setColor(QPalette::Base, yellow);
    memoPalette.setColor(QPalette::Text, Qt::black);
    ui->reminderText->setPalette(memoPalette);
    ui->reminderText->document()->setDocumentMargin(2);

    connect(ui->yesButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->noButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->dontShowAgainBox, &QCheckBox::clicked, this, &StartupReminderDialog::dontShowAgainClicked);
}

StartupReminderDialog::~StartupReminderDialog() = default;

void StartupReminderDialog::dontShowAgainClicked()
{
    m_dontShowAgain = ui->dontShowAgainBox->isChecked();
    Q_EMIT dontShowAgainChanged(m_dontShowAgain);
}

void StartupReminderDialog::showEvent(QShowEvent* event)
{
    // Centred on the screen, not on the owner.
    centreOnScreen(*this);
    QDialog::showEvent(event);
}

} // namespace hv
