#include "viewer/main/frmMain.h"
#include "viewer/qt/qt_child_window.h"
#include "viewer/qt/qt_text.h"
#include "viewer/qt/qt_twips.h"
#include "core/selection/selection.h"
#include "core/catalog/file_helpers.h"
#include "viewer/display/frmDisplay.h"
#include "core/views/table_view_builder.h"
#include "viewer/print/frmPrint.h"
#include "viewer/print/qt_printer_target.h"
#include "viewer/qt/qt_progress.h"
#include "viewer/qt/qt_prompts.h"
#include "sample_data.h"
#include "scripted_prompts.h"
#include "viewer_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QFontMetrics>
#include <QLabel>
#include <QListView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

#include <memory>
#include <string>
#include <vector>

namespace {

using Kind = ScriptedPrompts::Kind;

const std::string PrintKey = tarvel::SettingsKey("print");

using tarvel::test::PdfPages;
using tarvel::test::TestChild;
using tarvel::test::TestGrid;
using tarvel::test::Tool;

QString PdfText(const QString &file, int page)
{
    const QString number = QString::number(page);
    return Tool(QStringLiteral("pdftotext"),
                {QStringLiteral("-layout"), QStringLiteral("-f"), number, QStringLiteral("-l"), number, file,
                 QStringLiteral("-")});
}

std::string ReadFile(const QString &path)
{
    return tarvel::ReadWholeFile(path.toStdString()).value_or("<missing>");
}

// The file's text without the comment line that holds the time of writing.
std::string WithoutTime(std::string text)
{
    const std::size_t at = text.find("<! -- document created ");
    if (at != std::string::npos)
        text.erase(at, text.find("\r\n", at) - at);
    return text;
}

class NullSink final : public tarvel::MessageSink {
public:
    void ShowMessage(tarvel::MessageIcon, const std::string &, const std::string &) override {}
};

class PrintTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_config.isValid() && m_program.isValid() && m_out.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
    }

    std::unique_ptr<frmMain> Start(const std::string &data = TARVEL_SAMPLE_DATA "/", const QStringList &args = {})
    {
        auto window = std::make_unique<frmMain>(prompts);
        window->SetProgramFolder(m_program.path().toStdString() + "/");
        window->SetDataFolderCandidates({data});
        window->Startup(args);
        prompts.records.clear();
        return window;
    }

    void PrintTo(frmMain &window, const QString &name, bool footnotes = false)
    {
        window.Settings().WriteSetting(PrintKey, "PrintToFile", "True");
        window.Settings().WriteSetting(PrintKey, "FileName", name.toStdString());
        window.Settings().WriteSetting(PrintKey, "Footnote", footnotes ? "True" : "False");
    }

    // The printer becomes a PDF printer writing file.
    static void UsePdfPrinter(frmMain &window, const QString &file)
    {
        window.Printer().setOutputFormat(QPrinter::PdfFormat);
        window.Printer().setOutputFileName(file);
        window.Settings().WriteSetting(PrintKey, "PrintToFile", "False");
        window.Settings().WriteSetting(PrintKey, "Footnote", "False");
    }

    static void Show(frmMain &window, TestChild *child)
    {
        QMdiSubWindow *sub = window.MdiArea()->addSubWindow(child);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->show();
        window.MdiArea()->setActiveSubWindow(sub);
    }

    static void ChooseAreas(frmMain &window, const std::vector<int> &areas)
    {
        window.ChooseAreas(tarvel::AreaFlagsFromChoice(areas));
    }

    void PressPrint()
    {
        prompts.dialogScript = [](QDialog &dialog) { static_cast<frmPrint &>(dialog).cmdPrint->click(); };
    }

    QString Out(const char *name) const { return m_out.path() + QLatin1Char('/') + QString::fromLatin1(name); }

    QTemporaryDir m_config;
    QTemporaryDir m_program;
    QTemporaryDir m_out;
    ScriptedPrompts prompts;
};

// ---- the print command --------------------------------------------------------

TEST_F(PrintTest, NothingDisplayedExplainsTheThreeCommands)
{
    auto window = Start();
    window->Controls().mnuPrint->trigger();
    ASSERT_EQ(prompts.records.size(), 1u);
    EXPECT_EQ(prompts.records[0].title, QStringLiteral("Cannot print current area"));
    EXPECT_EQ(prompts.records[0].icon, QMessageBox::Information);
    EXPECT_EQ(prompts.records[0].text,
              QStringLiteral("'Print active window...' is used to print the currently displayed table or document. "
                             "Nothing is displayed. Click on one of the arrow buttons, or select 'Display'. To print "
                             "all selected areas, select 'Print Table for selected areas...'"));
}

class CancelTest : public PrintTest, public testing::WithParamInterface<bool> {};

TEST_P(CancelTest, CancelOrCloseBoxPrintsNothingAndSaysNothing)
{
    auto window = Start();
    Show(*window, new TestChild(tarvel::PrintSnapshot::FromGrid(TestGrid(3, 2, "ZR4 Test ~ Here"))));
    PrintTo(*window, Out("out.txt"));
    window->PrintState().PrintFontSize = 8;
    const bool useButton = GetParam();
    prompts.dialogScript = [useButton](QDialog &dialog) {
        if (useButton)
            static_cast<frmPrint &>(dialog).cmdCancel->click();
    };
    window->RunPrint();
    ASSERT_EQ(prompts.Of(Kind::Dialog).size(), 1u);
    EXPECT_EQ(prompts.Of(Kind::Dialog)[0].title, QStringLiteral("Print ZR4 Test ~ Here"));
    EXPECT_TRUE(prompts.Of(Kind::Message).empty());
    EXPECT_EQ(window->PrintState().PrintFontSize, 0);
    EXPECT_FALSE(QFile::exists(Out("out.txt")));
}

INSTANTIATE_TEST_SUITE_P(Print, CancelTest, testing::Values(true, false));

class NoFileTest : public PrintTest, public testing::WithParamInterface<const char *> {};

TEST_P(NoFileTest, FileModeWithoutUsableNameIsAnError)
{
    auto window = Start();
    Show(*window, new TestChild(tarvel::PrintSnapshot::FromGrid(TestGrid(3, 2, "ZR4 Test ~ Here"))));
    PrintTo(*window, QString::fromLatin1(GetParam()));
    PressPrint();
    window->RunPrint();
    ASSERT_EQ(prompts.Of(Kind::Message).size(), 1u);
    const auto message = prompts.Of(Kind::Message)[0];
    EXPECT_EQ(message.title, QStringLiteral("ERROR"));
    EXPECT_EQ(message.icon, QMessageBox::Critical);
    EXPECT_EQ(message.text, QStringLiteral("No file selected for printing to file. Printing aborted. Select "
                                           "'Print' again to select an output printer or file."));
}

INSTANTIATE_TEST_SUITE_P(Print, NoFileTest, testing::Values("", "<none chosen>"));

// ---- the dialog -----------------------------------------------------------------

TEST_F(PrintTest, DialogOpensFromTheDefaultsWithItsLayout)
{
    auto window = Start();
    frmPrint dialog(window->PrintContext());
    EXPECT_EQ(dialog.lblPrint->text(), frmPrint::PrinterDisplayName(window->Printer()));
    EXPECT_EQ(dialog.lblFont->text(), QStringLiteral("Courier New,8"));
    EXPECT_TRUE(dialog.chkFootnote->isChecked());
    EXPECT_EQ(dialog.cmdPrint->geometry(), QRect(TwipsToPixelsX(135, &dialog), TwipsToPixelsY(2385, &dialog),
                                                 TwipsToPixelsX(2040, &dialog), TwipsToPixelsY(690, &dialog)));
    // "Copy as command" stands in a row of its own below the others.
    EXPECT_EQ(dialog.size(), QSize(TwipsToPixelsX(3765, &dialog), TwipsToPixelsY(3705, &dialog)));
    EXPECT_EQ(dialog.cmdCommand->geometry(), QRect(TwipsToPixelsX(135, &dialog), TwipsToPixelsY(3165, &dialog),
                                                   TwipsToPixelsX(3405, &dialog), TwipsToPixelsY(420, &dialog)));
    const std::vector<QWidget *> order{dialog.cmdPrint, dialog.cmdPSet, dialog.cmdFont, dialog.chkFootnote,
                                       dialog.cmdCancel, dialog.cmdCommand};
    for (std::size_t i = 0; i + 1 < order.size(); ++i)
        EXPECT_EQ(order[i]->nextInFocusChain(), order[i + 1]) << i;
}

struct SaveCase {
    const char *name;
    int index;
};
void PrintTo(const SaveCase &c, std::ostream *os)
{
    *os << c.name;
}

class SaveDialogTest : public PrintTest, public testing::WithParamInterface<SaveCase> {};

TEST_P(SaveDialogTest, ChosenFileStoresItsFilterEntry)
{
    auto window = Start();
    // The printer dialog's "print to file" leaves the printer writing a file.
    window->Printer().setOutputFormat(QPrinter::PdfFormat);
    window->Printer().setOutputFileName(Out("chosen.pdf"));
    const QString name = Out(GetParam().name);
    prompts.printerAnswers = {true};
    prompts.saveFileAnswers = {name};

    frmPrint dialog(window->PrintContext());
    dialog.cmdPSet->click();
    ASSERT_EQ(prompts.Of(Kind::SaveFileName).size(), 1u);
    EXPECT_EQ(prompts.Of(Kind::SaveFileName)[0].title, QStringLiteral("Select a file to receive print output"));
    EXPECT_EQ(prompts.Of(Kind::SaveFileName)[0].text,
              QStringLiteral("All files (*);;Text files (*.txt);;Web files (*.htm);;PDF files (*.pdf)"));
    // No pattern can give a name the literal extension ".*".
    EXPECT_FALSE(prompts.Of(Kind::SaveFileName)[0].text.contains(QStringLiteral("*.*")));
    EXPECT_EQ(dialog.lblPrint->text(), QStringLiteral("Print to file = ") + name);
    EXPECT_EQ(window->Settings().ReadSetting(PrintKey, "Index").Number(), GetParam().index);

    dialog.cmdPrint->click();
    EXPECT_TRUE(dialog.Options().PrintToFile);
    EXPECT_EQ(dialog.Options().PrintFileName, name.toStdString());
    EXPECT_EQ(dialog.Options().PrintFontSize, 8); // whatever the font label says
    frmPrint reopened(window->PrintContext());
    EXPECT_EQ(reopened.lblPrint->text(), QStringLiteral("Print to file = ") + name);
}

INSTANTIATE_TEST_SUITE_P(Print, SaveDialogTest,
                         testing::Values(SaveCase{"REPORT.HTM", 3}, SaveCase{"a.txt", 2}, SaveCase{"b.PDF", 4},
                                         SaveCase{"c.html", 1}));

TEST_F(PrintTest, CancelledSystemDialogsChangeNothing)
{
    auto window = Start();
    window->Printer().setOutputFileName(Out("chosen.pdf"));
    prompts.printerAnswers = {false, true}; // the second one is followed by a cancelled save dialog
    frmPrint dialog(window->PrintContext());
    const QString before = dialog.lblPrint->text();
    dialog.cmdPSet->click();
    dialog.cmdPSet->click();
    dialog.cmdFont->click();
    EXPECT_EQ(prompts.Of(Kind::SaveFileName).size(), 1u);
    EXPECT_EQ(dialog.lblPrint->text(), before);
    EXPECT_EQ(dialog.lblFont->text(), QStringLiteral("Courier New,8"));
}

struct FontCase {
    double points;
    const char *shown;
};
void PrintTo(const FontCase &c, std::ostream *os)
{
    *os << c.points;
}

class FontSizeTest : public PrintTest, public testing::WithParamInterface<FontCase> {};

TEST_P(FontSizeTest, ChosenSizeIsRoundedHalvesToEven)
{
    auto window = Start();
    QFont chosen(QStringLiteral("Liberation Mono"));
    chosen.setPointSizeF(GetParam().points);
    prompts.fontAnswers = {chosen, std::nullopt};
    frmPrint dialog(window->PrintContext());
    dialog.cmdFont->click();
    EXPECT_EQ(dialog.lblFont->text(), QStringLiteral("Liberation Mono,") + QString::fromLatin1(GetParam().shown));
    // Fixed pitch only; the next font dialog opens with this choice.
    dialog.cmdFont->click();
    const auto asked = prompts.Of(Kind::ChooseFont);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].text, QStringLiteral("fixed"));
    EXPECT_EQ(asked[1].title, QStringLiteral("Liberation Mono"));
    ASSERT_TRUE(window->FontDialogChoice().has_value());

    dialog.cmdPrint->click();
    EXPECT_FALSE(dialog.Options().PrintToFile);
    EXPECT_EQ(dialog.Options().PrintFontName, "Liberation Mono");
    EXPECT_EQ(dialog.Options().PrintFontSize, std::stoi(GetParam().shown));
    EXPECT_EQ(window->Settings().ReadSetting(PrintKey, "Size").Number(), std::stoi(GetParam().shown));
    frmPrint reopened(window->PrintContext());
    EXPECT_EQ(reopened.lblFont->text(), dialog.lblFont->text());
}

INSTANTIATE_TEST_SUITE_P(Print, FontSizeTest, testing::Values(FontCase{10.5, "10"}, FontCase{11.5, "12"}));

TEST_F(PrintTest, PrintWarnsWhenUnsuppressedAndKeepsTheFontWithoutAComma)
{
    auto window = Start(TARVEL_SAMPLE_DATA "/", {QStringLiteral("/UNSUPPRESSED")});
    frmPrint dialog(window->PrintContext());
    tarvel::PrintOptions before;
    before.PrintFontName = "Kept Face";
    before.PrintFontSize = 9;
    dialog.SetOptions(before);
    dialog.lblFont->setText(QStringLiteral("no comma"));
    dialog.chkFootnote->setChecked(false);
    dialog.cmdPrint->click();
    EXPECT_EQ(dialog.Options().PrintFontName, "Kept Face");
    EXPECT_EQ(dialog.Options().PrintFontSize, 9);
    EXPECT_FALSE(dialog.Options().IncludeFootnotes);
    EXPECT_EQ(window->Settings().ReadSetting(PrintKey, "Footnote").Text(), "False");
    const auto warnings = prompts.Messages(QStringLiteral("UNSUPPRESSED - FOR ZUL USE ONLY"));
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].text, QStringLiteral("You are printing unsuppressed data. Keep the printouts secure."));
    EXPECT_EQ(warnings[0].icon, QMessageBox::Warning);
}

// ---- printed pages ------------------------------------------------------------------

TEST_F(PrintTest, DisplayedTablePrintsToPdfFileAsOnPaper)
{
    auto window = Start();
    ChooseAreas(*window, {2});
    window->RunDisplay();
    auto *display = qobject_cast<frmDisplay *>(window->MdiArea()->currentSubWindow()->widget());
    ASSERT_NE(display, nullptr);
    const tarvel::Grid grid = display->Data();
    const QString pdf = Out("table.PDF");
    PrintTo(*window, pdf, true);
    PressPrint();
    window->RunPrint();
    prompts.messageAnswers = {QMessageBox::Yes};
    window->RunPrint(); // the second job replaces the file, as the user agrees
    EXPECT_EQ(prompts.Messages(QStringLiteral("Replace file")).size(), 1u);

    const auto done = prompts.Messages(QStringLiteral("Printing completed"));
    ASSERT_EQ(done.size(), 2u);
    EXPECT_EQ(done[0].text, QString::fromLatin1(grid.Caption.c_str()) + QStringLiteral(" printed."));
    EXPECT_EQ(PdfPages(pdf), 2); // the table, then the footnotes
    const QString page = PdfText(pdf, 1);
    EXPECT_TRUE(page.contains(QStringLiteral("QUARTERLY INCOME SUMMARY")));
    EXPECT_TRUE(page.contains(QStringLiteral("Alabama")));
    for (int c = 1; c < grid.Columns(); ++c)
        EXPECT_TRUE(page.contains(Latin1(grid.Cell(0, c)))) << c;
    EXPECT_TRUE(page.contains(Latin1(grid.Cell(1, grid.Columns() - 1))));
    EXPECT_TRUE(page.contains(QStringLiteral("Table ZR4")));
    EXPECT_TRUE(PdfText(pdf, 2).contains(QStringLiteral("Quarterly income summary")));
}

TEST_F(PrintTest, PagesRunDownThenAcrossOnThePrinter)
{
    auto window = Start();
    const QString pdf = Out("printer.pdf");
    UsePdfPrinter(*window, pdf);
    const tarvel::Grid grid = TestGrid(150, 14, "ZR5H Test ~ Pages");
    Show(*window, new TestChild(tarvel::PrintSnapshot::FromGrid(grid)));
    PressPrint();
    window->RunPrint();
    ASSERT_EQ(prompts.Messages(QStringLiteral("Printing completed")).size(), 1u);

    // The page plan of this printer and font, then each page's first cells.
    QtPrinterTarget measure(window->Printer(), QStringLiteral("Courier New"), 8);
    ASSERT_EQ(measure.Open(), tarvel::OpenResult::NewOutput);
    int titleWidth = 0;
    int cellWidth = 0;
    tarvel::MeasureGrid(grid, titleWidth, cellWidth);
    const auto geometry = measure.Geometry(titleWidth, cellWidth);
    ASSERT_TRUE(geometry.has_value());
    measure.EndOutput();
    const auto plan = tarvel::PagePlan(150, 14, *geometry);
    ASSERT_GT(plan.size(), 2u);
    ASSERT_EQ(PdfPages(pdf), static_cast<int>(plan.size()));
    for (std::size_t p = 0; p < plan.size(); ++p) {
        const QString page = PdfText(pdf, static_cast<int>(p) + 1);
        // The band's first row begins with its first column; its last row
        // ends with its last column.
        const QRegularExpression first(QStringLiteral("^Row %1 +%1\\.%2 ").arg(plan[p].FirstRow).arg(plan[p].FirstColumn),
                                       QRegularExpression::MultilineOption);
        const QRegularExpression last(QStringLiteral("^Row %1 .* %1\\.%2$").arg(plan[p].LastRow).arg(plan[p].LastColumn),
                                      QRegularExpression::MultilineOption);
        EXPECT_TRUE(page.contains(first) && page.contains(last)) << p << page.toStdString();
        EXPECT_TRUE(page.contains(QStringLiteral("Pages\n"))) << p;
    }
}

TEST_F(PrintTest, DocumentPrintsWithoutTheFootnoteBox)
{
    auto window = Start();
    const QString pdf = Out("doc.pdf");
    UsePdfPrinter(*window, pdf);
    Show(*window, new TestChild(tarvel::PrintSnapshot::FromDocument("Regions", "Region one\r\nRegion two",
                                                                    tarvel::ChildKind::Document)));
    bool boxShown = true;
    prompts.dialogScript = [&boxShown](QDialog &dialog) {
        auto &print = static_cast<frmPrint &>(dialog);
        boxShown = print.chkFootnote->isVisible();
        print.cmdPrint->click();
    };
    window->RunPrint();
    EXPECT_FALSE(boxShown);
    const QString text = PdfText(pdf, 1);
    EXPECT_TRUE(text.contains(QStringLiteral("Regions")) && text.contains(QStringLiteral("Region two"))) << text.toStdString();
}

TEST_F(PrintTest, ExistingPdfIsReplacedOnlyWhenTheUserSaysSo)
{
    auto window = Start();
    const QString pdf = Out("regions.pdf");
    {
        QFile earlier(pdf);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("an earlier print of many pages");
    }
    // The name in other letters still finds the file.
    PrintTo(*window, Out("REGIONS.PDF"));
    PressPrint();
    Show(*window, new TestChild(
                      tarvel::PrintSnapshot::FromDocument("Regions", "Region one", tarvel::ChildKind::Document)));

    // Enter answers No: nothing is replaced.
    window->RunPrint();
    const auto asked = prompts.Messages(QStringLiteral("Replace file"));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].icon, QMessageBox::Question);
    EXPECT_EQ(asked[0].defaultButton, QMessageBox::No);
    EXPECT_TRUE(asked[0].text.contains(Out("REGIONS.PDF")));
    EXPECT_EQ(ReadFile(pdf), "an earlier print of many pages");
    EXPECT_TRUE(prompts.Messages(QStringLiteral("Printing completed")).empty());

    // Print-all asks once for its whole run.
    ChooseAreas(*window, {2, 3});
    prompts.messageAnswers = {QMessageBox::No};
    window->RunPrintAll();
    EXPECT_EQ(prompts.Messages(QStringLiteral("Replace file")).size(), 2u);
    EXPECT_EQ(ReadFile(pdf), "an earlier print of many pages");

    prompts.messageAnswers = {QMessageBox::Yes};
    window->RunPrint();
    EXPECT_EQ(prompts.Messages(QStringLiteral("Replace file")).size(), 3u);
    EXPECT_EQ(prompts.Messages(QStringLiteral("Printing completed")).size(), 1u);
    EXPECT_TRUE(PdfText(pdf, 1).contains(QStringLiteral("Region one")));

    // A new file is written without a question.
    PrintTo(*window, Out("new.pdf"));
    window->RunPrint();
    EXPECT_EQ(prompts.Messages(QStringLiteral("Replace file")).size(), 3u);
    EXPECT_EQ(PdfPages(Out("new.pdf")), 1);
}

TEST_F(PrintTest, PdfFilePrintsInTheFontAndSizeTheDialogShows)
{
    auto window = Start();
    const QString pdf = Out("big.pdf");
    PrintTo(*window, pdf);
    window->Settings().WriteSetting(PrintKey, "Font", "Liberation Mono");
    window->Settings().WriteSetting(PrintKey, "Size", "16");
    QString shown;
    prompts.dialogScript = [&shown](QDialog &dialog) {
        auto &print = static_cast<frmPrint &>(dialog);
        shown = print.lblFont->text();
        print.cmdPrint->click();
    };
    Show(*window, new TestChild(tarvel::PrintSnapshot::FromDocument("Sizes", "WIDE", tarvel::ChildKind::Document)));
    window->RunPrint();
    EXPECT_EQ(shown, QStringLiteral("Liberation Mono,16"));
    EXPECT_EQ(window->PrintState().PrintFontSize, 16);
    EXPECT_EQ(window->PrintState().PrintFontName, "Liberation Mono");
    EXPECT_EQ(window->Settings().ReadSetting(PrintKey, "Size").Text(), "16");
    // The word's box on the page is as tall as 16 points, not 8.
    const QString boxes = Tool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    const QRegularExpression word(QStringLiteral("yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" yMax=\"([0-9.]+)\">WIDE<"));
    const QRegularExpressionMatch match = word.match(boxes);
    ASSERT_TRUE(match.hasMatch()) << boxes.toStdString();
    EXPECT_GT(match.captured(2).toDouble() - match.captured(1).toDouble(), 14.0);
}

TEST_F(PrintTest, LongDocumentLinesWrapOnThePage)
{
    auto window = Start();
    const QString pdf = Out("regions.pdf");
    UsePdfPrinter(*window, pdf);
    std::string states;
    for (int i = 0; i < 40; ++i)
        states += "State" + std::to_string(i) + ", ";
    states += "Tennessee, Virginia";
    Show(*window, new TestChild(tarvel::PrintSnapshot::FromDocument("ZUL Regions", "Southeast: " + states + "\r\nEnd",
                                                                    tarvel::ChildKind::Document)));
    PressPrint();
    window->RunPrint();
    const QString text = PdfText(pdf, 1);
    ASSERT_TRUE(text.contains(QStringLiteral("Southeast:"))) << text.toStdString();
    // Every word is on the page, the last ones on a later line than the first.
    for (const char *word : {"State0,", "State20,", "State39,", "Tennessee,", "Virginia", "End"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(word))) << word << "\n" << text.toStdString();
    const QStringList lines = text.split(QLatin1Char('\n'));
    const auto lineOf = [&lines](const QString &word) {
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (lines[i].contains(word))
                return i;
        }
        return qsizetype(-1);
    };
    EXPECT_GT(lineOf(QStringLiteral("Virginia")), lineOf(QStringLiteral("Southeast:")));
}

TEST(WrapToWidth, BreaksAfterBlanksAndLosesNothing)
{
    const auto chars = [](const QString &text) { return static_cast<double>(text.size()); };
    EXPECT_EQ(WrapToWidth(QStringLiteral("short"), 10, 10, chars), QStringList{QStringLiteral("short")});
    // A blank right after the room ends stays with its line, unseen.
    EXPECT_EQ(WrapToWidth(QStringLiteral("alpha beta gamma"), 10, 10, chars),
              (QStringList{QStringLiteral("alpha beta "), QStringLiteral("gamma")}));
    EXPECT_EQ(WrapToWidth(QStringLiteral("alpha beta gamma"), 8, 8, chars),
              (QStringList{QStringLiteral("alpha "), QStringLiteral("beta "), QStringLiteral("gamma")}));
    // A word longer than the line is cut where the line ends.
    EXPECT_EQ(WrapToWidth(QStringLiteral("abcdefghijkl"), 5, 5, chars),
              (QStringList{QStringLiteral("abcde"), QStringLiteral("fghij"), QStringLiteral("kl")}));
    // The first piece has only the room left after the text before it.
    EXPECT_EQ(WrapToWidth(QStringLiteral("ab cd"), 3, 10, chars),
              (QStringList{QStringLiteral("ab "), QStringLiteral("cd")}));
    EXPECT_EQ(WrapToWidth(QStringLiteral("abcdef"), 0, 10, chars), (QStringList{QString(), QStringLiteral("abcdef")}));
}

TEST_F(PrintTest, LongOutputPathKeepsItsFileNameOnScreen)
{
    auto window = Start();
    const QString deep = QStringLiteral("/home/someone/a/very/long/folder/of/reports/for/the/quarter/and/more/");
    PrintTo(*window, deep + QStringLiteral("regions.pdf"));
    frmPrint dialog(window->PrintContext());
    // The dialog's state is the whole path; the label shows its end.
    EXPECT_EQ(dialog.lblPrint->text(), QStringLiteral("Print to file = ") + deep + QStringLiteral("regions.pdf"));
    const QString shown = dialog.ShownOutput();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("regions.pdf"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    const QFontMetrics metrics(dialog.lblPrint->font());
    for (const QString &line : shown.split(QLatin1Char('\n')))
        EXPECT_LE(metrics.horizontalAdvance(line), dialog.lblPrint->contentsRect().width()) << line.toStdString();

    // The rule itself: the folder's start, an ellipsis, the file name.
    const QString path = QStringLiteral("/srv/share/quarterly/output/print.htm");
    const QString cut = ElideKeepingFileName(path, metrics, metrics.horizontalAdvance(QStringLiteral("/srv/share/") + QChar(0x2026) + QStringLiteral("/print.htm")));
    EXPECT_TRUE(cut.startsWith(QStringLiteral("/srv/"))) << cut.toStdString();
    EXPECT_TRUE(cut.endsWith(QChar(0x2026) + QStringLiteral("/print.htm"))) << cut.toStdString();
    EXPECT_EQ(ElideKeepingFileName(path, metrics, 10000), path);
}

TEST_F(PrintTest, FontTooLargeLeavesNoJob)
{
    auto window = Start();
    const QString pdf = Out("printer.pdf");
    UsePdfPrinter(*window, pdf);
    Show(*window, new TestChild(tarvel::PrintSnapshot::FromGrid(TestGrid(3, 1, "ZR4 Test ~ Big"))));
    QFont big(QStringLiteral("Liberation Mono"));
    big.setPointSize(200);
    prompts.fontAnswers = {big};
    prompts.dialogScript = [](QDialog &dialog) {
        auto &print = static_cast<frmPrint &>(dialog);
        print.cmdFont->click();
        print.cmdPrint->click();
    };
    window->RunPrint();
    ASSERT_EQ(prompts.Of(Kind::Message).size(), 1u);
    const auto message = prompts.Of(Kind::Message)[0];
    EXPECT_EQ(message.title, QStringLiteral("Font too large"));
    EXPECT_EQ(message.icon, QMessageBox::Warning);
    EXPECT_EQ(message.text, QStringLiteral("The chosen printer font is too large. Please select 'Print active "
                                           "window...' again, and select a smaller font by hitting the 'Change "
                                           "Font' button."));
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(PrintTest, PrinterThatIsNotSetUpIsReportedNotCompleted)
{
    auto window = Start();
    UsePdfPrinter(*window, QString()); // a PDF printer without a file: nothing to print on
    Show(*window, new TestChild(tarvel::PrintSnapshot::FromGrid(TestGrid(3, 1, "ZR4 Test ~ Nowhere"))));
    PressPrint();
    window->RunPrint();
    ASSERT_EQ(prompts.Of(Kind::Message).size(), 1u);
    EXPECT_EQ(prompts.Of(Kind::Message)[0].title, QStringLiteral("Printer not available"));
}

TEST_F(PrintTest, NoDataColumnsAndMissingFootnotesEndTheJobWithItsOnePage)
{
    auto window = Start();
    const QString pdf = Out("printer.pdf");
    UsePdfPrinter(*window, pdf);
    window->Settings().WriteSetting(PrintKey, "Footnote", "True");
    Show(*window, new TestChild(tarvel::PrintSnapshot::FromGrid(TestGrid(3, 0, "ZR9 Test ~ Bare"))));
    PressPrint();
    window->RunPrint();
    const auto messages = prompts.Of(Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("File not accessible"));
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("ZR9FN.TXT")));
    ASSERT_EQ(PdfPages(pdf), 1);
    EXPECT_TRUE(PdfText(pdf, 1).contains(QStringLiteral("Row 3")));
}

// ---- print all areas -----------------------------------------------------------------

TEST_F(PrintTest, PrintAllToHtmlIsTheCoresRunAndRestoresTheArea)
{
    auto window = Start();
    ChooseAreas(*window, {2, 5, 9});
    window->RunDisplay(); // the user's own window, of area 2
    ASSERT_EQ(window->State().CurrentArea, 2);
    const QString html = Out("all.htm");
    PrintTo(*window, html, true);
    PressPrint();
    window->RunPrintAll();

    EXPECT_EQ(prompts.Of(Kind::Dialog)[0].title, QStringLiteral("Print all areas for table ZR4"));
    const auto done = prompts.Messages(QStringLiteral("Printing completed"));
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].text, QStringLiteral("All areas printed."));
    EXPECT_EQ(prompts.Of(Kind::Message).size(), 1u);
    EXPECT_EQ(window->State().CurrentArea, 2);
    EXPECT_FALSE(window->State().PrintAllMode);
    EXPECT_EQ(window->MdiArea()->subWindowList().size(), 1);

    // The same choice through the core alone.
    tarvel::TableViewRequest request;
    request.Paths = window->State().Paths();
    request.Code = "ZR4";
    request.QuarterSelected = window->State().QuarterSelected;
    request.PrintAllMode = true;
    tarvel::PrintOptions options;
    options.PrintToFile = true;
    options.PrintFileName = Out("core.htm").toStdString();
    options.PrintFontSize = 8;
    options.IncludeFootnotes = true;
    auto target = tarvel::MakeFileTarget(options.PrintFileName);
    NullSink sink;
    const auto summary = tarvel::PrintAllAreas(
        {2, 5, 9},
        [&request](int area) {
            request.CurrentArea = area;
            return tarvel::BuildTableView(request);
        },
        *target, options, request.Paths, sink);
    ASSERT_EQ(summary.Printed, 3);
    EXPECT_EQ(WithoutTime(ReadFile(html)), WithoutTime(ReadFile(Out("core.htm"))));
}

TEST_F(PrintTest, PrintAllRunsInAreaOrderAfterPrevious)
{
    auto window = Start();
    ChooseAreas(*window, {2, 3, 5});
    window->Controls().cmdPrev->click(); // displays the last chosen area, stepping backwards
    ASSERT_FALSE(window->State().ViewForward);
    const QString text = Out("all.txt");
    PrintTo(*window, text);
    PressPrint();
    window->RunPrintAll();
    // Area 2, then 3, then 5, whatever arrow was pressed before.
    const std::string printed = ReadFile(text);
    std::vector<std::size_t> places;
    for (const int area : {2, 3, 5}) {
        places.push_back(printed.find(tarvel::sample::Areas()[static_cast<std::size_t>(area - 1)].name));
        ASSERT_NE(places.back(), std::string::npos) << area;
    }
    EXPECT_TRUE(std::is_sorted(places.begin(), places.end()));
    EXPECT_FALSE(window->State().ViewForward); // the arrows step as before
}

TEST_F(PrintTest, PrintAllToThePrinterIsOneJobWithFootnotesLast)
{
    auto window = Start();
    ChooseAreas(*window, {2, 3, 4});
    const QString pdf = Out("printer.pdf");
    UsePdfPrinter(*window, pdf);
    window->Settings().WriteSetting(PrintKey, "Footnote", "True");
    PressPrint();
    window->RunPrintAll();
    EXPECT_EQ(prompts.Messages(QStringLiteral("Printing completed")).size(), 1u);
    ASSERT_EQ(PdfPages(pdf), 4); // one page an area, then the footnotes; no empty last page
    EXPECT_TRUE(PdfText(pdf, 3).contains(QString::fromStdString(tarvel::sample::Areas()[3].name)));
    EXPECT_TRUE(PdfText(pdf, 4).contains(QStringLiteral("Quarterly income summary")));
}

TEST_F(PrintTest, PrintAllWithoutDataClaimsNoSuccess)
{
    QTemporaryDir data;
    tarvel::sample::Options sample;
    sample.tables = {"ZR4"};
    ASSERT_EQ(tarvel::sample::WriteSampleFolder(data.path().toStdString() + "/", sample), "");
    auto window = Start(data.path().toStdString() + "/");
    ChooseAreas(*window, {2, 3});
    ASSERT_TRUE(QFile::remove(data.path() + QStringLiteral("/ZR4.dfx")));
    const QString text = Out("none.txt");
    PrintTo(*window, text);
    PressPrint();
    window->RunPrintAll();
    EXPECT_EQ(prompts.Messages(QStringLiteral("File not accessible")).size(), 2u);
    EXPECT_TRUE(prompts.Messages(QStringLiteral("Printing completed")).empty());
    EXPECT_FALSE(QFile::exists(text));
}

struct CheckCase {
    int missing; // 2 table, 3 areas, 4 quarter entry
    const char *title;
    const char *text;
};
void PrintTo(const CheckCase &c, std::ostream *os)
{
    *os << c.title;
}

class PrintAllCheckTest : public PrintTest, public testing::WithParamInterface<CheckCase> {};

TEST_P(PrintAllCheckTest, MissingChoiceIsAskedFor)
{
    auto window = Start();
    ChooseAreas(*window, {2});
    if (GetParam().missing == 2)
        window->State().TableCode.clear();
    if (GetParam().missing == 3)
        window->ChooseAreas({});
    if (GetParam().missing == 4)
        window->ChooseQuarters({});
    window->Controls().mnuPrintAll->trigger();
    ASSERT_EQ(prompts.records.size(), 1u);
    EXPECT_EQ(prompts.records[0].title, QString::fromLatin1(GetParam().title));
    EXPECT_EQ(prompts.records[0].text, QString::fromLatin1(GetParam().text));
    EXPECT_EQ(prompts.records[0].icon, QMessageBox::Information);
}

INSTANTIATE_TEST_SUITE_P(
    Print, PrintAllCheckTest,
    testing::Values(CheckCase{2, "Select table", "Please select a table.\r\nfrom the Table box."},
                    CheckCase{3, "Select States", "Please select one or more States."},
                    CheckCase{4, "Select years", "Please make a year selection from the Years box."}));

// ---- print-all progress, the print file's dialogs -----------------------------

struct CancelRunCase {
    const char *title;
    const char *file;     // the output file
    const char *earlier;  // what it held before the run; nullptr: no file
    const char *outcome;  // the end of the closing message
};

void PrintTo(const CancelRunCase &c, std::ostream *os)
{
    *os << c.title;
}

class CancelledRunTest : public PrintTest, public testing::WithParamInterface<CancelRunCase> {};

TEST_P(CancelledRunTest, CancelLeavesTheFileAsItWasAndSaysSo)
{
    auto window = Start();
    ChooseAreas(*window, {2, 3, 4});
    const QString file = Out(GetParam().file);
    if (GetParam().earlier) {
        QFile earlier(file);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write(GetParam().earlier);
    }
    PrintTo(*window, file);
    PressPrint();
    prompts.messageAnswers = {QMessageBox::Yes}; // replace an existing PDF
    prompts.cancelProgressAt = 1;
    window->RunPrintAll();

    // Each step names the area about to be printed; Cancel came at the second.
    const auto name = [](int i) { return QString::fromStdString(tarvel::sample::Areas()[i].name); };
    ASSERT_EQ(prompts.progressSteps.size(), 2);
    EXPECT_TRUE(prompts.progressSteps[0].startsWith(QStringLiteral("0/3 Printing ") + name(1)));
    EXPECT_TRUE(prompts.progressSteps[0].endsWith(QStringLiteral(" (1 of 3)")));
    EXPECT_TRUE(prompts.progressSteps[1].startsWith(QStringLiteral("1/3 Printing ") + name(2)));
    EXPECT_TRUE(prompts.progressSteps[1].endsWith(QStringLiteral(" (2 of 3)")));
    ASSERT_EQ(prompts.Of(Kind::Progress).size(), 1u);
    EXPECT_EQ(prompts.Of(Kind::Progress)[0].title, QStringLiteral("Print all areas for table ZR4"));
    EXPECT_EQ(prompts.Of(Kind::Progress)[0].topic, 3);
    if (GetParam().earlier)
        EXPECT_EQ(ReadFile(file), GetParam().earlier);
    else
        EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(prompts.Messages(QStringLiteral("Printing completed")).empty());
    const auto said = prompts.Messages(QStringLiteral("Printing cancelled"));
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0].text, QStringLiteral("Printing was cancelled. The file ") + file
                                + QString::fromLatin1(GetParam().outcome));
    // Nothing of the run is left behind in the folder.
    EXPECT_EQ(QDir(m_out.path()).entryList(QDir::Files | QDir::Hidden).size(), GetParam().earlier ? 1 : 0);
    EXPECT_FALSE(window->State().PrintAllMode);
}

INSTANTIATE_TEST_SUITE_P(
    Print, CancelledRunTest,
    testing::Values(CancelRunCase{"TextAppendedTo", "all.txt", "an earlier print\r\n", " was left as it was."},
                    CancelRunCase{"NewText", "new.txt", nullptr, " was not written."},
                    CancelRunCase{"HtmlAppendedTo", "all.htm", "<p>earlier</p>\r\n", " was left as it was."},
                    CancelRunCase{"PdfReplaced", "all.pdf", "an earlier PDF", " was left as it was."},
                    CancelRunCase{"NewPdf", "new.pdf", nullptr, " was not written."}),
    [](const testing::TestParamInfo<CancelRunCase> &info) { return std::string(info.param.title); });

TEST_F(PrintTest, CancelledRunToThePrinterStopsAndSaysWhatWasSent)
{
    auto window = Start();
    ChooseAreas(*window, {2, 3, 4});
    const QString pdf = Out("printer.pdf");
    UsePdfPrinter(*window, pdf);
    PressPrint();
    prompts.cancelProgressAt = 1;
    window->RunPrintAll();
    EXPECT_EQ(prompts.progressSteps.size(), 2);
    const auto said = prompts.Messages(QStringLiteral("Printing cancelled"));
    ASSERT_EQ(said.size(), 1u);
    // The pages drawn before Cancel are the printer's already: it is told so.
    EXPECT_EQ(said[0].text, QStringLiteral("Printing was cancelled. The pages printed before that go to the printer."));
    EXPECT_EQ(PdfPages(pdf), 1);
    // The printer is whole for the next job.
    prompts.cancelProgressAt = -1;
    window->RunPrintAll();
    EXPECT_EQ(prompts.Messages(QStringLiteral("Printing completed")).size(), 1u);
    EXPECT_EQ(PdfPages(pdf), 3);
}

TEST_F(PrintTest, UncancelledRunStepsThroughEveryArea)
{
    auto window = Start();
    ChooseAreas(*window, {2, 5});
    const QString pdf = Out("all.pdf");
    PrintTo(*window, pdf);
    PressPrint();
    window->RunPrintAll();
    ASSERT_EQ(prompts.progressSteps.size(), 2);
    EXPECT_TRUE(prompts.progressSteps[1].startsWith(QStringLiteral("1/2 Printing ")));
    EXPECT_EQ(prompts.Messages(QStringLiteral("Printing completed")).size(), 1u);
    EXPECT_EQ(PdfPages(pdf), 2);
}

TEST(QtProgressDialog, NamesTheStepAndStopsOnCancel)
{
    QtProgress progress(nullptr, QStringLiteral("Print all areas for table ZR4"), 60);
    QProgressDialog &dialog = progress.Dialog();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Print all areas for table ZR4"));
    EXPECT_EQ(dialog.maximum(), 60);
    EXPECT_EQ(dialog.minimumDuration(), QtProgress::ShowAfter);
    EXPECT_TRUE(progress.Step(0, QStringLiteral("Printing Alabama (1 of 60)")));
    // A quick job never shows it.
    EXPECT_FALSE(dialog.isVisible());
    auto *label = dialog.findChild<QLabel *>(QStringLiteral("lblProgress"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("Printing Alabama (1 of 60)"));
    EXPECT_TRUE(progress.Step(59, QStringLiteral("Printing Wyoming (60 of 60)")));
    EXPECT_EQ(dialog.value(), 59);
    dialog.cancel();
    EXPECT_FALSE(progress.Step(60, QStringLiteral("Printing past the end")));
    EXPECT_EQ(label->text(), QStringLiteral("Printing past the end"));
}

struct AppendNoteCase {
    const char *title;
    const char *file;
    bool exists;
    bool note; // the dialog says the print is added to the file
};

void PrintTo(const AppendNoteCase &c, std::ostream *os)
{
    *os << c.title;
}

class AppendNoteTest : public PrintTest, public testing::WithParamInterface<AppendNoteCase> {};

TEST_P(AppendNoteTest, ExistingTextOrHtmlFileIsSaidToBeAddedTo)
{
    auto window = Start();
    const QString file = Out(GetParam().file);
    if (GetParam().exists) {
        QFile earlier(file);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier");
    }
    // Chosen in the save dialog, which asks nothing of an existing file.
    window->Printer().setOutputFormat(QPrinter::PdfFormat);
    window->Printer().setOutputFileName(Out("chosen.pdf"));
    prompts.printerAnswers = {true};
    prompts.saveFileAnswers = {file};
    frmPrint dialog(window->PrintContext());
    EXPECT_TRUE(dialog.lblAppend->isHidden());
    const int plainHeight = dialog.height();
    dialog.cmdPSet->click();
    ASSERT_EQ(prompts.Of(Kind::SaveFileName).size(), 1u);
    EXPECT_FALSE(prompts.Of(Kind::SaveFileName)[0].confirmsReplace);
    EXPECT_EQ(!dialog.lblAppend->isHidden(), GetParam().note);
    EXPECT_EQ(dialog.height() > plainHeight, GetParam().note);
    EXPECT_EQ(dialog.lblAppend->text(), QStringLiteral("This file exists: the print will be added to its end."));
    dialog.cmdPrint->click();

    // Opened again on the stored file, it says the same.
    frmPrint reopened(window->PrintContext());
    EXPECT_EQ(!reopened.lblAppend->isHidden(), GetParam().note);
}

INSTANTIATE_TEST_SUITE_P(Print, AppendNoteTest,
                         testing::Values(AppendNoteCase{"ExistingText", "a.txt", true, true},
                                         AppendNoteCase{"ExistingHtml", "b.HTM", true, true},
                                         AppendNoteCase{"ExistingPdf", "c.pdf", true, false},
                                         AppendNoteCase{"NewText", "d.txt", false, false}),
                         [](const testing::TestParamInfo<AppendNoteCase> &info) { return std::string(info.param.title); });

TEST(PrinterFontDialog, OpensOnTheRegularStyleAndOffersNoOther)
{
    QFont slanted(QStringLiteral("Monospace"), 11);
    slanted.setStyle(QFont::StyleOblique);
    slanted.setWeight(QFont::Bold);
    const QFont regular = RegularStyleOf(slanted);
    EXPECT_EQ(regular.style(), QFont::StyleNormal);
    EXPECT_EQ(regular.weight(), QFont::Normal);
    EXPECT_EQ(regular.pointSize(), 11);
    EXPECT_EQ(regular.family(), slanted.family());

    const std::unique_ptr<QFontDialog> dialog = MakeFontDialog(slanted, true);
    EXPECT_EQ(dialog->currentFont().style(), QFont::StyleNormal);
    EXPECT_EQ(dialog->currentFont().pointSize(), 11);
    dialog->show();
    const QList<QListView *> lists = dialog->findChildren<QListView *>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(lists.size(), 3);
    EXPECT_FALSE(lists[1]->isVisible()); // the styles
    EXPECT_TRUE(lists[0]->isVisible());  // the faces
    EXPECT_TRUE(lists[2]->isVisible());  // the sizes
    // The sample box shows its sample: without the effects box beside it,
    // it would keep no height for it.
    QCoreApplication::processEvents();
    const QLineEdit *sample = nullptr;
    for (const QLineEdit *edit : dialog->findChildren<QLineEdit *>()) {
        if (qobject_cast<const QGroupBox *>(edit->parentWidget()))
            sample = edit;
    }
    ASSERT_NE(sample, nullptr);
    EXPECT_FALSE(sample->text().isEmpty());
    EXPECT_GE(sample->height(), sample->fontMetrics().height()) << sample->height();
    dialog->hide();
}

TEST(PrinterDialog, HasNoFileFieldOfItsOwn)
{
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QDir::temp().filePath(QStringLiteral("ignored.pdf")));
    const std::unique_ptr<QPrintDialog> dialog = MakePrinterDialog(printer);
    dialog->show();
    QCoreApplication::processEvents();
    auto *field = dialog->findChild<QWidget *>(QStringLiteral("filename"));
    ASSERT_NE(field, nullptr);
    EXPECT_FALSE(field->isVisible());
    // Choosing another printer entry (print to file among them) keeps it hidden.
    if (auto *printers = dialog->findChild<QComboBox *>(QStringLiteral("printers"))) {
        for (int i = 0; i < printers->count(); ++i) {
            printers->setCurrentIndex(i);
            EXPECT_FALSE(field->isVisible()) << printers->itemText(i).toStdString();
        }
    }
    dialog->hide();
}

} // namespace
