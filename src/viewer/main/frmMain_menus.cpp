// The menus of the main window and the commands they run.
#include "viewer/main/frmMain.h"

#include "core/settings/data_folder.h"
#include "viewer/qt/qt_prompts.h"
#include "viewer/qt/qt_twips.h"
#include "core/selection/selection.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

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
    mnuFile->addSeparator();
    mnuClip = AddCommand(mnuFile, "mnuClip", "&Copy selected to clipboard");
    mnuExport = AddCommand(mnuFile, "mnuExport", "&Export to file...");
    mnuFile->addSeparator();
    mnuQuit = AddCommand(mnuFile, "mnuQuit", "E&xit");
    connect(mnuView, &QAction::triggered, this, &frmMain::RunDisplay);
    connect(mnuShowOneLine, &QAction::triggered, this, &frmMain::RunShowOneLine);
    connect(mnuPrint, &QAction::triggered, this, &frmMain::RunPrint);
    connect(mnuPrintAll, &QAction::triggered, this, &frmMain::RunPrintAll);
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
    for (std::size_t i = 0; i < mnuGrid.size(); ++i) {
        const int index = GridMenuFirstIndex + static_cast<int>(i);
        connect(mnuGrid[i], &QAction::triggered, this, [this, index] { ChooseGridSize(index); });
    }
    connect(mnuZRChange, &QAction::triggered, this, &frmMain::ChangeDataFolder);
    connect(mnuReset, &QAction::triggered, this, &frmMain::ResetToDefault);

    mnuDocHeader = AddMenu(bar, "mnuDocHeader", "&Documentation");
    mnuFoot[0] = AddCommand(mnuDocHeader, "mnuFoot_0", "Footnotes, current table");
    mnuFoot[1] = AddCommand(mnuDocHeader, "mnuFoot_1", "Summary, current table");
    mnuDoc[0] = AddCommand(mnuDocHeader, "mnuDoc_0", "&Format of exported files");
    mnuDoc[1] = AddCommand(mnuDocHeader, "mnuDoc_1", "&ZUL Regions");
    mnuDoc[2] = AddCommand(mnuDocHeader, "mnuDoc_2", "&Readme/what's new");
    for (std::size_t i = 0; i < mnuFoot.size(); ++i) {
        const int index = static_cast<int>(i);
        connect(mnuFoot[i], &QAction::triggered, this, [this, index] { ShowFootnotes(index); });
    }
    for (std::size_t i = 0; i < mnuDoc.size(); ++i) {
        const int index = static_cast<int>(i);
        connect(mnuDoc[i], &QAction::triggered, this, [this, index] { ShowDocument(index); });
    }

    mnuWindow = AddMenu(bar, "mnuWindow", "&Window");
    mnuArrangeMenu = AddMenu(mnuWindow, "mnuArrangeMenu", "&Arrange");
    mnuArrange[0] = AddCommand(mnuArrangeMenu, "mnuArrange_0", "&Cascade");
    mnuArrange[1] = AddCommand(mnuArrangeMenu, "mnuArrange_1", "Tile &Horizontal");
    mnuArrange[2] = AddCommand(mnuArrangeMenu, "mnuArrange_2", "Tile &Vertical");
    mnuArrange[3] = AddCommand(mnuArrangeMenu, "mnuArrange_3", "&Arrange Icons");
    mnuCloseAll = AddCommand(mnuWindow, "mnuCloseAll", "&Close All");
    mnuMinimize = AddCommand(mnuWindow, "mnuMinimize", "&Minimize All");
    for (std::size_t i = 0; i < mnuArrange.size(); ++i) {
        const int index = static_cast<int>(i);
        connect(mnuArrange[i], &QAction::triggered, this, [this, index] { ArrangeWindows(index); });
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

void frmMain::UpdateWindowMenu()
{
    for (QAction *action : std::as_const(m_windowListActions)) {
        mnuWindow->removeAction(action);
        action->deleteLater();
    }
    m_windowListActions.clear();

    const QList<QMdiSubWindow *> windows = m_mdi->subWindowList(QMdiArea::CreationOrder);
    if (windows.isEmpty())
        return;
    m_windowListActions.append(mnuWindow->addSeparator());
    int number = 0;
    for (QMdiSubWindow *window : windows) {
        ++number;
        QString caption = window->windowTitle();
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        const QString text = number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(caption)
                                         : QStringLiteral("%1 %2").arg(number).arg(caption);
        QAction *action = mnuWindow->addAction(text);
        action->setCheckable(true);
        action->setChecked(window == m_mdi->activeSubWindow());
        connect(action, &QAction::triggered, this, [this, window] {
            if (m_mdi->subWindowList().contains(window)) {
                if (window->isMinimized())
                    window->showNormal();
                m_mdi->setActiveSubWindow(window);
            }
        });
        m_windowListActions.append(action);
    }
}

// ---- the display commands ----------------------------------------------------------

// ---- print, clipboard, export ---------------------------------------------------------

// ---- options ---------------------------------------------------------------------------

void frmMain::ChangeDataFolder()
{
    // The folder is shown as it is: folder names here tell letter case apart,
    // so OK on the unchanged text keeps the same folder.
    const std::optional<QString> answer =
        m_prompts.InputBox(QString::fromLatin1(tarvel::ChangePathTitle), QString::fromLatin1(tarvel::ChangePathPrompt),
                           QString::fromLocal8Bit(m_state.DataFolder.c_str()));
    if (!answer)
        return;
    // Nothing is checked now; quitting remembers the folder when it holds the data.
    if (const auto folder = tarvel::ChangedDataFolder(answer->toLocal8Bit().toStdString())) {
        m_state.DataFolder = *folder;
        m_dataFolderChosen = true;
        ShowDataFolderKind();
    }
}

void frmMain::ResetToDefault()
{
    ApplyDisplaySettings(tarvel::ResetToDefault(m_settings, m_state.ProgramFolder, m_state.DataFolder));
    ShowDataFolderKind();
    ResizeChildWindowsToDefault();
}

// The document and help commands, the font, default size and reverse options
// and the window commands are in frmMain_docs.cpp.
