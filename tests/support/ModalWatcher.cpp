#include "ModalWatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

ModalWatcher::ModalWatcher()
{
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, &ModalWatcher::poll);
    m_timer.start();
}

void ModalWatcher::poll()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (!box || !box->isVisible())
            continue;
        QStringList buttons;
        for (QAbstractButton *button : box->buttons())
            buttons.append(button->text());
        boxes.append(Box{box->windowTitle(), box->text(), box->icon(), buttons});
        if (whileOpen)
            whileOpen(boxes.last());
        QAbstractButton *answer = box->defaultButton()
                                      ? static_cast<QAbstractButton *>(box->defaultButton())
                                      : box->buttons().value(0);
        if (answer)
            answer->click();
        else
            box->reject();
    }
}
