#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// A number with up and down buttons: typed input takes digits, "+", "-" and the locale's
// decimal separator; the buttons add or subtract 1 and write the value back as text.
// No limits. An empty or unreadable text reads as 0. textChanged fires on every change.
// The Up and Down keys do what the buttons do; the buttons take no focus.
class SpinEdit : public QWidget {
    Q_OBJECT
public:
    explicit SpinEdit(QWidget *parent = nullptr);

    QString text() const;
    void setText(const QString &text);
    double value() const;
    void stepBy(int steps);

    QLineEdit *lineEdit() const { return m_edit; }
    QToolButton *upButton() const { return m_up; }
    QToolButton *downButton() const { return m_down; }

signals:
    void textChanged(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_edit;
    QToolButton *m_up;
    QToolButton *m_down;
};
