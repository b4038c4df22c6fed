// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/DateTime.h"
#include "common/FormatSettings.h"
#include "controls/PartedField.h"

#include <optional>

class QToolButton;

namespace hv {

class Clock;

// A one-line field for a date in the short date format, always with a
// four-digit year, and a square calendar button inside its right edge that
// opens the month calendar (CalendarPopup). Alt+Down and F4 open it too.
//
// Keys: digits and Backspace are typed; the date separator moves to the next
// part of the date and selects it (it is not typed, and does nothing in the
// last part), or is typed when the text has no next part yet, as in a date
// typed afresh; any other character is refused. A year typed with one or two
// digits is taken within 50 years of today: on a day in 2026, "30" is 2030
// and "80" is 1980. A text that does not read as a date when the focus leaves
// is replaced by today, silently, and the focus stays.
//
// The value 0 shows an empty text. A field that was never given a value shows
// today when it is first shown. dateChanged() reports every change of the
// value; textChanged() every change of the text.
class DateEdit : public PartedField
{
    Q_OBJECT

public:
    explicit DateEdit(QWidget* parent = nullptr);
    ~DateEdit() override;

    // The regional formats (AppState::formats()); by default the system
    // locale's. The text is written again in the new format.
    void setFormats(const FormatSettings& formats);
    const FormatSettings& formats() const { return m_formats; }
    // Where "today" comes from; it must outlive the field. By default the
    // system clock.
    void setClock(const Clock* clock);
    DateTime today() const;

    DateTime date() const { return m_value; }
    // A different value is stored, the text written (empty for 0), the field
    // marked modified and dateChanged() raised; an equal one changes nothing.
    void setDate(DateTime value);

    // The short date format with its year widened to four digits.
    const QString& displayFormat() const { return m_displayFormat; }
    // The text read as a date, two-digit years within 50 years of today;
    // empty when it is none.
    std::optional<DateTime> readDate(const QString& text) const;

    // The part of the date the selection is in: 1, 2 or 3 as written.
    int partInFocus() const { return m_part; }
    // The part a caret at `position` is in.
    int partAt(int position) const;
    void selectPart(int part);

    // Reads the text back when the focus leaves; today when it does not read.
    // False when it had to put today in.
    bool commitText() override;

    // Shows the calendar for the field, modally, and discards it when it closes.
    void openCalendar();

Q_SIGNALS:
    void dateChanged(hv::DateTime value);

protected:
    void selectFirstPart() override { selectPart(1); }
    void selectPartAtCaret() override { selectPart(partAt(cursorPosition())); }
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The positions of the two separators in the text, -1 where one is missing.
    std::pair<int, int> separators() const;
    void layoutButton();

    FormatSettings m_formats;
    QString m_displayFormat;
    const Clock* m_clock = nullptr;
    DateTime m_value = 0;
    bool m_valueSet = false;
    int m_part = 1;
    QToolButton* m_button;
};

} // namespace hv
