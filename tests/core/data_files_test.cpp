#include "core/catalog/data_files.h"

#include "core/catalog/table_catalog.h"
#include "case_names.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tarvel {
namespace {

using test::TempFolder;

std::string Padded(std::string text, std::size_t width)
{
    text.resize(width, ' ');
    return text;
}

std::string RightAligned(const std::string &text, std::size_t width)
{
    return std::string(width - text.size(), ' ') + text;
}

// "CC","name (20)","ABBR","R" and CR LF: 40 bytes.
std::string AreaLine(const std::string &code, const std::string &name, const std::string &abbreviation,
                     char region)
{
    return "\"" + code + "\",\"" + Padded(name, 20) + "\",\"" + Padded(abbreviation, 4) + "\",\"" + region
        + "\"\r\n";
}

std::string AreaList(int count)
{
    std::string text;
    for (int a = 1; a <= count; ++a) {
        const std::string code = (a < 10 ? "0" : "") + std::to_string(a);
        text += AreaLine(code, "  Area " + std::to_string(a), "A" + std::to_string(a), 'R');
    }
    return text;
}

// A 68-byte line-title record: "CODE","title (57)" and CR LF.
std::string TitleLine(const std::string &code, const std::string &title)
{
    return "\"" + code + "\",\"" + Padded(title, 57) + "\"\r\n";
}

// The value of quarter k of line l of area a in the fixture tables.
long FixtureValue(int area, int line, int k)
{
    return area * 1000000L + line * 1000L + k;
}

std::string DataLine(const std::string &code, int area, int line, int quarters)
{
    const std::string areaCode = (area < 10 ? "0" : "") + std::to_string(area);
    std::string text = areaCode + ",5," + Padded(code, 4) + "," + RightAligned(std::to_string(line * 10), 4)
        + ",xxxx";
    std::string flags;
    for (int k = 1; k <= quarters; ++k) {
        text += "," + RightAligned(std::to_string(FixtureValue(area, line, k)), 10);
        flags += static_cast<char>('0' + k % 3);
    }
    return text + "," + flags + "\r\n";
}

// A complete data file of the table: every area's block of LineCount lines
// (ZR1: one line per area).
std::string DataFile(const std::string &code, int areas = AreaCount)
{
    std::string text;
    const int blockLines = code == "ZR1" ? 1 : LineCount(code);
    for (int a = 1; a <= areas; ++a) {
        for (int l = 1; l <= blockLines; ++l)
            text += DataLine(code, a, code == "ZR1" ? a : l, QuarterCount(code));
    }
    return text;
}

// --- File lookup ------------------------------------------------------------

class LookupTest : public testing::Test {
protected:
    TempFolder program;
    TempFolder data;
    DataPaths Paths(bool unsuppressed) const { return {program.Path(), data.Path(), unsuppressed}; }
};

TEST_F(LookupTest, ProgramFolderFirstInNormalMode)
{
    program.Write("ZR5.DFX", "x\r\n");
    data.Write("ZR5.dfx", "x\r\n");
    data.Write("ZR5.xxx", "x\r\n");
    program.Write("zrformat.txt", "x");
    data.Write("ZR7.dfx", "x\r\n");

    const DataPaths normal = Paths(false);
    EXPECT_EQ(ResolveDataFile(normal, "ZR5.dfx"), program.Path() + "ZR5.dfx");
    EXPECT_EQ(ResolveDataFile(normal, "ZR7.dfx"), data.Path() + "ZR7.dfx");
    EXPECT_EQ(ResolveDataFile(normal, "missing.txt"), data.Path() + "missing.txt");
    EXPECT_EQ(TableDataFileName(normal, "ZR5"), program.Path() + "ZR5.dfx");
    EXPECT_EQ(TableDataFileName(normal, "ZR7"), data.Path() + "ZR7.dfx");
}

TEST_F(LookupTest, UnsuppressedModeReadsTheDataFolderOnly)
{
    program.Write("ZR5.xxx", "x\r\n");
    program.Write("ZR5line.csv", "x");
    program.Write("STATCODE.CSV", "x");
    program.Write("ZR5fn.txt", "x");
    program.Write("q_readme.txt", "x");

    const DataPaths unsuppressed = Paths(true);
    EXPECT_EQ(TableDataFileName(unsuppressed, "ZR5"), data.Path() + "ZR5.xxx");
    EXPECT_EQ(LineTitleFileName(unsuppressed, "ZR5"), data.Path() + "ZR5line.csv");
    EXPECT_EQ(AreaListFileName(unsuppressed), data.Path() + "statcode.csv");
    EXPECT_EQ(ResolveTableFile(unsuppressed, "ZR5fn.txt"), data.Path() + "ZR5fn.txt");
    // Documentation (and the export's footnotes) follow the usual rule.
    EXPECT_EQ(ResolveDataFile(unsuppressed, "q_readme.txt"), program.Path() + "q_readme.txt");
    EXPECT_EQ(ResolveDataFile(unsuppressed, "ZR5fn.txt"), program.Path() + "ZR5fn.txt");

    const DataPaths normal = Paths(false);
    EXPECT_EQ(LineTitleFileName(normal, "ZR5"), program.Path() + "ZR5line.csv");
    EXPECT_EQ(AreaListFileName(normal), program.Path() + "statcode.csv");
}

TEST_F(LookupTest, TheSameFileIsReadFromEitherFolderByMode)
{
    program.Write("STATCODE.CSV", AreaLine("01", "Program", "PRG", '1'));
    data.Write("statcode.csv", AreaLine("01", "Data", "DAT", '1'));
    const Result<AreaRecord> normal = ReadAreaRecord(AreaListFileName(Paths(false)), 1);
    const Result<AreaRecord> unsuppressed = ReadAreaRecord(AreaListFileName(Paths(true)), 1);
    ASSERT_TRUE(normal && unsuppressed);
    EXPECT_EQ(normal->name, Padded("Program", 20));
    EXPECT_EQ(unsuppressed->name, Padded("Data", 20));
}

// --- Values and flags -------------------------------------------------------

struct NumberCase {
    const char *text;
    double value;
};

void PrintTo(const NumberCase &c, std::ostream *os)
{
    *os << test::CaseText(c.text, 32) << " -> " << test::CaseNumber(c.value);
}

class LeadingNumberTest : public testing::TestWithParam<NumberCase> {};

TEST_P(LeadingNumberTest, ReadsAsFarAsTheNumberGoes)
{
    EXPECT_DOUBLE_EQ(ReadLeadingNumber(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    DataFiles, LeadingNumberTest,
    testing::Values(NumberCase{"987.6r", 987.6}, NumberCase{"1E15", 1e15}, NumberCase{"+42.125", 42.125},
                    NumberCase{"   12345.6", 12345.6}, NumberCase{"   1234567", 1234567},
                    NumberCase{"  -1.5E+2x", -150}, NumberCase{"2e-3", 0.002}, NumberCase{"1E", 1},
                    NumberCase{"1E+", 1}, NumberCase{"7E-x", 7}, NumberCase{".5", 0.5}, NumberCase{"-.25", -0.25},
                    NumberCase{"12.", 12}, NumberCase{"1.2.3", 1.2}, NumberCase{"1,234", 1},
                    NumberCase{"\t 8", 8}, NumberCase{"", 0}, NumberCase{"          ", 0},
                    NumberCase{"(D)", 0}, NumberCase{"abc", 0}, NumberCase{"-", 0}, NumberCase{"- 5", 0},
                    NumberCase{".", 0}, NumberCase{"E5", 0}, NumberCase{"1E999", 0},
                    NumberCase{"123456789012345678", 123456789012345678.0},
                    NumberCase{"-12345678901234567890123", -1.2345678901234567890123e22}));

// A value shown as a number must be one, whole: blanks around a number
// the leading-number reading takes in full, or blanks alone.
TEST(DataFiles, ValueTextsThatAreNumbers)
{
    // Beyond a double's range only upwards is no number: "1E-999" reads 0.
    const std::vector<std::string> numbers{
        "", "          ", "\t", "   1234567", "-2500", "+42.125", "1.4347E+06", "1E15", "1e5", "2e-3", "  12.5    ",
        ".5", "-.25", "0", "0000000042", "\t7.5\t", "-1.5E+2", "1E308", "-1.7E308", "1E-999", "0E999", "0.00001E310",
        std::string(400, '0'), "12.", "+5.", "  9876543.", "  12.  ", "12.E3",
        // Ten characters may end where a longer field's number was cut.
        "         -", "        +.", "         .", "  1.4347E+", "123456789E", "   -1.25e-"};
    for (const std::string &text : numbers)
        EXPECT_TRUE(IsValueNumber(text)) << '"' << text << '"';
    const std::vector<std::string> others{
        "   12x4567", "  ABCDEFGH", "987.6r", "12.x", "   12.5.  ", "1.2.3", "1.E", "  -.", "  - ", "    1E+  ", "  1.5E+ x",
        "        -5x", "  .E5     ", "         E", "1.2.3", "1,234", "(D)", "-", "+", ".", "E5", "1E", "1E+", "7E-x",
        "- 5", "1 2", "12 x", "1.5E3.2", "--1", "+-1", "1E5E5", "12\r", "1e 5", "1E999", "-1E999", " 9.9E+999",
        "1e309", "1.8E308", "100000E304", "1" + std::string(400, '0')};
    for (const std::string &text : others)
        EXPECT_FALSE(IsValueNumber(text)) << '"' << text << '"';
}

// Values are read without from_chars when their digits fit a double
// exactly (whole numbers of up to 18 digits, decimals of up to 15): the very
// same double, bit for bit, as from_chars reads from the number's first
// digit. Around them: blanks, signs, more digits, exponents and a stray end.
TEST(DataFiles, ValuesReadAsFromCharsReadsThem)
{
    std::uint64_t state = 12345;
    const auto next = [&state](std::uint64_t range) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return (state >> 33) % range;
    };
    for (int n = 0; n < 200000; ++n) {
        std::string text(next(3), ' ');
        if (next(4) == 0)
            text += next(2) ? '-' : '+';
        const std::size_t start = text.size();
        const std::size_t whole = next(5) == 0 ? next(22) : next(11);
        for (std::size_t d = 0; d < whole; ++d)
            text += static_cast<char>('0' + next(10));
        if (next(2) == 0) {
            text += '.';
            for (std::size_t d = 0, decimals = 1 + next(whole > 12 ? 8 : 6); d < decimals; ++d)
                text += static_cast<char>('0' + next(10));
        }
        if (next(8) == 0) {
            text += "eE"[next(2)];
            if (next(2) == 0)
                text += "+-"[next(2)];
            for (std::size_t d = 0, digits = next(4); d < digits; ++d)
                text += static_cast<char>('0' + next(10));
        }
        if (next(6) == 0)
            text += " x.,"[next(4)];
        double expected = 0;
        const auto [end, ec] = std::from_chars(text.data() + start, text.data() + text.size(), expected);
        if (ec != std::errc() || end == text.data() + start)
            expected = 0;
        if (start > 0 && text[start - 1] == '-')
            expected = -expected;
        const double value = ReadLeadingNumber(text);
        ASSERT_EQ(value, expected) << '"' << text << '"';
        if (expected != 0) {
            ASSERT_EQ(std::memcmp(&value, &expected, sizeof value), 0) << '"' << text << '"';
        }
    }
}

TEST(DataFiles, ValueFieldIsCutToTenCharactersBeforeReading)
{
    const DataRecord record = ParseDataRecord("01,1,ZR5 ,  10,xxxx,   12345.678,       -42,123456789012,012\r\n");
    EXPECT_EQ(record.ValueText(1), "   12345.6");
    EXPECT_DOUBLE_EQ(ReadLeadingNumber(record.ValueText(1)), 12345.6);
    EXPECT_DOUBLE_EQ(ReadLeadingNumber(record.ValueText(2)), -42);
    EXPECT_DOUBLE_EQ(ReadLeadingNumber(record.ValueText(3)), 1234567890);
    // No value field past the last one: the flag string is never a value.
    EXPECT_EQ(record.ValueText(4), "");
    EXPECT_EQ(record.ValueText(0), "");
    EXPECT_DOUBLE_EQ(ReadLeadingNumber(record.ValueText(4)), 0);
}

TEST(DataFiles, RecordFieldsAndFlags)
{
    const DataRecord record = ParseDataRecord("06,8,ZR7 ,0040,abcd,       1.5,         2,0129");
    EXPECT_EQ(record.areaCode, "06");
    EXPECT_EQ(record.regionCode, "8");
    EXPECT_EQ(record.lineCode, "0040");
    EXPECT_EQ(record.field4, "abcd");
    EXPECT_EQ(record.fields.size(), 8u);
    EXPECT_EQ(record.flags, "0129");
    EXPECT_EQ(record.Flag(1), '0');
    EXPECT_EQ(record.Flag(2), '1');
    EXPECT_EQ(record.Flag(4), '9');
    EXPECT_EQ(record.Flag(5), ' ');
    EXPECT_EQ(record.Flag(0), ' ');

    // A line end never belongs to the flags.
    EXPECT_EQ(ParseDataRecord("01,1,x,1,x,5,01\r\n").flags, "01");
    const DataRecord blank = ParseDataRecord("");
    EXPECT_EQ(blank.flags, "");
    EXPECT_EQ(blank.ValueText(1), "");
}

TEST(DataFiles, TenByteRecordsAreFoundByPositionAndOnlyThere)
{
#if defined(TARVEL_PLAIN_CODE)
    GTEST_SKIP() << "a plain build reads every record split, none in place";
#endif
    const std::string record = "06,8,ZR7 ,0040,abcd,       1.5,         2, -3.25E+07,0129\r\n";
    // Read within a block that goes on past the record.
    const std::size_t readable = record.size() + 16;
    TenByteRecordView view;
    ASSERT_TRUE(view.Find(record, readable, 3));
    EXPECT_EQ(view.Field(0), "06");
    EXPECT_EQ(view.Field(3), "0040");
    EXPECT_EQ(view.Field(4), "abcd");
    EXPECT_EQ(view.Field(5), "");
    EXPECT_EQ(view.ValueText(1), "       1.5");
    EXPECT_EQ(view.ValueText(3), " -3.25E+07");
    EXPECT_EQ(view.ValueText(0), "");
    EXPECT_EQ(view.ValueText(4), "");
    // A line end never belongs to the flags.
    EXPECT_EQ(view.flags, "0129");
    EXPECT_EQ(view.Flag(4), '9');
    EXPECT_EQ(view.Flag(5), ' ');
    EXPECT_EQ(view.end, record.data() + record.size() - 2);

    // Any other layout is left to the split: a value field of nine or
    // eleven bytes (the count of fields is the same), a different count of
    // quarters, or a last value field too near the end of what may be read.
    for (const char *other : {"06,8,ZR7 ,0040,abcd,      1.5,          2, -3.25E+07,0129",
                              "06,8,ZR7 ,0040,abcd,       1.5,          2,-3.25E+07,0129",
                              "06,8,ZR7,0040,abcd,       1.5,         2, -3.25E+07"}) {
        EXPECT_FALSE(TenByteRecordView().Find(other, std::string_view(other).size() + 16, 3)) << other;
    }
    EXPECT_FALSE(TenByteRecordView().Find(record, readable, 2));
    EXPECT_FALSE(TenByteRecordView().Find(record, readable, 0));
    EXPECT_FALSE(TenByteRecordView().Find(record, record.size(), 3));
    const std::string shortFlags = "06,8,ZR7 ,0040,abcd,       1.5,         2, -3.25E+07,0\r\n";
    EXPECT_FALSE(TenByteRecordView().Find(shortFlags, shortFlags.size(), 3));
    EXPECT_TRUE(TenByteRecordView().Find(shortFlags, shortFlags.size() + 10, 3));
}

// --- Table data files -------------------------------------------------------

struct PositionCase {
    const char *code;
    int area;
    int line;
    std::int64_t position;
};

void PrintTo(const PositionCase &c, std::ostream *os)
{
    *os << c.code << " area " << c.area << " line " << c.line << " -> " << c.position;
}

class PositionTest : public testing::TestWithParam<PositionCase> {};

TEST_P(PositionTest, BlocksOfLineCountRecordsInAreaOrder)
{
    TempFolder folder;
    // One line of 118 characters: R = 120.
    const std::string path = folder.Write("t.dfx", std::string(118, '1') + "\r\n");
    auto file = TableDataFile::Open(path, GetParam().code);
    ASSERT_TRUE(file) << FailureText(file.Error());
    EXPECT_EQ(file->RecordLength(), 120);
    EXPECT_EQ(file->Position(GetParam().area, GetParam().line), GetParam().position);
}

INSTANTIATE_TEST_SUITE_P(DataFiles, PositionTest,
                         testing::Values(PositionCase{"ZR7", 3, 1, 4081}, PositionCase{"ZR7", 1, 1, 1},
                                         PositionCase{"ZR7", 1, 17, 1921}, PositionCase{"ZR7", 2, 1, 2041},
                                         PositionCase{"ZR5N", 60, 46, (59 * 46 + 45) * 120 + 1},
                                         PositionCase{"ZR1", 1, 1, 1}, PositionCase{"ZR1", 1, 60, 59 * 120 + 1}));

class TableFileTest : public testing::TestWithParam<const char *> {};

TEST_P(TableFileTest, EveryAreaAndLineReadsItsOwnRecord)
{
    const std::string code = GetParam();
    TempFolder folder;
    const std::string path = folder.Write(code + ".DFX", DataFile(code));
    auto file = TableDataFile::Open(folder.Path() + code + ".dfx", code);
    ASSERT_TRUE(file) << FailureText(file.Error());
    const int quarters = QuarterCount(code);
    const bool zr1 = code == "ZR1";
    for (int area : {1, 2, 3, 30, 59, 60}) {
        const int lines = zr1 ? 1 : LineCount(code);
        for (int l : {1, lines}) {
            const int line = zr1 ? area : l;
            auto record = file->ReadRecordAt(file->Position(zr1 ? 1 : area, line));
            ASSERT_TRUE(record) << FailureText(record.Error());
            EXPECT_EQ(record->areaCode, (area < 10 ? "0" : "") + std::to_string(area));
            EXPECT_EQ(ReadLeadingNumber(record->ValueText(1)), FixtureValue(area, line, 1));
            EXPECT_EQ(ReadLeadingNumber(record->ValueText(quarters)), FixtureValue(area, line, quarters));
            EXPECT_EQ(record->flags.size(), static_cast<std::size_t>(quarters));
            EXPECT_EQ(record->Flag(3), '0');
            EXPECT_EQ(record->Flag(quarters), static_cast<char>('0' + quarters % 3));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(DataFiles, TableFileTest, testing::Values("ZR7", "ZR5N", "ZR1", "ZR6"));

TEST(DataFiles, ReadingOnFromAnAreaStartGivesItsBlock)
{
    TempFolder folder;
    const std::string path = folder.Write("zr7.dfx", DataFile("ZR7", 4));
    auto file = TableDataFile::Open(path, "ZR7");
    ASSERT_TRUE(file);
    std::int64_t position = file->Position(3, 1);
    for (int line = 1; line <= LineCount("ZR7"); ++line, position += file->RecordLength()) {
        auto bytes = file->ReadBytesAt(position);
        ASSERT_TRUE(bytes);
        EXPECT_EQ(*bytes, DataLine("ZR7", 3, line, QuarterCount("ZR7")));
    }
}

TEST(DataFiles, LastLineWithoutLineEndIsWhole)
{
    TempFolder folder;
    std::string text = DataFile("ZR7", 2);
    text.resize(text.size() - 2);
    auto file = TableDataFile::Open(folder.Write("ZR7.dfx", text), "ZR7");
    ASSERT_TRUE(file);
    auto record = file->ReadRecordAt(file->Position(2, 17));
    ASSERT_TRUE(record) << FailureText(record.Error());
    EXPECT_EQ(ReadLeadingNumber(record->ValueText(176)), FixtureValue(2, 17, 176));
    EXPECT_EQ(record->flags.size(), 176u);
}

// The damaged files: each names the file and what is wrong.
TEST(DataFiles, MissingAndEmptyDataFiles)
{
    TempFolder folder;
    auto missing = TableDataFile::Open(folder.Path() + "zr5.dfx", "ZR5");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.Error().kind, FailureKind::NotAccessible);
    EXPECT_EQ(FailureText(missing.Error()),
              "For some reason the file " + ToUpper(folder.Path()) + "ZR5.DFX could not be accessed.\n"
              "No such file or directory");
    // A folder in the file's place says so.
    std::filesystem::create_directory(folder.Path() + "ZR4.dfx");
    auto folderInPlace = TableDataFile::Open(folder.Path() + "ZR4.dfx", "ZR4");
    ASSERT_FALSE(folderInPlace);
    EXPECT_EQ(FailureText(folderInPlace.Error()),
              "For some reason the file " + ToUpper(folder.Path()) + "ZR4.DFX could not be accessed.\nIs a directory");

    auto empty = TableDataFile::Open(folder.Write("ZR5.dfx", ""), "ZR5");
    ASSERT_FALSE(empty);
    EXPECT_EQ(empty.Error().kind, FailureKind::Damaged);
    EXPECT_EQ(FailureText(empty.Error()),
              "The file " + ToUpper(folder.Path()) + "ZR5.DFX is damaged or incomplete: it is empty.");

    auto blankFirst = TableDataFile::Open(folder.Write("ZR6.dfx", "\r\nabc\r\n"), "ZR6");
    ASSERT_FALSE(blankFirst);
    EXPECT_EQ(blankFirst.Error().kind, FailureKind::Damaged);

    // Bare line feeds would put every record after the first out of place.
    auto bareLineFeeds = TableDataFile::Open(folder.Write("ZR7.dfx", "abc\nabc\n"), "ZR7");
    ASSERT_FALSE(bareLineFeeds);
    EXPECT_EQ(bareLineFeeds.Error().kind, FailureKind::Damaged);
}

TEST(DataFiles, FileTooShortForTheAskedArea)
{
    TempFolder folder;
    const std::string path = folder.Write("ZR7.dfx", DataFile("ZR7", 2) + DataLine("ZR7", 3, 1, 176));
    auto file = TableDataFile::Open(path, "ZR7");
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->ReadRecordAt(file->Position(3, 1)));
    auto record = file->ReadRecordAt(file->Position(3, 2));
    ASSERT_FALSE(record);
    EXPECT_EQ(record.Error().kind, FailureKind::Damaged);
    EXPECT_EQ(record.Error().path, path);
    EXPECT_EQ(FailureText(record.Error()),
              "The file " + ToUpper(path) + " is damaged or incomplete: it is too short for area 3.");
    EXPECT_EQ(record.Error().detail, "it is too short for area 3");
    EXPECT_EQ(file->ReadBytesAt(file->Position(60, 1)).Error().detail, "it is too short for area 60");
    EXPECT_FALSE(file->ReadBytesAt(0));
    EXPECT_FALSE(file->ReadBytesAt(-5));

    // ZR1's lines are its areas.
    const std::string zr1 = folder.Write("ZR1.dfx", DataFile("ZR1", 10));
    auto shortZr1 = TableDataFile::Open(zr1, "ZR1");
    ASSERT_TRUE(shortZr1);
    EXPECT_EQ(shortZr1->ReadRecordAt(shortZr1->Position(1, 11)).Error().detail, "it is too short for area 11");
}

TEST(DataFiles, LinesOfDifferentLength)
{
    TempFolder folder;
    std::string text = DataFile("ZR7", 3);
    // One character more in area 2, line 5: every later record is shifted.
    const std::string line = DataLine("ZR7", 2, 5, 176);
    text.insert(text.find(line) + 3, "9");
    const std::string path = folder.Write("ZR7.dfx", text);
    auto file = TableDataFile::Open(path, "ZR7");
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->ReadRecordAt(file->Position(2, 4)));
    for (const auto position : {file->Position(2, 5), file->Position(3, 1)}) {
        auto record = file->ReadRecordAt(position);
        ASSERT_FALSE(record);
        EXPECT_EQ(record.Error().kind, FailureKind::Damaged);
        EXPECT_EQ(FailureText(record.Error()),
                  "The file " + ToUpper(path) + " is damaged or incomplete: its lines differ in length.");
    }

    // A shorter first line makes R too small: the first record already shows
    // it by its fields, the next by its length.
    const std::string shortFirst = folder.Write("ZR6.dfx", "01,1\r\n" + DataFile("ZR6", 1));
    auto file2 = TableDataFile::Open(shortFirst, "ZR6");
    ASSERT_TRUE(file2);
    EXPECT_EQ(file2->ReadRecordAt(1).Error().detail, "its record for area 1, line 1 holds 2 fields where table ZR6 has 22");
    EXPECT_FALSE(file2->ReadRecordAt(file2->Position(1, 2)));
}

// Runs of records come from one block read ahead; reads in any order, a
// damaged record inside a block and the record view give what single
// reads give.
TEST(DataFiles, ReadsInAnyOrderGiveTheSameRecords)
{
    TempFolder folder;
    std::string text = DataFile("ZR7", 60);
    const std::string damaged = DataLine("ZR7", 40, 3, 176);
    text.replace(text.find(damaged) + 10, 2, "\r\n");
    const std::string path = folder.Write("ZR7.dfx", text);
    auto sequential = TableDataFile::Open(path, "ZR7");
    auto single = TableDataFile::Open(path, "ZR7");
    ASSERT_TRUE(sequential && single);
    std::string bytes;
    DataRecordView view;
    const std::int64_t records = static_cast<std::int64_t>(text.size()) / sequential->RecordLength();
    for (std::int64_t n = 0; n < records; ++n) {
        const std::int64_t position = n * sequential->RecordLength() + 1;
        // Every record once in file order, and one at a time from the end.
        const std::optional<Failure> failure = sequential->ReadBytesInto(position, bytes);
        auto alone = single->ReadBytesAt((records - 1 - n) * single->RecordLength() + 1);
        auto again = TableDataFile::Open(path, "ZR7")->ReadBytesAt(position);
        ASSERT_EQ(failure.has_value(), !again) << n;
        if (failure) {
            EXPECT_EQ(FailureText(*failure), FailureText(again.Error()));
            continue;
        }
        EXPECT_EQ(bytes, *again) << n;
        if (alone) {
            view.Split(bytes);
            const DataRecord record = ParseDataRecord(bytes);
            ASSERT_EQ(view.fields.size(), record.fields.size());
            EXPECT_EQ(view.Field(0), record.areaCode);
            EXPECT_EQ(view.Field(3), record.lineCode);
            EXPECT_EQ(view.flags, record.flags);
            for (const int k : {0, 1, 2, 176, 177})
                EXPECT_EQ(view.ValueText(k), record.ValueText(k)) << k;
            EXPECT_EQ(view.Flag(176), record.Flag(176));
            EXPECT_EQ(view.Flag(177), ' ');
        }
    }
    EXPECT_EQ(view.Field(999), "");
}

// --- Line titles ------------------------------------------------------------

std::string TitleFile(int count)
{
    std::string text;
    for (int n = 1; n <= count; ++n)
        text += TitleLine(RightAligned(std::to_string(n * 10), 4), "Line title " + std::to_string(n) + "  x");
    return text;
}

TEST(DataFiles, LineTitlesAreTheTitleFieldWithoutTrailingBlanks)
{
    TempFolder folder;
    folder.Write("Zr5line.csv", TitleFile(36));
    const std::string path = folder.Path() + "ZR5line.csv";
    auto titles = ReadLineTitles(path, "ZR5");
    ASSERT_TRUE(titles) << FailureText(titles.Error());
    ASSERT_EQ(titles->size(), 36u);
    EXPECT_EQ((*titles)[0], "Line title 1  x");
    EXPECT_EQ((*titles)[35], "Line title 36  x");
    auto forExport = ReadLineTitlesForExport(path, "ZR5");
    ASSERT_TRUE(forExport);
    EXPECT_EQ(*forExport, *titles);
}

TEST(DataFiles, TitleFieldIsFiftySevenCharacters)
{
    TempFolder folder;
    const std::string full(57, 'T');
    std::string text = TitleFile(17);
    text.replace(68 * 2, 68, TitleLine("0030", full));
    auto titles = ReadLineTitles(folder.Write("ZR7line.csv", text), "ZR7");
    ASSERT_TRUE(titles);
    EXPECT_EQ((*titles)[2], full);
}

TEST(DataFiles, ZR1LineTitlesArePlainLines)
{
    TempFolder folder;
    std::string text;
    for (int n = 1; n <= 60; ++n)
        text += "Area " + std::to_string(n) + "   \r\n";
    const std::string path = folder.Write("ZR1LINE.CSV", text);
    auto titles = ReadLineTitles(folder.Path() + "ZR1line.csv", "ZR1");
    ASSERT_TRUE(titles);
    ASSERT_EQ(titles->size(), 60u);
    EXPECT_EQ((*titles)[0], "Area 1");
    EXPECT_EQ((*titles)[59], "Area 60");
    auto forExport = ReadLineTitlesForExport(path, "ZR1");
    ASSERT_TRUE(forExport);
    EXPECT_EQ((*forExport)[0], "Area 1   ");
}

struct ShortTitlesCase {
    const char *code;
    int written;
    const char *detail;
};

void PrintTo(const ShortTitlesCase &c, std::ostream *os)
{
    *os << c.code << " with " << c.written << " titles";
}

class ShortTitleFileTest : public testing::TestWithParam<ShortTitlesCase> {};

TEST_P(ShortTitleFileTest, FewerTitlesThanLinesIsDamaged)
{
    const auto &c = GetParam();
    TempFolder folder;
    std::string text;
    if (std::string(c.code) == "ZR1") {
        for (int n = 1; n <= c.written; ++n)
            text += "Area\r\n";
    } else {
        text = TitleFile(c.written);
    }
    const std::string path = folder.Write(std::string(c.code) + "line.csv", text);
    for (const auto &result : {ReadLineTitles(path, c.code), ReadLineTitlesForExport(path, c.code)}) {
        ASSERT_FALSE(result);
        EXPECT_EQ(result.Error().kind, FailureKind::Damaged);
        EXPECT_EQ(FailureText(result.Error()),
                  "The file " + ToUpper(path) + " is damaged or incomplete: " + c.detail + ".");
    }
}

INSTANTIATE_TEST_SUITE_P(
    DataFiles, ShortTitleFileTest,
    testing::Values(ShortTitlesCase{"ZR5", 30, "it holds 30 line titles where the table has 36 lines"},
                    ShortTitlesCase{"ZR7", 0, "it holds 0 line titles where the table has 17 lines"},
                    ShortTitlesCase{"ZR1", 59, "it holds 59 line titles where the table has 60 lines"}));

TEST(DataFiles, TitleRecordsOutOfPlaceAreDamaged)
{
    TempFolder folder;
    std::string text = TitleFile(17);
    text.erase(68 * 4 + 10, 1); // record 5 one byte short
    auto titles = ReadLineTitles(folder.Write("ZR7line.csv", text), "ZR7");
    ASSERT_FALSE(titles);
    EXPECT_EQ(titles.Error().kind, FailureKind::Damaged);

    auto missing = ReadLineTitles(folder.Path() + "ZR6line.csv", "ZR6");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.Error().kind, FailureKind::NotAccessible);
}

// --- Area list ----------------------------------------------------------------

TEST(DataFiles, AreaRecordFields)
{
    const std::string line = AreaLine("01", " Alabama", "AL", '5');
    ASSERT_EQ(line.size(), 40u);
    for (const std::string_view record : {std::string_view(line), std::string_view(line).substr(0, 38)}) {
        const auto area = ParseAreaRecord(record);
        ASSERT_TRUE(area);
        EXPECT_EQ(area->code, "01");
        EXPECT_EQ(area->name, Padded(" Alabama", 20));
        EXPECT_EQ(area->abbreviation, "AL  ");
        EXPECT_EQ(area->region, "5");
    }
    EXPECT_FALSE(ParseAreaRecord(line.substr(1)));
    EXPECT_FALSE(ParseAreaRecord(line.substr(0, 39)));
    EXPECT_FALSE(ParseAreaRecord(""));
    std::string shifted = line;
    shifted[26] = 'x';
    EXPECT_FALSE(ParseAreaRecord(shifted));
}

TEST(DataFiles, AreaListHoldsSixtyRecords)
{
    TempFolder folder;
    folder.Write("STATCODE.CSV", AreaList(60));
    auto areas = ReadAreaList(folder.Path() + "statcode.csv");
    ASSERT_TRUE(areas) << FailureText(areas.Error());
    ASSERT_EQ(areas->size(), 60u);
    EXPECT_EQ((*areas)[0].code, "01");
    EXPECT_EQ((*areas)[59].code, "60");
    EXPECT_EQ(Trim((*areas)[59].name), "Area 60");

    const std::string shortList = folder.Write("short.csv", AreaList(59));
    auto partial = ReadAreaList(shortList);
    ASSERT_FALSE(partial);
    EXPECT_EQ(partial.Error().kind, FailureKind::Damaged);
    EXPECT_EQ(partial.Error().detail, "it holds 59 areas where 60 are needed");
    auto record = ReadAreaRecord(shortList, 59);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->code, "59");
    EXPECT_EQ(ReadAreaRecord(shortList, 60).Error().detail, "it is too short for area 60");
    EXPECT_FALSE(ReadAreaRecord(shortList, 0));
    EXPECT_FALSE(ReadAreaRecord(shortList, 61));

    std::string garbled = AreaList(60);
    garbled.erase(40 * 6 + 8, 1);
    auto bad = ReadAreaList(folder.Write("garbled.csv", garbled));
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.Error().detail, "its record for area 7 is garbled");
}

TEST(DataFiles, AreaReadersReportAMissingOrShortAreaList)
{
    TempFolder data;
    const DataPaths paths{"", data.Path() + "sub/", false};
    const Result<AreaRecord> missing = ReadAreaRecord(AreaListFileName(paths), 3);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.Error().kind, FailureKind::NotAccessible);
    EXPECT_EQ(missing.Error().path, data.Path() + "sub/statcode.csv");

    data.Write("sub/statcode.csv", AreaList(2));
    const Result<AreaRecord> tooShort = ReadAreaRecord(AreaListFileName(paths), 3);
    ASSERT_FALSE(tooShort);
    EXPECT_EQ(tooShort.Error().kind, FailureKind::Damaged);
    EXPECT_EQ(tooShort.Error().detail, "it is too short for area 3");
    const Result<AreaRecord> second = ReadAreaRecord(AreaListFileName(paths), 2);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->abbreviation, "A2  ");
}

// --- Damaged input the fixed positions cannot see ---------------------------

TEST(DataFiles, ARecordWithACommaTooManyOrTooFewIsDamaged)
{
    TempFolder folder;
    const std::string good = DataLine("ZR7", 2, 5, QuarterCount("ZR7"));
    // A blank inside a value turned into a comma, the length unchanged: every
    // later quarter would be read one field too far on.
    std::string extra = good;
    extra[good.find(",  ", 22) + 1] = ',';
    // Two values run together where a comma went missing.
    std::string fewer = good;
    fewer[good.rfind(',', good.rfind(',') - 1)] = ' ';
    ASSERT_EQ(extra.size(), good.size());
    for (const std::string &bad : {extra, fewer}) {
        std::string text = DataFile("ZR7", 3);
        text.replace(text.find(good), good.size(), bad);
        const std::string path = folder.Write("ZR7.dfx", text);
        auto file = TableDataFile::Open(path, "ZR7");
        ASSERT_TRUE(file);
        EXPECT_TRUE(file->ReadRecordAt(file->Position(2, 4)));
        EXPECT_TRUE(file->ReadRecordAt(file->Position(3, 1)));
        for (auto record : {file->ReadRecordAt(file->Position(2, 5)),
                            Result<DataRecord>(file->ReadBytesAt(file->Position(2, 5)).Error())}) {
            ASSERT_FALSE(record);
            const std::string fields = bad == extra ? "183" : "181";
            EXPECT_EQ(FailureText(record.Error()), "The file " + FileNameInCapitals(path)
                                                       + " is damaged or incomplete: its record for area 2, line 5 holds "
                                                       + fields + " fields where table ZR7 has 182.");
        }
    }

    // ZR1's records are its areas.
    std::string zr1 = DataFile("ZR1", 60);
    const std::size_t record7 = zr1.find("\r\n07,") + 2;
    zr1[zr1.find(",  ", record7 + 22) + 1] = ',';
    auto file = TableDataFile::Open(folder.Write("ZR1.dfx", zr1), "ZR1");
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->ReadRecordAt(file->Position(1, 6)));
    EXPECT_NE(FailureText(file->ReadRecordAt(file->Position(1, 7)).Error()).find("its record for area 7 holds"),
              std::string::npos);
}

// The commas are counted in one pass, in byte-wide counts summed before
// they can overflow: a record of several thousand bytes is counted whole.
TEST(DataFiles, ACommaTooManyFarIntoALongRecordIsFound)
{
    TempFolder folder;
    const auto quarters = static_cast<std::size_t>(QuarterCount("ZR1"));
    std::string record = "01,5,ZR1 ,  10,xxxx";
    for (std::size_t k = 1; k <= quarters; ++k)
        record += "," + std::string(20, ' ') + "1234.5";
    record += "," + std::string(quarters, '0') + "\r\n";
    ASSERT_GT(record.size(), 6000u);
    std::vector<std::string> lines(60, record);
    // A blank near the end of area 9's record turned into a comma.
    const std::size_t at = record.rfind(' ', record.size() - quarters - 300);
    ASSERT_EQ(lines[8][at], ' ');
    lines[8][at] = ',';
    std::string text;
    for (const std::string &line : lines)
        text += line;
    auto file = TableDataFile::Open(folder.Write("ZR1.dfx", text), "ZR1");
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->ReadBytesAt(file->Position(1, 8)));
    EXPECT_TRUE(file->ReadBytesAt(file->Position(1, 10)));
    const Result<std::string> damaged = file->ReadBytesAt(file->Position(1, 9));
    ASSERT_FALSE(damaged);
    EXPECT_NE(FailureText(damaged.Error()).find("its record for area 9 holds " + std::to_string(quarters + 7)
                                                + " fields where table ZR1 has "),
              std::string::npos)
        << FailureText(damaged.Error());
}

TEST(DataFiles, AFileWithoutLineEndsIsNotReadWhole)
{
    TempFolder folder;
    // Sparse: 6 GB of nothing, no line end anywhere.
    const std::string path = folder.Write("ZR5.dfx", "01,5,ZR5 ,  10");
    std::filesystem::resize_file(path, 6LL * 1024 * 1024 * 1024);
    auto file = TableDataFile::Open(path, "ZR5");
    ASSERT_FALSE(file);
    EXPECT_EQ(FailureText(file.Error()),
              "The file " + FileNameInCapitals(path) + " is damaged or incomplete: its first line is too long.");
}

TEST(DataFiles, AHugeTitleLineIsDamagedNotATitle)
{
    TempFolder folder;
    // ZR1's titles are plain lines: one of 20 MB is not a title.
    const std::string path = folder.Write("ZR1line.csv", std::string(20 * 1024 * 1024, 'x') + "\r\nArea 2\r\n");
    const auto titles = ReadLineTitles(path, "ZR1");
    ASSERT_FALSE(titles);
    EXPECT_EQ(FailureText(titles.Error()),
              "The file " + FileNameInCapitals(path) + " is damaged or incomplete: its line 1 is too long.");
}

TEST(DataFiles, MessagesKeepAFolderNamedInUtf8Whole)
{
    const std::string folder = "/home/ann/\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF/";
    EXPECT_EQ(FileNotAccessibleText(folder + "zr5n.dfx"),
              "For some reason the file /HOME/ANN/\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF/ZR5N.DFX could not be accessed.");
    EXPECT_EQ(FailureText(Failure::Damaged(folder + "caf\xC3\xA9/zr5.dfx", "it is empty")),
              "The file /HOME/ANN/\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF/CAF\xC3\xA9/ZR5.DFX is damaged or incomplete: "
              "it is empty.");
}

} // namespace
} // namespace tarvel
