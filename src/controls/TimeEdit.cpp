// SPDX-License-Identifier: GPL-3.0-or-later
#include "TimeEdit.h"

#include "common/Conversions.h"
#include "common/DateTimeFormat.h"
#include "platform/Clock.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace hv {

namespace {

const Clock& systemClock()
{
    static const SystemClock clock;
    return clock;
}

// A character of the marker rather than of the numbers or what sets them apart.
bool isMarkerChar(QChar c, QChar separator)
{
    return !c.isDigit() && !c.isSpace() && c != separator;
}

struct Run
{
    int start;
    int end;
};

std::vector<Run> digitRuns(const QString& text)
{
    std::vector<Run> runs;
    for (int i = 0; i < text.size();) {
        if (!text[i].isDigit()) {
            ++i;
            continue;
        }
        const int start = i;
        while (i < text.size() && text[i].isDigit())
            ++i;
        runs.push_back({start, i});
    }
    return runs;
}

} // namespace

// Two halves, as high as the field and half as wide: the upper one steps the
// part in focus up, the lower one down. It never takes the focus, so the part
// in focus stays the one the user chose in the field.
class TimeEdit::SpinButton : public QWidget
{
public:
    explicit SpinButton(TimeEdit* field)
        : QWidget(field)
        , m_field(field)
    {
        setObjectName(QStringLiteral("spinButton"));
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::ArrowCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const int half = height() / 2;
        paintHalf(painter, QRect(0, 0, width(), half), QStyle::PE_IndicatorSpinUp, m_pressed == 1);
        paintHalf(painter, QRect(0, half, width(), height() - half), QStyle::PE_IndicatorSpinDown,
                  m_pressed == -1);
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton || !m_field->isEnabled())
            return;
        m_pressed = event->position().y() < height() / 2.0 ? 1 : -1;
        update();
        m_field->step(m_field->partInFocus(), m_pressed);
    }

    void mouseReleaseEvent(QMouseEvent*) override
    {
        m_pressed = 0;
        update();
    }

private:
    void paintHalf(QPainter& painter, const QRect& rect, QStyle::PrimitiveElement arrow, bool down) const
    {
        QStyleOption option;
        option.initFrom(this);
        option.rect = rect;
        option.state |= down ? QStyle::State_Sunken : QStyle::State_Raised;
        if (!m_field->isEnabled())
            option.state &= ~QStyle::State_Enabled;
        style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &option, &painter, this);
        style()->drawPrimitive(arrow, &option, &painter, this);
    }

    TimeEdit* m_field;
    int m_pressed = 0; // +1 upper half held, -1 lower half, 0 none
};

TimeEdit::TimeEdit(QWidget* parent)
    : PartedField(parent)
    , m_formats(FormatSettings::fromLocale(QLocale()))
    , m_spin(new SpinButton(this))
{
    readFormatOrder();
    layoutSpinButton();
}

TimeEdit::~TimeEdit() = default;

void TimeEdit::setFormats(const FormatSettings& formats)
{
    m_formats = formats;
    readFormatOrder();
    if (m_valueSet)
        showValue();
}

void TimeEdit::setClock(const Clock* clock)
{
    m_clock = clock;
}

void TimeEdit::readFormatOrder()
{
    m_twelveHour = m_formats.uses12HourClock();
    int hourAt = -1;
    int minuteAt = -1;
    int markerAt = -1;
    const auto tokens = tokenizeFormat(m_formats.shortTimeFormat);
    for (int i = 0; i < static_cast<int>(tokens.size()); ++i) {
        switch (tokens[static_cast<std::size_t>(i)].kind) {
        case FormatToken::Kind::Hour:
            hourAt = hourAt < 0 ? i : hourAt;
            break;
        case FormatToken::Kind::Minute:
            minuteAt = minuteAt < 0 ? i : minuteAt;
            break;
        case FormatToken::Kind::AmPm:
            markerAt = markerAt < 0 ? i : markerAt;
            break;
        default:
            break;
        }
    }
    m_minutesFirst = minuteAt >= 0 && hourAt >= 0 && minuteAt < hourAt;
    m_markerFirst = markerAt >= 0 && markerAt < std::max(hourAt, minuteAt);
}

DateTime TimeEdit::today() const
{
    return datePart((m_clock ? *m_clock : systemClock()).now());
}

QString TimeEdit::format(DateTime value) const
{
    return formatDateTime(m_formats.shortTimeFormat, value, m_formats);
}

void TimeEdit::showValue()
{
    const QString text = format(m_value);
    if (text != this->text())
        setText(text);
    // A value shown while the user is in the field (read back for a save, or
    // set by a window reloading it) leaves a part selected, so that what is
    // typed next replaces that part instead of running on after the text.
    if (hasFocus())
        selectPart(m_part);
}

DateTime TimeEdit::timeOfDay() const
{
    return truncateToMinute(timePart(m_value));
}

void TimeEdit::setValue(DateTime value)
{
    if (m_valueSet && value == m_value)
        return;
    m_value = value;
    m_valueSet = true;
    showValue();
}

TimeEdit::Span TimeEdit::partSpan(Part part) const
{
    const QString t = text();
    const QChar separator = m_formats.timeSeparator;
    const std::vector<Run> runs = digitRuns(t);

    if (part == Part::AmPm) {
        // The marker's characters on its side of the numbers; an empty span
        // at that end of the text when there are none.
        const int from = m_markerFirst ? 0 : (runs.empty() ? 0 : runs.back().end);
        const int to = m_markerFirst ? (runs.empty() ? static_cast<int>(t.size()) : runs.front().start)
                                     : static_cast<int>(t.size());
        int first = -1;
        int last = -1;
        for (int i = from; i < to; ++i) {
            if (isMarkerChar(t[i], separator)) {
                first = first < 0 ? i : first;
                last = i;
            }
        }
        if (first < 0)
            return {m_markerFirst ? 0 : static_cast<int>(t.size()), 0};
        return {first, last - first + 1};
    }

    const bool wantFirstRun = (part == Part::Hours) != m_minutesFirst;
    const std::size_t index = wantFirstRun ? 0 : 1;
    if (index < runs.size())
        return {runs[index].start, runs[index].end - runs[index].start};
    if (wantFirstRun) // no digits at all: where the marker ends, or the start
        return {m_markerFirst ? partSpan(Part::AmPm).end() : 0, 0};
    // One number only: the second goes after the separator that follows it.
    const int afterFirst = runs.empty() ? 0 : runs.front().end;
    const auto sep = t.indexOf(separator, afterFirst);
    return {sep >= 0 ? static_cast<int>(sep) + 1 : afterFirst, 0};
}

TimeEdit::Part TimeEdit::partAt(int position) const
{
    // The part whose span holds the caret, ends included; else the nearest.
    std::vector<Part> parts{Part::Hours, Part::Minutes};
    if (m_twelveHour)
        parts.push_back(Part::AmPm);
    Part best = Part::Hours;
    int bestDistance = -1;
    for (const Part part : parts) {
        const Span span = partSpan(part);
        const int distance = position < span.start   ? span.start - position
                             : position > span.end() ? position - span.end()
                                                     : 0;
        if (bestDistance < 0 || distance < bestDistance) {
            best = part;
            bestDistance = distance;
        }
    }
    return best;
}

void TimeEdit::selectPart(Part part)
{
    m_part = part;
    const Span span = partSpan(part);
    setSelection(span.start, span.length);
}

bool TimeEdit::commitText()
{
    const std::optional<DateTime> time = tryStrToTime(text(), m_formats);
    if (!time) {
        m_valueSet = true;
        setText(format(m_value));
        return false;
    }
    m_value = today() + *time;
    m_valueSet = true;
    showValue();
    return true;
}

void TimeEdit::step(Part part, int delta)
{
    commitText();
    const Time t = decodeTime(m_value);
    int hours = t.hour;
    int minutes = t.minute;
    switch (part) {
    case Part::Hours:
        hours += delta;
        break;
    case Part::Minutes:
        minutes += delta;
        break;
    case Part::AmPm:
        hours += delta > 0 ? 12 : -12;
        break;
    }
    if (minutes >= 60) {
        minutes -= 60;
        ++hours;
    }
    if (hours >= 24)
        hours -= 24;
    if (minutes < 0) {
        minutes += 60;
        --hours;
    }
    if (hours < 0)
        hours += 24;
    m_value = tryEncodeTime(hours, minutes).value_or(0);
    showValue();
    setFocus(Qt::OtherFocusReason);
    selectPart(part);
}

void TimeEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        const Part part = partAt(cursorPosition());
        selectPart(part);
        step(part, event->key() == Qt::Key_Up ? 1 : -1);
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
    if (c == m_formats.timeSeparator) {
        if (text().contains(c))
            selectPart(Part::Minutes);
        else // a time typed afresh: the minutes start here
            insert(QString(c));
        return;
    }
    if (c == u' ') {
        selectPart(Part::AmPm);
        return;
    }
    const QChar letter = c.toUpper();
    if (letter != u'A' && letter != u'M' && letter != u'P')
        return; // refused
    if (!m_twelveHour) {
        // Typed as it is; a text that does not read back is repaired on leaving.
        PartedField::keyPressEvent(event);
        return;
    }
    if (m_part != Part::AmPm || !hasSelectedText())
        selectPart(Part::AmPm);
    // A and P write the whole marker, so that the text reads back; M, the
    // marker's second letter, only selects it.
    if (letter != u'M') {
        QString marker = letter == u'A' ? m_formats.timeAMString : m_formats.timePMString;
        // A marker added to a text without one keeps a blank from the numbers.
        if (!hasSelectedText() && !text().isEmpty()) {
            const int at = cursorPosition();
            if (m_markerFirst && at < text().size() && !text()[at].isSpace())
                marker += u' ';
            else if (!m_markerFirst && at > 0 && !text()[at - 1].isSpace())
                marker.prepend(u' ');
        }
        insert(marker);
        selectPart(Part::AmPm);
    }
}

void TimeEdit::resizeEvent(QResizeEvent* event)
{
    PartedField::resizeEvent(event);
    layoutSpinButton();
}

void TimeEdit::showEvent(QShowEvent* event)
{
    PartedField::showEvent(event);
    if (!m_valueSet)
        setValue((m_clock ? *m_clock : systemClock()).now());
}

void TimeEdit::layoutSpinButton()
{
    const int w = std::max(height() / 2, 8);
    m_spin->setGeometry(width() - w, 0, w, height());
    setTextMargins(0, 0, w, 0);
}

} // namespace hv
