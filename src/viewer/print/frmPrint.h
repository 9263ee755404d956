#pragma once

#include "core/export/batch_command.h"
#include "core/print/print_engine.h"

#include <QDialog>
#include <QFont>
#include <QRect>
#include <QString>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace tarvel {
class SettingsStore;
}
class Prompts;
class QCheckBox;
class QFontMetrics;
class QLabel;
class QPrinter;
class QPushButton;

/// path shortened to width: the start of its folder, an ellipsis and the
/// whole file name; a file name too long by itself loses its middle.
QString ElideKeepingFileName(const QString &path, const QFontMetrics &metrics, int width);

/// What the print dialog works on, lent by the window that opens it: the
/// stored "print" settings, the shared printer, the prompts, the font last
/// chosen in the font dialog (kept across dialogs) and the program's mode.
struct PrintDialogContext {
    QWidget *parent = nullptr;
    tarvel::SettingsStore &settings;
    QPrinter &printer;
    Prompts &prompts;
    std::optional<QFont> &fontChoice;
    bool unsuppressed = false;
    /// "Copy as command": the tarvel-batch command that makes what the job
    /// would make with the print state given; unset when no command can.
    std::function<tarvel::BatchCommand(const tarvel::PrintOptions &)> command;
};

/// The print dialog shown before every print job and once before a
/// print-all run. Its state is the text of two labels: the output (a
/// printer's name, or "Print to file = " and the path) and the printer font
/// ("Courier New,8"). They are filled from the "print" settings when the
/// dialog is made; Print turns them into the print state and stores them,
/// Cancel (or the close box) sets PrintFontSize to 0. The caller sets the
/// caption, may hide chkFootnote, runs it modally and reads Options().
class frmPrint final : public QDialog {
    Q_OBJECT
public:
    explicit frmPrint(const PrintDialogContext &context);

    /// The print state before the dialog: what Print leaves unchanged (the
    /// font of a label without a comma) keeps these values.
    void SetOptions(const tarvel::PrintOptions &options) { m_options = options; }
    /// The print state after the dialog; PrintFontSize 0 when cancelled.
    const tarvel::PrintOptions &Options() const { return m_options; }

    /// The name shown for printer: its own name, or for a PDF printer the
    /// file it writes.
    static QString PrinterDisplayName(const QPrinter &printer);
    /// The print state a job on the printer takes from the stored "print"
    /// settings without showing the dialog (the print preview): the printer
    /// font and the footnote choice, never a file. The rest is current's.
    static tarvel::PrintOptions StoredPrinterOptions(const tarvel::SettingsStore &settings,
                                                     tarvel::PrintOptions current);

    /// The output as the label shows it (a long path shortened).
    QString ShownOutput() const;
    /// The print state Print would give now (nothing is stored).
    tarvel::PrintOptions ChosenOptions() const;

    QLabel *lblP = nullptr;
    QLabel *lblPrint = nullptr;
    QLabel *lblF = nullptr;
    QLabel *lblFont = nullptr;
    QPushButton *cmdPSet = nullptr;
    QPushButton *cmdFont = nullptr;
    QCheckBox *chkFootnote = nullptr;
    QPushButton *cmdPrint = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdCommand = nullptr;
    /// Shown below the buttons while the output is a text or HTML file that
    /// exists: the print is added to its end.
    QLabel *lblAppend = nullptr;

public slots:
    /// Cancel, Escape and the close box: the request is cancelled.
    void reject() override;

protected:
    void changeEvent(QEvent *event) override;

private:
    void CreateControls();
    void Form_Load();
    /// Shows lblAppend when the output shown is a text or HTML file that
    /// exists, and makes the dialog tall enough for it.
    void ShowAppendNote();
    /// Places the controls: where the twips put them while every text
    /// shows whole there, else all of them larger by one factor.
    void ArrangeControls();
    /// The room control's content asks for: the whole size hint, or what
    /// its text alone covers.
    QSize RoomAsked(const QWidget &control, bool whole) const;
    void cmdPSet_Click();
    void cmdFont_Click();
    void cmdPrint_Click();
    void cmdCommand_Click();

    PrintDialogContext m_context;
    /// The controls' places in twips (left, top, width, height).
    std::vector<std::pair<QWidget *, QRect>> m_places;
    tarvel::PrintOptions m_options;
};
