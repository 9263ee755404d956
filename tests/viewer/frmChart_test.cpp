#include "viewer/chart/frmChart.h"
#include "viewer/chart/frmChartImage.h"
#include "viewer/chart/qt_chart_view.h"
#include "viewer/main/frmMain.h"
#include "viewer/display/frmDisplay.h"
#include "viewer/print/frmPrint.h"
#include "viewer/selection/frmPickList.h"
#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"
#include "core/selection/selection.h"
#include "core/settings/settings_store.h"
#include "core/views/table_view_builder.h"
#include "scripted_prompts.h"
#include "viewer_fixture.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QCoreApplication>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using Kind = ScriptedPrompts::Kind;

const QString LineTitle = QStringLiteral("Personal income");
const QString Unit = QStringLiteral("Millions of dollars, seasonally adjusted at annual rates");

frmChart *ChartOf(QMdiSubWindow *window)
{
    return window ? qobject_cast<frmChart *>(window->widget()) : nullptr;
}

using tarvel::test::DisplayOf;

class ChartTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_config.isValid() && m_program.isValid() && m_output.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
    }

    void Start(const QStringList &arguments = {})
    {
        window = std::make_unique<frmMain>(prompts);
        window->SetProgramFolder(m_program.path().toStdString() + "/");
        window->SetDataFolderCandidates({TARVEL_SAMPLE_DATA "/"});
        window->Startup(arguments);
        window->show();
        window->activateWindow();
        QCoreApplication::processEvents();
        prompts.records.clear();
    }

    /// A table window of code for area (1..60) over its last `entry`
    /// quarter-list entry (0 = last four quarters).
    frmDisplay *ShowTable(const std::string &code, int area, int entry = 0)
    {
        EXPECT_TRUE(tarvel::test::SelectTable(*window, code)) << code;
        tarvel::test::ChooseQuarterEntry(*window, entry);
        tarvel::test::ChooseAreasInPickList(*window, prompts, {area});
        window->Controls().mnuView->trigger();
        QCoreApplication::processEvents();
        prompts.records.clear();
        return DisplayOf(window->MdiArea()->activeSubWindow());
    }

    /// Selects whole grid rows (1-based) of a display window.
    static void SelectRows(frmDisplay &display, const std::vector<int> &rows)
    {
        QItemSelectionModel *model = display.grdData->selectionModel();
        model->clearSelection();
        for (int row : rows) {
            const QModelIndex index = display.grdData->model()->index(row - 1, 0);
            model->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }

    /// The grid row whose title is title.
    static int RowTitled(const frmDisplay &display, const QString &title)
    {
        const tarvel::Grid &grid = display.Data();
        for (int r = 1; r < grid.Rows(); ++r) {
            if (QString::fromLatin1(tarvel::Trim(grid.Cell(r, 0))) == title)
                return r;
        }
        return 0;
    }

    frmChart *ActiveChart() const { return ChartOf(window->MdiArea()->activeSubWindow()); }

    /// Every quarter of the chart drawn as the grid row shows it: a point
    /// where the grid shows a number, a gap where it shows (D) or (N).
    static void ExpectDrawnAsGrid(const frmChart &chart, int series, const tarvel::Grid &grid, int row)
    {
        const std::vector<std::optional<double>> drawn = chart.DrawnValues(series);
        const auto &labels = chart.Data().Labels;
        ASSERT_EQ(drawn.size(), labels.size());
        int compared = 0;
        for (int c = 1; c < grid.Columns(); ++c) {
            const auto at = std::find(labels.begin(), labels.end(), grid.Cell(0, c));
            ASSERT_NE(at, labels.end()) << grid.Cell(0, c);
            const std::optional<double> &value = drawn[static_cast<std::size_t>(at - labels.begin())];
            const std::string_view cell = grid.Cell(row, c);
            if (cell == "(D)" || cell == "(N)") {
                EXPECT_FALSE(value) << grid.Cell(0, c);
            } else {
                ASSERT_TRUE(value) << grid.Cell(0, c);
                const bool withheld = cell.size() > 2 && cell.substr(cell.size() - 2) == " *";
                EXPECT_EQ(tarvel::WholeNumberText(*value) + (withheld ? " *" : ""), cell) << grid.Cell(0, c);
            }
            ++compared;
        }
        EXPECT_EQ(compared, static_cast<int>(labels.size()));
    }

    QString OutputFile(const char *name) const { return m_output.filePath(QString::fromLatin1(name)); }

    QTemporaryDir m_config;
    QTemporaryDir m_program;
    QTemporaryDir m_output;
    ScriptedPrompts prompts;
    std::unique_ptr<frmMain> window;
};

// ---- making a chart ----------------------------------------------------------------

TEST_F(ChartTest, FromATableWindowTheSelectedLinesAsTheGridShowsThem)
{
    Start();
    EXPECT_FALSE(window->Controls().mnuChart->isEnabled());
    EXPECT_FALSE(window->Controls().cmdChart->isEnabled());
    frmDisplay *display = ShowTable("ZR5N", 6, 2); // California, last eight quarters
    ASSERT_NE(display, nullptr);
    EXPECT_TRUE(window->Controls().mnuChart->isEnabled());
    EXPECT_TRUE(window->Controls().cmdChart->isEnabled());
    const int income = RowTitled(*display, LineTitle);
    ASSERT_GT(income, 0);
    SelectRows(*display, {income, income + 3});
    window->Controls().cmdChart->click();

    frmChart *chart = ActiveChart();
    ASSERT_NE(chart, nullptr) << (prompts.records.empty() ? "" : prompts.records[0].text.toStdString());
    EXPECT_TRUE(prompts.records.empty());
    const QString source = QString::fromLatin1(display->Data().Caption);
    EXPECT_EQ(window->MdiArea()->activeSubWindow()->windowTitle(), source + QStringLiteral(" - chart"));
    EXPECT_EQ(chart->Chart()->title(), source);
    ASSERT_EQ(chart->Data().Series.size(), 2u);
    EXPECT_EQ(chart->Data().Labels.size(), 8u);
    EXPECT_EQ(QString::fromLatin1(chart->Data().Series[0].Name), LineTitle);
    EXPECT_EQ(chart->ValueAxisTitle(), Unit);
    EXPECT_EQ(chart->Chart()->locale().toString(1234567.0, 'f', 0), QStringLiteral("1,234,567"));
    ExpectDrawnAsGrid(*chart, 0, display->Data(), income);
    ExpectDrawnAsGrid(*chart, 1, display->Data(), income + 3);

    // The tooltip gives the value as the grid shows it.
    const tarvel::Grid &grid = display->Data();
    EXPECT_EQ(chart->ToolTipText(0, 7),
              LineTitle + QStringLiteral("\n") + QString::fromLatin1(grid.Cell(0, grid.Columns() - 1))
                  + QStringLiteral(": ") + QString::fromLatin1(grid.Cell(income, grid.Columns() - 1)));

    // Its print preview is one page, drawn as printing draws it.
    int previewPages = -1;
    // Its page is turned as printing turns it: landscape for a chart wider
    // than tall.
    std::optional<QPageLayout::Orientation> previewTurn;
    prompts.dialogScript = [&previewPages, &previewTurn](QDialog &dialog) {
        if (auto *preview = dialog.findChild<QPrintPreviewWidget *>()) {
            previewPages = preview->pageCount();
            previewTurn = preview->orientation();
        }
    };
    window->Controls().mnuPrintPreview->trigger();
    prompts.dialogScript = nullptr;
    EXPECT_EQ(previewPages, 1);
    ASSERT_EQ(chart->PageOrientation(), QPageLayout::Landscape);
    EXPECT_EQ(previewTurn, QPageLayout::Landscape);
    EXPECT_TRUE(prompts.Of(Kind::Message).empty());

    // A chart window is no source of charts; the one-line command is off too.
    EXPECT_FALSE(window->Controls().mnuChart->isEnabled());
    EXPECT_FALSE(window->Controls().mnuShowOneLine->isEnabled());
}

TEST_F(ChartTest, FromAOneLineWindowTheSelectedAreasOldestFirst)
{
    Start();
    window->Controls().mnuReverse->trigger(); // newest first in the grids; the chart still runs forward
    frmDisplay *display = ShowTable("ZR5N", 2);
    ASSERT_NE(display, nullptr);
    display->SetCurrentCell(RowTitled(*display, LineTitle), 1);
    window->Controls().mnuShowOneLine->trigger();
    frmDisplay *oneLine = DisplayOf(window->MdiArea()->activeSubWindow());
    ASSERT_NE(oneLine, nullptr);
    ASSERT_EQ(oneLine->Tag(), tarvel::ChildKind::SOL);
    EXPECT_TRUE(window->Controls().mnuChart->isEnabled());

    // Rows 1, 3 and 56: the nation, Alabama and the first region; 54 and 55 are no areas.
    SelectRows(*oneLine, {56, 54, 1, 55, 3});
    window->Controls().mnuChart->trigger();
    frmChart *chart = ActiveChart();
    ASSERT_NE(chart, nullptr);
    ASSERT_EQ(chart->Data().Series.size(), 3u);
    EXPECT_EQ(chart->Data().Series[1].Area, 2);
    EXPECT_EQ(chart->Data().Series[2].Area, 53);
    EXPECT_LT(chart->Data().Labels.front(), chart->Data().Labels.back());
    EXPECT_EQ(QString::fromLatin1(oneLine->Data().Cell(0, 1)), QString::fromLatin1(chart->Data().Labels.back()));
    ExpectDrawnAsGrid(*chart, 0, oneLine->Data(), 1);
    ExpectDrawnAsGrid(*chart, 1, oneLine->Data(), 3);
    ExpectDrawnAsGrid(*chart, 2, oneLine->Data(), 56);

    // Asked again, the same chart comes forward.
    window->MdiArea()->setActiveSubWindow(window->MdiArea()->subWindowList()[1]);
    window->Controls().mnuChart->trigger();
    EXPECT_EQ(window->MdiArea()->subWindowList().size(), 3);
    EXPECT_EQ(ActiveChart(), chart);
}

TEST_F(ChartTest, WithheldValuesAreGapsNeverZero)
{
    Start();
    // The District of Columbia has no farms: its farm earnings are all (N).
    frmDisplay *display = ShowTable("ZR5N", 10, 2);
    ASSERT_NE(display, nullptr);
    const int farm = RowTitled(*display, QStringLiteral("Farm earnings"));
    ASSERT_GT(farm, 0);
    ASSERT_EQ(display->Data().Cell(farm, 1), "(N)");
    display->SetCurrentCell(farm, 2);
    window->Controls().mnuChart->trigger();
    frmChart *chart = ActiveChart();
    ASSERT_NE(chart, nullptr);
    for (const std::optional<double> &value : chart->DrawnValues(0))
        EXPECT_FALSE(value);
    EXPECT_EQ(chart->MarkedPointCount(), 0);
}

TEST_F(ChartTest, UnsuppressedChartsAreMarkedAndWarnBeforeSaving)
{
    Start({QStringLiteral("/UNSUPPRESSED")});
    frmDisplay *display = ShowTable("ZR5N", 10, 2);
    ASSERT_NE(display, nullptr);
    const int farm = RowTitled(*display, QStringLiteral("Farm earnings"));
    display->SetCurrentCell(farm, 1);
    window->Controls().mnuChart->trigger();
    frmChart *chart = ActiveChart();
    ASSERT_NE(chart, nullptr);
    EXPECT_TRUE(window->MdiArea()->activeSubWindow()->windowTitle().endsWith(QStringLiteral(" - chart UNSUPPRESSED")));
    EXPECT_EQ(chart->MarkedPointCount(), 8);
    ExpectDrawnAsGrid(*chart, 0, display->Data(), farm);
    EXPECT_TRUE(chart->ToolTipText(0, 0).endsWith(QStringLiteral(" * (withheld value)")));

    prompts.saveFileAnswers.push_back(OutputFile("secret.png"));
    prompts.dialogScript = [](QDialog &dialog) { static_cast<frmChartImage &>(dialog).cmdOK->click(); };
    chart->cmdSaveChart->trigger();
    prompts.dialogScript = nullptr;
    ASSERT_FALSE(prompts.records.empty());
    EXPECT_EQ(prompts.records[0].title, QStringLiteral("UNSUPPRESSED - FOR ZUL USE ONLY"));
    EXPECT_EQ(prompts.records[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(QFile::exists(OutputFile("secret.png")));
}

// ---- what cannot be charted -----------------------------------------------------------

TEST_F(ChartTest, HeadingRowAndTooManyAreasGiveAMessageAndNoWindow)
{
    Start();
    frmDisplay *display = ShowTable("ZR5N", 2);
    ASSERT_NE(display, nullptr);
    display->SetCurrentCell(1, 1); // "Income by place of residence"
    window->Controls().mnuChart->trigger();
    ASSERT_EQ(prompts.records.size(), 1u);
    EXPECT_EQ(prompts.records[0].title, QStringLiteral("Chart"));
    EXPECT_EQ(prompts.records[0].text, QStringLiteral("A heading row has no numbers to chart. Select one or more lines."));
    EXPECT_EQ(prompts.records[0].icon, QMessageBox::Information);
    EXPECT_EQ(window->MdiArea()->subWindowList().size(), 1);

    display->SetCurrentCell(RowTitled(*display, LineTitle), 1);
    window->Controls().mnuShowOneLine->trigger();
    frmDisplay *oneLine = DisplayOf(window->MdiArea()->activeSubWindow());
    ASSERT_NE(oneLine, nullptr);
    std::vector<int> rows;
    for (int r = 3; r <= 15; ++r)
        rows.push_back(r);
    SelectRows(*oneLine, rows);
    prompts.records.clear();
    window->Controls().cmdChart->click();
    ASSERT_EQ(prompts.records.size(), 1u);
    EXPECT_EQ(prompts.records[0].text,
              QStringLiteral("A chart compares up to 12 areas at once; 13 are selected. Select fewer areas."));
    EXPECT_EQ(window->MdiArea()->subWindowList().size(), 2);
}

// ---- keeping a chart ---------------------------------------------------------------

TEST_F(ChartTest, SavedAsPngAndSvgAndReadBack)
{
    Start();
    frmDisplay *display = ShowTable("ZR5N", 6, 2);
    ASSERT_NE(display, nullptr);
    display->SetCurrentCell(RowTitled(*display, LineTitle), 1);
    window->Controls().mnuChart->trigger();
    frmChart *chart = ActiveChart();
    ASSERT_NE(chart, nullptr);
    QCoreApplication::processEvents();

    // A PNG picture is the size the image dialog says: the chart's on
    // screen to start with, or any other, its shape kept.
    QSize offered;
    prompts.saveFileAnswers.push_back(OutputFile("chart.png"));
    prompts.dialogScript = [&offered](QDialog &dialog) {
        auto &size = static_cast<frmChartImage &>(dialog);
        offered = size.Size();
        size.cmdOK->click();
    };
    chart->cmdSaveChart->trigger();
    const QImage image(OutputFile("chart.png"));
    EXPECT_EQ(offered, chart->Image().size());
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), chart->Image().size());
    EXPECT_EQ(image.size(), chart->chtView->size() * chart->chtView->devicePixelRatio());
    EXPECT_GT(image.width(), 300);

    // No ending: the chosen filter decides, and the ending is added.
    prompts.saveFileAnswers.push_back(OutputFile("chart"));
    prompts.saveFilterAnswers.push_back(2);
    chart->cmdSaveChart->trigger();
    QFile svg(OutputFile("chart.svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    const QByteArray text = svg.readAll();
    EXPECT_TRUE(text.startsWith("<?xml")) << text.left(40).toStdString();
    EXPECT_TRUE(text.contains(LineTitle.toLatin1()));
    EXPECT_TRUE(prompts.Of(Kind::Message).empty());
    ASSERT_EQ(prompts.Of(Kind::SaveFileName).size(), 2u);
    EXPECT_EQ(prompts.Of(Kind::SaveFileName)[0].title, QStringLiteral("Save chart"));
}

TEST_F(ChartTest, CopiedAsAnImageAndPrintedThroughThePrintDialog)
{
    Start();
    frmDisplay *display = ShowTable("ZR1", 1, 2);
    ASSERT_NE(display, nullptr);
    SelectRows(*display, {1, 3, 4});
    window->Controls().mnuChart->trigger();
    frmChart *chart = ActiveChart();
    ASSERT_NE(chart, nullptr);
    ASSERT_EQ(chart->Data().Series.size(), 3u);
    QCoreApplication::processEvents();

    QGuiApplication::clipboard()->clear();
    window->Controls().mnuClip->trigger();
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_FALSE(copied.isNull());
    EXPECT_EQ(copied.size(), chart->Image().size());

    // An earlier file of the name is replaced; the new one gets the mode
    // any new file gets.
    const QString pdf = OutputFile("chart.pdf");
    {
        QFile earlier(pdf);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier");
    }
    ASSERT_EQ(::chmod(QFile::encodeName(pdf).constData(), 0644), 0);
    const mode_t mask = ::umask(022);
    prompts.dialogScript = [&pdf](QDialog &dialog) {
        auto *print = qobject_cast<frmPrint *>(&dialog);
        ASSERT_NE(print, nullptr);
        print->lblPrint->setText(QStringLiteral("Print to file = ") + pdf);
        print->cmdPrint->click();
    };
    window->Controls().mnuPrint->trigger();
    ::umask(mask);
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5) == "%PDF-");
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(pdf).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644u);
    EXPECT_TRUE(QDir(m_output.path()).entryList(QDir::Files) == QStringList{QStringLiteral("chart.pdf")})
        << "no part file left beside it";
    const auto messages = prompts.Of(Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("Printing completed"));
    EXPECT_EQ(messages[0].text, window->MdiArea()->activeSubWindow()->windowTitle() + QStringLiteral(" printed."));

    // A text or HTML file cannot hold a chart: said so, nothing written.
    const QString html = OutputFile("chart.htm");
    prompts.records.clear();
    prompts.dialogScript = [&html](QDialog &dialog) {
        auto *print = qobject_cast<frmPrint *>(&dialog);
        print->lblPrint->setText(QStringLiteral("Print to file = ") + html);
        print->cmdPrint->click();
    };
    chart->cmdPrintChart->trigger();
    ASSERT_EQ(prompts.Of(Kind::Message).size(), 1u);
    EXPECT_EQ(prompts.Of(Kind::Message)[0].title, QStringLiteral("Chart not printed"));
    EXPECT_FALSE(QFile::exists(html));
}

// "Export data..." writes the points drawn: a row per quarter, a column
// per line shown, the values as the grid shows them without group commas.
TEST_F(ChartTest, ExportDataWritesThePlottedPointsOfTheLinesShown)
{
    Start();
    frmDisplay *display = ShowTable("ZR5N", 6, 2);
    ASSERT_NE(display, nullptr);
    const int income = RowTitled(*display, LineTitle);
    SelectRows(*display, {income, income + 3});
    window->Controls().mnuChart->trigger();
    frmChart *chart = ActiveChart();
    ASSERT_NE(chart, nullptr);
    ASSERT_EQ(chart->Data().Series.size(), 2u);
    const tarvel::Grid &grid = display->Data();

    const auto exported = [this, chart](const QString &answer) {
        prompts.records.clear();
        prompts.saveFileAnswers.push_back(answer);
        chart->cmdExportData->trigger();
    };
    const auto read = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("<missing>");
    };
    // The rows as the grid shows them: oldest quarter first.
    const auto expected = [&grid, chart](const std::vector<int> &rows) {
        std::string text = "\"Quarter\"";
        for (const int row : rows)
            text += ",\"" + std::string(tarvel::Trim(grid.Cell(row, 0))) + "\"";
        text += "\r\n";
        for (const std::string &label : chart->Data().Labels) {
            text += "\"" + label + "\"";
            for (const int row : rows) {
                for (int c = 1; c < grid.Columns(); ++c) {
                    if (grid.Cell(0, c) != label)
                        continue;
                    std::string cell(tarvel::Trim(grid.Cell(row, c)));
                    std::erase(cell, ',');
                    text += "," + cell;
                }
            }
            text += "\r\n";
        }
        return text;
    };

    // No ending: ".csv" is added.
    exported(OutputFile("income"));
    EXPECT_EQ(read(OutputFile("income.csv")), expected({income, income + 3}));
    ASSERT_EQ(prompts.Of(Kind::SaveFileName).size(), 1u);
    EXPECT_EQ(prompts.Of(Kind::SaveFileName)[0].title, QStringLiteral("Export chart data"));
    EXPECT_TRUE(prompts.Of(Kind::Message).empty());

    // A hidden line is left out; an earlier file is replaced whole.
    chart->SetSeriesShown(0, false);
    exported(OutputFile("income.csv"));
    EXPECT_EQ(read(OutputFile("income.csv")), expected({income + 3}));

    // A file the program reads is never overwritten.
    const QString input = QStringLiteral(TARVEL_SAMPLE_DATA "/ZR1line.csv");
    const std::string before = read(input);
    exported(input);
    ASSERT_EQ(prompts.Of(Kind::Message).size(), 1u);
    EXPECT_EQ(prompts.Of(Kind::Message)[0].icon, QMessageBox::Critical);
    EXPECT_EQ(read(input), before);

    // A folder that cannot be written: said so, nothing reported done.
    exported(OutputFile("no-such-folder/income.csv"));
    ASSERT_EQ(prompts.Of(Kind::Message).size(), 1u);
    EXPECT_TRUE(prompts.Of(Kind::Message)[0].text.contains(QStringLiteral("NO-SUCH-FOLDER")))
        << prompts.Of(Kind::Message)[0].text.toStdString();
}

// A PNG picture the size asked for in the image dialog; cancelled, nothing.
TEST_F(ChartTest, SaveImageAtTheSizeAskedFor)
{
    Start();
    frmDisplay *display = ShowTable("ZR5N", 6, 2);
    ASSERT_NE(display, nullptr);
    display->SetCurrentCell(RowTitled(*display, LineTitle), 1);
    window->Controls().mnuChart->trigger();
    frmChart *chart = ActiveChart();
    ASSERT_NE(chart, nullptr);
    QCoreApplication::processEvents();

    prompts.saveFileAnswers.push_back(OutputFile("large.png"));
    prompts.dialogScript = [](QDialog &dialog) {
        auto &size = static_cast<frmChartImage &>(dialog);
        size.chkKeepShape->setChecked(false);
        size.spnWidth->setValue(2000);
        size.spnHeight->setValue(1200);
        size.cmdOK->click();
    };
    chart->cmdSaveChart->trigger();
    EXPECT_EQ(QImage(OutputFile("large.png")).size(), QSize(2000, 1200));

    prompts.saveFileAnswers.push_back(OutputFile("cancelled.png"));
    prompts.dialogScript = [](QDialog &dialog) { static_cast<frmChartImage &>(dialog).cmdCancel->click(); };
    chart->cmdSaveChart->trigger();
    prompts.dialogScript = nullptr;
    EXPECT_FALSE(QFile::exists(OutputFile("cancelled.png")));
    EXPECT_TRUE(prompts.Of(Kind::Message).empty());
}

// The chart's file dialogs open in the folder of the last output: one
// saved before, else the remembered export file's folder, never the home
// folder while there is one.
TEST_F(ChartTest, SaveAndExportOpenInTheLastOutputFolder)
{
    Start();
    frmDisplay *display = ShowTable("ZR5N", 6, 2);
    ASSERT_NE(display, nullptr);
    display->SetCurrentCell(RowTitled(*display, LineTitle), 1);
    window->Controls().mnuChart->trigger();
    frmChart *chart = ActiveChart();
    ASSERT_NE(chart, nullptr);
    const QString remembered = QDir(m_output.path()).filePath(QStringLiteral("exports"));
    ASSERT_TRUE(QDir().mkpath(remembered));
    window->Settings().WriteSetting(tarvel::SettingsKey("export"), "FileName",
                                    (remembered + QStringLiteral("/table.csv")).toStdString());

    chart->cmdExportData->trigger(); // cancelled
    const QString saved = QDir(m_output.path()).filePath(QStringLiteral("charts"));
    ASSERT_TRUE(QDir().mkpath(saved));
    prompts.saveFileAnswers.push_back(saved + QStringLiteral("/points.csv"));
    chart->cmdExportData->trigger();
    prompts.dialogScript = [](QDialog &dialog) { dialog.reject(); };
    chart->cmdSaveChart->trigger();
    prompts.dialogScript = nullptr;

    const auto asked = prompts.Of(Kind::SaveFileName);
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(QFileInfo(asked[0].initial).absolutePath(), remembered);
    EXPECT_EQ(QFileInfo(asked[1].initial).absolutePath(), remembered);
    EXPECT_EQ(QFileInfo(asked[2].initial).absolutePath(), saved);
    EXPECT_TRUE(asked[2].initial.endsWith(QStringLiteral("-chart.png")));
}

// Closing a chart by keyboard goes back to the window it was made from, not
// to the area's first window.
TEST_F(ChartTest, CtrlWOnAChartReturnsToItsSourceWindow)
{
    Start();
    frmDisplay *first = ShowTable("ZR5N", 6, 2);
    ASSERT_NE(first, nullptr);
    ShowTable("ZR5N", 7, 2); // California again, and Colorado next
    window->Controls().mnuView->trigger();
    frmDisplay *source = DisplayOf(window->MdiArea()->activeSubWindow());
    ASSERT_NE(source, nullptr);
    ASSERT_NE(source, first);
    QMdiArea *area = window->MdiArea();
    source->SetCurrentCell(RowTitled(*source, LineTitle), 1);
    window->Controls().mnuChart->trigger();
    QMdiSubWindow *chart = area->activeSubWindow();
    ASSERT_NE(ChartOf(chart), nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    chart->widget()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_W, Qt::ControlModifier);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(area->subWindowList().size(), 2);
    EXPECT_EQ(area->activeSubWindow(), source->parentWidget());
    EXPECT_EQ(QApplication::focusWidget(), source->grdData);
}

// ---- the window ---------------------------------------------------------------------

TEST_F(ChartTest, QuarterLabelsThinnedToFitAndTheWindowCommandsApply)
{
    Start();
    frmDisplay *display = ShowTable("ZR1", 1, tarvel::SelectQuartersEntry - 1); // all 241 quarters
    ASSERT_NE(display, nullptr);
    std::vector<int> rows{1};
    for (int r = 3; r <= 13; ++r)
        rows.push_back(r);
    SelectRows(*display, rows);
    window->Controls().mnuChart->trigger();
    frmChart *chart = ActiveChart();
    ASSERT_NE(chart, nullptr);
    ASSERT_EQ(chart->Data().Series.size(), 12u);
    ASSERT_EQ(chart->Data().Labels.size(), 241u);
    QCoreApplication::processEvents();

    const QStringList labels = chart->AxisLabels();
    ASSERT_GE(labels.size(), 2);
    EXPECT_LT(labels.size(), 241);
    EXPECT_EQ(labels.front(), QStringLiteral("1948.1"));
    // Neighbouring labels stand at least one label's width apart.
    const double plot = chart->Chart()->plotArea().width();
    const double spacing = plot / 240 * (tarvel::QuarterIndex(labels[1].toStdString(), "ZR1") - 1);
    EXPECT_GE(spacing, QFontMetricsF(chart->Chart()->axes(Qt::Horizontal).front()->labelsFont())
                           .horizontalAdvance(QStringLiteral("0000.0")));

    window->UpdateWindowMenu();
    bool listed = false;
    for (QAction *action : window->Controls().mnuWindow->actions())
        listed = listed || action->text().endsWith(QStringLiteral(" - chart"));
    EXPECT_TRUE(listed);
    window->Controls().mnuArrange[0]->trigger();
    window->Controls().mnuCloseAll->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->MdiArea()->subWindowList().isEmpty());
    EXPECT_FALSE(window->Controls().mnuChart->isEnabled());
}

} // namespace
