#include "TrayIcon.h"

#include <QCursor>

namespace hv {

TTrayIcon::TTrayIcon(QObject* parent)
    : QObject(parent)
    , m_tray(new QSystemTrayIcon(this))
{
    connect(m_tray, &QSystemTrayIcon::activated, this, &TTrayIcon::trayActivated);
}

TTrayIcon::~TTrayIcon()
{
    // Not virtual here: a subclass is already gone.
    if (m_active)
        TTrayIcon::removeIcon();
}

void TTrayIcon::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    if (m_active)
        addIcon();
    else
        removeIcon();
}

void TTrayIcon::setIcon(const QIcon& icon)
{
    m_icon = icon;
    if (m_active)
        modifyIcon();
}

void TTrayIcon::setToolTip(const QString& toolTip)
{
    QString cut = toolTip.left(kToolTipLength);
    // Never leave half of a surrogate pair at the end.
    if (cut.size() == kToolTipLength && cut.back().isHighSurrogate())
        cut.chop(1);
    m_toolTip = cut;
    if (m_active)
        modifyIcon();
}

bool TTrayIcon::isSystemTrayAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TTrayIcon::addIcon()
{
    m_tray->setIcon(m_icon);
    m_tray->setToolTip(m_toolTip);
    m_tray->show();
}

void TTrayIcon::removeIcon()
{
    m_tray->hide();
}

void TTrayIcon::modifyIcon()
{
    m_tray->setIcon(m_icon);
    m_tray->setToolTip(m_toolTip);
}

void TTrayIcon::trayActivated(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        Q_EMIT OnClick();
        break;
    case QSystemTrayIcon::DoubleClick:
        Q_EMIT OnDblClick();
        break;
    case QSystemTrayIcon::Context:
        Q_EMIT OnRightClick(QCursor::pos());
        break;
    case QSystemTrayIcon::MiddleClick:
    case QSystemTrayIcon::Unknown:
        break;
    }
}

} // namespace hv
