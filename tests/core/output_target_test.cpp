#include "core/catalog/output_target.h"

#include "test_fixture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include <sys/stat.h>

namespace tarvel {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using Kind = OutputTarget::Kind;

TEST(OutputTarget, NamesStandForWhatTheyLeadTo)
{
    TempFolder folder;
    const std::string dir = folder.Path();
    folder.Write("Real.txt", "x");
    fs::create_symlink(dir + "Real.txt", dir + "link.txt");
    fs::create_symlink("link.txt", dir + "link-to-link.txt");
    fs::create_symlink(dir + "sub/new.txt", dir + "dangling.txt");
    fs::create_symlink("dangling.txt", dir + "dangling-twice.txt");
    fs::create_symlink(dir + "nofolder/new.txt", dir + "dangling-nowhere.txt");
    fs::create_symlink("loop-b", dir + "loop-a");
    fs::create_symlink("loop-a", dir + "loop-b");
    fs::create_directory(dir + "sub");
    ASSERT_EQ(::mkfifo((dir + "pipe").c_str(), 0600), 0);
    fs::create_symlink("/proc/self/fd/1", dir + "my-stdout");

    struct Case {
        std::string name;
        Kind kind;
        std::string path; // "" for the name as given
        int error;        // when no target
    };
    const Case cases[] = {
        {dir + "Real.txt", Kind::Regular, "", 0},
        {dir + "REAL.TXT", Kind::Regular, dir + "Real.txt", 0},
        {dir + "link.txt", Kind::Regular, dir + "Real.txt", 0},
        {dir + "link-to-link.txt", Kind::Regular, dir + "Real.txt", 0},
        {dir + "new.txt", Kind::Missing, "", 0},
        // A link to a file that does not exist yet makes it where it points.
        {dir + "dangling.txt", Kind::Missing, dir + "sub/new.txt", 0},
        {dir + "dangling-twice.txt", Kind::Missing, dir + "sub/new.txt", 0},
        {dir + "dangling-nowhere.txt", Kind::Missing, "", ENOENT},
        {dir + "loop-a", Kind::Missing, "", ELOOP},
        {dir + "sub", Kind::Missing, "", EISDIR},
        {dir + "nofolder/x.txt", Kind::Missing, "", ENOENT},
        {"", Kind::Missing, "", ENOENT},
        {dir + "pipe", Kind::Special, "", 0},
        {"/dev/null", Kind::Special, "", 0},
        {"-", Kind::StandardOutput, "", 0},
        {"/dev/stdout", Kind::StandardOutput, "", 0},
        {"/proc/self/fd/1", Kind::StandardOutput, "", 0},
        {dir + "my-stdout", Kind::StandardOutput, "", 0},
        // Any name of that file is the standard output too.
        {dir + "log", Kind::StandardOutput, "", 0},
    };
    // The standard output is a file of the test's own here.
    const test::StandardOutputTo redirect(dir + "log");
    for (const Case &c : cases) {
        const Result<OutputTarget> target = FindOutputTarget(c.name);
        if (c.error != 0) {
            ASSERT_FALSE(target) << c.name;
            EXPECT_EQ(target.Error().kind, FailureKind::NotAccessible) << c.name;
            EXPECT_EQ(target.Error().path, c.name);
            EXPECT_EQ(target.Error().error, c.error) << c.name;
            continue;
        }
        ASSERT_TRUE(target) << c.name << ": " << target.Error().error;
        EXPECT_EQ(target->kind, c.kind) << c.name;
        EXPECT_EQ(target->path, c.path.empty() ? c.name : c.path) << c.name;
    }
}

} // namespace
} // namespace tarvel
