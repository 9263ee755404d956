#include "core/catalog/output_target.h"

#include "test_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A file that other runs keep replacing is a file each time it is looked
// at; a link to a file that is deleted (open, with no name) is none.
TEST(OutputTarget, AFileReplacedMeanwhileIsStillAFile)
{
    TempFolder folder;
    const std::string file = folder.Write("out.csv", "first");
    std::atomic<bool> done{false};
    std::thread replacer([&] {
        for (int i = 0; !done; ++i) {
            const std::string next = folder.Write("next.csv", std::to_string(i));
            ::rename(next.c_str(), file.c_str());
        }
    });
    int missed = 0;
    for (int look = 0; look < 5000; ++look) {
        const Result<OutputTarget> target = FindOutputTarget(file);
        missed += !target || target->kind != Kind::Regular;
    }
    done = true;
    replacer.join();
    EXPECT_EQ(missed, 0);

    const std::string gone = folder.Write("gone.txt", "x");
    const int fd = ::open(gone.c_str(), O_RDONLY | O_CLOEXEC);
    ::unlink(gone.c_str());
    fs::create_symlink("/proc/self/fd/" + std::to_string(fd), folder.Path() + "to-gone");
    const Result<OutputTarget> target = FindOutputTarget(folder.Path() + "to-gone");
    ::close(fd);
    ASSERT_FALSE(target);
    EXPECT_EQ(target.Error().error, ENOENT);
}

} // namespace
} // namespace tarvel
