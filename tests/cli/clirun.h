// Runs brisolt-cli in-process and captures what it prints.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace brisolt::test
{

struct TCliRun
{
    int Code;
    std::string Out;
    std::string Err;
};

inline TCliRun RunCliArgs(std::vector<std::string> args)
{
    args.insert(args.begin(), "brisolt-cli");
    std::vector<const char*> argv;
    for (const auto& a : args)
        argv.push_back(a.c_str());
    std::ostringstream out;
    std::ostringstream err;
    const int code = cli::RunCli(static_cast<int>(argv.size()), argv.data(), {out, err, false});
    return {code, out.str(), err.str()};
}

} // namespace brisolt::test
