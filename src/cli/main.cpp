#include <iostream>

#include <unistd.h>

#include "cli/cli.h"

int main(int argc, char** argv)
{
    const brisolt::cli::TCliIo io{std::cout, std::cerr, isatty(STDERR_FILENO) == 1};
    return brisolt::cli::RunCli(argc, argv, io);
}
