#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The sample data folder: a complete, realistic set of the files the viewer
// reads, made from a fixed seed so every build writes the same bytes. Tests
// use the same functions to make their own small fixture folders.
namespace tarvel::sample {

struct SampleArea {
    std::string code;         ///< "00" for the nation, real state codes, "91".."98" regions
    std::string name;
    std::string abbreviation; ///< postal abbreviation, or a short region name
    char region = '0';        ///< region code, '0'..'8'
};

/// The 60 areas in area-number order: the nation, the 50 states and the
/// District of Columbia in alphabetical order, then eight regions.
const std::vector<SampleArea> &Areas();

struct Options {
    std::uint32_t seed = 20080601;
    /// Tables to write; empty writes all ten.
    std::vector<std::string> tables;
    /// Write the ".xxx" unsuppressed files beside the ".dfx" files.
    bool unsuppressed = true;
    /// Write footnotes, summaries, zrformat.txt, regions.txt, q_readme.txt
    /// and tarvel.hlp.
    bool documents = true;
    /// A help file to copy in as "tarvel.hlp" (also when documents is off);
    /// empty or unreadable writes a short one.
    std::string helpFile;
};

/// Writes the data folder (created when missing). Returns "" on success or
/// a message naming what could not be written.
std::string WriteSampleFolder(const std::string &folder, const Options &options = {});

/// A value as its 10-character field, right-aligned ("   1234567"): rounded
/// to one decimal, which is left out when it is 0 ("    1234.5").
std::string ValueField(double value);

/// One data record without its line end: area code, region code, table code
/// (4 characters), line code (4 characters), a 4-character unused field,
/// the value fields (each exactly 10 characters), the flag string.
std::string DataLine(const std::string &areaCode, char region, std::string_view tableCode,
                     const std::string &lineCode, const std::vector<std::string> &valueFields,
                     const std::string &flags);

/// A 40-byte area-list record without its line end.
std::string AreaRecordText(const SampleArea &area);
/// A 68-byte line-title record without its line end.
std::string LineTitleRecordText(const std::string &lineCode, const std::string &title);

/// The line titles and codes written for a table (LineCount entries; for
/// ZR1 the area names).
struct LineTitle {
    std::string code;  ///< 4 characters, e.g. "0010"
    std::string title; ///< as written, unpadded
};
std::vector<LineTitle> LineTitles(std::string_view tableCode);

/// Joins lines with CR LF after each one.
std::string CrLfLines(const std::vector<std::string> &lines);
/// Writes bytes to path; false when it cannot.
bool WriteFileBytes(const std::string &path, std::string_view bytes);

} // namespace tarvel::sample
