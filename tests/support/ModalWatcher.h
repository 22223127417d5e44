#pragma once

#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>

// Answers message boxes as a user would: records what each showed and presses its
// default button. Lives for the duration of a test.
class ModalWatcher : public QObject {
public:
    struct Box {
        QString caption;
        QString text;
        QMessageBox::Icon icon;
        QStringList buttons;
    };

    ModalWatcher();

    QList<Box> boxes;
    // Runs while a box is still open, before it is answered.
    std::function<void(const Box &)> whileOpen;

private:
    void poll();
    QTimer m_timer;
};
