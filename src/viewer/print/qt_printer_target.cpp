#include "viewer/print/qt_printer_target.h"
#include "viewer/qt/qt_text.h"

#include "core/catalog/file_helpers.h"
#include "core/print/text_target.h"

#include <QFile>
#include <QPen>
#include <QPrinter>
#include <QStringList>

#include <filesystem>
#include <system_error>

namespace {

// Fixed pitch makes columns line up; tabs go to the next multiple of eight.
QString ExpandTabs(const QString &line)
{
    if (!line.contains(QLatin1Char('\t')))
        return line;
    QString out;
    for (const QChar c : line) {
        if (c == QLatin1Char('\t'))
            out += QString(8 - out.size() % 8, QLatin1Char(' '));
        else
            out += c;
    }
    return out;
}

} // namespace

QStringList WrapToWidth(const QString &line, double firstWidth, double width,
                        const std::function<double(const QString &)> &measure)
{
    QStringList pieces;
    QString rest = line;
    double room = firstWidth;
    while (measure(rest) > room && rest.size() > 1) {
        // The longest start that fits, broken after a blank when there is one.
        qsizetype fit = 0;
        while (fit < rest.size() && measure(rest.left(fit + 1)) <= room)
            ++fit;
        if (fit == 0) {
            // Nothing fits after the text before it: go on at the left edge.
            if (room < width) {
                pieces.append(QString());
                room = width;
                continue;
            }
            fit = 1;
        }
        qsizetype cut = fit;
        const qsizetype blank = rest.lastIndexOf(QLatin1Char(' '), fit);
        if (blank > 0 && fit < rest.size())
            cut = blank + 1;
        pieces.append(rest.left(cut));
        rest = rest.mid(cut);
        room = width;
    }
    pieces.append(rest);
    return pieces;
}

bool IsPdfOutputName(std::string_view name)
{
    return name.size() >= 4 && tarvel::ToLower(name.substr(name.size() - 4)) == ".pdf";
}

QtPrinterTarget::QtPrinterTarget(QPrinter &printer, const QString &fontName, int fontSize, std::string fileName)
    : m_printer(&printer), m_font(fontName), m_fileName(std::move(fileName))
{
    m_font.setPointSize(fontSize > 0 ? fontSize : 8);
    m_font.setStyleHint(QFont::TypeWriter);
}

std::unique_ptr<QtPrinterTarget> QtPrinterTarget::ForPdfFile(const std::string &fileName, const QPrinter &pageSource,
                                                             const QString &fontName, int fontSize)
{
    auto pdf = std::make_unique<QPrinter>(QPrinter::HighResolution);
    pdf->setOutputFormat(QPrinter::PdfFormat);
    pdf->setPageLayout(pageSource.pageLayout());
    pdf->setCreator(QStringLiteral("TARVEL"));
    auto target = std::make_unique<QtPrinterTarget>(*pdf, fontName, fontSize, fileName);
    target->m_ownPrinter = std::move(pdf);
    return target;
}

QtPrinterTarget::~QtPrinterTarget()
{
    if (m_painter.isActive())
        m_painter.end();
}

tarvel::OpenResult QtPrinterTarget::Open()
{
    m_open = false;
    m_startFailed = false;
    m_failed = false;
    m_error = 0;
    m_pageHasInk = false;
    m_breakPending = false;
    m_x = 0;
    m_y = 0;
    if (m_ownPrinter) {
        // The PDF is drawn into the output's own file (beside it, or a spool
        // file for a pipe), which takes the named file's place when the job
        // ends whole. A name that differs only in letter case is that file.
        m_pdfFile.reset();
        auto file = tarvel::SafeOutputFile::Open(m_fileName, tarvel::SafeOutputFile::Mode::Replace,
                                                 tarvel::SafeOutputFile::Delivery::Whole);
        if (!file) {
            m_error = file.Error().error;
            return tarvel::OpenResult::Failed;
        }
        m_pdfFile = std::move(*file);
        m_printer->setOutputFileName(QString::fromLocal8Bit(m_pdfFile->WorkFile().c_str()));
    }
    const QString output = m_printer->outputFileName();
    if (!m_preview && m_printer->outputFormat() == QPrinter::PdfFormat && output.isEmpty())
        return tarvel::OpenResult::Failed; // no printer is set up
    m_metrics.emplace(m_font, m_printer);
    m_open = true;
    return tarvel::OpenResult::NewOutput;
}

std::optional<tarvel::PageGeometry> QtPrinterTarget::Geometry(int titleWidth, int cellWidth)
{
    if (!m_metrics)
        m_metrics.emplace(m_font, m_printer);
    tarvel::PrinterMeasures measures;
    measures.PageWidth = m_printer->width();
    measures.PageHeight = m_printer->height();
    measures.ReferenceWidth = Width(QString(titleWidth + cellWidth + 9, QLatin1Char('X')));
    measures.TenXHeight = LineHeight();
    measures.CellWidth = Width(QString(cellWidth, QLatin1Char('X')));
    measures.XHeight = LineHeight();
    return tarvel::PrinterPageGeometry(measures);
}

void QtPrinterTarget::BeginFileOutput(bool)
{
    // A printer has no file start.
}

void QtPrinterTarget::PageTop()
{
    NewLine();
}

void QtPrinterTarget::TitleLine(int, const std::string &text)
{
    const QString line = Latin1(text);
    m_x = m_printer->width() / 2.0 - Width(line) / 2.0;
    Line(line);
}

void QtPrinterTarget::AreaLine(const std::string &text)
{
    Line(Latin1(text));
    Rule();
}

void QtPrinterTarget::HeaderRow(tarvel::RowCells cells)
{
    Line(Latin1(tarvel::PaddedRowText(Layout(), cells)));
    Rule();
}

void QtPrinterTarget::DataRow(tarvel::RowCells cells)
{
    Line(Latin1(tarvel::PaddedRowText(Layout(), cells)));
}

void QtPrinterTarget::PageFoot(const std::string &tableCode)
{
    const double width = m_printer->width();
    const QString margin = QString::fromLatin1(tarvel::PrinterRightMargin);
    const QString system = QString::fromLatin1(tarvel::SystemNameText);
    const QString agency = QString::fromLatin1(tarvel::AgencyNameText);
    const QString date = QString::fromLatin1(tarvel::ReleaseDateText);
    NewLine();
    Piece(QString::fromLatin1(tarvel::FootnoteReferenceText));
    m_x = width - static_cast<double>(tarvel::RoundHalfEven(Width(system + margin)));
    Line(system);
    Piece(QStringLiteral("Table ") + Latin1(tableCode));
    // The date ends at the middle of the page.
    m_x = width / 2.0 - static_cast<double>(tarvel::RoundHalfEven(Width(date)));
    Piece(date);
    m_x = width - static_cast<double>(tarvel::RoundHalfEven(Width(agency + margin)));
    Line(agency);
}

void QtPrinterTarget::PageBreak()
{
    // The new page begins only when something is drawn on it.
    if (m_pageHasInk) {
        m_breakPending = true;
        m_pageHasInk = false;
    }
    m_x = 0;
    m_y = 0;
}

void QtPrinterTarget::FootnoteText(const std::string &text)
{
    Line(Latin1(text), true);
}

void QtPrinterTarget::DocumentHeading(const std::string &caption, bool documentTag)
{
    if (documentTag)
        Line(Latin1(caption), true);
}

void QtPrinterTarget::DocumentBody(const std::string &text)
{
    Line(Latin1(text), true);
    NewLine();
}

void QtPrinterTarget::DocumentEnd(bool)
{
}

bool QtPrinterTarget::EndOutput()
{
    bool ok = !m_failed;
    if (m_painter.isActive())
        ok = m_painter.end() && ok;
    if (m_pdfFile) {
        // A job that drew nothing leaves no file, as on paper.
        if (ok && m_startedPdf) {
            ok = m_pdfFile->Commit();
            if (!ok)
                m_error = m_pdfFile->Error();
        } else
            m_pdfFile->Discard();
        m_pdfFile.reset();
    }
    m_open = false;
    m_startedPdf = false;
    m_pageHasInk = false;
    m_breakPending = false;
    // A PDF that could not be finished: its file says why (a full disk).
    if (!ok && !m_fileName.empty() && m_error == 0)
        m_error = tarvel::WriteFailureReason(m_fileName);
    return ok;
}

void QtPrinterTarget::AbandonOutput()
{
    // A printer's job goes before it is sent; a PDF's own file goes unused.
    // A preview's pages are the preview's own: its printer is never aborted.
    if (m_painter.isActive() && !m_pdfFile && !m_preview)
        m_printer->abort();
    if (m_painter.isActive())
        m_painter.end();
    if (m_pdfFile) {
        m_pdfFile->Discard();
        m_pdfFile.reset();
    }
    m_open = false;
    m_startedPdf = false;
    m_pageHasInk = false;
    m_breakPending = false;
}

double QtPrinterTarget::Width(const QString &text) const
{
    return m_metrics ? m_metrics->horizontalAdvance(text) : 0.0;
}

double QtPrinterTarget::LineHeight() const
{
    return m_metrics ? m_metrics->lineSpacing() : 0.0;
}

bool QtPrinterTarget::Ink()
{
    if (m_failed)
        return false;
    if (!m_painter.isActive()) {
        if (!m_painter.begin(m_printer)) {
            m_failed = true;
            m_startFailed = true;
            return false;
        }
        m_painter.setFont(m_font);
        m_painter.setPen(QPen(Qt::black));
        m_breakPending = false;
        m_startedPdf = m_pdfFile.has_value();
    } else if (m_breakPending) {
        if (!m_printer->newPage()) {
            m_failed = true;
            return false;
        }
        m_breakPending = false;
    }
    m_pageHasInk = true;
    return true;
}

void QtPrinterTarget::NewLine()
{
    m_x = 0;
    m_y += LineHeight();
}

void QtPrinterTarget::Draw(const QString &text)
{
    if (!text.isEmpty() && Ink() && m_metrics)
        m_painter.drawText(QPointF(m_x, m_y + m_metrics->ascent()), text);
}

void QtPrinterTarget::Piece(const QString &text)
{
    Draw(text);
    m_x += Width(text);
}

void QtPrinterTarget::Line(const QString &text, bool wrap)
{
    QString all = text;
    all.remove(QLatin1Char('\r'));
    const QStringList lines = all.split(QLatin1Char('\n'));
    const double width = m_printer->width();
    const auto measure = [this](const QString &piece) { return Width(piece); };
    for (const QString &line : lines) {
        // A text line wider than the page goes on on the next line rather
        // than being cut at the paper's edge.
        const QString expanded = ExpandTabs(line);
        const QStringList pieces =
            wrap ? WrapToWidth(expanded, width - m_x, width, measure) : QStringList{expanded};
        for (const QString &piece : pieces) {
            // Long texts (footnotes, documents) run on to the next page.
            if (m_pageHasInk && m_y + LineHeight() > m_printer->height()) {
                PageBreak();
            }
            // The line ends here: nothing needs its width.
            Draw(piece);
            NewLine();
        }
    }
}

void QtPrinterTarget::Rule()
{
    if (Ink()) {
        // A thin line: half a point.
        QPen pen(Qt::black);
        pen.setWidthF(m_printer->resolution() / 144.0);
        m_painter.save();
        m_painter.setPen(pen);
        m_painter.drawLine(QPointF(m_x, m_y), QPointF(m_printer->width(), m_y));
        m_painter.restore();
    }
    NewLine();
}

namespace {

QString PrintFace(const tarvel::PrintOptions &options)
{
    return options.PrintFontName.empty() ? QStringLiteral("Courier New") : QString::fromStdString(options.PrintFontName);
}

} // namespace

std::unique_ptr<QtPrinterTarget> MakePrinterTarget(const tarvel::PrintOptions &options, QPrinter &printer)
{
    return std::make_unique<QtPrinterTarget>(printer, PrintFace(options), options.PrintFontSize);
}

std::unique_ptr<tarvel::PrintTarget> MakePrintTarget(const tarvel::PrintOptions &options, QPrinter &printer)
{
    const QString face = PrintFace(options);
    if (!options.PrintToFile)
        return MakePrinterTarget(options, printer);
    if (IsPdfOutputName(options.PrintFileName))
        return QtPrinterTarget::ForPdfFile(options.PrintFileName, printer, face, options.PrintFontSize);
    return tarvel::MakeFileTarget(options.PrintFileName);
}
