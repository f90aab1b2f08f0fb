// Helpers shared by the tests: a sandbox folder per test, file writing, and
// running Debian's python3 (with python3-libtorrent) as an oracle.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace brisolt::test
{

// A fresh, empty folder for the running test, removed when it goes out of scope.
class TSandbox
{
public:
    TSandbox();
    ~TSandbox();
    TSandbox(const TSandbox&) = delete;
    TSandbox& operator=(const TSandbox&) = delete;

    [[nodiscard]] const std::filesystem::path& Path() const { return Root; }

    // Writes bytes to a file below the sandbox (folders created); returns its
    // path, with the system's separators.
    std::filesystem::path Write(const std::filesystem::path& relative, std::string_view bytes) const;
    // The same for a relative path in UTF-8 (a mingw path from char text
    // would take the ANSI code page instead).
    std::filesystem::path Write(const char* relative, std::string_view bytes) const;

private:
    std::filesystem::path Root;
};

[[nodiscard]] std::string ReadFile(const std::filesystem::path& path);
[[nodiscard]] std::filesystem::path DataDir();

// Runs Debian's python3 with a script and arguments; returns its exit status
// and puts its standard output into output.
int RunPython(const std::string& script, const std::string& args, std::string& output);

// Whether the Python oracle runs here. Where it cannot (the Windows build has
// no Debian python3 with python3-libtorrent), the running test is marked
// skipped with that reason, and its other checks still run.
[[nodiscard]] bool OracleRuns();

// An oracle's answer compared with the expected one, where the oracle runs.
#define EXPECT_ORACLE_EQ(oracle, expected)                                                                             \
    do                                                                                                                 \
    {                                                                                                                  \
        if (::brisolt::test::OracleRuns())                                                                             \
        {                                                                                                              \
            EXPECT_EQ(oracle, expected);                                                                               \
        }                                                                                                              \
    } while (false)

// Skips the running test on Windows, for what only the Linux build has (FIFOs,
// POSIX permission bits, symlinks, signals, Linux tools); a no-op elsewhere.
#ifdef _WIN32
#define BRISOLT_LINUX_ONLY(why) GTEST_SKIP() << "Linux only: " << (why)
#else
#define BRISOLT_LINUX_ONLY(why) static_cast<void>(0)
#endif

// Whether the tests run with root's rights (which ignore permission bits).
[[nodiscard]] bool RunningAsRoot();

// Sets an environment variable, or removes it when value is null.
void SetEnvironment(const char* name, const char* value);

// Sets or clears an environment variable for as long as it lives, then
// restores it.
class TEnvironment
{
public:
    TEnvironment(const char* name, const char* value);
    ~TEnvironment();
    TEnvironment(const TEnvironment&) = delete;
    TEnvironment& operator=(const TEnvironment&) = delete;

private:
    const char* Name;
    std::optional<std::string> Old;
};

// Makes a FIFO at path (a special file that blocks a reader until a writer
// comes) and returns path.
std::filesystem::path MakeFifo(const std::filesystem::path& path);

// The kinds of special file that a writer must never replace.
enum class TNodeKind
{
    Fifo,
    Socket,
    CharDevice,  // the null device's numbers
    BlockDevice, // the first loop device's numbers
};

// Makes a special file of kind at path, mode 0755 (a socket's mode once made
// the written file executable); false where this system or user cannot
// (devices need root, Windows has none of them).
bool MakeNode(const std::filesystem::path& path, TNodeKind kind);

// Runs call on a thread. Should it still be running after a generous bound
// (blocked on fifo), a writer opens and closes fifo so that the call can
// return, and the result is false: call waited on fifo.
[[nodiscard]] bool ReturnsWithoutWaiting(const std::filesystem::path& fifo, const std::function<void()>& call);

// Deterministic pseudo-random bytes.
[[nodiscard]] std::string RandomBytes(std::size_t size, uint32_t seed);

} // namespace brisolt::test
