#include "LoginDialog.h"
#include "QtPrinters.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

TEST(LoginDialog, CaptionFieldsAndFocus)
{
    LoginDialog empty(QStringLiteral("AdsConnect"), QString());
    EXPECT_EQ(empty.windowTitle(), QStringLiteral("Database Login"));
    EXPECT_TRUE(empty.isModal());
    QStringList labels;
    for (QLabel *label : empty.findChildren<QLabel *>())
        labels.append(label->text());
    EXPECT_TRUE(labels.contains(QStringLiteral("Database: AdsConnect")));
    EXPECT_TRUE(labels.contains(QStringLiteral("&User Name:")));
    EXPECT_TRUE(labels.contains(QStringLiteral("&Password:")));
    EXPECT_EQ(empty.userEdit->maxLength(), 31);
    EXPECT_EQ(empty.passwordEdit->maxLength(), 31);
    EXPECT_EQ(empty.passwordEdit->echoMode(), QLineEdit::Password);
    EXPECT_EQ(empty.focusWidget(), empty.userEdit);

    QStringList buttons;
    QPushButton *defaultButton = nullptr;
    for (QPushButton *button : empty.findChildren<QPushButton *>()) {
        buttons.append(button->text());
        if (button->isDefault())
            defaultButton = button;
    }
    buttons.sort();
    EXPECT_EQ(buttons, QStringList({QStringLiteral("&OK"), QStringLiteral("Cancel")}));
    ASSERT_NE(defaultButton, nullptr);
    EXPECT_EQ(defaultButton->text(), QStringLiteral("&OK"));

    LoginDialog known(QStringLiteral("AdsConnect"), QStringLiteral("adam"));
    EXPECT_EQ(known.userEdit->text(), QStringLiteral("adam"));
    EXPECT_EQ(known.focusWidget(), known.passwordEdit);
}

} // namespace
