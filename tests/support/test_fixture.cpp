#include "test_fixture.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <system_error>

#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarvel::test {

namespace fs = std::filesystem;

TempFolder::TempFolder()
{
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = base
            / ("tarvel-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            m_path = candidate.string() + "/";
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempFolder::~TempFolder()
{
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

std::string TempFolder::Write(const std::string &name, std::string_view bytes) const
{
    const fs::path file = fs::path(m_path) / name;
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
    return file.string();
}

bool RunningAsRoot()
{
    return ::geteuid() == 0;
}

bool InChildProcess(const std::function<bool()> &check, bool asOtherUser)
{
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
        if (asOtherUser && RunningAsRoot()
            && (::setgroups(0, nullptr) != 0 || ::setresgid(OtherUser, OtherUser, OtherUser) != 0
                || ::setresuid(OtherUser, OtherUser, OtherUser) != 0))
            ::_exit(2);
        bool passed = false;
        try {
            passed = check();
        } catch (...) {
        }
        std::fflush(nullptr);
        ::_exit(passed ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

StandardOutputTo::StandardOutputTo(const std::string &file)
{
    std::fflush(stdout);
    m_saved = ::dup(STDOUT_FILENO);
    const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
    if (m_saved < 0 || fd < 0)
        throw std::runtime_error("cannot lead the standard output to " + file);
    ::dup2(fd, STDOUT_FILENO);
    ::close(fd);
}

StandardOutputTo::~StandardOutputTo()
{
    std::fflush(stdout);
    ::dup2(m_saved, STDOUT_FILENO);
    ::close(m_saved);
}

std::string TestDataDir()
{
    return std::string(TARVEL_TEST_DATA) + "/";
}

std::string SampleDataDir()
{
    return std::string(TARVEL_SAMPLE_DATA) + "/";
}

int EntryCount(const std::string &folder)
{
    int count = 0;
    for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(folder))
        ++count;
    return count;
}

} // namespace tarvel::test
