#include "core/catalog/data_files.h"

#include "core/catalog/record_scan.h"
#include "core/catalog/table_catalog.h"
#include "core/catalog/text_helpers.h"

#include <algorithm>

namespace tarvel {
namespace {

constexpr int LineTitleRecordLength = 68;
// Far above the longest record of any table (ZR1's, some 2,900 bytes).
constexpr std::size_t MaxRecordLength = 1000000;

Failure TooFewTitles(const std::string &path, std::size_t found, int wanted)
{
    return Failure::Damaged(path, "it holds " + std::to_string(found) + " line titles where the table has "
                                      + std::to_string(wanted) + " lines");
}

// The title field of each 68-byte record, line 1 first, trailing blanks
// cut or kept; a table of one record per area has plain lines instead.
Result<std::vector<std::string>> ReadTitleFile(const std::string &path, std::string_view code, bool keepBlanks)
{
    const int lines = LineCount(code);
    std::vector<std::string> result;
    if (ShapeOf(code) == TableShape::AreaRows) {
        auto in = OpenTextForInput(path);
        if (!in)
            return NotReadable(path);
        std::string line;
        while (static_cast<int>(result.size()) < lines) {
            const LineRead read = ReadBoundedLine(*in, line, MaxRecordLength);
            if (read == LineRead::TooLong)
                return Failure::Damaged(path, "its line " + std::to_string(result.size() + 1) + " is too long");
            if (read == LineRead::End)
                break;
            result.push_back(keepBlanks ? line : TrimRight(line));
        }
        if (static_cast<int>(result.size()) < lines)
            return TooFewTitles(path, result.size(), lines);
        return result;
    }

    auto file = OpenRecordFile(path, LineTitleRecordLength);
    if (!file)
        return NotReadable(path);
    for (int n = 1; n <= lines; ++n) {
        const auto record = file->Read(n);
        if (!record)
            return TooFewTitles(path, result.size(), lines);
        // Without its line end a record is 66 bytes: quote, code (4),
        // quote-comma-quote, title (57), quote.
        if (record->size() != LineTitleRecordLength - 2 || record->find_first_of("\r\n") != std::string::npos)
            return Failure::Damaged(path, "its records are not 68 bytes long");
        result.push_back(TrimRight(record->substr(8, 57)));
    }
    return result;
}

} // namespace

TableDataFile::TableDataFile(std::string path, std::string code, BinaryFile file, int recordLength)
    : m_path(std::move(path))
    , m_code(std::move(code))
    , m_file(std::move(file))
    , m_recordLength(recordLength)
{
}

Result<TableDataFile> TableDataFile::Open(const std::string &path, std::string_view code)
{
    auto file = OpenBinaryForRead(path);
    if (!file)
        return NotReadable(path);
    // The first line gives the record length R. Read in pieces up to a
    // limit: a file without any line end (a huge sparse one, say) is never
    // read whole.
    std::string first;
    std::size_t end = std::string::npos;
    char piece[4096];
    for (std::int64_t at = 0; at < file->Size() && first.size() <= MaxRecordLength + 1;) {
        const std::int64_t count = std::min<std::int64_t>(sizeof piece, file->Size() - at);
        if (!file->ReadInto(at + 1, count, piece))
            return NotReadable(path);
        const std::string_view got(piece, static_cast<std::size_t>(count));
        end = got.find('\n');
        first.append(got.substr(0, end));
        if (end != std::string_view::npos)
            break;
        at += count;
    }
    if (first.empty() && end == std::string::npos)
        return Failure::Damaged(path, "it is empty");
    if (first.size() > MaxRecordLength + 1)
        return Failure::Damaged(path, "its first line is too long");
    // R counts a "\r\n" line end; a file of bare "\n" line ends would put
    // every record but the first out of place.
    if (end != std::string::npos && (first.empty() || first.back() != '\r'))
        return Failure::Damaged(path, "its lines do not end in carriage return and line feed");
    if (!first.empty() && first.back() == '\r')
        first.pop_back();
    if (first.empty())
        return Failure::Damaged(path, "its first line is empty");
    if (first.size() > MaxRecordLength)
        return Failure::Damaged(path, "its first line is too long");
    return TableDataFile(path, std::string(code), std::move(*file), static_cast<int>(first.size()) + 2);
}

std::int64_t TableDataFile::Position(int area, int line) const
{
    const std::int64_t index = static_cast<std::int64_t>(area - 1) * LineCount(m_code) + (line - 1);
    return index * m_recordLength + 1;
}

Result<DataRecord> TableDataFile::ReadRecordAt(std::int64_t position)
{
    std::string scratch;
    std::string_view record;
    if (std::optional<Failure> failure = ReadRecordView(position, scratch, record))
        return std::move(*failure);
    return ParseDataRecord(record);
}

std::optional<Failure> TableDataFile::ReadRecordView(std::int64_t position, std::string &scratch,
                                                     std::string_view &record)
{
    Result<std::string_view> whole = ReadWhole(position, scratch);
    if (!whole)
        return whole.Error();
    const std::string_view body = whole->substr(0, whole->size() - 2);
    bool lineEnd = false;
    const std::size_t fields = CountRecordCommas(body, lineEnd) + 1;
    if (std::optional<Failure> failure = CheckBody(position, lineEnd, fields))
        return failure;
    record = *whole;
    return std::nullopt;
}

std::optional<Failure> TableDataFile::ReadBytesInto(std::int64_t position, std::string &bytes)
{
    std::string_view record;
    if (std::optional<Failure> failure = ReadRecordView(position, bytes, record))
        return failure;
    if (record.data() != bytes.data())
        bytes.assign(record);
    return std::nullopt;
}

Result<std::string> TableDataFile::ReadBytesAt(std::int64_t position)
{
    std::string bytes;
    if (std::optional<Failure> failure = ReadBytesInto(position, bytes))
        return std::move(*failure);
    return bytes;
}

Failure TableDataFile::ValueNotANumber(std::int64_t position, int quarter) const
{
    return Failure::Damaged(m_path, RecordName(position) + " holds a value for " + QuarterLabel(quarter, m_code)
                                        + " that is not a number");
}

Result<std::string_view> TableDataFile::ReadWhole(std::int64_t position, std::string &bytes)
{
    const std::int64_t length = m_recordLength;
    const std::int64_t size = m_file.Size();
    const auto tooShort = [&] {
        return Failure::Damaged(m_path, "it is too short for area " + std::to_string(AreaAt(position)));
    };
    if (position < 1 || position - 1 > size)
        return tooShort();

    std::optional<std::string_view> record;
    if (size - (position - 1) >= length) {
        record = ReadRecordBytes(position, bytes);
    } else if (size - (position - 1) == length - 2) {
        // The file's last line may lack its line end; its values are whole.
        if (m_file.ReadInto(position, length - 2, bytes)) {
            bytes += "\r\n";
            record = bytes;
        }
    }
    if (!record)
        return tooShort();
    if (!record->ends_with("\r\n"))
        return Failure::Damaged(m_path, "its lines differ in length");
    return *record;
}

std::optional<Failure> TableDataFile::CheckBody(std::int64_t position, bool lineEnd, std::size_t fields) const
{
    if (lineEnd)
        return Failure::Damaged(m_path, "its lines differ in length");
    // A record of the right length may still hold a comma too many or too
    // few (a blank of a value turned into a comma): every later quarter
    // would be read from its neighbour's field.
    const int quarters = QuarterCount(m_code);
    if (quarters > 0 && fields != static_cast<std::size_t>(quarters) + 6) {
        return Failure::Damaged(m_path, RecordName(position) + " holds " + std::to_string(fields)
                                            + " fields where table " + m_code + " has "
                                            + std::to_string(quarters + 6));
    }
    return std::nullopt;
}

std::optional<std::string_view> TableDataFile::ReadRecordBytes(std::int64_t position, std::string &bytes)
{
    const std::int64_t length = m_recordLength;
    const std::int64_t blockEnd = m_blockStart + m_blockSize;
    if (m_blockSize > 0 && position >= m_blockStart && position + length <= blockEnd) {
        // The run goes on: the record after the block comes with the next block.
        m_nextPosition = position + length;
        return std::string_view(m_block.get() + (position - m_blockStart), static_cast<std::size_t>(length));
    }
    // A read that goes on where the last one ended is one of a run (an
    // area's lines, an export): the records ahead come in one block, each
    // byte read once. Any other read takes its record alone.
    const bool sequential = position == m_nextPosition;
    m_nextPosition = position + length;
    const std::int64_t wholeRecords = ReadAheadBytes / length;
    const std::int64_t available = (m_file.Size() - (position - 1)) / length;
    const std::int64_t count = std::min(wholeRecords, available);
    if (!sequential || count < 1) {
        if (!m_file.ReadInto(position, length, bytes))
            return std::nullopt;
        return std::string_view(bytes);
    }
    if (!m_block)
        m_block = MakePrefaultedBuffer(ReadAheadBytes);
    m_blockSize = 0;
    if (!m_file.ReadInto(position, count * length, m_block.get())) {
        if (!m_file.ReadInto(position, length, bytes))
            return std::nullopt;
        return std::string_view(bytes);
    }
    m_blockStart = position;
    m_blockSize = count * length;
    return std::string_view(m_block.get(), static_cast<std::size_t>(length));
}

std::int64_t TableDataFile::AreaAt(std::int64_t position) const
{
    const std::int64_t record = position < 1 ? 0 : (position - 1) / m_recordLength;
    const int lines = LineCount(m_code);
    if (ShapeOf(m_code) == TableShape::AreaRows || lines <= 0)
        return record + 1;
    return record / lines + 1;
}

std::string TableDataFile::RecordName(std::int64_t position) const
{
    std::string name = "its record for area " + std::to_string(AreaAt(position));
    const int lines = LineCount(m_code);
    if (ShapeOf(m_code) != TableShape::AreaRows && lines > 0) {
        const std::int64_t record = position < 1 ? 0 : (position - 1) / m_recordLength;
        name += ", line " + std::to_string(record % lines + 1);
    }
    return name;
}

Result<std::vector<std::string>> ReadLineTitles(const std::string &path, std::string_view code)
{
    return ReadTitleFile(path, code, false);
}

Result<std::vector<std::string>> ReadLineTitlesForExport(const std::string &path, std::string_view code)
{
    return ReadTitleFile(path, code, true);
}

std::optional<AreaRecord> ParseAreaRecord(std::string_view record)
{
    // "CC","NNNNNNNNNNNNNNNNNNNN","AAAA","R" then "\r\n" (which may be cut off).
    if (record.size() == AreaRecordLength) {
        if (!record.ends_with("\r\n"))
            return std::nullopt;
        record.remove_suffix(2);
    }
    if (record.size() != AreaRecordLength - 2)
        return std::nullopt;
    if (record[0] != '"' || record.substr(3, 3) != "\",\"" || record.substr(26, 3) != "\",\""
        || record.substr(33, 3) != "\",\"" || record[37] != '"')
        return std::nullopt;
    AreaRecord area;
    area.code = std::string(record.substr(1, 2));
    area.name = std::string(record.substr(6, 20));
    area.abbreviation = std::string(record.substr(29, 4));
    area.region = std::string(record.substr(36, 1));
    return area;
}

Result<std::vector<AreaRecord>> ReadAreaList(const std::string &path)
{
    auto file = OpenRecordFile(path, AreaRecordLength);
    if (!file)
        return NotReadable(path);
    std::vector<AreaRecord> areas;
    areas.reserve(AreaCount);
    for (int n = 1; n <= AreaCount; ++n) {
        const auto record = file->Read(n);
        if (!record) {
            return Failure::Damaged(path, "it holds " + std::to_string(n - 1) + " areas where "
                                              + std::to_string(AreaCount) + " are needed");
        }
        auto area = ParseAreaRecord(*record);
        if (!area)
            return Failure::Damaged(path, "its record for area " + std::to_string(n) + " is garbled");
        areas.push_back(std::move(*area));
    }
    return areas;
}

Result<AreaRecord> ReadAreaRecord(const std::string &path, int area)
{
    if (area < 1 || area > AreaCount)
        return Failure{FailureKind::Usage, path, "there is no area " + std::to_string(area)};
    auto file = OpenRecordFile(path, AreaRecordLength);
    if (!file)
        return NotReadable(path);
    const auto record = file->Read(area);
    if (!record)
        return Failure::Damaged(path, "it is too short for area " + std::to_string(area));
    auto parsed = ParseAreaRecord(*record);
    if (!parsed)
        return Failure::Damaged(path, "its record for area " + std::to_string(area) + " is garbled");
    return std::move(*parsed);
}

} // namespace tarvel
