#include "core/views/cell_text.h"

#include "core/catalog/data_files.h"
#include "core/export/record_formats.h"
#include "core/views/table_view_builder.h"
#include "case_names.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace tarvel {
namespace {

// The number text built the plain way: all digits of the rounded value,
// then a comma before every group of three.
std::string Grouped(double value)
{
    const double rounded = std::round(value);
    if (rounded == 0.0)
        return "0";
    char digits[400];
    std::snprintf(digits, sizeof digits, "%.0f", std::fabs(rounded));
    const std::string plain = digits;
    std::string text = rounded < 0 ? "-" : "";
    for (std::size_t i = 0; i < plain.size(); ++i) {
        if (i != 0 && (plain.size() - i) % 3 == 0)
            text += ',';
        text += plain[i];
    }
    return text;
}

TEST(CellText, WholeNumbersMatchThePlainGroupingAcrossEveryGroupBoundary)
{
    std::vector<double> values;
    for (double power = 1; power < 1e19; power *= 10) {
        for (const double offset : {-1.0, 0.0, 1.0, 0.5, -0.5, 2.0})
            values.push_back(power + offset);
        values.push_back(power * 1.001);
    }
    for (const double v : {1000001.0, 1002003.0, 999999.5, 8.999e18, 9.0e18, 1.2345678901234567e19, DBL_MAX, 123.45,
                           0.49999999999999994, 4503599627370495.5, 0.5, 1.5})
        values.push_back(v);
    std::mt19937_64 random(14);
    std::uniform_real_distribution<double> exponent(0, 19);
    for (int i = 0; i < 2000; ++i)
        values.push_back(std::pow(10.0, exponent(random)));

    for (const double value : values) {
        EXPECT_EQ(FormatWholeNumber(value), Grouped(value)) << value;
        EXPECT_EQ(FormatWholeNumber(-value), Grouped(-value)) << -value;
    }
    // The longest text stays inside the room a caller gives.
    char room[WholeNumberRoom];
    char *end = PutWholeNumber(room, -DBL_MAX);
    EXPECT_EQ(std::string(room, static_cast<std::size_t>(end - room)), Grouped(-DBL_MAX));
    EXPECT_LE(static_cast<std::size_t>(end - room), WholeNumberRoom);
    EXPECT_EQ(DataCellText("-1.7976931348623157E308", '2', true), Grouped(-DBL_MAX) + " *");
}

// A field of up to 12 characters that holds a number, cut to the 10 that
// are read, is a number wherever the cut falls (after the point, inside the
// exponent, after the sign) and reads as the number the cut holds, as
// strtod reads it: the cell shows it rounded, the comma export writes it.
TEST(CellText, EveryNumberCutToTenCharactersIsTheNumberTheCutHolds)
{
    std::mt19937_64 random(33);
    const auto digits = [&random](std::size_t count) {
        std::string text;
        while (text.size() < count)
            text += static_cast<char>('0' + random() % 10);
        return text;
    };
    for (int n = 0; n < 200000; ++n) {
        const std::string whole = digits(random() % 10);
        const std::string decimals = random() % 2 ? digits(random() % 7) : "";
        const auto sign = [&random] { return std::string("+-").substr(random() % 3, 1); }; // or none
        std::string number = sign() + whole + (decimals.empty() && random() % 2 ? "" : ".") + decimals;
        if (random() % 4 == 0)
            number += (random() % 2 ? "E" : "e") + sign() + digits(1 + random() % 3);
        if (whole.size() + decimals.size() == 0 || number.size() > 12
            || !std::isfinite(std::strtod(number.c_str(), nullptr)))
            continue;
        const std::string field = std::string(random() % (13 - number.size()), ' ') + number;
        const std::string cut = field.substr(0, ValueTextLength);
        const double expected = std::strtod(cut.c_str(), nullptr);
        ASSERT_TRUE(IsValueNumber(cut)) << test::CaseText(field);
        ASSERT_EQ(ReadLeadingNumber(cut), expected) << test::CaseText(field);
        ASSERT_EQ(DataCellText(cut, '0', false), Grouped(expected)) << test::CaseText(field);
        ASSERT_EQ(DataCellText(cut, '1', true), Grouped(expected) + " *") << test::CaseText(field);
        std::string written;
        ASSERT_TRUE(AppendValueNumber(written, cut) && written == ShortestNumberText(expected)) << test::CaseText(field);
    }
}

TEST(CellText, AFieldShowsTheWholeNumberItReadsAsWhateverItsShape)
{
    // Fields of every shape a file may hold: blanks, signs, digits around a
    // point, exponents, stray letters; their text is the number the field
    // reads as, rounded, or none when it is not a number.
    std::vector<std::string> fields{"", " ", "-", "+.", ".5", "-.5", "5.", "5.E3", "1.5E3", "12E", "2.5", "-2.5",
                                    "0.49999999999999", "-0.5", "987.6r", "  -2500", "\t7.5", "999999999999999.5",
                                    "99999999999999.5", "1234567890123456", "12345678901234567890", "1e400", "-1e-400",
                                    "00000000000000000001.5", "4.5e0", "+0.0", "--1", "1.2.3"};
    std::mt19937_64 random(5);
    const std::string alphabet = "0123456789012345678901234567890123456789..  -+Eer";
    for (int i = 0; i < 20000; ++i) {
        std::string field(random() % 3, ' ');
        if (random() % 3 == 0)
            field += random() % 2 ? '-' : '+';
        const std::size_t length = random() % 22;
        for (std::size_t k = 0; k < length; ++k)
            field += alphabet[random() % alphabet.size()];
        fields.push_back(field);
    }
    for (const std::string &field : fields) {
        if (!IsValueNumber(field)) {
            EXPECT_EQ(DataCellText(field, '0', false), std::nullopt) << "[" << field << "]";
            EXPECT_EQ(DataCellText(field, '2', true), std::nullopt) << "[" << field << "]";
            continue;
        }
        const std::string expected = FormatWholeNumber(ReadLeadingNumber(field));
        EXPECT_EQ(DataCellText(field, '0', false), expected) << "[" << field << "]";
        EXPECT_EQ(DataCellText(field, '2', true), expected + " *") << "[" << field << "]";
    }
}

} // namespace
} // namespace tarvel
