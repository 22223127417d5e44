#include "AnsweredBoxes.h"
#include "Exception.h"
#include "FailureDisplay.h"
#include "QtPrinters.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

TEST(FailureDisplay, FullStopOnlyAfterCharactersAboveTheFullStop)
{
    const struct {
        const char *message;
        const char *shown;
    } cases[] = {
        {"In /x/ADS.INI kann nicht geschrieben werden",
         "In /x/ADS.INI kann nicht geschrieben werden."},
        {"Fehler 7", "Fehler 7."},
        {"Wirklich?", "Wirklich?."},
        {"Schon da.", "Schon da."},
        {"Achtung!", "Achtung!"},
        {"(in Klammern)", "(in Klammern)"},
        {"Pfad/", "Pfad/."},
        {"Komma,", "Komma,"},
        {"Umlaut ä", "Umlaut ä."},
        {"", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(FailureDisplay::withFullStop(QString::fromUtf8(c.message)),
                  QString::fromUtf8(c.shown));
    }
}

TEST(FailureDisplay, ProgramTitleFromTheExecutableName)
{
    EXPECT_EQ(FailureDisplay::programTitle(QStringLiteral("/opt/q/Quellmark")),
              QStringLiteral("Quellmark"));
    EXPECT_EQ(FailureDisplay::programTitle(QStringLiteral("C:/Tools/QUELLMARK.EXE")),
              QStringLiteral("Quellmark"));
    EXPECT_EQ(FailureDisplay::programTitle(QStringLiteral("/x/qm.TOOL.bin")), QStringLiteral("qm"));
}

TEST(FailureDisplay, GuardShowsTheMessageInAnErrorBoxAndCarriesOn)
{
    AnsweredBoxes watcher;
    bool after = false;
    FailureDisplay::guard([] { throw Exception(QStringLiteral("Kaputt")); });
    FailureDisplay::guard([] { throw std::runtime_error("plain"); });
    FailureDisplay::guard([&] { after = true; });
    EXPECT_TRUE(after);
    ASSERT_EQ(watcher.boxes.size(), 2);
    EXPECT_EQ(watcher.boxes[0].text, QStringLiteral("Kaputt."));
    EXPECT_EQ(watcher.boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(watcher.boxes[0].caption,
              FailureDisplay::programTitle(QCoreApplication::applicationFilePath()));
    EXPECT_EQ(watcher.boxes[1].text, QStringLiteral("plain."));

    // As it is shown: application-modal, with one button, "OK".
    const auto box = FailureDisplay::makeBox(watcher.boxes[0]);
    EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
    ASSERT_EQ(box->buttons().size(), 1);
    EXPECT_EQ(box->buttons()[0]->text(), QStringLiteral("OK"));
    EXPECT_EQ(box->text(), QStringLiteral("Kaputt."));
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
}

TEST(FatalReport, Text)
{
    const QString address =
        QString(int(sizeof(void *) * 2) - 4, QLatin1Char('0')) + QStringLiteral("BEEF");
    EXPECT_EQ(FatalReport::text(QStringLiteral("EADSDatabaseError"), QStringLiteral("Quellmark"),
                                reinterpret_cast<const void *>(0xbeef),
                                QStringLiteral("Kein Server")),
              QStringLiteral("Exception EADSDatabaseError in Modul Quellmark bei ") + address +
                  QStringLiteral(".\r\nKein Server.\r\n"));
    EXPECT_TRUE(FatalReport::text(QStringLiteral("Exception"), QStringLiteral("Q"), nullptr,
                                  QStringLiteral("Schluss."))
                    .endsWith(QStringLiteral(".\r\nSchluss.\r\n")));
    EXPECT_TRUE(
        FatalReport::text(QStringLiteral("Exception"), QStringLiteral("Q"), nullptr, QString())
            .endsWith(QStringLiteral(".\r\n\r\n")));
}

TEST(FatalReport, ShownAndExitCodeOne)
{
    QProcess child;
    child.start(QStringLiteral(FATAL_REPORT_CHILD), {});
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 1);
    const QString output = QString::fromUtf8(child.readAllStandardOutput());
    EXPECT_TRUE(output.contains(QStringLiteral("caption=Anwendungsfehler")))
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("icon=critical")));
    const QString module = QFileInfo(QStringLiteral(FATAL_REPORT_CHILD)).fileName();
    EXPECT_TRUE(output.contains(QStringLiteral("Exception Exception in Modul %1 bei ").arg(module)))
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("Monitor kann nicht erstellt werden.\r\n")));
}

} // namespace
