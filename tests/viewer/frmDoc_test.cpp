#include "viewer/help/frmDoc.h"

#include "viewer/main/frmMain.h"
#include "viewer/qt/qt_prompts.h"
#include "viewer/qt/qt_twips.h"
#include "core/selection/selection.h"
#include "core/catalog/file_helpers.h"
#include "core/help/about_text.h"
#include "core/help/documents.h"
#include "viewer/display/frmDisplay.h"
#include "viewer/help/qt_help.h"
#include "sample_data.h"
#include "case_names.h"
#include "scripted_prompts.h"
#include "viewer_fixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Kind = ScriptedPrompts::Kind;

using tarvel::test::Folder;

std::string FileText(const std::string &path)
{
    return tarvel::ReadWholeFile(path).value_or("<missing>");
}

void Settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// Screenshots for a person to look at, written only when
// TARVEL_SCREENSHOTS names a folder.
void Screenshot(QWidget &widget, const char *name)
{
    const QString folder = qEnvironmentVariable("TARVEL_SCREENSHOTS");
    if (!folder.isEmpty())
        widget.grab().save(folder + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral(".png"));
}

class DocumentsTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_config.isValid() && m_program.isValid() && m_data.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        tarvel::sample::Options options;
        // ZR5N and ZR7N are the marker files; ZR4 is the first table shown.
        options.tables = {"ZR1", "ZR4", "ZR5", "ZR5N", "ZR7N"};
        options.helpFile = TARVEL_HELP_FILE;
        ASSERT_EQ(tarvel::sample::WriteSampleFolder(Data(), options), "");
    }

    void TearDown() override { Settle(); }

    std::string Data() const { return Folder(m_data); }
    std::string Program() const { return Folder(m_program); }

    std::unique_ptr<frmMain> Start(Prompts &prompts, const QStringList &arguments = {})
    {
        auto window = std::make_unique<frmMain>(prompts);
        window->SetProgramFolder(Program());
        window->SetDataFolderCandidates({Data()});
        window->Startup(arguments);
        window->resize(1000, 760);
        window->show();
        return window;
    }

    std::unique_ptr<frmMain> Start(const QStringList &arguments = {})
    {
        auto window = Start(prompts, arguments);
        prompts.records.clear(); // the first start's quick start
        return window;
    }

    static std::vector<frmDoc *> Documents(const frmMain &window)
    {
        std::vector<frmDoc *> documents;
        for (QMdiSubWindow *sub : window.MdiArea()->subWindowList(QMdiArea::CreationOrder)) {
            if (auto *document = qobject_cast<frmDoc *>(sub->widget()))
                documents.push_back(document);
        }
        return documents;
    }

    static QString Caption(const std::string &text) { return QString::fromLocal8Bit(text.c_str()); }

    // Chooses areas 1..count and shows the chosen table for each in turn.
    static void DisplayAreas(frmMain &window, int count)
    {
        tarvel::AreaFlags areas{};
        for (int area = 1; area <= count; ++area)
            areas[static_cast<std::size_t>(area)] = tarvel::Chosen;
        window.ChooseAreas(areas);
        for (int i = 0; i < count; ++i)
            window.Controls().mnuView->trigger();
    }

    QTemporaryDir m_config;
    QTemporaryDir m_program;
    QTemporaryDir m_data;
    ScriptedPrompts prompts;
};

// ---- footnotes and summaries ------------------------------------------------------

TEST_F(DocumentsTest, ZR1SummaryShowsZR5sSummaryInTheDisplayFont)
{
    auto window = Start();
    window->ChooseTable(1); // ZR4, ZR1
    ASSERT_EQ(window->State().TableCode, "ZR1");
    window->Controls().mnuFoot[1]->trigger();

    const std::vector<frmDoc *> documents = Documents(*window);
    ASSERT_EQ(documents.size(), 1u);
    const frmDoc &document = *documents.front();
    const std::string path = Data() + "ZR5.doc";
    EXPECT_EQ(document.Caption(), "ZR5 summary (" + path + ")");
    EXPECT_EQ(document.parentWidget()->windowTitle(), Caption(document.Caption()));
    EXPECT_EQ(document.Text(), FileText(path));
    QString shown = QString::fromLatin1(FileText(path).c_str());
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    EXPECT_EQ(document.txtDoc->toPlainText(), shown);
    EXPECT_EQ(document.Tag(), tarvel::ChildKind::Document);
    EXPECT_EQ(document.txtDoc->font().family().toStdString(), window->State().Display.FontName);
    // As large as the grids: the desktop's text size while no font is chosen.
    EXPECT_EQ(document.txtDoc->font().pointSize(), window->DisplayFont().pointSize());
    EXPECT_TRUE(prompts.records.empty());

    const tarvel::PrintSnapshot snapshot = document.Snapshot();
    EXPECT_TRUE(snapshot.IsDocument);
    EXPECT_EQ(snapshot.Caption, document.Caption());
    EXPECT_EQ(snapshot.Text, FileText(path));
    EXPECT_EQ(snapshot.Tag, tarvel::ChildKind::Document);
}

// A document already open comes forward instead of opening again; one left
// empty by a file that could not be read tries the file again.
TEST_F(DocumentsTest, SameDocumentTwiceBringsTheFirstForward)
{
    auto window = Start();
    window->ChooseSeries(1);
    ASSERT_EQ(window->State().TableCode, "ZR5N");
    window->Controls().mnuFoot[0]->trigger();
    window->Controls().mnuDoc[0]->trigger();
    window->MdiArea()->subWindowList().front()->showMinimized();
    window->Controls().mnuFoot[0]->trigger();
    window->Controls().mnuDoc[0]->trigger();
    window->Controls().mnuFoot[0]->trigger();

    const std::vector<frmDoc *> documents = Documents(*window);
    ASSERT_EQ(documents.size(), 2u);
    const std::string path = Data() + "ZR5Nfn.txt";
    EXPECT_EQ(documents[0]->Caption(), "ZR5N  footnotes (" + path + ")");
    EXPECT_EQ(documents[0]->Text(), FileText(path));
    EXPECT_EQ(window->MdiArea()->currentSubWindow(), documents[0]->parentWidget());
    EXPECT_FALSE(window->MdiArea()->currentSubWindow()->isMinimized());
    Screenshot(*window, "footnotes");

    const std::string regions = Data() + "regions.txt";
    ASSERT_TRUE(QFile::rename(QString::fromStdString(regions), QString::fromStdString(regions + ".away")));
    window->Controls().mnuDoc[1]->trigger();
    ASSERT_TRUE(QFile::rename(QString::fromStdString(regions + ".away"), QString::fromStdString(regions)));
    window->Controls().mnuDoc[1]->trigger();
    const std::vector<frmDoc *> now = Documents(*window);
    ASSERT_EQ(now.size(), 3u);
    EXPECT_EQ(now[2]->Text(), FileText(regions));
    EXPECT_EQ(prompts.Of(Kind::Message).size(), 1u); // the first try's warning only
}

TEST_F(DocumentsTest, UnsuppressedReadsTheDataFolderOnly)
{
    // A program-folder copy that normal mode would prefer.
    ASSERT_TRUE(tarvel::sample::WriteFileBytes(Program() + "ZR5Nfn.txt", "program folder copy\r\n"));
    ASSERT_TRUE(tarvel::sample::WriteFileBytes(Program() + "regions.txt", "program folder copy\r\n"));
    auto window = Start({QStringLiteral("/UNSUPPRESSED")});
    window->ChooseSeries(1);
    window->Controls().mnuFoot[0]->trigger();

    std::vector<frmDoc *> documents = Documents(*window);
    ASSERT_EQ(documents.size(), 1u);
    const std::string path = Data() + "ZR5Nfn.txt";
    EXPECT_EQ(documents[0]->Caption(), "ZR5N  footnotes (" + path + ") UNSUPPRESSED ");
    EXPECT_EQ(documents[0]->Text(), FileText(path));
    const QPalette palette = documents[0]->txtDoc->palette();
    EXPECT_EQ(palette.color(QPalette::Text), QColor(Qt::red));
    EXPECT_EQ(palette.color(QPalette::Base), QColor(Qt::black));

    // The three documentation texts open nothing and say nothing.
    for (QAction *item : window->Controls().mnuDoc)
        item->trigger();
    EXPECT_EQ(Documents(*window).size(), 1u);
    EXPECT_TRUE(prompts.records.empty());
}

TEST_F(DocumentsTest, NormalModePrefersTheProgramFolder)
{
    ASSERT_TRUE(tarvel::sample::WriteFileBytes(Program() + "ZR5Nfn.txt", "program folder copy\r\n"));
    ASSERT_TRUE(tarvel::sample::WriteFileBytes(Program() + "zrformat.txt", "formats\r\n"));
    auto window = Start();
    window->ChooseSeries(1);
    window->Controls().mnuFoot[0]->trigger();
    window->Controls().mnuDoc[0]->trigger();
    window->Controls().mnuDoc[2]->trigger();

    const std::vector<frmDoc *> documents = Documents(*window);
    ASSERT_EQ(documents.size(), 3u);
    EXPECT_EQ(documents[0]->Caption(), "ZR5N  footnotes (" + Program() + "ZR5Nfn.txt)");
    EXPECT_EQ(documents[0]->Text(), "program folder copy\r\n");
    EXPECT_EQ(documents[0]->txtDoc->toPlainText(), QStringLiteral("program folder copy\n"));
    EXPECT_EQ(documents[1]->Caption(), "Format of exported documents (" + Program() + "zrformat.txt)");
    EXPECT_EQ(documents[1]->txtDoc->font().family().toStdString(), window->State().Display.FontName);
    // The readme keeps the window's own fixed font.
    EXPECT_EQ(documents[2]->Caption(), "Read Me (" + Data() + "q_readme.txt)");
    EXPECT_EQ(documents[2]->Text(), FileText(Data() + "q_readme.txt"));
    EXPECT_EQ(documents[2]->txtDoc->font().family(), QStringLiteral("Courier"));
    EXPECT_DOUBLE_EQ(documents[2]->txtDoc->font().pointSizeF(), 9.75);
    EXPECT_TRUE(documents[2]->txtDoc->isReadOnly());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    Screenshot(*documents[2]->parentWidget(), "readme");
}

TEST_F(DocumentsTest, MissingRegionsWarnsAndLeavesAnEmptyWindow)
{
    ASSERT_TRUE(QFile::remove(QString::fromStdString(Data() + "regions.txt")));
    auto window = Start();
    window->Controls().mnuDoc[1]->trigger();

    const std::vector<frmDoc *> documents = Documents(*window);
    ASSERT_EQ(documents.size(), 1u);
    const std::string path = Data() + "regions.txt";
    EXPECT_EQ(documents[0]->Caption(), "ZUL Regions (" + path + ")");
    EXPECT_TRUE(documents[0]->txtDoc->toPlainText().isEmpty());
    const auto messages = prompts.Of(Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("File not accessible"));
    EXPECT_EQ(messages[0].text.toStdString(),
              "For some reason the file " + tarvel::ToUpper(path) + " could not be accessed.\nNo such file or directory");
    EXPECT_EQ(messages[0].icon, QMessageBox::Warning);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// ---- the document window ----------------------------------------------------------------

TEST(DocumentWindow, TextBoxFillsTheWindow)
{
    QMdiArea area;
    area.resize(800, 600);
    area.show();
    auto *document = new frmDoc;
    QMdiSubWindow *sub = document->Show(area, QSize(400, 300));
    EXPECT_EQ(document->Tag(), tarvel::ChildKind::Document);
    EXPECT_EQ(sub->size(), QSize(400, 300));
    sub->resize(520, 330);
    EXPECT_EQ(document->txtDoc->geometry(), document->rect());
}

TEST(DocumentWindow, PrintAllWindowIsSmallAndKeepsItsTextBox)
{
    QMdiArea area;
    area.resize(800, 600);
    area.show();
    auto *document = new frmDoc(true);
    QMdiSubWindow *sub = document->Show(area, QSize(400, 300));
    EXPECT_EQ(document->Tag(), tarvel::ChildKind::PrintAll);
    EXPECT_EQ(document->Snapshot().Tag, tarvel::ChildKind::PrintAll);
    EXPECT_EQ(sub->width(), TwipsToPixelsX(6000, sub));
    const QRect before = document->txtDoc->geometry();
    sub->resize(500, 400);
    EXPECT_EQ(document->txtDoc->geometry(), before);
}

// ---- help, About, web site ----------------------------------------------------------------

TEST_F(DocumentsTest, HelpCommandsAskForTheirTopics)
{
    auto window = Start();
    window->Controls().mnuHelpQS->trigger();
    window->Controls().mnuHelpContents->trigger();
    window->Controls().mnuHelpIndex->trigger();
    window->Controls().mnuHelpSearch->trigger();

    const auto topics = prompts.Of(Kind::Help);
    ASSERT_EQ(topics.size(), 3u);
    EXPECT_EQ(topics[0].topic, 8);
    EXPECT_EQ(topics[1].topic, 0); // the contents page
    EXPECT_EQ(topics[2].topic, 23);
    const auto searches = prompts.Of(Kind::SearchHelp);
    ASSERT_EQ(searches.size(), 1u);
    EXPECT_TRUE(searches[0].text.isEmpty());
}

TEST_F(DocumentsTest, RealPromptsShowOneHelpWindow)
{
    QtPrompts real;
    auto window = Start(real);
    // The first start opened the quick start by itself.
    QPointer<HelpWindow> help = window->findChild<HelpWindow *>();
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->CurrentTopic(), 8);

    window->Controls().mnuHelpIndex->trigger();
    EXPECT_EQ(help->CurrentTopic(), 23);
    window->Controls().mnuHelpContents->trigger();
    EXPECT_EQ(help->CurrentTopic(), 1);
    window->Controls().mnuHelpSearch->trigger();
    EXPECT_GT(help->findChild<QListWidget *>(QStringLiteral("lstKeywords"))->count(), 20);
    EXPECT_EQ(window->findChildren<HelpWindow *>().size(), 1);
    window->Controls().mnuHelpQS->trigger();
    Screenshot(*help, "help");

    // Closed by the user, the next request opens it again.
    help->close();
    Settle();
    EXPECT_FALSE(help);
    window->Controls().mnuHelpIndex->trigger();
    ASSERT_EQ(window->findChildren<HelpWindow *>().size(), 1);
    EXPECT_EQ(window->findChild<HelpWindow *>()->CurrentTopic(), 23);
}

TEST_F(DocumentsTest, AboutAndWebSite)
{
    auto window = Start();
    window->Controls().mnuHelpAbout->trigger();
    const auto messages = prompts.Of(Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("About TARVEL"));
    EXPECT_TRUE(messages[0].text.startsWith(QStringLiteral("TARVEL 32-bit v." TARVEL_PROJECT_VERSION "\nJune 2008\n\n")))
        << messages[0].text.toStdString();
    // The licence on a line of its own between the contact lines and the places.
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("\n\n") + QString::fromStdString(tarvel::AboutLicenceText())
                                          + QStringLiteral("\n\nData folder: ")))
        << messages[0].text.toStdString();
    EXPECT_EQ(messages[0].icon, QMessageBox::Information);
    // Then where this run's data, settings and help file are.
    const QString settings = QString::fromStdString(window->Settings().File().string());
    EXPECT_TRUE(messages[0].text.endsWith(QStringLiteral("\n\nData folder: ") + QString::fromStdString(Data())
                                          + QStringLiteral("\nSettings: ") + settings + QStringLiteral("\nHelp file: ")
                                          + QString::fromStdString(Data()) + QStringLiteral("tarvel.hlp")))
        << messages[0].text.toStdString();

    // Neither the box nor the web-site command names an address the
    // project does not have: the command opens the installed help instead.
    EXPECT_FALSE(messages[0].text.contains(QLatin1Char('@'))) << messages[0].text.toStdString();
    EXPECT_FALSE(messages[0].text.contains(QStringLiteral("example"))) << messages[0].text.toStdString();
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("\n\nThe TARVEL developers\n\n"))) << messages[0].text.toStdString();
    prompts.records.clear();
    window->Controls().mnuWeb->trigger();
    EXPECT_TRUE(prompts.Of(Kind::OpenWithApp).empty());
    const auto help = prompts.Of(Kind::Help);
    ASSERT_EQ(help.size(), 1u);
    EXPECT_EQ(help[0].topic, 0);
    EXPECT_TRUE(prompts.Of(Kind::Message).empty());
}

// ---- view settings ------------------------------------------------------------------------

struct FontCase {
    double points;
    int stored;
};

void PrintTo(const FontCase &c, std::ostream *os)
{
    *os << tarvel::test::CaseNumber(c.points) << " points -> " << c.stored;
}

class DisplayFontTest : public DocumentsTest, public testing::WithParamInterface<FontCase> {};

TEST_P(DisplayFontTest, SizeGoesToTheNearestWholeNumberHalvesToEven)
{
    auto window = Start();
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(GetParam().points);
    font.setBold(true);
    font.setItalic(true);
    prompts.fontAnswers.push_back(font);
    window->Controls().mnuFont->trigger();

    const tarvel::ProgramState &state = window->State();
    EXPECT_EQ(state.Display.FontSize, GetParam().stored);
    EXPECT_EQ(state.Display.FontName, "DejaVu Sans");
    EXPECT_TRUE(state.Display.FontBold);
    EXPECT_TRUE(state.Display.FontItalic);
    ASSERT_TRUE(window->FontDialogChoice());
    EXPECT_DOUBLE_EQ(window->FontDialogChoice()->pointSizeF(), GetParam().points);
}

INSTANTIATE_TEST_SUITE_P(Documents, DisplayFontTest,
                         testing::Values(FontCase{10.5, 10}, FontCase{11.5, 12}, FontCase{9.0, 9}));

TEST_F(DocumentsTest, FontDialogOpensWithTheDisplayFontAndCancelChangesNothing)
{
    auto window = Start();
    const tarvel::ProgramState before = window->State();
    window->Controls().mnuFont->trigger(); // no answer queued: cancelled
    const auto asked = prompts.Of(Kind::ChooseFont);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title.toStdString(), before.Display.FontName);
    // In the size the grids show: the desktop's while no font was chosen.
    EXPECT_EQ(asked[0].topic, window->DisplayFont().pointSize());
    EXPECT_TRUE(asked[0].text.isEmpty()); // not only fixed-pitch fonts
    EXPECT_EQ(window->State().Display.FontName, before.Display.FontName);
    EXPECT_EQ(window->State().Display.FontSize, before.Display.FontSize);
    EXPECT_FALSE(window->FontDialogChoice());
}

TEST_F(DocumentsTest, DefaultSizeWithoutWindowsDoesNothing)
{
    auto window = Start();
    const int height = window->State().Display.DefaultWindowHeight;
    const int width = window->State().Display.DefaultWindowWidth;
    window->Controls().mnuSetWindowHW->trigger();
    EXPECT_EQ(window->State().Display.DefaultWindowHeight, height);
    EXPECT_EQ(window->State().Display.DefaultWindowWidth, width);
}

TEST_F(DocumentsTest, MaximizedActiveWindowGivesItsSizeToNormalWindowsOnly)
{
    auto window = Start();
    window->Controls().mnuDoc[0]->trigger();
    window->Controls().mnuDoc[1]->trigger();
    window->Controls().mnuDoc[2]->trigger();
    const QList<QMdiSubWindow *> subs = window->MdiArea()->subWindowList(QMdiArea::CreationOrder);
    ASSERT_EQ(subs.size(), 3);
    QMdiSubWindow *normal = subs[0];
    QMdiSubWindow *minimized = subs[1];
    QMdiSubWindow *maximized = subs[2];
    minimized->showMinimized();
    maximized->showMaximized();
    window->MdiArea()->setActiveSubWindow(maximized);
    ASSERT_TRUE(maximized->isMaximized());
    ASSERT_FALSE(normal->isMaximized() || normal->isMinimized());
    const QSize iconSize = minimized->size();
    const QSize big = maximized->size();
    ASSERT_NE(normal->size(), big);

    window->Controls().mnuSetWindowHW->trigger();
    EXPECT_EQ(window->State().Display.DefaultWindowWidth, PixelsToTwipsX(big.width(), window.get()));
    EXPECT_EQ(window->State().Display.DefaultWindowHeight, PixelsToTwipsY(big.height(), window.get()));
    EXPECT_EQ(normal->size(), big);
    EXPECT_TRUE(minimized->isMinimized());
    EXPECT_EQ(minimized->size(), iconSize);
    EXPECT_TRUE(maximized->isMaximized());
}

TEST_F(DocumentsTest, ReverseTwiceRestoresTheOrderAndLeavesOpenTablesAlone)
{
    auto window = Start();
    DisplayAreas(*window, 1);
    auto *first = qobject_cast<frmDisplay *>(window->MdiArea()->currentSubWindow()->widget());
    ASSERT_TRUE(first);
    const std::string firstQuarter(first->Data().Cell(0, 1));

    window->Controls().mnuReverse->trigger();
    EXPECT_TRUE(window->Controls().mnuReverse->isChecked());
    EXPECT_TRUE(window->State().Display.Reverse);
    EXPECT_EQ(first->Data().Cell(0, 1), firstQuarter); // not rebuilt
    window->Controls().mnuReverse->trigger();
    EXPECT_FALSE(window->Controls().mnuReverse->isChecked());
    EXPECT_FALSE(window->State().Display.Reverse);
}

// ---- window management ----------------------------------------------------------------

TEST_F(DocumentsTest, CloseAllClosesTableAndDocumentWindowsNewestFirst)
{
    auto window = Start();
    DisplayAreas(*window, 5);
    window->Controls().mnuFoot[0]->trigger();
    window->Controls().mnuFoot[1]->trigger();
    const QList<QMdiSubWindow *> subs = window->MdiArea()->subWindowList(QMdiArea::CreationOrder);
    ASSERT_EQ(subs.size(), 7);
    EXPECT_EQ(Documents(*window).size(), 2u);
    std::vector<QMdiSubWindow *> closed;
    for (QMdiSubWindow *sub : subs)
        QObject::connect(sub, &QObject::destroyed, sub, [&closed, sub] { closed.push_back(sub); });

    window->Controls().mnuCloseAll->trigger();
    Settle();
    EXPECT_TRUE(window->MdiArea()->subWindowList().isEmpty());
    ASSERT_EQ(closed.size(), 7u);
    EXPECT_EQ(closed.front(), subs.back());
    EXPECT_EQ(closed.back(), subs.front());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(DocumentsTest, MinimizeAllThenArrangeIconsAlongTheBottom)
{
    auto window = Start();
    for (QAction *item : window->Controls().mnuDoc)
        item->trigger();
    window->Controls().mnuMinimize->trigger();
    const QList<QMdiSubWindow *> subs = window->MdiArea()->subWindowList(QMdiArea::CreationOrder);
    for (QMdiSubWindow *sub : subs)
        EXPECT_TRUE(sub->isMinimized());

    for (QMdiSubWindow *sub : subs)
        sub->move(40, 40);
    window->Controls().mnuArrange[3]->trigger();
    const int bottom = window->MdiArea()->viewport()->height();
    int x = 0;
    for (QMdiSubWindow *sub : subs) {
        EXPECT_EQ(sub->geometry().bottom() + 1, bottom);
        EXPECT_EQ(sub->x(), x);
        x += sub->width();
    }
}

TEST_F(DocumentsTest, TilingSharesTheAreaAboveTheIcons)
{
    auto window = Start();
    for (QAction *item : window->Controls().mnuDoc)
        item->trigger();
    window->Controls().mnuFoot[0]->trigger();
    const QList<QMdiSubWindow *> subs = window->MdiArea()->subWindowList(QMdiArea::CreationOrder);
    subs[0]->showMinimized();
    subs[1]->showMaximized();
    const QRect viewport = window->MdiArea()->viewport()->rect();

    window->Controls().mnuArrange[1]->trigger(); // one above the other, full width
    const int iconTop = subs[0]->y();
    EXPECT_EQ(subs[0]->geometry().bottom() + 1, viewport.height());
    int covered = 0;
    for (QMdiSubWindow *sub : subs.mid(1)) {
        EXPECT_FALSE(sub->isMaximized());
        EXPECT_EQ(sub->x(), 0);
        EXPECT_EQ(sub->width(), viewport.width());
        covered += sub->height();
    }
    EXPECT_EQ(covered, iconTop);

    window->Controls().mnuArrange[2]->trigger(); // side by side, full height
    covered = 0;
    for (QMdiSubWindow *sub : subs.mid(1)) {
        EXPECT_EQ(sub->y(), 0);
        EXPECT_EQ(sub->height(), iconTop);
        covered += sub->width();
    }
    EXPECT_EQ(covered, viewport.width());
    EXPECT_TRUE(subs[0]->isMinimized());
}

} // namespace
