#include "Startup.h"

#include "common/Colour.h"
#include "ui_Startup.h"

#include <QPalette>
#include <QScreen>
#include <QTextDocument>

namespace hv {

namespace {

constexpr ColourValue kMemoColour = 12058623; // light yellow, RGB FF FF B7

} // namespace

TStartupForm::TStartupForm(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::TStartupForm)
{
    ui->setupUi(this);
    setFixedSize(kClientWidth, kClientHeight);

    QPalette memoPalette = ui->Memo1->palette();
    const QColor yellow(redOf(kMemoColour), greenOf(kMemoColour), blueOf(kMemoColour));
    memoPalette.setColor(QPalette::Base, yellow);
    memoPalette.setColor(QPalette::Text, Qt::black);
    ui->Memo1->setPalette(memoPalette);
    ui->Memo1->document()->setDocumentMargin(2);

    connect(ui->YesButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->NoButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->CheckBox1, &QCheckBox::clicked, this, &TStartupForm::CheckBox1Click);
}

TStartupForm::~TStartupForm() = default;

void TStartupForm::CheckBox1Click()
{
    m_dontShowAgain = ui->CheckBox1->isChecked();
    Q_EMIT dontShowAgainChanged(m_dontShowAgain);
}

void TStartupForm::showEvent(QShowEvent* event)
{
    // Centred on the screen, not on the owner. The frame is known here only
    // where the platform reports it before the window is mapped.
    if (QScreen* shown = screen()) {
        const QRect frame = frameGeometry();
        move(shown->availableGeometry().center() - QPoint((frame.width() - 1) / 2, (frame.height() - 1) / 2));
    }
    QDialog::showEvent(event);
}

} // namespace hv
