#include "core/catalog/data_files.h"

#include "core/catalog/output_target.h"
#include "core/catalog/table_catalog.h"
#include "core/catalog/text_helpers.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <exception>
#include <filesystem>
#include <memory>
#include <system_error>
#include <cstring>
#include <sys/stat.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarvel {
namespace {

constexpr int LineTitleRecordLength = 68;
constexpr std::size_t ValueTextLength = 10;
// Far above the longest record of any table (ZR1's, some 2,500 bytes).
constexpr std::size_t MaxRecordLength = 1000000;

// 10^0 .. 10^15, each exact in a double.
constexpr double PowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

std::size_t SkipDigits(std::string_view text, std::size_t i)
{
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    return i;
}

// Splits a record's body (its line end cut off) at its commas into fields;
// false when a line end stands inside it. One pass: sixteen bytes at a
// time, a mask of the commas among them taken bit by bit (fields are
// short, so most blocks hold one or two).
bool SplitBody(std::string_view body, std::vector<std::string_view> &fields)
{
    fields.clear();
    const char *const first = body.data();
    const std::size_t size = body.size();
    std::size_t begin = 0;
    std::size_t i = 0;
    bool lineEnd = false;
#if defined(__SSE2__)
    const __m128i comma = _mm_set1_epi8(',');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    __m128i ends = _mm_setzero_si128();
    for (; i + 16 <= size; i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(first + i));
        ends = _mm_or_si128(ends, _mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf)));
        auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, comma)));
        while (mask != 0) {
            const std::size_t at = i + static_cast<std::size_t>(std::countr_zero(mask));
            fields.emplace_back(first + begin, at - begin);
            begin = at + 1;
            mask &= mask - 1;
        }
    }
    lineEnd = _mm_movemask_epi8(ends) != 0;
#endif
    for (; i < size; ++i) {
        const char c = first[i];
        if (c == ',') {
            fields.emplace_back(first + begin, i - begin);
            begin = i + 1;
        } else if (c == '\r' || c == '\n') {
            lineEnd = true;
        }
    }
    fields.emplace_back(first + begin, size - begin);
    return !lineEnd;
}

// The commas of a record's body, and whether a line end stands in it, in
// one pass: sixteen bytes at a time, the commas counted in byte lanes that
// are summed before any can overflow.
std::size_t CountCommas(std::string_view body, bool &lineEnd)
{
    const char *const first = body.data();
    const std::size_t size = body.size();
    std::size_t commas = 0;
    std::size_t i = 0;
    lineEnd = false;
#if defined(__SSE2__)
    const __m128i comma = _mm_set1_epi8(',');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    __m128i ends = _mm_setzero_si128();
    while (i + 16 <= size) {
        // A lane counts at most 255 commas: one from each of 255 blocks.
        const std::size_t stop = std::min(size - 15, i + 255 * 16);
        __m128i lanes = _mm_setzero_si128();
        for (; i < stop; i += 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(first + i));
            lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(block, comma));
            ends = _mm_or_si128(ends, _mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf)));
        }
        const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
        commas += static_cast<std::size_t>(_mm_cvtsi128_si32(sums))
            + static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
    }
    lineEnd = _mm_movemask_epi8(ends) != 0;
#endif
    for (; i < size; ++i) {
        const char c = first[i];
        commas += c == ',';
        lineEnd |= c == '\r' || c == '\n';
    }
    return commas;
}

Failure TooFewTitles(const std::string &path, std::size_t found, int wanted)
{
    return Failure::Damaged(path, "it holds " + std::to_string(found) + " line titles where the table has "
                                      + std::to_string(wanted) + " lines");
}

// The title field (or the code field) of each 68-byte record, line 1 first;
// ZR1's file is plain lines instead.
enum class TitlePart { Title, TitleWithBlanks, Code };

Result<std::vector<std::string>> ReadTitleFile(const std::string &path, std::string_view code, TitlePart part)
{
    const int lines = LineCount(code);
    std::vector<std::string> result;
    if (code == "ZR1") {
        auto in = OpenTextForInput(path);
        if (!in)
            return Failure::NotAccessible(path);
        if (part == TitlePart::Code)
            return result;
        std::string line;
        while (static_cast<int>(result.size()) < lines) {
            const LineRead read = ReadBoundedLine(*in, line, MaxRecordLength);
            if (read == LineRead::TooLong)
                return Failure::Damaged(path, "its line " + std::to_string(result.size() + 1) + " is too long");
            if (read == LineRead::End)
                break;
            result.push_back(part == TitlePart::Title ? TrimRight(line) : line);
        }
        if (static_cast<int>(result.size()) < lines)
            return TooFewTitles(path, result.size(), lines);
        return result;
    }

    auto file = OpenRecordFile(path, LineTitleRecordLength);
    if (!file)
        return Failure::NotAccessible(path);
    for (int n = 1; n <= lines; ++n) {
        const auto record = file->Read(n);
        if (!record)
            return TooFewTitles(path, result.size(), lines);
        // Without its line end a record is 66 bytes: quote, code (4),
        // quote-comma-quote, title (57), quote.
        if (record->size() != LineTitleRecordLength - 2 || record->find_first_of("\r\n") != std::string::npos)
            return Failure::Damaged(path, "its records are not 68 bytes long");
        switch (part) {
        case TitlePart::Title:
        case TitlePart::TitleWithBlanks:
            result.push_back(TrimRight(record->substr(8, 57)));
            break;
        case TitlePart::Code:
            result.push_back(record->substr(1, 4));
            break;
        }
    }
    return result;
}

} // namespace

std::string ResolveDataFile(const DataPaths &paths, std::string_view name)
{
    // An empty program folder would look in the working directory.
    if (!paths.ProgramFolder.empty()) {
        std::string inProgram = paths.ProgramFolder + std::string(name);
        if (FileExists(inProgram))
            return inProgram;
    }
    return paths.DataFolder + std::string(name);
}

std::string ResolveTableFile(const DataPaths &paths, std::string_view name)
{
    if (paths.Unsuppressed)
        return paths.DataFolder + std::string(name);
    return ResolveDataFile(paths, name);
}

std::string TableDataFileName(const DataPaths &paths, std::string_view code)
{
    if (paths.Unsuppressed)
        return paths.DataFolder + std::string(code) + ".xxx";
    return ResolveDataFile(paths, std::string(code) + ".dfx");
}

std::string LineTitleFileName(const DataPaths &paths, std::string_view code)
{
    return ResolveTableFile(paths, std::string(code) + "line.csv");
}

std::string AreaListFileName(const DataPaths &paths)
{
    return ResolveTableFile(paths, "statcode.csv");
}

double ReadLeadingNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t start = i;
    // Plain digits (the usual value field) are summed as they are scanned:
    // exact up to 18 digits, where from_chars would give the same number.
    std::uint64_t whole = 0;
    while (i < text.size() && IsDigit(text[i])) {
        whole = whole * 10 + static_cast<std::uint64_t>(text[i] - '0');
        ++i;
    }
    if (i > start && i - start <= 18 && (i == text.size() || (text[i] != '.' && text[i] != 'E' && text[i] != 'e'))) {
        const double value = static_cast<double>(whole);
        return negative ? -value : value;
    }
    bool anyDigit = i > start;
    if (i + 1 < text.size() && text[i] == '.' && IsDigit(text[i + 1])) {
        // Digits, point, digits without an exponent (a value with decimals):
        // with at most 15 digits the digits and the power of ten are exact
        // doubles, so one division rounds as from_chars would.
        const std::size_t point = i;
        std::uint64_t mantissa = whole;
        i = point + 1;
        while (i < text.size() && IsDigit(text[i])) {
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(text[i] - '0');
            ++i;
        }
        const std::size_t decimals = i - point - 1;
        if (i - start - 1 <= 15 && (i == text.size() || (text[i] != 'E' && text[i] != 'e'))) {
            const double value = static_cast<double>(mantissa) / PowersOfTen[decimals];
            return negative ? -value : value;
        }
        anyDigit = true;
    }
    if (!anyDigit)
        return 0.0;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && IsDigit(text[j]))
            i = SkipDigits(text, j);
    }
    const std::string_view number = text.substr(start, i - start);
    double value = 0.0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    // A number beyond what a double holds (or below its smallest) reads 0.
    if (ec != std::errc() || end != number.data() + number.size())
        return 0.0;
    return negative ? -value : value;
}

bool IsValueNumber(std::string_view text)
{
    const auto blank = [&text](std::size_t i) { return i < text.size() && (text[i] == ' ' || text[i] == '\t'); };
    std::size_t i = 0;
    while (blank(i))
        ++i;
    if (i == text.size())
        return true;
    if (text[i] == '+' || text[i] == '-')
        ++i;
    // Digits, a point with digits, or both: as ReadLeadingNumber takes them.
    const std::size_t whole = i;
    i = SkipDigits(text, i);
    bool digits = i > whole;
    if (i + 1 < text.size() && text[i] == '.' && IsDigit(text[i + 1])) {
        i = SkipDigits(text, i + 1);
        digits = true;
    }
    if (!digits)
        return false;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        const std::size_t exponent = i;
        i = SkipDigits(text, i);
        if (i == exponent)
            return false;
    }
    while (blank(i))
        ++i;
    return i == text.size();
}

std::string DataRecord::ValueText(int k) const
{
    // Value fields stand between field 4 and the flag string (the last field).
    const long index = static_cast<long>(k) + 4;
    if (k < 1 || fields.size() < 2 || index >= static_cast<long>(fields.size()) - 1)
        return {};
    return fields[static_cast<std::size_t>(index)].substr(0, ValueTextLength);
}

double DataRecord::Value(int k) const
{
    return ReadLeadingNumber(ValueText(k));
}

char DataRecord::Flag(int k) const
{
    if (k < 1 || static_cast<std::size_t>(k) > flags.size())
        return ' ';
    return flags[static_cast<std::size_t>(k - 1)];
}

DataRecord ParseDataRecord(std::string_view bytes)
{
    while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r'))
        bytes.remove_suffix(1);
    DataRecord record;
    // One allocation for the fields: a ZR1 record holds about 250.
    record.fields.reserve(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), ',')) + 1);
    std::size_t begin = 0;
    while (true) {
        const std::size_t comma = bytes.find(',', begin);
        record.fields.emplace_back(bytes.substr(begin, comma == std::string_view::npos ? comma : comma - begin));
        if (comma == std::string_view::npos)
            break;
        begin = comma + 1;
    }
    const auto field = [&record](std::size_t i) {
        return i < record.fields.size() ? record.fields[i] : std::string();
    };
    record.areaCode = field(0);
    record.regionCode = field(1);
    record.lineCode = field(3);
    record.field4 = field(4);
    if (record.fields.size() > 1)
        record.flags = record.fields.back();
    return record;
}

void DataRecordView::Split(std::string_view bytes)
{
    while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r'))
        bytes.remove_suffix(1);
    SplitBody(bytes, fields);
    flags = fields.size() > 1 ? fields.back() : std::string_view();
    end = bytes.data() + bytes.size();
}

bool TenByteRecordView::Find(std::string_view record, std::size_t readable, int count)
{
    while (!record.empty() && (record.back() == '\n' || record.back() == '\r'))
        record.remove_suffix(1);
    if (count < 1)
        return false;
    std::size_t at = 0;
    for (std::size_t i = 0; i < leading.size(); ++i) {
        const std::size_t comma = record.find(',', at);
        if (comma == std::string_view::npos)
            return false;
        leading[i] = record.substr(at, comma - at);
        at = comma + 1;
    }
    // A comma after every ten bytes, and none in the flags: count ten-byte
    // value fields.
    const std::size_t flagsAt = at + Stride * static_cast<std::size_t>(count);
    if (flagsAt > record.size() || flagsAt - Stride + Readable > readable)
        return false;
    for (std::size_t comma = at + FieldWidth; comma < flagsAt; comma += Stride) {
        if (record[comma] != ',')
            return false;
    }
    // No comma in the flags: count was the record's own.
    if (record.find(',', flagsAt) != std::string_view::npos)
        return false;
    values = record.data() + at;
    quarterCount = count;
    flags = record.substr(flagsAt);
    end = record.data() + record.size();
    return true;
}

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
        return Failure::NotAccessible(path);
    // The first line gives the record length R. Read in pieces up to a
    // limit: a file without any line end (a huge sparse one, say) is never
    // read whole.
    std::string first;
    std::size_t end = std::string::npos;
    char piece[4096];
    for (std::int64_t at = 0; at < file->Size() && first.size() <= MaxRecordLength + 1;) {
        const std::int64_t count = std::min<std::int64_t>(sizeof piece, file->Size() - at);
        if (!file->ReadInto(at + 1, count, piece))
            return Failure::NotAccessible(path);
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

Result<std::string> TableDataFile::ReadBytesAt(std::int64_t position)
{
    std::string bytes;
    if (std::optional<Failure> failure = ReadBytesInto(position, bytes))
        return std::move(*failure);
    return bytes;
}

Result<std::string_view> TableDataFile::ReadWhole(std::int64_t position, std::string &bytes)
{
    const std::int64_t length = m_recordLength;
    const std::int64_t size = m_file.Size();
    const auto tooShort = [&] {
        // Name the area whose block the position falls in (ZR1: its line).
        const std::int64_t record = position < 1 ? 0 : (position - 1) / length;
        const int lines = LineCount(m_code);
        const std::int64_t area = (m_code == "ZR1" || lines <= 0) ? record + 1 : record / lines + 1;
        return Failure::Damaged(m_path, "it is too short for area " + std::to_string(area));
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

std::optional<Failure> TableDataFile::ReadBytesInto(std::int64_t position, std::string &bytes)
{
    std::string_view record;
    if (std::optional<Failure> failure = ReadRecordView(position, bytes, record))
        return failure;
    if (record.data() != bytes.data())
        bytes.assign(record);
    return std::nullopt;
}

std::optional<Failure> TableDataFile::ReadRecordView(std::int64_t position, std::string &scratch,
                                                     std::string_view &record)
{
    Result<std::string_view> whole = ReadWhole(position, scratch);
    if (!whole)
        return whole.Error();
    const std::string_view body = whole->substr(0, whole->size() - 2);
    bool lineEnd = false;
    const std::size_t fields = CountCommas(body, lineEnd) + 1;
    if (std::optional<Failure> failure = CheckBody(position, lineEnd, fields))
        return failure;
    record = *whole;
    return std::nullopt;
}

std::optional<Failure> TableDataFile::ReadFieldsInto(std::int64_t position, std::string &bytes,
                                                     DataRecordView &fields)
{
    Result<std::string_view> record = ReadWhole(position, bytes);
    if (!record)
        return record.Error();
    // Split where the record lies, in the block read ahead or in bytes.
    const std::string_view body = record->substr(0, record->size() - 2);
    const bool clean = SplitBody(body, fields.fields);
    fields.flags = fields.fields.size() > 1 ? fields.fields.back() : std::string_view();
    fields.end = body.data() + body.size();
    return CheckBody(position, !clean, fields.fields.size());
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

Failure TableDataFile::ValueNotANumber(std::int64_t position, int quarter) const
{
    return Failure::Damaged(m_path, RecordName(position) + " holds a value for " + QuarterLabel(quarter, m_code)
                                        + " that is not a number");
}

std::string TableDataFile::RecordName(std::int64_t position) const
{
    const std::int64_t record = position < 1 ? 0 : (position - 1) / m_recordLength;
    const int lines = LineCount(m_code);
    if (m_code == "ZR1" || lines <= 0)
        return "its record for area " + std::to_string(record + 1);
    return "its record for area " + std::to_string(record / lines + 1) + ", line " + std::to_string(record % lines + 1);
}

Result<DataRecord> TableDataFile::ReadRecordAt(std::int64_t position)
{
    auto bytes = ReadBytesAt(position);
    if (!bytes)
        return bytes.Error();
    return ParseDataRecord(*bytes);
}

Result<std::vector<std::string>> ReadLineTitles(const std::string &path, std::string_view code)
{
    return ReadTitleFile(path, code, TitlePart::Title);
}

Result<std::vector<std::string>> ReadLineTitlesForExport(const std::string &path, std::string_view code)
{
    return ReadTitleFile(path, code, TitlePart::TitleWithBlanks);
}

Result<std::vector<std::string>> ReadLineTitleCodes(const std::string &path, std::string_view code)
{
    return ReadTitleFile(path, code, TitlePart::Code);
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
        return Failure::NotAccessible(path);
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
        return Failure::NotAccessible(path);
    const auto record = file->Read(area);
    if (!record)
        return Failure::Damaged(path, "it is too short for area " + std::to_string(area));
    auto parsed = ParseAreaRecord(*record);
    if (!parsed)
        return Failure::Damaged(path, "its record for area " + std::to_string(area) + " is garbled");
    return std::move(*parsed);
}

std::string AreaCaption(const DataPaths &paths, std::string_view tableCode, int currentArea, MessageSink &sink)
{
    if (tableCode == "ZR1")
        return "Personal Income";
    const auto area = ReadAreaRecord(AreaListFileName(paths), currentArea);
    if (!area) {
        ReportFailure(sink, area.Error());
        return {};
    }
    return Trim(area->name) + " [" + area->code + "]";
}

std::string AreaAbbreviation(const DataPaths &paths, int area, MessageSink &sink)
{
    const auto record = ReadAreaRecord(AreaListFileName(paths), area);
    if (!record) {
        ReportFailure(sink, record.Error());
        return {};
    }
    return Trim(record->abbreviation);
}

namespace {

namespace fs = std::filesystem;

// The file a name stands for: letter case found on disk, made absolute
// against the working folder and with links, "." and ".." resolved.
fs::path ResolvedFile(const std::string &name, std::error_code &ec)
{
    fs::path file = fs::absolute(ActualPath(name), ec);
    if (ec)
        return {};
    return fs::weakly_canonical(file, ec);
}

// The file an output name writes, resolved as ResolvedFile does: for "-"
// (or any name of it) the file the standard output leads to, for a link
// the file it names, also one it would make.
fs::path OutputFile(const std::string &output, std::error_code &ec)
{
    std::string name = output;
    if (Result<OutputTarget> target = FindOutputTarget(output)) {
        if (target->kind == OutputTarget::Kind::StandardOutput)
            name = "/proc/self/fd/1";
        else if (target->kind != OutputTarget::Kind::Special)
            name = target->path.string();
    }
    return ResolvedFile(name, ec);
}

// Whether a file in folder, under one of sortedNames (any letter case), is out:
// the same file (device and inode) by any way, a link, a hard link or a
// second mount of the folder, or a link that would make it. Each folder is
// listed once and only the entries of those names are looked at, so the
// check costs a few system calls, not a path resolution per name.
bool FolderHolds(const fs::path &folder, const std::vector<std::string> &sortedNames, const fs::path &out,
                 const struct stat *outStat)
{
    bool holds = false;
    std::string lower;
    ForEachName(folder.string(), [&](std::string_view name, bool mayBeLink) {
        // A missing out can only be made through a link.
        if (holds || (!mayBeLink && !outStat))
            return;
        lower.assign(name);
        for (char &c : lower) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        if (!std::binary_search(sortedNames.begin(), sortedNames.end(), lower))
            return;
        const fs::path entry = folder / std::string(name);
        struct stat st {};
        if (::stat(entry.c_str(), &st) == 0) {
            holds = outStat && st.st_dev == outStat->st_dev && st.st_ino == outStat->st_ino;
        } else {
            // A link whose file does not exist yet: writing out would make it.
            std::error_code ec;
            if (fs::is_symlink(entry, ec)) {
                const fs::path target = fs::weakly_canonical(entry, ec);
                holds = !ec && target == out;
            }
        }
    });
    return holds;
}

bool IsInput(const DataPaths &paths, const std::string &output, const std::vector<std::string> &otherFiles)
{
    std::error_code ec;
    const fs::path out = OutputFile(output, ec);
    if (ec || !out.has_filename())
        return false;

    struct stat outStat {};
    const bool outExists = ::stat(out.c_str(), &outStat) == 0;
    const std::string outName = ToLower(out.filename().string());
    const auto same = [&](const std::string &input) {
        const fs::path file = ResolvedFile(input, ec);
        if (!ec && file == out)
            return true;
        // The same file reached through a hard link under another name.
        return outExists && fs::exists(file, ec) && fs::equivalent(file, out, ec);
    };

    // An empty data folder reads its files from the working folder (a name
    // without a folder), so it is checked as that folder, never skipped.
    std::vector<std::string> folders{paths.DataFolder};
    if (!paths.ProgramFolder.empty())
        folders.push_back(paths.ProgramFolder);
    const std::vector<std::string> &names = ProgramInputNames();
    static const std::vector<std::string> sortedNames = [&names] {
        std::vector<std::string> sorted = names;
        std::sort(sorted.begin(), sorted.end());
        return sorted;
    }();
    for (const std::string &folder : folders) {
        const fs::path dir = ResolvedFile(folder.empty() ? std::string(".") : folder, ec);
        if (ec)
            continue;
        if (dir == out.parent_path() && std::binary_search(sortedNames.begin(), sortedNames.end(), outName))
            return true;
        if (FolderHolds(dir, sortedNames, out, outExists ? &outStat : nullptr))
            return true;
    }
    for (const std::string &other : otherFiles) {
        if (!other.empty() && same(other))
            return true;
    }
    return false;
}

} // namespace

const std::vector<std::string> &ProgramInputNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list{"statcode.csv", "zrformat.txt", "regions.txt", "q_readme.txt", "tarvel.hlp"};
        for (const std::string &code : TableCodes()) {
            for (const char *suffix : {".dfx", ".xxx", "line.csv", "fn.txt", ".doc"})
                list.push_back(ToLower(code + suffix));
        }
        return list;
    }();
    return names;
}

bool IsProgramInputFile(const DataPaths &paths, const std::string &output, const std::vector<std::string> &otherFiles)
{
    // A run checks its output name more than once (before it starts and as
    // it opens the output); the answer holds for the whole run.
    struct Answer {
        std::uint64_t run = 0;
        std::vector<std::string> asked;
        bool input = false;
    };
    thread_local Answer last;
    const std::uint64_t run = FolderListingScope::CurrentRun();
    std::vector<std::string> asked{paths.DataFolder, paths.ProgramFolder, output};
    asked.insert(asked.end(), otherFiles.begin(), otherFiles.end());
    if (run != 0 && last.run == run && last.asked == asked)
        return last.input;
    bool input = false;
    try {
        input = IsInput(paths, output, otherFiles);
    } catch (const std::exception &) {
        input = false;
    }
    if (run != 0)
        last = {run, std::move(asked), input};
    return input;
}

} // namespace tarvel
