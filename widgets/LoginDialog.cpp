#include "LoginDialog.h"

#include "WindowAccess.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

LoginDialog::LoginDialog(const QString &databaseName, const QString &username, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Database Login"));
    setModal(true);

    auto *database = new QLabel(QStringLiteral("Database: ") + databaseName, this);
    userEdit = new QLineEdit(username, this);
    userEdit->setMaxLength(31);
    passwordEdit = new QLineEdit(this);
    passwordEdit->setMaxLength(31);
    passwordEdit->setEchoMode(QLineEdit::Password);
    passwordEdit->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));

    auto *form = new QFormLayout;
    auto *userLabel = new QLabel(QStringLiteral("&User Name:"), this);
    userLabel->setBuddy(userEdit);
    auto *passwordLabel = new QLabel(QStringLiteral("&Password:"), this);
    passwordLabel->setBuddy(passwordEdit);
    form->addRow(userLabel, userEdit);
    form->addRow(passwordLabel, passwordEdit);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(database);
    layout->addLayout(form);
    layout->addWidget(buttons);

    WindowAccess::adopt(*this);
    (username.isEmpty() ? userEdit : passwordEdit)->setFocus();
    adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

QString LoginDialog::username() const
{
    return userEdit->text();
}

QString LoginDialog::password() const
{
    return passwordEdit->text();
}

bool LoginDialog::ask(const QString &componentName, QString &username, QString &password)
{
    LoginDialog dialog(componentName, username);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    username = dialog.username();
    password = dialog.password();
    return true;
}
