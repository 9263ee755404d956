#pragma once

#include "core/catalog/data_files.h"
#include "core/export/export_formats.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

// The export record formats. Every record is single-byte text; the writer
// adds the "\r\n" after each one. Nothing inside a field is ever escaped
// (the fields never hold a double quote); only a quoted footnote line's are doubled.

/// One field of a record as a spreadsheet cell: the text the comma format
/// writes for it, without quotes.
struct RecordCell {
    enum class Kind { Text, Number };
    Kind kind = Kind::Text;
    std::string text; ///< Number: the comma format's number text (".5", "1E+15")
    char withheld = 0; ///< a number shown although withheld (unsuppressed): its flag; else 0
};

/// The text columns a record holds. For a table whose lines are the areas
/// (ZR1) the two boxes are exchanged: "Insert area names" gives the
/// line-title column (the areas' names) and "Insert line titles" the
/// area-name column ("Personal Income").
struct TextColumns {
    bool lineTitle = false;
    bool areaName = false;
};
TextColumns PresentColumns(std::string_view code, bool lineTitleBox, bool areaNameBox);

/// A value in the shortest form: no blanks or separators, a leading minus
/// for negatives, no point for whole numbers, ".5" for one half, at most 15
/// significant digits, and exponent form ("1E+15", "1.5E+16") from 10^15
/// up and below 10^-15 ("2.5E-20").
std::string ShortestNumberText(double value);
/// The same appended to out (no text of its own is made).
void AppendShortestNumber(std::string &out, double value);
/// Appends the number a value field holds as it stands when that is
/// already its shortest form ("1234.5", "-12"; not "0.5", "12.50", "1E5")
/// with nothing but blanks around it, and returns true; otherwise appends
/// nothing and returns false.
bool AppendFieldAsWritten(std::string &out, std::string_view valueText);
/// Appends the number a value text (a field's first 10 characters) holds
/// as the comma format writes it, its shortest form ("330226.7", "1E+15",
/// ".001"; "0" for blanks), and returns true; appends nothing and returns
/// false when the text is not a number (IsValueNumber).
bool AppendValueNumber(std::string &out, std::string_view valueText);

/// Writes at p the number a value text (a field's first 10 characters)
/// holds as the comma format writes it (AppendValueNumber), with room for
/// 40 bytes there; returns the end, or nullptr (nothing written) when the
/// text is not a number.
char *PutNumberText(char *p, std::string_view valueText);

/// text cut to width or filled with blanks on the right.
std::string FitLeft(std::string_view text, std::size_t width);

/// Builds the header and data records of one run: the format, quotes,
/// table, text columns and exported quarters are fixed when it is made.
class RecordLayout {
public:
    /// quarters: the exported quarter numbers in ascending order; the
    /// first is the record's "First Year.Quarter".
    RecordLayout(ExportFormat format, bool quotes, std::string code, TextColumns columns,
                 std::vector<int> quarters, bool unsuppressed);

    ExportFormat Format() const { return m_format; }
    RecordKind Kind() const { return m_kind; }
    /// The per-area files' extension (".csv").
    const std::string &Extension() const { return m_extension; }

    /// The header record, without its line end.
    std::string Header() const;
    /// Appends the data record of one table data line to out, without its
    /// line end. lineTitle is the list item's text, areaCaption the
    /// area's caption; each is used only when its column is present.
    /// Returns 0, or the first quarter whose value is written as a number
    /// (every format writes the same ones) and is not one (IsValueNumber):
    /// the record is damaged and out holds part of it.
    int AppendRecord(std::string &out, const DataRecordView &record, std::string_view lineTitle,
                     std::string_view areaCaption) const;
    /// The same record read where it stands (ten-byte value fields).
    int AppendRecord(std::string &out, const TenByteRecordView &record, std::string_view lineTitle,
                     std::string_view areaCaption) const;
    /// The header record's fields as the comma format writes them, unquoted.
    std::vector<std::string> HeaderCells() const;
    /// Appends the cells of one data record: the comma format's fields
    /// unquoted, values as numbers or the text "(D)" / "(N)", and the flags
    /// as text without the apostrophe (a text cell needs none). Returns 0,
    /// or the quarter whose value is not a number, as AppendRecord.
    int AppendCells(std::vector<RecordCell> &out, const DataRecordView &record, std::string_view lineTitle,
                    std::string_view areaCaption) const;
    /// One footnote line as written in the footnote block: Q + line + Q,
    /// each double quote of the line doubled when Q is one.
    std::string FootnoteLine(std::string_view line) const;

private:
    template <typename Record>
    int AppendRecordOf(std::string &out, const Record &record, std::string_view lineTitle,
                       std::string_view areaCaption) const;
    /// Writes the delimiter-less text of one value at p; returns its end,
    /// or nullptr when the value is not a number.
    template <typename Record>
    char *PutValue(char *p, const Record &record, int quarter) const;

    ExportFormat m_format;
    RecordKind m_kind;
    std::string m_code;
    TextColumns m_columns;
    std::vector<int> m_quarters;
    bool m_unsuppressed;
    std::string m_delimiter; // D
    std::string m_quote;     // Q
    std::string m_joiner;    // J = Q + D + Q
    std::string m_extension;
    std::string m_firstLabel;
};

} // namespace tarvel
