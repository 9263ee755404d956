// The main window's chart commands: chart the chosen lines of a table window
// or the chosen areas of a one-line window, and save, copy and print a chart.
#include "viewer/main/frmMain.h"
#include "viewer/qt/qt_child_frame.h"
#include "viewer/qt/qt_text.h"

#include "core/catalog/file_helpers.h"
#include "core/print/print_engine.h"
#include "core/views/chart_series.h"
#include "viewer/chart/frmChart.h"
#include "viewer/display/frmDisplay.h"
#include "viewer/print/frmPrint.h"
#include "viewer/print/qt_printer_target.h"
#include "viewer/qt/qt_busy_cursor.h"
#include "viewer/qt/qt_drawn_icon.h"
#include "viewer/qt/qt_prompts.h"
#include "viewer/qt/qt_twips.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>
#include <QTableView>
#include <QTemporaryFile>

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

const QString SaveChartTitle = QStringLiteral("Save chart");
const QString SaveChartFilter = QStringLiteral("PNG image (*.png);;SVG drawing (*.svg)");
constexpr int SvgFilter = 2;
const char *const UnsuppressedSaveText = "You are saving a chart of unsuppressed data. Keep the file in a secure location.";

frmChart *ChartIn(QMdiSubWindow *window)
{
    return window ? qobject_cast<frmChart *>(window->widget()) : nullptr;
}

// The chart the print and copy commands work on: the active child window,
// or the area's current one while another top-level window is active.
frmChart *CurrentChart(const QMdiArea *area)
{
    if (QMdiSubWindow *active = area->activeSubWindow())
        return ChartIn(active);
    return ChartIn(area->currentSubWindow());
}

// A table or one-line window: what a chart is made from.
frmDisplay *ChartSource(QMdiSubWindow *window)
{
    auto *display = window ? qobject_cast<frmDisplay *>(window->widget()) : nullptr;
    if (!display)
        return nullptr;
    const tarvel::ChildKind kind = display->Tag();
    const bool chartable
        = kind == tarvel::ChildKind::TableView || kind == tarvel::ChildKind::PrintAll || kind == tarvel::ChildKind::SOL;
    return chartable ? display : nullptr;
}

// The grid rows of the selected cells; the current row when at most one
// cell is selected. The view's row 0 is the grid's row 1.
std::vector<int> ChosenRows(const frmDisplay &display)
{
    std::set<int> rows;
    long long cells = 0;
    if (const QItemSelectionModel *model = display.grdData->selectionModel()) {
        for (const QItemSelectionRange &range : model->selection()) {
            if (!range.isValid())
                continue;
            cells += static_cast<long long>(range.width()) * range.height();
            for (int row = range.top(); row <= range.bottom(); ++row)
                rows.insert(row + 1);
        }
    }
    if (cells <= 1) {
        rows.clear();
        if (display.CurrentRow() >= 1)
            rows.insert(display.CurrentRow());
    }
    return {rows.begin(), rows.end()};
}

bool SameChart(const tarvel::ChartData &a, const tarvel::ChartData &b)
{
    if (a.Title != b.Title || a.Labels != b.Labels || a.Series.size() != b.Series.size())
        return false;
    for (std::size_t i = 0; i < a.Series.size(); ++i) {
        if (a.Series[i].Area != b.Series[i].Area || a.Series[i].Line != b.Series[i].Line)
            return false;
    }
    return true;
}

// Two child windows never share a caption: a second chart of the same
// window is numbered.
std::string UniqueCaption(const QMdiArea &area, const std::string &caption)
{
    QStringList taken;
    for (const QMdiSubWindow *window : area.subWindowList())
        taken << window->windowTitle();
    std::string candidate = caption;
    for (int n = 2; taken.contains(Latin1(candidate)); ++n)
        candidate = caption + " (" + std::to_string(n) + ")";
    return candidate;
}

// A small line chart, drawn like the other picture buttons.
QIcon ChartIcon(const QPalette &palette)
{
    const QColor axes = palette.color(QPalette::ButtonText);
    const QColor mark = palette.color(QPalette::Highlight);
    return DrawnIcon([axes, mark](QPainter &painter, double s) {
        painter.setPen(QPen(axes, std::max(1.0, s / 24)));
        painter.drawLine(QPointF(s * 0.12, s * 0.1), QPointF(s * 0.12, s * 0.88));
        painter.drawLine(QPointF(s * 0.12, s * 0.88), QPointF(s * 0.92, s * 0.88));
        QPainterPath line;
        line.moveTo(s * 0.18, s * 0.7);
        line.lineTo(s * 0.4, s * 0.45);
        line.lineTo(s * 0.58, s * 0.58);
        line.lineTo(s * 0.88, s * 0.2);
        painter.setPen(QPen(mark, std::max(1.5, s / 12), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(line);
    });
}

// Every colour role set, so the button keeps the normal look when its
// frame turns red on black in unsuppressed mode.
void KeepOwnPalette(QWidget *widget)
{
    QPalette palette = QApplication::palette(widget);
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto g = static_cast<QPalette::ColorGroup>(group);
            const auto r = static_cast<QPalette::ColorRole>(role);
            palette.setColor(g, r, palette.color(g, r));
        }
    }
    widget->setPalette(palette);
}

// Draws the chart on printer's page, as large as fits, the page turned
// to landscape for a chart wider than tall (and turned back afterwards).
bool PrintChartOn(const frmChart &chart, QPrinter &printer)
{
    const QSize size = chart.PictureSize();
    const QPageLayout::Orientation before = printer.pageLayout().orientation();
    printer.setPageOrientation(size.width() > size.height() ? QPageLayout::Landscape : QPageLayout::Portrait);
    QPainter painter;
    bool printed = painter.begin(&printer);
    if (printed) {
        chart.Render(painter, QRectF(0, 0, printer.width(), printer.height()));
        printed = painter.end();
    }
    printer.setPageOrientation(before);
    return printed;
}

// A PDF file drawn as the printer's page; written beside the target first,
// so a failure leaves an earlier file as it was.
bool PrintChartToPdf(const frmChart &chart, const QString &path, const QPrinter &pageSource)
{
    QTemporaryFile part(QFileInfo(path).absoluteDir().filePath(QStringLiteral("chart-XXXXXX.pdf")));
    if (!part.open())
        return false;
    part.close();
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setPageLayout(pageSource.pageLayout());
    pdf.setCreator(QStringLiteral("TARVEL"));
    pdf.setDocName(chart.windowTitle());
    pdf.setOutputFileName(part.fileName());
    if (!PrintChartOn(chart, pdf))
        return false;
    if (QFile::exists(path) && !QFile::remove(path))
        return false;
    if (!QFile::rename(part.fileName(), path))
        return false;
    part.setAutoRemove(false);
    return true;
}

} // namespace

void frmMain::CreateChartCommands()
{
    mnuChart = new QAction(QStringLiteral("C&hart..."), this);
    mnuChart->setObjectName(QStringLiteral("mnuChart"));
    const QList<QAction *> items = mnuFile->actions();
    const qsizetype after = items.indexOf(mnuShowOneLine) + 1;
    mnuFile->insertAction(after > 0 && after < items.size() ? items[after] : nullptr, mnuChart);
    connect(mnuChart, &QAction::triggered, this, &frmMain::RunChart);

    cmdChart = new QPushButton(fraDisplay);
    cmdChart->setObjectName(QStringLiteral("cmdChart"));
    cmdChart->setToolTip(QStringLiteral("Chart the selected lines or areas"));
    cmdChart->setAccessibleName(cmdChart->toolTip());
    cmdChart->setIconSize(cmdShowOneLine->iconSize());
    cmdChart->setMinimumSize(cmdShowOneLine->minimumSize());
    cmdChart->setMaximumSize(cmdShowOneLine->maximumSize());
    KeepOwnPalette(cmdChart);
    DrawChartIcon();
    if (auto *row = qobject_cast<QBoxLayout *>(fraDisplay->layout()))
        row->insertWidget(row->indexOf(cmdShowOneLine) + 1, cmdChart);
    connect(cmdChart, &QPushButton::clicked, this, &frmMain::RunChart);

    connect(m_mdi, &QMdiArea::subWindowActivated, this, &frmMain::UpdateChartCommand);
    UpdateChartCommand(nullptr);
}

void frmMain::DrawChartIcon()
{
    cmdChart->setIcon(ChartIcon(cmdChart->palette()));
}

void frmMain::UpdateChartCommand(QMdiSubWindow *active)
{
    const bool available = ChartSource(active) != nullptr;
    mnuChart->setEnabled(available);
    cmdChart->setEnabled(available);
}

void frmMain::RunChart()
{
    const frmDisplay *source = ChartSource(m_mdi->activeSubWindow());
    tarvel::ChartSelection selection;
    if (source)
        selection = tarvel::ChartFromGrid(source->Data(), ChosenRows(*source), m_state.Paths());
    else
        selection.Problem = tarvel::ChartProblem::NotChartable;
    if (const auto message = tarvel::ChartProblemMessage(selection)) {
        m_prompts.Message(Latin1(message->Title), Latin1(message->Text), QMessageBox::Information);
        return;
    }

    std::optional<BusyCursor> busy(std::in_place);
    tarvel::Result<tarvel::ChartData> data = tarvel::BuildChart(selection.Request);
    if (!data) {
        busy.reset();
        tarvel::ReportFailure(m_prompts, data.Error());
        return;
    }
    // The same chart asked for again comes forward.
    for (QMdiSubWindow *window : m_mdi->subWindowList()) {
        const frmChart *open = ChartIn(window);
        if (open && SameChart(open->Data(), *data)) {
            window->showNormal();
            m_mdi->setActiveSubWindow(window);
            return;
        }
    }
    data->Caption = UniqueCaption(*m_mdi, data->Caption);

    auto *chart = new frmChart(std::move(*data));
    connect(chart, &frmChart::SaveRequested, this, [this, chart] { SaveChart(*chart); });
    connect(chart, &frmChart::CopyRequested, this, [chart] { QGuiApplication::clipboard()->setImage(chart->Image()); });
    connect(chart, &frmChart::PrintRequested, this, [this, chart] { PrintChart(*chart); });
    QMdiSubWindow *window = m_mdi->addSubWindow(new ChildFrame(chart));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(chart->windowTitle());
    // The default window size, but never too small to read a chart.
    window->resize(std::max(TwipsToPixelsX(m_state.Display.DefaultWindowWidth, window), 640),
                   std::max(TwipsToPixelsY(m_state.Display.DefaultWindowHeight, window), 440));
    window->show();
    m_mdi->setActiveSubWindow(window);
}

bool frmMain::CopyActiveChart()
{
    const frmChart *chart = CurrentChart(m_mdi);
    if (!chart)
        return false;
    QGuiApplication::clipboard()->setImage(chart->Image());
    return true;
}

bool frmMain::PrintActiveChart()
{
    frmChart *chart = CurrentChart(m_mdi);
    if (!chart)
        return false;
    PrintChart(*chart);
    return true;
}

bool frmMain::PreviewActiveChart()
{
    frmChart *chart = CurrentChart(m_mdi);
    if (!chart)
        return false;
    // Drawn as printing draws it, on the shared printer.
    QPrintPreviewDialog dialog(&Printer(), this);
    dialog.setObjectName(QStringLiteral("frmPrintPreview"));
    dialog.setWindowTitle(QStringLiteral("Print preview ") + chart->windowTitle());
    bool drawn = false;
    connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
            [chart, &drawn](QPrinter *printer) { drawn = PrintChartOn(*chart, *printer); });
    if (m_prompts.RunDialog(dialog) == QDialog::Accepted && drawn) {
        m_prompts.Message(QString::fromLatin1(tarvel::PrintCompletedTitle),
                          Latin1(tarvel::PrintCompletedText(ToLatin1(chart->windowTitle()))),
                          QMessageBox::Information);
    }
    return true;
}

void frmMain::SaveChart(frmChart &chart)
{
    if (m_state.Unsuppressed) {
        m_prompts.Message(QString::fromLatin1(tarvel::UnsuppressedPrintTitle), QString::fromLatin1(UnsuppressedSaveText),
                          QMessageBox::Warning);
    }
    int filter = 1;
    const QString start = QDir::home().filePath(Latin1(chart.Data().Code) + QStringLiteral("-chart.png"));
    const std::optional<QString> answer = m_prompts.SaveFileName(SaveChartTitle, start, SaveChartFilter, filter);
    if (!answer || answer->trimmed().isEmpty())
        return;
    // The name's ending chooses the format; without one, the filter does.
    QString path = *answer;
    bool svg = path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive);
    if (!svg && !path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) {
        svg = filter == SvgFilter;
        path += svg ? QStringLiteral(".svg") : QStringLiteral(".png");
    }
    const std::string name = path.toLocal8Bit().toStdString();
    if (tarvel::IsProgramInputFile(m_state.Paths(), name, tarvel::SettingsFilesRead(&m_settings))) {
        m_prompts.Message(QStringLiteral("ERROR"),
                          QStringLiteral("The file ") + path.toUpper()
                              + QStringLiteral(" is read by this program and cannot receive the chart. Choose another file."),
                          QMessageBox::Critical);
        return;
    }

    BusyCursor busy;
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly) && (svg ? chart.WriteSvg(file) : chart.WritePng(file))
        && file.commit();
    if (!written) {
        file.cancelWriting();
        tarvel::ReportFileNotAccessible(m_prompts, name, tarvel::WriteFailureReason(name));
    }
}

void frmMain::PrintChart(frmChart &chart)
{
    const std::string caption = ToLatin1(chart.windowTitle());
    {
        frmPrint dialog(PrintContext());
        dialog.chkFootnote->hide();
        dialog.setWindowTitle(QStringLiteral("Print ") + chart.windowTitle());
        dialog.SetOptions(m_printState);
        m_prompts.RunDialog(dialog);
        m_printState = dialog.Options();
    }
    tarvel::PrintOptions options = m_printState;
    options.PrintAllMode = false;
    if (tarvel::CheckPrintRequest(options, m_prompts) != tarvel::RequestCheck::Go)
        return;
    const std::string &file = options.PrintFileName;
    if (options.PrintToFile && !IsPdfOutputName(file)) {
        m_prompts.Message(QStringLiteral("Chart not printed"),
                          QStringLiteral("A chart prints on a printer or into a PDF file. In the print dialog, choose "
                                         "a printer or a file name ending in .pdf."),
                          QMessageBox::Information);
        return;
    }
    if (options.PrintToFile && tarvel::IsProgramInputFile(m_state.Paths(), file, tarvel::SettingsFilesRead(&m_settings))) {
        m_prompts.Message(QString::fromLatin1(tarvel::RefusedOutputTitle), Latin1(tarvel::RefusedOutputText(file)),
                          QMessageBox::Critical);
        return;
    }

    std::optional<BusyCursor> busy(std::in_place);
    const bool printed = options.PrintToFile
        ? PrintChartToPdf(chart, QString::fromLocal8Bit(tarvel::ActualPath(file).string()), Printer())
        : PrintChartOn(chart, Printer());
    busy.reset();
    if (!printed) {
        if (options.PrintToFile)
            tarvel::ReportFileNotAccessible(m_prompts, file);
        else
            m_prompts.Message(QStringLiteral("Printer not available"), QStringLiteral("The printer could not be started."),
                              QMessageBox::Warning);
        return;
    }
    m_prompts.Message(QString::fromLatin1(tarvel::PrintCompletedTitle), Latin1(tarvel::PrintCompletedText(caption)),
                      QMessageBox::Information);
}
