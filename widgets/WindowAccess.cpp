#include "WindowAccess.h"

#include "GridAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

namespace {

// Sits on the window and sees the keys its controls leave alone: an unhandled key event
// travels up to the window, and the window's filters see it there.
class WindowKeys : public QObject {
public:
    WindowKeys(QWidget &window, WindowAccess::Escape escape)
        : QObject(&window), m_window(window), m_escape(escape)
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != &m_window || event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if ((key->key() == Qt::Key_Menu && modifiers == Qt::NoModifier) ||
            (key->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier))
            return openContextMenu(key->modifiers());
        if (key->key() == Qt::Key_Escape && modifiers == Qt::NoModifier &&
            m_escape == WindowAccess::Escape::Closes) {
            m_window.close();
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            modifiers == Qt::NoModifier && qobject_cast<QDialog *>(&m_window))
            return pressDefaultButton();
        return false;
    }

private:
    // As the platform does for its own keyboard menus: at the control's cursor rectangle,
    // which the grids and tables give as their current cell.
    bool openContextMenu(Qt::KeyboardModifiers modifiers)
    {
        QPointer<QWidget> target = QApplication::focusWidget();
        if (!target || !target->isEnabled() ||
            (target != &m_window && !m_window.isAncestorOf(target)))
            return false;
        QPoint at = target->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
        if (!target->rect().contains(at))
            at = target->rect().center();
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, target->mapToGlobal(at), modifiers);
        QApplication::sendEvent(target, &menu);
        return true;
    }

    // QDialog presses the default button of any window below it, a search window it owns
    // included; Enter in this window presses this window's own, or none.
    bool pressDefaultButton()
    {
        for (QPushButton *button : m_window.findChildren<QPushButton *>())
            if (button->window() == &m_window && button->isDefault() && button->isVisible()) {
                if (button->isEnabled())
                    button->click();
                break;
            }
        return true;
    }

    QWidget &m_window;
    const WindowAccess::Escape m_escape;
};

// Qt reads a window made from a plain QWidget as a pane; a screen reader then has no window
// to name when it comes up.
QAccessibleInterface *windowFactory(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType() || className != object->metaObject()->className() ||
        object->metaObject()->superClass() != &QWidget::staticMetaObject)
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    return widget->isWindow() ? new QAccessibleWidget(widget, QAccessible::Window) : nullptr;
}

} // namespace

namespace WindowAccess {

void installAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(windowFactory);
        return true;
    }();
    (void)installed;
    GridAccessible::install();
}

void adopt(QWidget &window, Escape escape)
{
    installAccessibility();
    window.installEventFilter(new WindowKeys(window, escape));
}

void announce(QWidget &window, const QString &text)
{
    if (window.accessibleDescription() != text) {
        window.setAccessibleDescription(text);
    } else {
        // The same news again is news too.
        QAccessibleEvent changed(&window, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&changed);
    }
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent announcement(&window, text);
    QAccessible::updateAccessibility(&announcement);
#endif
}

} // namespace WindowAccess
