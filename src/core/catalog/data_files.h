#pragma once

#include "core/catalog/failure.h"
#include "core/catalog/file_helpers.h"
#include "core/catalog/prefaulted_memory.h"

#include <array>
#include <cstdint>
#include <optional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

/// The folders and mode every lookup depends on (owned by the main window).
struct DataPaths {
    std::string ProgramFolder; ///< ends in '/'
    std::string DataFolder;    ///< ends in '/', or empty when not found
    bool Unsuppressed = false;
};

/// ProgramFolder + name when that file exists, else DataFolder + name.
std::string ResolveDataFile(const DataPaths &paths, std::string_view name);
/// The confidential lookup: DataFolder + name in unsuppressed mode, else
/// ResolveDataFile. Used for the area list, table data, line titles and the
/// footnotes and summaries shown or printed.
std::string ResolveTableFile(const DataPaths &paths, std::string_view name);
/// code + ".xxx" in DataFolder in unsuppressed mode, else ResolveDataFile(code + ".dfx").
std::string TableDataFileName(const DataPaths &paths, std::string_view code);
/// The line-title file code + "line.csv", looked up like the table data.
std::string LineTitleFileName(const DataPaths &paths, std::string_view code);
/// The area list "statcode.csv", looked up like the table data.
std::string AreaListFileName(const DataPaths &paths);

/// The leading number of a value text: blanks skipped, then sign, digits,
/// decimal point and digits, exponent, as far as they go; 0 when none.
double ReadLeadingNumber(std::string_view text);

/// Whether a value text shown as a number holds one, whole: blanks alone
/// (which read 0), or blanks, an optional sign, digits with or without a
/// point and decimals, an optional exponent ("E+06", "e5"), then nothing but
/// blanks; blanks are spaces and tabs. ReadLeadingNumber then reads every
/// character of it. A shown value that does not ("12x4567", "ABCDEFGH",
/// "987.6r", "12.") makes its record damaged: every reader that turns a value
/// text into a number or a shown number checks it here, and any quicker
/// reading of the usual shapes takes only texts this accepts.
bool IsValueNumber(std::string_view text);

/// One line of a table data file, split at its commas.
struct DataRecord {
    std::string areaCode;   ///< field 0
    std::string regionCode; ///< field 1
    std::string lineCode;   ///< field 3
    std::string field4;     ///< read and kept, not used
    std::vector<std::string> fields; ///< every field, the last without its line end
    std::string flags;      ///< the last field: one character per quarter

    /// Value text of quarter k (1-based): field k + 4 cut to 10 characters;
    /// empty when the record has no such field.
    std::string ValueText(int k) const;
    /// The number of quarter k: ReadLeadingNumber(ValueText(k)).
    double Value(int k) const;
    /// Flag character of quarter k; a blank when the flag field is shorter.
    char Flag(int k) const;
};

/// Splits one record (with or without its line end) at every comma.
DataRecord ParseDataRecord(std::string_view bytes);

/// One record split at its commas without copying: views into bytes the
/// caller keeps while the view is used. Split again for the next record;
/// the field list keeps its storage, so the loops over many records make
/// no allocation per record. Fields as in DataRecord.
struct DataRecordView {
    std::vector<std::string_view> fields;
    std::string_view flags; ///< the last field
    /// The end of the bytes the fields were split from (the flags' end):
    /// the bytes from any field up to it may be read in blocks.
    const char *end = nullptr;

    void Split(std::string_view bytes);
    /// Field i, or an empty view past the last.
    std::string_view Field(std::size_t i) const
    {
        return i < fields.size() ? fields[i] : std::string_view();
    }
    /// As DataRecord::ValueText.
    std::string_view ValueText(int k) const
    {
        const std::size_t index = static_cast<std::size_t>(k) + 4;
        if (k < 1 || fields.size() < 2 || index >= fields.size() - 1)
            return {};
        return fields[index].substr(0, 10);
    }
    /// As DataRecord::Flag.
    char Flag(int k) const
    {
        return k < 1 || static_cast<std::size_t>(k) > flags.size() ? ' ' : flags[static_cast<std::size_t>(k - 1)];
    }
};

/// A checked record (five leading fields, the values, the flags) whose
/// value fields are all ten bytes wide, as the published tables write them:
/// each field is found by its position, without splitting the record.
/// Views into the record's bytes, valid while they are.
struct TenByteRecordView {
    static constexpr std::size_t FieldWidth = 10;
    static constexpr std::size_t Stride = FieldWidth + 1;
    /// The bytes that may be read in one block from the start of any value
    /// field, the last one's included.
    static constexpr std::size_t Readable = 24;

    std::array<std::string_view, 5> leading; ///< fields 0-4
    const char *values = nullptr;            ///< quarter 1's value field
    int quarterCount = 0;
    std::string_view flags; ///< the last field
    const char *end = nullptr; ///< as DataRecordView::end

    /// Finds the layout in a record (with or without its line end) with
    /// readable bytes from its start that may be read: five leading fields,
    /// quarterCount value fields of ten bytes and the flags. False for any
    /// other layout, or one whose last value field cannot be read Readable
    /// bytes at a time.
    bool Find(std::string_view record, std::size_t readable, int quarterCount);

    /// Field i of the five leading ones; empty past them.
    std::string_view Field(std::size_t i) const { return i < leading.size() ? leading[i] : std::string_view(); }
    /// As DataRecordView::ValueText.
    std::string_view ValueText(int k) const
    {
        if (k < 1 || k > quarterCount)
            return {};
        return {values + Stride * static_cast<std::size_t>(k - 1), FieldWidth};
    }
    /// As DataRecordView::Flag.
    char Flag(int k) const
    {
        return k < 1 || static_cast<std::size_t>(k) > flags.size() ? ' ' : flags[static_cast<std::size_t>(k - 1)];
    }
};

/// A table data file open for positioned reading. Every record has length R
/// (its first line's length + 2); each read checks that the record lies
/// inside the file and ends where its line end should be.
class TableDataFile {
public:
    /// Opens the file named path for table code. Fails as NotAccessible when
    /// it cannot be opened and as Damaged when it is empty.
    static Result<TableDataFile> Open(const std::string &path, std::string_view code);

    int RecordLength() const { return m_recordLength; }
    const std::string &Path() const { return m_path; }
    /// Byte position (1-based) of data line `line` of area `area` (both
    /// 1-based): ((area - 1) * LineCount + line - 1) * R + 1. For ZR1 pass area 1
    /// and the area number as the line.
    std::int64_t Position(int area, int line) const;
    /// The record at a byte position; Damaged when the file is too short, the
    /// record is not a whole line of length R, or it does not hold exactly
    /// QuarterCount + 6 fields (five leading fields, the values, the flags).
    Result<DataRecord> ReadRecordAt(std::int64_t position);
    /// The raw R bytes at a position, checked like ReadRecordAt. A last line
    /// that lacks only its line end is accepted and given "\r\n".
    Result<std::string> ReadBytesAt(std::int64_t position);
    /// The same into bytes, whose storage is reused; the failure, or nullopt.
    std::optional<Failure> ReadBytesInto(std::int64_t position, std::string &bytes);
    /// The same, and the record split into fields in the pass that checks
    /// it: for loops that read many records. The fields are views into
    /// bytes or into the block this file read ahead, valid until the next
    /// read from it.
    std::optional<Failure> ReadFieldsInto(std::int64_t position, std::string &bytes, DataRecordView &fields);
    /// The checked record as a view, without a copy: into the block read
    /// ahead, or into scratch. Valid until the next read or scratch changes.
    std::optional<Failure> ReadRecordView(std::int64_t position, std::string &scratch, std::string_view &record);
    /// The failure for the record at position whose value of quarter k
    /// (1-based), shown as a number, is not one (IsValueNumber): Damaged,
    /// naming the area, the line and the quarter.
    Failure ValueNotANumber(std::int64_t position, int quarter) const;

private:
    /// The R bytes at position: a view into the block read ahead, or into
    /// bytes; the failure when the file is too short.
    Result<std::string_view> ReadWhole(std::int64_t position, std::string &bytes);
    /// The failure for a record whose body holds a line end or fields
    /// other than its table's count; nullopt when it has neither.
    std::optional<Failure> CheckBody(std::int64_t position, bool lineEnd, std::size_t fields) const;
    TableDataFile(std::string path, std::string code, BinaryFile file, int recordLength);
    /// The whole record at position (inside the file): a view into the
    /// block read ahead, or read now into bytes; nullopt when the read failed.
    std::optional<std::string_view> ReadRecordBytes(std::int64_t position, std::string &bytes);

    static constexpr std::int64_t ReadAheadBytes = 64 * 1024;

    /// "its record for area 3, line 5" (ZR1: "its record for area 3").
    std::string RecordName(std::int64_t position) const;
    std::string m_path;
    std::string m_code;
    BinaryFile m_file;
    int m_recordLength;
    PrefaultedBuffer m_block;        // records read ahead (ReadAheadBytes)
    std::int64_t m_blockSize = 0;    // bytes of it that hold records
    std::int64_t m_blockStart = 0;   // byte position of m_block's first byte
    std::int64_t m_nextPosition = 0; // where the last record read ended
};

/// The line titles of a table, trailing blanks removed, line 1 first. For
/// ZR1 the plain text lines; for the others the 57-character title field of
/// each 68-byte record. Damaged when the file holds fewer titles than
/// LineCount(code).
Result<std::vector<std::string>> ReadLineTitles(const std::string &path, std::string_view code);

/// The titles as the export wizard lists them: ZR1's lines keep their
/// trailing blanks.
Result<std::vector<std::string>> ReadLineTitlesForExport(const std::string &path, std::string_view code);

/// Line code (4 characters) of each 68-byte line-title record; empty for ZR1.
Result<std::vector<std::string>> ReadLineTitleCodes(const std::string &path, std::string_view code);

/// One 40-byte record of the area list.
struct AreaRecord {
    std::string code;         ///< 2 characters
    std::string name;         ///< 20 characters as stored (blank-padded)
    std::string abbreviation; ///< 4 characters as stored
    std::string region;       ///< 1 character
};

constexpr int AreaCount = 60;
constexpr int AreaRecordLength = 40;

/// Parses one 40-byte record (its line end may be left off); nullopt when its
/// quotes and commas are not in place.
std::optional<AreaRecord> ParseAreaRecord(std::string_view record);
/// All 60 records of the area list at path.
Result<std::vector<AreaRecord>> ReadAreaList(const std::string &path);
/// Record `area` (1-based) of the area list at path.
Result<AreaRecord> ReadAreaRecord(const std::string &path, int area);

/// "Personal Income" for ZR1; otherwise name + " [" + code + "]" of the
/// current area. Reports a file that cannot be read and yields "".
std::string AreaCaption(const DataPaths &paths, std::string_view tableCode, int currentArea, MessageSink &sink);
/// The abbreviation of area i, blanks removed; reports a failure and yields "".
std::string AreaAbbreviation(const DataPaths &paths, int area, MessageSink &sink);

/// The names (in lower case) of every file the program reads from the data
/// or program folder: data, line titles, footnotes, summaries, documents,
/// the area list and the help file.
const std::vector<std::string> &ProgramInputNames();

/// True when output names a file the program reads: one of
/// ProgramInputNames in the data folder (an empty one being the working
/// folder, where its files are then read) or the program folder, names
/// matched ignoring case, or one of otherFiles (the settings files,
/// SettingsFilesRead). Paths are compared resolved (absolute, links
/// followed), and a hard link to such a file counts too.
bool IsProgramInputFile(const DataPaths &paths, const std::string &output,
                        const std::vector<std::string> &otherFiles = {});

} // namespace tarvel
