// SPDX-License-Identifier: GPL-3.0-or-later
#include "PartedField.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QTimer>

namespace hv {

void PartedField::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    // A click places the caret itself; its release selects the part.
    if (event->reason() != Qt::MouseFocusReason)
        selectFirstPart();
}

void PartedField::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // A popup (the calendar), another window or a menu taking the focus is not
    // leaving the field.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return;
    if (!commitText()) {
        QTimer::singleShot(0, this, [this] {
            if (isVisible() && isEnabled())
                setFocus(Qt::OtherFocusReason);
        });
    }
}

void PartedField::mouseReleaseEvent(QMouseEvent* event)
{
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && !hasSelectedText())
        selectPartAtCaret();
}

} // namespace hv
