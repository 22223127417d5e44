#pragma once

#include <QAbstractButton>
#include <QColor>

// A push button drawn as a filled rounded rectangle with raised shading and a centred
// caption; the corner ellipse is 25 pixels across. It takes the focus, and Space and Enter
// press it, as they press a push button on Windows.
class ShapeButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit ShapeButton(const QString &caption, QColor face, QWidget *parent = nullptr);

    QColor faceColor() const { return m_face; }
    static constexpr qreal CornerEllipse = 25.0;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QColor m_face;
};
