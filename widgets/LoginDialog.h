#pragma once

#include <QDialog>

class QLineEdit;

// "Database Login": asks for the user name and password of a data-dictionary connection.
class LoginDialog : public QDialog {
    Q_OBJECT
public:
    LoginDialog(const QString &databaseName, const QString &username, QWidget *parent = nullptr);

    QString username() const;
    QString password() const;

    // The hook the data access layer calls: false when the user cancels.
    static bool ask(const QString &componentName, QString &username, QString &password);

    QLineEdit *userEdit;
    QLineEdit *passwordEdit;
};
