#pragma once

// The readers of the data folder's three kinds of file: a table's data file
// (TableDataFile), its line titles and the area list. What their callers
// use with them has a header of its own, included here: where the files are
// (data_paths.h), the records (data_records.h, ten_byte_record_fast.h), the
// value texts (value_text.h) and the files no output may go to
// (program_inputs.h).

#include "core/catalog/data_paths.h"
#include "core/catalog/data_records.h"
#include "core/catalog/failure.h"
#include "core/catalog/file_helpers.h"
#include "core/catalog/prefaulted_memory.h"
#include "core/catalog/program_inputs.h"
#include "core/catalog/ten_byte_record_fast.h"
#include "core/catalog/value_text.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

/// A table data file open for positioned reading. Every record has length R
/// (its first line's length + 2); each read checks that the record lies
/// inside the file, ends where its line end should be and holds
/// QuarterCount + 6 fields (five leading fields, the values, the flags):
/// Damaged otherwise. A read that goes on where the last one ended reads
/// the records ahead in one block, so a run of them reads each byte once.
class TableDataFile {
public:
    /// Opens the file named path for table code. Fails as NotAccessible when
    /// it cannot be opened and as Damaged when it is empty.
    static Result<TableDataFile> Open(const std::string &path, std::string_view code);

    int RecordLength() const { return m_recordLength; }
    const std::string &Path() const { return m_path; }
    /// Byte position (1-based) of data line `line` of area `area` (both
    /// 1-based): ((area - 1) * LineCount + line - 1) * R + 1. For a table of
    /// one record per area (ZR1) pass area 1 and the area number as the line.
    std::int64_t Position(int area, int line) const;

    /// The checked record at a byte position, split into strings.
    Result<DataRecord> ReadRecordAt(std::int64_t position);
    /// The checked record as a view, without a copy: into the block read
    /// ahead, or into scratch. Valid until the next read or scratch changes.
    /// A last line that lacks only its line end is accepted and given "\r\n".
    std::optional<Failure> ReadRecordView(std::int64_t position, std::string &scratch, std::string_view &record);
    /// The checked record's R bytes as a copy (ReadRecordView into bytes,
    /// whose storage is reused); the failure, or nullopt.
    std::optional<Failure> ReadBytesInto(std::int64_t position, std::string &bytes);
    /// The same as a new string.
    Result<std::string> ReadBytesAt(std::int64_t position);

    /// The failure for the record at position whose value of quarter k
    /// (1-based), shown as a number, is not one (IsValueNumber): Damaged,
    /// naming the area, the line and the quarter.
    Failure ValueNotANumber(std::int64_t position, int quarter) const;

private:
    TableDataFile(std::string path, std::string code, BinaryFile file, int recordLength);
    /// The R bytes at position: a view into the block read ahead, or into
    /// bytes; the failure when the file is too short.
    Result<std::string_view> ReadWhole(std::int64_t position, std::string &bytes);
    /// The whole record at position (inside the file): a view into the
    /// block read ahead, or read now into bytes; nullopt when the read failed.
    std::optional<std::string_view> ReadRecordBytes(std::int64_t position, std::string &bytes);
    /// The failure for a record whose body holds a line end or fields
    /// other than its table's count; nullopt when it has neither.
    std::optional<Failure> CheckBody(std::int64_t position, bool lineEnd, std::size_t fields) const;
    /// The area (1-based) whose records hold the record at position.
    std::int64_t AreaAt(std::int64_t position) const;
    /// "its record for area 3, line 5" (one record per area: "its record for area 3").
    std::string RecordName(std::int64_t position) const;

    static constexpr std::int64_t ReadAheadBytes = 64 * 1024;

    std::string m_path;
    std::string m_code;
    BinaryFile m_file;
    int m_recordLength;
    PrefaultedBuffer m_block;        // records read ahead (ReadAheadBytes)
    std::int64_t m_blockSize = 0;    // bytes of it that hold records
    std::int64_t m_blockStart = 0;   // byte position of m_block's first byte
    std::int64_t m_nextPosition = 0; // where the last record read ended
};

/// The line titles of a table, trailing blanks removed, line 1 first. For a
/// table of one record per area (ZR1) the plain text lines; for the others
/// the 57-character title field of each 68-byte record. Damaged when the
/// file holds fewer titles than LineCount(code).
Result<std::vector<std::string>> ReadLineTitles(const std::string &path, std::string_view code);

/// The titles as the export wizard lists them: ZR1's lines keep their
/// trailing blanks.
Result<std::vector<std::string>> ReadLineTitlesForExport(const std::string &path, std::string_view code);

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

} // namespace tarvel
