#include <iostream>

#include "cli/cli.h"
#include "platform/fileio.h"

int main(int argc, char** argv)
{
    const brisolt::cli::TCliIo io{std::cout, std::cerr, brisolt::StandardErrorIsTerminal()};
    return brisolt::cli::RunCli(argc, argv, io);
}
