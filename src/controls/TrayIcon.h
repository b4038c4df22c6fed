// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QSystemTrayIcon>

namespace hv {

// One icon with a tooltip in the desktop's notification area, turning mouse
// actions on it into clicked, doubleClicked and contextMenuRequested. No menu is attached
// here: the owner pops up its own menu on contextMenuRequested.
class TrayIcon : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool active READ isActive WRITE setActive)
    Q_PROPERTY(QIcon icon READ icon WRITE setIcon)
    Q_PROPERTY(QString toolTip READ toolTip WRITE setToolTip)

public:
    // Longer tooltips are cut to this many characters.
    static constexpr int kToolTipLength = 62;

    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    // The icon is shown while it is active. Setting the current value again
    // sends nothing to the desktop.
    bool isActive() const { return m_active; }
    void setActive(bool active);

    QIcon icon() const { return m_icon; }
    void setIcon(const QIcon& icon);

    QString toolTip() const { return m_toolTip; }
    void setToolTip(const QString& toolTip);

    // A balloon message from the icon, shown while the icon is active; it
    // goes by itself. False when the icon is not shown or the desktop shows
    // no messages (no tray at all included).
    bool showMessage(const QString& title, const QString& text);

    // Whether the desktop offers a notification area at all.
    static bool isSystemTrayAvailable();

Q_SIGNALS:
    void clicked();
    void doubleClicked();
    // globalPos: the cursor in screen coordinates when the click is handled.
    void contextMenuRequested(QPoint globalPos);

protected:
    // The three requests that reach the desktop: show the icon, remove it, and
    // refresh the icon and tooltip of a shown one. A test overrides them to
    // count what would be sent.
    virtual void addIcon();
    virtual void removeIcon();
    virtual void modifyIcon();

private:
    void trayActivated(QSystemTrayIcon::ActivationReason reason);

    QSystemTrayIcon* m_tray;
    bool m_active = false;
    QIcon m_icon;
    QString m_toolTip;
};

} // namespace hv
