// Ranking the areas of a one-line window (and of the table whose lines are
// the areas) by a quarter: the header click and the sort key, the caption,
// what copying and printing give, the chart and a screen reader.
#include "viewer/chart/frmChart.h"
#include "viewer/display/frmDisplay.h"
#include "viewer/main/frmMain.h"
#include "viewer/print/frmPrint.h"
#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"
#include "core/selection/selection.h"
#include "core/settings/settings_store.h"
#include "core/views/area_sort.h"
#include "scripted_prompts.h"
#include "viewer_fixture.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QFile>
#include <QHeaderView>
#include <QChart>
#include <QItemSelectionModel>
#include <QLegend>
#include <QLegendMarker>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using Kind = ScriptedPrompts::Kind;
using tarvel::test::DisplayOf;
using tarvel::test::Folder;

// Two grids hold the same caption and the same texts.
::testing::AssertionResult SameGrid(const tarvel::Grid &a, const tarvel::Grid &b)
{
    if (a.Caption != b.Caption)
        return ::testing::AssertionFailure() << "caption \"" << a.Caption << "\", not \"" << b.Caption << "\"";
    if (a.Rows() != b.Rows() || a.Columns() != b.Columns())
        return ::testing::AssertionFailure() << "another size";
    for (int r = 0; r < a.Rows(); ++r) {
        for (int c = 0; c < a.Columns(); ++c) {
            if (a.Cell(r, c) != b.Cell(r, c))
                return ::testing::AssertionFailure() << "cell (" << r << ", " << c << "): " << a.Cell(r, c) << " / "
                                                     << b.Cell(r, c);
        }
    }
    return ::testing::AssertionSuccess();
}

class SortTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_config.isValid() && m_program.isValid() && m_out.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
    }

    /// The main window with ZR5N's line 1 ("Personal income") for all areas
    /// and the last four quarters in a one-line window, which is returned.
    frmDisplay *OpenOneLine()
    {
        window = std::make_unique<frmMain>(prompts);
        window->SetProgramFolder(Folder(m_program));
        window->SetDataFolderCandidates({tarvel::WithTrailingSlash(TARVEL_SAMPLE_DATA)});
        window->Startup({});
        window->show();
        window->activateWindow();
        QCoreApplication::processEvents();
        EXPECT_TRUE(tarvel::test::SelectTable(*window, "ZR5N"));
        window->ChooseAreas(tarvel::AreaFlagsFromChoice({2}));
        window->RunDisplay();
        frmDisplay *table = DisplayOf(window->MdiArea()->activeSubWindow());
        if (!table)
            return nullptr;
        table->SetCurrentCell(2, 1); // the first data line
        window->RunShowOneLine();
        prompts.records.clear();
        frmDisplay *oneLine = DisplayOf(window->MdiArea()->activeSubWindow());
        return oneLine && oneLine != table ? oneLine : nullptr;
    }

    /// Clicks the header of grid column column.
    static void ClickHeader(frmDisplay &view, int column)
    {
        QHeaderView *header = view.grdData->horizontalHeader();
        const int section = column - 1;
        view.grdData->scrollTo(view.grdData->model()->index(0, section));
        const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

    /// The area names of the state rows, top to bottom.
    static std::vector<std::string> States(const tarvel::Grid &grid)
    {
        std::vector<std::string> names;
        for (int r = 3; r <= 53; ++r)
            names.emplace_back(grid.Cell(r, 0));
        return names;
    }

    QTemporaryDir m_config;
    QTemporaryDir m_program;
    QTemporaryDir m_out;
    ScriptedPrompts prompts;
    std::unique_ptr<frmMain> window;
};

TEST_F(SortTest, HeaderClicksRankHighestLowestThenAreaOrder)
{
    frmDisplay *view = OpenOneLine();
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(view->Sortable());
    QMdiSubWindow *frame = window->MdiArea()->activeSubWindow();
    const tarvel::Grid original = view->Data();
    const QString caption = frame->windowTitle();
    const int last = original.Columns() - 1;
    const QString label = QString::fromLatin1(original.Cell(0, last).data(), static_cast<qsizetype>(original.Cell(0, last).size()));
    // The cursor stands on Alaska (row 4): it stays with Alaska.
    view->SetCurrentCell(4, 1);

    ClickHeader(*view, last);
    EXPECT_TRUE(view->IsSorted());
    EXPECT_EQ(frame->windowTitle(), caption + QStringLiteral(" - sorted by ") + label + QStringLiteral(", highest first"));
    EXPECT_EQ(view->windowTitle(), frame->windowTitle());
    EXPECT_EQ(view->grdData->accessibleName(), frame->windowTitle());
    EXPECT_TRUE(SameGrid(view->Data(), tarvel::SortedAreaGrid(original, last, tarvel::AreaOrder::HighestFirst)));
    EXPECT_EQ(view->Data().Cell(view->CurrentRow(), 0), "Alaska");
    EXPECT_EQ(view->grdData->horizontalHeader()->sortIndicatorSection(), last - 1);
    // The rows shown are the grid's: the view's headers too.
    EXPECT_EQ(view->grdData->model()->headerData(2, Qt::Vertical).toString().toStdString(), view->Data().Cell(3, 0));

    ClickHeader(*view, last);
    EXPECT_TRUE(frame->windowTitle().endsWith(QStringLiteral(", lowest first")));
    EXPECT_TRUE(SameGrid(view->Data(), tarvel::SortedAreaGrid(original, last, tarvel::AreaOrder::LowestFirst)));
    EXPECT_EQ(view->Data().Cell(view->CurrentRow(), 0), "Alaska");

    ClickHeader(*view, last);
    EXPECT_FALSE(view->IsSorted());
    EXPECT_EQ(frame->windowTitle(), caption);
    EXPECT_EQ(States(view->Data()), States(original));
    EXPECT_EQ(view->CurrentRow(), 4);

    // Another column starts again at highest first; the nation and the
    // regions never move.
    ClickHeader(*view, 1);
    EXPECT_TRUE(frame->windowTitle().endsWith(QStringLiteral(", highest first")));
    EXPECT_EQ(view->Data().Cell(1, 0), original.Cell(1, 0));
    for (int r = 54; r < original.Rows(); ++r)
        EXPECT_EQ(view->Data().Cell(r, 0), original.Cell(r, 0)) << r;
    EXPECT_TRUE(prompts.records.empty());

    // The same line asked for again brings the sorted window forward.
    window->MdiArea()->activatePreviousSubWindow();
    DisplayOf(window->MdiArea()->activeSubWindow())->SetCurrentCell(2, 1);
    window->RunShowOneLine();
    EXPECT_EQ(window->MdiArea()->subWindowList().size(), 2);
    EXPECT_EQ(window->MdiArea()->activeSubWindow(), frame);
}

TEST_F(SortTest, SortKeyWorksOnTheCurrentColumnAndAScreenReaderHearsIt)
{
    frmDisplay *view = OpenOneLine();
    ASSERT_NE(view, nullptr);
    const tarvel::Grid original = view->Data();
    view->grdData->setFocus();
    view->SetCurrentCell(5, 2);

    // The view tells a screen reader of new rows when the model's layout
    // changes (the offscreen platform has no reader to send events to, so
    // the signal stands for them); the grid's name and cells are read below.
    QSignalSpy layout(view->grdData->model(), &QAbstractItemModel::layoutChanged);
    QTest::keySequence(view->grdData, frmDisplay::SortKey());
    EXPECT_TRUE(SameGrid(view->Data(), tarvel::SortedAreaGrid(original, 2, tarvel::AreaOrder::HighestFirst)));
    EXPECT_EQ(layout.count(), 1);
    QAccessibleInterface *table = QAccessible::queryAccessibleInterface(view->grdData);
    ASSERT_NE(table, nullptr);
    ASSERT_NE(table->tableInterface(), nullptr);
    EXPECT_TRUE(table->text(QAccessible::Name).endsWith(QStringLiteral("highest first")));
    for (const int row : {2, 3, 30}) {
        QAccessibleInterface *cell = table->tableInterface()->cellAt(row, 1);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->text(QAccessible::Name).toStdString(), view->Data().Cell(row + 1, 2)) << row;
    }
    QAccessibleInterface *header = QAccessible::queryAccessibleInterface(view->grdData->horizontalHeader());
    ASSERT_NE(header, nullptr);
    EXPECT_TRUE(view->grdData->model()
                    ->headerData(1, Qt::Horizontal, Qt::AccessibleDescriptionRole)
                    .toString()
                    .endsWith(QStringLiteral("sorted highest first")));

    QTest::keySequence(view->grdData, frmDisplay::SortKey());
    EXPECT_TRUE(SameGrid(view->Data(), tarvel::SortedAreaGrid(original, 2, tarvel::AreaOrder::LowestFirst)));
    QTest::keySequence(view->grdData, frmDisplay::SortKey());
    EXPECT_FALSE(view->IsSorted());
}

// Copying and printing give what the window shows, and say it is sorted;
// a chart of selected rows charts the areas they show.
TEST_F(SortTest, CopyPrintAndChartFollowTheRowsShown)
{
    frmDisplay *view = OpenOneLine();
    ASSERT_NE(view, nullptr);
    ClickHeader(*view, 1);
    const tarvel::Grid &shown = view->Data();
    const std::string first = std::string(shown.Cell(3, 0));
    const std::string second = std::string(shown.Cell(4, 0));

    // Copy the first two state rows of the first column.
    view->SetCurrentCell(3, 1);
    view->grdData->selectionModel()->select(
        QItemSelection(view->grdData->model()->index(2, 0), view->grdData->model()->index(3, 0)),
        QItemSelectionModel::ClearAndSelect);
    window->Controls().mnuClip->trigger();
    const std::string copied = QApplication::clipboard()->text().toStdString();
    EXPECT_EQ(copied.substr(0, copied.find("\r\n")), shown.Caption);
    EXPECT_NE(shown.Caption.find(" - sorted by "), std::string::npos);
    EXPECT_NE(copied.find("\r\n" + first + "\t"), std::string::npos) << copied;
    EXPECT_LT(copied.find(first + "\t"), copied.find(second + "\t")) << copied;

    // A chart of four rows charts those areas in the window's order, in
    // its lines, legend and data alike.
    std::vector<std::string> ranked;
    for (int r = 3; r <= 6; ++r)
        ranked.emplace_back(shown.Cell(r, 0));
    ASSERT_FALSE(std::is_sorted(ranked.begin(), ranked.end())) << "the ranking must differ from area order";
    view->grdData->selectionModel()->select(
        QItemSelection(view->grdData->model()->index(2, 0), view->grdData->model()->index(5, 0)),
        QItemSelectionModel::ClearAndSelect);
    window->RunChart();
    EXPECT_TRUE(prompts.Of(Kind::Message).empty())
        << (prompts.records.empty() ? "" : prompts.records.back().text.toStdString());
    const auto *chart = qobject_cast<frmChart *>(window->MdiArea()->activeSubWindow()->widget());
    ASSERT_NE(chart, nullptr);
    std::vector<std::string> charted;
    for (const tarvel::ChartSeries &series : chart->Data().Series)
        charted.push_back(series.AreaName);
    EXPECT_EQ(charted, ranked);
    const std::string csv = chart->DataCsv();
    std::string header = "\"Quarter\"";
    for (const std::string &name : ranked)
        header += ",\"" + name + "\"";
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")), header);
    std::vector<std::string> legend;
    for (const QLegendMarker *marker : chart->Chart()->legend()->markers()) {
        if (marker->isVisible())
            legend.push_back(marker->label().toStdString());
    }
    EXPECT_EQ(legend, ranked);

    // Print the sorted window to a text file.
    window->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(view->parentWidget()));
    const QString file = m_out.path() + QStringLiteral("/sorted.txt");
    const std::string key = tarvel::SettingsKey("print");
    window->Settings().WriteSetting(key, "PrintToFile", "True");
    window->Settings().WriteSetting(key, "FileName", file.toStdString());
    window->Settings().WriteSetting(key, "Footnote", "False");
    prompts.dialogScript = [](QDialog &dialog) { static_cast<frmPrint &>(dialog).cmdPrint->click(); };
    window->RunPrint();
    prompts.dialogScript = nullptr;
    const std::string printed = tarvel::ReadWholeFile(file.toStdString()).value_or("<missing>");
    EXPECT_NE(printed.find(shown.Caption), std::string::npos) << printed.substr(0, 400);
    EXPECT_LT(printed.find(first), printed.find(second));
}

} // namespace
