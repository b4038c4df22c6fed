// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>

namespace hv {

// The application object. It is the top-level error handler: an hv::Error
// that ends an event handler (a refused write, a value that does not convert)
// is shown in a message box, and the program goes on.
class Application : public QApplication
{
    Q_OBJECT

public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace hv
