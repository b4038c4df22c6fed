#pragma once

#include "controls/FaceLayout.h"

#include <QColor>
#include <QWidget>

namespace hv {

// A panel with an outer and an inner bevel and a border between them, filled
// with one colour and showing one line of centred text: the clock face.
class BevelPanel : public QWidget
{
    Q_OBJECT

public:
    explicit BevelPanel(QWidget* parent = nullptr);

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
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    FaceBevels m_bevels;
    QColor m_background = Qt::lightGray;
    QColor m_textColour = Qt::darkBlue;
    QString m_text;
};

} // namespace hv
