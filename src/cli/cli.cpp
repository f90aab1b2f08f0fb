#include "cli/cli.h"

#include <ostream>

#include <CLI/CLI.hpp>

namespace brisolt::cli
{

int RunCli(int argc, const char* const* argv, const TCliIo& io)
{
    CLI::App app("brisolt-cli: create, inspect and edit BitTorrent metainfo (.torrent) files", "brisolt-cli");
    app.require_subcommand(1);
    // Options start with "-" on every system; "/" begins a path, not an option.
    app.allow_windows_style_options(false);
    app.footer("Examples beyond the window (all off unless given):\n"
               "  brisolt-cli create DIR -a URL --source MYTRACKER          source tag in the info dictionary\n"
               "  brisolt-cli create DIR -a URL -w https://mirror/files/    web seed (url-list)\n"
               "  brisolt-cli create DIR -a URL -x '*.nfo' -x 'Sample/*'    leave matching files out\n"
               "  brisolt-cli create DIR -a URL --json                      path, info hash, magnet link\n"
               "  brisolt-cli edit A.torrent --source OTHER --web-seed URL  new source tag and web seed\n"
               "  brisolt-cli edit A.torrent --keep-info-hash --announce URL  new tracker, same info hash\n"
               "  brisolt-cli show A.torrent                                also prints the magnet link\n"
               "  brisolt-cli verify --json A.torrent DIR                   per file state and pieces\n"
               "Run brisolt-cli COMMAND --help for every option of a command.");
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
