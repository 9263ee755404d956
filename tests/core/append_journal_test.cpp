#include "core/catalog/append_journal.h"

#include "core/catalog/safe_output_file.h"
#include "core/catalog/temporary_files.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarvel {
namespace {

namespace fs = std::filesystem;
using test::EntryCount;
using test::FileBytes;
using test::TempFolder;
using Mode = SafeOutputFile::Mode;

const std::string Earlier = "earlier\r\n";
const std::string Next = "next\r\n";

// An append killed (SIGKILL: nothing of the program runs after it) when
// more than 200 KB of its 300 KB have reached the file.
void KillDuringAppend(const std::string &file)
{
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto output = SafeOutputFile::Open(file, Mode::Append);
        if (!output || !output->Write(std::string(300 * 1024, 'k')))
            ::_exit(1);
        ::raise(SIGKILL);
        ::_exit(2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
}

bool Append(const std::string &file, const std::string &bytes, bool *appending = nullptr)
{
    auto output = SafeOutputFile::Open(file, Mode::Append);
    if (appending && output)
        *appending = output->Appending();
    return output && output->Write(bytes) && output->Commit();
}

// After a killed append, the next writer of the file or the next clean-up
// of its folder makes it what it held before (a file the killed run made:
// none), unless it has changed since in a way no killed append explains.
TEST(AppendJournal, AKilledAppendIsTakenBackByTheNextWriterOrCleanUp)
{
    enum class Then { NextAppend, CleanUp, OtherWriterAppends, FileReplaced };
    struct Case {
        const char *name;
        bool existed;
        Then then;
        const char *expected; // "<missing>": no file; "*": as it was before the clean-up
    };
    const std::string earlierNext = Earlier + Next;
    for (const Case c : {
             Case{"next append", true, Then::NextAppend, earlierNext.c_str()},
             Case{"clean-up", true, Then::CleanUp, Earlier.c_str()},
             Case{"next append to a file it made", false, Then::NextAppend, Next.c_str()},
             Case{"clean-up of a file it made", false, Then::CleanUp, "<missing>"},
             Case{"another program appended since", true, Then::OtherWriterAppends, "*"},
             Case{"the file was replaced since", true, Then::FileReplaced, "*"},
         }) {
        TempFolder folder;
        const std::string file = folder.Path() + "log.txt";
        if (c.existed)
            folder.Write("log.txt", Earlier);
        KillDuringAppend(file);
        ASSERT_GT(FileBytes(file).size(), 200 * 1024) << c.name;
        EXPECT_EQ(EntryCount(folder.Path()), 2) << c.name << ": no journal beside the file";

        if (c.then == Then::OtherWriterAppends) {
            std::ofstream(file, std::ios::binary | std::ios::app) << std::string(400 * 1024, 'o');
        } else if (c.then == Then::FileReplaced) {
            folder.Write("new.txt", "another file");
            fs::rename(folder.Path() + "new.txt", file);
        }
        const std::string before = FileBytes(file);
        if (c.then == Then::NextAppend) {
            bool appending = false;
            EXPECT_TRUE(Append(file, Next, &appending)) << c.name;
            EXPECT_EQ(appending, c.existed) << c.name;
        } else {
            RemoveStaleTemporaryFiles(folder.Path());
        }
        EXPECT_EQ(FileBytes(file), std::string(c.expected) == "*" ? before : std::string(c.expected)) << c.name;
        EXPECT_EQ(EntryCount(folder.Path()), fs::exists(file) ? 1 : 0) << c.name << ": the journal stayed";
    }
}

// A journal another user left in a sticky folder cannot be removed by this
// one: the file is cut back, and the append refused, as the journal would
// cut it away later. Its owner's next append takes it away.
TEST(AppendJournal, AJournalThatCannotBeRemovedRefusesTheAppend)
{
    if (!test::RunningAsRoot())
        GTEST_SKIP() << "needs another user";
    TempFolder folder;
    ::chmod(folder.Path().c_str(), 01777);
    const std::string file = folder.Write("shared.txt", Earlier);
    ::chmod(file.c_str(), 0666);
    KillDuringAppend(file);
    EXPECT_TRUE(test::InChildProcess(
        [&] {
            auto output = SafeOutputFile::Open(file, Mode::Append);
            return !output && output.Error().error == EPERM && FileBytes(file) == Earlier;
        },
        true));
    EXPECT_EQ(EntryCount(folder.Path()), 2);
    EXPECT_TRUE(Append(file, Next));
    EXPECT_EQ(FileBytes(file), Earlier + Next);
    EXPECT_EQ(EntryCount(folder.Path()), 1);
}

} // namespace
} // namespace tarvel
