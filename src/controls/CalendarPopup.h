// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/DateTime.h"

#include <QDialog>
#include <QString>

#include <array>

namespace hv {

class DateEdit;

// The month calendar of a date field: modal, without frame or caption, drawn
// by the program. It opens on the field's date (today when the field is
// empty) and sets the field's date only when the user picks a day: Enter, or
// a release of the mouse after pressing on a day. Escape closes it with the
// field unchanged. A press on a blank cell or outside the popup does nothing.
//
// Keys: Left/Right a day, Up/Down a week, Page Up back by the length of the
// previous month, Page Down forward by the length of the current month, Home
// the same day one year later, End the same day one year earlier (29 February
// becomes 1 March either way).
//
// Geometry, in pixels of the popup: with the font's average character width
// a and height t, the column unit u is 1.6 a and the row height h is 4/3 t,
// both rounded. The popup is 21u + 8 wide and 8h + 2 high: a title row, a row
// of weekday names and six week rows of seven cells 3u wide, Sunday first.
class CalendarPopup : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kCells = 42;

    explicit CalendarPopup(DateEdit& field);
    ~CalendarPopup() override;

    // The current date, a whole day.
    DateTime current() const { return m_current; }
    void setCurrent(DateTime date);
    // Moves the current date by `days`, repainting what changed.
    void moveBy(int days);

    // The cell, 1..42, that day `day` of a month takes: seven to a row,
    // Sunday first, the first of the month under its weekday.
    static int cellOf(int year, int month, int day);
    // The day number a cell of the current month shows; empty when blank.
    QString cellText(int cell) const { return m_cells[static_cast<std::size_t>(cell - 1)]; }
    // The cell of the current date.
    int currentCell() const { return m_currentCell; }

    int columnUnit() const { return m_u; }
    int rowHeight() const { return m_h; }
    QRect cellRect(int cell) const;
    QRect previousButtonRect() const;
    QRect nextButtonRect() const;

    // Where a popup of `size` goes for a field whose client area covers
    // `field` (screen coordinates) on a screen of `screen`: just below the
    // field's left edge; moved left to stay on the screen; above the field
    // when it would pass the screen's bottom.
    static QPoint placeFor(const QRect& field, const QSize& size, const QRect& screen);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void fillCells();
    // The cell under a point, 0 when there is none.
    int cellAt(const QPoint& point) const;
    // Moves to the day a cell shows; false for a blank cell.
    bool moveToCell(int cell);
    void pick();
    int daysOfPreviousMonth() const;

    DateEdit& m_field;
    DateTime m_current = 0;
    int m_year = 0;
    int m_month = 0;
    int m_currentCell = 0;
    std::array<QString, kCells> m_cells;
    bool m_tracking = false;
    int m_u = 0;
    int m_h = 0;
};

} // namespace hv
