// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>

namespace hv {

// Every modal message of the program goes through here, so that a test can
// answer it without a box on screen: after setNextAnswer() the next message
// is not shown but recorded, and answered with the given button.
class MessageBox
{
public:
    using Button = QMessageBox::StandardButton;
    using Buttons = QMessageBox::StandardButtons;

    struct Shown
    {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        QString text;
    };

    // Shows the message and returns the button that closed it.
    static Button show(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
                       Buttons buttons = QMessageBox::Ok, Button defaultButton = QMessageBox::NoButton);

    static Button information(QWidget* parent, const QString& title, const QString& text)
    {
        return show(parent, QMessageBox::Information, title, text);
    }
    static Button warning(QWidget* parent, const QString& title, const QString& text)
    {
        return show(parent, QMessageBox::Warning, title, text);
    }
    static Button critical(QWidget* parent, const QString& title, const QString& text)
    {
        return show(parent, QMessageBox::Critical, title, text);
    }
    static Button question(QWidget* parent, const QString& title, const QString& text, Buttons buttons,
                           Button defaultButton = QMessageBox::NoButton)
    {
        return show(parent, QMessageBox::Question, title, text, buttons, defaultButton);
    }

    // For tests: the next message is answered with `answer` instead of being
    // shown. Answers queue up in the order they are set.
    static void setNextAnswer(Button answer);
    // For tests: the messages answered so far, oldest first; taking them
    // empties the record.
    static QList<Shown> takeShown();
};

} // namespace hv
