#include "core/views/revisions.h"

#include "core/catalog/data_files.h"
#include "core/catalog/table_catalog.h"
#include "core/catalog/value_text.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

namespace tarvel {
namespace {

namespace fs = std::filesystem;

const DataPaths Sample{"/nonexistent/", test::SampleDataDir(), false};

// The earlier release: the sample data with the value of quarter k in
// area's record of line set to value (in the field's own width).
class EarlierRelease {
public:
    EarlierRelease()
    {
        fs::copy(test::SampleDataDir(), m_folder.Path(), fs::copy_options::recursive);
    }
    const std::string &Path() const { return m_folder.Path(); }

    double SetValue(const std::string &code, int area, int line, int k, double factor)
    {
        const std::string file = TableDataFileName(OtherReleasePaths(Path(), false), code);
        std::string bytes = test::FileBytes(file);
        Result<TableDataFile> data = TableDataFile::Open(file, code);
        EXPECT_TRUE(data);
        std::size_t at = static_cast<std::size_t>(data->Position(area, line) - 1);
        for (int field = 0; field < k + 4; ++field)
            at = bytes.find(',', at) + 1;
        const std::size_t width = bytes.find(',', at) - at;
        const double value = ReadLeadingNumber(bytes.substr(at, width));
        std::string text = std::to_string(std::llround(value * factor));
        text.insert(0, width - text.size(), ' ');
        bytes.replace(at, width, text);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
        return value;
    }

private:
    test::TempFolder m_folder;
};

// Two cells revised between the releases: the list holds exactly those,
// the largest percent first, with the figures of both releases.
TEST(Revisions, LargestRevisionsFindTheRevisedCells)
{
    EarlierRelease earlier;
    const double small = earlier.SetValue("ZR5N", 6, 1, 10, 0.99);
    const double large = earlier.SetValue("ZR5N", 40, 3, 50, 2.0);
    const DataPaths other = OtherReleasePaths(earlier.Path(), false);

    const Result<std::vector<RevisionEntry>> all = LargestRevisions("ZR5N", {}, Sample, other, 0);
    ASSERT_TRUE(all) << FailureText(all.Error());
    ASSERT_EQ(all->size(), 2u);
    const RevisionEntry &first = (*all)[0];
    EXPECT_EQ(first.Area, 40);
    EXPECT_EQ(first.Line, 3);
    EXPECT_EQ(first.Quarter, 50);
    EXPECT_EQ(first.Now.Value, large);
    EXPECT_EQ(first.Earlier.Value, static_cast<double>(std::llround(large * 2.0)));
    EXPECT_NEAR(first.Percent.Value, -50.0, 0.01);
    const RevisionEntry &second = (*all)[1];
    EXPECT_EQ(second.Area, 6);
    EXPECT_EQ(second.Quarter, 10);
    EXPECT_DOUBLE_EQ(second.Revision.Value, small - static_cast<double>(std::llround(small * 0.99)));

    const Result<std::vector<RevisionEntry>> top = LargestRevisions("ZR5N", {10, 11}, Sample, other, 1);
    ASSERT_TRUE(top);
    ASSERT_EQ(top->size(), 1u);
    EXPECT_EQ((*top)[0].Area, 6);

    const Result<std::vector<RevisionEntry>> none = LargestRevisions("ZR1", {}, Sample, other, 0);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->empty());
}

// Folders that cannot be compared, and tables whose lines differ.
TEST(Revisions, RefusesWhatCannotBeCompared)
{
    EarlierRelease earlier;
    const test::TempFolder empty;
    EXPECT_EQ(CheckOtherRelease(Sample, earlier.Path()), std::nullopt);
    for (const std::string &folder : {Sample.DataFolder, empty.Path(), empty.Path() + "missing/", std::string()}) {
        const std::optional<Failure> refused = CheckOtherRelease(Sample, folder);
        ASSERT_TRUE(refused) << folder;
        EXPECT_EQ(refused->kind, FailureKind::Usage);
    }

    const std::string titles = earlier.Path() + "ZR5Nline.csv";
    std::string bytes = test::FileBytes(titles);
    const std::size_t at = bytes.find("less: Contributions");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 4, "LESS");
    std::ofstream(titles, std::ios::binary | std::ios::trunc) << bytes;
    const DataPaths other = OtherReleasePaths(earlier.Path(), false);
    const std::optional<Failure> differ = CheckSameLines("ZR5N", Sample, other);
    ASSERT_TRUE(differ);
    EXPECT_NE(FailureText(*differ).find("line 3 of ZR5N"), std::string::npos) << FailureText(*differ);
    EXPECT_FALSE(LargestRevisions("ZR5N", {}, Sample, other, 0));
    EXPECT_EQ(CheckSameLines("ZR1", Sample, other), std::nullopt);
}

TEST(Revisions, FigureRules)
{
    const Figure p100{100, FigureState::Published, '0'};
    const Figure p80{80, FigureState::Published, '0'};
    const Figure minus{-20, FigureState::Published, '0'};
    const Figure zero{0, FigureState::Published, '0'};
    const Figure d{0, FigureState::Withheld, '1'};
    const Figure n{0, FigureState::Withheld, 'N'};
    const Figure blank{0, FigureState::Blank, '0'};
    const Figure secret{90, FigureState::Confidential, '1'};
    struct Case {
        Figure now, earlier;
        FigureState revision, percent;
        double value, percentValue;
        char flag;
    };
    const Case cases[] = {
        {p100, p80, FigureState::Published, FigureState::Published, 20, 25, '0'},
        {p80, p100, FigureState::Published, FigureState::Published, -20, -20, '0'},
        {p100, minus, FigureState::Published, FigureState::Withheld, 120, 0, 'N'},
        {p100, zero, FigureState::Published, FigureState::Withheld, 100, 0, 'N'},
        {n, d, FigureState::Withheld, FigureState::Withheld, 0, 0, '1'},
        {p100, n, FigureState::Withheld, FigureState::Withheld, 0, 0, 'N'},
        {blank, p100, FigureState::Withheld, FigureState::Withheld, 0, 0, 'N'},
        {secret, p100, FigureState::Confidential, FigureState::Confidential, -10, -10, '1'},
    };
    for (const Case &c : cases) {
        const Figure revision = RevisionFigure(RevisionKind::Revision, c.now, c.earlier);
        const Figure percent = RevisionFigure(RevisionKind::PercentRevision, c.now, c.earlier);
        EXPECT_EQ(revision.State, c.revision) << c.now.Value << " " << c.earlier.Value;
        EXPECT_EQ(percent.State, c.percent) << c.now.Value << " " << c.earlier.Value;
        if (revision.HasNumber()) {
            EXPECT_DOUBLE_EQ(revision.Value, c.value);
        }
        if (percent.HasNumber()) {
            EXPECT_DOUBLE_EQ(percent.Value, c.percentValue);
        } else {
            EXPECT_EQ(percent.Flag, c.flag);
        }
    }
}

} // namespace
} // namespace tarvel
