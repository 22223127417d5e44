#include "TableHoldersDialog.h"

#include "CellText.h"
#include "DataSetWalk.h"
#include "TextTable.h"
#include "WindowAccess.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(TableHoldersDialog)
};

} // namespace

QString TableHoldersDialog::title()
{
    return Texts::tr("Wer hat diese Tabelle geöffnet?");
}

TableHoldersDialog::TableHoldersDialog(const TableHolderSearch &search, QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::WindowCloseButtonHint), m_search(search)
{
    setObjectName(QStringLiteral("dlgTableHolders"));
    setWindowTitle(title());
    resize(640, 360);
    auto *layout = new QVBoxLayout(this);

    auto *ask = new QHBoxLayout;
    auto *label = new QLabel(Texts::tr("Tabelle (ein Teil des Namens genügt):"), this);
    edTableName = new QLineEdit(this);
    edTableName->setObjectName(QStringLiteral("edTableName"));
    label->setBuddy(edTableName);
    btnSearch = new QPushButton(Texts::tr("Suchen"), this);
    btnSearch->setObjectName(QStringLiteral("btnSearch"));
    btnSearch->setDefault(true);
    ask->addWidget(label);
    ask->addWidget(edTableName, 1);
    ask->addWidget(btnSearch);
    layout->addLayout(ask);

    auto *running = new QHBoxLayout;
    progress = new QProgressBar(this);
    progress->setObjectName(QStringLiteral("progress"));
    progress->setRange(0, 1);
    progress->setValue(0);
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    btnCancel = new QPushButton(Texts::tr("Abbrechen"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setEnabled(false);
    running->addWidget(progress, 1);
    running->addWidget(btnCancel);
    layout->addLayout(running);
    layout->addWidget(lblStatus);

    tblHolders =
        new TextTable({QStringLiteral("Computer"), QStringLiteral("Login"), Texts::tr("Anwendung"),
                       Texts::tr("Sperrtyp"), Texts::tr("Tabelle")},
                      this);
    tblHolders->setObjectName(QStringLiteral("tblHolders"));
    layout->addWidget(tblHolders, 1);
    tblHolders->setAccessibleName(tr("Gefundene Benutzer"));
    progress->setAccessibleName(tr("Fortschritt"));
    WindowAccess::adopt(*this);

    connect(btnSearch, &QPushButton::clicked, this, &TableHoldersDialog::requestSearch);
    connect(edTableName, &QLineEdit::returnPressed, this, &TableHoldersDialog::requestSearch);
    connect(btnCancel, &QPushButton::clicked, this, &TableHoldersDialog::cancelRequested);
    connect(&search, &TableHolderSearch::progressed, this, &TableHoldersDialog::showProgress);
    connect(&search, &TableHolderSearch::finished, this, &TableHoldersDialog::showOutcome);
}

void TableHoldersDialog::requestSearch()
{
    const QString text = edTableName->text().trimmed();
    if (!text.isEmpty())
        emit searchRequested(text);
}

void TableHoldersDialog::showProgress()
{
    const QLocale locale;
    // A search begins: what is asked replaces what was typed, the old answer goes.
    if (m_search.done() == 0) {
        tblHolders->setRows({});
        edTableName->setText(m_search.tableText());
    }
    btnCancel->setEnabled(m_search.isRunning());
    progress->setRange(0, std::max(1, m_search.total()));
    progress->setValue(m_search.done());
    lblStatus->setText(Texts::tr("Suche nach „%1“: %2 von %3 Benutzern gefragt")
                           .arg(CellText::shown(m_search.tableText()),
                                locale.toString(m_search.done()),
                                locale.toString(m_search.total())));
}

void TableHoldersDialog::showOutcome(TableHolderSearch::Outcome outcome)
{
    const QLocale locale;
    btnCancel->setEnabled(false);
    QList<QStringList> rows;
    for (const TableHolderSearch::Holder &holder : m_search.holders())
        rows.append(
            {holder.computer, holder.login, holder.application, holder.lockType, holder.table});
    const qsizetype shown = rows.size();
    tblHolders->setRows(std::move(rows));
    const QString asked = locale.toString(m_search.done());
    const QString total = locale.toString(m_search.total());
    const QString found = locale.toString(m_search.found());
    QString status;
    switch (outcome) {
    case TableHolderSearch::Outcome::Done:
        status = m_search.found() == 0 ? Texts::tr("Keiner von %1 Benutzern hat „%2“ geöffnet")
                                             .arg(total, CellText::shown(m_search.tableText()))
                                       : Texts::tr("%1 Treffer bei %2 Benutzern").arg(found, total);
        break;
    case TableHolderSearch::Outcome::Cancelled:
        status =
            Texts::tr("Abgebrochen nach %1 von %2 Benutzern: %3 Treffer").arg(asked, total, found);
        break;
    case TableHolderSearch::Outcome::Failed:
        status = Texts::tr("Fehlgeschlagen nach %1 von %2 Benutzern: %3")
                     .arg(asked, total, m_search.failure());
        break;
    }
    // What the limits left out is told, so that a short list is not taken for the whole.
    const QString rowLimit = locale.toString(ReadOutLimits::Rows);
    const QString characterLimit = locale.toString(ReadOutLimits::Characters);
    if (m_search.found() > shown)
        status += Texts::tr(" – gezeigt werden die ersten %1: mehr als %2 Zeilen oder %3 "
                            "Zeichen hält die Liste nicht")
                      .arg(locale.toString(shown), rowLimit, characterLimit);
    if (m_search.usersReadInPart() > 0)
        status += Texts::tr(" – von %1 Benutzern nur die ersten %2 Tabellen oder %3 Zeichen "
                            "gelesen")
                      .arg(locale.toString(m_search.usersReadInPart()), rowLimit, characterLimit);
    lblStatus->setText(status);
    WindowAccess::announce(*this, status);
}
