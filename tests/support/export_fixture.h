#pragma once

// The data folder of the export tests: the area list, ZR6 and ZR1 with
// their line titles, and ZR6's footnotes. The expected files under
// tests/data/expected/export/ were written by hand from these values.

#include "core/catalog/data_files.h"
#include "core/catalog/table_catalog.h"
#include "sample_data.h"
#include "test_fixture.h"

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tarvel::test {

// Areas 1-4 are named; the others are "Area N" with code N + 10.
inline sample::SampleArea ExportFixtureArea(int area)
{
    switch (area) {
    case 1:
        return {"00", "United States", "US", '0'};
    case 2:
        return {"01", "Alabama", "AL", '5'};
    case 3:
        return {"02", "Alaska", "AK", '8'};
    case 4:
        return {"04", "Arizona", "AZ", '6'};
    default:
        return {std::to_string(area + 10), "Area " + std::to_string(area), "X" + std::to_string(area), '1'};
    }
}

/// text right-aligned in a 10-character value field.
inline std::string ValueText(const std::string &text)
{
    return std::string(10 - text.size(), ' ') + text;
}

struct FixtureCell {
    std::string field; // 10 characters as stored
    char flag = '0';
};

// ZR6: area * 10000 + line * 100 + quarter, except Alabama's (area 2)
// lines 2-5 in quarters 15 and 16 (2001.3, 2001.4), which hold the withheld
// cells and the number forms, and Alaska's (area 3) line 2 in quarter 14,
// withheld for disclosure. The ".xxx" file differs in one withheld value.
inline FixtureCell Zr6Cell(int area, int line, int k, bool unsuppressedFile)
{
    if (area == 2 && (k == 15 || k == 16)) {
        switch (line) {
        case 2:
            if (k == 15)
                return {ValueText(unsuppressedFile ? "4444" : "4321"), '1'};
            return {ValueText("8765"), '2'};
        case 3:
            return {k == 15 ? ValueText("-12.5") : std::string("0.5       "), '0'};
        case 4:
            return {k == 15 ? std::string("1234567.25") : std::string("1E15      "), '0'};
        case 5:
            return {k == 15 ? ValueText("1.5E16") : std::string(10, ' '), '0'};
        default:
            break;
        }
    }
    if (area == 3 && line == 2 && k == 14)
        return {ValueText("30214"), '1'};
    return {ValueText(std::to_string(area * 10000 + line * 100 + k)), '0'};
}

inline std::string Zr6Title(int line)
{
    switch (line) {
    case 1:
        return "Compensation of employees";
    case 2:
        return "Farm compensation";
    case 3:
        return "Forestry, fishing, and related";
    case 4:
        return "Mining";
    case 5:
        return "Utilities";
    default:
        return "Industry " + std::to_string(line);
    }
}

// ZR1: record i (area i) holds i * 1000 + quarter; record 54 is withheld
// ("(N)") in quarter 240 (2007.4).
inline FixtureCell Zr1Cell(int record, int k)
{
    return {ValueText(std::to_string(record * 1000 + k)), record == 54 && k == 240 ? '2' : '0'};
}

/// ZR1line.csv lines: the names padded to 20 characters, as delivered.
inline std::string Zr1Title(int record)
{
    std::string name = ExportFixtureArea(record).name;
    name.resize(20, ' ');
    return name;
}

inline void WriteExportAreaList(const TempFolder &folder)
{
    std::vector<std::string> lines;
    for (int a = 1; a <= AreaCount; ++a)
        lines.push_back(sample::AreaRecordText(ExportFixtureArea(a)));
    folder.Write("statcode.csv", sample::CrLfLines(lines));
}

inline void WriteExportZr6(const TempFolder &folder)
{
    const int lines = LineCount("ZR6");
    std::vector<std::string> titles;
    for (int line = 1; line <= lines; ++line)
        titles.push_back(sample::LineTitleRecordText(std::to_string(1000 + line * 10).substr(1), Zr6Title(line)));
    folder.Write("ZR6line.csv", sample::CrLfLines(titles));

    for (const bool unsuppressed : {false, true}) {
        std::vector<std::string> records;
        for (int area = 1; area <= AreaCount; ++area) {
            const auto info = ExportFixtureArea(area);
            for (int line = 1; line <= lines; ++line) {
                std::vector<std::string> values;
                std::string flags;
                for (int k = 1; k <= QuarterCount("ZR6"); ++k) {
                    const FixtureCell cell = Zr6Cell(area, line, k, unsuppressed);
                    values.push_back(cell.field);
                    flags += cell.flag;
                }
                std::string lineCode = std::to_string(line * 10);
                lineCode.resize(4, ' ');
                records.push_back(sample::DataLine(info.code, info.region, "ZR6", lineCode, values, flags));
            }
        }
        folder.Write(unsuppressed ? "ZR6.xxx" : "ZR6.dfx", sample::CrLfLines(records));
    }
    folder.Write("ZR6fn.txt", "Footnotes for table ZR6\r\n(D) Not shown to avoid disclosure.\r\n(N) Not available.\r\n");
}

inline void WriteExportZr1(const TempFolder &folder)
{
    std::vector<std::string> titles;
    std::vector<std::string> records;
    for (int record = 1; record <= AreaCount; ++record) {
        titles.push_back(Zr1Title(record));
        const auto info = ExportFixtureArea(record);
        std::vector<std::string> values;
        std::string flags;
        for (int k = 1; k <= QuarterCount("ZR1"); ++k) {
            const FixtureCell cell = Zr1Cell(record, k);
            values.push_back(cell.field);
            flags += cell.flag;
        }
        std::string lineCode = std::to_string(record * 10);
        lineCode.resize(4, ' ');
        records.push_back(sample::DataLine(info.code, info.region, "ZR1", lineCode, values, flags));
    }
    folder.Write("ZR1line.csv", sample::CrLfLines(titles));
    folder.Write("ZR1.dfx", sample::CrLfLines(records));
}

/// The whole fixture data folder.
inline void WriteExportFixture(const TempFolder &folder)
{
    WriteExportAreaList(folder);
    WriteExportZr6(folder);
    WriteExportZr1(folder);
}

/// Writes text (ten characters) over the value field of quarter k in the
/// record of area, line (1-based; ZR1: line is the area) of a fixture data
/// file, whose records all have one length.
inline void PutValueField(const TempFolder &folder, const std::string &file, const std::string &code, int area,
                          int line, int k, const std::string &text)
{
    std::string bytes = FileBytes(folder.Path() + file);
    const std::size_t length = bytes.find('\n') + 1;
    const std::size_t record = code == "ZR1" ? static_cast<std::size_t>(line - 1)
                                             : static_cast<std::size_t>((area - 1) * LineCount(code) + line - 1);
    std::size_t at = record * length;
    for (int comma = 0; comma < k + 4; ++comma)
        at = bytes.find(',', at) + 1;
    bytes.replace(at, text.size(), text);
    folder.Write(file, bytes);
}

/// An expected file of tests/data/expected/export/.
inline std::string ExpectedExport(const std::string &name)
{
    return FileBytes(TestDataDir() + "expected/export/" + name);
}

} // namespace tarvel::test
