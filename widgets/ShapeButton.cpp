#include "ShapeButton.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionFocusRect>

ShapeButton::ShapeButton(const QString &caption, QColor face, QWidget *parent)
    : QAbstractButton(parent), m_face(face)
{
    setText(caption);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
}

QSize ShapeButton::sizeHint() const
{
    const QSize caption = fontMetrics().size(Qt::TextShowMnemonic, text());
    return {caption.width() + 24, caption.height() + 10};
}

void ShapeButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal radius = CornerEllipse / 2;
    const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const bool down = isDown();

    QPainterPath shape;
    shape.addRoundedRect(area, radius, radius);
    painter.fillPath(shape, isEnabled() ? m_face : m_face.lighter(115));

    // Highlight shading: a light rim on the lit side, a dark rim on the other; pressed
    // buttons swap them so the face looks pushed in.
    const QColor light = m_face.lighter(160);
    const QColor dark = m_face.darker(170);
    QPainterPath upperLeft;
    upperLeft.addRoundedRect(area.adjusted(1, 1, -2, -2), radius - 1, radius - 1);
    QPainterPath lowerRight;
    lowerRight.addRoundedRect(area.adjusted(2, 2, -1, -1), radius - 1, radius - 1);
    painter.setPen(QPen(down ? dark : light, 1.5));
    painter.drawPath(upperLeft);
    painter.setPen(QPen(down ? light : dark, 1.5));
    painter.drawPath(lowerRight);
    painter.setPen(QPen(m_face.darker(230), 1));
    painter.drawPath(shape);

    QRect textArea = rect();
    if (down)
        textArea.translate(1, 1);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(textArea, Qt::AlignCenter | Qt::TextShowMnemonic, text());

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = fontMetrics()
                         .boundingRect(textArea, Qt::AlignCenter | Qt::TextShowMnemonic, text())
                         .adjusted(-3, -1, 3, 1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void ShapeButton::keyPressEvent(QKeyEvent *event)
{
    // Space is the base class's (pressed on the key, clicked on its release); Enter clicks at
    // once. A held Enter clicks once: each click may open a window.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        QAbstractButton::keyPressEvent(event);
        return;
    }
    if (!event->isAutoRepeat())
        click();
}
