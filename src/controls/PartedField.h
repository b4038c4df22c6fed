// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>

namespace hv {

// A one-line field whose text is made of parts (hours, minutes and marker; the
// parts of a date), edited one part at a time. What the time and date fields
// share: the keyboard brings the focus in on the first part, a click selects
// the part under the caret, and leaving the field reads the text back, keeping
// the focus when it did not read (the field has put a good value back).
class PartedField : public QLineEdit
{
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;

    // Reads the text back; false when it did not read and a good value was
    // put in its place.
    virtual bool commitText() = 0;

protected:
    virtual void selectFirstPart() = 0;
    virtual void selectPartAtCaret() = 0;

    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace hv
