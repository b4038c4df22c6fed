// SPDX-License-Identifier: GPL-3.0-or-later
#include "AboutDialog.h"

#include "ui_AboutDialog.h"

#include <QApplication>
#include <QFile>
#include <QIcon>

namespace hv {

namespace {

constexpr int kIconSize = 64; // pixels

QIcon programIcon()
{
    const QString resource = QStringLiteral(":/icons/png/horavox-%1.png").arg(kIconSize);
    if (QFile::exists(resource))
        return QIcon(resource);
    return QApplication::windowIcon();
}

} // namespace

AboutDialog::AboutDialog(QWidget* parent, const QString& version)
    : QDialog(parent)
    , ui(new Ui::AboutDialog)
{
    ui->setupUi(this);
    ui->programIcon->setPixmap(programIcon().pixmap(kIconSize, kIconSize));
    const QString shown = version.isEmpty() ? QCoreApplication::applicationVersion() : version;
    ui->versionLabel->setText(QStringLiteral("Version %1").arg(shown));
    connect(ui->okButton, &QPushButton::clicked, this, &QDialog::accept);
}

AboutDialog::~AboutDialog() = default;

} // namespace hv
