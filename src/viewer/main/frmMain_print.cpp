// The print commands of the main window: print the active window, and
// print the chosen table for every chosen area.
#include "viewer/main/frmMain.h"
#include "core/views/computed_view.h"
#include "viewer/qt/qt_text.h"

#include "viewer/qt/qt_batch_command.h"
#include "viewer/qt/qt_busy_cursor.h"
#include "viewer/qt/qt_child_window.h"
#include "viewer/qt/qt_prompts.h"
#include "core/selection/selection.h"
#include "core/catalog/table_catalog.h"
#include "core/catalog/file_helpers.h"
#include "core/views/table_view_builder.h"
#include "viewer/print/frmPrint.h"
#include "viewer/print/qt_print_preview.h"
#include "viewer/print/qt_printer_target.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <filesystem>
#include <functional>
#include <optional>
#include <system_error>
#include <string>
#include <vector>

namespace {

// The window print reads: the active child window, or the area's current
// one while another top-level window (a dialog, another program) is active.
ChildWindow *PrintedChild(const QMdiArea *area)
{
    if (ChildWindow *child = ActiveChild(area))
        return child;
    return area ? ChildOf(area->currentSubWindow()) : nullptr;
}

// Files a job must never write into besides the data: the settings file.
std::vector<std::string> OtherInputs(frmMain &window)
{
    return tarvel::SettingsFilesRead(&window.Settings());
}

// A printer that would not start its job is reported; a file's failure
// the engine has reported already.
void ReportPrinterFailure(frmMain &window, const tarvel::PrintTarget &target)
{
    const auto *printer = dynamic_cast<const QtPrinterTarget *>(&target);
    if (printer && printer->StartFailed() && target.FileName().empty()) {
        window.UserPrompts().Message(QStringLiteral("Printer not available"),
                                     QStringLiteral("The printer could not be started."), QMessageBox::Warning);
    }
}

// Says that print-all was stopped, and what became of its output file.
void ReportPrintAllCancelled(Prompts &prompts, const tarvel::PrintOptions &options)
{
    QString text = QStringLiteral("Printing was cancelled.");
    if (options.PrintToFile) {
        std::error_code ec;
        const bool exists = std::filesystem::exists(tarvel::ActualPath(options.PrintFileName), ec);
        text += QStringLiteral(" The file ") + QString::fromLocal8Bit(options.PrintFileName.c_str())
            + (exists ? QStringLiteral(" was left as it was.") : QStringLiteral(" was not written."));
    } else {
        // A printer's job cannot be taken back once pages have gone to it.
        text += QStringLiteral(" The pages printed before that go to the printer.");
    }
    prompts.Message(QStringLiteral("Printing cancelled"), text, QMessageBox::Information);
}

// A PDF cannot be added to, so a job to an existing one would replace it:
// that happens only when the user says so for this job. False ends the job
// with nothing written.
bool MayWriteOutput(const tarvel::PrintOptions &options, Prompts &prompts)
{
    if (!options.PrintToFile || !IsPdfOutputName(options.PrintFileName))
        return true;
    std::error_code ec;
    if (!std::filesystem::exists(tarvel::ActualPath(options.PrintFileName), ec))
        return true;
    const QString name = QString::fromLocal8Bit(options.PrintFileName.c_str());
    return prompts.ConfirmReplace(QStringLiteral("Replace file"),
                                  QStringLiteral("The file ") + name
                                      + QStringLiteral(" already exists.\nDo you want to replace it?"));
}

} // namespace

QPrinter &frmMain::Printer()
{
    if (!m_printer)
        m_printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

void frmMain::ShowNothingToPrint()
{
    m_prompts.Message(QString::fromLatin1(tarvel::CannotPrintTitle),
                      Latin1(tarvel::CannotPrintText(ToLatin1(mnuPrint->text()), ToLatin1(mnuView->text()),
                                                     ToLatin1(mnuPrintAll->text()))),
                      QMessageBox::Information);
}

void frmMain::RunPrint()
{
    if (PrintActiveChart())
        return;
    ChildWindow *child = PrintedChild(m_mdi);
    if (!child) {
        ShowNothingToPrint();
        return;
    }
    const tarvel::PrintSnapshot snapshot = child->Snapshot();

    {
        // A new dialog each time, so it always opens from the settings.
        PrintDialogContext context = PrintContext();
        context.command = [snapshot, paths = m_state.Paths(), sorted = child->RowsSorted()](
                              const tarvel::PrintOptions &options) {
            return tarvel::PrintWindowCommand(ViewerBatchCommandBase(), paths, snapshot, options, sorted);
        };
        frmPrint dialog(context);
        if (child->Tag() == tarvel::ChildKind::Document)
            dialog.chkFootnote->hide();
        dialog.setWindowTitle(QStringLiteral("Print ") + Latin1(snapshot.Caption));
        dialog.SetOptions(m_printState);
        m_prompts.RunDialog(dialog);
        m_printState = dialog.Options();
    }
    tarvel::PrintOptions options = m_printState;
    options.PrintAllMode = false;
    options.PrintAllFirst = false;
    options.PrintAllLast = false;
    if (tarvel::CheckPrintRequest(options, m_prompts) != tarvel::RequestCheck::Go)
        return;
    if (!MayWriteOutput(options, m_prompts))
        return;

    tarvel::PrintStatus status = tarvel::PrintStatus::Failed;
    {
        BusyCursor busy;
        const std::unique_ptr<tarvel::PrintTarget> target = MakePrintTarget(options, Printer());
        status = tarvel::PrintWindow(snapshot, *target, options, m_state.Paths(), m_prompts, OtherInputs(*this));
        ReportPrinterFailure(*this, *target);
    }
    if (status == tarvel::PrintStatus::Printed) {
        if (options.PrintToFile)
            RememberOutput(options.PrintFileName);
        m_prompts.Message(QString::fromLatin1(tarvel::PrintCompletedTitle),
                          Latin1(tarvel::PrintCompletedText(snapshot.Caption)), QMessageBox::Information);
    }
}

PrintDialogContext frmMain::PrintContext()
{
    return PrintDialogContext{this, m_settings, Printer(), m_prompts, m_fontDialogChoice, m_state.Unsuppressed, {}};
}

bool frmMain::PrintAllSelectionComplete()
{
    // The checks of this command (its own wording, not the display's).
    if (!tarvel::TableChosen(m_state)) {
        m_prompts.Message(QStringLiteral("Select table"), QStringLiteral("Please select a table.\r\nfrom the Table box."),
                          QMessageBox::Information);
        return false;
    }
    if (!tarvel::AreasChosen(m_state)) {
        m_prompts.Message(QStringLiteral("Select States"), QStringLiteral("Please select one or more States."),
                          QMessageBox::Information);
        return false;
    }
    if (!tarvel::QuartersChosen(m_state)) {
        m_prompts.Message(QStringLiteral("Select years"),
                          QStringLiteral("Please make a year selection from the Years box."),
                          QMessageBox::Information);
        return false;
    }
    return true;
}

void frmMain::RunPrintAll()
{
    if (!PrintAllSelectionComplete())
        return;

    {
        PrintDialogContext context = PrintContext();
        context.command = [this](const tarvel::PrintOptions &options) {
            return tarvel::PrintAllCommand(ViewerBatchCommandBase(), m_state.Paths(), m_state.TableCode,
                                           PrintAllAreaOrder(), m_state.QuarterSelected, mnuReverse->isChecked(),
                                           options, PrintAllUnits());
        };
        frmPrint dialog(context);
        dialog.setWindowTitle(QStringLiteral("Print all areas for table ") + Latin1(m_state.TableCode));
        dialog.SetOptions(m_printState);
        m_prompts.RunDialog(dialog);
        m_printState = dialog.Options();
    }
    // Checked once for the run, not once per area.
    if (tarvel::CheckPrintRequest(m_printState, m_prompts) != tarvel::RequestCheck::Go)
        return;
    if (!MayWriteOutput(m_printState, m_prompts))
        return;

    RepaintBeforeLongJob();
    tarvel::PrintAllSummary summary;
    int count = 0;
    {
        BusyCursor busy;
        const std::unique_ptr<tarvel::PrintTarget> target = MakePrintTarget(m_printState, Printer());
        summary = PrintAllTo(*target, m_printState, count,
                             QStringLiteral("Print all areas for table ") + Latin1(m_state.TableCode));
    }
    if (summary.Cancelled) {
        ReportPrintAllCancelled(m_prompts, m_printState);
        return;
    }
    if (m_printState.PrintToFile && summary.Printed > 0)
        RememberOutput(m_printState.PrintFileName);
    ReportPrintAllDone(summary, count);
}

void frmMain::RepaintBeforeLongJob()
{
    // The closed dialog's area is painted again only from the event loop,
    // which a long job keeps waiting.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (isVisible())
        repaint();
}

tarvel::PrintAllSummary frmMain::PrintAllTo(tarvel::PrintTarget &target, tarvel::PrintOptions &options, int &count,
                                            const QString &title)
{
    const std::string code = m_state.TableCode;
    const tarvel::PrintAllScope printAll(m_state);
    options.PrintAllMode = true;

    const std::vector<int> areas = PrintAllAreaOrder();
    count = static_cast<int>(areas.size());

    // Each area's grid is built as the display command lays it out in
    // print-all mode, without showing a window; the printed output is
    // the same.
    tarvel::TableViewRequest request;
    request.Paths = m_state.Paths();
    request.Code = code;
    request.QuarterSelected = m_state.QuarterSelected;
    request.Reverse = mnuReverse->isChecked();
    request.PrintAllMode = true;
    // Each grid is printed and let go: nothing reads its values again,
    // unless the active window of the table shows computed units, which
    // each area's grid is then printed in.
    const tarvel::UnitsChoice units = PrintAllUnits();
    request.WithModel = !units.IsPublished();
    const tarvel::AreaGridBuilder build = [this, &request, units](int area) -> tarvel::Result<tarvel::Grid> {
        m_state.CurrentArea = area;
        request.CurrentArea = area;
        tarvel::Result<tarvel::Grid> grid = tarvel::BuildTableView(request);
        if (!grid || units.IsPublished())
            return grid;
        return tarvel::ComputeGrid(*grid, units, request.Paths);
    };
    // The progress names the area about to be printed; Cancel stops the run
    // and drops its output.
    const std::unique_ptr<ProgressReport> progress = m_prompts.StartProgress(title, static_cast<int>(areas.size()));
    const tarvel::PrintAllProgress step = [&progress](int done, int total, const std::string &area) {
        return progress->Step(done, QStringLiteral("Printing %1 (%2 of %3)").arg(Latin1(area)).arg(done + 1).arg(total));
    };
    const tarvel::PrintAllSummary summary =
        tarvel::PrintAllAreas(areas, build, target, options, m_state.Paths(), m_prompts, OtherInputs(*this), step);
    if (!summary.Cancelled)
        ReportPrinterFailure(*this, target);

    options.PrintAllMode = false;
    options.PrintAllFirst = false;
    options.PrintAllLast = false;
    return summary;
}

std::vector<int> frmMain::PrintAllAreaOrder() const
{
    // The areas in area order, stepping forward from before the first
    // whichever arrow was pressed last: one pass for a table whose lines are
    // the areas (ZR1), which holds every area. "Copy as command" reads the
    // same order.
    const std::string &code = m_state.TableCode;
    const int count =
        tarvel::ShapeOf(code) == tarvel::TableShape::AreaRows ? 1 : tarvel::CountChosen(m_state.AreaSelected);
    std::vector<int> areas;
    int area = 0;
    for (int j = 0; j < count; ++j) {
        area = tarvel::NextSelectedArea(code, m_state.AreaSelected, area);
        areas.push_back(area > 0 ? area : 1);
    }
    return areas;
}

void frmMain::ReportPrintAllDone(const tarvel::PrintAllSummary &summary, int count)
{
    // Success is claimed only for what was printed; each failure was shown.
    if (summary.Failed == 0 && summary.Printed > 0) {
        m_prompts.Message(QString::fromLatin1(tarvel::PrintCompletedTitle),
                          QString::fromLatin1(tarvel::AllAreasPrintedText), QMessageBox::Information);
    } else if (summary.Printed > 0) {
        m_prompts.Message(QString::fromLatin1(tarvel::PrintCompletedTitle),
                          QStringLiteral("%1 of %2 areas printed.").arg(summary.Printed).arg(count),
                          QMessageBox::Information);
    }
}

// ---- print preview ------------------------------------------------------------------

namespace {

// The preview of one job: Qt's preview dialog on the shared printer, whose
// pages are drawn by draw(printer) each time the preview (or the print
// button in it) asks; a draw that returns false (the user stopped it)
// closes the preview. Returns true when the user printed from it.
bool RunPreview(frmMain &window, const QString &caption, const std::function<bool(QPrinter &)> &draw)
{
    QPrintPreviewDialog dialog(&window.Printer(), &window);
    dialog.setObjectName(QStringLiteral("frmPrintPreview"));
    dialog.setWindowTitle(caption);
    PreparePreviewForKeyboard(dialog);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&draw, &dialog](QPrinter *printer) {
        BusyCursor busy;
        // The pages are drawn as the dialog is about to show: it closes as
        // soon as it runs.
        if (!draw(*printer))
            QMetaObject::invokeMethod(&dialog, &QDialog::reject, Qt::QueuedConnection);
    });
    return window.UserPrompts().RunDialog(dialog) == QDialog::Accepted;
}

// The preview prints: the unsuppressed mode warns as the print dialog does.
void WarnIfUnsuppressed(frmMain &window)
{
    if (window.State().Unsuppressed) {
        window.UserPrompts().Message(QString::fromLatin1(tarvel::UnsuppressedPrintTitle),
                                     QString::fromLatin1(tarvel::UnsuppressedPrintText), QMessageBox::Warning);
    }
}

} // namespace

void frmMain::RunPrintPreview()
{
    if (PreviewActiveChart())
        return;
    ChildWindow *child = PrintedChild(m_mdi);
    if (!child) {
        ShowNothingToPrint();
        return;
    }
    const tarvel::PrintSnapshot snapshot = child->Snapshot();
    tarvel::PrintOptions options = frmPrint::StoredPrinterOptions(m_settings, m_printState);
    options.PrintAllMode = false;
    options.PrintAllFirst = false;
    options.PrintAllLast = false;
    WarnIfUnsuppressed(*this);

    // The pages are drawn by the printer target of the print command, so
    // the preview shows what prints.
    tarvel::PrintStatus status = tarvel::PrintStatus::Failed;
    const bool printed =
        RunPreview(*this, QStringLiteral("Print preview ") + Latin1(snapshot.Caption), [&](QPrinter &printer) {
            const std::unique_ptr<QtPrinterTarget> target = MakePrinterTarget(options, printer);
            target->SetPreview(true);
            status = tarvel::PrintWindow(snapshot, *target, options, m_state.Paths(), m_prompts, OtherInputs(*this));
            ReportPrinterFailure(*this, *target);
            return true;
        });
    if (printed && status == tarvel::PrintStatus::Printed) {
        m_prompts.Message(QString::fromLatin1(tarvel::PrintCompletedTitle),
                          Latin1(tarvel::PrintCompletedText(snapshot.Caption)), QMessageBox::Information);
    }
}

void frmMain::RunPrintAllPreview()
{
    if (!PrintAllSelectionComplete())
        return;
    tarvel::PrintOptions options = frmPrint::StoredPrinterOptions(m_settings, m_printState);
    WarnIfUnsuppressed(*this);

    tarvel::PrintAllSummary summary;
    int count = 0;
    const QString caption = QStringLiteral("Print preview of all areas for table ") + Latin1(m_state.TableCode);
    RepaintBeforeLongJob();
    const bool printed = RunPreview(*this, caption, [&](QPrinter &printer) {
        const std::unique_ptr<QtPrinterTarget> target = MakePrinterTarget(options, printer);
        target->SetPreview(true);
        summary = PrintAllTo(*target, options, count, caption);
        return !summary.Cancelled;
    });
    if (printed && summary.Cancelled)
        ReportPrintAllCancelled(m_prompts, options);
    else if (printed)
        ReportPrintAllDone(summary, count);
}
