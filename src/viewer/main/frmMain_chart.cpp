// The main window's chart commands: chart the chosen lines of a table window
// or the chosen areas of a one-line window, and save, copy, print and export
// a chart.
#include "viewer/main/frmMain.h"
#include "core/views/computed_view.h"
#include "viewer/qt/qt_child_frame.h"
#include "viewer/qt/qt_text.h"

#include "core/catalog/file_helpers.h"
#include "core/catalog/safe_output_file.h"
#include "core/export/export_writer.h"
#include "core/settings/program_settings.h"
#include "core/print/print_engine.h"
#include "core/views/chart_series.h"
#include "viewer/chart/frmChart.h"
#include "viewer/chart/frmChartImage.h"
#include "viewer/display/frmDisplay.h"
#include "viewer/print/frmPrint.h"
#include "viewer/print/qt_print_preview.h"
#include "viewer/print/qt_printer_target.h"
#include "viewer/qt/qt_busy_cursor.h"
#include "viewer/qt/qt_drawn_icon.h"
#include "viewer/qt/qt_prompts.h"
#include "viewer/qt/qt_twips.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QBuffer>
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
#include <QPdfWriter>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStyle>
#include <QTableView>

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

const QString SaveChartTitle = QStringLiteral("Save chart");
const QString SaveChartFilter = QStringLiteral("PNG image (*.png);;SVG drawing (*.svg)");
constexpr int SvgFilter = 2;
const QString ExportChartTitle = QStringLiteral("Export chart data");
const QString ExportChartFilter = QStringLiteral("CSV file (*.csv);;All files (*)");
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

// Closing a chart while it is the active window brings back the window it
// was made from, when that is still open: the area by itself would bring
// whichever window lies on top.
class BackToSource final : public QObject {
public:
    BackToSource(QMdiSubWindow *chart, QMdiSubWindow *source) : QObject(chart), m_source(source)
    {
        chart->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *chart = qobject_cast<QMdiSubWindow *>(watched);
        if (event->type() != QEvent::Close || !chart || !m_source)
            return false;
        QMdiArea *area = chart->mdiArea();
        if (!area || area->activeSubWindow() != chart)
            return false;
        // After the area has chosen its own window.
        QPointer<QMdiSubWindow> source = m_source;
        QMetaObject::invokeMethod(area, [area, source] {
            if (!source || !source->isVisible() || !area->subWindowList().contains(source))
                return;
            area->setActiveSubWindow(source);
            if (QWidget *content = source->widget())
                content->setFocus(Qt::OtherFocusReason);
        }, Qt::QueuedConnection);
        return false;
    }

private:
    QPointer<QMdiSubWindow> m_source;
};

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

// The grid rows of the selected cells, top to bottom as the window shows
// them; the current row when at most one cell is selected. The view's row 0
// is the grid's row 1; a sorted window's rows are given as the rows of its
// grid in area order, in the window's order.
std::vector<int> ChosenRows(const frmDisplay &display)
{
    std::set<int> shown;
    long long cells = 0;
    if (const QItemSelectionModel *model = display.grdData->selectionModel()) {
        for (const QItemSelectionRange &range : model->selection()) {
            if (!range.isValid())
                continue;
            cells += static_cast<long long>(range.width()) * range.height();
            for (int row = range.top(); row <= range.bottom(); ++row)
                shown.insert(row + 1);
        }
    }
    if (cells <= 1) {
        shown.clear();
        if (display.CurrentRow() >= 1)
            shown.insert(display.CurrentRow());
    }
    std::vector<int> rows;
    for (const int row : shown)
        rows.push_back(display.AreaOrderRow(row));
    return rows;
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

// Draws the chart on a page of device (a printer, a print preview's
// printer or a PDF writer), as large as fits; the page's orientation is
// the caller's, so that a preview and the print it makes agree.
bool DrawChartPage(const frmChart &chart, QPagedPaintDevice &device)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    chart.Render(painter, QRectF(0, 0, device.width(), device.height()));
    return painter.end();
}

// The printer turned to the chart's orientation for as long as it lives,
// then back, for the tables printed after.
class ChartOrientation {
public:
    ChartOrientation(QPrinter &printer, const frmChart &chart)
        : m_printer(printer), m_before(printer.pageLayout().orientation())
    {
        m_printer.setPageOrientation(chart.PageOrientation());
    }
    ~ChartOrientation() { m_printer.setPageOrientation(m_before); }
    ChartOrientation(const ChartOrientation &) = delete;
    ChartOrientation &operator=(const ChartOrientation &) = delete;

private:
    QPrinter &m_printer;
    QPageLayout::Orientation m_before;
};

// The chart as a one-page PDF on the printer's paper; empty when it could
// not be drawn.
QByteArray ChartPdf(const frmChart &chart, const QPrinter &pageSource)
{
    QBuffer bytes;
    bytes.open(QIODevice::WriteOnly);
    bool drawn = false;
    {
        QPdfWriter pdf(&bytes);
        pdf.setPageLayout(pageSource.pageLayout());
        pdf.setPageOrientation(chart.PageOrientation());
        pdf.setCreator(QStringLiteral("TARVEL"));
        pdf.setTitle(chart.windowTitle());
        drawn = DrawChartPage(chart, pdf);
    }
    return drawn ? bytes.data() : QByteArray();
}

// Writes bytes to the file name through the program's safe output: an
// earlier file stays until the new one is whole, a new file gets the mode
// any new file gets. The failure, with the system's reason, when it fails.
std::optional<tarvel::Failure> WriteChartFile(const std::string &name, const QByteArray &bytes)
{
    tarvel::Result<tarvel::SafeOutputFile> output = tarvel::SafeOutputFile::Open(name, tarvel::SafeOutputFile::Mode::Replace);
    if (!output)
        return output.Error();
    if (output->Write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))) && output->Commit())
        return std::nullopt;
    tarvel::Failure failure = tarvel::Failure::NotAccessible(name);
    failure.error = output->Error();
    return failure;
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
    QMdiSubWindow *from = m_mdi->activeSubWindow();
    const frmDisplay *source = ChartSource(from);
    tarvel::ChartSelection selection;
    if (source) {
        // The lines in the window's order: a ranked window's ranks them.
        // They are chosen in the published grid (the same rows in any
        // units); the chart is titled as the window is.
        selection = tarvel::ChartFromGrid(source->PublishedData(), ChosenRows(*source), m_state.Paths(),
                                          tarvel::SeriesOrder::AsGiven);
        selection.Request.SourceCaption = source->AreaOrderData().Caption;
    } else
        selection.Problem = tarvel::ChartProblem::NotChartable;
    if (const auto message = tarvel::ChartProblemMessage(selection)) {
        m_prompts.Message(Latin1(message->Title), Latin1(message->Text), QMessageBox::Information);
        return;
    }

    std::optional<BusyCursor> busy(std::in_place);
    tarvel::Result<tarvel::ChartData> data = tarvel::BuildChart(selection.Request);
    // A window of computed figures charts them.
    if (data && source->AreaOrderData().Model)
        data = tarvel::ChartInUnits(std::move(*data), *source->AreaOrderData().Model);
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
    connect(chart, &frmChart::ExportDataRequested, this, [this, chart] { ExportChartData(*chart); });
    QMdiSubWindow *window = m_mdi->addSubWindow(new ChildFrame(chart));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(chart->windowTitle());
    new BackToSource(window, from);
    // The default window size, but large enough for the chart's commands,
    // its legend's names and its axis titles, while the window area holds it.
    const int frame = 2 * window->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, window);
    const QSize wanted = chart->PreferredSize()
        + QSize(frame, frame + window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window));
    const QSize room = m_mdi->viewport()->size();
    window->resize(std::max(TwipsToPixelsX(m_state.Display.DefaultWindowWidth, window), std::min(wanted.width(), room.width())),
                   std::max(TwipsToPixelsY(m_state.Display.DefaultWindowHeight, window), std::min(wanted.height(), room.height())));
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
    // Drawn as printing draws it, on the shared printer turned as printing
    // turns it: the preview lays its page out before it is drawn, so the
    // page is turned first and stays so (a page turned in the preview's own
    // bar prints turned too).
    const ChartOrientation turned(Printer(), *chart);
    QPrintPreviewDialog dialog(&Printer(), this);
    dialog.setObjectName(QStringLiteral("frmPrintPreview"));
    dialog.setWindowTitle(QStringLiteral("Print preview ") + chart->windowTitle());
    PreparePreviewForKeyboard(dialog);
    bool drawn = false;
    connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
            [chart, &drawn](QPrinter *printer) { drawn = DrawChartPage(*chart, *printer); });
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
    const QString start = QDir(OutputStartFolder()).filePath(Latin1(chart.Data().Code) + QStringLiteral("-chart.png"));
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

    // A PNG picture is as many pixels as the user asks: the window's own
    // size to start with.
    QSize pixels;
    if (!svg) {
        frmChartImage size(this);
        const QSize screen = chart.Image().size();
        size.SetSize(screen);
        if (m_prompts.RunDialog(size) != QDialog::Accepted)
            return;
        if (size.Size() != screen)
            pixels = size.Size();
    }

    std::optional<BusyCursor> busy(std::in_place);
    QBuffer bytes;
    bytes.open(QIODevice::WriteOnly);
    if (!(svg ? chart.WriteSvg(bytes) : chart.WritePng(bytes, pixels))) {
        busy.reset();
        tarvel::ReportFileNotAccessible(m_prompts, name);
        return;
    }
    const std::optional<tarvel::Failure> failed = WriteChartFile(name, bytes.data());
    busy.reset();
    if (failed)
        tarvel::ReportFailure(m_prompts, *failed);
    else
        RememberOutput(name);
}

void frmMain::ExportChartData(frmChart &chart)
{
    if (m_state.Unsuppressed) {
        m_prompts.Message(QString::fromLatin1(tarvel::UnsuppressedPrintTitle), QString::fromLatin1(UnsuppressedSaveText),
                          QMessageBox::Warning);
    }
    int filter = 1;
    const QString start = QDir(OutputStartFolder()).filePath(Latin1(chart.Data().Code) + QStringLiteral("-chart.csv"));
    const std::optional<QString> answer = m_prompts.SaveFileName(ExportChartTitle, start, ExportChartFilter, filter);
    if (!answer || answer->trimmed().isEmpty())
        return;
    // A name without an ending gets ".csv"; any other ending is the user's.
    QString path = *answer;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    const std::string name = path.toLocal8Bit().toStdString();
    if (tarvel::IsProgramInputFile(m_state.Paths(), name, tarvel::SettingsFilesRead(&m_settings))) {
        m_prompts.Message(QStringLiteral("ERROR"),
                          QStringLiteral("The file ") + path.toUpper()
                              + QStringLiteral(" is read by this program and cannot receive the chart's data. "
                                               "Choose another file."),
                          QMessageBox::Critical);
        return;
    }
    const std::string text = chart.DataCsv();
    const std::optional<tarvel::Failure> failed
        = WriteChartFile(name, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    if (failed)
        tarvel::ReportFailure(m_prompts, *failed);
    else
        RememberOutput(name);
}

QString frmMain::OutputStartFolder() const
{
    // "-no file selected-" and the like name no file.
    const std::vector<std::string> names{m_lastOutput, tarvel::ReadExportChoices(m_settings).FileName,
                                         tarvel::setting::PrintFileName.Read(m_settings).Text()};
    for (const std::string &name : names) {
        if (name.empty() || name.front() == '-')
            continue;
        const QString path = QString::fromLocal8Bit(name.c_str());
        const QFileInfo file(path);
        const QString folder = path.endsWith(QLatin1Char('/')) ? file.absoluteFilePath() : file.absolutePath();
        if (QFileInfo(folder).isDir())
            return folder;
    }
    return QDir::homePath();
}

void frmMain::RememberOutput(const std::string &file)
{
    if (!file.empty())
        m_lastOutput = file;
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
    if (options.PrintToFile) {
        // A PDF file is written whole through the safe output, as every
        // other output is.
        const QByteArray pdf = ChartPdf(chart, Printer());
        std::optional<tarvel::Failure> failed;
        if (pdf.isEmpty())
            failed = tarvel::Failure::NotAccessible(file);
        else
            failed = WriteChartFile(file, pdf);
        busy.reset();
        if (failed) {
            tarvel::ReportFailure(m_prompts, *failed);
            return;
        }
    } else {
        const ChartOrientation turned(Printer(), chart);
        const bool printed = DrawChartPage(chart, Printer());
        busy.reset();
        if (!printed) {
            m_prompts.Message(QStringLiteral("Printer not available"), QStringLiteral("The printer could not be started."),
                              QMessageBox::Warning);
            return;
        }
    }
    m_prompts.Message(QString::fromLatin1(tarvel::PrintCompletedTitle), Latin1(tarvel::PrintCompletedText(caption)),
                      QMessageBox::Information);
}
