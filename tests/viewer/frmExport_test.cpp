#include "viewer/export/frmExport.h"

#include "viewer/main/frmMain.h"
#include "viewer/qt/qt_child_window.h"
#include "core/selection/selection.h"
#include "core/settings/settings_store.h"
#include "core/catalog/data_files.h"
#include "core/catalog/failure.h"
#include "core/catalog/table_catalog.h"
#include "viewer/display/frmDisplay.h"
#include "viewer/help/frmDoc.h"
#include "case_names.h"
#include "scripted_prompts.h"
#include "table_fixture.h"
#include "viewer_fixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string>

namespace {

using Kind = ScriptedPrompts::Kind;

using tarvel::test::Folder;

std::string SampleFolder()
{
    return tarvel::WithTrailingSlash(TARVEL_SAMPLE_DATA);
}

QByteArray FileBytes(const std::string &path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

std::string ExportSetting(const tarvel::SettingsStore &store, const char *name)
{
    return store.ReadSetting(tarvel::SettingsKey("export"), name).Text();
}

// ---- the wizard on its own ------------------------------------------------------

class ExportWizardTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_config.isValid() && m_program.isValid() && m_out.isValid());
        tarvel::WriteDefaultSettings(m_settings, Folder(m_program));
        m_selection.Paths = {Folder(m_program), SampleFolder(), false};
        m_selection.AreaSelected[2] = tarvel::Chosen; // Alabama
        m_selection.AreaSelected[3] = tarvel::Chosen; // Alaska
        m_selection.QuarterSelected = tarvel::EmptyQuarterFlags("ZR4");
        tarvel::ApplyQuarterEntry(m_selection.QuarterSelected, 0, tarvel::QuarterCount("ZR4"));
    }

    std::unique_ptr<frmExport> Open(const std::string &code = "ZR4")
    {
        auto wizard = std::make_unique<frmExport>(prompts, m_settings, m_selection, code);
        wizard->show();
        return wizard;
    }

    std::string Out(const char *name) const { return Folder(m_out) + name; }

    QTemporaryDir m_config;
    QTemporaryDir m_program;
    QTemporaryDir m_out;
    tarvel::SettingsStore m_settings{(m_config.path() + QStringLiteral("/settings.reg")).toStdString()};
    tarvel::ExportSelection m_selection;
    ScriptedPrompts prompts;
};

TEST_F(ExportWizardTest, PagesHaveTheirCaptionsAndNotes)
{
    auto wizard = Open();
    EXPECT_EQ(wizard->windowTitle(), QStringLiteral("Export"));
    ASSERT_EQ(wizard->tabExport->count(), 4);
    const char *tabs[] = {"Record Format", "Inserted Text Fields", "Records to Export", "Output Location"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(wizard->tabExport->tabText(i), QString::fromLatin1(tabs[i]));
    EXPECT_EQ(wizard->optCopy[3]->text(), QStringLiteral("Fixed-length records, no delimiters"));
    EXPECT_EQ(wizard->optOP[1]->text(), QStringLiteral("One output file per State (multiple output files)"));
    EXPECT_EQ(wizard->cmdOK->text(), QStringLiteral("&Export"));
    EXPECT_EQ(wizard->txtRecordFormat->toPlainText(),
              QStringLiteral("Choose variable-length, delimited fields if the output will be going into a \n"
                             "spreadsheet application. Most spreadsheet applications can handle any \n"
                             "of the delimiters above."));
    EXPECT_TRUE(wizard->txtInsert->toPlainText().startsWith(
        QStringLiteral("Select any of the above to insert into the output file(s). A header record \nis")));
    EXPECT_TRUE(wizard->txtInsert->toPlainText().endsWith(QStringLiteral("better in \nthat situation.")));
    EXPECT_FALSE(wizard->txtOP->toPlainText().contains(QLatin1Char('\n')));
    // The ZR1 list keeps the names' trailing blanks; the others lose them.
    EXPECT_EQ(wizard->lstExport->item(0)->text(), QStringLiteral("Personal income"));
    auto zr1 = Open("ZR1");
    ASSERT_EQ(zr1->lstExport->count(), tarvel::LineCount("ZR1"));
    EXPECT_TRUE(zr1->lstExport->item(1)->text().startsWith(QStringLiteral("Alabama ")));
}

TEST_F(ExportWizardTest, QuoteBoxFollowsTheFormatAndKeepsItsTick)
{
    auto wizard = Open();
    ASSERT_TRUE(wizard->chkQuote->isChecked());
    wizard->optCopy[3]->click();
    EXPECT_FALSE(wizard->chkQuote->isEnabled());
    EXPECT_TRUE(wizard->chkQuote->isChecked());
    EXPECT_EQ(wizard->Options().Format, tarvel::ExportFormat::Fixed);
    wizard->optCopy[1]->click();
    EXPECT_TRUE(wizard->chkQuote->isEnabled());
    EXPECT_TRUE(wizard->chkQuote->isChecked());
    EXPECT_EQ(wizard->Options().Format, tarvel::ExportFormat::Space);
}

// The workbook: the fifth format, with its own note; quotes and append have
// no meaning for it, so both boxes are disabled with their ticks kept.
TEST_F(ExportWizardTest, WorkbookFormatDisablesQuotesAndAppendAndShowsItsNote)
{
    auto wizard = Open();
    const QString textNote = wizard->txtRecordFormat->toPlainText();
    wizard->chkAppend->setChecked(true);
    EXPECT_EQ(wizard->optCopy[4]->text(), QStringLiteral("Excel workbook (.xlsx)"));
    wizard->optCopy[4]->click();
    EXPECT_EQ(wizard->Options().Format, tarvel::ExportFormat::Workbook);
    EXPECT_FALSE(wizard->chkAppend->isEnabled());
    EXPECT_FALSE(wizard->chkQuote->isEnabled());
    EXPECT_TRUE(wizard->chkAppend->isChecked());
    EXPECT_TRUE(wizard->chkQuote->isChecked());
    EXPECT_TRUE(wizard->txtRecordFormat->toPlainText().startsWith(QStringLiteral("An Excel workbook keeps")));
    wizard->optCopy[0]->click();
    EXPECT_TRUE(wizard->chkAppend->isEnabled());
    EXPECT_TRUE(wizard->chkQuote->isEnabled());
    EXPECT_EQ(wizard->txtRecordFormat->toPlainText(), textNote);
}

// One button a format, in the table's order: its caption, its note, and the
// boxes that apply to it; the saved format opens with its own button.
TEST_F(ExportWizardTest, EachFormatButtonShowsWhatItsFormatAllows)
{
    auto wizard = Open();
    const auto &formats = tarvel::ExportFormats();
    ASSERT_EQ(wizard->optCopy.size(), formats.size());
    for (std::size_t i = 0; i < formats.size(); ++i) {
        const tarvel::ExportFormatInfo &format = formats[i];
        const QString name = QString::fromLatin1(format.Name.data(), static_cast<qsizetype>(format.Name.size()));
        EXPECT_EQ(wizard->optCopy[i]->text().toStdString(), format.WizardCaption) << name.toStdString();
        wizard->optCopy[i]->click();
        EXPECT_EQ(wizard->Options().Format, format.Format) << name.toStdString();
        EXPECT_EQ(wizard->chkQuote->isEnabled(), format.Quotes) << name.toStdString();
        EXPECT_EQ(wizard->chkAppend->isEnabled(), format.Appends) << name.toStdString();
        EXPECT_EQ(wizard->txtRecordFormat->toPlainText().toStdString(), format.WizardNote) << name.toStdString();
        m_settings.WriteSetting(tarvel::SettingsKey("export"), "Format",
                                tarvel::SettingNumberText(static_cast<int>(format.Format)));
        EXPECT_TRUE(Open()->optCopy[i]->isChecked()) << name.toStdString();
    }
}

TEST_F(ExportWizardTest, WorkbookRunReplacesTheFileAndIsRestoredNextTime)
{
    const std::string output = Out("wizard.xlsx");
    {
        QFile earlier(QString::fromStdString(output));
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("an earlier file");
    }
    auto wizard = Open();
    wizard->optCopy[4]->click();
    wizard->chkAppend->setChecked(true);
    wizard->lstExport->item(0)->setSelected(true);
    // The file dialog offers the workbook filter and leaves "Index" alone.
    prompts.saveFileAnswers = {QString::fromStdString(output)};
    wizard->cmdChange->click();
    ASSERT_EQ(prompts.Of(Kind::SaveFileName).size(), 1u);
    EXPECT_EQ(prompts.Of(Kind::SaveFileName)[0].topic, 5);
    EXPECT_EQ(ExportSetting(m_settings, "Index"), "4");
    EXPECT_EQ(wizard->txtFileName->text(), QString::fromStdString(output));
    prompts.messageAnswers = {QMessageBox::No};
    wizard->cmdOK->click();

    ASSERT_TRUE(wizard->Completed());
    EXPECT_TRUE(FileBytes(output).startsWith("PK"));
    EXPECT_EQ(ExportSetting(m_settings, "Format"), " 4");
    EXPECT_EQ(ExportSetting(m_settings, "Append"), " 1");

    auto again = Open();
    EXPECT_TRUE(again->optCopy[4]->isChecked());
    EXPECT_FALSE(again->chkAppend->isEnabled());
    EXPECT_TRUE(again->chkAppend->isChecked());
}

// The file name follows the format: an extension the formats use changes
// with it, and a name without one gets the format's, at the change and when
// the export starts. Another extension, a file that is there under its bare
// name and a folder of per-area files stay as they are.
TEST_F(ExportWizardTest, FileNameFollowsTheFormat)
{
    auto wizard = Open();
    const auto name = [&wizard] { return wizard->txtFileName->text().toStdString(); };
    wizard->optCopy[3]->click();
    wizard->txtFileName->setText(QString::fromStdString(Out("exp_fixed.txt")));
    wizard->optCopy[4]->click();
    EXPECT_EQ(name(), Out("exp_fixed.xlsx"));
    wizard->optCopy[1]->click();
    EXPECT_EQ(name(), Out("exp_fixed.prn"));
    wizard->txtFileName->setText(QString::fromStdString(Out("notes.dat")));
    wizard->optCopy[4]->click();
    EXPECT_EQ(name(), Out("notes.dat"));
    wizard->txtFileName->setText(QStringLiteral("/dev/null"));
    wizard->optCopy[0]->click();
    EXPECT_EQ(name(), "/dev/null");
    wizard->txtFileName->setText(QString::fromStdString(Out("book")));
    wizard->optCopy[4]->click();
    EXPECT_EQ(name(), Out("book.xlsx"));
    wizard->optOP[1]->click();
    wizard->txtFileName->setText(QString::fromStdString(Folder(m_out)));
    wizard->optCopy[0]->click();
    EXPECT_EQ(name(), Folder(m_out));

    // Typed without an extension after the format was chosen.
    wizard->optOP[0]->click();
    wizard->txtFileName->setText(QString::fromStdString(Out("wiz")));
    wizard->lstExport->item(0)->setSelected(true);
    prompts.messageAnswers = {QMessageBox::No};
    wizard->cmdOK->click();
    ASSERT_TRUE(wizard->Completed());
    EXPECT_EQ(name(), Out("wiz.csv"));
    EXPECT_TRUE(FileBytes(Out("wiz.csv")).startsWith("\"State FIPS\""));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Out("wiz"))));
    EXPECT_EQ(ExportSetting(m_settings, "Filename"), Out("wiz.csv"));
}

TEST_F(ExportWizardTest, SavedFixedFormatOpensWithTheQuoteBoxDisabled)
{
    m_settings.WriteSetting(tarvel::SettingsKey("export"), "Format", " 3");
    m_settings.WriteSetting(tarvel::SettingsKey("export"), "Output", " 1");
    m_settings.WriteSetting(tarvel::SettingsKey("export"), "FileName", "/tmp/out/");
    auto wizard = Open();
    EXPECT_TRUE(wizard->optCopy[3]->isChecked());
    EXPECT_FALSE(wizard->chkQuote->isEnabled());
    EXPECT_TRUE(wizard->optOP[1]->isChecked());
    EXPECT_EQ(wizard->txtFileName->text(), QStringLiteral("/tmp/out/"));
}

TEST_F(ExportWizardTest, PreviousAndNextStopAtTheEnds)
{
    auto wizard = Open();
    EXPECT_EQ(wizard->CurrentPage(), 1);
    EXPECT_FALSE(wizard->cmdPrevious->isEnabled());
    EXPECT_TRUE(wizard->cmdNext->isEnabled());
    wizard->cmdNext->click();
    EXPECT_EQ(wizard->CurrentPage(), 2);
    EXPECT_TRUE(wizard->fraExport[1]->isVisible());
    EXPECT_FALSE(wizard->fraExport[0]->isVisible());
    EXPECT_TRUE(wizard->cmdPrevious->isEnabled());
    wizard->cmdNext->click();
    wizard->cmdNext->click();
    EXPECT_EQ(wizard->CurrentPage(), 4);
    EXPECT_FALSE(wizard->cmdNext->isEnabled());
    EXPECT_TRUE(wizard->cmdPrevious->isEnabled());
    // A tab click goes straight to its page.
    wizard->tabExport->setCurrentIndex(0);
    EXPECT_EQ(wizard->CurrentPage(), 1);
    EXPECT_TRUE(wizard->fraExport[0]->isVisible());
    EXPECT_FALSE(wizard->cmdPrevious->isEnabled());
    wizard->cmdPrevious->click(); // disabled: nothing happens
    EXPECT_EQ(wizard->CurrentPage(), 1);
}

TEST_F(ExportWizardTest, AllAndClear)
{
    auto wizard = Open();
    wizard->cmdAll->click();
    EXPECT_EQ(wizard->lstExport->selectedItems().size(), tarvel::LineCount("ZR4"));
    wizard->cmdClear->click();
    EXPECT_TRUE(wizard->lstExport->selectedItems().isEmpty());
}

// In the list of records, indented titles follow the line above them: a
// Space on that line chooses it and nothing else, and so does the run.
TEST_F(ExportWizardTest, SpaceChoosesOnlyTheCurrentRecord)
{
    auto wizard = Open();
    wizard->GoToPage(3);
    QListWidget *list = wizard->lstExport;
    ASSERT_TRUE(list->item(5)->text().startsWith(QStringLiteral("  ")));
    list->setFocus();
    list->setCurrentRow(4, QItemSelectionModel::NoUpdate);
    QTest::keyClick(list, Qt::Key_Space);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(list->currentRow(), 6);
    ASSERT_EQ(list->selectedItems().size(), 2);
    EXPECT_TRUE(list->item(4)->isSelected());
    EXPECT_TRUE(list->item(6)->isSelected());

    wizard->txtFileName->setText(QString::fromStdString(Out("two.csv")));
    wizard->cmdOK->click();
    ASSERT_TRUE(wizard->Completed());
    const QList<QByteArray> lines = FileBytes(Out("two.csv")).split('\n');
    // A header, then one record per chosen line for each of the two areas.
    EXPECT_EQ(lines.size(), 1 + 2 * 2 + 1) << FileBytes(Out("two.csv")).toStdString();
}

struct NameCheck {
    int mode;
    const char *name; // "$" stands for the output folder
    const char *title;
    const char *text;
    int page;
};

void PrintTo(const NameCheck &c, std::ostream *os)
{
    *os << (c.mode == 0 ? "one file " : "file per area ") << tarvel::test::CaseText(c.name) << " -> "
        << tarvel::test::CaseText(c.title, 30);
}

class ExportNameChecks : public ExportWizardTest, public testing::WithParamInterface<NameCheck> {};

TEST_P(ExportNameChecks, RefusedWithItsMessageAndPage)
{
    const NameCheck check = GetParam();
    auto wizard = Open();
    wizard->optOP[static_cast<std::size_t>(check.mode)]->click();
    QString name = QString::fromLatin1(check.name);
    name.replace(QLatin1Char('$'), QString::fromStdString(Folder(m_out)));
    wizard->txtFileName->setText(name);
    if (check.page != 3)
        wizard->lstExport->item(0)->setSelected(true);

    wizard->cmdOK->click();
    ASSERT_EQ(prompts.records.size(), 1u);
    EXPECT_EQ(prompts.records[0].title, QString::fromLatin1(check.title));
    EXPECT_EQ(prompts.records[0].text, QString::fromLatin1(check.text));
    EXPECT_EQ(prompts.records[0].icon, QMessageBox::Information);
    EXPECT_EQ(wizard->CurrentPage(), check.page);
    EXPECT_TRUE(wizard->isVisible());
    EXPECT_FALSE(wizard->Completed());
    EXPECT_TRUE(QDir(m_out.path()).isEmpty());
    EXPECT_EQ(ExportSetting(m_settings, "FileName"), "-no file selected-");
}

INSTANTIATE_TEST_SUITE_P(
    Checks, ExportNameChecks,
    testing::Values(
        NameCheck{0, "$out.csv", "No line titles selected",
                  "No records (line titles) selected for export. Please select at least one.", 3},
        NameCheck{0, "-no file selected-", "No file selected",
                  "Select an output file name. Click on the folder button.", 4},
        NameCheck{0, "", "No file selected", "Select an output file name. Click on the folder button.", 4},
        NameCheck{0, "$", "Select output file", "Please select an output file", 4},
        NameCheck{1, "$out.csv", "Select output folder", "Please select an output folder.", 4},
        NameCheck{1, "-no file selected-", "Select output folder", "Please select an output folder.", 4},
        NameCheck{1, "-no folder/", "No output directory selected",
                  "Select an output directory. Click on the folder button.", 4}));

TEST_F(ExportWizardTest, FolderAnswerTakesWhatPrecedesChooseFolder)
{
    auto wizard = Open();
    wizard->optOP[1]->click();
    const QString folder = QString::fromStdString(Folder(m_out));
    prompts.saveFileAnswers = {folder + QStringLiteral("choose_folder (don't change this!)"),
                               folder + QStringLiteral("sub/my own name.csv"), std::nullopt};
    wizard->cmdChange->click();
    EXPECT_EQ(wizard->txtFileName->text(), folder);
    const auto asked = prompts.Of(Kind::SaveFileName);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, QStringLiteral("Select a Folder to receive export output"));
    EXPECT_EQ(asked[0].text, QStringLiteral("Folders (*)"));
    EXPECT_EQ(asked[0].initial, QStringLiteral("choose_folder (don't change this!)"));

    // An answer without "choose_folder", and a cancelled dialog, change nothing.
    wizard->cmdChange->click();
    EXPECT_EQ(wizard->txtFileName->text(), folder);
    wizard->cmdChange->click();
    EXPECT_EQ(wizard->txtFileName->text(), folder);
    // The next folder dialog starts in the folder already chosen.
    ASSERT_EQ(prompts.Of(Kind::SaveFileName).size(), 3u);
    EXPECT_EQ(prompts.Of(Kind::SaveFileName)[1].initial, folder + QStringLiteral("choose_folder (don't change this!)"));
    // The folder dialog never touches the remembered file type.
    EXPECT_EQ(ExportSetting(m_settings, "Index"), "4");
}

TEST_F(ExportWizardTest, FileDialogRemembersTheFileType)
{
    auto wizard = Open();
    const QString file = QString::fromStdString(Out("a.csv"));
    // Cancel: nothing changes, nothing is saved.
    wizard->cmdChange->click();
    EXPECT_EQ(wizard->txtFileName->text(), QStringLiteral("-no file selected-"));
    EXPECT_EQ(ExportSetting(m_settings, "Index"), "4");
    const auto asked = prompts.Of(Kind::SaveFileName);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, QStringLiteral("Select a file to receive export output"));
    EXPECT_EQ(asked[0].text,
              QStringLiteral("All files (*);;Text files (*.txt);;PRN files (*.prn);;CSV files (*.csv);;"
                             "Excel workbook (*.xlsx)"));

    // The dialog hands back the entry it opened with when the user keeps
    // it: CSV files on first use, then the one chosen last.
    prompts.saveFileAnswers = {file, file, file};
    prompts.saveFilterAnswers = {};
    wizard->cmdChange->click();
    EXPECT_EQ(wizard->txtFileName->text(), file);
    EXPECT_EQ(ExportSetting(m_settings, "Index"), " 4");
    prompts.saveFilterAnswers = {2};
    wizard->cmdChange->click();
    EXPECT_EQ(ExportSetting(m_settings, "Index"), " 2");
    wizard->cmdChange->click();
    EXPECT_EQ(ExportSetting(m_settings, "Index"), " 2");
    EXPECT_EQ(prompts.Of(Kind::SaveFileName).back().initial, file);
    // Only a complete export saves the other choices.
    EXPECT_EQ(ExportSetting(m_settings, "FileName"), "-no file selected-");
}

TEST_F(ExportWizardTest, CompleteRunWritesWhatTheWriterWritesAndSavesTheChoices)
{
    auto wizard = Open();
    wizard->optCopy[2]->click();
    wizard->chkAreaName->setChecked(true);
    wizard->chkLineTitle->setChecked(false);
    wizard->chkQuote->setChecked(false);
    wizard->chkFoot->setChecked(true);
    wizard->lstExport->item(0)->setSelected(true);
    wizard->lstExport->item(2)->setSelected(true);
    const std::string output = Out("wizard.txt");
    wizard->txtFileName->setText(QString::fromStdString(output));
    prompts.messageAnswers = {QMessageBox::Yes};
    wizard->cmdOK->click();

    ASSERT_TRUE(wizard->Completed());
    EXPECT_EQ(wizard->result(), QDialog::Accepted);
    EXPECT_FALSE(wizard->isVisible());
    const auto messages = prompts.Of(Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("Exporting completed"));
    EXPECT_EQ(messages[0].text, QStringLiteral("Export completed. Would you like to open the file ")
                                    + QString::fromStdString(output) + QStringLiteral("?"));
    EXPECT_EQ(messages[0].icon, QMessageBox::NoIcon);
    ASSERT_EQ(prompts.Of(Kind::OpenWithApp).size(), 1u);
    EXPECT_EQ(prompts.Of(Kind::OpenWithApp)[0].title, QString::fromStdString(output));
    EXPECT_FALSE(wizard->pbExport->isHidden());
    EXPECT_EQ(wizard->pbExport->maximum(), 4);
    EXPECT_EQ(wizard->pbExport->value(), 4);

    // The same choices given to the writer directly give the same bytes.
    tarvel::ExportOptions options;
    options.TableCode = "ZR4";
    options.Format = tarvel::ExportFormat::Tab;
    options.AreaName = true;
    options.LineTitle = false;
    options.Quote = false;
    options.Footnotes = true;
    options.FileName = Out("direct.txt");
    const auto titles = tarvel::ReadLineTitlesForExport(SampleFolder() + "ZR4line.csv", "ZR4");
    ASSERT_TRUE(titles);
    for (std::size_t i = 0; i < titles->size(); ++i)
        options.Lines.push_back({(*titles)[i], i == 0 || i == 2});
    ASSERT_TRUE(tarvel::RunExport(options, m_selection).Completed());
    EXPECT_EQ(FileBytes(output), FileBytes(options.FileName));
    EXPECT_TRUE(FileBytes(output).startsWith("State FIPS\tRegion Code\tTable\tLine Code\tFirst Year.Quarter\tState Name\t2007.2\t"));

    EXPECT_EQ(ExportSetting(m_settings, "Format"), " 2");
    EXPECT_EQ(ExportSetting(m_settings, "AreaName"), " 1");
    EXPECT_EQ(ExportSetting(m_settings, "LineTitle"), " 0");
    EXPECT_EQ(ExportSetting(m_settings, "Quote"), " 0");
    EXPECT_EQ(ExportSetting(m_settings, "Footnotes"), " 1");
    EXPECT_EQ(ExportSetting(m_settings, "Output"), " 0");
    EXPECT_EQ(ExportSetting(m_settings, "FileName"), output);

    // The next opening restores them.
    auto again = Open();
    EXPECT_TRUE(again->optCopy[2]->isChecked());
    EXPECT_TRUE(again->chkAreaName->isChecked());
    EXPECT_FALSE(again->chkQuote->isChecked());
    EXPECT_TRUE(again->chkFoot->isChecked());
    EXPECT_EQ(again->txtFileName->text(), QString::fromStdString(output));
}

TEST_F(ExportWizardTest, OneFilePerAreaReportsWithoutOffering)
{
    auto wizard = Open();
    wizard->optOP[1]->click();
    wizard->txtFileName->setText(QString::fromStdString(Folder(m_out)));
    wizard->lstExport->item(1)->setSelected(true);
    wizard->cmdOK->click();
    ASSERT_TRUE(wizard->Completed());
    const auto messages = prompts.Of(Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("Exporting completed"));
    EXPECT_EQ(messages[0].text, QStringLiteral("Export procedure completed."));
    EXPECT_EQ(messages[0].icon, QMessageBox::Information);
    EXPECT_TRUE(prompts.Of(Kind::OpenWithApp).empty());
    EXPECT_NE(FileBytes(Out("ZR4AL.csv")), "<missing>");
    EXPECT_NE(FileBytes(Out("ZR4AK.csv")), "<missing>");
    EXPECT_EQ(ExportSetting(m_settings, "Output"), " 1");
}

// A file no program is set up to open: the error says so on a second line.
TEST_F(ExportWizardTest, OpeningWithNoProgramSaysWhy)
{
    auto wizard = Open();
    wizard->lstExport->item(0)->setSelected(true);
    const QString output = QString::fromStdString(Out("none.csv"));
    wizard->txtFileName->setText(output);
    prompts.associatedApplication.clear();
    prompts.messageAnswers = {QMessageBox::Yes};
    wizard->cmdOK->click();
    const auto messages = prompts.Of(Kind::Message);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, QStringLiteral("There was an error (err#31) opening the file '") + output
                                    + QStringLiteral("' with the application ''.\nNo program is set up to open this "
                                                     "kind of file."));
    EXPECT_TRUE(prompts.Of(Kind::OpenWithApp).empty());
}

TEST_F(ExportWizardTest, OpeningDeclinedOpensNothing)
{
    auto wizard = Open();
    wizard->lstExport->item(0)->setSelected(true);
    const std::string output = Out("x.csv");
    wizard->txtFileName->setText(QString::fromStdString(output));
    prompts.messageAnswers = {QMessageBox::No};
    wizard->cmdOK->click();
    ASSERT_TRUE(wizard->Completed());

    // The question was asked once, naming the file, and No opened nothing.
    const auto messages = prompts.Of(Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("Exporting completed"));
    EXPECT_EQ(messages[0].text, QStringLiteral("Export completed. Would you like to open the file ")
                                    + QString::fromStdString(output) + QStringLiteral("?"));
    EXPECT_TRUE(prompts.Of(Kind::OpenWithApp).empty());
    EXPECT_TRUE(prompts.Of(Kind::AssociatedApp).empty());

    // The file holds what the writer gives for the wizard's first choices:
    // comma-separated, header, line titles and quotes, line 1 of both areas.
    tarvel::ExportOptions options;
    options.TableCode = "ZR4";
    options.FileName = Out("direct.csv");
    const auto titles = tarvel::ReadLineTitlesForExport(SampleFolder() + "ZR4line.csv", "ZR4");
    ASSERT_TRUE(titles);
    for (std::size_t i = 0; i < titles->size(); ++i)
        options.Lines.push_back({(*titles)[i], i == 0});
    ASSERT_TRUE(tarvel::RunExport(options, m_selection).Completed());
    const QByteArray written = FileBytes(output);
    EXPECT_EQ(written, FileBytes(options.FileName));
    EXPECT_EQ(written.count("\r\n"), 1 + 2); // a header and one record for each area
}

struct FailedRun {
    const char *output; // "@" stands for the data folder
    const char *title;
    QMessageBox::Icon icon;
};

void PrintTo(const FailedRun &c, std::ostream *os)
{
    *os << tarvel::test::CaseText(c.output, 36) << " -> " << tarvel::test::CaseText(c.title, 30);
}

class ExportFailedRun : public ExportWizardTest, public testing::WithParamInterface<FailedRun> {};

TEST_P(ExportFailedRun, WizardStaysOpenAndSavesNothing)
{
    auto wizard = Open();
    wizard->lstExport->item(0)->setSelected(true);
    QString output = QString::fromLatin1(GetParam().output);
    output.replace(QLatin1Char('@'), QString::fromStdString(SampleFolder()));
    const QByteArray before = FileBytes(output.toStdString());
    wizard->txtFileName->setText(output);
    wizard->cmdOK->click();

    const auto messages = prompts.Of(Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QString::fromLatin1(GetParam().title));
    EXPECT_EQ(messages[0].icon, GetParam().icon);
    EXPECT_FALSE(wizard->Completed());
    EXPECT_TRUE(wizard->isVisible());
    EXPECT_TRUE(wizard->pbExport->isHidden());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(ExportSetting(m_settings, "FileName"), "-no file selected-");
    EXPECT_EQ(FileBytes(output.toStdString()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, ExportFailedRun,
    testing::Values(FailedRun{"/nonexistent-tarvel-folder/out.csv", "File not accessible", QMessageBox::Warning},
                    // An export never writes into the files the program reads.
                    FailedRun{"@ZR4.dfx", "Output file not allowed", QMessageBox::Critical}));

TEST_F(ExportWizardTest, UnsuppressedRunWarnsFirst)
{
    m_selection.Paths.Unsuppressed = true;
    auto wizard = Open();
    wizard->lstExport->item(0)->setSelected(true);
    // The warning comes before the output-name check of step 5.
    wizard->cmdOK->click();
    ASSERT_EQ(prompts.records.size(), 2u);
    EXPECT_EQ(prompts.records[0].title, QStringLiteral("UNSUPPRESSED - FOR ZUL USE ONLY"));
    EXPECT_EQ(prompts.records[0].text,
              QStringLiteral("You are exporting unsuppressed data. Keep the output file(s) in a secure location."));
    EXPECT_EQ(prompts.records[0].icon, QMessageBox::Warning);
    EXPECT_EQ(prompts.records[1].title, QStringLiteral("No file selected"));

    wizard->txtFileName->setText(QString::fromStdString(Out("secret.csv")));
    prompts.messageAnswers = {QMessageBox::Ok, QMessageBox::No};
    wizard->cmdOK->click();
    EXPECT_TRUE(wizard->Completed());
    EXPECT_EQ(prompts.records[2].title, QStringLiteral("UNSUPPRESSED - FOR ZUL USE ONLY"));
}

TEST_F(ExportWizardTest, MissingLineTitleFileLeavesAnEmptyList)
{
    m_selection.Paths.DataFolder = Folder(m_out); // holds no line titles
    auto wizard = Open();
    ASSERT_EQ(prompts.records.size(), 1u);
    EXPECT_EQ(prompts.records[0].title, QStringLiteral("File not accessible"));
    EXPECT_EQ(prompts.records[0].text,
              QString::fromStdString(tarvel::FileNotAccessibleText(Folder(m_out) + "ZR4line.csv", ENOENT)));
    EXPECT_EQ(wizard->lstExport->count(), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    wizard->txtFileName->setText(QString::fromStdString(Out("x.csv")));
    wizard->cmdOK->click();
    EXPECT_EQ(prompts.records.back().title, QStringLiteral("No line titles selected"));
}

// ---- the main window's commands ----------------------------------------------------

class MainWindowExportTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_config.isValid() && m_program.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        window = std::make_unique<frmMain>(prompts);
        window->SetProgramFolder(Folder(m_program));
        window->SetDataFolderCandidates({SampleFolder()});
        window->Startup({});
        prompts.records.clear();
    }

    void ChooseAlabama()
    {
        window->ChooseAreas(tarvel::AreaFlagsFromChoice({2}));
    }

    QTemporaryDir m_config;
    QTemporaryDir m_program;
    ScriptedPrompts prompts;
    std::unique_ptr<frmMain> window;
};

TEST_F(MainWindowExportTest, ExportAsksForStatesThenQuarters)
{
    window->Controls().mnuExport->trigger();
    ASSERT_EQ(prompts.records.size(), 1u);
    EXPECT_EQ(prompts.records[0].title, QStringLiteral("Select States"));
    EXPECT_EQ(prompts.records[0].text, QStringLiteral("Please select one or more States."));

    ChooseAlabama();
    window->ChooseQuarters({});
    window->Controls().mnuExport->trigger();
    ASSERT_EQ(prompts.records.size(), 2u);
    EXPECT_EQ(prompts.records[1].title, QStringLiteral("Select quarters"));
    EXPECT_EQ(prompts.records[1].text, QStringLiteral("Please make a quarter selection from the Quarters box."));
    EXPECT_TRUE(prompts.Of(Kind::Dialog).empty());
}

TEST_F(MainWindowExportTest, FirstOpeningShowsTheDefaultTree)
{
    ChooseAlabama();
    bool ran = false;
    prompts.dialogScript = [&](QDialog &dialog) {
        auto *wizard = qobject_cast<frmExport *>(&dialog);
        ASSERT_NE(wizard, nullptr);
        ran = true;
        EXPECT_TRUE(wizard->optCopy[0]->isChecked());
        EXPECT_TRUE(wizard->chkHeader->isChecked());
        EXPECT_TRUE(wizard->chkLineTitle->isChecked());
        EXPECT_FALSE(wizard->chkAreaName->isChecked());
        EXPECT_TRUE(wizard->chkQuote->isChecked());
        EXPECT_TRUE(wizard->chkQuote->isEnabled());
        EXPECT_FALSE(wizard->chkAppend->isChecked());
        EXPECT_FALSE(wizard->chkFoot->isChecked());
        EXPECT_TRUE(wizard->optOP[0]->isChecked());
        EXPECT_EQ(wizard->txtFileName->text(), QStringLiteral("-no file selected-"));
        EXPECT_TRUE(wizard->pbExport->isHidden());
        EXPECT_FALSE(wizard->pbExport->isEnabled());
        EXPECT_EQ(wizard->CurrentPage(), 1);
        EXPECT_TRUE(wizard->fraExport[0]->isVisible());
        EXPECT_EQ(wizard->lstExport->count(), tarvel::LineCount("ZR4"));
        EXPECT_TRUE(wizard->lstExport->selectedItems().isEmpty());

        wizard->lstExport->item(0)->setSelected(true);
        wizard->cmdOK->click();
        ASSERT_EQ(prompts.Of(Kind::Message).size(), 1u);
        EXPECT_EQ(prompts.Of(Kind::Message)[0].title, QStringLiteral("No file selected"));
        EXPECT_EQ(prompts.Of(Kind::Message)[0].text,
                  QStringLiteral("Select an output file name. Click on the folder button."));
        EXPECT_EQ(wizard->CurrentPage(), 4);
        EXPECT_TRUE(wizard->isVisible());
    };
    window->Controls().mnuExport->trigger();
    EXPECT_TRUE(ran);
    ASSERT_EQ(prompts.Of(Kind::Dialog).size(), 1u);
    EXPECT_EQ(prompts.Of(Kind::Dialog)[0].title, QStringLiteral("Export"));
}

// ---- the clipboard ----------------------------------------------------------------

// A drag with the left button from one cell of a display window's grid to
// another; cells are grid cells (row 0 and column 0 are the headers).
void DragOver(QTableView *view, int fromRow, int fromColumn, int toRow, int toColumn)
{
    QWidget *viewport = view->viewport();
    const auto send = [&](QEvent::Type type, int row, int column, Qt::MouseButton button, Qt::MouseButtons held) {
        const QPointF at = view->visualRect(view->model()->index(row - 1, column - 1)).center();
        QMouseEvent event(type, at, viewport->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    };
    send(QEvent::MouseButtonPress, fromRow, fromColumn, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, toRow, toColumn, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, toRow, toColumn, Qt::LeftButton, Qt::NoButton);
}

using tarvel::test::WindowGrid;

class ClipboardTest : public MainWindowExportTest {
protected:
    frmDisplay *AddGridWindow()
    {
        auto *child = new frmDisplay(WindowGrid(), "ZR6");
        QMdiSubWindow *sub = window->MdiArea()->addSubWindow(child);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->show();
        sub->resize(700, 300);
        window->MdiArea()->setActiveSubWindow(sub);
        return child;
    }

    static QString Clipboard() { return QGuiApplication::clipboard()->text(); }
};

TEST_F(ClipboardTest, OneCellWithCaptionAndLabels)
{
    window->show();
    frmDisplay *child = AddGridWindow();
    DragOver(child->grdData, 1, 1, 1, 1);
    window->Controls().mnuClip->trigger();
    EXPECT_EQ(Clipboard(), QStringLiteral("ZR6 SIC series 1998-2001 ~ Alabama [01]\r\n\r\n\t2001.1\t\r\n"
                                          "Compensation of employees\t1234567\r\n"));
    EXPECT_TRUE(prompts.records.empty());
}

TEST_F(ClipboardTest, DragDirectionDoesNotMatter)
{
    window->show();
    frmDisplay *child = AddGridWindow();
    const QString block = QStringLiteral("ZR6 SIC series 1998-2001 ~ Alabama [01]\r\n\r\n\t2001.2\t2001.3\t\r\n"
                                         "Compensation of employees\t(D)\t12\r\n"
                                         "Farm compensation\t(N)\t7000\r\n"
                                         "Forestry, fishing\t1000000\t3\r\n");
    DragOver(child->grdData, 3, 3, 1, 2); // from the lower right to the upper left
    EXPECT_EQ(child->CurrentRow(), 1);
    window->Controls().mnuClip->trigger();
    EXPECT_EQ(Clipboard(), block);
    QGuiApplication::clipboard()->setText(QStringLiteral("other"));
    DragOver(child->grdData, 1, 2, 3, 3);
    EXPECT_EQ(child->CurrentRow(), 3);
    window->Controls().mnuClip->trigger();
    EXPECT_EQ(Clipboard(), block);
}

TEST_F(ClipboardTest, CopiesFromTheWindowTheDisplayCommandBuilt)
{
    window->show();
    ChooseAlabama();
    window->Controls().mnuView->trigger();
    ASSERT_EQ(window->MdiArea()->subWindowList().size(), 1);
    auto *display = qobject_cast<frmDisplay *>(window->MdiArea()->subWindowList().front()->widget());
    ASSERT_NE(display, nullptr);
    const tarvel::Grid &grid = display->Data();
    int row = 1;
    while (row < grid.Rows() && grid.Cell(row, 1).find(',') == std::string::npos)
        ++row;
    ASSERT_LT(row, grid.Rows()) << "no value with a thousands separator";
    DragOver(display->grdData, row, 2, row, 1);
    window->Controls().mnuClip->trigger();

    const auto bare = [](std::string_view cell) {
        std::string text(cell);
        text.erase(std::remove(text.begin(), text.end(), ','), text.end());
        return text;
    };
    const std::string expected = grid.Caption + "\r\n\r\n\t" + std::string(grid.Cell(0, 1)) + "\t"
        + std::string(grid.Cell(0, 2)) + "\t\r\n" + std::string(grid.Cell(row, 0)) + "\t" + bare(grid.Cell(row, 1))
        + "\t" + bare(grid.Cell(row, 2)) + "\r\n";
    EXPECT_EQ(Clipboard().toStdString(), expected);
}

TEST_F(ClipboardTest, NoWindowLeavesTheClipboardAlone)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    window->Controls().mnuClip->trigger();
    EXPECT_EQ(Clipboard(), QStringLiteral("kept"));
    EXPECT_TRUE(prompts.records.empty());
}

TEST_F(ClipboardTest, DocumentCopiesItsOwnSelection)
{
    window->show();
    auto *document = new frmDoc;
    document->SetCaption("ZR4fn.txt");
    document->SetText("Footnotes, table ZR4\r\nSecond line\r\n");
    QMdiSubWindow *sub = document->Show(*window->MdiArea(), QSize(400, 300));
    window->MdiArea()->setActiveSubWindow(sub);

    QGuiApplication::clipboard()->setText(QStringLiteral("old"));
    window->Controls().mnuClip->trigger();
    EXPECT_TRUE(Clipboard().isEmpty());

    document->txtDoc->selectAll();
    window->Controls().mnuClip->trigger();
    EXPECT_EQ(Clipboard(), QStringLiteral("Footnotes, table ZR4\nSecond line\n"));
}

} // namespace
