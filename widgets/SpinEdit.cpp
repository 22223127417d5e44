#include "SpinEdit.h"

#include <QAccessible>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

SpinEdit::SpinEdit(QWidget *parent) : QWidget(parent)
{
    m_edit = new QLineEdit(this);
    const QString separator = QRegularExpression::escape(QLocale().decimalPoint());
    m_edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9+\\-%1]*").arg(separator)), m_edit));
    m_up = new QToolButton(this);
    m_down = new QToolButton(this);
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton *button : {m_up, m_down}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setFixedWidth(15);
    }
    // Named as Qt names the actions of its own spin boxes, in the workstation's language.
    if (QAccessibleInterface *edit = QAccessible::queryAccessibleInterface(m_edit))
        if (QAccessibleActionInterface *actions = edit->actionInterface()) {
            m_up->setAccessibleName(
                actions->localizedActionName(QAccessibleActionInterface::increaseAction()));
            m_down->setAccessibleName(
                actions->localizedActionName(QAccessibleActionInterface::decreaseAction()));
        }
    m_edit->installEventFilter(this);
    auto *buttons = new QVBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(0);
    buttons->addWidget(m_up);
    buttons->addWidget(m_down);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_edit);
    layout->addLayout(buttons);
    setFocusProxy(m_edit);
    connect(m_edit, &QLineEdit::textChanged, this, &SpinEdit::textChanged);
    connect(m_up, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { stepBy(-1); });
}

QString SpinEdit::text() const
{
    return m_edit->text();
}

void SpinEdit::setText(const QString &text)
{
    m_edit->setText(text);
}

double SpinEdit::value() const
{
    bool ok = false;
    const double number = QLocale().toDouble(m_edit->text(), &ok);
    return ok ? number : 0.0;
}

void SpinEdit::stepBy(int steps)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    m_edit->setText(locale.toString(value() + steps, 'g', 15));
}

bool SpinEdit::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_edit || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier ||
        (key->key() != Qt::Key_Up && key->key() != Qt::Key_Down))
        return false;
    stepBy(key->key() == Qt::Key_Up ? 1 : -1);
    return true;
}
