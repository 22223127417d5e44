#pragma once

#include "QtPrinters.h"
#include "ShapeButton.h"

#include <QLabel>
#include <QRect>
#include <QString>
#include <gtest/gtest.h>
#include <initializer_list>

// One control of a window as laid out: where it sits and, for labels and buttons, its text.
struct LaidOut {
    QWidget *widget;
    QRect geometry;
    QString text;
};

inline void expectLaidOut(std::initializer_list<LaidOut> controls)
{
    for (const LaidOut &c : controls) {
        SCOPED_TRACE(c.widget->objectName().toStdString());
        EXPECT_EQ(c.widget->geometry(), c.geometry);
        if (auto *label = qobject_cast<QLabel *>(c.widget)) {
            EXPECT_EQ(label->text(), c.text);
        }
        if (auto *button = qobject_cast<ShapeButton *>(c.widget)) {
            EXPECT_EQ(button->text(), c.text);
        }
    }
}
