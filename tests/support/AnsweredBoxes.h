#pragma once

#include "FailureDisplay.h"

#include <QList>
#include <functional>

// Answers the program's message boxes for as long as it lives: each box is recorded, none
// is shown, and whileOpen runs at the moment the box would be on screen.
class AnsweredBoxes {
public:
    AnsweredBoxes()
    {
        FailureDisplay::setHook([this](const FailureDisplay::Box &box) {
            boxes.append(box);
            if (whileOpen)
                whileOpen(box);
        });
    }
    ~AnsweredBoxes() { FailureDisplay::setHook({}); }
    AnsweredBoxes(const AnsweredBoxes &) = delete;
    AnsweredBoxes &operator=(const AnsweredBoxes &) = delete;

    QList<FailureDisplay::Box> boxes;
    std::function<void(const FailureDisplay::Box &)> whileOpen;
};
