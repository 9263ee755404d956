#pragma once

#include "core/catalog/copy_text.h"
#include "core/catalog/safe_output_file.h"
#include "core/views/grid.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvel {

// The fixed texts of a printed page.
inline constexpr const char *FootnoteReferenceText = "See footnotes at end of table.";
inline constexpr const char *SystemNameText = "MERIDANT";   // foot, right
inline constexpr const char *AgencyNameText = "HALVERN";    // last foot line, right
inline constexpr const char *ReleaseDateText = "June 2008"; // last foot line, middle
inline constexpr const char *PrinterRightMargin = "XXXXXXXXXX";

/// Data columns and data rows (the header row not counted) one page holds.
struct PageGeometry {
    int ColumnsPerPage = 0;
    int RowsPerPage = 0;
};

/// What the engine measured for one table job, in characters.
struct TableLayout {
    int TitleWidth = 0;     ///< longest column-0 text + 2
    int CellWidth = 0;      ///< longest data-column text + 2; 0 without data columns
    int ColumnsPerPage = 0;
    int RowsPerPage = 0;
    int LineWidth = 0;      ///< ColumnsPerPage * CellWidth + TitleWidth
    std::string TableCode;  ///< "ZR5N"; "" when the caption names none
};

enum class OpenResult { Failed, NewOutput, Appending };

/// The cells of a printed row: column 0 first, then the page's data columns.
using RowCells = std::span<const std::string_view>;

/// The cells of grid row `row` as a page prints them: column 0, then columns
/// firstColumn..lastColumn. cells is refilled in place; the views point into
/// the grid, copying no text.
RowCells GridRowCells(const Grid &grid, int row, int firstColumn, int lastColumn,
                      std::vector<std::string_view> &cells);

/// Where a print job goes: a plain-text file, an HTML file or a printer. The
/// engine calls the elements in page order; a target only renders them.
/// Texts are Latin-1 bytes. A printer target measures in its own units (see
/// PrinterPageGeometry), ignores BeginFileOutput, starts its job with the
/// first element drawn (so "Font too large" leaves no job behind), and
/// defers a page break until something follows it, so a job never ends
/// with an empty page.
class PrintTarget {
public:
    virtual ~PrintTarget() = default;

    /// The file the output goes to, or "" for a printer.
    virtual std::string FileName() const = 0;
    virtual bool IsOpen() const = 0;
    /// Opens the output: an existing file is appended to, a missing one
    /// created; a printer takes its font. Failed when it cannot be opened
    /// (the engine reports it). Writes nothing.
    virtual OpenResult Open() = 0;
    /// Page size for a table whose widths are given in characters; nullopt
    /// when the printer font is too large for the page. cellWidth may be 0.
    virtual std::optional<PageGeometry> Geometry(int titleWidth, int cellWidth) = 0;

    /// Set by the engine before the pages of a table; the elements read it.
    void SetLayout(TableLayout layout) { m_layout = std::move(layout); }
    const TableLayout &Layout() const { return m_layout; }

    // The elements, in the engine's order.
    virtual void BeginFileOutput(bool appending) = 0;
    /// The top of a page the engine starts: one empty line on the printer,
    /// nothing in a file.
    virtual void PageTop() {}
    /// kind 1 is the table title, kind 2 the units line.
    virtual void TitleLine(int kind, const std::string &text) = 0;
    virtual void AreaLine(const std::string &text) = 0;
    virtual void HeaderRow(RowCells cells) = 0;
    virtual void DataRow(RowCells cells) = 0;
    /// Data rows firstRow..lastRow of grid, each as DataRow prints its
    /// GridRowCells. The file targets copy whole rows from the grid's cell
    /// blocks, and take DataRow for a row they cannot.
    virtual void DataRows(const Grid &grid, int firstRow, int lastRow, int firstColumn, int lastColumn);
    virtual void PageFoot(const std::string &tableCode) = 0;
    virtual void PageBreak() = 0;
    /// The footnote file's text with trailing blanks removed.
    virtual void FootnoteText(const std::string &text) = 0;
    /// documentTag: a document window (ChildKind::Document), else one opened by print-all.
    virtual void DocumentHeading(const std::string &caption, bool documentTag) = 0;
    virtual void DocumentBody(const std::string &text) = 0;
    virtual void DocumentEnd(bool documentTag) = 0;
    /// Closes the file or ends the printer job. false when some output did
    /// not reach its destination (a write failed).
    virtual bool EndOutput() = 0;
    /// Ends a job that failed part-way. A file target drops what the job
    /// wrote, leaving the file as it was; a printer ends its job.
    virtual void AbandonOutput() { EndOutput(); }
    /// True when a run that fails for any part writes nothing at all: the
    /// engine then drops the output instead of ending it.
    virtual bool WholeOrNothing() const { return false; }
    /// The system's reason (an errno value) why the output could not be
    /// opened or ended; 0 when none is known.
    virtual int Error() const { return 0; }

private:
    TableLayout m_layout;
};

/// The part of the plain-text and HTML targets that handles the file: open
/// for appending or create, write lines ending in CR LF, close. A file is
/// appended to in place under a lock and cut back when EndOutput finds a
/// write failed, so a job that fails leaves an earlier file as it was; the
/// standard output, a pipe or a device takes the lines as they come, unless
/// the target is whole or nothing.
class FileTarget : public PrintTarget {
public:
    explicit FileTarget(std::string fileName);

    std::string FileName() const override { return m_fileName; }
    bool IsOpen() const override { return m_stream.has_value(); }
    OpenResult Open() override;
    bool EndOutput() override;
    void AbandonOutput() override { m_stream.reset(); }
    bool WholeOrNothing() const override { return m_whole; }
    int Error() const override { return m_error; }
    /// Nothing reaches the file (nor the standard output or a pipe) before
    /// EndOutput, and a run the engine drops writes nothing: tarvel-batch's jobs.
    void SetWholeOrNothing(bool whole) { m_whole = whole; }

protected:
    /// text followed by CR LF.
    void WriteLine(std::string_view text);
    /// Part of a line; EndLine adds the CR LF.
    void Put(std::string_view text)
    {
        if (m_stream)
            m_stream->Write(text);
    }
    /// Every line a file gets ends in CR LF, whatever the platform.
    void EndLine() { Put("\r\n"); }
    /// Room for a text of at most size bytes composed in place (a row):
    /// write it at the pointer, then hand its end to Used. nullptr when
    /// nothing is to be written (no output, or a write failed).
    char *Room(std::size_t size) { return m_stream ? m_stream->Room(size) : nullptr; }
    void Used(char *end) { m_stream->Used(end); }
    /// Copies text to at, returning the end of the copy.
    static char *Append(char *at, std::string_view text) { return CopyText(at, text); }

private:
    std::string m_fileName;
    std::optional<SafeOutputFile> m_stream; // buffers, and writes in large blocks
    bool m_whole = false;
    int m_error = 0; // why the file could not be opened or ended
};

} // namespace tarvel
