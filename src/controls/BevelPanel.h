// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/FaceLayout.h"

#include <QColor>
#include <QWidget>

namespace hv {

// A panel with an outer and an inner bevel and a border between them, filled
// with one colour and showing one line of centred text: the clock face.
//
// A left click (press and release without moving the platform's drag
// distance) emits clicked(). While movesWindow() is set the panel stands in
// for a caption and a frame: a drag moves the top-level window (by hand where
// a window may place itself, else through the window manager), and a press
// within kEdgeMargin pixels of an edge resizes it from that edge (through the
// window manager where it offers that, else by hand).
class BevelPanel : public QWidget
{
    Q_OBJECT

public:
    // Pixels along each edge where a press resizes the window.
    static constexpr int kEdgeMargin = 4;

    explicit BevelPanel(QWidget* parent = nullptr);

    bool movesWindow() const { return m_movesWindow; }
    void setMovesWindow(bool moves);

    void setBevels(const FaceBevels& bevels);
    const FaceBevels& bevels() const { return m_bevels; }

    void setBackground(const QColor& colour);
    void setTextColour(const QColor& colour);

    void setText(const QString& text);
    const QString& text() const { return m_text; }

    // The room inside the bevels and the border.
    QSize usableSize() const { return usableFaceSize(size(), m_bevels); }

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class Gesture
    {
        None,         // no left button held, or the window manager has taken over
        Pressed,      // held, not yet moved the drag distance: may still be a click
        Moving,       // the window follows the pointer
        Resizing,     // the window's edges follow the pointer
        SystemMoving, // the window manager moves or resizes the window
    };

    // The edges a press at `pos` would resize; none when the panel does not
    // move its window.
    Qt::Edges edgesAt(QPoint pos) const;

    bool m_movesWindow = false;
    Gesture m_gesture = Gesture::None;
    Qt::Edges m_edges;
    QPointF m_pressGlobal;  // where the left button went down, on the screen
    QPoint m_framedAtPress; // the window's place then, its frame included (QWidget::pos)
    QRect m_windowAtPress;  // the window's geometry then, frame left out

    FaceBevels m_bevels;
    QColor m_background = Qt::lightGray;
    QColor m_textColour = Qt::darkBlue;
    QString m_text;
};

} // namespace hv
