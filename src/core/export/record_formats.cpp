#include "core/export/record_formats.h"

#include "core/catalog/table_catalog.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace tarvel {

namespace {

constexpr std::size_t FixedTitleWidth = 63;
constexpr std::size_t FixedAreaWidth = 25;
constexpr std::size_t FixedValueWidth = 10;

bool IsZr1(std::string_view code)
{
    return code == "ZR1";
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
    if (IsZr1(code))
        return {areaNameBox, lineTitleBox};
    return {lineTitleBox, areaNameBox};
}

std::string ShortestNumberText(double value)
{
    // A value read from a 10-character field is always finite; anything
    // else is written as nothing could be read from it.
    if (!std::isfinite(value) || value == 0.0)
        return "0";
    // Whole numbers below 10^15 are exact in a double and need no rounding.
    if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
        char whole[24];
        const auto end = std::to_chars(whole, whole + sizeof whole, static_cast<long long>(value)).ptr;
        return std::string(whole, end);
    }

    // 15 significant digits, rounded: "d.dddddddddddddde+XX".
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
    const std::string_view scientific(buffer);
    const std::size_t e = scientific.find('e');
    std::string digits;
    digits += scientific[0];
    digits += scientific.substr(2, e - 2);
    const int exponent = std::atoi(buffer + e + 1);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string text = value < 0 ? "-" : "";
    if (exponent >= 15 || exponent < -15) {
        text += digits[0];
        if (digits.size() > 1) {
            text += '.';
            text.append(digits, 1, std::string::npos);
        }
        text += exponent < 0 ? "E-" : "E+";
        text += std::to_string(std::abs(exponent));
    } else if (exponent >= 0) {
        const std::size_t whole = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= whole) {
            text += digits;
            text.append(whole - digits.size(), '0');
        } else {
            text.append(digits, 0, whole);
            text += '.';
            text.append(digits, whole, std::string::npos);
        }
    } else {
        // Below 1: no zero before the point (".5").
        text += '.';
        text.append(static_cast<std::size_t>(-exponent - 1), '0');
        text += digits;
    }
    return text;
}

std::string FitLeft(std::string_view text, std::size_t width)
{
    std::string fitted(text.substr(0, width));
    fitted.resize(width, ' ');
    return fitted;
}

std::string FitRight(std::string_view text, std::size_t width)
{
    if (text.size() >= width)
        return std::string(text.substr(0, width));
    return std::string(width - text.size(), ' ') + std::string(text);
}

RecordLayout::RecordLayout(ExportFormat format, bool quotes, std::string code, TextColumns columns,
                           std::vector<int> quarters, bool unsuppressed)
    : m_format(format)
    , m_code(std::move(code))
    , m_columns(columns)
    , m_quarters(std::move(quarters))
    , m_unsuppressed(unsuppressed)
{
    switch (m_format) {
    case ExportFormat::Comma:
        m_delimiter = ",";
        m_extension = ".csv";
        break;
    case ExportFormat::Space:
        m_delimiter = " ";
        m_extension = ".prn";
        break;
    case ExportFormat::Tab:
        m_delimiter = "\t";
        m_extension = ".txt";
        break;
    case ExportFormat::Fixed:
        m_extension = ".prn";
        break;
    case ExportFormat::Workbook:
        m_extension = ".xlsx";
        break;
    }
    if (quotes && m_format != ExportFormat::Fixed && m_format != ExportFormat::Workbook)
        m_quote = "\"";
    m_joiner = m_quote + m_delimiter + m_quote;
    if (!m_quarters.empty())
        m_firstLabel = QuarterLabel(m_quarters.front(), m_code);
}

std::string RecordLayout::Header() const
{
    // For ZR1 the line titles are the areas' names, so the headings swap too.
    const char *titleHeading = IsZr1(m_code) ? "State Name" : "Line Title";
    const char *areaHeading = IsZr1(m_code) ? "Line Title" : "State Name";
    std::string header;
    if (m_format == ExportFormat::Fixed) {
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

void RecordLayout::AppendValue(std::string &out, const DataRecord &record, int quarter) const
{
    const char flag = record.Flag(quarter);
    if (flag != '0' && !m_unsuppressed) {
        out += m_quote;
        out += flag == '1' ? "(D)" : "(N)";
        out += m_quote;
        return;
    }
    out += ShortestNumberText(record.Value(quarter));
}

void RecordLayout::AppendRecord(std::string &out, const DataRecord &record, std::string_view lineTitle,
                                std::string_view areaCaption) const
{
    if (m_format == ExportFormat::Fixed) {
        out += FitLeft(record.areaCode, 2);
        out += FitLeft(record.regionCode, 1);
        out += FitRight(m_code, 4);
        out += LineCodeDigits(record.lineCode.substr(0, 4));
        out += m_firstLabel;
        if (m_columns.lineTitle)
            out += FitLeft(lineTitle, FixedTitleWidth);
        if (m_columns.areaName)
            out += FitLeft(areaCaption, FixedAreaWidth);
        // The stored text, whatever the flag says: no "(D)" or "(N)" here.
        for (const int quarter : m_quarters)
            out += FitLeft(record.ValueText(quarter), FixedValueWidth);
        out += ' ';
        for (const int quarter : m_quarters)
            out += record.Flag(quarter);
        return;
    }

    out += m_quote;
    out += FitLeft(record.areaCode, 2);
    out += m_joiner;
    out += FitLeft(record.regionCode, 1);
    out += m_joiner;
    out += m_code;
    out += m_joiner;
    out += FitLeft(record.lineCode, 4);
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
    for (const int quarter : m_quarters) {
        out += m_delimiter;
        AppendValue(out, record, quarter);
    }
    // The apostrophe keeps a spreadsheet from reading the flags as a number.
    out += m_delimiter;
    out += m_quote;
    out += '\'';
    for (const int quarter : m_quarters)
        out += record.Flag(quarter);
    out += m_quote;
}

std::vector<std::string> RecordLayout::HeaderCells() const
{
    std::vector<std::string> cells{"State FIPS", "Region Code", "Table", "Line Code", "First Year.Quarter"};
    if (m_columns.lineTitle)
        cells.emplace_back(IsZr1(m_code) ? "State Name" : "Line Title");
    if (m_columns.areaName)
        cells.emplace_back(IsZr1(m_code) ? "Line Title" : "State Name");
    for (const int quarter : m_quarters)
        cells.push_back(QuarterLabel(quarter, m_code));
    cells.emplace_back("DISCL");
    return cells;
}

void RecordLayout::AppendCells(std::vector<RecordCell> &out, const DataRecord &record, std::string_view lineTitle,
                               std::string_view areaCaption) const
{
    const auto text = [&out](std::string value) { out.push_back({RecordCell::Kind::Text, std::move(value), 0}); };
    text(FitLeft(record.areaCode, 2));
    text(FitLeft(record.regionCode, 1));
    text(m_code);
    text(FitLeft(record.lineCode, 4));
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
        out.push_back({RecordCell::Kind::Number, ShortestNumberText(record.Value(quarter)), flag != '0' ? flag : '\0'});
    }
    text(std::move(flags));
}

std::string RecordLayout::FootnoteLine(std::string_view line) const
{
    return m_quote + std::string(line) + m_quote;
}

} // namespace tarvel
