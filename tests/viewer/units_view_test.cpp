#include "viewer/chart/frmChart.h"
#include "core/views/computed_view.h"
#include "viewer_fixture.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QTableView>

#include <gtest/gtest.h>

// A table window in other units shows, copies and charts the figures
// computed from the published values and says so; its one-line window opens
// in them; a base quarter the table does not hold, or data that cannot be
// read, leave it as it was.
TEST(UnitsView, TableWindowShowsCopiesAndChartsTheChosenUnits)
{
    QTemporaryDir config, empty;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    ScriptedPrompts prompts;
    frmMain window(prompts);
    window.SetProgramFolder(empty.path().toStdString() + "/");
    window.SetDataFolderCandidates({TARVEL_SAMPLE_DATA "/"});
    window.Startup({});
    ASSERT_TRUE(tarvel::test::SelectTable(window, "ZR5N"));
    tarvel::test::ChooseQuarterEntry(window, 2); // the last eight quarters
    tarvel::test::ChooseAreasInPickList(window, prompts, {6});
    window.Controls().mnuView->trigger();
    QMdiSubWindow *sub = window.MdiArea()->activeSubWindow();
    frmDisplay *display = tarvel::test::DisplayOf(sub);
    QComboBox *units = window.Controls().cboUnits;
    ASSERT_TRUE(display && units->isEnabled() && (units->focusPolicy() & Qt::TabFocus));
    EXPECT_EQ(units->accessibleName(), QStringLiteral("Units"));
    const tarvel::Grid published = display->PublishedData();
    const int row = 2; // Personal income
    ASSERT_EQ(published.Model->Rows.at(row - 1).Kind, tarvel::RowKind::Data);
    const auto menu = [&](tarvel::Units unit) {
        return window.Controls().mnuUnit[static_cast<std::size_t>(units->findData(static_cast<int>(unit)))];
    };

    for (const tarvel::Units unit : {tarvel::Units::PercentChangeFromYearAgo, tarvel::Units::Change,
                                     tarvel::Units::Annual, tarvel::Units::Level}) {
        const tarvel::UnitsEntry &entry = tarvel::UnitsEntryOf(unit);
        const int index = units->findData(static_cast<int>(unit));
        if (unit == tarvel::Units::Change) {
            menu(unit)->trigger();
        } else {
            units->setCurrentIndex(index);
            emit units->activated(index);
        }
        const tarvel::Result<tarvel::Grid> expected = tarvel::ComputeGrid(published, {unit, 0}, window.State().Paths());
        ASSERT_TRUE(expected) << entry.ShortName;
        const QString name = QString::fromLatin1(entry.Name.data(), static_cast<qsizetype>(entry.Name.size()));
        const QString note = QStringLiteral(", computed from the published values");
        EXPECT_EQ(sub->windowTitle().toStdString(), expected->Caption);
        EXPECT_EQ(sub->windowTitle().endsWith(QStringLiteral(" ~ ") + name + note), unit != tarvel::Units::Level);
        EXPECT_TRUE(menu(unit)->isChecked() && units->currentIndex() == index);
        const int last = expected->Columns() - 1;
        EXPECT_EQ(display->grdData->model()->headerData(last - 1, Qt::Horizontal).toString().toStdString(),
                  expected->Cell(0, last));
        EXPECT_EQ(display->grdData->model()->index(row - 1, last - 1).data().toString().toStdString(),
                  expected->Cell(row, last));
        display->SetCurrentCell(row, last);
        window.Controls().mnuClip->trigger();
        EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith(sub->windowTitle() + QStringLiteral("\r\n")));

        window.Controls().mnuChart->trigger();
        QMdiSubWindow *chartWindow = window.MdiArea()->activeSubWindow();
        auto *chart = qobject_cast<frmChart *>(chartWindow->widget());
        ASSERT_NE(chart, nullptr) << entry.ShortName;
        const bool log = unit == tarvel::Units::Level || !entry.CanBeNegative;
        chart->SetLogScale(true);
        EXPECT_TRUE(chart->cmdLogScale->isEnabled() == log && chart->LogScale() == log);
        chart->SetLogScale(false);
        EXPECT_EQ(chart->ValueAxisTitle().startsWith(name) && chart->ValueAxisTitle().endsWith(note),
                  unit != tarvel::Units::Level);
        EXPECT_EQ(chart->Data().Series.at(0).Points.back().CellText, expected->Cell(row, last));
        chartWindow->close();
        window.MdiArea()->setActiveSubWindow(sub);
    }

    menu(tarvel::Units::PercentChange)->trigger();
    display->SetCurrentCell(row, 1);
    window.Controls().mnuShowOneLine->trigger();
    frmDisplay *line = tarvel::test::DisplayOf(window.MdiArea()->activeSubWindow());
    ASSERT_TRUE(line && line != display && line->Units().Unit == tarvel::Units::PercentChange);
    // Ranked by a quarter, it stays so in units that show the quarter.
    line->SortByColumn(1);
    const std::string ranked = line->Data().Caption.substr(line->Data().Caption.find(" - sorted by"));
    menu(tarvel::Units::Change)->trigger();
    EXPECT_TRUE(line->IsSorted() && line->Data().Caption.find(ranked) != std::string::npos);
    menu(tarvel::Units::Annual)->trigger();
    EXPECT_FALSE(line->IsSorted());
    window.MdiArea()->setActiveSubWindow(sub);
    menu(tarvel::Units::PercentChange)->trigger();

    const QString before = sub->windowTitle();
    prompts.records.clear();
    prompts.inputAnswers = {QStringLiteral("2099.9")};
    menu(tarvel::Units::Index)->trigger();
    EXPECT_EQ(prompts.Of(ScriptedPrompts::Kind::InputBox).at(0).initial.toStdString(),
              tarvel::QuarterLabel(published.Model->Quarters.front(), "ZR5N")); // the oldest shown
    window.State().DataFolder = empty.path().toStdString() + "/";
    menu(tarvel::Units::Share)->trigger();
    EXPECT_EQ(prompts.Of(ScriptedPrompts::Kind::Message).size(), 2u);
    EXPECT_EQ(sub->windowTitle(), before);
    EXPECT_TRUE(menu(tarvel::Units::PercentChange)->isChecked());
}
