#include "core/catalog/temporary_files.h"

#include "core/catalog/own_files.h"

#include "test_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarvel {
namespace {

namespace fs = std::filesystem;
using test::EntryCount;
using test::TempFolder;

ino_t InodeOf(const std::string &path)
{
    struct stat status {};
    ::lstat(path.c_str(), &status);
    return status.st_ino;
}

// A temporary file as a killed run leaves it: of this program, unlocked.
std::string LeftByAKilledRun(const std::string &folder)
{
    fs::path name;
    int ticket = -1;
    const int fd = CreateTemporaryFile(folder, name, ticket);
    ForgetOnSignal(ticket);
    ::close(fd);
    return name.string();
}

TEST(TemporaryFiles, NamesProveTheFileIsOurs)
{
    TempFolder folder;
    fs::path first;
    fs::path second;
    int ticket = -1;
    const int a = CreateTemporaryFile(folder.Path(), first, ticket);
    ForgetOnSignal(ticket);
    const int b = CreateTemporaryFile(folder.Path(), second, ticket, true);
    ForgetOnSignal(ticket);
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    struct stat status {};
    ASSERT_EQ(::fstat(b, &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u); // only its owner reads it
    EXPECT_NE(first, second);
    for (const fs::path &name : {first, second}) {
        const std::string leaf = name.filename().string();
        EXPECT_TRUE(IsTemporaryFileName(leaf, InodeOf(name.string()))) << name;
        // The same name is no proof for another file.
        EXPECT_FALSE(IsTemporaryFileName(leaf, InodeOf(name.string()) + 1)) << name;
        EXPECT_TRUE(fs::equivalent(name.parent_path(), folder.Path()));
    }

    // The file is locked before it has its name; the other way, for file
    // systems without unnamed files, leaves no provisional name behind.
    const int dirFd = ::open(folder.Path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::string leaf;
    const int named = CreateOwnFile(
        dirFd, 0600, [](std::uint64_t inode) { return TemporaryFileName("Named0", inode); },
        [](int fd) { return ::write(fd, "filled", 6) == 6; }, leaf, false);
    ::close(dirFd);
    ASSERT_GE(named, 0);
    EXPECT_EQ(test::FileBytes(folder.Path() + leaf), "filled");
    EXPECT_TRUE(IsTemporaryFileName(leaf, InodeOf(folder.Path() + leaf)));
    EXPECT_EQ(EntryCount(folder.Path()), 3);

    // Held by its writer: a clean-up leaves it. Gone with its writer.
    RemoveStaleTemporaryFiles(folder.Path());
    EXPECT_EQ(EntryCount(folder.Path()), 3);
    for (const int fd : {a, b, named})
        ::close(fd);
    RemoveStaleTemporaryFiles(folder.Path());
    EXPECT_EQ(EntryCount(folder.Path()), 0);
    // A folder that does not exist makes none.
    EXPECT_LT(CreateTemporaryFile(folder.Path() + "missing", first, ticket), 0);
    EXPECT_EQ(ticket, -1);
}

// The clean-up removes what it can prove is a dead run's of this user and
// nothing else: not the user's own files whatever their names, not a copy
// of one of ours, not a link, FIFO or another user's file.
TEST(TemporaryFiles, TheCleanUpRemovesOnlyWhatIsProvedOurs)
{
    TempFolder folder;
    TempFolder elsewhere;
    const std::string dir = folder.Path();
    const auto old = [](const std::string &path) {
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(2));
        return path;
    };
    const std::string dead = LeftByAKilledRun(dir);
    fs::path scratch;
    int scratchTicket = -1;
    ASSERT_TRUE(CreateScratchFolder(dead, scratch, scratchTicket));
    ForgetOnSignal(scratchTicket);
    folder.Write(fs::path(scratch).filename().string() + "/tmp.Ab3dE9x0yZ", "the library's");

    fs::path liveName;
    int liveTicket = -1;
    const int live = CreateTemporaryFile(dir, liveName, liveTicket);
    ForgetOnSignal(liveTicket);
    ASSERT_TRUE(CreateScratchFolder(liveName, scratch, scratchTicket));
    ForgetOnSignal(scratchTicket);

    std::vector<std::string> kept = {
        // The forms earlier versions removed, however old.
        old(folder.Write(".tarvel-Ab3dE9", "the user's")), folder.Write(".tarvel-backup", "the user's"),
        old(folder.Write("s.reg.tmp-0123abcd", "the user's")), old(folder.Write(".s.reg.aB3xY9", "the user's")),
        liveName.string(), scratch.string()};
    // A copy of a dead run's file, by the same name elsewhere, is another file.
    const std::string copied = LeftByAKilledRun(elsewhere.Path());
    fs::copy_file(copied, dir + fs::path(copied).filename().string());
    kept.push_back(dir + fs::path(copied).filename().string());
    // A link by a name of ours to a dead run's file: neither is touched.
    fs::create_symlink(copied, dir + ".link");
    const std::string link = dir + TemporaryFileName("Link01", InodeOf(dir + ".link"));
    fs::rename(dir + ".link", link);
    kept.push_back(link);
    // A FIFO by a name of ours is never opened (that would wait for a writer).
    ASSERT_EQ(::mkfifo((dir + ".fifo").c_str(), 0600), 0);
    const std::string fifo = dir + TemporaryFileName("Fifo01", InodeOf(dir + ".fifo"));
    fs::rename(dir + ".fifo", fifo);
    kept.push_back(fifo);
    if (test::RunningAsRoot()) {
        const std::string others = LeftByAKilledRun(dir);
        ASSERT_EQ(::chown(others.c_str(), test::OtherUser, test::OtherUser), 0);
        kept.push_back(others);
    }

    RemoveStaleTemporaryFiles(dir);
    ::close(live);

    EXPECT_FALSE(fs::exists(dead));
    EXPECT_FALSE(fs::exists(dead + ".d"));
    for (const std::string &path : kept)
        EXPECT_TRUE(fs::exists(fs::symlink_status(path))) << path;
    EXPECT_TRUE(fs::exists(copied));
    EXPECT_EQ(EntryCount(dir), static_cast<int>(kept.size()));
}

// A run ended by a signal removes the files it registered and a scratch
// folder with what is in it, then ends as the signal ends it; a signal the
// program ignores stays ignored.
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
            fs::path scratch;
            int scratchTicket = -1;
            if (!CreateScratchFolder(file, scratch, scratchTicket) || scratchTicket < 0)
                ::_exit(3);
            folder.Write("work.d/tmp.aBcDeFgHiJ", "the library's");
            if (c.forgotten) {
                ForgetOnSignal(ticket);
                ForgetOnSignal(scratchTicket);
            }
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
        EXPECT_EQ(fs::exists(file + ".d/tmp.aBcDeFgHiJ"), !c.removed) << c.signal;
        EXPECT_EQ(EntryCount(folder.Path()), c.removed ? 0 : 2) << c.signal;
    }
}

} // namespace
} // namespace tarvel
