#include "core/catalog/safe_output_file.h"

#include "test_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tarvel {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

using test::FileBytes;

long EntryCount(const std::string &folder)
{
    return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
}

using Mode = SafeOutputFile::Mode;

TEST(SafeOutputFile, TheTargetChangesOnlyOnCommit)
{
    struct Case {
        Mode mode;
        const char *committed;
    };
    for (const Case c : {Case{Mode::Replace, "new\r\n"}, Case{Mode::Append, "earlier\r\nnew\r\n"}}) {
        TempFolder folder;
        const std::string target = folder.Write("out.csv", "earlier\r\n");
        {
            auto output = SafeOutputFile::Open(target, c.mode);
            ASSERT_TRUE(output);
            EXPECT_EQ(output->Appending(), c.mode == Mode::Append);
            EXPECT_TRUE(output->Write("new\r\n"));
            EXPECT_EQ(FileBytes(target), "earlier\r\n");
            EXPECT_EQ(EntryCount(folder.Path()), 2); // the temporary file beside it
        }
        // Dropped without Commit: as it was, and nothing left behind.
        EXPECT_EQ(FileBytes(target), "earlier\r\n");
        EXPECT_EQ(EntryCount(folder.Path()), 1);

        auto output = SafeOutputFile::Open(target, c.mode);
        ASSERT_TRUE(output);
        // More than the buffer holds, to pass through the direct write; then
        // more than the first buffer holds, after it was given up.
        const std::string big(200 * 1024, 'x');
        const std::string middle(40 * 1024, 'y');
        EXPECT_TRUE(output->Write("new\r\n"));
        EXPECT_TRUE(output->Write(big));
        EXPECT_TRUE(output->Write(middle));
        EXPECT_TRUE(output->Commit());
        EXPECT_EQ(FileBytes(target), c.committed + big + middle);
        EXPECT_EQ(EntryCount(folder.Path()), 1);
    }
}

TEST(SafeOutputFile, TextsComposedInPlaceKeepTheirOrderWhateverTheirLength)
{
    TempFolder folder;
    const std::string target = folder.Path() + "rows.txt";
    auto output = SafeOutputFile::Open(target, Mode::Replace);
    ASSERT_TRUE(output);
    std::string expected;
    // First a row longer than the first, small buffer (not the large one),
    // then short rows until the buffer has filled several times, then one
    // longer than any buffer, then short ones again.
    for (const std::size_t length :
         {std::size_t(20 * 1024), std::size_t(70), std::size_t(300 * 1024), std::size_t(5)}) {
        for (int row = 0; row < (length > 1000 ? 1 : 3000); ++row) {
            const std::string text = std::to_string(row) + std::string(length, 'a' + row % 26) + "\r\n";
            char *at = output->Room(text.size());
            ASSERT_NE(at, nullptr);
            std::memcpy(at, text.data(), text.size());
            output->Used(at + text.size());
            EXPECT_TRUE(output->Write("|"));
            expected += text + "|";
        }
    }
    EXPECT_TRUE(output->Commit());
    EXPECT_EQ(FileBytes(target), expected);
    // A committed output takes nothing more.
    EXPECT_FALSE(output->Write("late"));
    EXPECT_EQ(output->Room(4), nullptr);
}

TEST(SafeOutputFile, NewFilesAppendingToNothingAndFilesThatCannotBeReplaced)
{
    TempFolder folder;
    auto output = SafeOutputFile::Open(folder.Path() + "new.txt", Mode::Append);
    ASSERT_TRUE(output);
    EXPECT_FALSE(output->Appending());
    EXPECT_TRUE(output->Write("first"));
    EXPECT_TRUE(output->Commit());
    EXPECT_EQ(FileBytes(folder.Path() + "new.txt"), "first");

    // A name in another letter case is that file.
    auto again = SafeOutputFile::Open(folder.Path() + "NEW.TXT", Mode::Append);
    ASSERT_TRUE(again);
    again->Write(" second");
    EXPECT_TRUE(again->Commit());
    EXPECT_EQ(FileBytes(folder.Path() + "new.txt"), "first second");
    EXPECT_FALSE(fs::exists(folder.Path() + "NEW.TXT"));

    fs::create_directory(folder.Path() + "folder");
    EXPECT_FALSE(SafeOutputFile::Open(folder.Path() + "folder", Mode::Replace));
    EXPECT_FALSE(SafeOutputFile::Open("/dev/null", Mode::Replace));
    EXPECT_FALSE(SafeOutputFile::Open(folder.Path() + "missing/out.txt", Mode::Replace));
}

TEST(SafeOutputFile, ALinkStaysAndItsFileKeepsItsPermissions)
{
    TempFolder folder;
    const std::string real = folder.Write("real.txt", "old");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(real, folder.Path() + "link.txt");

    EXPECT_TRUE(ReplaceFileContents(folder.Path() + "link.txt", "new"));
    EXPECT_TRUE(fs::is_symlink(folder.Path() + "link.txt"));
    EXPECT_EQ(FileBytes(real), "new");
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(SafeOutputFile, StaleTemporaryFilesAreRemovedYoungOnesKept)
{
    TempFolder folder;
    const fs::path file = folder.Path() + "s.reg";
    const std::string old = folder.Write("s.reg.tmp-0123abcd", "killed");
    const std::string young = folder.Write("s.reg.tmp-89abcdef", "still writing");
    const std::string other = folder.Write("s.reg.tmp-notmine", "not ours");
    const std::string unrelated = folder.Write("t.reg.tmp-0123abcd", "another file's");
    for (const std::string &path : {old, other, unrelated})
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(2));

    RemoveStaleTemporaryFiles(file);

    EXPECT_FALSE(fs::exists(old));
    EXPECT_TRUE(fs::exists(young));
    EXPECT_TRUE(fs::exists(other));
    EXPECT_TRUE(fs::exists(unrelated));
}

} // namespace
} // namespace tarvel
