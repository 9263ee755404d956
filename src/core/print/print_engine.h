#pragma once

#include "core/catalog/data_files.h"
#include "core/catalog/failure.h"
#include "core/views/grid.h"
#include "core/print/html_target.h"
#include "core/print/print_options.h"
#include "core/print/print_target.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

/// What the engine prints of a window: a table's grid with its caption and
/// kind, or a document window's caption, text and kind (Document, or
/// PrintAll when print-all opened it).
struct PrintSnapshot {
    bool IsDocument = false;
    std::string Caption;
    ChildKind Tag = ChildKind::TableView;
    Grid Table;       ///< table windows
    std::string Text; ///< document windows: the text box contents

    static PrintSnapshot FromGrid(Grid grid);
    static PrintSnapshot FromDocument(std::string caption, std::string text, ChildKind tag);
};

// The engine's messages (titles and texts), shown through a MessageSink or
// by the viewer itself.
inline constexpr const char *CannotPrintTitle = "Cannot print current area";
/// The text for "no window open"; the captions are the menu items' own.
std::string CannotPrintText(std::string_view printCaption, std::string_view viewCaption,
                            std::string_view printAllCaption);
inline constexpr const char *NoPrintFileTitle = "ERROR";
inline constexpr const char *NoPrintFileText = "No file selected for printing to file. Printing aborted. Select "
                                               "'Print' again to select an output printer or file.";
inline constexpr const char *FontTooLargeTitle = "Font too large";
std::string FontTooLargeText(std::string_view printCaption = "&Print active window...");
inline constexpr const char *PrintCompletedTitle = "Printing completed";
/// caption + " printed."
std::string PrintCompletedText(const std::string &caption);
inline constexpr const char *AllAreasPrintedText = "All areas printed.";
inline constexpr const char *UnsuppressedPrintTitle = "UNSUPPRESSED - FOR ZUL USE ONLY";
inline constexpr const char *UnsuppressedPrintText = "You are printing unsuppressed data. Keep the printouts secure.";
inline constexpr const char *RefusedOutputTitle = "ERROR";
/// Names the refused output file in capitals.
std::string RefusedOutputText(const std::string &fileName);

/// The last four characters of name, lower-cased, are ".htm".
bool IsHtmlOutputName(std::string_view name);
/// A closed plain-text or HTML target for fileName (by IsHtmlOutputName).
std::unique_ptr<FileTarget> MakeFileTarget(const std::string &fileName, DateTimeSource now = LocalDateTimeText);

/// The area line: for a one-line view (SOL) the whole caption, else the text
/// two characters after the first "~" (the whole caption when there is none).
std::string PrintAreaText(std::string_view caption, ChildKind tag);
/// TitleWidth and CellWidth of grid in characters (0 when nothing measured).
void MeasureGrid(const Grid &grid, int &titleWidth, int &cellWidth);

/// One page of a table: grid data columns FirstColumn..LastColumn and data
/// rows FirstRow..LastRow (inclusive; a range is empty when Last < First).
struct PageBand {
    int FirstColumn = 1;
    int LastColumn = 0;
    int FirstRow = 1;
    int LastRow = 0;
};
/// The pages of a grid whose last column and row are lastCol and lastRow:
/// down the rows of a column band first, then across. Always at least one
/// page; a grid without data columns gives one.
std::vector<PageBand> PagePlan(int lastRow, int lastCol, PageGeometry geometry);

/// Printer measures in the printer's own units, as the printer font and page
/// give them (unrounded): W, H, and the texts the page size depends on.
struct PrinterMeasures {
    double PageWidth = 0;   ///< W, printable width
    double PageHeight = 0;  ///< H, printable height
    double ReferenceWidth = 0; ///< width of TitleWidth + CellWidth + 9 letters "X"
    double TenXHeight = 0;  ///< height of "XXXXXXXXXX"
    double CellWidth = 0;   ///< width of CellWidth letters "X"
    double XHeight = 0;     ///< height of "X"
};
/// Nearest whole number, halves to even.
long long RoundHalfEven(double value);
/// The printer's page size; nullopt when the reference width or fifteen line
/// heights do not fit the page ("Font too large"). Never divides by zero: a
/// zero cell width gives one column a page; at least one row a page.
std::optional<PageGeometry> PrinterPageGeometry(const PrinterMeasures &measures);

enum class RequestCheck { Go, Cancelled, NoFile };
/// The checks before a job: a cancelled dialog (silent), a file job without a
/// usable name (shows the "ERROR" message).
RequestCheck CheckPrintRequest(const PrintOptions &options, MessageSink &sink);

enum class PrintStatus { Printed, Failed };
/// Prints one window to target, opening it first when it is not open (a
/// file that names a program input is refused). Outside print-all the
/// output is ended; in print-all it stays open until PrintAllLast, and the
/// footnotes follow the last area only. Every failure is shown through sink
/// and the output is then left as the written failure rules say: a missing
/// footnote file ends the output at once. Shows no completion message.
PrintStatus PrintWindow(const PrintSnapshot &snapshot, PrintTarget &target, const PrintOptions &options,
                        const DataPaths &paths, MessageSink &sink, const std::vector<std::string> &otherInputs = {});

/// Builds one area's grid (area 1..60) as print-all needs it, or the failure.
using AreaGridBuilder = std::function<Result<Grid>(int area)>;

/// Areas a print-all run visits: one pass for a table whose lines are the
/// areas (the first chosen area, or 1), else every area flagged in
/// areaSelected (index 1..60) in order.
std::vector<int> PrintAllAreaList(std::string_view code, std::span<const std::uint8_t> areaSelected);

struct PrintAllSummary {
    int Printed = 0; ///< areas printed; 0 when the output itself failed
    int Failed = 0;  ///< areas skipped or not printed (each one reported), or an output that did not end well
    bool Cancelled = false; ///< stopped by the user: nothing printed, the output dropped
    /// The areas skipped because their table could not be read, in the
    /// order tried (a failed output is the output's failure, not theirs).
    std::vector<int> FailedAreas;
};
/// Told before each area is printed: how many areas are done, how many the
/// run has, and the area's text as its page names it ("Alabama"). Returning
/// false stops the run.
using PrintAllProgress = std::function<bool(int done, int count, const std::string &area)>;
/// Prints every area of areas to one target in one run. An area whose grid
/// cannot be built is reported and skipped; the last area printed is the
/// last that could be built, so the footnotes and the end of the output are
/// never lost. An output that cannot be opened ends the run (reported once).
/// The target is closed at the end. Shows no closing message.
/// A target that is whole or nothing is dropped when any area failed: then
/// every area is still tried and reported, and none counts as printed.
/// progress, when given, may stop the run: the output is then dropped (a
/// file keeps what it held before the run) and nothing counts as printed.
PrintAllSummary PrintAllAreas(const std::vector<int> &areas, const AreaGridBuilder &build, PrintTarget &target,
                              PrintOptions options, const DataPaths &paths, MessageSink &sink,
                              const std::vector<std::string> &otherInputs = {},
                              const PrintAllProgress &progress = {});

} // namespace tarvel
