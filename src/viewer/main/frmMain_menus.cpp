// The menus of the main window and the commands they run. The commands
// themselves are in the frmMain_*.cpp file of their concern: display, print,
// export, chart, docs (documents and help), options and windows.
#include "viewer/main/frmMain.h"
#include "core/help/documents.h"
#include "core/views/scroll_value.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <array>

namespace {

QAction *AddCommand(QMenu *menu, const char *name, const char *caption)
{
    QAction *action = menu->addAction(QString::fromLatin1(caption));
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QMenu *AddMenu(QWidget *parentMenu, const char *name, const char *caption)
{
    QMenu *menu = nullptr;
    if (auto *bar = qobject_cast<QMenuBar *>(parentMenu))
        menu = bar->addMenu(QString::fromLatin1(caption));
    else
        menu = static_cast<QMenu *>(parentMenu)->addMenu(QString::fromLatin1(caption));
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Action"));
    return menu;
}

} // namespace

void frmMain::CreateMenus()
{
    QMenuBar *bar = menuBar();

    mnuFile = AddMenu(bar, "mnuFile", "&File");
    mnuView = AddCommand(mnuFile, "mnuView", "&Display");
    mnuShowOneLine = AddCommand(mnuFile, "mnuShowOneLine", "Display &One line");
    mnuFile->addSeparator();
    mnuPrint = AddCommand(mnuFile, "mnuPrint", "&Print active window...");
    mnuPrintAll = AddCommand(mnuFile, "mnuPrintAll", "Print &Table for selected areas...");
    mnuPrintPreview = AddCommand(mnuFile, "mnuPrintPreview", "Print pre&view...");
    mnuPrintAllPreview = AddCommand(mnuFile, "mnuPrintAllPreview", "Print previe&w of Table for selected areas...");
    mnuFile->addSeparator();
    mnuClip = AddCommand(mnuFile, "mnuClip", "&Copy selected to clipboard");
    mnuExport = AddCommand(mnuFile, "mnuExport", "&Export to file...");
    mnuFile->addSeparator();
    mnuQuit = AddCommand(mnuFile, "mnuQuit", "E&xit");
    connect(mnuView, &QAction::triggered, this, &frmMain::RunDisplay);
    connect(mnuShowOneLine, &QAction::triggered, this, &frmMain::RunShowOneLine);
    connect(mnuPrint, &QAction::triggered, this, &frmMain::RunPrint);
    connect(mnuPrintAll, &QAction::triggered, this, &frmMain::RunPrintAll);
    connect(mnuPrintPreview, &QAction::triggered, this, &frmMain::RunPrintPreview);
    connect(mnuPrintAllPreview, &QAction::triggered, this, &frmMain::RunPrintAllPreview);
    connect(mnuClip, &QAction::triggered, this, &frmMain::RunCopyToClipboard);
    connect(mnuExport, &QAction::triggered, this, &frmMain::RunExport);
    connect(mnuQuit, &QAction::triggered, this, &frmMain::close);

    mnuSettings = AddMenu(bar, "mnuSettings", "&Options");
    mnuFont = AddCommand(mnuSettings, "mnuFont", "&Font...");
    mnuGridHead = AddMenu(mnuSettings, "mnuGridHead", "&Table view");
    mnuSetWindowHW = AddCommand(mnuGridHead, "mnuSetWindowHW", "&Set default height/width to current window size");
    mnuReverse = AddCommand(mnuGridHead, "mnuReverse", "&Reverse years");
    mnuReverse->setCheckable(true);
    mnuGrid[0] = AddCommand(mnuGridHead, "mnuGrid_2", "&Height...");
    mnuGrid[1] = AddCommand(mnuGridHead, "mnuGrid_3", "&Width...");
    mnuZRChange = AddCommand(mnuSettings, "mnuZRChange", "&Change path to ZR files");
    mnuReset = AddCommand(mnuSettings, "mnuReset", "&Reset to default");
    connect(mnuFont, &QAction::triggered, this, &frmMain::ChooseDisplayFont);
    connect(mnuSetWindowHW, &QAction::triggered, this, &frmMain::SetDefaultWindowSize);
    connect(mnuReverse, &QAction::triggered, this, &frmMain::ToggleReverse);
    connect(mnuGrid[0], &QAction::triggered, this, [this] { ChooseGridSize(tarvel::SizeKind::Height); });
    connect(mnuGrid[1], &QAction::triggered, this, [this] { ChooseGridSize(tarvel::SizeKind::Width); });
    connect(mnuZRChange, &QAction::triggered, this, &frmMain::ChangeDataFolder);
    connect(mnuReset, &QAction::triggered, this, &frmMain::ResetToDefault);

    mnuDocHeader = AddMenu(bar, "mnuDocHeader", "&Documentation");
    mnuFoot[0] = AddCommand(mnuDocHeader, "mnuFoot_0", "Footnotes, current table");
    mnuFoot[1] = AddCommand(mnuDocHeader, "mnuFoot_1", "Summary, current table");
    mnuDoc[0] = AddCommand(mnuDocHeader, "mnuDoc_0", "&Format of exported files");
    mnuDoc[1] = AddCommand(mnuDocHeader, "mnuDoc_1", "&ZUL Regions");
    mnuDoc[2] = AddCommand(mnuDocHeader, "mnuDoc_2", "&Readme/what's new");
    using tarvel::DataDocument;
    using tarvel::TableDocument;
    connect(mnuFoot[0], &QAction::triggered, this, [this] { ShowFootnotes(TableDocument::Footnotes); });
    connect(mnuFoot[1], &QAction::triggered, this, [this] { ShowFootnotes(TableDocument::Summary); });
    const std::array<DataDocument, 3> documents{DataDocument::ExportFormats, DataDocument::Regions,
                                                DataDocument::Readme};
    for (std::size_t i = 0; i < mnuDoc.size(); ++i) {
        const DataDocument document = documents[i];
        connect(mnuDoc[i], &QAction::triggered, this, [this, document] { ShowDocument(document); });
    }

    mnuWindow = AddMenu(bar, "mnuWindow", "&Window");
    mnuArrangeMenu = AddMenu(mnuWindow, "mnuArrangeMenu", "&Arrange");
    mnuArrange[0] = AddCommand(mnuArrangeMenu, "mnuArrange_0", "&Cascade");
    mnuArrange[1] = AddCommand(mnuArrangeMenu, "mnuArrange_1", "Tile &Horizontal");
    mnuArrange[2] = AddCommand(mnuArrangeMenu, "mnuArrange_2", "Tile &Vertical");
    mnuArrange[3] = AddCommand(mnuArrangeMenu, "mnuArrange_3", "&Arrange Icons");
    mnuCloseAll = AddCommand(mnuWindow, "mnuCloseAll", "&Close All");
    mnuMinimize = AddCommand(mnuWindow, "mnuMinimize", "&Minimize All");
    const std::array<Arrangement, 4> arrangements{Arrangement::Cascade, Arrangement::TileHorizontal,
                                                  Arrangement::TileVertical, Arrangement::Icons};
    for (std::size_t i = 0; i < mnuArrange.size(); ++i) {
        const Arrangement arrangement = arrangements[i];
        connect(mnuArrange[i], &QAction::triggered, this, [this, arrangement] { ArrangeWindows(arrangement); });
    }
    connect(mnuCloseAll, &QAction::triggered, this, &frmMain::CloseAllWindows);
    connect(mnuMinimize, &QAction::triggered, this, &frmMain::MinimizeAllWindows);
    connect(mnuWindow, &QMenu::aboutToShow, this, &frmMain::UpdateWindowMenu);

    mnuHelp = AddMenu(bar, "mnuHelp", "&Help");
    mnuHelpQS = AddCommand(mnuHelp, "mnuHelpQS", "&Quick start");
    mnuHelpContents = AddCommand(mnuHelp, "mnuHelpContents", "&Contents");
    mnuHelpIndex = AddCommand(mnuHelp, "mnuHelpIndex", "&Index of tables");
    mnuHelpSearch = AddCommand(mnuHelp, "mnuHelpSearch", "&Search");
    mnuWeb = AddCommand(mnuHelp, "mnuWeb", "ZUL &Web Site");
    mnuHelpAbout = AddCommand(mnuHelp, "mnuHelpAbout", "&About TARVEL");
    connect(mnuHelpQS, &QAction::triggered, this, &frmMain::HelpQuickStart);
    connect(mnuHelpContents, &QAction::triggered, this, &frmMain::HelpContents);
    connect(mnuHelpIndex, &QAction::triggered, this, &frmMain::HelpIndex);
    connect(mnuHelpSearch, &QAction::triggered, this, &frmMain::HelpSearch);
    connect(mnuWeb, &QAction::triggered, this, &frmMain::OpenWebSite);
    connect(mnuHelpAbout, &QAction::triggered, this, &frmMain::ShowAbout);
}
