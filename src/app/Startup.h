#pragma once

#include <QDialog>
#include <QScopedPointer>

namespace Ui {
class TStartupForm;
}

namespace hv {

// "Startup Reminder": offers to start the clock with the desktop session.
// Yes accepts, No (or Escape) rejects. The owner acts on the answer and
// stores dontShowAgain(), which follows every click on the check box.
class TStartupForm : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kClientWidth = 344;  // pixels
    static constexpr int kClientHeight = 170; // pixels

    explicit TStartupForm(QWidget* parent = nullptr);
    ~TStartupForm() override;

    bool dontShowAgain() const { return m_dontShowAgain; }

Q_SIGNALS:
    void dontShowAgainChanged(bool dontShowAgain);

public Q_SLOTS:
    void CheckBox1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QScopedPointer<Ui::TStartupForm> ui;
    bool m_dontShowAgain = false;
};

} // namespace hv
