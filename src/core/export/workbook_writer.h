#pragma once

#include "core/export/record_formats.h"

#include <memory>
#include <string>
#include <vector>

namespace tarvel {

/// One export workbook (.xlsx): a sheet of records, its first row the
/// header when there is one (bold, frozen, with an autofilter), and the
/// footnotes on a sheet of their own. Texts are Latin-1 bytes.
///
/// Nothing is written to the workbook's name before Commit: the workbook
/// is made whole in a work file (a temporary file in the same folder,
/// synced and renamed over the name when complete, or a spool file copied
/// through to the standard output, a pipe or a device), so a failed run
/// leaves an earlier file as it was and no half-written workbook behind.
/// The library's own failure lines never reach the standard error.
class WorkbookWriter {
public:
    /// sheetName: the records' sheet (at most 31 characters, none of []:*?/\).
    WorkbookWriter(std::string path, const std::string &sheetName);
    /// Removes the temporary file when the workbook was not committed.
    ~WorkbookWriter();
    WorkbookWriter(const WorkbookWriter &) = delete;
    WorkbookWriter &operator=(const WorkbookWriter &) = delete;

    /// False when the output could not be started (see Error).
    bool Ok() const;
    /// The system's reason (an errno value) for the first failure; 0 for none.
    int Error() const;
    const std::string &Path() const { return m_path; }

    /// Adds the header row: one bold text cell per field.
    void AddHeader(const std::vector<std::string> &fields);
    /// Adds one record row. Numbers get thousands separators and the
    /// decimals they have; a number shown although withheld gets a comment.
    void AddRecord(const std::vector<RecordCell> &cells);
    /// Puts the footnote lines on the sheet "Footnotes", one per row.
    void AddFootnotes(const std::vector<std::string> &lines);

    /// Writes the workbook and puts it in place of any file of its name.
    /// False when anything failed (a full disk, a folder that went away);
    /// the temporary file is then removed and the old file is untouched.
    bool Commit();

private:
    struct Book;
    std::string m_path;
    std::unique_ptr<Book> m_book;
};

/// Whether workbooks can be written: the module that holds the workbook
/// library (loaded the first time it is needed) loads. When not, *why says
/// what went wrong, in words for the user.
bool WorkbookFormatAvailable(std::string *why = nullptr);
/// The message for a workbook export when the module did not load.
std::string WorkbookUnavailableText(const std::string &why);
/// The workbook module's file, found from the program's own folder the
/// same way in the build tree and when installed.
std::string WorkbookModulePath(const std::string &programFolder);
/// Why the file at path is no usable workbook module; "" when it is one.
std::string WorkbookModuleProblem(const std::string &path);

/// The records' sheet name: the table code, marked in unsuppressed mode.
std::string WorkbookSheetName(const std::string &code, bool unsuppressed);

} // namespace tarvel
