// SPDX-License-Identifier: GPL-3.0-or-later
#include "HotKeyField.h"

#include <QKeyEvent>

namespace hv {

namespace {

std::optional<HotKeyCombination> combinationOf(const QKeyEvent* event)
{
    return hotKeyFromKeyPress(event->key(), static_cast<int>(event->modifiers().toInt()));
}

} // namespace

HotKeyField::HotKeyField(QWidget* parent)
    : QLineEdit(parent)
{
    // The text only shows the combination: typing never edits it.
    setReadOnly(true);
    setContextMenuPolicy(Qt::NoContextMenu);
    setCombination(m_combination);
}

void HotKeyField::setCombination(const HotKeyCombination& combination)
{
    m_combination = combination;
    setText(hotKeyText(combination));
}

bool HotKeyField::event(QEvent* event)
{
    // Alt+E would otherwise tick "Enabled" instead of becoming the hot key.
    if (event->type() == QEvent::ShortcutOverride && combinationOf(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void HotKeyField::keyPressEvent(QKeyEvent* event)
{
    const std::optional<HotKeyCombination> pressed = combinationOf(event);
    if (!pressed) {
        // Tab, Escape and Enter go on to the dialog; a modifier alone waits
        // for its key.
        event->ignore();
        return;
    }
    event->accept();
    if (*pressed == m_combination)
        return;
    setCombination(*pressed);
    Q_EMIT combinationChanged(*pressed);
}

} // namespace hv
