// Helpers shared by the tests: a sandbox folder per test, file writing, and
// running Debian's python3 (with python3-libtorrent) as an oracle.
#pragma once

#include <filesystem>
#include <functional>
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

    // Writes bytes to a file below the sandbox (folders created); returns its path.
    std::filesystem::path Write(const std::filesystem::path& relative, std::string_view bytes) const;

private:
    std::filesystem::path Root;
};

[[nodiscard]] std::string ReadFile(const std::filesystem::path& path);
[[nodiscard]] std::filesystem::path DataDir();

// Runs Debian's python3 with a script and arguments; returns its exit status
// and puts its standard output into output.
int RunPython(const std::string& script, const std::string& args, std::string& output);

// Makes a FIFO at path (a special file that blocks a reader until a writer
// comes) and returns path.
std::filesystem::path MakeFifo(const std::filesystem::path& path);

// Runs call on a thread. Should it still be running after a generous bound
// (blocked on fifo), a writer opens and closes fifo so that the call can
// return, and the result is false: call waited on fifo.
[[nodiscard]] bool ReturnsWithoutWaiting(const std::filesystem::path& fifo, const std::function<void()>& call);

// Deterministic pseudo-random bytes.
[[nodiscard]] std::string RandomBytes(std::size_t size, uint32_t seed);

} // namespace brisolt::test
