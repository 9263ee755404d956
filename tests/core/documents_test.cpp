#include "core/help/documents.h"
#include "core/catalog/file_helpers.h"

#include "case_names.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tarvel {
namespace {

using test::TempFolder;

// ---- footnotes and summaries ------------------------------------------------------

struct FootnoteCase {
    const char *name;
    const char *code;
    TableDocument which;
    bool unsuppressed;
    bool fileInProgramFolder; ///< the program folder also holds the file
    const char *captionStart; ///< before " (" + path + ")"
    const char *file;
    bool inProgramFolder;     ///< the file is taken from the program folder
};

void PrintTo(const FootnoteCase &c, std::ostream *os)
{
    *os << c.name;
}

class FootnoteDocumentTest : public testing::TestWithParam<FootnoteCase> {};

constexpr TableDocument Footnotes = TableDocument::Footnotes;
constexpr TableDocument Summary = TableDocument::Summary;

TEST_P(FootnoteDocumentTest, CaptionAndFile)
{
    const FootnoteCase &c = GetParam();
    TempFolder program;
    TempFolder data;
    if (c.fileInProgramFolder)
        program.Write(c.file, "program copy\r\n");
    const DataPaths paths{program.Path(), data.Path(), c.unsuppressed};

    const DocumentRequest request = FootnoteDocument(paths, c.code, c.which);
    const std::string path = (c.inProgramFolder ? program.Path() : data.Path()) + c.file;
    EXPECT_EQ(request.Path, path);
    std::string caption = std::string(c.captionStart) + " (" + path + ")";
    if (c.unsuppressed)
        caption += " UNSUPPRESSED ";
    EXPECT_EQ(request.Caption, caption);
    EXPECT_TRUE(request.DisplayFont);
    EXPECT_EQ(request.Unsuppressed, c.unsuppressed);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, FootnoteDocumentTest,
    testing::Values(
        // Two blanks between the code and "footnotes".
        FootnoteCase{"ZR5NFootnotes", "ZR5N", Footnotes, false, false, "ZR5N  footnotes", "ZR5Nfn.txt", false},
        FootnoteCase{"FootnotesFromProgramFolder", "ZR7H", Footnotes, false, true, "ZR7H  footnotes", "ZR7Hfn.txt",
                     true},
        // ZR1 has no summary of its own: ZR5's caption and file.
        FootnoteCase{"ZR1SummaryIsZR5s", "ZR1", Summary, false, false, "ZR5 summary", "ZR5.doc", false},
        FootnoteCase{"ZR1FootnotesAreItsOwn", "ZR1", Footnotes, false, false, "ZR1  footnotes", "ZR1fn.txt", false},
        FootnoteCase{"SummaryFromProgramFolder", "ZR6", Summary, false, true, "ZR6 summary", "ZR6.doc", true},
        // Unsuppressed: the data folder only, whatever the program folder holds.
        FootnoteCase{"UnsuppressedFootnotes", "ZR5N", Footnotes, true, true, "ZR5N  footnotes", "ZR5Nfn.txt", false},
        FootnoteCase{"UnsuppressedZR1Summary", "ZR1", Summary, true, true, "ZR5 summary", "ZR5.doc", false}),
    [](const testing::TestParamInfo<FootnoteCase> &info) { return std::string(info.param.name); });

// ---- the other documents ------------------------------------------------------------

TEST(Documentation, TitlesFilesAndFonts)
{
    TempFolder program;
    TempFolder data;
    program.Write("regions.txt", "regions\r\n"); // only this one is in the program folder
    const DataPaths paths{program.Path(), data.Path(), false};

    struct Expected {
        const char *title;
        std::string path;
        bool displayFont;
    };
    const std::vector<Expected> expected{
        {"Format of exported documents", data.Path() + "zrformat.txt", true},
        {"ZUL Regions", program.Path() + "regions.txt", false},
        {"Read Me", data.Path() + "q_readme.txt", false},
    };
    const std::vector<DataDocument> documents{DataDocument::ExportFormats, DataDocument::Regions,
                                              DataDocument::Readme};
    for (std::size_t index = 0; index < documents.size(); ++index) {
        SCOPED_TRACE(index);
        const Expected &e = expected[index];
        const std::optional<DocumentRequest> request = Documentation(paths, documents[index]);
        ASSERT_TRUE(request);
        EXPECT_EQ(request->Path, e.path);
        EXPECT_EQ(request->Caption, std::string(e.title) + " (" + e.path + ")");
        EXPECT_EQ(request->DisplayFont, e.displayFont);
        EXPECT_FALSE(request->Unsuppressed);
    }
}

TEST(Documentation, NothingInUnsuppressedMode)
{
    TempFolder data;
    data.Write("regions.txt", "regions\r\n");
    const DataPaths paths{data.Path(), data.Path(), true};
    for (DataDocument document : {DataDocument::ExportFormats, DataDocument::Regions, DataDocument::Readme})
        EXPECT_FALSE(Documentation(paths, document)) << static_cast<int>(document);
}

} // namespace
} // namespace tarvel
