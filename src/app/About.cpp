#include "About.h"

#include "ui_About.h"

#include <QApplication>
#include <QFile>
#include <QIcon>

namespace hv {

namespace {

constexpr int kIconSize = 64; // pixels

QIcon programIcon()
{
    const QString resource = QStringLiteral(":/icons/horavox.svg");
    if (QFile::exists(resource))
        return QIcon(resource);
    return QApplication::windowIcon();
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent, const QString& version)
    : QDialog(parent)
    , ui(new Ui::TAboutBox)
{
    ui->setupUi(this);
    ui->ProgramIcon->setPixmap(programIcon().pixmap(kIconSize, kIconSize));
    const QString shown = version.isEmpty() ? QCoreApplication::applicationVersion() : version;
    ui->Version->setText(QStringLiteral("Version %1").arg(shown));
    connect(ui->OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

TAboutBox::~TAboutBox() = default;

} // namespace hv
