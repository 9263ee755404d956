#include "core/catalog/safe_output_file.h"

#include "core/catalog/temporary_files.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <chrono>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarvel {
namespace {

namespace fs = std::filesystem;
using test::FileBytes;
using test::TempFolder;
using Mode = SafeOutputFile::Mode;
using Delivery = SafeOutputFile::Delivery;

using test::EntryCount;

struct stat StatOf(const std::string &path)
{
    struct stat status {};
    ::lstat(path.c_str(), &status);
    return status;
}

bool Write(const std::string &target, Mode mode, std::string_view bytes, Delivery delivery = Delivery::AsWritten)
{
    auto output = SafeOutputFile::Open(target, mode, delivery);
    return output && output->Write(bytes) && output->Commit();
}

// Everything a reader of fd gets until the writer closes it.
std::string ReadAll(int fd)
{
    std::string bytes;
    char block[4096];
    ssize_t got = 0;
    while ((got = ::read(fd, block, sizeof block)) > 0)
        bytes.append(block, static_cast<std::size_t>(got));
    return bytes;
}

TEST(SafeOutputFile, TheTargetChangesOnlyOnCommit)
{
    struct Case {
        Mode mode;
        const char *committed;
        long entriesWhileWriting; // a temporary file beside a file replaced, a journal beside one appended to
    };
    for (const Case c : {Case{Mode::Replace, "new\r\n", 2}, Case{Mode::Append, "earlier\r\nnew\r\n", 2}}) {
        TempFolder folder;
        const std::string target = folder.Write("out.csv", "earlier\r\n");
        {
            auto output = SafeOutputFile::Open(target, c.mode);
            ASSERT_TRUE(output);
            EXPECT_EQ(output->Appending(), c.mode == Mode::Append);
            EXPECT_TRUE(output->Write("new\r\n"));
            EXPECT_EQ(FileBytes(target), "earlier\r\n");
            EXPECT_EQ(EntryCount(folder.Path()), c.entriesWhileWriting);
            // More than a buffer: on its way to the file, and taken back.
            EXPECT_TRUE(output->Write(std::string(100 * 1024, 'z')));
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

TEST(SafeOutputFile, NewFilesAppendingToNothingAndNamesThatAreNoFile)
{
    TempFolder folder;
    auto output = SafeOutputFile::Open(folder.Path() + "new.txt", Mode::Append);
    ASSERT_TRUE(output);
    EXPECT_FALSE(output->Appending());
    EXPECT_TRUE(output->Write("first"));
    EXPECT_TRUE(output->Commit());
    EXPECT_EQ(FileBytes(folder.Path() + "new.txt"), "first");

    // A name in another letter case is that file.
    EXPECT_TRUE(Write(folder.Path() + "NEW.TXT", Mode::Append, " second"));
    EXPECT_EQ(FileBytes(folder.Path() + "new.txt"), "first second");
    EXPECT_FALSE(fs::exists(folder.Path() + "NEW.TXT"));

    // An append that made its file and is dropped takes the file away again.
    {
        auto dropped = SafeOutputFile::Open(folder.Path() + "dropped.txt", Mode::Append);
        ASSERT_TRUE(dropped);
        dropped->Write(std::string(100 * 1024, 'd'));
    }
    EXPECT_FALSE(fs::exists(folder.Path() + "dropped.txt"));

    fs::create_directory(folder.Path() + "folder");
    fs::create_symlink("loop", folder.Path() + "loop");
    struct Refused {
        std::string name;
        int error;
    };
    for (const Refused &r : {Refused{folder.Path() + "folder", EISDIR}, Refused{folder.Path() + "missing/out.txt", ENOENT},
                             Refused{folder.Path() + "loop", ELOOP}}) {
        for (const Mode mode : {Mode::Replace, Mode::Append}) {
            const auto refused = SafeOutputFile::Open(r.name, mode);
            ASSERT_FALSE(refused) << r.name;
            EXPECT_EQ(refused.Error().kind, FailureKind::NotAccessible);
            EXPECT_EQ(refused.Error().path, r.name);
            EXPECT_EQ(refused.Error().error, r.error) << r.name;
        }
    }
    // The loop stays a link, and nothing was made.
    EXPECT_TRUE(fs::is_symlink(folder.Path() + "loop"));
    EXPECT_EQ(EntryCount(folder.Path()), 3);
}

// Through a link the file it names is replaced and the link stays, also
// when that file does not exist yet; the file keeps its mode, and its owner
// and group where the system allows (as root, always).
TEST(SafeOutputFile, ALinkStaysAndItsFileKeepsItsModeAndOwner)
{
    TempFolder folder;
    const std::string real = folder.Write("real.txt", "old");
    ::chmod(real.c_str(), 0640);
    if (test::RunningAsRoot()) {
        ASSERT_EQ(::chown(real.c_str(), test::OtherUser, test::OtherUser), 0);
    }
    const struct stat before = StatOf(real);
    fs::create_symlink(real, folder.Path() + "link.txt");

    EXPECT_TRUE(ReplaceFileContents(folder.Path() + "link.txt", "new"));
    EXPECT_TRUE(fs::is_symlink(folder.Path() + "link.txt"));
    EXPECT_EQ(FileBytes(real), "new");
    const struct stat after = StatOf(real);
    EXPECT_NE(after.st_ino, before.st_ino); // replaced, not written over
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);

    fs::create_directory(folder.Path() + "sub");
    fs::create_symlink("sub/made.txt", folder.Path() + "dangling.txt");
    for (const Mode mode : {Mode::Replace, Mode::Append}) {
        EXPECT_TRUE(Write(folder.Path() + "dangling.txt", mode, "made"));
        EXPECT_TRUE(fs::is_symlink(folder.Path() + "dangling.txt"));
    }
    EXPECT_EQ(FileBytes(folder.Path() + "sub/made.txt"), "mademade");
}

// A FIFO, a device or a socket is written in place and never replaced; an
// output that is whole goes through only at Commit.
TEST(SafeOutputFile, SpecialFilesAreWrittenInPlace)
{
    TempFolder folder;
    const std::string fifo = folder.Path() + "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const Mode mode : {Mode::Replace, Mode::Append}) {
        for (const Delivery delivery : {Delivery::AsWritten, Delivery::Whole}) {
            std::string got;
            std::thread reader([&] {
                const int fd = ::open(fifo.c_str(), O_RDONLY | O_CLOEXEC);
                got = ReadAll(fd);
                ::close(fd);
            });
            const std::string bytes = "through the pipe " + std::string(100 * 1024, 'p');
            EXPECT_TRUE(Write(fifo, mode, bytes, delivery));
            reader.join();
            EXPECT_EQ(got, bytes);
            EXPECT_TRUE(S_ISFIFO(StatOf(fifo).st_mode));
        }
    }
    EXPECT_EQ(EntryCount(folder.Path()), 1);

    for (const Mode mode : {Mode::Replace, Mode::Append})
        EXPECT_TRUE(Write("/dev/null", mode, "nothing", Delivery::Whole));
    EXPECT_TRUE(S_ISCHR(StatOf("/dev/null").st_mode));

    const std::string socketPath = folder.Path() + "socket";
    const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(::bind(server, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(server, 1), 0);
    std::string got;
    std::thread listener([&] {
        const int connection = ::accept(server, nullptr, nullptr);
        got = ReadAll(connection);
        ::close(connection);
    });
    EXPECT_TRUE(Write(socketPath, Mode::Replace, "to the socket"));
    listener.join();
    ::close(server);
    EXPECT_EQ(got, "to the socket");
    EXPECT_TRUE(S_ISSOCK(StatOf(socketPath).st_mode));
}

// The standard output, by any name, is written through descriptor 1 as it
// stands: ">> log" keeps the log and adds to it, and nothing is renamed.
TEST(SafeOutputFile, TheStandardOutputIsWrittenAsItStands)
{
    TempFolder folder;
    const std::string log = folder.Write("log", "earlier\n");
    fs::create_symlink("/proc/self/fd/1", folder.Path() + "stdout-link");
    std::string expected = "earlier\n";
    {
        const test::StandardOutputTo redirect(log);
        for (const std::string &name : {std::string("-"), std::string("/dev/stdout"), folder.Path() + "stdout-link", log}) {
            auto output = SafeOutputFile::Open(name, Mode::Replace);
            ASSERT_TRUE(output) << name;
            EXPECT_TRUE(output->Appending());
            EXPECT_TRUE(output->Write(name + "\n"));
            EXPECT_TRUE(output->Commit());
            expected += name + "\n";
        }
        EXPECT_TRUE(Write("-", Mode::Append, "appended\n"));
        expected += "appended\n";
        // Whole: nothing before Commit, nothing at all when dropped.
        {
            auto dropped = SafeOutputFile::Open("-", Mode::Replace, Delivery::Whole);
            ASSERT_TRUE(dropped);
            dropped->Write(std::string(100 * 1024, 'w'));
            EXPECT_EQ(FileBytes(log), expected);
        }
        EXPECT_TRUE(Write("/dev/stdout", Mode::Replace, "whole\n", Delivery::Whole));
        expected += "whole\n";
    }
    EXPECT_EQ(FileBytes(log), expected);
    EXPECT_TRUE(fs::is_symlink(folder.Path() + "stdout-link"));
    EXPECT_EQ(EntryCount(folder.Path()), 2);
}

// A file the user may not write is refused as opening it would be, never
// replaced: a file of another owner in a folder anyone may write (as root
// the check runs as another user).
TEST(SafeOutputFile, AFileTheUserMayNotWriteIsRefused)
{
    TempFolder folder;
    ::chmod(folder.Path().c_str(), 0777);
    const std::string file = folder.Write("read-only.txt", "keep me");
    ::chmod(file.c_str(), 0444);
    const struct stat before = StatOf(file);
    EXPECT_TRUE(test::InChildProcess(
        [&] {
            for (const Mode mode : {Mode::Replace, Mode::Append}) {
                for (const Delivery delivery : {Delivery::AsWritten, Delivery::Whole}) {
                    const auto output = SafeOutputFile::Open(file, mode, delivery);
                    if (output || output.Error().error != EACCES)
                        return false;
                }
            }
            return true;
        },
        true));
    const struct stat after = StatOf(file);
    EXPECT_EQ(FileBytes(file), "keep me");
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(EntryCount(folder.Path()), 1);
}

// Where no temporary file can be made beside it (a folder the user may not
// write), a file the user may write is written in place; a name of up to
// 255 bytes needs no longer temporary name.
TEST(SafeOutputFile, WithoutATemporaryFileBesideItAFileIsWrittenInPlace)
{
    TempFolder folder;
    const std::string file = folder.Write("writable.txt", "earlier text, longer than the new");
    const std::string longName = folder.Write(std::string(255, 'n'), "earlier");
    for (const std::string &path : {file, longName})
        ::chmod(path.c_str(), 0666);
    ::chmod(folder.Path().c_str(), 0555);
    const ino_t inode = StatOf(file).st_ino;
    const bool written = test::InChildProcess(
        [&] {
            // Dropped: as it was. Committed: in place, whole.
            {
                auto dropped = SafeOutputFile::Open(file, Mode::Replace);
                if (!dropped || !dropped->Write(std::string(100 * 1024, 'd')))
                    return false;
            }
            if (FileBytes(file) != "earlier text, longer than the new")
                return false;
            return Write(file, Mode::Replace, "new") && Write(file, Mode::Append, "+more")
                && Write(longName, Mode::Replace, "long") && Write(longName, Mode::Replace, "!", Delivery::Whole);
        },
        true);
    ::chmod(folder.Path().c_str(), 0755);
    EXPECT_TRUE(written);
    EXPECT_EQ(FileBytes(file), "new+more");
    EXPECT_EQ(StatOf(file).st_ino, inode);
    EXPECT_EQ(FileBytes(longName), "!");
    EXPECT_EQ(EntryCount(folder.Path()), 2);

    // In a folder it may write, the long name is replaced through a short
    // temporary name.
    EXPECT_TRUE(Write(longName, Mode::Replace, "replaced"));
    EXPECT_EQ(FileBytes(longName), "replaced");
    EXPECT_EQ(EntryCount(folder.Path()), 2);
}

// Appends are made in place, one after the other: while one run appends,
// another waits, so both land whole.
TEST(SafeOutputFile, AppendsAreMadeInPlaceOneAfterTheOther)
{
    TempFolder folder;
    const std::string file = folder.Write("log.txt", "earlier\n");
    const ino_t inode = StatOf(file).st_ino;
    auto first = SafeOutputFile::Open(file, Mode::Append);
    ASSERT_TRUE(first);
    const std::string firstBytes = "first " + std::string(100 * 1024, '1') + "\n";
    ASSERT_TRUE(first->Write(firstBytes.substr(0, 70 * 1024)));
    bool secondDone = false;
    std::thread second([&] { secondDone = Write(file, Mode::Append, "second\n"); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(secondDone); // waiting for the first
    ASSERT_TRUE(first->Write(firstBytes.substr(70 * 1024)));
    EXPECT_TRUE(first->Commit());
    second.join();
    EXPECT_TRUE(secondDone);
    EXPECT_EQ(FileBytes(file), "earlier\n" + firstBytes + "second\n");
    EXPECT_EQ(StatOf(file).st_ino, inode);
    EXPECT_EQ(EntryCount(folder.Path()), 1);
}

// A write that fails part-way (a limit on file sizes stands in for a full
// disk, and ends no run) leaves the file as it was: an append is cut back,
// a file replaced stays.
TEST(SafeOutputFile, AFailedWriteLeavesTheFileAsItWas)
{
    for (const Mode mode : {Mode::Append, Mode::Replace}) {
        TempFolder folder;
        const std::string file = folder.Write("log.txt", std::string(1000, 'e'));
        EXPECT_TRUE(test::InChildProcess([&] {
            rlimit limit{};
            limit.rlim_cur = limit.rlim_max = 50 * 1024;
            ::setrlimit(RLIMIT_FSIZE, &limit);
            auto output = SafeOutputFile::Open(file, mode);
            if (!output)
                return false;
            output->Write(std::string(100 * 1024, 'x'));
            return !output->Commit() && output->Error() == EFBIG;
        }));
        EXPECT_EQ(FileBytes(file), std::string(1000, 'e'));
        EXPECT_EQ(EntryCount(folder.Path()), 1);
    }
}

// An append that is whole or nothing needs no spool file: it goes into the
// file in place, and a run ended by SIGTERM or SIGINT before Commit leaves
// an earlier file as it was and takes away a file it made, however it was
// delivered.
TEST(SafeOutputFile, AnAppendEndedByASignalLeavesNothing)
{
    struct Case {
        Delivery delivery;
        bool existing;
        int signal;
    };
    for (const Case c : {Case{Delivery::Whole, true, SIGTERM}, Case{Delivery::Whole, false, SIGTERM},
                         Case{Delivery::AsWritten, true, SIGINT}, Case{Delivery::AsWritten, false, SIGTERM}}) {
        TempFolder folder;
        TempFolder spool;
        const std::string file = folder.Path() + "print.txt";
        if (c.existing)
            folder.Write("print.txt", "earlier\r\n");
        std::fflush(nullptr);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::setenv("TMPDIR", spool.Path().c_str(), 1);
            auto output = SafeOutputFile::Open(file, Mode::Append, c.delivery);
            // More than the buffers hold, so that much has reached the file.
            if (!output || !output->Write(std::string(300 * 1024, 'p')) || !output->WorkFile().empty()
                || EntryCount(spool.Path()) != 0 || FileBytes(file).size() < 200 * 1024)
                ::_exit(1);
            ::raise(c.signal);
            ::_exit(2);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the run ended with " << WEXITSTATUS(status);
        EXPECT_EQ(WTERMSIG(status), c.signal);
        if (c.existing)
            EXPECT_EQ(FileBytes(file), "earlier\r\n");
        else
            EXPECT_FALSE(fs::exists(file));
        EXPECT_EQ(EntryCount(folder.Path()), c.existing ? 1 : 0);
    }
}

// Temporary files of a writer that is gone (killed) are removed before an
// output is written beside them; a file of the user's by a name of the
// same look stays.
TEST(SafeOutputFile, TemporaryFilesOfKilledRunsAreRemovedBeforeWriting)
{
    TempFolder folder;
    const std::string users = folder.Write(".tarvel-K1lled", "the user's own");
    // A killed run's: its descriptor, and so its lock, gone.
    fs::path dead;
    int ticket = -1;
    ::close(CreateTemporaryFile(folder.Path(), dead, ticket));
    ForgetOnSignal(ticket);
    EXPECT_EQ(EntryCount(folder.Path()), 2);
    EXPECT_TRUE(Write(folder.Path() + "out.csv", Mode::Replace, "new"));
    EXPECT_EQ(FileBytes(users), "the user's own");
    EXPECT_EQ(EntryCount(folder.Path()), 2);
}

// A run about to rename its temporary file over its target (here kept
// waiting there by an append under way, whose lock this test holds) still
// holds that file locked: another run's clean-up leaves it alone.
TEST(SafeOutputFile, ATemporaryFileStaysLockedUntilItIsRenamed)
{
    TempFolder folder;
    const std::string target = folder.Write("out.csv", "earlier");
    const int appender = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(appender, LOCK_EX), 0);
    auto output = SafeOutputFile::Open(target, Mode::Replace);
    ASSERT_TRUE(output);
    ASSERT_TRUE(output->Write("new"));
    bool committed = false;
    std::thread commit([&] { committed = output->Commit(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    // The other run writes beside it.
    EXPECT_TRUE(Write(folder.Path() + "other.csv", Mode::Replace, "other"));
    ::close(appender);
    commit.join();
    EXPECT_TRUE(committed) << std::strerror(output->Error());
    EXPECT_EQ(FileBytes(target), "new");
    EXPECT_EQ(EntryCount(folder.Path()), 2);
}

// In a sticky folder only a file's owner may replace it: another user's
// file that this one may write is written in place, as in a folder this
// one may not write.
TEST(SafeOutputFile, AnotherUsersFileInAStickyFolderIsWrittenInPlace)
{
    if (!test::RunningAsRoot())
        GTEST_SKIP() << "needs another user";
    TempFolder folder;
    ::chmod(folder.Path().c_str(), 01777);
    const std::string file = folder.Write("shared.csv", "earlier text, longer than the new");
    ::chmod(file.c_str(), 0666);
    const struct stat before = StatOf(file);
    EXPECT_TRUE(test::InChildProcess(
        [&] { return Write(file, Mode::Replace, "new") && Write(file, Mode::Replace, "whole", Delivery::Whole); },
        true));
    const struct stat after = StatOf(file);
    EXPECT_EQ(FileBytes(file), "whole");
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(EntryCount(folder.Path()), 1);
}

} // namespace
} // namespace tarvel
