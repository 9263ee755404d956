#include "viewer/selection/frmPickList.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A press and release on an item, as a mouse click gives them.
void ClickItem(QListWidget *list, int row)
{
    const QPoint at = list->visualItemRect(list->item(row)).center();
    QWidget *viewport = list->viewport();
    const QPointF global = viewport->mapToGlobal(QPointF(at));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(viewport, &release);
}

void MoveOver(QListWidget *list, QPoint at)
{
    QWidget *viewport = list->viewport();
    QMouseEvent move(QEvent::MouseMove, QPointF(at), viewport->mapToGlobal(QPointF(at)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
}

class PickListTest : public testing::Test {
protected:
    void Fill(frmPickList::Mode mode)
    {
        dialog.SetTag(mode);
        dialog.AddItem(QStringLiteral("United States (US)"), QStringLiteral("00 (0)"));
        dialog.AddItem(QStringLiteral("Alabama (AL)"), QStringLiteral("01 (5)"));
        dialog.AddItem(QStringLiteral("Alaska (AK)"), QStringLiteral("02 (8)"));
        dialog.resize(300, 300);
        dialog.show();
    }
    frmPickList dialog;
};

TEST_F(PickListTest, ClickTogglesTheItemAndTheCodeLabel)
{
    Fill(frmPickList::Mode::Areas);
    ClickItem(dialog.lstPick, 1);
    EXPECT_TRUE(dialog.lstPick->item(1)->isSelected());
    EXPECT_EQ(dialog.lblFips->text(), QStringLiteral("FIPS:01 (5)"));
    ClickItem(dialog.lstPick, 1);
    EXPECT_FALSE(dialog.lstPick->item(1)->isSelected());
    EXPECT_TRUE(dialog.lblFips->text().isEmpty());
    ClickItem(dialog.lstPick, 1);
    EXPECT_EQ(dialog.lblFips->text(), QStringLiteral("FIPS:01 (5)"));
    // A click adds to the choice instead of replacing it.
    ClickItem(dialog.lstPick, 2);
    EXPECT_EQ(dialog.lstPick->selectedItems().size(), 2);
    EXPECT_EQ(dialog.lblFips->text(), QStringLiteral("FIPS:02 (8)"));
}

TEST_F(PickListTest, KeyboardDoesWhatTheClickDoes)
{
    Fill(frmPickList::Mode::Areas);
    dialog.lstPick->setFocus();
    const auto press = [this](Qt::Key key) {
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, key == Qt::Key_Space ? QStringLiteral(" ") : QString());
        QApplication::sendEvent(dialog.lstPick, &down);
        QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, key == Qt::Key_Space ? QStringLiteral(" ") : QString());
        QApplication::sendEvent(dialog.lstPick, &up);
    };
    dialog.lstPick->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    press(Qt::Key_Down);
    ASSERT_EQ(dialog.lstPick->currentRow(), 1);
    EXPECT_TRUE(dialog.lstPick->selectedItems().isEmpty());
    press(Qt::Key_Space);
    EXPECT_TRUE(dialog.lstPick->item(1)->isSelected());
    EXPECT_EQ(dialog.lblFips->text(), QStringLiteral("FIPS:01 (5)"));
    press(Qt::Key_Down);
    press(Qt::Key_Space);
    EXPECT_EQ(dialog.lstPick->selectedItems().size(), 2);
    EXPECT_EQ(dialog.lblFips->text(), QStringLiteral("FIPS:02 (8)"));
    press(Qt::Key_Space);
    EXPECT_FALSE(dialog.lstPick->item(2)->isSelected());
    EXPECT_TRUE(dialog.lblFips->text().isEmpty());

    // All and Clear, and the start choice, leave the label as it is.
    press(Qt::Key_Space);
    dialog.cmdClear->click();
    EXPECT_EQ(dialog.lblFips->text(), QStringLiteral("FIPS:02 (8)"));
    dialog.SetItemSelected(3, true);
    EXPECT_EQ(dialog.lblFips->text(), QStringLiteral("FIPS:02 (8)"));
}

// Space only toggles the current item, and typing only moves to an item:
// neither may choose an item the user did not see chosen.
TEST_F(PickListTest, SpaceTogglesOneItemAndTypeAheadChoosesNothing)
{
    dialog.SetTag(frmPickList::Mode::Areas);
    for (const char *name : {"United States (US)", " New England", " Mideast", "Alabama (AL)", "California (CA)",
                             "Colorado (CO)", "New Hampshire (NH)", "New Jersey (NJ)", "New York (NY)"})
        dialog.AddItem(QString::fromLatin1(name), QStringLiteral("00 (0)"));
    dialog.show();
    QListWidget *list = dialog.lstPick;
    list->setFocus();
    list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(list->selectedItems().size(), 1);
    EXPECT_TRUE(list->item(0)->isSelected());
    EXPECT_EQ(list->currentRow(), 0);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_TRUE(list->selectedItems().isEmpty());
    EXPECT_EQ(list->currentRow(), 0);

    QTest::keyClicks(list, QStringLiteral("Cal"));
    EXPECT_EQ(list->currentRow(), 4);
    EXPECT_TRUE(list->selectedItems().isEmpty());
    QTest::keyClick(list, Qt::Key_Space);
    ASSERT_EQ(list->selectedItems().size(), 1);
    EXPECT_TRUE(list->item(4)->isSelected());
    EXPECT_EQ(dialog.lblFips->text(), QStringLiteral("FIPS:00 (0)"));

    // A blank in a name being typed is part of the search: "New Y" reaches
    // New York and chooses nothing on the way; Space then chooses it.
    QTest::qWait(QApplication::keyboardInputInterval() + 100);
    QTest::keyClicks(list, QStringLiteral("New Y"));
    EXPECT_EQ(list->currentRow(), 8);
    EXPECT_EQ(list->selectedItems().size(), 1);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_TRUE(list->item(8)->isSelected());
    EXPECT_FALSE(list->item(6)->isSelected());
}

TEST_F(PickListTest, QuarterModeNeverShowsACode)
{
    Fill(frmPickList::Mode::Quarters);
    ClickItem(dialog.lstPick, 1);
    EXPECT_TRUE(dialog.lstPick->item(1)->isSelected());
    EXPECT_TRUE(dialog.lblFips->text().isEmpty());
}

TEST_F(PickListTest, ToolTipFollowsThePointer)
{
    Fill(frmPickList::Mode::Areas);
    MoveOver(dialog.lstPick, dialog.lstPick->visualItemRect(dialog.lstPick->item(2)).center());
    EXPECT_EQ(dialog.lstPick->toolTip(), QStringLiteral("Alaska (AK)"));
    MoveOver(dialog.lstPick, QPoint(5, dialog.lstPick->viewport()->height() - 3));
    EXPECT_TRUE(dialog.lstPick->toolTip().isEmpty());
}

TEST_F(PickListTest, OkGivesTheChosenItemsAndTheCloseBoxNothing)
{
    Fill(frmPickList::Mode::Areas);
    dialog.SetItemSelected(3, true);
    dialog.SetItemSelected(1, true);
    dialog.cmdOK->click();
    ASSERT_TRUE(dialog.Result());
    EXPECT_EQ(*dialog.Result(), (std::vector<int>{1, 3}));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    frmPickList other;
    other.AddItem(QStringLiteral("2001.1"));
    other.SetItemSelected(1, true);
    other.show();
    other.close();
    EXPECT_FALSE(other.Result());
}

TEST_F(PickListTest, AllAndClear)
{
    Fill(frmPickList::Mode::Areas);
    dialog.cmdAll->click();
    EXPECT_EQ(dialog.lstPick->selectedItems().size(), 3);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr); // the busy pointer is gone again
    dialog.cmdClear->click();
    EXPECT_TRUE(dialog.lstPick->selectedItems().isEmpty());
    dialog.cmdOK->click();
    ASSERT_TRUE(dialog.Result());
    EXPECT_TRUE(dialog.Result()->empty());
}

TEST_F(PickListTest, ResizeKeepsTheButtonsAtTheRightEdge)
{
    Fill(frmPickList::Mode::Areas);
    EXPECT_FALSE(dialog.cmdStop->isVisible());
    for (const QSize size : {QSize(300, 300), QSize(520, 410)}) {
        dialog.resize(size);
        const int w = dialog.width();
        const int h = dialog.height();
        const QPushButton *ok = dialog.cmdOK;
        EXPECT_EQ(dialog.lstPick->width(), w - static_cast<int>(std::lround(1.75 * ok->width())));
        EXPECT_EQ(dialog.lstPick->height(), h - static_cast<int>(std::lround(0.25 * ok->height())));
        for (const QPushButton *button : {dialog.cmdAll, dialog.cmdClear, dialog.cmdOK})
            EXPECT_EQ(button->x(), w - static_cast<int>(std::lround(1.25 * button->width())));
        EXPECT_EQ(dialog.lblFips->x(), w - static_cast<int>(std::lround(1.05 * dialog.lblFips->width())));
        // Nothing overlaps the list.
        EXPECT_LE(dialog.lstPick->geometry().right(), dialog.cmdOK->x());
        EXPECT_LE(dialog.lstPick->geometry().right(), dialog.lblFips->x());
    }
}

TEST(PickListWidth, LongestItemIsShownWhole)
{
    frmPickList dialog;
    dialog.SetTag(frmPickList::Mode::Areas);
    const QString longest = QStringLiteral("District of Columbia (DC)");
    dialog.AddItem(QStringLiteral("Iowa (IA)"), QStringLiteral("19 (4)"));
    dialog.AddItem(longest, QStringLiteral("11 (2)"));
    QFont font = dialog.font();
    font.setPointSize(14);
    dialog.SetListFont(font);
    dialog.resize(268, 300); // 4020 twips, as the openers ask
    dialog.show();
    EXPECT_GE(dialog.lstPick->viewport()->width(), QFontMetrics(font).horizontalAdvance(longest));
    EXPECT_LE(dialog.lstPick->geometry().right(), dialog.cmdOK->x());
}

TEST(PickListQuarters, OpensOnTheLatestQuarters)
{
    frmPickList dialog;
    dialog.SetTag(frmPickList::Mode::Quarters);
    for (int k = 1; k <= 241; ++k)
        dialog.AddItem(QStringLiteral("%1.%2").arg(1948 + (k - 1) / 4).arg((k - 1) % 4 + 1));
    dialog.resize(268, 300);
    dialog.show();
    const QRect last = dialog.lstPick->visualItemRect(dialog.lstPick->item(240));
    EXPECT_TRUE(dialog.lstPick->viewport()->rect().contains(last.center()));
    EXPECT_FALSE(dialog.lstPick->viewport()->rect().contains(
        dialog.lstPick->visualItemRect(dialog.lstPick->item(0)).center()));
}

} // namespace
