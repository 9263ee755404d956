#include "core/export/record_formats.h"

#include "core/catalog/copy_text.h"
#include "core/catalog/table_catalog.h"
#include "core/export/record_formats_fast.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <span>
#include <type_traits>
#include <utility>

namespace tarvel {

namespace {

constexpr std::size_t FixedTitleWidth = 63;
constexpr std::size_t FixedAreaWidth = 25;
constexpr std::size_t FixedValueWidth = 10;

// text cut to width or filled with blanks on the right, appended to out.
void AppendLeft(std::string &out, std::string_view text, std::size_t width)
{
    const std::size_t kept = std::min(text.size(), width);
    out.append(text.data(), kept);
    out.append(width - kept, ' ');
}

// The line code of a fixed-length record: the field read as a number and
// written with four digits ("10" gives "0010"). A number that cannot stand
// in the four characters of the field is held to its range.
std::string LineCodeDigits(std::string_view lineCode)
{
    const double number = std::clamp(ReadLeadingNumber(lineCode), -999.0, 9999.0);
    const long whole = std::lround(number);
    const std::string digits = std::to_string(whole < 0 ? -whole : whole);
    const std::size_t width = whole < 0 ? 3 : 4;
    const std::string zeros(digits.size() < width ? width - digits.size() : 0, '0');
    return (whole < 0 ? "-" : "") + zeros + digits;
}

} // namespace

TextColumns PresentColumns(std::string_view code, bool lineTitleBox, bool areaNameBox)
{
    if (ShapeOf(code) == TableShape::AreaRows)
        return {areaNameBox, lineTitleBox};
    return {lineTitleBox, areaNameBox};
}

void AppendShortestNumber(std::string &out, double value)
{
    // A value read from a 10-character field is always finite; anything
    // else is written as nothing could be read from it.
    if (!std::isfinite(value) || value == 0.0) {
        out += '0';
        return;
    }
    char buffer[48];
    char *const bufferEnd = buffer + sizeof buffer;
    // Whole numbers below 10^15 are exact in a double and need no rounding.
    if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
        const char *end = std::to_chars(buffer, bufferEnd, static_cast<long long>(value)).ptr;
        out.append(buffer, static_cast<std::size_t>(end - buffer));
        return;
    }

    // 15 significant digits, rounded. The shortest text that reads back as
    // the same double is that rounding whenever it has at most 15 digits
    // (the double lies nearer to it than to any other 15-digit number);
    // otherwise the digits are rounded to 15 ("d.dddddddddddddde+XX").
    const double magnitude = std::fabs(value);
    char *end = std::to_chars(buffer, bufferEnd, magnitude, std::chars_format::scientific).ptr;
    char digits[24];
    std::size_t count = 0;
    const char *p = buffer;
    for (; p < end && *p != 'e'; ++p) {
        if (*p != '.' && count < sizeof digits)
            digits[count++] = *p;
    }
    // Below the smallest normal double the digits thin out and the rule no
    // longer holds.
    if (count > 15 || magnitude < std::numeric_limits<double>::min()) {
        end = std::to_chars(buffer, bufferEnd, magnitude, std::chars_format::scientific, 14).ptr;
        count = 0;
        for (p = buffer; p < end && *p != 'e'; ++p) {
            if (*p != '.')
                digits[count++] = *p;
        }
    }
    // The exponent: 'e', a sign, two or three digits.
    int exponent = 0;
    const bool negativeExponent = p + 1 < end && p[1] == '-';
    for (const char *q = p + 2; q < end; ++q)
        exponent = exponent * 10 + (*q - '0');
    if (negativeExponent)
        exponent = -exponent;
    while (count > 1 && digits[count - 1] == '0')
        --count;

    if (value < 0)
        out += '-';
    if (exponent >= 15 || exponent < -15) {
        out += digits[0];
        if (count > 1) {
            out += '.';
            out.append(digits + 1, count - 1);
        }
        out += exponent < 0 ? "E-" : "E+";
        const char *exponentEnd = std::to_chars(buffer, bufferEnd, exponent < 0 ? -exponent : exponent).ptr;
        out.append(buffer, static_cast<std::size_t>(exponentEnd - buffer));
    } else if (exponent >= 0) {
        const std::size_t whole = static_cast<std::size_t>(exponent) + 1;
        if (count <= whole) {
            out.append(digits, count);
            out.append(whole - count, '0');
        } else {
            out.append(digits, whole);
            out += '.';
            out.append(digits + whole, count - whole);
        }
    } else {
        // Below 1: no zero before the point (".5").
        out += '.';
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out.append(digits, count);
    }
}

std::string ShortestNumberText(double value)
{
    std::string text;
    AppendShortestNumber(text, value);
    return text;
}

namespace {

bool IsDigitByte(char c)
{
    return static_cast<unsigned char>(c - '0') <= 9;
}


// Writes the number a value field holds at p as it stands when that is
// already its shortest form and nothing but blanks follows it; returns the
// end, or nullptr (nothing written) when the field needs the number's own
// formatting or is not a number.
char *PutFieldAsWritten(char *p, std::string_view valueText)
{
    const char *s = valueText.data();
    const char *const end = s + valueText.size();
    while (s != end && (*s == ' ' || *s == '\t'))
        ++s;
    const char *const start = s;
    if (s != end && *s == '-')
        ++s;
    if (s == end || static_cast<unsigned char>(*s - '1') > 8)
        return nullptr;
    const char *const whole = s;
    while (s != end && IsDigitByte(*s))
        ++s;
    auto digits = static_cast<std::size_t>(s - whole);
    if (s != end && *s == '.') {
        const char *const decimals = ++s;
        while (s != end && IsDigitByte(*s))
            ++s;
        if (s == decimals || s[-1] == '0')
            return nullptr; // no digit after the point, or a trailing zero of the decimals
        digits += static_cast<std::size_t>(s - decimals);
    }
    // An exponent (or anything the number reader might take further) is
    // left to the number's own formatting.
    if (digits > 15 || (s != end && (*s == '.' || *s == 'E' || *s == 'e')))
        return nullptr;
    const char *const numberEnd = s;
    while (s != end && (*s == ' ' || *s == '\t'))
        ++s;
    if (s != end)
        return nullptr;
    return CopyText(p, std::string_view(start, static_cast<std::size_t>(numberEnd - start)));
}

char *Put(char *p, std::string_view text)
{
    std::memcpy(p, text.data(), text.size());
    return p + text.size();
}

} // namespace

char *PutNumberText(char *p, std::string_view text)
{
    if (char *end = PutFieldAsWritten(p, text))
        return end;
    if (!IsValueNumber(text))
        return nullptr;
    std::string number;
    AppendShortestNumber(number, ReadLeadingNumber(text));
    return Put(p, number);
}

namespace {

// The most one value of a delimited record takes: a delimiter and the
// longest shortest form ("-.000000000000001234567890123456" is 32).
constexpr std::size_t MaxValueBytes = 40;

} // namespace

bool AppendFieldAsWritten(std::string &out, std::string_view valueText)
{
    const std::size_t at = out.size();
    out.resize(at + valueText.size());
    const char *end = PutFieldAsWritten(out.data() + at, valueText);
    out.resize(end ? static_cast<std::size_t>(end - out.data()) : at);
    return end != nullptr;
}

bool AppendValueNumber(std::string &out, std::string_view valueText)
{
    if (AppendFieldAsWritten(out, valueText))
        return true;
    if (!IsValueNumber(valueText))
        return false;
    AppendShortestNumber(out, ReadLeadingNumber(valueText));
    return true;
}

std::string FitLeft(std::string_view text, std::size_t width)
{
    std::string fitted(text.substr(0, width));
    fitted.resize(width, ' ');
    return fitted;
}

RecordLayout::RecordLayout(ExportFormat format, bool quotes, std::string code, TextColumns columns,
                           std::vector<int> quarters, bool unsuppressed)
    : m_format(format)
    , m_kind(FormatInfo(format).Kind)
    , m_code(std::move(code))
    , m_columns(columns)
    , m_quarters(std::move(quarters))
    , m_unsuppressed(unsuppressed)
{
    const ExportFormatInfo &info = FormatInfo(m_format);
    m_delimiter = info.Delimiter;
    m_extension = info.Extension;
    if (quotes && info.Quotes)
        m_quote = "\"";
    m_joiner = m_quote + m_delimiter + m_quote;
    if (!m_quarters.empty())
        m_firstLabel = QuarterLabel(m_quarters.front(), m_code);
}

std::string RecordLayout::Header() const
{
    const ExportColumnNames headings = ExportColumnHeadings(m_code);
    const std::string titleHeading(headings.LineTitle);
    const std::string areaHeading(headings.AreaName);
    std::string header;
    if (m_kind == RecordKind::FixedLength) {
        header = "SSRTTTTLLLLYYYY.Q";
        if (m_columns.lineTitle)
            header += FitLeft(titleHeading, FixedTitleWidth);
        if (m_columns.areaName)
            header += FitLeft(areaHeading, FixedAreaWidth);
        for (const int quarter : m_quarters)
            header += FitLeft(QuarterLabel(quarter, m_code), FixedValueWidth);
        header += " DISCL";
        return header;
    }

    const std::string &q = m_quote;
    const std::string &d = m_delimiter;
    const std::string &j = m_joiner;
    header = q + "State FIPS" + j + "Region Code" + j + "Table" + j + "Line Code" + j + "First Year.Quarter" + q;
    if (m_columns.lineTitle)
        header += d + q + titleHeading + q;
    if (m_columns.areaName)
        header += d + q + areaHeading + q;
    for (const int quarter : m_quarters)
        header += d + q + QuarterLabel(quarter, m_code) + q;
    header += d + q + "DISCL" + q;
    return header;
}

template <typename Record>
char *RecordLayout::PutValue(char *p, const Record &record, int quarter) const
{
    const char flag = record.Flag(quarter);
    if (flag != '0' && !m_unsuppressed) {
        p = Put(p, m_quote);
        p = Put(p, flag == '1' ? "(D)" : "(N)");
        return Put(p, m_quote);
    }
    // Most fields already hold the shortest form; the rest are read as a
    // number and written again.
    const std::string_view text = record.ValueText(quarter);
    if (char *end = fast::PutPlainNumber(p, text, record.end))
        return end;
    return PutNumberText(p, text);
}

int RecordLayout::AppendRecord(std::string &out, const DataRecordView &record, std::string_view lineTitle,
                               std::string_view areaCaption) const
{
    return AppendRecordOf(out, record, lineTitle, areaCaption);
}

int RecordLayout::AppendRecord(std::string &out, const TenByteRecordView &record, std::string_view lineTitle,
                               std::string_view areaCaption) const
{
    return AppendRecordOf(out, record, lineTitle, areaCaption);
}

template <typename Record>
int RecordLayout::AppendRecordOf(std::string &out, const Record &record, std::string_view lineTitle,
                                 std::string_view areaCaption) const
{
    constexpr bool tenByte = std::is_same_v<Record, TenByteRecordView>;
    if (m_kind == RecordKind::FixedLength) {
        AppendLeft(out, record.Field(0), 2);
        AppendLeft(out, record.Field(1), 1);
        if (m_code.size() < 4)
            out.append(4 - m_code.size(), ' ');
        out.append(m_code, 0, 4);
        out += LineCodeDigits(record.Field(3).substr(0, 4));
        out += m_firstLabel;
        if (m_columns.lineTitle)
            AppendLeft(out, lineTitle, FixedTitleWidth);
        if (m_columns.areaName)
            AppendLeft(out, areaCaption, FixedAreaWidth);
        // The stored text, whatever the flag says: no "(D)" or "(N)" here.
        // Blanks first, then each value over its own, then the flags. A value
        // the other formats write as a number must be one here too.
        const std::size_t at = out.size();
        out.append(m_quarters.size() * (FixedValueWidth + 1) + 1, ' ');
        char *p = out.data() + at;
        if constexpr (tenByte) {
            // A record that holds every quarter asked for, read where its
            // fields stand.
            if (fast::PutFixedValues(p, record, m_quarters, m_unsuppressed))
                return 0;
        }
        for (const int quarter : m_quarters) {
            const std::string_view text = record.ValueText(quarter);
            if ((m_unsuppressed || record.Flag(quarter) == '0') && !fast::IsNumberShape(text, record.end)
                && !IsValueNumber(text))
                return quarter;
            CopyText(p, text.substr(0, FixedValueWidth));
            p += FixedValueWidth;
        }
        ++p;
        for (const int quarter : m_quarters)
            *p++ = record.Flag(quarter);
        return 0;
    }

    out += m_quote;
    AppendLeft(out, record.Field(0), 2);
    out += m_joiner;
    AppendLeft(out, record.Field(1), 1);
    out += m_joiner;
    out += m_code;
    out += m_joiner;
    AppendLeft(out, record.Field(3), 4);
    out += m_joiner;
    out += m_firstLabel;
    out += m_quote;
    if (m_columns.lineTitle) {
        out += m_delimiter;
        out += m_quote;
        out += lineTitle;
        out += m_quote;
    }
    if (m_columns.areaName) {
        out += m_delimiter;
        out += m_quote;
        out += areaCaption;
        out += m_quote;
    }
    // The values are written straight into a block with room for the
    // longest, some quarters at a time, and appended in one piece.
    constexpr std::size_t Quarters = 64;
    char block[Quarters * MaxValueBytes];
    // A record that holds every quarter asked for, with a one-byte
    // delimiter, takes the quick loop over its values.
    for (std::size_t k = 0; k < m_quarters.size(); k += Quarters) {
        const std::span<const int> some(m_quarters.data() + k, std::min(m_quarters.size() - k, Quarters));
        char *p = fast::PutDelimitedValues(block, record, some, m_delimiter, m_quote, m_unsuppressed);
        if (!p) {
            p = block;
            for (const int quarter : some) {
                p = Put(p, m_delimiter);
                p = PutValue(p, record, quarter);
                if (!p)
                    return quarter;
            }
        }
        out.append(block, static_cast<std::size_t>(p - block));
    }
    // The apostrophe keeps a spreadsheet from reading the flags as a number.
    out += m_delimiter;
    out += m_quote;
    out += '\'';
    const std::size_t at = out.size();
    out.append(m_quarters.size(), ' ');
    char *flagsOut = out.data() + at;
    for (const int quarter : m_quarters)
        *flagsOut++ = record.Flag(quarter);
    out += m_quote;
    return 0;
}

std::vector<std::string> RecordLayout::HeaderCells() const
{
    std::vector<std::string> cells{"State FIPS", "Region Code", "Table", "Line Code", "First Year.Quarter"};
    const ExportColumnNames headings = ExportColumnHeadings(m_code);
    if (m_columns.lineTitle)
        cells.emplace_back(headings.LineTitle);
    if (m_columns.areaName)
        cells.emplace_back(headings.AreaName);
    for (const int quarter : m_quarters)
        cells.push_back(QuarterLabel(quarter, m_code));
    cells.emplace_back("DISCL");
    return cells;
}

int RecordLayout::AppendCells(std::vector<RecordCell> &out, const DataRecordView &record,
                              std::string_view lineTitle, std::string_view areaCaption) const
{
    const auto text = [&out](std::string value) { out.push_back({RecordCell::Kind::Text, std::move(value), 0}); };
    text(FitLeft(record.Field(0), 2));
    text(FitLeft(record.Field(1), 1));
    text(m_code);
    text(FitLeft(record.Field(3), 4));
    text(m_firstLabel);
    if (m_columns.lineTitle)
        text(std::string(lineTitle));
    if (m_columns.areaName)
        text(std::string(areaCaption));
    std::string flags;
    for (const int quarter : m_quarters) {
        const char flag = record.Flag(quarter);
        flags += flag;
        if (flag != '0' && !m_unsuppressed) {
            text(flag == '1' ? "(D)" : "(N)");
            continue;
        }
        const std::string_view field = record.ValueText(quarter);
        std::string number;
        if (!AppendValueNumber(number, field))
            return quarter;
        out.push_back({RecordCell::Kind::Number, std::move(number), flag != '0' ? flag : '\0'});
    }
    text(std::move(flags));
    return 0;
}

std::string RecordLayout::FootnoteLine(std::string_view line) const
{
    if (m_quote.empty())
        return std::string(line);
    // Inside quotes a quote of the line is doubled, so a spreadsheet reads
    // the line as one text ("see ""Derivation"" below").
    std::string quoted = m_quote;
    for (const char c : line) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + m_quote;
}

} // namespace tarvel
