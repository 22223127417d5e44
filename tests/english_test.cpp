// Quellmark in English, as a workstation whose language is not German sees it: every text of
// the real windows (offscreen), the monitor on a stand-in server and the console tool holds
// none of a list of German words. The German texts are what every other test checks.

#include "DetailsDialog.h"
#include "DiscoveryWait.h"
#include "FakePlatform.h"
#include "HistoryChart.h"
#include "Language.h"
#include "QtPrinters.h"
#include "ServerOverview.h"
#include "ShapeButton.h"
#include "Snapshot.h"
#include "StandinServer.h"
#include "TabText.h"
#include "TableHoldersDialog.h"
#include "TextTable.h"
#include "UsageHistory.h"
#include "adscnnct.h"
#include "dlgMainU.h"
#include "dlgRemoteInfoU.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Words and letters that only a German text has; matched as whole words.
const QRegularExpression
    German(QStringLiteral("[äöüßÄÖÜ]|\\b(und|der|die|das|den|dem|des|nicht|keine?|wurde|werden|mit|"
                          "von|bei|nach|ja|nein|Einträge|aktualisieren|Laufwerk|Pfad|Schließen|"
                          "Kopieren|Zeilen?|Benutzern?|Tabelle|Schnappschuss|speichern|suchen|"
                          "gefunden|Fehler|Sekunden?|Abfragen|Adresse|Erreicht|Engpass|Abgewiesen|"
                          "Verbindungen|Gebrauch|Ergebnis|erreichbar|antwortet|Aufruf|Befehl)\\b"));

// What a window shows and tells: titles, labels, buttons, fields, tabs, tables, tooltips,
// menu entries, accessible names.
QStringList textsOf(QWidget *root)
{
    QStringList texts{root->windowTitle(), root->toolTip()};
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *widget : widgets) {
        texts << widget->toolTip() << widget->accessibleName() << widget->accessibleDescription();
        if (auto *label = qobject_cast<QLabel *>(widget))
            texts << label->text();
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            texts << button->text();
        if (auto *edit = qobject_cast<QLineEdit *>(widget))
            texts << edit->text() << edit->placeholderText();
        if (auto *memo = qobject_cast<QPlainTextEdit *>(widget))
            texts << memo->toPlainText();
        if (auto *combo = qobject_cast<QComboBox *>(widget))
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
        if (auto *tabs = qobject_cast<QTabWidget *>(widget))
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i) << tabs->tabToolTip(i);
        if (auto *table = qobject_cast<TextTable *>(widget)) {
            texts << table->allRowsText();
            for (int row = 0; row < table->rowCount(); ++row)
                for (int column = 0; column < table->columnCount(); ++column)
                    texts << table->toolTip(row, column);
        }
    }
    for (const QAction *action : root->findChildren<QAction *>())
        texts << action->text() << action->toolTip();
    return texts;
}

// Each German text, with where it was found.
QStringList germanIn(const QStringList &texts)
{
    QStringList found;
    for (const QString &text : texts)
        if (text.contains(German))
            found << text;
    return found;
}

// The entries of the preview's context menu, as a right click there opens it.
QStringList previewMenuTexts(TForm1 &form)
{
    QStringList texts;
    QTimer::singleShot(0, [&texts] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            for (const QAction *action : menu->actions())
                texts << action->text();
            menu->close();
        }
    });
    const QPoint inside(20, 20);
    QContextMenuEvent event(QContextMenuEvent::Mouse, inside,
                            form.Memo1->viewport()->mapToGlobal(inside));
    QApplication::sendEvent(form.Memo1->viewport(), &event);
    return texts;
}

class EnglishTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(installLanguage(*qApp, Language::English));
        // The server's own data in English too: its words are not Quellmark's.
        server = std::make_unique<StandinServer>(
            QStringList{QStringLiteral("127.0.0.121:6262")},
            R"({"name":"ENGLISH","owner":"Example Systems Ltd","shares":["daten"],
                "workstations":[{"name":"PC1","login":"alice","application":"Orders.exe"}]})");
    }
    static void TearDownTestSuite() { server.reset(); }

    EnglishTest()
    {
        platform.setExecutablePath(dir.filePath(QStringLiteral("Quellmark")));
        platform.addDrive(QLatin1Char('C'), DRIVE_FIXED);
        platform.addDrive(QLatin1Char('F'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.121\\daten"));
        platform.addDrive(QLatin1Char('K'), DRIVE_REMOTE,
                          QStringLiteral("\\\\127.0.0.123\\archiv"));
        platform.addDrive(QLatin1Char('L'), DRIVE_REMOTE, QStringLiteral("\\\\nirgends\\daten"));
        platform.addHost("127.0.0.121", {{127, 0, 0, 121}});
        platform.addHost("127.0.0.123", {{127, 0, 0, 123}});
    }

    static inline std::unique_ptr<StandinServer> server;
    FakePlatform platform;
    QTemporaryDir dir;
};

TEST_F(EnglishTest, MainWindowDetailsAndAllServers)
{
    TForm1 form(platform);
    form.show();
    ASSERT_TRUE(waitForDiscovery(form));
    EXPECT_EQ(form.fcShapeBtn2->text(), QStringLiteral("Update ADS.INI"));
    EXPECT_EQ(germanIn(textsOf(&form)), QStringList());

    const QStringList menu = previewMenuTexts(form);
    EXPECT_TRUE(menu.contains(QStringLiteral("Details…")))
        << menu.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(menu.contains(QStringLiteral("All servers…")));
    EXPECT_EQ(germanIn(menu), QStringList());

    DetailsDialog *details = form.showDetails();
    ASSERT_NE(details, nullptr);
    EXPECT_EQ(details->tblDetails->rowCount(), 4);
    EXPECT_EQ(germanIn(textsOf(details)), QStringList());

    ServerOverview *overview = form.showAllServers();
    ASSERT_NE(overview, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([overview] {
        return overview->tblServers->rowCount() > 0 &&
               overview->tblServers->shownText(0, 3).startsWith(QStringLiteral("yes ("));
    }));
    EXPECT_EQ(germanIn(textsOf(overview)), QStringList());
    overview->close();
}

TEST_F(EnglishTest, MonitorWithEachTabAndTool)
{
    TdlgRemoteInfo dlg(platform);
    dlg.show();
    dlg.setAdsServer(QStringLiteral("\\\\127.0.0.121\\daten"), server->port());
    ASSERT_TRUE(dlg.AdsConnect->IsConnected());
    for (int tab = 0; tab < dlg.PageControl1->count(); ++tab) {
        dlg.PageControl1->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        EXPECT_EQ(germanIn(textsOf(&dlg)), QStringList()) << "tab " << tab;
    }
    EXPECT_FALSE(HistoryChart::emptyText().contains(German));
    EXPECT_FALSE(UsageHistory::usersName().contains(German));
    EXPECT_EQ(germanIn({TabText::copyRowsText(), TabText::copyAllRowsText()}), QStringList());

    dlg.findTableHolders(QStringLiteral("nirgends"));
    ASSERT_NE(dlg.dlgTableHolders, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&dlg] { return !dlg.HolderSearch->isRunning(); }));
    EXPECT_EQ(germanIn(textsOf(dlg.dlgTableHolders)), QStringList());

    const QString snapshot = QString::fromUtf8(Snapshot::of(dlg.session()).text());
    EXPECT_TRUE(snapshot.startsWith(QStringLiteral("Quellmark: snapshot of the monitor")));
    EXPECT_EQ(germanIn(snapshot.split(QLatin1Char('\n'))), QStringList());
}

TEST(EnglishConsole, HelpAndErrors)
{
    const auto run = [](const QStringList &arguments) {
        QProcess tool;
        tool.setProgram(QStringLiteral(QUELLMARK_INI));
        tool.setArguments(QStringList{QStringLiteral("--lang"), QStringLiteral("en")} + arguments);
        tool.start();
        tool.waitForFinished(30000);
        return QString::fromUtf8(tool.readAllStandardOutput() + tool.readAllStandardError());
    };
    for (const QStringList &arguments :
         {QStringList{QStringLiteral("--help")}, QStringList{QStringLiteral("gibtsnicht")},
          QStringList{QStringLiteral("restore"), QStringLiteral("--ini"),
                      QStringLiteral("/nonexistent/ADS.INI")}}) {
        const QString output = run(arguments);
        EXPECT_FALSE(output.isEmpty()) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(germanIn(output.split(QLatin1Char('\n'))), QStringList())
            << arguments.join(QLatin1Char(' ')).toStdString();
    }
}

} // namespace
