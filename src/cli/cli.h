// The command-line front end: parses the arguments and runs one command.
// Output goes to the given streams, so tests run it in-process. Exit codes:
// 0 success, 1 failure (with a reason on err), 2 usage error.
#pragma once

#include <functional>
#include <iosfwd>

namespace CLI
{
class App;
}

namespace brisolt::cli
{

struct TCliIo
{
    std::ostream& Out;
    std::ostream& Err;
    bool ErrIsTerminal = false; // progress bars only for a person watching
};

// Runs the command chosen on the command line, once parsing succeeded.
using TCommandRunner = std::function<int(const TCliIo&)>;

int RunCli(int argc, const char* const* argv, const TCliIo& io);

// Each command adds its subcommand; when it is chosen, it sets runner.
void AddShowCommand(CLI::App& app, TCommandRunner& runner);
void AddCreateCommand(CLI::App& app, TCommandRunner& runner);
void AddVerifyCommand(CLI::App& app, TCommandRunner& runner);
void AddEditCommand(CLI::App& app, TCommandRunner& runner);

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

} // namespace brisolt::cli
