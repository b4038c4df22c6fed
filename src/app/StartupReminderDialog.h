// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QScopedPointer>

namespace Ui {
class StartupReminderDialog;
}

namespace hv {

// "Startup Reminder": offers to start the clock with the desktop session.
// Yes accepts, No (or Escape) rejects. The owner acts on the answer and
// stores dontShowAgain(), which follows every click on the check box.
class StartupReminderDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kClientWidth = 344;  // pixels
    static constexpr int kClientHeight = 170; // pixels

    explicit StartupReminderDialog(QWidget* parent = nullptr);
    ~StartupReminderDialog() override;

    bool dontShowAgain() const { return m_dontShowAgain; }

Q_SIGNALS:
    void dontShowAgainChanged(bool dontShowAgain);

public Q_SLOTS:
    void dontShowAgainClicked();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QScopedPointer<Ui::StartupReminderDialog> ui;
    bool m_dontShowAgain = false;
};

} // namespace hv
