#include "EntrySequence.h"
#include "FakePlatform.h"
#include "LayoutCheck.h"
#include "ShapeButton.h"
#include "dlgMainU.h"
#include "dlgRemoteInfoU.h"

#include "QtPrinters.h"
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest()
    {
        platform.addDrive(QLatin1Char('C'), DRIVE_FIXED);
        platform.addDrive(QLatin1Char('F'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.1\\daten"));
        platform.addDrive(QLatin1Char('K'), DRIVE_REMOTE, QStringLiteral("\\\\localhost\\archiv"));
    }

    FakePlatform platform;
};

TEST_F(MainWindowTest, WindowAndControlsAsLaidOut)
{
    TForm1 form(platform);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Quellmark"));
    EXPECT_EQ(form.size(), QSize(494, 318));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);

    expectLaidOut({
        {form.Label1, {24, 24, 92, 13}, QStringLiteral("Netzwerklaufwerke")},
        {form.Label2, {24, 46, 47, 13}, QStringLiteral("UNC-Path")},
        {form.Label3, {24, 85, 142, 15}, QStringLiteral("zu setzende ADS.INI Einträge:")},
        {form.cmbDrives, {122, 21, 47, 21}, QString()},
        {form.wwDBEdit1, {122, 43, 351, 21}, QString()},
        {form.Memo1, {24, 104, 449, 200}, QString()},
        {form.fcShapeBtn1, {328, 12, 145, 25}, QStringLiteral("ADS Remote Check")},
        {form.fcShapeBtn2, {323, 73, 150, 25}, QStringLiteral("ADS.INI aktualisieren")},
    });
    EXPECT_EQ(form.fcShapeBtn1->faceColor(), QColor(208, 255, 160));
    EXPECT_EQ(form.fcShapeBtn2->faceColor(), QColor(255, 255, 160));
    EXPECT_TRUE(form.cmbDrives->isEditable());
    EXPECT_EQ(form.cmbDrives->maxVisibleItems(), 8);
    EXPECT_TRUE(form.Memo1->isReadOnly());
    EXPECT_EQ(form.Memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(form.Memo1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(form.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(form.Memo1->font().family(), QStringLiteral("Courier New"));
}

TEST_F(MainWindowTest, TabOrder)
{
    TForm1 form(platform);
    const QList<QWidget *> expected = {form.cmbDrives, form.wwDBEdit1, form.Memo1, form.fcShapeBtn1,
                                       form.fcShapeBtn2};
    // Walk the focus chain once round and keep the controls in the order met.
    QList<QWidget *> order;
    QWidget *widget = form.cmbDrives;
    do {
        if (expected.contains(widget) && !order.contains(widget))
            order.append(widget);
        widget = widget->nextInFocusChain();
    } while (widget && widget != form.cmbDrives);
    EXPECT_EQ(order, expected);
}

TEST_F(MainWindowTest, NetworkDrivesListedAndFirstSelected)
{
    TForm1 form(platform);
    ASSERT_EQ(form.cmbDrives->count(), 2);
    EXPECT_EQ(form.cmbDrives->itemText(0), QStringLiteral("F:"));
    EXPECT_EQ(form.cmbDrives->itemText(1), QStringLiteral("K:"));
    EXPECT_EQ(form.cmbDrives->currentText(), QStringLiteral("F:"));
    EXPECT_EQ(form.wwDBEdit1->text(), QStringLiteral("\\\\127.0.0.1\\daten"));
}

TEST_F(MainWindowTest, EveryTextChangeReResolves)
{
    TForm1 form(platform);
    form.cmbDrives->setCurrentIndex(1);
    EXPECT_EQ(form.wwDBEdit1->text(), QStringLiteral("\\\\localhost\\archiv"));

    form.cmbDrives->lineEdit()->clear();
    EXPECT_EQ(form.wwDBEdit1->text(), QString());
    QTest::keyClicks(form.cmbDrives->lineEdit(), QStringLiteral("F:\\jahr"));
    EXPECT_EQ(form.wwDBEdit1->text(), QStringLiteral("\\\\127.0.0.1\\daten\\jahr"));
    QTest::keyClick(form.cmbDrives->lineEdit(), Qt::Key_Backspace);
    EXPECT_EQ(form.wwDBEdit1->text(), QStringLiteral("\\\\127.0.0.1\\daten\\jah"));
    QTest::keyClicks(form.cmbDrives->lineEdit(), QStringLiteral("?*"));
    EXPECT_EQ(form.wwDBEdit1->text(), QStringLiteral("\\\\127.0.0.1\\daten\\jah?*"));

    form.cmbDrives->setEditText(QStringLiteral("C:"));
    EXPECT_EQ(form.wwDBEdit1->text(), QString());
    form.cmbDrives->setEditText(QStringLiteral("kein Laufwerk"));
    EXPECT_EQ(form.wwDBEdit1->text(), QString());
    EXPECT_EQ(form.cmbDrives->count(), 2);
}

TEST(MainWindow, NoNetworkDrivesLeavesComboAndUncFieldEmpty)
{
    FakePlatform platform;
    platform.addDrive(QLatin1Char('C'), DRIVE_FIXED);
    TForm1 form(platform);
    EXPECT_EQ(form.cmbDrives->count(), 0);
    EXPECT_EQ(form.cmbDrives->currentIndex(), -1);
    EXPECT_EQ(form.cmbDrives->currentText(), QString());
    EXPECT_EQ(form.wwDBEdit1->text(), QString());
}

// The program-wide references are empty until their windows exist; while the message loop
// runs they name the shown main window and the hidden monitor it owns.
TEST(EntrySequence, ProgramWideReferencesNameTheWindows)
{
    FakePlatform platform;
    EXPECT_TRUE(Form1.isNull());
    EXPECT_TRUE(dlgRemoteInfo.isNull());
    bool looked = false;
    QTimer::singleShot(0, qApp, [&] {
        looked = true;
        EXPECT_TRUE(Form1 && Form1->isVisible());
        EXPECT_TRUE(dlgRemoteInfo && !dlgRemoteInfo->isVisible());
        EXPECT_TRUE(Form1 && dlgRemoteInfo && dlgRemoteInfo->parent() == Form1.data());
        // Closing the main window while discovery runs would end the process on the spot.
        if (Form1 && QTest::qWaitFor([] { return Form1->DiscoveryDone(); }))
            Form1->close();
        else
            QCoreApplication::exit(1);
    });
    EXPECT_EQ(runEntrySequence(*qApp, platform), 0);
    EXPECT_TRUE(looked);
    EXPECT_TRUE(Form1.isNull());
    EXPECT_TRUE(dlgRemoteInfo.isNull());
}

} // namespace
