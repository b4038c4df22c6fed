#pragma once

#include <QDialog>
#include <QScopedPointer>
#include <QString>

namespace Ui {
class TAboutBox;
}

namespace hv {

// The modal "About Horavox" box: icon, name, version and one line on what the
// program is.
class TAboutBox : public QDialog
{
    Q_OBJECT

public:
    // version: shown after "Version "; empty means the application's version.
    explicit TAboutBox(QWidget* parent = nullptr, const QString& version = QString());
    ~TAboutBox() override;

private:
    QScopedPointer<Ui::TAboutBox> ui;
};

} // namespace hv
