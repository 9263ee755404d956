#include "core/export/script_tables.h"

#include "core/catalog/data_files.h"
#include "core/catalog/table_catalog.h"
#include "core/catalog/text_helpers.h"
#include "core/export/record_formats.h"
#include "core/views/area_sort.h"
#include "core/views/computed_view.h"

#include <array>
#include <ostream>
#include <sstream>

namespace tarvel {

namespace {

constexpr std::array<std::pair<std::string_view, ListingFormat>, 3> Formats{{
    {"text", ListingFormat::Text},
    {"csv", ListingFormat::Csv},
    {"json", ListingFormat::Json},
}};

// The data files hold Latin-1; scripts read UTF-8.
void AppendUtf8(std::string &out, std::string_view latin1)
{
    for (const char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
}

void AppendCsvText(std::string &out, std::string_view text)
{
    out += '"';
    for (const char c : text) {
        if (c == '"')
            out += '"';
        AppendUtf8(out, std::string_view(&c, 1));
    }
    out += '"';
}

void AppendJsonText(std::string &out, std::string_view text)
{
    static constexpr char Hex[] = "0123456789abcdef";
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += "\\u00";
            out += Hex[byte >> 4];
            out += Hex[byte & 0xF];
        } else {
            AppendUtf8(out, std::string_view(&c, 1));
        }
    }
    out += '"';
}

void AppendCsvField(std::string &out, const ScriptField &field)
{
    if (field.Number)
        out += field.Text;
    else
        AppendCsvText(out, field.Text);
}

void AppendJsonField(std::string &out, const ScriptField &field)
{
    if (!field.Number)
        AppendJsonText(out, field.Text);
    else
        out += field.Text.empty() ? std::string_view("null") : std::string_view(field.Text);
}

// A value as stored (the comma export's number text) in JSON's grammar,
// which wants a digit before the point: ".5" is written 0.5.
void AppendJsonNumber(std::string &out, std::string_view number)
{
    if (number.empty()) {
        out += "null";
        return;
    }
    if (number.front() == '-') {
        out += '-';
        number.remove_prefix(1);
    }
    if (!number.empty() && number.front() == '.')
        out += '0';
    out += number;
}

// A flag as the grid shows it: "(D)" for '1', "(N)" for any other but '0'.
char FlagLetter(char flag)
{
    if (flag == '0')
        return '.';
    return flag == '1' ? 'D' : 'N';
}

Failure UsageFailure(std::string message)
{
    return {FailureKind::Usage, {}, std::move(message)};
}

} // namespace

std::optional<ListingFormat> ListingFormatNamed(std::string_view name)
{
    for (const auto &[word, format] : Formats) {
        if (word == name)
            return format;
    }
    return std::nullopt;
}

std::string ListingFormatNames(std::string_view separator)
{
    std::string names;
    for (const auto &[word, format] : Formats)
        names += (names.empty() ? "" : std::string(separator)) + std::string(word);
    return names;
}

std::string ListText(const ScriptList &list)
{
    std::string out;
    for (const std::vector<ScriptField> &record : list.Records) {
        for (std::size_t i = 0; i < record.size(); ++i) {
            if (i > 0)
                out += '\t';
            out += record[i].Text;
        }
        out += '\n';
    }
    return out;
}

std::string ListIn(ListingFormat format, std::string_view name, const ScriptList &list,
                   const std::vector<std::pair<std::string, ScriptField>> &leading)
{
    switch (format) {
    case ListingFormat::Text:
        return ListText(list);
    case ListingFormat::Csv:
        return ListCsv(list);
    case ListingFormat::Json:
        break;
    }
    return ListJson(name, list, leading);
}

std::string ListCsv(const ScriptList &list)
{
    std::string out;
    for (std::size_t i = 0; i < list.Names.size(); ++i) {
        if (i > 0)
            out += ',';
        AppendCsvText(out, list.Names[i]);
    }
    out += '\n';
    for (const std::vector<ScriptField> &record : list.Records) {
        for (std::size_t i = 0; i < record.size(); ++i) {
            if (i > 0)
                out += ',';
            AppendCsvField(out, record[i]);
        }
        out += '\n';
    }
    return out;
}

std::string ListJson(std::string_view name, const ScriptList &list,
                     const std::vector<std::pair<std::string, ScriptField>> &leading)
{
    std::string out = "{\n";
    for (const auto &[member, field] : leading) {
        out += "  ";
        AppendJsonText(out, member);
        out += ": ";
        AppendJsonField(out, field);
        out += ",\n";
    }
    out += "  ";
    AppendJsonText(out, name);
    out += ": [";
    for (std::size_t r = 0; r < list.Records.size(); ++r) {
        out += r == 0 ? "\n    {" : ",\n    {";
        const std::vector<ScriptField> &record = list.Records[r];
        for (std::size_t i = 0; i < record.size() && i < list.Names.size(); ++i) {
            if (i > 0)
                out += ", ";
            AppendJsonText(out, list.Names[i]);
            out += ": ";
            AppendJsonField(out, record[i]);
        }
        out += '}';
    }
    out += list.Records.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return out;
}

namespace {

// Appends the number cellText shows as plain digits (PlainNumber); false,
// with out unchanged, when it shows none.
bool AppendPlainNumber(std::string &out, std::string_view cellText)
{
    const char *p = cellText.data();
    const char *e = p + cellText.size();
    while (p < e && IsBlank(*p))
        ++p;
    while (e > p && IsBlank(e[-1]))
        --e;
    // A withheld value shown unsuppressed ends in " *".
    if (e - p > 1 && e[-1] == '*') {
        --e;
        while (e > p && IsBlank(e[-1]))
            --e;
    }
    // One pass over the text without its commas: an optional minus, digits,
    // then optionally a point and more digits (IsPlainNumber). The digits are
    // gathered aside and appended once: a listing holds thousands of them.
    std::array<char, 64> digits{};
    if (e - p > static_cast<std::ptrdiff_t>(digits.size()))
        return false;
    std::size_t count = 0;
    bool whole = false;
    bool point = false;
    for (; p < e; ++p) {
        const char c = *p;
        if (c == ',')
            continue;
        if (IsDigit(c))
            whole = whole || !point;
        else if (c == '.' && whole && !point)
            point = true;
        else if (!(c == '-' && count == 0))
            return false;
        digits[count++] = c;
    }
    if (!whole)
        return false;
    out.append(digits.data(), count);
    return true;
}

// The figures of other units than the published values, or nullptr.
const TableModel *ComputedModel(const Grid &grid)
{
    const TableModel *const model = grid.Model.get();
    return model && model->Unit != Units::Level ? model : nullptr;
}

// "Index, 2008.1 = 100": what the computed figures of model are.
std::string ComputedUnitsLabel(const TableModel &model)
{
    return UnitsLabel(model.Code, UnitsChoice{model.Unit, model.BaseQuarter}, model.Quarters);
}

// A computed row's values: each figure as the grid rounds it, without
// group commas ("1234.5"), and "" for a withheld one, whose flag it keeps.
void AppendComputedValues(ScriptRow &row, const ModelRow &modelRow, const UnitsEntry &entry)
{
    row.Values.reserve(modelRow.Figures.size());
    for (const Figure &figure : modelRow.Figures) {
        const bool withheld = figure.IsWithheld() || figure.State == FigureState::Confidential;
        // A computed figure is withheld with flag '1' or 'N', never '0'.
        row.Flags += withheld ? (figure.Flag == '0' ? 'N' : figure.Flag) : '0';
        row.Values.push_back(figure.IsWithheld() ? std::string() : PlainNumber(FigureText(entry, figure)));
    }
}

// The area list, whose codes a grid whose rows are the areas gives its
// rows; nothing to read for another grid.
Result<std::vector<AreaRecord>> AreasOfRows(const DataPaths &paths, bool areaRows)
{
    if (!areaRows)
        return std::vector<AreaRecord>{};
    return ReadAreaList(AreaListFileName(paths));
}

} // namespace

std::string PlainNumber(std::string_view cellText)
{
    std::string digits;
    AppendPlainNumber(digits, cellText);
    return digits;
}

Result<std::vector<ScriptRow>> ReadScriptRows(const DataPaths &paths, const Grid &grid)
{
    const std::string &code = grid.Code;
    if (LineCount(code) == 0)
        return UsageFailure("the grid shows no table of the catalog");
    const bool areaRows = GridRowsAreAreas(grid);
    const bool oneLine = grid.Tag == ChildKind::SOL;
    const RowLayout layout = areaRows ? AreaRowLayout() : TableRowLayout(code);

    std::vector<int> quarters;
    for (int c = 1; c < grid.Columns(); ++c)
        quarters.push_back(QuarterIndex(Trim(grid.Cell(0, c)), code));

    Result<TableDataFile> data = TableDataFile::Open(TableDataFileName(paths, code), code);
    if (!data)
        return data.Error();
    Result<std::vector<AreaRecord>> areas = AreasOfRows(paths, areaRows);
    if (!areas)
        return areas.Error();
    // Every row of a one-line view is the same line, in the line's unit; the
    // rows of a table whose lines are the areas are in the table's.
    std::string lineUnit(ValueUnit(code));
    if (oneLine) {
        Result<std::vector<std::string>> titles = ReadLineTitles(LineTitleFileName(paths, code), code);
        if (!titles)
            return titles.Error();
        if (grid.Line >= 1 && static_cast<std::size_t>(grid.Line) <= titles->size())
            lineUnit = LineUnit(code, (*titles)[static_cast<std::size_t>(grid.Line - 1)]);
    }

    // The records are split as views: a listing reads one per grid row.
    std::string scratch;
    std::string_view bytes;
    DataRecordView record;
    std::vector<ScriptRow> rows;
    for (int r = 1; r < grid.Rows(); ++r) {
        const int n = layout.DataLine(r);
        if (n == 0)
            continue;
        // A one-line view's row n is line grid.Line of area n; the table of
        // one record per area holds area n as its line n.
        const std::int64_t position = oneLine ? data->Position(n, grid.Line)
            : areaRows                        ? data->Position(1, n)
                                              : data->Position(grid.Area, n);
        if (std::optional<Failure> failure = data->ReadRecordView(position, scratch, bytes))
            return *failure;
        record.Split(bytes);
        ScriptRow row;
        row.GridRow = r;
        if (areaRows)
            row.Code = static_cast<std::size_t>(n) <= areas->size() ? Trim((*areas)[static_cast<std::size_t>(n - 1)].code) : "";
        else
            row.Code = Trim(record.Field(3));
        row.Title = TrimRight(grid.Cell(r, 0));
        row.Unit = oneLine || areaRows ? lineUnit : std::string(LineUnit(code, row.Title));
        row.Values.reserve(quarters.size());
        for (const int k : quarters) {
            const char flag = record.Flag(k);
            row.Flags += flag;
            std::string &value = row.Values.emplace_back();
            if ((flag == '0' || paths.Unsuppressed) && !AppendValueNumber(value, record.ValueText(k)))
                return data->ValueNotANumber(position, k);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

Result<std::vector<ScriptRow>> ModelScriptRows(const DataPaths &paths, const Grid &grid)
{
    const TableModel *const model = grid.Model.get();
    if (!model || LineCount(model->Code) == 0 || static_cast<int>(model->Rows.size()) != grid.Rows() - 1)
        return UsageFailure("the grid holds no values of a table of the catalog");
    const bool areaRows = GridRowsAreAreas(grid);
    Result<std::vector<AreaRecord>> areas = AreasOfRows(paths, areaRows);
    if (!areas)
        return areas.Error();
    const TableModel *const computed = ComputedModel(grid);
    const UnitsEntry &entry = UnitsEntryOf(model->Unit);
    DataRecordView record;
    std::vector<ScriptRow> rows;
    for (std::size_t r = 0; r < model->Rows.size(); ++r) {
        const ModelRow &modelRow = model->Rows[r];
        if (modelRow.Kind != RowKind::Data)
            continue;
        record.Split(modelRow.Record);
        ScriptRow row;
        row.GridRow = static_cast<int>(r) + 1;
        const auto n = static_cast<std::size_t>(modelRow.Code);
        if (areaRows)
            row.Code = n >= 1 && n <= areas->size() ? Trim((*areas)[n - 1].code) : "";
        else
            row.Code = Trim(record.Field(3));
        row.Title = TrimRight(modelRow.Title);
        row.Unit = modelRow.Unit;
        if (computed) {
            AppendComputedValues(row, modelRow, entry);
            rows.push_back(std::move(row));
            continue;
        }
        row.Values.reserve(model->Quarters.size());
        for (const int k : model->Quarters) {
            const char flag = record.Flag(k);
            row.Flags += flag;
            std::string &value = row.Values.emplace_back();
            if ((flag == '0' || model->Unsuppressed) && !AppendValueNumber(value, record.ValueText(k))) {
                return Failure::Damaged(TableDataFileName(paths, model->Code),
                                        "the value of quarter " + std::to_string(k) + " in row "
                                            + std::to_string(row.GridRow) + " is not a number");
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<ScriptRow> InShownOrder(const std::vector<ScriptRow> &rows, const std::vector<int> &shownOrder)
{
    std::vector<ScriptRow> shown;
    shown.reserve(rows.size());
    for (std::size_t r = 0; r < shownOrder.size(); ++r) {
        for (const ScriptRow &row : rows) {
            if (row.GridRow != shownOrder[r])
                continue;
            shown.push_back(row);
            shown.back().GridRow = static_cast<int>(r);
        }
    }
    return shown;
}

std::string GridCsv(const Grid &grid, const std::vector<ScriptRow> &rows)
{
    ScriptList list;
    list.Names = {"code", "title"};
    for (int c = 1; c < grid.Columns(); ++c)
        list.Names.push_back(Trim(grid.Cell(0, c)));
    list.Names.emplace_back("flags");
    list.Names.emplace_back("unit");
    // Computed figures say what they are in a column of their own; the
    // published values' records stay as they were.
    const TableModel *const computed = ComputedModel(grid);
    const std::string units = computed ? ComputedUnitsLabel(*computed) : std::string();
    if (computed)
        list.Names.emplace_back("units");
    for (const ScriptRow &row : rows) {
        std::vector<ScriptField> record{ScriptField::Of(row.Code), ScriptField::Of(row.Title)};
        std::string flags;
        for (int c = 1; c < grid.Columns(); ++c) {
            const std::size_t i = static_cast<std::size_t>(c - 1);
            record.push_back(ScriptField::Num(i < row.Values.size() ? row.Values[i] : std::string()));
            flags += FlagLetter(i < row.Flags.size() ? row.Flags[i] : '0');
        }
        record.push_back(ScriptField::Of(flags));
        record.push_back(row.Unit.empty() ? ScriptField::Null() : ScriptField::Of(row.Unit));
        if (computed)
            record.push_back(ScriptField::Of(units));
        list.Records.push_back(std::move(record));
    }
    return ListCsv(list);
}

void WriteGridJson(std::ostream &stream, const Grid &grid, const std::vector<ScriptRow> &rows,
                   const ScriptGridInfo &info)
{
    std::string out = "{\n  \"table\": ";
    AppendJsonText(out, info.TableCode);
    out += ",\n  \"caption\": ";
    AppendJsonText(out, grid.Caption);
    // Computed figures: their units, by short name and as the caption says
    // them, and the unit the figures are in ("percent").
    const TableModel *const computed = ComputedModel(grid);
    if (computed) {
        out += ",\n  \"units\": {\"name\": ";
        AppendJsonText(out, UnitsEntryOf(computed->Unit).ShortName);
        out += ", \"label\": ";
        AppendJsonText(out, ComputedUnitsLabel(*computed));
        out += '}';
    }
    out += ",\n  \"unit\": ";
    const std::string tableUnit(ValueUnit(info.TableCode));
    const std::string unit = computed ? ComputedRowUnit(computed->Unit, tableUnit) : tableUnit;
    if (unit.empty())
        out += "null";
    else
        AppendJsonText(out, unit);
    out += ",\n  \"sorted\": ";
    if (info.SortQuarter.empty()) {
        out += "null";
    } else {
        out += "{\"quarter\": ";
        AppendJsonText(out, info.SortQuarter);
        out += info.HighestFirst ? ", \"order\": \"highest first\"}" : ", \"order\": \"lowest first\"}";
    }
    out += ",\n  \"quarters\": [";
    for (int c = 1; c < grid.Columns(); ++c) {
        if (c > 1)
            out += ", ";
        AppendJsonText(out, Trim(grid.Cell(0, c)));
    }
    out += "],\n  \"rows\": [";
    // Written a row at a time: the text of one row is built in out, whose
    // storage the next row reuses.
    stream.write(out.data(), static_cast<std::streamsize>(out.size()));
    // The reasons of a row without a withheld cell, the most common row.
    std::string noReasons;
    for (int c = 1; c < grid.Columns(); ++c)
        noReasons += c > 1 ? ", null" : "null";
    std::string reasons;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const ScriptRow &row = rows[r];
        out.clear();
        out += r == 0 ? "\n    {\"code\": " : ",\n    {\"code\": ";
        AppendJsonText(out, row.Code);
        out += ", \"title\": ";
        AppendJsonText(out, row.Title);
        out += ", \"unit\": ";
        if (row.Unit.empty())
            out += "null";
        else
            AppendJsonText(out, row.Unit);
        out += ", \"values\": [";
        const bool withheld = row.Flags.find_first_not_of('0') != std::string::npos;
        reasons.clear();
        for (int c = 1; c < grid.Columns(); ++c) {
            if (c > 1)
                out += ", ";
            const std::size_t i = static_cast<std::size_t>(c - 1);
            AppendJsonNumber(out, i < row.Values.size() ? std::string_view(row.Values[i]) : std::string_view());
            if (!withheld)
                continue;
            if (c > 1)
                reasons += ", ";
            const char letter = FlagLetter(i < row.Flags.size() ? row.Flags[i] : '0');
            reasons += letter == '.' ? std::string_view("null") : letter == 'D' ? "\"D\"" : "\"N\"";
        }
        out += "], \"reasons\": [";
        out += withheld ? reasons : noReasons;
        out += "]}";
        stream.write(out.data(), static_cast<std::streamsize>(out.size()));
    }
    stream << (rows.empty() ? "]\n}\n" : "\n  ]\n}\n");
}

std::string GridJson(const Grid &grid, const std::vector<ScriptRow> &rows, const ScriptGridInfo &info)
{
    std::ostringstream out;
    WriteGridJson(out, grid, rows, info);
    return out.str();
}

} // namespace tarvel
