#pragma once

#include "core/print/print_engine.h"
#include "core/catalog/safe_output_file.h"
#include "core/print/print_target.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QPrinter;

/// line in pieces no wider than the room they have: the first firstWidth,
/// the others width (in measure's unit). A piece ends after the last blank
/// that fits, or, in a word longer than the line, after the last character
/// that fits; no character is lost. A line that fits is one piece.
QStringList WrapToWidth(const QString &line, double firstWidth, double width,
                        const std::function<double(const QString &)> &measure);

/// The last four characters of name, lower-cased, are ".pdf": such an output
/// file is drawn as the printer draws a page, into that PDF file.
bool IsPdfOutputName(std::string_view name);

/// The printed page: every element drawn with QPainter on a QPrinter (a
/// paper printer or a PDF printer), placed with the printer font's metrics
/// in the printer's device pixels. The job starts with the first thing drawn,
/// so a job that stops before (the font too large) leaves nothing behind, and
/// a page break waits until something follows it, so a job never ends with
/// an empty page.
class QtPrinterTarget final : public tarvel::PrintTarget {
public:
    /// Prints on printer with the font face and size (points). fileName is
    /// the PDF file the printer writes ("" for a printer), named in messages.
    QtPrinterTarget(QPrinter &printer, const QString &fontName, int fontSize, std::string fileName = {});
    /// A PDF printer of its own writing fileName, with the paper and margins
    /// of pageSource. The PDF is drawn into a file of its own beside it that
    /// replaces an existing file only when the job ends whole; a job that
    /// fails or is stopped leaves that file as it was.
    static std::unique_ptr<QtPrinterTarget> ForPdfFile(const std::string &fileName, const QPrinter &pageSource,
                                                       const QString &fontName, int fontSize);
    ~QtPrinterTarget() override;

    std::string FileName() const override { return m_fileName; }
    bool IsOpen() const override { return m_open; }
    tarvel::OpenResult Open() override;
    std::optional<tarvel::PageGeometry> Geometry(int titleWidth, int cellWidth) override;

    void BeginFileOutput(bool appending) override;
    void PageTop() override;
    void TitleLine(int kind, const std::string &text) override;
    void AreaLine(const std::string &text) override;
    void HeaderRow(tarvel::RowCells cells) override;
    void DataRow(tarvel::RowCells cells) override;
    void PageFoot(const std::string &tableCode) override;
    void PageBreak() override;
    void FootnoteText(const std::string &text) override;
    void DocumentHeading(const std::string &caption, bool documentTag) override;
    void DocumentBody(const std::string &text) override;
    void DocumentEnd(bool documentTag) override;
    bool EndOutput() override;
    /// Ends a job that failed or was stopped: a printer's job is aborted, a
    /// PDF file's output dropped.
    void AbandonOutput() override;
    int Error() const override { return m_error; }

    /// Drawing into a print preview: a PDF printer that has no file yet is
    /// then no fault, as the preview takes the pages.
    void SetPreview(bool preview) { m_preview = preview; }

    /// True when the printer refused to start the last job.
    bool StartFailed() const { return m_startFailed; }

private:
    double Width(const QString &text) const;
    double LineHeight() const;
    /// Starts the job or the deferred page before something is drawn; false
    /// when the printer cannot print.
    bool Ink();
    void NewLine();
    /// Draws text at the current position.
    void Draw(const QString &text);
    /// Draws text at the current position and moves right past it.
    void Piece(const QString &text);
    /// Draws each line of text (CR LF or LF apart), the first at the
    /// current position, each followed by a line end. A line that no longer
    /// fits the page starts a new one; with wrap, a line wider than the page
    /// goes on on the next line.
    void Line(const QString &text, bool wrap = false);
    /// The thin black rule across the page at the current height, then one
    /// empty line.
    void Rule();

    std::unique_ptr<QPrinter> m_ownPrinter; // PDF files only
    std::optional<tarvel::SafeOutputFile> m_pdfFile; // the PDF file's output while its job runs
    QPrinter *m_printer;
    QFont m_font;
    std::optional<QFontMetricsF> m_metrics;
    std::string m_fileName;
    QPainter m_painter;
    bool m_open = false;
    bool m_preview = false;
    bool m_startFailed = false;
    bool m_startedPdf = false; // the PDF file's job has drawn something
    int m_error = 0; // why the PDF file could not be opened or finished
    bool m_failed = false;
    bool m_pageHasInk = false;
    bool m_breakPending = false;
    double m_x = 0; // position of the next piece, device pixels from the
    double m_y = 0; // printable area's left and top (top of the text line)
};

/// The target of one job: a plain-text or HTML file (by its name), a PDF
/// file drawn as on paper (a ".pdf" name), or the printer. A file job takes
/// the printer's paper only for a PDF file.
std::unique_ptr<tarvel::PrintTarget> MakePrintTarget(const tarvel::PrintOptions &options, QPrinter &printer);
/// The target of a job on printer itself, in the print state's font; the
/// print commands and the print preview draw through it alike.
std::unique_ptr<QtPrinterTarget> MakePrinterTarget(const tarvel::PrintOptions &options, QPrinter &printer);
