// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QScopedPointer>
#include <QString>

namespace Ui {
class AboutDialog;
}

namespace hv {

// The modal "About Horavox" box: icon, name, version, one line on what the
// program is, its licence (GPL-3.0-or-later) and the credit for the voice,
// whose licence asks for its notice to be kept.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    // version: shown after "Version "; empty means the application's version.
    explicit AboutDialog(QWidget* parent = nullptr, const QString& version = QString());
    ~AboutDialog() override;

private:
    QScopedPointer<Ui::AboutDialog> ui;
};

} // namespace hv
