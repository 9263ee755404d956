#include "core/settings/window_session.h"

#include "test_fixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace tarvel {
namespace {

bool SameWindow(const WindowState &a, const WindowState &b)
{
    return a.Kind == b.Kind && a.Code == b.Code && a.Area == b.Area && a.Line == b.Line && a.Quarters == b.Quarters
        && a.Units == b.Units && a.BaseQuarter == b.BaseQuarter && a.SortColumn == b.SortColumn
        && a.SortHighestFirst == b.SortHighestFirst && a.X == b.X && a.Y == b.Y && a.Width == b.Width
        && a.Height == b.Height && a.Maximized == b.Maximized && a.Active == b.Active && a.Settings == b.Settings;
}

std::string RandomText(std::mt19937 &random)
{
    std::string text;
    const int length = static_cast<int>(random() % 12);
    for (int i = 0; i < length; ++i)
        text += static_cast<char>(random() % 4 == 0 ? random() % 256 : 'a' + random() % 26);
    return text;
}

// A session whose n windows tell it apart from other sessions.
WindowSession RandomSession(std::mt19937 &random, int n)
{
    WindowSession session;
    session.DataFolder = "/data/" + RandomText(random) + "/";
    for (int i = 0; i < n; ++i) {
        WindowState window;
        window.Kind = i % 2 == 0 ? "table" : "one-line";
        window.Code = "ZR5N";
        window.Area = static_cast<int>(random() % 61);
        window.Line = static_cast<int>(random() % 47);
        for (int q = static_cast<int>(random() % 5); q > 0; --q)
            window.Quarters.push_back(1 + static_cast<int>(random() % 73));
        window.Units = random() % 2 == 0 ? "" : "pc1";
        window.BaseQuarter = static_cast<int>(random() % 74);
        window.SortColumn = static_cast<int>(random() % 5);
        window.SortHighestFirst = random() % 2 == 0;
        window.X = static_cast<int>(random() % 2000) - 1000;
        window.Y = static_cast<int>(random() % 2000);
        window.Width = static_cast<int>(random() % 2000);
        window.Height = static_cast<int>(random() % 2000);
        window.Maximized = random() % 2 == 0;
        window.Active = i == n - 1;
        if (random() % 2 == 0)
            window.Settings.emplace_back("chart=log " + RandomText(random), RandomText(random));
        session.Windows.push_back(window);
    }
    return session;
}

// Any session, whatever bytes its texts hold, reads back as it was written;
// every shorter text of it, and each one-byte change that breaks a line's
// form, is told as damaged, never read as another session.
TEST(WindowSession, ReadsBackWhatItWroteAndRefusesDamage)
{
    std::mt19937 random(2026);
    for (int round = 0; round < 200; ++round) {
        const WindowSession session = RandomSession(random, round % 4);
        const std::string text = WindowSessionText(session);
        const Result<WindowSession> read = ReadWindowSession(text, "windows");
        ASSERT_TRUE(read) << FailureText(read.Error()) << "\n" << text;
        EXPECT_EQ(read->DataFolder, session.DataFolder);
        ASSERT_EQ(read->Windows.size(), session.Windows.size());
        for (std::size_t i = 0; i < session.Windows.size(); ++i)
            EXPECT_TRUE(SameWindow(read->Windows[i], session.Windows[i])) << text;
        if (round < 20) {
            for (std::size_t cut = 0; cut < text.size(); ++cut)
                EXPECT_FALSE(ReadWindowSession(text.substr(0, cut), "windows")) << cut;
        }
    }
    const std::string good = WindowSessionText(RandomSession(random, 1));
    for (const std::string_view bad : {"area=61", "area=x", "place=1 2 3", "sort=1 2", "quarters=1  2", "noequals",
                                       "=1", "units=%G1", "units=%4"}) {
        std::string text = good;
        text.insert(text.find("active="), std::string(bad) + "\n");
        const Result<WindowSession> read = ReadWindowSession(text, "windows");
        ASSERT_FALSE(read) << bad;
        EXPECT_EQ(read.Error().kind, FailureKind::Damaged);
    }
}

// A damaged file is set aside and the start goes on with no windows; a
// later save writes a fresh file.
TEST(WindowSession, DamagedFileIsSetAside)
{
    const test::TempFolder folder;
    const std::string file = folder.Write("windows", "TARVEL windows 1\nfolder=/x/\n[window]\narea=");
    const WindowSessionLoad load = LoadWindowSession(file);
    ASSERT_TRUE(load.Damage);
    EXPECT_TRUE(load.Session.Windows.empty());
    EXPECT_EQ(load.SetAsideName, file + ".damaged");
    EXPECT_EQ(test::FileBytes(file + ".damaged"), "TARVEL windows 1\nfolder=/x/\n[window]\narea=");
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_FALSE(LoadWindowSession(file).Damage);

    std::mt19937 random(7);
    ASSERT_TRUE(SaveWindowSession(file, RandomSession(random, 2)));
    EXPECT_EQ(LoadWindowSession(file).Session.Windows.size(), 2u);
}

// A process saving session after session, killed at random moments: the
// file is always one whole session that it saved.
TEST(WindowSession, KillDuringSaveLeavesAWholeSession)
{
    const test::TempFolder folder;
    const std::string file = folder.Path() + "windows";
    std::mt19937 random(99);
    ASSERT_TRUE(SaveWindowSession(file, RandomSession(random, 1)));
    for (int round = 0; round < 12; ++round) {
        const pid_t child = fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
            std::mt19937 own(static_cast<unsigned>(round));
            for (int i = 0;; ++i)
                SaveWindowSession(file, RandomSession(own, 1 + i % 7));
        }
        usleep(static_cast<useconds_t>(1000 + random() % 20000));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        const WindowSessionLoad load = LoadWindowSession(file);
        ASSERT_FALSE(load.Damage) << FailureText(*load.Damage);
        EXPECT_GE(load.Session.Windows.size(), 1u);
        EXPECT_TRUE(load.Session.Windows.back().Active);
    }
}

} // namespace
} // namespace tarvel
