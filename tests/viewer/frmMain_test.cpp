#include "viewer/main/frmMain.h"
#include "viewer/qt/qt_status_note.h"
#include "viewer/chart/frmChart.h"
#include "viewer/display/frmDisplay.h"
#include "viewer/help/frmDoc.h"
#include "viewer/selection/frmPickList.h"
#include "viewer/qt/qt_child_frame.h"
#include "viewer/qt/qt_command_line.h"
#include "viewer/qt/qt_prompts.h"
#include "viewer/qt/qt_twips.h"
#include "core/help/about_text.h"
#include "core/selection/selection.h"
#include "core/views/one_line_view.h"
#include "core/settings/settings_store.h"
#include "core/settings/program_settings.h"
#include "core/catalog/file_helpers.h"
#include "core/help/help_file.h"
#include "core/settings/data_folder.h"
#include "sample_data.h"
#include "scripted_prompts.h"
#include "viewer_fixture.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QScreen>
#include <QApplication>
#include <QLayout>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Kind = ScriptedPrompts::Kind;

using tarvel::test::Folder;

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

QByteArray Padded(const QByteArray &text, int width)
{
    return text.leftJustified(width, ' ', true);
}

// A data folder as small as start-up and the area pick list need: the two
// marker files and the 60 records of 40 bytes of the area list.
void WriteDataFolder(const QString &folder)
{
    WriteFile(folder + QStringLiteral("/ZR5N.DFX"), "marker\r\n");
    WriteFile(folder + QStringLiteral("/ZR7N.DFX"), "marker\r\n");
    QByteArray list;
    for (int area = 1; area <= 60; ++area) {
        QByteArray code = QByteArray::number(area - 1).rightJustified(2, '0');
        QByteArray name = "Area " + code;
        QByteArray abbreviation = "A" + code;
        QByteArray region = QByteArray::number(area % 9);
        if (area == 2) {
            code = "01";
            name = "Alabama";
            abbreviation = "AL";
            region = "5";
        }
        list += "\"" + code + "\",\"" + Padded(name, 20) + "\",\"" + Padded(abbreviation, 4) + "\",\"" + region
            + "\"\r\n";
    }
    ASSERT_EQ(list.size(), 60 * 40);
    WriteFile(folder + QStringLiteral("/statcode.csv"), list);
}

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_config.isValid() && m_program.isValid() && m_data.isValid() && m_other.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        WriteDataFolder(m_data.path());
    }

    /// A started main window; the data folder is found among the candidates.
    std::unique_ptr<frmMain> Start(const QStringList &arguments = {})
    {
        return StartWith(arguments, {Folder(m_data)});
    }

    std::unique_ptr<frmMain> StartWith(const QStringList &arguments, std::vector<std::string> candidates)
    {
        auto window = std::make_unique<frmMain>(prompts);
        window->SetProgramFolder(Folder(m_program));
        window->SetDataFolderCandidates(std::move(candidates));
        window->Startup(arguments);
        return window;
    }

    /// The settings file as the next run would read it.
    static tarvel::SettingRead Read(const char *key, const char *name)
    {
        const tarvel::SettingsStore store(tarvel::SettingsStore::DefaultFile());
        return store.ReadSetting(tarvel::SettingsKey(key), name);
    }

    static void Choose(frmMain &window, int entry)
    {
        tarvel::test::ChooseQuarterEntry(window, entry);
    }

    QTemporaryDir m_config;
    QTemporaryDir m_program; // holds no data
    QTemporaryDir m_data;
    QTemporaryDir m_other; // a second folder, without marker files
    ScriptedPrompts prompts;
};

// ---- start-up and quit ----------------------------------------------------------

TEST_F(MainWindowTest, PanelsAfterStartupWithData)
{
    auto window = Start();
    EXPECT_EQ(window->PanelText(1), QStringLiteral("ZR4, ZR1 Income summary"));
    EXPECT_EQ(window->PanelText(2), QStringLiteral("ZR4"));
    EXPECT_EQ(window->PanelText(3), QStringLiteral("No states selected"));
    EXPECT_EQ(window->PanelText(4), QStringLiteral("Quarters selected - 4"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Orlandel"));
    EXPECT_EQ(window->State().DataFolder, Folder(m_data));
    EXPECT_TRUE(window->State().ViewForward);
    EXPECT_EQ(window->State().CurrentArea, 0);
    EXPECT_EQ(window->Controls().cboYears->count(), 6);
    EXPECT_EQ(window->Controls().cboYears->currentText(), QStringLiteral("Last four quarters 2007.2 - 2008.1"));
    EXPECT_TRUE(window->Controls().optSeries[0]->isChecked());
    EXPECT_TRUE(window->Controls().optTable[0]->isChecked());
    EXPECT_EQ(window->Controls().optTable[1]->text(), QStringLiteral("ZR1 (1948-2008)"));
    EXPECT_TRUE(window->Controls().optTable[2]->isHidden());
    const auto &quarters = window->State().QuarterSelected;
    ASSERT_EQ(quarters.size(), 242u);
    EXPECT_EQ(tarvel::CountChosen(quarters), 4);
    EXPECT_EQ(quarters[238], 255);
    EXPECT_EQ(quarters[237], 0);
    // The help file lies in neither folder, so the data folder's is named.
    EXPECT_EQ(window->State().HelpFile, Folder(m_data) + "tarvel.hlp");
    EXPECT_TRUE(prompts.Of(Kind::Message).empty());
}

TEST_F(MainWindowTest, ASettingsFileThatCannotBeReadIsNamedAndLeftAlone)
{
    // A folder in the settings file's place: there, but not readable as a file.
    const QString file = QString::fromStdString(tarvel::SettingsStore::DefaultFile().string());
    ASSERT_TRUE(QDir().mkpath(file));
    auto window = Start();
    const auto messages = prompts.Of(Kind::Message);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages[0].title, QStringLiteral("Settings not read"));
    EXPECT_TRUE(messages[0].text.contains(file)) << messages[0].text.toStdString();
    EXPECT_EQ(messages[0].icon, QMessageBox::Warning);
    // The viewer runs on, with the data found.
    EXPECT_EQ(window->State().DataFolder, Folder(m_data));
    window.reset();
    EXPECT_TRUE(QFileInfo(file).isDir());
}

TEST_F(MainWindowTest, ASettingsSaveThatFailsAtQuitIsReportedAndTheWindowStillCloses)
{
    const QString file = QString::fromStdString(tarvel::SettingsStore::DefaultFile().string());
    Start()->close();
    EXPECT_TRUE(prompts.Messages(QString::fromLatin1(tarvel::SettingsNotSavedTitle)).empty());

    auto window = Start();
    // The settings folder is replaced by a file while the program runs.
    const QString folder = QFileInfo(file).absolutePath();
    ASSERT_TRUE(QDir(folder).removeRecursively());
    WriteFile(folder, "not a folder");
    window->State().Display.DefaultWindowHeight = 4321;
    EXPECT_TRUE(window->close());

    const auto messages = prompts.Messages(QString::fromLatin1(tarvel::SettingsNotSavedTitle));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(messages[0].text.contains(file)) << messages[0].text.toStdString();
    const int error = window->Settings().LastSaveError();
    EXPECT_NE(error, 0);
    EXPECT_TRUE(messages[0].text.contains(QString::fromStdString(tarvel::SystemReason(error))))
        << messages[0].text.toStdString();
}

TEST(Prompts, CoreMessagesKeepAFileNameInUtf8WholeAndLatin1TextAsItIs)
{
    ScriptedPrompts prompts;
    prompts.ShowMessage(tarvel::MessageIcon::Warning, "File not accessible",
                        tarvel::FileNotAccessibleText("/home/ann/\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF/zr5.dfx"));
    prompts.ShowMessage(tarvel::MessageIcon::Warning, "T", "Caf\xE9 [01]");
    ASSERT_EQ(prompts.records.size(), 2u);
    EXPECT_EQ(prompts.records[0].text, QStringLiteral("For some reason the file /HOME/ANN/")
                                           + QString::fromUtf8("\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF")
                                           + QStringLiteral("/ZR5.DFX could not be accessed."));
    EXPECT_EQ(prompts.records[1].text, QString::fromLatin1("Caf\xE9 [01]"));
}

TEST_F(MainWindowTest, FindsTheSampleDataBesideTheProgram)
{
    // The program folder and the candidates as the viewer has them.
    auto window = std::make_unique<frmMain>(prompts);
    window->Startup({});
    EXPECT_EQ(window->State().DataFolder, tarvel::WithTrailingSlash(TARVEL_SAMPLE_DATA));
    EXPECT_TRUE(prompts.Of(Kind::Message).empty());

    std::vector<QString> items;
    prompts.dialogScript = [&](QDialog &dialog) {
        auto &pick = static_cast<frmPickList &>(dialog);
        for (int i = 0; i < pick.lstPick->count(); ++i)
            items.push_back(pick.lstPick->item(i)->text());
        pick.cmdOK->click();
    };
    window->Controls().cmdStates->click();
    const auto &areas = tarvel::sample::Areas();
    ASSERT_EQ(items.size(), areas.size());
    for (std::size_t i = 0; i < areas.size(); ++i)
        EXPECT_EQ(items[i], QString::fromStdString(areas[i].name + " (" + areas[i].abbreviation + ")"));
}

TEST_F(MainWindowTest, QuickStartWorksWithoutAnyData)
{
    // A first start where no data are found: the help beside the program
    // still opens.
    auto window = std::make_unique<frmMain>(prompts);
    window->SetDataFolderCandidates({});
    window->Startup({});
    ASSERT_TRUE(window->State().DataFolder.empty());
    ASSERT_EQ(prompts.Of(Kind::Help).size(), 1u);
    const std::string program = tarvel::WithTrailingSlash(QCoreApplication::applicationDirPath().toStdString());
    EXPECT_EQ(window->State().HelpFile, program + "tarvel.hlp");
    const auto help = tarvel::ReadHelpFile(window->State().HelpFile);
    ASSERT_TRUE(help);
    EXPECT_NE(help->Find(8), nullptr);
}

TEST_F(MainWindowTest, MessagesBeforeTheWindowAppearsAreCentredOnTheScreen)
{
    frmMain hidden(prompts); // the main window before it is shown
    QtPrompts real(&hidden);
    std::vector<QRect> boxes;
    QPoint centre;
    // Looks at the box once it is up, then answers it.
    const auto inspect = [&] {
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(100, [&] {
                if (QWidget *box = QApplication::activeModalWidget()) {
                    boxes.push_back(box->frameGeometry());
                    centre = box->screen()->availableGeometry().center();
                    box->close();
                }
            });
        });
    };
    inspect();
    real.Message(QStringLiteral("Files not found"), QStringLiteral("The Orlandel files cannot be found."),
                 QMessageBox::Warning, QMessageBox::Ok);
    inspect();
    real.InputBox(QString::fromLatin1(tarvel::ChangePathTitle), QString::fromLatin1(tarvel::ChangePathPrompt),
                  QStringLiteral("/data/"));
    ASSERT_EQ(boxes.size(), 2u);
    for (const QRect &box : boxes) {
        EXPECT_LE(std::abs(box.center().x() - centre.x()), 2) << box.center().x() << " " << centre.x();
        EXPECT_LE(std::abs(box.center().y() - centre.y()), 2) << box.center().y() << " " << centre.y();
    }
}

TEST_F(MainWindowTest, RestoredWindowLiesOnScreenAndFitsA1024PixelScreen)
{
    for (const QRect &available : {QRect(0, 0, 1024, 740), QRect(1920, 24, 1280, 1000)}) {
        const QRect normal = frmMain::NormalGeometryOn(available);
        EXPECT_TRUE(available.contains(normal)) << available.x();
        // Room for the desktop's title bar above the window's own area.
        EXPECT_GE(normal.top() - available.top(), 30) << available.x();
    }
    auto window = Start();
    window->show();
    QCoreApplication::processEvents();
    // With the default font the window fits a 1024-pixel screen, also with
    // one more display button of the same size.
    const int room = frmMain::NormalGeometryOn(QRect(0, 0, 1024, 740)).width();
    EXPECT_LE(window->minimumSizeHint().width(), room);
    auto *another = new QPushButton(window->Controls().fraDisplay);
    another->setFixedSize(window->Controls().cmdShowOneLine->size());
    window->Controls().fraDisplay->layout()->addWidget(another);
    window->setGeometry(frmMain::NormalGeometryOn(QRect(0, 0, 1024, 740)));
    QCoreApplication::processEvents();
    EXPECT_LE(window->minimumSizeHint().width(), room);
    EXPECT_EQ(window->width(), room);
    const frmMainControls &controls = window->Controls();
    for (QWidget *control :
         std::initializer_list<QWidget *>{controls.cmdPrev, controls.cmdNext, controls.cmdShowOneLine, another}) {
        const QRect place(control->mapTo(window.get(), QPoint(0, 0)), control->size());
        EXPECT_LE(place.right(), window->width()) << control->objectName().toStdString();
    }
}

TEST_F(MainWindowTest, FirstStartWritesDefaultsAndShowsQuickStartOnce)
{
    auto window = Start();
    ASSERT_EQ(prompts.Of(Kind::Help).size(), 1u);
    EXPECT_EQ(prompts.Of(Kind::Help)[0].topic, 8);
    for (const char *key : {"grid", "print", "misc", "export"})
        EXPECT_TRUE(tarvel::SettingsStore(tarvel::SettingsStore::DefaultFile()).KeyExists(tarvel::SettingsKey(key)))
            << key;
    EXPECT_EQ(Read("misc", "DisplayHelp").Text(), "False");
    EXPECT_EQ(Read("grid", "Height").Number(), 5000);
    EXPECT_EQ(Read("print", "Font").Text(), "Courier New");
    EXPECT_EQ(Read("export", "Index").Text(), "4");
    // Found among the candidates, the data folder is remembered at once.
    EXPECT_EQ(Read("misc", "ZRPath").Text(), Folder(m_data));
    window->close();

    prompts.records.clear();
    auto second = Start();
    EXPECT_TRUE(prompts.Of(Kind::Help).empty());
    EXPECT_EQ(second->State().DataFolder, Folder(m_data));
}

TEST_F(MainWindowTest, NoDataFolderWarnsThenAsksForThePath)
{
    prompts.inputAnswers.push_back(m_data.path());
    auto window = StartWith({}, {});
    ASSERT_GE(prompts.records.size(), 2u);
    const auto &warning = prompts.records[0];
    EXPECT_EQ(warning.kind, Kind::Message);
    EXPECT_EQ(warning.title, QStringLiteral("Files not found"));
    EXPECT_EQ(warning.text,
              QStringLiteral("The Orlandel files cannot be found. You will be prompted for the path to the files."));
    EXPECT_EQ(warning.icon, QMessageBox::Warning);
    const auto &box = prompts.records[1];
    EXPECT_EQ(box.kind, Kind::InputBox);
    EXPECT_EQ(box.title, QStringLiteral("Change path"));
    EXPECT_EQ(box.text, QStringLiteral("The current setting for the path to the TARVEL files is below. Enter a new "
                                       "drive letter or path, or cancel: "));
    EXPECT_EQ(window->State().DataFolder, Folder(m_data));
    EXPECT_EQ(prompts.Of(Kind::Message).size(), 1u); // no critical message: the folder holds the data
    EXPECT_EQ(Read("misc", "ZRPath").Text(), Folder(m_data));
}

TEST_F(MainWindowTest, CancelledPathStillOpensTheWindow)
{
    auto window = StartWith({}, {});
    const auto messages = prompts.Of(Kind::Message);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].title, QStringLiteral("TARVEL files not found"));
    EXPECT_EQ(messages[1].text, QStringLiteral("The Orlandel files cannot be found."));
    EXPECT_EQ(messages[1].icon, QMessageBox::Critical);
    EXPECT_TRUE(window->State().DataFolder.empty());
    EXPECT_EQ(window->PanelText(4), QStringLiteral("Quarters selected - 4"));
    window->close();
    // An empty folder is never remembered.
    EXPECT_EQ(Read("misc", "ZRPath").Text(), Folder(m_program));
}

TEST_F(MainWindowTest, FolderWithoutMarkerFilesGivesTheCriticalMessage)
{
    {
        tarvel::SettingsStore store(tarvel::SettingsStore::DefaultFile());
        tarvel::WriteDefaultSettings(store, Folder(m_program));
        store.WriteSetting(tarvel::SettingsKey("misc"), "ZRPath", m_other.path().toStdString());
        store.WriteSetting(tarvel::SettingsKey("misc"), "DisplayHelp", "False");
    }
    // The program folder holds the data, so the remembered folder is kept
    // and reported as lacking the marker files.
    auto window = std::make_unique<frmMain>(prompts);
    window->SetProgramFolder(Folder(m_data));
    window->SetDataFolderCandidates({});
    window->Startup({});
    const auto messages = prompts.Of(Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("TARVEL files not found"));
    EXPECT_EQ(window->State().DataFolder, Folder(m_other));
    EXPECT_EQ(window->PanelText(2), QStringLiteral("ZR4"));
    window->close();
    EXPECT_EQ(Read("misc", "ZRPath").Text(), m_other.path().toStdString());
}

TEST_F(MainWindowTest, MissingRememberedFolderIsReportedFirstAndStaysRemembered)
{
    // An unmounted share: the remembered folder is gone, another folder
    // holds data.
    const std::string share = Folder(m_other) + "unmounted/share/";
    {
        tarvel::SettingsStore store(tarvel::SettingsStore::DefaultFile());
        tarvel::WriteDefaultSettings(store, Folder(m_program));
        store.WriteSetting(tarvel::SettingsKey("misc"), "ZRPath", share);
        store.WriteSetting(tarvel::SettingsKey("misc"), "DisplayHelp", "False");
    }
    auto window = Start();
    EXPECT_EQ(window->State().DataFolder, Folder(m_data));
    const auto messages = prompts.Of(Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("Data folder not found"));
    EXPECT_EQ(messages[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(messages[0].text.contains(QString::fromStdString(share)));
    EXPECT_EQ(Read("misc", "ZRPath").Text(), share);
    window->close();
    EXPECT_EQ(Read("misc", "ZRPath").Text(), share);

    // A folder the user types replaces it.
    auto next = Start();
    prompts.inputAnswers.push_back(m_data.path());
    next->Controls().mnuZRChange->trigger();
    next->close();
    EXPECT_EQ(Read("misc", "ZRPath").Text(), Folder(m_data));
}

TEST_F(MainWindowTest, SampleDataAreMarkedAndNeverRemembered)
{
    {
        tarvel::SettingsStore store(tarvel::SettingsStore::DefaultFile());
        tarvel::WriteDefaultSettings(store, Folder(m_program));
        store.WriteSetting(tarvel::SettingsKey("misc"), "ZRPath", Folder(m_other));
        store.WriteSetting(tarvel::SettingsKey("misc"), "DisplayHelp", "False");
    }
    // The program folder whose sample-data/ is the bundled sample data.
    const std::string sample = tarvel::WithTrailingSlash(TARVEL_SAMPLE_DATA);
    const std::string program = sample.substr(0, sample.size() - std::string("sample-data/").size());
    auto window = std::make_unique<frmMain>(prompts);
    window->SetProgramFolder(program);
    window->SetDataFolderCandidates({sample});
    window->Startup({});
    EXPECT_EQ(window->State().DataFolder, sample);
    EXPECT_TRUE(window->ShowsSampleData());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Orlandel - sample data"));
    EXPECT_FALSE(window->Controls().lblSampleData->isHidden());
    EXPECT_TRUE(window->Controls().lblSampleData->text().startsWith(QStringLiteral("Sample data")));
    window->close();
    EXPECT_EQ(Read("misc", "ZRPath").Text(), Folder(m_other));

    // Other data: the caption and the status bar are as always.
    auto other = Start();
    EXPECT_EQ(other->windowTitle(), QStringLiteral("Orlandel"));
    EXPECT_TRUE(other->Controls().lblSampleData->isHidden());
    EXPECT_FALSE(other->ShowsSampleData());
}

TEST_F(MainWindowTest, QuitStoresDisplaySettingsAndTheDataFolder)
{
    QTemporaryDir moved;
    WriteDataFolder(moved.path());
    auto window = Start();
    auto &state = window->State();
    state.Display.FontName = "DejaVu Sans";
    state.Display.FontSize = 11;
    state.Display.FontBold = true;
    state.Display.DefaultWindowHeight = 6000;
    state.Display.DefaultWindowWidth = 9000;
    window->Controls().mnuReverse->trigger();
    EXPECT_TRUE(state.Display.Reverse);
    prompts.inputAnswers.push_back(QStringLiteral("  ") + moved.path() + QStringLiteral("  "));
    window->Controls().mnuZRChange->trigger();
    EXPECT_EQ(state.DataFolder, Folder(moved));
    // Nothing is stored before quitting.
    EXPECT_EQ(Read("misc", "ZRPath").Text(), Folder(m_data));

    window->Controls().mnuQuit->trigger();
    EXPECT_EQ(Read("misc", "Font").Text(), "DejaVu Sans");
    EXPECT_EQ(Read("misc", "Size").Text(), " 11");
    EXPECT_EQ(Read("misc", "Bold").Text(), "True");
    EXPECT_EQ(Read("misc", "Italic").Text(), "False");
    EXPECT_EQ(Read("grid", "Reverse").Text(), "True");
    EXPECT_EQ(Read("grid", "Height").Number(), 6000);
    EXPECT_EQ(Read("grid", "Width").Number(), 9000);
    EXPECT_EQ(Read("misc", "ZRPath").Text(), Folder(moved));

    // The next run starts from what was stored.
    auto next = Start();
    EXPECT_EQ(next->State().DataFolder, Folder(moved));
    EXPECT_EQ(next->State().Display.FontSize, 11);
    EXPECT_TRUE(next->Controls().mnuReverse->isChecked());
}

TEST_F(MainWindowTest, FolderWithoutMarkersIsNotRemembered)
{
    auto window = Start();
    prompts.inputAnswers.push_back(m_other.path());
    window->Controls().mnuZRChange->trigger();
    EXPECT_EQ(window->State().DataFolder, Folder(m_other));
    window->close();
    EXPECT_EQ(Read("misc", "ZRPath").Text(), Folder(m_data));
}

TEST_F(MainWindowTest, ChangePathKeepsTheFolderWhenCancelledOrBlank)
{
    auto window = Start();
    prompts.inputAnswers.push_back(std::nullopt);
    prompts.inputAnswers.push_back(QStringLiteral("   "));
    window->Controls().mnuZRChange->trigger();
    window->Controls().mnuZRChange->trigger();
    EXPECT_EQ(window->State().DataFolder, Folder(m_data));
    const auto boxes = prompts.Of(Kind::InputBox);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].initial, QString::fromStdString(Folder(m_data)));
}

TEST_F(MainWindowTest, ChangePathShowsAndKeepsTheFolderAsItIs)
{
    // OK on the unchanged text of a folder with capitals stays in that folder.
    const QString mixed = m_data.path() + QStringLiteral("/Data On SHARE");
    ASSERT_TRUE(QDir().mkpath(mixed));
    WriteDataFolder(mixed);
    const std::string folder = mixed.toStdString() + "/";
    auto window = StartWith({}, {folder});
    ASSERT_EQ(window->State().DataFolder, folder);
    prompts.inputAnswers.push_back(QString::fromStdString(folder));
    window->Controls().mnuZRChange->trigger();
    const auto boxes = prompts.Of(Kind::InputBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].initial, QString::fromStdString(folder));
    EXPECT_EQ(window->State().DataFolder, folder);
    EXPECT_TRUE(tarvel::DataFilesPresent(window->State().DataFolder));
}

// A typed folder without the data is taken as the box says, without a
// question; the status bar says it holds no data for as long as it is the
// folder, and stops when a folder with the data is typed.
TEST_F(MainWindowTest, ChangePathToAFolderWithoutDataSaysSoInTheStatusBar)
{
    auto window = Start();
    const std::string empty = Folder(m_program);
    prompts.inputAnswers = {QString::fromStdString(empty), QString::fromStdString(Folder(m_data))};
    window->Controls().mnuZRChange->trigger();
    EXPECT_EQ(window->State().DataFolder, empty);
    EXPECT_TRUE(prompts.Of(Kind::Message).empty());
    EXPECT_TRUE(window->Controls().lblNote->isVisibleTo(window.get()));
    EXPECT_EQ(window->Controls().lblNote->text(),
              QStringLiteral("No Orlandel data files in ") + QString::fromStdString(empty));
    window->Controls().mnuZRChange->trigger();
    EXPECT_EQ(window->State().DataFolder, Folder(m_data));
    EXPECT_FALSE(window->Controls().lblNote->isVisibleTo(window.get()));
}

TEST_F(MainWindowTest, UnsuppressedRunShowsItsSignAndNeverStoresTheFolder)
{
    auto window = Start({QStringLiteral("/unsuppressed")});
    EXPECT_TRUE(window->State().Unsuppressed);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Orlandel ***UNSUPPRESSED*** "));
    const frmMainControls &controls = window->Controls();
    for (QWidget *widget : std::initializer_list<QWidget *>{controls.picMain, controls.fraTable, controls.fraDisplay,
                                                           controls.lblYears}) {
        EXPECT_EQ(widget->palette().color(QPalette::Window), QColor(Qt::black)) << widget->objectName().toStdString();
        EXPECT_EQ(widget->palette().color(QPalette::WindowText), QColor(Qt::red)) << widget->objectName().toStdString();
    }
    // Step 5 is skipped: neither the check nor the remembered folder.
    EXPECT_TRUE(prompts.Of(Kind::Message).empty());
    EXPECT_EQ(Read("misc", "ZRPath").Text(), Folder(m_program));
    window->close();
    EXPECT_EQ(Read("misc", "ZRPath").Text(), Folder(m_program));
}

TEST_F(MainWindowTest, SwitchWithMoreTextLeavesNormalMode)
{
    auto window = Start({QStringLiteral("/unsuppressed"), QStringLiteral("x")});
    EXPECT_FALSE(window->State().Unsuppressed);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Orlandel"));
}

// ---- series, tables and quarters ---------------------------------------------------

TEST_F(MainWindowTest, ToolkitOptionsAfterTheSwitchLeaveTheRunNormal)
{
    // What QApplication would leave of this command line is the switch alone.
    const char *typed[] = {"tarvel", "/UNSUPPRESSED", "-style", "Fusion", nullptr};
    const QStringList arguments = CommandLineAsTyped(4, typed);
    EXPECT_EQ(arguments, (QStringList{QStringLiteral("/UNSUPPRESSED"), QStringLiteral("-style"),
                                      QStringLiteral("Fusion")}));
    auto window = Start(arguments);
    EXPECT_FALSE(window->State().Unsuppressed);
    const char *alone[] = {"tarvel", "/unsuppressed", nullptr};
    auto unsuppressed = Start(CommandLineAsTyped(2, alone));
    EXPECT_TRUE(unsuppressed->State().Unsuppressed);
    EXPECT_TRUE(CommandLineAsTyped(1, alone).isEmpty());
}

TEST_F(MainWindowTest, SeriesTwoShowsTheCompensationTables)
{
    auto window = Start();
    window->Controls().optSeries[2]->click();
    EXPECT_EQ(window->Controls().optTable[0]->text(), QStringLiteral("ZR6N NAICS (2001-2008)"));
    EXPECT_EQ(window->Controls().optTable[1]->text(), QStringLiteral("ZR6 SIC (1998-2001)"));
    EXPECT_FALSE(window->Controls().optTable[0]->isHidden());
    EXPECT_TRUE(window->Controls().optTable[2]->isHidden());
    EXPECT_TRUE(window->Controls().optTable[0]->isChecked());
    EXPECT_EQ(window->PanelText(1), QStringLiteral("ZR6 Compensation by major industry"));
    EXPECT_EQ(window->PanelText(2), QStringLiteral("ZR6N"));
    EXPECT_EQ(window->Controls().cboYears->itemText(0), QStringLiteral("Last four quarters 2007.2 - 2008.1"));
    EXPECT_EQ(window->State().QuarterSelected.size(), 30u);

    window->Controls().optTable[1]->click();
    EXPECT_EQ(window->PanelText(2), QStringLiteral("ZR6"));
    EXPECT_EQ(window->Controls().cboYears->itemText(3), QStringLiteral("Last nine quarters 1999.4 - 2001.4"));
    EXPECT_EQ(window->Controls().cboYears->currentIndex(), 0);
    EXPECT_EQ(window->PanelText(4), QStringLiteral("Quarters selected - 4"));

    window->Controls().optSeries[1]->click();
    EXPECT_FALSE(window->Controls().optTable[2]->isHidden());
    EXPECT_EQ(window->Controls().optTable[2]->text(), QStringLiteral("ZR5H historical (1948-1957)"));
    EXPECT_EQ(window->PanelText(2), QStringLiteral("ZR5N"));
}

TEST_F(MainWindowTest, QuarterEntriesSetTheFlags)
{
    auto window = Start();
    window->Controls().optTable[1]->click(); // ZR1
    Choose(*window, 4);
    EXPECT_EQ(window->PanelText(4), QStringLiteral("Quarters selected - 241"));
    EXPECT_EQ(tarvel::CountChosen(window->State().QuarterSelected), 241);
    Choose(*window, 2);
    EXPECT_EQ(window->PanelText(4), QStringLiteral("Quarters selected - 8"));
    Choose(*window, 3);
    EXPECT_EQ(window->PanelText(4), QStringLiteral("Quarters selected - 9"));
    // A new table starts again with its last four quarters; the areas stay.
    window->State().AreaSelected[7] = 255;
    window->Controls().optTable[0]->click();
    EXPECT_EQ(window->PanelText(4), QStringLiteral("Quarters selected - 4"));
    EXPECT_EQ(window->State().AreaSelected[7], 255);
}

TEST_F(MainWindowTest, EmptyQuarterChoiceLeavesNoEntryAndTheDisplayAsksForQuarters)
{
    auto window = Start();
    int preselected = -1;
    prompts.dialogScript = [&](QDialog &dialog) {
        auto &pick = static_cast<frmPickList &>(dialog);
        EXPECT_EQ(pick.Tag(), frmPickList::Mode::Quarters);
        EXPECT_EQ(pick.lstPick->count(), 241);
        EXPECT_EQ(pick.lstPick->item(240)->text(), QStringLiteral("2008.1"));
        preselected = static_cast<int>(pick.lstPick->selectedItems().size());
        pick.cmdClear->click();
        pick.cmdOK->click();
    };
    Choose(*window, tarvel::SelectQuartersEntry);
    const auto dialogs = prompts.Of(Kind::Dialog);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].title, QStringLiteral("Select years"));
    EXPECT_EQ(preselected, 4); // it starts from the current choice
    EXPECT_EQ(window->PanelText(4), QStringLiteral("No quarters selected"));
    EXPECT_EQ(window->Controls().cboYears->currentIndex(), -1);
    EXPECT_EQ(tarvel::CountChosen(window->State().QuarterSelected), 0);

    window->ChooseAreas(tarvel::AreaFlagsFromChoice({5}));
    window->Controls().mnuView->trigger();
    const auto messages = prompts.Of(Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("Select quarters"));
    EXPECT_EQ(messages[0].text, QStringLiteral("Please make a quarter selection from the Quarters box."));
    EXPECT_EQ(messages[0].icon, QMessageBox::Information);
}

TEST_F(MainWindowTest, QuarterPickListChoiceAndCloseBox)
{
    auto window = Start();
    window->Controls().optSeries[2]->click();
    window->Controls().optTable[1]->click(); // ZR6, 16 quarters
    prompts.dialogScript = [](QDialog &dialog) {
        auto &pick = static_cast<frmPickList &>(dialog);
        pick.cmdClear->click();
        pick.lstPick->item(0)->setSelected(true);
        pick.lstPick->item(2)->setSelected(true);
        pick.cmdOK->click();
    };
    Choose(*window, tarvel::SelectQuartersEntry);
    EXPECT_EQ(window->PanelText(4), QStringLiteral("Quarters selected - 2"));
    EXPECT_EQ(window->Controls().cboYears->currentIndex(), tarvel::SelectQuartersEntry);
    const auto &flags = window->State().QuarterSelected;
    ASSERT_EQ(flags.size(), 17u);
    EXPECT_EQ(flags[1], 255);
    EXPECT_EQ(flags[3], 255);

    // The close box keeps the flags as they were.
    prompts.dialogScript = [](QDialog &dialog) { static_cast<frmPickList &>(dialog).cmdAll->click(); };
    Choose(*window, tarvel::SelectQuartersEntry);
    EXPECT_EQ(window->PanelText(4), QStringLiteral("Quarters selected - 2"));
}

TEST_F(MainWindowTest, ClickOnTheChosenSeriesOrTableKeepsACustomQuarterChoice)
{
    auto window = Start();
    window->Controls().optSeries[0]->click();
    window->Controls().optTable[1]->click(); // ZR1, 241 quarters
    Choose(*window, 4);           // every quarter
    ASSERT_EQ(window->PanelText(4), QStringLiteral("Quarters selected - 241"));
    const int entry = window->Controls().cboYears->currentIndex();
    window->Controls().optTable[1]->click();
    window->Controls().optSeries[0]->click();
    EXPECT_EQ(window->PanelText(4), QStringLiteral("Quarters selected - 241"));
    EXPECT_EQ(window->Controls().cboYears->currentIndex(), entry);
    EXPECT_EQ(window->PanelText(2), QStringLiteral("ZR1"));
    EXPECT_TRUE(window->Controls().optTable[1]->isChecked());
    // Another button still chooses afresh.
    window->Controls().optTable[0]->click();
    EXPECT_EQ(window->PanelText(2), QStringLiteral("ZR4"));
    EXPECT_EQ(window->PanelText(4), QStringLiteral("Quarters selected - 4"));
    window->Controls().optSeries[1]->click();
    EXPECT_EQ(window->PanelText(1), window->Controls().optSeries[1]->text());
}

TEST_F(MainWindowTest, WheelOverTheQuarterListWithoutFocusChangesNothing)
{
    auto window = Start();
    window->show();
    QCoreApplication::processEvents();
    window->Controls().cmdStates->setFocus();
    ASSERT_FALSE(window->Controls().cboYears->hasFocus());
    EXPECT_NE(window->Controls().cboYears->focusPolicy() & Qt::WheelFocus, Qt::WheelFocus);
    const int before = window->Controls().cboYears->currentIndex();
    for (int turn = 0; turn < 8; ++turn) {
        const QPointF at(5, 5);
        QWheelEvent wheel(at, window->Controls().cboYears->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(window->Controls().cboYears, &wheel);
    }
    EXPECT_EQ(window->Controls().cboYears->currentIndex(), before);
    EXPECT_EQ(window->PanelText(4), QStringLiteral("Quarters selected - 4"));
    EXPECT_TRUE(prompts.Of(Kind::Dialog).empty());
}

// ---- areas -----------------------------------------------------------------------

TEST_F(MainWindowTest, AreasFiveAndNine)
{
    auto window = Start();
    prompts.dialogScript = [](QDialog &dialog) {
        auto &pick = static_cast<frmPickList &>(dialog);
        EXPECT_EQ(pick.Tag(), frmPickList::Mode::Areas);
        EXPECT_EQ(pick.windowTitle(), QStringLiteral("States"));
        ASSERT_EQ(pick.lstPick->count(), 60);
        EXPECT_EQ(pick.lstPick->item(1)->text(), QStringLiteral("Alabama (AL)"));
        EXPECT_EQ(pick.lstFIPS->item(1)->text(), QStringLiteral("01 (5)"));
        EXPECT_TRUE(pick.lstFIPS->isHidden());
        pick.lstPick->item(4)->setSelected(true);
        pick.lstPick->item(8)->setSelected(true);
        pick.cmdOK->click();
    };
    window->Controls().cmdStates->click();
    EXPECT_EQ(window->State().CurrentArea, 4);
    EXPECT_EQ(window->PanelText(3), QStringLiteral("Areas selected - 2"));
    EXPECT_EQ(window->State().AreaSelected[5], 255);
    EXPECT_EQ(window->State().AreaSelected[9], 255);
    EXPECT_EQ(tarvel::CountChosen(window->State().AreaSelected), 2);

    // Reopening shows the earlier choice; the close box keeps it, and the
    // current area is put back before the first chosen area.
    std::vector<int> shown;
    prompts.dialogScript = [&](QDialog &dialog) {
        auto &pick = static_cast<frmPickList &>(dialog);
        for (int i = 0; i < pick.lstPick->count(); ++i) {
            if (pick.lstPick->item(i)->isSelected())
                shown.push_back(i + 1);
        }
        pick.cmdAll->click();
    };
    window->State().CurrentArea = 9;
    window->Controls().cmdStates->click();
    EXPECT_EQ(shown, (std::vector<int>{5, 9}));
    EXPECT_EQ(window->State().CurrentArea, 4);
    EXPECT_EQ(window->PanelText(3), QStringLiteral("Areas selected - 2"));
}

TEST_F(MainWindowTest, AllThenOkAndNothingThenOk)
{
    auto window = Start();
    prompts.dialogScript = [](QDialog &dialog) {
        auto &pick = static_cast<frmPickList &>(dialog);
        pick.cmdAll->click();
        pick.cmdOK->click();
    };
    window->Controls().cmdStates->click();
    EXPECT_EQ(window->PanelText(3), QStringLiteral("Areas selected - 60"));
    EXPECT_EQ(window->State().CurrentArea, 0);

    prompts.dialogScript = [](QDialog &dialog) {
        auto &pick = static_cast<frmPickList &>(dialog);
        pick.cmdClear->click();
        pick.cmdOK->click();
    };
    window->Controls().cmdStates->click();
    EXPECT_EQ(window->PanelText(3), QStringLiteral("No Areas selected"));
    EXPECT_EQ(window->State().CurrentArea, 0);
    EXPECT_EQ(tarvel::CountChosen(window->State().AreaSelected), 0);
}

TEST_F(MainWindowTest, MissingAreaListIsReportedAndChangesNothing)
{
    auto window = Start();
    ASSERT_TRUE(QFile::remove(m_data.path() + QStringLiteral("/statcode.csv")));
    window->State().CurrentArea = 7;
    window->Controls().cmdStates->click();
    EXPECT_TRUE(prompts.Of(Kind::Dialog).empty());
    const auto messages = prompts.Of(Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("File not accessible"));
    EXPECT_EQ(messages[0].text, QStringLiteral("For some reason the file ")
                                    + QString::fromStdString(Folder(m_data)).toUpper()
                                    + QStringLiteral("STATCODE.CSV could not be accessed.\nNo such file or directory"));
    EXPECT_EQ(messages[0].icon, QMessageBox::Warning);
    EXPECT_EQ(window->State().CurrentArea, 7);
    EXPECT_EQ(window->PanelText(3), QStringLiteral("No states selected"));
}

TEST_F(MainWindowTest, DisplayButtonsStepThroughTheChosenAreas)
{
    // The display command reads the tables, so this runs on the sample data.
    auto window = StartWith({}, {std::string(TARVEL_SAMPLE_DATA) + "/"});
    prompts.dialogScript = [](QDialog &dialog) {
        auto &pick = static_cast<frmPickList &>(dialog);
        pick.lstPick->item(4)->setSelected(true);
        pick.lstPick->item(39)->setSelected(true);
        pick.cmdOK->click();
    };
    window->Controls().cmdStates->click();
    auto &state = window->State();
    std::vector<int> visited;
    const frmMainControls &controls = window->Controls();
    for (QPushButton *button :
         {controls.cmdNext, controls.cmdNext, controls.cmdNext, controls.cmdPrev, controls.cmdPrev}) {
        button->click();
        visited.push_back(state.CurrentArea);
    }
    EXPECT_EQ(visited, (std::vector<int>{5, 40, 5, 40, 5}));
    EXPECT_FALSE(state.ViewForward);
    // The menu command keeps the direction last used.
    window->Controls().mnuView->trigger();
    EXPECT_EQ(state.CurrentArea, 40);

    // ZR1 shows every area at once: the buttons leave the area alone.
    window->Controls().optTable[1]->click();
    window->Controls().cmdNext->click();
    window->Controls().cmdPrev->click();
    EXPECT_EQ(state.CurrentArea, 40);
    EXPECT_TRUE(prompts.Of(Kind::Message).empty());
}

TEST_F(MainWindowTest, OneLineCommandIsOffUntilATableViewIsActive)
{
    auto window = Start();
    EXPECT_FALSE(window->Controls().mnuShowOneLine->isEnabled());
    EXPECT_TRUE(window->Controls().cmdShowOneLine->isHidden());
}

TEST_F(MainWindowTest, DisplayAsksForAreasFirstOutsideZR1)
{
    auto window = StartWith({}, {std::string(TARVEL_SAMPLE_DATA) + "/"});
    window->Controls().mnuView->trigger();
    window->Controls().optTable[1]->click(); // ZR1 needs no areas
    window->Controls().mnuView->trigger();
    const auto messages = prompts.Of(Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("Select State"));
    EXPECT_EQ(messages[0].text, QStringLiteral("Please select one or more States."));
}

// ---- layout, menus and window management -------------------------------------------

TEST_F(MainWindowTest, ControlsCarryTheirCaptionsAndTips)
{
    auto window = Start();
    const std::vector<std::pair<const char *, const char *>> tips{
        {"cboYears", "Choose years"},       {"cmdStates", "Select States"},
        {"cmdPrev", "Display previous area"}, {"cmdNext", "Display next area"},
        {"cmdShowOneLine", "Display One Line"}, {"Panel1", "Table"},
        {"Panel2", "Table selection"},      {"Panel3", "State selection"},
        {"Panel4", "Quarter selection"}};
    for (const auto &[name, tip] : tips) {
        auto *widget = window->findChild<QWidget *>(QString::fromLatin1(name));
        ASSERT_NE(widget, nullptr) << name;
        EXPECT_EQ(widget->toolTip(), QString::fromLatin1(tip)) << name;
    }
    EXPECT_EQ(window->Controls().fraSeries->title(), QStringLiteral("1. Table"));
    EXPECT_EQ(window->Controls().fraTable->title(), QStringLiteral("2. Specific table"));
    EXPECT_EQ(window->Controls().lblYears->text(), QStringLiteral("3. Quarters"));
    EXPECT_EQ(window->Controls().cmdStates->text(), QStringLiteral("4. Select States"));
    EXPECT_EQ(window->Controls().fraDisplay->title(), QStringLiteral("5. Display"));
    EXPECT_EQ(window->findChild<QRadioButton *>(QStringLiteral("optSeries_3"))->text(),
              QStringLiteral("ZR7 Wage and salary disbursements by major industry"));
    const frmMainControls &controls = window->Controls();
    for (QPushButton *button : {controls.cmdPrev, controls.cmdNext, controls.cmdShowOneLine})
        EXPECT_FALSE(button->icon().isNull()) << button->objectName().toStdString();
}

TEST_F(MainWindowTest, MenusInOrderWithSeparators)
{
    auto window = Start();
    auto captions = [](QMenu *menu) {
        QStringList texts;
        for (QAction *action : menu->actions())
            texts << (action->isSeparator() ? QStringLiteral("-") : action->objectName() + QLatin1Char('=') + action->text());
        return texts;
    };
    EXPECT_EQ(captions(window->Controls().mnuFile),
              (QStringList{QStringLiteral("mnuView=&Display"), QStringLiteral("mnuShowOneLine=Display &One line"),
                           QStringLiteral("mnuChart=C&hart..."),
                           QStringLiteral("-"), QStringLiteral("mnuPrint=&Print active window..."),
                           QStringLiteral("mnuPrintAll=Print &Table for selected areas..."),
                           QStringLiteral("mnuPrintPreview=Print pre&view..."),
                           QStringLiteral("mnuPrintAllPreview=Print previe&w of Table for selected areas..."),
                           QStringLiteral("-"),
                           QStringLiteral("mnuClip=&Copy selected to clipboard"),
                           QStringLiteral("mnuExport=&Export to file..."), QStringLiteral("-"),
                           QStringLiteral("mnuQuit=E&xit")}));
    EXPECT_EQ(captions(window->Controls().mnuSettings),
              (QStringList{QStringLiteral("mnuFont=&Font..."), QStringLiteral("mnuGridHeadAction=&Table view"),
                           QStringLiteral("mnuZRChange=&Change path to ZR files"),
                           QStringLiteral("mnuReset=&Reset to default")}));
    EXPECT_EQ(captions(window->Controls().mnuGridHead),
              (QStringList{QStringLiteral("mnuSetWindowHW=&Set default height/width to current window size"),
                           QStringLiteral("mnuReverse=&Reverse years"), QStringLiteral("mnuGrid_2=&Height..."),
                           QStringLiteral("mnuGrid_3=&Width...")}));
    EXPECT_EQ(captions(window->Controls().mnuDocHeader),
              (QStringList{QStringLiteral("mnuFoot_0=Footnotes, current table"),
                           QStringLiteral("mnuFoot_1=Summary, current table"),
                           QStringLiteral("mnuDoc_0=&Format of exported files"), QStringLiteral("mnuDoc_1=&ZUL Regions"),
                           QStringLiteral("mnuDoc_2=&Readme/what's new")}));
    EXPECT_EQ(captions(window->Controls().mnuArrangeMenu),
              (QStringList{QStringLiteral("mnuArrange_0=&Cascade"), QStringLiteral("mnuArrange_1=Tile &Horizontal"),
                           QStringLiteral("mnuArrange_2=Tile &Vertical"), QStringLiteral("mnuArrange_3=&Arrange Icons")}));
    EXPECT_EQ(captions(window->Controls().mnuHelp),
              (QStringList{QStringLiteral("mnuHelpQS=&Quick start"), QStringLiteral("mnuHelpContents=&Contents"),
                           QStringLiteral("mnuHelpIndex=&Index of tables"), QStringLiteral("mnuHelpSearch=&Search"),
                           QStringLiteral("mnuWeb=ZUL &Web Site"), QStringLiteral("mnuHelpAbout=&About TARVEL")}));
    QStringList bar;
    for (QAction *action : window->menuBar()->actions())
        bar << action->text();
    EXPECT_EQ(bar, (QStringList{QStringLiteral("&File"), QStringLiteral("&Units"), QStringLiteral("&Options"),
                                QStringLiteral("&Documentation"), QStringLiteral("&Window"), QStringLiteral("&Help")}));
    EXPECT_TRUE(window->Controls().mnuReverse->isCheckable());
    EXPECT_FALSE(window->Controls().mnuReverse->isChecked());
}

TEST_F(MainWindowTest, WindowMenuListsTheChildWindows)
{
    auto window = Start();
    for (const char *caption : {"ZR4 Current series 1948-2008 ~ Alabama [01]", "ZR5N  footnotes & more"}) {
        QMdiSubWindow *child = window->MdiArea()->addSubWindow(new QWidget);
        child->setWindowTitle(QString::fromLatin1(caption));
        child->show();
    }
    window->UpdateWindowMenu();
    QStringList listed;
    for (QAction *action : window->Controls().mnuWindow->actions()) {
        if (!action->isSeparator() && !action->objectName().startsWith(QStringLiteral("mnu")))
            listed << action->text();
    }
    EXPECT_EQ(listed, (QStringList{QStringLiteral("&1 ZR4 Current series 1948-2008 ~ Alabama [01]"),
                                   QStringLiteral("&2 ZR5N  footnotes && more")}));
    // Rebuilding does not repeat the list.
    window->UpdateWindowMenu();
    EXPECT_EQ(window->Controls().mnuWindow->actions().size(), 3 + 1 + 2);

    window->Controls().mnuMinimize->trigger();
    for (QMdiSubWindow *child : window->MdiArea()->subWindowList())
        EXPECT_TRUE(child->isMinimized());
    window->Controls().mnuCloseAll->trigger();
    EXPECT_TRUE(window->MdiArea()->subWindowList().isEmpty());
    window->UpdateWindowMenu();
    EXPECT_EQ(window->Controls().mnuWindow->actions().size(), 3);
}

// ---- every command -------------------------------------------------------------------

// What one menu command did, on a main window over the sample data that
// shows Alabama's ZR4 table (Alabama and Alaska chosen) with the cursor on
// a data line. prepare runs before the command; check reads what it did.
struct CommandCase {
    const char *name; ///< the action's object name
    std::function<void(frmMain &)> prepare;
    std::function<void(frmMain &, const ScriptedPrompts &)> check;
    int messages = 0; ///< message boxes the command shows
};

QMdiSubWindow *ActiveChild(const frmMain &window)
{
    return window.MdiArea()->activeSubWindow();
}

QString ActiveCaption(const frmMain &window)
{
    const QMdiSubWindow *active = ActiveChild(window);
    return active ? active->windowTitle() : QString();
}

template <typename Window> Window *ActiveAs(const frmMain &window)
{
    const QMdiSubWindow *active = ActiveChild(window);
    return active ? qobject_cast<Window *>(active->widget()) : nullptr;
}

// The one record of kind; a test failure and an empty record otherwise.
ScriptedPrompts::Record OnlyRecord(const ScriptedPrompts &prompts, Kind kind)
{
    const auto records = prompts.Of(kind);
    EXPECT_EQ(records.size(), 1u);
    return records.empty() ? ScriptedPrompts::Record{kind, {}, {}, QMessageBox::NoIcon, {}, 0} : records[0];
}

// A command that opens one document window captioned captionStart + " (path)".
CommandCase DocumentCase(const char *name, const char *captionStart)
{
    return {name, nullptr, [captionStart](frmMain &window, const ScriptedPrompts &) {
                EXPECT_TRUE(ActiveCaption(window).startsWith(QString::fromLatin1(captionStart) + QStringLiteral(" (")))
                    << ActiveCaption(window).toStdString();
                const auto *document = ActiveAs<frmDoc>(window);
                ASSERT_NE(document, nullptr);
                EXPECT_EQ(document->Tag(), tarvel::ChildKind::Document);
                EXPECT_FALSE(document->Text().empty());
            }};
}

// The active table window shows unit; an index has asked for its base.
CommandCase UnitsCase(const char *name, tarvel::Units unit, std::function<void(frmMain &)> prepare = nullptr)
{
    return {name, std::move(prepare), [unit](frmMain &window, const ScriptedPrompts &prompts) {
                const auto *view = ActiveAs<frmDisplay>(window);
                ASSERT_TRUE(view && view->Units().Unit == unit);
                EXPECT_EQ(prompts.Of(Kind::InputBox).size(), unit == tarvel::Units::Index ? 1u : 0u);
            }};
}

CommandCase HelpCase(const char *name, int topic)
{
    return {name, nullptr, [topic](frmMain &, const ScriptedPrompts &prompts) {
                EXPECT_EQ(OnlyRecord(prompts, Kind::Help).topic, topic);
            }};
}

// A command that runs one of the program's own dialogs, titled title.
CommandCase DialogCase(const char *name, const char *objectName, std::function<QString(const frmMain &)> title)
{
    return {name, nullptr, [objectName, title](frmMain &window, const ScriptedPrompts &prompts) {
                const ScriptedPrompts::Record dialog = OnlyRecord(prompts, Kind::Dialog);
                EXPECT_EQ(dialog.text.toStdString(), objectName);
                EXPECT_EQ(dialog.title.toStdString(), title(window).toStdString());
            }};
}

// Each window's geometry, in creation order.
std::vector<QRect> Geometries(const frmMain &window)
{
    std::vector<QRect> places;
    for (const QMdiSubWindow *child : window.MdiArea()->subWindowList(QMdiArea::CreationOrder))
        places.push_back(child->geometry());
    return places;
}

TEST_F(MainWindowTest, EveryMenuCommandDoesWhatItIsFor)
{
    const QString table = QStringLiteral("ZR4 Current series 1948-2008 ~ Alabama [01]");
    const auto title = [](const char *text) { return [text](const frmMain &) { return QString::fromLatin1(text); }; };
    const auto openAlaska = [](frmMain &window) { window.RunDisplay(); };
    const std::vector<CommandCase> cases{
        {"mnuView", nullptr,
         [](frmMain &window, const ScriptedPrompts &) {
             EXPECT_EQ(window.MdiArea()->subWindowList().size(), 2);
             EXPECT_TRUE(ActiveCaption(window).endsWith(QStringLiteral("~ Alaska [02]")))
                 << ActiveCaption(window).toStdString();
         }},
        {"mnuShowOneLine", nullptr,
         [](frmMain &window, const ScriptedPrompts &) {
             const auto *view = ActiveAs<frmDisplay>(window);
             ASSERT_NE(view, nullptr);
             EXPECT_EQ(view->Tag(), tarvel::ChildKind::SOL);
             EXPECT_EQ(view->TableCode(), "ZR4");
         }},
        {"mnuChart", nullptr,
         [](frmMain &window, const ScriptedPrompts &) { EXPECT_NE(ActiveAs<frmChart>(window), nullptr); }},
        DialogCase("mnuPrint", "frmPrint", [table](const frmMain &) { return QStringLiteral("Print ") + table; }),
        DialogCase("mnuPrintAll", "frmPrint", title("Print all areas for table ZR4")),
        DialogCase("mnuPrintPreview", "frmPrintPreview",
                   [table](const frmMain &) { return QStringLiteral("Print preview ") + table; }),
        DialogCase("mnuPrintAllPreview", "frmPrintPreview", title("Print preview of all areas for table ZR4")),
        {"mnuClip", [](frmMain &) { QGuiApplication::clipboard()->setText(QStringLiteral("before")); },
         [table](frmMain &, const ScriptedPrompts &) {
             EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith(table))
                 << QGuiApplication::clipboard()->text().toStdString();
         }},
        DialogCase("mnuExport", "frmExport", title("Export")),
        UnitsCase("mnuUnit_level", tarvel::Units::Level),
        UnitsCase("mnuUnit_chg", tarvel::Units::Change),
        UnitsCase("mnuUnit_ch1", tarvel::Units::ChangeFromYearAgo),
        UnitsCase("mnuUnit_pch", tarvel::Units::PercentChange),
        UnitsCase("mnuUnit_pca", tarvel::Units::PercentChangeAnnualRate),
        UnitsCase("mnuUnit_pc1", tarvel::Units::PercentChangeFromYearAgo),
        UnitsCase("mnuUnit_share", tarvel::Units::Share),
        UnitsCase("mnuUnit_index", tarvel::Units::Index,
                  [this](frmMain &) { prompts.inputAnswers = {QStringLiteral("2008.1")}; }),
        UnitsCase("mnuUnit_annual", tarvel::Units::Annual),
        {"mnuFont", nullptr,
         [](frmMain &window, const ScriptedPrompts &prompts) {
             EXPECT_EQ(OnlyRecord(prompts, Kind::ChooseFont).title, window.DisplayFont().family());
         }},
        {"mnuSetWindowHW", [](frmMain &window) { ActiveChild(window)->resize(300, 200); },
         [](frmMain &window, const ScriptedPrompts &) {
             const QMdiSubWindow *active = ActiveChild(window);
             EXPECT_EQ(window.State().Display.DefaultWindowWidth, PixelsToTwipsX(300, active));
             EXPECT_EQ(window.State().Display.DefaultWindowHeight, PixelsToTwipsY(200, active));
         }},
        {"mnuReverse", nullptr,
         [](frmMain &window, const ScriptedPrompts &) {
             EXPECT_TRUE(window.Controls().mnuReverse->isChecked());
             EXPECT_TRUE(window.State().Display.Reverse);
         }},
        DialogCase("mnuGrid_2", "frmScroll", title("Select new Height...")),
        DialogCase("mnuGrid_3", "frmScroll", title("Select new Width...")),
        {"mnuZRChange", nullptr,
         [](frmMain &window, const ScriptedPrompts &prompts) {
             const ScriptedPrompts::Record box = OnlyRecord(prompts, Kind::InputBox);
             EXPECT_EQ(box.title, QStringLiteral("Change path"));
             EXPECT_EQ(box.initial.toStdString(), window.State().DataFolder);
         }},
        {"mnuReset", [](frmMain &window) { window.State().Display.FontSize = 14; },
         [](frmMain &window, const ScriptedPrompts &) {
             EXPECT_EQ(window.State().Display.FontSize, tarvel::DisplaySettings{}.FontSize);
         }},
        DocumentCase("mnuFoot_0", "ZR4  footnotes"),
        DocumentCase("mnuFoot_1", "ZR4 summary"),
        DocumentCase("mnuDoc_0", "Format of exported documents"),
        DocumentCase("mnuDoc_1", "ZUL Regions"),
        DocumentCase("mnuDoc_2", "Read Me"),
        {"mnuArrange_0", [](frmMain &window) { ActiveChild(window)->move(40, 30); },
         [](frmMain &window, const ScriptedPrompts &) { EXPECT_EQ(ActiveChild(window)->pos(), QPoint(0, 0)); }},
        {"mnuArrange_1", openAlaska,
         [](frmMain &window, const ScriptedPrompts &) {
             // One above the other, each as wide as the area.
             const std::vector<QRect> places = Geometries(window);
             const QSize area = window.MdiArea()->viewport()->size();
             ASSERT_EQ(places.size(), 2u);
             EXPECT_EQ(places[0].width(), area.width());
             EXPECT_EQ(places[1].width(), area.width());
             EXPECT_EQ(places[0].height() + places[1].height(), area.height());
             EXPECT_NE(places[0].y(), places[1].y());
         }},
        {"mnuArrange_2", openAlaska,
         [](frmMain &window, const ScriptedPrompts &) {
             // Side by side, each as high as the area.
             const std::vector<QRect> places = Geometries(window);
             const QSize area = window.MdiArea()->viewport()->size();
             ASSERT_EQ(places.size(), 2u);
             EXPECT_EQ(places[0].height(), area.height());
             EXPECT_EQ(places[1].height(), area.height());
             EXPECT_EQ(places[0].width() + places[1].width(), area.width());
             EXPECT_NE(places[0].x(), places[1].x());
         }},
        {"mnuArrange_3",
         [](frmMain &window) {
             ActiveChild(window)->showMinimized();
             ActiveChild(window)->move(0, 0);
         },
         [](frmMain &window, const ScriptedPrompts &) {
             // The icon lies along the bottom of the area.
             const QMdiSubWindow *icon = window.MdiArea()->subWindowList().front();
             EXPECT_EQ(icon->pos(), QPoint(0, window.MdiArea()->viewport()->height() - icon->height()));
         }},
        {"mnuCloseAll", openAlaska,
         [](frmMain &window, const ScriptedPrompts &) { EXPECT_TRUE(window.MdiArea()->subWindowList().isEmpty()); }},
        {"mnuMinimize", openAlaska,
         [](frmMain &window, const ScriptedPrompts &) {
             for (const QMdiSubWindow *child : window.MdiArea()->subWindowList())
                 EXPECT_TRUE(child->isMinimized()) << child->windowTitle().toStdString();
         }},
        HelpCase("mnuHelpQS", 8),
        HelpCase("mnuHelpContents", 0),
        HelpCase("mnuHelpIndex", 23),
        {"mnuHelpSearch", nullptr,
         [](frmMain &, const ScriptedPrompts &prompts) {
             EXPECT_TRUE(OnlyRecord(prompts, Kind::SearchHelp).text.isEmpty());
         }},
        // Without a web site, the documentation installed with the program.
        HelpCase("mnuWeb", 0),
        {"mnuHelpAbout", nullptr,
         [](frmMain &, const ScriptedPrompts &prompts) {
             EXPECT_EQ(OnlyRecord(prompts, Kind::Message).title, QString::fromLatin1(tarvel::AboutTitle));
         },
         1},
    };

    QStringList tested;
    for (const CommandCase &c : cases) {
        SCOPED_TRACE(c.name);
        tested << QString::fromLatin1(c.name);
        prompts.records.clear();
        auto window = StartWith({}, {TARVEL_SAMPLE_DATA "/"});
        window->show(); // the area holding the child windows gets its size
        window->ChooseAreas(tarvel::AreaFlagsFromChoice({2, 3}));
        window->RunDisplay();
        ASSERT_EQ(ActiveCaption(*window), table);
        auto *display = ActiveAs<frmDisplay>(*window);
        ASSERT_NE(display, nullptr);
        int row = 1;
        while (row < display->Data().Rows() && !tarvel::ReadOneLineSource(display->Data(), row))
            ++row;
        display->SetCurrentCell(row, 1);
        if (c.prepare)
            c.prepare(*window);
        prompts.records.clear();

        QAction *action = window->findChild<QAction *>(QString::fromLatin1(c.name));
        ASSERT_NE(action, nullptr);
        ASSERT_TRUE(action->isEnabled());
        action->trigger();
        c.check(*window, prompts);
        EXPECT_EQ(prompts.Of(Kind::Message).size(), static_cast<std::size_t>(c.messages));
    }

    // Every command of the menus has its case; Exit ends the program.
    auto window = Start();
    QStringList commands;
    for (const QAction *action : window->findChildren<QAction *>()) {
        if (action->objectName().startsWith(QStringLiteral("mnu")) && !action->menu()
            && action != window->Controls().mnuQuit)
            commands << action->objectName();
    }
    commands.sort();
    tested.sort();
    EXPECT_EQ(commands, tested);
}

TEST_F(MainWindowTest, HelpCommandsAskForTheirTopics)
{
    auto window = Start();
    prompts.records.clear();
    window->Controls().mnuHelpQS->trigger();
    window->Controls().mnuHelpIndex->trigger();
    window->Controls().mnuHelpSearch->trigger();
    const auto help = prompts.Of(Kind::Help);
    ASSERT_EQ(help.size(), 2u);
    EXPECT_EQ(help[0].topic, 8);
    EXPECT_EQ(help[1].topic, 23);
    ASSERT_EQ(prompts.Of(Kind::SearchHelp).size(), 1u);
    EXPECT_TRUE(prompts.Of(Kind::SearchHelp)[0].text.isEmpty());
}

TEST_F(MainWindowTest, ResetKeepsAWorkingFolderAndResizesNormalWindows)
{
    auto window = Start();
    auto &state = window->State();
    state.Display.FontSize = 14;
    state.Display.DefaultWindowWidth = 3000;
    window->Controls().mnuReverse->trigger();
    QMdiSubWindow *normal = window->MdiArea()->addSubWindow(new QWidget);
    normal->show();
    normal->resize(120, 90);
    QMdiSubWindow *maximized = window->MdiArea()->addSubWindow(new QWidget);
    maximized->showMaximized();
    const QSize maximizedSize = maximized->size();

    window->Controls().mnuReset->trigger();
    EXPECT_EQ(state.DataFolder, Folder(m_data));
    EXPECT_EQ(Read("misc", "ZRPath").Text(), Folder(m_data));
    EXPECT_EQ(Read("misc", "DisplayHelp").Text(), "False");
    EXPECT_EQ(state.Display.FontSize, 8);
    EXPECT_EQ(state.Display.DefaultWindowWidth, 8000);
    EXPECT_FALSE(window->Controls().mnuReverse->isChecked());
    EXPECT_FALSE(state.Display.Reverse);
    const double dpiX = normal->logicalDpiX();
    const double dpiY = normal->logicalDpiY();
    EXPECT_NEAR(normal->width(), 8000 * dpiX / 1440, 1);
    EXPECT_NEAR(normal->height(), 5000 * dpiY / 1440, 1);
    EXPECT_EQ(maximized->size(), maximizedSize);
}

// ---- the caption and the places of new windows --------------------------------

// A child window titled title, its content titled the same as the program's own are.
QMdiSubWindow *AddTitled(QMdiArea &area, const QString &title, QSize size = {300, 200})
{
    auto *content = new QWidget;
    content->setWindowTitle(title);
    auto *frame = new ChildFrame(content);
    area.addSubWindow(frame);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->setWindowTitle(title);
    frame->resize(size);
    frame->show();
    area.setActiveSubWindow(frame);
    QCoreApplication::processEvents();
    return frame;
}

TEST_F(MainWindowTest, CaptionNamesTheActiveWindowOverAMaximizedOne)
{
    auto window = Start();
    window->show();
    QMdiArea &area = *window->MdiArea();
    const QString program = window->windowTitle();
    QMdiSubWindow *first = AddTitled(area, QStringLiteral("First"));
    QMdiSubWindow *second = AddTitled(area, QStringLiteral("Second"));
    EXPECT_EQ(window->windowTitle(), program);

    second->showMaximized();
    QCoreApplication::processEvents();
    EXPECT_EQ(window->windowTitle(), program + QStringLiteral(" - [Second]"));

    // First comes forward in the normal state, as a window asked for again does.
    area.setOption(QMdiArea::DontMaximizeSubWindowOnActivation, true);
    first->showNormal();
    area.setActiveSubWindow(first);
    area.setOption(QMdiArea::DontMaximizeSubWindowOnActivation, false);
    QCoreApplication::processEvents();
    ASSERT_TRUE(second->isMaximized());
    ASSERT_FALSE(first->isMaximized());
    EXPECT_EQ(window->windowTitle(), program + QStringLiteral(" - [First]"));

    area.setActiveSubWindow(second);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->windowTitle(), program + QStringLiteral(" - [Second]"));

    // Nothing maximized: the program alone.
    second->showNormal();
    QCoreApplication::processEvents();
    EXPECT_EQ(window->windowTitle(), program);
    area.closeAllSubWindows();
    QCoreApplication::processEvents();
    EXPECT_EQ(window->windowTitle(), program);
}

TEST_F(MainWindowTest, NewWindowsLieInsideTheVisibleArea)
{
    auto window = Start();
    window->resize(900, 700);
    window->show();
    QCoreApplication::processEvents();
    QMdiArea &area = *window->MdiArea();
    const QSize room = area.viewport()->size();
    ASSERT_GT(room.width(), 300);
    // Each window is two thirds of the area each way, a last one larger than it.
    const QSize big(room.width() * 2 / 3, room.height() * 2 / 3);
    std::vector<QMdiSubWindow *> windows;
    for (int i = 0; i < 5; ++i)
        windows.push_back(AddTitled(area, QStringLiteral("Window %1").arg(i), big));
    windows.push_back(AddTitled(area, QStringLiteral("Huge"), room * 2));
    for (QMdiSubWindow *w : windows) {
        const QRect inside(QPoint(0, 0), area.viewport()->size());
        EXPECT_TRUE(inside.contains(w->geometry())) << w->windowTitle().toStdString() << " at "
                                                    << w->x() << "," << w->y() << " " << w->width() << "x"
                                                    << w->height() << " in " << inside.width() << "x"
                                                    << inside.height();
    }
    // Windows that would reach past the edge cascade, none on another's corner.
    for (std::size_t i = 0; i < windows.size(); ++i) {
        for (std::size_t j = i + 1; j + 1 < windows.size(); ++j)
            EXPECT_NE(windows[i]->pos(), windows[j]->pos()) << i << " and " << j;
    }
}

} // namespace
