#include "core/export/workbook_writer.h"

#include "core/catalog/file_helpers.h"
#include "core/catalog/safe_output_file.h"
#include "core/catalog/temporary_files.h"
#include "core/export/xlsx_library.h"

#include <dlfcn.h>
#include <fcntl.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <locale.h>
#include <optional>
#include <system_error>
#include <unistd.h>
#include <utility>

// The install rules give the module folder relative to the program folder.
#ifndef TARVEL_MODULES_FROM_BIN
#define TARVEL_MODULES_FROM_BIN "../lib/tarvel"
#endif

namespace tarvel {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t MaxCellBytes = 32767; // the most a cell holds
constexpr double MaxColumnWidth = 80;

// Workbooks hold UTF-8; the program's texts are Latin-1.
std::string Utf8(std::string_view latin1)
{
    std::string text;
    text.reserve(latin1.size());
    for (const char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | (byte >> 6));
            text += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    if (text.size() > MaxCellBytes) {
        std::size_t end = MaxCellBytes;
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            --end;
        text.resize(end);
    }
    return text;
}

// The number a comma-format text stands for, read the same way whatever
// the process's locale says about decimal points.
double NumberOf(const std::string &text)
{
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// Digits after the point of a number text; -1 for a small number in
// exponent form, which keeps the general format.
int DecimalsOf(const std::string &text)
{
    if (text.find("E-") != std::string::npos)
        return -1;
    if (text.find('E') != std::string::npos)
        return 0;
    const std::size_t point = text.find('.');
    return point == std::string::npos ? 0 : static_cast<int>(text.size() - point - 1);
}

// The characters a number takes as shown: separators every three digits and
// a zero before a leading point.
std::size_t ShownWidth(const std::string &text, int decimals)
{
    if (decimals < 0 || text.find('E') != std::string::npos)
        return text.size() + 6;
    const std::size_t sign = text[0] == '-' ? 1 : 0;
    const std::size_t whole = text.size() - sign - (decimals > 0 ? static_cast<std::size_t>(decimals) + 1 : 0);
    const std::size_t digits = std::max<std::size_t>(whole, 1);
    return sign + digits + (digits - 1) / 3 + (decimals > 0 ? static_cast<std::size_t>(decimals) + 1 : 0);
}

// libxlsxwriter prints numbers with the C library, which follows the
// locale's decimal point (the viewer takes the user's), and it prints them
// as rows are finished: every call into it runs with the C conventions on
// this thread.
class ClassicNumbers {
public:
    explicit ClassicNumbers(locale_t classic)
        : m_old(classic ? uselocale(classic) : static_cast<locale_t>(nullptr))
    {
    }
    ~ClassicNumbers()
    {
        if (m_old)
            uselocale(m_old);
    }
    ClassicNumbers(const ClassicNumbers &) = delete;
    ClassicNumbers &operator=(const ClassicNumbers &) = delete;

private:
    locale_t m_old;
};

// The library reports its failures on the standard error as well as in
// its result ("[ERROR][./src/packager.c:1541]: ..."). The program says
// what failed in its own words, so while a call that can fail that way
// runs, descriptor 2 leads nowhere. It is one descriptor for the whole
// process: another thread's line written meanwhile is lost with the
// library's, which the workbook's few such calls make rare.
class QuietLibrary {
public:
    QuietLibrary()
    {
        std::fflush(stderr);
        m_saved = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
        const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (m_saved >= 0 && nowhere >= 0)
            ::dup2(nowhere, STDERR_FILENO);
        if (nowhere >= 0)
            ::close(nowhere);
    }
    ~QuietLibrary()
    {
        const int error = errno;
        std::fflush(stderr);
        if (m_saved >= 0) {
            ::dup2(m_saved, STDERR_FILENO);
            ::close(m_saved);
        }
        errno = error;
    }
    QuietLibrary(const QuietLibrary &) = delete;
    QuietLibrary &operator=(const QuietLibrary &) = delete;

private:
    int m_saved = -1;
};

// The system's reason for a failed library call: errno as the call left
// it, or what its result code stands for; 0 when neither says (Commit then
// looks at the work file).
int ReasonOf(lxw_error error, int systemError)
{
    if (error == LXW_ERROR_MEMORY_MALLOC_FAILED)
        return ENOMEM;
    return systemError;
}


// ---- the module that holds the library -------------------------------------------

std::string ProgramFolder()
{
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.parent_path().string();
}

struct LoadedModule {
    const TarvelXlsxLibrary *library = nullptr;
    std::string why;
};

LoadedModule LoadModule(const std::string &path)
{
    LoadedModule loaded;
    // Loaded once and kept: the library holds no state between workbooks.
    void *handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char *error = dlerror();
        loaded.why = error ? error : path + ": cannot be loaded";
        return loaded;
    }
    using Entry = const TarvelXlsxLibrary *(*)();
    const auto entry = reinterpret_cast<Entry>(dlsym(handle, TARVEL_XLSX_LIBRARY_SYMBOL));
    const TarvelXlsxLibrary *library = entry ? entry() : nullptr;
    if (!library || library->size != sizeof(TarvelXlsxLibrary)) {
        loaded.why = path + ": not this program's workbook module";
        dlclose(handle);
        return loaded;
    }
    loaded.library = library;
    return loaded;
}

const LoadedModule &Module()
{
    static const LoadedModule module = LoadModule(WorkbookModulePath(ProgramFolder()));
    return module;
}

} // namespace

struct WorkbookWriter::Book {
    const TarvelXlsxLibrary *x = Module().library;
    locale_t classic = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
    // The output: the library writes the whole workbook into its work file
    // by name, and Commit puts it in place of (or through to) the target.
    std::optional<SafeOutputFile> output;
    std::string folder; // for the library's own working files
    // A folder of this run's own that holds them, removed with them.
    std::filesystem::path scratch;
    int scratchTicket = -1;
    int error = 0;      // the system's reason for the first failure
    lxw_workbook *workbook = nullptr;
    lxw_worksheet *records = nullptr;
    lxw_worksheet *footnotes = nullptr;
    lxw_format *header = nullptr;
    lxw_format *text = nullptr;
    lxw_format *withheld = nullptr;
    std::array<lxw_format *, 16> numbers{}; // by decimals, made when first used
    std::vector<double> widths;             // characters, per column
    lxw_row_t row = 0;
    bool hasHeader = false;
    bool failed = false;

    void Note(lxw_error result)
    {
        if (result != LXW_NO_ERROR) {
            if (!failed && error == 0)
                error = ReasonOf(result, errno);
            failed = true;
        }
    }
    void Fit(std::size_t column, std::size_t characters)
    {
        if (widths.size() <= column)
            widths.resize(column + 1, 0);
        widths[column] = std::max(widths[column], static_cast<double>(characters));
    }
    lxw_format *NumberFormat(int decimals)
    {
        if (decimals < 0)
            return nullptr;
        const auto index = static_cast<std::size_t>(std::min(decimals, 15));
        if (!numbers[index]) {
            numbers[index] = x->workbook_add_format(workbook);
            std::string pattern = "#,##0";
            if (index > 0) {
                pattern += '.';
                pattern.append(index, '0');
            }
            x->format_set_num_format(numbers[index], pattern.c_str());
        }
        return numbers[index];
    }
};

WorkbookWriter::WorkbookWriter(std::string path, const std::string &sheetName)
    : m_path(std::move(path))
    , m_book(std::make_unique<Book>())
{
    // A workbook is written whole (the library goes back in the file as it
    // finishes it): into a temporary file beside a file it replaces, else
    // into a spool file copied through to a pipe or device at the end.
    auto output = SafeOutputFile::Open(m_path, SafeOutputFile::Mode::Replace, SafeOutputFile::Delivery::Whole);
    if (!output) {
        m_book->error = output.Error().error;
        return;
    }
    m_book->output = std::move(*output);
    const std::filesystem::path &work = m_book->output->WorkFile();
    m_book->folder = work.parent_path().empty() ? std::string(".") : work.parent_path().string();
    // The library leaves its working files behind when a signal ends the
    // run as it makes them: they go into a folder of this run's, which
    // goes with them whatever ends the run.
    if (CreateScratchFolder(work, m_book->scratch, m_book->scratchTicket))
        m_book->folder = m_book->scratch.string();

    const TarvelXlsxLibrary *x = m_book->x;
    if (!x)
        return;
    const ClassicNumbers classic(m_book->classic);
    const QuietLibrary quiet;
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    // Its working files go beside the workbook: a full disk there is found
    // before anything is put in place.
    options.tmpdir = m_book->folder.data();
    errno = 0;
    m_book->workbook = x->workbook_new_opt(m_book->output->WorkFile().c_str(), &options);
    if (!m_book->workbook) {
        m_book->error = ReasonOf(LXW_NO_ERROR, errno);
        return;
    }
    m_book->records = x->workbook_add_worksheet(m_book->workbook, Utf8(sheetName).c_str());
    if (!m_book->records)
        m_book->records = x->workbook_add_worksheet(m_book->workbook, nullptr);
    if (!m_book->records)
        m_book->error = ReasonOf(LXW_NO_ERROR, errno);
    m_book->header = x->workbook_add_format(m_book->workbook);
    x->format_set_bold(m_book->header);
    x->format_set_num_format(m_book->header, "@");
    m_book->text = x->workbook_add_format(m_book->workbook);
    x->format_set_num_format(m_book->text, "@");
    // The markers stand where numbers stand, so they line up with them.
    m_book->withheld = x->workbook_add_format(m_book->workbook);
    x->format_set_num_format(m_book->withheld, "@");
    x->format_set_align(m_book->withheld, LXW_ALIGN_RIGHT);
}

WorkbookWriter::~WorkbookWriter()
{
    if (m_book->workbook) {
        // Never committed: freeing it writes nothing more.
        const ClassicNumbers classic(m_book->classic);
        m_book->x->lxw_workbook_free(m_book->workbook);
    }
    RemoveScratchFolder(m_book->scratch, m_book->scratchTicket);
    // The output, dropped unless committed, removes its work file.
    m_book->output.reset();
    if (m_book->classic)
        freelocale(m_book->classic);
}

bool WorkbookWriter::Ok() const
{
    return m_book->workbook && m_book->records;
}

void WorkbookWriter::AddHeader(const std::vector<std::string> &fields)
{
    if (!Ok())
        return;
    Book &book = *m_book;
    const TarvelXlsxLibrary *x = book.x;
    const ClassicNumbers classic(book.classic);
    for (std::size_t column = 0; column < fields.size(); ++column) {
        book.Note(x->worksheet_write_string(book.records, book.row, static_cast<lxw_col_t>(column),
                                         Utf8(fields[column]).c_str(), book.header));
        // Bold letters and the filter button take a little more room.
        book.Fit(column, fields[column].size() + 3);
    }
    book.hasHeader = book.row == 0;
    ++book.row;
}

void WorkbookWriter::AddRecord(const std::vector<RecordCell> &cells)
{
    if (!Ok())
        return;
    Book &book = *m_book;
    const TarvelXlsxLibrary *x = book.x;
    const ClassicNumbers classic(book.classic);
    for (std::size_t column = 0; column < cells.size(); ++column) {
        const RecordCell &cell = cells[column];
        const auto col = static_cast<lxw_col_t>(column);
        if (cell.kind == RecordCell::Kind::Text) {
            const bool marker = cell.text == "(D)" || cell.text == "(N)";
            book.Note(x->worksheet_write_string(book.records, book.row, col, Utf8(cell.text).c_str(),
                                             marker ? book.withheld : book.text));
            book.Fit(column, cell.text.size());
            continue;
        }
        const int decimals = DecimalsOf(cell.text);
        book.Note(
            x->worksheet_write_number(book.records, book.row, col, NumberOf(cell.text), book.NumberFormat(decimals)));
        book.Fit(column, ShownWidth(cell.text, decimals));
        if (cell.withheld != 0) {
            const char *comment = cell.withheld == '1' ? "Withheld as (D)" : "Withheld as (N)";
            book.Note(x->worksheet_write_comment(book.records, book.row, col, comment));
        }
    }
    ++book.row;
}

void WorkbookWriter::AddFootnotes(const std::vector<std::string> &lines)
{
    if (!Ok())
        return;
    Book &book = *m_book;
    const TarvelXlsxLibrary *x = book.x;
    const ClassicNumbers classic(book.classic);
    lxw_worksheet *sheet = nullptr;
    {
        const QuietLibrary quiet;
        errno = 0;
        sheet = x->workbook_add_worksheet(book.workbook, "Footnotes");
    }
    if (!sheet) {
        book.Note(LXW_ERROR_CREATING_TMPFILE);
        return;
    }
    book.footnotes = sheet;
    std::size_t widest = 10;
    for (std::size_t row = 0; row < lines.size(); ++row) {
        if (lines[row].empty())
            continue;
        book.Note(x->worksheet_write_string(sheet, static_cast<lxw_row_t>(row), 0, Utf8(lines[row]).c_str(),
                                         book.text));
        widest = std::max(widest, lines[row].size());
    }
    book.Note(x->worksheet_set_column(sheet, 0, 0, std::min(static_cast<double>(widest) + 1, 120.0), nullptr));
}

bool WorkbookWriter::Commit()
{
    Book &book = *m_book;
    if (!Ok() || book.failed)
        return false;
    const TarvelXlsxLibrary *x = book.x;
    const ClassicNumbers classic(book.classic);
    for (std::size_t column = 0; column < book.widths.size(); ++column) {
        const double width = std::clamp(book.widths[column] + 1, 4.0, MaxColumnWidth);
        book.Note(x->worksheet_set_column(book.records, static_cast<lxw_col_t>(column),
                                       static_cast<lxw_col_t>(column), width, nullptr));
    }
    if (book.hasHeader && !book.widths.empty()) {
        x->worksheet_freeze_panes(book.records, 1, 0);
        book.Note(x->worksheet_autofilter(book.records, 0, 0, book.row - 1,
                                       static_cast<lxw_col_t>(book.widths.size() - 1)));
    }
    // The library writes the rows of a sheet to a working file of its own
    // and does not look at how those writes went: a full disk there would
    // give a workbook that lacks rows, or cannot be read at all. Their
    // stream is flushed and checked before the workbook is put together.
    for (lxw_worksheet *sheet : {book.records, book.footnotes}) {
        FILE *rows = sheet && sheet->optimize_tmpfile ? sheet->optimize_tmpfile : nullptr;
        if (!rows || book.failed)
            continue;
        errno = 0;
        const bool flushFailed = std::fflush(rows) != 0;
        if (flushFailed || std::ferror(rows)) {
            // A write that failed before the flush left only the stream's
            // mark, not its errno: the file then says why.
            book.error = flushFailed ? ReasonOf(LXW_NO_ERROR, errno) : 0;
            if (book.error == 0)
                book.error = WriteFailureReasonOf(::fileno(rows));
            book.failed = true;
        }
    }
    if (book.failed) {
        if (book.error == 0)
            book.error = WriteFailureReason(book.output->WorkFile().string());
        return false;
    }

    lxw_error written = LXW_NO_ERROR;
    {
        const QuietLibrary quiet;
        errno = 0;
        written = x->workbook_close(book.workbook);
        book.workbook = nullptr; // closing frees it, written or not
        book.Note(written);
    }
    // Before the workbook takes its name: the folder is named after the work file.
    RemoveScratchFolder(std::exchange(book.scratch, {}), std::exchange(book.scratchTicket, -1));
    if (written != LXW_NO_ERROR) {
        // The library's own writes leave errno as later calls set it: the
        // work file says what stopped them (a full disk, a size limit).
        if (book.error == 0)
            book.error = WriteFailureReason(book.output->WorkFile().string());
        return false;
    }
    if (!book.output->Commit()) {
        book.error = book.output->Error();
        return false;
    }
    return true;
}

int WorkbookWriter::Error() const
{
    return m_book->error;
}

std::string WorkbookModulePath(const std::string &programFolder)
{
    const fs::path folder = fs::path(programFolder.empty() ? std::string(".") : programFolder) / TARVEL_MODULES_FROM_BIN;
    return (folder / TARVEL_XLSX_MODULE_NAME).lexically_normal().string();
}

bool WorkbookFormatAvailable(std::string *why)
{
    const LoadedModule &module = Module();
    if (!module.library && why)
        *why = module.why;
    return module.library != nullptr;
}

std::string WorkbookUnavailableText(const std::string &why)
{
    return "Workbooks cannot be written: the program's workbook module did not load (" + why
        + "). Please choose another format, or install the program again.";
}

std::string WorkbookModuleProblem(const std::string &path)
{
    return LoadModule(path).why;
}

std::string WorkbookSheetName(const std::string &code, bool unsuppressed)
{
    return unsuppressed ? code + " UNSUPPRESSED" : code;
}

} // namespace tarvel
