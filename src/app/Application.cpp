#include "Application.h"

#include "common/Error.h"

#include <QMessageBox>

namespace hv {

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Horavox"));
    setApplicationDisplayName(QStringLiteral("Horavox"));
    setDesktopFileName(QStringLiteral("horavox"));
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const Error& error) {
        QMessageBox::critical(activeWindow(), applicationDisplayName(), error.message());
        return true;
    }
}

} // namespace hv
