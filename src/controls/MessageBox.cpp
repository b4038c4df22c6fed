// SPDX-License-Identifier: GPL-3.0-or-later
#include "MessageBox.h"

#include <deque>

namespace hv {

namespace {

// Only tests script answers; the program itself never does.
struct Script
{
    std::deque<MessageBox::Button> answers;
    QList<MessageBox::Shown> shown;
};

Script& script()
{
    static Script instance;
    return instance;
}

} // namespace

MessageBox::Button MessageBox::show(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                    const QString& text, Buttons buttons, Button defaultButton)
{
    Script& scripted = script();
    if (!scripted.answers.empty()) {
        scripted.shown.append({icon, title, text});
        const Button answer = scripted.answers.front();
        scripted.answers.pop_front();
        return answer;
    }
    QMessageBox box(icon, title, text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return static_cast<Button>(box.exec());
}

void MessageBox::setNextAnswer(Button answer)
{
    script().answers.push_back(answer);
}

QList<MessageBox::Shown> MessageBox::takeShown()
{
    return std::exchange(script().shown, {});
}

} // namespace hv
