#include "cli/cli.h"

#include <ostream>

#include <CLI/CLI.hpp>

namespace brisolt::cli
{

int RunCli(int argc, const char* const* argv, const TCliIo& io)
{
    CLI::App app("brisolt-cli: create, inspect and edit BitTorrent metainfo (.torrent) files", "brisolt-cli");
    app.require_subcommand(1);
    TCommandRunner runner;
    AddCreateCommand(app, runner);
    AddShowCommand(app, runner);
    AddEditCommand(app, runner);
    AddVerifyCommand(app, runner);
    try
    {
        app.parse(argc, argv);
    }
    catch (const CLI::ParseError& e)
    {
        const int code = app.exit(e, io.Out, io.Err);
        return code == 0 ? kExitOk : kExitUsage;
    }
    try
    {
        return runner ? runner(io) : kExitUsage;
    }
    catch (const std::exception& e)
    {
        io.Err << "brisolt-cli: " << e.what() << '\n';
        return kExitFailure;
    }
}

} // namespace brisolt::cli
