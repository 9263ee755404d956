#pragma once

#include "core/selection/program_state.h"
#include "core/selection/selection.h"
#include "core/settings/settings_store.h"
#include "core/print/print_options.h"

#include <QMainWindow>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarvel {
enum class DataDocument;  // core/help/documents.h
enum class SizeKind;      // core/views/scroll_value.h
enum class Units : std::uint8_t; // core/views/units.h
struct UnitsChoice;              // core/views/computed_view.h
class Grid;                      // core/views/grid.h
template <typename T> class Result; // core/catalog/failure.h
enum class TableDocument; // core/help/documents.h
class PrintTarget;
struct PrintAllSummary;
} // namespace tarvel

class HelpViewer;
class frmChart;
class frmDisplay;
class Prompts;
struct PrintDialogContext;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPrinter;
class QPushButton;
class QRadioButton;
class QWidget;
class StatusNote;

/// The main window's controls, each a member named as the program names it
/// and with that objectName. frmMain inherits them privately, as a form
/// inherits its Ui class, so its commands use them by name while no other
/// code reaches them; tests read them through frmMain::Controls().
struct frmMainControls {
    QWidget *picMain = nullptr;
    QGroupBox *fraSeries = nullptr;
    std::array<QRadioButton *, 4> optSeries{};
    QGroupBox *fraTable = nullptr;
    std::array<QRadioButton *, 3> optTable{};
    QLabel *lblYears = nullptr;
    QComboBox *cboYears = nullptr;
    QPushButton *cmdStates = nullptr;
    QGroupBox *fraDisplay = nullptr;
    QPushButton *cmdPrev = nullptr;
    QPushButton *cmdNext = nullptr;
    QPushButton *cmdShowOneLine = nullptr;
    QPushButton *cmdChart = nullptr; ///< beside cmdShowOneLine (frmMain_chart.cpp)
    /// The units the active table or one-line window shows, in a frame of
    /// its own after the display buttons (frmMain_units.cpp).
    QGroupBox *fraUnits = nullptr;
    QComboBox *cboUnits = nullptr;

    // Menus. Top-level menus and sub-menus are QMenus, commands QActions.
    QMenu *mnuFile = nullptr;
    QAction *mnuView = nullptr;
    QAction *mnuShowOneLine = nullptr;
    QAction *mnuChart = nullptr; ///< "C&hart...", after "Display &One line"
    QAction *mnuPrint = nullptr;
    QAction *mnuPrintAll = nullptr;
    QAction *mnuPrintPreview = nullptr;
    QAction *mnuPrintAllPreview = nullptr;
    QAction *mnuClip = nullptr;
    QAction *mnuExport = nullptr;
    QAction *mnuQuit = nullptr;
    /// "&Units": what the active table or one-line window shows, one
    /// checkable command per entry of the units table, in its order.
    QMenu *mnuUnits = nullptr;
    std::array<QAction *, 9> mnuUnit{};
    QMenu *mnuSettings = nullptr;
    QAction *mnuFont = nullptr;
    QMenu *mnuGridHead = nullptr;
    QAction *mnuSetWindowHW = nullptr;
    QAction *mnuReverse = nullptr;
    /// "&Height..." and "&Width...", named mnuGrid_2 and mnuGrid_3 after
    /// their places in the menu.
    std::array<QAction *, 2> mnuGrid{};
    QAction *mnuZRChange = nullptr;
    QAction *mnuReset = nullptr;
    QMenu *mnuDocHeader = nullptr;
    /// "Footnotes, current table" and "Summary, current table".
    std::array<QAction *, 2> mnuFoot{};
    /// The documents that come with the data, in DataDocument order.
    std::array<QAction *, 3> mnuDoc{};
    QMenu *mnuWindow = nullptr;
    QMenu *mnuArrangeMenu = nullptr;
    /// The arrange commands, in frmMain::Arrangement order.
    std::array<QAction *, 4> mnuArrange{};
    QAction *mnuCloseAll = nullptr;
    QAction *mnuMinimize = nullptr;
    QMenu *mnuHelp = nullptr;
    QAction *mnuHelpQS = nullptr;
    QAction *mnuHelpContents = nullptr;
    QAction *mnuHelpIndex = nullptr;
    QAction *mnuHelpSearch = nullptr;
    QAction *mnuWeb = nullptr;
    QAction *mnuHelpAbout = nullptr;
    /// The status-bar sign shown while the data are the sample data.
    QLabel *lblSampleData = nullptr;
    /// The status-bar note: what a command did that shows nowhere else
    /// (a screen reader hears it as a notification).
    StatusNote *lblNote = nullptr;
};

/// The main window: the numbered selection controls, the status bar that
/// shows the selection, the menus and the area that holds every child
/// window. It owns the program-wide state (which holds the selection) and
/// the settings store; every command reads them when it runs.
class frmMain final : public QMainWindow, private frmMainControls {
    Q_OBJECT
public:
    explicit frmMain(Prompts &prompts, QWidget *parent = nullptr);
    ~frmMain() override;

    /// The commands of "&Arrange", in menu order.
    enum class Arrangement { Cascade, TileHorizontal, TileVertical, Icons };

    /// The program's own folder (ending in '/'); by default the executable's.
    /// Set before Startup.
    void SetProgramFolder(const std::string &folder);
    /// The folders tried after the remembered one and the program folder;
    /// by default DataFolderCandidates(ProgramFolder). Set before Startup.
    void SetDataFolderCandidates(std::vector<std::string> candidates);

    /// The window's normal (restored) geometry on a screen whose free area is
    /// available: as large as fits with room left for the desktop's frame
    /// and title bar, so a restored window lies fully on screen.
    static QRect NormalGeometryOn(const QRect &available);

    /// Start-up: command line, folders, data check, settings, first series.
    /// arguments are those left after Qt took its own (program name excluded).
    void Startup(const QStringList &arguments);
    /// Stores the display settings and, when it holds the data and the run
    /// is not unsuppressed, the data folder; a save that fails is reported.
    /// Runs once, when the window closes, which it does all the same.
    void SaveSettingsAndExit();

    tarvel::ProgramState &State() { return m_state; }
    const tarvel::ProgramState &State() const { return m_state; }
    tarvel::SettingsStore &Settings() { return m_settings; }
    Prompts &UserPrompts() { return m_prompts; }
    QMdiArea *MdiArea() const { return m_mdi; }

    /// True while the data folder is the bundled sample data.
    bool ShowsSampleData() const;

    /// Status-bar panel 1..4 as text: the series, then the table, areas and
    /// quarters chosen in the state.
    QString PanelText(int panel) const;
    /// Chooses the areas as the area pick list does when it closes with them:
    /// the state's flags, the current area (one before the first chosen) and
    /// panel 3.
    void ChooseAreas(const tarvel::AreaFlags &chosen);
    /// Chooses the quarters as the quarter pick list does: the state's flags
    /// and panel 4; without any quarter the quarter list shows no entry.
    void ChooseQuarters(tarvel::QuarterFlags chosen);
    /// The display font of the settings as a QFont; while it is the default
    /// font, in the desktop's text size when that is larger.
    QFont DisplayFont() const;
    /// False while the display font is the default one (the user chose none).
    bool DisplayFontChosen() const;
    /// The font last chosen in any font dialog of the program (display or
    /// printer font); empty until one was chosen. Each font dialog stores its
    /// choice here, and the printer font dialog opens with it.
    std::optional<QFont> &FontDialogChoice() { return m_fontDialogChoice; }
    /// The print state between jobs: filled by the print dialog and
    /// print-all, read by the print commands (frmMain_print.cpp).
    tarvel::PrintOptions &PrintState() { return m_printState; }
    /// The printer later print jobs use; Change Printer of the print dialog
    /// chooses it. Made when first asked for (frmMain_print.cpp).
    QPrinter &Printer();
    /// What a print dialog opened by this window works on.
    PrintDialogContext PrintContext();

    /// The controls, for tests: the program's own code outside this window
    /// uses none of them.
    const frmMainControls &Controls() const { return *this; }

public slots:
    // Selection (series, table, quarters, areas) and the display buttons.
    void ChooseSeries(int series);
    void ChooseTable(int table);
    /// Fills the quarter list with the six entries of code.
    void FillQuarterList(const std::string &code);
    /// Applies the quarter list's current entry (the list's click).
    void cboYears_Click();
    void cmdStates_Click();
    void cmdNext_Click();
    void cmdPrev_Click();
    void cmdShowOneLine_Click();

    // Commands of the menus (frmMain_menus.cpp). Those that belong to the
    // display, print, export and document windows are seams filled there.
    void RunDisplay();
    void RunShowOneLine();
    void RunPrint();
    void RunPrintAll();
    /// The print preview of the active window and of print-all: Qt's preview
    /// dialog drawn by the printer target, from which the user may print.
    void RunPrintPreview();
    void RunPrintAllPreview();
    void RunCopyToClipboard();
    void RunExport();
    void ChooseDisplayFont();
    void SetDefaultWindowSize();
    void ToggleReverse();
    /// "&Height..." or "&Width...": the default size of that kind for every
    /// child window.
    void ChooseGridSize(tarvel::SizeKind kind);
    void ChangeDataFolder();
    void ResetToDefault();
    /// Resizes every child window in normal state to the default size.
    void ResizeChildWindowsToDefault();
    void ShowFootnotes(tarvel::TableDocument which);
    void ShowDocument(tarvel::DataDocument which);
    void ArrangeWindows(Arrangement arrangement);
    void CloseAllWindows();
    void MinimizeAllWindows();
    void HelpQuickStart();
    void HelpContents();
    void HelpIndex();
    void HelpSearch();
    void OpenWebSite();
    void ShowAbout();
    /// Rebuilds the list of child windows at the end of the "&Window" menu.
    void UpdateWindowMenu();
    /// Enables "Display &One line" and shows its button exactly while the
    /// active child window is a table view of a table with a block of lines
    /// for each area (not ZR1).
    void UpdateOneLineCommand(QMdiSubWindow *active);
    /// Charts the chosen lines of the active table window or the chosen
    /// areas of the active one-line window in a new chart window.
    void RunChart();
    /// Enables the chart command while a table or one-line window is active.
    void UpdateChartCommand(QMdiSubWindow *active);
    /// Shows unit in the active table or one-line window (frmMain_units.cpp);
    /// an index asks for its base quarter first.
    void ChooseUnits(tarvel::Units unit);
    /// The units menu and list show the active window's units, and are
    /// enabled while a table or one-line window is active.
    void UpdateUnitsCommand(QMdiSubWindow *active);
    /// F6 and Shift+F6: the focus moves from the numbered controls to the
    /// active child window, or back to the control it came from.
    void SwitchFocusArea();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateControls();
    void CreateStatusBar();
    /// The picture buttons' icons in the colours of their palette.
    void DrawButtonIcons();
    void DrawChartIcon();
    void CreateMenus();
    /// Access keys, shortcuts and F6 (frmMain_keys.cpp).
    void CreateKeyboardCommands();
    void ApplyDisplaySettings(const tarvel::DisplaySettings &settings);
    void ShowUnsuppressedColours();
    /// The caption, and the sign in the status bar, say whether the data
    /// folder is the bundled sample data.
    void ShowDataFolderKind();
    /// The caption names the active child window while any child window is
    /// maximized (its title bar is then the main window's), else only the
    /// program (frmMain_windows.cpp).
    void UpdateMainCaption();
    /// The same once the child windows have settled (after an activation or
    /// a change of state).
    void QueueCaptionUpdate();
    /// Whether DataFolder may be stored as the remembered "ZRPath".
    bool MayRememberDataFolder() const;
    void SetPanelText(int panel, const QString &text);
    /// Shows the quarter count of QuarterSelected in panel 4.
    void ShowQuarterCount();
    void RunQuarterPickList();
    // Print commands (frmMain_print.cpp).
    void ShowNothingToPrint();
    /// The table, area and quarter checks of print-all; false after saying
    /// what is missing.
    bool PrintAllSelectionComplete();
    /// Prints the chosen table for every chosen area to target in one run,
    /// as print-all does; count is the number of areas it meant to print.
    /// A run of more than about half a second shows its progress in a
    /// dialog titled title, from which the user may stop it.
    tarvel::PrintAllSummary PrintAllTo(tarvel::PrintTarget &target, tarvel::PrintOptions &options, int &count,
                                       const QString &title);
    /// The areas print-all prints, in the order it prints them.
    std::vector<int> PrintAllAreaOrder() const;
    /// The closing message of a print-all run.
    void ReportPrintAllDone(const tarvel::PrintAllSummary &summary, int count);
    /// Paints the main window now, before a long job keeps the event loop
    /// waiting: a dialog that just closed leaves no picture behind.
    void RepaintBeforeLongJob();
    // Units (frmMain_units.cpp).
    void CreateUnitsCommands();
    /// Shows unit in display (asking for an index's base quarter first);
    /// false, with the window as it was, when the user cancels or the
    /// figures cannot be computed (which is said).
    bool ShowUnitsIn(frmDisplay &display, tarvel::Units unit);
    /// published (a grid built like display's) in display's units.
    tarvel::Result<tarvel::Grid> InUnitsOf(const frmDisplay &display, tarvel::Grid published) const;
    /// The units print-all prints in: those of the active window while it
    /// shows the chosen table, else the published values.
    tarvel::UnitsChoice PrintAllUnits() const;
    // Charts (frmMain_chart.cpp). The print and clipboard commands hand a
    // chart window over to these; they return false for any other window.
    void CreateChartCommands();
    bool PrintActiveChart();
    bool PreviewActiveChart();
    bool CopyActiveChart();
    void SaveChart(frmChart &chart);
    /// The folder a chart's save and export dialogs open in: that of the
    /// last output file of this run, else of the remembered export or print
    /// file, else the home folder.
    QString OutputStartFolder() const;
    /// Remembers the folder of an output file (or a folder, ending in '/')
    /// written or chosen by a command.
    void RememberOutput(const std::string &file);
    void ExportChartData(frmChart &chart);
    void PrintChart(frmChart &chart);

    Prompts &m_prompts;
    tarvel::SettingsStore m_settings;
    tarvel::ProgramState m_state;
    std::optional<std::vector<std::string>> m_candidates;
    QMdiArea *m_mdi = nullptr;
    std::array<QLabel *, 4> m_panels{};
    QList<QAction *> m_windowListActions;
    bool m_settingsSaved = false;
    /// The program's own caption, without a child window's name.
    QString m_caption;
    bool m_settingCaption = false;
    /// The series and table buttons last chosen (-1 before the first).
    int m_chosenSeries = -1;
    int m_chosenTable = -1;
    /// The remembered folder did not hold the data at start-up: it stays
    /// remembered until the user chooses a folder.
    bool m_rememberedFolderMissing = false;
    /// The user chose the data folder with the change-path box.
    bool m_dataFolderChosen = false;
    std::optional<QFont> m_fontDialogChoice;
    std::string m_lastOutput; ///< the last output file or folder of this run
    tarvel::PrintOptions m_printState;
    std::shared_ptr<QPrinter> m_printer; // shared_ptr: QPrinter stays incomplete here
    /// The help window of the help commands, installed into QtPrompts (frmMain_docs.cpp).
    static std::shared_ptr<HelpViewer> CreateHelpViewer(frmMain &window);
    std::shared_ptr<HelpViewer> m_help = CreateHelpViewer(*this);
};
