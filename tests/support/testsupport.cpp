#include "support/testsupport.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <future>
#include <random>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>
#include <unistd.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

namespace brisolt::test
{

TSandbox::TSandbox()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "sandbox";
    for (char& c : name)
    {
        if (c == '/')
            c = '_';
    }
    Root = std::filesystem::temp_directory_path() / ("brisolt-test-" + std::to_string(getpid()) + "-" + name);
    std::filesystem::remove_all(Root);
    std::filesystem::create_directories(Root);
}

TSandbox::~TSandbox()
{
    std::error_code ec;
    // Tests may leave read-only folders behind; make them removable first.
    for (auto it = std::filesystem::recursive_directory_iterator(Root, ec);
         !ec && it != std::filesystem::recursive_directory_iterator();
         it.increment(ec))
    {
        std::filesystem::permissions(
            it->path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    }
    std::filesystem::remove_all(Root, ec);
}

std::filesystem::path TSandbox::Write(const std::filesystem::path& relative, std::string_view bytes) const
{
    auto path = Root / relative;
    path.make_preferred();
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::filesystem::path TSandbox::Write(const char* relative, std::string_view bytes) const
{
    const std::string_view text(relative);
    return Write(std::filesystem::path(std::u8string(text.begin(), text.end())), bytes);
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::filesystem::path DataDir()
{
    return BRISOLT_TEST_DATA_DIR;
}

int RunPython(const std::string& script, const std::string& args, std::string& output)
{
#ifdef _WIN32
    static_cast<void>(script);
    static_cast<void>(args);
    static_cast<void>(output);
    ADD_FAILURE() << "no Python oracle in the Windows build; check OracleRuns() first";
    return -1;
#else
    const std::string command = std::string(BRISOLT_SYSTEM_PYTHON) + " '" + script + "' " + args;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    output.clear();
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

namespace
{

void SkipForTheOracle()
{
    GTEST_SKIP() << "needs Debian's python3 with python3-libtorrent (tests/oracle), absent in the Windows build";
}

} // namespace

bool OracleRuns()
{
    if (std::string_view(BRISOLT_SYSTEM_PYTHON).empty())
    {
        SkipForTheOracle();
        return false;
    }
    return true;
}

bool RunningAsRoot()
{
#ifdef _WIN32
    return false;
#else
    return ::geteuid() == 0;
#endif
}

void SetEnvironment(const char* name, const char* value)
{
#ifdef _WIN32
    // An empty value removes the variable.
    ::_putenv_s(name, value ? value : "");
#else
    if (value)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
#endif
}

TEnvironment::TEnvironment(const char* name, const char* value)
    : Name(name)
{
    if (const char* old = std::getenv(name))
        Old = old;
    SetEnvironment(name, value);
}

TEnvironment::~TEnvironment()
{
    SetEnvironment(Name, Old ? Old->c_str() : nullptr);
}

std::string RandomBytes(std::size_t size, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::string s(size, '\0');
    for (char& c : s)
        c = static_cast<char>(rng() & 0xFF);
    return s;
}

std::filesystem::path MakeFifo(const std::filesystem::path& path)
{
#ifdef _WIN32
    ADD_FAILURE() << "no FIFOs on Windows; skip with BRISOLT_LINUX_ONLY";
#else
    EXPECT_EQ(::mkfifo(path.c_str(), 0644), 0);
#endif
    return path;
}

bool MakeNode(const std::filesystem::path& path, TNodeKind kind)
{
#ifdef _WIN32
    (void)path;
    (void)kind;
    return false;
#else
    static constexpr struct
    {
        TNodeKind Kind;
        mode_t Type;
        unsigned Major;
        unsigned Minor;
    } kTypes[] = {
        {TNodeKind::Fifo, S_IFIFO, 0, 0},
        {TNodeKind::Socket, S_IFSOCK, 0, 0},
        {TNodeKind::CharDevice, S_IFCHR, 1, 3},
        {TNodeKind::BlockDevice, S_IFBLK, 7, 0},
    };

    for (const auto& type : kTypes)
    {
        if (type.Kind == kind)
            return ::mknod(path.c_str(), type.Type | 0755, makedev(type.Major, type.Minor)) == 0
                   && ::chmod(path.c_str(), 0755) == 0;
    }
    return false;
#endif
}

bool ReturnsWithoutWaiting(const std::filesystem::path& fifo, const std::function<void()>& call)
{
    std::packaged_task<void()> task(call);
    auto done = task.get_future();
    std::thread runner(std::move(task));
    const bool returned = done.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    // Release a reader blocked in open or read, a few times in case it was
    // between the two; the loop is bounded.
    for (int i = 0; !returned && i < 100 && done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready;
         ++i)
    {
#ifndef _WIN32
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
#else
        static_cast<void>(fifo);
#endif
    }
    runner.join();
    return returned;
}

} // namespace brisolt::test
