// SPDX-License-Identifier: GPL-3.0-or-later
#include "DateEdit.h"

#include "CalendarPopup.h"
#include "common/Conversions.h"
#include "common/DateTimeFormat.h"
#include "platform/Clock.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <vector>

namespace hv {

namespace {

const Clock& systemClock()
{
    static const SystemClock clock;
    return clock;
}

// The format with every year written with four digits: "m/d/yy" becomes
// "m/d/yyyy". Quoted text is left as it is.
QString withFourDigitYears(const QString& format)
{
    QString result;
    QChar quote;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (!quote.isNull()) {
            quote = c == quote ? QChar() : quote;
            result += c;
            ++i;
        } else if (c == u'\'' || c == u'"') {
            quote = c;
            result += c;
            ++i;
        } else if (c.toLower() == u'y') {
            qsizetype end = i;
            while (end < format.size() && format[end].toLower() == u'y')
                ++end;
            result += QStringLiteral("yyyy");
            i = end;
        } else {
            result += c;
            ++i;
        }
    }
    return result;
}

// A small calendar sheet for the button: a ring binding over a page with a
// red top band and a grid of days.
QIcon calendarIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(1, 2, 13, 12);
    p.fillRect(2, 3, 12, 3, QColor(176, 0, 0));
    p.setPen(Qt::darkGray);
    for (int y = 8; y <= 12; y += 2)
        for (int x = 3; x <= 12; x += 3)
            p.drawPoint(x, y);
    p.setPen(Qt::black);
    p.drawLine(4, 1, 4, 3);
    p.drawLine(11, 1, 11, 3);
    return QIcon(pixmap);
}

} // namespace

DateEdit::DateEdit(QWidget* parent)
    : PartedField(parent)
    , m_button(new QToolButton(this))
{
    m_button->setObjectName(QStringLiteral("calendarButton"));
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setCursor(Qt::ArrowCursor);
    m_button->setIcon(calendarIcon());
    m_button->setToolTip(tr("Calendar (Alt+Down)"));
    connect(m_button, &QToolButton::clicked, this, &DateEdit::openCalendar);
    setFormats(FormatSettings::fromLocale(QLocale()));
    layoutButton();
}

DateEdit::~DateEdit() = default;

void DateEdit::setFormats(const FormatSettings& formats)
{
    m_formats = formats;
    m_displayFormat = withFourDigitYears(m_formats.shortDateFormat);
    if (m_valueSet)
        setText(m_value == 0 ? QString() : formatDateTime(m_displayFormat, m_value, m_formats));
}

void DateEdit::setClock(const Clock* clock)
{
    m_clock = clock;
}

DateTime DateEdit::today() const
{
    return datePart((m_clock ? *m_clock : systemClock()).now());
}

void DateEdit::setDate(DateTime value)
{
    if (m_valueSet && value == m_value)
        return;
    m_value = value;
    m_valueSet = true;
    setText(value == 0 ? QString() : formatDateTime(m_displayFormat, value, m_formats));
    // Set while the user is in the field (Today, a window reloading it): a
    // part stays selected, so that what is typed next replaces it.
    if (hasFocus() && value != 0)
        selectPart(m_part);
    setModified(true);
    Q_EMIT dateChanged(value);
}

std::optional<DateTime> DateEdit::readDate(const QString& text) const
{
    // The order of day, month and year as the format writes them, when it
    // writes all three as numbers.
    std::vector<FormatToken::Kind> order;
    bool numeric = true;
    for (const FormatToken& token : tokenizeFormat(m_displayFormat)) {
        using Kind = FormatToken::Kind;
        if (token.kind == Kind::Day || token.kind == Kind::Month || token.kind == Kind::Year) {
            order.push_back(token.kind);
            if (token.kind != Kind::Year && token.text.size() > 2)
                numeric = false; // a name
        }
    }
    std::vector<QStringView> numbers;
    const QStringView view(text);
    for (qsizetype i = 0; i < view.size();) {
        if (!view[i].isDigit()) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < view.size() && view[i].isDigit())
            ++i;
        numbers.push_back(view.sliced(start, i - start));
    }
    const bool onlyNumbers = std::all_of(view.begin(), view.end(), [this](QChar c) {
        return c.isDigit() || c.isSpace() || c == m_formats.dateSeparator || c.isPunct();
    });
    if (!numeric || order.size() != 3 || numbers.size() != 3 || !onlyNumbers)
        return tryStrToDate(text, m_formats);

    int day = 0;
    int month = 0;
    int year = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if (numbers[i].size() > 4)
            return std::nullopt;
        const int n = numbers[i].toInt();
        switch (order[i]) {
        case FormatToken::Kind::Day:
            day = n;
            break;
        case FormatToken::Kind::Month:
            month = n;
            break;
        default:
            year = n;
            if (numbers[i].size() <= 2) {
                // The year with these last two digits that lies within 50
                // years of today.
                const int thisYear = decodeDate(today()).year;
                year += thisYear - thisYear % 100;
                if (year > thisYear + 50)
                    year -= 100;
                else if (year < thisYear - 50)
                    year += 100;
            }
            break;
        }
    }
    return tryEncodeDate(year, month, day);
}

std::pair<int, int> DateEdit::separators() const
{
    const QString t = text();
    const auto first = t.indexOf(m_formats.dateSeparator);
    const auto second = first < 0 ? -1 : t.indexOf(m_formats.dateSeparator, first + 1);
    return {static_cast<int>(first), static_cast<int>(second)};
}

int DateEdit::partAt(int position) const
{
    const auto [first, second] = separators();
    if (first < 0 || position <= first)
        return 1;
    if (second < 0 || position <= second)
        return 2;
    return 3;
}

void DateEdit::selectPart(int part)
{
    m_part = std::clamp(part, 1, 3);
    const auto [first, second] = separators();
    const int size = static_cast<int>(text().size());
    int start = 0;
    int end = size;
    if (m_part == 1) {
        end = first < 0 ? size : first;
    } else if (m_part == 2) {
        start = first < 0 ? size : first + 1;
        end = second < 0 ? size : second;
    } else {
        start = second >= 0 ? second + 1 : size;
    }
    setSelection(start, end - start);
}

bool DateEdit::commitText()
{
    if (const std::optional<DateTime> date = readDate(text())) {
        setDate(*date);
        // Written again even when the date is the same: a typed "1/5/30"
        // shows its year in full.
        setText(formatDateTime(m_displayFormat, *date, m_formats));
        if (hasFocus())
            selectPart(m_part);
        return true;
    }
    setDate((m_clock ? *m_clock : systemClock()).now());
    setText(formatDateTime(m_displayFormat, m_value, m_formats));
    if (hasFocus())
        selectPart(m_part);
    return false;
}

void DateEdit::openCalendar()
{
    if (!isEnabled() || isReadOnly())
        return;
    CalendarPopup popup(*this);
    popup.exec();
}

void DateEdit::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier)) ||
        event->key() == Qt::Key_F4) {
        openCalendar();
        return;
    }
    const QString typed = event->text();
    const bool character = typed.size() == 1 && typed[0].isPrint() &&
                           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (!character) {
        PartedField::keyPressEvent(event); // Backspace, Delete, caret moves, shortcuts
        return;
    }
    const QChar c = typed[0];
    if (c.isDigit() && c.unicode() < 128) {
        PartedField::keyPressEvent(event);
        return;
    }
    if (c == m_formats.dateSeparator) {
        const int part = partAt(hasSelectedText() ? selectionStart() : cursorPosition());
        const auto written = text().count(m_formats.dateSeparator);
        if (part < 3 && part <= written)
            selectPart(part + 1);
        else if (part < 3) // a date typed afresh: the next part starts here
            insert(QString(c));
    }
    // Everything else is refused.
}

void DateEdit::resizeEvent(QResizeEvent* event)
{
    PartedField::resizeEvent(event);
    layoutButton();
}

void DateEdit::showEvent(QShowEvent* event)
{
    PartedField::showEvent(event);
    if (!m_valueSet) {
        setDate((m_clock ? *m_clock : systemClock()).now());
        setModified(false);
    }
}

void DateEdit::layoutButton()
{
    const int side = height();
    m_button->setGeometry(width() - side, 0, side, side);
    setTextMargins(0, 0, side, 0);
}

} // namespace hv
