// The print preview: Qt's preview dialog drawn by the printer target, for
// the active window and for print-all. Its page count must be the printed
// page count, and printing from it prints the same pages.
#include "viewer/main/frmMain.h"
#include "viewer/qt/qt_child_window.h"
#include "core/selection/selection.h"
#include "core/settings/settings_store.h"
#include "sample_data.h"
#include "scripted_prompts.h"
#include "viewer_fixture.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Kind = ScriptedPrompts::Kind;

const std::string PrintKey = tarvel::SettingsKey("print");

using tarvel::test::PdfPages;
using tarvel::test::TestChild;
using tarvel::test::TestGrid;

class PrintPreviewTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_config.isValid() && m_program.isValid() && m_out.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        window = std::make_unique<frmMain>(prompts);
        window->SetProgramFolder(m_program.path().toStdString() + "/");
        window->SetDataFolderCandidates({TARVEL_SAMPLE_DATA "/"});
        window->Startup({});
        prompts.records.clear();
    }

    // The printer becomes a PDF printer writing file ("" none yet, as on a
    // machine without a printer); jobs use it, not a file of their own.
    void UsePdfPrinter(const QString &file, bool footnotes)
    {
        window->Printer().setOutputFormat(QPrinter::PdfFormat);
        window->Printer().setOutputFileName(file);
        window->Settings().WriteSetting(PrintKey, "PrintToFile", "False");
        window->Settings().WriteSetting(PrintKey, "Footnote", footnotes ? "True" : "False");
    }

    void Show(TestChild *child)
    {
        QMdiSubWindow *sub = window->MdiArea()->addSubWindow(child);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->show();
        window->MdiArea()->setActiveSubWindow(sub);
    }

    void ChooseAreas(const std::vector<int> &areas)
    {
        window->ChooseAreas(tarvel::AreaFlagsFromChoice(areas));
    }

    // Prints through the command's own print dialog, pressing Print.
    void PrintThroughDialog(void (frmMain::*command)())
    {
        prompts.dialogScript = [](QDialog &dialog) {
            dialog.findChild<QPushButton *>(QStringLiteral("cmdPrint"))->click();
        };
        (window.get()->*command)();
        prompts.dialogScript = nullptr;
    }

    // Opens the preview with action; its page count, or -1 when no preview
    // dialog was opened. With print, prints from the preview.
    int PreviewPages(QAction *action, bool print = false)
    {
        int pages = -1;
        prompts.dialogScript = [&pages, print](QDialog &dialog) {
            auto *preview = dialog.findChild<QPrintPreviewWidget *>();
            if (dialog.objectName() != QStringLiteral("frmPrintPreview") || !preview)
                return;
            pages = preview->pageCount();
            if (print) {
                preview->print();
                dialog.accept();
            }
        };
        action->trigger();
        prompts.dialogScript = nullptr;
        return pages;
    }

    QString Out(const char *name) const { return m_out.path() + QLatin1Char('/') + QString::fromLatin1(name); }

    QTemporaryDir m_config;
    QTemporaryDir m_program;
    QTemporaryDir m_out;
    ScriptedPrompts prompts;
    std::unique_ptr<frmMain> window;
};

TEST_F(PrintPreviewTest, ActiveWindowPreviewShowsThePrintedPages)
{
    Show(new TestChild(tarvel::PrintSnapshot::FromGrid(TestGrid(150, 14, "ZR5H Test ~ Pages"))));
    const QString printed = Out("printed.pdf");
    UsePdfPrinter(printed, false);
    PrintThroughDialog(&frmMain::RunPrint);
    const int pages = PdfPages(printed);
    ASSERT_GT(pages, 2);

    // A PDF printer without a file, as on a machine with no printer, still
    // previews.
    UsePdfPrinter(QString(), false);
    prompts.records.clear();
    EXPECT_EQ(PreviewPages(window->Controls().mnuPrintPreview), pages);
    const auto dialogs = prompts.Of(Kind::Dialog);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].title, QStringLiteral("Print preview ZR5H Test ~ Pages"));
    // Looking is not printing: no message at all.
    EXPECT_TRUE(prompts.Of(Kind::Message).empty());

    // Printing from the preview prints those pages.
    const QString fromPreview = Out("from-preview.pdf");
    UsePdfPrinter(fromPreview, false);
    EXPECT_EQ(PreviewPages(window->Controls().mnuPrintPreview, true), pages);
    EXPECT_EQ(PdfPages(fromPreview), pages);
    const auto done = prompts.Messages(QStringLiteral("Printing completed"));
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].text, QStringLiteral("ZR5H Test ~ Pages printed."));
}

TEST_F(PrintPreviewTest, PrintAllPreviewShowsThePrintedPages)
{
    ChooseAreas({2, 3, 4});
    window->State().CurrentArea = 3;
    const QString printed = Out("printed.pdf");
    UsePdfPrinter(printed, true);
    PrintThroughDialog(&frmMain::RunPrintAll);
    ASSERT_EQ(PdfPages(printed), 4); // one page an area, then the footnotes

    UsePdfPrinter(QString(), true);
    prompts.records.clear();
    EXPECT_EQ(PreviewPages(window->Controls().mnuPrintAllPreview), 4);
    EXPECT_TRUE(prompts.Of(Kind::Message).empty());
    // The run leaves the selection as it was.
    EXPECT_EQ(window->State().CurrentArea, 3);
    EXPECT_FALSE(window->State().PrintAllMode);

    // Without footnotes the preview follows the stored choice.
    window->Settings().WriteSetting(PrintKey, "Footnote", "False");
    EXPECT_EQ(PreviewPages(window->Controls().mnuPrintAllPreview), 3);

    const QString fromPreview = Out("from-preview.pdf");
    UsePdfPrinter(fromPreview, true);
    prompts.records.clear();
    EXPECT_EQ(PreviewPages(window->Controls().mnuPrintAllPreview, true), 4);
    EXPECT_EQ(PdfPages(fromPreview), 4);
    ASSERT_EQ(prompts.Messages(QStringLiteral("Printing completed")).size(), 1u);
}

TEST_F(PrintPreviewTest, CancelledPrintAllPreviewClosesAndPrintsNothing)
{
    ChooseAreas({2, 3, 4});
    window->State().CurrentArea = 3;
    const QString printer = Out("printer.pdf");
    UsePdfPrinter(printer, true);
    prompts.cancelProgressAt = 1;
    bool stillOpen = true;
    prompts.dialogScript = [&stillOpen](QDialog &dialog) {
        QCoreApplication::processEvents();
        stillOpen = dialog.isVisible();
    };
    window->Controls().mnuPrintAllPreview->trigger();
    prompts.dialogScript = nullptr;
    EXPECT_EQ(prompts.progressSteps.size(), 2);
    EXPECT_FALSE(stillOpen);
    EXPECT_TRUE(prompts.Of(Kind::Message).empty());
    EXPECT_FALSE(QFile::exists(printer));
    EXPECT_EQ(window->State().CurrentArea, 3);
    EXPECT_FALSE(window->State().PrintAllMode);
}

TEST_F(PrintPreviewTest, NothingToPreviewSaysWhatPrintSays)
{
    EXPECT_EQ(PreviewPages(window->Controls().mnuPrintPreview), -1);
    ASSERT_EQ(prompts.records.size(), 1u);
    EXPECT_EQ(prompts.records[0].title, QStringLiteral("Cannot print current area"));

    // Print-all's preview makes print-all's checks: no area chosen yet.
    prompts.records.clear();
    EXPECT_EQ(PreviewPages(window->Controls().mnuPrintAllPreview), -1);
    ASSERT_EQ(prompts.records.size(), 1u);
    EXPECT_EQ(prompts.records[0].title, QStringLiteral("Select States"));
}

TEST_F(PrintPreviewTest, UnsuppressedPreviewWarnsFirst)
{
    window.reset();
    window = std::make_unique<frmMain>(prompts);
    window->SetProgramFolder(m_program.path().toStdString() + "/");
    window->SetDataFolderCandidates({TARVEL_SAMPLE_DATA "/"});
    window->Startup({QStringLiteral("/UNSUPPRESSED")});
    prompts.records.clear();
    Show(new TestChild(tarvel::PrintSnapshot::FromGrid(TestGrid(3, 2, "ZR4 Test ~ Here"))));
    UsePdfPrinter(QString(), false);
    EXPECT_EQ(PreviewPages(window->Controls().mnuPrintPreview), 1);
    ASSERT_FALSE(prompts.records.empty());
    EXPECT_EQ(prompts.records[0].title, QStringLiteral("UNSUPPRESSED - FOR ZUL USE ONLY"));
}

} // namespace
