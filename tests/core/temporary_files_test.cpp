#include "core/catalog/temporary_files.h"

#include "test_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarvel {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

TEST(TemporaryFiles, NamesAreShortAndFixed)
{
    EXPECT_TRUE(IsTemporaryFileName(".tarvel-Ab3dE9"));
    for (const char *name : {".tarvel-Ab3dE", ".tarvel-Ab3dE90", ".tarvel-Ab_dE9", "tarvel-Ab3dE9x", ".Tarvel-Ab3dE9"})
        EXPECT_FALSE(IsTemporaryFileName(name)) << name;

    TempFolder folder;
    fs::path first;
    fs::path second;
    int ticket = -1;
    const int a = CreateTemporaryFile(folder.Path(), first, ticket);
    ForgetOnSignal(ticket);
    const int b = CreateTemporaryFile(folder.Path(), second, ticket, true);
    ForgetOnSignal(ticket);
    struct stat status {};
    ASSERT_EQ(::fstat(b, &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u); // only its owner reads it
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    EXPECT_NE(first, second);
    for (const fs::path &name : {first, second}) {
        EXPECT_TRUE(IsTemporaryFileName(name.filename().string())) << name;
        EXPECT_TRUE(fs::equivalent(name.parent_path(), folder.Path()));
    }
    // Held by its writer: a cleaner leaves it. Gone with its writer.
    RemoveStaleTemporaryFiles(folder.Path());
    EXPECT_TRUE(fs::exists(first));
    ::close(a);
    ::close(b);
    RemoveStaleTemporaryFiles(folder.Path());
    EXPECT_FALSE(fs::exists(first));
    EXPECT_FALSE(fs::exists(second));
    // A folder that does not exist makes none.
    EXPECT_LT(CreateTemporaryFile(folder.Path() + "missing", first, ticket), 0);
    EXPECT_EQ(ticket, -1);
}

TEST(TemporaryFiles, OnlyFilesOfWritersThatAreGoneAreRemoved)
{
    TempFolder folder;
    const std::string dir = folder.Path();
    const auto old = [](const std::string &path) {
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(2));
        return path;
    };
    const std::string dead = folder.Write(".tarvel-Ab3dE9", "killed");
    const std::string live = folder.Write(".tarvel-LIVE01", "still writing");
    const std::string notOurs = old(folder.Write(".tarvel-ab_d12", "not ours"));
    const std::string linked = folder.Write("kept.txt", "a link's file");
    fs::create_symlink(linked, dir + ".tarvel-link01");
    // Leftovers of earlier versions: the old ones of this target only.
    const std::string oldTmp = old(folder.Write("s.reg.tmp-0123abcd", "killed"));
    const std::string youngTmp = folder.Write("s.reg.tmp-89abcdef", "maybe writing");
    const std::string oldBook = old(folder.Write(".s.reg.aB3xY9", "killed workbook"));
    const std::string otherTarget = old(folder.Write("t.reg.tmp-0123abcd", "another file's"));

    // Another writer's lock, as another process holds it.
    const int held = ::open(live.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    RemoveStaleTemporaryFiles(dir, dir + "s.reg");
    ::close(held);

    EXPECT_FALSE(fs::exists(dead));
    EXPECT_FALSE(fs::exists(oldTmp));
    EXPECT_FALSE(fs::exists(oldBook));
    for (const std::string &kept : {live, notOurs, linked, youngTmp, otherTarget})
        EXPECT_TRUE(fs::exists(kept)) << kept;
    EXPECT_TRUE(fs::is_symlink(dir + ".tarvel-link01"));
}

// A run ended by a signal removes the files it registered, then ends as the
// signal ends it; a signal the program ignores stays ignored.
TEST(TemporaryFiles, ASignalThatEndsTheRunRemovesItsFiles)
{
    struct Case {
        int signal;
        bool ignored;
        bool forgotten;
        bool removed;
    };
    for (const Case c : {Case{SIGTERM, false, false, true}, Case{SIGINT, false, false, true},
                         Case{SIGTERM, false, true, false}, Case{SIGTERM, true, false, false}}) {
        TempFolder folder;
        const std::string file = folder.Write("work", "half");
        std::fflush(nullptr);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (c.ignored)
                std::signal(c.signal, SIG_IGN);
            const int ticket = RemoveOnSignal(file);
            if (c.forgotten)
                ForgetOnSignal(ticket);
            ::raise(c.signal);
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        if (c.ignored) {
            EXPECT_TRUE(WIFEXITED(status));
        } else {
            ASSERT_TRUE(WIFSIGNALED(status)) << c.signal;
            EXPECT_EQ(WTERMSIG(status), c.signal);
        }
        EXPECT_EQ(fs::exists(file), !c.removed) << c.signal;
    }
}

} // namespace
} // namespace tarvel
