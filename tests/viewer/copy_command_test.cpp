// "Copy as command": the command copied from the print dialog, the
// print-all dialog and the export wizard, run by a shell, makes the file
// the viewer made, byte for byte (an HTML file apart from its time of
// writing, a workbook apart from its creation time).
#include "viewer/display/frmDisplay.h"
#include "viewer/export/frmExport.h"
#include "viewer/main/frmMain.h"
#include "viewer/print/frmPrint.h"
#include "core/catalog/data_files.h"
#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"
#include "core/export/export_formats.h"
#include "core/selection/selection.h"
#include "core/settings/settings_store.h"
#include "scripted_prompts.h"
#include "viewer_fixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Kind = ScriptedPrompts::Kind;
using tarvel::test::Folder;

const std::string PrintKey = tarvel::SettingsKey("print");

std::string SampleFolder()
{
    return tarvel::WithTrailingSlash(TARVEL_SAMPLE_DATA);
}

std::string FileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("<missing ") + path.toStdString() + ">";
}

// The file's bytes without the comment line of an HTML file that holds its
// time of writing.
std::string WithoutTime(std::string text)
{
    const std::size_t at = text.find("<! -- document created ");
    if (at != std::string::npos)
        text.erase(at, text.find("\r\n", at) - at);
    return text;
}

// Two workbooks hold the same parts, byte for byte, but their creation time.
bool SameWorkbooks(const QString &a, const QString &b)
{
    const QString script = QStringLiteral(
        "import sys, zipfile\n"
        "a, b = (zipfile.ZipFile(p) for p in sys.argv[1:3])\n"
        "same = a.namelist() == b.namelist() and all(\n"
        "    a.read(n) == b.read(n) for n in a.namelist() if n != 'docProps/core.xml')\n"
        "sys.exit(0 if same and len(a.namelist()) > 3 else 1)\n");
    QProcess python;
    python.start(QStringLiteral(TARVEL_PYTHON3), {QStringLiteral("-c"), script, a, b});
    python.waitForFinished(30000);
    return python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0;
}

// Runs text in /bin/sh; its exit status (and what it wrote on stderr).
int RunInShell(const QString &text, QString *errors = nullptr)
{
    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), text});
    shell.waitForFinished(60000);
    if (errors)
        *errors = QString::fromLocal8Bit(shell.readAllStandardError());
    return shell.exitStatus() == QProcess::NormalExit ? shell.exitCode() : -1;
}

class CopyCommandTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_config.isValid() && m_program.isValid() && m_out.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        QApplication::clipboard()->setText(QStringLiteral("before"));
    }

    std::unique_ptr<frmMain> Start()
    {
        auto window = std::make_unique<frmMain>(prompts);
        window->SetProgramFolder(Folder(m_program));
        window->SetDataFolderCandidates({SampleFolder()});
        window->Startup({});
        window->show();
        QCoreApplication::processEvents();
        prompts.records.clear();
        return window;
    }

    // An output path in a folder whose name a shell must have quoted.
    QString Out(const QString &name) const
    {
        QDir(m_out.path()).mkpath(QStringLiteral("it's here"));
        return m_out.path() + QStringLiteral("/it's here/") + name;
    }

    static QString Clipboard() { return QApplication::clipboard()->text(); }

    // The command on the clipboard run after the viewer's file is moved
    // aside: true when the command made the file again, the same.
    ::testing::AssertionResult CommandMakesTheSame(const QString &file)
    {
        const QString command = Clipboard();
        if (command == QStringLiteral("before"))
            return ::testing::AssertionFailure() << "nothing was copied";
        const QString viewer = file + QStringLiteral(".viewer");
        if (!QFile::rename(file, viewer))
            return ::testing::AssertionFailure() << "the viewer wrote no " << file.toStdString();
        QString errors;
        const int status = RunInShell(command, &errors);
        if (status != 0)
            return ::testing::AssertionFailure() << command.toStdString() << "\nexit " << status << ": "
                                                 << errors.toStdString();
        const bool same = file.endsWith(QStringLiteral(".xlsx"))
            ? SameWorkbooks(viewer, file)
            : WithoutTime(FileText(viewer)) == WithoutTime(FileText(file));
        if (!same)
            return ::testing::AssertionFailure() << command.toStdString() << "\nmade another " << file.toStdString();
        return ::testing::AssertionSuccess() << command.toStdString();
    }

    QTemporaryDir m_config;
    QTemporaryDir m_program;
    QTemporaryDir m_out;
    ScriptedPrompts prompts;
};

// ---- the export wizard -----------------------------------------------------------

struct ExportCase {
    tarvel::ExportFormat format;
    bool perArea;
    bool unsuppressed;
};

class ExportCommandTest : public CopyCommandTest, public testing::WithParamInterface<ExportCase> {};

TEST_P(ExportCommandTest, CopiedCommandWritesWhatTheWizardWrote)
{
    const ExportCase c = GetParam();
    const tarvel::ExportFormatInfo &format = tarvel::FormatInfo(c.format);
    tarvel::SettingsStore settings((m_config.path() + QStringLiteral("/settings.reg")).toStdString());
    tarvel::WriteDefaultSettings(settings, Folder(m_program));
    tarvel::ExportSelection selection;
    selection.Paths = {Folder(m_program), SampleFolder(), c.unsuppressed};
    for (const int area : {2, 5, 6, 9})
        selection.AreaSelected[static_cast<std::size_t>(area)] = tarvel::Chosen;
    selection.QuarterSelected = tarvel::QuarterFlagsFromChoice({60, 61, 70, 71, 72, 73}, tarvel::QuarterCount("ZR5N"));

    frmExport wizard(prompts, settings, selection, "ZR5N");
    wizard.show();
    wizard.optCopy[static_cast<std::size_t>(c.format)]->click();
    wizard.chkAreaName->setChecked(true);
    wizard.chkQuote->setChecked(false);
    wizard.chkFoot->setChecked(true);
    for (const int item : {0, 2, 3, 4, 10})
        wizard.lstExport->item(item)->setSelected(true);
    const QString folder = Out(QStringLiteral("per area/"));
    const QString file = Out(QStringLiteral("wizard.") + QString::fromLatin1(format.Extension.data(),
                                                                            static_cast<qsizetype>(format.Extension.size())));
    if (c.perArea) {
        QDir().mkpath(folder);
        wizard.optOP[1]->click();
        wizard.txtFileName->setText(folder);
    } else {
        wizard.txtFileName->setText(file);
    }

    wizard.cmdCommand->click();
    EXPECT_TRUE(wizard.isVisible());
    const QString command = Clipboard();
    EXPECT_NE(command.indexOf(QStringLiteral(" --format ") + QString::fromLatin1(format.Name.data(),
                                                                               static_cast<qsizetype>(format.Name.size()))),
              -1)
        << command.toStdString();
    EXPECT_EQ(command.contains(QStringLiteral("--unsuppressed")), c.unsuppressed) << command.toStdString();

    prompts.messageAnswers = {QMessageBox::Ok, QMessageBox::No};
    wizard.cmdOK->click();
    ASSERT_TRUE(wizard.Completed()) << (prompts.records.empty() ? "" : prompts.records.back().text.toStdString());
    if (!c.perArea) {
        EXPECT_TRUE(CommandMakesTheSame(file));
        return;
    }
    // One file per chosen area, each made again the same.
    const QStringList written = QDir(folder).entryList(QDir::Files);
    ASSERT_EQ(written.size(), 4) << written.join(QLatin1Char(' ')).toStdString();
    const QString viewerFolder = Out(QStringLiteral("viewer"));
    ASSERT_TRUE(QDir().rename(folder, viewerFolder));
    QDir().mkpath(folder);
    QString errors;
    ASSERT_EQ(RunInShell(command, &errors), 0) << command.toStdString() << errors.toStdString();
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), written);
    for (const QString &name : written)
        EXPECT_EQ(FileText(folder + name), FileText(viewerFolder + QLatin1Char('/') + name)) << name.toStdString();
}

std::vector<ExportCase> ExportCases()
{
    std::vector<ExportCase> cases;
    for (const tarvel::ExportFormatInfo &format : tarvel::ExportFormats())
        cases.push_back({format.Format, false, false});
    cases.push_back({tarvel::ExportFormat::Tab, true, false});
    cases.push_back({tarvel::ExportFormat::Comma, false, true});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Export, ExportCommandTest, testing::ValuesIn(ExportCases()),
                         [](const testing::TestParamInfo<ExportCase> &info) {
                             return std::string(tarvel::FormatInfo(info.param.format).Name)
                                 + (info.param.perArea ? "PerArea" : "") + (info.param.unsuppressed ? "Unsuppressed" : "");
                         });

TEST_F(CopyCommandTest, WizardWithoutAnOutputSaysSoAndCopiesNothing)
{
    tarvel::SettingsStore settings((m_config.path() + QStringLiteral("/settings.reg")).toStdString());
    tarvel::ExportSelection selection;
    selection.Paths = {Folder(m_program), SampleFolder(), false};
    selection.AreaSelected[2] = tarvel::Chosen;
    selection.QuarterSelected = tarvel::QuarterFlagsFromChoice({73}, tarvel::QuarterCount("ZR5N"));
    frmExport wizard(prompts, settings, selection, "ZR5N");
    wizard.show();
    wizard.lstExport->item(0)->setSelected(true);
    wizard.txtFileName->setText(QStringLiteral("-no file selected-"));
    wizard.cmdCommand->click();
    ASSERT_EQ(prompts.Of(Kind::Message).size(), 1u);
    EXPECT_EQ(prompts.Of(Kind::Message)[0].title, QStringLiteral("Copy as command"));
    EXPECT_EQ(prompts.Of(Kind::Message)[0].icon, QMessageBox::Information);
    EXPECT_EQ(Clipboard(), QStringLiteral("before"));
    EXPECT_FALSE(wizard.Completed());
}

// ---- printing ---------------------------------------------------------------------

struct PrintCase {
    const char *name;
    const char *code;
    const char *file;
    bool reverse;
    bool footnotes;
};

class PrintAllCommandTest : public CopyCommandTest, public testing::WithParamInterface<PrintCase> {};

TEST_P(PrintAllCommandTest, CopiedCommandPrintsWhatPrintAllPrinted)
{
    const PrintCase c = GetParam();
    auto window = Start();
    ASSERT_TRUE(tarvel::test::SelectTable(*window, c.code));
    window->ChooseAreas(tarvel::AreaFlagsFromChoice({2, 5, 9}));
    const int count = tarvel::QuarterCount(c.code);
    window->ChooseQuarters(tarvel::QuarterFlagsFromChoice({count - 9, count - 2, count - 1, count}, count));
    if (c.reverse)
        window->Controls().mnuReverse->trigger();
    const QString file = Out(QString::fromLatin1(c.file));
    window->Settings().WriteSetting(PrintKey, "PrintToFile", "True");
    window->Settings().WriteSetting(PrintKey, "FileName", file.toStdString());
    window->Settings().WriteSetting(PrintKey, "Footnote", c.footnotes ? "True" : "False");
    prompts.dialogScript = [](QDialog &dialog) {
        auto &print = static_cast<frmPrint &>(dialog);
        print.cmdCommand->click();
        print.cmdPrint->click();
    };
    window->RunPrintAll();
    prompts.dialogScript = nullptr;
    EXPECT_TRUE(prompts.Messages(QStringLiteral("Copy as command")).empty());
    EXPECT_TRUE(CommandMakesTheSame(file));
}

INSTANTIATE_TEST_SUITE_P(Print, PrintAllCommandTest,
                         testing::Values(PrintCase{"Html", "ZR6N", "all areas.htm", false, true},
                                         PrintCase{"TextReversed", "ZR5", "all areas.txt", true, false},
                                         PrintCase{"AreasTable", "ZR1", "zr1.HTM", false, true}),
                         [](const testing::TestParamInfo<PrintCase> &info) { return std::string(info.param.name); });

// The active window printed to a file; the windows tarvel-batch cannot
// print say why instead.
TEST_F(CopyCommandTest, ActiveWindowPrintRepeatsOrSaysWhyNot)
{
    auto window = Start();
    ASSERT_TRUE(tarvel::test::SelectTable(*window, "ZR7N"));
    window->ChooseAreas(tarvel::AreaFlagsFromChoice({4, 12}));
    window->Controls().mnuReverse->trigger();
    window->RunDisplay();
    window->RunDisplay();
    auto *table = tarvel::test::DisplayOf(window->MdiArea()->activeSubWindow());
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->Data().Area, 12);

    const QString file = Out(QStringLiteral("window.txt"));
    window->Settings().WriteSetting(PrintKey, "PrintToFile", "True");
    window->Settings().WriteSetting(PrintKey, "FileName", file.toStdString());
    window->Settings().WriteSetting(PrintKey, "Footnote", "True");
    bool print = true;
    prompts.dialogScript = [&print](QDialog &dialog) {
        auto &dialogPrint = static_cast<frmPrint &>(dialog);
        dialogPrint.cmdCommand->click();
        if (print)
            dialogPrint.cmdPrint->click();
    };
    window->RunPrint();
    EXPECT_TRUE(CommandMakesTheSame(file));

    // A one-line window, sorted or not, has no command; the dialog says so.
    table->SetCurrentCell(1, 1);
    for (int row = 1; row < table->Data().Rows() && window->MdiArea()->subWindowList().size() == 2; ++row) {
        table->SetCurrentCell(row, 1);
        window->RunShowOneLine();
    }
    auto *oneLine = tarvel::test::DisplayOf(window->MdiArea()->activeSubWindow());
    ASSERT_NE(oneLine, nullptr);
    ASSERT_EQ(oneLine->Tag(), tarvel::ChildKind::SOL);
    QApplication::clipboard()->setText(QStringLiteral("before"));
    prompts.records.clear();
    print = false;
    window->RunPrint();
    ASSERT_EQ(prompts.Messages(QStringLiteral("Copy as command")).size(), 1u);
    EXPECT_NE(prompts.Messages(QStringLiteral("Copy as command"))[0].text.indexOf(QStringLiteral("one-line")), -1);
    EXPECT_EQ(Clipboard(), QStringLiteral("before"));

    // A printer, or a PDF file, has none either.
    window->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(table->parentWidget()));
    for (const char *output : {"printer", "pdf"}) {
        prompts.records.clear();
        if (std::string(output) == "printer") {
            window->Settings().WriteSetting(PrintKey, "PrintToFile", "False");
        } else {
            window->Settings().WriteSetting(PrintKey, "PrintToFile", "True");
            window->Settings().WriteSetting(PrintKey, "FileName", Out(QStringLiteral("w.pdf")).toStdString());
        }
        window->RunPrint();
        EXPECT_EQ(prompts.Messages(QStringLiteral("Copy as command")).size(), 1u) << output;
        EXPECT_EQ(Clipboard(), QStringLiteral("before")) << output;
    }
    prompts.dialogScript = nullptr;
}

} // namespace
