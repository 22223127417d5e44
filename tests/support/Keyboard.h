#pragma once

#include <QApplication>
#include <QDialogButtonBox>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// A window driven as a keyboard user drives it: each key goes where the keyboard goes (the
// open menu, else the control with the focus in the active window), and a menu that a key
// opens is read and answered by keys too.

// Shows the window and waits until it is the active one, so that keys reach its focus. (A
// window counts as active to Qt while a window it owns is; here it must be itself.)
inline bool becomesActive(QWidget &window)
{
    return QTest::qWaitFor([&window] {
        return QApplication::activeWindow() == &window &&
               QGuiApplication::focusWindow() == window.windowHandle();
    });
}

inline bool showActive(QWidget &window)
{
    window.show();
    window.activateWindow();
    return becomesActive(window);
}

inline void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    if (!QGuiApplication::focusWindow() && !QApplication::focusWidget() &&
        !QApplication::activeWindow() && !QApplication::activePopupWidget()) {
        ADD_FAILURE() << "no window takes the keyboard";
        return;
    }
    QTest::keyClick(static_cast<QWidget *>(nullptr), key, modifiers);
}

// Runs act once, as soon as ready() holds: looked at every few milliseconds from now on,
// inside the event loop of a modal window too. Looking ends with the returned timer.
inline std::unique_ptr<QTimer> whenReady(std::function<bool()> ready, std::function<void()> act)
{
    auto look = std::make_unique<QTimer>();
    look->setInterval(5);
    QTimer *timer = look.get();
    QObject::connect(timer, &QTimer::timeout, [timer, ready, act] {
        if (!ready())
            return;
        timer->stop();
        act();
    });
    look->start();
    return look;
}

// The control with the focus; a part that is a control's focus proxy stands for the control
// (an editable combo box's text field, a tab widget's tab strip), except a button box's
// default button, which is a control of its own.
inline QWidget *focused()
{
    QWidget *widget = QApplication::focusWidget();
    if (widget && widget->parentWidget() && widget->parentWidget()->focusProxy() == widget &&
        !qobject_cast<QDialogButtonBox *>(widget->parentWidget()))
        return widget->parentWidget();
    return widget;
}

// What a menu opened by a key offered, if one opened.
struct KeyMenu {
    bool opened = false;
    QStringList entries; // separators left out
    QPoint at;           // its top left corner on the screen
};

// Presses the key; a menu that opens is read, then the entry named pick is chosen by moving
// down to it and pressing Return (with no pick, Escape closes the menu). The menu is looked
// for while the key is handled: QTest runs the events waiting between a modifier's press and
// the key's, before any menu can be open.
inline KeyMenu menuByKey(Qt::Key key, Qt::KeyboardModifiers modifiers, const QString &pick = {})
{
    KeyMenu menu;
    bool pressed = false;
    bool done = false;
    QTimer look;
    look.setInterval(5);
    QObject::connect(&look, &QTimer::timeout, [&] {
        auto *popup = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!popup) {
            done = pressed;
            return;
        }
        look.stop();
        done = true;
        menu.opened = true;
        menu.at = popup->pos();
        for (const QAction *action : popup->actions())
            if (!action->isSeparator())
                menu.entries.append(action->text());
        if (pick.isEmpty() || !menu.entries.contains(pick)) {
            press(Qt::Key_Escape);
            return;
        }
        for (qsizetype i = 0; i < popup->actions().size(); ++i) {
            press(Qt::Key_Down);
            if (popup->activeAction() && popup->activeAction()->text() == pick)
                break;
        }
        press(Qt::Key_Return);
    });
    const QPointer<QWidget> window = QApplication::activeWindow();
    look.start();
    press(key, modifiers);
    pressed = true;
    static_cast<void>(QTest::qWaitFor([&done] { return done; }));
    // A desktop gives the keyboard back to the window under a closed menu; the offscreen
    // platform does not always.
    if (menu.opened && !QGuiApplication::focusWindow() && window)
        static_cast<void>(showActive(*window));
    return menu;
}
