// SPDX-License-Identifier: GPL-3.0-or-later
#include "CalendarPopup.h"

#include "DateEdit.h"
#include "common/DateTimeFormat.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace hv {

namespace {

const QColor kSilver(192, 192, 192);
const QColor kGrey(128, 128, 128);

// Texts of the weekday row, Sunday first.
constexpr std::array<const char16_t*, 7> kWeekdays{u"Su", u"Mo", u"Tu", u"We", u"Th", u"Fr", u"Sa"};

// The same day and month `years` later; 29 February becomes 1 March in a year
// without it.
DateTime shiftYears(DateTime date, int years)
{
    const Date d = decodeDate(date);
    if (const auto shifted = tryEncodeDate(d.year + years, d.month, d.day))
        return *shifted;
    return tryEncodeDate(d.year + years, 3, 1).value_or(date);
}

void raisedFrame(QPainter& p, const QRect& r, bool outline)
{
    if (outline) {
        p.setPen(Qt::black);
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
    const QRect in = outline ? r.adjusted(1, 1, -1, -1) : r;
    p.setPen(Qt::white);
    p.drawLine(in.left(), in.top(), in.right() - 1, in.top());
    p.drawLine(in.left(), in.top(), in.left(), in.bottom() - 1);
    p.setPen(kGrey);
    p.drawLine(in.left(), in.bottom(), in.right(), in.bottom());
    p.drawLine(in.right(), in.top(), in.right(), in.bottom());
}

} // namespace

CalendarPopup::CalendarPopup(DateEdit& field)
    : QDialog(&field, Qt::Dialog | Qt::FramelessWindowHint)
    , m_field(field)
{
    setObjectName(QStringLiteral("calendarPopup"));
    setModal(true);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setFont(QApplication::font());
    const QFontMetrics metrics(font());
    m_u = qRound(1.6 * metrics.averageCharWidth());
    m_h = qRound(4.0 / 3.0 * metrics.height());
    setFixedSize(21 * m_u + 8, 8 * m_h + 2);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kSilver);
    setPalette(palette);
    setAutoFillBackground(true);

    const QString text = field.text().trimmed();
    const auto date = text.isEmpty() ? std::optional<DateTime>(field.today()) : field.readDate(text);
    setCurrent(date ? datePart(*date) : field.today());

    const QRect client(field.mapToGlobal(QPoint(0, 0)), field.size());
    const QScreen* screen = field.screen() ? field.screen() : QGuiApplication::primaryScreen();
    move(placeFor(client, size(), screen ? screen->geometry() : QRect(0, 0, 1 << 15, 1 << 15)));
}

CalendarPopup::~CalendarPopup() = default;

QPoint CalendarPopup::placeFor(const QRect& field, const QSize& size, const QRect& screen)
{
    int left = field.left() + 1;
    if (left + size.width() > screen.right() + 1)
        left = screen.left() + screen.width() - size.width() - 1;
    int top = field.bottom() + 1 + 1;
    if (top + size.height() > screen.bottom() + 1)
        top = field.top() - size.height();
    return {left, top};
}

int CalendarPopup::cellOf(int year, int month, int day)
{
    const int firstWeekday = dayOfWeek(*tryEncodeDate(year, month, 1));
    return firstWeekday + day - 1;
}

void CalendarPopup::setCurrent(DateTime date)
{
    m_current = datePart(date);
    const Date d = decodeDate(m_current);
    const bool newMonth = d.year != m_year || d.month != m_month;
    m_year = d.year;
    m_month = d.month;
    if (newMonth)
        fillCells();
    m_currentCell = cellOf(d.year, d.month, d.day);
    update();
}

void CalendarPopup::fillCells()
{
    m_cells.fill(QString());
    const int first = cellOf(m_year, m_month, 1);
    for (int day = 1; day <= daysInMonth(m_year, m_month); ++day)
        m_cells[static_cast<std::size_t>(first + day - 2)] = QString::number(day);
}

void CalendarPopup::moveBy(int days)
{
    const DateTime next = m_current + days;
    if (next < kFirstDay || next > kLastDay)
        return;
    const int before = m_currentCell;
    const int year = m_year;
    const int month = m_month;
    setCurrent(next);
    if (year == m_year && month == m_month) {
        update(cellRect(before));
        update(cellRect(m_currentCell));
    }
    update(QRect(0, 0, width(), m_h + 2)); // the title
}

int CalendarPopup::daysOfPreviousMonth() const
{
    return m_month == 1 ? 31 : daysInMonth(m_year, m_month - 1);
}

QRect CalendarPopup::cellRect(int cell) const
{
    const int row = (cell - 1) / 7 + 1;
    const int column = (cell - 1) % 7;
    return QRect(QPoint(4 + 3 * m_u * column, (row + 1) * m_h + 2),
                 QPoint(4 + 3 * m_u * (column + 1) - 1, (row + 2) * m_h + 2 - 1));
}

QRect CalendarPopup::previousButtonRect() const
{
    return QRect(QPoint(4, 2), QPoint(19, 17));
}

QRect CalendarPopup::nextButtonRect() const
{
    return QRect(QPoint(21 * m_u - 12, 2), QPoint(21 * m_u + 3, 17));
}

int CalendarPopup::cellAt(const QPoint& point) const
{
    for (int cell = 1; cell <= kCells; ++cell)
        if (cellRect(cell).contains(point))
            return cell;
    return 0;
}

bool CalendarPopup::moveToCell(int cell)
{
    if (cell < 1 || cellText(cell).isEmpty())
        return false;
    if (cell != m_currentCell)
        moveBy(cell - m_currentCell);
    return true;
}

void CalendarPopup::pick()
{
    m_field.setDate(m_current);
    accept();
}

void CalendarPopup::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int w = width();
    raisedFrame(p, rect(), true);

    // The title: the current date, with the month in full.
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(Qt::black);
    const QRect title(QPoint(20, 2), QPoint(w - 20 - 1, m_h - 1));
    p.drawText(title, Qt::AlignCenter, formatDateTime(u"mmmm d, yyyy", m_current, m_field.formats()));

    // The weekday row and the line under it.
    p.setFont(font());
    for (int k = 0; k < 7; ++k) {
        const QRect column(QPoint(4 + 3 * m_u * k, m_h + 2), QPoint(4 + 3 * m_u * (k + 1) - 1, 2 * m_h + 1));
        p.drawText(column, Qt::AlignCenter, QString::fromUtf16(kWeekdays[static_cast<std::size_t>(k)]));
    }
    p.setPen(kGrey);
    p.drawLine(4, 2 * m_h - 1, 21 * m_u + 4, 2 * m_h - 1);
    p.setPen(Qt::white);
    p.drawLine(4, 2 * m_h, 21 * m_u + 4, 2 * m_h);

    // The days.
    for (int cell = 1; cell <= kCells; ++cell) {
        if (cell == m_currentCell || cellText(cell).isEmpty())
            continue;
        p.setPen(Qt::black);
        p.drawText(cellRect(cell), Qt::AlignCenter, cellText(cell));
    }

    // The month buttons, with a triangle pointing back and forward.
    for (const bool forward : {false, true}) {
        const QRect button = forward ? nextButtonRect() : previousButtonRect();
        p.fillRect(button, kSilver);
        raisedFrame(p, button.adjusted(0, 0, 1, 1), true);
        const QPoint c = button.center();
        const int s = forward ? 1 : -1;
        const QPolygon triangle{
            {c.x() + 2 * s, c.y()}, {c.x() - 2 * s, c.y() - 4}, {c.x() - 2 * s, c.y() + 4}};
        p.setPen(Qt::black);
        p.setBrush(Qt::black);
        p.drawPolygon(triangle);
        p.setBrush(Qt::NoBrush);
    }

    // The current day: bold in a sunken frame.
    const QRect current = cellRect(m_currentCell);
    p.setPen(kGrey);
    p.drawLine(current.topLeft(), current.topRight());
    p.drawLine(current.topLeft(), current.bottomLeft());
    p.setPen(Qt::white);
    p.drawLine(current.bottomLeft(), current.bottomRight());
    p.drawLine(current.topRight(), current.bottomRight());
    p.setFont(bold);
    p.setPen(Qt::black);
    p.drawText(current, Qt::AlignCenter, cellText(m_currentCell));
}

void CalendarPopup::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        moveBy(-1);
        break;
    case Qt::Key_Right:
        moveBy(1);
        break;
    case Qt::Key_Up:
        moveBy(-7);
        break;
    case Qt::Key_Down:
        moveBy(7);
        break;
    case Qt::Key_PageUp:
        moveBy(-daysOfPreviousMonth());
        break;
    case Qt::Key_PageDown:
        moveBy(daysInMonth(m_year, m_month));
        break;
    case Qt::Key_Home:
        moveBy(static_cast<int>(shiftYears(m_current, 1) - m_current));
        break;
    case Qt::Key_End:
        moveBy(static_cast<int>(shiftYears(m_current, -1) - m_current));
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        pick();
        break;
    case Qt::Key_Escape:
        reject();
        break;
    default:
        event->ignore();
        return;
    }
    event->accept();
}

void CalendarPopup::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint at = event->position().toPoint();
    if (previousButtonRect().contains(at))
        moveBy(-daysOfPreviousMonth());
    else if (nextButtonRect().contains(at))
        moveBy(daysInMonth(m_year, m_month));
    else if (moveToCell(cellAt(at)))
        m_tracking = true;
}

void CalendarPopup::mouseMoveEvent(QMouseEvent* event)
{
    if (m_tracking)
        moveToCell(cellAt(event->position().toPoint()));
}

void CalendarPopup::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_tracking)
        return;
    m_tracking = false;
    pick();
}

void CalendarPopup::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    setFocus(Qt::PopupFocusReason);
}

} // namespace hv
