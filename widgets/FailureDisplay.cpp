#include "FailureDisplay.h"

#include "Exception.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(FatalReport)
};

} // namespace

namespace FailureDisplay {

QString programTitle(const QString &executablePath)
{
    const QString fileName = QFileInfo(executablePath).fileName();
    const QString stem = fileName.section(QLatin1Char('.'), 0, 0);
    if (stem.isEmpty())
        return stem;
    return stem.left(1) + stem.mid(1).toLower();
}

QString withFullStop(const QString &message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + QLatin1Char('.');
    return message;
}

namespace {

Hook &hook()
{
    static Hook current;
    return current;
}

QStringList &pending()
{
    static QStringList messages;
    return messages;
}

} // namespace

void setHook(Hook next)
{
    hook() = std::move(next);
}

std::unique_ptr<QMessageBox> makeBox(const Box &box, QWidget *parent)
{
    auto shown =
        std::make_unique<QMessageBox>(box.icon, box.caption, box.text, QMessageBox::Ok, parent);
    shown->setWindowModality(Qt::ApplicationModal);
    return shown;
}

void present(const Box &box)
{
    if (hook()) {
        hook()(box);
        return;
    }
    makeBox(box, box.centredOnScreen ? nullptr : QApplication::activeWindow())->exec();
}

void showMessage(const QString &message)
{
    present({QMessageBox::Critical, programTitle(QCoreApplication::applicationFilePath()),
             withFullStop(message)});
}

void inform(const QString &caption, const QString &text)
{
    present({QMessageBox::Information, caption, text, true});
}

void show(const std::exception &error)
{
    try {
        showMessage(Exception::messageOf(error));
    } catch (...) {
        // Showing a failure must not fail in turn; there is nothing left to tell.
    }
}

void showLater(const QString &message)
{
    if (pending().contains(message))
        return;
    pending().append(message);
    QTimer::singleShot(0, qApp, [message] {
        pending().removeOne(message);
        try {
            showMessage(message);
        } catch (...) {
        }
    });
}

} // namespace FailureDisplay

namespace FatalReport {

QString text(const QString &className, const QString &moduleName, const void *address,
             const QString &message)
{
    const QString addressText =
        QStringLiteral("%1")
            .arg(reinterpret_cast<quintptr>(address), int(sizeof(void *) * 2), 16, QLatin1Char('0'))
            .toUpper();
    const bool needsStop = !message.isEmpty() && !message.endsWith(QLatin1Char('.'));
    return Texts::tr("Exception %1 in Modul %2 bei %3.\r\n%4%5\r\n")
        .arg(className, moduleName, addressText, message,
             needsStop ? QStringLiteral(".") : QString());
}

int show(const std::exception &error)
{
    const auto *own = dynamic_cast<const Exception *>(&error);
    const QString className =
        own ? QString::fromLatin1(own->className()) : QStringLiteral("Exception");
    const QString report =
        text(className, QFileInfo(QCoreApplication::applicationFilePath()).fileName(), &error,
             Exception::messageOf(error));
    FailureDisplay::present({QMessageBox::Critical, Texts::tr("Anwendungsfehler"), report, true});
    return 1;
}

} // namespace FatalReport
