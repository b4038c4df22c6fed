// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrayIcon.h"

#include <QCursor>

namespace hv {

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent)
    , m_tray(new QSystemTrayIcon(this))
{
    connect(m_tray, &QSystemTrayIcon::activated, this, &TrayIcon::trayActivated);
}

TrayIcon::~TrayIcon()
{
    // Not virtual here: a subclass is already gone.
    if (m_active)
        TrayIcon::removeIcon();
}

void TrayIcon::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    if (m_active)
        addIcon();
    else
        removeIcon();
}

void TrayIcon::setIcon(const QIcon& icon)
{
    m_icon = icon;
    if (m_active)
        modifyIcon();
}

void TrayIcon::setToolTip(const QString& toolTip)
{
    QString cut = toolTip.left(kToolTipLength);
    // Never leave half of a surrogate pair at the end.
    if (cut.size() == kToolTipLength && cut.back().isHighSurrogate())
        cut.chop(1);
    m_toolTip = cut;
    if (m_active)
        modifyIcon();
}

bool TrayIcon::showMessage(const QString& title, const QString& text)
{
    // Qt reports messages as supported on X11 even where no tray holds the
    // icon; a balloon from an icon nobody shows would be seen by nobody.
    if (!m_active || !isSystemTrayAvailable() || !QSystemTrayIcon::supportsMessages())
        return false;
    m_tray->showMessage(title, text, QSystemTrayIcon::Warning);
    return true;
}

bool TrayIcon::isSystemTrayAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::addIcon()
{
    m_tray->setIcon(m_icon);
    m_tray->setToolTip(m_toolTip);
    m_tray->show();
}

void TrayIcon::removeIcon()
{
    m_tray->hide();
}

void TrayIcon::modifyIcon()
{
    m_tray->setIcon(m_icon);
    m_tray->setToolTip(m_toolTip);
}

void TrayIcon::trayActivated(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        Q_EMIT clicked();
        break;
    case QSystemTrayIcon::DoubleClick:
        Q_EMIT doubleClicked();
        break;
    case QSystemTrayIcon::Context:
        Q_EMIT contextMenuRequested(QCursor::pos());
        break;
    case QSystemTrayIcon::MiddleClick:
    case QSystemTrayIcon::Unknown:
        break;
    }
}

} // namespace hv
