#pragma once

#include "core/export/export_formats.h"
#include "core/export/export_writer.h"

#include <QDialog>
#include <QString>

#include <array>
#include <string>

class Prompts;
class QButtonGroup;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTabBar;
class QToolButton;

namespace tarvel {
class SettingsStore;
}

/// The export wizard: four pages under one tab strip (record format,
/// inserted text fields, records to export, output location). It loads the
/// saved choices and the table's line titles when it is made; its Export
/// button checks the choices, runs the core's export writer and, after a
/// complete run, reports it and closes. The opener runs it modally.
class frmExport final : public QDialog {
    Q_OBJECT
public:
    /// selection: what the run reads from the main window (folders, mode,
    /// chosen areas and quarters); tableCode: status-bar panel 2.
    frmExport(Prompts &prompts, tarvel::SettingsStore &settings, tarvel::ExportSelection selection,
              std::string tableCode, QWidget *parent = nullptr);
    ~frmExport() override;

    static constexpr int PageCount = 4;
    /// The folder answer's proposed file name; the folder is what precedes it.
    static constexpr const char *ChooseFolderName = "choose_folder (don't change this!)";

    /// The controls from options (all but the table code and the list).
    void SetOptions(const tarvel::ExportOptions &options);
    /// The wizard's state as the export writer takes it.
    tarvel::ExportOptions Options() const;

    /// The page shown, 1..4.
    int CurrentPage() const { return m_page; }
    /// Selects tab page (1..4), which shows that page.
    void GoToPage(int page);
    /// True after a run that completed (the wizard then closes).
    bool Completed() const { return m_completed; }

    QTabBar *tabExport = nullptr;
    std::array<QFrame *, PageCount> fraExport{};
    // Page 1
    std::array<QRadioButton *, tarvel::ExportFormatCount> optCopy{}; ///< one a format, in its table's order
    QPlainTextEdit *txtRecordFormat = nullptr;
    // Page 2
    QCheckBox *chkHeader = nullptr;
    QCheckBox *chkAreaName = nullptr;
    QCheckBox *chkLineTitle = nullptr;
    QCheckBox *chkQuote = nullptr;
    QPlainTextEdit *txtInsert = nullptr;
    // Page 3
    QListWidget *lstExport = nullptr;
    QPushButton *cmdAll = nullptr;
    QPushButton *cmdClear = nullptr;
    // Page 4
    QLabel *lblOP = nullptr;
    std::array<QRadioButton *, 2> optOP{};
    QLineEdit *txtFileName = nullptr;
    QToolButton *cmdChange = nullptr;
    QCheckBox *chkAppend = nullptr;
    QCheckBox *chkFoot = nullptr;
    QPlainTextEdit *txtOP = nullptr;
    // Below the pages
    QProgressBar *pbExport = nullptr;
    QPushButton *cmdPrevious = nullptr;
    QPushButton *cmdNext = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCommand = nullptr;

private:
    void CreatePages();
    void LoadLineTitles();
    void TabClicked(int page);
    void cmdNext_Click();
    void cmdPrevious_Click();
    void optCopy_Click(int index);
    /// The controls that depend on the format: quotes, append, the note.
    void ShowFormat(int index);
    /// The one-file name made to fit the chosen format: after a change of
    /// format its extension follows (NameForFormat); otherwise only a
    /// missing one is added.
    void FitNameToFormat(bool formatChanged);
    void cmdChange_Click();
    void cmdOK_Click();
    void cmdCommand_Click();
    void StartExport();
    /// Information box, then page 4 (or whichever page the check names).
    void Refuse(const char *title, const char *text, int page);

    Prompts &m_prompts;
    tarvel::SettingsStore &m_settings;
    tarvel::ExportSelection m_selection;
    std::string m_code;
    QStackedWidget *m_pages = nullptr;
    QButtonGroup *m_formatGroup = nullptr;
    QButtonGroup *m_outputGroup = nullptr;
    int m_page = 0;
    bool m_completed = false;
};
