#include "core/views/scroll_value.h"

#include "case_names.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvel {
namespace {

struct TextCase {
    const char *text;
    int value;
};

void PrintTo(const TextCase &c, std::ostream *os)
{
    *os << test::CaseText(c.text) << " -> " << c.value;
}

class ScrollTextRule : public testing::TestWithParam<TextCase> {};

// The text box's rules when it loses the focus: out of range or not a
// number goes to the nearest bound; inside, the nearest whole number.
TEST_P(ScrollTextRule, GivesTheSliderValue)
{
    EXPECT_EQ(ScrollValueFromText(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(Cases, ScrollTextRule,
                         testing::Values(TextCase{"20000", 15000}, TextCase{"15000", 15000},
                                         TextCase{"15000.4", 15000}, TextCase{"14999.6", 15000},
                                         TextCase{"1E6", 15000}, TextCase{"3", 10}, TextCase{"abc", 10},
                                         TextCase{"", 10}, TextCase{"-500", 10}, TextCase{"9.99", 10},
                                         TextCase{"10", 10}, TextCase{" 5000", 5000}, TextCase{"8000abc", 8000},
                                         TextCase{"7000.5", 7000}, TextCase{"7001.5", 7002}));

TEST(ScrollValue, OtherBoundsAndTexts)
{
    EXPECT_EQ(ScrollValueFromText("5", 1, 100), 5);
    EXPECT_EQ(ScrollValueFromText("500", 1, 100), 100);
    EXPECT_EQ(ScrollValueText(5000), " 5000");
    EXPECT_EQ(ScrollDialogCaption("&Height..."), "Select new Height...");
    EXPECT_EQ(ScrollDialogCaption("&Width..."), "Select new Width...");
}

} // namespace
} // namespace tarvel
