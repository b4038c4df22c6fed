// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/DateTime.h"
#include "common/FormatSettings.h"
#include "controls/PartedField.h"

namespace hv {

class Clock;

// A one-line field for a time of day in the clock face's short time format
// (hours and minutes, 12-hour when the format carries the AM/PM marker), with
// a small up/down spin button inside its right edge.
//
// The text is the source of truth: the value is read back from it when the
// focus leaves the field and before each step. Where the hours, the minutes
// and the marker sit is read from the format, so formats that put the marker
// first or use another separator work alike.
//
// Keys: the time separator selects the minutes (it is typed only into a text
// without one, as in a time typed afresh) and a blank the marker; A and P set
// the marker (AM, PM); digits and Backspace are typed; Up and Down step the
// part under the caret. Any other character is refused.
// A text that does not read as a time when the focus leaves is replaced by the
// previous value, silently, and the focus stays.
//
// The value 0 is 12:00 AM, a real time: a field that was given 0 keeps it. A
// field that was never given a value shows the current time when it is first
// shown. textChanged() is the change notification, for typing and for the
// control's own changes alike.
class TimeEdit : public PartedField
{
    Q_OBJECT

public:
    enum class Part
    {
        Hours = 0,
        Minutes = 1,
        AmPm = 2
    };

    // Where a part of the text lies: [start, start + length).
    struct Span
    {
        int start = 0;
        int length = 0;
        int end() const { return start + length; }
        friend bool operator==(const Span&, const Span&) = default;
    };

    explicit TimeEdit(QWidget* parent = nullptr);
    ~TimeEdit() override;

    // The regional formats whose short time format the field shows: the ones
    // the clock face uses (AppState::formats()). By default the system locale's.
    // The text is written again in the new format.
    void setFormats(const FormatSettings& formats);
    const FormatSettings& formats() const { return m_formats; }
    // Where "today" comes from when a typed time is read back, and the current
    // time for a field that was never given a value. It must outlive the
    // field. By default the system clock.
    void setClock(const Clock* clock);

    // Today's date plus the time after the focus has left the field; a time
    // alone (whole part 0) after a step or as set.
    DateTime value() const { return m_value; }
    // The time of day of value(), in whole minutes as alarms store it.
    DateTime timeOfDay() const;
    // Writes the text for the value when it differs from the current one (and
    // always the first time).
    void setValue(DateTime value);

    bool is12Hour() const { return m_twelveHour; }
    // The part last selected; the one the spin button steps.
    Part partInFocus() const { return m_part; }
    // Where a part lies in the current text; an empty span where it would go
    // when the text lacks it.
    Span partSpan(Part part) const;
    // The part a caret at `position` is in.
    Part partAt(int position) const;
    void selectPart(Part part);

    // Reads the text back; restores the previous value when it does not read
    // as a time. False when it had to restore.
    bool commitText() override;
    // Steps a part by +1 or -1 from the text read back: hours and minutes
    // carry into each other and wrap around the day; the marker part moves
    // by 12 hours. The field takes the focus with the same part selected.
    void step(Part part, int delta);

protected:
    void selectFirstPart() override { selectPart(Part::Hours); }
    void selectPartAtCaret() override { selectPart(partAt(cursorPosition())); }
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    class SpinButton;

    DateTime today() const;
    QString format(DateTime value) const;
    void showValue();
    void layoutSpinButton();
    // Which of hours, minutes and marker the format writes first, second, third.
    void readFormatOrder();

    FormatSettings m_formats;
    const Clock* m_clock = nullptr;
    DateTime m_value = 0;
    bool m_valueSet = false;
    bool m_twelveHour = false;
    bool m_markerFirst = false;
    bool m_minutesFirst = false;
    Part m_part = Part::Hours;
    SpinButton* m_spin;
};

} // namespace hv
