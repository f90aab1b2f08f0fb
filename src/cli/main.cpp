#include <iostream>

#include "cli/cli.h"
#include "platform/console.h"
#include "platform/fileio.h"

int main(int argc, char** argv)
{
    const brisolt::TUtf8Console console(argc, argv);
    const brisolt::cli::TCliIo io{std::cout, std::cerr, brisolt::StandardErrorIsTerminal()};
    return brisolt::cli::RunCli(console.Argc(), console.Argv(), io);
}
