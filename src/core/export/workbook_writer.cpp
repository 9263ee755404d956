#include "core/export/workbook_writer.h"

#include "core/export/xlsx_library.h"

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <locale.h>
#include <sys/stat.h>
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
    std::string target; // the file replaced: the name given, or the file its link names
    std::string folder;
    std::string temp; // the temporary file; empty once renamed or removed
    lxw_workbook *workbook = nullptr;
    lxw_worksheet *records = nullptr;
    lxw_format *header = nullptr;
    lxw_format *text = nullptr;
    lxw_format *withheld = nullptr;
    std::array<lxw_format *, 16> numbers{}; // by decimals, made when first used
    std::vector<double> widths;             // characters, per column
    lxw_row_t row = 0;
    bool hasHeader = false;
    bool failed = false;

    void Note(lxw_error error)
    {
        if (error != LXW_NO_ERROR)
            failed = true;
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
    // A link is followed, as opening the file for output would: the file it
    // names is replaced, and the link stays.
    fs::path target(m_path);
    std::error_code ec;
    if (fs::is_symlink(target, ec)) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec)
            target = resolved;
    }
    m_book->target = target.string();
    m_book->folder = target.parent_path().empty() ? std::string(".") : target.parent_path().string();
    // A hidden name beside the target, so the final rename stays within
    // one file system.
    std::string pattern = m_book->folder + "/." + target.filename().string() + ".XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0)
        return;
    m_book->temp = pattern;
    // mkstemp makes the file private; the workbook gets the usual mode, or
    // the mode of the file it replaces.
    struct stat existing {};
    mode_t mode = 0;
    if (stat(m_book->target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    fchmod(fd, mode);
    close(fd);

    const TarvelXlsxLibrary *x = m_book->x;
    if (!x)
        return;
    const ClassicNumbers classic(m_book->classic);
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    // Its working files go where the workbook goes: a full disk there is
    // found before anything is renamed.
    options.tmpdir = m_book->folder.data();
    m_book->workbook = x->workbook_new_opt(m_book->temp.c_str(), &options);
    if (!m_book->workbook)
        return;
    m_book->records = x->workbook_add_worksheet(m_book->workbook, Utf8(sheetName).c_str());
    if (!m_book->records)
        m_book->records = x->workbook_add_worksheet(m_book->workbook, nullptr);
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
    if (!m_book->temp.empty())
        std::remove(m_book->temp.c_str());
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
    lxw_worksheet *sheet = x->workbook_add_worksheet(book.workbook, "Footnotes");
    if (!sheet) {
        book.failed = true;
        return;
    }
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
    if (book.failed)
        return false;

    const lxw_error written = x->workbook_close(book.workbook);
    book.workbook = nullptr; // closing frees it, written or not
    if (written != LXW_NO_ERROR)
        return false;
    std::error_code ec;
    fs::rename(book.temp, book.target, ec);
    if (ec)
        return false;
    book.temp.clear();
    return true;
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
