#include "viewer/main/frmMain.h"
#include "viewer/selection/frmPickList.h"
#include "viewer/qt/qt_text.h"
#include "viewer/qt/qt_twips.h"
#include "core/catalog/table_catalog.h"
#include "viewer/display/frmDisplay.h"
#include "viewer/display/frmScroll.h"
#include "scripted_prompts.h"
#include "viewer_fixture.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Kind = ScriptedPrompts::Kind;

QString SampleData()
{
    return QStringLiteral(TARVEL_SAMPLE_DATA "/");
}

using tarvel::test::DisplayOf;

class DisplayTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_config.isValid() && m_program.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
    }

    /// A started and shown main window reading dataFolder (ending in '/').
    std::unique_ptr<frmMain> Start(const QString &dataFolder = SampleData())
    {
        auto window = std::make_unique<frmMain>(prompts);
        window->SetProgramFolder(m_program.path().toStdString() + "/");
        window->SetDataFolderCandidates({dataFolder.toStdString()});
        window->Startup({});
        window->show();
        window->activateWindow();
        QCoreApplication::processEvents();
        prompts.records.clear();
        return window;
    }

    /// Clicks the series and table buttons that show code.
    static void SelectTable(frmMain &window, const std::string &code)
    {
        ASSERT_TRUE(tarvel::test::SelectTable(window, code)) << code;
    }

    /// Chooses areas (numbers 1..60) in the area pick list.
    void ChooseAreas(frmMain &window, const std::vector<int> &areas)
    {
        tarvel::test::ChooseAreasInPickList(window, prompts, areas);
        prompts.records.clear();
    }

    static QStringList Captions(const frmMain &window)
    {
        QStringList captions;
        for (QMdiSubWindow *child : window.MdiArea()->subWindowList(QMdiArea::CreationOrder))
            captions << child->windowTitle();
        return captions;
    }

    static frmDisplay *Active(const frmMain &window)
    {
        return DisplayOf(window.MdiArea()->activeSubWindow());
    }

    /// True when the one-line command is offered (menu item on, button shown).
    static bool OneLineOffered(const frmMain &window)
    {
        EXPECT_EQ(window.Controls().mnuShowOneLine->isEnabled(), !window.Controls().cmdShowOneLine->isHidden());
        return window.Controls().mnuShowOneLine->isEnabled();
    }

    QTemporaryDir m_config;
    QTemporaryDir m_program;
    ScriptedPrompts prompts;
};

// ---- the display command -----------------------------------------------------------

TEST_F(DisplayTest, ThreeAreasInAreaOrderThenTheFirstComesForwardAndPrevWalksBack)
{
    auto window = Start();
    SelectTable(*window, "ZR5");
    ChooseAreas(*window, {9, 2, 5});
    const auto &state = window->State();

    std::vector<int> shown;
    for (const char *area : {" ~ Alabama [01]", " ~ Arkansas [05]", " ~ Delaware [10]"}) {
        window->Controls().mnuView->trigger();
        shown.push_back(state.CurrentArea);
        ASSERT_NE(Active(*window), nullptr);
        EXPECT_TRUE(window->MdiArea()->activeSubWindow()->windowTitle().endsWith(QString::fromLatin1(area)));
    }
    EXPECT_EQ(shown, (std::vector<int>{2, 5, 9}));
    const QStringList captions = Captions(*window);
    ASSERT_EQ(captions.size(), 3);
    EXPECT_TRUE(captions[0].startsWith(QStringLiteral("ZR5 ") + QString::fromStdString(tarvel::SeriesCaption("ZR5"))
                                       + QStringLiteral(" ~ ")));

    // The fourth run finds the first area's window on screen.
    window->Controls().mnuView->trigger();
    EXPECT_EQ(state.CurrentArea, 2);
    EXPECT_EQ(Captions(*window).size(), 3);
    EXPECT_EQ(window->MdiArea()->activeSubWindow()->windowTitle(), captions[0]);

    // After one step back the menu command keeps walking backwards.
    window->Controls().cmdPrev->click();
    EXPECT_EQ(window->MdiArea()->activeSubWindow()->windowTitle(), captions[2]);
    window->Controls().mnuView->trigger();
    EXPECT_EQ(window->MdiArea()->activeSubWindow()->windowTitle(), captions[1]);
    EXPECT_EQ(Captions(*window).size(), 3);
    EXPECT_TRUE(prompts.records.empty());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(DisplayTest, NewWindowTakesTheDefaultsAndShowsTheNewestQuarters)
{
    auto window = Start();
    auto &state = window->State();
    state.Display.DefaultWindowWidth = 12000; // wider than the four quarters need
    state.Display.DefaultWindowHeight = 4500;
    state.Display.FontSize = 11;
    SelectTable(*window, "ZR5");
    ChooseAreas(*window, {2});
    window->Controls().mnuView->trigger();

    QMdiSubWindow *child = window->MdiArea()->activeSubWindow();
    frmDisplay *display = DisplayOf(child);
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->Tag(), tarvel::ChildKind::TableView);
    EXPECT_NEAR(PixelsToTwipsX(child->width(), child), 12000, 15);
    EXPECT_NEAR(PixelsToTwipsY(child->height(), child), 4500, 15);
    EXPECT_EQ(display->grdData->font().pointSize(), 11);
    EXPECT_EQ(display->grdData->objectName(), QStringLiteral("grdData"));

    const tarvel::Grid &grid = display->Data();
    ASSERT_EQ(grid.Rows(), 46);
    ASSERT_EQ(grid.Columns(), 5);
    EXPECT_EQ(display->grdData->model()->rowCount(), 45);
    EXPECT_EQ(display->grdData->model()->columnCount(), 4);
    // Oldest first, so the cursor ends on the newest quarter, in view.
    EXPECT_EQ(display->CurrentRow(), 1);
    EXPECT_EQ(display->CurrentColumn(), 4);
    EXPECT_LT(grid.Cell(0, 1), grid.Cell(0, 4));

    // Every column fits its widest text in the window's own font and in the
    // (here larger) grid font that draws it.
    const QFontMetricsF own(frmDisplay::OwnFont(), display->grdData);
    const QFontMetricsF drawn(display->grdData->font(), display->grdData);
    const double zero = std::max(own.horizontalAdvance(QLatin1Char('0')), drawn.horizontalAdvance(QLatin1Char('0')));
    for (int c = 0; c < grid.Columns(); ++c) {
        double widest = 0;
        for (int r = 0; r < grid.Rows(); ++r) {
            const QString text = Latin1(grid.Cell(r, c));
            widest = std::max({widest, own.horizontalAdvance(text), drawn.horizontalAdvance(text)});
        }
        EXPECT_GE(display->ColumnWidth(c), widest) << "column " << c;
        EXPECT_LE(display->ColumnWidth(c), widest + 3 * zero) << "column " << c;
    }
}

TEST_F(DisplayTest, LargeDisplayFontCutsNoValueOrTitle)
{
    auto window = Start();
    window->State().Display.FontName = "Liberation Sans";
    window->State().Display.FontSize = 20;
    window->State().Display.FontBold = true;
    SelectTable(*window, "ZR4");
    ChooseAreas(*window, {2});
    window->Controls().mnuView->trigger();
    frmDisplay *display = DisplayOf(window->MdiArea()->activeSubWindow());
    ASSERT_NE(display, nullptr);
    const QFont font = window->DisplayFont();
    const QFontMetricsF drawn(font, display->grdData);
    // Row 0 and column 0 are drawn in the grid's font, never bolder.
    for (QHeaderView *header : {display->grdData->horizontalHeader(), display->grdData->verticalHeader()}) {
        EXPECT_EQ(header->font(), font);
        EXPECT_FALSE(header->highlightSections());
    }
    const tarvel::Grid &grid = display->Data();
    for (int c = 0; c < grid.Columns(); ++c) {
        double widest = 0;
        for (int r = 0; r < grid.Rows(); ++r)
            widest = std::max(widest, drawn.horizontalAdvance(Latin1(grid.Cell(r, c))));
        EXPECT_GE(display->ColumnWidth(c), widest + drawn.horizontalAdvance(QLatin1Char('0')) - 1) << "column " << c;
    }
}

int WidestQuarterColumn(const frmDisplay &display)
{
    const QHeaderView *quarters = display.grdData->horizontalHeader();
    int widest = 0;
    for (int c = 0; c < quarters->count(); ++c)
        widest = std::max(widest, quarters->sectionSize(c));
    return widest;
}

// A window opens wide enough for the titles and every quarter chosen (a
// large font needs more than the default width), but no wider than the
// window area; narrowed, by Tile Vertical or by hand, its titles give way
// to a quarter column, cut short, down to the width of "     Item".
TEST_F(DisplayTest, ANarrowWindowStillShowsAQuarterColumn)
{
    auto window = Start();
    window->resize(1100, 760);
    window->State().Display.FontSize = 12;
    SelectTable(*window, "ZR5");
    ChooseAreas(*window, {1, 2, 3});
    window->Controls().mnuView->trigger();
    frmDisplay *display = Active(*window);
    ASSERT_NE(display, nullptr);
    QCoreApplication::processEvents();
    int allQuarters = 0;
    for (int c = 1; c < display->Data().Columns(); ++c)
        allQuarters += display->ColumnWidth(c);
    EXPECT_EQ(display->ColumnWidth(0), display->MeasuredTitleWidth());
    EXPECT_GE(display->grdData->viewport()->width(), allQuarters);
    EXPECT_GT(PixelsToTwipsX(window->MdiArea()->activeSubWindow()->width(), display), 8000);

    // Every quarter of the table cannot fit: the window area's width at most.
    tarvel::test::ChooseQuarterEntry(*window, tarvel::SelectQuartersEntry - 1);
    window->Controls().mnuView->trigger();
    ASSERT_EQ(Active(*window)->Data().Columns(), 177);
    EXPECT_LE(window->MdiArea()->activeSubWindow()->width(), window->MdiArea()->viewport()->width());
    window->MdiArea()->activeSubWindow()->close();

    window->Controls().mnuView->trigger();
    window->ArrangeWindows(frmMain::Arrangement::TileVertical);
    QCoreApplication::processEvents();
    for (QMdiSubWindow *child : window->MdiArea()->subWindowList()) {
        const frmDisplay *tiled = DisplayOf(child);
        EXPECT_GE(tiled->grdData->viewport()->width(), WidestQuarterColumn(*tiled)) << child->windowTitle().toStdString();
        EXPECT_LT(tiled->ColumnWidth(0), tiled->MeasuredTitleWidth());
    }

    // Any width: the titles are cut only as far as a whole quarter column
    // needs, and never below the shortest width.
    QMdiSubWindow *child = window->MdiArea()->activeSubWindow();
    const QFontMetrics metrics(display->grdData->font());
    const int least = metrics.horizontalAdvance(QStringLiteral("     Item0"));
    for (int width = 120; width <= 1000; width += 40) {
        child->resize(width, child->height());
        QCoreApplication::processEvents();
        const frmDisplay *shown = DisplayOf(child);
        const int titles = shown->ColumnWidth(0);
        const int room = shown->grdData->viewport()->width() - WidestQuarterColumn(*shown);
        EXPECT_GE(titles, std::min(least, shown->MeasuredTitleWidth())) << width;
        EXPECT_LE(titles, shown->MeasuredTitleWidth()) << width;
        if (titles > least) {
            EXPECT_GE(room, 0) << width;
        }
        if (titles > least && titles < shown->MeasuredTitleWidth()) {
            EXPECT_LE(room, 1) << width;
        }
    }
}

TEST_F(DisplayTest, ReverseYearsPutsTheNewestFirstAndKeepsTheCursorLeft)
{
    auto window = Start();
    SelectTable(*window, "ZR7");
    ChooseAreas(*window, {3});
    window->Controls().mnuReverse->trigger();
    window->Controls().mnuView->trigger();
    frmDisplay *display = Active(*window);
    ASSERT_NE(display, nullptr);
    const tarvel::Grid &grid = display->Data();
    EXPECT_GT(grid.Cell(0, 1), grid.Cell(0, grid.Columns() - 1));
    EXPECT_EQ(display->CurrentRow(), 1);
    EXPECT_EQ(display->CurrentColumn(), 1);
}

TEST_F(DisplayTest, AnExistingWindowIsRestoredFromMinimizedAndMaximized)
{
    auto window = Start();
    SelectTable(*window, "ZR6");
    ChooseAreas(*window, {12});
    window->Controls().mnuView->trigger();
    QMdiSubWindow *first = window->MdiArea()->activeSubWindow();
    ASSERT_NE(first, nullptr);

    for (const std::function<void()> &setState : {std::function<void()>([first] { first->showMinimized(); }),
                                                   std::function<void()>([first] { first->showMaximized(); })}) {
        setState();
        window->Controls().mnuView->trigger();
        EXPECT_EQ(window->MdiArea()->subWindowList().size(), 1);
        EXPECT_EQ(window->MdiArea()->activeSubWindow(), first);
        EXPECT_FALSE(first->isMinimized());
        EXPECT_FALSE(first->isMaximized());
    }
}

TEST_F(DisplayTest, AnExistingWindowComesForwardNormalBesideAMaximizedOne)
{
    auto window = Start();
    SelectTable(*window, "ZR4");
    ChooseAreas(*window, {2, 3});
    window->Controls().mnuView->trigger();
    QMdiSubWindow *first = window->MdiArea()->activeSubWindow();
    window->Controls().mnuView->trigger();
    QMdiSubWindow *second = window->MdiArea()->activeSubWindow();
    ASSERT_NE(first, second);
    second->showMaximized();
    // The next display steps back to the first area, whose window exists.
    window->Controls().mnuView->trigger();
    EXPECT_EQ(window->MdiArea()->subWindowList().size(), 2);
    EXPECT_EQ(window->MdiArea()->activeSubWindow(), first);
    EXPECT_FALSE(first->isMaximized());
    EXPECT_FALSE(first->isMinimized());
}

TEST_F(DisplayTest, CascadeKeepsEachWindowsSizeAndStepsDiagonally)
{
    auto window = Start();
    window->resize(1000, 760);
    QCoreApplication::processEvents();
    SelectTable(*window, "ZR4");
    ChooseAreas(*window, {2, 3, 4});
    for (int i = 0; i < 3; ++i)
        window->Controls().mnuView->trigger();
    window->Controls().mnuDoc[1]->trigger(); // a document window too
    QList<QMdiSubWindow *> windows = window->MdiArea()->subWindowList(QMdiArea::CreationOrder);
    ASSERT_EQ(windows.size(), 4);
    windows[0]->resize(420, 300);
    windows[1]->resize(380, 260);
    windows[2]->showMaximized();
    windows[3]->resize(300, 200);
    window->MdiArea()->setActiveSubWindow(windows[3]);
    const QSize area = window->MdiArea()->viewport()->size();
    std::vector<QSize> sizes;
    for (QMdiSubWindow *child : windows)
        sizes.push_back(child->isMaximized() ? QSize() : child->size());

    window->Controls().mnuArrange[0]->trigger();
    std::vector<int> lefts;
    for (qsizetype i = 0; i < windows.size(); ++i) {
        QMdiSubWindow *child = windows[i];
        EXPECT_FALSE(child->isMaximized()) << i;
        // Never a bare title bar: a window's own size, capped to the area.
        EXPECT_GT(child->height(), 100) << i;
        EXPECT_LE(child->geometry().right(), area.width()) << i;
        EXPECT_LE(child->geometry().bottom(), area.height()) << i;
        if (sizes[static_cast<std::size_t>(i)].isValid()) {
            EXPECT_EQ(child->size(), sizes[static_cast<std::size_t>(i)]) << i;
        }
        EXPECT_EQ(child->x(), child->y()) << i;
        lefts.push_back(child->x());
    }
    std::sort(lefts.begin(), lefts.end());
    EXPECT_EQ(std::unique(lefts.begin(), lefts.end()), lefts.end());
    EXPECT_EQ(window->MdiArea()->activeSubWindow(), windows[3]);
    EXPECT_EQ(windows[3]->x(), lefts.back()); // the active window last, on top
}

TEST_F(DisplayTest, MissingChoicesAskInOrderAndStepNothing)
{
    auto window = Start();
    window->ChooseQuarters({}); // ZR4 chosen at start, no quarters, no areas
    window->Controls().mnuView->trigger();
    auto messages = prompts.Of(Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("Select State"));
    ChooseAreas(*window, {4});
    const int area = window->State().CurrentArea;
    window->Controls().mnuView->trigger();
    messages = prompts.Of(Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("Select quarters"));
    EXPECT_EQ(messages[0].text, QStringLiteral("Please make a quarter selection from the Quarters box."));
    EXPECT_EQ(messages[0].icon, QMessageBox::Information);
    EXPECT_EQ(window->State().CurrentArea, area);
    EXPECT_TRUE(window->MdiArea()->subWindowList().isEmpty());
}

TEST_F(DisplayTest, PrintAllModeBuildsASmallTaggedWindowWithoutCursor)
{
    auto window = Start();
    SelectTable(*window, "ZR5N");
    ChooseAreas(*window, {7});
    window->State().PrintAllMode = true;
    window->Controls().mnuView->trigger();
    QMdiSubWindow *child = window->MdiArea()->activeSubWindow();
    frmDisplay *display = DisplayOf(child);
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->Tag(), tarvel::ChildKind::PrintAll);
    EXPECT_NEAR(PixelsToTwipsX(child->width(), child), 6000, 15);
    EXPECT_NEAR(PixelsToTwipsY(child->height(), child), 100, 15);
    EXPECT_LE(display->CurrentColumn(), 1); // never moved to the newest quarter
    EXPECT_EQ(display->ColumnWidth(1), display->grdData->horizontalHeader()->defaultSectionSize());
    // The grid keeps its size while print-all runs.
    const QSize gridSize = display->grdData->size();
    child->resize(600, 400);
    EXPECT_EQ(display->grdData->size(), gridSize);
}

// A data folder whose ZR5 files are damaged in one way each.
struct BrokenCase {
    const char *name;
    const char *file;           // the ZR5 file that is cut short or left out
    int keepBytes;              // -1 leaves the file out
    const char *expectedTitle;
};

void PrintTo(const BrokenCase &c, std::ostream *os)
{
    *os << c.name;
}

class BrokenDataTest : public DisplayTest, public testing::WithParamInterface<BrokenCase> {};

TEST_P(BrokenDataTest, GivesAMessageNamingTheFileAndNoWindow)
{
    QTemporaryDir data;
    ASSERT_TRUE(data.isValid());
    for (const char *name : {"ZR5N.dfx", "ZR7N.dfx", "statcode.csv", "ZR5.dfx", "ZR5line.csv"}) {
        const QString from = SampleData() + QString::fromLatin1(name);
        const QString to = data.path() + QLatin1Char('/') + QString::fromLatin1(name);
        if (qstrcmp(name, GetParam().file) == 0 && GetParam().keepBytes < 0)
            continue;
        ASSERT_TRUE(QFile::copy(from, to));
        if (qstrcmp(name, GetParam().file) == 0) {
            ASSERT_TRUE(QFile::resize(to, GetParam().keepBytes));
        }
    }
    auto window = Start(data.path() + QLatin1Char('/'));
    SelectTable(*window, "ZR5");
    ChooseAreas(*window, {30});
    window->Controls().mnuView->trigger();

    const auto messages = prompts.Of(Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QString::fromLatin1(GetParam().expectedTitle));
    EXPECT_TRUE(messages[0].text.contains(QString::fromLatin1(GetParam().file).toUpper())) << messages[0].text.toStdString();
    EXPECT_EQ(messages[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(window->MdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Cases, BrokenDataTest,
                         testing::Values(BrokenCase{"DataTooShort", "ZR5.dfx", 5000, "File damaged"},
                                         BrokenCase{"DataMissing", "ZR5.dfx", -1, "File not accessible"},
                                         BrokenCase{"TitlesTooShort", "ZR5line.csv", 68 * 10, "File damaged"},
                                         BrokenCase{"TitlesMissing", "ZR5line.csv", -1, "File not accessible"}),
                         [](const testing::TestParamInfo<BrokenCase> &info) { return info.param.name; });

// ---- the grid's look ---------------------------------------------------------------

TEST_F(DisplayTest, HeadersAlignmentsAndSpacerRows)
{
    auto window = Start();
    SelectTable(*window, "ZR1");
    window->Controls().mnuView->trigger();
    frmDisplay *table = Active(*window);
    ASSERT_NE(table, nullptr);
    QAbstractItemModel *model = table->grdData->model();
    ASSERT_EQ(model->rowCount(), 63);
    EXPECT_EQ(model->headerData(54, Qt::Vertical).toString(), QStringLiteral("    ZUL Regions"));
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), Latin1(table->Data().Cell(0, 1)));
    const auto alignment = [](const QVariant &value) { return Qt::Alignment(value.toInt()); };
    EXPECT_EQ(alignment(model->headerData(0, Qt::Vertical, Qt::TextAlignmentRole)), Qt::AlignLeft | Qt::AlignTop);
    EXPECT_EQ(alignment(model->headerData(0, Qt::Horizontal, Qt::TextAlignmentRole)), Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_EQ(alignment(model->index(0, 0).data(Qt::TextAlignmentRole)), Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_TRUE(model->index(53, 0).data().toString().isEmpty()); // the regions heading row

    const int full = table->DefaultRowHeight();
    EXPECT_GE(full, 12);
    for (int row : {2, 54})
        EXPECT_EQ(table->RowHeight(row), std::lround(full / 2.0)) << "row " << row;
    for (int row : {0, 1, 3, 53, 55, 63})
        EXPECT_EQ(table->RowHeight(row), full) << "row " << row;
}

TEST_F(DisplayTest, RightButtonPopsUpTheWindowMenuLeftButtonDoesNot)
{
    auto window = Start();
    SelectTable(*window, "ZR4");
    ChooseAreas(*window, {2});
    window->Controls().mnuView->trigger();
    frmDisplay *display = Active(*window);
    ASSERT_NE(display, nullptr);
    QWidget *cells = display->grdData->viewport();
    const QPointF at(5, 5);
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
        QMouseEvent press(QEvent::MouseButtonPress, at, cells->mapToGlobal(at), button, button, Qt::NoModifier);
        QCoreApplication::sendEvent(cells, &press);
        EXPECT_EQ(window->Controls().mnuWindow->isVisible(), button == Qt::RightButton);
    }
    window->Controls().mnuWindow->close();
}

// A click selects a cell, Shift+click the block from the last click to it,
// Ctrl+click adds a cell (or takes it out) so that rows that are not next
// to each other are chosen together; keys still select one block.
TEST_F(DisplayTest, CtrlClickAddsCellsShiftClickExtendsTheBlock)
{
    auto window = Start();
    SelectTable(*window, "ZR5N");
    ChooseAreas(*window, {2});
    window->Controls().mnuView->trigger();
    frmDisplay *display = Active(*window);
    ASSERT_NE(display, nullptr);
    QTableView *grid = display->grdData;
    const auto click = [grid](int row, Qt::KeyboardModifiers modifiers) {
        const QModelIndex index = grid->model()->index(row - 1, 1);
        grid->scrollTo(index);
        const QPoint at = grid->visualRect(index).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, at);
    };
    const auto selectedRows = [grid] {
        std::vector<int> rows;
        for (const QModelIndex &index : grid->selectionModel()->selectedIndexes())
            rows.push_back(index.row() + 1);
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        return rows;
    };
    struct Step {
        int row;
        Qt::KeyboardModifiers modifiers;
        std::vector<int> selected;
    };
    const std::vector<Step> steps{
        {3, Qt::NoModifier, {3}},
        {6, Qt::ControlModifier, {3, 6}},        // added, 4 and 5 left out
        {9, Qt::ControlModifier, {3, 6, 9}},
        {6, Qt::ControlModifier, {3, 9}},        // a second Ctrl+click takes it out
        {5, Qt::NoModifier, {5}},                // a plain click starts again
        {7, Qt::ShiftModifier, {5, 6, 7}},       // Shift still extends the block
    };
    for (const Step &step : steps) {
        click(step.row, step.modifiers);
        EXPECT_EQ(selectedRows(), step.selected) << "after a click on row " << step.row;
    }
    // The same on the line titles, which choose whole lines.
    const auto clickTitle = [grid](int row, Qt::KeyboardModifiers modifiers) {
        QHeaderView *titles = grid->verticalHeader();
        const QPoint at(titles->width() / 2, titles->sectionViewportPosition(row - 1) + titles->sectionSize(row - 1) / 2);
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, modifiers, at);
    };
    for (const Step &step : std::vector<Step>{{3, Qt::NoModifier, {3}},
                                              {6, Qt::ControlModifier, {3, 6}},
                                              {9, Qt::ControlModifier, {3, 6, 9}},
                                              {6, Qt::ControlModifier, {3, 9}}}) {
        clickTitle(step.row, step.modifiers);
        EXPECT_EQ(selectedRows(), step.selected) << "after a click on the title of row " << step.row;
    }
    // A key after Ctrl+clicks selects one cell again, as before.
    click(9, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(selectedRows(), std::vector<int>{10});
    QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(selectedRows(), (std::vector<int>{10, 11}));

    // A copy holds the rows chosen by Ctrl+click, not the rows between them.
    click(3, Qt::NoModifier);
    click(6, Qt::ControlModifier);
    window->Controls().mnuClip->trigger();
    const QStringList lines = QGuiApplication::clipboard()->text().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    const auto title = [grid](int row) {
        return grid->model()->headerData(row - 1, Qt::Vertical).toString().trimmed();
    };
    ASSERT_EQ(lines.size(), 4) << QGuiApplication::clipboard()->text().toStdString();
    EXPECT_TRUE(lines[2].startsWith(title(3) + QLatin1Char('\t'))) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].startsWith(title(6) + QLatin1Char('\t'))) << lines[3].toStdString();
}

TEST(DisplayWindow, GridFollowsTheWindowExceptWhenTiny)
{
    tarvel::Grid grid(3, 2);
    grid.Code = "ZR4";
    grid.Caption = "ZR4 test";
    frmDisplay display(grid, "ZR4");
    display.resize(400, 300);
    display.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(display.grdData->size(), QSize(400, 300));
    // 100 twips or less in one direction leaves the grid alone in that direction.
    display.resize(TwipsToPixelsX(90, &display), 250);
    EXPECT_EQ(display.grdData->size(), QSize(400, 250));
    display.resize(350, TwipsToPixelsY(90, &display));
    EXPECT_EQ(display.grdData->size(), QSize(350, 250));
}

// ---- the one-line command ----------------------------------------------------------

TEST_F(DisplayTest, OneLineViewAndTheActivationRule)
{
    auto window = Start();
    EXPECT_FALSE(window->isHidden());
    SelectTable(*window, "ZR5");
    ChooseAreas(*window, {2});
    window->Controls().mnuView->trigger();
    QMdiSubWindow *zr5 = window->MdiArea()->activeSubWindow();
    frmDisplay *source = DisplayOf(zr5);
    ASSERT_NE(source, nullptr);
    EXPECT_TRUE(OneLineOffered(*window));

    // A heading row offers nothing to show.
    source->SetCurrentCell(1, 1);
    window->Controls().mnuShowOneLine->trigger();
    EXPECT_EQ(window->MdiArea()->subWindowList().size(), 1);

    // Row 2 is the first data line (L = 1): every area's first record.
    source->SetCurrentCell(2, 1);
    window->Controls().cmdShowOneLine->click();
    QMdiSubWindow *oneLine = window->MdiArea()->activeSubWindow();
    frmDisplay *view = DisplayOf(oneLine);
    ASSERT_NE(view, nullptr);
    ASSERT_NE(view, source);
    EXPECT_EQ(view->Tag(), tarvel::ChildKind::SOL);
    EXPECT_EQ(oneLine->windowTitle(), QStringLiteral("ZR5 ") + QString::fromStdString(tarvel::SeriesCaption("ZR5"))
                                          + QStringLiteral(" - ") + Latin1(source->Data().Cell(2, 0)).trimmed());
    EXPECT_EQ(view->Data().Rows(), 64);
    EXPECT_EQ(view->Data().Columns(), source->Data().Columns());
    EXPECT_EQ(view->CurrentColumn(), view->Data().Columns() - 1);
    EXPECT_NEAR(PixelsToTwipsY(oneLine->height(), oneLine), window->State().Display.DefaultWindowHeight, 15);
    EXPECT_EQ(Qt::Alignment(view->grdData->model()->headerData(0, Qt::Vertical, Qt::TextAlignmentRole).toInt()),
              Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_FALSE(OneLineOffered(*window)); // a one-line view is never a source

    // Asking again from the same line brings the one-line view forward.
    window->MdiArea()->setActiveSubWindow(zr5);
    EXPECT_TRUE(OneLineOffered(*window));
    oneLine->showMinimized();
    window->MdiArea()->setActiveSubWindow(zr5);
    window->Controls().mnuShowOneLine->trigger();
    EXPECT_EQ(window->MdiArea()->subWindowList().size(), 2);
    EXPECT_EQ(window->MdiArea()->activeSubWindow(), oneLine);
    EXPECT_FALSE(oneLine->isMinimized());

    // ZR1 windows and other child windows switch the command off.
    SelectTable(*window, "ZR1");
    window->Controls().mnuView->trigger();
    EXPECT_FALSE(OneLineOffered(*window));
    window->MdiArea()->setActiveSubWindow(zr5);
    EXPECT_TRUE(OneLineOffered(*window));
    QMdiSubWindow *document = window->MdiArea()->addSubWindow(new QWidget);
    document->setAttribute(Qt::WA_DeleteOnClose);
    document->show();
    window->MdiArea()->setActiveSubWindow(document);
    EXPECT_FALSE(OneLineOffered(*window));
    window->MdiArea()->setActiveSubWindow(zr5);
    EXPECT_TRUE(OneLineOffered(*window));

    // Closing the last window leaves it off.
    window->Controls().mnuCloseAll->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->MdiArea()->subWindowList().isEmpty());
    EXPECT_FALSE(OneLineOffered(*window));
    EXPECT_TRUE(prompts.Of(Kind::Message).empty());
}

TEST_F(DisplayTest, OneLineFromALessLineOfAnotherArea)
{
    auto window = Start();
    SelectTable(*window, "ZR5");
    ChooseAreas(*window, {40});
    window->Controls().mnuView->trigger();
    frmDisplay *source = Active(*window);
    ASSERT_NE(source, nullptr);
    int lessRow = 0;
    for (int r = 1; r < source->Data().Rows() && lessRow == 0; ++r) {
        if (source->Data().Cell(r, 0).rfind("less:", 0) == 0)
            lessRow = r;
    }
    ASSERT_NE(lessRow, 0) << "the sample ZR5 titles hold a \"less:\" line";
    source->SetCurrentCell(lessRow, 2);
    window->Controls().mnuShowOneLine->trigger();
    frmDisplay *view = Active(*window);
    ASSERT_NE(view, source);
    ASSERT_NE(view, nullptr);
    const std::string title(source->Data().Cell(lessRow, 0));
    const std::string rest = title.substr(title.find_first_not_of(' ', 5));
    EXPECT_TRUE(window->MdiArea()->activeSubWindow()->windowTitle().endsWith(
        QStringLiteral(" - ") + QString::fromLatin1(rest.c_str())));
    // The source's line of area 40 stands in area 40's row of the view.
    int row = 0, area = 0;
    for (int r = 1; r < 64 && area < 40; ++r) {
        if (tarvel::AreaRowLayout().DataLine(r) != 0 && ++area == 40)
            row = r;
    }
    for (int c = 1; c < source->Data().Columns(); ++c)
        EXPECT_EQ(view->Data().Cell(row, c), source->Data().Cell(lessRow, c)) << "column " << c;
}

// ---- the height / width dialog -----------------------------------------------------

class SizeDialogTest : public DisplayTest {
protected:
    /// Types text into the box and leaves it; returns the text then shown.
    static QString TypeAndLeave(frmScroll &dialog, const QString &text)
    {
        dialog.txtScroll->setText(text);
        QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(dialog.txtScroll, &leave);
        return dialog.txtScroll->text();
    }
};

TEST_F(SizeDialogTest, TextBoxRulesAndOkResizesEveryOpenWindow)
{
    auto window = Start();
    SelectTable(*window, "ZR4");
    ChooseAreas(*window, {2, 3});
    window->Controls().mnuView->trigger();
    window->Controls().mnuView->trigger();
    QMdiSubWindow *document = window->MdiArea()->addSubWindow(new QWidget);
    document->show();

    std::vector<std::pair<QString, int>> seen;
    prompts.dialogScript = [&seen](QDialog &dialog) {
        auto &scroll = static_cast<frmScroll &>(dialog);
        seen.emplace_back(scroll.txtScroll->text(), scroll.hsbScroll->value());
        for (const char *typed : {"20000", "abc", "3", "6000.4"}) {
            const QString shown = TypeAndLeave(scroll, QString::fromLatin1(typed));
            seen.emplace_back(shown, scroll.hsbScroll->value());
        }
        scroll.hsbScroll->setValue(8000);
        seen.emplace_back(scroll.txtScroll->text(), scroll.hsbScroll->value());
        scroll.cmdOK->click();
    };
    window->Controls().mnuGrid[0]->trigger();
    const std::vector<std::pair<QString, int>> expected{
        {QStringLiteral(" 5000"), 5000}, {QStringLiteral(" 15000"), 15000}, {QStringLiteral(" 10"), 10},
        {QStringLiteral(" 10"), 10},     {QStringLiteral(" 6000"), 6000},   {QStringLiteral(" 8000"), 8000}};
    EXPECT_EQ(seen, expected);
    const auto dialogs = prompts.Of(Kind::Dialog);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].title, QStringLiteral("Select new Height..."));
    EXPECT_EQ(dialogs[0].text, QStringLiteral("frmScroll"));

    EXPECT_EQ(window->State().Display.DefaultWindowHeight, 8000);
    EXPECT_EQ(window->State().Display.DefaultWindowWidth, 8000);
    const QList<QMdiSubWindow *> windows = window->MdiArea()->subWindowList();
    ASSERT_EQ(windows.size(), 3);
    for (QMdiSubWindow *child : windows)
        EXPECT_NEAR(PixelsToTwipsY(child->height(), child), 8000, 15);

    // New windows take the new height too.
    window->Controls().mnuView->trigger(); // area 2 again: brought forward, not new
    window->Controls().optTable[1]->click(); // ZR1
    window->Controls().mnuView->trigger();
    EXPECT_NEAR(PixelsToTwipsY(window->MdiArea()->activeSubWindow()->height(), document), 8000, 15);
}

TEST_F(SizeDialogTest, WidthDialogAndCancel)
{
    auto window = Start();
    SelectTable(*window, "ZR4");
    ChooseAreas(*window, {2});
    window->Controls().mnuView->trigger();
    QMdiSubWindow *child = window->MdiArea()->activeSubWindow();
    ASSERT_NE(child, nullptr);
    const QSize before = child->size();

    // Cancel after moving the slider changes nothing.
    prompts.dialogScript = [](QDialog &dialog) {
        auto &scroll = static_cast<frmScroll &>(dialog);
        scroll.hsbScroll->setValue(3000);
        scroll.cmdCancel->click();
    };
    for (QAction *item : window->Controls().mnuGrid)
        item->trigger();
    EXPECT_EQ(window->State().Display.DefaultWindowHeight, 5000);
    EXPECT_EQ(window->State().Display.DefaultWindowWidth, 8000);
    EXPECT_EQ(child->size(), before);

    // The close box is a cancel too; OK on the width dialog sets widths only.
    prompts.dialogScript = [](QDialog &dialog) {
        auto &scroll = static_cast<frmScroll &>(dialog);
        EXPECT_EQ(scroll.txtScroll->text(), QStringLiteral(" 8000"));
        EXPECT_EQ(scroll.hsbScroll->minimum(), 10);
        EXPECT_EQ(scroll.hsbScroll->maximum(), 15000);
        scroll.hsbScroll->setValue(4000);
        scroll.cmdOK->click();
    };
    window->Controls().mnuGrid[1]->trigger();
    const auto dialogs = prompts.Of(Kind::Dialog);
    ASSERT_EQ(dialogs.size(), 3u);
    EXPECT_EQ(dialogs[1].title, QStringLiteral("Select new Width..."));
    EXPECT_EQ(window->State().Display.DefaultWindowWidth, 4000);
    EXPECT_EQ(window->State().Display.DefaultWindowHeight, 5000);
    EXPECT_NEAR(PixelsToTwipsX(child->width(), child), 4000, 15);
    EXPECT_EQ(child->height(), before.height());
}

TEST_F(SizeDialogTest, MaximizedAndMinimizedWindowsKeepTheirSize)
{
    auto window = Start();
    SelectTable(*window, "ZR4");
    ChooseAreas(*window, {2, 3});
    window->Controls().mnuView->trigger();
    QMdiSubWindow *minimized = window->MdiArea()->activeSubWindow();
    minimized->showMinimized();
    window->Controls().mnuView->trigger();
    QMdiSubWindow *maximized = window->MdiArea()->activeSubWindow();
    maximized->showMaximized();
    const QSize minimizedSize = minimized->size();
    const QSize maximizedSize = maximized->size();
    prompts.dialogScript = [](QDialog &dialog) {
        auto &scroll = static_cast<frmScroll &>(dialog);
        scroll.hsbScroll->setValue(2000);
        scroll.cmdOK->click();
    };
    window->Controls().mnuGrid[0]->trigger();
    EXPECT_EQ(window->State().Display.DefaultWindowHeight, 2000);
    EXPECT_EQ(minimized->size(), minimizedSize);
    EXPECT_EQ(maximized->size(), maximizedSize);
    EXPECT_TRUE(maximized->isMaximized());
}

} // namespace
