#include "BevelPanel.h"

#include <QMouseEvent>
#include <QPainter>

namespace hv {

namespace {

// Draws a frame of `width` pixels inside `rect` and shrinks `rect` past it:
// light on the top and left edges for a raised bevel, dark for a lowered one.
void drawBevel(QPainter& painter, QRect& rect, Bevel bevel, int width, const QPalette& palette)
{
    if (bevel == Bevel::None || width <= 0)
        return;
    const QColor light = palette.color(QPalette::Light);
    const QColor dark = palette.color(QPalette::Dark);
    const QColor topLeft = bevel == Bevel::Raised ? light : dark;
    const QColor bottomRight = bevel == Bevel::Raised ? dark : light;
    for (int i = 0; i < width && rect.width() > 1 && rect.height() > 1; ++i) {
        painter.setPen(topLeft);
        painter.drawLine(rect.topLeft(), rect.topRight());
        painter.drawLine(rect.topLeft(), rect.bottomLeft());
        painter.setPen(bottomRight);
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
        painter.drawLine(rect.topRight(), rect.bottomRight());
        rect.adjust(1, 1, -1, -1);
    }
}

} // namespace

BevelPanel::BevelPanel(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void BevelPanel::setBevels(const FaceBevels& bevels)
{
    m_bevels = bevels;
    update();
}

void BevelPanel::setBackground(const QColor& colour)
{
    m_background = colour;
    update();
}

void BevelPanel::setTextColour(const QColor& colour)
{
    m_textColour = colour;
    update();
}

void BevelPanel::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    update();
}

void BevelPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_background);
    QRect inside = rect();
    drawBevel(painter, inside, m_bevels.outer, m_bevels.bevelWidth, palette());
    inside.adjust(m_bevels.borderWidth, m_bevels.borderWidth, -m_bevels.borderWidth, -m_bevels.borderWidth);
    drawBevel(painter, inside, m_bevels.inner, m_bevels.bevelWidth, palette());
    painter.setPen(m_textColour);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, m_text);
}

void BevelPanel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QWidget::mouseReleaseEvent(event);
}

} // namespace hv
