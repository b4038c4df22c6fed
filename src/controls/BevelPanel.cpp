// SPDX-License-Identifier: GPL-3.0-or-later
#include "BevelPanel.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

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

bool windowsPlaceThemselves()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
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

void BevelPanel::setMovesWindow(bool moves)
{
    m_movesWindow = moves;
    m_gesture = Gesture::None;
    if (!moves)
        unsetCursor();
    setMouseTracking(moves); // the cursor shows where the edges resize
}

Qt::Edges BevelPanel::edgesAt(QPoint pos) const
{
    Qt::Edges edges;
    if (!m_movesWindow)
        return edges;
    if (pos.x() < kEdgeMargin)
        edges |= Qt::LeftEdge;
    else if (pos.x() >= width() - kEdgeMargin)
        edges |= Qt::RightEdge;
    if (pos.y() < kEdgeMargin)
        edges |= Qt::TopEdge;
    else if (pos.y() >= height() - kEdgeMargin)
        edges |= Qt::BottomEdge;
    return edges;
}

void BevelPanel::mousePressEvent(QMouseEvent* event)
{
    QWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    m_gesture = Gesture::Pressed;
    m_pressGlobal = event->globalPosition();
    m_framedAtPress = window()->pos();
    m_windowAtPress = window()->geometry();
    m_edges = edgesAt(event->position().toPoint());
    if (!m_edges)
        return;
    QWindow* handle = window()->windowHandle();
    m_gesture = handle && handle->startSystemResize(m_edges) ? Gesture::SystemMoving : Gesture::Resizing;
}

void BevelPanel::mouseMoveEvent(QMouseEvent* event)
{
    QWidget::mouseMoveEvent(event);
    if (!(event->buttons() & Qt::LeftButton)) {
        const Qt::Edges edges = edgesAt(event->position().toPoint());
        if ((edges & Qt::LeftEdge && edges & Qt::TopEdge) ||
            (edges & Qt::RightEdge && edges & Qt::BottomEdge))
            setCursor(Qt::SizeFDiagCursor);
        else if (edges & (Qt::LeftEdge | Qt::RightEdge) && edges & (Qt::TopEdge | Qt::BottomEdge))
            setCursor(Qt::SizeBDiagCursor);
        else if (edges & (Qt::LeftEdge | Qt::RightEdge))
            setCursor(Qt::SizeHorCursor);
        else if (edges)
            setCursor(Qt::SizeVerCursor);
        else
            unsetCursor();
        return;
    }
    const QPoint delta = (event->globalPosition() - m_pressGlobal).toPoint();
    switch (m_gesture) {
    case Gesture::Pressed: {
        if (delta.manhattanLength() < QApplication::startDragDistance())
            return;
        if (!m_movesWindow) {
            m_gesture = Gesture::None; // a drag, so no click; nothing to move
            return;
        }
        // Where a window may place itself (X11) it follows the pointer from
        // the press on; the window manager would take over only from here,
        // leaving the window behind the pointer by the drag distance. Where
        // it may not (Wayland), the window manager moves it.
        QWindow* handle = window()->windowHandle();
        if (!windowsPlaceThemselves() && handle && handle->startSystemMove()) {
            m_gesture = Gesture::SystemMoving;
            return;
        }
        m_gesture = Gesture::Moving;
        window()->move(m_framedAtPress + delta);
        return;
    }
    case Gesture::Moving:
        window()->move(m_framedAtPress + delta);
        return;
    case Gesture::Resizing: {
        QRect wanted = m_windowAtPress;
        const QSize least = window()->minimumSize().expandedTo(QSize(2 * kEdgeMargin, 2 * kEdgeMargin));
        if (m_edges & Qt::LeftEdge)
            wanted.setLeft(std::min(wanted.left() + delta.x(), wanted.right() + 1 - least.width()));
        if (m_edges & Qt::RightEdge)
            wanted.setRight(std::max(wanted.right() + delta.x(), wanted.left() - 1 + least.width()));
        if (m_edges & Qt::TopEdge)
            wanted.setTop(std::min(wanted.top() + delta.y(), wanted.bottom() + 1 - least.height()));
        if (m_edges & Qt::BottomEdge)
            wanted.setBottom(std::max(wanted.bottom() + delta.y(), wanted.top() - 1 + least.height()));
        window()->setGeometry(wanted);
        return;
    }
    case Gesture::None:
    case Gesture::SystemMoving:
        return;
    }
}

void BevelPanel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_gesture == Gesture::Pressed;
    if (event->button() == Qt::LeftButton)
        m_gesture = Gesture::None;
    if (click && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QWidget::mouseReleaseEvent(event);
}

} // namespace hv
