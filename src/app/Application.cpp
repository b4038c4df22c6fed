// SPDX-License-Identifier: GPL-3.0-or-later
#include "Application.h"

#include "common/Error.h"
#include "controls/MessageBox.h"

namespace hv {

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
{
    // No display name: Qt would append it to every window caption.
    setApplicationName(QStringLiteral("Horavox"));
    setDesktopFileName(QStringLiteral("horavox"));
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const Error& error) {
        MessageBox::critical(activeWindow(), applicationName(), error.message());
        return true;
    }
}

} // namespace hv
