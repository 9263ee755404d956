#include "core/export/export_writer.h"

#include "core/export/record_formats_fast.h"

#include "core/settings/settings_store.h"
#include "core/catalog/table_catalog.h"
#include "export_fixture.h"
#include "case_names.h"
#include "table_fixture.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <span>
#include <string_view>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace tarvel {
namespace {

using test::ExpectedExport;
using test::FileBytes;
using test::TempFolder;

// ---------------------------------------------------------------------------
// The shortest number form.

struct NumberCase {
    double value;
    const char *text;
};

void PrintTo(const NumberCase &c, std::ostream *os)
{
    *os << test::CaseNumber(c.value) << " -> " << test::CaseText(c.text);
}

class ShortestNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ShortestNumberTest, WritesTheShortestForm)
{
    EXPECT_EQ(ShortestNumberText(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Forms, ShortestNumberTest,
                         ::testing::Values(NumberCase{0.0, "0"}, NumberCase{-0.0, "0"}, NumberCase{20115, "20115"},
                                           NumberCase{-12.5, "-12.5"}, NumberCase{0.5, ".5"},
                                           NumberCase{-0.5, "-.5"}, NumberCase{0.1 + 0.2, ".3"},
                                           NumberCase{1.0 / 3.0, ".333333333333333"},
                                           NumberCase{0.00001, ".00001"}, NumberCase{1234567.25, "1234567.25"},
                                           NumberCase{999999999999999.0, "999999999999999"},
                                           NumberCase{999999999999999.9, "1E+15"}, NumberCase{1e15, "1E+15"},
                                           NumberCase{-1.5e16, "-1.5E+16"},
                                           NumberCase{123456789012345678.0, "1.23456789012346E+17"},
                                           NumberCase{1e100, "1E+100"}, NumberCase{1e-15, ".000000000000001"},
                                           NumberCase{2.5e-20, "2.5E-20"}, NumberCase{100.0, "100"}));

// The shortest form as it was first written: printf's 15 significant
// digits, trailing zeros dropped. The formatting now goes without printf
// and must give the same text for every double.
std::string ReferenceNumberText(double value)
{
    if (!std::isfinite(value) || value == 0.0)
        return "0";
    if (std::fabs(value) < 1e15 && value == std::trunc(value))
        return std::to_string(static_cast<long long>(value));
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
    const std::string_view scientific(buffer);
    const std::size_t e = scientific.find('e');
    std::string digits(1, scientific[0]);
    digits += scientific.substr(2, e - 2);
    const int exponent = std::atoi(buffer + e + 1);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    std::string text = value < 0 ? "-" : "";
    if (exponent >= 15 || exponent < -15) {
        text += digits[0];
        if (digits.size() > 1)
            text += "." + digits.substr(1);
        text += (exponent < 0 ? "E-" : "E+") + std::to_string(std::abs(exponent));
    } else if (exponent >= 0) {
        const std::size_t whole = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= whole)
            text += digits + std::string(whole - digits.size(), '0');
        else
            text += digits.substr(0, whole) + "." + digits.substr(whole);
    } else {
        text += "." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    }
    return text;
}

TEST(ShortestNumber, SameTextAsPrintfForAnyDouble)
{
    std::uint64_t state = 2008;
    const auto next = [&state] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return state;
    };
    // The smallest doubles hold fewer digits than 15.
    for (const double value : {std::numeric_limits<double>::denorm_min(), 1e-310, -2.5e-320,
                               std::numeric_limits<double>::min(), std::numeric_limits<double>::max()})
        EXPECT_EQ(ShortestNumberText(value), ReferenceNumberText(value)) << value;
    for (int n = 0; n < 300000; ++n) {
        double value = 0;
        switch (n % 3) {
        case 0: { // any bit pattern
            const std::uint64_t bits = next();
            std::memcpy(&value, &bits, sizeof value);
            break;
        }
        case 1: // a value field's number: up to 10 digits with a point
            value = static_cast<double>(static_cast<std::int64_t>(next() % 10000000000ULL) - 5000000000LL)
                / std::pow(10.0, static_cast<double>(next() % 8));
            break;
        default: // around the edges of the forms: 10^-16 .. 10^16
            value = std::ldexp(static_cast<double>(next() >> 11), -53)
                * std::pow(10.0, static_cast<double>(static_cast<int>(next() % 33) - 16));
            break;
        }
        ASSERT_EQ(ShortestNumberText(value), ReferenceNumberText(value)) << std::hexfloat << value;
    }
}

// A field already in its shortest form is copied as it stands; anything
// else is left to the number formatting, and either way the text is the
// number's shortest form.
TEST(ShortestNumber, FieldsAsWrittenOnlyWhenAlreadyShortest)
{
    const std::pair<const char *, const char *> copied[] = {
        {"    1234.5", "1234.5"}, {"       -12", "-12"}, {"   4764053", "4764053"}, {"1234   ", "1234"},
        {"-123456789", "-123456789"}, {"\t 8", "8"}};
    for (const auto &[field, text] : copied) {
        std::string out = "x";
        EXPECT_TRUE(AppendFieldAsWritten(out, field)) << field;
        EXPECT_EQ(out, std::string("x") + text);
        EXPECT_EQ(ShortestNumberText(ReadLeadingNumber(field)), text) << field;
    }
    for (const char *field : {"       0.5", "    12.50", "  1.5E+16", " 0012", "         0", "        -0", "1E15",
                              "  +42.125", "(D)", "", "12.E5", "12. ", "1.2.3", "      .5", "987.6r", "  12x4567",
                              "1234  x"}) {
        std::string out = "x";
        EXPECT_FALSE(AppendFieldAsWritten(out, field)) << field;
        EXPECT_EQ(out, "x");
    }
}

// Repeatable draws below a bound, the same on every platform.
class Draws {
public:
    explicit Draws(std::uint32_t seed) : m_seed(seed) {}
    std::uint32_t operator()(std::uint32_t range)
    {
        m_seed = m_seed * 1664525u + 1013904223u;
        return (m_seed >> 8) % range;
    }

private:
    std::uint32_t m_seed;
};

// Appends to record quarters ten-byte value fields and the flag field, and
// gives back the fields and flags: most fields a number (some negative,
// some with a fraction), the others random bytes that are mostly no
// number; each flag drawn from flagChars.
std::pair<std::vector<std::string>, std::string> DrawValueFields(Draws &next, int quarters, std::string_view flagChars,
                                                                 std::string &record)
{
    const char alphabet[] = "  0123456789-.eE+x";
    std::vector<std::string> fields;
    std::string flags;
    for (int k = 0; k < quarters; ++k) {
        std::string field;
        if (next(4) != 0) {
            field = std::to_string(next(100000000)) + (next(2) ? "." + std::to_string(next(1000)) : "");
            if (next(5) == 0)
                field = "-" + field;
        } else {
            do {
                field.clear();
                for (std::uint32_t i = next(11); i > 0; --i)
                    field += alphabet[next(sizeof alphabet - 1)];
            } while (!IsValueNumber(field) && next(30) != 0);
        }
        field = field.size() > 10 ? field.substr(0, 10) : std::string(10 - field.size(), ' ') + field;
        record += "," + field;
        flags += flagChars[next(static_cast<std::uint32_t>(flagChars.size()))];
        fields.push_back(field);
    }
    record += "," + flags + "\r\n";
    return {fields, flags};
}

// Records of random value fields: every value the record writer puts out
// (its block-wise reading of plain numbers included, wherever a field lies
// in its record) is the field as written when that is its shortest form,
// else the shortest form of the number it holds; a record with a field
// that is not a number is damaged at the first such quarter.
TEST(ShortestNumber, RecordValuesMatchTheFieldByFieldReading)
{
    const char alphabet[] = "  0123456789-.eE+\tx";
    Draws next(12345);
    constexpr int Quarters = 73;
    std::vector<int> quarters;
    for (int k = 1; k <= Quarters; ++k)
        quarters.push_back(k);
    const RecordLayout layout(ExportFormat::Comma, false, "ZR5N", {}, quarters, true);
    for (int round = 0; round < 400; ++round) {
        std::string bytes = "00,0,ZR5N,0010,  SA";
        std::vector<std::string> fields;
        for (int k = 0; k < Quarters; ++k) {
            std::string field;
            const auto length = next(13);
            if (next(3) == 0) {
                // Mostly the common shape: blanks, then a plain number.
                field = std::to_string(next(1000000)) + (next(2) ? "." + std::to_string(next(1000)) : "");
                if (next(4) == 0)
                    field = "-" + field;
                field.insert(0, field.size() < 10 ? 10 - field.size() : 0, ' ');
            } else {
                // Now and then a field that is not a number: about one
                // record in two holds one.
                do {
                    field.clear();
                    for (std::uint32_t i = 0; i < length; ++i)
                        field += alphabet[next(sizeof alphabet - 1)];
                } while (!IsValueNumber(std::string_view(field).substr(0, 10)) && next(80) != 0);
            }
            fields.push_back(field);
            bytes += "," + field;
        }
        bytes += "," + std::string(Quarters, '0');
        DataRecordView view;
        view.Split(bytes);
        ASSERT_EQ(view.fields.size(), static_cast<std::size_t>(Quarters) + 6);

        int damaged = 0;
        for (int k = Quarters; k >= 1; --k) {
            if (!IsValueNumber(std::string_view(fields[static_cast<std::size_t>(k - 1)]).substr(0, 10)))
                damaged = k;
        }
        std::string record;
        ASSERT_EQ(layout.AppendRecord(record, view, "", ""), damaged) << bytes;
        if (damaged != 0)
            continue;
        DataRecordView written;
        written.Split(record);
        ASSERT_EQ(written.fields.size(), static_cast<std::size_t>(Quarters) + 6) << record;
        for (int k = 0; k < Quarters; ++k) {
            const std::string_view field = std::string_view(fields[static_cast<std::size_t>(k)]).substr(0, 10);
            std::string expected;
            if (!AppendFieldAsWritten(expected, field))
                expected = ShortestNumberText(ReadLeadingNumber(field));
            EXPECT_EQ(written.fields[static_cast<std::size_t>(k) + 5], expected) << "field \"" << field << "\"";
        }
    }
}

// The fixed-length format's quick check of a value field takes only texts
// IsValueNumber takes, whatever the bytes (signs, points, exponents,
// blanks, tabs and letters anywhere, 1 to 15 bytes), and takes the usual
// fields itself, so they never need the byte-by-byte reading.
TEST(RecordLayout, TheQuickNumberCheckTakesOnlyNumbers)
{
#if defined(TARVEL_PLAIN_CODE)
    GTEST_SKIP() << "a plain build checks every field byte by byte";
#endif
    const char alphabet[] = "   0123456789--..+eE\tx";
    Draws next(4242);
    int taken = 0;
    for (int round = 0; round < 200000; ++round) {
        const std::size_t length = 1 + next(15);
        std::string record(length + 16, ',');
        if (next(2) == 0) {
            // The usual shape: blanks, a minus now and then, digits and a point.
            std::string number = std::to_string(next(100000)) + (next(2) ? "." + std::to_string(next(100)) : "");
            if (next(4) == 0)
                number.insert(0, 1, '-');
            number = number.substr(0, length);
            record.replace(0, length, std::string(length - number.size(), ' ') + number);
        } else {
            for (std::size_t i = 0; i < length; ++i)
                record[i] = alphabet[next(sizeof alphabet - 1)];
        }
        const std::string_view field(record.data(), length);
        const bool quick = fast::IsNumberShape(field, record.data() + record.size());
        if (quick) {
            ++taken;
            ASSERT_TRUE(IsValueNumber(field)) << "\"" << field << "\"";
        }
    }
    EXPECT_GT(taken, 100000 / 2);
    for (const char *field : {"    1234.5", "      -0.5", "         7", "  -.5", "          ", "00012"}) {
        const std::string record = std::string(field) + std::string(16, ',');
        EXPECT_TRUE(fast::IsNumberShape(std::string_view(record.data(), std::strlen(field)), record.data() + record.size()))
            << field;
    }
    for (const char *field : {"   12x4567", "    987.6r", "       12.", "    1.2.3", "    --12", "   1 2", "    -",
                              "  1.4E+06", "   +42", "\t8"}) {
        const std::string record = std::string(field) + std::string(16, ',');
        EXPECT_FALSE(fast::IsNumberShape(std::string_view(record.data(), std::strlen(field)), record.data() + record.size()))
            << field;
    }
}

// A record whose value fields are all ten bytes wide is written from where
// its fields stand exactly as from its split fields: every format, with and
// without quotes and withheld values, any choice of quarters; and both are
// damaged at the first value written as a number that is not one.
TEST(RecordLayout, TenByteRecordsReadInPlaceWriteAsSplitOnes)
{
#if defined(TARVEL_PLAIN_CODE)
    GTEST_SKIP() << "a plain build reads every record split, none in place";
#endif
    Draws next(777);
    constexpr int Quarters = 73;
    for (int round = 0; round < 300; ++round) {
        std::string bytes = "0" + std::to_string(next(10)) + ",5,ZR5N,0" + std::to_string(100 + next(900)) + ",  SA";
        const auto [fields, flags] = DrawValueFields(next, Quarters, "0000012 ", bytes);
        DataRecordView split;
        split.Split(bytes);
        TenByteRecordView inPlace;
        ASSERT_TRUE(inPlace.Find(bytes, bytes.size(), Quarters)) << bytes;

        std::vector<int> quarters;
        for (int k = 1; k <= Quarters; ++k) {
            if (next(3) != 0)
                quarters.push_back(k);
        }
        const auto format = static_cast<ExportFormat>(next(4)); // comma, space, tab, fixed
        const bool quotes = next(2) != 0;
        const bool unsuppressed = next(2) != 0;
        const RecordLayout layout(format, quotes, "ZR5N", {next(2) != 0, next(2) != 0}, quarters, unsuppressed);
        int damaged = 0;
        for (const int k : quarters) {
            const auto i = static_cast<std::size_t>(k - 1);
            if ((unsuppressed || flags[i] == '0') && !IsValueNumber(fields[i])) {
                damaged = k;
                break;
            }
        }
        std::string fromSplit;
        std::string fromPlace;
        ASSERT_EQ(layout.AppendRecord(fromSplit, split, "Line title", "Area [01]"), damaged) << bytes;
        ASSERT_EQ(layout.AppendRecord(fromPlace, inPlace, "Line title", "Area [01]"), damaged) << bytes;
        if (damaged != 0)
            continue;
        ASSERT_EQ(fromPlace, fromSplit) << "format " << static_cast<int>(format) << ", record " << bytes;
    }
}

// The loops over a record that holds every quarter asked for, fields read
// where they stand, write what the value-by-value writing gives: each
// value's shortest form (or "(D)" / "(N)" in quotes when withheld), the
// fixed-length fields as they stand then the flags; and they leave to it
// (nullptr) a record with a value that is not a number, a quarter past the
// record's last and a delimiter of more than one byte.
TEST(RecordLayout, UncheckedValueLoopsWriteWhatTheCheckedOnesWrite)
{
#if defined(TARVEL_PLAIN_CODE)
    GTEST_SKIP() << "a plain build writes every value through the checked loop";
#endif
    Draws next(2026);
    constexpr int Quarters = 41;
    int written = 0;
    for (int round = 0; round < 400; ++round) {
        std::string bytes = "01,5,ZR5N,0010,  SA";
        const auto [fields, flags] = DrawValueFields(next, Quarters, "000012", bytes);
        DataRecordView split;
        split.Split(bytes);
        TenByteRecordView inPlace;
        ASSERT_TRUE(inPlace.Find(bytes, bytes.size(), Quarters)) << bytes;
        std::vector<int> quarters;
        for (int k = 1; k <= Quarters; ++k) {
            if (next(3) != 0)
                quarters.push_back(k);
        }
        const bool unsuppressed = next(3) == 0;
        const std::string quote = next(2) ? "\"" : "";
        const std::string delimiter = ",\t "[next(3)] + std::string();

        // The value-by-value writing.
        std::string delimited;
        std::string fixed;
        bool damaged = false;
        for (const int k : quarters) {
            const std::string &field = fields[static_cast<std::size_t>(k - 1)];
            const char flag = flags[static_cast<std::size_t>(k - 1)];
            fixed += field;
            delimited += delimiter;
            if (!unsuppressed && flag != '0')
                delimited += quote + (flag == '1' ? "(D)" : "(N)") + quote;
            else if (!AppendValueNumber(delimited, field))
                damaged = true;
        }
        fixed += ' ';
        for (const int k : quarters)
            fixed += flags[static_cast<std::size_t>(k - 1)];

        char room[Quarters * 40];
        const std::span<const int> asked(quarters);
        const auto text = [&room](const char *end) {
            return end ? std::string(room, static_cast<std::size_t>(end - room)) : std::string("(none)");
        };
        const std::string expected = damaged ? "(none)" : delimited;
        EXPECT_EQ(text(fast::PutDelimitedValues(room, inPlace, asked, delimiter, quote, unsuppressed)), expected)
            << bytes;
        EXPECT_EQ(text(fast::PutDelimitedValues(room, split, asked, delimiter, quote, unsuppressed)), expected)
            << bytes;
        std::memset(room, ' ', sizeof room);
        EXPECT_EQ(text(fast::PutFixedValues(room, inPlace, asked, unsuppressed)), damaged ? "(none)" : fixed) << bytes;
        written += damaged ? 0 : 1;

        const std::vector<int> pastTheLast{1, Quarters + 1};
        EXPECT_EQ(fast::PutDelimitedValues(room, inPlace, pastTheLast, delimiter, quote, true), nullptr);
        EXPECT_EQ(fast::PutDelimitedValues(room, split, pastTheLast, delimiter, quote, true), nullptr);
        EXPECT_EQ(fast::PutFixedValues(room, inPlace, pastTheLast, true), nullptr);
        EXPECT_EQ(fast::PutDelimitedValues(room, split, asked, ", ", quote, unsuppressed), nullptr);
    }
    EXPECT_GT(written, 100);
}

// ---------------------------------------------------------------------------
// Whole runs against the hand-written files.

using test::Quarters;

class ExportFixture : public ::testing::Test {
protected:
    void SetUp() override { test::WriteExportFixture(m_data); }

    // Options for code with the given lines chosen (1-based).
    ExportOptions Options(const std::string &code, ExportFormat format, const std::vector<int> &lines) const
    {
        ExportOptions options;
        options.TableCode = code;
        options.Format = format;
        const int count = LineCount(code);
        for (int line = 1; line <= count; ++line) {
            const std::string title = code == "ZR1" ? test::Zr1Title(line) : test::Zr6Title(line);
            options.Lines.push_back({title, false});
        }
        for (const int line : lines)
            options.Lines[static_cast<std::size_t>(line - 1)].selected = true;
        options.FileName = m_out.Path() + "export.out";
        return options;
    }

    ExportSelection Selection(const std::string &code, const std::vector<int> &areas,
                              const std::vector<int> &quarters, bool unsuppressed = false) const
    {
        ExportSelection selection;
        selection.Paths = {m_program.Path(), m_data.Path(), unsuppressed};
        for (const int a : areas)
            selection.AreaSelected[static_cast<std::size_t>(a)] = 255;
        selection.QuarterSelected = Quarters(code, quarters);
        return selection;
    }

    TempFolder m_data;
    TempFolder m_program;
    TempFolder m_out;
};

struct FileCase {
    const char *expected;
    const char *code;
    ExportFormat format;
    bool quotes;
    bool lineTitle;
    bool areaName;
    std::vector<int> areas;
    std::vector<int> lines;
    std::vector<int> quarters;
    bool unsuppressed;
};

void PrintTo(const FileCase &c, std::ostream *os)
{
    *os << c.expected;
}

class ExportFileTest : public ExportFixture, public ::testing::WithParamInterface<FileCase> {};

TEST_P(ExportFileTest, WritesTheExpectedBytes)
{
    const FileCase &c = GetParam();
    ExportOptions options = Options(c.code, c.format, c.lines);
    options.Quote = c.quotes;
    options.LineTitle = c.lineTitle;
    options.AreaName = c.areaName;

    const ExportResult result = RunExport(options, Selection(c.code, c.areas, c.quarters, c.unsuppressed));

    ASSERT_TRUE(result.Completed()) << ExportFailureText(result);
    EXPECT_EQ(result.files, std::vector<std::string>{options.FileName});
    EXPECT_EQ(FileBytes(options.FileName), ExpectedExport(c.expected));
}

// ZR1 makes one pass whatever areas are chosen, and exchanges the columns:
// "Insert line titles" alone gives the "Line Title" column of
// "Personal Income" after the key.
INSTANTIATE_TEST_SUITE_P(
    Formats, ExportFileTest,
    ::testing::Values(
        FileCase{"comma_quotes.csv", "ZR6", ExportFormat::Comma, true, true, true, {2}, {1, 2, 3, 4, 5}, {15, 16}, false},
        FileCase{"comma_no_quotes.csv", "ZR6", ExportFormat::Comma, false, true, true, {2}, {1, 2, 3, 4, 5}, {15, 16},
                 false},
        FileCase{"fixed.prn", "ZR6", ExportFormat::Fixed, true, true, true, {2}, {1, 2, 3, 4, 5}, {15, 16}, false},
        FileCase{"zr1_fixed.prn", "ZR1", ExportFormat::Fixed, true, true, false, {2, 3, 4}, {1, 2}, {240, 241}, false},
        FileCase{"unsuppressed.txt", "ZR6", ExportFormat::Tab, true, true, false, {2}, {2}, {15, 16}, true},
        FileCase{"subset.prn", "ZR6", ExportFormat::Space, true, true, false, {3}, {1, 2}, {16, 14}, false},
        FileCase{"one_record_no_quotes.csv", "ZR6", ExportFormat::Comma, false, false, false, {2}, {1}, {15, 16},
                 false}),
    [](const ::testing::TestParamInfo<FileCase> &info) {
        std::string name = info.param.expected;
        for (char &ch : name) {
            if (ch == '.')
                ch = '_';
        }
        return name;
    });

class ExportAppendTest : public ExportFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(ExportAppendTest, AppendsToAnExistingFileOrCreatesIt)
{
    const bool existing = GetParam();
    ExportOptions options = Options("ZR6", ExportFormat::Comma, {1});
    options.Quote = false;
    options.LineTitle = false;
    options.Append = true;
    if (existing)
        m_out.Write("export.out", "Earlier export\r\n");

    const ExportResult result = RunExport(options, Selection("ZR6", {2}, {15, 16}));

    ASSERT_TRUE(result.Completed()) << ExportFailureText(result);
    const std::string earlier = existing ? "Earlier export\r\n" : "";
    EXPECT_EQ(FileBytes(options.FileName), earlier + ExpectedExport("one_record_no_quotes.csv"));
}

INSTANTIATE_TEST_SUITE_P(Existing, ExportAppendTest, ::testing::Bool());

TEST_F(ExportFixture, WritesOneFilePerAreaWithHeaderAndFootnotesAndSavesTheChoices)
{
    ExportOptions options = Options("ZR6", ExportFormat::Comma, {1});
    options.Output = ExportOutput::FilePerArea;
    options.Footnotes = true;
    options.FileName = m_out.Path();
    TempFolder settingsFolder;
    SettingsStore settings(settingsFolder.Path() + "settings.reg");
    settings.CreateSettingsKey(SettingsKey("export"));
    std::vector<std::pair<int, int>> progress;

    const ExportResult result = RunExport(options, Selection("ZR6", {4, 2, 3}, {16}), &settings,
                                          [&](int done, int total) { progress.emplace_back(done, total); });

    ASSERT_TRUE(result.Completed()) << ExportFailureText(result);
    const std::string folder = m_out.Path();
    EXPECT_EQ(result.files,
              (std::vector<std::string>{folder + "ZR6AL.csv", folder + "ZR6AK.csv", folder + "ZR6AZ.csv"}));
    EXPECT_EQ(FileBytes(folder + "ZR6AL.csv"), ExpectedExport("per_area_AL.csv"));
    EXPECT_EQ(FileBytes(folder + "ZR6AK.csv"), ExpectedExport("per_area_AK.csv"));
    EXPECT_EQ(FileBytes(folder + "ZR6AZ.csv"), ExpectedExport("per_area_AZ.csv"));
    EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{0, 3}, {1, 3}, {2, 3}, {3, 3}}));

    const std::string key = SettingsKey("export");
    const std::vector<std::pair<const char *, std::string>> saved{
        {"Format", " 0"}, {"Header", " 1"}, {"AreaName", " 0"}, {"LineTitle", " 1"}, {"Output", " 1"},
        {"Append", " 0"}, {"Quote", " 1"}, {"Filename", folder}, {"Footnotes", " 1"}};
    for (const auto &[name, text] : saved)
        EXPECT_EQ(settings.ReadSetting(key, name).Text(), text) << name;
    const ExportOptions reread = ReadExportChoices(settings);
    EXPECT_EQ(reread.Output, ExportOutput::FilePerArea);
    EXPECT_TRUE(reread.Footnotes);
    EXPECT_EQ(reread.FileName, folder);
}

TEST_F(ExportFixture, Zr1MakesOnePassIntoAreaOnesFileWithTheColumnsExchanged)
{
    ExportOptions options = Options("ZR1", ExportFormat::Comma, {1, 2, 54});
    options.Output = ExportOutput::FilePerArea;
    options.LineTitle = false;
    options.AreaName = true;
    options.FileName = m_out.Path();

    const ExportResult result = RunExport(options, Selection("ZR1", {2, 3, 4}, {240, 241}));

    ASSERT_TRUE(result.Completed()) << ExportFailureText(result);
    EXPECT_EQ(result.records, 3);
    EXPECT_EQ(result.files, std::vector<std::string>{m_out.Path() + "ZR1US.csv"});
    EXPECT_EQ(FileBytes(m_out.Path() + "ZR1US.csv"), ExpectedExport("zr1_per_area.csv"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_out.Path()), {}), 1);
}

TEST_F(ExportFixture, MissingFootnoteFileCompletesWithoutThemAndSavesThemOff)
{
    std::filesystem::remove(m_data.Path() + "ZR6fn.txt");
    ExportOptions options = Options("ZR6", ExportFormat::Comma, {1});
    options.Quote = false;
    options.LineTitle = false;
    options.Footnotes = true;
    TempFolder settingsFolder;
    SettingsStore settings(settingsFolder.Path() + "settings.reg");
    settings.CreateSettingsKey(SettingsKey("export"));

    const ExportResult result = RunExport(options, Selection("ZR6", {2}, {15, 16}), &settings);

    ASSERT_TRUE(result.Completed()) << ExportFailureText(result);
    EXPECT_TRUE(result.footnotesTurnedOff);
    EXPECT_EQ(FileBytes(options.FileName), ExpectedExport("one_record_no_quotes.csv"));
    EXPECT_EQ(settings.ReadSetting(SettingsKey("export"), "Footnotes").Text(), " 0");
}

// A quoted footnote line doubles the double quotes it holds, so a
// spreadsheet reads it as one text; unquoted, it stands as in the file.
TEST_F(ExportFixture, FootnoteQuotesAreDoubledOnlyInsideQuotes)
{
    m_data.Write("ZR6fn.txt", "Note 1. \"Quoted\" words.\r\n\"\r\nPlain line\r\n");
    struct Case {
        ExportFormat format;
        bool quote;
        const char *block;
    };
    const Case cases[] = {
        {ExportFormat::Comma, true, "\r\n\"Note 1. \"\"Quoted\"\" words.\"\r\n\"\"\"\"\r\n\"Plain line\"\r\n"},
        {ExportFormat::Space, true, "\r\n\"Note 1. \"\"Quoted\"\" words.\"\r\n\"\"\"\"\r\n\"Plain line\"\r\n"},
        {ExportFormat::Tab, true, "\r\n\"Note 1. \"\"Quoted\"\" words.\"\r\n\"\"\"\"\r\n\"Plain line\"\r\n"},
        {ExportFormat::Comma, false, "\r\nNote 1. \"Quoted\" words.\r\n\"\r\nPlain line\r\n"},
        {ExportFormat::Fixed, true, "\r\nNote 1. \"Quoted\" words.\r\n\"\r\nPlain line\r\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(static_cast<int>(c.format) * 2 + (c.quote ? 1 : 0));
        ExportOptions options = Options("ZR6", c.format, {1});
        options.Header = false;
        options.Quote = c.quote;
        options.Footnotes = true;
        const ExportResult result = RunExport(options, Selection("ZR6", {2}, {16}));
        ASSERT_TRUE(result.Completed()) << ExportFailureText(result);
        const std::string text = FileBytes(options.FileName);
        ASSERT_EQ(std::count(text.begin(), text.end(), '\n'), 5) << text;
        EXPECT_EQ(text.substr(text.find("\r\n") + 2), c.block);
    }
}

// ---------------------------------------------------------------------------
// Early ends: nothing saved, every file closed, earlier areas complete.

class ExportFailureTest : public ExportFixture {
protected:
    void SetUp() override
    {
        ExportFixture::SetUp();
        m_settings.CreateSettingsKey(SettingsKey("export"));
    }
    bool NothingSaved() const { return !m_settings.ReadSetting(SettingsKey("export"), "Format").Found(); }

    TempFolder m_settingsFolder;
    SettingsStore m_settings{m_settingsFolder.Path() + "settings.reg"};
};

TEST_F(ExportFailureTest, UnreadableDataFileWritesNothingAndLeavesTheOutputAsItWas)
{
    std::filesystem::remove(m_data.Path() + "ZR6.dfx");
    for (const ExportOutput output : {ExportOutput::OneFile, ExportOutput::FilePerArea}) {
        TempFolder out;
        out.Write("export.out", "Earlier export\r\n");
        ExportOptions options = Options("ZR6", ExportFormat::Comma, {1});
        options.Output = output;
        options.FileName = output == ExportOutput::OneFile ? out.Path() + "export.out" : out.Path();

        const ExportResult result = RunExport(options, Selection("ZR6", {2, 3}, {16}), &m_settings);

        EXPECT_EQ(result.status, ExportStatus::FileFailed);
        EXPECT_EQ(result.failure.kind, FailureKind::NotAccessible);
        EXPECT_EQ(result.failure.path, m_data.Path() + "ZR6.dfx");
        EXPECT_EQ(ExportFailureText(result), "For some reason the file " + ToUpper(m_data.Path() + "ZR6.DFX")
                                                 + " could not be accessed.\nNo such file or directory");
        EXPECT_EQ(result.records, 0);
        EXPECT_EQ(FileBytes(out.Path() + "export.out"), "Earlier export\r\n");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.Path()), {}), 1);
    }
    EXPECT_TRUE(NothingSaved());
}

// Files this process holds open.
long OpenFileCount()
{
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
}

TEST_F(ExportFailureTest, LaterAreaFileNotAccessibleKeepsTheEarlierOneComplete)
{
    std::filesystem::create_directory(m_out.Path() + "ZR6AK.csv");
    const long openBefore = OpenFileCount();
    ExportOptions options = Options("ZR6", ExportFormat::Comma, {1});
    options.Output = ExportOutput::FilePerArea;
    options.Footnotes = true;
    options.FileName = m_out.Path();

    const ExportResult result = RunExport(options, Selection("ZR6", {2, 3, 4}, {16}), &m_settings);

    EXPECT_EQ(result.status, ExportStatus::FileFailed);
    EXPECT_EQ(result.failure.kind, FailureKind::NotAccessible);
    EXPECT_EQ(result.failure.path, m_out.Path() + "ZR6AK.csv");
    EXPECT_EQ(result.files, std::vector<std::string>{m_out.Path() + "ZR6AL.csv"});
    EXPECT_EQ(FileBytes(m_out.Path() + "ZR6AL.csv"), ExpectedExport("per_area_AL.csv"));
    EXPECT_EQ(FileBytes(m_out.Path() + "ZR6AZ.csv"), "<missing>");
    EXPECT_EQ(OpenFileCount(), openBefore);
    EXPECT_TRUE(NothingSaved());
}

TEST_F(ExportFailureTest, TruncatedDataFileEndsTheRunAsDamaged)
{
    // Only the first two areas' blocks remain.
    const std::string whole = FileBytes(m_data.Path() + "ZR6.dfx");
    m_data.Write("ZR6.dfx", whole.substr(0, whole.size() / AreaCount * 2));
    ExportOptions options = Options("ZR6", ExportFormat::Comma, {1});
    options.Output = ExportOutput::FilePerArea;
    options.Footnotes = true;
    options.FileName = m_out.Path();

    const ExportResult result = RunExport(options, Selection("ZR6", {2, 3}, {16}), &m_settings);

    EXPECT_EQ(result.status, ExportStatus::FileFailed);
    EXPECT_EQ(result.failure.kind, FailureKind::Damaged);
    EXPECT_EQ(result.files, std::vector<std::string>{m_out.Path() + "ZR6AL.csv"});
    EXPECT_EQ(FileBytes(m_out.Path() + "ZR6AL.csv"), ExpectedExport("per_area_AL.csv"));
    EXPECT_TRUE(NothingSaved());
}

// A value written as a number that is not one stops the run in every
// format as a damaged file, naming area, line and quarter; a withheld value
// is not read as a number, and the fixed format writes its stored text.
TEST_F(ExportFailureTest, AValueThatIsNoNumberEndsTheRunAsDamaged)
{
    test::PutValueField(m_data, "ZR6.dfx", "ZR6", 2, 5, 16, "   12x4567");
    test::PutValueField(m_data, "ZR6.dfx", "ZR6", 2, 2, 16, "  ABCDEFGH"); // withheld (N)
    test::PutValueField(m_data, "ZR6.xxx", "ZR6", 2, 2, 16, "  ABCDEFGH");
    for (const ExportFormat format : {ExportFormat::Comma, ExportFormat::Space, ExportFormat::Tab, ExportFormat::Fixed,
                                      ExportFormat::Workbook}) {
        SCOPED_TRACE(static_cast<int>(format));
        for (const bool unsuppressed : {false, true}) {
            TempFolder out;
            out.Write("export.out", "Earlier export\r\n");
            ExportOptions options = Options("ZR6", format, {1, 2, 5});
            options.FileName = out.Path() + "export.out";

            const ExportResult result
                = RunExport(options, Selection("ZR6", {2, 3}, {15, 16}, unsuppressed), &m_settings);

            EXPECT_EQ(result.status, ExportStatus::FileFailed);
            EXPECT_EQ(result.failure.kind, FailureKind::Damaged);
            EXPECT_EQ(result.failure.path, m_data.Path() + (unsuppressed ? "ZR6.xxx" : "ZR6.dfx"));
            EXPECT_EQ(ExportFailureText(result),
                      "The file " + ToUpper(m_data.Path()) + (unsuppressed ? "ZR6.XXX" : "ZR6.DFX")
                          + " is damaged or incomplete: its record for area 2, line " + (unsuppressed ? "2" : "5")
                          + " holds a value for 2001.4 that is not a number.");
            EXPECT_EQ(result.records, unsuppressed ? 1 : 2);
            EXPECT_EQ(FileBytes(out.Path() + "export.out"), "Earlier export\r\n");
            EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.Path()), {}), 1);
        }
    }
    EXPECT_TRUE(NothingSaved());

    // Without the damaged line the withheld value exports as its mark, or as
    // the stored text in the fixed format.
    for (const ExportFormat format : {ExportFormat::Comma, ExportFormat::Fixed}) {
        ExportOptions options = Options("ZR6", format, {2});
        const ExportResult result = RunExport(options, Selection("ZR6", {2}, {16}), &m_settings);
        ASSERT_EQ(result.status, ExportStatus::Completed) << FailureText(result.failure);
        const std::string bytes = FileBytes(options.FileName);
        EXPECT_NE(bytes.find(format == ExportFormat::Fixed ? "  ABCDEFGH 2\r\n" : ",\"(N)\","), std::string::npos)
            << bytes;
    }
}

TEST_F(ExportFailureTest, ARunThatStopsLeavesTheEarlierFileByteForByte)
{
    // Area 3's block is cut off: the run stops after area 2's records.
    const std::string whole = FileBytes(m_data.Path() + "ZR6.dfx");
    m_data.Write("ZR6.dfx", whole.substr(0, whole.size() / AreaCount * 2));
    for (const bool append : {false, true}) {
        TempFolder out;
        const std::string earlier = "Earlier export\r\n1,2,3\r\n";
        out.Write("export.out", earlier);
        ExportOptions options = Options("ZR6", ExportFormat::Comma, {1, 2});
        options.Append = append;
        options.FileName = out.Path() + "export.out";

        const ExportResult result = RunExport(options, Selection("ZR6", {2, 3}, {16}), &m_settings);

        EXPECT_EQ(result.status, ExportStatus::FileFailed);
        EXPECT_EQ(result.failure.kind, FailureKind::Damaged);
        EXPECT_EQ(result.records, 2);
        EXPECT_TRUE(result.files.empty());
        EXPECT_EQ(FileBytes(options.FileName), earlier) << "append " << append;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.Path()), {}), 1);
    }
    EXPECT_TRUE(NothingSaved());
}

TEST_F(ExportFailureTest, OutputIntoTheSettingsFileIsRefused)
{
    // The store's own file, and the default one tarvel-batch reads.
    TempFolder config;
    const char *before = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = before ? before : "";
    setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    const std::string defaultFile = config.Write("ZUL/TARVEL_08_1.reg", "REGEDIT4\n");
    m_settings.CreateSettingsKey("Software");
    const std::string storeFile = m_settings.File().string();
    const std::string storeBytes = FileBytes(storeFile);

    struct Case {
        std::string name;
        SettingsStore *settings;
    };
    for (const Case &c : {Case{storeFile, &m_settings}, Case{defaultFile, &m_settings}, Case{defaultFile, nullptr},
                          Case{config.Path() + "ZUL/../ZUL/TARVEL_08_1.REG", nullptr}}) {
        ExportOptions options = Options("ZR6", ExportFormat::Comma, {1});
        options.FileName = c.name;
        const ExportResult result = RunExport(options, Selection("ZR6", {2}, {16}), c.settings);
        EXPECT_EQ(result.status, ExportStatus::Refused) << c.name;
        EXPECT_EQ(result.title, "Output file not allowed");
    }
    EXPECT_EQ(FileBytes(storeFile), storeBytes);
    EXPECT_EQ(FileBytes(defaultFile), "REGEDIT4\n");
    if (before)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

TEST_F(ExportFailureTest, NothingChosenIsRefusedBeforeAnyFileIsWritten)
{
    struct Case {
        std::vector<int> areas;
        std::vector<int> lines;
        std::vector<int> quarters;
        const char *title;
    };
    for (const Case &c : {Case{{2}, {1}, {}, "Select quarters"}, Case{{}, {1}, {16}, "Select States"},
                          Case{{2}, {}, {16}, "No line titles selected"}}) {
        const ExportOptions options = Options("ZR6", ExportFormat::Comma, c.lines);
        const ExportResult result = RunExport(options, Selection("ZR6", c.areas, c.quarters), &m_settings);
        EXPECT_EQ(result.status, ExportStatus::Refused);
        EXPECT_EQ(result.title, c.title);
        EXPECT_EQ(FileBytes(options.FileName), "<missing>");
    }
    EXPECT_TRUE(NothingSaved());
}

TEST_F(ExportFailureTest, OutputIntoTheDataIsRefused)
{
    const std::string before = FileBytes(m_data.Path() + "ZR6.dfx");
    ExportOptions options = Options("ZR6", ExportFormat::Comma, {1});
    options.FileName = m_data.Path() + "zr6.DFX";

    const ExportResult result = RunExport(options, Selection("ZR6", {2}, {16}), &m_settings);

    EXPECT_EQ(result.status, ExportStatus::Refused);
    EXPECT_EQ(result.icon, MessageIcon::Critical);
    EXPECT_NE(result.text.find(options.FileName), std::string::npos);
    EXPECT_EQ(FileBytes(m_data.Path() + "ZR6.dfx"), before);
    EXPECT_TRUE(NothingSaved());
}

struct ProgramFileCase {
    const char *folder; // "data", "program" or "out"
    const char *name;
    bool refused;
};

void PrintTo(const ProgramFileCase &c, std::ostream *os)
{
    *os << c.folder << ' ' << test::CaseText(c.name) << " -> " << (c.refused ? "refused" : "allowed");
}

class ProgramFileTest : public ExportFixture, public ::testing::WithParamInterface<ProgramFileCase> {};

TEST_P(ProgramFileTest, TellsTheFilesTheProgramReads)
{
    m_data.Write("notes.txt", "a file of the data folder\r\n");
    const ProgramFileCase &c = GetParam();
    const std::string folder = std::string(c.folder) == "data"  ? m_data.Path()
        : std::string(c.folder) == "program"                     ? m_program.Path()
                                                                 : m_out.Path();
    const DataPaths paths{m_program.Path(), m_data.Path(), false};
    EXPECT_EQ(IsProgramFile(paths, folder + c.name), c.refused);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ProgramFileTest,
    ::testing::Values(ProgramFileCase{"data", "ZR6.dfx", true}, ProgramFileCase{"data", "zr6.DFX", true},
                      ProgramFileCase{"data", "STATCODE.CSV", true}, ProgramFileCase{"data", "notes.txt", true},
                      ProgramFileCase{"data", "sub/../ZR6line.csv", true},
                      ProgramFileCase{"data", "ZR5Nfn.txt", true}, ProgramFileCase{"program", "zr6fn.txt", true},
                      ProgramFileCase{"program", "Q_README.TXT", true}, ProgramFileCase{"data", "new.csv", false},
                      ProgramFileCase{"program", "export.csv", false}, ProgramFileCase{"out", "ZR6.dfx", false}));

} // namespace
} // namespace tarvel
